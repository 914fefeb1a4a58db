// Our SNMPv1 manager, offered with the calls, types and ownership rules of the Windows SNMP
// Management API that the program was designed on, so one tested path serves every platform.
//
// Ownership: texts and arrays handed out here come from SnmpUtilMemAlloc and are released with
// SnmpUtilMemFree; SnmpUtilOidFree leaves the identifier empty, so releasing twice is harmless.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/net/net.h"
#include "snmp/asn_types.h"

// The longest a lookup may hold its caller: a DNS server that does not answer must not freeze
// the window (start-up and Update Target each stay within about a second).
inline constexpr int RESOLVE_TIMEOUT_MS = 750;

struct SnmpMgrSession;
using LPSNMP_MGR_SESSION = SnmpMgrSession*;

// Opens a session to `agent`: a target as net::ResolveAgentTarget reads it (HOST, HOST:PORT, an
// IPv4 or IPv6 literal, [IPV6]:PORT; default port 161), its host resolved with IPv4 preferred.
// Returns null when the target is malformed, does not resolve (within RESOLVE_TIMEOUT_MS) or no
// socket can be had.
LPSNMP_MGR_SESSION SnmpMgrOpen(const char* agent, const char* community, int timeoutMs,
                               int retries);
// The same for an agent whose endpoint (IPv4 or IPv6) is known already: no name is resolved.
LPSNMP_MGR_SESSION SnmpMgrOpenAgent(const net::Endpoint& agent, const char* community,
                                    int timeoutMs, int retries);
// Closes the session and releases everything it holds. Null is ignored.
int SnmpMgrClose(LPSNMP_MGR_SESSION session);

// Converts dotted text that begins with "." (counted from the root) into an identifier.
// Returns nonzero on success; on failure `oid` is left empty.
int SnmpMgrStrToOid(const char* text, AsnObjectIdentifier* oid);

// Sends one request (SNMP_PDU_GET or SNMP_PDU_GETNEXT) with the bindings of `list`, and waits
// for the matching GetResponse for at most the session's time-out, sending again `retries`
// times. Returns nonzero when an answer arrived: the list's values then hold the answer's values
// (the list's array may have been replaced) and *errorStatus/*errorIndex the answer's; after a
// GETNEXT whose answer names objects after the asked ones, the names are the answer's too. An
// answer that names other objects (or, to a GETNEXT, no later ones) leaves the values NULL and
// the names as they were. Returns zero when no answer arrived or the request could not be made;
// the list is then unchanged.
int SnmpMgrRequest(LPSNMP_MGR_SESSION session, std::uint8_t requestType, SnmpVarBindList* list,
                   AsnInteger32* errorStatus, AsnInteger32* errorIndex);
