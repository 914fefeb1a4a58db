#include "dialog_model.h"

#include <strings.h>

namespace vmterm {
namespace {

constexpr WORD kEnChange = 0x0300;
constexpr WORD kEnUpdate = 0x0400;

bool Has(std::uint32_t style, std::uint32_t bits) {
    return (style & bits) == bits;
}

bool IsClass(const tmpl::ControlTemplate& control, const char* name) {
    return strcasecmp(control.className, name) == 0;
}

ControlKind KindOf(const tmpl::ControlTemplate& control) {
    if (IsClass(control, tmpl::BUTTON_CLASS)) {
        switch (control.style & tmpl::BsTypeMask) {
            case tmpl::BsGroupBox:
                return ControlKind::GroupBox;
            case tmpl::BsDefPushButton:
                return ControlKind::DefaultButton;
            default:
                return ControlKind::PushButton;
        }
    }
    if (IsClass(control, tmpl::EDIT_CLASS)) {
        return Has(control.style, tmpl::EsMultiline) ? ControlKind::MultiLineEdit
                                                     : ControlKind::Edit;
    }
    return IsClass(control, tmpl::PROGRESS_CLASS) ? ControlKind::Progress : ControlKind::Static;
}

}  // namespace

bool Control::IsLabel() const {
    return kind == ControlKind::Static && (Has(source->exStyle, tmpl::WsExRight) ||
                                           (source->style & tmpl::SsTypeMask) == tmpl::SsRight);
}

Dialog::Dialog(const tmpl::DialogTemplate& from, DLGPROC dialogProcedure)
    : source(from), procedure(dialogProcedure), title(from.caption) {
    for (const tmpl::ControlTemplate& control : from.controls) {
        Control built;
        built.source = &control;
        built.kind = KindOf(control);
        built.text = control.text;
        built.visible = Has(control.style, tmpl::WsVisible);
        controls.push_back(std::move(built));
    }
}

Control* Dialog::Find(int controlId) {
    for (Control& control : controls) {
        if (control.source->id == controlId && controlId != -1) {
            return &control;
        }
    }
    return nullptr;
}

Control* Dialog::ControlOf(HWND handle) {
    for (Control& control : controls) {
        if (control.Handle() == handle) {
            return &control;
        }
    }
    return nullptr;
}

Control* Dialog::DefaultButton() {
    for (Control& control : controls) {
        if (control.IsDefault()) {
            return &control;
        }
    }
    return nullptr;
}

Control* Dialog::EntryField() {
    Control* focused = ControlOf(focus);
    if (focused != nullptr && focused->kind == ControlKind::Edit) {
        return focused;
    }
    for (Control& control : controls) {
        if (control.kind == ControlKind::Edit) {
            return &control;
        }
    }
    return nullptr;
}

posixui::LiveDialogs<Dialog>& RunningDialogs() {
    static posixui::LiveDialogs<Dialog> dialogs;
    return dialogs;
}

LRESULT Deliver(Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialog.procedure != nullptr ? dialog.procedure(dialog.Handle(), message, wParam, lParam)
                                       : 0;
}

void DeliverCommand(Dialog& dialog, int commandId) {
    Control* control = dialog.Find(commandId);
    const LPARAM source = control != nullptr ? reinterpret_cast<LPARAM>(control->Handle()) : 0;
    Deliver(dialog, WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(commandId)), source);
}

void SetControlText(Dialog& dialog, Control& control, std::string_view text) {
    control.text.assign(text);
    if (control.kind != ControlKind::Edit && control.kind != ControlKind::MultiLineEdit) {
        return;
    }
    const auto id = static_cast<WORD>(control.source->id);
    for (const WORD code : {kEnUpdate, kEnChange}) {
        Deliver(dialog, WM_COMMAND, static_cast<WPARAM>(MAKELPARAM(id, code)),
                reinterpret_cast<LPARAM>(control.Handle()));
    }
}

}  // namespace vmterm
