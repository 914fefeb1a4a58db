// The terminal view of the status window's template: its lines (each control by its class, in
// the rows the geometry gives), their fitting to a small terminal with a sign for what is left
// out, the full-screen painter, and the JSON object's edges.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/term/bar_colour.h"
#include "platform/ui/term/dialog_model.h"
#include "platform/ui/term/display_text.h"
#include "platform/ui/term/terminal.h"
#include "platform/ui/term/tray.h"
#include "platform/ui/term/window_view.h"
#include "shell/dialogs.h"
#include "shell/resources/resource.h"

namespace {

using vmterm::Dialog;
using vmterm::LineKind;

// The live view, with its keys line, in `columns` (0: no limit).
vmterm::ViewOptions Interactive(std::size_t columns = 0) {
    vmterm::ViewOptions options;
    options.interactive = true;
    options.columns = columns;
    return options;
}

std::vector<std::string> Texts(const std::vector<vmterm::ViewLine>& lines) {
    std::vector<std::string> out;
    for (const vmterm::ViewLine& line : lines) {
        out.push_back(line.text);
    }
    return out;
}

// The status window as a poll leaves it, with its tray icon.
struct PolledWindow {
    Dialog dialog{*tmpl::FindDialogTemplate(IDD_MONITOR), nullptr};
    PolledWindow() {
        vmterm::ClearTray();
        vmterm::Config().commandKeys = {{'d', IDM_DETAILS, "Details"}};  // the program's
        dialog.visible = true;
        dialog.title = "HP LaserJet Pro 4012dn Monitor";
        dialog.Find(IDC_PRIMARY)->text = "READY";
        dialog.Find(IDC_SECONDARY)->text = "Ready\r\nTray 2: Letter\r\n";
        dialog.Find(IDC_PAGECOUNT)->text = "48213";
        dialog.Find(IDC_POWERON_COUNT)->text = "212";
        dialog.Find(IDC_TONER)->progress.position = 62;
        NOTIFYICONDATAA record{};
        record.hWnd = dialog.Handle();
        record.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
        record.uCallbackMessage = WM_TRAYNOTIFY;
        record.hIcon = vmterm::IconHandle(*tmpl::FindIcon(IDI_ONLINE));
        std::strcpy(record.szTip, dialog.title.c_str());
        vmterm::NotifyIcon(NIM_ADD, record, vmterm::Clock::now());
    }
    ~PolledWindow() { vmterm::ClearTray(); }
    std::vector<std::string> Lines(const vmterm::ViewOptions& options = {}) {
        return Texts(vmterm::RenderWindow(dialog, options));
    }
};

TEST(WindowLines, PollingUnreachableAndHidden) {
    PolledWindow window;
    const std::vector<std::string> expected = {
        "== HP LaserJet Pro 4012dn Monitor ==",
        "     Primary Status: READY",
        "   Secondary Status: Ready",
        "                     Tray 2: Letter",
        "    Toner Remaining: [############--------] 62%",
        " Current Page Count: 48213",
        "Power-On Page Count: 212",
        "                     <Hide>",
        "               Tray: online - HP LaserJet Pro 4012dn Monitor",
    };
    EXPECT_EQ(window.Lines(), expected);

    window.dialog.Find(IDC_PRIMARY_LABEL)->text = "Unreachable:";
    window.dialog.Find(IDC_PRIMARY)->text = "10.0.0.9";
    window.dialog.Find(IDC_UPDATE_TARGET)->visible = true;
    EXPECT_EQ(window.Lines()[7], "                     <Update Target>  <Hide>");
    EXPECT_EQ(window.Lines(Interactive()).back(),
              "Keys: u/Enter Update Target  Tab edit  h Hide  d Details  m Menu  q Exit");

    window.dialog.visible = false;
    const std::vector<std::string> hidden = {
        "(hidden) HP LaserJet Pro 4012dn Monitor",
        "        Unreachable: [10.0.0.9]",
        "               Tray: online - HP LaserJet Pro 4012dn Monitor",
        "Keys: s Show  d Details  m Menu  q Exit",
    };
    EXPECT_EQ(window.Lines(Interactive()), hidden);
}

TEST(WindowLines, FittedToA40By10TerminalWithSigns) {
    PolledWindow window;
    window.dialog.Find(IDC_SECONDARY)->text = "one\r\ntwo\r\nthree\r\nfour";
    const vmterm::ViewOptions options = Interactive(40);
    std::vector<vmterm::ViewLine> lines = vmterm::RenderWindow(window.dialog, options);
    lines.insert(lines.end() - 1, {LineKind::Notice, "Notification: a balloon"});
    const std::vector<std::string> expected = {
        "== HP LaserJet Pro 4012dn Monitor ==",
        "     Primary Status: READY",
        "   Secondary Status: one",
        "                     two (+2 more)",
        "    Toner Remaining: [#######-----] 62%",
        " Current Page Count: 48213",
        "Power-On Page Count: 212",
        "                     <Hide>",
        "               Tray: online - HP LaserJ\xE2\x80\xA6",
        "Keys: h Hide  d Details  m Menu  q Exit",
    };
    EXPECT_EQ(vmterm::FitToScreen(lines, 40, 10), expected);

    // Smaller still: the title and the keys stay, the rows between them say what is left out.
    const std::vector<std::string> tiny = {
        expected[0], expected[1], "   Secondary Status: one (+3 more)",
        "\xE2\x80\xA6 5 more lines: enlarge the terminal", expected.back()};
    EXPECT_EQ(vmterm::FitToScreen(lines, 40, 5), tiny);
}

// A details window of the test's own, opened over the status window: labelled statics, a
// read-only multi-line edit, supply rows of a name, a coloured bar and the level in words (a
// table whose columns line up), a row hidden as a whole, a row with a second label, a hidden
// label, and a Close button that is IDCANCEL.
constexpr std::uint32_t SHOWN = tmpl::STYLE_WS_CHILD | tmpl::STYLE_WS_VISIBLE;
constexpr std::uint32_t READ_ONLY_EDIT = SHOWN | tmpl::STYLE_ES_MULTILINE | tmpl::STYLE_ES_READONLY;
constexpr tmpl::ControlTemplate DETAILS_CONTROLS[] = {
    {-1, tmpl::STATIC_CLASS, "Health:", 7, 7, 40, 8, SHOWN, tmpl::STYLE_WS_EX_RIGHT},
    {10, tmpl::STATIC_CLASS, "", 50, 7, 100, 8, SHOWN, 0},
    {-1, tmpl::STATIC_CLASS, "Reasons:", 7, 18, 40, 8, SHOWN, tmpl::STYLE_WS_EX_RIGHT},
    {11, tmpl::EDIT_CLASS, "", 50, 18, 100, 20, READ_ONLY_EDIT, 0},
    {20, tmpl::STATIC_CLASS, "", 7, 42, 40, 8, SHOWN, 0},
    {30, tmpl::PROGRESS_CLASS, "", 50, 42, 60, 8, SHOWN, 0},
    {40, tmpl::STATIC_CLASS, "", 115, 42, 30, 8, SHOWN, 0},
    {21, tmpl::STATIC_CLASS, "", 7, 54, 40, 8, SHOWN, 0},
    {31, tmpl::PROGRESS_CLASS, "", 50, 54, 60, 8, SHOWN, 0},
    {41, tmpl::STATIC_CLASS, "", 115, 54, 30, 8, SHOWN, 0},
    {22, tmpl::STATIC_CLASS, "", 7, 66, 40, 8, SHOWN, 0},
    {32, tmpl::PROGRESS_CLASS, "", 50, 66, 60, 8, SHOWN, 0},
    {42, tmpl::STATIC_CLASS, "", 115, 66, 30, 8, SHOWN, 0},
    {-1, tmpl::STATIC_CLASS, "Device:", 7, 78, 40, 8, SHOWN, tmpl::STYLE_WS_EX_RIGHT},
    {12, tmpl::STATIC_CLASS, "", 50, 78, 40, 8, SHOWN, 0},
    {-1, tmpl::STATIC_CLASS, "Printer:", 95, 78, 40, 8, SHOWN, tmpl::STYLE_WS_EX_RIGHT},
    {13, tmpl::STATIC_CLASS, "", 140, 78, 40, 8, SHOWN, 0},
    {-1, tmpl::STATIC_CLASS, "Serial:", 7, 110, 40, 8, tmpl::STYLE_WS_CHILD,
     tmpl::STYLE_WS_EX_RIGHT},
    {IDCANCEL, tmpl::BUTTON_CLASS, "Close", 100, 90, 50, 14, SHOWN, 0},
};
constexpr tmpl::DialogTemplate DETAILS = {1,
                                          "Printer Details",
                                          0,
                                          0,
                                          160,
                                          110,
                                          0,
                                          0,
                                          {"MS Shell Dlg", 8, 400, false, 1},
                                          DETAILS_CONTROLS};

constexpr DWORD BLACK = 0x000000, CYAN = 0xFFFF00;

// The window as the test's details procedure leaves it: two supplies, the third row hidden.
struct DetailsWindow {
    Dialog dialog{DETAILS, nullptr};
    DetailsWindow() {
        vmterm::ClearTray();
        dialog.visible = true;
        dialog.Find(10)->text = "critical";
        dialog.Find(11)->text = "Paper jam\r\nDoor open";
        dialog.Find(12)->text = "down";
        dialog.Find(13)->text = "other";
        const auto supply = [&](int row, const char* name, int percent, DWORD colour,
                                const char* level) {
            dialog.Find(20 + row)->text = name;
            dialog.Find(30 + row)->progress.position = percent;
            dialog.Find(30 + row)->progress.barColor = colour;
            dialog.Find(40 + row)->text = level;
        };
        supply(0, "Black Toner\x1b[2J", 64, BLACK, "64%");
        supply(1, "Cyan Toner", 5, CYAN, "5%");
        supply(2, "", 0, BLACK, "");
        for (const int id : {22, 32, 42}) {
            dialog.Find(id)->visible = false;
        }
    }
    ~DetailsWindow() { vmterm::ClearTray(); }
    std::vector<vmterm::ViewLine> Render() {
        vmterm::ViewOptions options = Interactive();
        options.nested = true;
        return vmterm::RenderWindow(dialog, options);
    }
};

// Without the SGR sequences the view adds.
std::string Unstyled(const std::string& text) {
    return std::regex_replace(text, std::regex("\x1b\\[[0-9;]*m"), "");
}

TEST(DetailsLines, ColouredBarsReadOnlyLinesHiddenRowsAndAnAlert) {
    DetailsWindow window;
    const std::string black = "Black Toner\xEF\xBF\xBD[2J";
    std::vector<std::string> expected = {
        "== Printer Details ==",
        "      Health: critical",
        "     Reasons: Paper jam",
        "              Door open",
        "              " + black + "  [############--------]  64%",
        "              Cyan Toner       [#-------------------]  5%",
        "      Device: down  Printer: other",
        "              <Close>",
        "Keys: c/Esc Close",
    };
    EXPECT_EQ(Texts(window.Render()), expected);

    // An alert on the status window's icon heads every window, a line each; its introduction
    // (the balloon the icon is added with) stays a notice below.
    static int statusWindow;
    NOTIFYICONDATAA record{};
    record.hWnd = reinterpret_cast<HWND>(&statusWindow);
    record.uFlags = NIF_INFO;
    std::strcpy(record.szInfoTitle, "Monitor");
    std::strcpy(record.szInfo, "Introduced");
    vmterm::NotifyIcon(NIM_ADD, record, vmterm::Clock::now());
    EXPECT_EQ(window.Render().at(8).text, "Notification: Monitor: Introduced");
    std::strcpy(record.szInfo, "Paper jam\r\nToner low: Cyan Toner 5%\x07");
    vmterm::NotifyIcon(NIM_MODIFY, record, vmterm::Clock::now());
    expected.insert(expected.begin() + 1,
                    {"! Paper jam", "! Toner low: Cyan Toner 5%\xEF\xBF\xBD"});
    const std::vector<vmterm::ViewLine> lines = window.Render();
    EXPECT_EQ(Texts(lines), expected);
    EXPECT_EQ(vmterm::TakeNewAlerts(), 1u);
    EXPECT_EQ(vmterm::TakeNewAlerts(), 0u);

    const struct {
        const char* name;
        std::size_t line;
        bool colours;
        std::string drawn;
    } styles[] = {
        {"black bar in colour", 6, true,
         "              " + black + "  [\x1b[97;40m############\x1b[0m--------]  64%"},
        {"cyan bar in colour", 7, true,
         "              Cyan Toner       [\x1b[30;46m#\x1b[0m-------------------]  5%"},
        {"no colours: plain", 7, false,
         "              Cyan Toner       [#-------------------]  5%"},
        {"an alert highlighted either way", 1, false, "\x1b[1;7m! Paper jam\x1b[0m"},
    };
    for (const auto& style : styles) {
        const std::string drawn = vmterm::StyledLine(lines.at(style.line), style.colours);
        EXPECT_EQ(drawn, style.drawn) << style.name;
        // The only controls on the line are the attributes' own.
        EXPECT_EQ(Unstyled(drawn).find_first_of("\x1b\x07\r\n"), std::string::npos) << style.name;
    }

    // Fitted to 44 x 8: the title and the alerts stay, and a bar cut short keeps its colour
    // only on the cells still shown.
    const std::vector<vmterm::ViewLine> fitted = vmterm::FitLines(lines, 44, 8);
    const std::vector<std::string> small = {expected[0],
                                            expected[1],
                                            expected[2],
                                            expected[3],
                                            "     Reasons: Paper jam (+1 more)",
                                            "              " + black + "  [###########\xE2\x80\xA6",
                                            "\xE2\x80\xA6 3 more lines: enlarge the terminal",
                                            "Keys: c/Esc Close"};
    EXPECT_EQ(Texts(fitted), small);
    EXPECT_EQ(vmterm::StyledLine(fitted.at(5), true),
              "              " + black + "  [\x1b[97;40m###########\x1b[0m\xE2\x80\xA6");
}

TEST(BarColour, NearestTerminalColourAsTable) {
    const struct {
        const char* name;
        DWORD colour;  // COLORREF 0x00BBGGRR
        std::string sgr;
    } rows[] = {
        {"the control's default: left alone", posixui::DEFAULT_BAR_COLOR, ""},
        {"black", 0x000000, "97;40"},
        {"cyan", 0xFFFF00, "30;46"},
        {"magenta", 0xFF00FF, "97;45"},
        {"yellow", 0x00FFFF, "30;43"},
        {"grey of an unknown colour", 0x808080, "30;100"},
        {"white", 0xFFFFFF, "30;47"},
        {"red (the low byte)", 0x0000FF, "97;41"},
        {"dark blue", 0x800000, "97;44"},
        {"orange is nearest yellow", 0x00A5FF, "30;43"},
        {"near-black is black", 0x101810, "97;40"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(vmterm::BarColourSgr(row.colour), row.sgr) << row.name;
    }
}

TEST(ScreenPainter, WritesChangedLinesAtTheirRowsAndClearsOnAFullPaint) {
    vmterm::ScreenPainter painter;
    EXPECT_EQ(painter.Paint({"one", "two"}, true),
              "\x1b[H\x1b[2J\x1b[1;1H\x1b[2Kone\x1b[2;1H\x1b[2Ktwo");
    EXPECT_EQ(painter.Paint({"one", "two"}, false), "");
    EXPECT_EQ(painter.Paint({"one", "TWO", "three"}, false),
              "\x1b[2;1H\x1b[2KTWO\x1b[3;1H\x1b[2Kthree");
    // A shorter block clears what lay below it.
    EXPECT_EQ(painter.Paint({"one"}, false), "\x1b[2;1H\x1b[J");
    // The first paint clears the screen, whatever it is asked.
    EXPECT_EQ(vmterm::ScreenPainter().Paint({"one"}, false), "\x1b[H\x1b[2J\x1b[1;1H\x1b[2Kone");
}

// The window's JSON at the edges of what it holds (its fields as a whole are checked end to
// end): the widest range, a tip that fills its field without a terminator, an empty range, no
// tray icon, no state yet.
TEST(WindowJson, EdgesOfTheStateItShows) {
    PolledWindow window;
    const auto json = [&](const vmterm::MonitorReport& report) {
        return vmterm::TerminalJson(vmterm::WindowJson(window.dialog, report, "x"));
    };
    window.dialog.Find(IDC_TONER)->progress = {INT_MIN, INT_MAX, 0, 1, 0};
    NOTIFYICONDATAA record{};
    record.hWnd = window.dialog.Handle();
    record.uFlags = NIF_TIP;
    std::memset(record.szTip, 'T', sizeof record.szTip);
    vmterm::NotifyIcon(NIM_MODIFY, record, vmterm::Clock::now());
    const std::string wide = json({true, ""});
    EXPECT_NE(wide.find("\"pos\":0,\"percent\":50}"), std::string::npos) << wide;
    EXPECT_NE(wide.find("\"tip\":\"" + std::string(128, 'T') + "\"}"), std::string::npos) << wide;

    window.dialog.Find(IDC_TONER)->progress = {0, 0, -3, 1, 0};
    const std::string lost = json({true, "timeout"});
    vmterm::ClearTray();
    for (const auto& [text, field] : std::vector<std::pair<std::string, std::string>>{
             {lost, "\"state\":\"lost\",\"reason\":\"timeout\""},
             {lost, "\"toner\":{\"min\":0,\"max\":0,\"pos\":-3,\"percent\":null}"},
             {json({true, "no-echo-reply"}), "\"tray\":null"},
             {json({}), "\"state\":null,\"target\""}}) {
        EXPECT_NE(text.find(field), std::string::npos) << field << " in " << text;
    }
}

}  // namespace
