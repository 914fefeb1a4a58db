// The status page: printer text cannot add markup, what needs attention comes first under the
// counts, the filter hides rows without a script, a printer's card has its bars in their
// colours, reasons read as words, and the page says which printers were never read or never
// answered.
#include <gtest/gtest.h>

#include <regex>

#include "condition/health.h"
#include "condition/walk.h"
#include "exporter/status_page.h"
#include "tests/exporter/sample_condition.h"

namespace exporter {
namespace {

using Clock = std::chrono::system_clock;

std::string Render(const std::vector<PrinterView>& views, const PageQuery& query = {},
                   Clock::time_point now = Clock::now()) {
    return RenderStatusPage(views, now, query).value_or("(no page)");
}

// The rows' names in page order; hidden ones in brackets.
std::vector<std::string> RowNames(const std::string& html) {
    static const std::regex ROW(
        R"(<tr class="\w+" data-health="\w+" data-search="[^"]*"( hidden)?>)"
        R"(<td class="name"><a href="[^"]*">([^<]*)</a>)");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), ROW);
         it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1].matched ? "[" + (*it)[2].str() + "]" : (*it)[2].str());
    }
    return names;
}

PrinterView Printer(std::string name, condition::Health health, std::string model = "Laser") {
    PrinterView view{std::move(name), "10.0.0.1", true, {}, Clock::now()};
    view.condition.answered = health != condition::Health::Unreachable;
    view.condition.health = health;
    view.condition.model = std::move(model);
    return view;
}

TEST(StatusPage, PrinterTextCannotAddMarkup) {
    PrinterView view{"<script>alert(1)</script>", "10.0.0.1\"><img src=x>", true,
                     testing::SampleCondition(), std::nullopt};
    // A right-to-left override would show the page's text after it in reverse.
    view.condition.model = "<iframe>\xE2\x80\xAEledom\x1B[2J";
    view.condition.supplies[0].colour = "black\" style=\"x";
    view.condition.alerts[0].description = "</li><b>jam</b>\x07\r\xE2\x80\xA8";
    view.condition.consoleLines = {"<marquee>"};
    view.condition.reasons = {"<i>reason</i>"};
    for (const PageQuery& query : {PageQuery{}, PageQuery{"", "<u>", view.target}}) {
        std::string html = Render({view}, query);
        // The page's own script is the only one.
        if (const std::size_t script = html.find("<script>"); script != std::string::npos) {
            html.erase(script, html.find("</script>") - script);
        }
        for (const char* tag : {"<script", "<img", "<iframe", "<b>", "<i>", "<u>", "<marquee",
                                "\xE2\x80\xAE", "\x1B", "\x07", "\r", "\xE2\x80\xA8"}) {
            EXPECT_EQ(html.find(tag), std::string::npos) << tag << " in " << query.printer;
        }
        EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    }
    EXPECT_NE(
        Render({view}, {"", "", view.target}).find("data-colour=\"black&quot; style=&quot;x\""),
        std::string::npos);
    EXPECT_NE(Render({view}).find("href=\"?printer=10.0.0.1%22%3E%3Cimg%20src%3Dx%3E\""),
              std::string::npos)
        << "the target as a query value";
}

// Unreachable and critical first, then warning, then those not read yet, then ok; by name
// within each. The counts are of every printer, whatever the filter hides.
TEST(StatusPage, WhatNeedsAttentionFirstUnderTheCounts) {
    using condition::Health;
    std::vector<PrinterView> views = {
        Printer("b ok", Health::Ok),          Printer("warm", Health::Warning),
        Printer("A ok", Health::Ok),          Printer("jammed", Health::Critical),
        Printer("gone", Health::Unreachable), Printer("low", Health::Warning),
    };
    views.push_back({"new", "10.0.0.9", false, {}, std::nullopt});
    const std::string html = Render(views, {"critical", "", ""});
    EXPECT_EQ(RowNames(html), (std::vector<std::string>{"[gone]", "jammed", "[low]", "[warm]",
                                                        "[new]", "[A ok]", "[b ok]"}));
    for (const char* count : {
             "<span class=\"n\">1</span> unreachable</a>",
             "<span class=\"n\">1</span> critical</a>",
             "<span class=\"n\">2</span> warning</a>",
             "<span class=\"n\">1</span> not read yet</a>",
             "<span class=\"n\">2</span> ok</a>",
             "Showing 1 of 7 printers",
         }) {
        EXPECT_NE(html.find(count), std::string::npos) << count;
    }
    views.pop_back();
    EXPECT_EQ(Render(views).find("not read yet"), std::string::npos)
        << "no count of unread printers when every one was read";
}

// Without a script the GET form's parameters hide the rows; the script redoes the same.
TEST(StatusPage, FilterByHealthAndText) {
    using condition::Health;
    std::vector<PrinterView> views = {
        Printer("Reception", Health::Ok, "Brother HL"),
        Printer("Accounts", Health::Critical, "Kyocera"),
        Printer("Lab", Health::Warning, "Brother MFC"),
        Printer("Basement", Health::Unreachable, ""),
    };
    views[1].condition.reasons = {"jammed"};
    views[0].target = "10.9.9.9";
    struct Case {
        const char* name;
        PageQuery query;
        std::vector<std::string> shown;
    } cases[] = {
        {"everything", {}, {"Basement", "Accounts", "Lab", "Reception"}},
        {"needs attention", {"attention", "", ""}, {"Basement", "Accounts", "Lab"}},
        {"one health", {"warning", "", ""}, {"Lab"}},
        {"an unknown health filters nothing",
         {"purple", "", ""},
         {"Basement", "Accounts", "Lab", "Reception"}},
        {"model, any case", {"", "brother", ""}, {"Lab", "Reception"}},
        {"reason in words", {"", "Paper Jam", ""}, {"Accounts"}},
        {"address", {"", " 10.9.9 ", ""}, {"Reception"}},
        {"both", {"ok", "brother", ""}, {"Reception"}},
        {"nothing matches", {"", "xerox", ""}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> shown;
        for (const std::string& row : RowNames(Render(views, c.query))) {
            if (row[0] != '[') {
                shown.push_back(row);
            }
        }
        EXPECT_EQ(shown, c.shown) << c.name;
    }
    const std::string html = Render(views, {"warning", "a \"b\"", ""});
    EXPECT_NE(html.find("<option value=\"warning\" selected>"), std::string::npos);
    EXPECT_NE(html.find("value=\"a &quot;b&quot;\""), std::string::npos) << "the search kept";
}

TEST(StatusPage, RowSaysLowestSupplyPaperAndLastAnswer) {
    const auto now = Clock::now();
    PrinterView view{"Lab", "10.0.0.1", true, testing::SampleCondition(),
                     now - std::chrono::seconds(7)};
    view.condition.inputs[1].level = 0;
    condition::DeriveHealth(view.condition, 10);
    std::string html = Render({view}, {}, now);
    for (const char* part : {
             // Cyan at 5 % is the lowest consumed supply; the waste box does not count.
             "<span class=\"swatch\" style=\"background:#00a3e0\"></span>cyan toner 5%</td>",
             "<td class=\"paper\" title=\"Tray 1: 120 / 250, MP Tray: 0 / 50\">MP Tray empty</td>",
             ">7 s ago</td>",
             // The device's warning is what the jam says; the low toner bit what cyan says.
             "<span class=\"why\" title=\"jammed; alert critical: jam; device warning\">paper "
             "jam</span>; <span class=\"why\" title=\"alert warning: markerTonerAlmostEmpty; "
             "supply cyan toner at 5%; lowToner\">toner low: cyan 5%</span>",
         }) {
        EXPECT_NE(html.find(part), std::string::npos) << part;
    }
    view.condition.inputs[1].level = std::nullopt;
    view.condition.inputs[1].levelState = condition::LevelState::SomeRemaining;
    EXPECT_NE(Render({view}, {}, now).find(">120+ sheets</td>"), std::string::npos);
}

TEST(StatusPage, CardOfOnePrinter) {
    const auto now = Clock::now();
    const PrinterView view{"Lab", "[::1]:1161", true, testing::SampleCondition(),
                           now - std::chrono::seconds(7)};
    const PrinterView other{"Other", "10.0.0.2", true, {}, now};
    EXPECT_NE(Render({other, view}).find("href=\"?printer=%5B%3A%3A1%5D%3A1161\""),
              std::string::npos);
    std::string html = Render({other, view}, {"", "", "[::1]:1161"}, now);
    for (const char* part : {
             "<meta http-equiv=\"refresh\" content=\"30\">",
             "<meta name=\"viewport\"",
             "<a class=\"back\" href=\"/\">",
             "<h2>Lab</h2>",
             "data-colour=\"cyan\"><span class=\"name\">Cyan Toner</span><div class=\"bar\">"
             "<div class=\"fill\" style=\"width:5%;background:#00a3e0\"></div></div>"
             "<span class=\"pct\">5%</span>",
             "style=\"width:65%;background:#1f1f1f\"",  // black, 64.77 %
             "<span class=\"pct\">some</span>",         // magenta, some remaining
             "<td>Tray 1</td><td>A4</td><td>120 / 250</td>",
             // The printer's line break is a control: replaced, like any other.
             "data-code=\"jam\">jam: Paper jam\xEF\xBF\xBDin &quot;rear&quot;</li>",
             "(7 s ago)",
         }) {
        EXPECT_NE(html.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(html.find("Other</h2>"), std::string::npos) << "one printer's card";
    EXPECT_EQ(html.find("://"), std::string::npos) << "no external assets";
    EXPECT_FALSE(RenderStatusPage({view}, now, {"", "", "10.0.0.1"})) << "not configured";
}

// What the page calls a printer: the configuration's name, else what it calls itself.
TEST(StatusPage, PrinterName) {
    PrinterView view{"Reception", "10.0.0.1", true, {}, std::nullopt};
    view.condition.name = "NPI3A2B1C";
    EXPECT_EQ(PrinterName(view), "Reception");
    view.name.clear();
    EXPECT_EQ(PrinterName(view), "NPI3A2B1C");
    view.condition.name.clear();
    EXPECT_EQ(PrinterName(view), "10.0.0.1");
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
         {"paper jam", "toner low", "Fuser warm", "reading incomplete: timeout after 7 answers"}},
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
        const std::string html = Render({view}, {"", "", "10.0.0.1"});
        std::vector<std::string> shown;
        static const std::regex ITEM(R"(<li title="[^"]*">([^<]*)</li>)");
        const std::size_t from = html.find("<ul class=\"reasons\">");
        ASSERT_NE(from, std::string::npos) << c.what;
        const std::string reasons = html.substr(from, html.find("</ul>", from) - from);
        for (auto it = std::sregex_iterator(reasons.begin(), reasons.end(), ITEM);
             it != std::sregex_iterator(); ++it) {
            shown.push_back((*it)[1].str());
        }
        EXPECT_EQ(shown, c.reasons) << c.what;
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
