// Reasons in words: each condition as the simulator and real printers present it (error bits,
// an alert row, a supply's level, the device's status together), its health derived by the
// rules, reads as a person would say it, once, with every rule's reason among the MIB names
// kept for its tooltip.
#include <gtest/gtest.h>

#include "condition/health.h"
#include "exporter/reason_words.h"

namespace exporter {
namespace {

using condition::Alert;
using condition::Condition;
using condition::LevelState;
using condition::Supply;

constexpr std::int32_t TONER = 3, WASTE_TONER = 4, OPC = 9, CONSUMED = 3, RECEPTACLE = 4;

Supply Toner(std::uint32_t index, const char* colour, double percent) {
    return {index, 1,   std::string(colour) + " Toner",     colour,         TONER,  CONSUMED,
            7,     100, static_cast<std::int32_t>(percent), LevelState::Ok, percent};
}

Condition Answered(std::uint32_t bits, std::int32_t deviceStatus) {
    Condition c;
    c.answered = true;
    c.errorBits = bits;
    c.deviceStatus = deviceStatus;
    c.inputs = {{1, "Tray 1", "A4", 250, 100, LevelState::Ok, 0},
                {2, "Tray 2", "A4", 500, 0, LevelState::Ok, 8}};
    return c;
}

TEST(ReasonWords, AsAPersonSaysIt) {
    const std::uint32_t jammed = 1u << mib::ERROR_JAMMED, noToner = 1u << mib::ERROR_NO_TONER,
                        lowToner = 1u << mib::ERROR_LOW_TONER,
                        trayEmpty = 1u << mib::ERROR_INPUT_TRAY_EMPTY;
    struct Case {
        const char* name;
        Condition condition;
        std::vector<std::string> words;
    } cases[] = {
        {"jam: bit, alert and device down say one thing",
         [&] {
             Condition c = Answered(jammed, 5);
             c.alerts = {{1, 3, 3, 13, 1, 8, "PAPER JAM"}};
             return c;
         }(),
         {"paper jam"}},
        {"low toner named by its colour and level",
         [&] {
             Condition c = Answered(lowToner, 3);
             c.supplies = {Toner(1, "black", 60), Toner(4, "yellow", 4)};
             c.alerts = {{1, 4, 3, 11, 4, 1104, "YELLOW TONER LOW"}};
             return c;
         }(),
         {"toner low: yellow 4%"}},
        {"two supplies low, each named",
         [&] {
             Condition c = Answered(0, 2);
             c.supplies = {Toner(2, "cyan", 3), Toner(4, "yellow", 4)};
             return c;
         }(),
         {"toner low: cyan 3%", "toner low: yellow 4%"}},
        {"empty toner",
         [&] {
             Condition c = Answered(noToner, 5);
             c.supplies = {Toner(1, "black", 0)};
             c.alerts = {{1, 3, 3, 11, 1, 1101, "BLACK TONER EMPTY"}};
             return c;
         }(),
         {"toner empty: black 0%"}},
        {"drum and waste box, without colours",
         [&] {
             Condition c = Answered(0, 3);
             c.supplies = {
                 {5, 1, "Drum Unit DR-431CL", "", OPC, CONSUMED, 7, 100, 6, LevelState::Ok, 6.0},
                 {6, 1, "Waste Toner Box", "", WASTE_TONER, RECEPTACLE, 7, 100, 97, LevelState::Ok,
                  97.0}};
             c.alerts = {{1, 4, 4, 11, 5, 1111, ""}};
             return c;
         }(),
         {"drum near end of life: 6%", "waste toner nearly full: 97%"}},
        {"an empty tray by its name",
         [&] {
             Condition c = Answered(trayEmpty, 3);
             c.alerts = {{1, 4, 3, 8, 2, 808, "TRAY 2 EMPTY"}};
             return c;
         }(),
         {"tray empty: Tray 2"}},
        {"codes the words do not know: spelt out, or the printer's description",
         [&] {
             Condition c = Answered(0, 5);
             c.alerts = {{1, 3, 3, 10, 1, 33, ""}, {2, 4, 3, 10, 1, 40019, "Fuser warm"}};
             return c;
         }(),
         {"subunit motor failure", "Fuser warm"}},
        {"the device's status alone", Answered(0, 5), {"printer down"}},
        {"nothing wrong", Answered(0, 2), {}},
    };
    for (Case& c : cases) {
        condition::DeriveHealth(c.condition, 10);
        std::vector<std::string> words;
        std::string names;  // every word's MIB names, for its tooltip
        for (const ReasonWords& reason : ReadableReasons(c.condition)) {
            words.push_back(reason.text);
            EXPECT_FALSE(reason.mib.empty()) << c.name << ": " << reason.text;
            names += reason.mib + "\n";
        }
        EXPECT_EQ(words, c.words) << c.name;
        // The MIB's names stay with the words: every reason the rules gave is in some tooltip.
        for (const std::string& reason : c.condition.reasons) {
            EXPECT_NE(names.find(reason), std::string::npos) << c.name << ": " << reason;
        }
    }
}

}  // namespace
}  // namespace exporter
