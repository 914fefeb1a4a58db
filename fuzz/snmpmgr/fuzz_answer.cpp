// Feeds its input to the program's read of one object as the agent's answer: through the
// session's matching, the copy of the answer's values, ValueToText, the cut to the object text
// and the reading of that text as a field. The network is a stand-in that delivers two
// datagrams per request: the input exactly as it came, and, when it decodes, the same answer
// made to match the request (its request-id, community and name), so that the copying and
// rendering paths see every value the fuzzer invents.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/clock/clock.h"
#include "platform/net/net.h"
#include "shell/object_text.h"
#include "snmp/ber.h"
#include "state/monitor_state.h"
#include "text/field_text.h"

namespace {

constexpr std::uint32_t AGENT_ADDRESS = 0x0100007F;  // 127.0.0.1, network order
constexpr std::uint16_t AGENT_PORT = 16161;

std::uint32_t g_now = 0;
std::vector<std::uint8_t> g_input;
std::deque<std::vector<std::uint8_t>> g_pending;

// The answer to `request`: the input, then (when it decodes) the input made to match.
void Answer(const std::uint8_t* request, std::size_t size) {
    g_pending.clear();
    g_pending.push_back(g_input);
    ber::Message sent;
    ber::Message answer;
    if (ber::Decode(request, size, sent) != ber::Error::None ||
        ber::Decode(g_input.data(), g_input.size(), answer) != ber::Error::None) {
        return;
    }
    answer.version = sent.version;
    answer.community = sent.community;
    answer.pduType = SNMP_PDU_RESPONSE;
    answer.requestId = sent.requestId;
    if (!answer.varbinds.empty() && !sent.varbinds.empty()) {
        answer.varbinds[0].name = sent.varbinds[0].name;
    }
    std::vector<std::uint8_t> matching;
    if (ber::Encode(answer, matching) == ber::Error::None) {
        g_pending.push_back(std::move(matching));
    }
}

}  // namespace

// The clock runs only when nothing is waiting, so a request that no datagram answers times out
// at once instead of after half a second.
std::uint32_t TickCountMs() {
    return g_now;
}

namespace net {

struct UdpSocket {};

bool Startup() {
    return true;
}
void Cleanup() {}
bool ResolveIPv4(const char*, int, std::uint32_t*) {
    return false;
}
UdpSocket* UdpOpen() {
    static UdpSocket socket;
    return &socket;
}
void UdpClose(UdpSocket*) {}
bool UdpSendTo(UdpSocket*, std::uint32_t, std::uint16_t, const std::uint8_t* data,
               std::size_t size) {
    Answer(data, size);
    return true;
}
long UdpReceive(UdpSocket*, std::uint8_t* data, std::size_t capacity, std::uint32_t* fromAddress,
                std::uint16_t* fromPort) {
    if (g_pending.empty()) {
        return -1;
    }
    const std::vector<std::uint8_t> datagram = std::move(g_pending.front());
    g_pending.pop_front();
    const std::size_t size = std::min(datagram.size(), capacity);
    std::copy_n(datagram.begin(), size, data);
    *fromAddress = AGENT_ADDRESS;
    *fromPort = AGENT_PORT;
    return static_cast<long>(size);
}
int UdpWait(UdpSocket*, int) {
    if (g_pending.empty()) {
        g_now += 1000;
        return 0;
    }
    return 1;
}

}  // namespace net

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > ber::MAX_MESSAGE_BYTES) {
        return 0;
    }
    g_input.assign(data, data + size);
    static const LPSNMP_MGR_SESSION session =
        SnmpMgrOpenAgent(AgentAddress{AGENT_ADDRESS, AGENT_PORT}, "orchid", SNMP_TIMEOUT_MS, 0);
    g_session = session;
    g_state = STATE_OK;

    AsnObjectIdentifier oid{};
    SnmpMgrStrToOid(".1.3.6.1.2.1.43.16.5.1.2.1.1", &oid);
    char text[OBJECT_TEXT_CHARS];
    std::memset(text, 'u', sizeof text - 1);
    text[sizeof text - 1] = '\0';
    const bool answered = GetObjectText(&oid, text);
    SnmpUtilOidFree(&oid);

    // The object text is always terminated within its buffer, and an answer never loses the
    // printer; what reads it as a field gets valid UTF-8.
    FuzzCheck(std::memchr(text, '\0', sizeof text) != nullptr);
    FuzzCheck(!answered || g_state == STATE_OK);
    FuzzCheck(IsValidUtf8(FieldToUtf8(text)));
    return 0;
}
