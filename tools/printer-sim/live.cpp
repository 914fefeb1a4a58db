#include "tools/printer-sim/live.h"

#include <algorithm>

#include "snmp/asn_types.h"
#include "snmp/printer_mib.h"
#include "tools/printer-sim/conditions.h"

namespace sim {
namespace {

const Oid LIFE_COUNT = mib::Append(mib::PRT_MARKER_LIFE_COUNT, {1, 1});
const Oid POWER_ON_COUNT = mib::Append(mib::PRT_MARKER_POWER_ON_COUNT, {1, 1});
const Oid SUPPLY_LEVEL_COLUMN = mib::Append(mib::PRT_SUPPLIES_LEVEL, {1});

bool InColumn(const Oid& oid, const Oid& column) {
    return oid.size() == column.size() + 1 && mib::InSubtree(oid, column);
}

}  // namespace

void AddToCounter(ber::Value& value, std::uint64_t amount) {
    if (value.tag == ASN_INTEGER) {
        std::int64_t next = value.integer + static_cast<std::int64_t>(amount % 4294967296u);
        value.integer = next > 2147483647 ? 2147483647 : next;
    } else if (value.tag == ASN_COUNTER32 || value.tag == ASN_GAUGE32 ||
               value.tag == ASN_TIMETICKS) {
        value.integer = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(value.integer) + amount) % 4294967296u);
    }
}

void PrintPages(Printer& printer, std::uint64_t pages) {
    std::uint64_t before = printer.livePages / PAGES_PER_TONER_UNIT;
    printer.livePages += pages;
    std::uint64_t units = printer.livePages / PAGES_PER_TONER_UNIT - before;
    for (Profile& profile : printer.profiles) {
        for (const Oid& counter : {LIFE_COUNT, POWER_ON_COUNT}) {
            auto found = profile.objects.find(counter);
            if (found != profile.objects.end() && found->second.tag != ASN_TIMETICKS) {
                AddToCounter(found->second, pages);
            }
        }
        if (units == 0) {
            continue;
        }
        for (auto it = profile.objects.lower_bound(SUPPLY_LEVEL_COLUMN);
             it != profile.objects.end() && InColumn(it->first, SUPPLY_LEVEL_COLUMN); ++it) {
            ber::Value& level = it->second;
            const std::uint32_t supply = it->first.back();
            auto capacity =
                profile.objects.find(mib::Append(mib::PRT_SUPPLIES_MAX_CAPACITY, {1, supply}));
            auto supplyClass =
                profile.objects.find(mib::Append(mib::PRT_SUPPLIES_CLASS, {1, supply}));
            if (level.tag != ASN_INTEGER || level.integer < 0) {
                continue;  // -1, -2, -3 keep their meaning
            }
            if (supplyClass != profile.objects.end() &&
                supplyClass->second.integer == mib::SUPPLY_CLASS_RECEPTACLE) {
                // A waste box fills up to its capacity.
                if (capacity != profile.objects.end() && capacity->second.integer > 0) {
                    level.integer = std::min(capacity->second.integer,
                                             level.integer + static_cast<std::int64_t>(units));
                }
            } else if (level.integer > 0) {
                std::int64_t next = level.integer - static_cast<std::int64_t>(units);
                level.integer = next < 0 ? 0 : next;
            }
        }
    }
    if (units > 0) {
        ApplyConditions(printer);
    }
}

void AddUptime(Printer& printer, std::uint64_t centiseconds) {
    for (Profile& profile : printer.profiles) {
        auto found = profile.objects.find(mib::SYS_UP_TIME);
        if (found != profile.objects.end() && found->second.tag == ASN_TIMETICKS) {
            AddToCounter(found->second, centiseconds);
        }
    }
}

}  // namespace sim
