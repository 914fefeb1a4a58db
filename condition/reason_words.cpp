#include "condition/reason_words.h"

#include <string_view>
#include <utility>

namespace condition {
namespace {

// The reasons the health rules write as they are (error bits, device status).
constexpr std::pair<std::string_view, const char*> FIXED_WORDS[] = {
    {"jammed", "paper jam"},
    {"noPaper", "out of paper"},
    {"noToner", "toner empty"},
    {"doorOpen", "door open"},
    {"offline", "offline"},
    {"markerSupplyMissing", "supply missing"},
    {"outputFull", "output tray full"},
    {"device down", "printer down"},
    {"lowPaper", "paper low"},
    {"lowToner", "toner low"},
    {"serviceRequested", "service requested"},
    {"inputTrayMissing", "tray missing"},
    {"outputTrayMissing", "output tray missing"},
    {"outputNearFull", "output tray nearly full"},
    {"inputTrayEmpty", "tray empty"},
    {"overduePreventMaint", "maintenance overdue"},
    {"device warning", "printer warning"},
};

// The supply rules write "supply NAME at P%" and "supply NAME at P% full".
constexpr std::string_view SUPPLY = "supply ";
constexpr std::string_view AT = " at ";
constexpr std::string_view FULL = "% full";

}  // namespace

const char* FixedReasonWords(std::string_view reason) {
    for (const auto& [name, words] : FIXED_WORDS) {
        if (reason == name) {
            return words;
        }
    }
    return nullptr;
}

std::string ReasonWords(const std::string& reason) {
    if (const char* fixed = FixedReasonWords(reason)) {
        return fixed;
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
