// The requests a manager has outstanding and the one rule that takes an answer: a datagram is
// the answer to a request only when it decodes as a GetResponse carrying that request's id,
// arrived on the socket the request left from, from the agent's address and port, with the
// request's SNMP version and community. Anything else is dropped. Shared by the window's
// manager sessions and the condition engine; pure (no sockets, no clock of its own).
//
// Request-ids are drawn at random (std::random_device) for every request, never counted: a
// host that is read sees its own ids, and with a counter it could predict the ids of requests
// to other printers and answer them from a forged source address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/net/net.h"
#include "snmp/ber.h"

namespace snmpmatch {

// Milliseconds on a monotonic clock of the caller's choosing; only differences matter.
using Millis = std::uint64_t;

struct Expected {
    net::Endpoint agent{};  // the answer's source: address and port
    std::uint64_t via = 0;  // the caller's name for the socket the request left from
    std::int32_t version = ber::VERSION_1;
    std::string community{};
    Millis deadline = 0;      // when the request stops waiting (the caller decides what then)
    std::uint64_t owner = 0;  // the caller's name for who waits for the answer
};

struct Match {
    std::int32_t requestId;
    std::uint64_t owner;
};

class RequestTable {
  public:
    RequestTable();

    // Registers a request and returns its fresh id: random, positive (some agents mishandle
    // negative ones) and not outstanding already.
    std::int32_t Add(Expected expected);
    // Forgets a request; an id not outstanding is ignored.
    void Remove(std::int32_t requestId);
    // Moves an outstanding request's deadline (a request sent again keeps its id).
    void Rearm(std::int32_t requestId, Millis deadline);

    // Decodes `datagram` (bounds-checked) into `answer` and returns the request it answers,
    // which is then no longer outstanding; nullopt (and the table unchanged) for anything else.
    std::optional<Match> Accept(const std::uint8_t* datagram, std::size_t size,
                                const net::Endpoint& from, std::uint64_t via, ber::Message& answer);

    // The outstanding request `requestId`, or nullptr: for answers this table cannot decode
    // (SNMPv3), whose caller checks the socket and the source against it.
    const Expected* Find(std::int32_t requestId) const;

    // The earliest deadline among the outstanding requests; nullopt when there is none.
    std::optional<Millis> NextDeadline() const;
    // The requests whose deadline is at or before `now`, earliest first. They stay outstanding:
    // the caller rearms or removes each one.
    std::vector<Match> Expired(Millis now) const;

    std::size_t Size() const { return expected_.size(); }

  private:
    std::int32_t FreshId();

    std::random_device random_;
    std::map<std::int32_t, Expected> expected_;
    std::set<std::pair<Millis, std::int32_t>> deadlines_;
};

}  // namespace snmpmatch
