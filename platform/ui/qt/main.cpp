// vellumark: the Linux desktop program. Handles --help and --version, then runs start-up with
// the arguments as its command-line text, on Qt widgets.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ui/qt/icons.h"
#include "platform/ui/qt/launch_options.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "vellumark/version.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const vmqt::Launch launch = vmqt::ParseLaunch(arguments);
    if (launch.action == vmqt::LaunchAction::Help) {
        std::fputs(vmqt::HelpText(argc > 0 ? argv[0] : "vellumark").c_str(), stdout);
        return 0;
    }
    if (launch.action == vmqt::LaunchAction::Version) {
        std::fputs(vmqt::VersionText().c_str(), stdout);
        return 0;
    }

    // Qt sees only the program's name, so that no argument is taken as a Qt option: every
    // token keeps its meaning as target or community. Qt is configured from the environment.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    // Dialogs run their own loops; no window closing may end the application behind them.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("vellumark"));
    QApplication::setApplicationVersion(QStringLiteral(VELLUMARK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("vellumark"));
    if (const QIcon* icon = vmqt::IconFromHandle(vmqt::LoadIcon(IDI_ONLINE))) {
        QApplication::setWindowIcon(*icon);
    }

    std::string commandLine = launch.commandLine;
    return WinMain(nullptr, nullptr, commandLine.data(), 0);
}
