#include "exporter/status_page.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "exporter/reading_metrics.h"
#include "text/printable_text.h"
#include "vellumark/version.h"

namespace exporter {
namespace {

constexpr const char* NEUTRAL = "#8a8f98";

constexpr const char* STYLE = R"css(
*{box-sizing:border-box}
body{margin:0;font:15px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;background:#f3f4f6;color:#1f2328}
header{padding:12px 16px;background:#24292f;color:#fff}
header h1{margin:0;font-size:20px}
header p{margin:2px 0 0;font-size:13px;color:#c9d1d9}
main{padding:12px;display:grid;gap:12px;grid-template-columns:repeat(auto-fill,minmax(320px,1fr))}
.printer{background:#fff;border-radius:8px;padding:12px 14px;border-left:6px solid #8a8f98;box-shadow:0 1px 2px rgba(0,0,0,.12)}
.printer.ok{border-left-color:#2da44e}.printer.warning{border-left-color:#d4a72c}
.printer.critical{border-left-color:#cf222e}.printer.unreachable{border-left-color:#6e7781}
.head{display:flex;justify-content:space-between;align-items:baseline;gap:8px}
.head h2{margin:0;font-size:17px;overflow-wrap:anywhere}
.badge{font-size:12px;font-weight:600;padding:2px 8px;border-radius:10px;color:#fff;background:#6e7781;white-space:nowrap}
.badge.ok{background:#2da44e}.badge.warning{background:#bf8700}.badge.critical{background:#cf222e}
.model,.seen{margin:4px 0;font-size:13px;color:#57606a;overflow-wrap:anywhere}
.reasons{margin:6px 0;padding-left:18px;font-size:13px}
.supply{display:grid;grid-template-columns:minmax(0,1fr) 3.5em;gap:2px 8px;margin:6px 0;font-size:13px}
.supply .name{grid-column:1/3;overflow-wrap:anywhere}
.bar{height:12px;background:#eaeef2;border-radius:6px;overflow:hidden;border:1px solid #d0d7de}
.fill{height:100%}
.pct{text-align:right;font-variant-numeric:tabular-nums}
table{border-collapse:collapse;width:100%;font-size:13px;margin:6px 0}
th,td{text-align:left;padding:2px 4px;border-bottom:1px solid #eaeef2;overflow-wrap:anywhere}
.alerts{margin:6px 0;padding-left:18px;font-size:13px}
.alerts .critical{color:#cf222e}.alerts .warning{color:#9a6700}
.empty{padding:24px;color:#57606a}
)css";

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

void WritePrinter(std::string& html, const PrinterView& view,
                  std::chrono::system_clock::time_point now) {
    const condition::Condition& c = view.condition;
    const char* health =
        view.read ? condition::HealthName(c.answered ? c.health : condition::Health::Unreachable)
                  : "unknown";
    html += "<section class=\"printer ";
    html += health;
    html += "\"><div class=\"head\"><h2>" + HtmlEscape(view.name) + "</h2><span class=\"badge ";
    html += health;
    html += "\">";
    html += view.read ? health : "not read yet";
    html += "</span></div><p class=\"model\">";
    if (!c.model.empty()) {
        html += HtmlEscape(c.model) + " &middot; ";
    }
    html += "<span class=\"target\">" + HtmlEscape(view.target) + "</span></p>";

    // The error is among the reasons when the health was derived (the printer's reason when it
    // did not answer, "incomplete reading: ..." when it stopped early); else it is said here.
    std::vector<std::string> reasons = c.reasons;
    if (!c.error.empty() &&
        std::none_of(reasons.begin(), reasons.end(), [&](const std::string& reason) {
            return reason.find(c.error) != std::string::npos;
        })) {
        reasons.push_back(c.error);
    }
    if (!reasons.empty()) {
        html += "<ul class=\"reasons\">";
        for (const std::string& reason : reasons) {
            html += "<li>" + HtmlEscape(reason) + "</li>";
        }
        html += "</ul>";
    }
    for (const condition::Supply& supply : c.supplies) {
        WriteSupply(html, supply);
    }
    WriteTrays(html, c.inputs);
    WriteAlerts(html, c.alerts);
    html += "<p class=\"seen\">";
    if (view.lastAnswered) {
        html += "Last answered " + TimeText(*view.lastAnswered) + " (" +
                AgeText(now - *view.lastAnswered) + ")";
    } else {
        html += "Has not answered since the exporter started";
    }
    html += "</p></section>";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    // A printer's bidirectional overrides would reorder the page around them, and its controls
    // have no place in it: the one printable rule first, then HTML's own escapes.
    const std::string printable = PrintableText(text);
    std::string out;
    out.reserve(printable.size());
    for (char c : printable) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

const char* ColorantCss(std::string_view colour) {
    std::string name;
    for (char c : colour) {
        name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    // Longer names first: "light cyan" before "cyan", "matte black" before "black".
    static constexpr std::pair<const char*, const char*> COLOURS[] = {
        {"light cyan", "#7fd3f5"}, {"light magenta", "#f28cc4"}, {"light black", "#6e6e6e"},
        {"black", "#1f1f1f"},      {"cyan", "#00a3e0"},          {"magenta", "#d6007e"},
        {"yellow", "#f2c500"},     {"red", "#d7261e"},           {"green", "#2e9e44"},
        {"blue", "#2557d6"},       {"orange", "#f28500"},        {"violet", "#7d3fc1"},
        {"gray", "#9a9a9a"},       {"grey", "#9a9a9a"},
    };
    for (const auto& [key, css] : COLOURS) {
        if (name.find(key) != std::string::npos) {
            return css;
        }
    }
    return NEUTRAL;
}

std::string RenderStatusPage(const std::vector<PrinterView>& printers,
                             std::chrono::system_clock::time_point now) {
    std::string html;
    html.reserve(4096 + printers.size() * 2048);
    html +=
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<meta http-equiv=\"refresh\" content=\"30\"><title>Printers - Vellumark</title><style>";
    html += STYLE;
    html += "</style></head><body><header><h1>Printers</h1><p>";
    html += std::to_string(printers.size()) + (printers.size() == 1 ? " printer" : " printers");
    html += " &middot; " + TimeText(now) + " &middot; vellumark-exporter " VELLUMARK_VERSION;
    html += "</p></header><main>";
    if (printers.empty()) {
        html += "<p class=\"empty\">No printers are listed in the configuration file.</p>";
    }
    for (const PrinterView& view : printers) {
        WritePrinter(html, view, now);
    }
    html += "</main></body></html>\n";
    return html;
}

}  // namespace exporter
