// Manager sessions: one UDP socket per agent, one GetRequest or GetNextRequest per call, and
// an answer taken only by the shared matching rule (request_match.h: its random request-id,
// version and community, from exactly this agent's endpoint). Everything else that arrives is
// dropped without moving the deadline.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/net/net.h"
#include "platform/snmpmgr/mgmtapi.h"
#include "platform/snmpmgr/request_match.h"
#include "snmp/ber.h"

namespace {
constexpr std::size_t RECEIVE_CAPACITY = ber::MAX_MESSAGE_BYTES + 1;
// More than the program ever asks for in one GET; a bound on what a caller can make us send.
constexpr std::uint32_t MAX_REQUEST_BINDINGS = 64;
}  // namespace

struct SnmpMgrSession {
    net::UdpSocket* socket = nullptr;
    net::Endpoint agent;
    std::string community;
    std::uint32_t timeoutMs = 0;
    int retries = 0;
    // The one request outstanding at a time: its id, and the rule that takes its answer.
    snmpmatch::RequestTable requests;
    // One byte more than the largest valid message: a datagram that fills it was cut short
    // and is refused by the decoder as too large, never read as something shorter.
    std::unique_ptr<std::uint8_t[]> receiveBuffer;
    std::vector<std::uint8_t> request;
    ber::Message outgoing;
    ber::Message incoming;
};

namespace {

bool SameName(const std::vector<std::uint32_t>& name, const AsnObjectIdentifier& oid) {
    if (name.size() != oid.idLength) {
        return false;
    }
    return oid.idLength == 0 ||
           std::memcmp(name.data(), oid.ids, oid.idLength * sizeof(std::uint32_t)) == 0;
}

bool NameAfter(const std::vector<std::uint32_t>& name, const AsnObjectIdentifier& oid) {
    const std::uint32_t* asked = oid.idLength == 0 ? nullptr : oid.ids;
    return std::lexicographical_compare(asked, asked + oid.idLength, name.begin(), name.end());
}

// Whether the answer's bindings answer what was asked, in order: the asked objects for a GET,
// objects after the asked names for a GETNEXT. An agent that answers with an error status
// (tooBig with no bindings, genErr with others), with another object or, to a GETNEXT, with a
// name that does not advance has still answered: the request counts, but its values are not
// the asked objects' values.
bool NamesAnswer(const ber::Message& answer, const SnmpVarBindList& list,
                 std::uint8_t requestType) {
    if (answer.varbinds.size() != list.len) {
        return false;
    }
    for (std::uint32_t i = 0; i < list.len; ++i) {
        const bool answers = requestType == SNMP_PDU_GETNEXT
                                 ? NameAfter(answer.varbinds[i].name, list.list[i].name)
                                 : SameName(answer.varbinds[i].name, list.list[i].name);
        if (!answers) {
            return false;
        }
    }
    return true;
}

void* CopyBytes(const void* data, std::size_t size) {
    // Never a null stream, even for no bytes: receivers may hand it to memcpy.
    void* block = SnmpUtilMemAlloc(size == 0 ? 1 : size);
    if (block != nullptr && size != 0) {
        std::memcpy(block, data, size);
    }
    return block;
}

std::uint64_t Counter64Of(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t value = 0;
    for (const std::uint8_t byte : bytes) {
        value = (value << 8) | byte;  // the codec let through at most 8 significant bytes
    }
    return value;
}

// Fills `out` from a decoded value, with its own storage. False when storage fails. A value
// whose content did not fit its type arrives as NULL: the answer counts, the value has no text.
bool CopyValue(const ber::Value& value, AsnAny* out) {
    std::memset(out, 0, sizeof *out);
    out->asnType = value.valid ? value.tag : ASN_NULL;
    switch (out->asnType) {
        case ASN_INTEGER:
            out->asnValue.number = static_cast<AsnInteger32>(value.integer);
            return true;
        case ASN_COUNTER32:
        case ASN_GAUGE32:
        case ASN_TIMETICKS:
            out->asnValue.unsigned32 = static_cast<AsnUnsigned32>(value.integer);
            return true;
        case ASN_COUNTER64:
            out->asnValue.counter64 = Counter64Of(value.bytes);
            return true;
        case ASN_OCTETSTRING:
        case ASN_IPADDRESS:
        case ASN_OPAQUE: {
            void* stream = CopyBytes(value.bytes.data(), value.bytes.size());
            if (stream == nullptr) {
                return false;
            }
            out->asnValue.string.stream = static_cast<std::uint8_t*>(stream);
            out->asnValue.string.length = static_cast<std::uint32_t>(value.bytes.size());
            out->asnValue.string.dynamic = true;
            return true;
        }
        case ASN_OBJECTIDENTIFIER: {
            void* ids = CopyBytes(value.oid.data(), value.oid.size() * sizeof(std::uint32_t));
            if (ids == nullptr) {
                return false;
            }
            out->asnValue.object.ids = static_cast<std::uint32_t*>(ids);
            out->asnValue.object.idLength = static_cast<std::uint32_t>(value.oid.size());
            return true;
        }
        default:
            return true;  // NULL and every type without a payload of ours
    }
}

// The answer's name for a GETNEXT binding, in storage of its own. False when storage fails.
bool CopyName(const std::vector<std::uint32_t>& name, AsnObjectIdentifier* out) {
    void* ids = CopyBytes(name.data(), name.size() * sizeof(std::uint32_t));
    if (ids == nullptr) {
        return false;
    }
    out->ids = static_cast<std::uint32_t*>(ids);
    out->idLength = static_cast<std::uint32_t>(name.size());
    return true;
}

// Replaces the list's values with the answer's, all or nothing, and after a GETNEXT the names
// too, as the values now belong to the answer's objects. An answer whose bindings do not
// answer the asked names leaves every value NULL and every name as it was.
bool TakeValues(const ber::Message& answer, SnmpVarBindList* list, std::uint8_t requestType) {
    const bool named = NamesAnswer(answer, *list, requestType);
    const bool renamed = named && requestType == SNMP_PDU_GETNEXT;
    std::vector<AsnAny> values(list->len);
    std::vector<AsnObjectIdentifier> names(renamed ? list->len : 0);
    for (std::uint32_t i = 0; i < list->len; ++i) {
        const bool copied =
            CopyValue(named ? answer.varbinds[i].value : ber::Value{}, &values[i]) &&
            (!renamed || CopyName(answer.varbinds[i].name, &names[i]));
        if (!copied) {
            for (std::uint32_t j = 0; j <= i; ++j) {
                SnmpUtilAsnAnyFree(&values[j]);
                if (renamed) {
                    SnmpUtilOidFree(&names[j]);
                }
            }
            return false;
        }
    }
    for (std::uint32_t i = 0; i < list->len; ++i) {
        SnmpUtilAsnAnyFree(&list->list[i].value);
        list->list[i].value = values[i];
        if (renamed) {
            SnmpUtilOidFree(&list->list[i].name);
            list->list[i].name = names[i];
        }
    }
    return true;
}

bool BuildRequest(SnmpMgrSession* session, std::uint8_t requestType, std::int32_t requestId,
                  const SnmpVarBindList& list) {
    ber::Message& m = session->outgoing;
    m.version = 0;
    m.community = session->community;
    m.pduType = requestType;
    m.requestId = requestId;
    m.errorStatus = 0;
    m.errorIndex = 0;
    m.varbinds.resize(list.len);
    for (std::uint32_t i = 0; i < list.len; ++i) {
        const AsnObjectIdentifier& name = list.list[i].name;
        if (name.idLength != 0 && name.ids == nullptr) {
            return false;
        }
        m.varbinds[i].name.assign(name.ids, name.ids + name.idLength);
        m.varbinds[i].value = ber::Value{};  // NULL
    }
    session->request.clear();
    return ber::Encode(m, session->request) == ber::Error::None;
}

enum class WaitResult { Answer, TimedOut, Failed };

// Reads datagrams until the request's answer arrives or its deadline passes; the table's clock
// is the milliseconds since `start`.
WaitResult AwaitAnswer(SnmpMgrSession* session, std::uint32_t start) {
    for (;;) {
        const snmpmatch::Millis elapsed = TickCountMs() - start;
        const std::optional<snmpmatch::Millis> deadline = session->requests.NextDeadline();
        if (!deadline || elapsed >= *deadline) {
            return WaitResult::TimedOut;
        }
        const int ready = net::UdpWait(session->socket, static_cast<int>(*deadline - elapsed));
        if (ready < 0) {
            return WaitResult::Failed;
        }
        if (ready == 0) {
            continue;  // the loop head decides whether the time is up
        }
        // One datagram per turn, so that a steady stream of strays cannot outlast the deadline.
        net::Endpoint from;
        const long size =
            net::UdpReceive(session->socket, session->receiveBuffer.get(), RECEIVE_CAPACITY, &from);
        if (size >= 0 &&
            session->requests.Accept(session->receiveBuffer.get(), static_cast<std::size_t>(size),
                                     from, 0, session->incoming)) {
            return WaitResult::Answer;
        }
    }
}

}  // namespace

LPSNMP_MGR_SESSION SnmpMgrOpen(const char* agent, const char* community, int timeoutMs,
                               int retries) {
    net::Endpoint address;
    if (!net::ResolveAgentTarget(agent, RESOLVE_TIMEOUT_MS, &address)) {
        return nullptr;
    }
    return SnmpMgrOpenAgent(address, community, timeoutMs, retries);
}

LPSNMP_MGR_SESSION SnmpMgrOpenAgent(const net::Endpoint& address, const char* community,
                                    int timeoutMs, int retries) {
    if (community == nullptr || timeoutMs < 0 || retries < 0 ||
        std::strlen(community) > ber::MAX_COMMUNITY_BYTES) {
        return nullptr;
    }
    if (!net::Startup()) {
        return nullptr;
    }
    net::UdpSocket* socket = net::UdpOpen(address.family);
    if (socket == nullptr) {
        net::Cleanup();
        return nullptr;
    }
    auto* session = new (std::nothrow) SnmpMgrSession;
    if (session != nullptr) {
        session->receiveBuffer.reset(new (std::nothrow) std::uint8_t[RECEIVE_CAPACITY]);
    }
    if (session == nullptr || session->receiveBuffer == nullptr) {
        delete session;
        net::UdpClose(socket);
        net::Cleanup();
        return nullptr;
    }
    session->socket = socket;
    session->agent = address;
    session->community = community;
    session->timeoutMs = static_cast<std::uint32_t>(timeoutMs);
    session->retries = retries;
    return session;
}

int SnmpMgrClose(LPSNMP_MGR_SESSION session) {
    if (session == nullptr) {
        return 0;
    }
    net::UdpClose(session->socket);
    delete session;
    net::Cleanup();
    return 1;
}

int SnmpMgrRequest(LPSNMP_MGR_SESSION session, std::uint8_t requestType, SnmpVarBindList* list,
                   AsnInteger32* errorStatus, AsnInteger32* errorIndex) {
    const bool known = requestType == SNMP_PDU_GET || requestType == SNMP_PDU_GETNEXT;
    if (session == nullptr || list == nullptr || !known || list->len > MAX_REQUEST_BINDINGS ||
        (list->len != 0 && list->list == nullptr)) {
        return 0;
    }
    // One id for every attempt of this request: a late answer to the first still counts.
    const std::int32_t requestId = session->requests.Add({.agent = session->agent,
                                                          .version = ber::VERSION_1,
                                                          .community = session->community,
                                                          .deadline = session->timeoutMs});
    const bool built = BuildRequest(session, requestType, requestId, *list);
    WaitResult result = WaitResult::TimedOut;
    for (int attempt = 0; built && attempt <= session->retries; ++attempt) {
        const std::uint32_t start = TickCountMs();
        session->requests.Rearm(requestId, session->timeoutMs);
        // A send that fails is waited out like a lost datagram: the agent may just be away.
        net::UdpSendTo(session->socket, session->agent, session->request.data(),
                       session->request.size());
        result = AwaitAnswer(session, start);
        if (result != WaitResult::TimedOut) {
            break;
        }
    }
    session->requests.Remove(requestId);  // answered (gone already) or given up
    if (result != WaitResult::Answer || !TakeValues(session->incoming, list, requestType)) {
        return 0;
    }
    if (errorStatus != nullptr) {
        *errorStatus = session->incoming.errorStatus;
    }
    if (errorIndex != nullptr) {
        *errorIndex = session->incoming.errorIndex;
    }
    return 1;
}
