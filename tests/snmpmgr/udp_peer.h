// A scripted SNMP agent for tests: a UDP socket on 127.0.0.1 served by a thread that hands
// every datagram it receives to a handler, which answers however the test wants (the right
// answer, strays, nothing). Also sockets on another port and another loopback address, to
// send answers from where the agent is not.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/snmpmgr/ber.h"

namespace testpeer {

using Bytes = std::vector<std::uint8_t>;

class UdpPeer {
  public:
    struct Request {
        Bytes raw;
        ber::Message message;  // decoded; version -1 when the datagram did not decode
        sockaddr_in from;
    };
    using Handler = std::function<void(UdpPeer&, const Request&)>;

    explicit UdpPeer(Handler handler) : handler_(std::move(handler)) {
        fd_ = Bind("127.0.0.1", 0);
        port_ = PortOf(fd_);
        otherPortFd_ = Bind("127.0.0.1", 0);
        otherAddressFd_ = Bind("127.0.0.2", port_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~UdpPeer() {
        stop_ = true;
        thread_.join();
        close(fd_);
        close(otherPortFd_);
        close(otherAddressFd_);
    }
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    std::uint16_t port() const { return port_; }
    bool stopping() const { return stop_; }

    void Send(const Bytes& data, const sockaddr_in& to) { SendFrom(fd_, data, to); }
    void SendFromOtherPort(const Bytes& data, const sockaddr_in& to) {
        SendFrom(otherPortFd_, data, to);
    }
    void SendFromOtherAddress(const Bytes& data, const sockaddr_in& to) {
        SendFrom(otherAddressFd_, data, to);
    }

    std::vector<Request> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    // The GetResponse a correct agent would send: same community, id and names, with
    // `values` (NULL for each name when empty) and the given error fields.
    static Bytes Answer(const ber::Message& request, std::vector<ber::Value> values = {},
                        std::int32_t errorStatus = 0, std::int32_t errorIndex = 0) {
        ber::Message answer = request;
        answer.pduType = 0xA2;
        answer.errorStatus = errorStatus;
        answer.errorIndex = errorIndex;
        for (std::size_t i = 0; i < values.size() && i < answer.varbinds.size(); ++i) {
            answer.varbinds[i].value = values[i];
        }
        return Encode(answer);
    }

    static Bytes Encode(const ber::Message& message) {
        Bytes out;
        if (ber::Encode(message, out) != ber::Error::None) {
            throw std::runtime_error("test message does not encode");
        }
        return out;
    }

  private:
    static int Bind(const char* address, std::uint16_t port) {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        inet_pton(AF_INET, address, &local.sin_addr);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            throw std::runtime_error("cannot bind the test peer");
        }
        return fd;
    }
    static std::uint16_t PortOf(int fd) {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.sin_port);
    }
    static void SendFrom(int fd, const Bytes& data, const sockaddr_in& to) {
        sendto(fd, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    void Serve() {
        Bytes buffer(70000);
        while (!stop_) {
            pollfd entry{fd_, POLLIN, 0};
            if (poll(&entry, 1, 20) <= 0) {
                continue;
            }
            Request request{};
            socklen_t length = sizeof request.from;
            const ssize_t size = recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                          reinterpret_cast<sockaddr*>(&request.from), &length);
            if (size < 0) {
                continue;
            }
            request.raw.assign(buffer.begin(), buffer.begin() + size);
            if (ber::Decode(request.raw.data(), request.raw.size(), request.message) !=
                ber::Error::None) {
                request.message.version = -1;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            handler_(*this, request);
        }
    }

    Handler handler_;
    int fd_ = -1;
    int otherPortFd_ = -1;
    int otherAddressFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Request> requests_;
    std::thread thread_;
};

}  // namespace testpeer
