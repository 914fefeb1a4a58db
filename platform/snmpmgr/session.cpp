// Manager sessions: one UDP socket per agent, one GetRequest per call, and an answer taken
// only when it is the GetResponse to exactly this request (its request-id and community) from
// exactly this agent. Everything else that arrives is dropped without moving the deadline.
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/net/net.h"
#include "platform/snmpmgr/agent_address.h"
#include "platform/snmpmgr/mgmtapi.h"
#include "snmp/ber.h"

namespace {
constexpr std::size_t RECEIVE_CAPACITY = ber::MAX_MESSAGE_BYTES + 1;
// More than the program ever asks for in one GET; a bound on what a caller can make us send.
constexpr std::uint32_t MAX_REQUEST_BINDINGS = 64;
}  // namespace

struct SnmpMgrSession {
    net::UdpSocket* socket = nullptr;
    AgentAddress agent{};
    std::string community;
    std::uint32_t timeoutMs = 0;
    int retries = 0;
    std::int32_t nextRequestId = 1;
    // One byte more than the largest valid message: a datagram that fills it was cut short
    // and is refused by the decoder as too large, never read as something shorter.
    std::unique_ptr<std::uint8_t[]> receiveBuffer;
    std::vector<std::uint8_t> request;
    ber::Message outgoing;
    ber::Message incoming;
};

namespace {

constexpr std::int32_t LARGEST_REQUEST_ID = 0x7FFFFFFF;

// Request-ids stay positive: some agents mishandle negative ones. The system's entropy is read
// once per process (it is slow to open); each session then starts at the next value of a
// SplitMix64 sequence seeded with it, so sessions opened one after another start far apart.
std::int32_t RandomRequestId() {
    static std::atomic<std::uint64_t> state{[] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }()};
    std::uint64_t z = state.fetch_add(0x9E3779B97F4A7C15ull) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    const auto bits = static_cast<std::uint32_t>(z) & 0x7FFFFFFFu;
    return bits == 0 ? 1 : static_cast<std::int32_t>(bits);
}

std::int32_t TakeRequestId(SnmpMgrSession* session) {
    const std::int32_t id = session->nextRequestId;
    session->nextRequestId = id == LARGEST_REQUEST_ID ? 1 : id + 1;
    return id;
}

bool SameName(const std::vector<std::uint32_t>& name, const AsnObjectIdentifier& oid) {
    if (name.size() != oid.idLength) {
        return false;
    }
    return oid.idLength == 0 ||
           std::memcmp(name.data(), oid.ids, oid.idLength * sizeof(std::uint32_t)) == 0;
}

bool IsAnswer(const ber::Message& answer, std::int32_t requestId, const SnmpMgrSession& session) {
    return answer.pduType == SNMP_PDU_RESPONSE && answer.version == ber::VERSION_1 &&
           answer.requestId == requestId && answer.community == session.community;
}

// Whether the answer's bindings name what was asked, in order. An agent that answers with an
// error status (tooBig with no bindings, genErr with others) or with another object has still
// answered: the request counts, but its values are not the asked objects' values.
bool NamesAsked(const ber::Message& answer, const SnmpVarBindList& list) {
    if (answer.varbinds.size() != list.len) {
        return false;
    }
    for (std::uint32_t i = 0; i < list.len; ++i) {
        if (!SameName(answer.varbinds[i].name, list.list[i].name)) {
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

// Replaces the list's values with the answer's, all or nothing. An answer whose bindings do
// not name the asked objects leaves every value NULL.
bool TakeValues(const ber::Message& answer, SnmpVarBindList* list) {
    const bool named = NamesAsked(answer, *list);
    std::vector<AsnAny> values(list->len);
    for (std::uint32_t i = 0; i < list->len; ++i) {
        if (!CopyValue(named ? answer.varbinds[i].value : ber::Value{}, &values[i])) {
            for (std::uint32_t j = 0; j <= i; ++j) {
                SnmpUtilAsnAnyFree(&values[j]);
            }
            return false;
        }
    }
    for (std::uint32_t i = 0; i < list->len; ++i) {
        SnmpUtilAsnAnyFree(&list->list[i].value);
        list->list[i].value = values[i];
    }
    return true;
}

bool BuildRequest(SnmpMgrSession* session, std::int32_t requestId, const SnmpVarBindList& list) {
    ber::Message& m = session->outgoing;
    m.version = 0;
    m.community = session->community;
    m.pduType = SNMP_PDU_GET;
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

// Reads datagrams until the matching answer arrives or `timeoutMs` have passed since `start`.
WaitResult AwaitAnswer(SnmpMgrSession* session, std::int32_t requestId, std::uint32_t start) {
    for (;;) {
        const std::uint32_t elapsed = TickCountMs() - start;
        if (elapsed >= session->timeoutMs) {
            return WaitResult::TimedOut;
        }
        const int ready =
            net::UdpWait(session->socket, static_cast<int>(session->timeoutMs - elapsed));
        if (ready < 0) {
            return WaitResult::Failed;
        }
        if (ready == 0) {
            continue;  // the loop head decides whether the time is up
        }
        // One datagram per turn, so that a steady stream of strays cannot outlast the deadline.
        std::uint32_t fromAddress = 0;
        std::uint16_t fromPort = 0;
        const long size = net::UdpReceive(session->socket, session->receiveBuffer.get(),
                                          RECEIVE_CAPACITY, &fromAddress, &fromPort);
        if (size < 0 || fromAddress != session->agent.address || fromPort != session->agent.port) {
            continue;
        }
        if (ber::Decode(session->receiveBuffer.get(), static_cast<std::size_t>(size),
                        session->incoming) != ber::Error::None) {
            continue;
        }
        if (IsAnswer(session->incoming, requestId, *session)) {
            return WaitResult::Answer;
        }
    }
}

}  // namespace

LPSNMP_MGR_SESSION SnmpMgrOpen(const char* agent, const char* community, int timeoutMs,
                               int retries) {
    AgentAddress address{};
    if (agent == nullptr || !ResolveAgent(agent, &address)) {
        return nullptr;
    }
    return SnmpMgrOpenAgent(address, community, timeoutMs, retries);
}

LPSNMP_MGR_SESSION SnmpMgrOpenAgent(const AgentAddress& address, const char* community,
                                    int timeoutMs, int retries) {
    if (community == nullptr || timeoutMs < 0 || retries < 0 ||
        std::strlen(community) > ber::MAX_COMMUNITY_BYTES) {
        return nullptr;
    }
    if (!net::Startup()) {
        return nullptr;
    }
    net::UdpSocket* socket = net::UdpOpen();
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
    session->nextRequestId = RandomRequestId();
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
    if (session == nullptr || list == nullptr || requestType != SNMP_PDU_GET ||
        list->len > MAX_REQUEST_BINDINGS || (list->len != 0 && list->list == nullptr)) {
        return 0;
    }
    const std::int32_t requestId = TakeRequestId(session);
    if (!BuildRequest(session, requestId, *list)) {
        return 0;
    }
    for (int attempt = 0; attempt <= session->retries; ++attempt) {
        const std::uint32_t start = TickCountMs();
        // A send that fails is waited out like a lost datagram: the agent may just be away.
        net::UdpSendTo(session->socket, session->agent.address, session->agent.port,
                       session->request.data(), session->request.size());
        const WaitResult result = AwaitAnswer(session, requestId, start);
        if (result == WaitResult::Failed) {
            return 0;
        }
        if (result == WaitResult::Answer) {
            if (!TakeValues(session->incoming, list)) {
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
    }
    return 0;
}
