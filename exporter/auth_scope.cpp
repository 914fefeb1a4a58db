#include "exporter/auth_scope.h"

#include <algorithm>
#include <cctype>

namespace exporter {
namespace {

bool SameHost(const TargetSpec& a, const TargetSpec& b) {
    if (a.port != b.port) {
        return false;
    }
    auto literalA = net::LiteralEndpoint(a.host, a.port);
    auto literalB = net::LiteralEndpoint(b.host, b.port);
    if (literalA || literalB) {
        return literalA && literalB && *literalA == *literalB;
    }
    return std::equal(
        a.host.begin(), a.host.end(), b.host.begin(), b.host.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

bool AuthScope::Names(const TargetSpec& target) const {
    return std::any_of(printers.begin(), printers.end(),
                       [&](const TargetSpec& printer) { return SameHost(printer, target); });
}

bool AuthScope::Covers(const TargetSpec& target, const net::Endpoint& address) const {
    return !scoped || Names(target) || IsAllowed(networks, address);
}

}  // namespace exporter
