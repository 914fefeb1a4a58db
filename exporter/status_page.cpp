#include "exporter/status_page.h"

#include <algorithm>
#include <cmath>

#include "exporter/printer_card.h"
#include "text/printable_text.h"
#include "vellumark/version.h"

namespace exporter {
namespace {

constexpr const char* NEUTRAL = "#8a8f98";

// The healths in the order the page lists them: what needs attention first.
constexpr const char* HEALTH_ORDER[] = {"unreachable", "critical", "warning", "unknown", "ok"};

constexpr const char* STYLE = R"css(
*{box-sizing:border-box}
body{margin:0;font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;background:#f3f4f6;color:#1f2328}
a{color:#0550ae}
a:focus-visible,button:focus-visible,input:focus-visible,select:focus-visible{outline:3px solid #0969da;outline-offset:2px}
header{padding:10px 16px;background:#24292f;color:#fff;display:flex;flex-wrap:wrap;align-items:center;gap:6px 20px}
header h1{margin:0;font-size:20px}
header p{margin:0;font-size:13px;color:#c9d1d9;flex:1 1 auto}
.counts{display:flex;flex-wrap:wrap;gap:6px}
.count{display:inline-block;padding:3px 10px;border-radius:12px;color:#fff;text-decoration:none;font-size:13px;background:#6e7781}
.count .n{font-size:15px;font-weight:700}
.count.ok{background:#1a7f37}.count.warning{background:#9a6700}.count.critical{background:#cf222e}.count.unreachable{background:#57606a}
.count.zero{opacity:.55}
.count:focus-visible{outline-color:#fff}
form.filter{display:flex;flex-wrap:wrap;gap:8px 14px;align-items:center;padding:8px 16px;background:#fff;border-bottom:1px solid #d0d7de}
form.filter label{font-size:13px;color:#57606a}
form.filter select,form.filter input,form.filter button{font:inherit;padding:3px 8px;border:1px solid #8c959f;border-radius:6px;background:#fff;color:#1f2328}
form.filter input{width:18em;max-width:100%}
form.filter button{background:#f6f8fa;cursor:pointer}
.shown{margin:0;font-size:13px;color:#57606a}
main{padding:8px 12px}
table.fleet{border-collapse:collapse;width:100%;background:#fff;font-size:13px;box-shadow:0 1px 2px rgba(0,0,0,.12)}
.fleet th{position:sticky;top:0;background:#eaeef2;text-align:left;padding:5px 8px;font-weight:600;white-space:nowrap}
.fleet td{padding:3px 8px;border-top:1px solid #eaeef2;vertical-align:top}
.fleet tr.unreachable td:first-child{box-shadow:inset 5px 0 #57606a}
.fleet tr.critical td:first-child{box-shadow:inset 5px 0 #cf222e}
.fleet tr.warning td:first-child{box-shadow:inset 5px 0 #d4a72c}
.fleet tr.ok td:first-child{box-shadow:inset 5px 0 #2da44e}
.fleet tr.critical{background:#fff5f5}.fleet tr.unreachable{background:#f6f8fa}.fleet tr.warning{background:#fffbea}
.fleet .name{padding-left:14px;font-weight:600;white-space:nowrap}
.fleet .addr{font-weight:400;font-size:12px;color:#57606a;margin-left:4px}
.fleet .why{color:#1f2328}
.fleet .model,.fleet .seen{color:#57606a}
.fleet .seen,.fleet .paper,.fleet .supply-cell{white-space:nowrap}
.fleet .model{max-width:17em;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.swatch{display:inline-block;width:11px;height:11px;border-radius:2px;border:1px solid rgba(0,0,0,.3);vertical-align:-1px;margin-right:5px}
.badge{display:inline-block;font-size:12px;font-weight:600;padding:1px 8px;border-radius:10px;color:#fff;background:#6e7781;white-space:nowrap}
.badge.ok{background:#1a7f37}.badge.warning{background:#9a6700}.badge.critical{background:#cf222e}.badge.unreachable{background:#57606a}
.back{display:inline-block;margin:4px 0 10px}
.printer{max-width:560px;background:#fff;border-radius:8px;padding:12px 14px;border-left:6px solid #8a8f98;box-shadow:0 1px 2px rgba(0,0,0,.12)}
.printer.ok{border-left-color:#2da44e}.printer.warning{border-left-color:#d4a72c}
.printer.critical{border-left-color:#cf222e}.printer.unreachable{border-left-color:#6e7781}
.head{display:flex;justify-content:space-between;align-items:baseline;gap:8px}
.head h2{margin:0;font-size:17px;overflow-wrap:anywhere}
.facts,.seen{margin:4px 0;font-size:13px;color:#57606a;overflow-wrap:anywhere}
.reasons{margin:6px 0;padding-left:18px;font-size:13px}
.supply{display:grid;grid-template-columns:minmax(0,1fr) 3.5em;gap:2px 8px;margin:6px 0;font-size:13px}
.supply .name{grid-column:1/3;overflow-wrap:anywhere}
.bar{height:12px;background:#eaeef2;border-radius:6px;overflow:hidden;border:1px solid #d0d7de}
.fill{height:100%}
.pct{text-align:right;font-variant-numeric:tabular-nums}
.printer table{border-collapse:collapse;width:100%;font-size:13px;margin:6px 0}
.printer th,.printer td{text-align:left;padding:2px 4px;border-bottom:1px solid #eaeef2;overflow-wrap:anywhere}
.alerts{margin:6px 0;padding-left:18px;font-size:13px}
.console{margin:6px 0;font-size:13px}
.alerts .critical{color:#cf222e}.alerts .warning{color:#9a6700}
.console code{font-family:ui-monospace,monospace;background:#eaeef2;padding:1px 4px;border-radius:4px}
.empty{padding:24px;color:#57606a}
@media (max-width:760px){
.fleet thead{display:none}
.fleet,.fleet tbody,.fleet tr,.fleet td{display:block;width:100%}
.fleet tr{display:grid;grid-template-columns:1fr auto;padding:6px 8px 6px 14px;border-top:1px solid #d0d7de}
.fleet tr[hidden]{display:none}
.fleet td{border:0;padding:1px 0}
.fleet .model{max-width:none;white-space:normal}
.fleet td:first-child{box-shadow:none!important}
.fleet tr.critical{box-shadow:inset 5px 0 #cf222e}.fleet tr.unreachable{box-shadow:inset 5px 0 #57606a}
.fleet tr.warning{box-shadow:inset 5px 0 #d4a72c}.fleet tr.ok{box-shadow:inset 5px 0 #2da44e}
.fleet .name{padding-left:0}
.fleet .health,.fleet .model{grid-column:1/3}
.fleet .supply-cell::before{content:"Lowest: ";color:#57606a}
.fleet .paper::before{content:"Paper: ";color:#57606a}
}
)css";

// Filters the rows live as the form changes, and keeps the choice in the address so the
// page's own reload keeps it; without it the form filters through its GET parameters.
constexpr const char* SCRIPT = R"js(
(function(){
var f=document.getElementById('filter'),h=f.elements.health,q=f.elements.q;
var rows=[].slice.call(document.querySelectorAll('table.fleet tbody tr'));
var shown=document.getElementById('shown');
function wanted(r){var v=h.value,x=r.getAttribute('data-health');
if(v==='attention'){if(x!=='unreachable'&&x!=='critical'&&x!=='warning')return false}
else if(v&&v!==x)return false;
var t=q.value.trim().toLowerCase();return !t||r.getAttribute('data-search').indexOf(t)>=0}
function apply(){var n=0;rows.forEach(function(r){var w=wanted(r);r.hidden=!w;if(w)n++});
shown.textContent='Showing '+n+' of '+rows.length+(rows.length===1?' printer':' printers');
var p=[];if(h.value)p.push('health='+encodeURIComponent(h.value));
if(q.value)p.push('q='+encodeURIComponent(q.value));
history.replaceState(null,'',p.length?'?'+p.join('&'):location.pathname)}
h.addEventListener('change',apply);q.addEventListener('input',apply);
f.addEventListener('submit',function(e){e.preventDefault();apply()});
})();
)js";

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// A target as a query parameter's value: everything but unreserved characters percent-encoded.
std::string UrlEncode(std::string_view text) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += HEX[byte >> 4];
            out += HEX[byte & 15];
        }
    }
    return out;
}

std::size_t Rank(std::string_view health) {
    std::size_t rank = 0;
    while (rank < std::size(HEALTH_ORDER) && health != HEALTH_ORDER[rank]) {
        ++rank;
    }
    return rank;
}

bool NeedsAttention(std::string_view health) {
    return health == "unreachable" || health == "critical" || health == "warning";
}

// What the text filter looks in, lower-case.
std::string SearchText(const PrinterView& view, const std::vector<ReasonWords>& reasons) {
    const condition::Condition& c = view.condition;
    std::string text = PrinterName(view) + " " + view.target + " " + c.name + " " + c.model + " " +
                       c.location + " " + c.serial + " " + PageHealth(view);
    for (const ReasonWords& reason : reasons) {
        text += " " + reason.text;
    }
    return Lower(text);
}

bool Shown(const PageQuery& query, std::string_view health, const std::string& search) {
    if (query.health == "attention") {
        if (!NeedsAttention(health)) {
            return false;
        }
    } else if (Rank(query.health) < std::size(HEALTH_ORDER) && query.health != health) {
        return false;  // an unknown choice filters nothing, as "" does
    }
    const std::size_t from = query.text.find_first_not_of(' ');
    const std::size_t to = query.text.find_last_not_of(' ');
    return from == std::string::npos ||
           search.find(Lower(std::string_view(query.text).substr(from, to - from + 1))) !=
               std::string::npos;
}

// The consumed supply with the lowest known percent: what runs out first.
const condition::Supply* LowestSupply(const condition::Condition& c) {
    const condition::Supply* lowest = nullptr;
    for (const condition::Supply& supply : c.supplies) {
        if (supply.percent && supply.supplyClass != mib::SUPPLY_CLASS_RECEPTACLE &&
            (lowest == nullptr || *supply.percent < *lowest->percent)) {
            lowest = &supply;
        }
    }
    return lowest;
}

// A supply in a few words: "yellow toner", "black ink", "drum", else its description.
std::string SupplyLabel(const condition::Supply& supply) {
    static constexpr std::pair<std::string_view, const char*> KINDS[] = {
        {"toner", "toner"}, {"tonerCartridge", "toner"}, {"ink", "ink"}, {"inkCartridge", "ink"},
        {"opc", "drum"},    {"developer", "developer"},
    };
    const std::string_view type = condition::SupplyTypeName(supply.type);
    for (const auto& [name, kind] : KINDS) {
        if (name == type) {
            return supply.colour.empty() ? kind : supply.colour + " " + kind;
        }
    }
    if (!supply.colour.empty()) {
        return supply.colour;
    }
    return supply.description.empty() ? "supply " + std::to_string(supply.index)
                                      : supply.description;
}

void WriteLowestSupply(std::string& html, const condition::Condition& c) {
    const condition::Supply* lowest = LowestSupply(c);
    if (lowest == nullptr) {
        html += "<td class=\"supply-cell\">&ndash;</td>";
        return;
    }
    html += "<td class=\"supply-cell\" title=\"" + HtmlEscape(lowest->description) +
            "\"><span class=\"swatch\" style=\"background:";
    html += ColorantCss(lowest->colour);
    html += "\"></span>" + HtmlEscape(SupplyLabel(*lowest)) + " " +
            std::to_string(static_cast<int>(std::lround(*lowest->percent))) + "%</td>";
}

// Empty trays by name, else the sheets known to be in them; every tray in the tooltip.
void WritePaper(std::string& html, const condition::Condition& c) {
    if (c.inputs.empty()) {
        html += "<td class=\"paper\">&ndash;</td>";
        return;
    }
    std::string empty;
    std::string detail;
    long long sheets = 0;
    bool some = false;
    for (const condition::Input& input : c.inputs) {
        const std::string name =
            input.name.empty() ? "Tray " + std::to_string(input.index) : input.name;
        detail += (detail.empty() ? "" : ", ") + name + ": ";
        if (input.level) {
            detail += std::to_string(*input.level);
            sheets += *input.level;
            if (*input.level == 0 && input.capacity.value_or(1) > 0) {
                empty += (empty.empty() ? "" : ", ") + name;
            }
        } else {
            some = some || input.levelState == condition::LevelState::SomeRemaining;
            detail += input.levelState == condition::LevelState::SomeRemaining ? "some" : "?";
        }
        if (input.capacity) {
            detail += " / " + std::to_string(*input.capacity);
        }
    }
    html += "<td class=\"paper\" title=\"" + HtmlEscape(detail) + "\">";
    if (!empty.empty()) {
        html += HtmlEscape(empty) + " empty";
    } else if (sheets > 0 || !some) {
        html += std::to_string(sheets) + (some ? "+" : "") + " sheets";
    } else {
        html += "some";
    }
    html += "</td>";
}

// One printer's row, hidden unless the query shows it; whether it does.
bool WriteRow(std::string& html, const PrinterView& view, const PageQuery& query,
              std::chrono::system_clock::time_point now) {
    const condition::Condition& c = view.condition;
    const char* health = PageHealth(view);
    const std::vector<ReasonWords> reasons = PageReasons(view);
    const std::string search = SearchText(view, reasons);
    html += "<tr class=\"";
    html += health;
    html += "\" data-health=\"";
    html += health;
    html += "\" data-search=\"" + HtmlEscape(search) + "\"";
    const bool shown = Shown(query, health, search);
    if (!shown) {
        html += " hidden";
    }
    html += "><td class=\"name\"><a href=\"?printer=" + HtmlEscape(UrlEncode(view.target)) + "\">" +
            HtmlEscape(PrinterName(view)) + "</a><span class=\"addr\">" + HtmlEscape(view.target) +
            "</span></td>";
    html += "<td class=\"model\">" + HtmlEscape(c.model) + "</td>";
    std::string mib;
    for (const std::string& reason : c.reasons) {
        mib += (mib.empty() ? "" : "; ") + reason;
    }
    html += "<td class=\"health\"><span class=\"badge ";
    html += health;
    html += "\" title=\"" + HtmlEscape(mib) + "\">";
    html += view.read ? health : "not read yet";
    html += "</span>";
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        html += i == 0 ? " " : "; ";
        html += "<span class=\"why\" title=\"" + HtmlEscape(reasons[i].mib) + "\">" +
                HtmlEscape(reasons[i].text) + "</span>";
    }
    html += "</td>";
    WriteLowestSupply(html, c);
    WritePaper(html, c);
    if (view.lastAnswered) {
        html += "<td class=\"seen\" title=\"" + TimeText(*view.lastAnswered) + "\">" +
                AgeText(now - *view.lastAnswered) + "</td>";
    } else {
        html += "<td class=\"seen\">never</td>";
    }
    html += "</tr>";
    return shown;
}

void WriteHead(std::string& html, const std::vector<PrinterView>& printers,
               std::chrono::system_clock::time_point now, const std::string& title) {
    html +=
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<meta http-equiv=\"refresh\" content=\"30\"><title>" +
        title + " - Vellumark</title><style>";
    html += STYLE;
    html += "</style></head><body><header><h1>Printers</h1><p>";
    html += std::to_string(printers.size()) + (printers.size() == 1 ? " printer" : " printers");
    html += " &middot; " + TimeText(now) + " &middot; vellumark-exporter " VELLUMARK_VERSION;
    html += "</p><nav class=\"counts\" aria-label=\"Printers by health\">";
    for (const char* health : HEALTH_ORDER) {
        const auto count = std::count_if(
            printers.begin(), printers.end(),
            [&](const PrinterView& v) { return PageHealth(v) == std::string_view(health); });
        if (count == 0 && std::string_view(health) == "unknown") {
            continue;
        }
        html += "<a class=\"count ";
        html += health;
        html += count == 0 ? " zero" : "";
        html += "\" href=\"?health=";
        html += health;
        html += "\"><span class=\"n\">" + std::to_string(count) + "</span> ";
        html += std::string_view(health) == "unknown" ? "not read yet" : health;
        html += "</a>";
    }
    html += "</nav></header>";
}

void WriteFilter(std::string& html, const PageQuery& query, std::size_t shown, std::size_t total) {
    static constexpr std::pair<const char*, const char*> CHOICES[] = {
        {"", "all"},
        {"attention", "needs attention"},
        {"unreachable", "unreachable"},
        {"critical", "critical"},
        {"warning", "warning"},
        {"ok", "ok"},
    };
    html +=
        "<form class=\"filter\" id=\"filter\" method=\"get\" action=\"/\" role=\"search\">"
        "<label for=\"health\">Health</label><select id=\"health\" name=\"health\">";
    for (const auto& [value, label] : CHOICES) {
        html += "<option value=\"";
        html += value;
        html += query.health == value ? "\" selected>" : "\">";
        html += label;
        html += "</option>";
    }
    html +=
        "</select><label for=\"q\">Search</label><input id=\"q\" name=\"q\" type=\"search\" "
        "placeholder=\"name, address, model, reason\" value=\"" +
        HtmlEscape(query.text) +
        "\"><button type=\"submit\">Filter</button><p class=\"shown\" id=\"shown\" "
        "aria-live=\"polite\">Showing " +
        std::to_string(shown) + " of " + std::to_string(total) +
        (total == 1 ? " printer" : " printers") + "</p></form>";
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

std::optional<std::string> RenderStatusPage(const std::vector<PrinterView>& printers,
                                            std::chrono::system_clock::time_point now,
                                            const PageQuery& query) {
    std::string html;
    if (!query.printer.empty()) {
        auto view = std::find_if(printers.begin(), printers.end(),
                                 [&](const PrinterView& v) { return v.target == query.printer; });
        if (view == printers.end()) {
            return std::nullopt;
        }
        WriteHead(html, printers, now, HtmlEscape(PrinterName(*view)));
        html += "<main><a class=\"back\" href=\"/\">&larr; All printers</a>";
        WritePrinterCard(html, *view, now);
        html += "</main></body></html>\n";
        return html;
    }

    std::vector<const PrinterView*> order;
    for (const PrinterView& view : printers) {
        order.push_back(&view);
    }
    std::stable_sort(order.begin(), order.end(), [](const PrinterView* a, const PrinterView* b) {
        const std::size_t ra = Rank(PageHealth(*a));
        const std::size_t rb = Rank(PageHealth(*b));
        if (ra != rb) {
            return ra < rb;
        }
        return Lower(PrinterName(*a)) < Lower(PrinterName(*b));
    });
    std::string rows;
    rows.reserve(printers.size() * 1024);
    std::size_t shown = 0;
    for (const PrinterView* view : order) {
        shown += WriteRow(rows, *view, query, now) ? 1 : 0;
    }

    html.reserve(8192 + rows.size());
    WriteHead(html, printers, now, "Printers");
    WriteFilter(html, query, shown, printers.size());
    html += "<main>";
    if (printers.empty()) {
        html += "<p class=\"empty\">No printers are listed in the configuration file.</p>";
    } else {
        html +=
            "<table class=\"fleet\"><thead><tr><th scope=\"col\">Printer</th>"
            "<th scope=\"col\">Model</th><th scope=\"col\">Health</th>"
            "<th scope=\"col\">Lowest supply</th><th scope=\"col\">Paper</th>"
            "<th scope=\"col\">Last answer</th></tr></thead><tbody>";
        html += rows;
        html += "</tbody></table>";
    }
    html += "</main><script>";
    html += SCRIPT;
    html += "</script></body></html>\n";
    return html;
}

}  // namespace exporter
