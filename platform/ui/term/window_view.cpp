#include "window_view.h"

#include "display_text.h"
#include "shell/resources/resource.h"

namespace vmterm {
namespace {

constexpr std::size_t kLabelColumns = 20;  // "Power-On Page Count:"
constexpr int kBarCells = 20;

std::string TextOf(Dialog& dialog, int id) {
    const Control* control = dialog.Find(id);
    return control != nullptr ? control->text : std::string();
}

std::string Row(std::string_view label, std::string_view value) {
    std::string line = PadLeft(label, kLabelColumns);
    line += ' ';
    line += value;
    return line;
}

std::string TrayText(const WindowView& view) {
    if (!view.trayPresent) {
        return "none";
    }
    std::string text = IconKindName(view.trayIcon);
    if (!view.trayTip.empty()) {
        text += " - " + TerminalText(view.trayTip);
    }
    return text;
}

}  // namespace

WindowView CaptureView(Dialog& dialog, std::optional<int> state, Clock::time_point now) {
    WindowView view;
    view.title = dialog.title;
    view.label = TextOf(dialog, IDC_PRIMARY_LABEL);
    view.primary = TextOf(dialog, IDC_PRIMARY);
    view.secondary = TextOf(dialog, IDC_SECONDARY);
    view.pageCount = TextOf(dialog, IDC_PAGECOUNT);
    view.powerOnCount = TextOf(dialog, IDC_POWERON_COUNT);
    if (const Control* toner = dialog.Find(IDC_TONER)) {
        view.toner = toner->progress;
    }
    if (const Control* update = dialog.Find(IDC_UPDATE_TARGET)) {
        view.updateTargetVisible = update->visible;
    }
    view.windowVisible = dialog.visible;
    if (const auto icon = TrayIconOf(dialog.Handle())) {
        view.trayPresent = true;
        view.trayIcon = KindOfIcon(icon->icon);
        view.trayTip = icon->tip;
    }
    view.balloon = ActiveBalloon(now);
    view.state = state;
    return view;
}

std::vector<std::string> RenderWindow(const WindowView& view, const RenderOptions& options) {
    std::vector<std::string> lines;
    lines.push_back("== " + TerminalText(view.title) + " ==");

    std::string primary = TerminalText(view.primary);
    if (view.updateTargetVisible) {
        // The entry field: brackets mark its extent, the caret its end while it has focus.
        primary = "[" + primary + (options.fieldFocused ? "_" : "") + "]";
    }
    lines.push_back(Row(TerminalText(view.label), primary));

    const std::vector<std::string> secondary = TerminalLines(view.secondary);
    if (secondary.empty()) {
        lines.push_back(Row("Secondary Status:", ""));
    }
    for (std::size_t i = 0; i < secondary.size(); ++i) {
        lines.push_back(Row(i == 0 ? "Secondary Status:" : "", secondary[i]));
    }

    lines.push_back(Row("Toner Remaining:", ProgressBarText(view.toner, kBarCells)));
    lines.push_back(Row("Current Page Count:", TerminalText(view.pageCount)));
    lines.push_back(Row("Power-On Page Count:", TerminalText(view.powerOnCount)));
    lines.push_back(Row("", view.updateTargetVisible ? "<Update Target>  <Hide>" : "<Hide>"));
    lines.push_back(Row("Tray:", TrayText(view)));

    if (options.interactive) {
        if (view.balloon) {
            lines.push_back(Row("Notification:", TerminalText(view.balloon->title) + ": " +
                                                     TerminalText(view.balloon->text)));
        }
        std::string keys = view.updateTargetVisible && options.fieldFocused
                               ? "type a target  Enter Update Target  Tab other keys  Esc Exit"
                               : (view.updateTargetVisible ? "Tab edit target  " : "") +
                                     std::string("u/Enter Update Target  h Hide  m Menu  q Exit");
        lines.push_back(Row("Keys:", keys));
    }
    return lines;
}

std::string RenderHidden(const WindowView& view) {
    // The keys first: a narrow terminal cuts the end of the line.
    return "[hidden: s Show, q Exit] " + TerminalText(view.title) + " | " +
           TerminalText(view.label) + " " + TerminalText(view.primary) + " | tray " +
           TrayText(view);
}

std::optional<std::string> StateName(std::optional<int> state) {
    if (!state) {
        return std::nullopt;
    }
    switch (*state) {
        case 0:
            return "ok";
        case 1:
            return "lost";
        case 2:
            return "unreachable";
        default:
            return std::nullopt;
    }
}

std::string JsonString(std::string_view bytes) {
    return JsonFromCodePoints(DecodeText(bytes, IsValidUtf8(bytes)));
}

std::string JsonFromCodePoints(const std::vector<char32_t>& text) {
    static const char* const kHex = "0123456789abcdef";
    std::string out = "\"";
    for (const char32_t c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        // Controls, and the two line separators that JavaScript treats as line ends.
        if (IsControl(c) || c == 0x2028 || c == 0x2029) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out.push_back(kHex[(c >> shift) & 0xF]);
            }
            continue;
        }
        AppendUtf8(out, c);
    }
    out += '"';
    return out;
}

std::string RenderJson(const WindowView& view) {
    std::string out = "{";
    out += "\"title\":" + JsonString(view.title);
    out += ",\"label\":" + JsonString(view.label);
    out += ",\"primary\":" + JsonString(view.primary);

    // Lines split as the display splits them, each encoded from its own bytes.
    out += ",\"secondary\":[";
    std::string_view rest = view.secondary;
    const bool asUtf8 = IsValidUtf8(rest);
    bool first = true;
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        const std::string_view line = rest.substr(0, end);
        if (!first) {
            out += ',';
        }
        out += JsonFromCodePoints(DecodeText(line, asUtf8));
        first = false;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
    }
    out += "]";

    const auto percent = ProgressPercent(view.toner);
    out += ",\"toner\":{\"min\":" + std::to_string(view.toner.minimum) +
           ",\"max\":" + std::to_string(view.toner.maximum) +
           ",\"pos\":" + std::to_string(view.toner.position) +
           ",\"percent\":" + (percent ? std::to_string(*percent) : std::string("null")) + "}";
    out += ",\"page_count\":" + JsonString(view.pageCount);
    out += ",\"power_on_count\":" + JsonString(view.powerOnCount);
    if (view.trayPresent) {
        const bool known = view.trayIcon == IconKind::Online || view.trayIcon == IconKind::Offline;
        out += ",\"tray\":{\"icon\":" +
               (known ? "\"" + std::string(IconKindName(view.trayIcon)) + "\"" : "null") +
               ",\"tip\":" + JsonString(view.trayTip) + "}";
    } else {
        out += ",\"tray\":null";
    }
    const auto state = StateName(view.state);
    out += ",\"state\":" + (state ? "\"" + *state + "\"" : std::string("null"));
    out += std::string(",\"update_target\":") + (view.updateTargetVisible ? "true" : "false");
    out += std::string(",\"visible\":") + (view.windowVisible ? "true" : "false");
    out += "}\n";
    return out;
}

}  // namespace vmterm
