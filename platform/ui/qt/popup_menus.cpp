#include "platform/ui/qt/popup_menus.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <memory>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/text_codec.h"

namespace vmqt {
namespace {

constexpr UINT TPM_CENTERALIGN_FLAG = 0x0004u;
constexpr UINT TPM_VCENTERALIGN_FLAG = 0x0010u;
constexpr const char* ITEM_ID_PROPERTY = "vmMenuId";

// A loaded menu resource: the menu handle is the resource, the popup handle its `popup` tag.
struct MenuResource {
    std::unique_ptr<QMenu> menu;
    char popupTag = 0;
};

std::vector<std::unique_ptr<MenuResource>>& Resources() {
    static std::vector<std::unique_ptr<MenuResource>> resources;
    return resources;
}

HMENU MenuHandle(MenuResource* resource) {
    return reinterpret_cast<HMENU>(resource);
}
HMENU PopupHandle(MenuResource* resource) {
    return reinterpret_cast<HMENU>(&resource->popupTag);
}

}  // namespace

HMENU LoadMenu(int menuId) {
    const tmpl::MenuTemplate* menu = tmpl::FindMenuTemplate(menuId);
    if (menu == nullptr) {
        return nullptr;
    }
    auto resource = std::make_unique<MenuResource>();
    resource->menu = std::make_unique<QMenu>();
    for (const tmpl::MenuItemTemplate& item : menu->items) {
        if (item.text == nullptr) {
            resource->menu->addSeparator();
            continue;
        }
        QAction* action = resource->menu->addAction(FromBytes(QByteArray(item.text)));
        action->setProperty(ITEM_ID_PROPERTY, item.id);
    }
    Resources().push_back(std::move(resource));
    return MenuHandle(Resources().back().get());
}

HMENU SubMenu(HMENU menu, int position) {
    for (const auto& resource : Resources()) {
        if (MenuHandle(resource.get()) == menu && position == 0) {
            return PopupHandle(resource.get());
        }
    }
    return nullptr;
}

QMenu* MenuFromHandle(HMENU handle) {
    for (const auto& resource : Resources()) {
        if (MenuHandle(resource.get()) == handle || PopupHandle(resource.get()) == handle) {
            return resource->menu.get();
        }
    }
    return nullptr;
}

BOOL TrackPopup(HMENU popup, UINT flags, int x, int y, HWND owner) {
    QMenu* menu = MenuFromHandle(popup);
    if (menu == nullptr) {
        return FALSE;
    }
    const QSize size = menu->sizeHint();
    QPoint at(x, y);
    if (flags & TPM_RIGHTALIGN) {
        at.rx() -= size.width();
    } else if (flags & TPM_CENTERALIGN_FLAG) {
        at.rx() -= size.width() / 2;
    }
    if (flags & TPM_BOTTOMALIGN) {
        at.ry() -= size.height();
    } else if (flags & TPM_VCENTERALIGN_FLAG) {
        at.ry() -= size.height() / 2;
    }
    QAction* chosen = menu->exec(at);
    if (chosen == nullptr) {
        return TRUE;
    }
    // The choice reaches the owner once the menu has closed, as a posted command.
    if (DialogWindow* dialog = DialogWindow::FromHandle(owner)) {
        const int id = chosen->property(ITEM_ID_PROPERTY).toInt();
        dialog->Post(WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(id)), 0);
    }
    return TRUE;
}

BOOL DestroyMenuHandle(HMENU menu) {
    auto& resources = Resources();
    for (auto it = resources.begin(); it != resources.end(); ++it) {
        if (MenuHandle(it->get()) == menu || PopupHandle(it->get()) == menu) {
            resources.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace vmqt
