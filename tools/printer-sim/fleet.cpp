#include "tools/printer-sim/fleet.h"

#include <cstdio>
#include <random>

#include "snmp/asn_types.h"
#include "snmp/printer_mib.h"
#include "tools/printer-sim/live.h"
#include "tools/printer-sim/udp_socket.h"

namespace sim {
namespace {

constexpr int PORT_ATTEMPTS = 50;
constexpr std::uint32_t FIRST_FREE_PORT_GUESS = 20000;
constexpr std::uint32_t LAST_PORT = 60999;

void AppendText(ber::Value& value, const std::string& suffix) {
    if (value.tag == ASN_OCTETSTRING) {
        value.bytes.insert(value.bytes.end(), suffix.begin(), suffix.end());
    }
}

template <typename Change>
void ForColumn(Profile& profile, const Oid& column, Change change) {
    for (auto at = profile.objects.lower_bound(column);
         at != profile.objects.end() && mib::InSubtree(at->first, column); ++at) {
        change(at->first, at->second);
    }
}

// Printer i's endpoint: the port, or the address read as one big-endian number, plus i.
net::Endpoint Nth(const net::Endpoint& base, std::size_t i, FleetSpread spread) {
    net::Endpoint endpoint = base;
    if (spread == FleetSpread::Ports) {
        endpoint.port = static_cast<std::uint16_t>(base.port + i);
        return endpoint;
    }
    std::size_t carry = i;
    for (std::size_t byte = net::AddressSize(base.family); byte-- > 0 && carry != 0;) {
        carry += endpoint.address[byte];
        endpoint.address[byte] = static_cast<std::uint8_t>(carry & 0xFFu);
        carry >>= 8;
    }
    return endpoint;
}

bool BindAll(const net::Endpoint& base, std::size_t count, FleetSpread spread,
             std::vector<int>& fds, std::string& error) {
    for (std::size_t i = 0; i < count; ++i) {
        int fd = OpenUdp(Nth(base, i, spread), error);
        if (fd < 0) {
            for (int open : fds) {
                Close(open);
            }
            fds.clear();
            return false;
        }
        fds.push_back(fd);
    }
    return true;
}

}  // namespace

void VaryForPrinter(Profile& profile, std::size_t index) {
    if (index == 0) {
        return;
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%04zu", index);
    const std::uint64_t i = index;
    ForColumn(profile, mib::SYS_NAME, [&](const Oid&, ber::Value& v) { AppendText(v, suffix); });
    ForColumn(profile, mib::PRT_GENERAL_SERIAL_NUMBER,
              [&](const Oid&, ber::Value& v) { AppendText(v, suffix); });
    ForColumn(profile, mib::PRT_MARKER_LIFE_COUNT,
              [&](const Oid&, ber::Value& v) { AddToCounter(v, i * 7919); });
    ForColumn(profile, mib::PRT_MARKER_POWER_ON_COUNT,
              [&](const Oid&, ber::Value& v) { AddToCounter(v, i * 31 % 1000); });
    ForColumn(profile, mib::SYS_UP_TIME,
              [&](const Oid&, ber::Value& v) { AddToCounter(v, i * 360000); });
    ForColumn(profile, mib::PRT_SUPPLIES_LEVEL, [&](const Oid& oid, ber::Value& level) {
        Oid capacityOid = mib::PRT_SUPPLIES_MAX_CAPACITY;
        capacityOid.insert(
            capacityOid.end(),
            oid.begin() + static_cast<std::ptrdiff_t>(mib::PRT_SUPPLIES_LEVEL.size()), oid.end());
        auto capacity = profile.objects.find(capacityOid);
        if (level.tag != ASN_INTEGER || level.integer < 0 || capacity == profile.objects.end() ||
            capacity->second.tag != ASN_INTEGER || capacity->second.integer <= 0) {
            return;
        }
        const std::int64_t full = capacity->second.integer;
        level.integer =
            (level.integer + static_cast<std::int64_t>(i) * full * 37 / 100) % (full + 1);
    });
}

std::vector<Printer> MakeFleet(const std::vector<Profile>& profiles, std::size_t count) {
    std::vector<Printer> printers(count);
    for (std::size_t i = 0; i < count; ++i) {
        printers[i].profiles = profiles;
        for (Profile& profile : printers[i].profiles) {
            VaryForPrinter(profile, i);
        }
    }
    return printers;
}

bool OpenFleetSockets(const net::Endpoint& base, std::size_t count, FleetSpread spread,
                      std::vector<int>& fds, std::string& error) {
    fds.clear();
    if (spread == FleetSpread::Ports && base.port + count - 1 > 65535) {
        error =
            "ports " + std::to_string(base.port) + "+" + std::to_string(count) + " run past 65535";
        return false;
    }
    if (base.port != 0 || count == 1) {
        return BindAll(base, count, spread, fds, error);
    }
    // Port 0: a run of free ports from a random start, or one port free on every address.
    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::uint32_t> start(
        FIRST_FREE_PORT_GUESS, LAST_PORT - static_cast<std::uint32_t>(count));
    for (int attempt = 0; attempt < PORT_ATTEMPTS; ++attempt) {
        net::Endpoint first = base;
        if (spread == FleetSpread::Ports) {
            first.port = static_cast<std::uint16_t>(start(random));
        } else {
            int probe = OpenUdp(base, error);
            if (probe < 0) {
                return false;
            }
            first.port = BoundEndpoint(probe).port;
            Close(probe);
        }
        if (BindAll(first, count, spread, fds, error)) {
            return true;
        }
    }
    error = "no free run of " + std::to_string(count) + " ports found: " + error;
    return false;
}

}  // namespace sim
