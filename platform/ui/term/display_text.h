// A printer's 8-bit texts made safe to write to a terminal, and measured in columns.
//
// Each field is read as UTF-8 or Latin-1 on its own (text/field_text.h); the lines of a
// multi-line edit are separate fields. Nothing a printer sends may drive the terminal or
// reorder what the user reads: control characters (C0, DEL, C1) become visible stand-ins, and
// the bidirectional overrides and isolates and the invisible format characters become U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vmterm {

// True for the code points a terminal may act on: U+0000..U+001F, U+007F..U+009F.
bool IsControl(char32_t c);
// True for the format characters that reorder or hide text: the bidirectional embeddings,
// overrides, isolates and marks, zero-width spaces and joiners, the word joiner, invisible
// operators and the byte order mark.
bool IsHiddenFormat(char32_t c);

// The terminal-safe UTF-8 form of one field.
std::string TerminalText(std::string_view bytes);
// The lines of a multi-line edit's text: split at "\r\n" (a final line end opens no further
// line), each line a field of its own. Any other CR or LF is a control like the rest.
std::vector<std::string_view> SplitLines(std::string_view bytes);

// Display columns of terminal-safe text (wide East Asian characters count two).
std::size_t TextColumns(std::string_view utf8);
// The longest prefix (or suffix) of `utf8` that fits in `columns`, cut at a character.
std::string FitColumns(std::string_view utf8, std::size_t columns);
std::string TailColumns(std::string_view utf8, std::size_t columns);
// `utf8` in at most `columns` columns: whole, or cut with "…" at its end as a sign.
std::string CutWithSign(std::string_view utf8, std::size_t columns);
// `utf8` padded with spaces on the left to `columns` columns.
std::string PadLeft(std::string_view utf8, std::size_t columns);

// One field as a JSON string literal: read like the display; quote, backslash, controls, the
// line and paragraph separators and the hidden format characters escaped as \uXXXX.
std::string JsonString(std::string_view bytes);

}  // namespace vmterm
