#include "condition/health.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "snmp/printer_mib.h"

namespace condition {
namespace {

int Rank(Health health) {
    switch (health) {
        case Health::Ok:
            return 0;
        case Health::Warning:
            return 1;
        case Health::Critical:
            return 2;
        case Health::Unreachable:
            break;
    }
    return 3;
}

}  // namespace

std::string PercentText(double percent) {
    char text[32];
    const double rounded = std::round(percent * 10.0) / 10.0;
    const auto result = std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed,
                                      rounded == std::floor(rounded) ? 0 : 1);
    return std::string(text, result.ptr);
}

namespace {

// The alert's code by its MIB name, else its description, else its number.
std::string AlertName(const Alert& alert) {
    const std::string code = AlertCodeName(alert.code);
    if (!code.empty() && code != "other" && code != "unknown") {
        return code;
    }
    if (!alert.description.empty()) {
        return alert.description;
    }
    return code.empty() ? "code " + std::to_string(alert.code) : code;
}

const char* SeverityWord(Health health) {
    return health == Health::Critical ? "critical" : "warning";
}

void Apply(const HealthRule& rule, const Condition& c, double threshold,
           std::vector<std::string>& reasons) {
    const bool supplyRule =
        rule.test == RuleTest::SupplyLow || rule.test == RuleTest::ReceptacleFull;
    if (supplyRule && threshold < 0) {
        return;  // the caller judges the supplies itself
    }
    switch (rule.test) {
        case RuleTest::ErrorBit:
            if ((c.errorBits.value_or(0) & (1u << rule.value)) != 0) {
                reasons.emplace_back(rule.reason);
            }
            break;
        case RuleTest::DeviceStatus:
            if (c.deviceStatus == rule.value) {
                reasons.emplace_back(rule.reason);
            }
            break;
        case RuleTest::AlertSeverity:
            for (const Alert& alert : c.alerts) {
                if (alert.severity == rule.value) {
                    reasons.push_back(std::string("alert ") + SeverityWord(rule.health) + ": " +
                                      AlertName(alert));
                }
            }
            break;
        case RuleTest::SupplyLow:
            for (const Supply& supply : c.supplies) {
                if (supply.percent && supply.supplyClass != mib::SUPPLY_CLASS_RECEPTACLE &&
                    *supply.percent <= threshold) {
                    reasons.push_back("supply " + SupplyName(supply) + " at " +
                                      PercentText(*supply.percent) + "%");
                }
            }
            break;
        case RuleTest::ReceptacleFull:
            for (const Supply& supply : c.supplies) {
                if (supply.percent && supply.supplyClass == mib::SUPPLY_CLASS_RECEPTACLE &&
                    100.0 - *supply.percent <= threshold) {
                    reasons.push_back("supply " + SupplyName(supply) + " at " +
                                      PercentText(*supply.percent) + "% full");
                }
            }
            break;
        case RuleTest::Incomplete:
            if (!c.error.empty()) {
                reasons.push_back("incomplete reading: " + c.error);
            }
            break;
    }
}

}  // namespace

const HealthRule* RuleOfReason(const std::string& reason) {
    for (const HealthRule& rule : HEALTH_RULES) {
        // A form's placeholders are its words all in capitals (NAME, P, CODE, ERROR): the
        // reason has the text before the first and after the last as they stand.
        const std::string_view form = rule.reason;
        const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        std::size_t first = std::string_view::npos;
        std::size_t last = 0;
        for (std::size_t i = 0; i < form.size();) {
            std::size_t end = i;
            bool capitals = true;
            while (end < form.size() && letter(form[end])) {
                capitals = capitals && form[end] >= 'A' && form[end] <= 'Z';
                ++end;
            }
            if (end > i && capitals) {
                first = std::min(first, i);
                last = end;
            }
            i = end > i ? end : i + 1;
        }
        if (first == std::string_view::npos) {
            if (reason == form) {
                return &rule;
            }
            continue;
        }
        const std::string_view prefix = form.substr(0, first);
        const std::string_view suffix = form.substr(last);
        if (reason.size() > prefix.size() + suffix.size() && reason.starts_with(prefix) &&
            reason.ends_with(suffix)) {
            return &rule;
        }
    }
    return nullptr;
}

std::string SupplyName(const Supply& supply) {
    const std::string type = SupplyTypeName(supply.type);
    const bool typed = !type.empty() && type != "other" && type != "unknown";
    if (!supply.colour.empty()) {
        return typed ? supply.colour + " " + type : supply.colour;
    }
    if (!supply.description.empty()) {
        return supply.description;
    }
    return typed ? type : std::string("#").append(std::to_string(supply.index));
}

void DeriveHealth(Condition& condition, double supplyWarningPercent) {
    condition.reasons.clear();
    if (!condition.answered) {
        condition.health = Health::Unreachable;
        condition.reasons.push_back(condition.error.empty() ? "no answer" : condition.error);
        return;
    }
    condition.health = Health::Ok;
    for (const HealthRule& rule : HEALTH_RULES) {
        const std::size_t before = condition.reasons.size();
        Apply(rule, condition, supplyWarningPercent, condition.reasons);
        // Two alerts alike give one reason.
        for (std::size_t i = before; i < condition.reasons.size();) {
            if (std::find(condition.reasons.begin(), condition.reasons.begin() + i,
                          condition.reasons[i]) != condition.reasons.begin() + i) {
                condition.reasons.erase(condition.reasons.begin() + i);
            } else {
                ++i;
            }
        }
        if (condition.reasons.size() > before && Rank(rule.health) > Rank(condition.health)) {
            condition.health = rule.health;
        }
    }
}

}  // namespace condition
