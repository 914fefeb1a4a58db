#include "platform/ui/qt/tray_icons.h"

#include <QApplication>
#include <QByteArray>
#include <QSystemTrayIcon>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/text_codec.h"
#include "platform/ui/qt/tray_presence.h"
#include "platform/ui/tray_record.h"

namespace vmqt {
namespace {

constexpr UINT MIDDLE_BUTTON_UP = 0x0208;  // WM_MBUTTONUP
constexpr DWORD INFO_ICON_MASK = 0x0000000Fu;
// A program that runs for months keeps only its latest balloons for inspection.
constexpr std::size_t KEPT_BALLOONS = 32;

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
QByteArray FieldBytes(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    const auto length =
        end != nullptr ? static_cast<const char*>(end) - field : static_cast<std::ptrdiff_t>(N);
    return QByteArray(field, static_cast<qsizetype>(length));
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
        case NIIF_INFO:
            return QSystemTrayIcon::Information;
        case NIIF_WARNING:
            return QSystemTrayIcon::Warning;
        case NIIF_ERROR:
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

// Without a notification area: each line under the balloon's title on stderr, where a session
// log keeps it, and the window's taskbar entry asks to be looked at.
void ShowWithoutTray(const Balloon& balloon, HWND owner) {
    for (const QString& line : balloon.text.split(QLatin1Char('\n'))) {
        std::fprintf(stderr, "%s: %s\n", balloon.title.toLocal8Bit().constData(),
                     line.toLocal8Bit().constData());
    }
    std::fflush(stderr);
    if (DialogWindow* dialog = DialogWindow::FromHandle(owner)) {
        QApplication::alert(dialog);
    }
}

void ShowBalloon(TrayIconView& view, DWORD operation, const NOTIFYICONDATAA& record) {
    Balloon balloon;
    balloon.title = FromBytes(FieldBytes(record.szInfoTitle));
    // Several notifications at once come as lines separated by CR LF.
    balloon.text = LinesFromBytes(FieldBytes(record.szInfo));
    balloon.icon = BalloonIconOf(record.dwInfoFlags);
    balloon.timeoutMs = static_cast<int>(record.uTimeout);
    if (operation == NIM_MODIFY && !TrayAvailable()) {
        balloon.route = BalloonRoute::Stderr;
        ShowWithoutTray(balloon, record.hWnd);
    } else {
        view.icon->showMessage(balloon.title, balloon.text, balloon.icon, balloon.timeoutMs);
    }
    if (view.balloons.size() == KEPT_BALLOONS) {
        view.balloons.erase(view.balloons.begin());
    }
    view.balloons.push_back(balloon);
    ++view.balloonsShown;
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
    view.icon->setToolTip(FromBytes(FieldBytes(view.record->szTip)));
    view.icon->show();
    if (ui::ShowsBalloon(record)) {
        ShowBalloon(view, operation, record);
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
