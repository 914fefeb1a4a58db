// The status page's view of the configured printers. They are read through the same launcher
// and reader as /probe, all at once, at most once per REFRESH_INTERVAL however often the page is
// asked for; the readings are kept (cut to bounded size) until the next refresh. Nothing here
// waits: a caller that finds the view stale is called back when the refresh it started or joined
// has ended. Any thread may call any method.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "condition/condition.h"
#include "exporter/config.h"
#include "exporter/launcher.h"

namespace exporter {

inline constexpr std::chrono::seconds REFRESH_INTERVAL{10};
inline constexpr std::chrono::seconds PAGE_READ_TIMEOUT{5};
// What one printer may keep in the view: its first rows of each table, texts cut to a length.
inline constexpr std::size_t VIEW_ROWS = 32;
inline constexpr std::size_t VIEW_TEXT_BYTES = 200;

struct PrinterView {
    std::string name;
    std::string target;
    bool read = false;  // a reading has finished since the exporter started
    condition::Condition condition;
    std::optional<std::chrono::system_clock::time_point> lastAnswered;
};

// The condition with every table and text cut to the view's bounds (texts at a UTF-8 boundary).
void TrimForView(condition::Condition& condition);

class StatusCache {
  public:
    StatusCache(const Config& config, Launcher& launcher);

    // The printers of a reloaded configuration. A printer kept (same name, target and auth)
    // keeps its last reading; a refresh under way is left to end unseen and its waiters are
    // answered now.
    void Configure(const Config& config);

    // True when the view is fresh enough to show now. Otherwise starts a refresh unless one is
    // running, and calls `ready` once when it has ended; false.
    bool FreshOrWait(std::function<void()> ready);

    std::vector<PrinterView> Snapshot() const;

    // Calls every waiting `ready` now (shutdown).
    void ReleaseWaiters();

  private:
    void Refresh();  // with mutex_ held
    void Store(std::uint64_t generation, std::size_t index, ReadOutcome&& outcome);

    Launcher& launcher_;
    std::vector<TargetSpec> targets_;
    std::vector<Auth> auths_;
    mutable std::mutex mutex_;
    std::vector<PrinterView> views_;
    bool refreshing_ = false;
    std::size_t remaining_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastStart_;
    std::vector<std::function<void()>> waiters_;
    std::uint64_t generation_ = 0;  // of the printers' list; readings of an older one are dropped
};

}  // namespace exporter
