// Bounded name resolution on POSIX: the lookup runs on a std::thread of its own, detached, and
// shares its record with the caller; whichever lets go last frees it.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "platform/net/resolve_wait.h"

namespace net {
namespace {

struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    Endpoint address;
    std::string why;
};

}  // namespace

bool WaitForLookup(const std::string& host, int timeoutMs, Endpoint* address, std::string* why) {
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host] {
            Endpoint found;
            std::string reason;
            const bool ok = ResolveHostBlocking(host.c_str(), 0, &found, &reason);
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->found = ok;
            lookup->address = found;
            lookup->why = std::move(reason);
            lookup->done = true;
            lookup->finished.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        *why = "no thread for the lookup";
        return false;
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return lookup->done; })) {
        *why = "did not resolve within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    if (!lookup->found) {
        *why = lookup->why;
        return false;
    }
    *address = lookup->address;
    return true;
}

}  // namespace net
