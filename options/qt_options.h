// What the `vellumark` command line asks for, read by the rules all the programs share
// (options/option_parser.h): --help (-h) or --version, a run of the program with the window's
// options (options/window_options.h) and then the other arguments joined by single spaces into
// the command-line text that start-up splits, or a usage error for an unknown option or value. "--"
// makes every later argument program text, so a target may start with "-".
#pragma once

#include <string>
#include <vector>

#include "condition/reader.h"
#include "options/usm_options.h"

namespace vmqt {

enum class LaunchAction { Run, Help, Version, UsageError };

struct Launch {
    LaunchAction action;
    std::string text;  // Run: the command line; UsageError: what is wrong
    // Run: how the condition is read beside the window (SNMPv3's user and passwords), for
    // start-up's g_condition_request; its version travels in `text`.
    condition::ReadRequest condition{};
};

// SNMPv3's passwords not on the command line come from `environment`.
Launch ParseLaunch(const std::vector<std::string>& arguments,
                   const vmcli::Environment& environment = vmcli::ProcessEnvironment);

// The texts printed for --help and --version, and the usage line of an error.
std::string UsageLine(const std::string& programName);
std::string HelpText(const std::string& programName);
std::string VersionText();

}  // namespace vmqt
