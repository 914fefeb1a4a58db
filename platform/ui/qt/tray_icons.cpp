#include "platform/ui/qt/tray_icons.h"

#include <QByteArray>
#include <QSystemTrayIcon>
#include <cstring>
#include <map>
#include <utility>

#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/text_codec.h"

namespace vmqt {
namespace {

constexpr UINT MIDDLE_BUTTON_UP = 0x0208;  // WM_MBUTTONUP
constexpr DWORD INFO_ICON_MASK = 0x0000000Fu;

using Key = std::pair<HWND, UINT>;

std::map<Key, TrayIconView>& Icons() {
    static std::map<Key, TrayIconView> icons;
    return icons;
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

void ApplyLook(TrayIconView& view, const NOTIFYICONDATAA& record) {
    if (record.uFlags & NIF_MESSAGE) {
        view.callbackMessage = record.uCallbackMessage;
    }
    if (record.uFlags & NIF_ICON) {
        view.iconHandle = record.hIcon;
        const QIcon* icon = IconFromHandle(record.hIcon);
        view.icon->setIcon(icon != nullptr ? *icon : QIcon());
    }
    if (record.uFlags & NIF_TIP) {
        view.icon->setToolTip(FieldText(record.szTip));
    }
}

// A balloon is shown whenever the record carries NIF_INFO with a text.
void ApplyBalloon(TrayIconView& view, const NOTIFYICONDATAA& record) {
    if ((record.uFlags & NIF_INFO) && record.szInfo[0] != '\0') {
        view.balloonTitle = FieldText(record.szInfoTitle);
        view.balloonText = FieldText(record.szInfo);
        view.balloonIcon = BalloonIconOf(record.dwInfoFlags);
        view.balloonTimeoutMs = static_cast<int>(record.uTimeout);
        ++view.balloons;
        view.icon->showMessage(view.balloonTitle, view.balloonText,
                               BalloonIconOf(record.dwInfoFlags), view.balloonTimeoutMs);
    }
}

}  // namespace

BOOL NotifyIcon(DWORD operation, const NOTIFYICONDATAA& record) {
    const Key key{record.hWnd, record.uID};
    auto found = Icons().find(key);
    switch (operation) {
        case NIM_ADD: {
            if (found != Icons().end()) {
                return FALSE;
            }
            auto* icon = new QSystemTrayIcon();
            TrayIconView& view = Icons()[key];
            view = TrayIconView{icon, 0, nullptr, 0, {}, {}, 0, 0};
            const HWND owner = record.hWnd;
            QObject::connect(icon, &QSystemTrayIcon::activated, icon,
                             [owner, key](QSystemTrayIcon::ActivationReason reason) {
                                 auto entry = Icons().find(key);
                                 DialogWindow* dialog = DialogWindow::FromHandle(owner);
                                 const UINT mouse = MouseMessageOf(reason);
                                 if (entry == Icons().end() || dialog == nullptr || mouse == 0 ||
                                     entry->second.callbackMessage == 0) {
                                     return;
                                 }
                                 dialog->Deliver(entry->second.callbackMessage, key.second, mouse);
                             });
            ApplyLook(view, record);
            icon->show();
            ApplyBalloon(view, record);
            return TRUE;
        }
        case NIM_MODIFY:
            if (found == Icons().end()) {
                return FALSE;
            }
            ApplyLook(found->second, record);
            ApplyBalloon(found->second, record);
            return TRUE;
        case NIM_DELETE:
            if (found == Icons().end()) {
                return FALSE;
            }
            found->second.icon->hide();
            found->second.icon->deleteLater();
            Icons().erase(found);
            return TRUE;
        default:
            return FALSE;
    }
}

void RemoveTrayIconsOf(HWND owner) {
    for (auto it = Icons().begin(); it != Icons().end();) {
        if (it->first.first == owner) {
            it->second.icon->hide();
            it->second.icon->deleteLater();
            it = Icons().erase(it);
        } else {
            ++it;
        }
    }
}

const TrayIconView* FindTrayIcon(HWND owner, UINT id) {
    auto found = Icons().find(Key{owner, id});
    return found != Icons().end() ? &found->second : nullptr;
}

}  // namespace vmqt
