// How long a caller waits for the system's resolver, one implementation per platform
// (resolve_wait_posix.cpp, resolve_wait_win32.cpp): ResolveHostBlocking runs on a worker thread
// of its own and the caller waits for it at most `timeoutMs` (the endpoint it fills has port 0).
// A lookup that outlives the wait finishes alone and frees what it shared; nothing waits for it.
// When no thread can be had the name does not resolve, rather than the caller waiting on the
// resolver unbounded.
#pragma once

#include <string>

#include "platform/net/net.h"

namespace net {

bool WaitForLookup(const std::string& host, int timeoutMs, Endpoint* address, std::string* why);

}  // namespace net
