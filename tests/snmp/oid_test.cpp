// Dotted text to identifiers and back, at the limits the codec sets: a component of 32 bits, a
// name of ber::MAX_OID_COMPONENTS components. (The manager's and the simulator's own rules on
// top of these: tests/snmpmgr/session_test.cpp, tests/sim.)
#include "snmp/oid.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "snmp/ber.h"

namespace {

using snmp::LeadingDot;
using Ids = std::vector<std::uint32_t>;

std::string Repeated(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST(Oid, ParseTakesDottedComponentsWithinTheCodecsLimits) {
    const std::size_t most = ber::MAX_OID_COMPONENTS;
    const struct {
        const char* name;
        std::string text;
        LeadingDot leadingDot;
        std::optional<Ids> oid;  // nullopt: refused
        std::string error;       // the start of the error when refused
    } rows[] = {
        {"from the root", ".1.3.6.1", LeadingDot::Required, Ids{1, 3, 6, 1}, ""},
        {"one component", ".0", LeadingDot::Required, Ids{0}, ""},
        {"largest component", ".2.4294967295", LeadingDot::Required, Ids{2, 4294967295u}, ""},
        {"leading zeros", ".1.0000000000003", LeadingDot::Required, Ids{1, 3}, ""},
        {"most components", Repeated(".7", most), LeadingDot::Required, Ids(most, 7), ""},
        {"optional dot absent", "1.3.6", LeadingDot::Optional, Ids{1, 3, 6}, ""},
        {"optional dot present", ".1.3.6", LeadingDot::Optional, Ids{1, 3, 6}, ""},
        {"missing dot", "1.3.6.1", LeadingDot::Required, std::nullopt, "object identifier must"},
        {"no text", "", LeadingDot::Optional, std::nullopt, "empty object identifier"},
        {"dot alone", ".", LeadingDot::Required, std::nullopt, "empty object identifier"},
        {"empty component", ".1..3", LeadingDot::Required, std::nullopt, "bad object identifier"},
        {"trailing dot", "1.3.", LeadingDot::Optional, std::nullopt, "bad object identifier"},
        {"trailing space", ".1.3 ", LeadingDot::Required, std::nullopt, "bad object identifier"},
        {"sign", "1.-3", LeadingDot::Optional, std::nullopt, "bad object identifier"},
        {"component past 32 bits", ".1.4294967296", LeadingDot::Required, std::nullopt,
         "bad object identifier component '4294967296'"},
        {"one component too many", Repeated(".7", most + 1), LeadingDot::Required, std::nullopt,
         "object identifier longer than 128"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Ids oid = {9, 9};
        std::string error;
        const bool parsed = snmp::ParseOid(row.text, row.leadingDot, oid, error);
        ASSERT_EQ(parsed, row.oid.has_value()) << error;
        EXPECT_EQ(oid, row.oid.value_or(Ids{}));
        if (!parsed) {
            EXPECT_EQ(error.rfind(row.error, 0), 0u) << error;
        }
    }
}

TEST(Oid, FormatWritesWhatParseReads) {
    EXPECT_EQ(snmp::FormatOid(Ids{}), "");
    EXPECT_EQ(snmp::FormatOid(Ids{0}), "0");
    const Ids oid = {1, 3, 6, 1, 4, 1, 0, 4294967295u};
    EXPECT_EQ(snmp::FormatOid(oid), "1.3.6.1.4.1.0.4294967295");
    Ids back;
    std::string error;
    ASSERT_TRUE(snmp::ParseOid(snmp::FormatOid(oid), LeadingDot::Optional, back, error));
    EXPECT_EQ(back, oid);
}

TEST(Oid, EncodableOnlyWhenTheFirstTwoArcsShareASubIdentifier) {
    const struct {
        const char* name;
        Ids oid;
        bool encodable;
    } rows[] = {
        {"iso.org", {1, 3}, true},
        {"joint-iso-itu-t, large second arc", {2, 4294967295u - 80}, true},
        {"second arc past the shared sub-identifier", {2, 4294967295u - 79}, false},
        {"itu-t with second arc 39", {0, 39}, true},
        {"itu-t with second arc 40", {0, 40}, false},
        {"first arc 3", {3, 1}, false},
        {"one arc", {1}, false},
        {"most components", Ids(ber::MAX_OID_COMPONENTS, 1), true},
        {"too many components", Ids(ber::MAX_OID_COMPONENTS + 1, 1), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ber::OidEncodable(row.oid), row.encodable);
        std::vector<std::uint8_t> out;
        ber::Message message;
        message.varbinds.push_back({row.oid, {}});
        EXPECT_EQ(ber::Encode(message, out) == ber::Error::None, row.encodable);
    }
}

}  // namespace
