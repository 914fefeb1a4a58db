// Conditions set through control commands on the bundled profiles: every status object, the
// error bits, the alert rows and the console agree, as on a real printer, and `clear` gives back
// the printer exactly as loaded. Printed pages move the counters within their types and never
// take a level below empty, whatever one batch uses.
#include <gtest/gtest.h>

#include "snmp/printer_mib.h"
#include "tests/sim/printers.h"
#include "tools/printer-sim/live.h"

namespace sim {
namespace {

// A Printer MIB cell of device 1.
Oid Cell(const Oid& column, std::uint32_t index) {
    return mib::Append(column, {1, index});
}

// The status objects as "ERRORBITS DEVICE/PRINTER CONSOLE1 / MAKERS-STATUS", then each alert
// row as " [code/severity/group/groupIndex]"; " / MAKERS-STATUS" only when the printer has one.
std::string Status(const SimState& state) {
    const auto& objects = state.printers[0].profiles[0].objects;
    std::string shown;
    for (std::uint8_t octet :
         objects.at(mib::Append(mib::HR_PRINTER_DETECTED_ERROR_STATE, {1})).bytes) {
        shown += std::string(1, "0123456789abcdef"[octet >> 4]) + "0123456789abcdef"[octet & 15];
    }
    const std::string vendor = At(state, mib::VENDOR_STATUS);
    shown += " " + At(state, mib::Append(mib::HR_DEVICE_STATUS, {1})) + "/" +
             At(state, mib::Append(mib::HR_PRINTER_STATUS, {1})) + " " +
             At(state, Cell(mib::PRT_CONSOLE_TEXT, 1)) + (vendor == "(none)" ? "" : " / " + vendor);
    const Oid codes = mib::Append(mib::PRT_ALERT_ENTRY, {mib::ALERT_CODE, 1});
    for (auto at = objects.lower_bound(codes);
         at != objects.end() && mib::InSubtree(at->first, codes); ++at) {
        for (std::uint32_t column : {mib::ALERT_CODE, mib::ALERT_SEVERITY_LEVEL, mib::ALERT_GROUP,
                                     mib::ALERT_GROUP_INDEX}) {
            shown += (column == mib::ALERT_CODE ? " [" : "/") +
                     At(state, Cell(mib::Append(mib::PRT_ALERT_ENTRY, {column}), at->first.back()));
        }
        shown += "]";
    }
    return shown;
}

TEST(SimConditions, SetEveryStatusObjectConsistentlyAndClearRestoresTheProfile) {
    const struct {
        const char* profile;
        const char* commands;
        const char* status;
    } cases[] = {
        {"laser-mono", "door-open", "08 5/1 DOOR OPEN / DOOR OPEN [501/3/6/1]"},
        // One tray of two empty: a warning; both empty: no paper at all.
        {"laser-mono", "paper-out 2", "0004 3/3 TRAY 2 EMPTY / TRAY 2 EMPTY [808/4/8/2]"},
        {"laser-mono", "paper-out 1\npaper-out 2",
         "4004 5/1 TRAY 1 EMPTY / TRAY 1 EMPTY [808/3/8/1] [808/3/8/2]"},
        {"laser-mono", "toner 1 5", "20 3/3 BLACK TONER LOW / BLACK TONER LOW [1104/4/11/1]"},
        {"laser-mono", "toner 1 0", "10 5/1 BLACK TONER EMPTY / BLACK TONER EMPTY [1101/3/11/1]"},
        {"laser-mono", "toner 1 6", "00 2/3 Ready / READY"},
        {"laser-mono", "jam\njam off", "00 2/3 Ready / READY"},
        // No capacity: the level stays "some remaining", the alert follows the percentage.
        {"inkjet", "toner 2 4", "2000 3/3 CYAN INK LOW [1105/4/11/2]"},
        {"colour-laser", "toner 6 96", "0000 3/3 WASTE TONER ALMOST FULL [23/1/5/1] [1107/4/11/6]"},
        // New rows after the printer's own; the worst first on the console.
        {"colour-laser", "toner 4 3\njam",
         "2400 5/1 PAPER JAM [23/1/5/1] [1104/4/11/4] [8/3/13/1]"},
    };
    for (const auto& c : cases) {
        SimState state = Loaded(c.profile);
        const std::string loaded = Dump(state.printers[0].profiles[0]);
        ASSERT_EQ(ControlReply(c.commands, state).find("error"), std::string::npos) << c.commands;
        EXPECT_EQ(Status(state), c.status) << c.profile << ": " << c.commands;
        EXPECT_EQ(ExecuteControl("clear", state), "ok");
        EXPECT_EQ(Dump(state.printers[0].profiles[0]), loaded) << c.commands << " then clear";
    }
}

TEST(SimConditions, EmptyInputsAndAlertsKeepTheirPlaceAsOthersComeAndGo) {
    SimState state = Loaded("laser-mono");
    // The printer says it is offline (bit 6) before; its own bits stay set.
    ASSERT_EQ(
        ControlReply("set 1.3.6.1.2.1.25.3.5.1.2.1 4x 02\npaper-out 2\njam\njam off\ntoner 1 3",
                     state),
        "ok\nok\nok\nok\nok\n");
    // The tray keeps alert 1; the jam's row 2 is gone; the toner's is row 3.
    EXPECT_EQ(Status(state), "2204 3/3 TRAY 2 EMPTY / TRAY 2 EMPTY [808/4/8/2] [1104/4/11/1]");
    EXPECT_EQ(At(state, Cell(mib::Append(mib::PRT_ALERT_ENTRY, {mib::ALERT_CODE}), 3)), "1104");
    EXPECT_EQ(At(state, Cell(mib::PRT_INPUT_CURRENT_LEVEL, 2)), "0");
    EXPECT_EQ(At(state, Cell(mib::PRT_INPUT_STATUS, 2)),
              std::to_string(mib::SUBUNIT_NON_CRITICAL_ALERT));
    EXPECT_EQ(At(state, Cell(mib::PRT_INPUT_CURRENT_LEVEL, 1)), "-3");  // the other tray
    for (const char* refused : {"paper-out 7", "toner 9 10", "toner 1 101", "jam maybe"}) {
        EXPECT_EQ(ExecuteControl(refused, state).rfind("error: ", 0), 0u) << refused;
    }
}

TEST(SimLive, PagesMoveCountersWithinTheirTypesAndLevelsStayWithinEmptyAndFull) {
    SimState counters = Loaded(
        "1.3.6.1.2.1.1.3.0|67|4294967295\n1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967294\n"
        "1.3.6.1.2.1.43.10.2.1.5.1.1|2|2147483646\n");
    PrintPages(counters.printers[0], 5);
    AddUptime(counters.printers[0], 2);
    EXPECT_EQ(At(counters, mib::SYS_UP_TIME), "TimeTicks 1");                        // wraps
    EXPECT_EQ(At(counters, Cell(mib::PRT_MARKER_LIFE_COUNT, 1)), "Counter32 3");     // wraps
    EXPECT_EQ(At(counters, Cell(mib::PRT_MARKER_POWER_ON_COUNT, 1)), "2147483647");  // stops
    const struct {
        std::int64_t level;
        std::int64_t capacity;
        int supplyClass;
        std::uint64_t pages;
        const char* expected;
    } cases[] = {
        {3, 100, 3, 100, "0"},      // ten units used, three left: empty, not -7
        {3, 100, 3, 20, "1"},       // two units used
        {0, 100, 3, 1000, "0"},     // empty stays empty
        {-3, 100, 3, 1000, "-3"},   // -3 (some remaining) stays
        {95, 100, 4, 1000, "100"},  // a waste box fills up to its capacity, no further
        {40000, 50000, 4, 30, "40003"},
    };
    for (const auto& c : cases) {
        SimState state = Loaded("laser-mono");
        auto& objects = state.printers[0].profiles[0].objects;
        objects[Cell(mib::PRT_SUPPLIES_LEVEL, 1)].integer = c.level;
        objects[Cell(mib::PRT_SUPPLIES_MAX_CAPACITY, 1)].integer = c.capacity;
        objects[Cell(mib::PRT_SUPPLIES_CLASS, 1)].integer = c.supplyClass;
        PrintPages(state.printers[0], c.pages);
        EXPECT_EQ(At(state, Cell(mib::PRT_SUPPLIES_LEVEL, 1)), c.expected)
            << c.level << " after " << c.pages << " pages";
    }
    // Once conditions are on, a level that falls while printing raises its alert.
    SimState state = Loaded("laser-mono");
    ASSERT_EQ(ExecuteControl("toner 1 6", state), "ok");
    EXPECT_EQ(Status(state), "00 2/3 Ready / READY");
    for (int page = 0; page < 10; ++page) {  // one at a time, as the event loop prints them
        PrintPages(state.printers[0], 1);
    }
    EXPECT_EQ(Status(state), "20 3/3 BLACK TONER LOW / BLACK TONER LOW [1104/4/11/1]");
}

}  // namespace
}  // namespace sim
