// One-object reads and the model query against the simulated printer on loopback.
#include "snmp/object_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "printer_sim.h"
#include "shell/globals.h"
#include "text/bounded_text.h"

namespace {

const char* const kProfile =
    "1.3.6.1.2.1.25.3.2.1.3.1|4|Quillfen LaserWriter 4200dn\n"
    "1.3.6.1.2.1.1.1.0|4x|52656164790058595a\n"  // "Ready", a zero byte, "XYZ"
    "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.11.2.3.9.1\n"
    "1.3.6.1.2.1.1.3.0|67|100\n"
    "1.3.6.1.2.1.1.4.0|4|\n"
    "1.3.6.1.2.1.1.5.0|5|\n"
    "1.3.6.1.2.1.4.20.1.1.0|64|192.168.1.10\n"
    "1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967295\n"
    "1.3.6.1.2.1.43.10.2.1.5.1.1|66|77\n"
    "1.3.6.1.2.1.43.11.1.1.9.1.1|2|-2\n"
    "1.3.6.1.2.1.43.11.1.1.8.1.1|68x|5758595a\n";  // Opaque "WXYZ"

// Resets the shared state a test reads, and closes the session it opened.
class ObjectText : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.ok()) << sim_.error();
        BoundedCopy(g_target, TARGET_CHARS, sim_.target().c_str());
        BoundedCopy(g_community, COMMUNITY_CHARS, "orchid");
        g_model[0] = '\0';
        g_state = STATE_OK;
        g_session = SnmpMgrOpen(g_target, g_community, SNMP_TIMEOUT_MS, SNMP_RETRIES);
        ASSERT_NE(g_session, nullptr);
    }
    void TearDown() override {
        SnmpMgrClose(g_session);
        g_session = nullptr;
    }

    // Reads `oid` into a buffer pre-filled with a marker; returns the result and the text.
    std::pair<bool, std::string> Read(const char* oidText) {
        AsnObjectIdentifier oid{};
        EXPECT_TRUE(SnmpMgrStrToOid(oidText, &oid)) << oidText;
        char text[OBJECT_TEXT_CHARS] = "untouched";
        const bool result = GetObjectText(&oid, text);
        SnmpUtilOidFree(&oid);
        return {result, text};
    }

    PrinterSim sim_{PrinterSim::Text(kProfile)};
};

TEST_F(ObjectText, EveryValueTypeArrivesAsItsText) {
    using Row = std::pair<const char*, const char*>;
    const Row rows[] = {
        {".1.3.6.1.2.1.25.3.2.1.3.1", "Quillfen LaserWriter 4200dn"},
        {".1.3.6.1.2.1.1.1.0", "Ready"},
        {".1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.11.2.3.9.1"},
        {".1.3.6.1.2.1.1.3.0", "100"},
        {".1.3.6.1.2.1.1.4.0", ""},
        {".1.3.6.1.2.1.1.5.0", ""},  // NULL: an answer without text
        {".1.3.6.1.2.1.4.20.1.1.0", "192.168.1.10"},
        {".1.3.6.1.2.1.43.10.2.1.4.1.1", "4294967295"},
        {".1.3.6.1.2.1.43.10.2.1.5.1.1", "77"},
        {".1.3.6.1.2.1.43.11.1.1.9.1.1", "-2"},
        {".1.3.6.1.2.1.43.11.1.1.8.1.1", "WXYZ"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Read(row.first), std::make_pair(true, std::string(row.second))) << row.first;
    }
    EXPECT_EQ(g_state, STATE_OK);
}

TEST_F(ObjectText, LongTextsAreCutAt127Characters) {
    const std::string long_text(300, 'L');
    ASSERT_EQ(sim_.command("set 1.3.6.1.2.1.1.4.0 4 " + long_text), "ok");
    EXPECT_EQ(Read(".1.3.6.1.2.1.1.4.0"), std::make_pair(true, std::string(127, 'L')));
}

TEST_F(ObjectText, ErrorStatusesOtherThanNoSuchNameStillCountAsValues) {
    // noSuchName: no value, and the printer is not lost.
    EXPECT_FALSE(Read(".1.3.6.1.2.1.43.5.1.1.17.1").first);
    EXPECT_EQ(g_state, STATE_OK);

    ASSERT_EQ(sim_.command("error 1.3.6.1.2.1.1.3.0 genErr"), "ok");
    EXPECT_EQ(Read(".1.3.6.1.2.1.1.3.0"), std::make_pair(true, std::string()));
    ASSERT_EQ(sim_.command("error 1.3.6.1.2.1.1.3.0 tooBig"), "ok");
    EXPECT_EQ(Read(".1.3.6.1.2.1.1.3.0"), std::make_pair(true, std::string()));
    EXPECT_EQ(g_state, STATE_OK);
}

TEST_F(ObjectText, NoAnswerMarksThePrinterLostAndReleasesTheIdentifier) {
    ASSERT_EQ(sim_.command("silence on"), "ok");
    g_state = STATE_UNREACHABLE;  // lost is set whatever the state was
    AsnObjectIdentifier oid{};
    ASSERT_TRUE(SnmpMgrStrToOid(".1.3.6.1.2.1.1.3.0", &oid));
    char text[OBJECT_TEXT_CHARS] = "untouched";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(GetObjectText(&oid, text));
    const auto waited = std::chrono::steady_clock::now() - start;

    EXPECT_GE(waited, std::chrono::milliseconds(400));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(oid.idLength, 0u);
    EXPECT_EQ(oid.ids, nullptr);
    SnmpUtilOidFree(&oid);  // a second release does nothing
    EXPECT_EQ(oid.idLength, 0u);
}

// The model query opens and closes its own session.
class ModelQuery : public ObjectText {
  protected:
    void SetUp() override {
        ObjectText::SetUp();
        SnmpMgrClose(g_session);
        g_session = nullptr;
    }
};

TEST_F(ModelQuery, ReadsTheModelAndCutsItAt127) {
    EXPECT_TRUE(QueryPrinterModel());
    EXPECT_STREQ(g_model, "Quillfen LaserWriter 4200dn");
    EXPECT_EQ(g_session, nullptr);

    ASSERT_EQ(sim_.command("set 1.3.6.1.2.1.25.3.2.1.3.1 4 " + std::string(200, 'M')), "ok");
    EXPECT_TRUE(QueryPrinterModel());
    EXPECT_EQ(std::string(g_model), std::string(127, 'M'));
    EXPECT_EQ(g_state, STATE_OK);
}

TEST_F(ModelQuery, FailuresKeepTheModelAndOnlyASilentPrinterIsLost) {
    BoundedCopy(g_model, MODEL_CHARS, "earlier model");

    ASSERT_EQ(sim_.command("unset 1.3.6.1.2.1.25.3.2.1.3.1"), "ok");
    EXPECT_FALSE(QueryPrinterModel());  // noSuchName
    EXPECT_STREQ(g_model, "earlier model");
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(g_session, nullptr);

    ASSERT_EQ(sim_.command("silence on"), "ok");
    EXPECT_FALSE(QueryPrinterModel());
    EXPECT_STREQ(g_model, "earlier model");
    EXPECT_EQ(g_state, STATE_LOST);
    EXPECT_EQ(g_session, nullptr);

    // No session at all (the empty target resolves to nothing): no request, no state change.
    g_state = STATE_OK;
    g_target[0] = '\0';
    EXPECT_FALSE(QueryPrinterModel());
    EXPECT_EQ(g_state, STATE_OK);
    EXPECT_EQ(g_session, nullptr);
    EXPECT_STREQ(g_model, "earlier model");
}

}  // namespace
