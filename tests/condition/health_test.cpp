// The health rules, rule by rule, and the README's table against the code's.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "condition/health.h"

namespace {

using condition::Condition;
using condition::Health;

Condition Answered() {
    Condition c;
    c.answered = true;
    c.deviceStatus = 2;
    return c;
}

condition::Supply Toner(const char* colour, int level, int capacity, int supplyClass = 3) {
    condition::Supply s;
    s.colour = colour;
    s.type = supplyClass == 4 ? 4 : 3;
    s.supplyClass = supplyClass;
    s.level = level;
    s.capacity = capacity;
    s.levelState = condition::LevelState::Ok;
    s.percent = 100.0 * level / capacity;
    return s;
}

condition::Alert AlertOf(int severity, int code, const char* description) {
    condition::Alert a;
    a.severity = severity;
    a.code = code;
    a.description = description;
    return a;
}

TEST(ConditionHealth, RulesGiveHealthAndReasons) {
    struct Case {
        const char* what;
        Condition condition;
        double threshold;
        Health health;
        std::vector<std::string> reasons;
    };
    std::vector<Case> cases;
    cases.push_back({"all well", Answered(), 10, Health::Ok, {}});
    {
        Condition c;
        c.error = "timeout";
        cases.push_back({"no answer", c, 10, Health::Unreachable, {"timeout"}});
    }
    {
        Condition c = Answered();
        c.errorBits =
            (1u << mib::ERROR_JAMMED) | (1u << mib::ERROR_LOW_PAPER) | (1u << mib::ERROR_DOOR_OPEN);
        cases.push_back(
            {"bits, critical first", c, 10, Health::Critical, {"jammed", "doorOpen", "lowPaper"}});
    }
    {
        Condition c = Answered();
        c.deviceStatus = 5;
        cases.push_back({"device down", c, 10, Health::Critical, {"device down"}});
        c.deviceStatus = 3;
        cases.push_back({"device warning", c, 10, Health::Warning, {"device warning"}});
    }
    {
        Condition c = Answered();
        c.alerts = {AlertOf(4, 1104, ""), AlertOf(3, 8, "Jam in tray 2"),
                    AlertOf(3, 8, "Jam in tray 3"), AlertOf(4, 77777, "Fuser is warm"),
                    AlertOf(1, 8, "")};
        cases.push_back({"alerts: code name, else description; repeats once",
                         c,
                         10,
                         Health::Critical,
                         {"alert critical: jam", "alert warning: markerTonerAlmostEmpty",
                          "alert warning: Fuser is warm"}});
    }
    {
        Condition c = Answered();
        c.supplies = {Toner("black", 10, 100), Toner("cyan", 11, 100), Toner("", 3, 100),
                      Toner("", 96, 100, 4), Toner("", 89, 100, 4)};
        c.supplies[2].description = "Drum";
        cases.push_back(
            {"supplies at or below the threshold; a receptacle by its room",
             c,
             10,
             Health::Warning,
             {"supply black toner at 10%", "supply Drum at 3%", "supply wasteToner at 96% full"}});
        cases.push_back({"threshold settable", c, 2.5, Health::Ok, {}});
    }
    {
        Condition c = Answered();
        c.supplies = {Toner("yellow", 1, 3)};
        c.supplies[0].percent.reset();  // level without a usable capacity: no percent
        c.supplies.push_back(Toner("black", 1, 3));
        cases.push_back({"no percent, no rule; 33.3 to a tenth",
                         c,
                         40,
                         Health::Warning,
                         {"supply black toner at 33.3%"}});
    }
    for (Case& c : cases) {
        condition::DeriveHealth(c.condition, c.threshold);
        EXPECT_EQ(c.condition.health, c.health) << c.what;
        EXPECT_EQ(c.condition.reasons, c.reasons) << c.what;
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
