// ICMP and ICMPv6 echo on Windows. A raw socket where Windows grants one (administrators);
// otherwise the system's ICMP echo service (IcmpSendEcho, Icmp6SendEcho2), which any user may
// call. The service is loaded at run time, so a system without it leaves the probe with no way
// to send (PROBE_ERROR) instead of keeping the program from starting.
//
// The service sends and waits in one call. IcmpSend therefore only remembers the request;
// IcmpWait performs the echo and, when the host answered, keeps a bare echo reply built from
// our request (type 0, or 129 for ICMPv6, its identifier, sequence and data) for IcmpReceive.
#include <winsock2.h>
#include <ws2tcpip.h>

// icmpapi.h needs the types of iphlpapi.h: keep them apart so that sorting leaves the order.
#include <iphlpapi.h>

#include <icmpapi.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "platform/net/icmp_win32.h"
#include "platform/net/socket_address.h"

namespace net {

namespace {

constexpr std::size_t ICMP_HEADER_BYTES = 8;
constexpr std::size_t MESSAGE_BYTES = 512;  // far above the 12-byte echo the probe sends

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID,
                                      DWORD, DWORD);
// The APC routine's declared type differs between SDK versions; it is always passed null here.
using Icmp6SendEcho2Fn = DWORD(WINAPI*)(HANDLE, HANDLE, void*, PVOID, sockaddr_in6*, sockaddr_in6*,
                                        LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD);
using Icmp6ParseRepliesFn = DWORD(WINAPI*)(LPVOID, DWORD);

// ICMPV6_ECHO_REPLY as the system writes it: the address record is packed, the status follows
// at the next 4-byte boundary. Declared here because not every SDK's headers have it.
#pragma pack(push, 1)
struct Ipv6AddressEx {
    USHORT port;
    ULONG flowInfo;
    USHORT address[8];
    ULONG scopeId;
};
#pragma pack(pop)
struct Icmp6EchoReply {
    Ipv6AddressEx address;
    ULONG status;
    unsigned int roundTripTime;
};
static_assert(sizeof(Ipv6AddressEx) == 26 && offsetof(Icmp6EchoReply, status) == 28,
              "the layout of ICMPV6_ECHO_REPLY");

constexpr std::uint8_t ECHO_REPLY_TYPE = 0;
constexpr std::uint8_t ECHOV6_REPLY_TYPE = 129;

struct EchoService {
    HMODULE library = nullptr;
    HANDLE handle = INVALID_HANDLE_VALUE;
    IcmpCloseHandleFn close = nullptr;
    IcmpSendEchoFn send = nullptr;         // IPv4
    Icmp6SendEcho2Fn send6 = nullptr;      // IPv6
    Icmp6ParseRepliesFn parse6 = nullptr;  // IPv6
};

template <typename Function>
Function Lookup(HMODULE library, const char* name) {
    // GetProcAddress hands out a generic function pointer; the cast through void(*)() is the
    // documented way to give it its real type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

bool OpenEchoService(EchoService* service, Family family) {
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    static constexpr char NAME[] = "\\iphlpapi.dll";
    if (length == 0 || length + sizeof NAME > MAX_PATH) {
        return false;
    }
    std::memcpy(path + length, NAME, sizeof NAME);
    service->library = LoadLibraryA(path);
    if (service->library == nullptr) {
        return false;
    }
    const bool v6 = family == Family::IPv6;
    const auto create =
        Lookup<IcmpCreateFileFn>(service->library, v6 ? "Icmp6CreateFile" : "IcmpCreateFile");
    service->close = Lookup<IcmpCloseHandleFn>(service->library, "IcmpCloseHandle");
    service->send = Lookup<IcmpSendEchoFn>(service->library, "IcmpSendEcho");
    service->send6 = Lookup<Icmp6SendEcho2Fn>(service->library, "Icmp6SendEcho2");
    service->parse6 = Lookup<Icmp6ParseRepliesFn>(service->library, "Icmp6ParseReplies");
    const bool sends =
        v6 ? service->send6 != nullptr && service->parse6 != nullptr : service->send != nullptr;
    if (create != nullptr && service->close != nullptr && sends) {
        service->handle = create();
    }
    if (service->handle == INVALID_HANDLE_VALUE) {
        FreeLibrary(service->library);
        return false;
    }
    return true;
}

void CloseEchoService(EchoService* service) {
    service->close(service->handle);
    FreeLibrary(service->library);
}

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    }
    if (size % 2 != 0) {
        sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    }
    while (sum >> 16 != 0) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

struct IcmpSocket {
    IcmpKind kind;
    Family family = Family::IPv4;
    SOCKET raw = INVALID_SOCKET;
    EchoService service;
    // The service's request, kept from IcmpSend until IcmpWait performs it.
    bool requestPending = false;
    Endpoint requestAddress;
    std::uint8_t request[MESSAGE_BYTES];
    std::size_t requestSize = 0;
    // The synthesized reply, kept from IcmpWait until IcmpReceive takes it.
    bool replyPending = false;
    Endpoint replyAddress;
    std::uint8_t reply[MESSAGE_BYTES];
    std::size_t replySize = 0;
};

namespace {

// Performs the service's echo of the pending request: true, with the replying address, when
// the host answered within `wait` milliseconds.
bool ServiceEcho(IcmpSocket* socket, DWORD wait, Endpoint* replied) {
    const std::size_t dataSize = socket->requestSize - ICMP_HEADER_BYTES;
    std::uint8_t* data = socket->request + ICMP_HEADER_BYTES;
    if (socket->family == Family::IPv6) {
        sockaddr_storage to{};
        ToSockaddr(socket->requestAddress, &to);
        sockaddr_in6 source{};
        source.sin6_family = AF_INET6;
        // The documented room: the reply record, the echoed data, 8 bytes and a status block.
        alignas(8) std::uint8_t answers[sizeof(Icmp6EchoReply) + MESSAGE_BYTES + 8 + 64];
        const DWORD sent = socket->service.send6(socket->service.handle, nullptr, nullptr, nullptr,
                                                 &source, reinterpret_cast<sockaddr_in6*>(&to),
                                                 data, static_cast<WORD>(dataSize), nullptr,
                                                 answers, sizeof answers, wait);
        if (sent == 0 || socket->service.parse6(answers, sizeof answers) == 0) {
            return false;
        }
        Icmp6EchoReply answer;
        std::memcpy(&answer, answers, sizeof answer);
        if (answer.status != IP_SUCCESS) {
            return false;
        }
        *replied = Endpoint{Family::IPv6, {}, 0};
        std::memcpy(replied->address.data(), answer.address.address, 16);
        return true;
    }
    IPAddr destination = 0;
    std::memcpy(&destination, socket->requestAddress.address.data(), sizeof destination);
    // Room for the reply record, the echoed data and an ICMP error message, as documented.
    alignas(8) std::uint8_t answers[sizeof(ICMP_ECHO_REPLY) + MESSAGE_BYTES + 8 + 64];
    const DWORD count =
        socket->service.send(socket->service.handle, destination, data, static_cast<WORD>(dataSize),
                             nullptr, answers, sizeof answers, wait);
    if (count == 0) {
        return false;  // timed out, or unreachable: no answer either way
    }
    ICMP_ECHO_REPLY answer;
    std::memcpy(&answer, answers, sizeof answer);
    if (answer.Status != IP_SUCCESS) {
        return false;
    }
    *replied = Endpoint{};
    std::memcpy(replied->address.data(), &answer.Address, sizeof answer.Address);
    return true;
}

}  // namespace

IcmpSocket* IcmpOpen(Family family) {
    const bool v6 = family == Family::IPv6;
    SOCKET raw = socket(AddressFamily(family), SOCK_RAW, v6 ? IPPROTO_ICMPV6 : IPPROTO_ICMP);
    if (raw != INVALID_SOCKET) {
        sockaddr_storage local{};
        const int length = ToSockaddr(Endpoint{family, {}, 0}, &local);
        u_long nonBlocking = 1;
        // Windows receives on a raw socket only once it is bound.
        if (bind(raw, reinterpret_cast<const sockaddr*>(&local), length) != 0 ||
            ioctlsocket(raw, FIONBIO, &nonBlocking) != 0) {
            closesocket(raw);
            raw = INVALID_SOCKET;
        }
    }
    auto* icmp = new (std::nothrow) IcmpSocket{};
    if (icmp == nullptr) {
        if (raw != INVALID_SOCKET) {
            closesocket(raw);
        }
        return nullptr;
    }
    if (raw != INVALID_SOCKET) {
        icmp->kind = IcmpKind::Raw;
        icmp->family = family;
        icmp->raw = raw;
        return icmp;
    }
    // Raw sockets are refused to non-administrators (WSAEACCES): ask the echo service.
    delete icmp;
    return IcmpOpenEchoService(family);
}

IcmpSocket* IcmpOpenEchoService(Family family) {
    auto* icmp = new (std::nothrow) IcmpSocket{};
    if (icmp == nullptr) {
        return nullptr;
    }
    if (!OpenEchoService(&icmp->service, family)) {
        delete icmp;
        return nullptr;
    }
    icmp->kind = IcmpKind::Service;
    icmp->family = family;
    return icmp;
}

IcmpKind IcmpSocketKind(const IcmpSocket* socket) {
    return socket->kind;
}

void IcmpClose(IcmpSocket* socket) {
    if (socket == nullptr) {
        return;
    }
    if (socket->kind == IcmpKind::Raw) {
        closesocket(socket->raw);
    } else {
        CloseEchoService(&socket->service);
    }
    delete socket;
}

void IcmpSend(IcmpSocket* socket, const Endpoint& to, const std::uint8_t* message,
              std::size_t size) {
    if (to.family != socket->family) {
        return;
    }
    if (socket->kind == IcmpKind::Raw) {
        sockaddr_storage address{};
        const int length = ToSockaddr(Endpoint{to.family, to.address, 0}, &address);
        sendto(socket->raw, reinterpret_cast<const char*>(message),
               static_cast<int>(size < MESSAGE_BYTES ? size : MESSAGE_BYTES), 0,
               reinterpret_cast<const sockaddr*>(&address), length);
        return;
    }
    // The service builds the ICMP header itself; only an echo request can be asked of it.
    socket->replyPending = false;
    socket->requestPending = size >= ICMP_HEADER_BYTES && size <= MESSAGE_BYTES;
    if (socket->requestPending) {
        std::memcpy(socket->request, message, size);
        socket->requestSize = size;
        socket->requestAddress = Endpoint{to.family, to.address, 0};
    }
}

int IcmpWait(IcmpSocket* socket, int timeoutMs) {
    const DWORD wait = timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 0;
    if (socket->kind == IcmpKind::Raw) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket->raw, &readable);
        timeval limit{};
        limit.tv_sec = static_cast<long>(wait / 1000);
        limit.tv_usec = static_cast<long>(wait % 1000) * 1000;
        const int ready = select(0, &readable, nullptr, nullptr, &limit);
        if (ready == SOCKET_ERROR) {
            return -1;
        }
        return ready > 0 ? 1 : 0;
    }
    if (socket->replyPending) {
        return 1;
    }
    if (!socket->requestPending) {
        return 0;  // the one echo has been made; nothing more can arrive
    }
    socket->requestPending = false;
    Endpoint replied;
    if (!ServiceEcho(socket, wait, &replied)) {
        return 0;
    }
    const bool v6 = socket->family == Family::IPv6;
    std::memcpy(socket->reply, socket->request, socket->requestSize);
    socket->reply[0] = v6 ? ECHOV6_REPLY_TYPE : ECHO_REPLY_TYPE;
    socket->reply[1] = 0;
    socket->reply[2] = 0;
    socket->reply[3] = 0;
    // An ICMPv6 checksum covers addresses the service does not report; the probe reads neither.
    const std::uint16_t checksum = v6 ? 0 : InternetChecksum(socket->reply, socket->requestSize);
    socket->reply[2] = static_cast<std::uint8_t>(checksum >> 8);
    socket->reply[3] = static_cast<std::uint8_t>(checksum & 0xFF);
    socket->replySize = socket->requestSize;
    socket->replyAddress = replied;
    socket->replyPending = true;
    return 1;
}

long IcmpReceive(IcmpSocket* socket, std::uint8_t* data, std::size_t capacity, Endpoint* from) {
    if (socket->kind == IcmpKind::Raw) {
        const int room = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(capacity);
        sockaddr_storage sender{};
        int fromLength = sizeof sender;
        int received = recvfrom(socket->raw, reinterpret_cast<char*>(data), room, 0,
                                reinterpret_cast<sockaddr*>(&sender), &fromLength);
        if (received == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEMSGSIZE) {
                return -1;
            }
            received = room;
        }
        FromSockaddr(sender, fromLength, from);
        return received;
    }
    if (!socket->replyPending) {
        return -1;
    }
    socket->replyPending = false;
    const std::size_t size = socket->replySize < capacity ? socket->replySize : capacity;
    std::memcpy(data, socket->reply, size);
    *from = socket->replyAddress;
    return static_cast<long>(size);
}

}  // namespace net
