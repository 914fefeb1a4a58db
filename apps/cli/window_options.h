// The status window's own options, the same on every front-end that shows it: --no-ping and
// --retry SECONDS, checked here and handed to start-up at the front of its command-line text,
// where the Windows program reads them too.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace vmcli {

struct WindowOptions {
    bool noPing = false;
    int retrySeconds = 0;  // 0: no retry
};

// Adds --no-ping and --retry SECONDS (a whole number, 1 to a day) to `app`, filling `options`.
void AddWindowOptions(CLI::App& app, WindowOptions& options);

// The options as start-up reads them, each followed by a space: "" when none is set, else e.g.
// "--no-ping --retry 30 ". The target and community follow.
std::string WindowOptionsText(const WindowOptions& options);

}  // namespace vmcli
