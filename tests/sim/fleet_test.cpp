// A fleet from one process: printer i on port BASE+i (or address BASE+i), each with its own
// values, counters, faults and conditions, addressed one at a time or all together; and
// net-snmp's snmpbulkwalk (v2c) and snmpwalk (v1) reading every bundled profile whole.
#include <gtest/gtest.h>

#include "tests/sim/wire.h"
#include "tests/support/printer_sim.h"
#include "tests/support/run_command.h"
#include "tools/printer-sim/profile.h"

namespace {

using simtest::Exchange;
using simtest::FirstText;
using simtest::Request;

const std::vector<std::uint32_t> SYS_NAME = {1, 3, 6, 1, 2, 1, 1, 5, 0};
const std::vector<std::uint32_t> DEVICE_STATUS = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 5, 1};

TEST(SimFleet, EachPrinterHasItsOwnPortValuesFaultsAndConditions) {
    for (bool byAddress : {false, true}) {
        PrinterSimOptions options;
        options.fleet = 3;
        options.fleetByAddress = byAddress;
        PrinterSim sim(options);
        ASSERT_TRUE(sim.ok()) << sim.error();
        ASSERT_EQ(sim.printers(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(sim.target(i), byAddress ? "127.0.0." + std::to_string(i + 1) + ":" +
                                                     std::to_string(sim.port())
                                               : "127.0.0.1:" + std::to_string(sim.port() + i));
        }
        ASSERT_EQ(sim.command(1, "silence on"), "ok");
        ASSERT_EQ(sim.command(2, "jam"), "ok");
        const struct {
            const char* name;  // sysName, "" when silent
            int deviceStatus;
        } expected[] = {{"NPI3F2A1C", 2}, {"", 0}, {"NPI3F2A1C-0002", 5}};
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string address = sim.target(i).substr(0, sim.target(i).find(':'));
            auto answer =
                Exchange(Request({SYS_NAME, DEVICE_STATUS}), sim.port(i), 300, address.c_str());
            EXPECT_EQ(answer.has_value(), *expected[i].name != '\0') << i;
            if (answer && answer->varbinds.size() == 2) {
                EXPECT_EQ(FirstText(answer), expected[i].name) << i;
                EXPECT_EQ(answer->varbinds[1].value.integer, expected[i].deviceStatus) << i;
            }
        }
        EXPECT_EQ(sim.command(0, "stats").rfind("ok requests=1 answered=1 silenced=0", 0), 0u);
        EXPECT_EQ(sim.command(1, "stats").rfind("ok requests=1 answered=0 silenced=1", 0), 0u);
        EXPECT_EQ(sim.command("stats").rfind("ok requests=3 answered=2 silenced=1", 0), 0u);
        // Without "printer N" a command reaches every printer.
        ASSERT_EQ(sim.command("silence on"), "ok");
        EXPECT_FALSE(Exchange(Request({SYS_NAME}), sim.port(0), 200).has_value());
    }
}

// The OIDs net-snmp printed, in order (not continuation lines of long hex strings, nor the
// line that reports the end of the walk).
std::vector<std::string> WalkedOids(const std::string& output) {
    std::vector<std::string> oids;
    for (std::size_t start = 0, end; start < output.size(); start = end + 1) {
        end = output.find('\n', start);
        std::string line = output.substr(start, end - start);
        if (line.rfind(".1.", 0) == 0 && line.find(" = ") != std::string::npos &&
            line.find("No more variables") == std::string::npos) {
            oids.push_back(line.substr(1, line.find(" = ") - 1));
        }
    }
    return oids;
}

TEST(SimInterop, NetSnmpWalksEveryBundledProfileWholeOverV2cBulkAndV1) {
    if (RunCommand("command -v snmpbulkwalk && command -v snmpwalk").first != 0) {
        GTEST_SKIP() << "net-snmp's snmpbulkwalk/snmpwalk are missing: install the Debian "
                        "package snmp (scripts/install-deps.sh does)";
    }
    const char* walks[] = {
        "snmpbulkwalk -v2c -Cr10",  // net-snmp's default repetitions
        "snmpbulkwalk -v2c -Cr200",
        "snmpwalk -v1",
    };
    for (const std::string& name : sim::ListProfiles(PrinterSim::ProfileDir())) {
        PrinterSim sim(PrinterSim::Bundled(name));
        ASSERT_TRUE(sim.ok()) << sim.error();
        sim::Profile profile;
        std::vector<std::string> errors;
        ASSERT_TRUE(sim::LoadProfileFile(PrinterSim::ProfileDir() + "/" + name + ".snmprec",
                                         profile, errors));
        std::vector<std::string> wanted;
        for (const auto& [oid, value] : profile.objects) {
            wanted.push_back(sim::FormatOid(oid));
        }
        for (const char* walk : walks) {
            auto [status, output] =
                RunCommand(std::string(walk) + " -m '' -Oe -c orchid -On -t 2 -r 1 " +
                           sim.target() + " .1 2>&1");
            EXPECT_EQ(status, 0) << walk << " " << name << ":\n" << output;
            EXPECT_EQ(WalkedOids(output), wanted) << walk << " " << name << ":\n" << output;
        }
    }
}

}  // namespace
