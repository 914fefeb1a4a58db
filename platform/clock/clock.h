// Millisecond tick count: milliseconds since an arbitrary start, 32 bits, wrapping
// (GetTickCount on Windows, a monotonic clock elsewhere). fuzz/snmpmgr/fuzz_answer.cpp links a
// stand-in clock of its own in place of these.
#pragma once

#include <cstdint>

std::uint32_t TickCountMs();
