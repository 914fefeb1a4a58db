#include "tools/printer-sim/live.h"

#include <algorithm>

#include "platform/snmpmgr/asn_types.h"

namespace sim {
namespace {

const Oid kLifeCount = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 4, 1, 1};
const Oid kPowerOnCount = {1, 3, 6, 1, 2, 1, 43, 10, 2, 1, 5, 1, 1};
const Oid kSupplyLevelColumn = {1, 3, 6, 1, 2, 1, 43, 11, 1, 1, 9, 1};
const Oid kSysUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};

// Counters keep their type's range: INTEGER stops at 2^31-1, the unsigned types wrap.
void AddTo(ber::Value& value, std::uint64_t amount) {
    if (value.tag == ASN_INTEGER) {
        std::int64_t next = value.integer + static_cast<std::int64_t>(amount % 4294967296u);
        value.integer = next > 2147483647 ? 2147483647 : next;
    } else if (value.tag == ASN_COUNTER32 || value.tag == ASN_GAUGE32) {
        value.integer = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(value.integer) + amount) % 4294967296u);
    }
}

bool InColumn(const Oid& oid, const Oid& column) {
    return oid.size() == column.size() + 1 && std::equal(column.begin(), column.end(), oid.begin());
}

}  // namespace

void PrintPages(SimState& state, std::uint64_t pages) {
    std::uint64_t before = state.livePages / kPagesPerTonerUnit;
    state.livePages += pages;
    std::uint64_t units = state.livePages / kPagesPerTonerUnit - before;
    for (Profile& profile : state.profiles) {
        for (const Oid& counter : {kLifeCount, kPowerOnCount}) {
            auto found = profile.objects.find(counter);
            if (found != profile.objects.end()) {
                AddTo(found->second, pages);
            }
        }
        if (units == 0) {
            continue;
        }
        for (auto it = profile.objects.lower_bound(kSupplyLevelColumn);
             it != profile.objects.end() && InColumn(it->first, kSupplyLevelColumn); ++it) {
            ber::Value& level = it->second;
            if (level.tag == ASN_INTEGER && level.integer > 0) {
                std::int64_t next = level.integer - static_cast<std::int64_t>(units);
                level.integer = next < 0 ? 0 : next;
            }
        }
    }
}

void AddUptime(SimState& state, std::uint64_t centiseconds) {
    for (Profile& profile : state.profiles) {
        auto found = profile.objects.find(kSysUpTime);
        if (found != profile.objects.end() && found->second.tag == ASN_TIMETICKS) {
            found->second.integer = static_cast<std::int64_t>(
                (static_cast<std::uint64_t>(found->second.integer) + centiseconds) % 4294967296u);
        }
    }
}

}  // namespace sim
