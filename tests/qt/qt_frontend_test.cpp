// The Qt front-end's translation layer: dialogs laid out from the templates, the window's
// events as the dialog procedure's messages, the seam's operations on a live status window
// (with a procedure that only records what it receives), the program's target prompt, icon
// decoding and the program's usage errors (which arguments are wrong: tests/apps). Last, the
// whole program once against the simulated printer on loopback: the values in their controls,
// hiding and showing, the tray icon and its menu, exit (the state machine is the core's, tested
// in tests/shell).
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "options/qt_options.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/ico_image.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"
#include "platform/ui/ui.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "tests/support/printer_sim.h"

namespace {

// The one live dialog window, or nullptr.
vmqt::DialogWindow* CurrentDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = dynamic_cast<vmqt::DialogWindow*>(widget)) {
            return dialog;
        }
    }
    return nullptr;
}

// The live dialog laid out from template `templateId`, or nullptr.
vmqt::DialogWindow* DialogFor(int templateId) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = dynamic_cast<vmqt::DialogWindow*>(widget);
        if (dialog != nullptr && &dialog->Template() == tmpl::FindDialogTemplate(templateId)) {
            return dialog;
        }
    }
    return nullptr;
}

std::vector<vmqt::DialogWindow*> LiveDialogs() {
    std::vector<vmqt::DialogWindow*> dialogs;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = dynamic_cast<vmqt::DialogWindow*>(widget)) {
            dialogs.push_back(dialog);
        }
    }
    return dialogs;
}

// Runs `run` (which opens a modal dialog and returns once it has ended) while `drive` acts on
// the dialog from inside its event loop. Afterwards the dialogs `run` opened are ended and any
// modal window still open is closed, so a failed check cannot leave the test hanging; dialogs
// open before (a status window around a nested dialog) are left running. Returns `run`'s result.
INT_PTR RunWhileDriving(const std::function<INT_PTR()>& run, const std::function<void()>& drive) {
    const std::vector<vmqt::DialogWindow*> before = LiveDialogs();
    QTimer::singleShot(0, [drive, before] {
        drive();
        for (vmqt::DialogWindow* dialog : LiveDialogs()) {
            if (std::find(before.begin(), before.end(), dialog) == before.end() &&
                !dialog->Ended()) {
                dialog->End(-2);
            }
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            qWarning("closing an unexpected modal window: %s", qPrintable(modal->windowTitle()));
            modal->close();
        }
    });
    return run();
}

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

// Whether a drawn colour is the one asked for, give or take the style's shading.
bool Near(const QColor& drawn, const QColor& asked) {
    constexpr int SHADING = 32;
    return std::abs(drawn.red() - asked.red()) < SHADING &&
           std::abs(drawn.green() - asked.green()) < SHADING &&
           std::abs(drawn.blue() - asked.blue()) < SHADING;
}

// A status window whose procedure records, and on OPEN_NESTED runs a second dialog box with
// no owner, which ends with NESTED_RESULT on its cancel command.
constexpr WORD OPEN_NESTED = 9000;
constexpr INT_PTR NESTED_RESULT = 7;
constexpr int NESTED_TEMPLATE = IDD_DETAILS;
INT_PTR g_nestedResult = 0;

INT_PTR CALLBACK NestedProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        ui::EndDialog(dialog, NESTED_RESULT);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK NestingProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    RecordingProcedure(dialog, message, wParam, lParam);
    if (message == WM_COMMAND && LOWORD(wParam) == OPEN_NESTED) {
        g_nestedResult = ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(NESTED_TEMPLATE), nullptr,
                                             NestedProcedure, 0);
    }
    return FALSE;
}

bool Recorded(UINT message, WPARAM wParam, LPARAM lParam) {
    return std::any_of(g_recorded.begin(), g_recorded.end(), [&](const Message& m) {
        return m.message == message && m.wParam == wParam && m.lParam == lParam;
    });
}

// What the process writes to stderr while `act` runs.
QByteArray StderrOf(const std::function<void()>& act) {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    FILE* capture = std::tmpfile();
    dup2(fileno(capture), STDERR_FILENO);
    act();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    QByteArray written;
    std::rewind(capture);
    char chunk[512];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, capture)) > 0;) {
        written.append(chunk, static_cast<qsizetype>(n));
    }
    std::fclose(capture);
    return written;
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

// The status window's tray icon.
const vmqt::TrayIconView* Tray() {
    vmqt::DialogWindow* status = DialogFor(IDD_MONITOR);
    return status != nullptr ? vmqt::FindTrayIcon(status->Handle(), TRAY_ICON_ID) : nullptr;
}

// Opens the tray menu at `cursor` and picks the item with `text` once it is up; returns
// where the menu opened (kept static: should the menu open late, the pick still has it). A
// menu without the item is closed, so the test goes on to fail instead of waiting.
QRect PickFromTrayMenu(const QPoint& cursor, const QString& text) {
    static QRect opened;
    opened = QRect();
    QCursor::setPos(cursor);
    QTimer::singleShot(100, [text] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>{}) {
            if (action->text() == text) {
                opened = menu->geometry();
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        if (menu != nullptr) {
            menu->close();
        }
    });
    emit Tray()->icon->activated(QSystemTrayIcon::Context);  // returns once the menu closed
    return opened;
}

// The text a control shows, as the user reads it (lines joined with "\n").
QString Shown(const vmqt::DialogWindow* dialog, int id) {
    const QWidget* control = dialog->Control(id);
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(control)) {
        return edit->toPlainText();
    }
    return QStringLiteral("(not a label or a multi-line edit)");
}

// Picks "Printer Details..." from the tray menu and runs `act` on the details window once it
// is shown (inside its modal loop); the window is ended afterwards should `act` leave it open.
// Returns whether `act` ran.
bool WithDetails(const std::function<void(vmqt::DialogWindow*)>& act) {
    bool ran = false;
    bool done = false;
    std::function<void(int)> poll = [&](int waitedMs) {
        vmqt::DialogWindow* details = DialogFor(IDD_DETAILS);
        if (details == nullptr || !details->isVisible()) {
            if (waitedMs < 5000) {
                QTimer::singleShot(20, [&poll, waitedMs] { poll(waitedMs + 20); });
            } else {
                done = true;
            }
            return;
        }
        act(details);
        ran = true;
        if (!details->Ended()) {
            details->End(-2);
        }
        done = true;
    };
    QTimer::singleShot(0, [&poll] { poll(0); });
    PickFromTrayMenu(QPoint(400, 300), QStringLiteral("Printer Details..."));
    // The command is posted: the details window runs inside this wait.
    (void)QTest::qWaitFor([&done] { return done; }, 10000);
    return ran;
}

// The colour printer's first reading as the details window shows it: a supply a row, each bar
// filled in its colour, the unused rows hidden, the reasons in a read-only box.
void CheckColourPrinter(vmqt::DialogWindow* details) {
    const struct {
        const char* name;
        int percent;
        QColor colour;
        QString level;
    } supplies[] = {
        {"Black Toner Cartridge TN-436BK", 65, QColor(0, 0, 0), "64.8%"},
        {"Cyan Toner Cartridge TN-436C", 28, QColor(0, 255, 255), "28.2%"},
        {"Magenta Toner Cartridge TN-436M", 45, QColor(255, 0, 255), "45%"},
        {"Yellow Toner Cartridge TN-436Y", 5, QColor(255, 255, 0), "5.2%"},
        {"Drum Unit DR-431CL", 71, QColor(128, 128, 128), "71%"},
        {"Waste Toner Box WT-229CL", 23, QColor(128, 128, 128), "22.8% full"},
    };
    int row = 0;
    for (const auto& supply : supplies) {
        const QString name = QString::fromLatin1(supply.name) + QStringLiteral(": ");
        QCOMPARE(name + Shown(details, IDC_DETAILS_SUPPLY_NAME + row), name + supply.name);
        QCOMPARE(name + Shown(details, IDC_DETAILS_SUPPLY_LEVEL + row), name + supply.level);
        auto* bar = qobject_cast<QProgressBar*>(details->Control(IDC_DETAILS_SUPPLY_BAR + row));
        QVERIFY2(bar->isVisible(), qPrintable(name));
        QCOMPARE(name + QString::number(bar->value()), name + QString::number(supply.percent));
        // Filled in the supply's colour up to its level (where the fill is wide enough to
        // sample), and not beyond.
        const QImage image = bar->grab().toImage();
        const int middle = image.height() / 2;
        const QColor full = image.pixelColor(image.width() * supply.percent / 200, middle);
        const QColor empty = image.pixelColor(image.width() * 95 / 100, middle);
        QVERIFY2(supply.percent < 20 || Near(full, supply.colour),
                 qPrintable(name + full.name() + " for " + supply.colour.name()));
        QVERIFY2(!Near(empty, supply.colour), qPrintable(name + empty.name() + " past the level"));
        ++row;
    }
    for (; row < DETAILS_SUPPLY_ROWS; ++row) {
        for (const int id :
             {IDC_DETAILS_SUPPLY_NAME, IDC_DETAILS_SUPPLY_BAR, IDC_DETAILS_SUPPLY_LEVEL}) {
            QVERIFY2(details->Control(id + row)->isHidden(), qPrintable(QString::number(id + row)));
        }
    }

    QCOMPARE(Shown(details, IDC_DETAILS_HEALTH), QStringLiteral("warning"));
    auto* reasons = qobject_cast<QPlainTextEdit*>(details->Control(IDC_DETAILS_REASONS));
    QCOMPARE(reasons->toPlainText(), QStringLiteral("yellow toner low (5.2%)"));
    reasons->setFocus();
    QTest::keyClicks(reasons, QStringLiteral("typed"));
    QCOMPARE(reasons->toPlainText(), QStringLiteral("yellow toner low (5.2%)"));
}

// A notification as the desktop was asked to show it.
void CheckBalloon(const vmqt::Balloon& balloon, const QString& title,
                  QSystemTrayIcon::MessageIcon icon, const char* firstLine) {
    QCOMPARE(balloon.title, title);
    QCOMPARE(balloon.text.split(QLatin1Char('\n')).first(), QString::fromLatin1(firstLine));
    QCOMPARE(balloon.icon, icon);
    QCOMPARE(balloon.timeoutMs, 10000);
    QVERIFY(balloon.route == vmqt::BalloonRoute::Tray);
}

}  // namespace

class FrontEndTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { g_recorded.clear(); }
    void cleanup() { vmqt::ForceTrayAvailable(std::nullopt); }

    void controlsSitWhereTheTemplateSays() {
        for (const tmpl::DialogTemplate& template_ : tmpl::ProgramResources().dialogs) {
            const tmpl::DialogTemplate* dialog = &template_;
            vmqt::DialogWindow window(*dialog, nullptr);
            QCOMPARE(window.font().pointSize(), 8);
            // Base units worked out here from the font, the way the dialog manager does.
            const QFontMetrics metrics(window.font());
            const int letters = metrics.horizontalAdvance(
                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
            const int baseX = (letters / 26 + 1) / 2;
            const int baseY = metrics.height();

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
            vmqt::DialogWindow window(*tmpl::FindDialogTemplate(IDD_MONITOR), nullptr);
            QCOMPARE(window.windowType(), tray ? Qt::Tool : Qt::Window);
            QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
            // Fixed in size: the window asks for no maximise button, and minimise only where
            // it stands in for hiding.
            QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
            QCOMPARE(bool(window.windowFlags() & Qt::WindowMinimizeButtonHint), !tray);
            QCOMPARE(window.minimumSize(), window.maximumSize());
        }
    }

    // The fatal message's text keeps its first line; the platform's hint follows as a line of
    // its own in the same box.
    void aMessageBoxShowsEachLineUnderItsCaption() {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                std::tie(title, text, icon) =
                    std::tuple(box->windowTitle(), box->text(), box->icon());
                box->accept();
            }
        });
        QCOMPARE(ui::MessageBoxA(nullptr, "Error: WinSock\nallow it with \"0 2147483647\"",
                                 "Fatal Error!", MB_OK | MB_ICONERROR),
                 IDOK);
        QCOMPARE(title, QStringLiteral("Fatal Error!"));
        QCOMPARE(text.split(QLatin1Char('\n')),
                 QStringList({QStringLiteral("Error: WinSock"),
                              QStringLiteral("allow it with \"0 2147483647\"")}));
        QCOMPARE(icon, QMessageBox::Critical);
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

    // The program itself says what is wrong on stderr: a usage error, no display, a target too
    // long (after "--", which passes any text on as the target).
    void programSaysWhatIsWrongOnStderr() {
        struct Case {
            const char* what;
            QStringList arguments;
            const char* platform;  // QT_QPA_PLATFORM, or none
            int exitCode;          // -1: runs on
            QString err;
        };
        const Case cases[] = {
            {"a usage error",
             {"--bogus"},
             "offscreen",
             2,
             "vellumark: unknown option '--bogus'\nUsage: " VM_VELLUMARK_PATH
             " [--no-ping] [--retry SECONDS] [--] [PRINTER[:PORT] [COMMUNITY]]\n"},
            {"no display",
             {"127.0.0.1"},
             nullptr,
             1,
             "vellumark: no display found (DISPLAY or WAYLAND_DISPLAY); vellumark-term shows the "
             "printer in a terminal\n"},
            {"a port that cannot be, named",
             {"[::1]:99999", "public"},
             "offscreen",
             2,
             "vellumark: port '99999' of target '[::1]:99999' is not a number from 1 to 65535\n"
             "Usage: " VM_VELLUMARK_PATH
             " [--no-ping] [--retry SECONDS] [--] [PRINTER[:PORT] [COMMUNITY]]\n"},
            // Too long a target is said, and the program runs on showing it unreachable.
            {"a target too long",
             {"--", "-" + QString(63, QLatin1Char('a'))},
             "offscreen",
             -1,
             "vellumark: the target is longer than 63 characters\n"},
        };
        for (const auto& [what, arguments, platform, exitCode, err] : cases) {
            // QtTest has no trace: each comparison carries the row's name, so a failure says it.
            const QString row = QString::fromLatin1(what) + QStringLiteral(": ");
            QProcess program;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                environment.remove(QString::fromLatin1(name));
            }
            if (platform != nullptr) {
                environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
            }
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(VM_VELLUMARK_PATH), arguments);
            if (exitCode < 0) {  // runs on: its line is read (Qt may have its say too), then stop
                QString said;
                (void)QTest::qWaitFor(
                    [&] { return said.append(program.readAllStandardError()).contains(err); },
                    10000);
                QVERIFY2(said.contains(err), qPrintable(row + said));
                program.kill();
                QVERIFY(program.waitForFinished(5000));
                continue;
            }
            QVERIFY2(program.waitForFinished(10000),
                     qPrintable(row + QStringLiteral("still running")));
            QCOMPARE(row + QString::number(program.exitStatus()),
                     row + QString::number(QProcess::NormalExit));
            QCOMPARE(row + QString::number(program.exitCode()), row + QString::number(exitCode));
            QCOMPARE(row + QString::fromUtf8(program.readAllStandardError()), row + err);
        }
    }

    void eventsBecomeMessages() {
        const INT_PTR result = RunWhileDriving(RunMonitor, [] {
            QVERIFY(!g_recorded.empty());
            QCOMPARE(g_recorded.front().message, static_cast<UINT>(WM_INITDIALOG));
            QCOMPARE(g_recorded.front().lParam, static_cast<LPARAM>(5));
            vmqt::DialogWindow* dialog = CurrentDialog();
            QVERIFY(dialog != nullptr && dialog->isVisible());
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
            QVERIFY(ui::EndDialog(dialog->Handle(), 42));
        });
        QCOMPARE(result, static_cast<INT_PTR>(42));
        QVERIFY(CurrentDialog() == nullptr);
    }

    void textsRoundTripAsBytesEachFieldOnItsOwn() {
        RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = CurrentDialog();
            const HWND h = dialog->Handle();
            auto* primary = qobject_cast<QLineEdit*>(dialog->Control(IDC_PRIMARY));

            // Each field is read as tests/text has it (valid UTF-8 as UTF-8, other bytes as
            // Latin-1), and bytes that are not UTF-8 read back unchanged.
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

            // The typing limit holds the user, not the program's own text.
            ui::SendDlgItemMessageA(h, IDC_PRIMARY, EM_LIMITTEXT, 5, 0);
            ui::SetDlgItemTextA(h, IDC_PRIMARY, "longer than five");
            QCOMPARE(ReadText(h, IDC_PRIMARY, 64), QByteArray("longer than five"));

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

    // Timers tick until killed; the bar is drawn as the control would; without a notification
    // area hiding minimises, so the window stays reachable, and the seam still says whether the
    // user could see it.
    void timersTickAndHidingWithoutANotificationAreaMinimises() {
        vmqt::ForceTrayAvailable(false);
        RunWhileDriving(RunMonitor, [] {
            vmqt::DialogWindow* dialog = CurrentDialog();
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

            // A control's own visibility, as the template left it.
            QCOMPARE(ui::ShowWindow(ui::GetDlgItem(h, IDC_UPDATE_TARGET), SW_SHOWNORMAL), FALSE);
            QVERIFY(dialog->Control(IDC_UPDATE_TARGET)->isVisible());
            // The bar draws a level above its range full.
            ui::SendDlgItemMessageA(h, IDC_TONER, PBM_SETPOS, 250, 0);
            QCOMPARE(qobject_cast<QProgressBar*>(dialog->Control(IDC_TONER))->value(), 100);

            QCOMPARE(ui::ShowWindow(h, SW_HIDE), TRUE);
            QVERIFY(dialog->isVisible() && dialog->isMinimized());
            QCOMPARE(ui::ShowWindow(h, SW_SHOW), FALSE);
            QVERIFY(!dialog->isMinimized());
        });
    }

    void trayIconShowsTheRecord() {
        RunWhileDriving(RunMonitor, [] {
            NOTIFYICONDATAA record{};
            record.hWnd = CurrentDialog()->Handle();
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
            QCOMPARE(view->balloons.back().title, QString(64, QLatin1Char('T')));
            // The unreachable display's change of icon shows the icon as the Shell keeps it,
            // with no balloon again.
            record.uFlags = NIF_ICON;
            record.hIcon = ui::LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_OFFLINE));
            std::strcpy(record.szTip, "changed");
            QVERIFY(ui::Shell_NotifyIconA(NIM_MODIFY, &record));
            QCOMPARE(view->icon->toolTip(), QStringLiteral("Tip \u00E9"));
            QCOMPARE(view->icon->icon().cacheKey(), vmqt::IconFromHandle(record.hIcon)->cacheKey());
            QCOMPARE(view->balloonsShown, 1);
        });
    }

    // A balloon that changes the record is the desktop's notification, its icon from the
    // record's flags; without a notification area it is said on stderr instead, a line for
    // each of its lines. The greeting that comes with the icon is never news.
    void balloonsBecomeNotificationsOrStderrLines() {
        struct Case {
            const char* name;
            bool tray;
            DWORD operation;  // NIM_ADD: the balloon comes with the icon
            UINT flags;
            DWORD infoFlags;
            const char* text;
            int shown;  // balloons added by the call
            QSystemTrayIcon::MessageIcon icon;
            vmqt::BalloonRoute route;
            QString shownText;
            QByteArray err;
        };
        using Icon = QSystemTrayIcon;
        using Route = vmqt::BalloonRoute;
        const Case cases[] = {
            {"a jam is critical", true, NIM_MODIFY, NIF_INFO, NIIF_ERROR, "Paper jam", 1,
             Icon::Critical, Route::Tray, "Paper jam", ""},
            {"toner low warns", true, NIM_MODIFY, NIF_INFO, NIIF_WARNING,
             "Toner low: Yellow Toner 5%", 1, Icon::Warning, Route::Tray,
             "Toner low: Yellow Toner 5%", ""},
            {"cleared informs", true, NIM_MODIFY, NIF_INFO, NIIF_INFO, "Cleared: paper jam", 1,
             Icon::Information, Route::Tray, "Cleared: paper jam", ""},
            {"several at once, a line each", true, NIM_MODIFY, NIF_INFO, NIIF_ERROR,
             "Paper jam\r\nDoor open", 1, Icon::Critical, Route::Tray, "Paper jam\nDoor open", ""},
            {"a change of icon brings no balloon", true, NIM_MODIFY, NIF_ICON, NIIF_ERROR,
             "Paper jam", 0, Icon::NoIcon, Route::Tray, "", ""},
            {"no tray: news on stderr", false, NIM_MODIFY, NIF_INFO, NIIF_ERROR,
             "Paper jam\r\nDoor open", 1, Icon::Critical, Route::Stderr, "Paper jam\nDoor open",
             "Printer Monitor: Paper jam\nPrinter Monitor: Door open\n"},
            {"no tray: the greeting stays quiet", false, NIM_ADD, NIF_INFO, NIIF_INFO,
             "By Quillfen", 1, Icon::Information, Route::Tray, "By Quillfen", ""},
        };
        RunWhileDriving(RunMonitor, [&cases] {
            UINT id = 600;
            for (const Case& c : cases) {
                const QString row = QString::fromLatin1(c.name) + QStringLiteral(": ");
                vmqt::ForceTrayAvailable(c.tray);
                NOTIFYICONDATAA record{};
                record.hWnd = CurrentDialog()->Handle();
                record.uID = ++id;
                if (c.operation == NIM_MODIFY) {
                    QVERIFY(ui::Shell_NotifyIconA(NIM_ADD, &record));
                }
                record.uFlags = c.flags;
                record.dwInfoFlags = c.infoFlags;
                record.uTimeout = 10000;
                std::strcpy(record.szInfoTitle, "Printer Monitor");
                std::strcpy(record.szInfo, c.text);
                const QByteArray err =
                    StderrOf([&] { QVERIFY(ui::Shell_NotifyIconA(c.operation, &record)); });
                const vmqt::TrayIconView* view = vmqt::FindTrayIcon(record.hWnd, record.uID);
                QCOMPARE(row + QString::number(view->balloonsShown),
                         row + QString::number(c.shown));
                QCOMPARE(row + QString::fromUtf8(err), row + QString::fromUtf8(c.err));
                if (c.shown == 0) {
                    continue;
                }
                const vmqt::Balloon& balloon = view->balloons.back();
                QCOMPARE(row + balloon.title, row + QStringLiteral("Printer Monitor"));
                QCOMPARE(row + balloon.text, row + c.shownText);
                QVERIFY2(balloon.icon == c.icon, qPrintable(row + QString::number(balloon.icon)));
                QVERIFY2(balloon.route == c.route, qPrintable(row));
                QCOMPARE(row + QString::number(balloon.timeoutMs), row + QStringLiteral("10000"));
            }
        });
    }

    // A second dialog box with no owner runs inside the status window's procedure: the status
    // window stays usable, its timers and tray icon keep reaching it, and each way of closing
    // the second one returns to it.
    void aNestedDialogLeavesTheStatusWindowRunning() {
        vmqt::ForceTrayAvailable(true);
        constexpr UINT TRAY_CALLBACK = 0x8005;
        const auto runStatus = [] {
            return ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MONITOR), nullptr,
                                       NestingProcedure, 0);
        };
        RunWhileDriving(runStatus, [] {
            vmqt::DialogWindow* status = DialogFor(IDD_MONITOR);
            const HWND h = status->Handle();
            QCOMPARE(ui::SetTimer(h, 7, 10, nullptr), static_cast<UINT_PTR>(7));
            NOTIFYICONDATAA record{};
            record.hWnd = h;
            record.uID = 500;
            record.uFlags = NIF_MESSAGE;
            record.uCallbackMessage = TRAY_CALLBACK;
            QVERIFY(ui::Shell_NotifyIconA(NIM_ADD, &record));

            const struct {
                const char* name;
                std::function<void(vmqt::DialogWindow*)> close;
            } cases[] = {
                {"Esc", [](vmqt::DialogWindow* d) { QTest::keyClick(d, Qt::Key_Escape); }},
                {"the close box", [](vmqt::DialogWindow* d) { d->close(); }},
                {"Close",
                 [](vmqt::DialogWindow* d) {
                     QTest::mouseClick(d->Control(IDCANCEL), Qt::LeftButton);
                 }},
            };
            for (const auto& c : cases) {
                const QString row = QString::fromLatin1(c.name) + QStringLiteral(": ");
                g_nestedResult = 0;
                RunWhileDriving(
                    [status] {
                        status->Deliver(WM_COMMAND, OPEN_NESTED, 0);
                        return g_nestedResult;
                    },
                    [&] {
                        vmqt::DialogWindow* nested = DialogFor(NESTED_TEMPLATE);
                        QVERIFY2(nested != nullptr && nested->isVisible(), qPrintable(row));
                        QVERIFY2(status->isVisible() && status->isEnabled(), qPrintable(row));
                        QVERIFY2(QApplication::activeModalWidget() == nullptr, qPrintable(row));
                        g_recorded.clear();
                        QVERIFY2(QTest::qWaitFor([] { return Recorded(WM_TIMER, 7, 0); }, 2000),
                                 qPrintable(row));
                        emit vmqt::FindTrayIcon(h, 500)->icon->activated(
                            QSystemTrayIcon::DoubleClick);
                        QVERIFY2(Recorded(TRAY_CALLBACK, 500, WM_LBUTTONDBLCLK), qPrintable(row));
                        QTest::mouseClick(status->Control(IDC_HIDE), Qt::LeftButton);
                        QVERIFY2(Recorded(WM_COMMAND, IDC_HIDE,
                                          reinterpret_cast<LPARAM>(status->Control(IDC_HIDE))),
                                 qPrintable(row));
                        c.close(nested);
                        QVERIFY2(nested->Ended(), qPrintable(row));
                    });
                QCOMPARE(row + QString::number(g_nestedResult),
                         row + QString::number(NESTED_RESULT));
                QVERIFY2(DialogFor(NESTED_TEMPLATE) == nullptr, qPrintable(row));
                QVERIFY2(!status->Ended() && status->isVisible(), qPrintable(row));
            }
            QVERIFY(ui::Shell_NotifyIconA(NIM_DELETE, &record));
        });
    }

    // Each bar draws its filled part in the colour it was given (COLORREF: 0x00BBGGRR), and
    // CLR_DEFAULT gives back the style's own. (The style shades the fill a little.)
    void barsDrawTheirOwnColour() {
        struct Case {
            const char* name;
            DWORD colour;
            QColor drawn;
        };
        const Case cases[] = {
            {"black", 0x000000, QColor(0, 0, 0)},
            {"cyan", 0xFFFF00, QColor(0, 255, 255)},
            {"magenta", 0xFF00FF, QColor(255, 0, 255)},
            {"yellow", 0x00FFFF, QColor(255, 255, 0)},
            {"a grey for colours without a name", 0x808080, QColor(128, 128, 128)},
            {"blue and red kept apart", 0xC00010, QColor(0x10, 0, 0xC0)},
            {"the default", 0xFF000000,
             QApplication::style()->standardPalette().color(QPalette::Highlight)},
        };
        RunWhileDriving(RunMonitor, [&cases] {
            const HWND h = CurrentDialog()->Handle();
            QWidget* bar = CurrentDialog()->Control(IDC_TONER);
            ui::SendDlgItemMessageA(h, IDC_TONER, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            ui::SendDlgItemMessageA(h, IDC_TONER, PBM_SETPOS, 100, 0);
            for (const Case& c : cases) {
                ui::SendDlgItemMessageA(h, IDC_TONER, PBM_SETBARCOLOR, 0, c.colour);
                const QImage image = bar->grab().toImage();
                const QColor pixel = image.pixelColor(image.width() / 2, image.height() / 2);
                QVERIFY2(Near(pixel, c.drawn), qPrintable(QString::fromLatin1(c.name) + ": " +
                                                          pixel.name() + " for " + c.drawn.name()));
            }
        });
    }

    // The program's prompt: at the screen's corner with the keyboard in its entry, which takes
    // no more than the 63 bytes a target holds (an e-acute counts two); Enter takes the entry.
    void thePromptTakesWhatIsTypedWithinATargetsBytes() {
        std::strcpy(g_target, "before");
        const QString typed = QString(62, QLatin1Char('a')) + QStringLiteral("\u00E9x\u00E9");
        const INT_PTR result = RunWhileDriving(
            [] {
                return ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_TARGET), nullptr,
                                           TargetDialogProc, 0);
            },
            [&typed] {
                vmqt::DialogWindow* dialog = CurrentDialog();
                QVERIFY(dialog != nullptr && dialog->isVisible());
                QCOMPARE(dialog->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
                auto* edit = qobject_cast<QLineEdit*>(dialog->Control(IDC_TARGET_EDIT));
                QCOMPARE(dialog->focusWidget(), edit);
                for (const QChar c : typed) {
                    QTest::sendKeyEvent(QTest::Click, edit,
                                        static_cast<Qt::Key>(c.toUpper().unicode()), QString(c),
                                        Qt::NoModifier);
                }
                QTest::keyClick(edit, Qt::Key_Return);
                QVERIFY(dialog->Ended());
            });
        QCOMPARE(result, static_cast<INT_PTR>(0));
        QCOMPARE(QByteArray(g_target), QByteArray(62, 'a') + "x");
    }

    void monitorsHidesShowsAndExits() {
        PrinterSim sim;
        QVERIFY2(sim.ok(), sim.error().c_str());
        vmqt::ForceTrayAvailable(true);
        HWND handle = nullptr;
        const INT_PTR result = RunWhileDriving(
            [&sim] {
                std::string commandLine = sim.target();
                return WinMain(nullptr, nullptr, commandLine.data(), 0);
            },
            [&] {
                vmqt::DialogWindow* dialog = CurrentDialog();
                QVERIFY(dialog != nullptr && dialog->isVisible());
                handle = dialog->Handle();
                // The first poll ran before the window was shown.
                QCOMPARE(dialog->windowTitle(), QStringLiteral("HP LaserJet Pro 4012dn Monitor"));
                QCOMPARE(qobject_cast<QLabel*>(dialog->Control(IDC_PAGECOUNT))->text(), "48213");
                QCOMPARE(qobject_cast<QProgressBar*>(dialog->Control(IDC_TONER))->value(), 62);
                // The icon as the Qt layer loads it, and the balloon (the tip:
                // trayIconShowsTheRecord).
                QVERIFY(Tray() != nullptr);
                QCOMPARE(Tray()->record->hIcon, vmqt::LoadIcon(IDI_ONLINE));
                QCOMPARE(Tray()->balloons.back().text, QStringLiteral("By Quillfen"));

                // Hide, then the menu's Show at the cursor, then the double-click (its toggling
                // both ways is the core's, tests/shell).
                QTest::mouseClick(dialog->Control(IDC_HIDE), Qt::LeftButton);
                QVERIFY(!dialog->isVisible());
                const QRect opened = PickFromTrayMenu(QPoint(500, 400), "Show Vellumark");
                QCOMPARE(opened.bottomRight() + QPoint(1, 1), QPoint(500, 400));
                QVERIFY(QTest::qWaitFor([dialog] { return dialog->isVisible(); }, 2000));
                emit Tray()->icon->activated(QSystemTrayIcon::DoubleClick);
                QVERIFY(!dialog->isVisible());

                // The menu's Exit ends the program and takes the tray icon with it.
                PickFromTrayMenu(QPoint(300, 300), "Exit Vellumark");
                QVERIFY(QTest::qWaitFor([dialog] { return dialog->Ended(); }, 2000));
                QVERIFY(vmqt::FindTrayIcon(handle, 500) == nullptr);
            });
        QCOMPARE(result, static_cast<INT_PTR>(1));
        QVERIFY(CurrentDialog() == nullptr);
    }

    // The colour printer's details window from the tray menu, as the widgets show it; then a
    // paper jam and its clearing through the simulator's control channel: one notification
    // each, through the desktop's notification call, and the details window following. Exit
    // from the tray while the details window is open ends both windows.
    void detailsAndNotificationsFollowTheColourPrinter() {
        PrinterSim sim(PrinterSim::Bundled("colour-laser"));
        QVERIFY2(sim.ok(), sim.error().c_str());
        vmqt::ForceTrayAvailable(true);
        const vmqt::Launch launch = vmqt::ParseLaunch({"--condition-every", "10", sim.target()});
        const INT_PTR result = RunWhileDriving(
            [&launch] {
                std::string commandLine = launch.text;
                return WinMain(nullptr, nullptr, commandLine.data(), 0);
            },
            [&sim] {
                const QString title = DialogFor(IDD_MONITOR)->windowTitle();
                QVERIFY(WithDetails([](vmqt::DialogWindow* details) {
                    QVERIFY(QTest::qWaitFor(
                        [details] {
                            return Shown(details, IDC_DETAILS_READ_AT).startsWith("Read at ");
                        },
                        5000));
                    CheckColourPrinter(details);
                    QTest::mouseClick(details->Control(IDCANCEL), Qt::LeftButton);
                }));

                const int before = Tray()->balloonsShown;
                QCOMPARE(sim.command("jam"), std::string("ok"));
                QVERIFY(QTest::qWaitFor([&] { return Tray()->balloonsShown > before; }, 15000));
                CheckBalloon(Tray()->balloons.back(), title, QSystemTrayIcon::Critical,
                             "Paper jam");

                // Opening reads at once: the jam shows, a reason a line, and is not announced
                // again. Esc closes.
                QVERIFY(WithDetails([](vmqt::DialogWindow* details) {
                    QVERIFY(QTest::qWaitFor(
                        [details] { return Shown(details, IDC_DETAILS_HEALTH) == "critical"; },
                        5000));
                    QCOMPARE(Shown(details, IDC_DETAILS_REASONS).split(QLatin1Char('\n')).first(),
                             QStringLiteral("paper jam"));
                    QTest::keyClick(details, Qt::Key_Escape);
                }));
                QCOMPARE(Tray()->balloonsShown, before + 1);

                QCOMPARE(sim.command("clear"), std::string("ok"));
                QVERIFY(QTest::qWaitFor([&] { return Tray()->balloonsShown > before + 1; }, 15000));
                CheckBalloon(Tray()->balloons.back(), title, QSystemTrayIcon::Information,
                             "Cleared: paper jam");
                QCOMPARE(Tray()->balloonsShown, before + 2);

                // Choosing the item again while the window is open opens no second one.
                QVERIFY(WithDetails([](vmqt::DialogWindow* details) {
                    PickFromTrayMenu(QPoint(300, 300), QStringLiteral("Printer Details..."));
                    QTest::qWait(100);
                    const std::vector<vmqt::DialogWindow*> live = LiveDialogs();
                    QCOMPARE(std::count_if(live.begin(), live.end(),
                                           [](const vmqt::DialogWindow* dialog) {
                                               return &dialog->Template() ==
                                                      tmpl::FindDialogTemplate(IDD_DETAILS);
                                           }),
                             1);
                    QVERIFY(!details->Ended());
                    PickFromTrayMenu(QPoint(300, 300), QStringLiteral("Exit Vellumark"));
                    QVERIFY(QTest::qWaitFor([details] { return details->Ended(); }, 2000));
                }));
            });
        QCOMPARE(result, static_cast<INT_PTR>(1));
        QVERIFY(CurrentDialog() == nullptr);
    }
};

QTEST_MAIN(FrontEndTest)
#include "qt_frontend_test.moc"
