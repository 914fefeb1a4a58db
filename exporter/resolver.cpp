#include "exporter/resolver.h"

#include <ares.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/net/socket_address.h"

namespace exporter {
namespace {

using Clock = std::chrono::steady_clock;

// A long time to live is cut: a printer given a new address is found within a day at most.
constexpr std::chrono::seconds LONGEST_KEPT{86400};

struct Request;
using DeadlineMap = std::multimap<Clock::time_point, std::shared_ptr<Request>>;

struct Request {
    std::string host;
    std::uint16_t port = 0;
    Clock::time_point deadline;
    ResolveDone done;  // cleared once called: whoever clears it answers
    DeadlineMap::iterator entry;
};

struct Known {
    net::Endpoint endpoint;
    Clock::time_point until;
};

// The first IPv4 address among the answers, else the first IPv6 one; its time to live.
bool Choose(const ares_addrinfo* result, net::Endpoint& endpoint, int& ttl) {
    const ares_addrinfo_node* chosen = nullptr;
    for (const ares_addrinfo_node* node = result ? result->nodes : nullptr; node != nullptr;
         node = node->ai_next) {
        if (node->ai_family == AF_INET) {
            chosen = node;
            break;
        }
        if (node->ai_family == AF_INET6 && chosen == nullptr) {
            chosen = node;
        }
    }
    if (chosen == nullptr || chosen->ai_addr == nullptr) {
        return false;
    }
    sockaddr_storage address{};
    const auto length = std::min<std::size_t>(chosen->ai_addrlen, sizeof address);
    std::memcpy(&address, chosen->ai_addr, length);
    ttl = chosen->ai_ttl;
    return net::FromSockaddr(address, static_cast<long>(length), &endpoint);
}

}  // namespace

struct Resolver::State {
    ResolverOptions options;
    std::string failure;  // why lookups cannot start; empty when they can
    ares_channel channel = nullptr;
    int wake = -1;
    std::thread thread;

    // Shared with the callers.
    std::mutex mutex;
    std::vector<std::shared_ptr<Request>> incoming;
    std::atomic<std::size_t> pending{0};  // accepted and not answered yet
    bool stopping = false;

    // The resolver's thread's own.
    DeadlineMap deadlines;
    std::unordered_map<std::string, std::vector<std::shared_ptr<Request>>> lookups;  // by name
    std::unordered_map<std::string, Known> known;

    void Answer(Request& request, Resolution resolution) {
        if (!request.done) {
            return;
        }
        ResolveDone done = std::move(request.done);
        request.done = nullptr;
        deadlines.erase(request.entry);
        --pending;
        done(std::move(resolution));
    }

    void Start(const std::shared_ptr<Request>& request) {
        request->entry = deadlines.emplace(request->deadline, request);
        const auto now = Clock::now();
        if (auto it = known.find(request->host); it != known.end()) {
            if (it->second.until > now) {
                net::Endpoint endpoint = it->second.endpoint;
                endpoint.port = request->port;
                Answer(*request, Resolution{true, endpoint, ""});
                return;
            }
            known.erase(it);
        }
        auto [lookup, fresh] = lookups.try_emplace(request->host);
        lookup->second.push_back(request);
        if (!fresh) {
            return;  // the name is being looked up: this request waits for that answer
        }
        ares_addrinfo_hints hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_DGRAM;
        // The key is the map's: it outlives the lookup. c-ares copies the name. May call back
        // at once (a name from /etc/hosts, a malformed name).
        ares_getaddrinfo(channel, lookup->first.c_str(), nullptr, &hints, &State::OnAnswer,
                         new std::pair<State*, std::string>(this, request->host));
    }

    static void OnAnswer(void* argument, int status, int /*timeouts*/, ares_addrinfo* result) {
        std::unique_ptr<std::pair<State*, std::string>> context(
            static_cast<std::pair<State*, std::string>*>(argument));
        State& state = *context->first;
        if (status == ARES_EDESTRUCTION) {
            return;  // the resolver is being destroyed: nobody is answered any more
        }
        Resolution resolution;
        int ttl = 0;
        if (status != ARES_SUCCESS) {
            resolution.error = std::string("name lookup failed: ") + ares_strerror(status);
        } else if (!Choose(result, resolution.endpoint, ttl)) {
            resolution.error = "name lookup failed: no IPv4 or IPv6 address";
        } else {
            resolution.ok = true;
        }
        if (result != nullptr) {
            ares_freeaddrinfo(result);
        }
        const std::string& host = context->second;
        if (resolution.ok && ttl > 0) {
            state.Remember(host, resolution.endpoint, std::chrono::seconds(ttl));
        }
        auto it = state.lookups.find(host);
        if (it == state.lookups.end()) {
            return;
        }
        std::vector<std::shared_ptr<Request>> waiting = std::move(it->second);
        state.lookups.erase(it);
        for (const auto& request : waiting) {
            Resolution answer = resolution;
            answer.endpoint.port = request->port;
            state.Answer(*request, std::move(answer));
        }
    }

    void Remember(const std::string& host, net::Endpoint endpoint, std::chrono::seconds ttl) {
        const auto now = Clock::now();
        if (known.size() >= options.maxCached) {
            std::erase_if(known, [now](const auto& entry) { return entry.second.until <= now; });
            if (known.size() >= options.maxCached) {
                return;
            }
        }
        known[host] = Known{endpoint, now + std::min(ttl, LONGEST_KEPT)};
    }

    void Expire() {
        const auto now = Clock::now();
        while (!deadlines.empty() && deadlines.begin()->first <= now) {
            std::shared_ptr<Request> request = deadlines.begin()->second;
            Answer(*request, Resolution{false, {}, "name lookup timed out"});
        }
    }

    // Until the next deadline or c-ares's next time-out, whichever is first.
    int WaitMs() {
        timeval longest{1, 0};
        timeval until{};
        const timeval* next = ares_timeout(channel, &longest, &until);
        long ms = next->tv_sec * 1000 + (next->tv_usec + 999) / 1000;
        if (!deadlines.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadlines.begin()->first - Clock::now());
            ms = std::min<long>(ms, std::max<long>(0, left.count()));
        }
        return static_cast<int>(ms);
    }

    void Loop() {
        while (true) {
            ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
            const int bits = ares_getsock(channel, sockets, ARES_GETSOCK_MAXNUM);
            std::vector<pollfd> watched{{wake, POLLIN, 0}};
            for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
                short events = (ARES_GETSOCK_READABLE(bits, i) ? POLLIN : 0) |
                               (ARES_GETSOCK_WRITABLE(bits, i) ? POLLOUT : 0);
                if (events != 0) {
                    watched.push_back({sockets[i], events, 0});
                }
            }
            ::poll(watched.data(), watched.size(), WaitMs());
            std::vector<std::shared_ptr<Request>> taken;
            {
                std::lock_guard lock(mutex);
                if (stopping) {
                    return;
                }
                taken.swap(incoming);
            }
            if (watched[0].revents != 0) {
                eventfd_t count;
                eventfd_read(wake, &count);
            }
            for (std::size_t i = 1; i < watched.size(); ++i) {
                const short seen = watched[i].revents;
                if (seen != 0) {
                    ares_process_fd(
                        channel,
                        seen & (POLLIN | POLLERR | POLLHUP) ? watched[i].fd : ARES_SOCKET_BAD,
                        seen & POLLOUT ? watched[i].fd : ARES_SOCKET_BAD);
                }
            }
            ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);  // c-ares's time-outs
            for (const auto& request : taken) {
                Start(request);
            }
            Expire();
        }
    }
};

Resolver::Resolver(ResolverOptions options) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.options = std::move(options);
    static const int initialised = ares_library_init(ARES_LIB_INIT_ALL);
    int status = initialised;
    if (status == ARES_SUCCESS) {
        status = ares_init(&state.channel);
    }
    if (status == ARES_SUCCESS && !state.options.servers.empty()) {
        status = ares_set_servers_ports_csv(state.channel, state.options.servers.c_str());
    }
    state.wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (status != ARES_SUCCESS) {
        state.failure = std::string("name lookups cannot start: ") + ares_strerror(status);
    } else if (state.wake < 0) {
        state.failure = std::string("name lookups cannot start: ") + std::strerror(errno);
    } else {
        state.thread = std::thread([&state] { state.Loop(); });
    }
}

Resolver::~Resolver() {
    State& state = *state_;
    {
        std::lock_guard lock(state.mutex);
        state.stopping = true;
    }
    if (state.thread.joinable()) {
        eventfd_write(state.wake, 1);
        state.thread.join();
    }
    for (auto& [deadline, request] : state.deadlines) {
        request->done = nullptr;
    }
    if (state.channel != nullptr) {
        ares_destroy(state.channel);  // calls back with ARES_EDESTRUCTION: nobody is answered
    }
    if (state.wake >= 0) {
        ::close(state.wake);
    }
}

bool Resolver::Ready(std::string* why) const {
    if (why != nullptr) {
        *why = state_->failure;
    }
    return state_->failure.empty();
}

void Resolver::Resolve(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                       ResolveDone done) {
    State& state = *state_;
    if (!state.failure.empty()) {
        done(Resolution{false, {}, state.failure});
        return;
    }
    std::unique_lock lock(state.mutex);
    if (state.pending >= state.options.maxPending) {
        lock.unlock();
        done(Resolution{false, {}, "too many name lookups in progress"});
        return;
    }
    ++state.pending;
    // Its deadline is entered on the resolver's thread; until then the request is `incoming`.
    state.incoming.push_back(
        std::make_shared<Request>(Request{host, port, deadline, std::move(done), {}}));
    lock.unlock();
    eventfd_write(state.wake, 1);
}

}  // namespace exporter
