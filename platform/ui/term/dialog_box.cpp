// DialogBoxParamA and EndDialog's loop: build the template, initialise, run until it ends.
#include "dialog_runners.h"
#include "platform/ui/ui.h"
#include "shell/resources/resource.h"

namespace ui {

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateId, HWND, DLGPROC procedure, LPARAM initParam) {
    const auto id = reinterpret_cast<std::uintptr_t>(templateId);
    auto dialog = vmterm::CreateDialogFromTemplate(static_cast<int>(id & 0xFFFF), procedure);
    if (id > 0xFFFF || dialog == nullptr || procedure == nullptr) {
        return -1;  // only templates given by number, and only the two this program has
    }
    vmterm::RegisterDialog(*dialog);
    // wParam names the control that would get the focus: the first of the template.
    vmterm::Deliver(*dialog, WM_INITDIALOG,
                    reinterpret_cast<WPARAM>(vmterm::HandleOf(dialog->controls.front())),
                    initParam);
    if (!dialog->ended) {
        if (dialog->templateId == IDD_TARGET) {
            vmterm::RunTargetPrompt(*dialog);
        } else {
            vmterm::RunMonitor(*dialog);
        }
    }
    vmterm::UnregisterDialog(*dialog);
    return dialog->result;
}

}  // namespace ui
