// The tray's popup menu as the terminal shows it: the IDR_TRAYMENU resource's items, menus as
// handles that live from LoadMenuA until DestroyMenu.
#pragma once

#include <string>
#include <vector>

#include "win32_types.h"

namespace vmterm {

struct MenuItem {
    int id;  // 0 for a separator
    std::string text;
};

// The items of a popup handle from GetSubMenu, or nothing for an unknown or destroyed handle.
const std::vector<MenuItem>* PopupItems(HMENU popup);

// Lets the user pick one of `items` on the terminal; the chosen id, or 0 when none was chosen
// (Esc, or no keyboard to ask).
int ChooseMenuItem(const std::vector<MenuItem>& items);

}  // namespace vmterm
