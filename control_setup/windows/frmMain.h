#pragma once

#include "input/Actions.h"
#include "input/DXJoystick.h"
#include "input/DXKeyboard.h"
#include "frmJoystick.h"

#include <QPointer>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace vt {
class Dialogs;
}

namespace keyvane {

// The control setup's main window: the key of each action, "Save", and the way into the
// joystick window. A key is assigned by releasing the mouse over its button and pressing it.
class frmMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmMain() override;

    // Loads the controls, sets the devices up and shows the window. False when the program
    // is to end (the keyboard could not be set up; the user has been told).
    bool start();

    QString controlsFile() const;
    void ShowKeyNames();

    // The one edit of the key assignments.
    void SetKey(int action, quint8 bKeycode);

    // Key capture: waits for the next key press (keys already held count); the lowest held
    // code wins, ESCAPE cancels. Ends by a key event, never by waiting in a loop.
    void beginCapture(int action);
    int capturingAction() const { return m_capture; }

    // "Save"; false (and told) when the file was not written.
    bool saveControls();
    void configureJoystick();  // "Configure Joystick"
    // The settings differ from what Controls.qzc held when it was loaded or last saved.
    bool isModified() const { return !(mInput::gControls == m_saved); }
    frmJoystick *joystickWindow() const { return m_joystickWindow; }

    DXKeyboard gKeyboard;
    DXJoystick gJoystick;
    bool bJoyWindowBusy = false;

    QGroupBox *Frame1 = nullptr;
    QLabel *Label[kActionCount] = {};
    QPushButton *cmdButton[kActionCount] = {};
    QPushButton *Command1 = nullptr;
    QPushButton *cmdJoy = nullptr;
    QPushButton *cmdSacrifice = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tryFinishCapture();
    void unusableKeyPressed();
    void joystickWindowClosed();
    // Brings thresholds from the file that the bars cannot show into their range, and says
    // so: the change is then one the user sees and saves knowingly.
    void clampSensitivities();

    QString m_appPath;
    vt::Dialogs &m_dialogs;
    int m_capture = -1;
    QPointer<frmJoystick> m_joystickWindow;
    ControlConfig m_saved;  // as loaded or last saved
};

} // namespace keyvane
