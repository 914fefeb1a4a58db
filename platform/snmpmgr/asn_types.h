// SNMPv1 numbers shared by the manager, its codec and the simulated printer: the type tags of
// values, the PDU types and the error statuses.
#pragma once

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
