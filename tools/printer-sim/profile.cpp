#include "tools/printer-sim/profile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "snmp/oid.h"

namespace sim {
namespace {

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsComment(std::string_view line) {
    std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '#';
}

}  // namespace

bool ParseProfile(std::string_view text, const std::string& origin, Profile& profile,
                  std::vector<std::string>& errors, std::size_t maxErrors) {
    std::size_t errorCount = 0;
    auto report = [&](std::size_t lineNumber, const std::string& message) {
        if (errorCount++ < maxErrors) {
            errors.push_back(origin + ":" + std::to_string(lineNumber) + ": " + message);
        }
    };
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (IsBlank(line) || IsComment(line)) {
            continue;
        }
        // The value may itself hold '|': only the first two separate fields.
        std::size_t bar1 = line.find('|');
        std::size_t bar2 = bar1 == std::string_view::npos ? bar1 : line.find('|', bar1 + 1);
        if (bar2 == std::string_view::npos) {
            report(lineNumber, "expected OID|TAG|VALUE");
            continue;
        }
        Oid oid;
        ber::Value value;
        std::string error;
        if (!ParseOid(line.substr(0, bar1), oid, error) ||
            !ParseTypedValue(line.substr(bar1 + 1, bar2 - bar1 - 1), line.substr(bar2 + 1), value,
                             error)) {
            report(lineNumber, error);
            continue;
        }
        if (!profile.objects.try_emplace(oid, std::move(value)).second) {
            report(lineNumber, "duplicate object " + snmp::FormatOid(oid));
        }
    }
    if (errorCount > maxErrors) {
        errors.push_back(origin + ": " + std::to_string(errorCount - maxErrors) +
                         " more bad lines not shown");
    }
    return errorCount == 0;
}

bool LoadProfileFile(const std::string& path, Profile& profile, std::vector<std::string>& errors) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errors.push_back(path + ": cannot open");
        return false;
    }
    std::string text;
    text.resize(MAX_PROFILE_BYTES + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > MAX_PROFILE_BYTES) {
        errors.push_back(path + ": larger than " + std::to_string(MAX_PROFILE_BYTES) + " bytes");
        return false;
    }
    profile.name = std::filesystem::path(path).filename().string();
    return ParseProfile(text, path, profile, errors);
}

std::string ResolveProfilePath(const std::string& argument, const std::string& dir) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(argument, ec)) {
        return argument;
    }
    if (argument.find('/') == std::string::npos && !dir.empty()) {
        std::string bundled = dir + "/" + argument + ".snmprec";
        if (std::filesystem::is_regular_file(bundled, ec)) {
            return bundled;
        }
    }
    return {};
}

std::string DefaultProfileDir(const std::string& executable, const std::string& builtIn) {
    std::error_code ec;
    if (!executable.empty()) {
        std::filesystem::path installed =
            std::filesystem::path(executable).parent_path().parent_path() / "share" / "vellumark" /
            "profiles";
        if (std::filesystem::is_directory(installed, ec)) {
            return installed.string();
        }
    }
    return builtIn;
}

std::vector<std::string> ListProfiles(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (entry.path().extension() == ".snmprec") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace sim
