// The program's entry point: a straight line with one early exit (sockets unusable).
#include "shell/startup.h"

#include <string>

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
    bool named = false;  // any token: only a text without tokens makes the user use the prompt
    bool targetFits = true;
    bool communityFits = true;
};

// Takes the target and community from the command-line text.
CommandLine ReadCommandLine(const char* commandLine) {
    // The tokenizer terminates tokens in place; work on a copy so the caller's text stays as
    // it was given.
    std::string text = commandLine != nullptr ? commandLine : "";
    char* context = nullptr;
    int count = 0;
    CommandLine read;
    for (char* token = NextSpaceToken(text.data(), &context); token != nullptr;
         token = NextSpaceToken(nullptr, &context)) {
        ++count;
        // A text that does not fit is kept cut for the display only: polled cut, it could name
        // another agent (127.0.0.1:16161 would become 127.0.0.1:1616).
        if (count == 1) {
            read.targetFits = BoundedCopy(g_target, TARGET_CHARS, token) == BOUNDED_OK;
        } else if (count == 2) {
            read.communityFits = BoundedCopy(g_community, COMMUNITY_CHARS, token) == BOUNDED_OK;
        }
        // Later tokens are read and ignored.
    }
    read.named = count > 0;
    return read;
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
    BoundedCopy(g_community, COMMUNITY_CHARS, DEFAULT_COMMUNITY);

    const CommandLine read = ReadCommandLine(commandLine);
    if (!read.named) {
        // The prompt's box takes no more than fits.
        ui::DialogBoxParamA(g_hinstance, MAKEINTRESOURCEA(IDD_TARGET), nullptr, TargetDialogProc,
                            0);
    }
    SetWatchedTarget(read.targetFits, read.communityFits);

    // PROBE_REPLY and PROBE_NO_REPLY are STATE_OK and STATE_LOST, so the result is the
    // first monitoring state as it stands.
    g_state = ProbeTarget();
    if (g_state == PROBE_NO_REPLY && g_agent.usable) {
        g_reason = REASON_NO_ECHO_REPLY;
    }
    if (g_state == PROBE_ERROR) {
        ui::MessageBoxA(nullptr, "Error: WinSock", "Fatal Error!", MB_OK | MB_ICONERROR);
        return 1;
    }

    g_icon_online = ui::LoadIconA(g_hinstance, MAKEINTRESOURCEA(IDI_ONLINE));
    g_icon_offline = ui::LoadIconA(g_hinstance, MAKEINTRESOURCEA(IDI_OFFLINE));

    // Runs after no reply as well: a printer that drops echoes may still answer SNMP.
    PrepareTitle(QueryPrinterModel());

    ui::DialogBoxParamA(g_hinstance, MAKEINTRESOURCEA(IDD_MONITOR), nullptr, MonitorDialogProc, 5);
    return 1;
}
