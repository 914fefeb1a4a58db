// What the `vellumark` command line asks for: the usual --help or --version (only as the first
// argument, spelled exactly so, where no host name can be), or a run of the program with the
// arguments joined by single spaces into the command-line text that start-up splits.
#pragma once

#include <string>
#include <vector>

namespace vmqt {

enum class LaunchAction { Run, Help, Version };

struct Launch {
    LaunchAction action;
    std::string commandLine;  // for Run
};

Launch ParseLaunch(const std::vector<std::string>& arguments);

// The texts printed for --help and --version.
std::string HelpText(const std::string& programName);
std::string VersionText();

}  // namespace vmqt
