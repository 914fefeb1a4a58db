// Object identifiers as dotted decimal text ("1.3.6.1.2.1.1.1.0"): the one parse and the one
// format that the manager, the condition reading, the simulated printer and the tests share.
// The parse takes what the codec can carry: components of 0..2^32-1, at most
// ber::MAX_OID_COMPONENTS of them, one dot between each and nothing else.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace snmp {

enum class LeadingDot {
    Required,  // ".1.3.6.1": counted from the root, as the manager's text form spells it
    Optional,  // "1.3.6.1" or ".1.3.6.1"
};

// Parses `text` into `oid`. On failure returns false with `oid` empty and `error` saying what
// is wrong (no text, a missing leading dot, a bad component, too many components).
bool ParseOid(std::string_view text, LeadingDot leadingDot, std::vector<std::uint32_t>& oid,
              std::string& error);

// The dotted form without a leading dot; "" for no components.
std::string FormatOid(std::span<const std::uint32_t> oid);

}  // namespace snmp
