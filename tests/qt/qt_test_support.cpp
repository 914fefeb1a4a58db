#include "qt_test_support.h"

#include <QTest>
#include <QTimer>

#include "platform/ui/ui.h"

namespace qttest {

std::vector<Message>& Recorded() {
    static std::vector<Message> messages;
    return messages;
}

INT_PTR CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorded().push_back(Message{window, message, wParam, lParam});
    return FALSE;
}

bool WasRecorded(UINT message, WPARAM wParamLowWord) {
    for (const Message& m : Recorded()) {
        if (m.message == message && (message != WM_COMMAND || LOWORD(m.wParam) == wParamLowWord)) {
            return true;
        }
    }
    return false;
}

vmqt::DialogWindow* CurrentDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = dynamic_cast<vmqt::DialogWindow*>(widget)) {
            return dialog;
        }
    }
    return nullptr;
}

HWND CurrentHandle() {
    vmqt::DialogWindow* dialog = CurrentDialog();
    return dialog != nullptr ? dialog->Handle() : nullptr;
}

INT_PTR RunWhileDriving(const std::function<INT_PTR()>& run, const std::function<void()>& drive) {
    QTimer::singleShot(0, [drive] {
        drive();
        if (vmqt::DialogWindow* dialog = CurrentDialog(); dialog != nullptr && !dialog->Ended()) {
            dialog->End(-2);
        }
        // A message box where a dialog was expected (the fatal one, say) would wait forever.
        if (QWidget* modal = QApplication::activeModalWidget()) {
            qWarning("closing an unexpected modal window: %s", qPrintable(modal->windowTitle()));
            modal->close();
        }
    });
    return run();
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    return QTest::qWaitFor(done, timeoutMs);
}

}  // namespace qttest
