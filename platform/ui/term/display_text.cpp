#include "platform/ui/term/display_text.h"

#include "text/field_text.h"
#include "text/printable_text.h"

namespace vmterm {
namespace {

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The character at `at`: its byte length, and its columns in `columns`.
std::size_t Step(std::string_view utf8, std::size_t at, std::size_t& columns) {
    std::size_t length = 0;
    columns = IsWide(DecodeUtf8(utf8, at, length)) ? 2 : 1;
    return length;
}

}  // namespace

std::string TerminalText(std::string_view bytes) {
    return PrintableText(FieldToUtf8(bytes));
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
    for (std::size_t at = 0, columns = 0; at < utf8.size(); total += columns) {
        at += Step(utf8, at, columns);
    }
    return total;
}

std::string TailColumns(std::string_view utf8, std::size_t limit) {
    std::size_t total = TextColumns(utf8);
    std::size_t at = 0;
    for (std::size_t columns = 0; total > limit && at < utf8.size(); total -= columns) {
        at += Step(utf8, at, columns);
    }
    return std::string(utf8.substr(at));
}

std::string CutWithSign(std::string_view utf8, std::size_t limit) {
    if (TextColumns(utf8) <= limit) {
        return std::string(utf8);
    }
    if (limit == 0) {
        return {};
    }
    std::size_t used = 1;  // the sign's column
    std::size_t at = 0;
    for (std::size_t columns = 0, length = 0; at < utf8.size(); at += length, used += columns) {
        length = Step(utf8, at, columns);
        if (used + columns > limit) {
            break;
        }
    }
    return std::string(utf8.substr(0, at)) + "\xE2\x80\xA6";
}

std::string PadLeft(std::string_view utf8, std::size_t columns) {
    const std::size_t width = TextColumns(utf8);
    return std::string(width < columns ? columns - width : 0, ' ') + std::string(utf8);
}

std::string TerminalJson(const nlohmann::ordered_json& document) {
    // Inside a JSON string a code point and its \u escape mean the same; outside the strings
    // the compact form has only ASCII.
    const std::string json =
        document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string out;
    for (std::size_t at = 0, length = 0; at < json.size(); at += length) {
        const char32_t c = DecodeUtf8(json, at, length);
        if (IsNeutralised(c)) {
            static const char* const HEX = "0123456789abcdef";
            out +=
                {'\\', 'u', HEX[c >> 12], HEX[(c >> 8) & 0xF], HEX[(c >> 4) & 0xF], HEX[c & 0xF]};
        } else {
            out.append(json, at, length);
        }
    }
    return out + "\n";
}

}  // namespace vmterm
