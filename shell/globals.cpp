#include "shell/globals.h"

HINSTANCE g_hinstance = nullptr;
char g_target[TARGET_CHARS] = "";
char g_community[COMMUNITY_CHARS] = "";
char g_model[MODEL_CHARS] = "";
char g_title[TITLE_CHARS] = "";
int g_state = STATE_OK;
LPSNMP_MGR_SESSION g_session = nullptr;
HICON g_icon_online = nullptr;
HICON g_icon_offline = nullptr;
HICON g_icon_current = nullptr;
