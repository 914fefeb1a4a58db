// The screenshot's driver: runs the desktop program in this process with the arguments given
// (as vellumark takes them), hides the status window and opens "Printer Details..." from the
// tray icon's menu once the status window is up, and prints "details shown" on stdout once the
// details window shows a reading. It then runs until it is killed; screenshot.sh takes the picture
// in between.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "options/qt_options.h"
#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/ui.h"
#include "shell/dialogs.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"

namespace {

constexpr int POLL_MS = 100;
constexpr int GIVE_UP_MS = 20000;

vmqt::DialogWindow* DialogFor(int templateId) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = dynamic_cast<vmqt::DialogWindow*>(widget);
        if (dialog != nullptr && &dialog->Template() == tmpl::FindDialogTemplate(templateId) &&
            dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// Hides the status window (it stays on top, and would cover the details window at the centre)
// and picks the details item from the tray icon's menu, as a user would, once both are there.
void OpenDetails() {
    vmqt::DialogWindow* status = DialogFor(IDD_MONITOR);
    const vmqt::TrayIconView* tray =
        status != nullptr ? vmqt::FindTrayIcon(status->Handle(), TRAY_ICON_ID) : nullptr;
    if (tray == nullptr) {
        QTimer::singleShot(POLL_MS, OpenDetails);
        return;
    }
    QTest::mouseClick(status->Control(IDC_HIDE), Qt::LeftButton);
    QTimer::singleShot(POLL_MS, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>{}) {
            if (action->text() == QStringLiteral("Printer Details...")) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        std::fputs("details_shot: no details item in the tray menu\n", stderr);
        if (menu != nullptr) {
            menu->close();
        }
    });
    emit tray->icon->activated(QSystemTrayIcon::Context);
}

// Says so once the details window shows a reading; gives up (exit 1) after a while.
void AwaitReading(int waitedMs) {
    vmqt::DialogWindow* details = DialogFor(IDD_DETAILS);
    char text[64] = "";
    if (details != nullptr) {
        ui::GetDlgItemTextA(details->Handle(), IDC_DETAILS_READ_AT, text, sizeof text);
    }
    if (std::string(text).rfind("Read at", 0) == 0) {
        std::puts("details shown");
        std::fflush(stdout);
        return;
    }
    if (waitedMs >= GIVE_UP_MS) {
        std::fprintf(stderr, "details_shot: no reading shown (\"%s\")\n", text);
        std::exit(1);
    }
    QTimer::singleShot(POLL_MS, [waitedMs] { AwaitReading(waitedMs + POLL_MS); });
}

}  // namespace

int main(int argc, char** argv) {
    const vmqt::Launch launch = vmqt::ParseLaunch(std::vector<std::string>(argv + 1, argv + argc));
    if (launch.action != vmqt::LaunchAction::Run) {
        std::fprintf(stderr, "details_shot: %s\n", launch.text.c_str());
        return 2;
    }
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (const QIcon* icon = vmqt::IconFromHandle(vmqt::LoadIcon(IDI_ONLINE))) {
        QApplication::setWindowIcon(*icon);
    }
    QCursor::setPos(QPoint(900, 700));  // where the tray menu opens: by the notification area
    QTimer::singleShot(POLL_MS, OpenDetails);
    QTimer::singleShot(POLL_MS, [] { AwaitReading(0); });
    std::string commandLine = launch.text;
    return WinMain(nullptr, nullptr, commandLine.data(), 0);
}
