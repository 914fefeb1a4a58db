#include "exporter/reason_words.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "condition/health.h"
#include "condition/reason_words.h"
#include "snmp/printer_mib.h"

namespace exporter {
namespace {

using condition::Alert;
using condition::Condition;
using condition::Supply;

// Alert codes by their MIB names; codes not here are spelt out from the name itself.
constexpr std::pair<std::string_view, const char*> ALERT_WORDS[] = {
    {"jam", "paper jam"},
    {"doorOpen", "door open"},
    {"coverOpen", "cover open"},
    {"interlockOpen", "interlock open"},
    {"markerTonerEmpty", "toner empty"},
    {"markerInkEmpty", "ink empty"},
    {"markerPrintRibbonEmpty", "ribbon empty"},
    {"markerTonerAlmostEmpty", "toner low"},
    {"markerInkAlmostEmpty", "ink low"},
    {"markerPrintRibbonAlmostEmpty", "ribbon low"},
    {"markerWasteTonerReceptacleAlmostFull", "waste toner nearly full"},
    {"markerWasteInkReceptacleAlmostFull", "waste ink nearly full"},
    {"markerWasteTonerReceptacleFull", "waste toner full"},
    {"markerWasteInkReceptacleFull", "waste ink full"},
    {"markerOpcLifeAlmostOver", "drum near end of life"},
    {"markerOpcLifeOver", "drum at end of life"},
    {"markerDeveloperAlmostEmpty", "developer low"},
    {"markerDeveloperEmpty", "developer empty"},
    {"markerTonerCartridgeMissing", "toner cartridge missing"},
    {"inputMediaSupplyEmpty", "tray empty"},
    {"inputMediaSupplyLow", "paper low"},
    {"inputMediaTrayMissing", "tray missing"},
    {"outputMediaTrayFull", "output tray full"},
    {"outputMediaTrayAlmostFull", "output tray nearly full"},
    {"outputMediaTrayMissing", "output tray missing"},
};

// What a low supply of a type is called, by the type's MIB name.
constexpr std::pair<std::string_view, const char*> LOW_SUPPLY_WORDS[] = {
    {"toner", "toner low"},           {"tonerCartridge", "toner low"},
    {"matteToner", "toner low"},      {"ink", "ink low"},
    {"inkCartridge", "ink low"},      {"matteInk", "ink low"},
    {"opc", "drum near end of life"}, {"developer", "developer low"},
    {"staples", "staples low"},
};

// What a nearly full receptacle of a type is called.
constexpr std::pair<std::string_view, const char*> FULL_SUPPLY_WORDS[] = {
    {"wasteToner", "waste toner nearly full"},
    {"wasteInk", "waste ink nearly full"},
    {"wastePaper", "waste paper nearly full"},
};

template <std::size_t N>
const char* Lookup(const std::pair<std::string_view, const char*> (&table)[N],
                   std::string_view key) {
    for (const auto& [name, words] : table) {
        if (name == key) {
            return words;
        }
    }
    return nullptr;
}

// "subunitMotorFailure" -> "subunit motor failure".
std::string CamelWords(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z') {
            out += ' ';
            out += static_cast<char>(c - 'A' + 'a');
        } else {
            out += c;
        }
    }
    return out;
}

std::string Percent(double percent) {
    return std::to_string(static_cast<int>(std::lround(percent))) + "%";
}

// Which supply the words are about, when they do not say it themselves ("yellow 5%", "6%";
// "Fuser Kit 3%" when the words are general), and its level.
std::string SupplyDetail(const Supply& supply, bool generalWords) {
    std::string detail = !supply.colour.empty() ? supply.colour
                         : generalWords         ? supply.description
                                                : "";
    if (supply.percent) {
        detail += (detail.empty() ? "" : " ") + Percent(*supply.percent);
    }
    return detail;
}

std::string AlertWords(const Alert& alert, const Condition& c) {
    const std::string code = condition::AlertCodeName(alert.code);
    const char* known = Lookup(ALERT_WORDS, code);
    std::string words = known != nullptr                                       ? known
                        : code.empty() || code == "other" || code == "unknown" ? alert.description
                                                                               : CamelWords(code);
    if (alert.group == mib::GROUP_MARKER_SUPPLIES) {
        for (const Supply& supply : c.supplies) {
            const std::string detail = SupplyDetail(supply, known == nullptr);
            if (static_cast<std::int32_t>(supply.index) == alert.groupIndex && !detail.empty()) {
                return words + ": " + detail;
            }
        }
    } else if (alert.group == mib::GROUP_INPUT) {
        for (const auto& input : c.inputs) {
            if (static_cast<std::int32_t>(input.index) == alert.groupIndex && !input.name.empty()) {
                return words + ": " + input.name;
            }
        }
    }
    return words;
}

// "supply yellow toner at 5.2%" and "supply Waste Toner Box at 96% full", as the supply rules
// write them: the supply is found again by the name those rules gave it (SupplyName).
std::string SupplyWords(std::string_view reason, const Condition& c) {
    const bool full = reason.size() > 6 && reason.substr(reason.size() - 6) == "% full";
    for (const Supply& supply : c.supplies) {
        if (!supply.percent) {
            continue;
        }
        if (reason.rfind("supply " + condition::SupplyName(supply) + " at ", 0) != 0) {
            continue;
        }
        const std::string type = condition::SupplyTypeName(supply.type);
        if (full) {
            const char* kind = Lookup(FULL_SUPPLY_WORDS, type);
            return std::string(kind != nullptr ? kind : "nearly full") + ": " +
                   SupplyDetail(supply, kind == nullptr);
        }
        const char* low = Lookup(LOW_SUPPLY_WORDS, type);
        std::string words = low != nullptr ? low : "supply low";
        if (*supply.percent <= 0 && low != nullptr && type != "opc") {
            words.replace(words.size() - 3, 3, "empty");
        }
        return words + ": " + SupplyDetail(supply, low == nullptr);
    }
    return std::string(reason.substr(7));
}

std::vector<std::string> Words(const std::string& reason, const Condition& c) {
    if (const char* fixed = condition::FixedReasonWords(reason)) {
        return {fixed};
    }
    for (std::string_view prefix : {"alert critical: ", "alert warning: "}) {
        if (reason.rfind(prefix, 0) == 0) {
            const std::string_view name = std::string_view(reason).substr(prefix.size());
            const std::int32_t severity =
                prefix == "alert critical: " ? mib::SEVERITY_CRITICAL : mib::SEVERITY_WARNING;
            std::vector<std::string> words;
            for (const Alert& alert : c.alerts) {
                const bool same =
                    condition::AlertCodeName(alert.code) == name || alert.description == name;
                if (same && (alert.severity == severity ||
                             (severity == mib::SEVERITY_WARNING &&
                              alert.severity == mib::SEVERITY_WARNING_BINARY))) {
                    words.push_back(AlertWords(alert, c));
                }
            }
            if (words.empty()) {
                words.emplace_back(name);
            }
            return words;
        }
    }
    if (reason.rfind("supply ", 0) == 0) {
        return {SupplyWords(reason, c)};
    }
    if (reason.rfind("incomplete reading: ", 0) == 0) {
        return {"reading incomplete: " + reason.substr(20)};
    }
    return {reason};
}

bool IsDeviceStatus(const ReasonWords& words) {
    return words.mib == "device down" || words.mib == "device warning";
}

}  // namespace

std::vector<ReasonWords> ReadableReasons(const Condition& c) {
    std::vector<ReasonWords> out;
    for (const std::string& reason : c.reasons) {
        for (std::string& text : Words(reason, c)) {
            auto same = std::find_if(out.begin(), out.end(),
                                     [&](const ReasonWords& w) { return w.text == text; });
            if (same == out.end()) {
                out.push_back({std::move(text), reason});
            } else if (same->mib.find(reason) == std::string::npos) {
                same->mib += "; " + reason;
            }
        }
    }
    // "toner low" says less than "toner low: yellow 5%"; "printer down" less than "paper jam".
    // What gives way keeps its names in the tooltip of what says more.
    std::vector<ReasonWords> kept;
    std::vector<std::pair<std::string, std::string>> merged;  // (into, mib)
    for (const ReasonWords& words : out) {
        auto specific = std::find_if(out.begin(), out.end(), [&](const ReasonWords& other) {
            return other.text.rfind(words.text + ": ", 0) == 0;
        });
        if (specific != out.end()) {
            merged.emplace_back(specific->text, words.mib);
        } else if (IsDeviceStatus(words) && out.size() > 1) {
            merged.emplace_back("", words.mib);
        } else {
            kept.push_back(words);
        }
    }
    for (const auto& entry : merged) {
        // Named, not a structured binding: clang 14 (the fuzz build) cannot capture one.
        const std::string& into = entry.first;
        auto target = std::find_if(kept.begin(), kept.end(), [&](const ReasonWords& k) {
            return into.empty() || k.text == into;
        });
        if (target != kept.end()) {
            target->mib += "; " + entry.second;
        }
    }
    return kept;
}

}  // namespace exporter
