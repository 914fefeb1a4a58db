// Helpers for the Qt front-end's tests: the running dialog, and running a modal dialog while a
// driver acts on it from inside its event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

#include "platform/ui/qt/dialog_window.h"

namespace qttest {

// The one live dialog window, or nullptr.
inline vmqt::DialogWindow* CurrentDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = dynamic_cast<vmqt::DialogWindow*>(widget)) {
            return dialog;
        }
    }
    return nullptr;
}

// Runs `run` (which opens a modal dialog and returns once it has ended) while `drive` acts on
// the dialog from inside its event loop. Afterwards the dialog is ended and any modal window
// still open is closed, so a failed check cannot leave the test hanging. Returns `run`'s result.
inline INT_PTR RunWhileDriving(const std::function<INT_PTR()>& run,
                               const std::function<void()>& drive) {
    QTimer::singleShot(0, [drive] {
        drive();
        if (vmqt::DialogWindow* dialog = CurrentDialog(); dialog != nullptr && !dialog->Ended()) {
            dialog->End(-2);
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            qWarning("closing an unexpected modal window: %s", qPrintable(modal->windowTitle()));
            modal->close();
        }
    });
    return run();
}

}  // namespace qttest
