#include "text/target_syntax.h"

#include <cstring>

#include "text/bounded_text.h"

namespace {

// A port is 1..65535 in plain decimal digits; anything else is not a port.
bool ParsePort(const char* text, std::uint16_t* port) {
    if (*text == '\0') {
        return false;
    }
    std::uint32_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(*p - '0');
        if (value > 65535) {
            return false;
        }
    }
    if (value == 0) {
        return false;
    }
    *port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

bool SplitTarget(const char* target, char* host, std::size_t hostCapacity, std::uint16_t* port) {
    *port = SNMP_DEFAULT_PORT;
    const char* colon = std::strchr(target, ':');
    std::uint16_t parsed = 0;
    if (colon == nullptr || std::strchr(colon + 1, ':') != nullptr ||
        !ParsePort(colon + 1, &parsed)) {
        return BoundedCopy(host, hostCapacity, target) == BOUNDED_OK;
    }
    const auto hostLength = static_cast<std::size_t>(colon - target);
    if (hostCapacity == 0) {
        return false;
    }
    const bool fits = hostLength < hostCapacity;
    const std::size_t copied = fits ? hostLength : hostCapacity - 1;
    std::memcpy(host, target, copied);
    host[copied] = '\0';
    *port = parsed;
    return fits;
}
