#include "platform/clock/clock.h"

#include <windows.h>

std::uint32_t TickCountMs() {
    return GetTickCount();
}
