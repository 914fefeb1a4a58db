#include "tools/printer-sim/control.h"

#include <charconv>

#include "snmp/oid.h"
#include "tools/printer-sim/conditions.h"
#include "tools/printer-sim/responder.h"
#include "tools/printer-sim/walk.h"

namespace sim {
namespace {

// Room kept at the end of a reply for the line that says it was cut.
constexpr std::size_t CUT_LINE_BYTES = 64;

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

std::string Ok(const std::string& problem) {
    return problem.empty() ? "ok" : "error: " + problem;
}

const char HELP[] =
    "ok commands: [printer N|all] COMMAND; silence on|off; delay MS; error OID genErr|tooBig|"
    "noSuchName|badValue|readOnly|off; stray N; spoof N; set OID TAG VALUE; unset OID; get OID; "
    "jam [on|off]; door-open [on|off]; paper-out INPUT [on|off]; toner SUPPLY PERCENT; clear; "
    "walk endless|backwards|repeat|off [OID]; bulk-flood N; max-message BYTES; stats; reset; "
    "printers; log on|off; help";

void Add(Stats& sum, const Stats& one) {
    sum.requests += one.requests;
    sum.answered += one.answered;
    sum.silenced += one.silenced;
    sum.noSuchName += one.noSuchName;
    sum.injected += one.injected;
    sum.malformed += one.malformed;
    sum.wrongCommunity += one.wrongCommunity;
    sum.strays += one.strays;
    sum.spoofs += one.spoofs;
    sum.queueDropped += one.queueDropped;
}

// `jam`, `jam on`, `jam off`: true in `on` unless "off".
bool OptionalOnOff(std::string_view& rest, bool& on) {
    std::string_view word = NextWord(rest);
    on = word != "off";
    return (word.empty() || word == "on" || word == "off") && OnlySpaces(rest);
}

// A command for one printer. `command` is its first word, `rest` what follows.
std::string ExecuteOnPrinter(std::string_view command, std::string_view rest, Printer& printer) {
    Faults& faults = printer.faults;
    if (command == "silence") {
        std::string_view word = NextWord(rest);
        if (!OnlySpaces(rest)) {
            return "error: expected on or off";
        }
        return OnOff(word, faults.silent);
    }
    if (command == "delay" || command == "stray" || command == "spoof" || command == "bulk-flood") {
        long long number = 0;
        long long limit = command == "delay"        ? MAX_DELAY_MS
                          : command == "bulk-flood" ? MAX_BULK_FLOOD
                                                    : MAX_STRAY;
        if (!ParseCount(NextWord(rest), limit, number) || !OnlySpaces(rest)) {
            return "error: expected a number from 0 to " + std::to_string(limit);
        }
        if (command == "delay") {
            faults.delayMs = static_cast<int>(number);
        } else {
            (command == "stray"   ? faults.stray
             : command == "spoof" ? faults.spoof
                                  : faults.bulkFlood) = static_cast<unsigned>(number);
        }
        return "ok";
    }
    if (command == "max-message") {
        long long number = 0;
        if (!ParseCount(NextWord(rest), ber::MAX_MESSAGE_BYTES, number) ||
            number < static_cast<long long>(MIN_MESSAGE_BYTES) || !OnlySpaces(rest)) {
            return "error: expected bytes from 484 to 65507";
        }
        faults.maxMessageBytes = static_cast<std::size_t>(number);
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
    if (command == "walk") {
        WalkFault walk = WalkFault::None;
        std::string problem;
        Oid subtree;
        std::string_view oid;
        if (!WalkFaultFromName(std::string(NextWord(rest)), walk) ||
            (!(oid = NextWord(rest)).empty() && !ParseOid(oid, subtree, problem)) ||
            !OnlySpaces(rest)) {
            return "error: expected walk endless|backwards|repeat|off [OID]";
        }
        faults.walk = walk;
        faults.walkSubtree = subtree;
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
        for (Profile& profile : printer.profiles) {
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
        for (Profile& profile : printer.profiles) {
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
            return "error: no such object " + snmp::FormatOid(oid);
        }
        return command == "get" ? "ok " + description : "ok";
    }
    if (command == "jam" || command == "door-open") {
        bool on = true;
        if (!OptionalOnOff(rest, on)) {
            return "error: expected " + std::string(command) + " [on|off]";
        }
        return Ok(command == "jam" ? SetJam(printer, on) : SetDoorOpen(printer, on));
    }
    if (command == "paper-out") {
        long long input = 0;
        bool on = true;
        if (!ParseCount(NextWord(rest), 2147483647, input) || !OptionalOnOff(rest, on)) {
            return "error: expected paper-out INPUT [on|off]";
        }
        return Ok(SetPaperOut(printer, static_cast<std::uint32_t>(input), on));
    }
    if (command == "toner") {
        long long supply = 0;
        long long percent = 0;
        if (!ParseCount(NextWord(rest), 2147483647, supply) ||
            !ParseCount(NextWord(rest), 100, percent) || !OnlySpaces(rest)) {
            return "error: expected toner SUPPLY PERCENT (0..100)";
        }
        return Ok(SetSupplyPercent(printer, static_cast<std::uint32_t>(supply),
                                   static_cast<int>(percent)));
    }
    if (command == "clear" && OnlySpaces(rest)) {
        ClearConditions(printer);
        return "ok";
    }
    if (command == "reset" && OnlySpaces(rest)) {
        faults = Faults{};
        return "ok";
    }
    if (command.empty()) {
        return "error: empty command";
    }
    return "error: unknown command '" + std::string(command) + "' (try help)";
}

}  // namespace

std::string StatsLine(const Stats& stats, const SimState& state) {
    return "ok requests=" + std::to_string(stats.requests) +
           " answered=" + std::to_string(stats.answered) +
           " silenced=" + std::to_string(stats.silenced) +
           " noSuchName=" + std::to_string(stats.noSuchName) +
           " injected=" + std::to_string(stats.injected) +
           " malformed=" + std::to_string(stats.malformed) +
           " wrongCommunity=" + std::to_string(stats.wrongCommunity) +
           " strays=" + std::to_string(stats.strays) + " spoofs=" + std::to_string(stats.spoofs) +
           " queueDropped=" + std::to_string(stats.queueDropped) +
           " queued=" + std::to_string(state.queued) +
           " queueBytes=" + std::to_string(state.queueBytes) +
           " controlRefused=" + std::to_string(state.controlRefused);
}

std::string ExecuteControl(std::string_view line, SimState& state) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    std::string_view rest = line;
    std::string_view command = NextWord(rest);
    const std::size_t count = state.printers.size();
    std::size_t first = 0;
    std::size_t last = count;  // the printers addressed: [first, last)
    if (command == "printer") {
        std::string_view which = NextWord(rest);
        long long index = 0;
        if (which != "all") {
            if (!ParseCount(which, static_cast<long long>(count) - 1, index)) {
                return "error: expected printer N (0.." + std::to_string(count - 1) +
                       ") or printer all";
            }
            first = static_cast<std::size_t>(index);
            last = first + 1;
        }
        command = NextWord(rest);
    }

    if (command == "log") {
        std::string_view word = NextWord(rest);
        if (!OnlySpaces(rest)) {
            return "error: expected on or off";
        }
        return OnOff(word, state.log);
    }
    if (command == "help" && OnlySpaces(rest)) {
        return HELP;
    }
    if (command == "printers" && OnlySpaces(rest)) {
        return "ok " + std::to_string(count);
    }
    if (command == "stats" && OnlySpaces(rest)) {
        Stats sum;
        for (std::size_t i = first; i < last; ++i) {
            Add(sum, state.printers[i].stats);
        }
        return StatsLine(sum, state);
    }
    if (command == "get" && last - first != 1) {
        return "error: get needs one printer: printer N get OID";
    }
    std::string reply = "error: no printer";
    for (std::size_t i = first; i < last; ++i) {
        std::string one = ExecuteOnPrinter(command, rest, state.printers[i]);
        if (i == first || one.rfind("error", 0) == 0) {
            reply = last - first > 1 && one.rfind("error", 0) == 0
                        ? "error: printer " + std::to_string(i) + ": " + one.substr(7)
                        : one;
        }
        if (one.rfind("error", 0) == 0) {
            break;
        }
    }
    return reply;
}

std::string ControlReply(std::string_view datagram, SimState& state,
                         std::vector<std::string>* log) {
    std::string replies;
    std::size_t leftOut = 0;
    while (!datagram.empty()) {
        std::size_t end = datagram.find('\n');
        std::string_view line = datagram.substr(0, end);
        datagram.remove_prefix(end == std::string_view::npos ? datagram.size() : end + 1);
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
            continue;
        }
        std::string reply = ExecuteControl(line, state);
        if (log != nullptr) {
            log->push_back(std::string(line) + " -> " + reply);
        }
        if (leftOut == 0 && replies.size() + reply.size() + 1 <= CONTROL_BYTES - CUT_LINE_BYTES) {
            replies += reply + "\n";
        } else {
            ++leftOut;
        }
    }
    if (leftOut > 0) {
        replies += "error: reply cut at " + std::to_string(CONTROL_BYTES) + " bytes, " +
                   std::to_string(leftOut) + " replies left out\n";
    }
    return replies.empty() ? "error: empty command\n" : replies;
}

}  // namespace sim
