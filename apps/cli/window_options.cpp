#include "apps/cli/window_options.h"

#include "apps/cli/option_parser.h"
#include "shell/command_line.h"

namespace vmcli {

void AddWindowOptions(CLI::App& app, WindowOptions& options) {
    app.add_flag(NO_PING_OPTION, options.noPing);
    app.add_option(RETRY_OPTION, options.retrySeconds)
        ->transform(WholeNumber(1, RETRY_SECONDS_MAX));
}

std::string WindowOptionsText(const WindowOptions& options) {
    std::string text;
    if (options.noPing) {
        text += std::string(NO_PING_OPTION) + " ";
    }
    if (options.retrySeconds > 0) {
        text += std::string(RETRY_OPTION) + " " + std::to_string(options.retrySeconds) + " ";
    }
    return text;
}

}  // namespace vmcli
