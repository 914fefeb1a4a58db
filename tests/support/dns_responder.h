// A DNS server of a test's own on 127.0.0.1 (UDP, a port the system picks unless one is given:
// 53 in a network namespace of the test's own, for the system's resolver): each name it knows
// answers its A or AAAA query with one address (or with no record), after the name's delay;
// any other name is NXDOMAIN. Names are matched by their first label, so that a resolver's
// search domains do not matter. Counts the queries for each name.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_udp.h"

class DnsResponder {
  public:
    struct Name {
        std::optional<std::array<std::uint8_t, 4>> v4{};   // the A record, if any
        std::optional<std::array<std::uint8_t, 16>> v6{};  // the AAAA record, if any
        std::chrono::milliseconds delay{0};
        std::uint32_t ttl = 60;
    };

    explicit DnsResponder(std::map<std::string, Name> names, std::uint16_t port = 0)
        : names_(std::move(names)), port_(port) {
        fd_ = LoopbackUdp(port_);
        if (fd_ >= 0) {
            thread_ = std::thread([this] { Serve(); });
        }
    }
    ~DnsResponder() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (fd_ >= 0) {
            close(fd_);
        }
    }

    bool ok() const { return fd_ >= 0; }
    std::string Servers() const { return "127.0.0.1:" + std::to_string(port_); }
    int Queries(const std::string& name) {
        std::lock_guard lock(mutex_);
        return queries_[name];
    }

  private:
    using Clock = std::chrono::steady_clock;

    struct Due {
        Clock::time_point when;
        std::vector<std::uint8_t> answer;
        sockaddr_storage to;
        socklen_t length;
    };

    void Serve() {
        std::vector<Due> due;
        std::uint8_t query[512];
        while (!stop_) {
            pollfd watched{fd_, POLLIN, 0};
            ::poll(&watched, 1, 5);
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t size = recvfrom(fd_, query, sizeof query, MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&from), &length);
            if (size > 0) {
                std::chrono::milliseconds delay{0};
                auto answer = Answer(query, static_cast<std::size_t>(size), delay);
                if (!answer.empty()) {
                    due.push_back({Clock::now() + delay, std::move(answer), from, length});
                }
            }
            const auto now = Clock::now();
            for (auto it = due.begin(); it != due.end();) {
                if (it->when <= now) {
                    sendto(fd_, it->answer.data(), it->answer.size(), 0,
                           reinterpret_cast<const sockaddr*>(&it->to), it->length);
                    it = due.erase(it);
                } else {
                    ++it;
                }
            }
        }
    }

    std::vector<std::uint8_t> Answer(const std::uint8_t* query, std::size_t size,
                                     std::chrono::milliseconds& delay) {
        std::size_t at = 12;
        std::string first;
        while (at < size && query[at] != 0 && query[at] < 64) {
            if (first.empty()) {
                first.assign(reinterpret_cast<const char*>(query + at + 1),
                             std::min<std::size_t>(query[at], size - at - 1));
            }
            at += 1 + query[at];
        }
        if (size < 12 || at + 5 > size || query[at] != 0) {
            return {};
        }
        const int type = query[at + 1] << 8 | query[at + 2];
        std::vector<std::uint8_t> answer(query, query + at + 5);  // the header and the question
        answer[2] = 0x81;  // a response, recursion desired and available
        answer[3] = 0x80;  // no error
        for (std::size_t i = 6; i < 12; ++i) {
            answer[i] = 0;
        }
        std::lock_guard lock(mutex_);
        ++queries_[first];
        const auto name = names_.find(first);
        if (name == names_.end()) {
            answer[3] = 0x83;  // NXDOMAIN
            return answer;
        }
        delay = name->second.delay;
        const std::uint32_t ttl = name->second.ttl;
        auto record = [&](std::uint8_t kind, const std::uint8_t* address, std::uint8_t length) {
            answer[7] = 1;
            // The name by a pointer to the question's, the type, class IN, the TTL, the address.
            answer.insert(
                answer.end(),
                {0xC0, 12, 0, kind, 0, 1, static_cast<std::uint8_t>(ttl >> 24),
                 static_cast<std::uint8_t>(ttl >> 16), static_cast<std::uint8_t>(ttl >> 8),
                 static_cast<std::uint8_t>(ttl), 0, length});
            answer.insert(answer.end(), address, address + length);
        };
        if (type == 1 && name->second.v4) {
            record(1, name->second.v4->data(), 4);
        } else if (type == 28 && name->second.v6) {
            record(28, name->second.v6->data(), 16);
        }
        return answer;
    }

    std::map<std::string, Name> names_;
    std::uint16_t port_ = 0;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::map<std::string, int> queries_;
};
