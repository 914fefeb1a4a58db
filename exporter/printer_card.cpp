#include "exporter/printer_card.h"

#include <algorithm>
#include <cmath>

#include "exporter/page_words.h"
#include "exporter/reading_metrics.h"
#include "exporter/status_page.h"

namespace exporter {
namespace {

void WriteSupply(std::string& html, const condition::Supply& supply) {
    std::string label =
        supply.description.empty() ? "Supply " + std::to_string(supply.index) : supply.description;
    std::string amount;
    double width = 0;
    if (supply.percent) {
        double percent = std::clamp(*supply.percent, 0.0, 100.0);
        width = percent;
        amount = std::to_string(static_cast<int>(std::lround(percent))) + "%";
    } else if (supply.levelState == condition::LevelState::SomeRemaining) {
        width = 50;
        amount = "some";
    } else {
        amount = "?";
    }
    html += "<div class=\"supply\" data-colour=\"" + HtmlEscape(supply.colour) + "\">";
    html += "<span class=\"name\">" + HtmlEscape(label) + "</span>";
    html += "<div class=\"bar\"><div class=\"fill\" style=\"width:";
    html += std::to_string(static_cast<int>(std::lround(width)));
    html += "%;background:";
    html += ColorantCss(supply.colour);
    html += "\"></div></div><span class=\"pct\">" + amount + "</span></div>";
}

void WriteTrays(std::string& html, const std::vector<condition::Input>& inputs) {
    if (inputs.empty()) {
        return;
    }
    html += "<table class=\"trays\"><tr><th>Tray</th><th>Media</th><th>Sheets</th></tr>";
    for (const condition::Input& input : inputs) {
        std::string name = input.name.empty() ? "Tray " + std::to_string(input.index) : input.name;
        std::string sheets;
        if (input.level) {
            sheets = std::to_string(*input.level);
        } else if (input.levelState == condition::LevelState::SomeRemaining) {
            sheets = "some";
        } else {
            sheets = "?";
        }
        if (input.capacity) {
            sheets += " / " + std::to_string(*input.capacity);
        }
        html += "<tr><td>" + HtmlEscape(name) + "</td><td>" + HtmlEscape(input.media) +
                "</td><td>" + sheets + "</td></tr>";
    }
    html += "</table>";
}

void WriteAlerts(std::string& html, const std::vector<condition::Alert>& alerts) {
    if (alerts.empty()) {
        return;
    }
    html += "<ul class=\"alerts\">";
    for (const condition::Alert& alert : alerts) {
        std::string severity = EnumLabel(condition::AlertSeverityName(alert.severity));
        std::string code = EnumLabel(condition::AlertCodeName(alert.code));
        html += "<li class=\"" + HtmlEscape(severity) + "\" data-code=\"" + HtmlEscape(code) +
                "\">" + HtmlEscape(code);
        if (!alert.description.empty()) {
            html += (code.empty() ? "" : ": ") + HtmlEscape(alert.description);
        }
        html += "</li>";
    }
    html += "</ul>";
}

void WriteConsole(std::string& html, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.find_first_not_of(' ') != std::string::npos) {
            text += (text.empty() ? "" : " / ") + HtmlEscape(line);
        }
    }
    if (!text.empty()) {
        html += "<p class=\"console\">Console: <code>" + text + "</code></p>";
    }
}

}  // namespace

void WritePrinterCard(std::string& html, const PrinterView& view,
                      std::chrono::system_clock::time_point now) {
    const condition::Condition& c = view.condition;
    const char* health = PageHealth(view);
    html += "<section class=\"printer ";
    html += health;
    html +=
        "\"><div class=\"head\"><h2>" + HtmlEscape(PrinterName(view)) + "</h2><span class=\"badge ";
    html += health;
    html += "\">";
    html += view.read ? health : "not read yet";
    html += "</span></div><p class=\"facts\">";
    for (const std::string* fact : {&c.model, &c.location, &c.serial}) {
        if (!fact->empty()) {
            html += HtmlEscape(*fact) + " &middot; ";
        }
    }
    html += "<span class=\"target\">" + HtmlEscape(view.target) + "</span></p>";
    const std::vector<ReasonWords> reasons = PageReasons(view);
    if (!reasons.empty()) {
        html += "<ul class=\"reasons\">";
        for (const ReasonWords& reason : reasons) {
            html +=
                "<li title=\"" + HtmlEscape(reason.mib) + "\">" + HtmlEscape(reason.text) + "</li>";
        }
        html += "</ul>";
    }
    for (const condition::Supply& supply : c.supplies) {
        WriteSupply(html, supply);
    }
    WriteTrays(html, c.inputs);
    WriteAlerts(html, c.alerts);
    WriteConsole(html, c.consoleLines);
    html += "<p class=\"seen\">";
    if (view.lastAnswered) {
        html += "Last answered " + TimeText(*view.lastAnswered) + " (" +
                AgeText(now - *view.lastAnswered) + ")";
    } else {
        html += "Has not answered since the exporter started";
    }
    html += "</p></section>";
}

}  // namespace exporter
