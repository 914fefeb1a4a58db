#include "sim_test_util.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace simtest {
namespace {

int ConnectedSocket(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

CommandResult RunShell(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

CommandResult SnmpGet(const std::string& target, const std::string& oid,
                      const std::string& community) {
    return RunShell("snmpget -v1 -c '" + community + "' -On -t 0.3 -r 0 " + target + " " + oid);
}

bool HaveSnmpGet() {
    return RunShell("command -v snmpget").status == 0;
}

RawExchange RawGet(std::uint16_t port, const std::vector<std::uint32_t>& oid, int windowMs,
                   const std::string& community) {
    RawExchange exchange;
    ber::Message request;
    request.community = community;
    request.requestId = 0x1234567;
    request.varbinds.push_back({oid, ber::Value{}});
    std::vector<std::uint8_t> bytes;
    if (ber::Encode(request, bytes) != ber::Error::None) {
        return exchange;
    }
    exchange.requestId = request.requestId;
    // Not connected: answers from other ports must reach the test too.
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return exchange;
    }
    sockaddr_in agent{};
    agent.sin_family = AF_INET;
    agent.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    agent.sin_port = htons(port);
    auto start = std::chrono::steady_clock::now();
    sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&agent),
           sizeof agent);
    auto deadline = start + std::chrono::milliseconds(windowMs);
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) != 1) {
            break;
        }
        std::vector<std::uint8_t> datagram(65536);
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t n = recvfrom(fd, datagram.data(), datagram.size(), 0,
                             reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            break;
        }
        datagram.resize(static_cast<std::size_t>(n));
        ber::Message answer;
        bool isAnswer = ber::Decode(datagram.data(), datagram.size(), answer) == ber::Error::None &&
                        answer.requestId == exchange.requestId && ntohs(from.sin_port) == port;
        exchange.fromPorts.push_back(ntohs(from.sin_port));
        exchange.datagrams.push_back(std::move(datagram));
        exchange.arrivalMs.push_back(
            static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - start)
                                  .count()));
        if (isAnswer) {
            break;
        }
    }
    close(fd);
    return exchange;
}

void SendDatagram(std::uint16_t port, const std::vector<std::uint8_t>& data) {
    int fd = ConnectedSocket(port);
    if (fd >= 0) {
        send(fd, data.data(), data.size(), 0);
        close(fd);
    }
}

}  // namespace simtest
