// Millisecond tick count: milliseconds since an arbitrary start, 32 bits, wrapping
// (GetTickCount on Windows, a monotonic clock elsewhere).
#pragma once

#include <cstdint>

std::uint32_t TickCountMs();
