// The details window and the notifications, worked from outside: opened from the tray menu,
// its texts and bars compared with the Linux engine's reading of the same printer, then the
// printer jammed, cleared, silenced and answering again through the simulator's control
// channel, each balloon seen in the notification area (its text) and in the program's tray
// log (title, icon, time-out).
// program.h first: it brings windows.h, which the other Windows headers need.
#include "tests/win32/driver/program.h"
#include "tests/win32/driver/scenarios.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ui/win32/tray_log.h"
#include "shell/dialogs.h"
#include "shell/resources/resource.h"
#include "tests/win32/driver/check.h"

namespace {

using json = nlohmann::json;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
bool Mentions(const std::string& text, const std::string& word) {
    return Lower(text).find(Lower(word)) != std::string::npos;
}
std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A multi-line edit's lines (CR LF between them); none when it is empty.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The bar colour a supply of this colorant is drawn in.
COLORREF ColourOf(const json& colour) {
    const std::string name = colour.is_string() ? Lower(colour.get<std::string>()) : "";
    return name == "black"     ? RGB(0, 0, 0)
           : name == "cyan"    ? RGB(0, 255, 255)
           : name == "magenta" ? RGB(255, 0, 255)
           : name == "yellow"  ? RGB(255, 255, 0)
                               : RGB(128, 128, 128);
}

std::vector<ui::TrayLogEntry> TrayLog(const std::string& path) {
    std::vector<ui::TrayLogEntry> entries;
    std::ifstream file(path, std::ios::binary);
    for (std::string line; std::getline(file, line);) {
        ui::TrayLogEntry entry;
        if (!ui::ParseTrayLogLine(line, &entry)) {
            Check(false, "the tray log's line reads back: " + line);
        }
        entries.push_back(entry);
    }
    return entries;
}

// The balloons the program asked for after the first `skip` calls.
std::vector<ui::TrayLogEntry> Balloons(const std::string& log, std::size_t skip) {
    std::vector<ui::TrayLogEntry> balloons;
    const std::vector<ui::TrayLogEntry> entries = TrayLog(log);
    for (std::size_t i = skip; i < entries.size(); ++i) {
        if ((entries[i].flags & NIF_INFO) != 0) {
            balloons.push_back(entries[i]);
        }
    }
    return balloons;
}

// Waits for the program's next balloon after the first `skip` tray calls and checks it: only
// the balloon's fields set, the window's title, the icon (unless ANY_ICON), ten seconds, a text
// mentioning `word`.
// Then the notification area (wine's balloon, another process's tooltip) must show that text.
constexpr DWORD ANY_ICON = 0xFFFFFFFF;

ui::TrayLogEntry ExpectBalloon(const std::string& log, std::size_t skip, DWORD icon,
                               const std::string& title, const std::string& word) {
    ui::TrayLogEntry balloon;
    const bool came = WaitUntil([&] { return !Balloons(log, skip).empty(); }, 45000);
    if (!Check(came, "a balloon mentioning " + Quoted(word) + " comes")) {
        return balloon;
    }
    balloon = Balloons(log, skip).front();
    Check(
        balloon.operation == NIM_MODIFY && balloon.id == TRAY_ICON_ID && balloon.flags == NIF_INFO,
        "it modifies the icon's balloon only (operation " + std::to_string(balloon.operation) +
            ", flags " + std::to_string(balloon.flags) + ")");
    Check(balloon.title == title, "its title is the window's: " + Quoted(balloon.title));
    if (icon != ANY_ICON) {
        Check(
            (balloon.infoFlags & NIIF_ICON_MASK) == icon,
            "its icon is " + std::to_string(icon) + " (" + std::to_string(balloon.infoFlags) + ")");
    }
    Check(balloon.timeout == 10000, "it shows for 10 s (" + std::to_string(balloon.timeout) + ")");
    Check(Mentions(balloon.text, word),
          "its text mentions " + Quoted(word) + ": " + Quoted(balloon.text));
    Check(WaitUntil([&] { return CountWindows("tooltips_class32", balloon.text.c_str()) == 1; },
                    10000),
          "the notification area shows the balloon's text");
    return balloon;
}

// The supply rows against the reading's supplies: name, bar (range, position, colour, with
// `drawn` the colour on the screen too: the window must be on top) and level; the rows the
// printer does not fill are hidden.
void ExpectSupplies(HWND details, const json& supplies, bool drawn) {
    const std::size_t used = std::min<std::size_t>(supplies.size(), DETAILS_SUPPLY_ROWS);
    for (std::size_t i = 0; i < DETAILS_SUPPLY_ROWS; ++i) {
        const int row = static_cast<int>(i);
        const HWND name = GetDlgItem(details, IDC_DETAILS_SUPPLY_NAME + row);
        const HWND bar = GetDlgItem(details, IDC_DETAILS_SUPPLY_BAR + row);
        const HWND level = GetDlgItem(details, IDC_DETAILS_SUPPLY_LEVEL + row);
        const std::string which = "supply row " + std::to_string(i);
        if (i >= used) {
            Check(!IsWindowVisible(name) && !IsWindowVisible(bar) && !IsWindowVisible(level),
                  which + " is hidden");
            continue;
        }
        const json& supply = supplies[i];
        const std::string description = supply["description"].get<std::string>();
        Check(IsWindowVisible(name) && IsWindowVisible(bar) && IsWindowVisible(level),
              which + " is shown");
        Check(Mentions(WindowText(name), description),
              which + " names " + Quoted(description) + ": " + Quoted(WindowText(name)));
        Check(Send(bar, PBM_GETRANGE, TRUE, 0) == 0 && Send(bar, PBM_GETRANGE, FALSE, 0) == 100,
              which + "'s bar runs from 0 to 100");
        const LRESULT position = Send(bar, PBM_GETPOS, 0, 0);
        const std::string levelText = WindowText(level);
        if (supply["percent"].is_number()) {
            const double percent = supply["percent"].get<double>();
            Check(std::abs(static_cast<double>(position) - percent) < 1.0,
                  which + "'s bar stands at " + std::to_string(position) + " for " +
                      std::to_string(percent) + "%");
            // The reading's percentage as written there, with at most one decimal.
            char written[32];
            std::snprintf(written, sizeof written, "%g%%", percent);
            Check(levelText.rfind(written, 0) == 0,
                  which + "'s level " + Quoted(levelText) + " gives " + written);
        } else {
            Check(position == 0 && !levelText.empty() && levelText.find('%') == std::string::npos,
                  which + "'s special level in words: " + Quoted(levelText));
        }
        const COLORREF colour = ColourOf(supply["colour"]);
        const auto barColour = static_cast<COLORREF>(Send(bar, PBM_GETBARCOLOR, 0, 0));
        Check(barColour == colour, which + "'s bar colour is " + std::to_string(colour) + " (" +
                                       std::to_string(barColour) + ")");
        // What the screen shows inside the bar's filled part.
        RECT area{};
        GetWindowRect(bar, &area);
        const POINT inside{area.left + 3, (area.top + area.bottom) / 2};
        if (drawn && position >= 20 &&
            Check(WindowFromPoint(inside) == bar, which + " is uncovered")) {
            HDC screen = GetDC(nullptr);
            const COLORREF onScreen = GetPixel(screen, inside.x, inside.y);
            ReleaseDC(nullptr, screen);
            Check(onScreen == colour,
                  which + "'s bar is drawn in its colour (" + std::to_string(onScreen) + ")");
        }
    }
}

// Everything the window shows of the reading.
void ExpectReading(HWND details, const json& reading, bool drawn) {
    const std::string health = ControlText(details, IDC_DETAILS_HEALTH);
    Check(Mentions(health, reading["health"].get<std::string>()), "health " + Quoted(health));
    const std::vector<std::string> reasons = Lines(ControlText(details, IDC_DETAILS_REASONS));
    Check(reasons.size() == reading["reasons"].size(),
          std::to_string(reasons.size()) + " reason line(s) for " +
              std::to_string(reading["reasons"].size()) + " reason(s)");
    const std::string device = ControlText(details, IDC_DETAILS_DEVICE);
    const std::string printer = ControlText(details, IDC_DETAILS_PRINTER);
    Check(Mentions(device, reading["device_status"].get<std::string>()) &&
              Mentions(printer, reading["printer_status"].get<std::string>()),
          "device " + Quoted(device) + ", printer " + Quoted(printer));
    const std::string serial = ControlText(details, IDC_DETAILS_SERIAL);
    Check(serial.find(reading["serial"].get<std::string>()) != std::string::npos,
          "serial " + Quoted(serial));
    ExpectSupplies(details, reading["supplies"], drawn);
    const std::vector<std::string> trays = Lines(ControlText(details, IDC_DETAILS_TRAYS));
    bool traysMatch = trays.size() == reading["inputs"].size();
    for (std::size_t i = 0; traysMatch && i < trays.size(); ++i) {
        traysMatch = Mentions(trays[i], reading["inputs"][i]["name"].get<std::string>());
    }
    Check(traysMatch,
          "one line per tray, in order: " + Quoted(ControlText(details, IDC_DETAILS_TRAYS)));
    const std::vector<std::string> alerts = Lines(ControlText(details, IDC_DETAILS_ALERTS));
    bool alertsMatch = alerts.size() == reading["alerts"].size();
    for (std::size_t i = 0; alertsMatch && i < alerts.size(); ++i) {
        alertsMatch = Mentions(alerts[i], reading["alerts"][i]["description"].get<std::string>());
    }
    Check(alertsMatch, "one line per alert: " + Quoted(ControlText(details, IDC_DETAILS_ALERTS)));
    const std::string pages = ControlText(details, IDC_DETAILS_PAGES);
    Check(pages.find(std::to_string(reading["page_count"].get<long long>())) != std::string::npos,
          "pages " + Quoted(pages));
}

bool ReadAt(HWND details) {
    return ControlText(details, IDC_DETAILS_READ_AT).rfind("Read at ", 0) == 0;
}

}  // namespace

int Details(int, char** argv) {
    const std::string exe = argv[2];
    const std::string target = std::string("127.0.0.1:") + argv[3];
    const auto controlPort = static_cast<unsigned short>(std::atoi(argv[4]));
    const std::string title = argv[5];
    std::ifstream readingFile(argv[6]);
    std::string firstLine;
    std::getline(readingFile, firstLine);
    const json reading = json::parse(firstLine, nullptr, false);
    if (!Check(reading.is_object(), "the Linux reading is JSON")) {
        return 1;
    }
    const std::string log = argv[7];
    SetEnvironmentVariableA(ui::TRAY_LOG_VARIABLE, log.c_str());

    const HWND monitor = Launch(exe, "--condition-every 10 " + target, title);
    if (monitor == nullptr) {
        return Finish(nullptr);
    }
    LabelBecomes(monitor, "Primary Status:");
    if (!ChooseTrayItem(monitor, exe, IDM_DETAILS)) {
        return Finish(monitor);
    }
    const HWND details = Titled("Printer Details");
    if (!Check(details != nullptr, "\"Printer Details...\" opens the details window")) {
        return Finish(monitor);
    }
    Check(GetWindow(details, GW_OWNER) == nullptr, "it has no owner");
    const bool read = WaitUntil([&] { return ReadAt(details); }, 20000);
    Check(read, "it is read at once: " + Quoted(ControlText(details, IDC_DETAILS_READ_AT)));
    // To the screen's corner, clear of the status window, to see the bars drawn.
    SetWindowPos(details, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(500);
    ExpectReading(details, reading, true);

    // Chosen again while open: still one window.
    ChooseTrayItem(monitor, exe, IDM_DETAILS);
    Sleep(1000);
    int windows = 0;
    for (HWND window : Windows()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        windows += owner == g_program.dwProcessId && GetParent(window) == nullptr &&
                   WindowText(window) == "Printer Details";
    }
    Check(windows == 1,
          "choosing it again opens no second window (" + std::to_string(windows) + ")");

    // The jam: one balloon, the window refreshed, the status window polling on all the while.
    const auto statuses = [monitor] {
        return ControlText(monitor, IDC_PRIMARY) + " / " + ControlText(monitor, IDC_SECONDARY);
    };
    const std::string before = statuses();
    const std::size_t beforeJam = TrayLog(log).size();
    Check(Control(false, controlPort, "jam on"), "simulator jammed");
    Check(WaitUntil([&] { return statuses() != before; }, 10000),
          "the status window follows the printer behind the details window: " + Quoted(statuses()));
    ExpectBalloon(log, beforeJam, NIIF_ERROR, title, "jam");
    Check(WaitUntil([&] { return Mentions(ControlText(details, IDC_DETAILS_HEALTH), "critical"); },
                    5000),
          "the details window says critical");
    Check(Mentions(ControlText(details, IDC_DETAILS_REASONS), "jam"),
          "its reasons name the jam: " + Quoted(ControlText(details, IDC_DETAILS_REASONS)));
    Check(Mentions(ControlText(details, IDC_DETAILS_ALERTS), "jam"),
          "its alerts list the jam: " + Quoted(ControlText(details, IDC_DETAILS_ALERTS)));
    // The next reading still finds the jam, which is not announced again.
    const std::string readAt = ControlText(details, IDC_DETAILS_READ_AT);
    Check(WaitUntil([&] { return ControlText(details, IDC_DETAILS_READ_AT) != readAt; }, 45000),
          "the details window is read again while open");
    Check(Balloons(log, beforeJam).size() == 1, "the jam is announced once");

    // Cleared: one balloon saying so, and the window as before the jam.
    const std::size_t beforeClear = TrayLog(log).size();
    Check(Control(false, controlPort, "clear"), "simulator cleared");
    const ui::TrayLogEntry cleared = ExpectBalloon(log, beforeClear, NIIF_INFO, title, "jam");
    Check(Mentions(cleared.text, "cleared"), "it says the jam cleared");
    Check(WaitUntil(
              [&] {
                  return ReadAt(details) &&
                         !Mentions(ControlText(details, IDC_DETAILS_ALERTS), "jam");
              },
              5000),
          "the details window no longer lists the jam");
    ExpectReading(details, reading, false);

    // Silent: the status window shows the printer unreachable, and so, without a request, does
    // the details window at its next reading, with one error balloon. Answering again (Update
    // Target) the next reading clears it.
    const std::size_t beforeSilence = TrayLog(log).size();
    Check(Control(false, controlPort, "silence on"), "simulator silenced");
    LabelBecomes(monitor, "Unreachable:");
    ExpectBalloon(log, beforeSilence, NIIF_ERROR, title, "unreachable");
    Check(Mentions(ControlText(details, IDC_DETAILS_HEALTH), "unreachable") &&
              ControlText(details, IDC_DETAILS_READ_AT).rfind("No answer at ", 0) == 0,
          "the details window says unreachable: " +
              Quoted(ControlText(details, IDC_DETAILS_READ_AT)));
    const std::size_t beforeAnswer = TrayLog(log).size();
    Check(Control(false, controlPort, "silence off"), "simulator answers again");
    PostMessageA(GetDlgItem(monitor, IDC_UPDATE_TARGET), BM_CLICK, 0, 0);
    LabelBecomes(monitor, "Primary Status:");
    ExpectBalloon(log, beforeAnswer, ANY_ICON, title, "cleared: printer unreachable");
    Check(WaitUntil([&] { return ReadAt(details); }, 5000), "the details window is read again");

    // Exit from the tray while the details window is open ends both.
    if (!ChooseTrayItem(monitor, exe, IDM_EXIT)) {
        return Finish(monitor);
    }
    return Finish(nullptr);
}
