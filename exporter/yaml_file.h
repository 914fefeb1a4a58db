// What the exporter's YAML files (its configuration, the printers file, the web configuration)
// share: one document per file, each map's keys given once and known, places named by line, and
// paths relative to the file's own folder. Each check returns false with `error` set.
#pragma once

#include <yaml-cpp/yaml.h>

#include <set>
#include <string>

namespace exporter {

// "line N" of the node, for the errors.
std::string Where(const YAML::Node& node);

// The file's one document into `root` (a null node for an empty file); a second document is an
// error naming its line. yaml-cpp's own exceptions pass through.
bool LoadOneDocument(const std::string& yaml, YAML::Node& root, std::string& error);

// yaml-cpp keeps every entry of a map with a repeated key and lets a lookup see the first only:
// a second "auths:" would be ignored without this. `what` names the keys in the error ("key",
// "auth", "label").
bool CheckUnique(const YAML::Node& map, const char* what, std::string& error);
// Unique keys, each of them in `known`.
bool CheckKeys(const YAML::Node& map, const std::set<std::string>& known, std::string& error);

// `path` as given when absolute or empty, else under `folder`.
std::string InFolder(const std::string& folder, const std::string& path);

}  // namespace exporter
