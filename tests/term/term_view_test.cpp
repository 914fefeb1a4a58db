// The terminal view of the status window's template: its lines (each control by its class, in
// the rows the geometry gives), their fitting to a small terminal with a sign for what is left
// out, the full-screen painter, and the JSON object's edges.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"
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

// The status window as a poll leaves it, with its tray icon.
struct PolledWindow {
    Dialog dialog{*tmpl::FindDialogTemplate(IDD_MONITOR), nullptr};
    PolledWindow() {
        vmterm::ClearTray();
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
        std::vector<std::string> out;
        for (const vmterm::ViewLine& line : vmterm::RenderWindow(dialog, options)) {
            out.push_back(line.text);
        }
        return out;
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
              "Keys: u/Enter Update Target  Tab edit  h Hide  m Menu  q Exit");

    window.dialog.visible = false;
    const std::vector<std::string> hidden = {
        "(hidden) HP LaserJet Pro 4012dn Monitor",
        "        Unreachable: [10.0.0.9]",
        "               Tray: online - HP LaserJet Pro 4012dn Monitor",
        "Keys: s Show  m Menu  q Exit",
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
        "Keys: h Hide  m Menu  q Exit",
    };
    EXPECT_EQ(vmterm::FitToScreen(lines, 40, 10), expected);

    // Smaller still: the title and the keys stay, the rows between them say what is left out.
    const std::vector<std::string> tiny = {
        expected[0], expected[1], "   Secondary Status: one (+3 more)",
        "\xE2\x80\xA6 5 more lines: enlarge the terminal", expected.back()};
    EXPECT_EQ(vmterm::FitToScreen(lines, 40, 5), tiny);
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
