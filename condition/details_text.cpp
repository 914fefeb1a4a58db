#include "condition/details_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "condition/health.h"
#include "condition/reason_words.h"
#include "snmp/printer_mib.h"
#include "text/printable_text.h"

namespace condition {
namespace {

constexpr const char* LINE_END = "\r\n";

// The colours a colorant's name gives a bar; any other is GREY.
constexpr std::pair<std::string_view, std::uint32_t> COLOURS[] = {
    {"black", 0x000000u},
    {"cyan", 0xFFFF00u},     // RGB(0, 255, 255)
    {"magenta", 0xFF00FFu},  // RGB(255, 0, 255)
    {"yellow", 0x00FFFFu},   // RGB(255, 255, 0)
};
constexpr std::uint32_t GREY = 0x808080u;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

void AddLine(std::string& lines, const std::string& line) {
    lines += (lines.empty() ? "" : LINE_END) + line;
}

// A special value of a level in words: the Printer MIB's -1 means the printer places no
// restriction on it.
std::string LevelWords(LevelState state) {
    if (state == LevelState::Other) {
        return "no restriction";
    }
    std::string words = LevelStateName(state);
    std::replace(words.begin(), words.end(), '-', ' ');
    return words;
}

SupplyRow RowOf(const Supply& supply) {
    SupplyRow row;
    row.name = PrintableText(supply.description.empty() ? SupplyName(supply) : supply.description);
    row.colour = ColourOf(supply.colour);
    const bool receptacle = supply.supplyClass == mib::SUPPLY_CLASS_RECEPTACLE;
    if (supply.percent) {
        row.percent = std::clamp(static_cast<int>(std::lround(*supply.percent)), 0, 100);
        row.level = PercentText(*supply.percent) + (receptacle ? "% full" : "%");
    } else if (supply.level) {
        row.level = std::to_string(*supply.level) +
                    (supply.capacity ? " of " + std::to_string(*supply.capacity) : "");
    } else {
        row.level = LevelWords(supply.levelState);
    }
    return row;
}

std::string TrayLine(const Input& input) {
    std::string line = PrintableText(
        input.name.empty() ? std::string("Tray ").append(std::to_string(input.index)) : input.name);
    line += ": ";
    if (!input.media.empty()) {
        line += PrintableText(input.media) + ", ";
    }
    if (input.level) {
        line += std::to_string(*input.level) +
                (input.capacity ? " of " + std::to_string(*input.capacity) : "") + " sheets";
    } else {
        line += LevelWords(input.levelState);
    }
    return line;
}

std::string AlertLine(const Alert& alert) {
    const char* severity = AlertSeverityName(alert.severity);
    const char* code = AlertCodeName(alert.code);
    std::string line = severity[0] != '\0' ? severity : "alert";
    line += " ";
    line += code[0] != '\0' ? code : "code " + std::to_string(alert.code);
    if (!alert.description.empty()) {
        line += ": " + PrintableText(alert.description);
    }
    return line;
}

std::string NameOr(const char* name, const std::string& otherwise) {
    return name[0] != '\0' ? name : otherwise;
}

}  // namespace

std::uint32_t ColourOf(const std::string& colorant) {
    const std::string name = Lower(colorant);
    for (const auto& [known, colour] : COLOURS) {
        if (name == known) {
            return colour;
        }
    }
    return GREY;
}

DetailsTexts DetailsFor(const Condition& c) {
    DetailsTexts texts;
    texts.health = HealthName(c.health);
    for (const std::string& reason : c.reasons) {
        AddLine(texts.reasons, PrintableText(ReasonWords(reason)));
    }
    if (!c.answered) {
        return texts;
    }
    texts.device = NameOr(DeviceStatusName(c.deviceStatus), c.deviceStatus == 0 ? "" : "?");
    texts.printer = NameOr(PrinterStatusName(c.printerStatus), c.printerStatus == 0 ? "" : "?");
    texts.serial = PrintableText(c.serial);
    const std::size_t count = c.supplies.size();
    const std::size_t shown = count > DETAILS_SUPPLY_ROWS ? DETAILS_SUPPLY_ROWS - 1 : count;
    for (std::size_t i = 0; i < shown; ++i) {
        texts.supplies.push_back(RowOf(c.supplies[i]));
    }
    if (shown < count) {
        SupplyRow more;
        more.name = "and " + std::to_string(count - shown) + " more";
        more.bar = false;
        texts.supplies.push_back(more);
    }
    for (const Input& input : c.inputs) {
        AddLine(texts.trays, TrayLine(input));
    }
    for (const Alert& alert : c.alerts) {
        AddLine(texts.alerts, AlertLine(alert));
    }
    if (const std::optional<std::uint64_t> pages = PageCount(c)) {
        texts.pages = std::to_string(*pages);
        if (const std::optional<std::uint64_t> powerOn = PowerOnCount(c)) {
            texts.pages += " (" + std::to_string(*powerOn) + " since power-on)";
        }
    }
    return texts;
}

std::string ReadAtText(const Condition& condition, int hour, int minute, int second) {
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", hour % 100, minute % 100, second % 100);
    if (!condition.answered) {
        return std::string("No answer at ") + clock;
    }
    if (!condition.error.empty()) {
        return std::string("Read at ") + clock + ", incomplete: " + PrintableText(condition.error);
    }
    return std::string("Read at ") + clock;
}

}  // namespace condition
