// For the tests that need a network of their own (only `lo`, sysctls set freely, privileges
// dropped): the body runs in a forked child, which makes its namespaces, and hands its plain-data
// outcome back through a pipe. Needs root: without it the outcome's `skip` says so.
#pragma once

#include <grp.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

// In the child: a new network namespace (and whatever `moreNamespaces` adds) with `lo` up. False,
// with the reason in `skip`, when this machine cannot make it.
inline bool EnterPrivateNetwork(char (&skip)[128], int moreNamespaces = 0) {
    ifreq lo{};
    std::strcpy(lo.ifr_name, "lo");
    lo.ifr_flags = IFF_UP;
    const bool entered = unshare(CLONE_NEWNET | moreNamespaces) == 0;
    const int control = entered ? socket(AF_INET, SOCK_DGRAM, 0) : -1;
    if (!entered || ioctl(control, SIOCSIFFLAGS, &lo) != 0) {
        std::snprintf(skip, sizeof skip, "no private network: %s", std::strerror(errno));
    }
    close(control);
    return skip[0] == '\0';
}

// In the child: writes a sysctl's /proc file; false when it cannot.
inline bool WriteSysctl(const char* path, const char* value) {
    std::ofstream sysctl(path);
    return static_cast<bool>(sysctl << value << std::flush);
}

// In the child: becomes nobody:nogroup with no other groups; false when it cannot.
inline bool BecomeNobody() {
    return setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 &&
           setresuid(65534, 65534, 65534) == 0;
}

// Runs `body(outcome)` in a child. False when the child reported nothing.
template <typename Outcome, typename Body>
bool RunInChild(Outcome& outcome, const Body& body) {
    int fds[2];
    if (geteuid() != 0 || pipe(fds) != 0) {
        std::snprintf(outcome.skip, sizeof outcome.skip, "a private network needs root");
        return true;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        body(outcome);
        _exit(write(fds[1], &outcome, sizeof outcome) == sizeof outcome ? 0 : 1);
    }
    close(fds[1]);
    const bool reported = read(fds[0], &outcome, sizeof outcome) == sizeof outcome;
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return reported;
}
