#include "tools/printer-sim/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace sim {
namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void OnSignal(int number) {
    char code = number == SIGUSR1 ? '1' : number == SIGUSR2 ? '2' : 'T';
    int saved = errno;
    [[maybe_unused]] ssize_t ignored = write(g_signalPipe[1], &code, 1);
    errno = saved;
}

}  // namespace

bool InstallSignalHandlers() {
    if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    // Without this a second signal could interrupt the first handler before its byte is
    // written, and the two would be applied in the wrong order.
    sigemptyset(&action.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigaddset(&action.sa_mask, number);
    }
    for (int number : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigaction(number, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int SignalFd() {
    return g_signalPipe[0];
}

bool ApplySignals(SimState& state, std::vector<std::string>& notes) {
    char codes[64];
    bool stop = false;
    ssize_t count = 0;
    while ((count = read(g_signalPipe[0], codes, sizeof codes)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            if (codes[i] == '1' || codes[i] == '2') {
                for (Printer& printer : state.printers) {
                    printer.faults.silent = codes[i] == '1';
                }
                notes.push_back(std::string("signal: silence ") + (codes[i] == '1' ? "on" : "off"));
            } else {
                stop = true;
            }
        }
    }
    return stop;
}

}  // namespace sim
