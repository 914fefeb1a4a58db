// The program's entry point: a straight line with one early exit (sockets unusable).
#include "shell/startup.h"

#include <string>

#include "platform/net/icmp_access.h"
#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/command_line.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/object_text.h"
#include "shell/resources/resource.h"
#include "state/watched_target.h"
#include "text/bounded_text.h"

namespace {

struct CommandLine {
    bool named = false;  // a target: only a text without one makes the user use the prompt
    bool targetFits = true;
    bool communityFits = true;
    std::string optionError;
};

// Takes the target and community from the command-line text. A text that does not fit is
// kept cut for the display only: polled cut, it could name another agent (127.0.0.1:16161
// would become 127.0.0.1:1616).
CommandLine ReadCommandLine(const char* commandLine) {
    const CommandLineTokens tokens = SplitCommandLine(commandLine);
    CommandLine read;
    read.optionError = tokens.optionError;
    if (!read.optionError.empty()) {
        return read;  // nothing is taken from a command line the program refuses
    }
    read.named = !tokens.target.empty();
    if (read.named) {
        read.targetFits = BoundedCopy(g_target, TARGET_CHARS, tokens.target.c_str()) == BOUNDED_OK;
    }
    read.communityFits =
        BoundedCopy(g_community, COMMUNITY_CHARS, tokens.community.c_str()) == BOUNDED_OK;
    g_skip_echo = tokens.noPing;
    g_retry_seconds = static_cast<UINT>(tokens.retrySeconds);
    g_condition_seconds = static_cast<UINT>(tokens.conditionSeconds);
    g_condition_request.version = tokens.conditionVersion;
    g_notify = !tokens.noNotify;
    return read;
}

// The first monitoring state. Without the echo, an agent that was worked out counts as
// answering until the model query finds otherwise.
int FirstState() {
    if (g_skip_echo) {
        return g_agent.usable ? STATE_OK : STATE_LOST;
    }
    // PROBE_REPLY and PROBE_NO_REPLY are STATE_OK and STATE_LOST, so the result is the
    // first monitoring state as it stands.
    const int probed = ProbeTarget();
    if (probed == PROBE_NO_REPLY && g_agent.usable) {
        g_reason = REASON_NO_ECHO_REPLY;
    }
    return probed;
}

// The fatal message, followed where the platform has one by how to allow the echo.
void ShowNoWayToProbe() {
    std::string text = "Error: WinSock";
    const std::string hint = net::IcmpAccessHint(NO_PING_OPTION);
    if (!hint.empty()) {
        text += "\n" + hint;
    }
    ui::MessageBoxA(nullptr, text.c_str(), "Fatal Error!", MB_OK | MB_ICONERROR);
}

// The title and the tray's first icon tell whether the model was read; the probe's result
// plays no part in them.
void PrepareTitle(bool modelRead) {
    if (modelRead) {
        BoundedFormat(g_title, TITLE_CHARS, "%s Monitor", g_model);
        g_icon_current = g_icon_online;
    } else {
        BoundedCopy(g_title, TITLE_CHARS, DEFAULT_TITLE);
        g_icon_current = g_icon_offline;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR commandLine,
                   int /*showCommand*/) {
    g_hinstance = instance;

    const CommandLine read = ReadCommandLine(commandLine);
    if (!read.optionError.empty()) {
        ui::MessageBoxA(nullptr, read.optionError.c_str(), "Vellumark", MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!read.named) {
        // The prompt's box takes no more than fits.
        ui::DialogBoxParamA(g_hinstance, MAKEINTRESOURCEA(IDD_TARGET), nullptr, TargetDialogProc,
                            0);
    }
    SetWatchedTarget(read.targetFits, read.communityFits);

    g_state = FirstState();
    if (g_state == PROBE_ERROR) {
        ShowNoWayToProbe();
        return 1;
    }

    g_icon_online = ui::LoadIconA(g_hinstance, MAKEINTRESOURCEA(IDI_ONLINE));
    g_icon_offline = ui::LoadIconA(g_hinstance, MAKEINTRESOURCEA(IDI_OFFLINE));

    // Runs after no reply as well: a printer that drops echoes may still answer SNMP.
    PrepareTitle(QueryPrinterModel());

    ui::DialogBoxParamA(g_hinstance, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorDialogProc, 5);
    return 1;
}
