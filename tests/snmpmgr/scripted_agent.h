// A scripted SNMP agent on loopback for the manager's tests: it reads each request and sends
// whatever the test makes of it, from its own socket on 127.0.0.1 (or ::1), from another port
// there, or from another address on its port: 127.0.0.2, or for an agent on ::1 127.0.0.1,
// which reaches an IPv6 socket as an IPv4-mapped address (answers from where the manager did
// not send its request). It sends what no real agent writes: values whose bytes do not fit
// their type, error answers with other bindings.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "snmp/asn_types.h"
#include "snmp/ber.h"
#include "tests/support/loopback_udp.h"

struct ScriptedAgent {
    using Shape = std::function<void(ber::Message&)>;
    enum From { AGENT, OTHER_PORT, OTHER_ADDRESS };
    const bool ipv6;
    int fds[3] = {-1, -1, -1};
    std::uint16_t port = 0;   // of the agent's own socket
    sockaddr_storage peer{};  // who sent the last request
    socklen_t peerLength = 0;

    // On ::1 when `ipv6`: check ok(), a machine may have no ::1.
    explicit ScriptedAgent(bool onIpv6 = false) : ipv6(onIpv6) {
        fds[AGENT] = LoopbackUdp(port, ipv6);
        std::uint16_t other = 0, same = port;
        fds[OTHER_PORT] = LoopbackUdp(other, ipv6);
        fds[OTHER_ADDRESS] = LoopbackUdp(same, false, ipv6 ? 0x7F000001 : 0x7F000002);
        EXPECT_TRUE(ipv6 || ok());
    }
    ~ScriptedAgent() {
        for (int fd : fds) {
            close(fd);
        }
    }
    bool ok() const { return fds[AGENT] >= 0 && fds[OTHER_PORT] >= 0 && fds[OTHER_ADDRESS] >= 0; }
    std::string target() const { return (ipv6 ? "[::1]:" : "127.0.0.1:") + std::to_string(port); }

    // The next request within `timeoutMs`, decoded into `request`; empty (and `request` as it
    // was) when none came.
    std::vector<std::uint8_t> Receive(ber::Message& request, int timeoutMs = 2000) {
        pollfd ready{fds[AGENT], POLLIN, 0};
        std::vector<std::uint8_t> raw(70000);
        peerLength = sizeof peer;
        const ssize_t size = poll(&ready, 1, timeoutMs) != 1
                                 ? 0
                                 : recvfrom(fds[AGENT], raw.data(), raw.size(), 0,
                                            reinterpret_cast<sockaddr*>(&peer), &peerLength);
        raw.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        ber::Decode(raw.data(), raw.size(), request);  // nothing: `request` stays as it was
        return raw;
    }
    void Send(const std::vector<std::uint8_t>& data, From from = AGENT) {
        // From 127.0.0.1 to an IPv6 peer: to its port on 127.0.0.1, where its socket takes IPv4.
        const sockaddr_in mapped{AF_INET,
                                 reinterpret_cast<const sockaddr_in6&>(peer).sin6_port,
                                 {htonl(INADDR_LOOPBACK)},
                                 {}};
        const bool viaIpv4 = ipv6 && from == OTHER_ADDRESS;
        sendto(fds[from], data.data(), data.size(), 0,
               viaIpv4 ? reinterpret_cast<const sockaddr*>(&mapped)
                       : reinterpret_cast<const sockaddr*>(&peer),
               viaIpv4 ? sizeof mapped : peerLength);
    }

    // The GetResponse to `request` with `shape` applied, encoded.
    static std::vector<std::uint8_t> Answer(const ber::Message& request, const Shape& shape) {
        ber::Message m = request;
        m.pduType = SNMP_PDU_RESPONSE;
        shape(m);
        std::vector<std::uint8_t> out;
        EXPECT_EQ(ber::Encode(m, out), ber::Error::None);
        return out;
    }
    // Reads the next request on a thread of its own and answers it with `shape`; a null `shape`
    // leaves it unanswered.
    std::future<void> AnswerNext(const Shape& shape) {
        return std::async(std::launch::async, [this, shape] {
            ber::Message request;
            if (!Receive(request).empty() && shape) {
                Send(Answer(request, shape));
            }
        });
    }
};
