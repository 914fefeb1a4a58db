// A running dialog as text. The controls are laid out in rows from the template's geometry
// (a right-aligned static labels the control to its right) and each shown one is drawn by its
// class; below them the tray icon, the balloon and the keys that act now. For a terminal the lines
// are fitted to its size, with a sign wherever something had to be left out. For scripts the
// window is one JSON object whose values are the controls the template names.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ui/term/dialog_model.h"
#include "platform/ui/term/term_runtime.h"

namespace vmterm {

struct Row {
    Control* label = nullptr;
    std::vector<Control*> cells;  // left to right
};

// The dialog's controls in rows, top to bottom: each control in exactly one row.
std::vector<Row> LayoutRows(Dialog& dialog);

struct ViewOptions {
    bool interactive = false;  // with the balloon and the keys
    bool editing = false;      // typing goes to the entry field, drawn with its caret
    bool nested = false;       // runs over another live window, which keeps the tray
    std::size_t columns = 0;   // the room for each line; 0: no limit
    Clock::time_point now{};
    std::vector<std::string> menu;  // an open popup menu's items, in place of the keys
};

enum class LineKind { Title, Alert, Body, More, Notice, Keys };

// Bytes [begin, end) of a line drawn in a progress bar's colour (PBM_SETBARCOLOR's COLORREF).
struct ColourSpan {
    std::size_t begin;
    std::size_t end;
    DWORD colour;
};

struct ViewLine {
    ViewLine(LineKind lineKind, std::string lineText, std::vector<ColourSpan> spans = {})
        : kind(lineKind), text(std::move(lineText)), colours(std::move(spans)) {}

    LineKind kind;
    std::string text;  // terminal-safe
    std::vector<ColourSpan> colours;
};

// The window's lines: the title, the rows (a multi-line edit's further lines are More), the
// tray icon, and when interactive the balloon and the keys. An alert balloon's lines follow
// the title, each starting with "! "; the balloon an icon came with is a Notice below the
// tray. A hidden window shows only its title, its first row, the tray and the keys; a nested
// window without a tray icon of its own shows no tray line. A bar followed in its row by
// another control (the level in words) leaves the percentage to it.
std::vector<ViewLine> RenderWindow(Dialog& dialog, const ViewOptions& options);

// The lines fitted to `columns` x `rows`: too long a line ends in "…"; when there are too many,
// a multi-line edit keeps its first lines and says how many more it holds, the Notice goes,
// and then the rows below are left out with a line that says so. The title and the alerts stay
// first and the keys last. Colour spans are cut with their text.
std::vector<ViewLine> FitLines(std::vector<ViewLine> lines, std::size_t columns, std::size_t rows);
// The fitted lines' texts.
std::vector<std::string> FitToScreen(std::vector<ViewLine> lines, std::size_t columns,
                                     std::size_t rows);

// A line as the full screen draws it: an alert highlighted (bold, reverse video), and with
// `colours` each colour span in its bar's colour. The text between the attributes is the
// line's own.
std::string StyledLine(const ViewLine& line, bool colours);

// The entry mode: the default push button is shown and the dialog has an entry field.
bool AwaitsEntry(Dialog& dialog);
// The push button a key letter presses (its caption's first letter), or nullptr.
Control* ButtonForKey(Dialog& dialog, char key);
// Whether the dialog's tray icon takes mouse messages (the menu and the double-click keys).
bool TrayTakesClicks(Dialog& dialog);

// The window as one JSON object: the title, every named control's value (text, lines, the
// bar's range, position and percent, the percent null unless the printer answered, or whether
// a button is shown), the tray icon, the monitoring state and, when the printer did not
// answer, why; the target as named. Texts are each field's UTF-8 (TerminalJson writes it
// safely).
nlohmann::ordered_json WindowJson(Dialog& dialog, const MonitorReport& report,
                                  const std::string& target);

}  // namespace vmterm
