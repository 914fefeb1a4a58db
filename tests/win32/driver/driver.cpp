// Works vellumark.exe from the outside, as a user would, and checks what its windows show.
// Runs under wine next to the Linux printer simulator, which it silences and restores through
// the simulator's UDP control channel.
//
//   vellumark-driver monitor EXE PORT CONTROL_PORT TITLE [ID=TEXT]... [range=LOW,HIGH] [pos=N]
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
#include <string>
#include <vector>

#include "shell/resources/resource.h"

namespace {

constexpr UINT WM_TRAYNOTIFY_MESSAGE = WM_USER + 210;
constexpr DWORD SEND_TIMEOUT_MS = 5000;
constexpr DWORD WINDOW_TIMEOUT_MS = 30000;
int g_failures = 0;

void Check(bool passed, const std::string& what) {
    std::printf("%s %s\n", passed ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!passed) {
        ++g_failures;
    }
}

std::string Shown(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return "\"" + out + "\"";
}

std::string Unescape(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        if (p[0] == '\\' && (p[1] == 'r' || p[1] == 'n')) {
            out += p[1] == 'r' ? '\r' : '\n';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, SEND_TIMEOUT_MS, &result);
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

struct Process {
    PROCESS_INFORMATION info{};
    bool started = false;
};

Process Start(const std::string& exe, const std::string& arguments) {
    Process process;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    process.started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &process.info) != 0;
    Check(process.started, "started " + commandLine);
    return process;
}

struct Search {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    if (owner == search->processId && std::strcmp(title, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The process's top-level window with exactly this title, waiting for it to appear.
HWND WaitForWindow(const Process& process, const std::string& title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        Search search{process.info.dwProcessId, title.c_str(), nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        if (WaitForSingleObject(process.info.hProcess, 100) == WAIT_OBJECT_0) {
            return nullptr;
        }
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(100);
    }
    return true;
}

bool Visible(HWND window) {
    return IsWindowVisible(window) != 0;
}

// Clicks a button of the dialog the way the mouse would, through the button itself.
void Click(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Command(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Waits for the process to end and checks its exit code.
void ExpectExit(Process& process, DWORD expected) {
    const bool ended = WaitForSingleObject(process.info.hProcess, 15000) == WAIT_OBJECT_0;
    DWORD code = 0;
    GetExitCodeProcess(process.info.hProcess, &code);
    Check(ended && code == expected, "process ended with exit code " + std::to_string(code) +
                                         " (want " + std::to_string(expected) + ")");
    if (!ended) {
        TerminateProcess(process.info.hProcess, 99);
    }
    CloseHandle(process.info.hThread);
    CloseHandle(process.info.hProcess);
}

// One command to the simulator's control channel; true when it answered "ok".
bool Control(unsigned short port, const char* command) {
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (udp == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string line = std::string(command) + "\n";
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

void ExpectText(HWND dialog, int id, const std::string& expected) {
    const std::string actual = ControlText(dialog, id);
    Check(actual == expected, "control " + std::to_string(id) + " shows " + Shown(actual) +
                                  " (want " + Shown(expected) + ")");
}

bool LabelIs(HWND dialog, const char* text) {
    return ControlText(dialog, IDC_PRIMARY_LABEL) == text;
}

int Monitor(int argc, char** argv) {
    if (argc < 6) {
        return 2;
    }
    const std::string exe = argv[2];
    const std::string target = std::string("127.0.0.1:") + argv[3];
    const auto controlPort = static_cast<unsigned short>(std::atoi(argv[4]));
    const std::string title = argv[5];

    Process process = Start(exe, target);
    if (!process.started) {
        return 1;
    }
    const HWND dialog = WaitForWindow(process, title, WINDOW_TIMEOUT_MS);
    Check(dialog != nullptr, "status window titled " + Shown(title) + " appeared");
    if (dialog == nullptr) {
        TerminateProcess(process.info.hProcess, 99);
        return 1;
    }
    const LONG_PTR exStyle = GetWindowLongPtrA(dialog, GWL_EXSTYLE);
    Check((exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW)) == (WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
          "the window is a topmost tool window");
    Check(WaitUntil([&] { return Visible(dialog); }, 5000), "the window is visible");
    RECT place{};
    RECT work{};
    GetWindowRect(dialog, &place);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const long dx = (place.left + place.right) / 2 - (work.left + work.right) / 2;
    const long dy = (place.top + place.bottom) / 2 - (work.top + work.bottom) / 2;
    Check(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2,
          "the window is centred in the work area (off by " + std::to_string(dx) + ", " +
              std::to_string(dy) + ")");
    Check(WaitUntil([&] { return LabelIs(dialog, "Primary Status:"); }, 5000),
          "label reads \"Primary Status:\"");
    Check(!Visible(GetDlgItem(dialog, IDC_UPDATE_TARGET)), "Update Target is hidden");

    // Values the first poll put into the window.
    for (int i = 6; i < argc; ++i) {
        const char* arg = argv[i];
        const char* equals = std::strchr(arg, '=');
        if (equals == nullptr) {
            continue;
        }
        const std::string key(arg, equals);
        const HWND toner = GetDlgItem(dialog, IDC_TONER);
        if (key == "range") {
            const std::string want = equals + 1;
            const auto low = static_cast<long long>(Send(toner, PBM_GETRANGE, TRUE, 0));
            const auto high = static_cast<long long>(Send(toner, PBM_GETRANGE, FALSE, 0));
            const std::string got = std::to_string(low) + "," + std::to_string(high);
            Check(got == want, "toner range " + got + " (want " + want + ")");
        } else if (key == "pos") {
            const std::string got =
                std::to_string(static_cast<long long>(Send(toner, PBM_GETPOS, 0, 0)));
            Check(got == equals + 1, "toner position " + got + " (want " + (equals + 1) + ")");
        } else {
            ExpectText(dialog, std::atoi(key.c_str()), Unescape(equals + 1));
        }
    }

    // Hide, then the tray icon's double-click toggles; other mouse messages do nothing.
    Click(dialog, IDC_HIDE);
    Check(WaitUntil([&] { return !Visible(dialog); }, 3000), "Hide hides the window");
    Send(dialog, WM_TRAYNOTIFY_MESSAGE, 500, WM_LBUTTONDOWN);
    Send(dialog, WM_TRAYNOTIFY_MESSAGE, 500, WM_LBUTTONUP);
    Check(!Visible(dialog), "a single click on the tray icon changes nothing");
    Send(dialog, WM_TRAYNOTIFY_MESSAGE, 500, WM_LBUTTONDBLCLK);
    Check(WaitUntil([&] { return Visible(dialog); }, 3000), "double-click shows the hidden window");
    Send(dialog, WM_TRAYNOTIFY_MESSAGE, 500, WM_LBUTTONDBLCLK);
    Check(WaitUntil([&] { return !Visible(dialog); }, 3000),
          "double-click hides the visible window");
    Command(dialog, IDM_SHOW);
    Check(WaitUntil([&] { return Visible(dialog); }, 3000), "the menu's Show shows it again");

    // The notification area re-created (Explorer restarted): the icon is re-added and the
    // window carries on as before.
    Send(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Check(IsWindow(dialog) && Visible(dialog) && LabelIs(dialog, "Primary Status:"),
          "\"TaskbarCreated\" leaves the window working");

    // The printer stops answering: the next ticks switch to the unreachable display.
    const std::string pageCount = ControlText(dialog, IDC_PAGECOUNT);
    Check(Control(controlPort, "silence on"), "simulator silenced");
    Check(WaitUntil([&] { return LabelIs(dialog, "Unreachable:"); }, 15000),
          "label turns to \"Unreachable:\"");
    Check(Visible(GetDlgItem(dialog, IDC_UPDATE_TARGET)), "Update Target is shown");
    ExpectText(dialog, IDC_PRIMARY, target);
    ExpectText(dialog, IDC_PAGECOUNT, pageCount);

    // It answers again; Update Target adopts the target and polling resumes.
    Check(Control(controlPort, "silence off"), "simulator answers again");
    Click(dialog, IDC_UPDATE_TARGET);
    Check(WaitUntil([&] { return LabelIs(dialog, "Primary Status:"); }, 15000),
          "Update Target resumes polling");
    Check(WaitUntil([&] { return !Visible(GetDlgItem(dialog, IDC_UPDATE_TARGET)); }, 3000),
          "Update Target is hidden again");
    Check(WindowText(dialog) == title, "the title is " + Shown(WindowText(dialog)));

    // Closing (the close box and Esc arrive as IDCANCEL) ends the program with exit code 1.
    Command(dialog, IDCANCEL);
    ExpectExit(process, 1);
    return g_failures == 0 ? 0 : 1;
}

struct MenuSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchMenu(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<MenuSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (owner == search->processId && std::strcmp(name, "#32768") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A right-button press on the tray icon opens the menu; the last item, "Exit Vellumark", is
// chosen from the keyboard.
void ExitThroughTrayMenu(const Process& process, HWND dialog) {
    PostMessageA(dialog, WM_TRAYNOTIFY_MESSAGE, 500, WM_RBUTTONDOWN);
    MenuSearch search{process.info.dwProcessId, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(MatchMenu, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        5000);
    Check(search.found != nullptr, "a right-button press opens the tray menu");
    if (search.found == nullptr) {
        Command(dialog, IDM_EXIT);
        return;
    }
    PostMessageA(search.found, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(search.found, WM_KEYDOWN, VK_RETURN, 0);
}

int Prompt(int argc, char** argv) {
    if (argc < 5) {
        return 2;
    }
    const std::string exe = argv[2];
    const std::string target = std::string("127.0.0.1:") + argv[3];
    const std::string title = argv[4];

    Process process = Start(exe, "");
    if (!process.started) {
        return 1;
    }
    const HWND prompt = WaitForWindow(process, "No Target Specified", WINDOW_TIMEOUT_MS);
    Check(prompt != nullptr, "the target prompt appeared without a command-line target");
    if (prompt == nullptr) {
        TerminateProcess(process.info.hProcess, 99);
        return 1;
    }
    Send(GetDlgItem(prompt, IDC_TARGET_EDIT), WM_SETTEXT, 0,
         reinterpret_cast<LPARAM>(target.c_str()));
    RECT place{};
    GetWindowRect(prompt, &place);
    Check(place.left == 0 && place.top == 0, "the prompt opens at the top-left corner (" +
                                                 std::to_string(place.left) + ", " +
                                                 std::to_string(place.top) + ")");

    // Esc and the close box arrive as IDCANCEL, which the prompt ignores; Enter presses OK.
    const HWND edit = GetDlgItem(prompt, IDC_TARGET_EDIT);
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(prompt, WM_CLOSE, 0, 0);
    Command(prompt, IDCANCEL);
    Sleep(500);
    Check(IsWindow(prompt) != 0 && Visible(prompt), "Esc, close and Cancel leave the prompt open");
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    const HWND dialog = WaitForWindow(process, title, WINDOW_TIMEOUT_MS);
    Check(dialog != nullptr, "Enter takes the entry: the status window appeared");
    if (dialog != nullptr) {
        Check(WaitUntil([&] { return LabelIs(dialog, "Primary Status:"); }, 5000),
              "the typed target is polled");
        ExitThroughTrayMenu(process, dialog);
    } else {
        TerminateProcess(process.info.hProcess, 99);
    }
    ExpectExit(process, 1);
    return g_failures == 0 ? 0 : 1;
}

BOOL CALLBACK CollectText(HWND child, LPARAM lParam) {
    auto* texts = reinterpret_cast<std::string*>(lParam);
    *texts += WindowText(child) + "|";
    return TRUE;
}

int Fatal(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    Process process = Start(argv[2], "127.0.0.1");
    if (!process.started) {
        return 1;
    }
    const HWND box = WaitForWindow(process, "Fatal Error!", WINDOW_TIMEOUT_MS);
    Check(box != nullptr, "the \"Fatal Error!\" message box appeared");
    if (box != nullptr) {
        std::string texts;
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
        Check(texts.find("Error: WinSock|") != std::string::npos,
              "it says \"Error: WinSock\" (" + Shown(texts) + ")");
        Check(WaitForWindow(process, "Quillfen - Printer Monitor", 0) == nullptr,
              "no status window");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    } else {
        TerminateProcess(process.info.hProcess, 99);
    }
    ExpectExit(process, 1);
    return g_failures == 0 ? 0 : 1;
}

// Raw ICMP refused but the system's echo service present: start-up goes on without a message;
// with no answer from 127.0.0.1 (nothing can be sent) the window opens unreachable.
int Service(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    Process process = Start(argv[2], "127.0.0.1");
    if (!process.started) {
        return 1;
    }
    const HWND dialog = WaitForWindow(process, "Quillfen - Printer Monitor", WINDOW_TIMEOUT_MS);
    Check(dialog != nullptr, "the status window opened (no fatal message)");
    Check(WaitForWindow(process, "Fatal Error!", 0) == nullptr, "no \"Fatal Error!\" box");
    if (dialog != nullptr) {
        Check(WaitUntil([&] { return LabelIs(dialog, "Unreachable:"); }, 5000),
              "label reads \"Unreachable:\"");
        Check(Visible(GetDlgItem(dialog, IDC_UPDATE_TARGET)), "Update Target is shown");
        ExpectText(dialog, IDC_PRIMARY, "127.0.0.1");
        Command(dialog, IDCANCEL);
    } else {
        TerminateProcess(process.info.hProcess, 99);
    }
    ExpectExit(process, 1);
    return g_failures == 0 ? 0 : 1;
}

// Windows of any process with this class; with `text`, only visible ones showing that text.
struct ClassSearch {
    const char* className;
    const char* text;
    int count;
};

BOOL CALLBACK CountClass(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<ClassSearch*>(lParam);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, search->className) == 0 &&
        (search->text == nullptr || (Visible(window) && WindowText(window) == search->text))) {
        ++search->count;
    }
    return TRUE;
}

// EnumChildWindows already walks all descendants.
BOOL CALLBACK CountClassTree(HWND window, LPARAM lParam) {
    CountClass(window, lParam);
    EnumChildWindows(window, CountClass, lParam);
    return TRUE;
}

int CountWindows(const char* className, const char* text = nullptr) {
    ClassSearch search{className, text, 0};
    EnumWindows(CountClassTree, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

// wine docks each tray icon into the X notification area as a window of this class.
constexpr const char* TRAY_ICON_CLASS = "__winex11_tray_icon";

int Tray(int argc, char** argv) {
    if (argc < 5) {
        return 2;
    }
    const std::string target = std::string("127.0.0.1:") + argv[3];
    const std::string title = argv[4];
    const int before = CountWindows(TRAY_ICON_CLASS);
    Process process = Start(argv[2], target);
    if (!process.started) {
        return 1;
    }
    const HWND dialog = WaitForWindow(process, title, WINDOW_TIMEOUT_MS);
    Check(dialog != nullptr, "status window titled " + Shown(title) + " appeared");
    if (dialog == nullptr) {
        TerminateProcess(process.info.hProcess, 99);
        return 1;
    }
    Check(WaitUntil([&] { return CountWindows(TRAY_ICON_CLASS) == before + 1; }, 5000),
          "the tray icon is docked in the notification area (" +
              std::to_string(CountWindows(TRAY_ICON_CLASS)) + " icon(s))");
    Check(WaitUntil([&] { return CountWindows("tooltips_class32", "By Quillfen") == 1; }, 5000),
          "the balloon says \"By Quillfen\"");

    // The icon lost as when Explorer restarts; "TaskbarCreated" must bring it back.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V3_SIZE;
    record.hWnd = dialog;
    record.uID = 500;
    Shell_NotifyIconA(NIM_DELETE, &record);
    Check(WaitUntil([&] { return CountWindows(TRAY_ICON_CLASS) == before; }, 5000),
          "the icon is gone from the notification area");
    Send(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    Check(WaitUntil([&] { return CountWindows(TRAY_ICON_CLASS) == before + 1; }, 5000),
          "\"TaskbarCreated\" adds the icon again");

    Command(dialog, IDCANCEL);
    ExpectExit(process, 1);
    Check(WaitUntil([&] { return CountWindows(TRAY_ICON_CLASS) == before; }, 5000),
          "the icon is removed at exit");
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    const std::string scenario = argc > 1 ? argv[1] : "";
    int result = 2;
    if (scenario == "monitor") {
        result = Monitor(argc, argv);
    } else if (scenario == "prompt") {
        result = Prompt(argc, argv);
    } else if (scenario == "fatal") {
        result = Fatal(argc, argv);
    } else if (scenario == "service") {
        result = Service(argc, argv);
    } else if (scenario == "tray") {
        result = Tray(argc, argv);
    }
    if (result == 2) {
        std::fprintf(stderr, "usage: see the head of driver.cpp\n");
    }
    WSACleanup();
    return result;
}
