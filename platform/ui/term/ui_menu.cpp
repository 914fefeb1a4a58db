// Popup menus of the UI seam, built from the menu templates. The choice is made on the terminal
// and reaches the owner as WM_COMMAND once the current message is handled.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/ui/term/dialog_model.h"
#include "platform/ui/ui.h"

namespace {

constexpr UINT RETURN_COMMAND = 0x0100;  // TPM_RETURNCMD

// A loaded menu: its handle is this object's address, its one popup's handle the tag's.
struct Menu {
    const tmpl::MenuTemplate* source;
    char popupTag = 0;
};

std::vector<std::unique_ptr<Menu>>& LoadedMenus() {
    static std::vector<std::unique_ptr<Menu>> menus;
    return menus;
}

Menu* FindMenu(HMENU handle, bool popup) {
    for (auto& menu : LoadedMenus()) {
        if (handle == (popup ? reinterpret_cast<HMENU>(&menu->popupTag)
                             : reinterpret_cast<HMENU>(menu.get()))) {
            return menu.get();
        }
    }
    return nullptr;
}

}  // namespace

namespace ui {

HMENU LoadMenuA(HINSTANCE, LPCSTR menuId) {
    const auto id = reinterpret_cast<std::uintptr_t>(menuId);
    const tmpl::MenuTemplate* found =
        id <= 0xFFFF ? tmpl::FindMenuTemplate(static_cast<int>(id)) : nullptr;
    if (found == nullptr) {
        return nullptr;
    }
    LoadedMenus().push_back(std::make_unique<Menu>(Menu{found}));
    return reinterpret_cast<HMENU>(LoadedMenus().back().get());
}

HMENU GetSubMenu(HMENU menu, int position) {
    Menu* found = position == 0 ? FindMenu(menu, false) : nullptr;
    return found != nullptr ? reinterpret_cast<HMENU>(&found->popupTag) : nullptr;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int, int, int, HWND owner, const RECT*) {
    const Menu* popup = FindMenu(menu, true);
    if (popup == nullptr) {
        return FALSE;
    }
    const int chosen = vmterm::ChooseMenuItem(popup->source->items);
    if ((flags & RETURN_COMMAND) != 0) {
        return chosen;
    }
    vmterm::Dialog* dialog = vmterm::RunningDialogs().Find(owner);
    if (chosen != 0 && dialog != nullptr) {
        dialog->posted.push_back({WM_COMMAND, static_cast<WPARAM>(chosen), 0});
    }
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    return std::erase_if(LoadedMenus(),
                         [&](const auto& loaded) {
                             return reinterpret_cast<HMENU>(loaded.get()) == menu;
                         }) != 0
               ? TRUE
               : FALSE;
}

}  // namespace ui
