#include "text/printable_text.h"

#include "text/field_text.h"

namespace {

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

}  // namespace

bool IsNeutralised(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

std::string PrintableText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0, length = 0; at < utf8.size(); at += length) {
        const char32_t c = DecodeUtf8(utf8, at, length);
        AppendUtf8(out, IsNeutralised(c) ? REPLACEMENT_CHARACTER : c);
    }
    return out;
}

char32_t DecodeUtf8(std::string_view utf8, std::size_t at, std::size_t& length) {
    length = Utf8SequenceLength(utf8, at);
    if (length == 0) {
        length = 1;
        return REPLACEMENT_CHARACTER;
    }
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[at + k]); };
    // The lead byte keeps 7, 5, 4 or 3 bits of the code point; each further byte 6.
    char32_t c = byte(0) & (length == 1 ? 0x7F : 0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        c = (c << 6) | (byte(k) & 0x3F);
    }
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    static constexpr unsigned char LEAD[] = {0, 0xC0, 0xE0, 0xF0};
    const int trailing = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out.push_back(static_cast<char>(LEAD[trailing] | (c >> (6 * trailing))));
    for (int k = trailing - 1; k >= 0; --k) {
        out.push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
}
