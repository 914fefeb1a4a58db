// vellumark-printer-sim's command line: the settings it runs with (tools/printer-sim/settings.h)
// read by the rules all the programs share (options/option_parser.h); the usage text is what
// --help prints.
#pragma once

#include <string>
#include <vector>

#include "tools/printer-sim/settings.h"

namespace sim {

// The arguments after the program's name; false, with `error` naming the option, for a usage
// error. `defaultProfileDir` is where bundled profiles are looked up unless --profile-dir says
// else.
bool ParseOptions(const std::vector<std::string>& arguments, const std::string& defaultProfileDir,
                  Options& options, std::string& error);

std::string UsageText();
std::string VersionText();  // "vellumark-printer-sim VERSION"

}  // namespace sim
