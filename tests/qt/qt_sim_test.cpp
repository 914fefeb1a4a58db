// The whole program on Qt against the simulated printer on loopback: the values in their
// controls, hiding and showing from the window, the tray icon and its menu, the unreachable
// display, Update Target with another printer, and exit.
#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <string>

#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"
#include "platform/ui/ui.h"
#include "printer_sim.h"
#include "qt_test_support.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"

namespace {

constexpr UINT TRAY_ID = 500;

QString Text(int id) {
    QWidget* control = qttest::CurrentDialog()->Control(id);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* multi = qobject_cast<QPlainTextEdit*>(control)) {
        return multi->toPlainText();
    }
    return {};
}

QProgressBar* Toner() {
    return qobject_cast<QProgressBar*>(qttest::CurrentDialog()->Control(IDC_TONER));
}

const vmqt::TrayIconView* Tray() {
    return vmqt::FindTrayIcon(qttest::CurrentHandle(), TRAY_ID);
}

// Opens the tray menu at `cursor` and picks the item with `text` once it is up.
void PickFromTrayMenu(const QPoint& cursor, const QString& text, QRect* opened) {
    QCursor::setPos(cursor);
    QTimer::singleShot(100, [text, opened] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        *opened = menu->geometry();
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        menu->close();
    });
    emit Tray()->icon->activated(QSystemTrayIcon::Context);
}

int RunProgram(const std::string& commandLine) {
    std::string text = commandLine;
    return WinMain(nullptr, nullptr, text.data(), 0);
}

}  // namespace

class SimulatorTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { vmqt::ForceTrayAvailable(std::nullopt); }

    void monitorsHidesShowsRetargetsAndExits() {
        PrinterSim sim;
        QVERIFY2(sim.ok(), sim.error().c_str());
        PrinterSim other(PrinterSim::Bundled("colour-laser"));
        QVERIFY2(other.ok(), other.error().c_str());
        vmqt::ForceTrayAvailable(true);

        HWND handle = nullptr;
        const int result = static_cast<int>(qttest::RunWhileDriving(
            [&sim] { return RunProgram(sim.target()); },
            [&] {
                vmqt::DialogWindow* dialog = qttest::CurrentDialog();
                QVERIFY(dialog != nullptr && dialog->isVisible());
                handle = dialog->Handle();

                // The first poll ran before the window was shown.
                QCOMPARE(dialog->windowTitle(), QStringLiteral("HP LaserJet Pro 4012dn Monitor"));
                QCOMPARE(Text(IDC_PRIMARY_LABEL), QStringLiteral("Primary Status:"));
                QCOMPARE(Text(IDC_PRIMARY), QStringLiteral("READY"));
                QVERIFY(Text(IDC_SECONDARY).startsWith(QStringLiteral("Ready\nTray 2: Letter")));
                QCOMPARE(Text(IDC_PAGECOUNT), QStringLiteral("48213"));
                QCOMPARE(Text(IDC_POWERON_COUNT), QStringLiteral("212"));
                QCOMPARE(Toner()->minimum(), 0);
                QCOMPARE(Toner()->maximum(), 100);
                QCOMPARE(Toner()->value(), 62);
                QVERIFY(dialog->Control(IDC_UPDATE_TARGET)->isHidden());

                // The tray icon with its tip and the start balloon.
                QVERIFY(Tray() != nullptr);
                QCOMPARE(Tray()->icon->toolTip(), QStringLiteral("HP LaserJet Pro 4012dn Monitor"));
                QCOMPARE(Tray()->iconHandle, vmqt::LoadIcon(IDI_ONLINE));
                QCOMPARE(Tray()->balloons, 1);
                QCOMPARE(Tray()->balloonTitle, QStringLiteral("HP LaserJet Pro 4012dn Monitor"));
                QCOMPARE(Tray()->balloonText, QStringLiteral("By Quillfen"));

                // Hide, then the double-click toggles, then the menu's Show.
                QTest::mouseClick(dialog->Control(IDC_HIDE), Qt::LeftButton);
                QVERIFY(!dialog->isVisible());
                emit Tray()->icon->activated(QSystemTrayIcon::DoubleClick);
                QVERIFY(dialog->isVisible());
                emit Tray()->icon->activated(QSystemTrayIcon::DoubleClick);
                QVERIFY(!dialog->isVisible());
                emit Tray()->icon->activated(QSystemTrayIcon::Trigger);
                QVERIFY(!dialog->isVisible());
                QRect opened;
                PickFromTrayMenu(QPoint(500, 400), QStringLiteral("Show Vellumark"), &opened);
                QCOMPARE(opened.right() + 1, 500);
                QCOMPARE(opened.bottom() + 1, 400);
                QVERIFY(qttest::WaitFor([dialog] { return dialog->isVisible(); }, 2000));
                PickFromTrayMenu(QPoint(500, 400), QStringLiteral("Hide Vellumark"), &opened);
                QVERIFY(qttest::WaitFor([dialog] { return !dialog->isVisible(); }, 2000));
                ui::ShowWindow(handle, SW_SHOWNORMAL);

                // The printer falls silent: the unreachable display, offline icon.
                sim.signal(SIGUSR1);
                QVERIFY(qttest::WaitFor(
                    [] { return Text(IDC_PRIMARY_LABEL) == QStringLiteral("Unreachable:"); },
                    10000));
                QCOMPARE(Text(IDC_PRIMARY), QString::fromStdString(sim.target()));
                QVERIFY(!dialog->Control(IDC_UPDATE_TARGET)->isHidden());
                QCOMPARE(Tray()->iconHandle, vmqt::LoadIcon(IDI_OFFLINE));
                QCOMPARE(Text(IDC_PAGECOUNT), QStringLiteral("48213"));

                // Update Target with the other printer typed into the entry.
                auto* entry = qobject_cast<QLineEdit*>(dialog->Control(IDC_PRIMARY));
                entry->clear();
                QTest::keyClicks(entry, QString::fromStdString(other.target()));
                QTest::mouseClick(dialog->Control(IDC_UPDATE_TARGET), Qt::LeftButton);
                QCOMPARE(Text(IDC_PRIMARY_LABEL), QStringLiteral("Primary Status:"));
                QVERIFY(dialog->Control(IDC_UPDATE_TARGET)->isHidden());
                QCOMPARE(dialog->windowTitle(),
                         QStringLiteral("Brother HL-L8360CDW series Monitor"));
                QCOMPARE(Tray()->icon->toolTip(),
                         QStringLiteral("Brother HL-L8360CDW series Monitor"));
                QCOMPARE(Tray()->iconHandle, vmqt::LoadIcon(IDI_ONLINE));
                QCOMPARE(Tray()->balloons, 1);
                QCOMPARE(Text(IDC_PAGECOUNT), QStringLiteral("11872"));
                QCOMPARE(Toner()->maximum(), 6500);
                QCOMPARE(Toner()->value(), 4210);

                // The menu's Exit ends the program and takes the tray icon with it.
                PickFromTrayMenu(QPoint(300, 300), QStringLiteral("Exit Vellumark"), &opened);
                QVERIFY(qttest::WaitFor([dialog] { return dialog->Ended(); }, 2000));
                QVERIFY(vmqt::FindTrayIcon(handle, TRAY_ID) == nullptr);
            }));
        QCOMPARE(result, 1);
        QVERIFY(qttest::CurrentDialog() == nullptr);
    }

    void withoutNotificationAreaTheWindowStaysReachable() {
        PrinterSim sim;
        QVERIFY2(sim.ok(), sim.error().c_str());
        vmqt::ForceTrayAvailable(false);
        const int result = static_cast<int>(qttest::RunWhileDriving(
            [&sim] { return RunProgram(sim.target()); },
            [] {
                vmqt::DialogWindow* dialog = qttest::CurrentDialog();
                QVERIFY(dialog != nullptr);
                QCOMPARE(dialog->windowType(), Qt::Window);
                QTest::mouseClick(dialog->Control(IDC_HIDE), Qt::LeftButton);
                QVERIFY(dialog->isVisible());
                QVERIFY(dialog->isMinimized());
                // Polling goes on meanwhile.
                QVERIFY(qttest::WaitFor([] { return Text(IDC_PRIMARY) == QStringLiteral("READY"); },
                                        3000));
                // The close button ends the program as on any desktop.
                dialog->close();
                QVERIFY(dialog->Ended());
            }));
        QCOMPARE(result, 1);
    }
};

QTEST_MAIN(SimulatorTest)
#include "qt_sim_test.moc"
