// ICMP echo on Windows. A raw socket where Windows grants one (administrators); otherwise the
// system's ICMP echo service (IcmpSendEcho), which any user may call. The service is loaded at
// run time, so a system without it leaves the probe with no way to send (PROBE_ERROR) instead
// of keeping the program from starting.
//
// The service sends and waits in one call. IcmpSend therefore only remembers the request;
// IcmpWait performs the echo and, when the host answered, keeps a bare ICMP echo reply built
// from our request (type 0, its identifier, sequence and data) for IcmpReceive.
#include <winsock2.h>
#include <ws2tcpip.h>

// icmpapi.h needs the types of iphlpapi.h: keep them apart so that sorting leaves the order.
#include <iphlpapi.h>

#include <icmpapi.h>

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

struct EchoService {
    HMODULE library = nullptr;
    HANDLE handle = INVALID_HANDLE_VALUE;
    IcmpCloseHandleFn close = nullptr;
    IcmpSendEchoFn send = nullptr;
};

template <typename Function>
Function Lookup(HMODULE library, const char* name) {
    // GetProcAddress hands out a generic function pointer; the cast through void(*)() is the
    // documented way to give it its real type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

bool OpenEchoService(EchoService* service) {
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
    const auto create = Lookup<IcmpCreateFileFn>(service->library, "IcmpCreateFile");
    service->close = Lookup<IcmpCloseHandleFn>(service->library, "IcmpCloseHandle");
    service->send = Lookup<IcmpSendEchoFn>(service->library, "IcmpSendEcho");
    if (create != nullptr && service->close != nullptr && service->send != nullptr) {
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
    SOCKET raw = INVALID_SOCKET;
    EchoService service;
    // The service's request, kept from IcmpSend until IcmpWait performs it.
    bool requestPending = false;
    IPAddr requestAddress = 0;
    std::uint8_t request[MESSAGE_BYTES];
    std::size_t requestSize = 0;
    // The synthesized reply, kept from IcmpWait until IcmpReceive takes it.
    bool replyPending = false;
    IPAddr replyAddress = 0;
    std::uint8_t reply[MESSAGE_BYTES];
    std::size_t replySize = 0;
};

IcmpSocket* IcmpOpen() {
    SOCKET raw = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (raw != INVALID_SOCKET) {
        sockaddr_storage local{};
        const int length = ToSockaddr(Endpoint{}, &local);
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
        icmp->raw = raw;
        return icmp;
    }
    // Raw sockets are refused to non-administrators (WSAEACCES): ask the echo service.
    delete icmp;
    return IcmpOpenEchoService();
}

IcmpSocket* IcmpOpenEchoService() {
    auto* icmp = new (std::nothrow) IcmpSocket{};
    if (icmp == nullptr) {
        return nullptr;
    }
    if (!OpenEchoService(&icmp->service)) {
        delete icmp;
        return nullptr;
    }
    icmp->kind = IcmpKind::Service;
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
    if (to.family != Family::IPv4) {
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
        std::memcpy(&socket->requestAddress, to.address.data(), sizeof socket->requestAddress);
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
    const std::size_t dataSize = socket->requestSize - ICMP_HEADER_BYTES;
    // Room for the reply record, the echoed data and an ICMP error message, as documented.
    alignas(8) std::uint8_t answers[sizeof(ICMP_ECHO_REPLY) + MESSAGE_BYTES + 8 + 64];
    const DWORD count = socket->service.send(
        socket->service.handle, socket->requestAddress, socket->request + ICMP_HEADER_BYTES,
        static_cast<WORD>(dataSize), nullptr, answers, sizeof answers, wait);
    if (count == 0) {
        return 0;  // timed out, or unreachable: no answer either way
    }
    ICMP_ECHO_REPLY answer;
    std::memcpy(&answer, answers, sizeof answer);
    if (answer.Status != IP_SUCCESS) {
        return 0;
    }
    std::memcpy(socket->reply, socket->request, socket->requestSize);
    socket->reply[0] = 0;  // echo reply
    socket->reply[1] = 0;
    socket->reply[2] = 0;
    socket->reply[3] = 0;
    const std::uint16_t checksum = InternetChecksum(socket->reply, socket->requestSize);
    socket->reply[2] = static_cast<std::uint8_t>(checksum >> 8);
    socket->reply[3] = static_cast<std::uint8_t>(checksum & 0xFF);
    socket->replySize = socket->requestSize;
    socket->replyAddress = answer.Address;
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
    *from = Endpoint{};
    std::memcpy(from->address.data(), &socket->replyAddress, sizeof socket->replyAddress);
    return static_cast<long>(size);
}

}  // namespace net
