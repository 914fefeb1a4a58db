// Feeds arbitrary bytes, as a printer's field, to what the terminal writes of it. Whatever the
// bytes, the text on the screen and the JSON are well-formed UTF-8 without a code point the
// printable rule (text/printable_text.h) names; the JSON reads back to the field's UTF-8; the
// cuts by columns stay within their width and cut at characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz/fuzz_check.h"
#include "platform/ui/term/display_text.h"
#include "text/field_text.h"
#include "text/printable_text.h"

namespace {

// Well-formed UTF-8 with nothing the rule replaces.
bool IsSafe(std::string_view utf8) {
    for (std::size_t at = 0, length = 0; at < utf8.size(); at += length) {
        if (Utf8SequenceLength(utf8, at) == 0 || IsNeutralised(DecodeUtf8(utf8, at, length))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FuzzCheck(IsSafe(PrintableText(bytes)));
    const std::string shown = vmterm::TerminalText(bytes);
    FuzzCheck(IsSafe(shown));

    const std::string utf8 = FieldToUtf8(bytes);
    const std::string json = vmterm::TerminalJson(nlohmann::ordered_json(utf8));
    FuzzCheck(!json.empty() && json.back() == '\n');
    FuzzCheck(IsSafe(std::string_view(json).substr(0, json.size() - 1)));
    FuzzCheck(nlohmann::json::parse(json).get<std::string>() == utf8);

    const std::size_t columns = size % 13;
    const std::string cut = vmterm::CutWithSign(shown, columns);
    FuzzCheck(vmterm::TextColumns(cut) <= columns && IsValidUtf8(cut));
    const std::string tail = vmterm::TailColumns(shown, columns);
    FuzzCheck(vmterm::TextColumns(tail) <= columns && shown.ends_with(tail));
    return 0;
}
