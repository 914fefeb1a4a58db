// The Qt front-end's translation layer: dialogs laid out from the templates, the window's
// events as the dialog procedure's messages, the seam's operations on a live status window
// (with a procedure that only records what it receives), the target prompt with the program's
// own procedure, icon decoding and the launch options.
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/ico_image.h"
#include "platform/ui/qt/launch_options.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"
#include "platform/ui/ui.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "shell/resources/templates.h"
#include "tests/qt/qt_test_support.h"

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
                QCOMPARE(widget->isHidden(), (control.style & tmpl::STYLE_WS_VISIBLE) == 0);
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
            // Fixed in size: the window asks for no maximise button, and minimise only where
            // it stands in for hiding.
            QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
            QCOMPARE(bool(window.windowFlags() & Qt::WindowMinimizeButtonHint), !tray);
            QCOMPARE(window.minimumSize(), window.maximumSize());
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

    void optionsAndUsageErrors() {
        const struct {
            std::vector<std::string> arguments;
            vmqt::LaunchAction action;
            std::string text;
        } cases[] = {
            {{"printer", "--help"}, vmqt::LaunchAction::Help, ""},
            {{"-h"}, vmqt::LaunchAction::Help, ""},
            {{"--version"}, vmqt::LaunchAction::Version, ""},
            {{"--bogus", "printer"}, vmqt::LaunchAction::UsageError, "unknown option '--bogus'"},
            {{"--help=1"}, vmqt::LaunchAction::UsageError, "unknown option '--help=1'"},
            {{"--", "--help", "-x"}, vmqt::LaunchAction::Run, "--help -x"},
            {{"printer", "public", "extra"}, vmqt::LaunchAction::Run, "printer public extra"},
            {{"-"}, vmqt::LaunchAction::Run, "-"},
        };
        for (const auto& c : cases) {
            const vmqt::Launch launch = vmqt::ParseLaunch(c.arguments);
            QCOMPARE(launch.action, c.action);
            QCOMPARE(launch.text, c.text);
        }
    }

    // The program itself: a usage error, no display, and a target too long said on stderr.
    void programSaysWhatIsWrongOnStderr() {
        const struct {
            QStringList arguments;
            const char* platform;  // QT_QPA_PLATFORM; null: unset, and no display either
            int exitCode;          // -1: still running, killed after reading stderr
            QString err;
        } cases[] = {
            {{"--bogus"},
             "offscreen",
             2,
             "vellumark: unknown option '--bogus'\nUsage: " VM_VELLUMARK_PATH
             " [--] [PRINTER[:PORT] [COMMUNITY]]\n"},
            {{"127.0.0.1"},
             nullptr,
             1,
             "vellumark: no display found (DISPLAY or WAYLAND_DISPLAY); vellumark-term shows the "
             "printer in a terminal\n"},
            {{QString(64, QLatin1Char('a'))},
             "offscreen",
             -1,
             "vellumark: the target is longer than 63 characters\n"},
        };
        for (const auto& c : cases) {
            QProcess program;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.remove(QStringLiteral("DISPLAY"));
            environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
            if (c.platform != nullptr) {
                environment.insert(QStringLiteral("QT_QPA_PLATFORM"), c.platform);
            }
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(VM_VELLUMARK_PATH), c.arguments);
            QVERIFY(program.waitForStarted(5000));
            if (c.exitCode < 0) {
                // Qt may have its own say first (a missing runtime folder, for example).
                program.setReadChannel(QProcess::StandardError);
                QString line;
                QVERIFY(QTest::qWaitFor(
                    [&] {
                        while (program.canReadLine() && !line.startsWith("vellumark:")) {
                            line = QString::fromUtf8(program.readLine());
                        }
                        return line.startsWith("vellumark:");
                    },
                    10000));
                QCOMPARE(line, c.err);
                program.kill();
                QVERIFY(program.waitForFinished(5000));
                continue;
            }
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), c.exitCode);
            QCOMPARE(QString::fromUtf8(program.readAllStandardError()), c.err);
        }
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

    void textsRoundTripAsBytesEachFieldOnItsOwn() {
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            const HWND h = dialog->Handle();
            auto* primary = qobject_cast<QLineEdit*>(dialog->Control(IDC_PRIMARY));

            // Valid UTF-8 shows as UTF-8; other bytes as Latin-1 and read back unchanged; a
            // character that a cut split is dropped, not read as Latin-1.
            QVERIFY(ui::SetDlgItemTextA(h, IDC_PRIMARY, "Caf\xC3\xA9"));
            QCOMPARE(primary->text(), QStringLiteral("Caf\u00E9"));
            ui::SetDlgItemTextA(h, IDC_PRIMARY, "Caf\xE9 \x80");
            QCOMPARE(primary->text(), QStringLiteral("Caf\u00E9 \u0080"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("Caf\xE9 \x80"));
            ui::SetDlgItemTextA(h, IDC_PRIMARY, "\xE6\x97\xA5\xE6\x9C");
            QCOMPARE(primary->text(), QStringLiteral("\u65E5"));

            // Typed text reads back as UTF-8, cut at the capacity on a character boundary.
            primary->clear();
            primary->insert(QStringLiteral("ab\u00E9z"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 5), QByteArray("ab\xC3\xA9"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 4), QByteArray("ab"));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 1), QByteArray(""));

            // "\r\n" separates the console lines, and each line is read on its own.
            ui::SetDlgItemTextA(h, IDC_SECONDARY, "Caf\xC3\xA9\r\nCaf\xE9");
            auto* secondary = qobject_cast<QPlainTextEdit*>(dialog->Control(IDC_SECONDARY));
            QCOMPARE(secondary->toPlainText(), QStringLiteral("Caf\u00E9\nCaf\u00E9"));

            // A poll that writes the same lines again leaves the box where the user scrolled.
            QByteArray lines;
            for (int i = 0; i < 20; ++i) {
                lines += "line " + QByteArray::number(i) + "\r\n";
            }
            ui::SetDlgItemTextA(h, IDC_SECONDARY, lines.constData());
            QScrollBar* scroll = secondary->verticalScrollBar();
            QVERIFY(scroll->maximum() > 0);
            scroll->setValue(scroll->maximum());
            ui::SetDlgItemTextA(h, IDC_SECONDARY, lines.constData());
            QCOMPARE(scroll->value(), scroll->maximum());
        });
    }

    // EM_LIMITTEXT counts the bytes the program reads back; the program's own text is not held
    // to it, and a text over the limit can still be shortened.
    void typingStaysWithinTheByteLimit() {
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            const HWND h = dialog->Handle();
            auto* primary = qobject_cast<QLineEdit*>(dialog->Control(IDC_PRIMARY));
            ui::SendDlgItemMessageA(h, IDC_PRIMARY, EM_LIMITTEXT, 5, 0);
            primary->setFocus();
            for (const QChar typed : QStringLiteral("abcd\u00E9x\u00E9")) {
                QTest::sendKeyEvent(QTest::Click, primary,
                                    static_cast<Qt::Key>(typed.toUpper().unicode()), QString(typed),
                                    Qt::NoModifier);
            }
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("abcdx"));
            ui::SetDlgItemTextA(h, IDC_PRIMARY, "longer than five");
            QCOMPARE(primary->text(), QStringLiteral("longer than five"));
            QTest::keyClick(primary, Qt::Key_Backspace);
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("longer than fiv"));
        });
    }

    // What the program's adoption of a typed target rests on: timers tick, the shown update
    // button's click arrives as its command, and the typed text reads back.
    void timersTickAndTheUpdateButtonSendsItsCommand() {
        qttest::RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = qttest::CurrentDialog();
            const HWND h = dialog->Handle();
            QCOMPARE(ui::SetTimer(h, 7, 10, nullptr), static_cast<UINT_PTR>(7));
            const auto ticks = [] {
                return std::count_if(g_recorded.begin(), g_recorded.end(), [](const Message& m) {
                    return m.message == WM_TIMER && m.wParam == 7;
                });
            };
            QVERIFY(QTest::qWaitFor([&] { return ticks() >= 2; }, 2000));
            QVERIFY(ui::KillTimer(h, 7));
            const auto after = ticks();
            QTest::qWait(50);
            QCOMPARE(ticks(), after);

            QCOMPARE(ui::ShowWindow(ui::GetDlgItem(h, IDC_UPDATE_TARGET), SW_SHOWNORMAL), FALSE);
            auto* primary = qobject_cast<QLineEdit*>(dialog->Control(IDC_PRIMARY));
            primary->clear();
            QTest::keyClicks(primary, QStringLiteral("10.0.0.7:1161"));
            g_recorded.clear();
            QTest::mouseClick(dialog->Control(IDC_UPDATE_TARGET), Qt::LeftButton);
            QCOMPARE(g_recorded.size(), static_cast<std::size_t>(1));
            QCOMPARE(LOWORD(g_recorded.front().wParam), static_cast<WORD>(IDC_UPDATE_TARGET));
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("10.0.0.7:1161"));
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
            QCOMPARE(view->record->hIcon, record.hIcon);
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
                QCOMPARE(edit->text(), typed.left(63));  // no more can be typed
                QTest::keyClick(edit, Qt::Key_Return);
                QVERIFY(dialog->Ended());
            });
        QCOMPARE(result, static_cast<INT_PTR>(0));
        QCOMPARE(QByteArray(g_target), typed.left(63).toUtf8());
    }
};

QTEST_MAIN(FrontEndTest)
#include "qt_frontend_test.moc"
