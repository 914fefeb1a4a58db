// Conditions set through control commands on the bundled profiles: every status object, the
// error bits, the alert rows and the console agree, as on a real printer, and `clear` gives back
// the printer exactly as loaded. Live printing never takes a level below empty, whatever one
// batch of pages uses; a fleet's printers differ from each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "snmp/printer_mib.h"
#include "tools/printer-sim/control.h"
#include "tools/printer-sim/fleet.h"
#include "tools/printer-sim/live.h"

namespace sim {
namespace {

SimState Load(const std::string& name) {
    SimState state;
    Profile profile;
    profile.community = "orchid";
    std::vector<std::string> errors;
    EXPECT_TRUE(
        LoadProfileFile(std::string(VM_SIM_PROFILE_DIR) + "/" + name + ".snmprec", profile, errors))
        << name;
    state.printers.emplace_back().profiles.push_back(profile);
    return state;
}

// ber::Value has no ==: the codec is shared and kept as it is.
bool Same(const std::map<Oid, ber::Value>& a, const std::map<Oid, ber::Value>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first && x.second.tag == y.second.tag &&
               x.second.integer == y.second.integer && x.second.bytes == y.second.bytes &&
               x.second.oid == y.second.oid && x.second.valid == y.second.valid;
    });
}

const std::map<Oid, ber::Value>& Objects(const SimState& state) {
    return state.printers[0].profiles[0].objects;
}

std::int64_t IntegerAt(const SimState& state, const Oid& oid) {
    auto found = Objects(state).find(oid);
    return found == Objects(state).end() ? -999 : found->second.integer;
}

// A Printer MIB cell of device 1.
std::int64_t Integer(const SimState& state, const Oid& column, std::uint32_t index) {
    return IntegerAt(state, mib::Append(column, {1, index}));
}

std::string Text(const SimState& state, const Oid& oid) {
    auto found = Objects(state).find(oid);
    return found == Objects(state).end()
               ? "(none)"
               : std::string(found->second.bytes.begin(), found->second.bytes.end());
}

// Every alert row as "code/severity/group/groupIndex", in index order.
std::vector<std::string> Alerts(const SimState& state) {
    std::vector<std::string> rows;
    const Oid codes = mib::Append(mib::PRT_ALERT_ENTRY, {mib::ALERT_CODE, 1});
    for (auto at = Objects(state).lower_bound(codes);
         at != Objects(state).end() && mib::InSubtree(at->first, codes); ++at) {
        auto cell = [&](std::uint32_t column) {
            return std::to_string(
                Integer(state, mib::Append(mib::PRT_ALERT_ENTRY, {column}), at->first.back()));
        };
        rows.push_back(cell(mib::ALERT_CODE) + "/" + cell(mib::ALERT_SEVERITY_LEVEL) + "/" +
                       cell(mib::ALERT_GROUP) + "/" + cell(mib::ALERT_GROUP_INDEX));
    }
    return rows;
}

TEST(Conditions, SetEveryStatusObjectConsistentlyAndClearRestoresTheProfile) {
    const Oid errorState = mib::Append(mib::HR_PRINTER_DETECTED_ERROR_STATE, {1});
    const struct {
        const char* profile;
        std::vector<std::string> commands;
        std::vector<std::uint8_t> errorBits;
        int deviceStatus;
        int printerStatus;
        std::vector<std::string> alerts;
        std::string console1;
    } cases[] = {
        {"laser-mono", {"jam"}, {0x04}, 5, 1, {"8/3/13/1"}, "PAPER JAM"},
        {"laser-mono", {"door-open"}, {0x08}, 5, 1, {"501/3/6/1"}, "DOOR OPEN"},
        // One tray of two empty: a warning; both empty: no paper at all.
        {"laser-mono", {"paper-out 2"}, {0x00, 0x04}, 3, 3, {"808/4/8/2"}, "TRAY 2 EMPTY"},
        {"laser-mono",
         {"paper-out 1", "paper-out 2"},
         {0x40, 0x04},
         5,
         1,
         {"808/3/8/1", "808/3/8/2"},
         "TRAY 1 EMPTY"},
        {"laser-mono", {"toner 1 5"}, {0x20}, 3, 3, {"1104/4/11/1"}, "BLACK TONER LOW"},
        {"laser-mono", {"toner 1 0"}, {0x10}, 5, 1, {"1101/3/11/1"}, "BLACK TONER EMPTY"},
        {"laser-mono", {"toner 1 6"}, {0x00}, 2, 3, {}, "Ready"},
        {"laser-mono", {"jam", "jam off"}, {0x00}, 2, 3, {}, "Ready"},
        // No capacity: the level stays "some remaining", the alert follows the percentage.
        {"inkjet", {"toner 2 4"}, {0x20, 0x00}, 3, 3, {"1105/4/11/2"}, "CYAN INK LOW"},
        {"colour-laser",
         {"toner 6 96"},
         {0x00, 0x00},
         3,
         3,
         {"23/1/5/1", "1107/4/11/6"},
         "WASTE TONER ALMOST FULL"},
        // New rows after the printer's own; the worst first on the console.
        {"colour-laser",
         {"toner 4 3", "jam"},
         {0x24, 0x00},
         5,
         1,
         {"23/1/5/1", "1104/4/11/4", "8/3/13/1"},
         "PAPER JAM"},
    };
    for (const auto& c : cases) {
        SimState state = Load(c.profile);
        const std::map<Oid, ber::Value> loaded = Objects(state);
        std::string trace = std::string(c.profile) + ":";
        for (const std::string& command : c.commands) {
            trace += " " + command;
            ASSERT_EQ(ExecuteControl(command, state), "ok") << trace;
        }
        EXPECT_EQ(Objects(state).at(errorState).bytes, c.errorBits) << trace;
        EXPECT_EQ(IntegerAt(state, mib::Append(mib::HR_DEVICE_STATUS, {1})), c.deviceStatus)
            << trace;
        EXPECT_EQ(IntegerAt(state, mib::Append(mib::HR_PRINTER_STATUS, {1})), c.printerStatus)
            << trace;
        EXPECT_EQ(Alerts(state), c.alerts) << trace;
        EXPECT_EQ(Text(state, mib::Append(mib::PRT_CONSOLE_TEXT, {1, 1})), c.console1) << trace;
        if (loaded.count(mib::VENDOR_STATUS) != 0) {
            EXPECT_EQ(Text(state, mib::VENDOR_STATUS), c.alerts.empty() ? "READY" : c.console1)
                << trace;
        }
        EXPECT_EQ(ExecuteControl("clear", state), "ok");
        EXPECT_TRUE(Same(Objects(state), loaded)) << trace << " then clear";
    }
}

TEST(Conditions, EmptyInputsAndAlertsKeepTheirPlaceAsOthersComeAndGo) {
    SimState state = Load("laser-mono");
    for (const char* command : {"paper-out 2", "jam", "jam off", "toner 1 3"}) {
        ASSERT_EQ(ExecuteControl(command, state), "ok") << command;
    }
    // The tray keeps alert 1 and its time; the jam's row 2 is gone; the toner's is row 3.
    EXPECT_EQ(Integer(state, mib::Append(mib::PRT_ALERT_ENTRY, {mib::ALERT_CODE}), 1), 808);
    EXPECT_EQ(Integer(state, mib::Append(mib::PRT_ALERT_ENTRY, {mib::ALERT_CODE}), 2), -999);
    EXPECT_EQ(Integer(state, mib::Append(mib::PRT_ALERT_ENTRY, {mib::ALERT_CODE}), 3), 1104);
    EXPECT_EQ(Integer(state, mib::PRT_INPUT_CURRENT_LEVEL, 2), 0);
    EXPECT_EQ(Integer(state, mib::PRT_INPUT_STATUS, 2), mib::SUBUNIT_NON_CRITICAL_ALERT);
    EXPECT_EQ(Integer(state, mib::PRT_INPUT_CURRENT_LEVEL, 1), -3);  // the other tray as it was
    for (const char* refused : {"paper-out 7", "toner 9 10", "toner 1 101", "jam maybe"}) {
        EXPECT_EQ(ExecuteControl(refused, state).rfind("error: ", 0), 0u) << refused;
    }
}

TEST(Live, LevelsStayWithinEmptyAndFullWhateverOneBatchOfPagesUses) {
    const struct {
        std::int64_t level;
        std::int64_t capacity;
        int supplyClass;
        std::uint64_t pages;
        std::int64_t expected;
    } cases[] = {
        {3, 100, 3, 100, 0},      // ten units used, three left: empty, not -7
        {3, 100, 3, 20, 1},       // two units used
        {0, 100, 3, 1000, 0},     // empty stays empty
        {-3, 100, 3, 1000, -3},   // -3 (some remaining) stays
        {95, 100, 4, 1000, 100},  // a waste box fills up to its capacity, no further
        {40000, 50000, 4, 30, 40003},
    };
    for (const auto& c : cases) {
        SimState state = Load("laser-mono");
        auto& objects = state.printers[0].profiles[0].objects;
        objects[mib::Append(mib::PRT_SUPPLIES_LEVEL, {1, 1})].integer = c.level;
        objects[mib::Append(mib::PRT_SUPPLIES_MAX_CAPACITY, {1, 1})].integer = c.capacity;
        objects[mib::Append(mib::PRT_SUPPLIES_CLASS, {1, 1})].integer = c.supplyClass;
        PrintPages(state.printers[0], c.pages);
        EXPECT_EQ(Integer(state, mib::PRT_SUPPLIES_LEVEL, 1), c.expected)
            << c.level << " after " << c.pages << " pages";
    }
    // Once conditions are on, a level that falls while printing raises its alert.
    SimState state = Load("laser-mono");
    ASSERT_EQ(ExecuteControl("toner 1 6", state), "ok");
    EXPECT_TRUE(Alerts(state).empty());
    PrintPages(state.printers[0], 10);
    EXPECT_EQ(Alerts(state), std::vector<std::string>{"1104/4/11/1"});
}

TEST(Fleet, PrinterZeroIsTheProfileOthersDifferWithLevelsInRange) {
    const SimState one = Load("colour-laser");
    std::vector<Printer> fleet = MakeFleet(one.printers[0].profiles, 3);
    EXPECT_TRUE(Same(fleet[0].profiles[0].objects, Objects(one)));
    std::set<std::int64_t> lifeCounts;
    for (Printer& printer : fleet) {
        SimState state;
        state.printers.push_back(printer);
        lifeCounts.insert(Integer(state, mib::PRT_MARKER_LIFE_COUNT, 1));
        for (std::uint32_t supply = 1; supply <= 6; ++supply) {
            EXPECT_GE(Integer(state, mib::PRT_SUPPLIES_LEVEL, supply), 0);
            EXPECT_LE(Integer(state, mib::PRT_SUPPLIES_LEVEL, supply),
                      Integer(state, mib::PRT_SUPPLIES_MAX_CAPACITY, supply));
        }
    }
    EXPECT_EQ(lifeCounts.size(), 3u);
}

}  // namespace
}  // namespace sim
