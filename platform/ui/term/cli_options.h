// The terminal front-end's own command-line options, and the text handed to the program as
// its command line.
#pragma once

#include <string>
#include <vector>

namespace vmterm {

struct CliOptions {
    bool help = false;
    bool version = false;
    bool once = false;
    bool json = false;  // implies once
    // Every other argument, joined with single spaces: quotes are not interpreted, exactly as
    // the windowed program receives its command line.
    std::string commandLine;
};

// Reads the arguments after the program's name. "--help"/"-h", "--version", "--once" and
// "--json" are ours wherever they stand; "--" makes every later argument program text.
CliOptions ParseOptions(const std::vector<std::string>& arguments);

// True when the command line names a target: it has a token, a run of characters other than
// the space (the program splits at spaces only).
bool NamesTarget(const std::string& commandLine);

std::string HelpText();
std::string VersionText();

}  // namespace vmterm
