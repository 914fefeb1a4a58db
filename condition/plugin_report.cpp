#include "condition/plugin_report.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "condition/health.h"
#include "condition/reason_words.h"
#include "snmp/printer_mib.h"
#include "text/printable_text.h"

namespace condition {
namespace {

// A printer's text in the status line: no control characters (one line), and no '|', which
// would start the perfdata.
std::string LineText(const std::string& text) {
    std::string safe = PrintableText(text);
    std::replace(safe.begin(), safe.end(), '|', '/');
    return safe;
}

// A perfdata label: quoted by the caller, so it may hold spaces but not the quote, '=' or '|'.
std::string Label(const Supply& supply) {
    const std::string type = SupplyTypeName(supply.type);
    const bool typed = !type.empty() && type != "other" && type != "unknown";
    std::string label;
    if (typed && !supply.colour.empty()) {
        label = type + "_" + supply.colour;
    } else if (!supply.colour.empty() || typed) {
        label = typed ? type : supply.colour;
    } else if (!supply.description.empty()) {
        label = supply.description;
    } else {
        label = "supply_" + std::to_string(supply.index);
    }
    label = LineText(label);
    for (char& c : label) {
        if (c == '\'' || c == '=' || c == ' ') {
            c = '_';
        }
    }
    return label;
}

bool Receptacle(const Supply& supply) {
    return supply.supplyClass == mib::SUPPLY_CLASS_RECEPTACLE;
}

// How far a supply is from trouble: what is left of a consumed one, the room in a receptacle.
double Left(const Supply& supply) {
    return Receptacle(supply) ? 100.0 - *supply.percent : *supply.percent;
}

std::string SupplyItem(const Supply& supply) {
    return LineText(SupplyName(supply)) + " " + PercentText(*supply.percent) + "%" +
           (Receptacle(supply) ? " full" : "");
}

// The perfdata thresholds as ranges: a consumed supply alerts below them ("10:"), a receptacle
// above 100 minus them ("90").
std::string Range(const Supply& supply, double threshold) {
    return Receptacle(supply) ? PercentText(100.0 - threshold) : PercentText(threshold) + ":";
}

}  // namespace

const char* PluginStatusName(PluginStatus status) {
    switch (status) {
        case PluginStatus::Ok:
            return "OK";
        case PluginStatus::Warning:
            return "WARNING";
        case PluginStatus::Critical:
            return "CRITICAL";
        case PluginStatus::Unknown:
            break;
    }
    return "UNKNOWN";
}

std::string PluginLine(PluginStatus status, const std::string& text) {
    return std::string("PRINTER ") + PluginStatusName(status) + " - " + LineText(text) + "\n";
}

PluginReport ReportForPlugin(Condition condition, const PluginThresholds& thresholds) {
    DeriveHealth(condition, NO_SUPPLY_RULES);
    PluginReport report;
    switch (condition.health) {
        case Health::Ok:
            report.status = PluginStatus::Ok;
            break;
        case Health::Warning:
            report.status = PluginStatus::Warning;
            break;
        case Health::Critical:
        case Health::Unreachable:  // a host that does not answer fails its service check
            report.status = PluginStatus::Critical;
            break;
    }
    // ... but when this side could not read at all (no socket, the reader stopped), nothing
    // is known of the printer.
    const auto& kinds = condition.errorKinds;
    if (!condition.answered &&
        std::find(kinds.begin(), kinds.end(), ReadError::Internal) != kinds.end()) {
        report.status = PluginStatus::Unknown;
    }
    std::vector<std::string> items;
    for (const std::string& reason : condition.reasons) {
        items.push_back(LineText(ReasonWords(reason)));
    }
    std::vector<std::string> warnings;
    std::string perfdata;
    const Supply* lowest = nullptr;
    std::vector<std::string> labels;
    for (const Supply& supply : condition.supplies) {
        if (!supply.percent) {
            continue;
        }
        if (Left(supply) <= thresholds.critical) {
            report.status = PluginStatus::Critical;
            items.push_back(SupplyItem(supply));
        } else if (Left(supply) <= thresholds.warning) {
            report.status = std::max(report.status, PluginStatus::Warning);
            warnings.push_back(SupplyItem(supply));
        }
        if (lowest == nullptr || Left(supply) < Left(*lowest)) {
            lowest = &supply;
        }
        std::string label = Label(supply);
        if (std::find(labels.begin(), labels.end(), label) != labels.end()) {
            // Two alike keep their own series. Appended piece by piece: GCC 12 warns (-Wrestrict)
            // about "literal" + a temporary string, wrongly.
            label.append("_").append(std::to_string(supply.index));
        }
        labels.push_back(label);
        perfdata += " '" + label + "'=" + PercentText(*supply.percent) + "%;" +
                    Range(supply, thresholds.warning) + ";" + Range(supply, thresholds.critical) +
                    ";0;100";
    }
    if (const std::optional<std::uint64_t> pages = PageCount(condition)) {
        perfdata += " 'pages'=" + std::to_string(*pages) + "c";
    }
    items.insert(items.end(), warnings.begin(), warnings.end());

    std::string text;
    if (report.status == PluginStatus::Ok) {
        text = condition.model.empty() ? "printer ready" : LineText(condition.model);
        if (lowest != nullptr) {
            text += ", lowest supply " + SupplyItem(*lowest);
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : ", ") + items[i];
    }
    report.line = std::string("PRINTER ") + PluginStatusName(report.status) + " - " + text +
                  (perfdata.empty() ? "" : " |" + perfdata) + "\n";
    return report;
}

}  // namespace condition
