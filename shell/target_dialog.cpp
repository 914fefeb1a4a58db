// The target prompt, shown only when the command line names no printer.
#include "platform/ui/ui.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"

INT_PTR CALLBACK TargetDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            // No more may be typed than a target holds: a longer entry would be taken cut.
            ui::SendDlgItemMessageA(dialog, IDC_TARGET_EDIT, EM_LIMITTEXT, TARGET_CHARS - 1, 0);
            // Returning FALSE keeps the dialog manager from moving the focus to OK, so the
            // user can type at once.
            ui::SetFocus(ui::GetDlgItem(dialog, IDC_TARGET_EDIT));
            break;
        case WM_COMMAND:
            // Only OK ends the prompt: a printer must be named. Esc and the close box arrive as
            // IDCANCEL and are ignored. The entry is taken as typed.
            if (LOWORD(wParam) == IDOK) {
                ui::GetDlgItemTextA(dialog, IDC_TARGET_EDIT, g_target, TARGET_CHARS);
                ui::EndDialog(dialog, 0);
            }
            break;
        default:
            break;
    }
    return FALSE;
}
