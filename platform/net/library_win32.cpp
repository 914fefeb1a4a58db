// The socket library's start and release on Winsock 2. Windows counts
// WSAStartup calls, so every user balances its own Startup with a Cleanup.
#include <winsock2.h>

#include "platform/net/net.h"

namespace net {

bool Startup() {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void Cleanup() {
    WSACleanup();
}

}  // namespace net
