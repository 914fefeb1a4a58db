// The UDP socket behind net::UdpSocket on POSIX, for the net layer's own files.
#pragma once

namespace net {

struct UdpSocket {
    int fd;
};

}  // namespace net
