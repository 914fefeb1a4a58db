// The configuration in force, replaced whole by a reload. Whoever starts work takes the snapshot
// then and keeps it to the end: a probe in flight finishes with the configuration it began with.
// Any thread may call any method.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "exporter/address.h"
#include "exporter/config.h"

namespace exporter {

struct Settings {
    Config config;
    std::vector<Cidr> allow;  // the file's or the command line's, else the default
    int maxProbes = 0;
};

class LiveConfig {
  public:
    explicit LiveConfig(std::shared_ptr<const Settings> settings)
        : settings_(std::move(settings)) {}

    std::shared_ptr<const Settings> Get() const {
        std::lock_guard lock(mutex_);
        return settings_;
    }
    void Set(std::shared_ptr<const Settings> settings) {
        std::lock_guard lock(mutex_);
        settings_ = std::move(settings);
    }

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<const Settings> settings_;
};

}  // namespace exporter
