#include "text/target_syntax.h"

namespace {

// The text as written: its host and, when it has one, the text after the port's colon.
struct Written {
    std::string_view host;
    std::optional<std::string_view> port;
    bool bracketed = false;
};

// Exactly one colon separates host and port; with none or several, the text is a host as a
// whole (several: an IPv6 literal).
Written SplitAtSingleColon(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos) {
        return {text, std::nullopt, false};
    }
    return {text.substr(0, colon), text.substr(colon + 1), false};
}

// The single-colon split, or "[HOST]" and "[HOST]:PORT" when the text starts with '['.
std::optional<Written> SplitWritten(std::string_view text, std::string& why) {
    if (text.empty() || text.front() != '[') {
        return SplitAtSingleColon(text);
    }
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
        why = "'[' without ']'";
        return std::nullopt;
    }
    Written written{text.substr(1, close - 1), std::nullopt, true};
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
        if (rest.front() != ':') {
            why = "text after ']' that is not :PORT";
            return std::nullopt;
        }
        written.port = rest.substr(1);
    }
    return written;
}

// The port read where one was written; the host taken as written.
std::optional<HostPort> Checked(const Written& written, bool zeroAllowed, std::string& why) {
    HostPort split;
    split.host = written.host;
    split.ipv6 = written.bracketed || written.host.find(':') != std::string_view::npos;
    if (written.port) {
        if (written.port->empty()) {
            why = "port is empty";
            return std::nullopt;
        }
        const auto port = ParsePort(*written.port, zeroAllowed);
        if (!port) {
            why = zeroAllowed ? "port is not a number from 0 to 65535"
                              : "port is not a number from 1 to 65535";
            return std::nullopt;
        }
        split.port = *port;
    }
    return split;
}

}  // namespace

std::optional<std::uint16_t> ParsePort(std::string_view text, bool zeroAllowed) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 65535) {
            return std::nullopt;
        }
    }
    if (value == 0 && !zeroAllowed) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<HostPort> SplitHostPort(std::string_view text, std::string& why) {
    const auto written = SplitWritten(text, why);
    if (!written) {
        return std::nullopt;
    }
    auto split = Checked(*written, false, why);
    if (split && split->host.empty()) {
        why = "host is empty";
        return std::nullopt;
    }
    return split;
}

std::optional<HostPort> SplitListenAddress(std::string_view text, std::string& why) {
    const auto written = SplitWritten(text, why);
    if (!written) {
        return std::nullopt;
    }
    if (!written->port) {
        why = "no :PORT (an IPv6 address goes in brackets: [IPV6]:PORT)";
        return std::nullopt;
    }
    auto split = Checked(*written, true, why);
    if (split && written->bracketed && split->host.empty()) {
        why = "host in brackets is empty";
        return std::nullopt;
    }
    return split;
}

std::optional<std::string> TargetPortProblem(std::string_view target) {
    std::string why;
    const auto written = SplitWritten(target, why);
    if (!written || !written->port || ParsePort(*written->port)) {
        return std::nullopt;
    }
    return "port '" + std::string(*written->port) + "' of target '" + std::string(target) +
           "' is not a number from 1 to 65535";
}
