#include "tests/exporter/http_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace exporter::testing {

int ConnectLoopback(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

namespace {

// Reads to the end of the stream; false when the time ran out first.
bool ReadAll(int fd, std::string& data, std::chrono::steady_clock::time_point until) {
    char buffer[16384];
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        until - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            return false;
        }
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return true;
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

HttpAnswer HttpGet(std::uint16_t port, const std::string& path, const std::string& extraHeaders,
                   std::chrono::milliseconds limit, const std::string& method) {
    auto until = std::chrono::steady_clock::now() + limit;
    HttpAnswer answer;
    int fd = ConnectLoopback(port);
    if (fd < 0) {
        return answer;
    }
    std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders +
                          "Connection: close\r\n\r\n";
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        close(fd);
        return answer;
    }
    std::string data;
    bool complete = ReadAll(fd, data, until);
    close(fd);
    std::size_t end = data.find("\r\n\r\n");
    if (!complete || end == std::string::npos || data.compare(0, 9, "HTTP/1.1 ") != 0) {
        return answer;
    }
    answer.status = std::atoi(data.c_str() + 9);
    answer.headers = data.substr(0, end);
    answer.body = data.substr(end + 4);
    return answer;
}

bool WaitClosed(int fd, std::chrono::milliseconds limit) {
    std::string ignored;
    return ReadAll(fd, ignored, std::chrono::steady_clock::now() + limit);
}

}  // namespace exporter::testing
