// Popup menus of the UI seam. The menu resource's items are kept here; the choice is made on
// the terminal and reaches the owner as WM_COMMAND once the current message is handled.
#include <algorithm>
#include <memory>

#include "dialog_model.h"
#include "menu_model.h"
#include "platform/ui/ui.h"
#include "shell/resources/resource.h"

namespace vmterm {
namespace {

struct Menu {
    char menuTag = 0;  // distinct addresses for the menu's and its popup's handles
    char popupTag = 0;
    std::vector<MenuItem> popup;  // the one popup that GetSubMenu(menu, 0) gives
};

std::vector<std::unique_ptr<Menu>>& LiveMenus() {
    static std::vector<std::unique_ptr<Menu>> menus;
    return menus;
}

HMENU HandleOfMenu(Menu& menu) {
    return reinterpret_cast<HMENU>(&menu.menuTag);
}
HMENU HandleOfPopup(Menu& menu) {
    return reinterpret_cast<HMENU>(&menu.popupTag);
}

constexpr UINT kReturnCommand = 0x0100;  // TPM_RETURNCMD

}  // namespace

const std::vector<MenuItem>* PopupItems(HMENU popup) {
    for (auto& menu : LiveMenus()) {
        if (HandleOfPopup(*menu) == popup) {
            return &menu->popup;
        }
    }
    return nullptr;
}

}  // namespace vmterm

namespace ui {

HMENU LoadMenuA(HINSTANCE, LPCSTR menuId) {
    if (reinterpret_cast<std::uintptr_t>(menuId) != IDR_TRAYMENU) {
        return nullptr;
    }
    auto menu = std::make_unique<vmterm::Menu>();
    menu->popup = {{IDM_SHOW, "Show Vellumark"},
                   {IDM_HIDE, "Hide Vellumark"},
                   {0, ""},
                   {IDM_EXIT, "Exit Vellumark"}};
    HMENU handle = vmterm::HandleOfMenu(*menu);
    vmterm::LiveMenus().push_back(std::move(menu));
    return handle;
}

HMENU GetSubMenu(HMENU menu, int position) {
    if (position != 0) {
        return nullptr;
    }
    for (auto& live : vmterm::LiveMenus()) {
        if (vmterm::HandleOfMenu(*live) == menu) {
            return vmterm::HandleOfPopup(*live);
        }
    }
    return nullptr;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int, int, int, HWND owner, const RECT*) {
    const std::vector<vmterm::MenuItem>* items = vmterm::PopupItems(menu);
    if (items == nullptr) {
        return FALSE;
    }
    const int chosen = vmterm::ChooseMenuItem(*items);
    if ((flags & vmterm::kReturnCommand) != 0) {
        return chosen;
    }
    if (chosen != 0) {
        if (vmterm::Dialog* dialog = vmterm::DialogFromHandle(owner)) {
            dialog->posted.push_back({WM_COMMAND, static_cast<WPARAM>(chosen), 0});
        }
    }
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    auto& menus = vmterm::LiveMenus();
    const auto found = std::find_if(menus.begin(), menus.end(), [&](const auto& live) {
        return vmterm::HandleOfMenu(*live) == menu;
    });
    if (found == menus.end()) {
        return FALSE;
    }
    menus.erase(found);
    return TRUE;
}

}  // namespace ui
