// The dialogs as built from the templates: every control where the template puts it once
// converted with the dialog font's base units; the window kinds; icon decoding; launch options.
#include <QFile>
#include <QFontMetrics>
#include <QTest>
#include <cmath>

#include "platform/ui/qt/controls.h"
#include "platform/ui/qt/dialog_window.h"
#include "platform/ui/qt/ico_image.h"
#include "platform/ui/qt/launch_options.h"
#include "platform/ui/qt/tray_presence.h"
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

    void statusWindowStaysOnTopAndIsAToolOnlyWithANotificationArea() {
        for (const bool tray : {true, false}) {
            vmqt::ForceTrayAvailable(tray);
            vmqt::DialogWindow window(tmpl::MonitorTemplate(), nullptr);
            QCOMPARE(window.windowType(), tray ? Qt::Tool : Qt::Window);
            QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
            QCOMPARE(window.MinimisesToHide(), !tray);
        }
    }

    void iconsDecodeAndMalformedOnesGiveNoImage() {
        QFile file(QStringLiteral(VM_SOURCE_DIR "/shell/resources/online.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        QCOMPARE(vmqt::DecodeIco(good).size(), QSize(48, 48));
        QVERIFY(vmqt::DecodeIco(good.left(21)).isNull());
        QByteArray farOffset = good;
        farOffset[18] = static_cast<char>(0xF0);
        QVERIFY(vmqt::DecodeIco(farOffset).isNull());
    }

    void onlyTheExactFirstTokenIsAnOption() {
        QCOMPARE(vmqt::ParseLaunch({"--help"}).action, vmqt::LaunchAction::Help);
        QCOMPARE(vmqt::ParseLaunch({"--help=1"}).action, vmqt::LaunchAction::Run);
        const vmqt::Launch run = vmqt::ParseLaunch({"printer", "--help", "extra"});
        QCOMPARE(run.action, vmqt::LaunchAction::Run);
        QCOMPARE(run.commandLine, std::string("printer --help extra"));
    }
};

QTEST_MAIN(LayoutTest)
#include "qt_layout_test.moc"
