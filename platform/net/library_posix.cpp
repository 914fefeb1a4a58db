// The socket library's start and release on POSIX: there is nothing to start, so both do
// nothing; they exist for the platforms that need them.
#include "platform/net/net.h"

namespace net {

bool Startup() {
    return true;
}

void Cleanup() {}

}  // namespace net
