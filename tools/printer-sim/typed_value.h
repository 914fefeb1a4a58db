// Text forms the simulated printer reads and writes: dotted object identifiers (written by
// snmp::FormatOid) and snmprec-style typed values ("TAG" or "TAGx" plus the value text), and a
// short description of a value for logs. Parsing never throws; a failure names the problem in
// `error`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/ber.h"

namespace sim {

using Oid = std::vector<std::uint32_t>;

// "1.3.6.1.2.1.1.1.0" (a leading dot is accepted), as snmp::ParseOid reads it, and an
// identifier the codec can encode (ber::OidEncodable): at least two components, a first of
// 0..2, a second below 40 under 0 and 1.
bool ParseOid(std::string_view text, Oid& oid, std::string& error);

// `tag` is the snmprec tag field: 2, 4, 5, 6, 64, 65, 66, 67, 68, or 4x/64x/68x for a value
// written in hexadecimal. `text` is the value field.
bool ParseTypedValue(std::string_view tag, std::string_view text, ber::Value& value,
                     std::string& error);

// "INTEGER 42", "STRING \"READY\"", "Opaque 0x0102", "endOfMibView"... with unprintable bytes
// escaped.
std::string DescribeValue(const ber::Value& value);

// `text` with every byte outside printable ASCII (controls, DEL, 0x80-0xFF) written as \xNN:
// what may reach a terminal from text a peer sent.
std::string EscapeControlBytes(std::string_view text);

}  // namespace sim
