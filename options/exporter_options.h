// vellumark-exporter's command line. Parsing reports the first problem in `error`; the usage
// text is what --help prints. An option given here wins over the configuration file's key.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "exporter/address.h"
#include "exporter/server.h"

namespace exporter {

struct Options {
    std::string listen = DefaultListen();
    std::string configPath;  // empty: no file (the default auth, no printers on the page)
    std::vector<Cidr> allow = DefaultAllowList();
    int maxProbes = ServerLimits{}.maxProbes;
    double maxScrapeTimeout =  // seconds
        std::chrono::duration<double>(ServerLimits{}.longestReading).count();
    std::string webConfigPath;  // empty: the file's web_config, else plain HTTP without users
    // Which of the options the configuration file may also set were given here.
    bool listenGiven = false;
    bool allowGiven = false;
    bool maxProbesGiven = false;
    bool help = false;
    bool version = false;
};

// The arguments after the program's name, by the rules all the programs share
// (options/option_parser.h); false, with `error` naming the option, for a usage error.
bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error);

std::string UsageText();

}  // namespace exporter
