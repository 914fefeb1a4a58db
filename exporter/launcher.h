// Starting one printer reading from a target's text: the name resolved by the deadline, the
// address checked against the allow-list and the auth's scope (names are resolved first, so a
// name cannot smuggle an address past either), then the reading submitted to the reader. `done`
// runs exactly once, on a resolver or reader thread or (for an IP literal outside the list) at once
// on the caller's: `forbidden` when the address is outside the list or the auth's scope (`refusal`
// says which); otherwise the condition, with answered false and the reason in `error` when the name
// did not resolve.
//
// Lifetime: the resolver and the reader must outlive every reading started, and must be
// destroyed (resolver first) before whatever the `done` callbacks refer to.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "condition/reader.h"
#include "exporter/address.h"
#include "exporter/config.h"
#include "exporter/resolver.h"

namespace exporter {

struct ReadOutcome {
    bool forbidden = false;
    std::string refusal;  // why, in one line, when forbidden
    std::string address;  // the address read (or refused), "" when the name did not resolve
    condition::Condition condition;
};

using ReadOutcomeDone = std::function<void(ReadOutcome&& outcome)>;

class Launcher {
  public:
    Launcher(condition::Reader& reader, Resolver& resolver, std::vector<Cidr> allow)
        : reader_(reader),
          resolver_(resolver),
          allow_(std::make_shared<const std::vector<Cidr>>(std::move(allow))) {}

    // Readings started later use `allow`; those started already keep the list they began with.
    void SetAllowList(std::vector<Cidr> allow);

    void Read(const TargetSpec& target, const Auth& auth,
              std::chrono::steady_clock::time_point deadline, ReadOutcomeDone done);

  private:
    using AllowList = std::shared_ptr<const std::vector<Cidr>>;
    static void Submit(condition::Reader& reader, const AllowList& allow, const TargetSpec& target,
                       const net::Endpoint& endpoint, const Auth& auth,
                       std::chrono::steady_clock::time_point deadline, ReadOutcomeDone done);

    condition::Reader& reader_;
    Resolver& resolver_;
    mutable std::mutex allowMutex_;
    AllowList allow_;
};

}  // namespace exporter
