// The exposition text: escaping, numbers, and what /probe answers for a printer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "exporter/exposition.h"
#include "exporter/reading_metrics.h"
#include "tests/exporter/sample_condition.h"

namespace exporter {
namespace {

// Which characters are replaced is PrintableText's (tests/text); here, that a label value is read
// as a field, then made printable, then escaped, in that order.
TEST(Exposition, LabelValuesAreEscapedPrintableAndAlwaysUtf8) {
    struct Case {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"plain", "plain", "plain"},
        {"quotes", "say \"hi\"", "say \\\"hi\\\""},
        {"backslash", "C:\\path", "C:\\\\path"},
        {"newline", "two\nlines", "two\xEF\xBF\xBDlines"},
        {"Latin-1 from a printer", "Caf\xE9", "Caf\xC3\xA9"},
        {"UTF-8", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"NUL", std::string("a\0b", 3),
         "a\xEF\xBF\xBD"
         "b"},
        {"C1 control in Latin-1",
         "a\x9B"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendLabelValue(out, c.in);
        EXPECT_EQ(out, c.out) << c.name;
    }
}

TEST(Exposition, NumbersAsTheFormatSpellsThem) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {62, "62"},
        {4294967295.0, "4294967295"},
        {-3, "-3"},
        {0.25, "0.25"},
        {1e300, "1e+300"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "+Inf"},
        {-std::numeric_limits<double>::infinity(), "-Inf"},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendNumber(out, c.value);
        EXPECT_EQ(out, c.text);
    }
}

TEST(Exposition, FamilyHeaderOnceAndOnlyWithSamples) {
    Exposition out;
    out.Family("a_empty", MetricType::Gauge, "never sampled");
    out.Family("b_total", MetricType::Counter, "back\\slash and\nnewline");
    out.Sample({{"x", "1"}}, 1);
    out.Sample({{"x", "2"}}, 2);
    EXPECT_EQ(out.Text(),
              "# HELP b_total back\\\\slash and\\nnewline\n# TYPE b_total counter\n"
              "b_total{x=\"1\"} 1\nb_total{x=\"2\"} 2\n");
}

bool Has(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos || text.rfind(line + "\n", 0) == 0;
}

TEST(ReadingMetrics, AnsweringPrinter) {
    std::string text = RenderReading(testing::SampleCondition(), 0.0421);
    // A toner's labels, all but the closing brace.
    const auto toner = [](std::string index, std::string description, std::string colour) {
        return "{supply=\"" + index + "\",description=\"" + description + "\",colour=\"" + colour +
               "\",type=\"toner\",unit=\"impressions\"";
    };
    const std::string black = toner("1", "Black Toner", "black"),
                      magenta = toner("3", "Magenta <Toner>", "magenta"),
                      yellow = toner("4", "Yellow Toner", "yellow");
    struct Case {
        std::string line;
        bool present;
    } cases[] = {
        {"vellumark_printer_info{model=\"Brother HL-L8360CDW \\\"series\\\"\",serial=\"E78\\\\9K\","
         "name=\"lab\xEF\xBF\xBD"
         "printer <b>\",location=\"2nd floor, B\xC3\xBCro\"} 1",
         true},
        {"vellumark_printer_device_status{state=\"warning\"} 1", true},
        {"vellumark_printer_status{state=\"idle\"} 1", true},
        {"vellumark_printer_error{condition=\"lowToner\"} 1", true},
        {"vellumark_printer_error{condition=\"doorOpen\"} 0", true},
        {"vellumark_printer_error{condition=\"overduePreventMaint\"} 0", true},
        {"vellumark_supply_level" + black + "} 4210", true},
        {"vellumark_supply_ratio" + black + "} 0.6476923076923077", true},
        {"vellumark_supply_level_state" + black + ",state=\"ok\"} 1", true},
        {"vellumark_supply_level_state" + black + ",state=\"unknown\"} 0", true},
        // Some remaining: a state, but no level and no ratio.
        {"vellumark_supply_level_state" + magenta + ",state=\"some-remaining\"} 1", true},
        {"vellumark_supply_capacity" + magenta + "} 6500", true},
        {"vellumark_supply_ratio" + magenta + "}", false},
        // No capacity: a level, but no ratio.
        {"vellumark_supply_level" + yellow + "} 340", true},
        {"vellumark_supply_ratio" + yellow + "}", false},
        {"vellumark_supply_ratio{supply=\"5\",description=\"Waste \\\"Toner\\\" Box\",colour=\"\","
         "type=\"wasteToner\",unit=\"percent\"} 0.8",
         true},
        {"vellumark_input_level{input=\"1\",name=\"Tray 1\",media=\"A4\"} 120", true},
        {"vellumark_input_capacity{input=\"2\",name=\"MP Tray\",media=\"\"} 50", true},
        {"vellumark_input_level{input=\"2\",name=\"MP Tray\",media=\"\"}", false},
        {"vellumark_marker_pages_total{marker=\"1\"} 11872", true},
        {"vellumark_marker_power_on_pages{marker=\"1\"} 37", true},
        {"vellumark_alert_info{severity=\"critical\",group=\"mediaPath\",code=\"jam\","
         "description=\"Paper jam\xEF\xBF\xBD"
         "in \\\"rear\\\"\"} 1",
         true},
        // Two equal rows are one series (two would make Prometheus refuse the scrape).
        {"vellumark_alert_info{severity=\"warning\",group=\"markerSupplies\","
         "code=\"markerTonerAlmostEmpty\",description=\"Cyan toner low\"} 2",
         true},
        {"# TYPE vellumark_marker_pages_total counter", true},
        {"vellumark_printer_uptime_seconds 9173.44", true},
        // The console's lines by number, trailing blanks cut; the blank line 2 gives none.
        {"vellumark_printer_console_info{line=\"1\",text=\"PAPER JAM\"} 1", true},
        {"vellumark_printer_console_info{line=\"3\",text=\"Open \\\"rear\\\" door\"} 1", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Has(text, c.line), c.present) << c.line << "\n---\n" << text;
    }
    EXPECT_EQ(text.find("line=\"2\""), std::string::npos) << "no series for a blank line";
}

TEST(ReadingMetrics, SilentPrinterGivesUpDurationAndHealthOnly) {
    condition::Condition silent = testing::SampleCondition();
    silent.answered = false;
    std::string text = RenderReading(silent, 9.5);
    EXPECT_TRUE(Has(text, "vellumark_printer_health{state=\"unreachable\"} 1"));
    EXPECT_TRUE(Has(text, "vellumark_printer_health{state=\"critical\"} 0"));
    EXPECT_EQ(text.find("vellumark_supply"), std::string::npos);
    EXPECT_EQ(text.find("vellumark_printer_info"), std::string::npos);
}

// What the printer lacks is no number: an object not read gives no series, an enumeration it
// lacks or numbers outside the MIB an empty label value (Prometheus's absent label).
TEST(ReadingMetrics, UnreadStatusAndUnnamedEnumerations) {
    condition::Condition c = testing::SampleCondition();
    c.deviceStatus = 0;   // not read: no family
    c.printerStatus = 9;  // outside the MIB: no state is 1
    c.errorBits.reset();  // not read: no family, rather than "no error"
    c.supplies[0].type = 77;
    c.supplies[1].type = 0;  // columns the printer lacks
    c.supplies[1].unit = 0;
    c.supplies[1].capacity = 0;  // no ratio, whatever the level
    c.alerts[0].code = 0;
    c.alerts[0].group = 12345;
    c.inputs[1].levelState = condition::LevelState::SomeRemaining;
    std::string text = RenderReading(c, 0);
    EXPECT_EQ(text.find("vellumark_printer_device_status"), std::string::npos);
    EXPECT_EQ(text.find("vellumark_printer_status{state=\"idle\"} 1"), std::string::npos);
    EXPECT_EQ(text.find("vellumark_printer_error"), std::string::npos) << text;
    EXPECT_EQ(text.find("vellumark_supply_ratio{supply=\"2\""), std::string::npos) << text;
    for (const char* number : {"=\"77\"", "=\"0\"", "=\"12345\""}) {
        EXPECT_EQ(text.find(number), std::string::npos) << number << "\n" << text;
    }
    for (const std::string line : {
             "vellumark_supply_level{supply=\"1\",description=\"Black Toner\",colour=\"black\","
             "type=\"\",unit=\"impressions\"} 4210",
             "vellumark_supply_level{supply=\"2\",description=\"Cyan Toner\",colour=\"cyan\","
             "type=\"\",unit=\"\"} 325",
             "vellumark_supply_capacity{supply=\"2\",description=\"Cyan Toner\","
             "colour=\"cyan\",type=\"\",unit=\"\"} 0",
             "vellumark_alert_info{severity=\"critical\",group=\"\",code=\"\","
             "description=\"Paper jam\xEF\xBF\xBD"
             "in \\\"rear\\\"\"} 1",
             // Trays keep their special levels as supplies do.
             "vellumark_input_level_state{input=\"2\",name=\"MP Tray\",media=\"\","
             "state=\"some-remaining\"} 1",
             "vellumark_input_level_state{input=\"2\",name=\"MP Tray\",media=\"\","
             "state=\"unknown\"} 0",
             "vellumark_input_level_state{input=\"1\",name=\"Tray 1\",media=\"A4\",state=\"ok\"} 1",
         }) {
        EXPECT_TRUE(Has(text, line)) << line << "\n---\n" << text;
    }
}

// Whether the reading read everything, for any probe: complete or not, and each kind of error
// that stopped it as a label an alert rule can match.
TEST(ReadingMetrics, IncompleteReadingSaysWhyByKind) {
    using condition::ReadError;
    struct Case {
        const char* what;
        bool answered;
        std::string error;
        std::vector<ReadError> kinds;
        std::vector<std::string> lines;  // present
        const char* absent;
    } cases[] = {
        {"complete", true, "", {}, {"vellumark_probe_complete 1"}, "vellumark_probe_error_info"},
        {"stopped early twice over",
         true,
         "agent error genErr at 1.3; timeout after 7 answers",
         {ReadError::AgentError, ReadError::Timeout},
         {"vellumark_up 1", "vellumark_probe_complete 0",
          "vellumark_probe_error_info{kind=\"agent-error\"} 1",
          "vellumark_probe_error_info{kind=\"timeout\"} 1"},
         "vellumark_probe_complete 1"},
        {"cut by the deadline",
         true,
         "deadline passed",
         {ReadError::Deadline},
         {"vellumark_probe_complete 0", "vellumark_probe_error_info{kind=\"deadline\"} 1"},
         "kind=\"timeout\""},
        {"never answered",
         false,
         "no answer (host down, filtered, or wrong community)",
         {ReadError::Timeout},
         {"vellumark_up 0", "vellumark_probe_complete 0",
          "vellumark_probe_error_info{kind=\"timeout\"} 1"},
         "vellumark_printer_info"},
        {"an error nobody classified",
         false,
         "address outside the allow-list",
         {},
         {"vellumark_probe_complete 0", "vellumark_probe_error_info{kind=\"internal\"} 1"},
         "vellumark_probe_complete 1"},
    };
    for (const Case& c : cases) {
        condition::Condition condition = testing::SampleCondition();
        condition.answered = c.answered;
        condition.error = c.error;
        condition.errorKinds = c.kinds;
        const std::string text = RenderReading(condition, 0.6);
        for (const std::string& line : c.lines) {
            EXPECT_TRUE(Has(text, line)) << c.what << ": " << line << "\n---\n" << text;
        }
        EXPECT_EQ(text.find(c.absent), std::string::npos) << c.what << ": " << c.absent;
    }
}

}  // namespace
}  // namespace exporter
