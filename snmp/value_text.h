// Rendering of one SNMP value as the text the window shows.
#pragma once

#include "snmp/asn_types.h"

// Returns a new text (SnmpUtilMemAlloc; the receiver releases it with SnmpUtilMemFree), or
// null when the type has no text (NULL, Counter64, v2 exceptions, any other tag), when an
// IpAddress, Opaque or OBJECT IDENTIFIER value is empty, or when no storage can be had.
//   INTEGER: signed decimal. Counter32, Gauge32, TimeTicks: unsigned decimal (TimeTicks as
//   the bare count). OCTET STRING and Opaque: the bytes up to the first zero byte, unescaped.
//   IpAddress and OBJECT IDENTIFIER: dotted decimal, cut after 127 characters.
char* ValueToText(const AsnAny* value);
