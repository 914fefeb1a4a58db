// Works vellumark.exe from the outside, as a user would, and checks what its windows show.
// Runs under wine next to the Linux printer simulator, which it silences and restores through
// the simulator's UDP control channel.
//
//   vellumark-driver monitor EXE PORT CONTROL_PORT TITLE [ID=TEXT]... [range=LOW,HIGH] [pos=N]
//   vellumark-driver values  EXE PORT CONTROL_PORT TITLE [ID=TEXT]...  (the values, then exit)
//   vellumark-driver prompt  EXE PORT TITLE
//   vellumark-driver fatal   EXE      (no way to send an echo: the fatal message)
//   vellumark-driver service EXE      (raw sockets refused, the echo service there: no message)
//   vellumark-driver tray    EXE PORT TITLE   (an XEmbed notification area on the display)
// Prints one line per check; exits 0 when every check passed, 1 otherwise.
// winsock2.h must precede windows.h.
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "shell/resources/resource.h"
#include "tests/win32/driver/check.h"

namespace {

constexpr UINT WM_TRAYNOTIFY_MESSAGE = WM_USER + 210;
constexpr DWORD WINDOW_TIMEOUT_MS = 30000;
constexpr const char* DEFAULT_TITLE = "Quillfen - Printer Monitor";

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
bool LabelIs(HWND dialog, const char* text) {
    return ControlText(dialog, IDC_PRIMARY_LABEL) == text;
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}
// The top-level windows; with `parent`, all of its descendants.
std::vector<HWND> Windows(HWND parent = nullptr) {
    std::vector<HWND> list;
    const auto param = reinterpret_cast<LPARAM>(&list);
    parent == nullptr ? EnumWindows(Collect, param) : EnumChildWindows(parent, Collect, param);
    return list;
}
std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(100)) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
    }
    return true;
}

// The program under test; one per run of the driver.
PROCESS_INFORMATION g_program{};

// A top-level window of the program that `matches`, waiting up to `timeoutMs` for it; none
// once the program has ended.
HWND Find(const std::function<bool(HWND)>& matches, DWORD timeoutMs) {
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
HWND Titled(const std::string& title, DWORD timeoutMs = WINDOW_TIMEOUT_MS) {
    return Find([&](HWND window) { return WindowText(window) == title; }, timeoutMs);
}

// Starts EXE with `arguments` and waits for its window titled `title`.
HWND Launch(const std::string& exe, const std::string& arguments, const std::string& title) {
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!Check(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &g_program) != 0,
               "started " + commandLine)) {
        return nullptr;
    }
    const HWND window = Titled(title);
    Check(window != nullptr, "a window titled \"" + title + "\" appeared");
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

// One command to the simulator's control channel; true when it answered "ok".
bool Control(unsigned short port, const char* command) {
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in to{AF_INET, htons(port), {}, {}};
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string line = std::string(command) + "\n";
    sendto(udp, line.c_str(), static_cast<int>(line.size()), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
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

int Monitor(int argc, char** argv) {
    const std::string target = std::string("127.0.0.1:") + argv[3];
    const auto controlPort = static_cast<unsigned short>(std::atoi(argv[4]));
    const std::string title = argv[5];
    const HWND dialog = Launch(argv[2], target, title);
    if (dialog == nullptr) {
        return Finish(nullptr);
    }
    const LONG_PTR both = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    Check((GetWindowLongPtrA(dialog, GWL_EXSTYLE) & both) == both,
          "the window is a topmost tool window");
    Check(WaitUntil([&] { return IsWindowVisible(dialog); }, 5000), "the window is visible");
    Check(WaitUntil([&] { return LabelIs(dialog, "Primary Status:"); }, 5000),
          "label reads \"Primary Status:\"");
    Check(Send(GetDlgItem(dialog, IDC_PRIMARY), EM_GETLIMITTEXT, 0, 0) == 63,
          "no more than 63 characters can be typed as a target");

    // Values the first poll put into the window.
    for (int i = 6; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::size_t equals = argument.find('=');
        Expect(dialog, argument.substr(0, equals), argument.substr(equals + 1));
    }
    if (std::string(argv[1]) == "values") {
        return Finish(dialog);
    }

    // The printer stops answering: the next ticks switch to the unreachable display.
    const std::string pageCount = ControlText(dialog, IDC_PAGECOUNT);
    Check(Control(controlPort, "silence on"), "simulator silenced");
    Check(WaitUntil([&] { return LabelIs(dialog, "Unreachable:"); }, 15000),
          "label turns to \"Unreachable:\"");
    Expect(dialog, std::to_string(IDC_PRIMARY), target);
    Expect(dialog, std::to_string(IDC_PAGECOUNT), pageCount);

    // It answers again; Update Target adopts the target and polling resumes.
    Check(Control(controlPort, "silence off"), "simulator answers again");
    PostMessageA(GetDlgItem(dialog, IDC_UPDATE_TARGET), BM_CLICK, 0, 0);
    Check(WaitUntil([&] { return LabelIs(dialog, "Primary Status:"); }, 15000),
          "Update Target resumes polling");

    // Closing (the close box and Esc arrive as IDCANCEL) ends the program with exit code 1.
    return Finish(dialog);
}

int Prompt(int, char** argv) {
    const std::string target = std::string("127.0.0.1:") + argv[3];
    const HWND prompt = Launch(argv[2], "", "No Target Specified");
    if (prompt == nullptr) {
        return Finish(nullptr);
    }
    const HWND edit = GetDlgItem(prompt, IDC_TARGET_EDIT);
    Check(Send(edit, EM_GETLIMITTEXT, 0, 0) == 63, "no more than 63 characters can be typed");
    Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    RECT place{};
    GetWindowRect(prompt, &place);
    Check(place.left == 0 && place.top == 0, "the prompt opens at the top-left corner");

    // Esc and the close box arrive as IDCANCEL, which the prompt ignores; Enter presses OK.
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(prompt, WM_CLOSE, 0, 0);
    PostMessageA(prompt, WM_COMMAND, IDCANCEL, 0);
    Sleep(500);
    Check(IsWindow(prompt) != 0 && IsWindowVisible(prompt),
          "Esc, close and Cancel leave the prompt open");
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    const HWND dialog = Titled(argv[4]);
    if (!Check(dialog != nullptr, "Enter takes the entry: the status window appeared")) {
        return Finish(nullptr);
    }
    Check(WaitUntil([&] { return LabelIs(dialog, "Primary Status:"); }, 5000),
          "the typed target is polled");

    // A right-button press on the tray icon opens the menu; its last item, "Exit Vellumark", is
    // chosen from the keyboard.
    PostMessageA(dialog, WM_TRAYNOTIFY_MESSAGE, 500, WM_RBUTTONDOWN);
    const HWND menu =
        Find([](HWND w) { return ClassOf(w) == "#32768" && IsWindowVisible(w); }, 5000);
    if (!Check(menu != nullptr, "a right-button press opens the tray menu")) {
        return Finish(dialog, IDM_EXIT);
    }
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return Finish(nullptr);
}

// No way to send an echo: the fatal message, and no status window.
int Fatal(int, char** argv) {
    const HWND box = Launch(argv[2], "127.0.0.1", "Fatal Error!");
    if (box != nullptr) {
        std::string texts;
        for (HWND child : Windows(box)) {
            texts += WindowText(child) + "|";
        }
        Check(texts.find("Error: WinSock|") != std::string::npos,
              "it says \"Error: WinSock\" (" + texts + ")");
        Check(Titled(DEFAULT_TITLE, 0) == nullptr, "no status window");
    }
    return Finish(box, IDOK);
}

// Raw ICMP refused but the system's echo service present: start-up goes on without a message;
// with no answer from 127.0.0.1 (nothing can be sent) the window opens unreachable.
int Service(int, char** argv) {
    const HWND dialog = Launch(argv[2], "127.0.0.1", DEFAULT_TITLE);
    Check(Titled("Fatal Error!", 0) == nullptr, "no \"Fatal Error!\" box");
    if (dialog != nullptr) {
        Check(WaitUntil([&] { return LabelIs(dialog, "Unreachable:"); }, 5000),
              "label reads \"Unreachable:\"");
        Expect(dialog, std::to_string(IDC_PRIMARY), "127.0.0.1");
    }
    return Finish(dialog);
}

// Windows of any process with this class; with `text`, only visible ones showing that text.
int CountWindows(const std::string& className, const char* text = nullptr) {
    int count = 0;
    for (HWND top : Windows()) {
        std::vector<HWND> tree = Windows(top);
        tree.push_back(top);
        for (HWND window : tree) {
            count += ClassOf(window) == className &&
                     (text == nullptr || (IsWindowVisible(window) && WindowText(window) == text));
        }
    }
    return count;
}

int Tray(int, char** argv) {
    // wine docks each tray icon into the X notification area as a window of this class.
    const char* const icons = "__winex11_tray_icon";
    const int before = CountWindows(icons);
    const HWND dialog = Launch(argv[2], std::string("127.0.0.1:") + argv[3], argv[4]);
    if (dialog == nullptr) {
        return Finish(nullptr);
    }
    Check(WaitUntil([&] { return CountWindows(icons) == before + 1; }, 5000),
          "the tray icon is docked in the notification area (" +
              std::to_string(CountWindows(icons)) + " icon(s))");
    Check(WaitUntil([&] { return CountWindows("tooltips_class32", "By Quillfen") == 1; }, 5000),
          "the balloon says \"By Quillfen\"");

    // The icon lost as when Explorer restarts; "TaskbarCreated" must bring it back.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V3_SIZE;
    record.hWnd = dialog;
    record.uID = 500;
    Shell_NotifyIconA(NIM_DELETE, &record);
    Check(WaitUntil([&] { return CountWindows(icons) == before; }, 5000),
          "the icon is gone from the notification area");
    Send(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Check(WaitUntil([&] { return CountWindows(icons) == before + 1; }, 5000),
          "\"TaskbarCreated\" adds the icon again");

    Finish(dialog);
    Check(WaitUntil([&] { return CountWindows(icons) == before; }, 5000),
          "the icon is removed at exit");
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 2 ? argv[1] : "";
    const bool monitor = scenario == "monitor" || scenario == "values";
    int (*const run)(int, char**) = monitor && argc > 5                ? Monitor
                                    : scenario == "prompt" && argc > 4 ? Prompt
                                    : scenario == "fatal"              ? Fatal
                                    : scenario == "service"            ? Service
                                    : scenario == "tray" && argc > 4   ? Tray
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
