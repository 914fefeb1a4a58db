// Works vellumark.exe from the outside, as a user would, and checks what its windows show.
// Runs under wine next to the Linux printer simulator, which it silences and restores through
// the simulator's UDP control channel.
//
//   vellumark-driver monitor EXE PORT CONTROL_PORT TITLE [ID=TEXT]... [range=LOW,HIGH] [pos=N]
//       (PORT alone: the printer on 127.0.0.1; [::1]:PORT: on ::1, its control channel too)
//   vellumark-driver prompt  EXE PORT TITLE  (no target given; an XEmbed notification area)
//   vellumark-driver fatal   EXE             (no way to send an echo: the fatal message)
//   vellumark-driver service EXE             (raw sockets refused, the echo service there)
//   vellumark-driver noping  EXE PORT CONTROL_PORT TITLE  (no way to send an echo; --no-ping
//                                                          and --retry lead the command line)
//   vellumark-driver nov3    EXE             (--condition-version 3 where SNMPv3 is not built)
//   vellumark-driver details EXE PORT CONTROL_PORT TITLE READING TRAY_LOG
//       (READING: the Linux engine's reading of the printer, its JSON on the first line;
//        TRAY_LOG: a file for the program's tray log; an XEmbed notification area)
// Prints one line per check; exits 0 when every check passed, 1 otherwise (77: skipped, the
// system offers no ICMPv6 echo for a printer on ::1).
#include "tests/win32/driver/program.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "shell/dialogs.h"
#include "shell/resources/resource.h"
#include "tests/win32/driver/check.h"
#include "tests/win32/driver/scenarios.h"

namespace {

// `what`: a control's id, or the toner bar's "range" or "pos".
void Expect(HWND dialog, const std::string& what, const std::string& expected) {
    const HWND toner = GetDlgItem(dialog, IDC_TONER);
    const std::string actual = what == "range"
                                   ? std::to_string(Send(toner, PBM_GETRANGE, TRUE, 0)) + "," +
                                         std::to_string(Send(toner, PBM_GETRANGE, FALSE, 0))
                               : what == "pos" ? std::to_string(Send(toner, PBM_GETPOS, 0, 0))
                                               : ControlText(dialog, std::atoi(what.c_str()));
    Check(actual == expected, what + " shows \"" + actual + "\" (want \"" + expected + "\")");
}

// The window polls, loses the printer, and adopts it again on Update Target.
int Monitor(int argc, char** argv) {
    const std::string given = argv[3];
    const bool ipv6 = given.rfind('[', 0) == 0;
    const std::string target = ipv6 ? given : "127.0.0.1:" + given;
    const auto controlPort = static_cast<unsigned short>(std::atoi(argv[4]));
    const HWND dialog = Launch(argv[2], target, argv[5]);
    if (dialog == nullptr) {
        // Where the system offers no ICMPv6 echo at all (wine: no raw ICMPv6 socket and a stub
        // Icmp6CreateFile), the program can only give its fatal message for an IPv6 target.
        const HWND fatal = ipv6 ? Titled("Fatal Error!", 1000) : nullptr;
        if (fatal != nullptr) {
            std::printf("SKIP: no way to send an ICMPv6 echo here: the program says so\n");
            PostMessageA(fatal, WM_COMMAND, IDOK, 0);
            WaitForSingleObject(g_program.hProcess, 15000);
            TerminateProcess(g_program.hProcess, 99);
            return 77;
        }
        return Finish(nullptr);
    }
    Check(WaitUntil([&] { return IsWindowVisible(dialog); }), "the window is visible");
    LabelBecomes(dialog, "Primary Status:");
    for (int i = 6; i < argc; ++i) {  // the values the first poll put into the window
        const std::string argument = argv[i];
        const std::size_t equals = argument.find('=');
        Expect(dialog, argument.substr(0, equals), argument.substr(equals + 1));
    }
    const std::string pageCount = ControlText(dialog, IDC_PAGECOUNT);
    Check(Control(ipv6, controlPort, "silence on"), "simulator silenced");
    LabelBecomes(dialog, "Unreachable:");  // and the box offers the target for Update Target
    Expect(dialog, std::to_string(IDC_PAGECOUNT), pageCount);
    Check(Control(ipv6, controlPort, "silence off"), "simulator answers again");
    PostMessageA(GetDlgItem(dialog, IDC_UPDATE_TARGET), BM_CLICK, 0, 0);
    LabelBecomes(dialog, "Primary Status:");
    return Finish(dialog);  // the close box and Esc arrive as IDCANCEL
}

// No target given: the prompt takes one; the tray icon docks with its balloon, comes back when
// the notification area is re-created, and its menu's Exit removes it.
int Prompt(int, char** argv) {
    const HWND prompt = Launch(argv[2], "", "No Target Specified");
    if (prompt == nullptr) {
        return Finish(nullptr);
    }
    const HWND edit = GetDlgItem(prompt, IDC_TARGET_EDIT);
    const std::string target = std::string("127.0.0.1:") + argv[3];
    Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    // wine docks each tray icon into the X notification area as a window of this class.
    const char* const icons = "__winex11_tray_icon";
    const int before = CountWindows(icons);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    const HWND dialog = Titled(argv[4]);
    if (!Check(dialog != nullptr, "Enter takes the entry: the status window appeared")) {
        return Finish(nullptr);
    }
    LabelBecomes(dialog, "Primary Status:");
    const auto docked = [&](int count) {
        return WaitUntil([&] { return CountWindows(icons) == before + count; }, 5000);
    };
    Check(docked(1), "the tray icon is docked in the notification area");
    Check(WaitUntil([&] { return CountWindows("tooltips_class32", "By Quillfen") == 1; }, 5000),
          "the balloon says \"By Quillfen\"");
    // The icon lost as when Explorer restarts; "TaskbarCreated" must bring it back.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V3_SIZE;
    record.hWnd = dialog;
    record.uID = 500;
    Shell_NotifyIconA(NIM_DELETE, &record);
    Check(docked(0), "the icon is gone from the notification area");
    Send(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Check(docked(1), "\"TaskbarCreated\" adds the icon again");

    // The menu's "Exit Vellumark", chosen from the keyboard.
    if (!ChooseTrayItem(dialog, argv[2], IDM_EXIT)) {
        return Finish(dialog, IDM_EXIT);
    }
    Finish(nullptr);
    Check(docked(0), "the icon is removed at exit");
    return g_failures == 0 ? 0 : 1;
}

// No way to send an echo: the fatal message, and no status window (the program, which would
// run one after the box, must end once the box is closed).
int Fatal(int, char** argv) {
    const HWND box = Launch(argv[2], "127.0.0.1", "Fatal Error!");
    if (box != nullptr) {
        Check(Find([box](HWND w) {
                  return GetParent(w) == box && WindowText(w) == "Error: WinSock";
              }) != nullptr,
              "it says \"Error: WinSock\"");
    }
    return Finish(box, IDOK);
}

// Raw ICMP refused but the system's echo service present: start-up goes on without a message
// (a "Fatal Error!" box would hold it before the window); with no answer from 127.0.0.1
// (nothing can be sent) the window opens unreachable.
int Service(int, char** argv) {
    const HWND dialog = Launch(argv[2], "127.0.0.1", "Quillfen - Printer Monitor");
    if (dialog != nullptr && LabelBecomes(dialog, "Unreachable:")) {
        Expect(dialog, std::to_string(IDC_PRIMARY), "127.0.0.1");
    }
    return Finish(dialog);
}

// No way to send an echo, but the options lead the command line: no fatal message, the model
// query alone finds the printer, and once it answers again after a silence the window adopts
// it by itself, without Update Target being pressed.
int NoPing(int, char** argv) {
    const std::string arguments = std::string("--no-ping --retry 3 127.0.0.1:") + argv[3];
    const auto controlPort = static_cast<unsigned short>(std::atoi(argv[4]));
    const HWND dialog = Launch(argv[2], arguments, argv[5]);
    if (dialog == nullptr) {
        return Finish(nullptr);
    }
    LabelBecomes(dialog, "Primary Status:");
    Check(Control(false, controlPort, "silence on"), "simulator silenced");
    LabelBecomes(dialog, "Unreachable:");
    Check(Control(false, controlPort, "silence off"), "simulator answers again");
    LabelBecomes(dialog, "Primary Status:");
    return Finish(dialog);
}

// This build reads no SNMPv3: asked to read the condition over it, the program says so in its
// usage message and ends before any window or traffic, rather than watch what it cannot read.
int NoV3(int, char** argv) {
    const HWND box = Launch(argv[2], "--condition-version 3 127.0.0.1", "Vellumark");
    if (box != nullptr) {
        Check(Find([box](HWND w) {
                  return GetParent(w) == box &&
                         WindowText(w) ==
                             "--condition-version: SNMPv3 is not available in this build";
              }) != nullptr,
              "it says \"SNMPv3 is not available in this build\"");
    }
    return Finish(box, IDOK);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 2 ? argv[1] : "";
    int (*const run)(int, char**) = scenario == "monitor" && argc > 5   ? Monitor
                                    : scenario == "prompt" && argc > 4  ? Prompt
                                    : scenario == "fatal"               ? Fatal
                                    : scenario == "service"             ? Service
                                    : scenario == "noping" && argc > 5  ? NoPing
                                    : scenario == "nov3"                ? NoV3
                                    : scenario == "details" && argc > 7 ? Details
                                                                        : nullptr;
    if (run == nullptr) {
        std::fprintf(stderr, "usage: see the head of driver.cpp\n");
        return 2;
    }
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    const int result = run(argc, argv);
    WSACleanup();
    return result;
}
