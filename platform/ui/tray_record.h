// The notification-area icons as the Shell holds them after the Shell_NotifyIconA calls so far:
// one record per (window, identifier), with each later NIM_MODIFY applied to the fields its
// flags name. Pure bookkeeping, no platform calls: the Win32 layer keeps it to add the icon
// again when the Shell re-creates the area, the other layers to show the icon themselves.
#pragma once

#include <vector>

#include "platform/ui/ui.h"

namespace ui {

class TrayRecords {
  public:
    // Follows one call as the Shell applies it and returns the Shell's result: FALSE for an
    // add of an icon that is there, for a modify or delete of one that is not, and for any
    // other operation.
    BOOL Apply(DWORD operation, const NOTIFYICONDATAA& record);
    // The icon's record as it stands, or nullptr.
    const NOTIFYICONDATAA* Find(HWND window, UINT id) const;
    // The first icon of `window`, or nullptr.
    const NOTIFYICONDATAA* FirstOf(HWND window) const;
    // Drops every icon of `window` (a window that is going away).
    void Forget(HWND window);
    void Clear() { icons_.clear(); }

  private:
    std::vector<NOTIFYICONDATAA> icons_;
};

// Whether the call shows a balloon: NIF_INFO with a text.
bool ShowsBalloon(const NOTIFYICONDATAA& record);

// The record that adds an icon again as it stands, without the balloon the user has seen.
NOTIFYICONDATAA ReAddRecord(const NOTIFYICONDATAA& kept);

}  // namespace ui
