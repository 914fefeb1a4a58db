#include "exporter/server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "exporter/address.h"
#include "exporter/reading_metrics.h"
#include "exporter/status_page.h"
#include "platform/net/net.h"
#include "platform/net/socket_address.h"
#include "text/target_syntax.h"

namespace exporter {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* PLAIN_TEXT = "text/plain; charset=utf-8";
constexpr const char* EXPOSITION = "text/plain; version=0.0.4; charset=utf-8";
constexpr const char* HTML = "text/html; charset=utf-8";
constexpr std::size_t MAX_ECHOED_BYTES = 64;
// The page's parameters are echoed into it (the search box): a target or a search is short.
constexpr std::size_t MAX_QUERY_BYTES = 256;
constexpr const char* REALM = "vellumark-exporter";

// A request answered later: a reading, or a page waiting for the printers' refresh.
struct Pending {
    std::mutex mutex;
    MHD_Connection* connection = nullptr;
    bool page = false;
    bool ready = false;      // the answer is known; set once
    bool suspended = false;  // the connection waits for MHD_resume_connection
    bool aborted = false;    // the exporter is shutting down
    bool abandoned = false;  // the client left first; the reading still runs to its end
    Clock::time_point start;
    double seconds = 0;
    ReadOutcome outcome;
};

struct Connection {
    int fd = -1;
    Clock::time_point since;  // when the request being received started to arrive
    bool receiving = true;    // its line and headers are not all in yet
    bool cut = false;
};

// Printable ASCII of a client's text, cut, for echoing in a one-line reason.
std::string Echo(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, MAX_ECHOED_BYTES)) {
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    if (text.size() > MAX_ECHOED_BYTES) {
        out += "...";
    }
    return out;
}

MHD_Result Answer(MHD_Connection* connection, unsigned status, const std::string& body,
                  const char* contentType) {
    MHD_Response* response = MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result Reason(MHD_Connection* connection, unsigned status, const std::string& reason) {
    return Answer(connection, status, reason + "\n", PLAIN_TEXT);
}

const char* Argument(MHD_Connection* connection, const char* name) {
    return MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, name);
}

}  // namespace

struct Server::Impl {
    ServerOptions options;
    const LiveConfig& live;
    PasswordCheck passwords;
    Launcher& launcher;
    StatusCache& cache;
    SelfMetrics& metrics;
    const condition::Reader& reader;

    MHD_Daemon* daemon = nullptr;
    std::atomic<bool> stopping{false};
    // Readings whose client left, still running in the reader (which cannot stop one early):
    // bounded as readings in flight are, so that connecting and leaving cannot pile them up.
    std::atomic<int> abandoned{0};

    std::mutex pendingMutex;
    std::unordered_map<Pending*, std::shared_ptr<Pending>> pendings;

    std::mutex connectionMutex;
    std::unordered_map<MHD_Connection*, Connection> connections;

    Impl(ServerOptions o, const LiveConfig& c, Launcher& l, StatusCache& s, SelfMetrics& m,
         const condition::Reader& r)
        : options(std::move(o)),
          live(c),
          passwords(options.web.users),
          launcher(l),
          cache(s),
          metrics(m),
          reader(r) {}

    // --- answers that come later -------------------------------------------------------

    std::shared_ptr<Pending> Register(MHD_Connection* connection, void** context, bool page) {
        auto pending = std::make_shared<Pending>();
        pending->connection = connection;
        pending->page = page;
        pending->start = Clock::now();
        {
            std::lock_guard lock(pendingMutex);
            pendings.emplace(pending.get(), pending);
        }
        *context = pending.get();
        return pending;
    }

    // The first call wins; resumes the connection if it already waits.
    void Complete(Pending& pending, ReadOutcome* outcome, bool aborted) {
        std::lock_guard lock(pending.mutex);
        if (pending.ready) {
            if (pending.abandoned && outcome != nullptr) {
                pending.abandoned = false;  // the reading's own end, after its client's
                --abandoned;
            }
            return;
        }
        pending.ready = true;
        pending.aborted = aborted;
        pending.seconds = std::chrono::duration<double>(Clock::now() - pending.start).count();
        if (outcome != nullptr) {
            pending.outcome = std::move(*outcome);
        }
        if (!pending.page) {
            ReadingResult result = aborted                     ? ReadingResult::Aborted
                                   : pending.outcome.forbidden ? ReadingResult::Forbidden
                                   : pending.outcome.condition.answered
                                       ? ReadingResult::Success
                                       : ReadingResult::Unreachable;
            metrics.Finish(result, pending.seconds);
        }
        if (pending.suspended) {
            pending.suspended = false;
            MHD_resume_connection(pending.connection);
        }
    }

    // Suspends the connection until Complete, or answers now if it already came.
    MHD_Result WaitOrAnswer(MHD_Connection* connection, Pending& pending) {
        {
            std::lock_guard lock(pending.mutex);
            if (!pending.ready) {
                pending.suspended = true;
                MHD_suspend_connection(connection);
                return MHD_YES;
            }
        }
        return AnswerPending(connection, pending);
    }

    // A reading's client that closed its connection gives its slot back at once; its
    // connection is resumed to be closed. Only a suspended connection is looked at: its socket
    // stays open (and is not reused) until it is resumed.
    void ReleaseAbandoned() {
        std::vector<std::pair<std::shared_ptr<Pending>, int>> waiting;
        {
            std::lock_guard lock(pendingMutex);
            std::lock_guard connectionsLock(connectionMutex);
            for (auto& [key, pending] : pendings) {
                auto it = connections.find(pending->connection);
                if (!pending->page && it != connections.end()) {
                    waiting.emplace_back(pending, it->second.fd);
                }
            }
        }
        for (auto& [pending, fd] : waiting) {
            std::lock_guard lock(pending->mutex);
            if (pending->ready || !pending->suspended || !PeerClosed(fd)) {
                continue;
            }
            pending->ready = true;
            pending->abandoned = true;
            ++abandoned;
            pending->seconds = std::chrono::duration<double>(Clock::now() - pending->start).count();
            metrics.Finish(ReadingResult::Abandoned, pending->seconds);
            pending->suspended = false;
            MHD_resume_connection(pending->connection);
        }
    }

    // The client closed (or reset) its side: nothing it sends can follow, and nobody reads.
    static bool PeerClosed(int fd) {
        char byte;
        const ssize_t got = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    }

    MHD_Result AnswerPending(MHD_Connection* connection, Pending& pending) {
        std::unique_lock lock(pending.mutex);
        if (pending.abandoned) {
            return MHD_NO;  // closes the connection
        }
        if (pending.aborted && !pending.page) {
            return Reason(connection, MHD_HTTP_SERVICE_UNAVAILABLE, "exporter is shutting down");
        }
        if (pending.page) {
            lock.unlock();
            return AnswerPage(connection);
        }
        if (pending.outcome.forbidden) {
            return Reason(connection, MHD_HTTP_FORBIDDEN, pending.outcome.refusal);
        }
        return Answer(connection, MHD_HTTP_OK,
                      RenderReading(pending.outcome.condition, pending.seconds), EXPOSITION);
    }

    // --- the endpoints -----------------------------------------------------------------

    MHD_Result Reading(MHD_Connection* connection, void** context) {
        auto refuse = [&](unsigned status, ReadingResult result, const std::string& reason) {
            metrics.Refuse(result);
            return Reason(connection, status, reason);
        };
        const char* target = Argument(connection, "target");
        if (target == nullptr) {
            return refuse(MHD_HTTP_BAD_REQUEST, ReadingResult::BadRequest,
                          "missing parameter 'target'");
        }
        std::string why;
        auto where = ParseTarget(target, why);
        if (!where) {
            return refuse(MHD_HTTP_BAD_REQUEST, ReadingResult::BadRequest, why);
        }
        // This probe's configuration, whatever a reload does meanwhile.
        const std::shared_ptr<const Settings> settings = live.Get();
        const int maxProbes = settings->maxProbes;
        const char* authName = Argument(connection, "auth");
        const auto& auths = settings->config.auths;
        auto auth = auths.find(std::string_view(authName ? authName : DEFAULT_AUTH));
        if (auth == auths.end()) {
            return refuse(MHD_HTTP_BAD_REQUEST, ReadingResult::BadRequest,
                          "unknown auth '" + Echo(authName) + "'");
        }
        Auth credentials = auth->second;
        if (const char* version = Argument(connection, "snmp_version")) {
            // An SNMPv3 auth holds no community to fall back on.
            if (credentials.version == condition::SnmpVersion::V3) {
                return refuse(
                    MHD_HTTP_BAD_REQUEST, ReadingResult::BadRequest,
                    "snmp_version does not apply to SNMPv3 auth '" + Echo(auth->first) + "'");
            }
            if (!ParseSnmpVersion(version, credentials.version)) {
                return refuse(MHD_HTTP_BAD_REQUEST, ReadingResult::BadRequest,
                              "snmp_version must be 1 or 2c, not '" + Echo(version) + "'");
            }
        }
        if (stopping) {
            return refuse(MHD_HTTP_SERVICE_UNAVAILABLE, ReadingResult::Aborted,
                          "exporter is shutting down");
        }
        if (abandoned >= maxProbes || !metrics.TryAdmit(maxProbes)) {
            return refuse(MHD_HTTP_SERVICE_UNAVAILABLE, ReadingResult::Overloaded,
                          "too many probes in flight (" + std::to_string(maxProbes) + ")");
        }
        auto timeout = ReadingTimeout(
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                        "X-Prometheus-Scrape-Timeout-Seconds"),
            options.defaultReadingTimeout, options.timeoutMargin, options.limits.longestReading);
        std::shared_ptr<Pending> pending = Register(connection, context, false);
        launcher.Read(
            *where, credentials, pending->start + timeout,
            [this, pending](ReadOutcome&& outcome) { Complete(*pending, &outcome, false); });
        return WaitOrAnswer(connection, *pending);
    }

    MHD_Result Page(MHD_Connection* connection, void** context) {
        std::shared_ptr<Pending> pending = Register(connection, context, true);
        if (cache.FreshOrWait([this, pending] { Complete(*pending, nullptr, false); })) {
            Complete(*pending, nullptr, false);
        }
        return WaitOrAnswer(connection, *pending);
    }

    MHD_Result AnswerPage(MHD_Connection* connection) {
        PageQuery query;
        for (auto [name, field] : {std::pair{"health", &query.health}, std::pair{"q", &query.text},
                                   std::pair{"printer", &query.printer}}) {
            if (const char* value = Argument(connection, name)) {
                *field = std::string(value).substr(0, MAX_QUERY_BYTES);
            }
        }
        auto page = RenderStatusPage(cache.Snapshot(), std::chrono::system_clock::now(), query);
        if (!page) {
            return Reason(connection, MHD_HTTP_NOT_FOUND,
                          "no printer '" + Echo(query.printer) + "' in the configuration");
        }
        return Answer(connection, MHD_HTTP_OK, *page, HTML);
    }

    // --- the web configuration's paths: basic authentication, reload --------------------

    // True when the request may go on; otherwise the 401 with the challenge is queued.
    bool Authenticated(MHD_Connection* connection, MHD_Result& answer) {
        if (!passwords.Required()) {
            return true;
        }
        char* password = nullptr;
        char* user = MHD_basic_auth_get_username_password(connection, &password);
        const bool ok = user != nullptr && password != nullptr && passwords.Verify(user, password);
        if (password != nullptr) {
            std::memset(password, 0, std::strlen(password));
        }
        MHD_free(user);
        MHD_free(password);
        if (ok) {
            return true;
        }
        const std::string body = "authentication required\n";
        MHD_Response* response = MHD_create_response_from_buffer(
            body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
        answer = MHD_NO;
        if (response != nullptr) {
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, PLAIN_TEXT);
            answer = MHD_queue_basic_auth_fail_response(connection, REALM, response);
            MHD_destroy_response(response);
        }
        return false;
    }

    MHD_Result Reload(MHD_Connection* connection) {
        std::string error;
        if (!options.reload(error)) {
            return Reason(connection, MHD_HTTP_INTERNAL_SERVER_ERROR,
                          "configuration refused, the previous one stays in force: " + error);
        }
        return Answer(connection, MHD_HTTP_OK, "configuration reloaded\n", PLAIN_TEXT);
    }

    // --- routing -----------------------------------------------------------------------

    MHD_Result Route(MHD_Connection* connection, const char* url, const char* method,
                     void** context) {
        std::string_view path(url);
        const bool post = std::strcmp(method, MHD_HTTP_METHOD_POST) == 0;
        if (post && path == "/-/reload" && options.reload) {
            return Reload(connection);
        }
        if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 &&
            std::strcmp(method, MHD_HTTP_METHOD_HEAD) != 0) {
            return Reason(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "only GET and HEAD");
        }
        const char* length =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
        if ((length != nullptr && std::strcmp(length, "0") != 0) ||
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Transfer-Encoding")) {
            return Reason(connection, MHD_HTTP_BAD_REQUEST, "a request body is not accepted");
        }
        if (path == "/probe") {
            return Reading(connection, context);
        }
        if (path == "/metrics") {
            return Answer(connection, MHD_HTTP_OK, metrics.Render(reader.Stats()), EXPOSITION);
        }
        if (path == "/") {
            return Page(connection, context);
        }
        if (path == "/-/healthy") {
            return Answer(connection, MHD_HTTP_OK, "Healthy\n", PLAIN_TEXT);
        }
        return Reason(connection, MHD_HTTP_NOT_FOUND, "not found: " + Echo(path));
    }

    // --- libmicrohttpd's callbacks -------------------------------------------------------

    static MHD_Result OnRequest(void* self, MHD_Connection* connection, const char* url,
                                const char* method, const char* /*version*/, const char* /*upload*/,
                                std::size_t* uploadSize, void** context) {
        auto* impl = static_cast<Impl*>(self);
        if (*context != nullptr) {  // resumed
            *uploadSize = 0;
            return impl->AnswerPending(connection, *static_cast<Pending*>(*context));
        }
        impl->HeadersIn(connection);
        MHD_Result refused = MHD_NO;
        if (!impl->Authenticated(connection, refused)) {
            return refused;
        }
        return impl->Route(connection, url, method, context);
    }

    static void OnCompleted(void* self, MHD_Connection* connection, void** context,
                            MHD_RequestTerminationCode /*code*/) {
        auto* impl = static_cast<Impl*>(self);
        if (*context != nullptr) {
            std::lock_guard lock(impl->pendingMutex);
            impl->pendings.erase(static_cast<Pending*>(*context));
            *context = nullptr;
        }
        std::lock_guard lock(impl->connectionMutex);
        auto it = impl->connections.find(connection);
        if (it != impl->connections.end()) {
            it->second.receiving = true;  // a kept-alive connection's next request
            it->second.since = Clock::now();
        }
    }

    static void OnConnection(void* self, MHD_Connection* connection, void** /*socket*/,
                             MHD_ConnectionNotificationCode code) {
        auto* impl = static_cast<Impl*>(self);
        std::lock_guard lock(impl->connectionMutex);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            Connection entry;
            entry.fd = info != nullptr ? info->connect_fd : -1;
            entry.since = Clock::now();
            impl->connections[connection] = entry;
        } else {
            // Called before libmicrohttpd closes the socket: CutSlowClients never touches a
            // descriptor that was closed and reused.
            impl->connections.erase(connection);
        }
    }

    void HeadersIn(MHD_Connection* connection) {
        std::lock_guard lock(connectionMutex);
        auto it = connections.find(connection);
        if (it != connections.end()) {
            it->second.receiving = false;
        }
    }
};

bool ParseListenAddress(const std::string& text, net::Endpoint& address, bool& dualStack,
                        std::string& error) {
    dualStack = false;
    std::string why;
    const auto split = SplitListenAddress(text, why);
    if (!split) {
        error = "listen address '" + text + "' (ADDR:PORT, [IPv6]:PORT or :PORT): " + why;
        return false;
    }
    if (split->host.empty()) {
        address = net::Endpoint{net::Family::IPv6, {}, split->port};  // every address
        dualStack = true;
        return true;
    }
    const auto literal = net::LiteralEndpoint(split->host, split->port);
    if (!literal || (split->ipv6 && literal->family != net::Family::IPv6)) {
        error = "listen address must be an IPv4 or IPv6 address, not '" + std::string(split->host) +
                "'";
        return false;
    }
    address = *literal;
    return true;
}

std::chrono::milliseconds ReadingTimeout(const char* header, std::chrono::milliseconds fallback,
                                         std::chrono::milliseconds margin,
                                         std::chrono::milliseconds longest) {
    fallback = std::min(fallback, longest);
    if (header == nullptr) {
        return fallback;
    }
    char* end = nullptr;
    double seconds = std::strtod(header, &end);
    if (end == header || *end != '\0' || !std::isfinite(seconds) || seconds <= 0) {
        return fallback;
    }
    // Bounded above so that a client's header cannot hold a probe's slot for long.
    double wanted = std::min(seconds, std::chrono::duration<double>(longest).count());
    double left = std::max(wanted - std::chrono::duration<double>(margin).count(), wanted / 2);
    return std::chrono::milliseconds(static_cast<long long>(left * 1000));
}

Server::Server(ServerOptions options, const LiveConfig& live, Launcher& launcher,
               StatusCache& cache, SelfMetrics& metrics, const condition::Reader& reader)
    : impl_(std::make_unique<Impl>(std::move(options), live, launcher, cache, metrics, reader)) {}

Server::~Server() {
    if (impl_->daemon != nullptr) {
        Shutdown(std::chrono::milliseconds(0));
    }
}

bool Server::Start(std::string& error) {
    net::Endpoint listen;
    bool dualStack = false;
    if (!ParseListenAddress(impl_->options.listen, listen, dualStack, error)) {
        return false;
    }
    sockaddr_storage address{};
    net::ToSockaddr(listen, &address);
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
    if (listen.family == net::Family::IPv6) {
        flags |= dualStack ? MHD_USE_DUAL_STACK : MHD_USE_IPv6;
    }
    const ServerLimits& limits = impl_->options.limits;
    // TLS only with a certificate: without a web configuration the listener is as it was.
    const WebConfig& web = impl_->options.web;
    std::vector<MHD_OptionItem> tls;
    if (!web.certificate.empty()) {
        flags |= MHD_USE_TLS;
        tls.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(web.certificate.c_str())});
        tls.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(web.key.c_str())});
    }
    tls.push_back({MHD_OPTION_END, 0, nullptr});
    impl_->daemon = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &Impl::OnRequest, impl_.get(), MHD_OPTION_SOCK_ADDR,
        reinterpret_cast<const sockaddr*>(&address), MHD_OPTION_CONNECTION_LIMIT,
        static_cast<unsigned>(limits.maxConnections), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        limits.connectionMemory, MHD_OPTION_CONNECTION_TIMEOUT, limits.idleTimeoutSeconds,
        MHD_OPTION_LISTEN_BACKLOG_SIZE, 1024u, MHD_OPTION_NOTIFY_COMPLETED, &Impl::OnCompleted,
        impl_.get(), MHD_OPTION_NOTIFY_CONNECTION, &Impl::OnConnection, impl_.get(),
        MHD_OPTION_ARRAY, tls.data(), MHD_OPTION_END);
    if (impl_->daemon == nullptr) {
        error = "cannot listen on " + impl_->options.listen + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::uint16_t Server::Port() const {
    const MHD_DaemonInfo* info = MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info != nullptr ? info->port : 0;
}

void Server::CutSlowClients() {
    impl_->ReleaseAbandoned();
    auto now = Clock::now();
    std::lock_guard lock(impl_->connectionMutex);
    for (auto& [connection, entry] : impl_->connections) {
        if (entry.receiving && !entry.cut && entry.fd >= 0 &&
            now - entry.since > impl_->options.limits.receiveLimit) {
            // The polling thread sees the end of the stream and closes the connection.
            ::shutdown(entry.fd, SHUT_RDWR);
            entry.cut = true;
        }
    }
}

void Server::Shutdown(std::chrono::milliseconds grace) {
    Impl& impl = *impl_;
    if (impl.daemon == nullptr) {
        return;
    }
    impl.stopping = true;
    std::vector<std::shared_ptr<Pending>> waiting;
    {
        std::lock_guard lock(impl.pendingMutex);
        for (auto& [key, pending] : impl.pendings) {
            waiting.push_back(pending);
        }
    }
    for (auto& pending : waiting) {
        impl.Complete(*pending, nullptr, true);
    }
    impl.cache.ReleaseWaiters();
    MHD_socket listener = MHD_quiesce_daemon(impl.daemon);
    if (listener != MHD_INVALID_SOCKET) {
        ::close(listener);
    }
    // Give the answers just released the grace time to be written.
    auto until = Clock::now() + grace;
    while (Clock::now() < until) {
        {
            std::lock_guard lock(impl.pendingMutex);
            if (impl.pendings.empty()) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    MHD_stop_daemon(impl.daemon);
    impl.daemon = nullptr;
}

}  // namespace exporter
