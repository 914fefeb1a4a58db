#include "exporter/reading_metrics.h"

#include <array>
#include <map>
#include <tuple>
#include <vector>

#include "exporter/completeness_metrics.h"
#include "exporter/exposition.h"

namespace exporter {
namespace {

using condition::Condition;
using condition::Health;
using condition::LevelState;

constexpr std::array HEALTH_STATES = {Health::Ok, Health::Warning, Health::Critical,
                                      Health::Unreachable};
constexpr std::array LEVEL_STATES = {LevelState::Ok, LevelState::Unknown, LevelState::SomeRemaining,
                                     LevelState::Other};
// hrDeviceStatus and hrPrinterStatus both number their states 1 to 5.
constexpr int FIRST_STATUS = 1;
constexpr int LAST_STATUS = 5;

void WriteHealth(Exposition& out, Health health) {
    out.Family("vellumark_printer_health", MetricType::Gauge,
               "The printer's health, one-hot over ok, warning, critical and unreachable.");
    for (Health state : HEALTH_STATES) {
        out.Sample({{"state", condition::HealthName(state)}}, state == health ? 1 : 0);
    }
}

// One-hot over the MIB's enumeration; nothing when the object was not read (0).
void WriteStatus(Exposition& out, const char* name, const char* help, int status,
                 const char* (*stateName)(std::int32_t)) {
    if (status == 0) {
        return;
    }
    out.Family(name, MetricType::Gauge, help);
    for (int state = FIRST_STATUS; state <= LAST_STATUS; ++state) {
        out.Sample({{"state", stateName(state)}}, state == status ? 1 : 0);
    }
}

void WriteSupplies(Exposition& out, const Condition& condition) {
    struct SupplyLabels {
        std::string index, type, unit;
    };
    std::vector<SupplyLabels> texts;
    texts.reserve(condition.supplies.size());
    for (const condition::Supply& supply : condition.supplies) {
        texts.push_back({std::to_string(supply.index),
                         EnumLabel(condition::SupplyTypeName(supply.type)),
                         EnumLabel(condition::SupplyUnitName(supply.unit))});
    }
    auto labels = [&](std::size_t i) {
        const condition::Supply& supply = condition.supplies[i];
        return std::array<Label, 6>{{{"supply", texts[i].index},
                                     {"description", supply.description},
                                     {"colour", supply.colour},
                                     {"type", texts[i].type},
                                     {"unit", texts[i].unit},
                                     {"state", ""}}};
    };
    const std::size_t count = condition.supplies.size();

    out.Family("vellumark_supply_level", MetricType::Gauge,
               "A supply's level in its unit, when the printer reports a count.");
    for (std::size_t i = 0; i < count; ++i) {
        if (condition.supplies[i].level) {
            auto l = labels(i);
            out.Sample(std::span(l.data(), 5), *condition.supplies[i].level);
        }
    }
    out.Family("vellumark_supply_capacity", MetricType::Gauge,
               "A supply's full capacity in its unit, when the printer reports one.");
    for (std::size_t i = 0; i < count; ++i) {
        if (condition.supplies[i].capacity) {
            auto l = labels(i);
            out.Sample(std::span(l.data(), 5), *condition.supplies[i].capacity);
        }
    }
    out.Family("vellumark_supply_ratio", MetricType::Gauge,
               "A supply's level divided by its capacity, 0 to 1, when both are known.");
    for (std::size_t i = 0; i < count; ++i) {
        const condition::Supply& supply = condition.supplies[i];
        if (supply.level && supply.capacity && *supply.capacity > 0) {
            double ratio = static_cast<double>(*supply.level) / *supply.capacity;
            auto l = labels(i);
            out.Sample(std::span(l.data(), 5), ratio > 1 ? 1 : ratio);
        }
    }
    out.Family("vellumark_supply_level_state", MetricType::Gauge,
               "What a supply's level says, one-hot over ok (a count), unknown, some-remaining "
               "and other.");
    for (std::size_t i = 0; i < count; ++i) {
        auto l = labels(i);
        for (LevelState state : LEVEL_STATES) {
            l[5].value = condition::LevelStateName(state);
            out.Sample(l, state == condition.supplies[i].levelState ? 1 : 0);
        }
    }
}

// As supplies do: a tray that says "some remaining" (-3) is not a tray without a level.
void WriteInputLevelStates(Exposition& out, const Condition& condition,
                           const std::vector<std::string>& indexes) {
    out.Family("vellumark_input_level_state", MetricType::Gauge,
               "What an input tray's level says, one-hot over ok (a count), unknown, "
               "some-remaining and other.");
    for (std::size_t i = 0; i < condition.inputs.size(); ++i) {
        const condition::Input& input = condition.inputs[i];
        for (LevelState state : LEVEL_STATES) {
            out.Sample({{"input", indexes[i]},
                        {"name", input.name},
                        {"media", input.media},
                        {"state", condition::LevelStateName(state)}},
                       state == input.levelState ? 1 : 0);
        }
    }
}

void WriteInputs(Exposition& out, const Condition& condition) {
    std::vector<std::string> indexes;
    for (const condition::Input& input : condition.inputs) {
        indexes.push_back(std::to_string(input.index));
    }
    auto write = [&](const char* name, const char* help, auto value) {
        out.Family(name, MetricType::Gauge, help);
        for (std::size_t i = 0; i < condition.inputs.size(); ++i) {
            const condition::Input& input = condition.inputs[i];
            if (auto v = value(input)) {
                out.Sample({{"input", indexes[i]}, {"name", input.name}, {"media", input.media}},
                           *v);
            }
        }
    };
    write("vellumark_input_level", "Sheets in an input tray, when the printer reports a count.",
          [](const condition::Input& input) { return input.level; });
    write("vellumark_input_capacity", "An input tray's capacity in sheets, when reported.",
          [](const condition::Input& input) { return input.capacity; });
    WriteInputLevelStates(out, condition, indexes);
}

void WriteMarkers(Exposition& out, const Condition& condition) {
    std::vector<std::string> indexes;
    for (const condition::Marker& marker : condition.markers) {
        indexes.push_back(std::to_string(marker.index));
    }
    out.Family("vellumark_marker_pages_total", MetricType::Counter,
               "Pages a marker printed in its life (prtMarkerLifeCount).");
    for (std::size_t i = 0; i < condition.markers.size(); ++i) {
        if (condition.markers[i].lifeCount) {
            out.Sample({{"marker", indexes[i]}}, *condition.markers[i].lifeCount);
        }
    }
    out.Family("vellumark_marker_power_on_pages", MetricType::Gauge,
               "Pages a marker printed since the printer was last powered on.");
    for (std::size_t i = 0; i < condition.markers.size(); ++i) {
        if (condition.markers[i].powerOnCount) {
            out.Sample({{"marker", indexes[i]}}, *condition.markers[i].powerOnCount);
        }
    }
}

// Rows that say the same thing give one series counting them: two equal series would make
// Prometheus refuse the whole scrape.
void WriteAlerts(Exposition& out, const Condition& condition) {
    std::map<std::tuple<std::string, std::string, std::string, std::string>, int> rows;
    std::vector<decltype(rows)::iterator> order;
    for (const condition::Alert& alert : condition.alerts) {
        auto [it, added] =
            rows.try_emplace({EnumLabel(condition::AlertSeverityName(alert.severity)),
                              EnumLabel(condition::AlertGroupName(alert.group)),
                              EnumLabel(condition::AlertCodeName(alert.code)), alert.description},
                             0);
        ++it->second;
        if (added) {
            order.push_back(it);
        }
    }
    out.Family("vellumark_alert_info", MetricType::Gauge,
               "One series per row of the printer's alert table.");
    for (auto it : order) {
        const auto& [severity, group, code, description] = it->first;
        out.Sample({{"severity", severity},
                    {"group", group},
                    {"code", code},
                    {"description", description}},
                   it->second);
    }
}

// What the printer's panel shows, one series per line that shows something: the line's number
// and its text as labels, value 1, so rules and dashboards can show it beside the health.
void WriteConsole(Exposition& out, const Condition& condition) {
    out.Family("vellumark_printer_console_info", MetricType::Gauge,
               "A line of the printer's console display (prtConsoleDisplayBufferText): one "
               "series per line that is not blank.");
    for (std::size_t i = 0; i < condition.consoleLines.size(); ++i) {
        const std::string& line = condition.consoleLines[i];
        const std::size_t end = line.find_last_not_of(' ');
        if (end != std::string::npos) {
            out.Sample({{"line", std::to_string(i + 1)}, {"text", line.substr(0, end + 1)}}, 1);
        }
    }
}

}  // namespace

std::string EnumLabel(const char* name) {
    return name != nullptr ? name : "";
}

std::string RenderReading(const Condition& condition, double durationSeconds) {
    Exposition out;
    out.Family("vellumark_up", MetricType::Gauge,
               "Whether the printer's SNMP agent answered (1) or not (0); whether the reading "
               "read everything is vellumark_probe_complete.");
    out.Sample({}, condition.answered ? 1 : 0);
    out.Family("vellumark_probe_duration_seconds", MetricType::Gauge,
               "How long reading the printer took, in seconds.");
    out.Sample({}, durationSeconds);
    WriteCompletenessMetrics(out, condition);
    WriteHealth(out, condition.answered ? condition.health : Health::Unreachable);
    if (!condition.answered) {
        return out.Take();
    }

    out.Family("vellumark_printer_info", MetricType::Gauge,
               "The printer's identity: model, serial number, name and location.");
    out.Sample({{"model", condition.model},
                {"serial", condition.serial},
                {"name", condition.name},
                {"location", condition.location}},
               1);
    if (condition.uptimeTicks) {
        out.Family("vellumark_printer_uptime_seconds", MetricType::Gauge,
                   "Time since the printer's network management was last (re)started "
                   "(sysUpTime), in seconds; it wraps after about 497 days.");
        out.Sample({}, *condition.uptimeTicks / 100.0);
    }
    WriteConsole(out, condition);
    WriteStatus(out, "vellumark_printer_device_status",
                "hrDeviceStatus, one-hot over the MIB's states.", condition.deviceStatus,
                condition::DeviceStatusName);
    WriteStatus(out, "vellumark_printer_status", "hrPrinterStatus, one-hot over the MIB's states.",
                condition.printerStatus, condition::PrinterStatusName);
    // An error state that was not read is no "0": no series at all.
    out.Family("vellumark_printer_error", MetricType::Gauge,
               "Each bit of hrPrinterDetectedErrorState by its name: 1 when the printer "
               "reports it.");
    for (int bit = 0; condition.errorBits && bit < mib::ERROR_BIT_COUNT; ++bit) {
        out.Sample({{"condition", condition::ErrorBitName(bit)}},
                   (*condition.errorBits >> bit) & 1u);
    }
    WriteSupplies(out, condition);
    WriteInputs(out, condition);
    WriteMarkers(out, condition);
    WriteAlerts(out, condition);
    return out.Take();
}

}  // namespace exporter
