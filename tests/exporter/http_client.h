// A small blocking HTTP/1.1 client for the exporter's tests, loopback only: one request per
// connection, answers read to the end within a time limit.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace exporter::testing {

struct HttpAnswer {
    int status = 0;  // 0: no answer (refused, closed, or the time limit)
    std::string headers;
    std::string body;
};

HttpAnswer HttpGet(std::uint16_t port, const std::string& path,
                   const std::string& extraHeaders = "",
                   std::chrono::milliseconds limit = std::chrono::seconds(15),
                   const std::string& method = "GET");

// A connected TCP socket to 127.0.0.1:port, or -1.
int ConnectLoopback(std::uint16_t port);

// Reads until the peer closes or the time passes: true when it closed.
bool WaitClosed(int fd, std::chrono::milliseconds limit);

}  // namespace exporter::testing
