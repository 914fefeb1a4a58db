#include "tools/printer-sim/responder.h"

#include <algorithm>
#include <limits>

#include "snmp/asn_types.h"
#include "snmp/oid.h"
#include "snmp/printer_mib.h"
#include "tools/printer-sim/walk.h"

namespace sim {
namespace {

constexpr std::uint8_t GET_REQUEST = SNMP_PDU_GET;
constexpr std::uint8_t GET_NEXT_REQUEST = SNMP_PDU_GETNEXT;
constexpr std::uint8_t GET_RESPONSE = SNMP_PDU_RESPONSE;
constexpr std::uint8_t SET_REQUEST = SNMP_PDU_SET;
constexpr std::uint8_t GET_BULK_REQUEST = ber::PDU_GET_BULK;

// A GETBULK answer is filled by estimate; this covers the length octets of the message, the
// PDU and the binding list growing as bindings are added.
constexpr std::size_t LENGTH_SLACK = 8;

const Profile* FindProfile(const Printer& printer, const std::string& community) {
    for (const Profile& profile : printer.profiles) {
        if (profile.community == community) {
            return &profile;
        }
    }
    return nullptr;
}

const char* PduName(std::uint8_t type) {
    switch (type) {
        case GET_REQUEST:
            return "GET";
        case GET_NEXT_REQUEST:
            return "GETNEXT";
        case SET_REQUEST:
            return "SET";
        case GET_BULK_REQUEST:
            return "GETBULK";
        default:
            return "PDU";
    }
}

std::string NamesOf(const ber::Message& message) {
    std::string names;
    for (const ber::VarBind& binding : message.varbinds) {
        names += names.empty() ? "" : ",";
        names += snmp::FormatOid(binding.name);
    }
    return names.empty() ? "(no objects)" : names;
}

// The request's bindings, with every value NULL when `nullValues`: the form v1 agents answer
// errors in.
std::vector<ber::VarBind> Echo(const ber::Message& request, bool nullValues) {
    std::vector<ber::VarBind> bindings = request.varbinds;
    if (nullValues) {
        for (ber::VarBind& binding : bindings) {
            binding.value = ber::Value{};
        }
    }
    return bindings;
}

ber::Value Exception(std::uint8_t tag) {
    ber::Value value;
    value.tag = tag;
    return value;
}

// A missing object in SNMPv2c: noSuchInstance when the profile has another instance of the
// same object (an object under the name less its last arc), noSuchObject otherwise.
std::uint8_t MissingKind(const Profile& profile, const Oid& name) {
    if (name.size() < 2) {
        return ber::NO_SUCH_OBJECT;
    }
    const Oid parent(name.begin(), name.end() - 1);
    auto at = profile.objects.lower_bound(parent);
    return at != profile.objects.end() && mib::InSubtree(at->first, parent) ? ber::NO_SUCH_INSTANCE
                                                                            : ber::NO_SUCH_OBJECT;
}

std::size_t EncodedSize(const ber::Message& message) {
    std::vector<std::uint8_t> bytes;
    return ber::Encode(message, bytes) == ber::Error::None ? bytes.size()
                                                           : std::numeric_limits<int>::max();
}

// What one more binding adds to an encoded answer, measured with the codec itself.
class SizeMeter {
  public:
    explicit SizeMeter(const ber::Message& empty) : probe_(empty), base_(EncodedSize(empty)) {}
    std::size_t Base() const { return base_; }
    std::size_t Of(const ber::VarBind& binding) {
        probe_.varbinds.assign(1, binding);
        return EncodedSize(probe_) - base_;
    }

  private:
    ber::Message probe_;
    std::size_t base_;
};

struct BulkResult {
    bool tooBig = false;  // the non-repeaters alone do not fit
    bool cut = false;     // fewer repetitions than asked, to fit the limit
};

// RFC 3416 4.2.3: the first N bindings are answered as by GETNEXT, then up to M rounds of the
// R others, each going on from its previous answer; a repeater past the end gives endOfMibView
// from then on, and once every repeater is past the end the answer stops. Bindings that would
// take the answer past the limit are left out. The `bulk-flood` fault sets M and never stops
// early: thousands of bindings, as far as the limit lets them.
BulkResult Bulk(const ber::Message& request, const Profile& profile, const Faults& faults,
                ber::Message& response) {
    BulkResult result;
    const std::vector<ber::VarBind>& asked = request.varbinds;
    const auto nonRepeaters = static_cast<std::size_t>(
        std::clamp<std::int64_t>(request.errorStatus, 0, static_cast<std::int64_t>(asked.size())));
    const std::size_t repeaters = asked.size() - nonRepeaters;
    const bool flood = faults.bulkFlood > 0;
    const std::int64_t rounds = flood ? faults.bulkFlood : std::max(request.errorIndex, 0);

    SizeMeter meter(response);
    std::size_t estimate = meter.Base() + LENGTH_SLACK;
    auto next = [&](const Oid& after) {
        std::optional<ber::VarBind> found = NextObject(profile, after, faults);
        return found ? *found : ber::VarBind{after, Exception(ber::END_OF_MIB_VIEW)};
    };
    auto add = [&](ber::VarBind binding) {
        std::size_t bytes = meter.Of(binding);
        if (estimate + bytes > faults.maxMessageBytes) {
            return false;
        }
        estimate += bytes;
        response.varbinds.push_back(std::move(binding));
        return true;
    };
    for (std::size_t i = 0; i < nonRepeaters; ++i) {
        if (!add(next(asked[i].name))) {
            result.tooBig = true;
            return result;
        }
    }
    std::vector<Oid> last;
    for (std::size_t r = nonRepeaters; r < asked.size(); ++r) {
        last.push_back(asked[r].name);
    }
    std::vector<bool> ended(repeaters, false);
    for (std::int64_t round = 0; round < rounds && repeaters > 0; ++round) {
        bool allEnded = true;
        for (std::size_t r = 0; r < repeaters; ++r) {
            ber::VarBind binding =
                ended[r] ? ber::VarBind{last[r], Exception(ber::END_OF_MIB_VIEW)} : next(last[r]);
            ended[r] = binding.value.tag == ber::END_OF_MIB_VIEW;
            allEnded = allEnded && ended[r];
            last[r] = binding.name;
            if (!add(std::move(binding))) {
                result.cut = true;
                return result;
            }
        }
        if (allEnded && !flood) {
            break;
        }
    }
    return result;
}

}  // namespace

std::string ErrorStatusName(int status) {
    switch (status) {
        case 0:
            return "noError";
        case TOO_BIG:
            return "tooBig";
        case NO_SUCH_NAME:
            return "noSuchName";
        case BAD_VALUE:
            return "badValue";
        case READ_ONLY:
            return "readOnly";
        case GEN_ERR:
            return "genErr";
        case NOT_WRITABLE:
            return "notWritable";
        default:
            return std::to_string(status);
    }
}

int ErrorStatusFromName(const std::string& name) {
    for (int status = TOO_BIG; status <= GEN_ERR; ++status) {
        if (ErrorStatusName(status) == name) {
            return status;
        }
    }
    return -1;
}

Reply Respond(const std::uint8_t* data, std::size_t size, const Printer& printer) {
    Reply reply;
    ber::Error error = ber::Decode(data, size, reply.request);
    if (error != ber::Error::None) {
        reply.outcome = Outcome::Malformed;
        reply.summary = std::string("malformed (") + ber::ErrorName(error) + "), dropped";
        return reply;
    }
    const ber::Message& request = reply.request;
    const bool v2c = request.version == ber::VERSION_2C;
    const std::uint8_t type = request.pduType;
    if (type != GET_REQUEST && type != GET_NEXT_REQUEST && type != SET_REQUEST &&
        !(v2c && type == GET_BULK_REQUEST)) {
        reply.outcome = Outcome::NotARequest;
        reply.summary = "PDU type " + std::to_string(type) + " is no request, dropped";
        return reply;
    }
    std::string head = std::string(v2c ? "v2c " : "") + PduName(type) + " " + NamesOf(request);
    if (type == GET_BULK_REQUEST) {
        head += " (non-repeaters " + std::to_string(request.errorStatus) + ", max-repetitions " +
                std::to_string(request.errorIndex) + ")";
    }
    head += " -> ";
    const Profile* profile = FindProfile(printer, request.community);
    if (profile == nullptr) {
        reply.outcome = Outcome::UnknownCommunity;
        reply.summary = head + "unknown community, dropped";
        return reply;
    }
    const Faults& faults = printer.faults;

    ber::Message response;
    response.version = request.version;
    response.community = request.community;
    response.pduType = GET_RESPONSE;
    response.requestId = request.requestId;
    for (std::size_t i = 0; i < request.varbinds.size(); ++i) {
        auto injected = faults.errorStatusByOid.find(request.varbinds[i].name);
        if (injected != faults.errorStatusByOid.end()) {
            response.errorStatus = injected->second;
            response.errorIndex = injected->second == TOO_BIG ? 0 : static_cast<int>(i) + 1;
            reply.injected = true;
            break;
        }
    }
    BulkResult bulk;
    for (std::size_t i = 0; i < request.varbinds.size() && response.errorStatus == 0; ++i) {
        const Oid& name = request.varbinds[i].name;
        const int index = static_cast<int>(i) + 1;
        if (type == GET_BULK_REQUEST) {
            bulk = Bulk(request, *profile, faults, response);
            break;
        }
        if (type == SET_REQUEST) {
            // A read-only agent: v1 answers as if the object did not exist.
            response.errorStatus = v2c ? NOT_WRITABLE : NO_SUCH_NAME;
            response.errorIndex = index;
            break;
        }
        std::optional<ber::VarBind> found;
        if (type == GET_REQUEST) {
            auto at = profile->objects.find(name);
            if (at != profile->objects.end()) {
                found = ber::VarBind{at->first, at->second};
            } else if (v2c) {
                found = ber::VarBind{name, Exception(MissingKind(*profile, name))};
            }
        } else {
            found = NextObject(*profile, name, faults);
            if (!found && v2c) {
                found = ber::VarBind{name, Exception(ber::END_OF_MIB_VIEW)};
            }
        }
        if (!found) {
            response.errorStatus = NO_SUCH_NAME;
            response.errorIndex = index;
            break;
        }
        response.varbinds.push_back(std::move(*found));
    }

    std::string values;
    if (response.errorStatus != 0) {
        response.varbinds = Echo(request, reply.injected);
        values = ErrorStatusName(response.errorStatus) + " (index " +
                 std::to_string(response.errorIndex) + ")";
    } else if (type == GET_BULK_REQUEST) {
        values = std::to_string(response.varbinds.size()) + " bindings" +
                 (bulk.cut ? ", cut to fit" : "");
    } else {
        for (const ber::VarBind& binding : response.varbinds) {
            values += values.empty() ? "" : "; ";
            if (type == GET_NEXT_REQUEST) {
                values += snmp::FormatOid(binding.name) + " = ";
            }
            values += DescribeValue(binding.value);
        }
    }
    if (bulk.tooBig || ber::Encode(response, reply.response) != ber::Error::None ||
        reply.response.size() > faults.maxMessageBytes) {
        // Too large to send: tooBig, in v1 with the request's bindings (RFC 1157), in v2c with
        // none (RFC 3416).
        response.errorStatus = TOO_BIG;
        response.errorIndex = 0;
        response.varbinds = v2c ? std::vector<ber::VarBind>{} : Echo(request, false);
        values = "tooBig (answer too large)";
        reply.response.clear();
        if (ber::Encode(response, reply.response) != ber::Error::None ||
            reply.response.size() > faults.maxMessageBytes) {
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

std::vector<std::vector<std::uint8_t>> MakeStrays(const std::vector<std::uint8_t>& response,
                                                  unsigned count) {
    std::vector<std::vector<std::uint8_t>> strays;
    ber::Message wrongId;
    bool decodable = ber::Decode(response.data(), response.size(), wrongId) == ber::Error::None;
    const auto requestId = static_cast<std::uint32_t>(wrongId.requestId);
    for (unsigned i = 0; i < count; ++i) {
        std::vector<std::uint8_t> datagram;
        if (i % 2 == 0 && decodable) {
            // Unsigned arithmetic: the id wraps instead of overflowing.
            wrongId.requestId = static_cast<std::int32_t>(requestId + 1u + i);
            ber::Encode(wrongId, datagram);
        } else {
            // A SEQUENCE that claims more bytes than follow, then text.
            static const char GARBAGE[] = "\x30\x7f\x02\x01stray datagram, not SNMP";
            datagram.assign(GARBAGE, GARBAGE + sizeof GARBAGE - 1);
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
        binding.value.bytes.assign(SPOOF_TEXT, SPOOF_TEXT + sizeof SPOOF_TEXT - 1);
    }
    ber::Encode(forged, datagram);
    return datagram;
}

}  // namespace sim
