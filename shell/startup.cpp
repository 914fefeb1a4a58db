// The program's entry point: a straight line with one early exit (sockets unusable).
#include "shell/startup.h"

#include <string>

#include "platform/ui/ui.h"
#include "probe/probe.h"
#include "shell/command_line.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"
#include "snmp/object_text.h"
#include "text/bounded_text.h"

namespace {

// Takes the target and community from the command-line text. Returns whether any token was
// found; only a text without tokens makes the user name the target in the prompt.
bool ReadCommandLine(const char* commandLine) {
    // The tokenizer terminates tokens in place; work on a copy so the caller's text stays as
    // it was given.
    std::string text = commandLine != nullptr ? commandLine : "";
    char* context = nullptr;
    int count = 0;
    for (char* token = NextSpaceToken(text.data(), &context); token != nullptr;
         token = NextSpaceToken(nullptr, &context)) {
        ++count;
        if (count == 1) {
            BoundedCopy(g_target, TARGET_CHARS, token);
        } else if (count == 2) {
            BoundedCopy(g_community, COMMUNITY_CHARS, token);
        }
        // Later tokens are read and ignored.
    }
    return count > 0;
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

    if (!ReadCommandLine(commandLine)) {
        ui::DialogBoxParamA(g_hinstance, MAKEINTRESOURCEA(IDD_TARGET), nullptr, TargetDialogProc,
                            0);
    }

    // PROBE_REPLY and PROBE_NO_REPLY are STATE_OK and STATE_LOST, so the result is the
    // first monitoring state as it stands.
    g_state = ProbeTarget();
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
