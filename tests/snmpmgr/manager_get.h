// One GET (or GETNEXT) through our manager, made the way the program makes it (names with NULL
// values), and what the list held afterwards, described before the list is released.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/snmpmgr/mgmtapi.h"
#include "snmp/oid.h"

// "<tag in hex>:<value>" for the types the tests read (numbers in decimal, identifiers dotted,
// strings as their bytes); other types as their tag alone.
inline std::string Describe(const AsnAny& v) {
    char tag[8];
    std::snprintf(tag, sizeof tag, "%02x:", v.asnType);
    std::string out = tag;
    const AsnOctetString& string = v.asnValue.string;
    switch (v.asnType) {
        case ASN_INTEGER:
            return out + std::to_string(v.asnValue.number);
        case ASN_COUNTER64:
            return out + std::to_string(v.asnValue.counter64);
        case ASN_OBJECTIDENTIFIER:
            if (v.asnValue.object.idLength != 0) {
                out += "." + snmp::FormatOid({v.asnValue.object.ids, v.asnValue.object.idLength});
            }
            return out;
        case ASN_OCTETSTRING:
            EXPECT_TRUE(string.stream != nullptr && string.dynamic) << out;
            return out + std::string(reinterpret_cast<const char*>(string.stream), string.length);
        default:
            return out;
    }
}

struct Got {
    int ok = 0;
    AsnInteger32 status = -1, index = -1;  // -1: left untouched
    std::vector<std::string> names;        // dotted, from the root
    std::vector<std::string> values;       // Describe() of each
};

inline Got Get(LPSNMP_MGR_SESSION session, const std::vector<std::string>& names,
               std::uint8_t pduType = SNMP_PDU_GET) {
    Got got;
    const auto size = static_cast<std::uint32_t>(names.size());
    SnmpVarBindList list{static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(size * sizeof(SnmpVarBind))),
                         size};
    for (std::uint32_t i = 0; i < size; ++i) {
        SnmpMgrStrToOid(names[i].c_str(), &list.list[i].name);
        list.list[i].value.asnType = ASN_NULL;
    }
    got.ok = SnmpMgrRequest(session, pduType, &list, &got.status, &got.index);
    for (std::uint32_t i = 0; i < list.len; ++i) {
        const AsnObjectIdentifier& name = list.list[i].name;
        got.names.push_back("." + snmp::FormatOid({name.ids, name.idLength}));
        got.values.push_back(Describe(list.list[i].value));
    }
    SnmpUtilVarBindListFree(&list);
    return got;
}

// The same through a session of its own.
inline Got Get(const std::string& target, const char* community,
               const std::vector<std::string>& names, int timeoutMs = 500) {
    LPSNMP_MGR_SESSION session = SnmpMgrOpen(target.c_str(), community, timeoutMs, 0);
    Got got = session != nullptr ? Get(session, names) : Got{};
    SnmpMgrClose(session);
    return got;
}
