#include "platform/ui/term/dialog_model.h"

#include <strings.h>

namespace vmterm {
namespace {

constexpr WORD EN_CHANGE_CODE = 0x0300;
constexpr WORD EN_UPDATE_CODE = 0x0400;

bool Has(std::uint32_t style, std::uint32_t bits) {
    return (style & bits) == bits;
}

ControlKind KindOf(const tmpl::ControlTemplate& control) {
    const auto is = [&control](const char* name) {
        return strcasecmp(control.className, name) == 0;
    };
    if (is(tmpl::BUTTON_CLASS)) {
        const std::uint32_t type = control.style & tmpl::STYLE_BS_TYPEMASK;
        return type == tmpl::STYLE_BS_GROUPBOX        ? ControlKind::GroupBox
               : type == tmpl::STYLE_BS_DEFPUSHBUTTON ? ControlKind::DefaultButton
                                                      : ControlKind::PushButton;
    }
    if (is(tmpl::EDIT_CLASS)) {
        return Has(control.style, tmpl::STYLE_ES_MULTILINE) ? ControlKind::MultiLineEdit
                                                            : ControlKind::Edit;
    }
    return is(tmpl::PROGRESS_CLASS) ? ControlKind::Progress : ControlKind::Static;
}

}  // namespace

bool Control::IsLabel() const {
    return kind == ControlKind::Static &&
           (Has(source->exStyle, tmpl::STYLE_WS_EX_RIGHT) ||
            (source->style & tmpl::STYLE_SS_TYPEMASK) == tmpl::STYLE_SS_RIGHT);
}

Dialog::Dialog(const tmpl::DialogTemplate& from, DLGPROC dialogProcedure)
    : procedure(dialogProcedure), title(from.caption) {
    for (const tmpl::ControlTemplate& control : from.controls) {
        Control& built = controls.emplace_back();
        built.source = &control;
        built.kind = KindOf(control);
        built.text = control.text;
        built.visible = Has(control.style, tmpl::STYLE_WS_VISIBLE);
    }
}

Control* Dialog::Find(int controlId) {
    return controlId == -1 ? nullptr
                           : First([&](const Control& c) { return c.source->id == controlId; });
}

Control* Dialog::ControlOf(HWND handle) {
    return First([&](Control& c) { return c.Handle() == handle; });
}

Control* Dialog::DefaultButton() {
    return First([](const Control& c) { return c.IsDefault(); });
}

Control* Dialog::EntryField() {
    const auto isEntry = [](const Control& c) {
        return c.kind == ControlKind::Edit && !Has(c.source->style, tmpl::STYLE_ES_READONLY);
    };
    Control* focused = ControlOf(focus);
    return focused != nullptr && isEntry(*focused) ? focused : First(isEntry);
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
    if (!control.IsEdit()) {
        return;
    }
    const auto id = static_cast<WORD>(control.source->id);
    for (const WORD code : {EN_UPDATE_CODE, EN_CHANGE_CODE}) {
        Deliver(dialog, WM_COMMAND, static_cast<WPARAM>(MAKELPARAM(id, code)),
                reinterpret_cast<LPARAM>(control.Handle()));
    }
}

}  // namespace vmterm
