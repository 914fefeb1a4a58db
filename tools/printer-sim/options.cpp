#include "tools/printer-sim/options.h"

#include <charconv>
#include <cstring>

#include "platform/net/net.h"
#include "text/long_options.h"
#include "text/target_syntax.h"
#include "tools/printer-sim/control.h"
#include "tools/printer-sim/responder.h"
#include "vellumark/version.h"

namespace sim {
namespace {

bool ParseNumber(const std::string& text, long long low, long long high, long long& out) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && out >= low &&
           out <= high;
}

// An IPv4 literal, in network byte order.
bool ParseIpv4(std::string_view text, std::uint32_t& address) {
    net::IpAddress parsed;
    if (!net::ParseIpLiteral(text, &parsed) || parsed.ipv6) {
        return false;
    }
    std::memcpy(&address, parsed.bytes.data(), 4);
    return true;
}

// An even number of hex digits, no separators.
bool ParseHex(const std::string& text, std::vector<std::uint8_t>& bytes) {
    if (text.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + i + 2) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

}  // namespace

bool ParseV3User(const std::string& text, usm::AgentUser& user, std::string& error) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() < 5) {
        const std::size_t colon = text.find(':', start);
        if (colon == std::string::npos) {
            break;
        }
        fields.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
    fields.push_back(text.substr(start));
    user = usm::AgentUser{};
    user.name = fields[0];
    const bool levelKnown = fields.size() >= 2 && usm::ParseSecurityLevel(fields[1], &user.level);
    if (user.name.empty() || user.name.size() > v3::MAX_USER_NAME_BYTES || !levelKnown ||
        fields.size() == 3 || fields.size() == 5) {
        error = "--v3-user wants NAME:LEVEL[:AUTH:PASSWORD[:PRIV:PASSWORD]]";
        return false;
    }
    usm::Credentials& c = user.credentials;
    if (fields.size() >= 4 && (!usm::ParseAuthProtocol(fields[2], &c.auth) || fields[3].empty())) {
        error = "--v3-user: unknown authentication protocol or empty password in '" + text + "'";
        return false;
    }
    c.authPassword = fields.size() >= 4 ? fields[3] : "";
    if (fields.size() == 6 && (!usm::ParsePrivProtocol(fields[4], &c.priv) || fields[5].empty())) {
        error = "--v3-user: unknown privacy protocol or empty password in '" + text + "'";
        return false;
    }
    c.privPassword = fields.size() == 6 ? fields[5] : "";
    const bool needsAuth = user.level != usm::SecurityLevel::NoAuthNoPriv;
    const bool needsPriv = user.level == usm::SecurityLevel::AuthPriv;
    if ((needsAuth && c.auth == usm::AuthProtocol::None) ||
        (needsPriv && c.priv == usm::PrivProtocol::None)) {
        error = std::string("--v3-user: ") + usm::Name(user.level) + " needs its protocols in '" +
                text + "'";
        return false;
    }
    return true;
}

std::vector<std::uint8_t> DefaultEngineId(std::size_t index) {
    // Enterprise 0 with the high bit set, format 4 (text): no enterprise's own numbering.
    std::vector<std::uint8_t> id = {0x80, 0x00, 0x00, 0x00, 0x04};
    const std::string text = "vellumark-sim-" + std::to_string(index);
    id.insert(id.end(), text.begin(), text.end());
    return id;
}

bool ParseEndpoint(const std::string& text, Endpoint& endpoint) {
    std::string why;
    const auto split = SplitListenAddress(text, why);
    std::uint32_t address = 0;
    if (!split || !ParseIpv4(split->host, address)) {
        return false;
    }
    endpoint.address = address;
    endpoint.port = split->port;
    return true;
}

bool ParseOptions(int argc, const char* const* argv, const std::string& defaultProfileDir,
                  Options& options, std::string& error) {
    options.profileDir = defaultProfileDir;
    LongOptions arguments(argc, argv);
    while (arguments.Next()) {
        const std::string& arg = arguments.Name();
        std::string value;
        const auto takeValue = [&] { return arguments.Value(value, error); };
        const auto noValue = [&] { return arguments.NoValue(error); };
        long long number = 0;
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            (arg == "--version" ? options.version : options.help) = true;
            return noValue();
        } else if (arg == "--fleet") {
            if (!takeValue() || !ParseNumber(value, 1, MAX_FLEET, number)) {
                error = error.empty() ? "--fleet wants a count from 1 to 5000" : error;
                return false;
            }
            options.fleet = static_cast<std::size_t>(number);
        } else if (arg == "--fleet-by") {
            if (!takeValue() || (value != "ports" && value != "addresses")) {
                error = error.empty() ? "--fleet-by wants ports or addresses" : error;
                return false;
            }
            options.fleetSpread = value == "ports" ? FleetSpread::Ports : FleetSpread::Addresses;
        } else if (arg == "--v3-user") {
            usm::AgentUser user;
            if (!takeValue() || !ParseV3User(value, user, error)) {
                error = error.empty() ? "--v3-user wants a value" : error;
                return false;
            }
            options.v3Users.push_back(user);
        } else if (arg == "--engine-id") {
            if (!takeValue() || !ParseHex(value, options.engineId) || options.engineId.size() < 5 ||
                options.engineId.size() > 32) {
                error = error.empty() ? "--engine-id wants 5 to 32 bytes in hex" : error;
                return false;
            }
        } else if (arg == "--engine-boots") {
            if (!takeValue() || !ParseNumber(value, 0, 2147483646, number)) {
                error = error.empty() ? "--engine-boots wants a count from 0 to 2147483646" : error;
                return false;
            }
            options.engineBoots = static_cast<std::int32_t>(number);
        } else if (arg == "--control-allow") {
            std::uint32_t address = 0;
            if (!takeValue() || !ParseIpv4(value, address)) {
                error = error.empty() ? "--control-allow wants an IPv4 address" : error;
                return false;
            }
            options.controlAllow.push_back(address);
        } else if (arg == "--jam" || arg == "--door-open") {
            if (!noValue()) {
                return false;
            }
            options.startCommands.push_back(arg.substr(2));
        } else if (arg == "--paper-out" || arg == "--bulk-flood" || arg == "--max-message") {
            if (!takeValue()) {
                return false;
            }
            options.startCommands.push_back(arg.substr(2) + " " + value);
        } else if (arg == "--toner" || arg == "--walk") {
            // SUPPLY=PERCENT and MODE[:OID] become "toner SUPPLY PERCENT", "walk MODE OID".
            if (!takeValue()) {
                return false;
            }
            std::size_t separator = value.find(arg == "--toner" ? '=' : ':');
            if (separator != std::string::npos) {
                value[separator] = ' ';
            } else if (arg == "--toner") {
                error = "--toner wants SUPPLY=PERCENT";
                return false;
            }
            options.startCommands.push_back(arg.substr(2) + " " + value);
        } else if (arg == "--listen" || arg == "--control") {
            if (!takeValue()) {
                return false;
            }
            Endpoint& endpoint = arg == "--listen" ? options.listen : options.controlEndpoint;
            if (!ParseEndpoint(value, endpoint)) {
                error = arg + " wants IPV4:PORT, not '" + value + "'";
                return false;
            }
            options.control = options.control || arg == "--control";
        } else if (arg == "--profile") {
            if (!takeValue()) {
                return false;
            }
            ProfileArgument profile;
            std::size_t equals = value.find('=');
            if (equals != std::string::npos) {
                profile.community = value.substr(0, equals);
                value = value.substr(equals + 1);
                if (profile.community.empty()) {
                    error = "--profile COMMUNITY=PROFILE needs a community";
                    return false;
                }
            }
            profile.source = value;
            options.profiles.push_back(profile);
        } else if (arg == "--community") {
            if (!takeValue()) {
                return false;
            }
            if (value.empty() || value.size() > ber::MAX_COMMUNITY_BYTES) {
                error = "--community needs a name of 1 to 255 bytes";
                return false;
            }
            options.community = value;
        } else if (arg == "--profile-dir") {
            if (!takeValue()) {
                return false;
            }
            options.profileDir = value;
        } else if (arg == "--page-interval") {
            if (!takeValue() || !ParseNumber(value, 1, 3600000, number)) {
                error = error.empty() ? "--page-interval wants milliseconds from 1" : error;
                return false;
            }
            options.pageIntervalMs = static_cast<int>(number);
        } else if (arg == "--delay") {
            if (!takeValue() || !ParseNumber(value, 0, MAX_DELAY_MS, number)) {
                error = error.empty() ? "--delay wants milliseconds" : error;
                return false;
            }
            options.faults.delayMs = static_cast<int>(number);
        } else if (arg == "--stray" || arg == "--spoof") {
            if (!takeValue() || !ParseNumber(value, 0, MAX_STRAY, number)) {
                error = error.empty() ? arg + " wants a count up to 100" : error;
                return false;
            }
            (arg == "--stray" ? options.faults.stray : options.faults.spoof) =
                static_cast<unsigned>(number);
        } else if (arg == "--error") {
            if (!takeValue()) {
                return false;
            }
            std::size_t equals = value.find('=');
            Oid oid;
            std::string problem;
            int status =
                equals == std::string::npos ? -1 : ErrorStatusFromName(value.substr(equals + 1));
            if (status < 0 || !ParseOid(value.substr(0, equals), oid, problem)) {
                error = "--error wants OID=STATUS (tooBig noSuchName badValue readOnly genErr)";
                return false;
            }
            options.faults.errorStatusByOid[oid] = status;
        } else if (arg == "--live" || arg == "--log" || arg == "--silence" || arg == "--check" ||
                   arg == "--list-profiles") {
            if (!noValue()) {
                return false;
            }
            bool& flag = arg == "--live"      ? options.live
                         : arg == "--log"     ? options.log
                         : arg == "--silence" ? options.faults.silent
                         : arg == "--check"   ? options.check
                                              : options.listProfiles;
            flag = true;
        } else {
            error = "unknown option '" + arg + "' (try --help)";
            return false;
        }
    }
    return true;
}

std::string VersionText() {
    return "vellumark-printer-sim " VELLUMARK_VERSION "\n";
}

std::string UsageText() {
    return R"(Usage: vellumark-printer-sim [OPTIONS]
A simulated network printer (or a fleet of them): an SNMPv1, SNMPv2c (and, with --v3-user,
SNMPv3) agent that answers GET, GETNEXT and GETBULK requests from snmprec profiles, with faults
and printer conditions on demand.

Serving:
  --listen IPV4:PORT        UDP address for SNMP (default 127.0.0.1:1161); port 0 picks a free
                            port. Prints "listening on IPV4:PORT" on stdout once bound (a
                            line per printer, in printer order, for a fleet).
  --profile [COMM=]PROFILE  serve PROFILE (a .snmprec file or a bundled name) to requests with
                            community COMM (default: the --community value). Repeat to serve
                            several profiles, each under its own community. Default: laser-mono.
  --community NAME          community of profiles given without one (default orchid). Requests
                            with a community no profile has get no answer.
  --profile-dir DIR         where bundled profile names are looked up
  --list-profiles           print the bundled profile names and exit
  --check                   parse the profiles, report problems, exit 0 (all good) or 2
  --live                    print pages while running: page counts grow by one per page
                            interval, supply levels fall by one every 10 pages, sysUpTime runs
  --page-interval MS        the page interval for --live (default 2000)
  --fleet N                 serve N printers (1..5000) from this process: printer i listens on
                            port BASE+i of --listen's address (or see --fleet-by), printer 0
                            serves the profiles as they are, the others varied values
  --fleet-by ports|addresses  spread the fleet over ports (default) or over the addresses
                            BASE+i with one port (loopback: 127.0.0.1, 127.0.0.2, ...)

SNMPv3 (the User-based Security Model, as net-snmp's snmpd serves it):
  --v3-user NAME:LEVEL[:AUTH:PASSWORD[:PRIV:PASSWORD]]
                            serve SNMPv3 to user NAME at LEVEL (noAuthNoPriv, authNoPriv,
                            authPriv) or above; AUTH is MD5, SHA, SHA-224, SHA-256, SHA-384 or
                            SHA-512, PRIV is DES, AES, AES-192, AES-256, AES-192-C or AES-256-C.
                            Repeatable. The context name picks the profile by its community
                            (empty: the first profile)
  --engine-id HEX           the SNMPv3 engine ID (5..32 bytes; default one per printer)
  --engine-boots N          the SNMPv3 engine boots (default 1)

Faults (also settable at run time through the control channel):
  --silence                 start silent: answer nothing
  --delay MS                answer each request MS milliseconds late
  --stray N                 send N stray datagrams to the requester before each answer
  --spoof N                 send N forged copies of each answer (right request-id, every value
                            "spoofed answer from another port") from another UDP port first
  --error OID=STATUS        answer OID with STATUS (tooBig noSuchName badValue readOnly genErr)
                            and a NULL value
  --walk MODE[:OID]         GETNEXT/GETBULK misbehave within OID (default everywhere): endless
                            (tables never end), backwards, repeat (the name does not advance)
  --bulk-flood N            answer every GETBULK with N repetitions, whatever was asked
  --max-message BYTES       the largest answer (484..65507, default 65507): GETBULK answers
                            are cut to fit, others answered tooBig

Conditions (also settable through the control channel; "clear" ends them):
  --jam                     a paper jam
  --door-open               a door open
  --paper-out INPUT         input (tray) INPUT empty; repeatable
  --toner SUPPLY=PERCENT    supply SUPPLY at PERCENT of its capacity; repeatable

Control:
  --control IPV4:PORT       UDP control channel: one command per line, one reply line each
                            ("ok..." or "error: ..."); port 0 picks a free port and prints
                            "control on IPV4:PORT". Send "help" for the commands.
  --control-allow IPV4      accept control datagrams from this address only (repeatable);
                            without it, from loopback addresses only
  SIGUSR1 / SIGUSR2         stop answering / answer again
  SIGINT / SIGTERM          exit with status 0

  --log                     log every request (source, community, objects, result) to stderr
  --help                    this text
  --version                 the version

Exit status: 0 after SIGINT/SIGTERM or --help, 1 when a socket cannot be opened, 2 for a bad
command line or a bad profile.
)";
}

}  // namespace sim
