#include "exporter/yaml_file.h"

#include <vector>

namespace exporter {

std::string Where(const YAML::Node& node) {
    return "line " + std::to_string(node.Mark().line + 1);
}

bool LoadOneDocument(const std::string& yaml, YAML::Node& root, std::string& error) {
    std::vector<YAML::Node> documents = YAML::LoadAll(yaml);
    if (documents.size() > 1) {
        error = Where(documents[1]) + ": a second YAML document (one file, one document)";
        return false;
    }
    root = documents.empty() ? YAML::Node() : documents[0];
    return true;
}

bool CheckUnique(const YAML::Node& map, const char* what, std::string& error) {
    std::set<std::string> seen;
    for (const auto& item : map) {
        if (!item.first.IsScalar()) {
            error = Where(item.first) + ": a key must be a text";
            return false;
        }
        std::string key = item.first.as<std::string>();
        if (!seen.insert(key).second) {
            error = Where(item.first) + ": " + what + " '" + key + "' is given twice";
            return false;
        }
    }
    return true;
}

bool CheckKeys(const YAML::Node& map, const std::set<std::string>& known, std::string& error) {
    if (!CheckUnique(map, "key", error)) {
        return false;
    }
    for (const auto& item : map) {
        std::string key = item.first.as<std::string>();
        if (known.count(key) == 0) {
            error = Where(item.first) + ": unknown key '" + key + "'";
            return false;
        }
    }
    return true;
}

std::string InFolder(const std::string& folder, const std::string& path) {
    return path.empty() || path[0] == '/' ? path : folder + "/" + path;
}

}  // namespace exporter
