// Hand-built BER for the codec tests: messages written here byte by byte, so that a test can
// make any field malformed. Lengths in their minimal definite form (up to 0xFFFF bytes).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace berbytes {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Tag, minimal definite length, content.
inline Bytes Tlv(std::uint8_t tag, const Bytes& content) {
    const auto n = content.size();
    const auto b = [](std::size_t v) { return static_cast<std::uint8_t>(v); };
    const Bytes length = n < 0x80    ? Bytes{b(n)}
                         : n <= 0xFF ? Bytes{0x81, b(n)}
                                     : Bytes{0x82, b(n >> 8), b(n)};
    return Cat({{tag}, length, content});
}

// A minimal two's-complement INTEGER.
inline Bytes Int(std::int64_t value) {
    Bytes content;
    do {
        content.insert(content.begin(), static_cast<std::uint8_t>(value & 0xFF));
        value >>= 8;
    } while (!((value == 0 && (content.front() & 0x80) == 0) ||
               (value == -1 && (content.front() & 0x80) != 0)));
    return Tlv(0x02, content);
}

inline Bytes Oct(const Bytes& bytes) {
    return Tlv(0x04, bytes);
}
inline Bytes Oct(const std::string& text) {
    return Tlv(0x04, Bytes(text.begin(), text.end()));
}

}  // namespace berbytes
