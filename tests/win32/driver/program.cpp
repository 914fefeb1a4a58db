#include "tests/win32/driver/program.h"

#include <ws2tcpip.h>

#include <cstring>

#include "shell/dialogs.h"
#include "shell/resources/resource.h"
#include "tests/win32/driver/check.h"

PROCESS_INFORMATION g_program{};

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
    return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
    char text[4096] = "";
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> Windows() {
    std::vector<HWND> list;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&list));
    for (std::size_t i = 0, tops = list.size(); i < tops; ++i) {
        EnumChildWindows(list[i], Collect, reinterpret_cast<LPARAM>(&list));
    }
    return list;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
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

HWND Titled(const std::string& title, DWORD timeoutMs) {
    return Find([&](HWND w) { return GetParent(w) == nullptr && WindowText(w) == title; },
                timeoutMs);
}

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

int Finish(HWND close, WPARAM command) {
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

int CountWindows(const std::string& className, const char* text) {
    int count = 0;
    for (HWND window : Windows()) {
        count += ClassOf(window) == className &&
                 (text == nullptr || (IsWindowVisible(window) && WindowText(window) == text));
    }
    return count;
}

namespace {

// How many Down presses reach the item from a popup with nothing selected (the keyboard skips
// separators), read from the program's own menu resource; 0 when there is no such item.
int DownPresses(const std::string& exe, UINT id) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMENU menu = module != nullptr ? LoadMenuA(module, MAKEINTRESOURCEA(IDR_TRAYMENU)) : nullptr;
    HMENU popup = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
    int presses = 0;
    bool found = false;
    for (int i = 0, count = popup != nullptr ? GetMenuItemCount(popup) : 0; i < count && !found;
         ++i) {
        if ((GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) == 0) {
            ++presses;
            found = GetMenuItemID(popup, i) == id;
        }
    }
    if (menu != nullptr) {
        DestroyMenu(menu);
    }
    if (module != nullptr) {
        FreeLibrary(module);
    }
    return found ? presses : 0;
}

HWND OpenMenu() {
    return Find([](HWND w) { return ClassOf(w) == "#32768" && IsWindowVisible(w); }, 10000);
}

}  // namespace

bool ChooseTrayItem(HWND dialog, const std::string& exe, UINT id) {
    const int presses = DownPresses(exe, id);
    if (!Check(presses > 0, "the tray menu has an item " + std::to_string(id))) {
        return false;
    }
    PostMessageA(dialog, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);  // the icon's callback
    const HWND menu = OpenMenu();
    if (!Check(menu != nullptr, "a right-button press opens the tray menu")) {
        return false;
    }
    for (int i = 0; i < presses; ++i) {
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    // The next menu must not be mistaken for this one.
    WaitUntil([menu] { return !IsWindowVisible(menu); }, 5000);
    return true;
}

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
