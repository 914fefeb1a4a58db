// Whether the desktop has a notification area. Without one, a hidden status window could never
// be brought back (its only way back is the tray icon), so the window then keeps a taskbar
// entry and "hide" minimises it instead. Tests may force either answer.
#pragma once

#include <optional>

namespace vmqt {

bool TrayAvailable();
// Replaces the desktop's answer (std::nullopt restores it).
void ForceTrayAvailable(std::optional<bool> available);

}  // namespace vmqt
