// vellumark: the Linux desktop program. Handles its options, then runs start-up with the
// arguments as its command-line text, on Qt widgets.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "options/qt_options.h"
#include "platform/ui/qt/icons.h"
#include "shell/command_line.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "shell/startup.h"
#include "text/target_syntax.h"
#include "vellumark/version.h"

namespace {

constexpr int EXIT_NO_DISPLAY = 1;
constexpr int EXIT_USAGE = 2;

// Qt's messages while it connects to the display, held back: when it cannot, Qt ends the
// process with a fatal message about reinstalling; instead the user reads one line that says
// what is wrong and what works without a display.
std::vector<std::pair<QtMsgType, QString>> g_held;

void HoldWhileStarting(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(
            "vellumark: no display found (DISPLAY or WAYLAND_DISPLAY); vellumark-term "
            "shows the printer in a terminal\n",
            stderr);
        std::_Exit(EXIT_NO_DISPLAY);
    }
    g_held.emplace_back(type, text);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 0 ? argv[0] : "vellumark";
    const vmqt::Launch launch = vmqt::ParseLaunch(std::vector<std::string>(argv + 1, argv + argc));
    switch (launch.action) {
        case vmqt::LaunchAction::Help:
            std::fputs(vmqt::HelpText(program).c_str(), stdout);
            return 0;
        case vmqt::LaunchAction::Version:
            std::fputs(vmqt::VersionText().c_str(), stdout);
            return 0;
        case vmqt::LaunchAction::UsageError:
            std::fputs(("vellumark: " + launch.text + "\n" + vmqt::UsageLine(program)).c_str(),
                       stderr);
            return EXIT_USAGE;
        case vmqt::LaunchAction::Run:
            break;
    }

    // A port that cannot be is a usage error, said before any display is needed.
    if (const auto port = TargetPortProblem(SplitCommandLine(launch.text.c_str()).target)) {
        std::fputs(("vellumark: " + *port + "\n" + vmqt::UsageLine(program)).c_str(), stderr);
        return EXIT_USAGE;
    }

    // Qt sees only the program's name, so that no argument is taken as a Qt option: every
    // token keeps its meaning as target or community. Qt is configured from the environment.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    const QtMessageHandler qtDefault = qInstallMessageHandler(HoldWhileStarting);
    QApplication app(qtArgc, qtArgv);
    qInstallMessageHandler(qtDefault);
    for (const auto& [type, text] : g_held) {
        qtDefault(type, QMessageLogContext(), text);
    }
    // Dialogs run their own loops; no window closing may end the application behind them.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("vellumark"));
    QApplication::setApplicationVersion(QStringLiteral(VELLUMARK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("vellumark"));
    if (const QIcon* icon = vmqt::IconFromHandle(vmqt::LoadIcon(IDI_ONLINE))) {
        QApplication::setWindowIcon(*icon);
    }

    // A target or community that does not fit is said here; the program then runs on and
    // shows the printer as unreachable.
    std::string commandLine = launch.text;
    if (const char* problem = CommandLineProblem(SplitCommandLine(commandLine.c_str()))) {
        std::fprintf(stderr, "vellumark: %s\n", problem);
    }
    // Who reads the condition over SNMPv3, beside the text: no password goes into it.
    g_condition_request = launch.condition;
    return WinMain(nullptr, nullptr, commandLine.data(), 0);
}
