// Bounded text helpers for the program's fixed 8-bit text buffers.
//
// Contract shared by all three: `capacity` counts the terminator; nothing is ever written at
// or beyond position `capacity`; with a capacity of at least 1 the destination always ends up
// terminated. Text that does not fit is cut, and the result says so.
#pragma once

#include <cstddef>
#include <cstdint>

using BoundedResult = std::int32_t;

inline constexpr BoundedResult BOUNDED_OK = 0;
inline constexpr BoundedResult BOUNDED_E_INVALIDARG = static_cast<BoundedResult>(0x80070057u);
inline constexpr BoundedResult BOUNDED_INSUFFICIENT_BUFFER =
    static_cast<BoundedResult>(0x8007007Au);

// Copies `source` into `destination`. Capacity 0: writes nothing, BOUNDED_E_INVALIDARG.
// Source fits: whole copy, BOUNDED_OK. Otherwise the first capacity - 1 characters,
// terminated, BOUNDED_INSUFFICIENT_BUFFER.
BoundedResult BoundedCopy(char* destination, std::size_t capacity, const char* source);

// printf-style formatting into `destination`. Capacity 0 or above 0x7FFFFFFF: writes nothing,
// BOUNDED_E_INVALIDARG. Output longer than capacity - 1 is cut (BOUNDED_INSUFFICIENT_BUFFER);
// a formatting failure leaves the empty text with the same result.
BoundedResult BoundedFormat(char* destination, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Appends `source` to the terminated text in `destination`. When no terminator lies within the
// first `capacity` characters, nothing is appended (BOUNDED_E_INVALIDARG); otherwise it is a
// BoundedCopy at the end of the text with the capacity that is left.
BoundedResult BoundedAppend(char* destination, std::size_t capacity, const char* source);
