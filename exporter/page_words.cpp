#include "exporter/page_words.h"

#include <algorithm>
#include <ctime>

namespace exporter {

std::string PrinterName(const PrinterView& view) {
    if (!view.name.empty()) {
        return view.name;
    }
    return view.condition.name.empty() ? view.target : view.condition.name;
}

const char* PageHealth(const PrinterView& view) {
    if (!view.read) {
        return "unknown";
    }
    const condition::Condition& c = view.condition;
    return condition::HealthName(c.answered ? c.health : condition::Health::Unreachable);
}

// The error is among the reasons when the health was derived (the printer's reason when it did
// not answer, "incomplete reading: ..." when it stopped early); else it is added here.
std::vector<ReasonWords> PageReasons(const PrinterView& view) {
    const condition::Condition& c = view.condition;
    std::vector<ReasonWords> reasons = ReadableReasons(c);
    if (!c.error.empty() &&
        std::none_of(c.reasons.begin(), c.reasons.end(), [&](const std::string& reason) {
            return reason.find(c.error) != std::string::npos;
        })) {
        reasons.push_back({c.error, c.error});
    }
    return reasons;
}

std::string TimeText(std::chrono::system_clock::time_point when) {
    std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

std::string AgeText(std::chrono::system_clock::duration age) {
    long long seconds = std::chrono::duration_cast<std::chrono::seconds>(age).count();
    if (seconds < 0) {
        seconds = 0;
    }
    if (seconds < 120) {
        return std::to_string(seconds) + " s ago";
    }
    if (seconds < 7200) {
        return std::to_string(seconds / 60) + " min ago";
    }
    return std::to_string(seconds / 3600) + " h ago";
}

}  // namespace exporter
