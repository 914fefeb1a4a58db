// Re-adding the tray icon when the notification area is re-created. The Shell broadcasts the
// registered "TaskbarCreated" message to every top-level window after Explorer restarts; icons
// added before are gone, and a tool window whose icon is gone cannot be shown again.
#pragma once

#include "platform/ui/ui.h"

namespace ui {

// The registered "TaskbarCreated" message number (registered on first use).
UINT TaskbarCreatedMessage();

// Follows each Shell_NotifyIconA call so the icon can be restored as last shown.
void RememberTrayIcon(DWORD operation, const NOTIFYICONDATAA& record);
// Adds the dialog's icon again, as last shown and without the balloon; nothing if it has none.
void RestoreTrayIcon(HWND dialog);
// Drops the record of a dialog that is being destroyed.
void ForgetTrayIcon(HWND dialog);

}  // namespace ui
