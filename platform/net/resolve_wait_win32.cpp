// Bounded name resolution on Windows: getaddrinfo runs on a thread of its own and the caller
// waits for it at most the time it was given. The lookup's record is shared by a count of two:
// whichever of the caller and the thread lets go last frees it, so a lookup that outlives its
// caller finishes alone.
// winsock2.h must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <cstring>
#include <new>

#include "platform/net/net.h"

namespace net {
namespace {

struct Lookup {
    volatile LONG references = 2;
    char host[256] = {};
    bool found = false;
    std::uint32_t address = 0;
};

void Release(Lookup* lookup) {
    if (InterlockedDecrement(&lookup->references) == 0) {
        delete lookup;
    }
}

DWORD WINAPI RunLookup(LPVOID parameter) {
    auto* lookup = static_cast<Lookup*>(parameter);
    lookup->found = ResolveIPv4Blocking(lookup->host, &lookup->address);
    Release(lookup);
    return 0;
}

}  // namespace

bool ResolveIPv4(const char* host, int timeoutMs, std::uint32_t* address) {
    if (host == nullptr || address == nullptr || *host == '\0' ||
        std::strlen(host) >= sizeof Lookup::host) {
        return false;
    }
    in_addr dotted{};
    if (inet_pton(AF_INET, host, &dotted) == 1) {
        *address = dotted.s_addr;
        return true;
    }
    auto* lookup = new (std::nothrow) Lookup;
    if (lookup == nullptr) {
        return false;
    }
    std::memcpy(lookup->host, host, std::strlen(host) + 1);
    HANDLE thread = CreateThread(nullptr, 0, RunLookup, lookup, 0, nullptr);
    if (thread == nullptr) {
        delete lookup;
        return false;
    }
    const DWORD waited =
        WaitForSingleObject(thread, static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 0));
    CloseHandle(thread);
    const bool found = waited == WAIT_OBJECT_0 && lookup->found;
    if (found) {
        *address = lookup->address;
    }
    Release(lookup);
    return found;
}

}  // namespace net
