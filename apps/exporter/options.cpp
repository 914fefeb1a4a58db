#include "apps/exporter/options.h"

#include <charconv>
#include <cstring>

#include "text/long_options.h"

namespace exporter {

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    LongOptions arguments(argc, argv);
    while (arguments.Next()) {
        const std::string& arg = arguments.Name();
        std::string value;
        const auto takeValue = [&] { return arguments.Value(value, error); };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--listen") {
            if (!takeValue()) {
                return false;
            }
            options.listen = value;
        } else if (arg == "--config") {
            if (!takeValue()) {
                return false;
            }
            options.configPath = value;
        } else if (arg == "--allow-targets") {
            if (!takeValue()) {
                return false;
            }
            std::string why;
            if (!ParseCidrList(value, options.allow, why)) {
                error = "--allow-targets: " + why;
                return false;
            }
        } else if (arg == "--max-probes") {
            if (!takeValue()) {
                return false;
            }
            int number = 0;
            auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), number);
            if (status != std::errc() || end != value.data() + value.size() || number < 1 ||
                number > 100000) {
                error = "--max-probes must be a number from 1 to 100000";
                return false;
            }
            options.maxProbes = number;
        } else {
            error = "unknown argument '" + arg + "' (see --help)";
            return false;
        }
    }
    return true;
}

std::string UsageText() {
    return "Usage: vellumark-exporter [--listen ADDR:PORT] [--config FILE]\n"
           "                          [--allow-targets CIDR,...] [--max-probes N]\n"
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
           "  --version              print the version and exit\n"
           "\n"
           "Endpoints: /probe?target=HOST[:PORT][&auth=NAME][&snmp_version=1|2c], /metrics,\n"
           "/ (status page), /-/healthy. See vellumark-exporter(1).\n";
}

}  // namespace exporter
