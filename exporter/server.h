// The exporter's HTTP server on libmicrohttpd: /probe, /metrics, the status page, /-/healthy
// and POST /-/reload, with every resource bounded; over TLS and behind basic authentication
// when the web configuration asks. One polling thread serves every connection; a
// reading or a stale page suspends its connection and is resumed from the resolver's or
// reader's thread, so a slow printer never holds up another request. Beyond the cap on readings
// in flight a /probe request gets 503 at once; a client that has not sent its whole request
// within the receive limit is cut off, and a reading whose client closed its connection gives
// its slot back (CutSlowClients, called periodically); a client's scrape timeout is capped;
// connections, per-connection memory and idle time are capped by libmicrohttpd.
//
// Lifetime: Shutdown answers every waiting request (503) and stops within the grace time; the
// launcher's resolver and reader must be destroyed after Shutdown and before the server.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "exporter/config.h"
#include "exporter/launcher.h"
#include "exporter/live_config.h"
#include "exporter/self_metrics.h"
#include "exporter/status_cache.h"
#include "exporter/web_config.h"
#include "platform/net/net.h"

namespace exporter {

inline constexpr std::uint16_t DEFAULT_PORT = 10305;

// ":10305": every address, IPv6 and IPv4, on DEFAULT_PORT.
inline std::string DefaultListen() {
    return std::string(":").append(std::to_string(DEFAULT_PORT));
}

struct ServerLimits {
    int maxProbes = 2000;                          // the default of --max-probes
    int maxConnections = 4096;                     // open connections
    std::size_t connectionMemory = 32 * 1024;      // per connection: request line, headers
    std::chrono::milliseconds receiveLimit{5000};  // to send a whole request
    unsigned idleTimeoutSeconds = 60;
    // The longest reading a client may ask for (its scrape-timeout header is cut to this).
    std::chrono::milliseconds longestReading{30000};  // --max-scrape-timeout
};

struct ServerOptions {
    std::string listen = DefaultListen();
    ServerLimits limits;
    std::chrono::milliseconds defaultReadingTimeout{10000};
    std::chrono::milliseconds timeoutMargin{500};  // taken from Prometheus's scrape timeout
    WebConfig web;                                 // TLS and users; empty: plain HTTP, open
    // What POST /-/reload runs (on the server's thread): false with the reason when the new
    // configuration was refused. Unset: /-/reload is 404.
    std::function<bool(std::string& error)> reload;
};

// "ADDR:PORT", "[IPv6]:PORT" or ":PORT" (every address, IPv6 and IPv4: `dualStack`).
bool ParseListenAddress(const std::string& text, net::Endpoint& address, bool& dualStack,
                        std::string& error);

// How long a reading may take given the X-Prometheus-Scrape-Timeout-Seconds header (nullptr
// when absent): the header, cut to `longest`, less the margin (but at least half of it); else
// the default, cut to `longest`.
std::chrono::milliseconds ReadingTimeout(const char* header, std::chrono::milliseconds fallback,
                                         std::chrono::milliseconds margin,
                                         std::chrono::milliseconds longest);

class Server {
  public:
    // Each probe takes the configuration in force from `live` when it starts (its auths, the cap
    // on probes in flight).
    Server(ServerOptions options, const LiveConfig& live, Launcher& launcher, StatusCache& cache,
           SelfMetrics& metrics, const condition::Reader& reader);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Start(std::string& error);
    std::uint16_t Port() const;

    // Cuts the clients too slow to send their request and releases the readings whose client
    // left. Called periodically (a few times a second).
    void CutSlowClients();
    void Shutdown(std::chrono::milliseconds grace);

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace exporter
