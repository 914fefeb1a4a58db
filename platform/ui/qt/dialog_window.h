// One running dialog: the top-level window built from a dialog template, its controls, its
// timers, and the translation of the window's events into messages for the dialog procedure
// (buttons → WM_COMMAND id, Esc and the close button → WM_COMMAND IDCANCEL, Enter → the default
// button's command, timers → WM_TIMER id). Live dialogs are registered so that handles can be
// checked before use.
#pragma once

#include <QEventLoop>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include "platform/ui/dialog_template.h"
#include "platform/ui/qt/dialog_units.h"
#include "win32_types.h"

class QTimer;

namespace vmqt {

class DialogWindow : public QWidget {
  public:
    DialogWindow(const tmpl::DialogTemplate& dialog, DLGPROC procedure);
    ~DialogWindow() override;

    HWND Handle() const;
    QWidget* Control(int id) const;
    // The control with that window handle, or nullptr.
    QWidget* ControlOf(HWND handle) const;
    const tmpl::DialogTemplate& Template() const { return template_; }
    const BaseUnits& Units() const { return units_; }

    // Calls the dialog procedure now and returns its result.
    LRESULT Deliver(UINT message, WPARAM wParam, LPARAM lParam);
    // Delivers once control has returned to the event loop.
    void Post(UINT message, WPARAM wParam, LPARAM lParam);

    // Initialisation, first show and the modal loop; returns the EndDialog result.
    INT_PTR RunModal(LPARAM initParam);
    void End(INT_PTR result);
    bool Ended() const { return ended_; }

    // ShowWindow on the dialog; returns whether it had been visible.
    bool Show(int command);
    // Visible as the program understands it: shown, and not minimised in place of hiding.
    bool ShownToUser() const;

    void StartTimer(UINT_PTR id, UINT periodMs);
    bool StopTimer(UINT_PTR id);

    // The live dialog with this handle, or with a control of this handle, else nullptr.
    static DialogWindow* FromHandle(HWND handle);
    static DialogWindow* OwnerOfControl(HWND handle, QWidget** control);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // `receiver` is the widget with the keyboard focus that the key went to.
    bool HandleKey(const QKeyEvent* key, QObject* receiver);
    int DefaultButtonId() const;
    void Place();

    const tmpl::DialogTemplate& template_;
    DLGPROC procedure_;
    BaseUnits units_;
    bool minimiseToHide_ = false;  // hiding minimises: no notification area on this desktop
    QHash<int, QWidget*> controls_;
    QHash<UINT_PTR, QTimer*> timers_;
    QEventLoop* loop_ = nullptr;
    bool ended_ = false;
    INT_PTR result_ = 0;
};

}  // namespace vmqt
