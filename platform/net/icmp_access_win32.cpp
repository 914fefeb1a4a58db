// Windows always has its ICMP echo service for an unprivileged user: when even that fails, no
// setting the user could change would help.
#include "platform/net/icmp_access.h"

namespace net {

std::string IcmpAccessHint(const char*) {
    return {};
}

}  // namespace net
