#pragma once

#include "input/Actions.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QTimer;

namespace keyvane {

class ControlsDocument;
class DXJoystick;

// The joystick window: how far the stick must be pushed for a direction to count, with a
// live test, and the joystick button of each of the first six actions.
class frmJoystick final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmJoystick)

public:
    frmJoystick(ControlsDocument &document, DXJoystick &joystick, QWidget *parent = nullptr);
    ~frmJoystick() override;

    // Shows the settings and starts the joystick test, which polls on a timer until the
    // window is closed; finished() then tells the owner.
    void RunMe();
    bool running() const { return m_running; }

    void ShowJoystickSettings();
    // One pass of the test: poll, then light the axis labels past their thresholds.
    void poll();

    // The two edits this window makes to the settings.
    void SetSensitivity(int axis, int threshold);  // axis 0 X, 1 Y
    void SetJoyButton(int action, quint8 button);

    qint16 threshold(int axis) const { return m_threshold[axis == 0 ? 0 : 1]; }

    static constexpr int kPollMs = 10;

    QGroupBox *Frame1 = nullptr;
    QScrollBar *scrSensitivity[2] = {};
    QLabel *lblAxis[2] = {};
    QGroupBox *Frame2 = nullptr;
    QLabel *Label[kJoyActionCount] = {};
    QPushButton *cmdButton[kJoyActionCount] = {};
    QPushButton *cmdSacrifice = nullptr;
    QTimer *tmrPoll = nullptr;

Q_SIGNALS:
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void colourAxisLabels();
    void assignHeldButton(int action);

    ControlsDocument &m_document;
    DXJoystick &m_joystick;
    bool m_running = false;
    qint16 m_threshold[2] = {0, 0};
};

} // namespace keyvane
