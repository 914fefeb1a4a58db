// The UDP socket behind net::UdpSocket on Winsock 2, for the net layer's own files.
#pragma once

#include <winsock2.h>

namespace net {

struct UdpSocket {
    SOCKET handle;
};

}  // namespace net
