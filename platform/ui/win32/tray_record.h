// What the notification area shows for our icon, kept so the icon can be added again when
// the Shell re-creates the area (Explorer restarted): the last NIM_ADD record with every later
// NIM_MODIFY applied, forgotten on NIM_DELETE. Pure bookkeeping, no platform calls.
#pragma once

// The seam header picks the Win32 types of the platform being built (this folder is not it
// when the bookkeeping is tested on Linux).
#include "platform/ui/ui.h"

namespace ui {

struct TrayMemory {
    bool present = false;
    NOTIFYICONDATAA record{};
};

// Follows one Shell_NotifyIconA call as the Shell would apply it.
void TrayMemoryApply(TrayMemory& memory, DWORD operation, const NOTIFYICONDATAA& record);

// The record that puts the icon back for `window`: as last shown, but without the balloon,
// which the user has seen already. False when `window` has no icon.
bool TrayMemoryReAddRecord(const TrayMemory& memory, HWND window, NOTIFYICONDATAA* out);

}  // namespace ui
