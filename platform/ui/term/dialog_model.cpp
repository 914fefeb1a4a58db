#include "dialog_model.h"

#include <algorithm>

#include "shell/resources/resource.h"

namespace vmterm {
namespace {

constexpr WORD EN_CHANGE_CODE = 0x0300;
constexpr WORD EN_UPDATE_CODE = 0x0400;

std::vector<Dialog*>& LiveDialogs() {
    static std::vector<Dialog*> dialogs;
    return dialogs;
}

Control MakeControl(int id, ControlKind kind, std::string text, bool visible) {
    Control control;
    control.id = id;
    control.kind = kind;
    control.text = std::move(text);
    control.visible = visible;
    return control;
}

}  // namespace

Control* Dialog::Find(int controlId) {
    for (Control& control : controls) {
        if (control.id == controlId) {
            return &control;
        }
    }
    return nullptr;
}

std::unique_ptr<Dialog> CreateDialogFromTemplate(int templateId, DLGPROC procedure) {
    auto dialog = std::make_unique<Dialog>();
    dialog->templateId = templateId;
    dialog->procedure = procedure;
    switch (templateId) {
        case IDD_TARGET:
            dialog->title = "No Target Specified";
            dialog->controls = {
                MakeControl(IDOK, ControlKind::Button, "OK", true),
                MakeControl(IDC_TARGET_EDIT, ControlKind::Edit, "", true),
            };
            return dialog;
        case IDD_MONITOR:
            dialog->title = "HP LaserJet 9000 mfp";
            dialog->controls = {
                MakeControl(IDC_HIDE, ControlKind::Button, "Hide", true),
                MakeControl(IDC_PRIMARY, ControlKind::Edit, "", true),
                MakeControl(IDC_PRIMARY_LABEL, ControlKind::Static, "Primary Status:", true),
                MakeControl(IDC_UPDATE_TARGET, ControlKind::Button, "Update Target", false),
                MakeControl(IDC_SECONDARY, ControlKind::MultiLineEdit, "", true),
                MakeControl(IDC_PAGECOUNT, ControlKind::Static, "", true),
                MakeControl(IDC_TONER, ControlKind::Progress, "", true),
                MakeControl(IDC_POWERON_COUNT, ControlKind::Static, "", true),
            };
            return dialog;
        default:
            return nullptr;
    }
}

void RegisterDialog(Dialog& dialog) {
    LiveDialogs().push_back(&dialog);
}

void UnregisterDialog(Dialog& dialog) {
    auto& dialogs = LiveDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), &dialog), dialogs.end());
}

Dialog* DialogFromHandle(HWND window) {
    for (Dialog* dialog : LiveDialogs()) {
        if (dialog->Handle() == window) {
            return dialog;
        }
    }
    return nullptr;
}

Control* ControlFromHandle(HWND window, Dialog** owner) {
    for (Dialog* dialog : LiveDialogs()) {
        for (Control& control : dialog->controls) {
            if (HandleOf(control) == window) {
                if (owner != nullptr) {
                    *owner = dialog;
                }
                return &control;
            }
        }
    }
    return nullptr;
}

LRESULT Deliver(Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (dialog.procedure == nullptr) {
        return 0;
    }
    return dialog.procedure(dialog.Handle(), message, wParam, lParam);
}

void DeliverCommand(Dialog& dialog, int commandId) {
    Control* control = dialog.Find(commandId);
    const LPARAM source = control != nullptr ? reinterpret_cast<LPARAM>(HandleOf(*control)) : 0;
    Deliver(dialog, WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(commandId)), source);
}

void SetControlText(Dialog& dialog, Control& control, std::string_view text) {
    control.text.assign(text);
    if (control.kind != ControlKind::Edit) {
        return;
    }
    const auto source = reinterpret_cast<LPARAM>(HandleOf(control));
    const auto id = static_cast<WORD>(control.id);
    for (const WORD code : {EN_UPDATE_CODE, EN_CHANGE_CODE}) {
        Deliver(dialog, WM_COMMAND, static_cast<WPARAM>(id | (static_cast<DWORD>(code) << 16)),
                source);
    }
}

int DefaultButtonId(const Dialog& dialog) {
    return dialog.templateId == IDD_MONITOR ? IDC_UPDATE_TARGET : IDOK;
}

}  // namespace vmterm
