#include "platform/ui/qt/controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QValidator>

#include "platform/ui/qt/progress_bar.h"
#include "platform/ui/qt/text_codec.h"

namespace vmqt {
namespace {

// The bytes last set and the text they were shown as, so an unchanged text reads back as set.
constexpr const char* BYTES_PROPERTY = "vmBytes";
constexpr const char* SHOWN_PROPERTY = "vmShown";
constexpr const char* ID_PROPERTY = "vmControlId";
constexpr const char* PUSH_PROPERTY = "vmPushButton";

bool Has(std::uint32_t style, std::uint32_t bits) {
    return (style & bits) == bits;
}

QString ShownText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* multi = qobject_cast<const QPlainTextEdit*>(control)) {
        return multi->toPlainText();
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QPushButton*>(control)) {
        return button->text();
    }
    if (auto* group = qobject_cast<const QGroupBox*>(control)) {
        return group->title();
    }
    return control->windowTitle();
}

void ShowText(QWidget* control, const QByteArray& bytes) {
    if (auto* multi = qobject_cast<QPlainTextEdit*>(control)) {
        // Every poll writes the console lines again: the same text keeps the scroll position.
        const QString lines = LinesFromBytes(bytes);
        if (multi->toPlainText() != lines) {
            multi->setPlainText(lines);
        }
        return;
    }
    const QString text = FromBytes(bytes);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else {
        control->setWindowTitle(text);
    }
}

// EM_LIMITTEXT on a line edit: typing may not leave more than `limit` bytes of UTF-8, which is
// what the program reads back (maxLength would count UTF-16 units). Text the program sets is
// not held to it, and shortening a text over the limit stays possible.
class ByteLimit : public QValidator {
  public:
    ByteLimit(QLineEdit* edit, qsizetype limit) : QValidator(edit), edit_(edit), limit_(limit) {}
    State validate(QString& input, int&) const override {
        const qsizetype bytes = input.toUtf8().size();
        return bytes <= limit_ || bytes < edit_->text().toUtf8().size() ? Acceptable : Invalid;
    }

  private:
    QLineEdit* edit_;
    qsizetype limit_;
};

// A read-only edit is drawn on the dialog's background, as Win32 draws it.
void OnDialogBackground(QWidget* edit) {
    QPalette colours = edit->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Window));
    edit->setPalette(colours);
}

QWidget* CreateButton(const tmpl::ControlTemplate& control, QWidget* dialog) {
    const std::uint32_t kind = control.style & tmpl::STYLE_BS_TYPEMASK;
    if (kind == tmpl::STYLE_BS_GROUPBOX) {
        auto* group = new QGroupBox(dialog);
        group->setFocusPolicy(Qt::NoFocus);
        return group;
    }
    auto* button = new QPushButton(dialog);
    button->setAutoDefault(false);
    button->setDefault(kind == tmpl::STYLE_BS_DEFPUSHBUTTON);
    button->setProperty(PUSH_PROPERTY, true);
    return button;
}

QWidget* CreateEdit(const tmpl::ControlTemplate& control, QWidget* dialog) {
    if (Has(control.style, tmpl::STYLE_ES_MULTILINE)) {
        auto* edit = new QPlainTextEdit(dialog);
        edit->setTabChangesFocus(true);
        edit->setVerticalScrollBarPolicy(Has(control.style, tmpl::STYLE_WS_VSCROLL)
                                             ? Qt::ScrollBarAlwaysOn
                                             : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // ES_AUTOHSCROLL: lines run on to the right instead of wrapping.
        edit->setLineWrapMode(Has(control.style, tmpl::STYLE_ES_AUTOHSCROLL)
                                  ? QPlainTextEdit::NoWrap
                                  : QPlainTextEdit::WidgetWidth);
        if (!Has(control.style, tmpl::STYLE_WS_BORDER)) {
            edit->setFrameShape(QFrame::NoFrame);
        }
        if (Has(control.style, tmpl::STYLE_ES_READONLY)) {
            // Read, selected and scrolled with mouse and keys, never typed in.
            edit->setReadOnly(true);
            edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            OnDialogBackground(edit);
        }
        return edit;
    }
    auto* edit = new QLineEdit(dialog);
    edit->setFrame(Has(control.style, tmpl::STYLE_WS_BORDER));
    if (Has(control.style, tmpl::STYLE_ES_READONLY)) {
        edit->setReadOnly(true);
        OnDialogBackground(edit);
    }
    return edit;
}

QWidget* CreateStatic(const tmpl::ControlTemplate& control, QWidget* dialog) {
    auto* label = new QLabel(dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    const std::uint32_t kind = control.style & tmpl::STYLE_SS_TYPEMASK;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (kind == tmpl::STYLE_SS_RIGHT || Has(control.exStyle, tmpl::STYLE_WS_EX_RIGHT)) {
        horizontal = Qt::AlignRight;
    }
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}

}  // namespace

QWidget* CreateControl(const tmpl::ControlTemplate& control, const QRect& geometry,
                       QWidget* dialog) {
    const QString className = QString::fromLatin1(control.className);
    QWidget* widget = nullptr;
    if (className.compare(QLatin1String(tmpl::BUTTON_CLASS), Qt::CaseInsensitive) == 0) {
        widget = CreateButton(control, dialog);
    } else if (className.compare(QLatin1String(tmpl::EDIT_CLASS), Qt::CaseInsensitive) == 0) {
        widget = CreateEdit(control, dialog);
    } else if (className.compare(QLatin1String(tmpl::PROGRESS_CLASS), Qt::CaseInsensitive) == 0) {
        widget = new ProgressBar(dialog);
    } else {
        widget = CreateStatic(control, dialog);
    }
    widget->setProperty(ID_PROPERTY, control.id);
    widget->setGeometry(geometry);

    // Keyboard focus: tab stops take Tab and clicks; other edits and buttons only clicks.
    const bool focusable = IsPushButton(widget) || qobject_cast<QLineEdit*>(widget) ||
                           qobject_cast<QPlainTextEdit*>(widget);
    if (focusable) {
        widget->setFocusPolicy(Has(control.style, tmpl::STYLE_WS_TABSTOP) ? Qt::StrongFocus
                                                                          : Qt::ClickFocus);
    } else {
        widget->setFocusPolicy(Qt::NoFocus);
    }
    SetControlText(widget, QByteArray(control.text));
    widget->setVisible(Has(control.style, tmpl::STYLE_WS_VISIBLE));
    return widget;
}

QByteArray ControlText(const QWidget* control, bool* utf8) {
    const QString shown = ShownText(control);
    const QVariant set = control->property(BYTES_PROPERTY);
    if (set.isValid() && control->property(SHOWN_PROPERTY).toString() == shown) {
        if (utf8 != nullptr) {
            *utf8 = false;
        }
        return set.toByteArray();
    }
    if (utf8 != nullptr) {
        *utf8 = true;
    }
    QString text = shown;
    if (qobject_cast<const QPlainTextEdit*>(control) != nullptr) {
        text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    }
    return text.toUtf8();
}

void SetControlText(QWidget* control, const QByteArray& bytes) {
    ShowText(control, bytes);
    control->setProperty(BYTES_PROPERTY, bytes);
    control->setProperty(SHOWN_PROPERTY, ShownText(control));
}

void LimitText(QWidget* control, WPARAM limit) {
    auto* edit = qobject_cast<QLineEdit*>(control);
    if (edit == nullptr) {
        return;
    }
    delete edit->validator();
    // A limit of 0 means none of the program's own.
    edit->setValidator(limit == 0 ? nullptr : new ByteLimit(edit, static_cast<qsizetype>(limit)));
}

bool IsPushButton(const QWidget* control) {
    return control != nullptr && control->property(PUSH_PROPERTY).toBool();
}

int ControlId(const QWidget* control) {
    const QVariant id = control->property(ID_PROPERTY);
    return id.isValid() ? id.toInt() : -1;
}

}  // namespace vmqt
