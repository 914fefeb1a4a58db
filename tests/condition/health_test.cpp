// The health rules, rule by rule, and the README's table against the code's.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "condition/health.h"

namespace {

using condition::Condition;
using condition::Health;

// Supplies and alerts as aggregates: {index, marker, description, colour, type, class, unit,
// capacity, level, level state, percent}; {index, severity, training, group, group index, code,
// description}.
TEST(ConditionHealth, RulesGiveHealthAndReasons) {
    using condition::LevelState;
    const std::vector<condition::Supply> supplies = {
        {1, 1, "", "black", 3, 3, 7, 100, 10, LevelState::Ok, 10.0},
        {2, 1, "", "cyan", 3, 3, 7, 100, 11, LevelState::Ok, 11.0},
        {3, 1, "Drum", "", 3, 3, 7, 100, 3, LevelState::Ok, 3.0},
        {4, 1, "", "", 4, 4, 7, 100, 90, LevelState::Ok, 90.0},
        {5, 1, "", "", 4, 4, 7, 100, 89, LevelState::Ok, 89.0}};
    struct Case {
        const char* what;
        std::function<void(Condition&)> set;  // on a printer that answered, device running
        double threshold;
        Health health;
        std::vector<std::string> reasons;
    } cases[] = {
        {"no answer",
         [](Condition& c) {
             c = Condition{};
             c.error = "timeout";
         },
         10,
         Health::Unreachable,
         {"timeout"}},
        {"a reading that stopped early is never ok",
         [](Condition& c) { c.error = "timeout after 7 answers"; },
         10,
         Health::Warning,
         {"incomplete reading: timeout after 7 answers"}},
        {"what it did read still counts",
         [](Condition& c) {
             c.errorBits = 1u << mib::ERROR_JAMMED;
             c.error = "deadline passed";
         },
         10,
         Health::Critical,
         {"jammed", "incomplete reading: deadline passed"}},
        {"bits, critical first",
         [](Condition& c) {
             c.errorBits = (1u << mib::ERROR_JAMMED) | (1u << mib::ERROR_LOW_PAPER) |
                           (1u << mib::ERROR_DOOR_OPEN);
         },
         10,
         Health::Critical,
         {"jammed", "doorOpen", "lowPaper"}},
        {"device down",
         [](Condition& c) { c.deviceStatus = 5; },
         10,
         Health::Critical,
         {"device down"}},
        {"alerts: code name, else description; repeats once; severity other is no rule",
         [](Condition& c) {
             c.alerts = {{1, 4, 0, 0, 0, 1104, ""},
                         {2, 3, 0, 0, 0, 8, "Jam in tray 2"},
                         {3, 3, 0, 0, 0, 8, "Jam in tray 3"},
                         {4, 4, 0, 0, 0, 77777, "Fuser warm"},
                         {5, 1, 0, 0, 0, 8, ""}};
         },
         10,
         Health::Critical,
         {"alert critical: jam", "alert warning: markerTonerAlmostEmpty",
          "alert warning: Fuser warm"}},
        {"supplies at or below the threshold; a receptacle by its room",
         [&](Condition& c) { c.supplies = supplies; },
         10,
         Health::Warning,
         {"supply black toner at 10%", "supply Drum at 3%", "supply wasteToner at 90% full"}},
        {"threshold settable", [&](Condition& c) { c.supplies = supplies; }, 2.5, Health::Ok, {}},
        {"no percent, no rule; 33.3 to a tenth",
         [&](Condition& c) {
             c.supplies = {supplies[0], supplies[0]};
             c.supplies[0].percent.reset();  // a level without a usable capacity
             c.supplies[1].percent = 100.0 / 3;
         },
         40,
         Health::Warning,
         {"supply black toner at 33.3%"}},
    };
    for (const Case& c : cases) {
        Condition condition;
        condition.answered = true;
        condition.deviceStatus = 2;
        c.set(condition);
        condition::DeriveHealth(condition, c.threshold);
        EXPECT_EQ(condition.health, c.health) << c.what;
        EXPECT_EQ(condition.reasons, c.reasons) << c.what;
    }
}

// The README documents the rules: each rule's reason and health is in its table.
TEST(ConditionHealth, ReadmeTableMatchesTheCode) {
    std::ifstream file(VM_CONDITION_SOURCE_DIR "/README.md");
    ASSERT_TRUE(file) << "condition/README.md";
    std::stringstream text;
    text << file.rdbuf();
    const std::string readme = text.str();
    for (const condition::HealthRule& rule : condition::HEALTH_RULES) {
        const std::string row =
            std::string("| `") + rule.reason + "` | " + condition::HealthName(rule.health) + " |";
        EXPECT_NE(readme.find(row), std::string::npos) << "missing row ending: " << row;
    }
}

}  // namespace
