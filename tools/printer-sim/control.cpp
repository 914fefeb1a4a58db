#include "tools/printer-sim/control.h"

#include <charconv>

#include "tools/printer-sim/responder.h"

namespace sim {
namespace {

// Splits off the first word (runs of spaces or tabs separate words).
std::string_view NextWord(std::string_view& rest) {
    std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    std::size_t end = rest.find_first_of(" \t");
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    return word;
}

bool OnlySpaces(std::string_view rest) {
    return rest.find_first_not_of(" \t") == std::string_view::npos;
}

bool ParseCount(std::string_view word, long long limit, long long& out) {
    if (word.empty()) {
        return false;
    }
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
    return ec == std::errc() && end == word.data() + word.size() && out >= 0 && out <= limit;
}

std::string OnOff(std::string_view word, bool& flag) {
    if (word == "on") {
        flag = true;
    } else if (word == "off") {
        flag = false;
    } else {
        return "error: expected on or off";
    }
    return "ok";
}

const char kHelp[] =
    "ok commands: silence on|off; delay MS; error OID genErr|tooBig|noSuchName|badValue|"
    "readOnly|off; stray N; spoof N; set OID TAG VALUE; unset OID; get OID; log on|off; stats; "
    "reset; "
    "help";

}  // namespace

std::string StatsLine(const Stats& stats) {
    return "ok requests=" + std::to_string(stats.requests) +
           " answered=" + std::to_string(stats.answered) +
           " silenced=" + std::to_string(stats.silenced) +
           " noSuchName=" + std::to_string(stats.noSuchName) +
           " injected=" + std::to_string(stats.injected) +
           " malformed=" + std::to_string(stats.malformed) +
           " wrongCommunity=" + std::to_string(stats.wrongCommunity) +
           " strays=" + std::to_string(stats.strays) + " spoofs=" + std::to_string(stats.spoofs);
}

std::string ExecuteControl(std::string_view line, SimState& state) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    std::string_view rest = line;
    std::string_view command = NextWord(rest);
    Faults& faults = state.faults;

    if (command == "silence" || command == "log") {
        std::string_view word = NextWord(rest);
        if (!OnlySpaces(rest)) {
            return "error: expected on or off";
        }
        return OnOff(word, command == "silence" ? faults.silent : state.log);
    }
    if (command == "delay" || command == "stray" || command == "spoof") {
        long long number = 0;
        long long limit = command == "delay" ? kMaxDelayMs : kMaxStray;
        if (!ParseCount(NextWord(rest), limit, number) || !OnlySpaces(rest)) {
            return "error: expected a number from 0 to " + std::to_string(limit);
        }
        if (command == "delay") {
            faults.delayMs = static_cast<int>(number);
        } else {
            (command == "stray" ? faults.stray : faults.spoof) = static_cast<unsigned>(number);
        }
        return "ok";
    }
    if (command == "error") {
        Oid oid;
        std::string problem;
        if (!ParseOid(NextWord(rest), oid, problem)) {
            return "error: " + problem;
        }
        std::string status(NextWord(rest));
        if (!OnlySpaces(rest)) {
            return "error: expected error OID STATUS";
        }
        if (status == "off") {
            faults.errorStatusByOid.erase(oid);
            return "ok";
        }
        int number = ErrorStatusFromName(status);
        if (number < 0) {
            return "error: unknown error status '" + status +
                   "' (tooBig noSuchName badValue readOnly genErr off)";
        }
        faults.errorStatusByOid[oid] = number;
        return "ok";
    }
    if (command == "set") {
        Oid oid;
        std::string problem;
        if (!ParseOid(NextWord(rest), oid, problem)) {
            return "error: " + problem;
        }
        std::string_view tag = NextWord(rest);
        // The value is the rest of the line after exactly one separator, spaces and all.
        if (!rest.empty()) {
            rest.remove_prefix(1);
        }
        ber::Value value;
        if (tag.empty()) {
            return "error: expected set OID TAG VALUE";
        }
        if (!ParseTypedValue(tag, rest, value, problem)) {
            return "error: " + problem;
        }
        for (Profile& profile : state.profiles) {
            profile.objects[oid] = value;
        }
        return "ok";
    }
    if (command == "unset" || command == "get") {
        Oid oid;
        std::string problem;
        if (!ParseOid(NextWord(rest), oid, problem)) {
            return "error: " + problem;
        }
        if (!OnlySpaces(rest)) {
            return "error: expected " + std::string(command) + " OID";
        }
        bool found = false;
        std::string description;
        for (Profile& profile : state.profiles) {
            auto it = profile.objects.find(oid);
            if (it == profile.objects.end()) {
                continue;
            }
            if (!found) {
                description = DescribeValue(it->second);
            }
            found = true;
            if (command == "unset") {
                profile.objects.erase(it);
            }
        }
        if (!found) {
            return "error: no such object " + FormatOid(oid);
        }
        return command == "get" ? "ok " + description : "ok";
    }
    if (command == "stats" && OnlySpaces(rest)) {
        return StatsLine(state.stats);
    }
    if (command == "reset" && OnlySpaces(rest)) {
        faults = Faults{};
        return "ok";
    }
    if (command == "help" && OnlySpaces(rest)) {
        return kHelp;
    }
    if (command.empty()) {
        return "error: empty command";
    }
    return "error: unknown command '" + std::string(command) + "' (try help)";
}

}  // namespace sim
