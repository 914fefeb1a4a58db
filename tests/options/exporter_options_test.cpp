// vellumark-exporter's command line: its options with their defaults, the allow-list read
// whole, the cap on probes as a whole number in range, the longest reading a client may ask
// for, and the usage errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "options/exporter_options.h"
#include "platform/net/net.h"

namespace {

// What a command line sets: for a usage error only the error counts.
struct Expected {
    bool help = false;
    bool version = false;
    std::string listen = exporter::Options{}.listen;
    std::string configPath{};
    std::string allow{};  // as --allow-targets takes it; empty: the default list
    int maxProbes = exporter::Options{}.maxProbes;
    double maxScrapeTimeout = exporter::Options{}.maxScrapeTimeout;
    std::string error{};
};

std::string Describe(const std::vector<exporter::Cidr>& list) {
    std::string text;
    for (const exporter::Cidr& cidr : list) {
        text += " " + net::AddressText(cidr.network) + "/" + std::to_string(cidr.prefix);
    }
    return text;
}

// The list --allow-targets sets from `text`; the default list for "".
std::vector<exporter::Cidr> AllowList(const std::string& text) {
    std::vector<exporter::Cidr> list = exporter::DefaultAllowList();
    std::string why;
    if (!text.empty() && !exporter::ParseCidrList(text, list, why)) {
        ADD_FAILURE() << "a bad row: " << why;
    }
    return list;
}

std::string Describe(const Expected& e, const std::vector<exporter::Cidr>& allow) {
    if (!e.error.empty()) {
        return "error: " + e.error;
    }
    return "help=" + std::to_string(e.help) + " version=" + std::to_string(e.version) +
           " listen=" + e.listen + " config=" + e.configPath +
           " max=" + std::to_string(e.maxProbes) +
           " longest=" + std::to_string(e.maxScrapeTimeout) + " allow" + Describe(allow);
}

struct Row {
    const char* name;
    std::vector<std::string> arguments;
    Expected expected;
};

TEST(ExporterOptions, ArgumentsToOptionsOrUsageErrors) {
    const Row rows[] = {
        {"the defaults", {}, {}},
        {"every address, IPv6 and IPv4", {"--listen", ":9116"}, {.listen = ":9116"}},
        {"every option",
         {"--listen", "127.0.0.1:9116", "--config=/etc/x.yml", "--allow-targets",
          "10.0.0.0/8,fd00::/8", "--max-probes", "20"},
         {.listen = "127.0.0.1:9116",
          .configPath = "/etc/x.yml",
          .allow = "10.0.0.0/8,fd00::/8",
          .maxProbes = 20}},
        {"the last list given",
         {"--allow-targets", "10.0.0.0/8", "--allow-targets", "::1"},
         {.allow = "::1"}},
        {"the cap's bounds", {"--max-probes", "100000"}, {.maxProbes = 100000}},
        {"a fraction of a second", {"--max-scrape-timeout=2.5"}, {.maxScrapeTimeout = 2.5}},
        {"an empty file name: no file", {"--config=", "--max-probes=1"}, {.maxProbes = 1}},
        {"-h", {"-h"}, {.help = true}},
        {"--version", {"--version"}, {.version = true}},
        {"unknown option", {"--bogus"}, {.error = "unknown argument '--bogus' (see --help)"}},
        {"no text arguments", {"x"}, {.error = "unknown argument 'x' (see --help)"}},
        {"no --", {"--"}, {.error = "unknown argument '--' (see --help)"}},
        {"a host address with a prefix",
         {"--allow-targets", "10.0.0.1/8"},
         {.error = "--allow-targets: not a network in CIDR notation: '10.0.0.1/8'"}},
        {"a port out of range",
         {"--listen", "127.0.0.1:65536"},
         {.error = "--listen: listen address '127.0.0.1:65536' (ADDR:PORT, [IPv6]:PORT or "
                   ":PORT): port is not a number from 0 to 65535"}},
        {"a name where an address goes",
         {"--listen=localhost:9116"},
         {.error = "--listen: listen address must be an IPv4 or IPv6 address, not 'localhost'"}},
        {"a cap too high",
         {"--max-probes=100001"},
         {.error = "--max-probes: '100001' is not a whole number from 1 to 100000"}},
        {"a longest reading of days",
         {"--max-scrape-timeout", "86400"},
         {.error = "--max-scrape-timeout: '86400' is not a number from 0.1 to 3600"}},
    };
    for (const Row& row : rows) {
        exporter::Options got;
        std::string error;
        const bool ok = exporter::ParseOptions(row.arguments, got, error);
        EXPECT_EQ(ok, error.empty()) << row.name;
        const Expected seen{got.help, got.version,   got.listen,           got.configPath,
                            {},       got.maxProbes, got.maxScrapeTimeout, error};
        EXPECT_EQ(Describe(seen, got.allow), Describe(row.expected, AllowList(row.expected.allow)))
            << row.name;
    }
}

}  // namespace
