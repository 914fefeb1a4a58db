// DialogBoxParamA: the template built, initialised, and run until it ends.
#include "dialog_runners.h"
#include "platform/ui/ui.h"

namespace ui {

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateId, HWND, DLGPROC procedure, LPARAM initParam) {
    // Only templates given by number, and only those the program has.
    const auto id = reinterpret_cast<std::uintptr_t>(templateId);
    const tmpl::DialogTemplate* found =
        id <= 0xFFFF ? tmpl::FindDialogTemplate(static_cast<int>(id)) : nullptr;
    if (found == nullptr || found->controls.empty() || procedure == nullptr) {
        return -1;
    }
    vmterm::Dialog dialog(*found, procedure);
    vmterm::RunningDialogs().Add(&dialog);
    // wParam names the control that would get the focus: the first of the template.
    vmterm::Deliver(dialog, WM_INITDIALOG,
                    reinterpret_cast<WPARAM>(dialog.controls.front().Handle()), initParam);
    if (!dialog.ended) {
        if (dialog.timers.empty()) {
            vmterm::RunForm(dialog);
        } else {
            vmterm::RunLiveWindow(dialog);
        }
    }
    vmterm::RunningDialogs().Remove(&dialog);
    return dialog.result;
}

}  // namespace ui
