#include "window_view.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "display_text.h"
#include "tray.h"

namespace vmterm {
namespace {

constexpr std::size_t kBarCells = 20;
constexpr std::size_t kSmallestBar = 5;
constexpr const char* kTrayLabel = "Tray:";
constexpr const char* kNoticeLabel = "Notification:";
constexpr std::string_view kReservedKeys = "qmst";  // Exit, menu, show, tray double-click
constexpr const char* kEllipsis = "\xE2\x80\xA6";

bool Overlaps(const tmpl::ControlTemplate& a, const tmpl::ControlTemplate& b) {
    return a.y < b.y + b.cy && b.y < a.y + a.cy;
}

// The bar's filled share scaled to `scale`, nothing outside a non-empty range.
std::optional<long long> Scaled(const posixui::ProgressState& bar, long long scale) {
    const long long span = static_cast<long long>(bar.maximum) - bar.minimum;
    if (span <= 0 || bar.position < bar.minimum || bar.position > bar.maximum) {
        return std::nullopt;
    }
    return (static_cast<long long>(bar.position) - bar.minimum) * scale / span;
}

std::string BarText(const posixui::ProgressState& bar, std::size_t cells) {
    const auto filled = Scaled(bar, static_cast<long long>(cells));
    std::string out = "[";
    for (std::size_t i = 0; i < cells; ++i) {
        out += filled && static_cast<long long>(i) < *filled ? '#' : '-';
    }
    const auto percent = Scaled(bar, 100);
    return out + "] " + (percent ? std::to_string(*percent) + "%" : "unknown");
}

// A key letter for a caption: its first letter, unless a key of the window's own has it.
char KeyOf(const Control& button) {
    const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(button.text[0])));
    const bool letter = std::isalpha(static_cast<unsigned char>(first)) != 0;
    return letter && kReservedKeys.find(first) == std::string_view::npos ? first : '\0';
}

struct Layout {
    std::size_t labelColumns = 0;
    std::size_t valueColumns = 0;  // 0: no limit
};

std::string Labelled(const Layout& layout, std::string_view label, std::string_view value) {
    return PadLeft(CutWithSign(label, layout.labelColumns), layout.labelColumns) + " " +
           std::string(value);
}

// One control's text in its row, by class; a multi-line edit's further lines go to `more`.
std::string CellText(Dialog& dialog, Control& control, const ViewOptions& options,
                     const Layout& layout, std::vector<std::string>& more) {
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultButton:
            return "<" + TerminalText(control.text) + ">";
        case ControlKind::Progress: {
            std::size_t cells = kBarCells;
            if (layout.valueColumns > 0) {
                cells = std::clamp(layout.valueColumns, kSmallestBar + 7, kBarCells + 7) - 7;
            }
            return BarText(control.progress, cells);
        }
        case ControlKind::MultiLineEdit: {
            const std::vector<std::string_view> lines = SplitLines(control.text);
            for (std::size_t i = 1; i < lines.size(); ++i) {
                more.push_back(TerminalText(lines[i]));
            }
            return lines.empty() ? std::string() : TerminalText(lines[0]);
        }
        case ControlKind::Edit:
            if (AwaitsEntry(dialog) && dialog.EntryField() == &control) {
                // The entry field: brackets mark its extent, the caret its end while typing;
                // a long entry shows its end, where the typing is.
                const std::string caret = options.editing ? "_" : "";
                std::string text = TerminalText(control.text);
                const std::size_t room = layout.valueColumns > 3 ? layout.valueColumns - 3 : 0;
                if (layout.valueColumns > 0 && TextColumns(text) > room) {
                    text = kEllipsis + TailColumns(text, room > 1 ? room - 1 : 0);
                }
                return "[" + text + caret + "]";
            }
            return TerminalText(control.text);
        default:
            return TerminalText(control.text);
    }
}

void AddRow(Dialog& dialog, Row& row, const ViewOptions& options, const Layout& layout,
            std::vector<ViewLine>& lines) {
    std::string value;
    std::vector<std::string> more;
    for (Control* cell : row.cells) {
        if (cell->visible) {
            value += (value.empty() ? "" : "  ") + CellText(dialog, *cell, options, layout, more);
        }
    }
    if (value.empty() && row.label == nullptr) {
        return;
    }
    const std::string label = row.label != nullptr ? TerminalText(row.label->text) : "";
    lines.push_back({LineKind::Body, Labelled(layout, label, value)});
    for (const std::string& line : more) {
        lines.push_back({LineKind::More, Labelled(layout, "", line)});
    }
}

struct KeyHint {
    std::string key;
    std::string action;
};

std::vector<KeyHint> KeysThatAct(Dialog& dialog, bool editing) {
    std::vector<KeyHint> keys;
    Control* entry = AwaitsEntry(dialog) ? dialog.EntryField() : nullptr;
    Control* defaultButton = dialog.DefaultButton();
    if (dialog.visible && entry != nullptr && editing) {
        keys.push_back({"Enter", TerminalText(defaultButton->text)});
        keys.push_back({"Tab", "keys"});
        keys.push_back({"Esc", "Exit"});
        return keys;
    }
    if (dialog.visible) {
        for (Control& button : dialog.controls) {
            const char key = button.IsButton() && button.visible ? KeyOf(button) : '\0';
            if (button.IsDefault() && button.visible) {
                keys.insert(keys.begin(), {key != '\0' ? std::string{key, '/'} + "Enter" : "Enter",
                                           TerminalText(button.text)});
            } else if (key != '\0') {
                keys.push_back({std::string(1, key), TerminalText(button.text)});
            }
        }
        if (entry != nullptr) {
            keys.insert(keys.begin() + 1, {"Tab", "edit"});
        }
    } else if (TrayTakesClicks(dialog)) {
        keys.push_back({"s", "Show"});
    }
    if (TrayTakesClicks(dialog)) {
        keys.push_back({"m", "Menu"});
    }
    keys.push_back({"q", "Exit"});
    return keys;
}

// The keys (or an open menu's items), as many to a line as fit.
void AddKeys(Dialog& dialog, const ViewOptions& options, std::vector<ViewLine>& lines) {
    std::vector<KeyHint> hints;
    for (std::size_t i = 0; i < options.menu.size(); ++i) {
        hints.push_back({std::to_string(i + 1), TerminalText(options.menu[i])});
    }
    if (hints.empty()) {
        hints = KeysThatAct(dialog, options.editing);
    } else {
        hints.push_back({"Esc", "closes"});
    }
    // "Keys:" and its items, wrapped under the first item as the width needs.
    const std::string label = options.menu.empty() ? "Keys: " : "Menu: ";
    std::string line;
    for (const KeyHint& hint : hints) {
        const std::string item = hint.key + " " + hint.action;
        if (options.columns > 0 && !line.empty() &&
            label.size() + TextColumns(line) + 2 + TextColumns(item) > options.columns) {
            const bool first = lines.back().kind != LineKind::Keys;
            lines.push_back(
                {LineKind::Keys, (first ? label : std::string(label.size(), ' ')) + line});
            line.clear();
        }
        line += (line.empty() ? "" : "  ") + item;
    }
    const bool first = lines.back().kind != LineKind::Keys;
    lines.push_back({LineKind::Keys, (first ? label : std::string(label.size(), ' ')) + line});
}

std::string TrayText(Dialog& dialog) {
    const NOTIFYICONDATAA* icon = TrayIcons().FirstOf(dialog.Handle());
    if (icon == nullptr) {
        return "none";
    }
    const std::string tip = TerminalText(FieldText(icon->szTip));
    return IconName(icon->hIcon) + (tip.empty() ? "" : " - " + tip);
}

}  // namespace

std::vector<Row> LayoutRows(Dialog& dialog) {
    std::vector<Control*> order;
    for (Control& control : dialog.controls) {
        order.push_back(&control);
    }
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        return a->source->y < b->source->y;
    });
    std::vector<Row> rows;
    for (Control* control : order) {
        if (rows.empty() || !Overlaps(*rows.back().cells.front()->source, *control->source)) {
            rows.emplace_back();
        }
        rows.back().cells.push_back(control);
    }
    for (Row& row : rows) {
        std::stable_sort(
            row.cells.begin(), row.cells.end(),
            [](const Control* a, const Control* b) { return a->source->x < b->source->x; });
        if (row.cells.size() > 1 && row.cells.front()->IsLabel()) {
            row.label = row.cells.front();
            row.cells.erase(row.cells.begin());
        }
    }
    return rows;
}

bool AwaitsEntry(Dialog& dialog) {
    const Control* button = dialog.DefaultButton();
    return button != nullptr && button->visible && dialog.EntryField() != nullptr;
}

Control* ButtonForKey(Dialog& dialog, char key) {
    for (Control& control : dialog.controls) {
        if (control.IsButton() && control.visible && key != '\0' && KeyOf(control) == key) {
            return &control;
        }
    }
    return nullptr;
}

bool TrayTakesClicks(Dialog& dialog) {
    const NOTIFYICONDATAA* icon = TrayIcons().FirstOf(dialog.Handle());
    return icon != nullptr && icon->uCallbackMessage != 0;
}

std::vector<ViewLine> RenderWindow(Dialog& dialog, const ViewOptions& options) {
    std::vector<Row> rows = LayoutRows(dialog);
    Layout layout;
    layout.labelColumns = TextColumns(kNoticeLabel);
    for (const Row& row : rows) {
        if (row.label != nullptr) {
            layout.labelColumns =
                std::max(layout.labelColumns, TextColumns(TerminalText(row.label->text)));
        }
    }
    if (options.columns > 0) {
        // A narrow terminal keeps at least half of each line for the values.
        layout.labelColumns = std::min(layout.labelColumns, options.columns / 2);
        layout.valueColumns = options.columns - layout.labelColumns - 1;
    }

    const std::string title = TerminalText(dialog.title);
    std::vector<ViewLine> lines;
    lines.push_back(
        {LineKind::Title, dialog.visible ? "== " + title + " ==" : "(hidden) " + title});
    for (Row& row : rows) {
        AddRow(dialog, row, options, layout, lines);
        if (!dialog.visible) {
            break;  // a hidden window keeps one line of what it shows
        }
    }
    lines.push_back({LineKind::Body, Labelled(layout, kTrayLabel, TrayText(dialog))});
    if (options.interactive) {
        if (const auto balloon = ActiveBalloon(options.now)) {
            lines.push_back({LineKind::Notice, Labelled(layout, kNoticeLabel,
                                                        TerminalText(balloon->title) + ": " +
                                                            TerminalText(balloon->text))});
        }
        AddKeys(dialog, options, lines);
    }
    return lines;
}

std::vector<std::string> FitToScreen(std::vector<ViewLine> lines, std::size_t columns,
                                     std::size_t rows) {
    if (lines.size() > rows) {  // the balloon goes first: it is only on show for a while
        std::erase_if(lines, [](const ViewLine& line) { return line.kind == LineKind::Notice; });
    }
    // Then a multi-line edit gives up its last lines, its first line saying how many more.
    for (std::size_t i = lines.size(); lines.size() > rows && i-- > 0;) {
        if (lines[i].kind != LineKind::More) {
            continue;
        }
        std::size_t first = i;
        while (lines[first].kind == LineKind::More) {
            --first;  // the row that holds the edit's first line
        }
        std::size_t hidden = 0;
        while (lines.size() > rows && i > first) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i--));
            ++hidden;
        }
        const std::string sign = " (+" + std::to_string(hidden) + " more)";
        std::string& kept = lines[i].text;
        kept = CutWithSign(kept, columns > sign.size() ? columns - sign.size() : 0) + sign;
    }
    if (lines.size() > rows) {
        // Keep the title and the keys; the rows between them are cut, with a sign.
        const auto keys = std::find_if(lines.begin(), lines.end(), [](const ViewLine& line) {
            return line.kind == LineKind::Keys;
        });
        const std::size_t keyLines = static_cast<std::size_t>(lines.end() - keys);
        const std::size_t bodyRoom = rows > keyLines + 2 ? rows - keyLines - 2 : 0;
        const std::size_t body = static_cast<std::size_t>(keys - lines.begin()) - 1;
        std::vector<ViewLine> fitted(lines.begin(), lines.begin() + 1 + bodyRoom);
        fitted.push_back({LineKind::Body, kEllipsis + std::string(" ") +
                                              std::to_string(body - bodyRoom) +
                                              " more lines: enlarge the terminal"});
        fitted.insert(fitted.end(), keys, lines.end());
        lines = std::move(fitted);
        if (lines.size() > rows) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(rows), lines.end());
        }
    }
    std::vector<std::string> out;
    for (const ViewLine& line : lines) {
        out.push_back(CutWithSign(line.text, columns));
    }
    return out;
}

std::string RenderJson(Dialog& dialog, const MonitorReport& report, const std::string& target) {
    std::string out = "{\"title\":" + JsonString(dialog.title);
    for (Row& row : LayoutRows(dialog)) {
        std::vector<Control*> cells = row.cells;
        if (row.label != nullptr) {
            cells.insert(cells.begin(), row.label);
        }
        for (Control* control : cells) {
            const char* name = control->source->name;
            if (name == nullptr) {
                continue;
            }
            out += ",\"" + std::string(name) + "\":";
            const posixui::ProgressState& bar = control->progress;
            const auto percent = Scaled(bar, 100);
            switch (control->kind) {
                case ControlKind::MultiLineEdit: {
                    std::string lines;
                    for (const std::string_view line : SplitLines(control->text)) {
                        lines += (lines.empty() ? "" : ",") + JsonString(line);
                    }
                    out += "[" + lines + "]";
                    break;
                }
                case ControlKind::Progress:
                    out += "{\"min\":" + std::to_string(bar.minimum) +
                           ",\"max\":" + std::to_string(bar.maximum) +
                           ",\"pos\":" + std::to_string(bar.position) + ",\"percent\":" +
                           (percent ? std::to_string(*percent) : std::string("null")) + "}";
                    break;
                case ControlKind::PushButton:
                case ControlKind::DefaultButton:
                    out += control->visible ? "true" : "false";
                    break;
                default:
                    out += JsonString(control->text);
                    break;
            }
        }
    }
    if (const NOTIFYICONDATAA* icon = TrayIcons().FirstOf(dialog.Handle())) {
        const std::string name = IconName(icon->hIcon);
        const bool known = name == "online" || name == "offline";
        out += ",\"tray\":{\"icon\":" + (known ? "\"" + name + "\"" : std::string("null")) +
               ",\"tip\":" + JsonString(FieldText(icon->szTip)) + "}";
    } else {
        out += ",\"tray\":null";
    }
    // The state as the window tells it: answered; not answered, with the unreachable display
    // (the default button offered); or not answered and not shown yet.
    std::string state = "null";
    if (report.reported) {
        const Control* button = dialog.DefaultButton();
        state = report.reason.empty()                  ? "\"ok\""
                : button != nullptr && button->visible ? "\"unreachable\""
                                                       : "\"lost\"";
    }
    out += ",\"state\":" + state;
    if (report.reported && !report.reason.empty()) {
        out += ",\"reason\":" + JsonString(report.reason);
    }
    out += ",\"target\":" + JsonString(target);
    out += std::string(",\"visible\":") + (dialog.visible ? "true" : "false") + "}\n";
    return out;
}

}  // namespace vmterm
