#include "condition/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "text/printable_text.h"

namespace condition {
namespace {

using json = nlohmann::ordered_json;

constexpr int BAR_CELLS = 20;

json NameOrNull(const char* name) {
    return name != nullptr && name[0] != '\0' ? json(name) : json(nullptr);
}

template <typename T>
json ValueOrNull(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

json TextOrNull(const std::string& text) {
    return text.empty() ? json(nullptr) : json(text);
}

// prtInputStatus by the bits of PrtSubUnitStatusTC; null when not read or no such value.
json InputStatus(const std::optional<std::int32_t>& status) {
    if (!status || *status < 0 || *status > mib::SUBUNIT_STATUS_MAX) {
        return nullptr;
    }
    const auto bit = [&status](int mask) { return (*status & mask) != 0; };
    return {
        {"availability", NameOrNull(SubunitAvailabilityName(*status))},
        {"non_critical_alert", bit(mib::SUBUNIT_NON_CRITICAL_ALERT)},
        {"critical_alert", bit(mib::SUBUNIT_CRITICAL_ALERT)},
        {"online", !bit(mib::SUBUNIT_OFF_LINE)},
        {"transitioning", bit(mib::SUBUNIT_TRANSITIONING)},
    };
}

// Code points in UTF-8 text: how wide a column of it is, near enough for names and numbers.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& text, std::size_t width) {
    const std::size_t used = Width(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Bar(double percent) {
    const int filled =
        std::clamp(static_cast<int>(std::lround(percent * BAR_CELLS / 100.0)), 0, BAR_CELLS);
    std::string bar = "[";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(BAR_CELLS - filled), '-');
    return bar + "]";
}

// The level column of a supply or tray: a bar and percent, or what the printer said instead.
std::string LevelText(const std::optional<double>& percent,
                      const std::optional<std::int32_t>& level,
                      const std::optional<std::int32_t>& capacity, LevelState state) {
    if (percent) {
        return Bar(*percent) + " " + Pad(Number(*percent) + "%", 6);
    }
    std::string text = "[";
    text.append(BAR_CELLS, ' ').append("] ");
    if (level) {
        return text + std::to_string(*level) +
               (capacity ? " of " + std::to_string(*capacity) : std::string());
    }
    return text + LevelStateName(state);
}

}  // namespace

json ConditionToJson(const Condition& c) {
    json out = json::object();
    out["health"] = HealthName(c.health);
    out["reasons"] = c.reasons;
    out["complete"] = Complete(c);
    out["error"] = c.error.empty() ? json(nullptr) : json(c.error);
    out["device_status"] = NameOrNull(DeviceStatusName(c.deviceStatus));
    out["printer_status"] = NameOrNull(PrinterStatusName(c.printerStatus));
    json errors = c.errorBits ? json::array() : json(nullptr);
    for (int bit = 0; c.errorBits && bit < mib::ERROR_BIT_COUNT; ++bit) {
        if ((*c.errorBits & (1u << bit)) != 0) {
            errors.push_back(ErrorBitName(bit));
        }
    }
    out["errors"] = std::move(errors);
    out["serial"] = TextOrNull(c.serial);
    out["model"] = TextOrNull(c.model);
    out["name"] = TextOrNull(c.name);
    out["location"] = TextOrNull(c.location);
    out["page_count"] = ValueOrNull(PageCount(c));
    out["power_on_count"] = ValueOrNull(PowerOnCount(c));
    json supplies = json::array();
    for (const Supply& s : c.supplies) {
        supplies.push_back({
            {"index", s.index},
            {"description", s.description},
            {"colour", s.colour.empty() ? json(nullptr) : json(s.colour)},
            {"type", NameOrNull(SupplyTypeName(s.type))},
            {"class", NameOrNull(SupplyClassName(s.supplyClass))},
            {"unit", NameOrNull(SupplyUnitName(s.unit))},
            {"capacity", ValueOrNull(s.capacity)},
            {"level", ValueOrNull(s.level)},
            {"percent", s.percent ? json(std::round(*s.percent * 10.0) / 10.0) : json(nullptr)},
            {"level_state", LevelStateName(s.levelState)},
        });
    }
    out["supplies"] = std::move(supplies);
    json inputs = json::array();
    for (const Input& i : c.inputs) {
        inputs.push_back({
            {"index", i.index},
            {"name", i.name},
            {"media", i.media},
            {"capacity", ValueOrNull(i.capacity)},
            {"level", ValueOrNull(i.level)},
            {"level_state", LevelStateName(i.levelState)},
            {"status", InputStatus(i.status)},
        });
    }
    out["inputs"] = std::move(inputs);
    json alerts = json::array();
    for (const Alert& a : c.alerts) {
        alerts.push_back({
            {"severity", NameOrNull(AlertSeverityName(a.severity))},
            {"group", NameOrNull(AlertGroupName(a.group))},
            {"code", NameOrNull(AlertCodeName(a.code))},
            {"description", a.description},
        });
    }
    out["alerts"] = std::move(alerts);
    json markers = json::array();
    for (const Marker& m : c.markers) {
        markers.push_back({
            {"index", m.index},
            {"life_count", ValueOrNull(m.lifeCount)},
            {"power_on_count", ValueOrNull(m.powerOnCount)},
        });
    }
    out["markers"] = std::move(markers);
    return out;
}

std::string ConditionJson(const Condition& condition) {
    // Texts are UTF-8 already; should one not be, it is mended rather than thrown over.
    return ConditionToJson(condition).dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string ConditionText(const Condition& c) {
    std::string out = std::string("Condition: ") + HealthName(c.health);
    if (!c.reasons.empty()) {
        out += " (";
        for (std::size_t i = 0; i < c.reasons.size(); ++i) {
            out += (i == 0 ? "" : ", ") + ::PrintableText(c.reasons[i]);
        }
        out += ")";
    }
    out += "\n";
    if (!c.answered) {
        return out;
    }
    const char* device = DeviceStatusName(c.deviceStatus);
    const char* printer = PrinterStatusName(c.printerStatus);
    out += std::string("  Device ") + (device[0] != '\0' ? device : "?") + ", printer " +
           (printer[0] != '\0' ? printer : "?");
    if (!c.serial.empty()) {
        out += ", serial " + ::PrintableText(c.serial);
    }
    out += "\n";
    if (!c.supplies.empty()) {
        out += "  Supplies:\n";
        for (const Supply& s : c.supplies) {
            const std::string colour = s.colour.empty() ? "-" : ::PrintableText(s.colour);
            out += "    " + Pad(colour, 9) + " " +
                   LevelText(s.percent, s.level, s.capacity, s.levelState) + "  " +
                   ::PrintableText(s.description) + "\n";
        }
    }
    if (!c.inputs.empty()) {
        out += "  Trays:\n";
        for (const Input& i : c.inputs) {
            const std::string name =
                i.name.empty() ? std::string("#").append(std::to_string(i.index)) : i.name;
            std::optional<double> percent;
            if (i.level && i.capacity && *i.capacity > 0) {
                percent = 100.0 * *i.level / *i.capacity;
            }
            out += "    " + Pad(::PrintableText(name), 9) + " " +
                   LevelText(percent, i.level, i.capacity, i.levelState) + "  " +
                   ::PrintableText(i.media) + "\n";
        }
    }
    if (!c.alerts.empty()) {
        out += "  Alerts:\n";
        for (const Alert& a : c.alerts) {
            const char* severity = AlertSeverityName(a.severity);
            const char* code = AlertCodeName(a.code);
            out += "    " + Pad(severity[0] != '\0' ? severity : "?", 9) + " " +
                   Pad(code[0] != '\0' ? code : std::to_string(a.code), 12) + " " +
                   ::PrintableText(a.description) + "\n";
        }
    }
    if (!c.error.empty()) {
        out += "  Incomplete: " + ::PrintableText(c.error) + "\n";
    }
    return out;
}

}  // namespace condition
