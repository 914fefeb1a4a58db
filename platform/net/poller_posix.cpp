// The poller on Linux: epoll, with an eventfd that PollerWake writes to.
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/net/poller.h"
#include "udp_socket.h"

namespace net {

struct Poller {
    int epoll = -1;
    int wake = -1;
};

namespace {
constexpr int EVENTS_PER_WAIT = 64;
// The wake's entry carries 0; a socket's carries its token plus one.
constexpr std::uint64_t WAKE_ENTRY = 0;
}  // namespace

Poller* PollerOpen() {
    auto* poller = new (std::nothrow) Poller;
    if (poller == nullptr) {
        return nullptr;
    }
    poller->epoll = epoll_create1(EPOLL_CLOEXEC);
    poller->wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = WAKE_ENTRY;
    if (poller->epoll < 0 || poller->wake < 0 ||
        epoll_ctl(poller->epoll, EPOLL_CTL_ADD, poller->wake, &event) != 0) {
        PollerClose(poller);
        return nullptr;
    }
    return poller;
}

void PollerClose(Poller* poller) {
    if (poller == nullptr) {
        return;
    }
    if (poller->wake >= 0) {
        close(poller->wake);
    }
    if (poller->epoll >= 0) {
        close(poller->epoll);
    }
    delete poller;
}

bool PollerAdd(Poller* poller, UdpSocket* socket, std::uint64_t token) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = token + 1;
    return epoll_ctl(poller->epoll, EPOLL_CTL_ADD, socket->fd, &event) == 0;
}

void PollerRemove(Poller* poller, UdpSocket* socket) {
    epoll_ctl(poller->epoll, EPOLL_CTL_DEL, socket->fd, nullptr);
}

bool PollerWait(Poller* poller, int timeoutMs, std::vector<std::uint64_t>* ready) {
    ready->clear();
    epoll_event events[EVENTS_PER_WAIT];
    const int count =
        epoll_wait(poller->epoll, events, EVENTS_PER_WAIT, timeoutMs < 0 ? -1 : timeoutMs);
    if (count < 0) {
        return errno == EINTR;
    }
    for (int i = 0; i < count; ++i) {
        if (events[i].data.u64 == WAKE_ENTRY) {
            std::uint64_t wakes = 0;
            [[maybe_unused]] const ssize_t got = read(poller->wake, &wakes, sizeof wakes);
        } else {
            ready->push_back(events[i].data.u64 - 1);
        }
    }
    return true;
}

void PollerWake(Poller* poller) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(poller->wake, &one, sizeof one);
}

}  // namespace net
