// SNMPv3's options with net-snmp's letters, so a command that works with snmpget works here:
// -u USER, -l LEVEL, -a AUTH, -A PASSWORD, -x PRIV, -X PASSWORD, -n CONTEXT, each also as a
// long option, and the passwords from a file or the environment instead of the command line.
// Shared by the programs that read a printer's condition over SNMPv3, each with its own option
// that chooses the version.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>

#include "condition/reader.h"

namespace vmcli {

// The environment variables a password may come from.
inline constexpr const char* AUTH_PASSWORD_VARIABLE = "VELLUMARK_AUTH_PASSWORD";
inline constexpr const char* PRIV_PASSWORD_VARIABLE = "VELLUMARK_PRIV_PASSWORD";

// An environment variable's value, none when it is not set.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;
// The process's own environment.
std::optional<std::string> ProcessEnvironment(const std::string& name);

class UsmOptions {
  public:
    // Adds the options to `app`; what they set goes into `credentials`. `versionOption` is the
    // program's option that chooses SNMPv3 ("--snmp-version"), as its errors name it.
    UsmOptions(CLI::App& app, condition::UsmCredentials& credentials, std::string versionOption);

    // After parsing: the passwords the command line left out, from their files or else the
    // environment, and the usage error the options make together ("" when none). `v3` tells
    // whether version 3 was chosen: without it, any of these options is an error.
    std::string Finish(bool v3, const Environment& environment);

  private:
    condition::UsmCredentials& credentials_;
    std::string versionOption_;
    bool given_ = false;  // any of the options
    std::string authPasswordFile_;
    std::string privPasswordFile_;
};

// The help text's lines on these options, for the program whose `versionOption` chooses v3.
std::string UsmHelp(const std::string& versionOption);

}  // namespace vmcli
