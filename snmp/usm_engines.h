// What a manager remembers of each agent's engine between sessions: its ID, boots and time,
// so that a later reading of the same agent starts with its request instead of a discovery.
// Agents are named by the caller (their transport address). An engine that changed since is
// not a fault: the agent reports it and the session learns the engine again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "snmp/usm_keys.h"

namespace usm {

// An agent's engine as a session knew it: the time the engine had at `learntAtMs`, a moment of
// the caller's monotonic clock.
struct EngineState {
    Bytes id;
    std::int32_t boots = 0;
    std::int32_t timeLearnt = 0;
    std::uint64_t learntAtMs = 0;
    std::int32_t latestReceivedTime = 0;  // RFC 3414's latestReceivedEngineTime
};

// Engines by agent. Safe from several threads.
class EngineCache {
  public:
    bool Find(const std::string& agent, EngineState* engine) const;
    void Store(const std::string& agent, const EngineState& engine);
    void Drop(const std::string& agent);

    // The cache the process's readings share.
    static EngineCache& Shared();

  private:
    // A cache that grows past this forgets everything and starts again: the cost is one
    // discovery per agent, and no fleet comes near.
    static constexpr std::size_t MAX_AGENTS = 65536;

    mutable std::mutex mutex_;
    std::map<std::string, EngineState> engines_;
};

}  // namespace usm
