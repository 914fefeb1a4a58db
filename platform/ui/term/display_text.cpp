#include "display_text.h"

namespace vmterm {
namespace {

// Length of the well-formed UTF-8 sequence at bytes[i], 0 when it is not one.
std::size_t SequenceLength(std::string_view bytes, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;  // overlong below U+0800
        } else if (lead == 0xED) {
            high = 0x9F;  // surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;  // overlong below U+10000
        } else if (lead == 0xF4) {
            high = 0x8F;  // past U+10FFFF
        }
    } else {
        return 0;
    }
    if (bytes.size() - i < length) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Walks terminal-safe UTF-8 (always valid: it was produced by AppendUtf8) one character at a
// time, giving the byte length and columns of each.
struct Cursor {
    std::string_view text;
    std::size_t at = 0;

    bool Next(std::size_t& bytes, std::size_t& columns) {
        if (at >= text.size()) {
            return false;
        }
        bytes = SequenceLength(text, at);
        if (bytes == 0) {
            bytes = 1;  // not produced by us; count it as one narrow column
        }
        char32_t c = 0;
        if (bytes == 1) {
            c = static_cast<unsigned char>(text[at]);
        } else {
            c = DecodeText(text.substr(at, bytes), true).front();
        }
        columns = IsWide(c) ? 2 : 1;
        return true;
    }
};

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::vector<char32_t> DecodeText(std::string_view bytes, bool asUtf8) {
    std::vector<char32_t> out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = asUtf8 ? SequenceLength(bytes, i) : 1;
        if (length <= 1) {
            out.push_back(lead);  // ASCII, a Latin-1 byte, or a stray byte taken as Latin-1
            ++i;
            continue;
        }
        char32_t c = lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        }
        out.push_back(c);
        i += length;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char32_t ControlPlaceholder(char32_t control) {
    if (control < 0x20) {
        return 0x2400 + control;
    }
    if (control == 0x7F) {
        return 0x2421;
    }
    return 0xFFFD;
}

std::string TerminalText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char32_t c : DecodeText(bytes, IsValidUtf8(bytes))) {
        AppendUtf8(out, IsControl(c) ? ControlPlaceholder(c) : c);
    }
    return out;
}

std::vector<std::string> TerminalLines(std::string_view bytes) {
    // The whole text decides between UTF-8 and Latin-1, as for a single-line text.
    const bool asUtf8 = IsValidUtf8(bytes);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        const bool last = end == std::string_view::npos;
        if (last) {
            end = bytes.size();
        }
        std::string line;
        for (const char32_t c : DecodeText(bytes.substr(start, end - start), asUtf8)) {
            AppendUtf8(line, IsControl(c) ? ControlPlaceholder(c) : c);
        }
        lines.push_back(std::move(line));
        start = last ? bytes.size() : end + 2;
    }
    return lines;
}

std::size_t TextColumns(std::string_view utf8) {
    Cursor cursor{utf8};
    std::size_t total = 0;
    std::size_t bytes = 0;
    std::size_t columns = 0;
    while (cursor.Next(bytes, columns)) {
        total += columns;
        cursor.at += bytes;
    }
    return total;
}

std::string FitColumns(std::string_view utf8, std::size_t limit) {
    Cursor cursor{utf8};
    std::size_t used = 0;
    std::size_t bytes = 0;
    std::size_t columns = 0;
    while (cursor.Next(bytes, columns) && used + columns <= limit) {
        used += columns;
        cursor.at += bytes;
    }
    return std::string(utf8.substr(0, cursor.at));
}

std::string TailColumns(std::string_view utf8, std::size_t limit) {
    // Character starts, so the suffix can be measured from the end.
    std::vector<std::size_t> starts;
    std::vector<std::size_t> widths;
    Cursor cursor{utf8};
    std::size_t bytes = 0;
    std::size_t columns = 0;
    while (cursor.Next(bytes, columns)) {
        starts.push_back(cursor.at);
        widths.push_back(columns);
        cursor.at += bytes;
    }
    std::size_t used = 0;
    std::size_t from = utf8.size();
    for (std::size_t k = starts.size(); k > 0; --k) {
        if (used + widths[k - 1] > limit) {
            break;
        }
        used += widths[k - 1];
        from = starts[k - 1];
    }
    return std::string(utf8.substr(from));
}

std::string PadLeft(std::string_view utf8, std::size_t columns) {
    const std::size_t width = TextColumns(utf8);
    std::string out(width < columns ? columns - width : 0, ' ');
    out.append(utf8);
    return out;
}

}  // namespace vmterm
