#include "state/monitor_state.h"

char g_target[TARGET_CHARS] = "";
char g_community[COMMUNITY_CHARS] = "";
char g_model[MODEL_CHARS] = "";
int g_state = STATE_OK;
LPSNMP_MGR_SESSION g_session = nullptr;
WatchedAgent g_agent;
const char* g_reason = nullptr;
