// Starting one printer reading from a target's text: the name resolved by the deadline, the
// address checked against the allow-list (names are resolved first, so a name cannot smuggle an
// address past it), then the reading submitted to the reader. `done` runs exactly once, on a
// resolver or reader thread or (for an IP literal outside the list) at once on the caller's:
// `forbidden` when the address is outside the list; otherwise the condition, with answered
// false and the reason in `error` when the name did not resolve.
//
// Lifetime: the resolver and the reader must outlive every reading started, and must be
// destroyed (resolver first) before whatever the `done` callbacks refer to.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "condition/reader.h"
#include "exporter/address.h"
#include "exporter/config.h"
#include "exporter/resolver.h"

namespace exporter {

struct ReadOutcome {
    bool forbidden = false;
    std::string address;  // the address read (or refused), "" when the name did not resolve
    condition::Condition condition;
};

using ReadOutcomeDone = std::function<void(ReadOutcome&& outcome)>;

class Launcher {
  public:
    Launcher(condition::Reader& reader, Resolver& resolver, std::vector<Cidr> allow)
        : reader_(reader), resolver_(resolver), allow_(std::move(allow)) {}

    void Read(const TargetSpec& target, const Auth& auth,
              std::chrono::steady_clock::time_point deadline, ReadOutcomeDone done);

  private:
    condition::Reader& reader_;
    Resolver& resolver_;
    const std::vector<Cidr> allow_;
};

}  // namespace exporter
