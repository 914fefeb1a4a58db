// Working the program under test from the outside, as a user would: starting it, finding its
// windows, reading their controls, choosing from its tray menu and steering the printer
// simulator through its control channel. One program per run of the driver.
#pragma once

// winsock2.h must precede windows.h.
#include <winsock2.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The program under test, once Launch has started it.
extern PROCESS_INFORMATION g_program;

// A message to another process's window that gives up after 5 s rather than hang the driver.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
std::string ClassOf(HWND window);
// Every window: the top-level ones and their descendants.
std::vector<HWND> Windows();

// Polls `condition` every 100 ms until it holds (true) or `timeoutMs` have passed (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000);
bool LabelBecomes(HWND dialog, const char* text);

// A window of the program that `matches`, waiting for it; none once the program has ended.
HWND Find(const std::function<bool(HWND)>& matches, DWORD timeoutMs = 30000);
// A top-level window of the program with this title, waiting for it.
HWND Titled(const std::string& title, DWORD timeoutMs = 30000);
// Starts EXE with `arguments` and waits for its window titled `title`.
HWND Launch(const std::string& exe, const std::string& arguments, const std::string& title);
// Sends `close` the command (none: the program is ending by itself), then the program must
// end with exit code 1. Returns the driver's exit code.
int Finish(HWND close, WPARAM command = IDCANCEL);

// Windows of any process with this class; with `text`, only visible ones showing that text.
int CountWindows(const std::string& className, const char* text = nullptr);

// Opens the status window's tray menu (the icon's right-button press) and chooses the item with
// this command id from the keyboard, its position found in the menu resource of `exe`. False
// when the menu did not open or has no such item.
bool ChooseTrayItem(HWND dialog, const std::string& exe, UINT id);

// One command to the simulator's control channel on 127.0.0.1 (or ::1); true when it answered
// "ok".
bool Control(bool ipv6, unsigned short port, const char* command);
