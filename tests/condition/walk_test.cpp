// The reading's exchanges against the simulated printer's responder: the whole profile over v1
// and v2c (as JSON and as text), the device index, rows with missing cells or wrong types, and
// agents that misbehave in every way the reading must survive with a clear result and bounded
// work.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "condition/health.h"
#include "condition/render.h"
#include "snmp/asn_types.h"
#include "snmp/printer_mib.h"
#include "tests/condition/drive.h"

namespace {

using condition::Condition;
using condition::LevelState;
using condition::ReadError;
using condition::SnmpVersion;

const SnmpVersion VERSIONS[] = {SnmpVersion::V1, SnmpVersion::V2c};
const sim::Oid LEVELS = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1};  // prtMarkerSuppliesLevel, device 1

// full-printer.snmprec as the reading gives it back, unknown values null.
const char* const FULL_JSON =
    R"({"health":"critical","reasons":["jammed","alert critical: jam","lowToner",)"
    R"("device warning","alert warning: markerTonerAlmostEmpty",)"
    R"("supply yellow toner at 4%"],"complete":true,"error":null,)"
    R"("device_status":"warning","printer_status":"other",)"
    R"("errors":["lowToner","jammed"],"serial":"VMK4C-000042",)"
    R"("model":"Vellumark CL-4400 series","name":"lab-colour-1","location":"2nd floor, east",)"
    R"("page_count":48213,"power_on_count":212,"supplies":[)"
    R"({"index":1,"description":"Black Toner Cartridge","colour":"black","type":"toner",)"
    R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":4210,)"
    R"("percent":64.8,"level_state":"ok"},)"
    R"({"index":2,"description":"Cyan Toner Cartridge","colour":"cyan","type":"toner",)"
    R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":1830,)"
    R"("percent":28.2,"level_state":"ok"},)"
    R"({"index":3,"description":"Magenta Toner Cartridge","colour":"magenta","type":"toner",)"
    R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":2925,)"
    R"("percent":45.0,"level_state":"ok"},)"
    R"({"index":4,"description":"Yellow Toner Cartridge","colour":"yellow","type":"toner",)"
    R"("class":"supplyThatIsConsumed","unit":"impressions","capacity":6500,"level":260,)"
    R"("percent":4.0,"level_state":"ok"},)"
    R"({"index":5,"description":"Waste Toner Box","colour":null,"type":"wasteToner",)"
    R"("class":"receptacleThatIsFilled","unit":"percent","capacity":null,"level":null,)"
    R"("percent":null,"level_state":"some-remaining"}],)"
    R"("inputs":[{"index":1,"name":"Tray 1","media":"A4","capacity":500,"level":250,)"
    R"("level_state":"ok","status":{"availability":"available-idle","non_critical_alert":false,)"
    R"("critical_alert":false,"online":true,"transitioning":false}},)"
    R"({"index":2,"name":"Multipurpose tray","media":"","capacity":100,"level":null,)"
    R"("level_state":"some-remaining","status":{"availability":"available-idle",)"
    R"("non_critical_alert":false,"critical_alert":false,"online":true,"transitioning":false}}],)"
    R"("alerts":[{"severity":"critical","group":"mediaPath","code":"jam",)"
    R"("description":"Paper jam in tray 2"},{"severity":"warning",)"
    R"("group":"markerSupplies","code":"markerTonerAlmostEmpty",)"
    R"("description":"Yellow toner low"}],)"
    R"("markers":[{"index":1,"life_count":48213,"power_on_count":212}]})";

TEST(ConditionWalk, ReadsTheWholeProfileOverBothVersions) {
    for (const SnmpVersion version : VERSIONS) {
        int requests = 0;
        const Condition c = drive::Drive(drive::FullPrinter(), version, nullptr, &requests);
        EXPECT_EQ(c.error, "");
        EXPECT_EQ(condition::ConditionJson(c), FULL_JSON);  // "critical": answered
        // What the JSON does not hold.
        EXPECT_EQ(c.uptimeTicks, 917344u);
        EXPECT_EQ(c.vendorStatus, "JAM");
        EXPECT_EQ(c.consoleLines, (std::vector<std::string>{"Paper jam", "Open tray 2"}));
        // v1: device walk 2, scalars 1, then a GETNEXT per row of the longest table (5
        // supplies) and the column ends, two PDUs a row for 23 columns. GETBULK takes fewer.
        EXPECT_LE(requests, version == SnmpVersion::V1 ? 20 : 6);
    }
}

// The printer's device index from hrDeviceTable (device 1 without a printer row), and rows with
// missing columns under it: a supply with only a level, one whose colorant does not exist, an
// alert with only a description, the third console line alone.
TEST(ConditionWalk, DeviceIndexAndRowsWithMissingColumns) {
    struct Case {
        const char* devices;  // hrDeviceType rows
        std::uint32_t expected;
    } cases[] = {
        {"", 1},
        {"1.3.6.1.2.1.25.3.2.1.2.1|6|1.3.6.1.2.1.25.3.1.3\n"
         "1.3.6.1.2.1.25.3.2.1.2.3|6|1.3.6.1.2.1.25.3.1.5\n",
         3},
        {"1.3.6.1.2.1.25.3.2.1.2.1|6|1.3.6.1.2.1.25.3.1.3\n"
         "1.3.6.1.2.1.25.3.2.1.2.2|6|1.3.6.1.2.1.25.3.1.4\n",
         1},
    };
    for (const auto& c : cases) {
        const std::string i = std::to_string(c.expected);
        const sim::Printer printer = drive::PrinterOf(
            c.devices +
            ("1.3.6.1.2.1.43.5.1.1.17." + i + "|4|S\n1.3.6.1.2.1.43.11.1.1.9." + i +
             ".2|2|-1\n1.3.6.1.2.1.43.11.1.1.3." + i + ".3|2|9\n1.3.6.1.2.1.43.18.1.1.8." + i +
             ".4|4|Fuser\n1.3.6.1.2.1.43.16.5.1.2." + i + ".3|4|third\n"));
        for (const SnmpVersion version : VERSIONS) {
            const Condition read = drive::Drive(printer, version);
            EXPECT_EQ(read.deviceIndex, c.expected) << c.devices;
            EXPECT_EQ(read.error, "") << c.devices << ": v1 noSuchName at the end is no error";
            EXPECT_EQ(read.serial, "S") << c.devices;
            ASSERT_EQ(read.supplies.size(), 2u) << c.devices;
            EXPECT_EQ(read.supplies[0].index, 2u);
            EXPECT_EQ(read.supplies[0].levelState, LevelState::Other);
            EXPECT_EQ(read.supplies[1].colour, "") << "colorant 9 does not exist";
            ASSERT_EQ(read.alerts.size(), 1u) << c.devices;
            EXPECT_EQ(read.alerts[0].description, "Fuser");
            EXPECT_EQ(read.consoleLines, (std::vector<std::string>{"", "", "third"}));
            EXPECT_EQ(read.health, condition::Health::Ok);
        }
    }
}

// Agents that answer with error statuses, walk wrongly, or too much or nothing: every one
// gives a clear result in a bounded number of requests and keeps what could be read.
TEST(ConditionWalk, MisbehavingAgentsEndWithAClearResult) {
    using Setup = std::function<void(sim::Printer&)>;
    auto error = [](const sim::Oid& oid, int status) -> Setup {
        return [=](sim::Printer& p) { p.faults.errorStatusByOid[oid] = status; };
    };
    auto tables = [](std::function<void(ber::Message&)> change) -> drive::Tamper {
        return [=](const ber::Message& request, ber::Message& a) {
            if (request.pduType != SNMP_PDU_GET && !a.varbinds.empty()) {
                change(a);
            }
            return true;
        };
    };
    // Every Printer MIB value of the wrong type (text as INTEGER, numbers as text), or of its own
    // type but found unfit by the codec.
    auto retype = [](bool unfit) -> drive::Tamper {
        return [=](const ber::Message&, ber::Message& a) {
            for (ber::VarBind& vb : a.varbinds) {
                if (vb.name.size() > 7 && vb.name[6] == 43) {
                    vb.value.valid = !unfit;
                    if (!unfit) {
                        vb.value.tag =
                            vb.value.tag == ASN_OCTETSTRING ? ASN_INTEGER : ASN_OCTETSTRING;
                        vb.value.bytes.assign(1, 'x');
                    }
                }
            }
            return true;
        };
    };
    // The rows are still listed, their cells missing: nothing is made up.
    // Without sysName the rest is as it was.
    const char* const NO_NAME =
        R"("errors":["lowToner","jammed"],"serial":"VMK4C-000042",)"
        R"("model":"Vellumark CL-4400 series","name":null,"location":"2nd floor, east",)"
        R"("page_count":48213,)";
    const char* const BLANK =
        R"("serial":null,"model":"Vellumark CL-4400 series","name":"lab-colour-1",)"
        R"("location":"2nd floor, east","page_count":null,"power_on_count":null,)"
        R"("supplies":[{"index":1,"description":"","colour":null,"type":null,"class":null,)"
        R"("unit":null,"capacity":null,"level":null,"percent":null,"level_state":"unknown"},)";
    struct Case {
        const char* what;
        Setup setup;
        drive::Tamper tamper;
        const char* error;                         // a part of Condition::error; "" for none at all
        std::optional<condition::ReadError> kind;  // the kind of that error
        std::size_t supplies;
        const char* json;  // a part of the condition's JSON, FULL_JSON for all of it
    } cases[] = {
        {"sysName missing", [](sim::Printer& p) { p.profiles[0].objects.erase(mib::SYS_NAME); },
         nullptr, "", std::nullopt, 5, NO_NAME},
        {"GETBULK cut to fit",
         [](sim::Printer& p) { p.faults.maxMessageBytes = sim::MIN_MESSAGE_BYTES; }, nullptr, "",
         std::nullopt, 5, FULL_JSON},
        {"tooBig naming one scalar", error(mib::SYS_NAME, sim::TOO_BIG), nullptr, "", std::nullopt,
         5, NO_NAME},
        {"tooBig above 7 bindings", nullptr,
         tables([](ber::Message& a) { a.errorStatus = a.varbinds.size() > 7 ? sim::TOO_BIG : 0; }),
         "", std::nullopt, 5, FULL_JSON},
        {"tooBig naming one column", error(LEVELS, sim::TOO_BIG), nullptr,
         "answer too big at 1.3.6.1.2.1.43.11.1.1.9.1", ReadError::TooBig, 5, ""},
        {"genErr naming one column", error(LEVELS, sim::GEN_ERR), nullptr,
         "agent error genErr at 1.3.6.1.2.1.43.11.1.1.9.1", ReadError::AgentError, 5, ""},
        {"a table that never ends",
         [](sim::Printer& p) { p.faults.walk = sim::WalkFault::Endless; }, nullptr,
         "more than 256 rows at 1.3.6.1.2.1.43.11.1.1.9.1", ReadError::RowCap, 256, ""},
        // One column to a request, every column of the Printer MIB endless: far more requests
        // than a reading may send.
        {"more requests than a reading may send",
         [](sim::Printer& p) {
             p.faults.walk = sim::WalkFault::Endless;
             p.faults.walkSubtree = {1, 3, 6, 1, 2, 1, 43};
         },
         tables([](ber::Message& a) { a.errorStatus = a.varbinds.size() > 1 ? sim::TOO_BIG : 0; }),
         "more than 1000 requests", ReadError::RequestCap, 256, ""},
        {"a walk that goes backwards",
         [](sim::Printer& p) { p.faults.walk = sim::WalkFault::Backwards; }, nullptr,
         "walk did not advance at 1.3.6.1.2.1.43.11.1.1.9.1", ReadError::NotAdvancing, 5, ""},
        {"a walk that repeats", [](sim::Printer& p) { p.faults.walk = sim::WalkFault::Repeat; },
         nullptr, "walk did not advance at 1.3.6.1.2.1.43.11.1.1.9.1", ReadError::NotAdvancing, 5,
         ""},
        {"empty answers", nullptr, tables([](ber::Message& a) { a.varbinds.clear(); }),
         "empty answer", ReadError::NotAdvancing, 0, ""},
        {"thousands of bindings", nullptr,
         tables([](ber::Message& a) { a.varbinds.resize(4000, a.varbinds.front()); }), "",
         std::nullopt, 5, FULL_JSON},
        {"Printer MIB values of the wrong type", nullptr, retype(false), "", std::nullopt, 5,
         BLANK},
        {"Printer MIB values the codec found unfit", nullptr, retype(true), "", std::nullopt, 5,
         BLANK},
        {"silent after the device walk", nullptr,
         [n = 0](const ber::Message&, ber::Message&) mutable { return n++ < 1; },
         "timeout after 1 answers", ReadError::Timeout, 0, ""},
    };
    for (const Case& c : cases) {
        for (const SnmpVersion version : VERSIONS) {
            const std::string label =
                c.what + std::string(version == SnmpVersion::V1 ? " v1" : " v2c");
            sim::Printer printer = drive::FullPrinter();
            printer.faults.walkSubtree = LEVELS;  // where a walk fault applies
            if (c.setup) {
                c.setup(printer);
            }
            int requests = 0;
            const Condition read =
                drive::Drive(printer, version, drive::Tamper(c.tamper), &requests);
            EXPECT_TRUE(c.error[0] == '\0' ? read.error.empty()
                                           : read.error.find(c.error) != std::string::npos)
                << label << ": " << read.error;
            EXPECT_EQ(read.supplies.size(), c.supplies) << label;
            EXPECT_NE(condition::ConditionJson(read).find(c.json), std::string::npos) << label;
            EXPECT_EQ(read.errorKinds.empty(), !c.kind) << label;
            if (c.kind) {
                EXPECT_NE(std::find(read.errorKinds.begin(), read.errorKinds.end(), *c.kind),
                          read.errorKinds.end())
                    << label << ": " << condition::ReadErrorName(*c.kind);
            }
            EXPECT_LE(requests, c.kind == ReadError::RequestCap ? 1000 : 300) << label;
        }
    }
}

// What the printer does not have is null, never a number: columns it lacks, a capacity of 0
// (no percentage, whatever the level), trays' special levels kept as states as supplies'
// are, an error state and a serial never given.
TEST(ConditionWalk, WhatThePrinterLacksIsNullNeverANumber) {
    const sim::Printer printer = drive::PrinterOf(
        "1.3.6.1.2.1.43.11.1.1.8.1.1|2|0\n"  // supply 1: capacity 0, level 5, nothing else
        "1.3.6.1.2.1.43.11.1.1.9.1.1|2|5\n"
        "1.3.6.1.2.1.43.11.1.1.8.1.2|2|0\n"  // supply 2: 0 of 0
        "1.3.6.1.2.1.43.11.1.1.9.1.2|2|0\n"
        "1.3.6.1.2.1.43.8.2.1.10.1.1|2|-3\n"  // trays: the three special levels, a count
        "1.3.6.1.2.1.43.8.2.1.10.1.2|2|-2\n"
        "1.3.6.1.2.1.43.8.2.1.10.1.3|2|-1\n"
        "1.3.6.1.2.1.43.8.2.1.9.1.4|2|0\n"
        "1.3.6.1.2.1.43.8.2.1.10.1.4|2|7\n");
    const auto supply = [](const char* index, const char* level) {
        return std::string(R"({"index":)") + index +
               R"(,"description":"","colour":null,"type":null,"class":null,)" +
               R"("unit":null,"capacity":0,"level":)" + level +
               R"(,"percent":null,"level_state":"ok"})";
    };
    const auto tray = [](const char* index, const char* capacity, const char* level,
                         const char* state) {
        return std::string(R"({"index":)") + index + R"(,"name":"","media":"","capacity":)" +
               capacity + R"(,"level":)" + level + R"(,"level_state":")" + state +
               R"(","status":null})";
    };
    for (const SnmpVersion version : VERSIONS) {
        const Condition read = drive::Drive(printer, version);
        ASSERT_EQ(read.supplies.size(), 2u);
        EXPECT_FALSE(read.supplies[0].percent.has_value()) << "capacity 0: no percentage";
        EXPECT_FALSE(read.supplies[1].percent.has_value()) << "0 of 0: no percentage";
        EXPECT_EQ(condition::ConditionJson(read),
                  R"({"health":"ok","reasons":[],"complete":true,"error":null,)"
                  R"("device_status":null,"printer_status":null,"errors":null,"serial":null,)"
                  R"("model":null,"name":null,"location":null,"page_count":null,)"
                  R"("power_on_count":null,"supplies":[)" +
                      supply("1", "5") + "," + supply("2", "0") + R"(],"inputs":[)" +
                      tray("1", "null", "null", "some-remaining") + "," +
                      tray("2", "null", "null", "unknown") + "," +
                      tray("3", "null", "null", "other") + "," + tray("4", "0", "7", "ok") +
                      R"(],"alerts":[],"markers":[]})");
        const std::string text = condition::ConditionText(read);
        for (const char* line : {"    -         [                    ] 5 of 0  \n",
                                 "    #4        [                    ] 7 of 0  \n"}) {
            EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
        }
    }
}

TEST(ConditionRender, TextShowsHealthSuppliesTraysAlertsWithoutControls) {
    // A printer's text that would drive a terminal: ESC, a C1 CSI (as UTF-8), BEL, DEL.
    const std::string jam =
        "Jam\x1b[2J \xc2\x9b"
        "31m\x07\x7f!";
    sim::Printer printer = drive::FullPrinter();
    printer.profiles[0].objects[{1, 3, 6, 1, 2, 1, 43, 18, 1, 1, 8, 1, 1}].bytes.assign(jam.begin(),
                                                                                        jam.end());
    const Condition read = drive::Drive(printer, condition::SnmpVersion::V2c);
    const std::string text = condition::ConditionText(read);
    EXPECT_EQ(text,
              "Condition: critical (jammed, alert critical: jam, lowToner, device warning, "
              "alert warning: markerTonerAlmostEmpty, supply yellow toner at 4%)\n"
              "  Device warning, printer other, serial VMK4C-000042\n"
              "  Supplies:\n"
              "    black     [#############-------] 64.8%   Black Toner Cartridge\n"
              "    cyan      [######--------------] 28.2%   Cyan Toner Cartridge\n"
              "    magenta   [#########-----------] 45.0%   Magenta Toner Cartridge\n"
              "    yellow    [#-------------------] 4.0%    Yellow Toner Cartridge\n"
              "    -         [                    ] some-remaining  Waste Toner Box\n"
              "  Trays:\n"
              "    Tray 1    [##########----------] 50.0%   A4\n"
              "    Multipurpose tray [                    ] some-remaining  \n"
              "  Alerts:\n"
              "    critical  jam          Jam\xEF\xBF\xBD[2J \xEF\xBF\xBD"
              "31m\xEF\xBF\xBD\xEF\xBF\xBD!\n"
              "    warning   markerTonerAlmostEmpty Yellow toner low\n");
    Condition gone;
    gone.error = "timeout";
    condition::DeriveHealth(gone, 10);
    EXPECT_EQ(condition::ConditionText(gone), "Condition: unreachable (timeout)\n");
}

}  // namespace
