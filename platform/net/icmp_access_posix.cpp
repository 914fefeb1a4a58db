// Linux refuses a raw socket without CAP_NET_RAW and a ping socket to a group outside
// net.ipv4.ping_group_range. Only when both are refused for want of permission is there a
// setting to name; any other failure (no descriptors left) is not the user's to allow.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/net/icmp_access.h"

namespace net {

namespace {

// True when the kernel refuses this socket for want of permission.
bool Refused(int type) {
    const int fd = socket(AF_INET, type, IPPROTO_ICMP);
    if (fd >= 0) {
        close(fd);
        return false;
    }
    return errno == EPERM || errno == EACCES;
}

// The program's own path as setcap needs it; a placeholder when it cannot be read.
std::string ProgramPath() {
    std::array<char, 4096> path{};
    const ssize_t size = readlink("/proc/self/exe", path.data(), path.size() - 1);
    return size > 0 ? std::string(path.data(), static_cast<std::size_t>(size)) : "PROGRAM";
}

}  // namespace

std::string IcmpAccessHint(const char* skipOption) {
    if (!Refused(SOCK_RAW) || !Refused(SOCK_DGRAM)) {
        return {};
    }
    return "Echo requests need a ping socket or a raw socket: allow ping sockets with sysctl "
           "net.ipv4.ping_group_range=\"0 2147483647\", or raw sockets with setcap "
           "cap_net_raw+ep " +
           ProgramPath() + ", or start with " + skipOption + " to go without the echo.";
}

}  // namespace net
