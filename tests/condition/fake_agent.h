// A scripted SNMP agent for the condition tests and fuzzer, in process: it answers a decoded
// request from a sorted set of objects (loaded from snmprec text) the way an SNMPv1 or v2c
// agent does (GET, GETNEXT, GETBULK; noSuchName on v1, exceptions on v2c), and a test's
// `tamper` rewrites each answer to play a faulty agent. UdpAgent serves it on loopback.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "condition/reader.h"
#include "condition/walk.h"
#include "platform/snmpmgr/ber.h"

namespace fake {

using Oid = std::vector<std::uint32_t>;

Oid ParseOid(const std::string& dotted);

struct Agent {
    std::map<Oid, ber::Value> objects;
    std::size_t maxAnswerBindings = 100000;  // more gives tooBig
    std::function<void(const ber::Message& request, ber::Message& answer)> tamper;

    // Loads snmprec lines (tags 2, 4, 4x, 6, 64, 65, 66, 67); '#' lines are skipped.
    void Load(const std::string& snmprec);
    void Set(const std::string& oid, ber::Value value) { objects[ParseOid(oid)] = value; }
    ber::Message Respond(const ber::Message& request) const;
};

std::string FullPrinterProfile();  // tests/condition/full-printer.snmprec

ber::Value Integer(std::int64_t value);
ber::Value Text(const std::string& text);

// Runs a whole reading against `agent`, each request and answer going through the codec.
condition::Condition Drive(const Agent& agent, condition::SnmpVersion version,
                           int* requests = nullptr, double threshold = 10.0);

// The agent on a loopback UDP port, answering from its own thread; `drop(n)` makes it ignore
// request number n (from 0). Set the fields before the first request. Answers come from the port
// requests go to unless `spoof` sends a wrong copy first from another port.
class UdpAgent {
  public:
    explicit UdpAgent(Agent agent, bool ipv6 = false);
    ~UdpAgent();
    bool ok() const { return fd_ >= 0; }
    condition::Endpoint endpoint() const { return endpoint_; }
    std::function<bool(int index)> drop;
    bool spoof = false;
    int delayMs = 0;  // answers held back this long (maxOutstanding counts them)
    int received() const { return received_.load(); }
    int maxOutstanding() const { return maxOutstanding_.load(); }

  private:
    void Run();
    Agent agent_;
    int fd_ = -1;
    int spoofFd_ = -1;
    int stopFd_ = -1;
    condition::Endpoint endpoint_;
    std::atomic<int> received_{0};
    std::atomic<int> maxOutstanding_{0};
    std::thread thread_;
};

}  // namespace fake
