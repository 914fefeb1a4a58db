#include "exporter/status_cache.h"

#include <utility>

namespace exporter {
namespace {

void CutText(std::string& text) {
    if (text.size() <= VIEW_TEXT_BYTES) {
        return;
    }
    std::size_t end = VIEW_TEXT_BYTES;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;  // not inside a UTF-8 sequence
    }
    text.resize(end);
}

template <typename Rows>
void CutRows(Rows& rows) {
    if (rows.size() > VIEW_ROWS) {
        rows.resize(VIEW_ROWS);
    }
}

}  // namespace

void TrimForView(condition::Condition& condition) {
    for (std::string* text : {&condition.error, &condition.model, &condition.serial,
                              &condition.name, &condition.location, &condition.vendorStatus}) {
        CutText(*text);
    }
    CutRows(condition.supplies);
    CutRows(condition.inputs);
    CutRows(condition.alerts);
    CutRows(condition.markers);
    CutRows(condition.consoleLines);
    CutRows(condition.reasons);
    for (auto& supply : condition.supplies) {
        CutText(supply.description);
        CutText(supply.colour);
    }
    for (auto& input : condition.inputs) {
        CutText(input.name);
        CutText(input.media);
    }
    for (auto& alert : condition.alerts) {
        CutText(alert.description);
    }
    for (auto& line : condition.consoleLines) {
        CutText(line);
    }
    for (auto& reason : condition.reasons) {
        CutText(reason);
    }
}

StatusCache::StatusCache(const Config& config, Launcher& launcher) : launcher_(launcher) {
    Configure(config);
}

void StatusCache::Configure(const Config& config) {
    std::vector<TargetSpec> targets;
    std::vector<Auth> auths;
    std::vector<PrinterView> views;
    for (const PrinterEntry& printer : config.printers) {
        std::string why;
        // The configuration was checked when it was loaded.
        targets.push_back(ParseTarget(printer.target, why).value_or(TargetSpec{}));
        auths.push_back(config.auths.at(printer.auth));
        PrinterView view;
        // A printer without a friendly name is known by its address.
        view.name = printer.name.empty() ? printer.target : printer.name;
        view.target = printer.target;
        views.push_back(std::move(view));
    }
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < views.size(); ++i) {
            for (std::size_t j = 0; j < views_.size(); ++j) {
                if (views_[j].name == views[i].name && views_[j].target == views[i].target &&
                    auths_[j].name == auths[i].name && auths_[j].community == auths[i].community &&
                    auths_[j].version == auths[i].version) {
                    views[i] = views_[j];
                    break;
                }
            }
        }
        targets_ = std::move(targets);
        auths_ = std::move(auths);
        views_ = std::move(views);
        ++generation_;
        refreshing_ = false;
        lastStart_.reset();
        ready.swap(waiters_);
    }
    for (auto& call : ready) {
        call();
    }
}

bool StatusCache::FreshOrWait(std::function<void()> ready) {
    std::lock_guard lock(mutex_);
    auto now = std::chrono::steady_clock::now();
    if (views_.empty() || (!refreshing_ && lastStart_ && now - *lastStart_ < REFRESH_INTERVAL)) {
        return true;
    }
    waiters_.push_back(std::move(ready));
    if (!refreshing_) {
        lastStart_ = now;
        Refresh();
    }
    return false;
}

void StatusCache::Refresh() {
    refreshing_ = true;
    remaining_ = views_.size();
    auto deadline = *lastStart_ + PAGE_READ_TIMEOUT;
    const std::uint64_t generation = generation_;
    for (std::size_t i = 0; i < views_.size() && generation == generation_; ++i) {
        // The launcher may answer on this thread (an address outside the allow-list): Store
        // must not take the lock then, so the reading starts after it is released.
        auto target = targets_[i];
        auto auth = auths_[i];
        mutex_.unlock();
        launcher_.Read(target, auth, deadline, [this, generation, i](ReadOutcome&& outcome) {
            Store(generation, i, std::move(outcome));
        });
        mutex_.lock();
    }
}

void StatusCache::Store(std::uint64_t generation, std::size_t index, ReadOutcome&& outcome) {
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_) {
            return;  // a reading of the printers before a reload
        }
        PrinterView& view = views_[index];
        view.read = true;
        view.condition = std::move(outcome.condition);
        if (outcome.forbidden) {
            view.condition.error = outcome.refusal;
        }
        TrimForView(view.condition);
        if (view.condition.answered) {
            view.lastAnswered = std::chrono::system_clock::now();
        }
        if (--remaining_ == 0) {
            refreshing_ = false;
            ready.swap(waiters_);
        }
    }
    for (auto& call : ready) {
        call();
    }
}

std::vector<PrinterView> StatusCache::Snapshot() const {
    std::lock_guard lock(mutex_);
    return views_;
}

void StatusCache::ReleaseWaiters() {
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(waiters_);
    }
    for (auto& call : ready) {
        call();
    }
}

}  // namespace exporter
