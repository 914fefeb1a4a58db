// The UI seam's icons, menus, cursor, message box, tray icon and text copy on Qt.
#include <QCursor>
#include <QMessageBox>

#include "platform/ui/posix/kernel_copy.h"
#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/popup_menus.h"
#include "platform/ui/qt/text_codec.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/ui.h"

namespace ui {
namespace {

constexpr UINT ICON_MASK = 0x000000F0u;
constexpr UINT ICON_QUESTION = 0x00000020u;
constexpr UINT ICON_WARNING = 0x00000030u;
constexpr UINT ICON_INFORMATION = 0x00000040u;

int ResourceId(LPCSTR resource) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(resource) & 0xFFFF);
}

QMessageBox::Icon MessageIconOf(UINT type) {
    switch (type & ICON_MASK) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case ICON_QUESTION:
            return QMessageBox::Question;
        case ICON_WARNING:
            return QMessageBox::Warning;
        case ICON_INFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

HICON LoadIconA(HINSTANCE, LPCSTR iconId) {
    return vmqt::LoadIcon(ResourceId(iconId));
}

HMENU LoadMenuA(HINSTANCE, LPCSTR menuId) {
    return vmqt::LoadMenu(ResourceId(menuId));
}

HMENU GetSubMenu(HMENU menu, int position) {
    return vmqt::SubMenu(menu, position);
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    return vmqt::TrackPopup(menu, flags, x, y, owner);
}

BOOL DestroyMenu(HMENU menu) {
    return vmqt::DestroyMenuHandle(menu);
}

BOOL GetCursorPos(POINT* point) {
    if (point == nullptr) {
        return FALSE;
    }
    const QPoint at = QCursor::pos();
    point->x = at.x();
    point->y = at.y();
    return TRUE;
}

BOOL SetForegroundWindow(HWND window) {
    vmqt::DialogWindow* dialog = vmqt::DialogWindow::FromHandle(window);
    if (dialog == nullptr) {
        return FALSE;
    }
    if (dialog->isVisible()) {
        dialog->raise();
        dialog->activateWindow();
    }
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    QMessageBox box(MessageIconOf(type), vmqt::FromBytes(QByteArray(caption ? caption : "")),
                    vmqt::FromBytes(QByteArray(text ? text : "")), QMessageBox::Ok,
                    vmqt::DialogWindow::FromHandle(owner));
    box.exec();
    return IDOK;
}

BOOL Shell_NotifyIconA(DWORD operation, NOTIFYICONDATAA* record) {
    return record != nullptr ? vmqt::NotifyIcon(operation, *record) : FALSE;
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int count) {
    return KernelCopyN(destination, source, count);
}

void ReportMonitorState(HWND, LPCSTR) {}

}  // namespace ui
