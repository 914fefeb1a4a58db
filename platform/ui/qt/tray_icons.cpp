#include "platform/ui/qt/tray_icons.h"

#include <QByteArray>
#include <QSystemTrayIcon>
#include <cstring>
#include <map>
#include <utility>

#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/text_codec.h"
#include "platform/ui/tray_record.h"

namespace vmqt {
namespace {

constexpr UINT MIDDLE_BUTTON_UP = 0x0208;  // WM_MBUTTONUP
constexpr DWORD INFO_ICON_MASK = 0x0000000Fu;

using Key = std::pair<HWND, UINT>;

ui::TrayRecords& Records() {
    static ui::TrayRecords records;
    return records;
}

std::map<Key, TrayIconView>& Views() {
    static std::map<Key, TrayIconView> views;
    return views;
}

// A fixed-width field of the record, up to its first terminator or its end.
template <std::size_t N>
QString FieldText(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    const auto length =
        end != nullptr ? static_cast<const char*>(end) - field : static_cast<std::ptrdiff_t>(N);
    return FromBytes(QByteArray(field, static_cast<qsizetype>(length)));
}

UINT MouseMessageOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            return WM_LBUTTONDBLCLK;
        case QSystemTrayIcon::Context:
            return WM_RBUTTONDOWN;
        case QSystemTrayIcon::Trigger:
            return WM_LBUTTONUP;
        case QSystemTrayIcon::MiddleClick:
            return MIDDLE_BUTTON_UP;
        default:
            return 0;
    }
}

QSystemTrayIcon::MessageIcon BalloonIconOf(DWORD infoFlags) {
    switch (infoFlags & INFO_ICON_MASK) {
        case 1:
            return QSystemTrayIcon::Information;
        case 2:
            return QSystemTrayIcon::Warning;
        case 3:
            return QSystemTrayIcon::Critical;
        default:
            return QSystemTrayIcon::NoIcon;
    }
}

QSystemTrayIcon* CreateIcon(const Key& key) {
    auto* icon = new QSystemTrayIcon();
    QObject::connect(
        icon, &QSystemTrayIcon::activated, icon, [key](QSystemTrayIcon::ActivationReason reason) {
            const NOTIFYICONDATAA* kept = Records().Find(key.first, key.second);
            DialogWindow* dialog = DialogWindow::FromHandle(key.first);
            const UINT mouse = MouseMessageOf(reason);
            if (kept != nullptr && dialog != nullptr && mouse != 0 && kept->uCallbackMessage != 0) {
                dialog->Deliver(kept->uCallbackMessage, key.second, mouse);
            }
        });
    return icon;
}

void Drop(std::map<Key, TrayIconView>::iterator view) {
    view->second.icon->hide();
    view->second.icon->deleteLater();
    Views().erase(view);
}

}  // namespace

BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record) {
    if (!Records().Apply(operation, record)) {
        return FALSE;
    }
    const Key key{record.hWnd, record.uID};
    if (operation == NIM_DELETE) {
        Drop(Views().find(key));
        return TRUE;
    }
    TrayIconView& view = Views()[key];
    if (view.icon == nullptr) {
        view.icon = CreateIcon(key);
    }
    view.record = Records().Find(key.first, key.second);
    const QIcon* picture = IconFromHandle(view.record->hIcon);
    view.icon->setIcon(picture != nullptr ? *picture : QIcon());
    view.icon->setToolTip(FieldText(view.record->szTip));
    view.icon->show();
    if (ui::ShowsBalloon(record)) {
        view.balloonTitle = FieldText(record.szInfoTitle);
        view.balloonText = FieldText(record.szInfo);
        ++view.balloons;
        view.icon->showMessage(view.balloonTitle, view.balloonText,
                               BalloonIconOf(record.dwInfoFlags),
                               static_cast<int>(record.uTimeout));
    }
    return TRUE;
}

void RemoveTrayIconsOf(HWND owner) {
    Records().Forget(owner);
    for (auto it = Views().begin(); it != Views().end();) {
        const auto next = std::next(it);
        if (it->first.first == owner) {
            Drop(it);
        }
        it = next;
    }
}

const TrayIconView* FindTrayIcon(HWND owner, UINT id) {
    const auto found = Views().find(Key{owner, id});
    if (found == Views().end()) {
        return nullptr;
    }
    found->second.record = Records().Find(owner, id);  // where it is now
    return &found->second;
}

}  // namespace vmqt
