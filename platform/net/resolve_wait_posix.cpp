// Bounded name resolution on POSIX: getaddrinfo runs on a worker thread of its own and the
// caller waits for it at most the time it was given. A lookup that outlives its caller finishes
// alone and frees what it shared; nothing waits for it.
#include <arpa/inet.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/net/net.h"

namespace net {
namespace {

struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    std::uint32_t address = 0;
};

}  // namespace

bool ResolveIPv4(const char* host, int timeoutMs, std::uint32_t* address) {
    if (host == nullptr || address == nullptr || *host == '\0') {
        return false;
    }
    in_addr dotted{};
    if (inet_pton(AF_INET, host, &dotted) == 1) {
        *address = dotted.s_addr;
        return true;
    }
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, name = std::string(host)] {
            std::uint32_t found = 0;
            const bool ok = ResolveIPv4Blocking(name.c_str(), &found);
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->found = ok;
            lookup->address = found;
            lookup->done = true;
            lookup->finished.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        return false;  // no thread to be had: nothing resolves rather than an unbounded wait
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0),
                                   [&] { return lookup->done; })) {
        return false;
    }
    if (lookup->found) {
        *address = lookup->address;
    }
    return lookup->found;
}

}  // namespace net
