// vellumark-exporter: printers' condition for Prometheus (see vellumark-exporter(1)).
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <mutex>

#include "apps/exporter/engine_reader.h"
#include "exporter/config.h"
#include "exporter/launcher.h"
#include "exporter/resolver.h"
#include "exporter/self_metrics.h"
#include "exporter/server.h"
#include "exporter/status_cache.h"
#include "options/exporter_options.h"
#include "options/exporter_settings.h"
#include "vellumark/version.h"

namespace {

constexpr auto TICK = std::chrono::milliseconds(250);
constexpr auto SHUTDOWN_GRACE = std::chrono::milliseconds(700);

// When a file was last changed, as far as a reload needs to know; 0 when it cannot be read.
long long ChangedAt(const std::string& path) {
    struct stat about {};
    if (path.empty() || stat(path.c_str(), &about) != 0) {
        return 0;
    }
    return static_cast<long long>(about.st_mtim.tv_sec) * 1000000000LL + about.st_mtim.tv_nsec;
}

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
    auto settings = std::make_shared<Settings>();
    if (!LoadSettings(options, *settings, error)) {
        std::cerr << "vellumark-exporter: " << error << "\n";
        return 2;
    }
    ServerOptions serverOptions;
    serverOptions.listen = ListenAddress(options, settings->config);
    const std::string webConfig = WebConfigPath(options, settings->config);
    if (!webConfig.empty() && !LoadWebConfig(webConfig, serverOptions.web, error)) {
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
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SelfMetrics metrics;
    metrics.ConfigLoaded(true);
    std::unique_ptr<condition::Reader> reader = MakeEngineReader();
    auto resolver = std::make_unique<Resolver>();
    if (!resolver->Ready(&error)) {
        std::cerr << "vellumark-exporter: " << error << "\n";
        return 1;
    }
    Launcher launcher(*reader, *resolver, settings->allow);
    StatusCache cache(settings->config, launcher);
    LiveConfig live(settings);

    // SIGHUP and POST /-/reload: a configuration that does not load changes nothing.
    std::mutex reloading;
    // The printers file is Prometheus's list too, which Prometheus re-reads when it changes:
    // so does the exporter, or a printer just added would be refused its auth.
    std::string printersPath = settings->config.printersPath;
    long long printersChanged = ChangedAt(printersPath);
    auto reload = [&](std::string& why) {
        std::lock_guard lock(reloading);
        auto next = std::make_shared<Settings>();
        if (!LoadSettings(options, *next, why)) {
            printersChanged = ChangedAt(printersPath);  // one refusal per change
            metrics.ConfigLoaded(false);
            std::cerr << "vellumark-exporter: configuration refused, the previous one stays in "
                         "force: "
                      << why << std::endl;
            return false;
        }
        if (ListenAddress(options, next->config) != serverOptions.listen ||
            WebConfigPath(options, next->config) != webConfig) {
            std::cerr << "vellumark-exporter: listen and web_config take effect at the next "
                         "start"
                      << std::endl;
        }
        printersPath = next->config.printersPath;
        printersChanged = ChangedAt(printersPath);
        launcher.SetAllowList(next->allow);
        cache.Configure(next->config);
        live.Set(std::move(next));
        metrics.ConfigLoaded(true);
        std::cerr << "vellumark-exporter: configuration reloaded" << std::endl;
        return true;
    };
    serverOptions.limits.longestReading = std::chrono::milliseconds(
        static_cast<long long>(std::llround(options.maxScrapeTimeout * 1000)));
    serverOptions.reload = reload;
    Server server(serverOptions, live, launcher, cache, metrics, *reader);
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
        std::string why;
        if (signal == SIGHUP) {
            reload(why);
        } else {
            bool changed = false;
            {
                std::lock_guard lock(reloading);
                changed = !printersPath.empty() && ChangedAt(printersPath) != printersChanged;
            }
            if (changed) {
                reload(why);
            }
        }
        server.CutSlowClients();
    }
    server.Shutdown(SHUTDOWN_GRACE);
    // No reading may call back into what is destroyed below.
    resolver.reset();
    reader.reset();
    return 0;
}
