// A printer profile: the objects one simulated printer serves, read from snmprec text
// (one "OID|TAG|VALUE" per line; '#' comments and blank lines ignored). Loading checks every
// line and reports each bad one as "FILE:LINE: problem"; a profile with any bad line is rejected.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/printer-sim/typed_value.h"

namespace sim {

struct Profile {
    std::string name;       // shown in logs: the file name without folder
    std::string community;  // requests with this community are answered from `objects`
    std::map<Oid, ber::Value> objects;
};

// Profile files larger than this are refused: a profile is a few hundred lines.
inline constexpr std::size_t MAX_PROFILE_BYTES = 4 * 1024 * 1024;

// Parses `text`; `origin` names it in error messages. Returns false and appends one message
// per bad line (at most `maxErrors`) when any line is malformed or an OID repeats.
bool ParseProfile(std::string_view text, const std::string& origin, Profile& profile,
                  std::vector<std::string>& errors, std::size_t maxErrors = 20);

// Reads and parses the file at `path`.
bool LoadProfileFile(const std::string& path, Profile& profile, std::vector<std::string>& errors);

// Where a profile argument points: an existing file as given, else the bundled profile
// `dir`/NAME.snmprec. Empty when neither exists.
std::string ResolveProfilePath(const std::string& argument, const std::string& dir);

// Where bundled names are looked up by default: beside an installed binary at `executable`
// (BINDIR/../share/vellumark/profiles) when that folder exists, else `builtIn` (the source
// tree's folder, compiled in): an installed program never reads a source tree it has one.
std::string DefaultProfileDir(const std::string& executable, const std::string& builtIn);

// Names (without ".snmprec") of the profiles in `dir`, sorted.
std::vector<std::string> ListProfiles(const std::string& dir);

}  // namespace sim
