#include "options/window_options.h"

#include "options/option_parser.h"
#include "shell/command_line.h"

namespace vmcli {

void AddWindowOptions(CLI::App& app, WindowOptions& options) {
    app.add_flag(NO_PING_OPTION, options.noPing);
    app.add_option(RETRY_OPTION, options.retrySeconds)
        ->transform(WholeNumber(1, RETRY_SECONDS_MAX));
    app.add_option(CONDITION_EVERY_OPTION, options.conditionSeconds)
        ->transform(WholeNumber(CONDITION_SECONDS_MIN, CONDITION_SECONDS_MAX));
    app.add_flag(NO_NOTIFY_OPTION, options.noNotify);
}

CLI::Option* AddConditionVersionOption(CLI::App& app, WindowOptions& options) {
    return app.add_option(CONDITION_VERSION_OPTION, options.conditionVersion)
        ->check(OneOf({"1", "2c", "3"}));
}

std::string WindowOptionsText(const WindowOptions& options) {
    std::string text;
    if (options.noPing) {
        text += std::string(NO_PING_OPTION) + " ";
    }
    if (options.retrySeconds > 0) {
        text += std::string(RETRY_OPTION) + " " + std::to_string(options.retrySeconds) + " ";
    }
    if (options.conditionSeconds > 0) {
        text += std::string(CONDITION_EVERY_OPTION) + " " +
                std::to_string(options.conditionSeconds) + " ";
    }
    if (!options.conditionVersion.empty()) {
        text += std::string(CONDITION_VERSION_OPTION) + " " + options.conditionVersion + " ";
    }
    if (options.noNotify) {
        text += std::string(NO_NOTIFY_OPTION) + " ";
    }
    return text;
}

}  // namespace vmcli
