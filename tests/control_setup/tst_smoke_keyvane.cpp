#include "support/FakeDialogs.h"
#include "support/TempGame.h"

#include "windows/frmMain.h"

#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

using namespace keyvane;

// The control setup under a real X server: it starts, a key pressed on the X server's
// keyboard is captured by its scan code, and it closes cleanly.
class tst_smoke_keyvane : public QObject
{
    Q_OBJECT

private:
    // A key press and release through the X server's test extension, as a keyboard gives it.
    static void pressOnTheServer(const QString &key)
    {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
        QVERIFY(xdotool.waitForFinished(10000));
        QCOMPARE(xdotool.exitCode(), 0);
    }

private Q_SLOTS:
    void capturesARealKeyPress()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed (./dev installs it)");
        TempGame game;
        FakeDialogs dialogs;
        frmMain w(game.path(), dialogs);
        QVERIFY(w.start());
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.windowHandle()->title(), QStringLiteral("Vantaro Control Setup"));

        QTest::mouseClick(w.cmdButton[0], Qt::LeftButton);  // Jump
        QCOMPARE(w.cmdButton[0]->text(), QStringLiteral("press a key"));
        pressOnTheServer(QStringLiteral("q"));
        QTRY_COMPARE(w.cmdButton[0]->text(), QStringLiteral("Q"));
        QCOMPARE(w.document().gControls().KeyJump, DXKeyboard::Key_Q);
        QCOMPARE(w.windowHandle()->title(), QStringLiteral("Vantaro Control Setup*"));  // unsaved

        // Right Ctrl has a code of its own only through the native scan code. It is sent by
        // its X key code (evdev 97 + 8): by its name xdotool would press left Ctrl with it.
        QTest::mouseClick(w.cmdButton[1], Qt::LeftButton);
        pressOnTheServer(QStringLiteral("105"));
        QTRY_COMPARE(w.cmdButton[1]->text(), QStringLiteral("RCONTROL"));
        QCOMPARE(w.document().gControls().KeyRunCarry, DXKeyboard::Key_RCONTROL);
        QVERIFY(!w.gKeyboard.IsDown(DXKeyboard::Key_RCONTROL));

        // Keys with a code but no name: the "<>" key of European keyboards (X key code 94,
        // evdev 86) and Print Screen (107, evdev 99: SYSRQ 183).
        QTest::mouseClick(w.cmdButton[2], Qt::LeftButton);
        pressOnTheServer(QStringLiteral("94"));
        QTRY_COMPARE(w.cmdButton[2]->text(), QStringLiteral("Key 86"));
        QCOMPARE(w.document().gControls().KeyUsePowerup, quint8(86));
        QTest::mouseClick(w.cmdButton[3], Qt::LeftButton);
        pressOnTheServer(QStringLiteral("107"));
        QTRY_COMPARE(w.cmdButton[3]->text(), QStringLiteral("Key 183"));
        QCOMPARE(w.document().gControls().KeyReleaseItem, quint8(183));

        // The keys are not saved yet: closing asks, and No closes without writing.
        dialogs.answers.push_back(FakeDialogs::Answer::No);
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Save changes?")});
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Vantaro Setup"));
        QVERIFY(!game.exists(QStringLiteral("Controls.qzc")));
    }
};

QTEST_MAIN(tst_smoke_keyvane)
#include "tst_smoke_keyvane.moc"
