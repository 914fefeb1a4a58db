#include "display_text.h"

#include "text/field_text.h"

namespace vmterm {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

char32_t Decode(std::string_view bytes, std::size_t at, std::size_t length) {
    char32_t c =
        static_cast<unsigned char>(bytes[at]) & (length == 1 ? 0xFF : 0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        c = (c << 6) | (static_cast<unsigned char>(bytes[at + k]) & 0x3F);
    }
    return c;
}

// The code points of a field, read as text/field_text.h says.
std::u32string CodePoints(std::string_view bytes) {
    const std::string utf8 = FieldToUtf8(bytes);
    std::u32string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = Utf8SequenceLength(utf8, at);
        out += Decode(utf8, at, length);  // always well formed here
        at += length;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    const int trailing = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out.push_back(static_cast<char>(kLead[trailing] | (c >> (6 * trailing))));
    for (int k = trailing - 1; k >= 0; --k) {
        out.push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
}

// The character at `at` of terminal-safe text: its byte length and columns. A byte that
// starts no sequence (never produced here) counts as one narrow character.
std::size_t Step(std::string_view utf8, std::size_t at, std::size_t& columns) {
    std::size_t length = Utf8SequenceLength(utf8, at);
    length = length == 0 ? 1 : length;
    columns = IsWide(Decode(utf8, at, length)) ? 2 : 1;
    return length;
}

}  // namespace

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool IsHiddenFormat(char32_t c) {
    return c == 0x061C || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

std::string TerminalText(std::string_view bytes) {
    std::string out;
    for (const char32_t c : CodePoints(bytes)) {
        // Controls become the control pictures (DEL its own), C1 and hidden formats U+FFFD.
        AppendUtf8(out, c < 0x20                            ? 0x2400 + c
                        : c == 0x7F                         ? 0x2421
                        : IsControl(c) || IsHiddenFormat(c) ? kReplacement
                                                            : c);
    }
    return out;
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find("\r\n");
        lines.push_back(bytes.substr(0, end));
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 2);
    }
    return lines;
}

std::size_t TextColumns(std::string_view utf8) {
    std::size_t total = 0;
    std::size_t columns = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        at += Step(utf8, at, columns);
        total += columns;
    }
    return total;
}

std::string FitColumns(std::string_view utf8, std::size_t limit) {
    std::size_t used = 0;
    std::size_t at = 0;
    std::size_t columns = 0;
    while (at < utf8.size()) {
        const std::size_t length = Step(utf8, at, columns);
        if (used + columns > limit) {
            break;
        }
        used += columns;
        at += length;
    }
    return std::string(utf8.substr(0, at));
}

std::string TailColumns(std::string_view utf8, std::size_t limit) {
    std::size_t total = TextColumns(utf8);
    std::size_t at = 0;
    std::size_t columns = 0;
    while (total > limit && at < utf8.size()) {
        at += Step(utf8, at, columns);
        total -= columns;
    }
    return std::string(utf8.substr(at));
}

std::string CutWithSign(std::string_view utf8, std::size_t columns) {
    if (TextColumns(utf8) <= columns) {
        return std::string(utf8);
    }
    return columns == 0 ? std::string() : FitColumns(utf8, columns - 1) + "\xE2\x80\xA6";
}

std::string PadLeft(std::string_view utf8, std::size_t columns) {
    const std::size_t width = TextColumns(utf8);
    return std::string(width < columns ? columns - width : 0, ' ') + std::string(utf8);
}

std::string JsonString(std::string_view bytes) {
    static const char* const kHex = "0123456789abcdef";
    std::string out = "\"";
    for (const char32_t c : CodePoints(bytes)) {
        if (c == '"' || c == '\\') {
            out += {'\\', static_cast<char>(c)};
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (IsControl(c) || IsHiddenFormat(c) || c == 0x2028 || c == 0x2029) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += kHex[(c >> shift) & 0xF];
            }
        } else {
            AppendUtf8(out, c);
        }
    }
    return out + "\"";
}

}  // namespace vmterm
