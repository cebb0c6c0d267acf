#include "VirtualJoystick.h"

#include "support/FakeDialogs.h"
#include "support/RawFiles.h"
#include "support/TempGame.h"

#include "windows/frmJoystick.h"
#include "windows/frmMain.h"

#include "FileIO.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

using namespace keyvane;

namespace {

const QString kSetup = QStringLiteral("Vantaro Setup");
const QString kSaved = QStringLiteral("Key configuration saved to disk!");
const QByteArray kDefaultBytes =
    QByteArray::fromHex("2A 39 2C 2D 0E 19 02 03 01 04 05 06 CB CD D0 C8 01 C4 09 AC 0D");

// The control setup on a temporary game folder, started as the program starts it.
struct Setup
{
    TempGame game;
    FakeDialogs dialogs;
    std::unique_ptr<frmMain> w;

    bool start()
    {
        w = std::make_unique<frmMain>(game.path(), dialogs);
        return w->start();
    }
    QString controls() const { return game.file(QStringLiteral("Controls.qzc")); }
    // The title as the window system shows it: windowTitle() keeps the change mark's "[*]".
    QString shownTitle() const { return w->windowHandle() ? w->windowHandle()->title() : QString(); }
    QStringList captions() const
    {
        QStringList out;
        for (QPushButton *b : w->cmdButton)
            out.append(b->text());
        return out;
    }
    void key(Qt::Key k, bool down, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : w.get();
        if (down)
            QTest::keyPress(target, k, m);
        else
            QTest::keyRelease(target, k, m);
    }
    // Releasing a mouse button over a row's button starts the capture.
    void releaseOver(QPushButton *b, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(b, button);
    }
};

QColor textColour(const QLabel *l)
{
    return l->palette().color(QPalette::WindowText);
}

} // namespace

class tst_keyvane_windows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noControlsFileShowsAndSavesTheDefaults()
    {
        SKIP_IF_REAL_JOYSTICK();
        Setup s;
        QVERIFY(s.start());
        QCOMPARE(s.shownTitle(), QStringLiteral("Vantaro Control Setup"));
        QCOMPARE(s.w->Frame1->title(), QStringLiteral("Key Configuration"));
        QCOMPARE(s.captions(), (QStringList{QStringLiteral("Z"), QStringLiteral("LSHIFT"),
                                            QStringLiteral("SPACE"), QStringLiteral("X"),
                                            QStringLiteral("BACKSPACE"), QStringLiteral("P"),
                                            QStringLiteral("UP"), QStringLiteral("DOWN"),
                                            QStringLiteral("LEFT"), QStringLiteral("RIGHT")}));
        // Rows top to bottom: the directions, then the six actions.
        QStringList rows;
        int lastY = -1;
        for (int i : {6, 7, 8, 9, 0, 1, 2, 3, 4, 5}) {
            QVERIFY(s.w->Label[i]->y() > lastY);
            QCOMPARE(s.w->cmdButton[i]->y() + s.w->cmdButton[i]->height() / 2 > s.w->Label[i]->y(), true);
            lastY = s.w->Label[i]->y();
            rows.append(s.w->Label[i]->text());
        }
        QCOMPARE(rows, (QStringList{QStringLiteral("Up"), QStringLiteral("Down"), QStringLiteral("Left"),
                                    QStringLiteral("Right"), QStringLiteral("Jump"),
                                    QStringLiteral("Run / Carry"), QStringLiteral("Use Powerup"),
                                    QStringLiteral("Release Item"), QStringLiteral("Exit Level"),
                                    QStringLiteral("Pause")}));
        QCOMPARE(s.w->minimumSize(), s.w->maximumSize());  // fixed size

        // No joystick here: the joystick window cannot be opened.
        QVERIFY(!s.w->gJoystick.JoystickPresent());
        QVERIFY(!s.w->cmdJoy->isEnabled());
        QCOMPARE(s.w->gJoystick.ButtonCount(), 0);
        QCOMPARE(s.w->gJoystick.XAxis(), 0);

        QVERIFY(!QFile::exists(s.controls()));
        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        QCOMPARE(readRaw(s.controls()), kDefaultBytes);
        QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(s.dialogs.shown[0].title, kSetup);
        QCOMPARE(s.dialogs.shown[0].text, kSaved);
        QCOMPARE(s.dialogs.shown[0].buttons, vt::Dialogs::Buttons::Ok);
    }

    // The title ends with '*' exactly while the keys differ from the file's; there is no
    // undo, so a key set back to what the file holds is no change.
    void theTitleMarksUnsavedWork()
    {
        Setup s;
        QVERIFY(s.start());
        QCOMPARE(s.shownTitle(), QStringLiteral("Vantaro Control Setup"));
        s.releaseOver(s.w->cmdButton[5]);  // Pause
        s.key(Qt::Key_F5, true);
        s.key(Qt::Key_F5, false);
        QCOMPARE(s.shownTitle(), QStringLiteral("Vantaro Control Setup*"));
        QVERIFY(s.w->isWindowModified());
        s.releaseOver(s.w->cmdButton[5]);
        s.key(Qt::Key_P, true);
        s.key(Qt::Key_P, false);
        QCOMPARE(s.shownTitle(), QStringLiteral("Vantaro Control Setup"));

        s.releaseOver(s.w->cmdButton[5]);
        s.key(Qt::Key_F6, true);
        s.key(Qt::Key_F6, false);
        vt::setReplaceFaultForTesting(3);
        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        vt::setReplaceFaultForTesting(std::nullopt);
        QCOMPARE(s.shownTitle(), QStringLiteral("Vantaro Control Setup*"));  // not saved
        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        QCOMPARE(s.dialogs.texts().last(), kSaved);
        QCOMPARE(s.shownTitle(), QStringLiteral("Vantaro Control Setup"));
        QVERIFY(s.w->close());  // nothing left to ask about
        QCOMPARE(s.dialogs.shown.size(), std::size_t(2));
    }

    void existingFileIsShownAndWrittenBackWhole()
    {
        Setup s;
        QByteArray bytes = kDefaultBytes;
        bytes[2] = char(DXKeyboard::Key_NUMPADENTER);  // Jump
        bytes[16] = char(7);                            // not ours: kept
        writeRaw(s.controls(), bytes + "tail");
        QVERIFY(s.start());
        QCOMPARE(s.w->cmdButton[0]->text(), QStringLiteral("NUMPADENTER"));
        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        QCOMPARE(readRaw(s.controls()), bytes + "tail");
    }

    void captureTakesTheLowestHeldKey()
    {
        Setup s;
        QVERIFY(s.start());
        // Held before the capture starts: both count, LSHIFT (42) is below Z (44).
        s.key(Qt::Key_Shift, true);
        s.key(Qt::Key_Z, true, Qt::ShiftModifier);
        s.releaseOver(s.w->cmdButton[4]);  // Exit Level
        QCOMPARE(s.w->capturingAction(), -1);
        QCOMPARE(s.w->document().gControls().KeyExitLevel, DXKeyboard::Key_LSHIFT);
        QCOMPARE(s.w->cmdButton[4]->text(), QStringLiteral("LSHIFT"));
        QCOMPARE(s.w->focusWidget(), s.w->cmdSacrifice);
        s.key(Qt::Key_Z, false, Qt::ShiftModifier);
        s.key(Qt::Key_Shift, false);

        // Nothing held: the capture waits for the next key, without blocking.
        s.releaseOver(s.w->cmdButton[7], Qt::RightButton);  // Down
        QCOMPARE(s.w->capturingAction(), 7);
        QCOMPARE(s.w->cmdButton[7]->text(), QStringLiteral("press a key"));
        s.key(Qt::Key_2, true, Qt::KeypadModifier);
        QCOMPARE(s.w->capturingAction(), -1);
        QCOMPARE(s.w->cmdButton[7]->text(), QStringLiteral("NUMPAD2"));
        QCOMPARE(s.w->document().gControls().KeyDown, DXKeyboard::Key_NUMPAD2);
        s.key(Qt::Key_2, false, Qt::KeypadModifier);

        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        QByteArray expected = kDefaultBytes;
        expected[4] = char(42);
        expected[14] = char(80);
        QCOMPARE(readRaw(s.controls()), expected);
    }

    void escapeAndUnusableKeys()
    {
        Setup s;
        QVERIFY(s.start());
        s.releaseOver(s.w->cmdButton[5]);  // Pause
        s.key(Qt::Key_Escape, true);
        QCOMPARE(s.w->capturingAction(), -1);
        QCOMPARE(s.w->cmdButton[5]->text(), QStringLiteral("P"));
        QCOMPARE(s.w->document().gControls().KeyPause, DXKeyboard::Key_P);
        s.key(Qt::Key_Escape, false);

        // A key with no code: the capture goes on, and the button says what can be used.
        s.releaseOver(s.w->cmdButton[2]);
        s.key(Qt::Key_Meta, true);
        QCOMPARE(s.w->capturingAction(), 2);
        QVERIFY(s.w->cmdButton[2]->text().startsWith(QStringLiteral("A-Z, 0-9")));
        QVERIFY(s.w->cmdButton[2]->toolTip().contains(QStringLiteral("cannot be used")));
        s.key(Qt::Key_Meta, false);
        s.key(Qt::Key_F5, true);
        QCOMPARE(s.w->capturingAction(), -1);
        QCOMPARE(s.w->cmdButton[2]->text(), QStringLiteral("F5"));
        QVERIFY(s.w->cmdButton[2]->toolTip().isEmpty());
        s.key(Qt::Key_F5, false);

        // A second row clicked while the first waits: the first gets its name back.
        s.releaseOver(s.w->cmdButton[0]);
        s.releaseOver(s.w->cmdButton[1]);
        QCOMPARE(s.w->cmdButton[0]->text(), QStringLiteral("Z"));
        QCOMPARE(s.w->capturingAction(), 1);
        s.key(Qt::Key_Escape, true);
        s.key(Qt::Key_Escape, false);
        QCOMPARE(s.w->cmdButton[1]->text(), QStringLiteral("LSHIFT"));
    }

    void aKeyOnTwoActionsIsMarkedOnBoth()
    {
        Setup s;
        QVERIFY(s.start());
        const QColor normal = s.w->cmdButton[3]->palette().color(QPalette::ButtonText);
        s.releaseOver(s.w->cmdButton[3]);  // Release Item
        s.key(Qt::Key_Space, true);        // already "Use Powerup"
        s.key(Qt::Key_Space, false);
        QCOMPARE(s.w->cmdButton[3]->text(), QStringLiteral("SPACE"));
        for (int i : {2, 3}) {
            QVERIFY(s.w->cmdButton[i]->palette().color(QPalette::ButtonText) != normal);
            const QString other = i == 2 ? QStringLiteral("Release Item") : QStringLiteral("Use Powerup");
            QVERIFY2(s.w->cmdButton[i]->toolTip().contains(other), qPrintable(s.w->cmdButton[i]->toolTip()));
        }
        QVERIFY(s.w->cmdButton[0]->toolTip().isEmpty());
        QCOMPARE(s.w->cmdButton[0]->palette().color(QPalette::ButtonText), normal);

        // Still saved: the game may accept it.
        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        QCOMPARE(readRaw(s.controls()).at(3), char(57));
        QCOMPARE(s.dialogs.texts(), QStringList{kSaved});

        s.releaseOver(s.w->cmdButton[3]);
        s.key(Qt::Key_X, true);
        s.key(Qt::Key_X, false);
        QVERIFY(s.w->cmdButton[2]->toolTip().isEmpty());
        QCOMPARE(s.w->cmdButton[2]->palette().color(QPalette::ButtonText), normal);
    }

    void aFailedSaveSaysWhyAndKeepsTheOldFile()
    {
        Setup s;
        QByteArray old = kDefaultBytes;
        old[0] = char(30);
        writeRaw(s.controls(), old);
        QVERIFY(s.start());
        s.w->SetKey(0, DXKeyboard::Key_A);
        vt::setReplaceFaultForTesting(4);
        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        vt::setReplaceFaultForTesting(std::nullopt);
        QCOMPARE(readRaw(s.controls()), old);
        QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(s.dialogs.shown[0].title, kSetup);
        QVERIFY(s.dialogs.shown[0].text.startsWith(QStringLiteral("The key configuration could not be saved: ")));
        QVERIFY(s.dialogs.shown[0].text.size() > 45);  // with the reason
        QVERIFY(!s.dialogs.texts().contains(kSaved));
    }

    void closingAsksOnlyAboutUnsavedChanges()
    {
        Setup s;
        writeRaw(s.controls(), kDefaultBytes);
        QVERIFY(s.start());
        QVERIFY(s.w->close());  // nothing changed: nothing asked
        QVERIFY(s.dialogs.shown.empty());

        // A key changed and changed back is no change.
        s.w->show();
        s.w->SetKey(0, DXKeyboard::Key_A);
        s.w->SetKey(0, DXKeyboard::Key_Z);
        QVERIFY(s.w->close());
        QVERIFY(s.dialogs.shown.empty());

        s.w->show();
        s.w->SetKey(0, DXKeyboard::Key_A);
        s.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        QVERIFY(!s.w->close());
        QVERIFY(s.w->isVisible());
        QCOMPARE(s.dialogs.shown.back().title, kSetup);
        QCOMPARE(s.dialogs.shown.back().text, QStringLiteral("Save changes?"));
        QCOMPARE(s.dialogs.shown.back().buttons, vt::Dialogs::Buttons::YesNoCancel);

        // Yes with a save that fails keeps the program open, the file as it was.
        s.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        vt::setReplaceFaultForTesting(4);
        const bool closed = s.w->close();
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!closed);
        QVERIFY(s.dialogs.texts().last().startsWith(QStringLiteral("The key configuration could not be saved")));
        QCOMPARE(readRaw(s.controls()), kDefaultBytes);

        s.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        QVERIFY(s.w->close());
        QCOMPARE(s.dialogs.texts().last(), kSaved);
        QCOMPARE(readRaw(s.controls()).at(2), char(DXKeyboard::Key_A));

        // Saved: closing asks nothing; No drops a later change.
        s.w->show();
        QVERIFY(!s.w->document().isModified());
        s.w->SetKey(5, DXKeyboard::Key_Q);
        s.dialogs.answers.push_back(FakeDialogs::Answer::No);
        QVERIFY(s.w->close());
        QCOMPARE(readRaw(s.controls()).at(5), char(DXKeyboard::Key_P));
        QVERIFY(s.dialogs.unexpected.isEmpty());
    }

    // The windows show the document's record whoever changes it.
    void windowsRedrawFromTheDocument()
    {
        SKIP_IF_REAL_JOYSTICK();
        VirtualJoystick stick(2);
        QVERIFY2(stick.ok(), qPrintable(stick.error()));
        Setup s;
        QVERIFY(s.start());
        QTest::mouseClick(s.w->cmdJoy, Qt::LeftButton);
        frmJoystick *j = s.w->joystickWindow();
        QVERIFY(j);
        ControlsDocument &doc = s.w->document();
        QVERIFY(doc.setKey(8, DXKeyboard::Key_A));
        QCOMPARE(s.w->cmdButton[8]->text(), QStringLiteral("A"));
        QVERIFY(doc.setJoyButton(2, 7));
        QCOMPARE(j->cmdButton[2]->text(), QStringLiteral("7"));
        QVERIFY(doc.setSensitivity(1, 4000));
        QCOMPARE(j->scrSensitivity[1]->value(), 1000);
        QCOMPARE(j->threshold(1), 4000);

        // A file read again puts every row back.
        QVERIFY(!doc.load(s.controls()).ok());  // none yet: the defaults
        QCOMPARE(s.w->cmdButton[8]->text(), QStringLiteral("LEFT"));
        QCOMPARE(j->cmdButton[2]->text(), QStringLiteral("3"));
        QCOMPARE(j->scrSensitivity[1]->value(), 1500);
        j->close();
        QTRY_VERIFY(s.w->joystickWindow() == nullptr);
        QVERIFY(s.w->close());
        QVERIFY(s.dialogs.shown.empty());
    }

    void keysWithACodeButNoNameAreCaptured()
    {
        Setup s;
        QVERIFY(s.start());
        // The "<>" key of European keyboards (evdev 86) and Print Screen (evdev 99, SYSRQ 183),
        // as the X server's native scan codes give them.
        const std::pair<quint32, quint8> keys[] = {{86 + 8, 86}, {99 + 8, 183}};
        for (const auto &[native, code] : keys) {
            s.releaseOver(s.w->cmdButton[0]);
            s.w->gKeyboard.keyEvent(native, true, 0, Qt::NoModifier, true);
            QCOMPARE(s.w->capturingAction(), -1);
            QCOMPARE(s.w->document().gControls().KeyJump, code);
            QCOMPARE(s.w->cmdButton[0]->text(), QStringLiteral("Key %1").arg(code));
            s.w->gKeyboard.keyEvent(native, true, 0, Qt::NoModifier, false);
        }
        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        QCOMPARE(readRaw(s.controls()).at(2), char(183));

        // A file naming such a key shows it the same way.
        Setup again;
        QByteArray bytes = kDefaultBytes;
        bytes[5] = char(86);
        writeRaw(again.controls(), bytes);
        QVERIFY(again.start());
        QCOMPARE(again.w->cmdButton[5]->text(), QStringLiteral("Key 86"));
    }

    void aKeyboardThatCannotBeSetUpEndsTheProgram()
    {
        Setup s;
        DXKeyboard::setInitializeFaultForTesting(QStringLiteral("the keyboard is gone"));
        const bool started = s.start();
        DXKeyboard::setInitializeFaultForTesting(std::nullopt);
        QVERIFY(!started);
        QVERIFY(!s.w->isVisible());
        QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(s.dialogs.shown[0].title, kSetup);
        QCOMPARE(s.dialogs.shown[0].icon, vt::Dialogs::Icon::Critical);
        QVERIFY(s.dialogs.shown[0].text.contains(QStringLiteral("keyboard could not be set up: the keyboard is gone")));
        QVERIFY(s.dialogs.shown[0].text.contains(QStringLiteral("will close")));
    }

    // Once the program loses the focus no key release reaches it: held keys count as let go.
    void keysAreReleasedWhenTheProgramLosesTheFocus()
    {
        Setup s;
        QVERIFY(s.start());
        s.key(Qt::Key_Shift, true);
        QVERIFY(s.w->gKeyboard.IsDown(DXKeyboard::Key_LSHIFT));
        QEvent deactivate(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(qApp, &deactivate);
        QVERIFY(!s.w->gKeyboard.IsDown(DXKeyboard::Key_LSHIFT));
        s.releaseOver(s.w->cmdButton[0]);
        QCOMPARE(s.w->capturingAction(), 0);  // not taken as held
        s.key(Qt::Key_Escape, true);
        s.key(Qt::Key_Escape, false);
    }

    void joystickWindow()
    {
        SKIP_IF_REAL_JOYSTICK();
        VirtualJoystick stick(4);
        QVERIFY2(stick.ok(), qPrintable(stick.error()));
        Setup s;
        QVERIFY(s.start());
        QVERIFY(s.w->cmdJoy->isEnabled());
        QTest::mouseClick(s.w->cmdJoy, Qt::LeftButton);
        QVERIFY(s.w->bJoyWindowBusy);
        frmJoystick *j = s.w->joystickWindow();
        QVERIFY(j && j->isVisible() && j->running());
        QCOMPARE(j->windowTitle(), QStringLiteral("Configure Joystick"));
        // Both windows carry the program's own icon, not the toolkit's.
        QVERIFY(!s.w->windowIcon().isNull());
        QCOMPARE(j->windowIcon().pixmap(32).toImage(), s.w->windowIcon().pixmap(32).toImage());
        QCOMPARE(j->Frame1->title(), QStringLiteral("Joystick Sensitivity"));
        QCOMPARE(j->Frame2->title(), QStringLiteral("Button Configuration"));
        QCOMPARE(j->lblAxis[0]->text(), QStringLiteral("X-Axis"));
        QCOMPARE(j->scrSensitivity[0]->maximum(), 5000);
        QCOMPARE(j->scrSensitivity[0]->value(), 2500);
        QCOMPARE(j->scrSensitivity[1]->value(), 1500);
        QStringList buttons;
        for (QPushButton *b : j->cmdButton)
            buttons.append(b->text());
        QCOMPARE(buttons, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                       QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}));

        // The test lights an axis past its threshold: X 2500, Y 3500. It runs on its own timer.
        const QColor red(255, 0, 0), black(0, 0, 0);
        QCOMPARE(textColour(j->lblAxis[0]), black);
        stick.axis(0, 20000);   // reads 2917
        stick.axis(1, -20000);  // reads -2917
        QTRY_COMPARE_WITH_TIMEOUT(textColour(j->lblAxis[0]), red, 2000);
        QCOMPARE(textColour(j->lblAxis[1]), black);
        stick.axis(0, 17203);  // reads 2500: not past 2500
        j->poll();
        QCOMPARE(s.w->gJoystick.XAxis(), 2500);
        QCOMPARE(textColour(j->lblAxis[0]), black);

        // The X bar at 5000 makes the threshold 0: anything outside the dead zone lights.
        j->scrSensitivity[0]->setValue(5000);
        QCOMPARE(s.w->document().gControls().iSensX, 0);
        QCOMPARE(j->threshold(0), 0);
        stick.axis(0, 3000);  // inside the dead zone
        j->poll();
        QCOMPARE(textColour(j->lblAxis[0]), black);
        stick.axis(0, -4000);  // reads -130
        j->poll();
        QCOMPARE(textColour(j->lblAxis[0]), red);
        j->scrSensitivity[1]->setValue(4000);
        QCOMPARE(s.w->document().gControls().iSensY, 1000);
        j->poll();
        QCOMPARE(textColour(j->lblAxis[1]), red);

        // Holding joystick button 4 while releasing the mouse over "Pause" assigns 4.
        QTest::mouseClick(j->cmdButton[5], Qt::LeftButton);  // nothing held: no change
        QCOMPARE(j->cmdButton[5]->text(), QStringLiteral("6"));
        stick.button(3, true);
        j->poll();
        QTest::mouseClick(j->cmdButton[5], Qt::LeftButton);
        QCOMPARE(j->cmdButton[5]->text(), QStringLiteral("4"));
        QCOMPARE(s.w->document().gControls().JoyPause, 4);
        QCOMPARE(j->focusWidget(), j->cmdSacrifice);
        stick.button(3, false);

        // The main window cannot be closed while the joystick window runs.
        QVERIFY(!s.w->close());
        QVERIFY(s.w->isVisible());
        QVERIFY(j->close() == false);  // closing ends the test and hides the window
        QVERIFY(!j->isVisible());
        QVERIFY(!j->running());
        QVERIFY(!s.w->bJoyWindowBusy);
        QTRY_VERIFY(s.w->joystickWindow() == nullptr);

        QTest::mouseClick(s.w->Command1, Qt::LeftButton);
        QByteArray expected = kDefaultBytes;
        expected[11] = char(4);
        expected.replace(17, 4, QByteArray::fromHex("0000 e803"));
        QCOMPARE(readRaw(s.controls()), expected);
        QVERIFY(s.w->close());
    }

    // Thresholds beyond what the bars show: the value in force is never hidden or rewritten
    // without a word.
    void sensitivitiesOutsideTheBarsAreBroughtInKnowingly()
    {
        SKIP_IF_REAL_JOYSTICK();
        VirtualJoystick stick(2);
        QVERIFY2(stick.ok(), qPrintable(stick.error()));
        Setup s;
        QByteArray bytes = kDefaultBytes;
        bytes.replace(17, 4, QByteArray::fromHex("3075 9cff"));  // X 30000, Y -100
        writeRaw(s.controls(), bytes);
        QVERIFY(s.start());
        // Not shown yet, so nothing changes: the file's values stay in force.
        QCOMPARE(s.w->document().gControls().iSensX, 30000);
        QCOMPARE(s.w->document().gControls().iSensY, -100);
        QVERIFY(!s.w->document().isModified());

        QTest::mouseClick(s.w->cmdJoy, Qt::LeftButton);
        frmJoystick *j = s.w->joystickWindow();
        QVERIFY(j);
        QCOMPARE(s.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(s.dialogs.shown[0].title, kSetup);
        const QString told = s.dialogs.shown[0].text;
        QVERIFY2(told.contains(QStringLiteral("X-Axis: 30000 is now 5000")), qPrintable(told));
        QVERIFY2(told.contains(QStringLiteral("Y-Axis: -100 is now 0")), qPrintable(told));
        QCOMPARE(s.w->document().gControls().iSensX, 5000);
        QCOMPARE(s.w->document().gControls().iSensY, 0);
        QCOMPARE(j->threshold(0), 5000);
        QCOMPARE(j->threshold(1), 0);
        QCOMPARE(j->scrSensitivity[0]->value(), 0);
        QCOMPARE(j->scrSensitivity[1]->value(), 5000);
        QVERIFY(s.w->document().isModified());
        // The Y threshold 0 lights its label as soon as the stick leaves the dead zone.
        stick.axis(1, -20000);
        j->poll();
        QCOMPARE(textColour(j->lblAxis[1]), QColor(255, 0, 0));

        j->close();
        QTRY_VERIFY(s.w->joystickWindow() == nullptr);
        s.dialogs.answers.push_back(FakeDialogs::Answer::No);
        QVERIFY(s.w->close());
        QCOMPARE(s.dialogs.texts().last(), QStringLiteral("Save changes?"));
        QCOMPARE(readRaw(s.controls()), bytes);
    }
};

QTEST_MAIN(tst_keyvane_windows)
#include "tst_keyvane_windows.moc"
