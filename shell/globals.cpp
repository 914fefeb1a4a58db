#include "shell/globals.h"

#include "shell/command_line.h"

HINSTANCE g_hinstance = nullptr;
char g_title[TITLE_CHARS] = "";
HICON g_icon_online = nullptr;
HICON g_icon_offline = nullptr;
HICON g_icon_current = nullptr;
bool g_skip_echo = false;
UINT g_retry_seconds = 0;
UINT g_condition_seconds = DEFAULT_CONDITION_SECONDS;
bool g_notify = true;
condition::ReadRequest g_condition_request{};
