// Dotted-text conversion of identifiers, as SnmpMgrStrToOid does it: counted from the root.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/snmpmgr/mgmtapi.h"
#include "snmp/oid.h"

int SnmpMgrStrToOid(const char* text, AsnObjectIdentifier* oid) {
    if (oid == nullptr) {
        return 0;
    }
    oid->idLength = 0;
    oid->ids = nullptr;
    std::vector<std::uint32_t> parsed;
    std::string error;
    if (text == nullptr || !snmp::ParseOid(text, snmp::LeadingDot::Required, parsed, error)) {
        return 0;
    }
    const std::size_t bytes = parsed.size() * sizeof(std::uint32_t);
    auto* ids = static_cast<std::uint32_t*>(SnmpUtilMemAlloc(bytes));
    if (ids == nullptr) {
        return 0;
    }
    std::memcpy(ids, parsed.data(), bytes);
    oid->ids = ids;
    oid->idLength = static_cast<std::uint32_t>(parsed.size());
    return 1;
}
