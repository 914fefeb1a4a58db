// SNMP's numbers and value types as the Windows SNMP API spells them (its snmp.h): the type tags
// of values, the PDU types, the error statuses, and the value and binding structures that the
// manager hands out and the window renders.
#pragma once

#include <cstddef>
#include <cstdint>

using AsnInteger32 = std::int32_t;
using AsnUnsigned32 = std::uint32_t;

// BER/SNMP type tags of values.
inline constexpr std::uint8_t ASN_INTEGER = 0x02;
inline constexpr std::uint8_t ASN_OCTETSTRING = 0x04;
inline constexpr std::uint8_t ASN_NULL = 0x05;
inline constexpr std::uint8_t ASN_OBJECTIDENTIFIER = 0x06;
inline constexpr std::uint8_t ASN_SEQUENCE = 0x30;
inline constexpr std::uint8_t ASN_IPADDRESS = 0x40;
inline constexpr std::uint8_t ASN_COUNTER32 = 0x41;
inline constexpr std::uint8_t ASN_GAUGE32 = 0x42;
inline constexpr std::uint8_t ASN_TIMETICKS = 0x43;
inline constexpr std::uint8_t ASN_OPAQUE = 0x44;
inline constexpr std::uint8_t ASN_COUNTER64 = 0x46;

inline constexpr std::uint8_t SNMP_PDU_GET = 0xA0;
inline constexpr std::uint8_t SNMP_PDU_GETNEXT = 0xA1;
inline constexpr std::uint8_t SNMP_PDU_RESPONSE = 0xA2;
inline constexpr std::uint8_t SNMP_PDU_SET = 0xA3;

inline constexpr AsnInteger32 SNMP_ERRORSTATUS_NOERROR = 0;
inline constexpr AsnInteger32 SNMP_ERRORSTATUS_TOOBIG = 1;
inline constexpr AsnInteger32 SNMP_ERRORSTATUS_NOSUCHNAME = 2;
inline constexpr AsnInteger32 SNMP_ERRORSTATUS_BADVALUE = 3;
inline constexpr AsnInteger32 SNMP_ERRORSTATUS_READONLY = 4;
inline constexpr AsnInteger32 SNMP_ERRORSTATUS_GENERR = 5;

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

// The API's utility calls. Ownership: texts and arrays come from SnmpUtilMemAlloc and are
// released with SnmpUtilMemFree; SnmpUtilOidFree leaves the identifier empty, so releasing twice
// is harmless.
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
