#include "text/field_text.h"

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(at);
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
    if (bytes.size() - at < length) {
        return 0;
    }
    if (byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

namespace {

// Whether bytes[at..] is the start of a well-formed sequence that the end of the text cut
// short: a lead byte and continuation bytes that fit, but fewer than the lead announces.
bool IsCutSequence(std::string_view bytes, std::size_t at) {
    std::string padded(bytes.substr(at));
    // Complete it with the smallest continuation bytes the lead allows, and see whether that
    // would have been a well-formed sequence.
    const auto lead = static_cast<unsigned char>(padded[0]);
    const std::size_t wanted = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (wanted <= padded.size()) {
        return false;
    }
    for (const unsigned char fill : {0x80, 0x90, 0xA0}) {
        std::string trial = padded;
        trial.resize(wanted, static_cast<char>(fill));
        if (Utf8SequenceLength(trial, 0) == wanted) {
            return true;
        }
    }
    return false;
}

}  // namespace

FieldReading ReadField(std::string_view bytes) {
    bool multiByte = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            if (multiByte && IsCutSequence(bytes, at)) {
                return {FieldEncoding::Utf8, at};
            }
            return {FieldEncoding::Latin1, bytes.size()};
        }
        multiByte = multiByte || length > 1;
        at += length;
    }
    return {FieldEncoding::Utf8, bytes.size()};
}

std::string FieldToUtf8(std::string_view bytes) {
    const FieldReading reading = ReadField(bytes);
    if (reading.encoding == FieldEncoding::Utf8) {
        return std::string(bytes.substr(0, reading.length));
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}
