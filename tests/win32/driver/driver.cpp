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
// Prints one line per check; exits 0 when every check passed, 1 otherwise (77: skipped, the
// system offers no ICMPv6 echo for a printer on ::1).
// winsock2.h must precede windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "shell/dialogs.h"
#include "shell/resources/resource.h"
#include "tests/win32/driver/check.h"

namespace {

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
    return static_cast<LRESULT>(result);
}
std::string WindowText(HWND window) {
    char text[1024] = "";
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}
std::string ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}
// Every window: the top-level ones and their descendants.
std::vector<HWND> Windows() {
    std::vector<HWND> list;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&list));
    for (std::size_t i = 0, tops = list.size(); i < tops; ++i) {
        EnumChildWindows(list[i], Collect, reinterpret_cast<LPARAM>(&list));
    }
    return list;
}
std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 15000) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(100)) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
    }
    return true;
}
bool LabelBecomes(HWND dialog, const char* text) {
    return Check(WaitUntil([&] { return ControlText(dialog, IDC_PRIMARY_LABEL) == text; }),
                 std::string("the label reads \"") + text + "\"");
}

// The program under test; one per run of the driver.
PROCESS_INFORMATION g_program{};

// A window of the program that `matches`, waiting for it; none once the program has ended.
HWND Find(const std::function<bool(HWND)>& matches, DWORD timeoutMs = 30000) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : Windows()) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                found = owner == g_program.dwProcessId && matches(window) ? window : found;
            }
            return found != nullptr || WaitForSingleObject(g_program.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    return found;
}
HWND Titled(const std::string& title, DWORD timeoutMs = 30000) {
    return Find([&](HWND w) { return GetParent(w) == nullptr && WindowText(w) == title; },
                timeoutMs);
}

// Starts EXE with `arguments` and waits for its window titled `title`.
HWND Launch(const std::string& exe, const std::string& arguments, const std::string& title) {
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                   &startup, &g_program);
    const HWND window = Titled(title);
    Check(window != nullptr, commandLine + ": a window titled \"" + title + "\" appeared");
    return window;
}

// Sends `close` the command (none: the program is ending by itself), then the program must
// end with exit code 1. Returns the driver's exit code.
int Finish(HWND close, WPARAM command = IDCANCEL) {
    if (close != nullptr) {
        PostMessageA(close, WM_COMMAND, command, 0);
    }
    const bool ended = WaitForSingleObject(g_program.hProcess, 15000) == WAIT_OBJECT_0;
    DWORD code = 0;
    GetExitCodeProcess(g_program.hProcess, &code);
    Check(ended && code == 1, "process ended with exit code " + std::to_string(code));
    TerminateProcess(g_program.hProcess, 99);  // if it has not ended
    return g_failures == 0 ? 0 : 1;
}

// One command to the simulator's control channel on 127.0.0.1 (or ::1); true when it answered
// "ok".
bool Control(bool ipv6, unsigned short port, const char* command) {
    SOCKET udp = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in to{AF_INET, htons(port), {}, {}};
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 to6{};
    to6.sin6_family = AF_INET6;
    to6.sin6_port = htons(port);
    to6.sin6_addr.s6_addr[15] = 1;
    const std::string line = std::string(command) + "\n";
    if (ipv6) {
        sendto(udp, line.c_str(), static_cast<int>(line.size()), 0,
               reinterpret_cast<const sockaddr*>(&to6), sizeof to6);
    } else {
        sendto(udp, line.c_str(), static_cast<int>(line.size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    DWORD timeout = 3000;
    setsockopt(udp, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    char reply[256] = "";
    const int size = recv(udp, reply, sizeof reply - 1, 0);
    closesocket(udp);
    return size >= 2 && std::strncmp(reply, "ok", 2) == 0;
}

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

// Windows of any process with this class; with `text`, only visible ones showing that text.
int CountWindows(const std::string& className, const char* text = nullptr) {
    int count = 0;
    for (HWND window : Windows()) {
        count += ClassOf(window) == className &&
                 (text == nullptr || (IsWindowVisible(window) && WindowText(window) == text));
    }
    return count;
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

    // A right-button press on the icon opens the menu; "Exit Vellumark", the item before the
    // last ("Printer Details..."), is chosen from the keyboard.
    PostMessageA(dialog, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);  // the icon's callback
    const HWND menu = Find([](HWND w) { return ClassOf(w) == "#32768" && IsWindowVisible(w); });
    if (!Check(menu != nullptr, "a right-button press opens the tray menu")) {
        return Finish(dialog, IDM_EXIT);
    }
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
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
    int (*const run)(int, char**) = scenario == "monitor" && argc > 5  ? Monitor
                                    : scenario == "prompt" && argc > 4 ? Prompt
                                    : scenario == "fatal"              ? Fatal
                                    : scenario == "service"            ? Service
                                    : scenario == "noping" && argc > 5 ? NoPing
                                    : scenario == "nov3"               ? NoV3
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
