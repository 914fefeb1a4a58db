// Dotted-text conversion of identifiers, as SnmpMgrStrToOid does it: counted from the root.
#include <cstdint>
#include <cstring>

#include "platform/snmpmgr/mgmtapi.h"
#include "snmp/ber.h"

int SnmpMgrStrToOid(const char* text, AsnObjectIdentifier* oid) {
    if (oid == nullptr) {
        return 0;
    }
    oid->idLength = 0;
    oid->ids = nullptr;
    if (text == nullptr || text[0] != '.') {
        return 0;
    }
    std::uint32_t parsed[ber::MAX_OID_COMPONENTS];
    std::uint32_t count = 0;
    const char* p = text;
    while (*p == '.') {
        ++p;  // the dot before each component
        if (*p < '0' || *p > '9' || count == ber::MAX_OID_COMPONENTS) {
            return 0;  // empty component, trailing dot, stray character or too many
        }
        std::uint64_t value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(*p - '0');
            if (value > 0xFFFFFFFFu) {
                return 0;
            }
            ++p;
        }
        parsed[count++] = static_cast<std::uint32_t>(value);
    }
    if (*p != '\0') {
        return 0;
    }
    auto* ids = static_cast<std::uint32_t*>(SnmpUtilMemAlloc(count * sizeof(std::uint32_t)));
    if (ids == nullptr) {
        return 0;
    }
    std::memcpy(ids, parsed, count * sizeof(std::uint32_t));
    oid->ids = ids;
    oid->idLength = count;
    return 1;
}
