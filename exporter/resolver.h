// Name resolution for many readings at once, each by its own deadline: a slow DNS server must not
// hold a reading past it, a slow name must delay no other, and no HTTP thread ever waits. The
// lookups are asynchronous (c-ares, on one thread of the resolver's own, reading the system's
// /etc/resolv.conf and /etc/hosts): a name's first IPv4 address, else its first IPv6 one, kept
// for its DNS time to live so that a fleet's names are not asked for at every scrape. Requests
// for a name being looked up wait for that one lookup.
//
// `done` is called exactly once, with the address or with why not, by the request's deadline at
// the latest, from the resolver's thread; a full queue answers at once on the caller's ("too many
// name lookups in progress"). After the resolver is destroyed no `done` runs.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/net/net.h"

namespace exporter {

struct Resolution {
    bool ok = false;
    net::Endpoint endpoint;
    std::string error;  // when not ok: one line
};

using ResolveDone = std::function<void(Resolution&& resolution)>;

struct ResolverOptions {
    std::size_t maxPending = 4096;  // requests waiting at once
    std::size_t maxCached = 65536;  // names kept for their time to live
    // "ADDR:PORT,..." to ask instead of resolv.conf's name servers (tests); empty: the system's.
    std::string servers;
};

class Resolver {
  public:
    explicit Resolver(ResolverOptions options = {});
    ~Resolver();
    Resolver(const Resolver&) = delete;
    Resolver& operator=(const Resolver&) = delete;

    // False, with the reason, when the lookups cannot start (every Resolve then answers so).
    bool Ready(std::string* why = nullptr) const;

    void Resolve(const std::string& host, std::uint16_t port,
                 std::chrono::steady_clock::time_point deadline, ResolveDone done);

    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace exporter
