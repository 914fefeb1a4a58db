// vellumark's command line: --help and --version, every other argument joined into the
// command-line text start-up splits, "--" before a target that starts with "-", and the usage
// errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/qt/launch_options.h"

namespace {

struct Row {
    const char* name;
    std::vector<std::string> arguments;
    vmqt::LaunchAction action;
    std::string text;  // the command line, or the error
};

TEST(QtOptions, ArgumentsToLaunchOrUsageErrors) {
    using A = vmqt::LaunchAction;
    const Row rows[] = {
        {"nothing: the prompt asks", {}, A::Run, ""},
        {"help after a target", {"printer", "--help"}, A::Help, ""},
        {"-h", {"-h"}, A::Help, ""},
        {"--version", {"--version"}, A::Version, ""},
        {"after -- everything is text", {"--", "--help", "-x"}, A::Run, "--help -x"},
        {"further arguments are joined", {"-", "public", "extra"}, A::Run, "- public extra"},
        // The window's options lead the command-line text, in one canonical form.
        {"no ping and retry after the target",
         {"printer", "--no-ping", "--retry", "0120"},
         A::Run,
         "--no-ping --retry 120 printer"},
        {"retry alone: the prompt asks", {"--retry=5"}, A::Run, "--retry 5 "},
        {"a retry of 0",
         {"--retry", "0", "printer"},
         A::UsageError,
         "--retry: '0' is not a whole number from 1 to 86400"},
        {"a retry too long",
         {"--retry=100000"},
         A::UsageError,
         "--retry: '100000' is not a whole number from 1 to 86400"},
        {"a retry without a value", {"printer", "--retry"}, A::UsageError, "--retry needs a value"},
        {"unknown option", {"--bogus"}, A::UsageError, "unknown option '--bogus'"},
    };
    for (const Row& row : rows) {
        const vmqt::Launch launch = vmqt::ParseLaunch(row.arguments);
        EXPECT_EQ(launch.action, row.action) << row.name;
        EXPECT_EQ(launch.text, row.text) << row.name;
    }
}

}  // namespace
