// The configuration in force: the configuration file's, with the options given on the command
// line over the file's keys, and the built-in defaults under both.
#pragma once

#include <string>

#include "exporter/live_config.h"
#include "options/exporter_options.h"

namespace exporter {

// Reads --config (if any) afresh; false, with the file's line in `error`, when it does not load.
bool LoadSettings(const Options& options, Settings& settings, std::string& error);

// Where to listen and the web configuration's path: read at start only (a reload cannot rebind).
std::string ListenAddress(const Options& options, const Config& config);
std::string WebConfigPath(const Options& options, const Config& config);

}  // namespace exporter
