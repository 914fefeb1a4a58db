// The target prompt on Qt with the program's own procedure: opens at the top-left with the
// focus in the entry, ignores Esc and the close button, and takes at most 63 characters on
// Enter.
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <cstring>

#include "platform/ui/ui.h"
#include "qt_test_support.h"
#include "shell/dialogs.h"
#include "shell/globals.h"
#include "shell/resources/resource.h"

class PromptTest : public QObject {
    Q_OBJECT

  private slots:
    void escAndCloseAreIgnoredAndEnterTakes63Characters() {
        std::strcpy(g_target, "before");
        // Spaces stay in the entry as typed.
        const QString typed =
            QStringLiteral(" printer-with-a-very-long-name.floor-three.example.org:16161-extra");
        const INT_PTR result = qttest::RunWhileDriving(
            [] {
                return ui::DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_TARGET), nullptr,
                                           TargetDialogProc, 0);
            },
            [&typed] {
                vmqt::DialogWindow* dialog = qttest::CurrentDialog();
                QVERIFY(dialog != nullptr && dialog->isVisible());
                QCOMPARE(dialog->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
                auto* edit = qobject_cast<QLineEdit*>(dialog->Control(IDC_TARGET_EDIT));
                QVERIFY(edit != nullptr);
                QCOMPARE(dialog->focusWidget(), edit);

                QTest::keyClick(edit, Qt::Key_Escape);
                dialog->close();
                QTest::qWait(50);
                QVERIFY(!dialog->Ended() && dialog->isVisible());
                QCOMPARE(QByteArray(g_target), QByteArray("before"));

                QTest::keyClicks(edit, typed);
                QTest::keyClick(edit, Qt::Key_Return);
                QVERIFY(dialog->Ended());
            });
        QCOMPARE(result, static_cast<INT_PTR>(0));
        QCOMPARE(QByteArray(g_target), typed.left(63).toUtf8());
    }
};

QTEST_MAIN(PromptTest)
#include "qt_prompt_test.moc"
