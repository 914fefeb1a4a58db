#include "tools/printer-sim/walk.h"

#include <algorithm>
#include <limits>

#include "snmp/printer_mib.h"

namespace sim {
namespace {

// Same length and the same arcs but the last: rows of one table column.
bool SameColumn(const Oid& a, const Oid& b) {
    return a.size() == b.size() && !a.empty() && std::equal(a.begin(), a.end() - 1, b.begin());
}

}  // namespace

std::optional<ber::VarBind> NextObject(const Profile& profile, const Oid& after,
                                       const Faults& faults) {
    const auto& objects = profile.objects;
    auto next = objects.upper_bound(after);
    if (faults.walk != WalkFault::None && mib::InSubtree(after, faults.walkSubtree)) {
        switch (faults.walk) {
            case WalkFault::Repeat:
                // The name asked for comes back, with the value that should have followed.
                return ber::VarBind{after, next != objects.end() ? next->second : ber::Value{}};
            case WalkFault::Backwards: {
                auto before = objects.lower_bound(after);
                if (before != objects.begin()) {
                    --before;
                    if (mib::InSubtree(before->first, faults.walkSubtree)) {
                        return ber::VarBind{before->first, before->second};
                    }
                }
                break;
            }
            case WalkFault::Endless: {
                if (next != objects.end() && SameColumn(next->first, after)) {
                    break;
                }
                // Leaving the column (or the end): invent the row after, as the last one.
                auto last = next;
                if (last != objects.begin() && SameColumn((--last)->first, after) &&
                    after.back() != std::numeric_limits<std::uint32_t>::max()) {
                    Oid invented = after;
                    ++invented.back();
                    return ber::VarBind{invented, last->second};
                }
                break;
            }
            case WalkFault::None:
                break;
        }
    }
    if (next == objects.end()) {
        return std::nullopt;
    }
    return ber::VarBind{next->first, next->second};
}

const char* WalkFaultName(WalkFault fault) {
    switch (fault) {
        case WalkFault::Endless:
            return "endless";
        case WalkFault::Backwards:
            return "backwards";
        case WalkFault::Repeat:
            return "repeat";
        case WalkFault::None:
            break;
    }
    return "off";
}

bool WalkFaultFromName(const std::string& name, WalkFault& fault) {
    for (WalkFault candidate :
         {WalkFault::None, WalkFault::Endless, WalkFault::Backwards, WalkFault::Repeat}) {
        if (name == WalkFaultName(candidate)) {
            fault = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace sim
