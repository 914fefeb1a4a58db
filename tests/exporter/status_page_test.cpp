// The status page: printer text cannot add markup, bars carry their colorant's colour and
// percent, and the page says which printers were never read or never answered.
#include <gtest/gtest.h>

#include "condition/health.h"
#include "condition/walk.h"
#include "exporter/status_page.h"
#include "tests/exporter/sample_condition.h"

namespace exporter {
namespace {

TEST(StatusPage, PrinterTextCannotAddMarkup) {
    PrinterView view{"<script>alert(1)</script>", "10.0.0.1\"><img src=x>", true,
                     testing::SampleCondition(), std::nullopt};
    // A right-to-left override would show the page's text after it in reverse.
    view.condition.model = "<iframe>\xE2\x80\xAEledom\x1B[2J";
    view.condition.supplies[0].colour = "black\" style=\"x";
    view.condition.alerts[0].description = "</li><b>jam</b>\x07\r\xE2\x80\xA8";
    view.condition.reasons = {"<i>reason</i>"};
    std::string html = RenderStatusPage({view}, std::chrono::system_clock::now());
    for (const char* tag : {"<script", "<img", "<iframe", "<b>", "<i>", "\xE2\x80\xAE", "\x1B",
                            "\x07", "\r", "\xE2\x80\xA8"}) {
        EXPECT_EQ(html.find(tag), std::string::npos) << tag;
    }
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(html.find("data-colour=\"black&quot; style=&quot;x\""), std::string::npos);
}

TEST(StatusPage, SuppliesTraysAlertsAndHealth) {
    const auto now = std::chrono::system_clock::now();
    const PrinterView view{"Lab", "10.0.0.1", true, testing::SampleCondition(),
                           now - std::chrono::seconds(7)};
    std::string html = RenderStatusPage({view}, now);
    for (const char* part : {
             "<meta http-equiv=\"refresh\" content=\"30\">",
             "<meta name=\"viewport\"",
             "data-colour=\"cyan\"><span class=\"name\">Cyan Toner</span><div class=\"bar\">"
             "<div class=\"fill\" style=\"width:5%;background:#00a3e0\"></div></div>"
             "<span class=\"pct\">5%</span>",
             "style=\"width:65%;background:#1f1f1f\"",  // black, 64.77 %
             "<span class=\"pct\">some</span>",         // magenta, some remaining
             "<td>Tray 1</td><td>A4</td><td>120 / 250</td>",
             // The printer's line break is a control: replaced, like any other.
             "data-code=\"jam\">jam: Paper jam\xEF\xBF\xBDin &quot;rear&quot;</li>",
             "<li>paper jam</li>",
             "(7 s ago)",
         }) {
        EXPECT_NE(html.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(html.find("://"), std::string::npos) << "no external assets";

    PrinterView unread{"New", "10.0.0.2", false, {}, std::nullopt};
    PrinterView silent{"Gone", "10.0.0.3", true, {}, std::nullopt};
    html = RenderStatusPage({unread, silent}, now);
    EXPECT_NE(html.find("not read yet"), std::string::npos);
    EXPECT_NE(html.find("<section class=\"printer unreachable\">"), std::string::npos);
    const std::string never = "Has not answered since the exporter started";
    EXPECT_NE(html.find(never, html.find(never) + 1), std::string::npos) << "both say so";
}

// Why a printer is not "ok", each reason once: a silence names its possible causes, an
// incomplete reading says so, and an error no health was derived from is still shown. An
// alert code the MIB does not name shows its description alone, never a number.
TEST(StatusPage, ReasonsSayWhyOnceAndNoNumberForAName) {
    const std::string silence = condition::NO_ANSWER;
    struct Case {
        const char* what;
        bool answered;
        std::string error;
        bool derive;  // the health derived from the condition, as a reading does
        std::vector<std::string> reasons;
    } cases[] = {
        {"silent", false, silence, true, {silence}},
        {"stopped early",
         true,
         "timeout after 7 answers",
         true,
         {"jammed", "lowToner", "device warning", "alert warning: Fuser warm",
          "incomplete reading: timeout after 7 answers"}},
        {"never read: the name did not resolve", false, "not-resolved", false, {"not-resolved"}},
    };
    for (const Case& c : cases) {
        PrinterView view{"Lab", "10.0.0.1", true, testing::SampleCondition(), std::nullopt};
        view.condition.answered = c.answered;
        view.condition.error = c.error;
        view.condition.reasons.clear();
        view.condition.supplies.clear();
        view.condition.alerts = {{1, 4, 4, 0, 0, 40404, "Fuser warm"}};
        if (c.derive) {
            condition::DeriveHealth(view.condition, 10);
        }
        const std::string html = RenderStatusPage({view}, std::chrono::system_clock::now());
        std::string list = "<ul class=\"reasons\">";
        for (const std::string& reason : c.reasons) {
            list += "<li>" + reason + "</li>";
        }
        EXPECT_NE(html.find(list + "</ul>"), std::string::npos) << c.what << "\n" << html;
        EXPECT_NE(html.find("data-code=\"\">Fuser warm</li>"), std::string::npos) << c.what;
    }
}

// The four primaries as they are: browser_test.py. Here, how other names are matched.
TEST(StatusPage, ColourOfEachColorant) {
    struct Case {
        const char* colorant;
        const char* css;
    } cases[] = {
        {"Black", "#1f1f1f"},   {"matte black", "#1f1f1f"},         {"light cyan", "#7fd3f5"},
        {"MAGENTA", "#d6007e"}, {"photo light magenta", "#f28cc4"}, {"", "#8a8f98"},
        {"unknown", "#8a8f98"}, {"clear coat", "#8a8f98"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(ColorantCss(c.colorant), c.css) << c.colorant;
    }
}

TEST(StatusPage, ViewIsBounded) {
    condition::Condition c = testing::SampleCondition();
    c.supplies.resize(500, c.supplies[0]);
    c.model = std::string(VIEW_TEXT_BYTES - 1, 'a') + "\xC3\xA9" + std::string(1000, 'b');
    TrimForView(c);
    EXPECT_EQ(c.supplies.size(), VIEW_ROWS);
    EXPECT_EQ(c.model, std::string(VIEW_TEXT_BYTES - 1, 'a')) << "cut before the é, not in it";
}

}  // namespace
}  // namespace exporter
