// What the `vellumark` command line asks for, read by the rules all the programs share
// (apps/cli/option_parser.h): --help (-h) or --version, a run of the program with the window's
// options (apps/cli/window_options.h) and then the other arguments joined by single spaces into
// the command-line text that start-up splits, or a usage error for an unknown option or value. "--"
// makes every later argument program text, so a target may start with "-".
#pragma once

#include <string>
#include <vector>

namespace vmqt {

enum class LaunchAction { Run, Help, Version, UsageError };

struct Launch {
    LaunchAction action;
    std::string text;  // Run: the command line; UsageError: what is wrong
};

Launch ParseLaunch(const std::vector<std::string>& arguments);

// The texts printed for --help and --version, and the usage line of an error.
std::string UsageLine(const std::string& programName);
std::string HelpText(const std::string& programName);
std::string VersionText();

}  // namespace vmqt
