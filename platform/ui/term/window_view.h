// What the status window shows, captured from the dialog, the tray and the monitoring state,
// and its text forms: the lines of the window (pure functions, so they are tested without a
// terminal), the one-line form of a hidden window, and a JSON object.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialog_model.h"
#include "progress_bar.h"
#include "tray.h"

namespace vmterm {

struct WindowView {
    // Texts are the controls' bytes, unconverted.
    std::string title;
    std::string label;
    std::string primary;
    std::string secondary;
    std::string pageCount;
    std::string powerOnCount;
    ProgressState toner;
    bool updateTargetVisible = false;
    bool windowVisible = true;
    bool trayPresent = false;
    IconKind trayIcon = IconKind::None;
    std::string trayTip;
    std::optional<Balloon> balloon;
    std::optional<int> state;  // the monitoring state, when known
};

// The view of a running IDD_MONITOR dialog at `now`.
WindowView CaptureView(Dialog& dialog, std::optional<int> state, Clock::time_point now);

struct RenderOptions {
    bool interactive = false;   // add the balloon and the key hints
    bool fieldFocused = false;  // draw the entry field's caret
};

// The window as terminal-safe lines, in the template's order: title, primary, secondary lines,
// toner, page counts, buttons, tray; with `interactive` also the balloon and the keys.
std::vector<std::string> RenderWindow(const WindowView& view, const RenderOptions& options);

// The one line shown while the window is hidden.
std::string RenderHidden(const WindowView& view);

// "ok", "lost", "unreachable", or nothing for a state outside the three.
std::optional<std::string> StateName(std::optional<int> state);

// The view as one JSON object (title, label, primary, secondary, toner, page_count,
// power_on_count, tray, state, update_target, visible), ending in a line end.
std::string RenderJson(const WindowView& view);

// `bytes` as a JSON string literal: decoded like the display (UTF-8 when valid, else
// Latin-1); quote, backslash and every control character escaped, the rest as UTF-8.
std::string JsonString(std::string_view bytes);
// The same for text already decoded into code points.
std::string JsonFromCodePoints(const std::vector<char32_t>& text);

}  // namespace vmterm
