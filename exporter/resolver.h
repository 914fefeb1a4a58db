// Name resolution for many readings at once, each by its own deadline: a slow DNS server must not
// hold a reading past it, and no HTTP thread ever waits. This is scheduling only: the lookup is
// the platform's (net::ResolveHostBlocking: IPv4 and IPv6, the first IPv4 address preferred),
// run on a few threads of the resolver's own so that thousands of readings share a bounded
// number of system lookups. `done` is called exactly once, with the address or with why not, by
// the request's deadline at the latest: from a lookup thread when the answer came in time, else
// from the timer thread. A full queue answers at once ("too many lookups"). After the resolver
// is destroyed no `done` runs; lookups still blocked in the system resolver finish on their own
// threads and are dropped.
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
// A blocking lookup of `host`; the platform's by default.
using LookupFunction = std::function<Resolution(const std::string& host, std::uint16_t port)>;

Resolution SystemLookup(const std::string& host, std::uint16_t port);

class Resolver {
  public:
    explicit Resolver(int threads = 4, std::size_t maxPending = 4096,
                      LookupFunction lookup = SystemLookup);
    ~Resolver();
    Resolver(const Resolver&) = delete;
    Resolver& operator=(const Resolver&) = delete;

    void Resolve(const std::string& host, std::uint16_t port,
                 std::chrono::steady_clock::time_point deadline, ResolveDone done);

    struct State;

  private:
    std::shared_ptr<State> state_;
};

}  // namespace exporter
