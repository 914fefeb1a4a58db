#include "snmp/usm_engines.h"

namespace usm {

bool EngineCache::Find(const std::string& agent, EngineState* engine) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = engines_.find(agent);
    if (found == engines_.end()) {
        return false;
    }
    *engine = found->second;
    return true;
}

void EngineCache::Store(const std::string& agent, const EngineState& engine) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (engines_.size() >= MAX_AGENTS && engines_.find(agent) == engines_.end()) {
        engines_.clear();
    }
    engines_[agent] = engine;
}

void EngineCache::Drop(const std::string& agent) {
    const std::lock_guard<std::mutex> lock(mutex_);
    engines_.erase(agent);
}

EngineCache& EngineCache::Shared() {
    static EngineCache cache;
    return cache;
}

}  // namespace usm
