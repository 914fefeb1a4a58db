#include "condition/reason_words.h"

#include <string_view>
#include <utility>

namespace condition {
namespace {

// The error bits' reasons.
constexpr std::pair<std::string_view, std::string_view> WORDS[] = {
    {"jammed", "paper jam"},
    {"noPaper", "no paper"},
    {"noToner", "no toner"},
    {"doorOpen", "door open"},
    {"markerSupplyMissing", "supply missing"},
    {"outputFull", "output full"},
    {"lowPaper", "paper low"},
    {"lowToner", "toner low"},
    {"serviceRequested", "service requested"},
    {"inputTrayMissing", "input tray missing"},
    {"outputTrayMissing", "output tray missing"},
    {"outputNearFull", "output nearly full"},
    {"inputTrayEmpty", "input tray empty"},
    {"overduePreventMaint", "maintenance overdue"},
};

// The supply rules write "supply NAME at P%" and "supply NAME at P% full".
constexpr std::string_view SUPPLY = "supply ";
constexpr std::string_view AT = " at ";
constexpr std::string_view FULL = "% full";

}  // namespace

std::string ReasonWords(const std::string& reason) {
    for (const auto& [name, words] : WORDS) {
        if (reason == name) {
            return std::string(words);
        }
    }
    const std::size_t at = reason.rfind(AT);
    if (reason.starts_with(SUPPLY) && at != std::string::npos && at > SUPPLY.size() &&
        reason.ends_with('%')) {
        const std::string name = reason.substr(SUPPLY.size(), at - SUPPLY.size());
        return name + " low (" + reason.substr(at + AT.size()) + ")";
    }
    if (reason.starts_with(SUPPLY) && at != std::string::npos && at > SUPPLY.size() &&
        reason.ends_with(FULL)) {
        const std::string name = reason.substr(SUPPLY.size(), at - SUPPLY.size());
        const std::string percent = reason.substr(at + AT.size());
        return name + " full (" + percent.substr(0, percent.size() - FULL.size() + 1) + ")";
    }
    return reason;
}

}  // namespace condition
