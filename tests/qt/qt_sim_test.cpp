// The whole program on Qt against the simulated printer on loopback, once: the values in their
// controls, hiding and showing, the tray icon and its menu, exit. (The state machine is the
// core's, tested in tests/shell; what the Qt layer adds to it, in qt_frontend_test.)
#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QProgressBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <string>

#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "tests/qt/qt_test_support.h"
#include "tests/support/printer_sim.h"

namespace {

QByteArray Text(int id) {
    return vmqt::ControlText(qttest::CurrentDialog()->Control(id));
}

const vmqt::TrayIconView* Tray() {
    return vmqt::FindTrayIcon(qttest::CurrentDialog()->Handle(), 500);
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

int RunProgram(std::string commandLine) {
    return WinMain(nullptr, nullptr, commandLine.data(), 0);
}

}  // namespace

class SimulatorTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { vmqt::ForceTrayAvailable(std::nullopt); }

    void monitorsHidesShowsAndExits() {
        PrinterSim sim;
        QVERIFY2(sim.ok(), sim.error().c_str());
        vmqt::ForceTrayAvailable(true);
        HWND handle = nullptr;
        const INT_PTR result = qttest::RunWhileDriving(
            [&sim] { return RunProgram(sim.target()); },
            [&] {
                vmqt::DialogWindow* dialog = qttest::CurrentDialog();
                QVERIFY(dialog != nullptr && dialog->isVisible());
                handle = dialog->Handle();
                // The first poll ran before the window was shown.
                QCOMPARE(dialog->windowTitle(), QStringLiteral("HP LaserJet Pro 4012dn Monitor"));
                QCOMPARE(Text(IDC_PRIMARY), QByteArray("READY"));
                QCOMPARE(Text(IDC_PAGECOUNT), QByteArray("48213"));
                QCOMPARE(qobject_cast<QProgressBar*>(dialog->Control(IDC_TONER))->value(), 62);
                QVERIFY(Tray() != nullptr);
                QCOMPARE(Tray()->icon->toolTip(), QStringLiteral("HP LaserJet Pro 4012dn Monitor"));
                QCOMPARE(Tray()->record->hIcon, vmqt::LoadIcon(IDI_ONLINE));
                QCOMPARE(Tray()->balloonText, QStringLiteral("By Quillfen"));

                // Hide, then the double-click toggles, then the menu's Show at the cursor.
                QTest::mouseClick(dialog->Control(IDC_HIDE), Qt::LeftButton);
                QVERIFY(!dialog->isVisible());
                emit Tray()->icon->activated(QSystemTrayIcon::DoubleClick);
                QVERIFY(dialog->isVisible());
                emit Tray()->icon->activated(QSystemTrayIcon::DoubleClick);
                QVERIFY(!dialog->isVisible());
                const QRect opened = PickFromTrayMenu(QPoint(500, 400), "Show Vellumark");
                QCOMPARE(opened.bottomRight() + QPoint(1, 1), QPoint(500, 400));
                QVERIFY(QTest::qWaitFor([dialog] { return dialog->isVisible(); }, 2000));

                // The menu's Exit ends the program and takes the tray icon with it.
                PickFromTrayMenu(QPoint(300, 300), "Exit Vellumark");
                QVERIFY(QTest::qWaitFor([dialog] { return dialog->Ended(); }, 2000));
                QVERIFY(vmqt::FindTrayIcon(handle, 500) == nullptr);
            });
        QCOMPARE(result, static_cast<INT_PTR>(1));
        QVERIFY(qttest::CurrentDialog() == nullptr);
    }
};

QTEST_MAIN(SimulatorTest)
#include "qt_sim_test.moc"
