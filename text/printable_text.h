// The one rule for the code points a printer's text must never bring to the output, for every
// front-end and renderer: the controls a terminal may act on (C0 U+0000-U+001F, DEL U+007F,
// C1 U+0080-U+009F) and the format characters that reorder or hide text (the Arabic letter
// mark U+061C; the zero-width space, joiners and directional marks U+200B-U+200F; the
// bidirectional embeddings and overrides U+202A-U+202E; the word joiner and invisible
// operators U+2060-U+2064; the isolates U+2066-U+2069; the zero-width no-break space U+FEFF)
// and the line and paragraph separators U+2028 and U+2029, which end a line in JavaScript and
// some viewers.
// Each becomes U+FFFD, so the reader sees that something was there and nothing acts on it.
//
// Works on UTF-8 as FieldToUtf8 (text/field_text.h) gives it; a byte that starts no
// well-formed sequence becomes U+FFFD too, so the result is always well-formed UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// True for the code points the rule replaces.
bool IsNeutralised(char32_t c);

// `utf8` with each code point the rule names, and each ill-formed byte, replaced by U+FFFD.
std::string PrintableText(std::string_view utf8);

// The code point at utf8[at] (which must be inside `utf8`); `length` gets its byte count.
// A byte that starts no well-formed sequence gives U+FFFD with a length of 1.
char32_t DecodeUtf8(std::string_view utf8, std::size_t at, std::size_t& length);
// Appends the UTF-8 form of `c` (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t c);
