// Bounded name resolution on Windows: the lookup runs on a thread of its own (CreateThread: the
// MinGW runtime's std::thread is not there in every threading model) and the caller waits for
// it at most the time it was given. The lookup's record is shared by a count of two: whichever
// of the caller and the thread lets go last frees it, so a lookup that outlives its caller
// finishes alone.
// winsock2.h must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <new>

#include "platform/net/resolve_wait.h"

namespace net {
namespace {

struct Lookup {
    volatile LONG references = 2;
    std::string host;
    bool found = false;
    Endpoint address;
    std::string why;
};

void Release(Lookup* lookup) {
    if (InterlockedDecrement(&lookup->references) == 0) {
        delete lookup;
    }
}

DWORD WINAPI RunLookup(LPVOID parameter) {
    auto* lookup = static_cast<Lookup*>(parameter);
    lookup->found = ResolveHostBlocking(lookup->host.c_str(), 0, &lookup->address, &lookup->why);
    Release(lookup);
    return 0;
}

}  // namespace

bool WaitForLookup(const std::string& host, int timeoutMs, Endpoint* address, std::string* why) {
    auto* lookup = new (std::nothrow) Lookup;
    if (lookup == nullptr) {
        *why = "no memory for the lookup";
        return false;
    }
    lookup->host = host;
    HANDLE thread = CreateThread(nullptr, 0, RunLookup, lookup, 0, nullptr);
    if (thread == nullptr) {
        delete lookup;
        *why = "no thread for the lookup";
        return false;
    }
    const DWORD waited = WaitForSingleObject(thread, static_cast<DWORD>(timeoutMs));
    CloseHandle(thread);
    bool found = false;
    if (waited != WAIT_OBJECT_0) {
        *why = "did not resolve within " + std::to_string(timeoutMs) + " ms";
    } else if (lookup->found) {
        *address = lookup->address;
        found = true;
    } else {
        *why = lookup->why;
    }
    Release(lookup);
    return found;
}

}  // namespace net
