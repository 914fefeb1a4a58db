#include "platform/ui/qt/dialog_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include "platform/ui/posix/live_dialogs.h"
#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/taskbar_entry.h"
#include "platform/ui/qt/text_codec.h"
#include "platform/ui/qt/tray_icons.h"
#include "platform/ui/qt/tray_presence.h"

namespace vmqt {
namespace {

constexpr WORD BN_CLICKED_CODE = 0;

posixui::LiveDialogs<DialogWindow>& Running() {
    static posixui::LiveDialogs<DialogWindow> dialogs;
    return dialogs;
}

bool Has(std::uint32_t style, std::uint32_t bits) {
    return (style & bits) == bits;
}

WPARAM CommandWParam(int id) {
    return static_cast<WPARAM>(MAKELPARAM(static_cast<WORD>(id), BN_CLICKED_CODE));
}

}  // namespace

DialogWindow::DialogWindow(const tmpl::DialogTemplate& dialog, DLGPROC procedure)
    : QWidget(nullptr), template_(dialog), procedure_(procedure) {
    const QFont font = DialogFont(dialog.font);
    setFont(font);
    units_ = BaseUnitsOf(font);

    // A tool window has no taskbar entry: its tray icon is the way back to it once hidden.
    // Where the desktop has no notification area, hiding would strand the window, so it gets
    // an ordinary taskbar entry and "hide" minimises it instead.
    const bool tool = Has(dialog.exStyle, tmpl::STYLE_WS_EX_TOOLWINDOW);
    minimiseToHide_ = tool && !TrayAvailable();
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    flags |= (tool && !minimiseToHide_) ? Qt::Tool : Qt::Window;
    if (Has(dialog.style, tmpl::STYLE_WS_SYSMENU)) {
        flags |= Qt::WindowCloseButtonHint;
    }
    if (minimiseToHide_) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (Has(dialog.exStyle, tmpl::STYLE_WS_EX_TOPMOST)) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    setWindowFlags(flags);
    setWindowTitle(FromBytes(QByteArray(dialog.caption)));
    setFixedSize(DluToPixelsX(dialog.cx, units_), DluToPixelsY(dialog.cy, units_));

    // Template order is the tab order (Qt's focus chain follows creation order) and, as on
    // Win32, the first control lies on top: each new control goes to the bottom.
    for (const tmpl::ControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(
            control, DluRectToPixels(control.x, control.y, control.cx, control.cy, units_), this);
        widget->lower();
        widget->installEventFilter(this);
        if (control.id != -1) {
            controls_.insert(control.id, widget);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            const int id = control.id;
            connect(button, &QAbstractButton::clicked, this, [this, id, widget] {
                Deliver(WM_COMMAND, CommandWParam(id), reinterpret_cast<LPARAM>(widget));
            });
        }
    }
    Running().Add(this);
}

DialogWindow::~DialogWindow() {
    Running().Remove(this);
    RemoveTrayIconsOf(Handle());
}

HWND DialogWindow::Handle() const {
    return reinterpret_cast<HWND>(const_cast<DialogWindow*>(this));
}

QWidget* DialogWindow::Control(int id) const {
    return controls_.value(id, nullptr);
}

LRESULT DialogWindow::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure_ != nullptr ? procedure_(Handle(), message, wParam, lParam) : 0;
}

void DialogWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { Deliver(message, wParam, lParam); },
        Qt::QueuedConnection);
}

INT_PTR DialogWindow::RunModal(LPARAM initParam) {
    Deliver(WM_INITDIALOG, 0, initParam);
    if (!ended_) {
        // Shown once initialisation has returned, like a modal dialog box.
        Place();
        if (windowType() == Qt::Tool) {
            KeepOutOfTaskbar(this);
        }
        show();
        raise();
        activateWindow();
        QEventLoop loop;
        loop_ = &loop;
        loop.exec();
        loop_ = nullptr;
    }
    hide();
    return result_;
}

void DialogWindow::End(INT_PTR result) {
    ended_ = true;
    result_ = result;
    if (loop_ != nullptr) {
        loop_->exit(0);
    }
}

bool DialogWindow::ShownToUser() const {
    return isVisible() && !(minimiseToHide_ && isMinimized());
}

bool DialogWindow::Show(int command) {
    const bool wasShown = ShownToUser();
    if (command == SW_HIDE) {
        if (!minimiseToHide_) {
            hide();
        } else if (isVisible()) {
            showMinimized();
        }
        return wasShown;
    }
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
    return wasShown;
}

void DialogWindow::StartTimer(UINT_PTR id, UINT periodMs) {
    QTimer* timer = timers_.value(id, nullptr);
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { Deliver(WM_TIMER, id, 0); });
        timers_.insert(id, timer);
    }
    timer->start(static_cast<int>(periodMs));
}

bool DialogWindow::StopTimer(UINT_PTR id) {
    QTimer* timer = timers_.take(id);
    if (timer == nullptr) {
        return false;
    }
    timer->stop();
    timer->deleteLater();
    return true;
}

QWidget* DialogWindow::ControlOf(HWND handle) const {
    for (QWidget* widget : std::as_const(controls_)) {
        if (reinterpret_cast<HWND>(widget) == handle) {
            return widget;
        }
    }
    return nullptr;
}

DialogWindow* DialogWindow::FromHandle(HWND handle) {
    return Running().Find(handle);
}

DialogWindow* DialogWindow::OwnerOfControl(HWND handle, QWidget** control) {
    return Running().OwnerOf(handle, control);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The close button is the dialog's cancel command; the procedure decides what it does.
    event->ignore();
    Deliver(WM_COMMAND, CommandWParam(IDCANCEL), 0);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event, this)) {
        QWidget::keyPressEvent(event);
    }
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event), watched)) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool DialogWindow::HandleKey(const QKeyEvent* key, QObject* receiver) {
    if (key->key() == Qt::Key_Escape) {
        Deliver(WM_COMMAND, CommandWParam(IDCANCEL), 0);
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // A focused push button takes Enter; otherwise the default button's command is sent,
        // whether or not that button is shown.
        auto* focus = qobject_cast<QWidget*>(receiver);
        const int id = IsPushButton(focus) ? ControlId(focus) : DefaultButtonId();
        Deliver(WM_COMMAND, CommandWParam(id), reinterpret_cast<LPARAM>(Control(id)));
        return true;
    }
    return false;
}

int DialogWindow::DefaultButtonId() const {
    for (const tmpl::ControlTemplate& control : template_.controls) {
        if ((control.style & tmpl::STYLE_BS_TYPEMASK) == tmpl::STYLE_BS_DEFPUSHBUTTON &&
            QLatin1String(control.className)
                    .compare(QLatin1String(tmpl::BUTTON_CLASS), Qt::CaseInsensitive) == 0) {
            return control.id;
        }
    }
    return IDOK;
}

void DialogWindow::Place() {
    QScreen* display = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (display == nullptr) {
        return;
    }
    if (Has(template_.style, tmpl::STYLE_DS_CENTER)) {
        const QRect area = display->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    } else {
        move(display->geometry().topLeft() +
             QPoint(DluToPixelsX(template_.x, units_), DluToPixelsY(template_.y, units_)));
    }
}

}  // namespace vmqt
