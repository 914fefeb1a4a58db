// The agent's answer to one datagram, computed without any I/O: decoding, community check,
// lookup in the profile, injected error statuses and walk faults, encoding. SNMPv1 as a v1
// agent answers (noSuchName), SNMPv2c as RFC 3416 asks (the exceptions noSuchObject,
// noSuchInstance and endOfMibView; GETBULK cut to the answer limit). Also builds the stray
// datagrams and forged answers that precede an answer when the `stray` or `spoof` fault is on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/printer-sim/sim_state.h"

namespace sim {

enum class Outcome {
    Answer,            // `response` holds the GetResponse to send
    Malformed,         // not a decodable SNMPv1/v2c message: drop
    NotARequest,       // a GetResponse, trap, report or a PDU the version lacks: drop
    UnknownCommunity,  // no profile for the community: drop, as v1 and v2c agents do
};

struct Reply {
    Outcome outcome = Outcome::Malformed;
    ber::Message request;                // as decoded (valid unless Malformed)
    std::vector<std::uint8_t> response;  // Answer only
    int errorStatus = 0;                 // of the answer
    bool injected = false;               // the error status came from an `error` fault
    std::string summary;                 // one line for the log: request and result
};

// Reads the printer's profiles and faults; changes nothing.
Reply Respond(const std::uint8_t* data, std::size_t size, const Printer& printer);

// `count` datagrams to send before the answer `response`: copies of it with a different
// request-id, alternating with bytes that are no SNMP message at all.
std::vector<std::vector<std::uint8_t>> MakeStrays(const std::vector<std::uint8_t>& response,
                                                  unsigned count);

// A copy of `reply`'s answer, request-id included, whose every value is the OCTET STRING
// SPOOF_TEXT and whose error status is 0: sent from another port, it must be ignored.
inline constexpr char SPOOF_TEXT[] = "spoofed answer from another port";
std::vector<std::uint8_t> MakeSpoof(const Reply& reply);

// "noError", "tooBig", "noSuchName", "badValue", "readOnly", "genErr", "notWritable", or the
// number.
std::string ErrorStatusName(int status);
// The reverse, for the injectable names (tooBig .. genErr, case-sensitive); -1 when unknown.
int ErrorStatusFromName(const std::string& name);

}  // namespace sim
