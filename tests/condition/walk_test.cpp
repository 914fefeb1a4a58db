// The reading's exchanges against the in-process agent: the whole profile over v1 and v2c,
// the device index, the v1 fall-backs, and agents that misbehave in every way the reading
// must survive with a clear result and bounded work.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/snmpmgr/asn_types.h"
#include "snmp/printer_mib.h"
#include "tests/condition/fake_agent.h"

namespace {

using condition::Condition;
using condition::Health;
using condition::LevelState;
using condition::SnmpVersion;

fake::Agent FullPrinter() {
    fake::Agent agent;
    agent.Load(fake::FullPrinterProfile());
    return agent;
}

const std::string SUPPLY_LEVEL = "1.3.6.1.2.1.43.11.1.1.9.1.";

// Everything the profile holds, as the reading must give it back.
void ExpectFullPrinter(const Condition& c) {
    EXPECT_TRUE(c.answered);
    EXPECT_EQ(c.error, "");
    EXPECT_EQ(c.model, "Vellumark CL-4400 series");
    EXPECT_EQ(c.serial, "VMK4C-000042");
    EXPECT_EQ(c.name, "lab-colour-1");
    EXPECT_EQ(c.location, "2nd floor, east");
    EXPECT_EQ(c.uptimeTicks, 917344u);
    EXPECT_EQ(c.deviceStatus, 3);
    EXPECT_EQ(c.printerStatus, 1);
    EXPECT_EQ(c.errorBits, (1u << mib::ERROR_JAMMED) | (1u << mib::ERROR_LOW_TONER));
    EXPECT_EQ(c.vendorStatus, "JAM");
    EXPECT_EQ(c.consoleLines, (std::vector<std::string>{"Paper jam", "Open tray 2"}));
    ASSERT_EQ(c.supplies.size(), 5u);
    const char* colours[] = {"black", "cyan", "magenta", "yellow", ""};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(c.supplies[i].colour, colours[i]) << i;
    }
    EXPECT_EQ(c.supplies[3].level, 260);
    EXPECT_EQ(c.supplies[3].capacity, 6500);
    EXPECT_DOUBLE_EQ(*c.supplies[3].percent, 4.0);
    EXPECT_EQ(c.supplies[4].levelState, LevelState::SomeRemaining);
    EXPECT_FALSE(c.supplies[4].capacity.has_value()) << "-2 is unknown, not a capacity";
    EXPECT_FALSE(c.supplies[4].percent.has_value());
    ASSERT_EQ(c.inputs.size(), 2u);
    EXPECT_EQ(c.inputs[0].name, "Tray 1");
    EXPECT_EQ(c.inputs[0].media, "A4");
    EXPECT_EQ(c.inputs[0].level, 250);
    EXPECT_EQ(c.inputs[1].levelState, LevelState::SomeRemaining);
    ASSERT_EQ(c.alerts.size(), 2u);
    EXPECT_EQ(c.alerts[0].code, 8);
    EXPECT_EQ(c.alerts[0].description, "Paper jam in tray 2");
    ASSERT_EQ(c.markers.size(), 1u);
    EXPECT_EQ(c.markers[0].lifeCount, 48213u);
    EXPECT_EQ(c.markers[0].powerOnCount, 212u);
    EXPECT_EQ(c.health, Health::Critical);
    EXPECT_EQ(c.reasons,
              (std::vector<std::string>{"jammed", "alert critical: jam", "lowToner",
                                        "device warning", "alert warning: markerTonerAlmostEmpty",
                                        "supply yellow toner at 4%"}));
}

TEST(ConditionWalk, ReadsTheWholeProfileOverBothVersions) {
    int v1Requests = 0;
    int v2Requests = 0;
    ExpectFullPrinter(fake::Drive(FullPrinter(), SnmpVersion::V1, &v1Requests));
    ExpectFullPrinter(fake::Drive(FullPrinter(), SnmpVersion::V2c, &v2Requests));
    // v1: device walk 2, scalars 1, then one GETNEXT per row (5 supplies) and the column ends,
    // two PDUs a row for 23 columns. v2c's GETBULK takes the tables in a few exchanges.
    EXPECT_LE(v1Requests, 20);
    EXPECT_LE(v2Requests, 6);
}

TEST(ConditionWalk, DeviceIndexFromHrDeviceTable) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint32_t, std::string>> devices;  // index, hrDeviceType
        std::uint32_t expected;
    } cases[] = {
        {"no hrDeviceTable", {}, 1},
        {"printer second", {{1, "1.3.6.1.2.1.25.3.1.3"}, {3, "1.3.6.1.2.1.25.3.1.5"}}, 3},
        {"no printer row", {{1, "1.3.6.1.2.1.25.3.1.3"}, {2, "1.3.6.1.2.1.25.3.1.4"}}, 1},
    };
    for (const auto& c : cases) {
        for (const SnmpVersion version : {SnmpVersion::V1, SnmpVersion::V2c}) {
            fake::Agent agent;
            for (const auto& [index, type] : c.devices) {
                ber::Value oid;
                oid.tag = ASN_OBJECTIDENTIFIER;
                oid.oid = fake::ParseOid(type);
                agent.Set("1.3.6.1.2.1.25.3.2.1.2." + std::to_string(index), oid);
            }
            agent.Set("1.3.6.1.2.1.43.5.1.1.17." + std::to_string(c.expected), fake::Text("S"));
            agent.Set(
                SUPPLY_LEVEL.substr(0, SUPPLY_LEVEL.size() - 2) + std::to_string(c.expected) + ".1",
                fake::Integer(7));
            const Condition read = fake::Drive(agent, version);
            EXPECT_EQ(read.deviceIndex, c.expected) << c.what;
            EXPECT_EQ(read.serial, "S") << c.what;
            ASSERT_EQ(read.supplies.size(), 1u) << c.what;
            EXPECT_EQ(read.supplies[0].level, 7) << c.what;
        }
    }
}

// Agents that answer with error statuses: the reading asks again with fewer objects and
// loses only what the agent does not have.
TEST(ConditionWalk, ErrorStatusesMakeRequestsSmaller) {
    struct Case {
        const char* what;
        std::size_t maxAnswerBindings;
        const char* removed;  // an object the agent lacks
        SnmpVersion version;
    } cases[] = {
        {"v1 noSuchName in a GET", 100000, "1.3.6.1.2.1.1.5.0", SnmpVersion::V1},
        {"v1 tooBig above 3 bindings", 3, nullptr, SnmpVersion::V1},
        {"v2c tooBig above 7 bindings", 7, nullptr, SnmpVersion::V2c},
        {"v1 both", 2, "1.3.6.1.2.1.25.3.5.1.1.1", SnmpVersion::V1},
    };
    for (const Case& c : cases) {
        fake::Agent agent = FullPrinter();
        agent.maxAnswerBindings = c.maxAnswerBindings;
        if (c.removed != nullptr) {
            agent.objects.erase(fake::ParseOid(c.removed));
        }
        Condition read = fake::Drive(agent, c.version);
        EXPECT_EQ(read.error, "") << c.what;
        if (c.removed == nullptr) {
            ExpectFullPrinter(read);
        } else {
            EXPECT_EQ(read.supplies.size(), 5u) << c.what;
            EXPECT_EQ(read.serial, "VMK4C-000042") << c.what;
            EXPECT_EQ(read.vendorStatus, "JAM") << c.what;
        }
    }
}

// Agents that misbehave: every one gives a clear result in a bounded number of requests, and
// keeps what could be read.
TEST(ConditionWalk, MisbehavingAgentsEndWithAClearResult) {
    using Tamper = std::function<void(const ber::Message&, ber::Message&)>;
    const auto levels = fake::ParseOid(SUPPLY_LEVEL.substr(0, SUPPLY_LEVEL.size() - 1));
    // The answer's binding for supply row `row`, renamed to row `to`.
    auto rename = [levels](std::uint32_t row, std::uint32_t to) -> Tamper {
        return [levels, row, to](const ber::Message&, ber::Message& a) {
            auto named = levels;
            named.push_back(row);
            for (ber::VarBind& vb : a.varbinds) {
                if (vb.name == named) {
                    vb.name.back() = to;
                }
            }
        };
    };
    struct Case {
        const char* what;
        Tamper tamper;
        std::uint32_t extraRows;  // supply-level rows added past the profile's
        const char* error;        // substring of Condition::error
        std::size_t supplies;
    } cases[] = {
        {"a table that never ends", nullptr, 5000,
         "more than 256 rows at 1.3.6.1.2.1.43.11.1.1.9.1", 256},
        {"a walk that goes backwards", rename(3, 1), 0,
         "walk did not advance at 1.3.6.1.2.1.43.11.1.1.9.1.1", 5},
        {"a walk that repeats", rename(3, 2), 0,
         "walk did not advance at 1.3.6.1.2.1.43.11.1.1.9.1.2", 5},
        {"an empty answer",
         [](const ber::Message& r, ber::Message& a) {
             if (r.pduType != SNMP_PDU_GET) {
                 a.varbinds.clear();
             }
         },
         0, "empty answer", 0},
        {"thousands of bindings",
         [](const ber::Message& r, ber::Message& a) {
             if (r.pduType != SNMP_PDU_GET && !a.varbinds.empty()) {
                 a.varbinds.resize(4000, a.varbinds.front());
             }
         },
         0, "", 5},
        {"genErr for one column",
         [levels](const ber::Message& r, ber::Message& a) {
             for (std::size_t i = 0; i < r.varbinds.size(); ++i) {
                 if (r.pduType != SNMP_PDU_GET && r.varbinds[i].name == levels) {
                     a.errorStatus = SNMP_ERRORSTATUS_GENERR;
                     a.errorIndex = static_cast<std::int32_t>(i + 1);
                 }
             }
         },
         0, "agent error genErr at 1.3.6.1.2.1.43.11.1.1.9.1", 5},
    };
    for (const Case& c : cases) {
        for (const SnmpVersion version : {SnmpVersion::V1, SnmpVersion::V2c}) {
            fake::Agent agent = FullPrinter();
            agent.tamper = c.tamper;
            for (std::uint32_t row = 6; row < 6 + c.extraRows; ++row) {
                agent.Set(SUPPLY_LEVEL + std::to_string(row), fake::Integer(row));
            }
            int requests = 0;
            const Condition read = fake::Drive(agent, version, &requests);
            const std::string label =
                std::string(c.what) + (version == SnmpVersion::V1 ? " (v1)" : " (v2c)");
            EXPECT_TRUE(read.answered) << label;
            EXPECT_NE(read.error.find(c.error), std::string::npos) << label << ": " << read.error;
            EXPECT_EQ(read.supplies.size(), c.supplies) << label;
            EXPECT_LE(requests, 300) << label;
            EXPECT_EQ(read.model, "Vellumark CL-4400 series") << label << ": scalars kept";
        }
    }
}

// Every column of every table with a value of the wrong type, or one the codec found unfit
// for its tag: the rows are still listed, the cells are missing, nothing is made up.
TEST(ConditionWalk, WrongTypesAreMissingCells) {
    for (const bool invalid : {false, true}) {
        fake::Agent agent = FullPrinter();
        for (auto& [name, value] : agent.objects) {
            if (name.size() > 7 && name[6] == 43) {
                const bool wasText = value.tag == ASN_OCTETSTRING;
                value = wasText ? fake::Integer(1) : fake::Text("x");
                value.valid = !invalid;
            }
        }
        const Condition read = fake::Drive(agent, SnmpVersion::V2c);
        ASSERT_EQ(read.supplies.size(), 5u) << invalid;
        for (const auto& supply : read.supplies) {
            EXPECT_EQ(supply.description, "");
            EXPECT_EQ(supply.colour, "");
            EXPECT_FALSE(supply.level.has_value());
            EXPECT_EQ(supply.levelState, LevelState::Unknown);
        }
        ASSERT_EQ(read.markers.size(), 1u);
        EXPECT_FALSE(read.markers[0].lifeCount.has_value());
        EXPECT_EQ(read.serial, "");
        EXPECT_EQ(read.alerts.size(), 2u);
        EXPECT_EQ(read.alerts[0].severity, 0);
    }
}

// Rows with missing columns: a supply with only a level, an alert with only a description.
TEST(ConditionWalk, RowsWithMissingColumns) {
    fake::Agent agent;
    agent.Set(SUPPLY_LEVEL + "2", fake::Integer(-1));
    agent.Set("1.3.6.1.2.1.43.11.1.1.3.1.3", fake::Integer(9));  // colorant 9 does not exist
    agent.Set("1.3.6.1.2.1.43.18.1.1.8.1.4", fake::Text("Fuser"));
    agent.Set("1.3.6.1.2.1.43.16.5.1.2.1.3", fake::Text("third line"));
    const Condition read = fake::Drive(agent, SnmpVersion::V1);
    ASSERT_EQ(read.supplies.size(), 2u);
    EXPECT_EQ(read.supplies[0].index, 2u);
    EXPECT_EQ(read.supplies[0].levelState, LevelState::Other);
    EXPECT_EQ(read.supplies[1].colour, "");
    ASSERT_EQ(read.alerts.size(), 1u);
    EXPECT_EQ(read.alerts[0].description, "Fuser");
    EXPECT_EQ(read.consoleLines, (std::vector<std::string>{"", "", "third line"}));
    EXPECT_EQ(read.health, Health::Ok);
}

}  // namespace
