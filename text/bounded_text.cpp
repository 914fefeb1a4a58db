#include "text/bounded_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

BoundedResult BoundedCopy(char* destination, std::size_t capacity, const char* source) {
    if (capacity == 0) {
        return BOUNDED_E_INVALIDARG;
    }
    for (std::size_t i = 0; i < capacity; ++i) {
        destination[i] = source[i];
        if (source[i] == '\0') {
            return BOUNDED_OK;
        }
    }
    destination[capacity - 1] = '\0';
    return BOUNDED_INSUFFICIENT_BUFFER;
}

BoundedResult BoundedFormat(char* destination, std::size_t capacity, const char* format, ...) {
    if (capacity == 0 || capacity > 0x7FFFFFFFu) {
        return BOUNDED_E_INVALIDARG;
    }
    std::va_list args;
    va_start(args, format);
    // The format strings are the callers' own literals, checked by the attribute above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int written = std::vsnprintf(destination, capacity, format, args);
#pragma GCC diagnostic pop
    va_end(args);
    if (written < 0) {
        destination[0] = '\0';
        return BOUNDED_INSUFFICIENT_BUFFER;
    }
    return static_cast<std::size_t>(written) < capacity ? BOUNDED_OK : BOUNDED_INSUFFICIENT_BUFFER;
}

BoundedResult BoundedAppend(char* destination, std::size_t capacity, const char* source) {
    const void* end = std::memchr(destination, '\0', capacity);
    if (end == nullptr) {
        return BOUNDED_E_INVALIDARG;
    }
    const auto used = static_cast<std::size_t>(static_cast<const char*>(end) - destination);
    return BoundedCopy(destination + used, capacity - used, source);
}
