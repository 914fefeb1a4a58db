#include "qt_test_support.h"

#include <QTimer>

namespace qttest {

vmqt::DialogWindow* CurrentDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = dynamic_cast<vmqt::DialogWindow*>(widget)) {
            return dialog;
        }
    }
    return nullptr;
}

INT_PTR RunWhileDriving(const std::function<INT_PTR()>& run, const std::function<void()>& drive) {
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
