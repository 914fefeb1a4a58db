// The notification rules as sequences of readings: for each reading, what the desktop says.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "condition/notifications.h"

namespace {

using condition::NoticeLevel;

// A reading as the rules see it: answered or not, read whole or not, and the health's reasons
// as the health table writes them.
struct Reading {
    bool answered = true;
    bool complete = true;
    std::vector<std::string> reasons{};
};
const Reading UNREACHABLE{false, false, {}};

condition::Condition ConditionOf(const Reading& reading) {
    condition::Condition c;
    c.answered = reading.answered;
    c.error = reading.complete ? "" : "timeout after 7 answers";
    c.reasons = reading.reasons;
    return c;
}

// "error: Paper jam | info: Cleared: door open", "" for nothing said.
std::string Said(const std::vector<condition::Notice>& notices) {
    static const char* const LEVELS[] = {"info", "warning", "error"};
    std::string said;
    for (const condition::Notice& notice : notices) {
        said += (said.empty() ? "" : " | ") + std::string(LEVELS[static_cast<int>(notice.level)]) +
                ": " + notice.text;
    }
    return said;
}

TEST(Notifications, SequencesOfReadings) {
    const std::string incomplete = "incomplete reading: timeout after 7 answers";
    const struct {
        const char* name;
        std::vector<Reading> readings;
        std::vector<std::string> said;  // one per reading
    } cases[] = {
        {"a jam is said once",
         {{}, {true, true, {"jammed"}}, {true, true, {"jammed"}}},
         {"", "error: Paper jam", ""}},
        {"a printer jammed at start-up is said at once",
         {{true, true, {"jammed"}}},
         {"error: Paper jam"}},
        {"cleared, once",
         {{true, true, {"jammed"}}, {}, {}},
         {"error: Paper jam", "info: Cleared: paper jam", ""}},
        {"said again only after it cleared and came back",
         {{true, true, {"jammed"}}, {}, {true, true, {"jammed"}}},
         {"error: Paper jam", "info: Cleared: paper jam", "error: Paper jam"}},
        {"a supply's percentage moving is the same reason",
         {{true, true, {"supply yellow toner at 5.2%"}},
          {true, true, {"supply yellow toner at 4%"}},
          {}},
         {"warning: Yellow toner low (5.2%)", "", "info: Cleared: yellow toner low (4%)"}},
        {"worse: from a warning to a critical reason",
         {{true, true, {"lowToner"}}, {true, true, {"noToner", "lowToner"}}},
         {"warning: Toner low", "error: Toner empty"}},
        {"several at once, in the table's order; cleared last",
         {{true, true, {"doorOpen", "device down", "alert critical: jam"}},
          {true, true, {"lowPaper"}}},
         {"error: Door open | error: Printer down | error: Alert critical: jam",
          "warning: Paper low | info: Cleared: door open | info: Cleared: printer down | "
          "info: Cleared: alert critical: jam"}},
        {"a full receptacle is its own reason beside a low one",
         {{true, true, {"supply waste toner at 95% full", "supply black toner at 3%"}}},
         {"warning: Waste toner full (95%) | warning: Black toner low (3%)"}},
        {"nearly full output is a warning, not full output",
         {{true, true, {"outputNearFull"}}},
         {"warning: Output tray nearly full"}},
        {"unreachable once, then answering again",
         {{}, UNREACHABLE, UNREACHABLE, {}},
         {"", "error: Printer unreachable", "", "info: Cleared: printer unreachable"}},
        {"unreachable at start-up", {UNREACHABLE}, {"error: Printer unreachable"}},
        {"what was not read has not cleared",
         {{true, true, {"jammed"}}, UNREACHABLE, {true, true, {"jammed"}}},
         {"error: Paper jam", "error: Printer unreachable", "info: Cleared: printer unreachable"}},
        {"a reading cut short clears nothing and is no fault of the printer",
         {{true, true, {"jammed"}}, {true, false, {incomplete}}, {}},
         {"error: Paper jam", "", "info: Cleared: paper jam"}},
        {"a reason found by a reading cut short is said",
         {{true, false, {"doorOpen", incomplete}}, {true, false, {"doorOpen", incomplete}}},
         {"error: Door open", ""}},
        {"two alerts alike are one reason",
         {{true, true, {"alert warning: doorOpen", "alert warning: doorOpen"}}},
         {"warning: Alert warning: doorOpen"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(row.readings.size(), row.said.size());
        condition::Announced announced;
        for (std::size_t i = 0; i < row.readings.size(); ++i) {
            const auto observed = condition::Observe(ConditionOf(row.readings[i]));
            EXPECT_EQ(Said(condition::NextNotices(announced, observed)), row.said[i])
                << "reading " << i;
        }
    }
}

// Every situation the rules meet has exactly one row: a second would never be reached, and a
// missing one would say nothing where something changed.
TEST(Notifications, OneRowForEachSituation) {
    using condition::Subject;
    for (const Subject subject : {Subject::Reason, Subject::Unreachable}) {
        for (const bool before : {false, true}) {
            for (const bool now : {false, true}) {
                for (const bool complete : {false, true}) {
                    if (subject == Subject::Unreachable && complete) {
                        continue;  // an unreachable printer is never read whole
                    }
                    int rows = 0;
                    for (const auto& rule : condition::NOTIFICATION_RULES) {
                        rows += rule.subject == subject && rule.before == before &&
                                rule.now == now &&
                                (subject == Subject::Unreachable || rule.complete == complete);
                    }
                    // A reason neither announced nor seen is no situation; nor is a printer
                    // that answered and answers.
                    const int expected = !before && !now ? 0 : 1;
                    EXPECT_EQ(rows, expected)
                        << "subject " << static_cast<int>(subject) << " before " << before
                        << " now " << now << " complete " << complete;
                }
            }
        }
    }
}

// The notices as one balloon: whole lines within the field, the worst level of all of them.
TEST(Notifications, CombinedIntoOneMessage) {
    const std::vector<condition::Notice> notices = {{"Paper jam", NoticeLevel::Warning},
                                                    {"Cleared: door open", NoticeLevel::Info},
                                                    {"Device down", NoticeLevel::Error}};
    const struct {
        const char* name;
        std::size_t capacity;
        std::string text;
    } cases[] = {
        {"all fit", 256, "Paper jam\r\nCleared: door open\r\nDevice down"},
        {"exactly fits with its terminator", 43, "Paper jam\r\nCleared: door open\r\nDevice down"},
        {"one byte short drops the last line whole", 42, "Paper jam\r\nCleared: door open"},
        {"a line too long is left out, a later one that fits is kept", 23,
         "Paper jam\r\nDevice down"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const condition::Notice combined = condition::Combined(notices, row.capacity);
        EXPECT_EQ(std::tie(combined.text, combined.level),
                  std::tuple(row.text, NoticeLevel::Error));
    }
}

}  // namespace
