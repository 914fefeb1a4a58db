// Target text to Endpoint on POSIX: literals with inet_pton, names with glibc's asynchronous
// getaddrinfo_a so that the wait is bounded (an abandoned lookup is cancelled, or left to end
// on its own: its request block is then leaked by design, a few hundred bytes, rather than
// freed under the resolver's feet).
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>
#include <memory>
#include <string>

#include "condition/endpoint.h"
#include "text/target_syntax.h"

namespace condition {
namespace {

bool Literal(const std::string& host, Endpoint& out) {
    if (inet_pton(AF_INET, host.c_str(), out.address.data()) == 1) {
        out.ipv6 = false;
        return true;
    }
    if (inet_pton(AF_INET6, host.c_str(), out.address.data()) == 1) {
        out.ipv6 = true;
        return true;
    }
    return false;
}

// ":PORT" with PORT a decimal number 1..65535.
bool PortOf(const std::string& text, std::uint16_t& port) {
    if (text.size() < 2 || text.size() > 6 || text[0] != ':') {
        return false;
    }
    unsigned long value = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned long>(text[i] - '0');
    }
    if (value == 0 || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

struct Lookup {
    std::string host;
    addrinfo hints{};
    gaicb block{};
};

bool Resolve(const std::string& host, std::chrono::milliseconds wait, Endpoint& out,
             std::string& error) {
    auto lookup = std::make_unique<Lookup>();
    lookup->host = host;
    lookup->hints.ai_socktype = SOCK_DGRAM;
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->block.ar_name = lookup->host.c_str();
    lookup->block.ar_request = &lookup->hints;
    gaicb* list[] = {&lookup->block};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        error = "cannot start resolving " + host;
        return false;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(seconds.count());
    timeout.tv_nsec = static_cast<long>((wait - seconds).count() * 1000000);
    const gaicb* waitList[] = {&lookup->block};
    gai_suspend(waitList, 1, &timeout);
    const int status = gai_error(&lookup->block);
    if (status == EAI_INPROGRESS) {
        if (gai_cancel(&lookup->block) != EAI_CANCELED) {
            lookup.release();  // still running: the resolver owns the block now
        }
        error = host + " did not resolve within " + std::to_string(wait.count()) + " ms";
        return false;
    }
    if (status != 0) {
        error = host + ": " + gai_strerror(status);
        return false;
    }
    // The first IPv4 address, as the window does; else the first IPv6 one.
    const addrinfo* chosen = nullptr;
    for (const addrinfo* a = lookup->block.ar_result; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET || (a->ai_family == AF_INET6 && chosen == nullptr)) {
            chosen = a;
            if (a->ai_family == AF_INET) {
                break;
            }
        }
    }
    if (chosen == nullptr) {
        freeaddrinfo(lookup->block.ar_result);
        error = host + ": no address";
        return false;
    }
    out.ipv6 = chosen->ai_family == AF_INET6;
    if (out.ipv6) {
        std::memcpy(out.address.data(),
                    &reinterpret_cast<const sockaddr_in6*>(chosen->ai_addr)->sin6_addr, 16);
    } else {
        std::memcpy(out.address.data(),
                    &reinterpret_cast<const sockaddr_in*>(chosen->ai_addr)->sin_addr, 4);
    }
    freeaddrinfo(lookup->block.ar_result);
    return true;
}

}  // namespace

std::optional<Endpoint> ResolveEndpoint(const std::string& target, std::chrono::milliseconds wait,
                                        std::string* error) {
    std::string why;
    Endpoint endpoint;
    std::string host;
    if (!target.empty() && target.front() == '[') {
        // "[IPv6]" or "[IPv6]:port"
        const std::size_t close = target.find(']');
        std::uint16_t port = SNMP_DEFAULT_PORT;
        const std::string rest = close == std::string::npos ? "" : target.substr(close + 1);
        if (close == std::string::npos || (!rest.empty() && !PortOf(rest, port))) {
            why = "bad target " + target;
        } else {
            host = target.substr(1, close - 1);
            endpoint.port = port;
            if (!Literal(host, endpoint) || !endpoint.ipv6) {
                why = "not an IPv6 address: " + host;
            }
        }
    } else {
        std::string buffer(target.size() + 1, '\0');
        std::uint16_t port = SNMP_DEFAULT_PORT;
        SplitTarget(target.c_str(), buffer.data(), buffer.size(), &port);
        host = buffer.c_str();
        endpoint.port = port;
        if (host.empty()) {
            why = "no host in " + target;
        } else if (!Literal(host, endpoint)) {
            Resolve(host, wait, endpoint, why);
        }
    }
    if (!why.empty()) {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    }
    return endpoint;
}

std::string EndpointText(const Endpoint& endpoint) {
    char text[INET6_ADDRSTRLEN] = "";
    inet_ntop(endpoint.ipv6 ? AF_INET6 : AF_INET, endpoint.address.data(), text, sizeof text);
    const std::string port = std::to_string(endpoint.port);
    return endpoint.ipv6 ? "[" + std::string(text) + "]:" + port : std::string(text) + ":" + port;
}

}  // namespace condition
