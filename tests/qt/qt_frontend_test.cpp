// The Qt front-end's translation layer: dialogs laid out from the templates, the window's
// events as the dialog procedure's messages, the seam's operations on a live status window
// (with a procedure that only records what it receives), the target prompt with the program's
// own procedure, icon decoding and the launch options.
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/ico_image.h"
#include "platform/ui/qt/launch_options.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"
#include "platform/ui/ui.h"
#include "qt_test_support.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "shell/resources/templates.h"

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

// The template's widget: by identifier, or for the unnamed labels by their text.
QWidget* WidgetFor(const vmqt::DialogWindow& dialog, const tmpl::ControlTemplate& control) {
    if (control.id != -1) {
        return dialog.Control(control.id);
    }
    for (QWidget* widget : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (vmqt::ControlId(widget) == -1 && vmqt::ControlText(widget) == control.text) {
            return widget;
        }
    }
    return nullptr;
}

int Scale(int value, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(value) * base / divisor));
}

}  // namespace

class FrontEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { g_recorded.clear(); }
    void cleanup() { vmqt::ForceTrayAvailable(std::nullopt); }

    void controlsSitWhereTheTemplateSays() {
        for (const tmpl::DialogTemplate* dialog :
             {&tmpl::MonitorTemplate(), &tmpl::TargetTemplate()}) {
            vmqt::DialogWindow window(*dialog, nullptr);
            QCOMPARE(window.font().pointSize(), 8);
            // Base units worked out here from the font, the way the dialog manager does.
            const QFontMetrics metrics(window.font());
            const int letters = metrics.horizontalAdvance(
                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
            const int baseX = (letters / 26 + 1) / 2;
            const int baseY = metrics.height();
            QVERIFY2(baseX >= 4 && baseY >= 8, "implausible base units for an 8-point font");

            QCOMPARE(window.size(),
                     QSize(Scale(dialog->cx, baseX, 4), Scale(dialog->cy, baseY, 8)));
            for (const tmpl::ControlTemplate& control : dialog->controls) {
                QWidget* widget = WidgetFor(window, control);
                QVERIFY2(widget != nullptr, control.text);
                const QRect expected(Scale(control.x, baseX, 4), Scale(control.y, baseY, 8),
                                     Scale(control.cx, baseX, 4), Scale(control.cy, baseY, 8));
                QCOMPARE(widget->geometry(), expected);
                QCOMPARE(vmqt::ControlText(widget), QByteArray(control.text));
                QCOMPARE(widget->isHidden(), (control.style & tmpl::WsVisible) == 0);
            }
        }
    }

    void statusWindowStaysOnTopAndIsAToolOnlyWithANotificationArea() {
        for (const bool tray : {true, false}) {
            vmqt::ForceTrayAvailable(tray);
            vmqt::DialogWindow window(tmpl::MonitorTemplate(), nullptr);
            QCOMPARE(window.windowType(), tray ? Qt::Tool : Qt::Window);
            QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
            QCOMPARE(window.MinimisesToHide(), !tray);
        }
    }

    void iconsDecodeAndMalformedOnesGiveNoImage() {
        QFile file(QStringLiteral(VM_SOURCE_DIR "/shell/resources/online.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        QCOMPARE(vmqt::DecodeIco(good).size(), QSize(48, 48));
        QVERIFY(vmqt::DecodeIco(good.left(21)).isNull());
        QByteArray farOffset = good;
        farOffset[18] = static_cast<char>(0xF0);
        QVERIFY(vmqt::DecodeIco(farOffset).isNull());
    }

    void onlyTheExactFirstTokenIsAnOption() {
        QCOMPARE(vmqt::ParseLaunch({"--help"}).action, vmqt::LaunchAction::Help);
        QCOMPARE(vmqt::ParseLaunch({"--help=1"}).action, vmqt::LaunchAction::Run);
        const vmqt::Launch run = vmqt::ParseLaunch({"printer", "--help", "extra"});
        QCOMPARE(run.action, vmqt::LaunchAction::Run);
        QCOMPARE(run.commandLine, std::string("printer --help extra"));
    }

    void eventsBecomeMessages() {
        const INT_PTR result = qttest::RunWhileDriving(RunMonitor, [] {
            QVERIFY(!g_recorded.empty());
            QCOMPARE(g_recorded.front().message, static_cast<UINT>(WM_INITDIALOG));
            QCOMPARE(g_recorded.front().lParam, static_cast<LPARAM>(5));
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            QVERIFY(dialog != nullptr && dialog->isVisible());
            const HWND h = dialog->Handle();

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

    void textsRoundTripAsBytes() {
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
        });
    }
    void escAndCloseAreIgnoredAndEnterTakes63Characters() {
        std::strcpy(g_target, "before");
        // Spaces stay in the entry as typed.
        const QString typed =
            QStringLiteral(" printer-with-a-very-long-name.floor-three.example.org:16161-extra");
        const INT_PTR result = qttest::RunWhileDriving(
            [] {
                return ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_TARGET), nullptr,
                                           TargetDialogProc, 0);
            },
            [&typed] {
                vmqt::DialogWindow* dialog = qttest::CurrentDialog();
                QVERIFY(dialog != nullptr && dialog->isVisible());
                QCOMPARE(dialog->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
                auto* edit = qobject_cast<QLineEdit*>(dialog->Control(IDC_TARGET_EDIT));
                QVERIFY(edit != nullptr);
                QCOMPARE(dialog->focusWidget(), edit);

                QTest::keyClick(edit, Qt::Key_Escape);
                dialog->close();
                QTest::qWait(50);
                QVERIFY(!dialog->Ended() && dialog->isVisible());
                QCOMPARE(QByteArray(g_target), QByteArray("before"));

                QTest::keyClicks(edit, typed);
                QTest::keyClick(edit, Qt::Key_Return);
                QVERIFY(dialog->Ended());
            });
        QCOMPARE(result, static_cast<INT_PTR>(0));
        QCOMPARE(QByteArray(g_target), typed.left(63).toUtf8());
    }
};

QTEST_MAIN(FrontEndTest)
#include "qt_frontend_test.moc"
