// Turns 8-bit control texts into text that is safe to write to a terminal, and measures it.
//
// A text is shown as UTF-8 when all of it is valid UTF-8 and byte by byte as Latin-1 otherwise,
// the same choice the Qt front-end makes. Control characters (C0, DEL and C1) never pass: a
// printer's text must not be able to drive the terminal, so each becomes a visible placeholder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vmterm {

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Decodes `bytes` into code points: as UTF-8 when `asUtf8` (the caller checked validity),
// otherwise as Latin-1, one code point per byte.
std::vector<char32_t> DecodeText(std::string_view bytes, bool asUtf8);

// Appends the UTF-8 encoding of `codePoint` to `out`.
void AppendUtf8(std::string& out, char32_t codePoint);

// The placeholder shown for a control character: the Unicode control pictures for C0 and DEL
// (U+2400..U+241F, U+2421), the replacement character U+FFFD for C1.
char32_t ControlPlaceholder(char32_t control);

// True for the code points that a terminal may act on: U+0000..U+001F, U+007F..U+009F.
inline bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The terminal-safe UTF-8 form of one control text.
std::string TerminalText(std::string_view bytes);

// The lines of a multi-line edit's text: split at "\r\n", a final line end opening no further
// line; each line made terminal-safe. Any other CR or LF is a control character like the rest.
std::vector<std::string> TerminalLines(std::string_view bytes);

// Display columns of terminal-safe UTF-8 text (wide East Asian characters count two).
std::size_t TextColumns(std::string_view utf8);

// The longest prefix of `utf8` that fits in `columns` columns, cut at a character boundary.
std::string FitColumns(std::string_view utf8, std::size_t columns);

// The longest suffix of `utf8` that fits in `columns` columns (for an entry field that scrolls
// to its end).
std::string TailColumns(std::string_view utf8, std::size_t columns);

// `utf8` padded with spaces on the left to `columns` columns.
std::string PadLeft(std::string_view utf8, std::size_t columns);

}  // namespace vmterm
