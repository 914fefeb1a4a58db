// Manager sessions against a scripted agent on loopback: which datagrams count as the answer,
// what the list holds afterwards, and how long a request waits.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <tuple>

#include "platform/snmpmgr/ber.h"
#include "tests/snmpmgr/manager_get.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// An agent on 127.0.0.1 whose thread hands every datagram received to the test's handler, which
// may answer from the agent's socket, or from another port or loopback address.
struct Agent {
    enum From { kAgent, kOtherPort, kOtherAddress };
    struct Request {
        Bytes raw;
        ber::Message message;
        sockaddr_in from;
    };
    using Handler = std::function<void(Agent&, const Request&)>;

    explicit Agent(Handler handle) : handler(std::move(handle)) {
        for (int i : {kAgent, kOtherPort, kOtherAddress}) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = htons(i == kOtherAddress ? port : 0);
            local.sin_addr.s_addr = htonl(i == kOtherAddress ? 0x7F000002 : 0x7F000001);
            socklen_t length = sizeof local;
            fds[i] = socket(AF_INET, SOCK_DGRAM, 0);
            EXPECT_EQ(bind(fds[i], reinterpret_cast<sockaddr*>(&local), length), 0);
            getsockname(fds[i], reinterpret_cast<sockaddr*>(&local), &length);
            port = i == kAgent ? ntohs(local.sin_port) : port;
        }
        const timeval tick{0, 20000};  // to notice `stop`
        setsockopt(fds[kAgent], SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
        thread = std::thread([this] {
            for (Bytes buffer(70000); !stop;) {
                Request r{};
                socklen_t length = sizeof r.from;
                const ssize_t size = recvfrom(fds[kAgent], buffer.data(), buffer.size(), 0,
                                              reinterpret_cast<sockaddr*>(&r.from), &length);
                if (size >= 0) {
                    r.raw.assign(buffer.begin(), buffer.begin() + size);
                    ber::Decode(r.raw.data(), r.raw.size(), r.message);
                    requests.push_back(r);
                    handler(*this, r);
                }
            }
        });
    }
    ~Agent() {
        Stop();
        for (int fd : fds) {
            close(fd);
        }
    }
    // Stops serving; returns every datagram received.
    std::vector<Request> Stop() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
        return requests;
    }
    void Send(const Bytes& data, const Request& to, From from = kAgent) {
        sendto(fds[from], data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to.from),
               sizeof to.from);
    }

    Handler handler;
    int fds[3] = {-1, -1, -1};
    std::uint16_t port = 0;  // of the agent's own socket
    std::atomic<bool> stop{false};
    std::vector<Request> requests;  // read once stopped
    std::thread thread;
};

ber::Value V(std::uint8_t tag, std::int64_t integer, std::string bytes = "",
             std::vector<std::uint32_t> oid = {}) {
    return {tag, integer, Bytes(bytes.begin(), bytes.end()), std::move(oid)};
}

// A GetResponse to `request`: `change` applied, then encoded.
Bytes Answer(const ber::Message& request, const std::function<void(ber::Message&)>& change) {
    ber::Message m = request;
    m.pduType = SNMP_PDU_RESPONSE;
    change(m);
    Bytes out;
    EXPECT_EQ(ber::Encode(m, out), ber::Error::None);
    return out;
}

TEST(SnmpSession, TakesOnlyTheMatchingAnswerAndCopiesEveryValueType) {
    const std::string large(60000, 'x');  // a large answer is taken whole
    const std::pair<ber::Value, std::string> values[] = {
        {V(ASN_OCTETSTRING, 0, "answer"), "04:answer"},
        {V(ASN_INTEGER, -2147483648LL), "02:-2147483648"},
        {V(ASN_COUNTER32, 4294967295LL), "41:4294967295"},
        {V(ASN_GAUGE32, 42), "42:42"},
        {V(ASN_TIMETICKS, 100), "43:100"},
        {V(ASN_COUNTER64, 0, std::string("\x01\x00\x00\x00\x00", 5)), "46:4294967296"},
        {V(ASN_IPADDRESS, 0, "\xC0\xA8\x01\x0A"), "40:\xC0\xA8\x01\x0A"},
        {V(ASN_OPAQUE, 0, "WXYZ"), "44:WXYZ"},
        {V(ASN_OCTETSTRING, 0, ""), "04:"},
        {V(ASN_OCTETSTRING, 0, large), "04:" + large},  // [9]
        {V(ASN_OBJECTIDENTIFIER, 0, "", {1, 3, 6, 1, 4, 1, 2435}), "06:.1.3.6.1.4.1.2435"},
        {V(0x81, 0), "81:"},  // noSuchInstance: a type without a value
    };
    Agent agent([&](Agent& a, const Agent::Request& r) {
        // The copies carry the answer less its large value, to stay within the socket buffer.
        const auto answer = [&](bool whole) {
            return Answer(r.message, [&](ber::Message& m) {
                m.errorStatus = 5;
                m.errorIndex = 1;
                for (std::size_t i = 0; i < m.varbinds.size() && i < std::size(values); ++i) {
                    m.varbinds[i].value = whole || i != 9 ? values[i].first : V(ASN_NULL, 0);
                }
            });
        };
        const Bytes good = answer(true), copy = answer(false);
        a.Send(Answer(r.message, [](ber::Message& m) { m.requestId += 1; }), r);
        a.Send(copy, r, Agent::kOtherPort);
        a.Send(copy, r, Agent::kOtherAddress);
        a.Send({0x30, 0x03, 0x02, 0x01}, r);  // cut short
        a.Send(Bytes(200, 0xFF), r);          // noise
        a.Send(Answer(r.message, [](ber::Message& m) { m.community = "public"; }), r);
        a.Send(r.raw, r);  // our own request echoed
        a.Send(Answer(r.message, [](ber::Message& m) { m.pduType = SNMP_PDU_SET; }), r);
        a.Send(Answer(r.message, [](ber::Message& m) { m.varbinds[0].name.back() += 1; }), r);
        a.Send(Answer(r.message, [](ber::Message& m) { m.varbinds.pop_back(); }), r);
        a.Send(Bytes(copy.begin(), copy.end() - 1), r);  // the answer, truncated
        a.Send(good, r);
        a.Send(Answer(r.message, [](ber::Message&) {}), r);  // a second answer, too late
    });
    const std::string localhost = "localhost:" + std::to_string(agent.port);
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(localhost.c_str(), "orchid", 500, 0);
    ASSERT_NE(session, nullptr);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < std::size(values); ++i) {
        names.push_back(".1.3." + std::to_string(i + 1));
    }
    // The late duplicate still waiting on the socket is not taken as the next answer either.
    for (int round = 0; round < 2; ++round) {
        const Got got = Get(session, names);
        ASSERT_NE(got.ok, 0);
        EXPECT_EQ(got.status, 5);
        EXPECT_EQ(got.index, 1);
        for (std::size_t i = 0; i < std::size(values); ++i) {
            EXPECT_EQ(got.values.at(i), values[i].second) << i;
        }
    }
    EXPECT_EQ(Get(session, names, SNMP_PDU_GETNEXT).ok, 0) << "only GetRequests are made";
    SnmpMgrClose(session);

    const auto requests = agent.Stop();
    ASSERT_EQ(requests.size(), 2u);
    const ber::Message& m = requests[0].message;
    EXPECT_EQ(std::tie(m.version, m.community, m.pduType, m.errorStatus, m.errorIndex),
              std::make_tuple(0, std::string("orchid"), SNMP_PDU_GET, 0, 0));
    EXPECT_EQ(m.varbinds.at(0).value.tag, ASN_NULL);
    EXPECT_NE(requests[1].message.requestId, m.requestId);
}

TEST(SnmpSession, NoAnswerByTheDeadlineLeavesTheListAsItWas) {
    const Agent::Handler silent = [](Agent&, const Agent::Request&) {};
    // Strays arriving all the time never extend the wait.
    const Agent::Handler strays = [](Agent& a, const Agent::Request& r) {
        const Bytes stray = Answer(r.message, [](ber::Message& m) { m.requestId ^= 0x10; });
        const Bytes elsewhere = Answer(r.message, [](ber::Message&) {});
        for (int i = 0; i < 500 && !a.stop; ++i) {
            a.Send(stray, r);
            a.Send(elsewhere, r, Agent::kOtherPort);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    const struct {
        const char* what;
        const Agent::Handler& handler;
        int timeoutMs, retries, minMs, maxMs;
    } cases[] = {
        {"silent agent, one retry", silent, 200, 1, 350, 1500},
        {"stream of strays", strays, 500, 0, 400, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Agent agent(c.handler);
        const std::string target = "127.0.0.1:" + std::to_string(agent.port);
        LPSNMP_MGR_SESSION session = SnmpMgrOpen(target.c_str(), "orchid", c.timeoutMs, c.retries);
        ASSERT_NE(session, nullptr);
        const auto start = std::chrono::steady_clock::now();
        const Got got = Get(session, {".1.3.6.1.2.1.1.1.0", ".1.3.6.1.2.1.1.5.0"});
        const auto waited = std::chrono::steady_clock::now() - start;
        SnmpMgrClose(session);
        EXPECT_EQ(got.ok, 0);
        EXPECT_GE(waited, std::chrono::milliseconds(c.minMs));
        EXPECT_LE(waited, std::chrono::milliseconds(c.maxMs));
        EXPECT_EQ(got.status + got.index, -2) << "left untouched";
        EXPECT_EQ(got.values, (std::vector<std::string>{"05:", "05:"}));
        const auto requests = agent.Stop();
        ASSERT_EQ(requests.size(), static_cast<std::size_t>(c.retries + 1));
        EXPECT_EQ(requests.back().raw, requests[0].raw) << "a retry resends the same request";
    }
}

// Target syntax has its own tests; here only that what cannot be reached gives no session.
TEST(SnmpSession, OpenRefusesWhatCannotBeReached) {
    for (const char* target : {"", "127.0.0.1:0", "no-such-host.invalid:1161"}) {
        EXPECT_EQ(SnmpMgrOpen(target, "orchid", 500, 0), nullptr) << target;
    }
    EXPECT_EQ(SnmpMgrOpen("127.0.0.1", std::string(256, 'c').c_str(), 500, 0), nullptr);
    EXPECT_EQ(SnmpMgrClose(nullptr), 0);
}

}  // namespace
