// How the program reads a printer's 8-bit text: one field at a time, as UTF-8 when its bytes
// are UTF-8 and as Latin-1 otherwise, so every byte stays visible and one field's bytes never
// change how another is read. The one home of that rule for every front-end and reader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class FieldEncoding { Utf8, Latin1 };

struct FieldReading {
    FieldEncoding encoding;
    // The bytes that carry text: all of them, less an incomplete final UTF-8 sequence that a
    // cut at a byte capacity left behind.
    std::size_t length;
};

// Length of the well-formed UTF-8 sequence at bytes[at] (no overlong forms, surrogates or code
// points past U+10FFFF), 0 when none starts there. `at` must be inside `bytes`.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at);

// True when all of `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Decides one field. UTF-8 when every byte is part of a well-formed sequence; also when only
// the last sequence is incomplete and the text before it holds a multi-byte character (a cut
// at a capacity split a character of UTF-8 text; the incomplete sequence is then dropped).
// Anything else is Latin-1, whole: "Caf\xE9" is Latin-1 text, not "Caf" and a cut.
FieldReading ReadField(std::string_view bytes);

// The field as UTF-8: transcoded from Latin-1, or its UTF-8 bytes less a cut final sequence.
std::string FieldToUtf8(std::string_view bytes);
