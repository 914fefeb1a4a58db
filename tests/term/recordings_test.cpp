// vellumark-term --once and --json against printers recorded the way real ones keep their data
// (tests/data/recordings: a printer device at index 2 or 10, supply rows from 2, no Host
// Resources table, no supplies, trays at -3, descriptions with line breaks), served by snmpsimd
// on loopback, one community per recording. Skipped when snmpsimd is not installed.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/loopback_agent.h"
#include "tests/support/run_command.h"

namespace {

using Json = nlohmann::json;

const std::string TERM = VM_TERM_PATH;  // a build path: no characters a shell would act on

class TermRecordings : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!Installed(SNMPSIMD_PATH)) {
            return;
        }
        agent_ = std::make_unique<LoopbackAgent>();
        const bool started =
            agent_->StartSnmpsimdServing(VM_RECORDINGS_DIR, [](const std::string& target) {
                return RunCommand("snmpget -v1 -c tern-no-supplies -t 0.2 -r 0 " + target +
                                  " 1.3.6.1.2.1.1.3.0 >/dev/null 2>&1")
                           .first == 0;
            });
        EXPECT_TRUE(started) << agent_->log();
    }
    static void TearDownTestSuite() { agent_.reset(); }
    void SetUp() override {
        if (!Installed(SNMPSIMD_PATH)) {
            GTEST_SKIP() << SNMPSIMD_PATH << " is not installed (Debian package snmpsim)";
        }
    }

    // The program's output for one recording (its community), killed after 20 s should it hang.
    static std::string Run(const std::string& mode, const std::string& recording, int* status) {
        const auto [code, out] = RunCommand("timeout -s KILL 20 " + TERM + " " + mode + " " +
                                            agent_->target() + " " + recording + " </dev/null");
        *status = code;
        return out;
    }

    static std::unique_ptr<LoopbackAgent> agent_;
};
std::unique_ptr<LoopbackAgent> TermRecordings::agent_;

// The window's first content: the title from the printer's own device (or sysDescr.0), its toner
// row's level, and no percentage where the printer has no supply.
TEST_F(TermRecordings, TheWindowReadsEachPrintersOwnRows) {
    const struct {
        const char* recording;
        std::string title;  // the title line (a CR LF shows as the terminal's replacement)
        std::string toner;
        std::string pageCount;
    } cases[] = {
        {"lumen-device-2", "== Lumen LP-2040dn Monitor ==", "[#########-----------] 45%", "15873"},
        {"kestrel-device-10", "== Kestrel K5 Mono Laser Monitor ==", "[#####---------------] 27%",
         "250111"},
        {"sable-no-host-resources",
         "== Sable SX-300\xEF\xBF\xBD\xEF\xBF\xBDPrint Server 4.11 Monitor ==",
         "[###############-----] 75%", "9021"},
        {"tern-no-supplies",
         "== Tern TL-4 Label Printer Monitor ==", "[--------------------] unknown", "77120"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recording);
        int status = -1;
        const std::string out = Run("--once", c.recording, &status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.rfind(c.title + "\n", 0), 0u) << out;
        EXPECT_NE(out.find("Toner Remaining: " + c.toner + "\n"), std::string::npos) << out;
        EXPECT_NE(out.find("Current Page Count: " + c.pageCount + "\n"), std::string::npos) << out;
        const std::string tray = c.title.substr(3, c.title.size() - 6);
        EXPECT_NE(out.find("Tray: online - " + tray + "\n"), std::string::npos) << out;
    }
}

// The same in JSON, and the condition read from the printer's own rows beside it: every
// supply and tray, their descriptions with the line breaks they were recorded with.
TEST_F(TermRecordings, JsonWindowAndCondition) {
    const struct {
        const char* recording;
        std::string title;
        std::optional<int> percent;  // the toner bar's; none without a supply
        std::vector<std::string> supplies, trays;
    } cases[] = {
        {"lumen-device-2",
         "Lumen LP-2040dn Monitor",
         45,
         {"Black Toner\r\nLP-T20"},
         {"Tray 1", "Multipurpose\r\nTray"}},
        {"kestrel-device-10",
         "Kestrel K5 Mono Laser Monitor",
         27,
         {"Drum Unit", "Toner Cartridge\r\nKT-500", "Waste Toner Box"},
         {"Cassette 1", "Bypass"}},
        {"sable-no-host-resources",
         "Sable SX-300\r\nPrint Server 4.11 Monitor",
         75,
         {"Black Cartridge"},
         {"Paper Tray"}},
        {"tern-no-supplies", "Tern TL-4 Label Printer Monitor", std::nullopt, {}, {"Roll"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recording);
        int status = -1;
        const std::string out = Run("--json", c.recording, &status);
        EXPECT_EQ(status, 0) << out;
        const Json json = Json::parse(out, nullptr, false);
        ASSERT_FALSE(json.is_discarded()) << out;
        EXPECT_EQ(json.value("title", ""), c.title);
        EXPECT_EQ(json.value("state", ""), "ok");
        EXPECT_EQ(json["tray"].value("icon", ""), "online");
        const Json& percent = json["toner"]["percent"];
        EXPECT_EQ(percent.is_null() ? std::nullopt : std::optional<int>(percent.get<int>()),
                  c.percent);
        std::vector<std::string> supplies, trays;
        for (const Json& supply : json["condition"]["supplies"]) {
            supplies.push_back(supply.value("description", ""));
        }
        for (const Json& tray : json["condition"]["inputs"]) {
            trays.push_back(tray.value("name", ""));
        }
        EXPECT_EQ(supplies, c.supplies);
        EXPECT_EQ(trays, c.trays);
    }
}

}  // namespace
