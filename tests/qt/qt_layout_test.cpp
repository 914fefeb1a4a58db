// The dialogs as built from the templates: every control where the template puts it once
// converted with the dialog font's base units, and the styles that matter on each widget.
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/ico_image.h"
#include "platform/ui/qt/launch_options.h"
#include "platform/ui/qt/tray_presence.h"
#include "shell/resources/resource.h"
#include "shell/resources/templates.h"

namespace {

// The template's widget: by identifier, or for the unnamed labels by their text.
QWidget* WidgetFor(const vmqt::DialogWindow& dialog, const tmpl::ControlTemplate& control) {
    if (control.id != -1) {
        return dialog.Control(control.id);
    }
    for (QWidget* widget : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (vmqt::ControlId(widget) == -1 && vmqt::ControlText(widget) == control.text) {
            return widget;
        }
    }
    return nullptr;
}

int Scale(int value, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(value) * base / divisor));
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { vmqt::ForceTrayAvailable(std::nullopt); }

    void controlsSitWhereTheTemplateSays() {
        for (const tmpl::DialogTemplate* dialog :
             {&tmpl::MonitorTemplate(), &tmpl::TargetTemplate()}) {
            vmqt::DialogWindow window(*dialog, nullptr);
            QCOMPARE(window.font().pointSize(), 8);
            // Base units worked out here from the font, the way the dialog manager does.
            const QFontMetrics metrics(window.font());
            const int letters = metrics.horizontalAdvance(
                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
            const int baseX = (letters / 26 + 1) / 2;
            const int baseY = metrics.height();
            QVERIFY2(baseX >= 4 && baseY >= 8, "implausible base units for an 8-point font");

            QCOMPARE(window.size(),
                     QSize(Scale(dialog->cx, baseX, 4), Scale(dialog->cy, baseY, 8)));
            for (const tmpl::ControlTemplate& control : dialog->controls) {
                QWidget* widget = WidgetFor(window, control);
                QVERIFY2(widget != nullptr, control.text);
                const QRect expected(Scale(control.x, baseX, 4), Scale(control.y, baseY, 8),
                                     Scale(control.cx, baseX, 4), Scale(control.cy, baseY, 8));
                QCOMPARE(widget->geometry(), expected);
                QCOMPARE(vmqt::ControlText(widget), QByteArray(control.text));
                QCOMPARE(widget->isHidden(), (control.style & tmpl::WsVisible) == 0);
            }
        }
    }

    void monitorControlsCarryTheirStyles() {
        vmqt::DialogWindow window(tmpl::MonitorTemplate(), nullptr);

        auto* update = qobject_cast<QPushButton*>(window.Control(IDC_UPDATE_TARGET));
        QVERIFY(update != nullptr);
        QVERIFY(update->isHidden());
        QVERIFY(update->isDefault());
        auto* hide = qobject_cast<QPushButton*>(window.Control(IDC_HIDE));
        QVERIFY(hide != nullptr);
        QVERIFY(!hide->isDefault());

        // The two edits take clicks but are no tab stops.
        auto* primary = qobject_cast<QLineEdit*>(window.Control(IDC_PRIMARY));
        QVERIFY(primary != nullptr);
        QCOMPARE(primary->focusPolicy(), Qt::ClickFocus);
        QVERIFY(!primary->isReadOnly());
        auto* secondary = qobject_cast<QPlainTextEdit*>(window.Control(IDC_SECONDARY));
        QVERIFY(secondary != nullptr);
        QCOMPARE(secondary->focusPolicy(), Qt::ClickFocus);
        QCOMPARE(secondary->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(secondary->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(!secondary->isReadOnly());

        auto* toner = qobject_cast<QProgressBar*>(window.Control(IDC_TONER));
        QVERIFY(toner != nullptr);
        QVERIFY(!toner->isTextVisible());

        // Labels are right-aligned, the two count values left-aligned.
        for (const tmpl::ControlTemplate& control : tmpl::MonitorTemplate().controls) {
            auto* label = qobject_cast<QLabel*>(WidgetFor(window, control));
            if (label == nullptr) {
                continue;
            }
            const bool value = control.id == IDC_PAGECOUNT || control.id == IDC_POWERON_COUNT;
            QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask,
                     value ? Qt::AlignLeft : Qt::AlignRight);
        }
    }

    void tabOrderFollowsTheTemplate() {
        const struct {
            const tmpl::DialogTemplate* dialog;
            std::vector<int> order;
        } cases[] = {
            {&tmpl::MonitorTemplate(), {IDC_HIDE, IDC_UPDATE_TARGET}},
            {&tmpl::TargetTemplate(), {IDOK, IDC_TARGET_EDIT}},
        };
        for (const auto& c : cases) {
            vmqt::DialogWindow window(*c.dialog, nullptr);
            std::vector<int> order;
            QWidget* first = window.Control(c.order.front());
            QWidget* at = first;
            do {
                if ((at->focusPolicy() & Qt::TabFocus) && at->parentWidget() == &window) {
                    order.push_back(vmqt::ControlId(at));
                }
                at = at->nextInFocusChain();
            } while (at != first && order.size() < 10);
            QCOMPARE(order, c.order);
        }
    }

    void statusWindowKindDependsOnTheNotificationArea() {
        vmqt::ForceTrayAvailable(true);
        {
            vmqt::DialogWindow window(tmpl::MonitorTemplate(), nullptr);
            QCOMPARE(window.windowType(), Qt::Tool);
            QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
            QVERIFY(!window.MinimisesToHide());
        }
        // Without a notification area: an ordinary window that can be minimised.
        vmqt::ForceTrayAvailable(false);
        {
            vmqt::DialogWindow window(tmpl::MonitorTemplate(), nullptr);
            QCOMPARE(window.windowType(), Qt::Window);
            QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
            QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
            QVERIFY(window.MinimisesToHide());
        }
        // The prompt is an ordinary window either way.
        vmqt::DialogWindow prompt(tmpl::TargetTemplate(), nullptr);
        QCOMPARE(prompt.windowType(), Qt::Window);
        QVERIFY(!(prompt.windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(prompt.windowTitle(), QStringLiteral("No Target Specified"));
    }

    void iconFilesHoldTheirOneImage() {
        for (const char* path : {VM_SOURCE_DIR "/shell/resources/online.ico",
                                 VM_SOURCE_DIR "/shell/resources/offline.ico"}) {
            QFile file(QString::fromLatin1(path));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            auto u16 = [&](int at) {
                return static_cast<unsigned char>(bytes[at]) |
                       static_cast<unsigned char>(bytes[at + 1]) << 8;
            };
            auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
            QCOMPARE(bytes.size(), 6 + 16 + 9640);
            QCOMPARE(u16(4), 1);      // one image
            QCOMPARE(u32(14), 9640);  // its size
            QCOMPARE(u32(18), 22);    // its offset
            QCOMPARE(u32(22), 40);    // BITMAPINFOHEADER
            QCOMPARE(u32(26), 48);
            QCOMPARE(u32(30), 96);
            QCOMPARE(u16(36), 32);

            const QImage image = vmqt::DecodeIco(bytes);
            QCOMPARE(image.size(), QSize(48, 48));
            // The AND mask is set exactly where alpha is 0, rows bottom-up, 8 bytes a row.
            const int mask = 22 + 40 + 9216;
            int transparent = 0;
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 48; ++x) {
                    const int row = 47 - y;
                    const bool bit =
                        (static_cast<unsigned char>(bytes[mask + row * 8 + x / 8]) >> (7 - x % 8)) &
                        1;
                    const bool clear = qAlpha(image.pixel(x, y)) == 0;
                    transparent += clear ? 1 : 0;
                    QVERIFY2(bit == clear, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                }
            }
            QVERIFY(transparent > 0 && transparent < 48 * 48);
        }
    }

    void malformedIconsGiveNoImage() {
        QFile file(QStringLiteral(VM_SOURCE_DIR "/shell/resources/online.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        QVERIFY(!vmqt::DecodeIco(good).isNull());
        QVERIFY(vmqt::DecodeIco(good.left(21)).isNull());
        QVERIFY(vmqt::DecodeIco(good.left(22 + 40 + 100)).isNull());
        QByteArray farOffset = good;
        farOffset[18] = static_cast<char>(0xF0);
        QVERIFY(vmqt::DecodeIco(farOffset).isNull());
        QByteArray wrongDepth = good;
        wrongDepth[22 + 14] = 24;
        QVERIFY(vmqt::DecodeIco(wrongDepth).isNull());
    }

    void launchOptions() {
        using vmqt::LaunchAction;
        const struct {
            std::vector<std::string> arguments;
            LaunchAction action;
            std::string commandLine;
        } cases[] = {
            {{}, LaunchAction::Run, ""},
            {{"--help"}, LaunchAction::Help, ""},
            {{"--version"}, LaunchAction::Version, ""},
            {{"printer"}, LaunchAction::Run, "printer"},
            {{"printer", "public", "extra"}, LaunchAction::Run, "printer public extra"},
            // Only the exact first tokens are options; everything else is passed on as is.
            {{"printer", "--help"}, LaunchAction::Run, "printer --help"},
            {{"-h"}, LaunchAction::Run, "-h"},
            {{"--help=1"}, LaunchAction::Run, "--help=1"},
            {{"-platform", "x"}, LaunchAction::Run, "-platform x"},
            {{"two words"}, LaunchAction::Run, "two words"},
            {{"", "b"}, LaunchAction::Run, " b"},
        };
        for (const auto& c : cases) {
            const vmqt::Launch launch = vmqt::ParseLaunch(c.arguments);
            QCOMPARE(launch.action, c.action);
            QCOMPARE(launch.commandLine, c.commandLine);
        }
        QVERIFY(vmqt::VersionText().find("1.0.0.42") != std::string::npos);
    }
};

QTEST_MAIN(LayoutTest)
#include "qt_layout_test.moc"
