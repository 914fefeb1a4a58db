#include "condition/notifications.h"

#include <algorithm>
#include <string_view>

#include "condition/health.h"
#include "condition/reason_words.h"

namespace condition {
namespace {

constexpr std::string_view WORDS = "WORDS";

const NotificationRule* RuleFor(Subject subject, bool before, bool now, bool complete) {
    for (const NotificationRule& rule : NOTIFICATION_RULES) {
        if (rule.subject == subject && rule.before == before && rule.now == now &&
            (subject == Subject::Unreachable || rule.complete == complete)) {
            return &rule;
        }
    }
    return nullptr;
}

NoticeLevel LevelOf(Health health) {
    switch (health) {
        case Health::Ok:
            return NoticeLevel::Info;
        case Health::Warning:
            return NoticeLevel::Warning;
        case Health::Critical:
        case Health::Unreachable:
            break;
    }
    return NoticeLevel::Error;
}

// What a rule says of a reason (null for the printer's reachability), its first letter a
// capital: a notice is a sentence of its own.
Notice Say(const NotificationRule& rule, const ObservedReason* reason) {
    Notice notice;
    notice.text = rule.says;
    const std::size_t at = notice.text.find(WORDS);
    if (at != std::string::npos && reason != nullptr) {
        notice.text.replace(at, WORDS.size(), reason->words);
    }
    if (!notice.text.empty() && notice.text[0] >= 'a' && notice.text[0] <= 'z') {
        notice.text[0] = static_cast<char>(notice.text[0] - 'a' + 'A');
    }
    notice.level = rule.level_by_health && reason != nullptr ? LevelOf(reason->health) : rule.level;
    return notice;
}

// The key of a supply's reason leaves its percentage out: "supply NAME at P%" is the same
// reason at 5% and at 4%.
std::string KeyOf(const std::string& reason, RuleTest test) {
    if (test != RuleTest::SupplyLow && test != RuleTest::ReceptacleFull) {
        return reason;
    }
    const std::size_t at = reason.rfind(" at ");
    return reason.substr(0, at) + (test == RuleTest::SupplyLow ? " low" : " full");
}

const ObservedReason* FindKey(const std::vector<ObservedReason>& reasons, const std::string& key) {
    const auto found = std::find_if(reasons.begin(), reasons.end(),
                                    [&key](const ObservedReason& r) { return r.key == key; });
    return found != reasons.end() ? &*found : nullptr;
}

}  // namespace

Observation Observe(const Condition& condition) {
    Observation observed;
    observed.answered = condition.answered;
    observed.complete = Complete(condition);
    if (!condition.answered) {
        return observed;
    }
    for (const std::string& reason : condition.reasons) {
        const HealthRule* rule = RuleOfReason(reason);
        if (rule == nullptr || rule->test == RuleTest::Incomplete) {
            continue;  // the reading's own trouble, not the printer's
        }
        observed.reasons.push_back(
            ObservedReason{KeyOf(reason, rule->test), ReasonWords(reason), rule->health});
    }
    return observed;
}

std::vector<Notice> NextNotices(Announced& announced, const Observation& now) {
    std::vector<Notice> notices;
    const bool unreachable = !now.answered;
    if (const NotificationRule* rule =
            RuleFor(Subject::Unreachable, announced.unreachable, unreachable, false)) {
        if (rule->says != nullptr) {
            notices.push_back(Say(*rule, nullptr));
        }
        announced.unreachable = rule->keep;
    } else {
        announced.unreachable = false;
    }

    std::vector<ObservedReason> kept;
    std::vector<Notice> cleared;
    for (const ObservedReason& reason : now.reasons) {
        if (FindKey(kept, reason.key) != nullptr) {
            continue;  // two reasons alike are one
        }
        const bool before = FindKey(announced.reasons, reason.key) != nullptr;
        const NotificationRule* rule = RuleFor(Subject::Reason, before, true, now.complete);
        if (rule == nullptr) {
            continue;
        }
        if (rule->says != nullptr) {
            notices.push_back(Say(*rule, &reason));
        }
        if (rule->keep) {
            kept.push_back(reason);
        }
    }
    for (const ObservedReason& reason : announced.reasons) {
        if (FindKey(now.reasons, reason.key) != nullptr) {
            continue;
        }
        const NotificationRule* rule = RuleFor(Subject::Reason, true, false, now.complete);
        if (rule == nullptr) {
            continue;
        }
        if (rule->says != nullptr) {
            cleared.push_back(Say(*rule, &reason));
        }
        if (rule->keep) {
            kept.push_back(reason);
        }
    }
    notices.insert(notices.end(), cleared.begin(), cleared.end());
    announced.reasons = std::move(kept);
    return notices;
}

Notice Combined(const std::vector<Notice>& notices, std::size_t capacity) {
    Notice combined;
    for (const Notice& notice : notices) {
        combined.level = std::max(combined.level, notice.level);
        const std::size_t needed = (combined.text.empty() ? 0 : 2) + notice.text.size();
        if (capacity > 0 && combined.text.size() + needed <= capacity - 1) {
            combined.text += (combined.text.empty() ? "" : "\r\n") + notice.text;
        }
    }
    return combined;
}

}  // namespace condition
