// Small helpers of the simulator's program tests: one SNMP exchange over loopback with the
// answer decoded. (A shell command's status and output: tests/support/run_command.h.)
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/snmpmgr/ber.h"

namespace simtest {

// Sends `request` to `address`:`port` from a fresh socket and returns the decoded answer with
// its request-id, or nullopt when none came within `windowMs`.
inline std::optional<ber::Message> Exchange(const ber::Message& request, std::uint16_t port,
                                            int windowMs = 500, const char* address = "127.0.0.1") {
    std::vector<std::uint8_t> bytes;
    if (ber::Encode(request, bytes) != ber::Error::None) {
        return std::nullopt;
    }
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in agent{};
    agent.sin_family = AF_INET;
    inet_pton(AF_INET, address, &agent.sin_addr);
    agent.sin_port = htons(port);
    std::optional<ber::Message> answer;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&agent), sizeof agent) == 0 &&
        send(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size())) {
        pollfd wait{fd, POLLIN, 0};
        bytes.resize(65536);
        while (!answer && poll(&wait, 1, windowMs) == 1) {
            ssize_t n = recv(fd, bytes.data(), bytes.size(), 0);
            ber::Message message;
            if (n > 0 &&
                ber::Decode(bytes.data(), static_cast<std::size_t>(n), message) ==
                    ber::Error::None &&
                message.requestId == request.requestId) {
                answer = message;
            }
        }
    }
    close(fd);
    return answer;
}

// A request of `type` for `names`, community orchid.
inline ber::Message Request(const std::vector<std::vector<std::uint32_t>>& names,
                            std::int32_t version = ber::VERSION_1, std::uint8_t type = 0xA0) {
    static std::int32_t next = 1000;
    ber::Message request;
    request.version = version;
    request.community = "orchid";
    request.pduType = type;
    request.requestId = ++next;
    for (const auto& name : names) {
        request.varbinds.push_back({name, ber::Value{}});
    }
    return request;
}

// The text of an answer's first binding, or "(none)".
inline std::string FirstText(const std::optional<ber::Message>& answer) {
    if (!answer || answer->varbinds.empty()) {
        return "(none)";
    }
    const auto& bytes = answer->varbinds[0].value.bytes;
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace simtest
