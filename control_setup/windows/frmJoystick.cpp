#include "frmJoystick.h"

#include "documents/ControlsDocument.h"
#include "input/DXJoystick.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>

namespace keyvane {

namespace {

constexpr int kFullDeflection = ControlsDocument::kMaxThreshold;
constexpr int kTextWidth = 236;

QLabel *helpText(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setFixedWidth(kTextWidth);
    return l;
}

} // namespace

frmJoystick::frmJoystick(ControlsDocument &document, DXJoystick &joystick, QWidget *parent)
    : QWidget(parent, Qt::Window), m_document(document), m_joystick(joystick)
{
    setObjectName(QStringLiteral("frmJoystick"));
    setWindowTitle(QStringLiteral("Configure Joystick"));

    Frame1 = new QGroupBox(QStringLiteral("Joystick Sensitivity"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *bars = new QGridLayout(Frame1);
    const QString axisNames[2] = {QStringLiteral("X-Axis"), QStringLiteral("Y-Axis")};
    for (int axis = 0; axis < 2; ++axis) {
        lblAxis[axis] = new QLabel(axisNames[axis], Frame1);
        lblAxis[axis]->setObjectName(QStringLiteral("lblAxis_%1").arg(axis));
        scrSensitivity[axis] = new QScrollBar(Qt::Horizontal, Frame1);
        scrSensitivity[axis]->setObjectName(QStringLiteral("scrSensitivity_%1").arg(axis));
        scrSensitivity[axis]->setRange(0, kFullDeflection);
        scrSensitivity[axis]->setSingleStep(50);
        scrSensitivity[axis]->setPageStep(500);
        scrSensitivity[axis]->setMinimumWidth(160);
        bars->addWidget(lblAxis[axis], axis, 0);
        bars->addWidget(scrSensitivity[axis], axis, 1);
        connect(scrSensitivity[axis], &QScrollBar::valueChanged, this,
                [this, axis](int value) { SetSensitivity(axis, kFullDeflection - value); });
    }
    bars->addWidget(helpText(QStringLiteral("To test sensitivity move the joystick and the text above "
                                            "will light up when a direction has been activated."),
                             Frame1),
                    2, 0, 1, 2);

    Frame2 = new QGroupBox(QStringLiteral("Button Configuration"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto *rows = new QGridLayout(Frame2);
    rows->setVerticalSpacing(3);
    for (int i = 0; i < kJoyActionCount; ++i) {
        Label[i] = new QLabel(ActionName(i), Frame2);
        Label[i]->setObjectName(QStringLiteral("Label_%1").arg(i));
        cmdButton[i] = new QPushButton(Frame2);
        cmdButton[i]->setObjectName(QStringLiteral("cmdButton_%1").arg(i));
        cmdButton[i]->setFixedWidth(60);
        cmdButton[i]->installEventFilter(this);
        rows->addWidget(Label[i], i, 0);
        rows->addWidget(cmdButton[i], i, 1);
    }
    rows->addWidget(helpText(QStringLiteral("To change the button assigned to a particular task, hold "
                                            "the button on the joystick down that you wish to assign "
                                            "while clicking the button beside the task you want that "
                                            "button to be assigned to."),
                             Frame2),
                    kJoyActionCount, 0, 1, 2);

    cmdSacrifice = new QPushButton(this);
    cmdSacrifice->setObjectName(QStringLiteral("cmdSacrifice"));
    cmdSacrifice->setFixedSize(1, 1);
    cmdSacrifice->setFlat(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addWidget(cmdSacrifice);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // A short period keeps the labels live without the busy loop a polled device invites.
    tmrPoll = new QTimer(this);
    tmrPoll->setObjectName(QStringLiteral("tmrPoll"));
    tmrPoll->setTimerType(Qt::PreciseTimer);
    tmrPoll->setInterval(kPollMs);
    connect(tmrPoll, &QTimer::timeout, this, &frmJoystick::poll);

    connect(&m_document, &ControlsDocument::sensitivityChanged, this, &frmJoystick::ShowJoystickSettings);
    connect(&m_document, &ControlsDocument::joyButtonChanged, this, &frmJoystick::ShowJoystickSettings);
    connect(&m_document, &ControlsDocument::documentReplaced, this, &frmJoystick::ShowJoystickSettings);
}

frmJoystick::~frmJoystick() = default;

void frmJoystick::RunMe()
{
    m_running = true;
    ShowJoystickSettings();
    poll();
    tmrPoll->start();
}

void frmJoystick::ShowJoystickSettings()
{
    const ControlConfig &c = m_document.gControls();
    m_threshold[0] = c.iSensX;
    m_threshold[1] = c.iSensY;
    // Setting a bar runs its change handler, which comes back here with the same values.
    for (int axis = 0; axis < 2; ++axis)
        scrSensitivity[axis]->setValue(kFullDeflection - m_threshold[axis]);
    for (int i = 0; i < kJoyActionCount; ++i)
        cmdButton[i]->setText(QString::number(JoyButtonOf(c, i)));
    colourAxisLabels();
}

void frmJoystick::SetSensitivity(int axis, int threshold)
{
    m_document.setSensitivity(axis == 0 ? 0 : 1, threshold);
}

void frmJoystick::SetJoyButton(int action, quint8 button)
{
    m_document.setJoyButton(action, button);
}

void frmJoystick::poll()
{
    m_joystick.Update();
    colourAxisLabels();
}

void frmJoystick::colourAxisLabels()
{
    const int position[2] = {m_joystick.XAxis(), m_joystick.YAxis()};
    for (int axis = 0; axis < 2; ++axis) {
        const bool active = m_threshold[axis] < std::abs(position[axis]);
        QPalette palette = lblAxis[axis]->palette();
        palette.setColor(QPalette::WindowText, active ? QColor(255, 0, 0) : QColor(0, 0, 0));
        lblAxis[axis]->setPalette(palette);
    }
}

void frmJoystick::assignHeldButton(int action)
{
    // The states are those of the latest poll.
    const int count = std::min<int>(m_joystick.ButtonCount(), 255);
    for (int b = 1; b <= count; ++b) {
        if (m_joystick.ButtonDown(b)) {
            SetJoyButton(action, quint8(b));
            break;
        }
    }
    cmdSacrifice->setFocus(Qt::OtherFocusReason);
}

void frmJoystick::closeEvent(QCloseEvent *event)
{
    if (!m_running) {
        event->accept();
        return;
    }
    // The owner ends this window once the test has stopped.
    event->ignore();
    m_running = false;
    tmrPoll->stop();
    hide();
    Q_EMIT finished();
}

bool frmJoystick::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < kJoyActionCount; ++i) {
            if (watched != cmdButton[i])
                continue;
            const auto *m = static_cast<QMouseEvent *>(event);
            if (cmdButton[i]->rect().contains(m->position().toPoint()))
                assignHeldButton(i);
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace keyvane
