// The BER building blocks the message codecs share (snmp/ber.cpp, snmp/v3_message.cpp): one
// element read with its length checked against its parent, the frame's INTEGER, and the
// writing of a header and an INTEGER.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "snmp/ber.h"

namespace ber {

// One element's header as read: `content` points at its first content byte.
struct Element {
    std::uint8_t tag = 0;
    const std::uint8_t* content = nullptr;
    std::size_t length = 0;
};

// Reads the element at *cursor, which must lie before `limit`, and moves the cursor past it.
// `atTop` tells whether `limit` is the end of the input (running past it is truncation) or the
// end of an enclosing element (LengthPastParent).
Error ReadElement(const std::uint8_t** cursor, const std::uint8_t* limit, bool atTop,
                  Element* element);

// ReadElement inside a parent, and the element must carry `tag` (else UnexpectedTag).
Error ReadTagged(const std::uint8_t** cursor, const std::uint8_t* limit, std::uint8_t tag,
                 Element* element);

// A frame INTEGER of 1 to 5 content bytes whose value fits 32 bits (else IntegerSize).
Error ReadInt32(const std::uint8_t** cursor, const std::uint8_t* limit, std::int32_t* value);

// Appends a tag and the minimal definite form of `length`.
void AppendHeader(std::uint8_t tag, std::size_t length, std::vector<std::uint8_t>& out);

// Appends a whole INTEGER element in its minimal form.
void AppendInteger(std::int32_t value, std::vector<std::uint8_t>& out);

}  // namespace ber
