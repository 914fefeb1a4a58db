// Prometheus's text exposition format (version 0.0.4): metric families one after another, each
// with one HELP and one TYPE line written before its first sample, then its samples. A family
// with no samples writes nothing. Label values and HELP text are escaped as the format says
// (backslash, double quote, newline); a label value that is not UTF-8 is read as Latin-1 first,
// so the output is always UTF-8. Names are not checked: callers pass constants.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace exporter {

enum class MetricType { Gauge, Counter, Histogram };

struct Label {
    std::string_view name;
    std::string_view value;
};

class Exposition {
  public:
    // Starts a family; the samples that follow belong to it.
    void Family(std::string_view name, MetricType type, std::string_view help);

    // A sample of the current family, named by it plus `suffix` ("_bucket", "_sum", ...).
    void Sample(std::span<const Label> labels, double value, std::string_view suffix = {});
    void Sample(std::initializer_list<Label> labels, double value, std::string_view suffix = {}) {
        Sample(std::span<const Label>(labels.begin(), labels.size()), value, suffix);
    }

    const std::string& Text() const { return text_; }
    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
    std::string name_;
    std::string header_;  // HELP and TYPE lines of the current family, until its first sample
};

// Appends `value` escaped for a label value (without the quotes): as UTF-8 (Latin-1 read as
// such), under the printable rule (text/printable_text.h), so a newline too becomes U+FFFD.
void AppendLabelValue(std::string& out, std::string_view value);

// Appends a sample value: integers without exponent, "NaN", "+Inf", "-Inf" as the format spells
// them, others in the shortest form that reads back the same.
void AppendNumber(std::string& out, double value);

}  // namespace exporter
