// A printer's 8-bit texts made safe to write to a terminal, and measured in columns.
//
// Each field is read as UTF-8 or Latin-1 on its own (text/field_text.h); the lines of a
// multi-line edit are separate fields. Nothing a printer sends may drive the terminal or
// reorder what the user reads: text/printable_text.h names the code points replaced on the
// screen, and JSON carries them as \u escapes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace vmterm {

// The terminal-safe UTF-8 form of one field.
std::string TerminalText(std::string_view bytes);
// The lines of a multi-line edit's text: split at "\r\n" (a final line end opens no further
// line), each line a field of its own. Any other CR or LF is a control like the rest.
std::vector<std::string_view> SplitLines(std::string_view bytes);

// Display columns of terminal-safe text (wide East Asian characters count two).
std::size_t TextColumns(std::string_view utf8);
// The longest suffix of `utf8` that fits in `columns`, cut at a character.
std::string TailColumns(std::string_view utf8, std::size_t columns);
// `utf8` in at most `columns` columns: whole, or cut with "…" at its end as a sign.
std::string CutWithSign(std::string_view utf8, std::size_t columns);
// `utf8` padded with spaces on the left to `columns` columns.
std::string PadLeft(std::string_view utf8, std::size_t columns);

// `document` as compact JSON on one line with its line end; its strings are UTF-8, and the
// code points the rule names, and the line and paragraph separators, are \u escapes.
std::string TerminalJson(const nlohmann::ordered_json& document);

}  // namespace vmterm
