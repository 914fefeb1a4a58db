#include "options/sim_options.h"

#include <charconv>

#include "options/option_parser.h"
#include "tools/printer-sim/control.h"
#include "tools/printer-sim/responder.h"
#include "tools/printer-sim/typed_value.h"
#include "vellumark/version.h"

namespace sim {
namespace {

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

bool ParseOptions(const std::vector<std::string>& arguments, const std::string& defaultProfileDir,
                  Options& options, std::string& error) {
    options.profileDir = defaultProfileDir;
    CLI::App app;
    // A flag or value that sets a fault or a condition at start becomes its control command.
    const auto command = [&options](const std::string& name) {
        return [&options, name](const std::string& value) {
            options.startCommands.push_back(name + " " + value);
        };
    };
    app.add_option("--fleet", options.fleet)->transform(vmcli::WholeNumber(1, MAX_FLEET));
    app.add_option_function<std::string>("--fleet-by",
                                         [&options](const std::string& spread) {
                                             options.fleetSpread = spread == "ports"
                                                                       ? FleetSpread::Ports
                                                                       : FleetSpread::Addresses;
                                         })
        ->check(vmcli::OneOf({"ports", "addresses"}));
    app.add_option_function<std::string>("--control-allow", [&options](const std::string& text) {
        net::Endpoint address;
        if (!ParseAddress(text, address)) {
            vmcli::Refuse("--control-allow", text, "an IPv4 or IPv6 address");
        }
        options.controlAllow.push_back(address);
    });
    for (const std::string name : {"jam", "door-open"}) {
        app.add_flag_callback("--" + name,
                              [&options, name] { options.startCommands.push_back(name); });
    }
    for (const std::string name : {"paper-out", "bulk-flood", "max-message"}) {
        app.add_option_function<std::string>("--" + name, command(name));
    }
    // SUPPLY=PERCENT and MODE[:OID] become "toner SUPPLY PERCENT" and "walk MODE OID".
    app.add_option_function<std::string>("--toner", [&options](std::string value) {
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos) {
            vmcli::Refuse("--toner", value, "SUPPLY=PERCENT");
        }
        value[equals] = ' ';
        options.startCommands.push_back("toner " + value);
    });
    app.add_option_function<std::string>("--walk", [&options](std::string value) {
        if (const std::size_t colon = value.find(':'); colon != std::string::npos) {
            value[colon] = ' ';
        }
        options.startCommands.push_back("walk " + value);
    });
    // The listening addresses: IPV4:PORT or [IPV6]:PORT.
    app.add_option_function<std::string>("--listen", [&options](const std::string& text) {
        if (!ParseEndpoint(text, options.listen)) {
            vmcli::Refuse("--listen", text, "IPV4:PORT or [IPV6]:PORT");
        }
    });
    app.add_option_function<std::string>("--control", [&options](const std::string& text) {
        if (!ParseEndpoint(text, options.controlEndpoint)) {
            vmcli::Refuse("--control", text, "IPV4:PORT or [IPV6]:PORT");
        }
        options.control = true;
    });
    app.add_option_function<std::string>("--profile", [&options](const std::string& text) {
        ProfileArgument profile{{}, text};
        if (const std::size_t equals = text.find('='); equals != std::string::npos) {
            profile = {text.substr(0, equals), text.substr(equals + 1)};
            if (profile.community.empty()) {
                vmcli::Refuse("--profile", text, "[COMMUNITY=]PROFILE with a community");
            }
        }
        options.profiles.push_back(profile);
    });
    app.add_option("--community", options.community)
        ->check(vmcli::Satisfies(
            [](const std::string& name) {
                return !name.empty() && name.size() <= ber::MAX_COMMUNITY_BYTES;
            },
            "a name of 1 to " + std::to_string(ber::MAX_COMMUNITY_BYTES) + " bytes"));
    app.add_option("--profile-dir", options.profileDir);
    app.add_option("--page-interval", options.pageIntervalMs)
        ->transform(vmcli::WholeNumber(1, 3600000));
    app.add_option("--delay", options.faults.delayMs)
        ->transform(vmcli::WholeNumber(0, MAX_DELAY_MS));
    app.add_option("--stray", options.faults.stray)->transform(vmcli::WholeNumber(0, MAX_STRAY));
    app.add_option("--spoof", options.faults.spoof)->transform(vmcli::WholeNumber(0, MAX_STRAY));
    app.add_option_function<std::string>("--error", [&options](const std::string& text) {
        const std::size_t equals = text.find('=');
        Oid oid;
        std::string problem;
        const int status =
            equals == std::string::npos ? -1 : ErrorStatusFromName(text.substr(equals + 1));
        if (status < 0 || !ParseOid(text.substr(0, equals), oid, problem)) {
            vmcli::Refuse("--error", text,
                          "OID=STATUS (tooBig noSuchName badValue readOnly genErr)");
        }
        options.faults.errorStatusByOid[oid] = status;
    });
    // SNMPv3: its users, and the engine's identity (one made for each printer without it).
    app.add_option_function<std::string>("--v3-user", [&options](const std::string& text) {
        usm::AgentUser user;
        std::string problem;
        if (!ParseV3User(text, user, problem)) {
            throw CLI::ValidationError("--v3-user", problem);
        }
        options.v3Users.push_back(user);
    });
    app.add_option_function<std::string>("--engine-id", [&options](const std::string& text) {
        if (!ParseHex(text, options.engineId) || options.engineId.size() < 5 ||
            options.engineId.size() > 32) {
            vmcli::Refuse("--engine-id", text, "5 to 32 bytes in hex");
        }
    });
    app.add_option("--engine-boots", options.engineBoots)
        ->transform(vmcli::WholeNumber(0, 2147483646));
    app.add_flag("--live", options.live);
    app.add_flag("--log", options.log);
    app.add_flag("--silence", options.faults.silent);
    app.add_flag("--check", options.check);
    app.add_flag("--list-profiles", options.listProfiles);

    const vmcli::Parsed parsed = vmcli::Parse(app, arguments, false, [](const std::string& what) {
        return "unknown option '" + what + "' (try --help)";
    });
    options.help = parsed.outcome == vmcli::Outcome::Help;
    options.version = parsed.outcome == vmcli::Outcome::Version;
    error = parsed.error;
    if (parsed.outcome == vmcli::Outcome::Run && options.fleet > 1 &&
        options.fleetSpread == FleetSpread::Addresses &&
        options.listen.family == net::Family::IPv6) {
        error =
            "--fleet-by addresses needs an IPv4 --listen address (IPv6 has one loopback "
            "address); --fleet-by ports serves an IPv6 fleet";
        return false;
    }
    return parsed.outcome != vmcli::Outcome::UsageError;
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
  --listen ADDR:PORT        UDP address for SNMP, IPV4:PORT or [IPV6]:PORT (default
                            127.0.0.1:1161); port 0 picks a free port. Prints "listening on
                            ADDR:PORT" on stdout once bound (a line per printer, in printer
                            order, for a fleet).
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
                            BASE+i with one port (loopback: 127.0.0.1, 127.0.0.2, ...; IPv4
                            only)

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
  --control ADDR:PORT       UDP control channel (IPV4:PORT or [IPV6]:PORT): one command per
                            line, one reply line each ("ok..." or "error: ..."); port 0 picks
                            a free port and prints "control on ADDR:PORT". Send "help" for the
                            commands.
  --control-allow ADDR      accept control datagrams from this IPv4 or IPv6 address only
                            (repeatable); without it, from loopback addresses only
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
