#include "platform/ui/term/window_view.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <optional>
#include <utility>

#include "platform/ui/term/bar_colour.h"
#include "platform/ui/term/display_text.h"
#include "platform/ui/term/tray.h"
#include "text/field_text.h"

namespace vmterm {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t BAR_CELLS = 20;
constexpr std::size_t SMALLEST_BAR = 5;
constexpr std::size_t BAR_ENDS = 2;         // "[" and "]"
constexpr std::size_t PERCENT_COLUMNS = 5;  // " 100%"
constexpr const char* TRAY_LABEL = "Tray:";
constexpr const char* NOTICE_LABEL = "Notification:";
constexpr std::string_view RESERVED_KEYS = "qmst";  // Exit, menu, show, tray double-click
constexpr const char* ELLIPSIS = "\xE2\x80\xA6";
constexpr std::size_t ELLIPSIS_BYTES = 3;
constexpr const char* ALERT_SIGN = "! ";
constexpr const char* HIGHLIGHT = "\x1b[1;7m";
constexpr const char* PLAIN = "\x1b[0m";

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

// The bar's cells, its filled ones in its colour, then its percentage unless another control
// of the row says the level.
std::string BarText(const posixui::ProgressState& bar, std::size_t cells, bool withPercent,
                    std::vector<ColourSpan>& colours) {
    const auto filled = Scaled(bar, static_cast<long long>(cells));
    const auto hashes = static_cast<std::size_t>(filled.value_or(0));
    const auto percent = Scaled(bar, 100);
    std::string text = "[";
    text.append(hashes, '#').append(cells - hashes, '-').append("]");
    if (hashes > 0) {
        colours.push_back({1, 1 + hashes, bar.barColor});
    }
    if (withPercent) {
        text += percent ? " " + std::to_string(*percent) + "%" : " unknown";
    }
    return text;
}

// Letters the window's keys take: its own, and the program's.
bool Reserved(char letter) {
    const auto& keys = Config().commandKeys;
    return RESERVED_KEYS.find(letter) != std::string_view::npos ||
           std::ranges::any_of(keys, [&](const CommandKey& key) { return key.letter == letter; });
}

// A key letter for a caption: its first letter, unless a key of the window's own has it.
char KeyOf(const Control& button) {
    const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(button.text[0])));
    const bool letter = std::isalpha(static_cast<unsigned char>(first)) != 0;
    return letter && !Reserved(first) ? first : '\0';
}

struct Layout {
    std::size_t labelColumns = 0;
    std::size_t valueColumns = 0;  // 0: no limit
};

std::string Labelled(const Layout& layout, std::string_view label, std::string_view value) {
    return PadLeft(CutWithSign(label, layout.labelColumns), layout.labelColumns) + " " +
           std::string(value);
}

// The entry field: brackets mark its extent, the caret its end while typing; a long entry
// shows its end, where the typing is.
std::string EntryText(const Control& entry, bool editing, std::size_t columns) {
    std::string text = TerminalText(entry.text);
    const std::size_t room = columns > 3 ? columns - 3 : 0;
    if (columns > 0 && TextColumns(text) > room) {
        text = ELLIPSIS + TailColumns(text, room > 1 ? room - 1 : 0);
    }
    return "[" + text + (editing ? "_" : "") + "]";
}

// One control's text in its row, by class (a bar's once the row's room is known); a
// multi-line edit's further lines go to `more`.
std::string CellText(Dialog& dialog, Control& control, const ViewOptions& options,
                     const Layout& layout, std::vector<std::string>& more) {
    if (control.IsButton()) {
        std::string text = "<";
        text += TerminalText(control.text);
        text += '>';
        return text;
    }
    if (control.kind == ControlKind::MultiLineEdit) {
        const std::vector<std::string_view> lines = SplitLines(control.text);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            more.push_back(TerminalText(lines[i]));
        }
        return lines.empty() ? std::string() : TerminalText(lines[0]);
    }
    if (AwaitsEntry(dialog) && dialog.EntryField() == &control) {
        return EntryText(control, options.editing, layout.valueColumns);
    }
    return TerminalText(control.text);
}

void ShiftSpans(std::vector<ColourSpan>& spans, std::size_t by) {
    for (ColourSpan& span : spans) {
        span.begin += by;
        span.end += by;
    }
}

// A row's shown controls drawn by their class, before they are put side by side.
struct DrawnCell {
    const Control* control;
    std::string text;
    std::vector<ColourSpan> colours;
    bool bar = false;
    bool withPercent = false;  // a bar with no other control after it to say its level
};

struct DrawnRow {
    const Control* label = nullptr;  // shown
    std::vector<DrawnCell> cells;
    std::vector<std::string> more;  // a multi-line edit's further lines
};

DrawnRow DrawRow(Dialog& dialog, Row& row, const ViewOptions& options, const Layout& layout) {
    DrawnRow drawn;
    drawn.label = row.label != nullptr && row.label->visible ? row.label : nullptr;
    std::vector<Control*> shown;
    std::ranges::copy_if(row.cells, std::back_inserter(shown),
                         [](const Control* cell) { return cell->visible; });
    for (std::size_t i = 0; i < shown.size(); ++i) {
        DrawnCell& cell = drawn.cells.emplace_back();
        cell.control = shown[i];
        cell.bar = shown[i]->kind == ControlKind::Progress;
        cell.withPercent = cell.bar && i + 1 == shown.size();
        if (!cell.bar) {
            cell.text = CellText(dialog, *shown[i], options, layout, drawn.more);
        }
    }
    return drawn;
}

// Where a cell stands in the template and where the next one of its row does (a last cell:
// none, -1): the rows whose cells stand alike (a table's rows, such as supplies) have their
// columns lined up.
using ColumnKey = std::pair<int, int>;

ColumnKey ColumnOf(const DrawnRow& row, std::size_t cell) {
    return {row.cells[cell].control->source->x,
            cell + 1 < row.cells.size() ? row.cells[cell + 1].control->source->x : -1};
}

// The widest text of each column of cells but bars, which are sized to the room left.
std::map<ColumnKey, std::size_t> ColumnWidths(const std::vector<DrawnRow>& rows) {
    std::map<ColumnKey, std::size_t> widths;
    for (const DrawnRow& row : rows) {
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            std::size_t& width = widths[ColumnOf(row, i)];
            width = std::max(width, TextColumns(row.cells[i].text));
        }
    }
    return widths;
}

std::string_view Separator(const DrawnRow& row, std::size_t cell) {
    return cell == 0 ? "" : row.cells[cell - 1].control->IsLabel() ? " " : "  ";
}

// The bars of a row share the room its other cells leave, each within a bar's bounds (the
// widest when there is no limit): rows alike get bars alike, so their columns stay lined up.
void DrawBars(DrawnRow& row, const Layout& layout, const std::map<ColumnKey, std::size_t>& widths) {
    std::size_t fixed = 0;
    std::size_t bars = 0;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        const DrawnCell& cell = row.cells[i];
        fixed += Separator(row, i).size();
        if (cell.bar) {
            ++bars;
            fixed += BAR_ENDS + (cell.withPercent ? PERCENT_COLUMNS : 0);
        } else {
            fixed += widths.at(ColumnOf(row, i));
        }
    }
    if (bars == 0) {
        return;
    }
    const std::size_t room = layout.valueColumns == 0      ? BAR_CELLS
                             : layout.valueColumns > fixed ? (layout.valueColumns - fixed) / bars
                                                           : 0;
    for (DrawnCell& cell : row.cells) {
        if (cell.bar) {
            cell.text = BarText(cell.control->progress, std::clamp(room, SMALLEST_BAR, BAR_CELLS),
                                cell.withPercent, cell.colours);
        }
    }
}

// The row's cells side by side, two spaces apart (one after a label within the row), each
// padded to its column's width.
void AddRow(const DrawnRow& row, const Layout& layout,
            const std::map<ColumnKey, std::size_t>& widths, std::vector<ViewLine>& lines) {
    std::string value;
    std::vector<ColourSpan> colours;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        const DrawnCell& cell = row.cells[i];
        value += Separator(row, i);
        std::vector<ColourSpan> cellColours = cell.colours;
        ShiftSpans(cellColours, value.size());
        colours.insert(colours.end(), cellColours.begin(), cellColours.end());
        value += cell.text;
        if (i + 1 < row.cells.size()) {
            const std::size_t width = widths.at(ColumnOf(row, i));
            value.append(width - std::min(width, TextColumns(cell.text)), ' ');
        }
    }
    if (value.empty() && row.label == nullptr) {
        return;
    }
    const std::string label = row.label != nullptr ? TerminalText(row.label->text) : "";
    std::string text = Labelled(layout, label, value);
    ShiftSpans(colours, text.size() - value.size());
    lines.push_back({LineKind::Body, std::move(text), std::move(colours)});
    for (const std::string& line : row.more) {
        lines.push_back({LineKind::More, Labelled(layout, "", line)});
    }
}

// The keys that act now, each as "KEY action", the default button's first. A nested window
// closes with Esc (said with its Cancel button when it shows one); the main window names the
// program's own keys and exits with q.
std::vector<std::string> KeysThatAct(Dialog& dialog, bool editing, bool nested) {
    const Control* entry = AwaitsEntry(dialog) ? dialog.EntryField() : nullptr;
    if (dialog.visible && entry != nullptr && editing) {
        return {"Enter " + TerminalText(dialog.DefaultButton()->text), "Tab keys", "Esc Exit"};
    }
    std::vector<std::string> keys;
    bool escapeSaid = false;
    for (const Control& button : dialog.controls) {
        if (!dialog.visible || !button.IsButton() || !button.visible) {
            continue;
        }
        const char key = KeyOf(button);
        if (nested && button.source->id == IDCANCEL) {
            keys.push_back((key != '\0' ? std::string{key, '/'} : "") + "Esc " +
                           TerminalText(button.text));
            escapeSaid = true;
        } else if (button.IsDefault()) {
            const std::string name = key != '\0' ? std::string{key, '/'} + "Enter" : "Enter";
            keys.insert(keys.begin(), name + " " + TerminalText(button.text));
        } else if (key != '\0') {
            keys.push_back(std::string{key, ' '} + TerminalText(button.text));
        }
    }
    if (entry != nullptr && dialog.visible) {
        keys.insert(keys.begin() + 1, "Tab edit");  // after the default button, which shows
    }
    if (nested) {
        if (!escapeSaid) {
            keys.push_back("Esc Close");
        }
        return keys;
    }
    const bool tray = TrayTakesClicks(dialog);
    if (tray && !dialog.visible) {
        keys.push_back("s Show");
    }
    for (const CommandKey& key : Config().commandKeys) {
        keys.push_back(std::string{key.letter, ' '} + TerminalText(key.name));
    }
    if (tray) {
        keys.push_back("m Menu");
    }
    keys.push_back("q Exit");
    return keys;
}

// The keys (or an open menu's items) after a label, as many to a line as fit; further lines
// are indented under the first item.
void AddKeys(Dialog& dialog, const ViewOptions& options, std::vector<ViewLine>& lines) {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < options.menu.size(); ++i) {
        items.push_back(std::to_string(i + 1) + " " + TerminalText(options.menu[i]));
    }
    if (items.empty()) {
        items = KeysThatAct(dialog, options.editing, options.nested);
    } else {
        items.push_back("Esc closes");
    }
    const std::string label = options.menu.empty() ? "Keys: " : "Menu: ";
    std::string line = label;
    for (const std::string& item : items) {
        if (options.columns > 0 && line.size() > label.size() &&
            TextColumns(line) + 2 + TextColumns(item) > options.columns) {
            lines.push_back({LineKind::Keys, line});
            line = std::string(label.size(), ' ');
        }
        line += (line.size() > label.size() ? "  " : "") + item;
    }
    lines.push_back({LineKind::Keys, line});
}

std::string TrayText(Dialog& dialog) {
    const NOTIFYICONDATAA* icon = TrayIcons().FirstOf(dialog.Handle());
    if (icon == nullptr) {
        return "none";
    }
    const std::string tip = TerminalText(FieldText(icon->szTip));
    return IconName(icon->hIcon) + (tip.empty() ? "" : " - " + tip);
}

// A named control's value: its text, its lines, its bar, or whether a button is shown. A bar
// of a printer that did not answer keeps its range and position, but it shows no percentage: a
// script would read 0 as empty.
Json ControlJson(const Control& control, bool answered) {
    const posixui::ProgressState& bar = control.progress;
    switch (control.kind) {
        case ControlKind::MultiLineEdit: {
            Json lines = Json::array();
            for (const std::string_view line : SplitLines(control.text)) {
                lines.push_back(FieldToUtf8(line));
            }
            return lines;
        }
        case ControlKind::Progress: {
            const auto percent = Scaled(bar, 100);
            return {{"min", bar.minimum},
                    {"max", bar.maximum},
                    {"pos", bar.position},
                    {"percent", percent && answered ? Json(*percent) : Json(nullptr)}};
        }
        case ControlKind::PushButton:
        case ControlKind::DefaultButton:
            return control.visible;
        default:
            return FieldToUtf8(control.text);
    }
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
    layout.labelColumns = TextColumns(NOTICE_LABEL);
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
    const std::optional<Balloon> balloon =
        options.interactive ? ActiveBalloon(options.now) : std::nullopt;
    std::vector<ViewLine> lines;
    lines.push_back(
        {LineKind::Title, dialog.visible ? "== " + title + " ==" : "(hidden) " + title});
    if (balloon && balloon->alert) {
        for (const std::string_view line : SplitLines(balloon->text)) {
            lines.push_back({LineKind::Alert, ALERT_SIGN + TerminalText(line)});
        }
    }
    std::vector<DrawnRow> drawn;
    for (Row& row : rows) {
        drawn.push_back(DrawRow(dialog, row, options, layout));
        if (!dialog.visible) {
            break;  // a hidden window keeps one line of what it shows
        }
    }
    const std::map<ColumnKey, std::size_t> widths = ColumnWidths(drawn);
    for (DrawnRow& row : drawn) {
        DrawBars(row, layout, widths);
        AddRow(row, layout, widths, lines);
    }
    if (!options.nested || TrayIcons().FirstOf(dialog.Handle()) != nullptr) {
        lines.push_back({LineKind::Body, Labelled(layout, TRAY_LABEL, TrayText(dialog))});
    }
    if (balloon && !balloon->alert) {
        lines.push_back({LineKind::Notice, Labelled(layout, NOTICE_LABEL,
                                                    TerminalText(balloon->title) + ": " +
                                                        TerminalText(balloon->text))});
    }
    if (options.interactive) {
        AddKeys(dialog, options, lines);
    }
    return lines;
}

std::vector<ViewLine> FitLines(std::vector<ViewLine> lines, std::size_t columns, std::size_t rows) {
    if (lines.size() > rows) {  // the Notice goes first: it is only on show for a while
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
        for (; lines.size() > rows && i > first; --i, ++hidden) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        }
        const std::string sign = " (+" + std::to_string(hidden) + " more)";
        lines[i].text =
            CutWithSign(lines[i].text, columns > sign.size() ? columns - sign.size() : 0) + sign;
    }
    if (lines.size() > rows) {
        // Keep the title, the alerts and the keys; the rows between them are cut, with a sign.
        const auto body = std::find_if(lines.begin() + 1, lines.end(), [](const ViewLine& line) {
            return line.kind != LineKind::Alert;
        });
        const auto keys = std::find_if(
            body, lines.end(), [](const ViewLine& line) { return line.kind == LineKind::Keys; });
        const auto kept = static_cast<std::size_t>(body - lines.begin() + (lines.end() - keys));
        const std::size_t bodyRoom = rows > kept + 1 ? rows - kept - 1 : 0;
        const auto bodyLines = static_cast<std::size_t>(keys - body);
        std::vector<ViewLine> fitted(lines.begin(), body + static_cast<std::ptrdiff_t>(bodyRoom));
        fitted.push_back({LineKind::Body, ELLIPSIS + std::string(" ") +
                                              std::to_string(bodyLines - bodyRoom) +
                                              " more lines: enlarge the terminal"});
        fitted.insert(fitted.end(), keys, lines.end());
        fitted.erase(fitted.begin() + static_cast<std::ptrdiff_t>(std::min(fitted.size(), rows)),
                     fitted.end());
        lines = std::move(fitted);
    }
    for (ViewLine& line : lines) {
        std::string cut = CutWithSign(line.text, columns);
        if (cut != line.text) {
            const std::size_t kept = cut.size() - ELLIPSIS_BYTES;
            std::erase_if(line.colours, [&](const ColourSpan& span) { return span.begin >= kept; });
            for (ColourSpan& span : line.colours) {
                span.end = std::min(span.end, kept);
            }
        }
        line.text = std::move(cut);
    }
    return lines;
}

std::vector<std::string> FitToScreen(std::vector<ViewLine> lines, std::size_t columns,
                                     std::size_t rows) {
    std::vector<std::string> out;
    for (const ViewLine& line : FitLines(std::move(lines), columns, rows)) {
        out.push_back(line.text);
    }
    return out;
}

std::string StyledLine(const ViewLine& line, bool colours) {
    if (line.kind == LineKind::Alert) {
        return HIGHLIGHT + line.text + PLAIN;
    }
    std::string out;
    std::size_t at = 0;
    for (const ColourSpan& span : colours ? line.colours : std::vector<ColourSpan>{}) {
        const std::string sgr = BarColourSgr(span.colour);
        if (sgr.empty() || span.begin < at || span.end > line.text.size()) {
            continue;
        }
        out.append(line.text, at, span.begin - at);
        out += "\x1b[" + sgr + "m" + line.text.substr(span.begin, span.end - span.begin) + PLAIN;
        at = span.end;
    }
    return out + line.text.substr(at);
}

Json WindowJson(Dialog& dialog, const MonitorReport& report, const std::string& target) {
    Json out = {{"title", FieldToUtf8(dialog.title)}};
    const bool answered = report.reported && report.reason.empty();
    for (const Row& row : LayoutRows(dialog)) {
        if (row.label != nullptr) {
            if (const char* name = tmpl::ControlNameOf(row.label->source->id)) {
                out[name] = ControlJson(*row.label, answered);
            }
        }
        for (const Control* control : row.cells) {
            if (const char* name = tmpl::ControlNameOf(control->source->id)) {
                out[name] = ControlJson(*control, answered);
            }
        }
    }
    if (const NOTIFYICONDATAA* icon = TrayIcons().FirstOf(dialog.Handle())) {
        const tmpl::IconTemplate* shown = IconOf(icon->hIcon);
        out["tray"] = {{"icon", shown != nullptr ? Json(shown->name) : Json(nullptr)},
                       {"tip", FieldToUtf8(FieldText(icon->szTip))}};
    } else {
        out["tray"] = nullptr;
    }
    // The state as the window tells it: answered; not answered, with the unreachable display
    // (the default button offered); or not answered and not shown yet.
    const Control* button = dialog.DefaultButton();
    out["state"] = !report.reported                       ? Json(nullptr)
                   : report.reason.empty()                ? Json("ok")
                   : button != nullptr && button->visible ? Json("unreachable")
                                                          : Json("lost");
    if (report.reported && !report.reason.empty()) {
        out["reason"] = FieldToUtf8(report.reason);
    }
    out["target"] = FieldToUtf8(target);
    out["visible"] = dialog.visible;
    return out;
}

}  // namespace vmterm
