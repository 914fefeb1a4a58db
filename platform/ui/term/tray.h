// The terminal's notification area: the icons as the shared bookkeeping keeps them, the two
// icon handles LoadIconA gives, and the balloon of the latest call that showed one, on show
// for the time it asked (at most 30 s). A balloon an icon is added with introduces it; one on
// an icon already there is news of what the icon watches, an alert.
#pragma once

#include <cstring>
#include <optional>
#include <string>

#include "platform/ui/term/dialog_model.h"
#include "platform/ui/tray_record.h"

namespace vmterm {

ui::TrayRecords& TrayIcons();

// The handle LoadIconA gives for an icon of the program's resources; the icon behind a handle
// (nullptr for none or any other value); and the name of what a handle shows: the icon's name,
// "none" (no icon) or "other".
HICON IconHandle(const tmpl::IconTemplate& icon);
const tmpl::IconTemplate* IconOf(HICON handle);
const char* IconName(HICON icon);

struct Balloon {
    std::string title;  // bytes as given
    std::string text;
    Clock::time_point until;
    bool alert = false;
};

// Shell_NotifyIconA on the terminal.
BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record, Clock::time_point now);
// The balloon still on show at `now`, if any.
std::optional<Balloon> ActiveBalloon(Clock::time_point now);
// How many alerts were shown since the last call.
unsigned TakeNewAlerts();
// Forgets every icon and balloon.
void ClearTray();

// A fixed-width text field of a record: its bytes up to the first zero, never past its end.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

}  // namespace vmterm
