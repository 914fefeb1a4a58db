// The terminal program's command line: its own options, and the text handed to the program as
// its command line. An unknown option or a third argument is a usage error, not a target.
#pragma once

#include <string>
#include <vector>

namespace vmterm {

struct CliOptions {
    bool help = false;
    bool version = false;
    bool once = false;
    bool json = false;  // implies once
    // The target and community arguments joined with single spaces: quotes are not
    // interpreted, exactly as the windowed program receives its command line.
    std::string commandLine;
    std::string error;  // a usage error, to be printed with the usage line
};

// Reads the arguments after the program's name. "--help"/"-h", "--version", "--once" and
// "--json" are ours wherever they stand; any other argument starting with "-" is an error;
// "--" makes every later argument program text. At most two arguments are program text.
CliOptions ParseOptions(const std::vector<std::string>& arguments);

// True when the command line names a target: it has a token, a run of characters other than
// the space (the program splits at spaces only).
bool NamesTarget(const std::string& commandLine);

std::string UsageLine();
std::string HelpText();
std::string VersionText();

}  // namespace vmterm
