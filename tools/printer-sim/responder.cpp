#include "tools/printer-sim/responder.h"

#include <algorithm>

#include "platform/snmpmgr/asn_types.h"

namespace sim {
namespace {

constexpr std::uint8_t kGetRequest = SNMP_PDU_GET;
constexpr std::uint8_t kGetNextRequest = SNMP_PDU_GETNEXT;
constexpr std::uint8_t kGetResponse = SNMP_PDU_RESPONSE;
constexpr std::uint8_t kSetRequest = SNMP_PDU_SET;

const Profile* FindProfile(const SimState& state, const std::string& community) {
    for (const Profile& profile : state.profiles) {
        if (profile.community == community) {
            return &profile;
        }
    }
    return nullptr;
}

const char* PduName(std::uint8_t type) {
    switch (type) {
        case kGetRequest:
            return "GET";
        case kGetNextRequest:
            return "GETNEXT";
        case kSetRequest:
            return "SET";
        default:
            return "PDU";
    }
}

std::string NamesOf(const ber::Message& message) {
    std::string names;
    for (const ber::VarBind& binding : message.varbinds) {
        names += names.empty() ? "" : ",";
        names += FormatOid(binding.name);
    }
    return names.empty() ? "(no objects)" : names;
}

// The request's bindings with every value NULL: the form v1 agents answer errors in.
std::vector<ber::VarBind> Echo(const ber::Message& request, bool nullValues) {
    std::vector<ber::VarBind> bindings = request.varbinds;
    if (nullValues) {
        for (ber::VarBind& binding : bindings) {
            binding.value = ber::Value{};
        }
    }
    return bindings;
}

}  // namespace

std::string ErrorStatusName(int status) {
    switch (status) {
        case 0:
            return "noError";
        case kTooBig:
            return "tooBig";
        case kNoSuchName:
            return "noSuchName";
        case kBadValue:
            return "badValue";
        case kReadOnly:
            return "readOnly";
        case kGenErr:
            return "genErr";
        default:
            return std::to_string(status);
    }
}

int ErrorStatusFromName(const std::string& name) {
    for (int status = kTooBig; status <= kGenErr; ++status) {
        if (ErrorStatusName(status) == name) {
            return status;
        }
    }
    return -1;
}

Reply Respond(const std::uint8_t* data, std::size_t size, const SimState& state) {
    Reply reply;
    ber::Error error = ber::Decode(data, size, reply.request);
    if (error != ber::Error::None) {
        reply.outcome = Outcome::Malformed;
        reply.summary = std::string("malformed (") + ber::ErrorName(error) + "), dropped";
        return reply;
    }
    const ber::Message& request = reply.request;
    if (request.pduType != kGetRequest && request.pduType != kGetNextRequest &&
        request.pduType != kSetRequest) {
        reply.outcome = Outcome::NotARequest;
        reply.summary = "PDU type " + std::to_string(request.pduType) + " is no request, dropped";
        return reply;
    }
    std::string head = std::string(PduName(request.pduType)) + " " + NamesOf(request) + " -> ";
    const Profile* profile = FindProfile(state, request.community);
    if (profile == nullptr) {
        reply.outcome = Outcome::UnknownCommunity;
        reply.summary = head + "unknown community, dropped";
        return reply;
    }

    ber::Message response;
    response.version = 0;
    response.community = request.community;
    response.pduType = kGetResponse;
    response.requestId = request.requestId;
    std::string values;
    for (std::size_t i = 0; i < request.varbinds.size() && response.errorStatus == 0; ++i) {
        const ber::VarBind& asked = request.varbinds[i];
        int index = static_cast<int>(i) + 1;
        auto injected = state.faults.errorStatusByOid.find(asked.name);
        if (injected != state.faults.errorStatusByOid.end()) {
            response.errorStatus = injected->second;
            response.errorIndex = injected->second == kTooBig ? 0 : index;
            reply.injected = true;
            break;
        }
        auto found = profile->objects.end();
        if (request.pduType == kGetRequest) {
            found = profile->objects.find(asked.name);
        } else if (request.pduType == kGetNextRequest) {
            found = profile->objects.upper_bound(asked.name);
        }
        // A read-only v1 agent answers SET as if the object did not exist.
        if (found == profile->objects.end()) {
            response.errorStatus = kNoSuchName;
            response.errorIndex = index;
            break;
        }
        response.varbinds.push_back(ber::VarBind{found->first, found->second});
        values += values.empty() ? "" : "; ";
        if (request.pduType == kGetNextRequest) {
            values += FormatOid(found->first) + " = ";
        }
        values += DescribeValue(found->second);
    }
    if (response.errorStatus != 0) {
        response.varbinds = Echo(request, reply.injected);
        values = ErrorStatusName(response.errorStatus) + " (index " +
                 std::to_string(response.errorIndex) + ")";
    }
    if (ber::Encode(response, reply.response) != ber::Error::None) {
        // Too large to send: answer in the identical form with tooBig, as RFC 1157 asks.
        response.errorStatus = kTooBig;
        response.errorIndex = 0;
        response.varbinds = Echo(request, false);
        values = "tooBig (answer too large)";
        reply.response.clear();
        if (ber::Encode(response, reply.response) != ber::Error::None) {
            reply.outcome = Outcome::Malformed;
            reply.summary = head + "no answer fits, dropped";
            return reply;
        }
    }
    reply.outcome = Outcome::Answer;
    reply.errorStatus = response.errorStatus;
    reply.summary = head + values;
    return reply;
}

std::vector<std::vector<std::uint8_t>> MakeStrays(const Reply& reply, unsigned count) {
    std::vector<std::vector<std::uint8_t>> strays;
    if (reply.outcome != Outcome::Answer) {
        return strays;
    }
    ber::Message wrongId;
    bool decodable =
        ber::Decode(reply.response.data(), reply.response.size(), wrongId) == ber::Error::None;
    for (unsigned i = 0; i < count; ++i) {
        std::vector<std::uint8_t> datagram;
        if (i % 2 == 0 && decodable) {
            // Unsigned arithmetic: the id wraps instead of overflowing.
            wrongId.requestId = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(reply.request.requestId) + 1u + i);
            ber::Encode(wrongId, datagram);
        } else {
            // A SEQUENCE that claims more bytes than follow, then text.
            static const char kGarbage[] = "\x30\x7f\x02\x01stray datagram, not SNMP";
            datagram.assign(kGarbage, kGarbage + sizeof kGarbage - 1);
            datagram.push_back(static_cast<std::uint8_t>(i));
        }
        strays.push_back(std::move(datagram));
    }
    return strays;
}

std::vector<std::uint8_t> MakeSpoof(const Reply& reply) {
    std::vector<std::uint8_t> datagram;
    ber::Message forged;
    if (reply.outcome != Outcome::Answer ||
        ber::Decode(reply.response.data(), reply.response.size(), forged) != ber::Error::None) {
        return datagram;
    }
    forged.errorStatus = 0;
    forged.errorIndex = 0;
    forged.varbinds = reply.request.varbinds;
    for (ber::VarBind& binding : forged.varbinds) {
        binding.value = ber::Value{};
        binding.value.tag = ASN_OCTETSTRING;
        binding.value.bytes.assign(kSpoofText, kSpoofText + sizeof kSpoofText - 1);
    }
    ber::Encode(forged, datagram);
    return datagram;
}

}  // namespace sim
