// What the desktop says when a printer's condition changes, decided by one table of rules
// (NOTIFICATION_RULES) from what was announced before and what a new reading shows: a reason
// that appears is announced once, in words and with the icon of its health; it is said again
// only after it has cleared and come back; one that clears is announced once as cleared. A
// printer that does not answer is "unreachable" by the same rules. A reading that stopped short
// clears nothing (what was not read is not gone), and its own error is no fault of the
// printer: it is never announced.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "condition/condition.h"

namespace condition {

enum class NoticeLevel { Info, Warning, Error };

// One reason as the rules see it: `key` stays the same while the reason lasts (a supply's
// percentage may change: "supply yellow toner low"), `words` say it ("yellow toner low (5%)").
struct ObservedReason {
    std::string key;
    std::string words;
    Health health = Health::Warning;
};

struct Observation {
    bool answered = false;
    bool complete = false;  // every object was read: a reason missing from it has cleared
    std::vector<ObservedReason> reasons;
};

// The reasons of a reading, without the reading's own error. A reading that was not answered
// observes the printer as unreachable.
Observation Observe(const Condition& condition);

// What the rules keep between readings: what was announced and has not cleared.
struct Announced {
    bool unreachable = false;
    std::vector<ObservedReason> reasons;
};

enum class Subject { Reason, Unreachable };

struct NotificationRule {
    const char* name;
    Subject subject;
    bool before;           // announced and not cleared
    bool now;              // in the new observation
    bool complete;         // the new observation read everything; ignored for Unreachable
    const char* says;      // "WORDS" stands for the reason in words; null: nothing is said
    bool level_by_health;  // the reason's health gives the icon, else `level`
    NoticeLevel level;
    bool keep;  // still announced afterwards
};

// clang-format off
inline constexpr NotificationRule NOTIFICATION_RULES[] = {
    // name               subject               before now    complete says                              by health level               keep
    {"new reason",        Subject::Reason,      false, true,  true,  "WORDS",                            true,  NoticeLevel::Warning, true},
    {"new, part read",    Subject::Reason,      false, true,  false, "WORDS",                            true,  NoticeLevel::Warning, true},
    {"repeat",            Subject::Reason,      true,  true,  true,  nullptr,                            false, NoticeLevel::Info,    true},
    {"repeat, part read", Subject::Reason,      true,  true,  false, nullptr,                            false, NoticeLevel::Info,    true},
    {"cleared",           Subject::Reason,      true,  false, true,  "Cleared: WORDS",                   false, NoticeLevel::Info,    false},
    {"not read",          Subject::Reason,      true,  false, false, nullptr,                            false, NoticeLevel::Info,    true},
    {"unreachable",       Subject::Unreachable, false, true,  false, "Printer unreachable",              false, NoticeLevel::Error,   true},
    {"still unreachable", Subject::Unreachable, true,  true,  false, nullptr,                            false, NoticeLevel::Error,   true},
    {"answers again",     Subject::Unreachable, true,  false, false, "Cleared: printer unreachable",     false, NoticeLevel::Info,    false},
};
// clang-format on

struct Notice {
    std::string text;
    NoticeLevel level = NoticeLevel::Info;
};

// Applies the rules to `now`, updating `announced`; the notices in order: the printer's
// reachability first, then the reasons in the health table's order, cleared ones last.
std::vector<Notice> NextNotices(Announced& announced, const Observation& now);

// The notices as one message: texts joined by CR LF, as many whole lines as fit in
// `capacity` - 1 bytes, and the most severe level among them (also of lines left out).
Notice Combined(const std::vector<Notice>& notices, std::size_t capacity);

}  // namespace condition
