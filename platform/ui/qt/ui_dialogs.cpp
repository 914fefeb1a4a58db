// The UI seam's dialog, control, window and timer operations on Qt widgets.
#include <QApplication>
#include <QByteArray>
#include <cstring>

#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/progress_bar.h"
#include "platform/ui/qt/text_codec.h"
#include "platform/ui/ui.h"

namespace ui {
namespace {

using vmqt::DialogWindow;

int ResourceId(LPCSTR resource) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(resource) & 0xFFFF);
}

// A window handle resolved to a live dialog or one of its controls.
struct Target {
    DialogWindow* dialog = nullptr;
    QWidget* control = nullptr;
};

Target Resolve(HWND window) {
    Target target;
    target.dialog = DialogWindow::FromHandle(window);
    if (target.dialog == nullptr) {
        target.dialog = DialogWindow::OwnerOfControl(window, &target.control);
    }
    return target;
}

QWidget* DialogControl(HWND dialog, int controlId) {
    DialogWindow* window = DialogWindow::FromHandle(dialog);
    return window != nullptr ? window->Control(controlId) : nullptr;
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateId, HWND, DLGPROC procedure, LPARAM initParam) {
    const tmpl::DialogTemplate* dialog = tmpl::FindDialogTemplate(ResourceId(templateId));
    if (dialog == nullptr || QApplication::instance() == nullptr) {
        return -1;
    }
    DialogWindow window(*dialog, procedure);
    return window.RunModal(initParam);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogWindow* window = DialogWindow::FromHandle(dialog);
    if (window == nullptr) {
        return FALSE;
    }
    window->End(result);
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int controlId) {
    return reinterpret_cast<HWND>(DialogControl(dialog, controlId));
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int capacity) {
    QWidget* control = DialogControl(dialog, controlId);
    if (control == nullptr) {
        if (text != nullptr && capacity > 0) {
            text[0] = '\0';
        }
        return 0;
    }
    bool utf8 = false;
    const QByteArray bytes = vmqt::ControlText(control, &utf8);
    return static_cast<UINT>(vmqt::CopyBounded(bytes, utf8, text, capacity));
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    QWidget* control = DialogControl(dialog, controlId);
    if (control == nullptr) {
        return FALSE;
    }
    vmqt::SetControlText(control, QByteArray(text != nullptr ? text : ""));
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    return SendMessageA(GetDlgItem(dialog, controlId), message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Target target = Resolve(window);
    if (target.dialog == nullptr) {
        return 0;
    }
    if (target.control == nullptr) {
        return target.dialog->Deliver(message, wParam, lParam);
    }
    if (auto* bar = dynamic_cast<vmqt::ProgressBar*>(target.control)) {
        return bar->HandleMessage(message, wParam, lParam);
    }
    if (message == EM_LIMITTEXT) {
        vmqt::LimitText(target.control, wParam);
    }
    return 0;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    const Target target = Resolve(window);
    const QByteArray bytes(text != nullptr ? text : "");
    if (target.control != nullptr) {
        vmqt::SetControlText(target.control, bytes);
        return TRUE;
    }
    if (target.dialog != nullptr) {
        target.dialog->setWindowTitle(vmqt::FromBytes(bytes));
        return TRUE;
    }
    return FALSE;
}

BOOL ShowWindow(HWND window, int command) {
    const Target target = Resolve(window);
    if (target.control != nullptr) {
        // A control's own visibility (its WS_VISIBLE), whether or not the dialog is shown.
        const bool wasVisible = !target.control->isHidden();
        target.control->setVisible(command != SW_HIDE);
        return wasVisible ? TRUE : FALSE;
    }
    if (target.dialog != nullptr) {
        return target.dialog->Show(command) ? TRUE : FALSE;
    }
    return FALSE;
}

HWND SetFocus(HWND window) {
    const Target target = Resolve(window);
    QWidget* previous = QApplication::focusWidget();
    QWidget* widget = target.control != nullptr ? target.control : target.dialog;
    if (widget != nullptr) {
        widget->setFocus(Qt::OtherFocusReason);
    }
    return Resolve(reinterpret_cast<HWND>(previous)).dialog != nullptr
               ? reinterpret_cast<HWND>(previous)
               : nullptr;
}

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT periodMs, TIMERPROC) {
    DialogWindow* dialog = DialogWindow::FromHandle(window);
    if (dialog == nullptr || timerId == 0) {
        return 0;
    }
    dialog->StartTimer(timerId, periodMs);
    return timerId;
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    DialogWindow* dialog = DialogWindow::FromHandle(window);
    return dialog != nullptr && dialog->StopTimer(timerId) ? TRUE : FALSE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    // Qt paints the widgets itself; the procedure's paint handler only brackets nothing.
    if (paint != nullptr) {
        std::memset(paint, 0, sizeof(*paint));
    }
    return DialogWindow::FromHandle(window) != nullptr ? reinterpret_cast<HDC>(window) : nullptr;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) {
    return TRUE;
}

}  // namespace ui
