#include "options/exporter_options.h"

#include "options/option_parser.h"

namespace exporter {

bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error) {
    CLI::App app;
    // The address is read as the server will read it: one it cannot use is a usage error.
    app.add_option("--listen", options.listen)
        ->check(CLI::Validator(
            [](std::string& text) {
                net::Endpoint address;
                bool dualStack = false;
                std::string why;
                return ParseListenAddress(text, address, dualStack, why) ? std::string() : why;
            },
            "ADDR:PORT"));
    app.add_option("--config", options.configPath);
    app.add_option_function<std::string>("--allow-targets", [&options](const std::string& list) {
        std::string why;
        if (!ParseCidrList(list, options.allow, why)) {
            throw CLI::ValidationError("--allow-targets", why);
        }
    });
    app.add_option("--max-probes", options.maxProbes)
        ->transform(vmcli::WholeNumber(1, MAX_PROBES_LIMIT));
    app.add_option("--web-config", options.webConfigPath);
    app.add_option("--max-scrape-timeout", options.maxScrapeTimeout)
        ->transform(vmcli::Number(0.1, 3600));
    const vmcli::Parsed parsed = vmcli::Parse(app, arguments, false, [](const std::string& what) {
        return "unknown argument '" + what + "' (see --help)";
    });
    options.listenGiven = app.count("--listen") > 0;
    options.allowGiven = app.count("--allow-targets") > 0;
    options.maxProbesGiven = app.count("--max-probes") > 0;
    options.help = parsed.outcome == vmcli::Outcome::Help;
    options.version = parsed.outcome == vmcli::Outcome::Version;
    error = parsed.error;
    return parsed.outcome != vmcli::Outcome::UsageError;
}

std::string UsageText() {
    return "Usage: vellumark-exporter [--listen ADDR:PORT] [--config FILE]\n"
           "                          [--allow-targets CIDR,...] [--max-probes N]\n"
           "                          [--web-config FILE]\n"
           "                          [--max-scrape-timeout SECONDS]\n"
           "\n"
           "Reads printers' condition over SNMP for Prometheus.\n"
           "\n"
           "  --listen ADDR:PORT     HTTP address; default :" +
           std::to_string(DEFAULT_PORT) +
           " (every address, IPv6 and IPv4)\n"
           "  --config FILE          YAML file with SNMP auths and the status page's printers\n"
           "  --allow-targets LIST   networks /probe may read, e.g. 10.0.0.0/8,fd00::/8;\n"
           "                         default loopback, RFC 1918, link-local, IPv6 unique-local\n"
           "  --max-probes N         probes in flight before 503; default " +
           std::to_string(ServerLimits{}.maxProbes) +
           "\n"
           "  --web-config FILE      TLS and basic authentication of the listener\n"
           "                         (tls_server_config, basic_auth_users with bcrypt hashes)\n"
           "  --max-scrape-timeout SECONDS\n"
           "                         longest reading a client's scrape timeout may ask for;\n"
           "                         default " +
           std::to_string(
               std::chrono::duration_cast<std::chrono::seconds>(ServerLimits{}.longestReading)
                   .count()) +
           "\n"
           "  --help                 print this help and exit\n"
           "  --version              print the version and exit\n"
           "\n"
           "Endpoints: /probe?target=HOST[:PORT][&auth=NAME][&snmp_version=1|2c], /metrics,\n"
           "/ (status page), /-/healthy, POST /-/reload. The file's listen, allow_targets,\n"
           "max_probes and web_config apply unless given here; SIGHUP reloads the file.\n"
           "See vellumark-exporter(1).\n";
}

}  // namespace exporter
