// vellumark-exporter: printers' condition for Prometheus (see vellumark-exporter(1)).
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "apps/exporter/engine_reader.h"
#include "apps/exporter/options.h"
#include "exporter/config.h"
#include "exporter/launcher.h"
#include "exporter/resolver.h"
#include "exporter/self_metrics.h"
#include "exporter/server.h"
#include "exporter/status_cache.h"
#include "vellumark/version.h"

namespace {

constexpr auto TICK = std::chrono::milliseconds(250);
constexpr auto SHUTDOWN_GRACE = std::chrono::milliseconds(700);

// Thousands of probes each hold a connection and a socket: the soft limit of 1024 is too few.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace exporter;
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options,
                      error)) {
        std::cerr << "vellumark-exporter: " << error << "\n";
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    if (options.version) {
        std::cout << "vellumark-exporter " VELLUMARK_VERSION "\n";
        return 0;
    }
    Config config;
    if (!options.configPath.empty() && !LoadConfig(options.configPath, config, error)) {
        std::cerr << "vellumark-exporter: " << error << "\n";
        return 2;
    }
    RaiseDescriptorLimit();

    // Every thread started from here on inherits the blocked signals: only the loop below
    // takes them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SelfMetrics metrics;
    std::unique_ptr<condition::Reader> reader = MakeEngineReader();
    auto resolver = std::make_unique<Resolver>();
    if (!resolver->Ready(&error)) {
        std::cerr << "vellumark-exporter: " << error << "\n";
        return 1;
    }
    Launcher launcher(*reader, *resolver, options.allow);
    StatusCache cache(config, launcher);
    ServerOptions serverOptions;
    serverOptions.listen = options.listen;
    serverOptions.limits.maxProbes = options.maxProbes;
    serverOptions.limits.longestReading = std::chrono::milliseconds(
        static_cast<long long>(std::llround(options.maxScrapeTimeout * 1000)));
    Server server(serverOptions, config, launcher, cache, metrics, *reader);
    if (!server.Start(error)) {
        std::cerr << "vellumark-exporter: " << error << "\n";
        return 1;
    }
    std::cout << "listening on port " << server.Port() << std::endl;

    timespec tick{0, std::chrono::nanoseconds(TICK).count()};
    while (true) {
        int signal = sigtimedwait(&signals, nullptr, &tick);
        if (signal == SIGTERM || signal == SIGINT) {
            break;
        }
        server.CutSlowClients();
    }
    server.Shutdown(SHUTDOWN_GRACE);
    // No reading may call back into what is destroyed below.
    resolver.reset();
    reader.reset();
    return 0;
}
