// The window's events as the dialog procedure's messages, and the seam's operations on a live
// status window, with a procedure that only records what it receives.
#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/popup_menus.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"
#include "platform/ui/ui.h"
#include "qt_test_support.h"
#include "shell/resources/resource.h"

namespace {

using qttest::Recorded;
using qttest::WasRecorded;

constexpr UINT CALLBACK_MESSAGE = WM_USER + 210;
constexpr UINT ICON_ID = 500;

INT_PTR RunMonitor() {
    return ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr,
                               qttest::RecordingProcedure, 5);
}

QByteArray ReadText(HWND dialog, int id, int capacity) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof(buffer));
    const UINT count = ui::GetDlgItemTextA(dialog, id, buffer, capacity);
    if (count != std::strlen(buffer)) {
        return "count mismatch";
    }
    return QByteArray(buffer);
}

}  // namespace

class MessagesTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { Recorded().clear(); }
    void cleanup() { vmqt::ForceTrayAvailable(std::nullopt); }

    void initialisationComesFirstAndEndDialogGivesTheResult() {
        const INT_PTR result = qttest::RunWhileDriving(RunMonitor, [] {
            QVERIFY(!Recorded().empty());
            QCOMPARE(Recorded().front().message, static_cast<UINT>(WM_INITDIALOG));
            QCOMPARE(Recorded().front().lParam, static_cast<LPARAM>(5));
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            QVERIFY(dialog != nullptr && dialog->isVisible());
            // Centred on the screen's available area.
            const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(qAbs(dialog->geometry().center().x() - area.center().x()) <= 1);
            QVERIFY(qAbs(dialog->geometry().center().y() - area.center().y()) <= 1);
            QVERIFY(ui::EndDialog(dialog->Handle(), 42));
        });
        QCOMPARE(result, static_cast<INT_PTR>(42));
        QVERIFY(qttest::CurrentDialog() == nullptr);
        QVERIFY(!ui::EndDialog(reinterpret_cast<HWND>(0x1234), 0));
    }

    void eventsBecomeMessages() {
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            QVERIFY(dialog != nullptr);
            const HWND h = dialog->Handle();

            // A timer delivers WM_TIMER with its identifier until it is killed.
            QCOMPARE(ui::SetTimer(h, 7, 20, nullptr), static_cast<UINT_PTR>(7));
            QVERIFY(qttest::WaitFor(
                [] {
                    for (const qttest::Message& m : Recorded()) {
                        if (m.message == WM_TIMER && m.wParam == 7) {
                            return true;
                        }
                    }
                    return false;
                },
                2000));
            QVERIFY(ui::KillTimer(h, 7));
            QVERIFY(!ui::KillTimer(h, 7));

            // A button click is WM_COMMAND with the button's identifier.
            Recorded().clear();
            QTest::mouseClick(dialog->Control(IDC_HIDE), Qt::LeftButton);
            QVERIFY(WasRecorded(WM_COMMAND, IDC_HIDE));

            // Esc and the close button are IDCANCEL; the window stays until the procedure ends it.
            Recorded().clear();
            QTest::keyClick(dialog->Control(IDC_PRIMARY), Qt::Key_Escape);
            QVERIFY(WasRecorded(WM_COMMAND, IDCANCEL));
            Recorded().clear();
            dialog->close();
            QVERIFY(WasRecorded(WM_COMMAND, IDCANCEL));
            QVERIFY(dialog->isVisible());

            // Enter in an edit is the default button's command, though the button is hidden.
            Recorded().clear();
            QTest::keyClick(dialog->Control(IDC_PRIMARY), Qt::Key_Return);
            QVERIFY(WasRecorded(WM_COMMAND, IDC_UPDATE_TARGET));
            QVERIFY(!WasRecorded(WM_COMMAND, IDC_HIDE));
            Recorded().clear();
            QTest::keyClick(dialog->Control(IDC_SECONDARY), Qt::Key_Enter);
            QVERIFY(WasRecorded(WM_COMMAND, IDC_UPDATE_TARGET));
            // A focused push button takes Enter itself.
            Recorded().clear();
            dialog->Control(IDC_HIDE)->setFocus();
            QTest::keyClick(dialog->Control(IDC_HIDE), Qt::Key_Return);
            QVERIFY(WasRecorded(WM_COMMAND, IDC_HIDE));
            QVERIFY(!WasRecorded(WM_COMMAND, IDC_UPDATE_TARGET));

            // SendMessageA reaches the procedure at once.
            Recorded().clear();
            ui::SendMessageA(h, WM_TIMER, 1, 0);
            QVERIFY(WasRecorded(WM_TIMER, 0));
        });
    }

    void progressBarMessages() {
        qttest::RunWhileDriving(RunMonitor, [] {
            const HWND h = qttest::CurrentHandle();
            auto* bar = qobject_cast<QProgressBar*>(qttest::CurrentDialog()->Control(IDC_TONER));
            QVERIFY(bar != nullptr);
            auto send = [h](UINT message, WPARAM w, LPARAM l) {
                return ui::SendDlgItemMessageA(h, IDC_TONER, message, w, l);
            };
            // The 16-bit range: low and high word, both unsigned.
            QCOMPARE(send(PBM_SETRANGE, 0, MAKELPARAM(0, 30000)), MAKELPARAM(0, 100));
            QCOMPARE(bar->maximum(), 30000);
            send(PBM_SETRANGE, 0, MAKELPARAM(0, 65535));
            QCOMPARE(bar->maximum(), 65535);
            // The 32-bit range, and positions clamped into it.
            send(PBM_SETRANGE32, 0, 100000);
            QCOMPARE(bar->maximum(), 100000);
            QCOMPARE(send(PBM_GETRANGE, FALSE, 0), static_cast<LRESULT>(100000));
            send(PBM_SETPOS, 75000, 0);
            QCOMPARE(bar->value(), 75000);
            QCOMPARE(send(PBM_SETPOS, 250000, 0), static_cast<LRESULT>(75000));
            QCOMPARE(bar->value(), 100000);
            // The position is a signed int: -5 is below the range, not a huge number.
            send(PBM_SETPOS, static_cast<WPARAM>(-5), 0);
            QCOMPARE(bar->value(), 0);
            send(PBM_SETRANGE32, static_cast<WPARAM>(-10), 10);
            send(PBM_SETPOS, static_cast<WPARAM>(-5), 0);
            QCOMPARE(bar->value(), -5);
            QCOMPARE(send(PBM_GETPOS, 0, 0), static_cast<LRESULT>(-5));
            // Colour 0 is black; the step is kept.
            QCOMPARE(send(PBM_SETBARCOLOR, 0, 0), static_cast<LRESULT>(0xFF000000u));
            QCOMPARE(bar->palette().color(QPalette::Highlight), QColor(Qt::black));
            send(PBM_SETBARCOLOR, 0, 0x0000FF);
            QCOMPARE(bar->palette().color(QPalette::Highlight), QColor(255, 0, 0));
            QCOMPARE(send(PBM_SETSTEP, 1, 0), static_cast<LRESULT>(10));
            QCOMPARE(send(PBM_SETSTEP, 3, 0), static_cast<LRESULT>(1));
        });
    }

    void textsRoundTripAsBytes() {
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            const HWND h = dialog->Handle();
            auto* primary = qobject_cast<QLineEdit*>(dialog->Control(IDC_PRIMARY));

            // Valid UTF-8 shows as UTF-8; other bytes as Latin-1 and read back unchanged.
            QVERIFY(ui::SetDlgItemTextA(h, IDC_PRIMARY, "Caf\xC3\xA9"));
            QCOMPARE(primary->text(), QStringLiteral("Caf\u00E9"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("Caf\xC3\xA9"));
            ui::SetDlgItemTextA(h, IDC_PRIMARY, "Caf\xE9 \x80");
            QCOMPARE(primary->text(), QStringLiteral("Caf\u00E9 \u0080"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("Caf\xE9 \x80"));

            // Typed text reads back as UTF-8, cut at the capacity on a character boundary.
            primary->clear();
            // As typed: an edit by the user, not a text set by the program.
            primary->insert(QStringLiteral("ab\u00E9z"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("ab\xC3\xA9z"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 5), QByteArray("ab\xC3\xA9"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 4), QByteArray("ab"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 1), QByteArray(""));
            char untouched[4] = "xyz";
            QCOMPARE(ui::GetDlgItemTextA(h, IDC_PRIMARY, untouched, 0), 0u);
            QCOMPARE(QByteArray(untouched), QByteArray("xyz"));

            // Multi-line text: "\r\n" separates lines on the program's side.
            ui::SetDlgItemTextA(h, IDC_SECONDARY, "Ready\r\nTray 2: Letter");
            auto* secondary = qobject_cast<QPlainTextEdit*>(dialog->Control(IDC_SECONDARY));
            QCOMPARE(secondary->toPlainText(), QStringLiteral("Ready\nTray 2: Letter"));
            QCOMPARE(secondary->document()->blockCount(), 2);
            QCOMPARE(ReadText(h, IDC_SECONDARY, 64), QByteArray("Ready\r\nTray 2: Letter"));
            secondary->appendPlainText(QStringLiteral("x"));
            QCOMPARE(ReadText(h, IDC_SECONDARY, 64), QByteArray("Ready\r\nTray 2: Letter\r\nx"));

            // Statics and the title.
            ui::SetDlgItemTextA(h, IDC_PAGECOUNT, "48213");
            QCOMPARE(ReadText(h, IDC_PAGECOUNT, 64), QByteArray("48213"));
            QVERIFY(ui::SetWindowTextA(h, "Model \xE9 Monitor"));
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Model \u00E9 Monitor"));
            QVERIFY(!ui::SetDlgItemTextA(h, 4242, "nowhere"));
            QCOMPARE(ReadText(h, 4242, 64), QByteArray(""));
        });
    }

    void showWindowReportsEarlierVisibility() {
        vmqt::ForceTrayAvailable(true);
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            const HWND h = dialog->Handle();
            const HWND update = ui::GetDlgItem(h, IDC_UPDATE_TARGET);
            QVERIFY(update != nullptr);
            QVERIFY(!ui::ShowWindow(update, SW_SHOWNORMAL));
            QVERIFY(!dialog->Control(IDC_UPDATE_TARGET)->isHidden());
            QVERIFY(ui::ShowWindow(update, SW_SHOWNORMAL));
            QVERIFY(ui::ShowWindow(update, SW_HIDE));
            QVERIFY(dialog->Control(IDC_UPDATE_TARGET)->isHidden());

            QVERIFY(ui::ShowWindow(h, SW_HIDE));
            QVERIFY(!dialog->isVisible());
            QVERIFY(!ui::ShowWindow(h, SW_HIDE));
            QVERIFY(!ui::ShowWindow(h, SW_SHOW));
            QVERIFY(dialog->isVisible());
            QVERIFY(ui::ShowWindow(h, SW_SHOWNORMAL));
            QVERIFY(dialog->isVisible());
        });
    }

    void withoutNotificationAreaHidingMinimises() {
        vmqt::ForceTrayAvailable(false);
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            const HWND h = dialog->Handle();
            QVERIFY(ui::ShowWindow(h, SW_HIDE));
            // Still on the desktop (with its taskbar entry), only minimised.
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->isMinimized());
            QVERIFY(!ui::ShowWindow(h, SW_HIDE));
            QVERIFY(!ui::ShowWindow(h, SW_SHOWNORMAL));
            QVERIFY(!dialog->isMinimized());
            QVERIFY(ui::ShowWindow(h, SW_SHOW));
        });
    }

    void trayIconFollowsTheRecord() {
        qttest::RunWhileDriving(RunMonitor, [] {
            const HWND h = qttest::CurrentHandle();
            const HICON online = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_ONLINE));
            const HICON offline = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_OFFLINE));
            QVERIFY(online != nullptr && offline != nullptr && online != offline);
            QCOMPARE(ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_ONLINE)), online);
            QVERIFY(ui::LoadIconA(nullptr, MAKEINTRESOURCEA(4242)) == nullptr);

            NOTIFYICONDATAA record{};
            record.cbSize = sizeof(record);
            record.hWnd = h;
            record.uID = ICON_ID;
            record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
            record.uCallbackMessage = CALLBACK_MESSAGE;
            record.hIcon = online;
            std::strcpy(record.szTip, "Tip \xE9");
            std::strcpy(record.szInfo, "By Quillfen");
            std::memset(record.szInfoTitle, 'T', sizeof(record.szInfoTitle));  // no terminator
            record.dwInfoFlags = NIIF_INFO;
            record.uTimeout = 10000;
            QVERIFY(ui::Shell_NotifyIconA(NIM_ADD, &record));
            QVERIFY(!ui::Shell_NotifyIconA(NIM_ADD, &record));

            const vmqt::TrayIconView* view = vmqt::FindTrayIcon(h, ICON_ID);
            QVERIFY(view != nullptr);
            QCOMPARE(view->icon->toolTip(), QStringLiteral("Tip \u00E9"));
            QCOMPARE(view->iconHandle, online);
            QVERIFY(!view->icon->icon().isNull());
            QCOMPARE(view->balloons, 1);
            QCOMPARE(view->balloonTitle, QString(64, QLatin1Char('T')));
            QCOMPARE(view->balloonText, QStringLiteral("By Quillfen"));
            QCOMPARE(view->balloonIcon, static_cast<int>(QSystemTrayIcon::Information));
            QCOMPARE(view->balloonTimeoutMs, 10000);

            // Activations come back as the callback message with the mouse message.
            const struct {
                QSystemTrayIcon::ActivationReason reason;
                LPARAM mouse;
            } activations[] = {
                {QSystemTrayIcon::DoubleClick, WM_LBUTTONDBLCLK},
                {QSystemTrayIcon::Context, WM_RBUTTONDOWN},
                {QSystemTrayIcon::Trigger, WM_LBUTTONUP},
            };
            for (const auto& a : activations) {
                Recorded().clear();
                emit view->icon->activated(a.reason);
                QCOMPARE(Recorded().size(), static_cast<std::size_t>(1));
                QCOMPARE(Recorded().front().message, CALLBACK_MESSAGE);
                QCOMPARE(Recorded().front().wParam, static_cast<WPARAM>(ICON_ID));
                QCOMPARE(Recorded().front().lParam, a.mouse);
            }

            // A modify changes only what its flags name; no balloon without NIF_INFO.
            NOTIFYICONDATAA modify{};
            modify.cbSize = sizeof(modify);
            modify.hWnd = h;
            modify.uID = ICON_ID;
            modify.uFlags = NIF_ICON;
            modify.hIcon = offline;
            QVERIFY(ui::Shell_NotifyIconA(NIM_MODIFY, &modify));
            QCOMPARE(view->iconHandle, offline);
            QCOMPARE(view->icon->toolTip(), QStringLiteral("Tip \u00E9"));
            QCOMPARE(view->balloons, 1);
            modify.uFlags = NIF_ICON | NIF_TIP;
            modify.hIcon = online;
            std::strcpy(modify.szTip, "New title Monitor");
            QVERIFY(ui::Shell_NotifyIconA(NIM_MODIFY, &modify));
            QCOMPARE(view->icon->toolTip(), QStringLiteral("New title Monitor"));
            QCOMPARE(view->iconHandle, online);

            NOTIFYICONDATAA remove{};
            remove.cbSize = sizeof(remove);
            remove.hWnd = h;
            remove.uID = ICON_ID;
            QVERIFY(ui::Shell_NotifyIconA(NIM_DELETE, &remove));
            QVERIFY(vmqt::FindTrayIcon(h, ICON_ID) == nullptr);
            QVERIFY(!ui::Shell_NotifyIconA(NIM_DELETE, &remove));
            QVERIFY(!ui::Shell_NotifyIconA(NIM_MODIFY, &modify));
        });
    }

    void popupMenuOpensAtItsCornerAndPostsTheChoice() {
        qttest::RunWhileDriving(RunMonitor, [] {
            const HWND h = qttest::CurrentHandle();
            const HMENU menu = ui::LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_TRAYMENU));
            QVERIFY(menu != nullptr);
            const HMENU popup = ui::GetSubMenu(menu, 0);
            QVERIFY(popup != nullptr);
            QVERIFY(ui::GetSubMenu(menu, 1) == nullptr);
            QMenu* shown = vmqt::MenuFromHandle(popup);
            QVERIFY(shown != nullptr);
            QStringList texts;
            for (QAction* action : shown->actions()) {
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            QCOMPARE(texts, (QStringList{QStringLiteral("Show Vellumark"),
                                         QStringLiteral("Hide Vellumark"), QStringLiteral("-"),
                                         QStringLiteral("Exit Vellumark")}));

            QRect opened;
            QTimer::singleShot(100, [&opened, shown] {
                opened = shown->geometry();
                QAction* hide = shown->actions().at(1);
                QTest::mouseClick(shown, Qt::LeftButton, {}, shown->actionGeometry(hide).center());
            });
            Recorded().clear();
            QVERIFY(ui::TrackPopupMenu(popup, TPM_LEFTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN,
                                       400, 300, 0, h, nullptr));
            // Bottom-right corner at the point.
            QCOMPARE(opened.right() + 1, 400);
            QCOMPARE(opened.bottom() + 1, 300);
            // The choice is posted: it arrives once the event loop runs again.
            QVERIFY(!WasRecorded(WM_COMMAND, IDM_HIDE));
            QVERIFY(qttest::WaitFor([] { return WasRecorded(WM_COMMAND, IDM_HIDE); }, 2000));

            QVERIFY(ui::DestroyMenu(menu));
            QVERIFY(!ui::DestroyMenu(menu));
            QVERIFY(vmqt::MenuFromHandle(popup) == nullptr);
        });
    }
};

QTEST_MAIN(MessagesTest)
#include "qt_messages_test.moc"
