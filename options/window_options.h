// The status window's own options, the same on every front-end that shows it: --no-ping,
// --retry SECONDS and the condition's --condition-every SECONDS, --condition-version 1|2c|3 and
// --no-notify, checked here and handed to start-up at the front of its command-line text,
// where the Windows program reads them too. SNMPv3's user and passwords never go into that
// text: the front-end hands them to start-up beside it (shell/globals.h).
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace vmcli {

struct WindowOptions {
    bool noPing = false;
    int retrySeconds = 0;          // 0: no retry
    int conditionSeconds = 0;      // 0: not given, start-up's default
    std::string conditionVersion;  // "" (not given), "1", "2c" or "3"
    bool noNotify = false;
};

// Adds --no-ping, --retry SECONDS (a whole number, 1 to a day), --condition-every SECONDS (10 to
// a day) and --no-notify to `app`, filling `options`.
void AddWindowOptions(CLI::App& app, WindowOptions& options);
// Adds --condition-version 1|2c|3, for a program with no other option naming that version.
CLI::Option* AddConditionVersionOption(CLI::App& app, WindowOptions& options);

// The options as start-up reads them, each followed by a space: "" when none is set, else e.g.
// "--no-ping --retry 30 --condition-every 10 ". The target and community follow.
std::string WindowOptionsText(const WindowOptions& options);

}  // namespace vmcli
