// Menu resources as QMenus: LoadMenuA builds the menu's one popup from the menu template,
// GetSubMenu gives that popup, TrackPopupMenu shows it aligned to the point as the TPM_* flags
// say and posts the chosen item to the owner as WM_COMMAND, DestroyMenu frees it all.
#pragma once

#include "win32_types.h"

class QMenu;

namespace vmqt {

HMENU LoadMenu(int menuId);
HMENU SubMenu(HMENU menu, int position);
BOOL TrackPopup(HMENU popup, UINT flags, int x, int y, HWND owner);
BOOL DestroyMenuHandle(HMENU menu);

// The QMenu behind a menu or popup handle, or nullptr.
QMenu* MenuFromHandle(HMENU handle);

}  // namespace vmqt
