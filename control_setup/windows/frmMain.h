#pragma once

#include "documents/ControlsDocument.h"
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
// The window owns the controls document, which both windows edit and redraw from.
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

    // The one edit of the key assignments; false when it changed nothing.
    bool SetKey(int action, quint8 bKeycode);

    // Key capture: waits for the next key press (keys already held count); the lowest held
    // code wins, ESCAPE cancels. Ends by a key event, never by waiting in a loop.
    void beginCapture(int action);
    int capturingAction() const { return m_capture; }

    // Records the unsaved changes from now on in the game folder's recovery folder, and once
    // the window is up offers what an earlier run left for the controls file.
    void startRecovery();
    void offerRecovery();

    // "Save"; false (and told) when the file was not written.
    bool saveControls();
    void configureJoystick();  // "Configure Joystick"
    ControlsDocument &document() { return m_document; }
    const ControlsDocument &document() const { return m_document; }
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
    // Brings thresholds from the file that the bars cannot show into their range, and says so.
    void clampSensitivities();

    void recoveryOff(const QString &why);

    ControlsDocument m_document;
    QString m_appPath;
    vt::Dialogs &m_dialogs;
    int m_capture = -1;
    QPointer<frmJoystick> m_joystickWindow;
    bool m_recording = false;
    bool m_toldRecoveryOff = false;
};

} // namespace keyvane
