// The controls of a dialog template as widgets: Button (push, default push, group box), Edit
// (single- and multi-line, read-only or not), Static and msctls_progress32, with the styles that
// matter mapped onto the widget, and the control's text read and written as the program's 8-bit
// text.
#pragma once

#include <QByteArray>
#include <QWidget>

#include "platform/ui/dialog_template.h"
#include "win32_types.h"

namespace vmqt {

// Creates the widget for `control` as a child of `dialog`, at `geometry` (pixels). The widget
// is visible exactly when the template says WS_VISIBLE.
QWidget* CreateControl(const tmpl::ControlTemplate& control, const QRect& geometry,
                       QWidget* dialog);

// The text of a control as the 8-bit text of the program: the very bytes last set when the
// text is unchanged since, otherwise the shown text in UTF-8. Multi-line edits use "\r\n".
// `utf8` tells whether the result is UTF-8 (typed) rather than the bytes last set.
QByteArray ControlText(const QWidget* control, bool* utf8 = nullptr);
// Sets a control's text from 8-bit text (UTF-8 when valid, Latin-1 otherwise).
void SetControlText(QWidget* control, const QByteArray& bytes);

// EM_LIMITTEXT: the most bytes typing may leave in a single-line edit (0: no limit).
void LimitText(QWidget* control, WPARAM limit);

// Whether the control is a push button (of either kind) and its template identifier.
bool IsPushButton(const QWidget* control);
int ControlId(const QWidget* control);

}  // namespace vmqt
