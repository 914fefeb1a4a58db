// The window's events as the dialog procedure's messages, and the seam's operations on a live
// status window, with a procedure that only records what it receives.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <cstring>
#include <vector>

#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"
#include "platform/ui/ui.h"
#include "qt_test_support.h"
#include "shell/resources/resource.h"

namespace {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Message> g_recorded;

INT_PTR CALLBACK RecordingProcedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    g_recorded.push_back(Message{message, wParam, lParam});
    return FALSE;
}

INT_PTR RunMonitor() {
    return ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, RecordingProcedure,
                               5);
}

// The text read back with that capacity, checked against the count GetDlgItemTextA returns.
QByteArray ReadText(HWND dialog, int id, int capacity) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof(buffer));
    const UINT count = ui::GetDlgItemTextA(dialog, id, buffer, capacity);
    return count == std::strlen(buffer) ? QByteArray(buffer) : QByteArray("count mismatch");
}

}  // namespace

class MessagesTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { g_recorded.clear(); }
    void cleanup() { vmqt::ForceTrayAvailable(std::nullopt); }

    void eventsBecomeMessages() {
        const INT_PTR result = qttest::RunWhileDriving(RunMonitor, [] {
            QVERIFY(!g_recorded.empty());
            QCOMPARE(g_recorded.front().message, static_cast<UINT>(WM_INITDIALOG));
            QCOMPARE(g_recorded.front().lParam, static_cast<LPARAM>(5));
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            QVERIFY(dialog != nullptr && dialog->isVisible());
            const HWND h = dialog->Handle();

            // A timer delivers WM_TIMER with its identifier until it is killed.
            QCOMPARE(ui::SetTimer(h, 7, 20, nullptr), static_cast<UINT_PTR>(7));
            QVERIFY(QTest::qWaitFor([] { return g_recorded.back().message == WM_TIMER; }, 2000));
            QCOMPARE(g_recorded.back().wParam, static_cast<WPARAM>(7));
            QVERIFY(ui::KillTimer(h, 7));

            const struct {
                int control;  // gets the focus and the key; 0: the close button instead
                Qt::Key key;
                WORD command;
            } cases[] = {
                {IDC_PRIMARY, Qt::Key_Escape, IDCANCEL},
                {0, Qt::Key_unknown, IDCANCEL},
                // Enter in an edit is the default button's, though the button is hidden.
                {IDC_PRIMARY, Qt::Key_Return, IDC_UPDATE_TARGET},
                {IDC_SECONDARY, Qt::Key_Enter, IDC_UPDATE_TARGET},
                {IDC_HIDE, Qt::Key_Return, IDC_HIDE},  // a focused button takes Enter itself
            };
            for (const auto& c : cases) {
                g_recorded.clear();
                if (c.control == 0) {
                    dialog->close();
                } else {
                    dialog->Control(c.control)->setFocus();
                    QTest::keyClick(dialog->Control(c.control), c.key);
                }
                QCOMPARE(g_recorded.size(), static_cast<std::size_t>(1));
                QCOMPARE(LOWORD(g_recorded.front().wParam), c.command);
                QVERIFY(dialog->isVisible());  // only the procedure ends the dialog
            }
            QVERIFY(ui::EndDialog(h, 42));
        });
        QCOMPARE(result, static_cast<INT_PTR>(42));
        QVERIFY(qttest::CurrentDialog() == nullptr);
    }

    void progressBarMessages() {
        qttest::RunWhileDriving(RunMonitor, [] {
            const HWND h = qttest::CurrentDialog()->Handle();
            auto* bar = qobject_cast<QProgressBar*>(qttest::CurrentDialog()->Control(IDC_TONER));
            auto send = [h](UINT message, WPARAM w, LPARAM l) {
                return ui::SendDlgItemMessageA(h, IDC_TONER, message, w, l);
            };
            // The 16-bit range is unsigned; the previous range comes back.
            QCOMPARE(send(PBM_SETRANGE, 0, MAKELPARAM(0, 65535)), MAKELPARAM(0, 100));
            QCOMPARE(bar->maximum(), 65535);
            send(PBM_SETRANGE32, 0, 100000);
            send(PBM_SETPOS, 75000, 0);
            QCOMPARE(send(PBM_SETPOS, 250000, 0), static_cast<LRESULT>(75000));
            QCOMPARE(bar->value(), 100000);  // clamped into the range
            // The position is a signed int: -5 is below the range, not a huge number.
            send(PBM_SETPOS, static_cast<WPARAM>(-5), 0);
            QCOMPARE(bar->value(), 0);
        });
    }

    void textsRoundTripAsBytesAndVisibilityIsReported() {
        vmqt::ForceTrayAvailable(true);
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            const HWND h = dialog->Handle();
            auto* primary = qobject_cast<QLineEdit*>(dialog->Control(IDC_PRIMARY));

            // Valid UTF-8 shows as UTF-8; other bytes as Latin-1 and read back unchanged.
            QVERIFY(ui::SetDlgItemTextA(h, IDC_PRIMARY, "Caf\xC3\xA9"));
            QCOMPARE(primary->text(), QStringLiteral("Caf\u00E9"));
            ui::SetDlgItemTextA(h, IDC_PRIMARY, "Caf\xE9 \x80");
            QCOMPARE(primary->text(), QStringLiteral("Caf\u00E9 \u0080"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("Caf\xE9 \x80"));

            // Typed text reads back as UTF-8, cut at the capacity on a character boundary.
            primary->clear();
            primary->insert(QStringLiteral("ab\u00E9z"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 5), QByteArray("ab\xC3\xA9"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 4), QByteArray("ab"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 1), QByteArray(""));

            // "\r\n" separates lines on the program's side.
            ui::SetDlgItemTextA(h, IDC_SECONDARY, "Ready\r\nTray 2: Letter");
            auto* secondary = qobject_cast<QPlainTextEdit*>(dialog->Control(IDC_SECONDARY));
            QCOMPARE(secondary->document()->blockCount(), 2);

            // ShowWindow answers whether the window had been visible.
            const HWND update = ui::GetDlgItem(h, IDC_UPDATE_TARGET);
            QVERIFY(!ui::ShowWindow(update, SW_SHOWNORMAL));
            QVERIFY(ui::ShowWindow(update, SW_SHOWNORMAL));
            QVERIFY(ui::ShowWindow(h, SW_HIDE));
            QVERIFY(!dialog->isVisible());
            QVERIFY(!ui::ShowWindow(h, SW_SHOW));
            QVERIFY(dialog->isVisible());
        });
    }

    void trayIconFollowsTheRecord() {
        qttest::RunWhileDriving(RunMonitor, [] {
            NOTIFYICONDATAA record{};
            record.cbSize = sizeof(record);
            record.hWnd = qttest::CurrentDialog()->Handle();
            record.uID = 500;
            record.uFlags = NIF_ICON | NIF_TIP | NIF_INFO;
            record.hIcon = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_ONLINE));
            std::strcpy(record.szTip, "Tip \xE9");
            std::strcpy(record.szInfo, "By Quillfen");
            std::memset(record.szInfoTitle, 'T', sizeof(record.szInfoTitle));  // no terminator
            QVERIFY(ui::Shell_NotifyIconA(NIM_ADD, &record));
            const vmqt::TrayIconView* view = vmqt::FindTrayIcon(record.hWnd, 500);
            QVERIFY(view != nullptr);
            QCOMPARE(view->icon->toolTip(), QStringLiteral("Tip \u00E9"));
            QCOMPARE(view->balloonTitle, QString(64, QLatin1Char('T')));

            // A modify changes only what its flags name; no balloon without NIF_INFO.
            record.uFlags = NIF_ICON;
            record.hIcon = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_OFFLINE));
            std::strcpy(record.szTip, "changed");
            QVERIFY(ui::Shell_NotifyIconA(NIM_MODIFY, &record));
            QCOMPARE(view->iconHandle, record.hIcon);
            QCOMPARE(view->icon->toolTip(), QStringLiteral("Tip \u00E9"));
            QCOMPARE(view->balloons, 1);

            QVERIFY(ui::Shell_NotifyIconA(NIM_DELETE, &record));
            QVERIFY(vmqt::FindTrayIcon(record.hWnd, 500) == nullptr);
        });
    }
};

QTEST_MAIN(MessagesTest)
#include "qt_messages_test.moc"
