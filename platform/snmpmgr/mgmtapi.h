// Our SNMPv1 manager, offered with the calls, types and ownership rules of the Windows SNMP
// Management API that the program was designed on, so one tested path serves every platform.
//
// Ownership: texts and arrays handed out here come from SnmpUtilMemAlloc and are released with
// SnmpUtilMemFree; SnmpUtilOidFree leaves the identifier empty, so releasing twice is harmless.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/snmpmgr/agent_address.h"
#include "platform/snmpmgr/asn_types.h"

struct AsnOctetString {
    std::uint8_t* stream;
    std::uint32_t length;
    bool dynamic;  // stream was allocated with SnmpUtilMemAlloc and is released with the value
};

struct AsnObjectIdentifier {
    std::uint32_t idLength;
    std::uint32_t* ids;  // SnmpUtilMemAlloc storage, or null when idLength is 0
};

// One SNMP value: the tag selects the member of asnValue that is valid.
//   ASN_INTEGER: number; ASN_COUNTER32/GAUGE32/TIMETICKS: unsigned32; ASN_OCTETSTRING,
//   ASN_IPADDRESS, ASN_OPAQUE: string; ASN_OBJECTIDENTIFIER: object; ASN_COUNTER64: counter64;
//   ASN_NULL and any other tag: no payload (a value without text).
struct AsnAny {
    std::uint8_t asnType;
    union {
        AsnInteger32 number;
        AsnUnsigned32 unsigned32;
        std::uint64_t counter64;
        AsnOctetString string;
        AsnObjectIdentifier object;
    } asnValue;
};

struct SnmpVarBind {
    AsnObjectIdentifier name;
    AsnAny value;
};

struct SnmpVarBindList {
    SnmpVarBind* list;  // SnmpUtilMemAlloc storage
    std::uint32_t len;
};

struct SnmpMgrSession;
using LPSNMP_MGR_SESSION = SnmpMgrSession*;

// Opens a session to `agent`: a host name or dotted IPv4 address, optionally followed by
// ":port" (1..65535; default 161). Any other text with a colon is taken as a host name whole.
// Returns null when the host does not resolve (within RESOLVE_TIMEOUT_MS) or no socket can be
// had.
LPSNMP_MGR_SESSION SnmpMgrOpen(const char* agent, const char* community, int timeoutMs,
                               int retries);
// The same for an agent whose address is known already: no name is resolved.
LPSNMP_MGR_SESSION SnmpMgrOpenAgent(const AgentAddress& agent, const char* community, int timeoutMs,
                                    int retries);
// Closes the session and releases everything it holds. Null is ignored.
int SnmpMgrClose(LPSNMP_MGR_SESSION session);

// Converts dotted text that begins with "." (counted from the root) into an identifier.
// Returns nonzero on success; on failure `oid` is left empty.
int SnmpMgrStrToOid(const char* text, AsnObjectIdentifier* oid);

// Sends one request (SNMP_PDU_GET) with the bindings of `list`, and waits for the matching
// GetResponse for at most the session's time-out, sending again `retries` times. Returns
// nonzero when an answer arrived: the list's values then hold the answer's values (the list's
// array may have been replaced) and *errorStatus/*errorIndex the answer's. Returns zero when no
// answer arrived or the request could not be made; the list is then unchanged.
int SnmpMgrRequest(LPSNMP_MGR_SESSION session, std::uint8_t requestType, SnmpVarBindList* list,
                   AsnInteger32* errorStatus, AsnInteger32* errorIndex);

// Zero-filled storage, or null.
void* SnmpUtilMemAlloc(std::size_t bytes);
void SnmpUtilMemFree(void* block);
// Resizes `block` (null: a new zero-filled block). Null when no storage can be had; the old
// block then stays valid.
void* SnmpUtilMemReAlloc(void* block, std::size_t bytes);

// Deep copy; returns nonzero on success, zero (destination empty) when storage fails.
int SnmpUtilOidCpy(AsnObjectIdentifier* destination, const AsnObjectIdentifier* source);
// Releases the components and leaves the identifier empty; an empty one is left alone.
void SnmpUtilOidFree(AsnObjectIdentifier* oid);
// Releases a value's dynamic payload and leaves it ASN_NULL.
void SnmpUtilAsnAnyFree(AsnAny* value);
// Releases every binding's name and value and the array; leaves the list empty.
void SnmpUtilVarBindListFree(SnmpVarBindList* list);
