#include "exporter/exposition.h"

#include <charconv>
#include <cmath>

#include "text/field_text.h"
#include "text/printable_text.h"

namespace exporter {
namespace {

const char* TypeName(MetricType type) {
    switch (type) {
        case MetricType::Counter:
            return "counter";
        case MetricType::Histogram:
            return "histogram";
        case MetricType::Gauge:
            break;
    }
    return "gauge";
}

// HELP text escapes backslash and newline only; quotes stay as they are.
void AppendHelp(std::string& out, std::string_view help) {
    for (char c : help) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
}

// `printable` has no control character left: backslash and the quote are all to escape.
void AppendEscaped(std::string& out, std::string_view printable) {
    for (char c : printable) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
}

}  // namespace

void AppendLabelValue(std::string& out, std::string_view value) {
    // A printer's text is read by people, in a terminal too (curl): none of its controls may act.
    AppendEscaped(out, PrintableText(IsValidUtf8(value) ? value : FieldToUtf8(value)));
}

void AppendNumber(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "+Inf" : "-Inf";
        return;
    }
    char buffer[32];
    std::to_chars_result result;
    // Whole numbers up to 2^53 are written as integers: counters read better without exponents.
    if (value == std::floor(value) && std::fabs(value) < 9007199254740992.0) {
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    } else {
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    }
    out.append(buffer, result.ptr);
}

void Exposition::Family(std::string_view name, MetricType type, std::string_view help) {
    name_.assign(name);
    header_.clear();
    header_ += "# HELP ";
    header_ += name;
    header_ += ' ';
    AppendHelp(header_, help);
    header_ += "\n# TYPE ";
    header_ += name;
    header_ += ' ';
    header_ += TypeName(type);
    header_ += '\n';
}

void Exposition::Sample(std::span<const Label> labels, double value, std::string_view suffix) {
    if (!header_.empty()) {
        text_ += header_;
        header_.clear();
    }
    text_ += name_;
    text_ += suffix;
    if (!labels.empty()) {
        text_ += '{';
        bool first = true;
        for (const Label& label : labels) {
            if (!first) {
                text_ += ',';
            }
            first = false;
            text_ += label.name;
            text_ += "=\"";
            AppendLabelValue(text_, label.value);
            text_ += '"';
        }
        text_ += '}';
    }
    text_ += ' ';
    AppendNumber(text_, value);
    text_ += '\n';
}

}  // namespace exporter
