#include "frmMain.h"

#include "ProgramIcon.h"
#include "frmJoystick.h"

#include "Dialogs.h"
#include "Paths.h"
#include "Recovery.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace keyvane {

namespace {

const QString kSetupTitle = QStringLiteral("Vantaro Setup");
const QString kCaption = QStringLiteral("Vantaro Control Setup");
// Rows from top to bottom, as action indexes: the directions first.
constexpr int kRowOrder[kActionCount] = {6, 7, 8, 9, 0, 1, 2, 3, 4, 5};

} // namespace

frmMain::frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_appPath(std::move(appPath)), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(ProgramIcon());  // the joystick window, a window of this one, shows it too
    // The title ends with '*' while there are changes to save.
    setWindowTitle(kCaption + QStringLiteral("[*]"));

    Frame1 = new QGroupBox(QStringLiteral("Key Configuration"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *rows = new QGridLayout(Frame1);
    rows->setVerticalSpacing(3);
    for (int row = 0; row < kActionCount; ++row) {
        const int i = kRowOrder[row];
        Label[i] = new QLabel(ActionName(i), Frame1);
        Label[i]->setObjectName(QStringLiteral("Label_%1").arg(i));
        cmdButton[i] = new QPushButton(Frame1);
        cmdButton[i]->setObjectName(QStringLiteral("cmdButton_%1").arg(i));
        cmdButton[i]->setMinimumWidth(110);
        cmdButton[i]->installEventFilter(this);
        rows->addWidget(Label[i], row, 0);
        rows->addWidget(cmdButton[i], row, 1);
    }
    rows->setColumnStretch(1, 1);  // room the title needs goes to the key buttons

    Command1 = new QPushButton(QStringLiteral("Save"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    cmdJoy = new QPushButton(QStringLiteral("Configure Joystick"), this);
    cmdJoy->setObjectName(QStringLiteral("cmdJoy"));
    cmdJoy->setEnabled(false);
    // Holds the keyboard focus while a key is captured, so that the key operates nothing.
    cmdSacrifice = new QPushButton(this);
    cmdSacrifice->setObjectName(QStringLiteral("cmdSacrifice"));
    cmdSacrifice->setFixedSize(1, 1);
    cmdSacrifice->setFlat(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(cmdJoy);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    layout->addWidget(cmdSacrifice);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The window system writes the title beside the window's icon and buttons, in a bold
    // face of its own choosing: the window is made wide enough for the whole caption and the
    // change mark in a bold face of the program's, with room for four title-bar squares.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    const int titleWidth = title.horizontalAdvance(kCaption + QLatin1Char('*')) * 5 / 4
                           + 4 * (title.height() + 8);
    const QMargins margins = layout->contentsMargins();
    Frame1->setMinimumWidth(titleWidth - margins.left() - margins.right());

    connect(Command1, &QPushButton::clicked, this, &frmMain::saveControls);
    connect(cmdJoy, &QPushButton::clicked, this, &frmMain::configureJoystick);
    connect(&gKeyboard, &DXKeyboard::keyChanged, this, [this](quint8, bool down) {
        if (down)
            tryFinishCapture();
    });
    connect(&gKeyboard, &DXKeyboard::unknownKeyPressed, this, &frmMain::unusableKeyPressed);
    connect(&m_document, &ControlsDocument::actionKeyChanged, this, &frmMain::ShowKeyNames);
    connect(&m_document, &ControlsDocument::documentReplaced, this, &frmMain::ShowKeyNames);
    connect(&m_document, &ControlsDocument::modifiedChanged, this, &QWidget::setWindowModified);
}

frmMain::~frmMain() = default;

QString frmMain::controlsFile() const
{
    return vt::resolvePath(vt::joinPath(m_appPath, QStringLiteral("Controls.qzc")));
}

bool frmMain::start()
{
    bJoyWindowBusy = false;
    // A missing or unreadable file gives the defaults, silently: a first start has none.
    (void)m_document.load(controlsFile());  // shows the key names

    const vt::Status keyboard = gKeyboard.Initialize(this);
    if (!keyboard.ok()) {
        m_dialogs.message(this, kSetupTitle,
                          QStringLiteral("The keyboard could not be set up: %1.\n"
                                         "%2 cannot read keys and will close.")
                              .arg(keyboard.error(), kCaption),
                          vt::Dialogs::Icon::Critical);
        return false;
    }
    gJoystick.Initialize(this);
    cmdJoy->setEnabled(gJoystick.JoystickPresent());
    show();
    return true;
}

void frmMain::startRecovery()
{
    if (m_recording)
        return;
    m_recording = true;
    connect(&m_document, &ControlsDocument::journalFailed, this, &frmMain::recoveryOff);
    m_document.recordTo(vt::recoveryFolder(m_appPath));
    // What was recorded reaches the disk before the user turns to another program.
    vt::syncJournalsWhenInactive(this);
    QMetaObject::invokeMethod(this, &frmMain::offerRecovery, Qt::QueuedConnection);
}

void frmMain::offerRecovery()
{
    const QString untitled = QStringLiteral("Controls.qzc");
    for (const vt::FoundJournal &journal : vt::leftJournalsOf(vt::recoveryFolder(m_appPath), QStringLiteral("keyvane"),
                                                              QStringLiteral("controls"), controlsFile())) {
        if (vt::offerRecovery(m_dialogs, this, kSetupTitle, journal, untitled) != vt::RecoveryAnswer::Recover)
            continue;
        // Edits made since the start would be mixed in: the journal waits for the next start.
        if (m_document.isModified())
            return;
        bool complete = true;
        const qsizetype replayed = m_document.replay(journal.contents.records, &complete);
        vt::retireJournal(journal.path, m_document.journalPath(), m_document.isModified());
        const QString shortfall = vt::recoveryShortfall(journal, replayed, complete, untitled);
        if (!shortfall.isEmpty())
            m_dialogs.message(this, kSetupTitle, shortfall, vt::Dialogs::Icon::Warning);
        return;
    }
}

void frmMain::recoveryOff(const QString &why)
{
    if (m_toldRecoveryOff)
        return;
    m_toldRecoveryOff = true;
    m_dialogs.message(this, kSetupTitle,
                      vt::recoveryOffText(m_document.fileName(), QStringLiteral("Controls.qzc"), why)
                          + QStringLiteral("\n\nEditing goes on; save to keep your changes."),
                      vt::Dialogs::Icon::Warning);
}

void frmMain::ShowKeyNames()
{
    const ControlConfig &c = m_document.gControls();
    for (int i = 0; i < kActionCount; ++i) {
        if (i == m_capture)
            continue;  // still shows "press a key"
        QPushButton *b = cmdButton[i];
        const quint8 key = KeyOf(c, i);
        b->setText(DXKeyboard::keyLabel(key));
        // A key given to two actions is allowed (the game may accept it) but marked, so
        // that it is not done by mistake.
        QStringList others;
        for (int j = 0; j < kActionCount; ++j) {
            if (j != i && KeyOf(c, j) == key)
                others.append(QStringLiteral("\u201C%1\u201D").arg(ActionName(j)));
        }
        QPalette palette = b->palette();
        if (others.isEmpty()) {
            palette.setColor(QPalette::ButtonText, QWidget::palette().color(QPalette::ButtonText));
            b->setToolTip(QString());
        } else {
            palette.setColor(QPalette::ButtonText, QColor(192, 0, 0));
            b->setToolTip(QStringLiteral("This key is also assigned to %1.")
                              .arg(others.join(QStringLiteral(", "))));
        }
        b->setPalette(palette);
    }
}

bool frmMain::SetKey(int action, quint8 bKeycode)
{
    return m_document.setKey(action, bKeycode);
}

void frmMain::beginCapture(int action)
{
    if (action < 0 || action >= kActionCount)
        return;
    m_capture = action;
    cmdSacrifice->setFocus(Qt::OtherFocusReason);
    ShowKeyNames();  // a capture started on another row gives that row its name back
    cmdButton[action]->setText(QStringLiteral("press a key"));
    cmdButton[action]->setToolTip(QString());
    cmdButton[action]->setPalette(QWidget::palette());
    tryFinishCapture();
}

void frmMain::tryFinishCapture()
{
    if (m_capture < 0)
        return;
    // Codes above DELETE (211) are never captured.
    for (int code = 1; code <= DXKeyboard::Key_DELETE; ++code) {
        if (!gKeyboard.IsDown(quint8(code)))
            continue;
        const int action = m_capture;
        m_capture = -1;
        // The row shows its key's name again, the new one or, unchanged, the old one.
        if (code == DXKeyboard::Key_ESCAPE || !SetKey(action, quint8(code)))
            ShowKeyNames();
        return;
    }
}

void frmMain::unusableKeyPressed()
{
    if (m_capture < 0)
        return;
    QPushButton *b = cmdButton[m_capture];
    b->setText(QStringLiteral("A-Z, 0-9, F1-F12..."));
    b->setToolTip(QStringLiteral("That key cannot be used. Keys that can: the letters, the digits, "
                                 "F1 to F12, Space, Return, Backspace, Tab, the Shift, Ctrl and Alt "
                                 "keys, the arrows, Insert, Delete, Home, End, Page Up, Page Down, "
                                 "Pause, the keypad and the punctuation keys. Escape cancels."));
}

bool frmMain::saveControls()
{
    const vt::Status s = m_document.save();
    if (!s.ok()) {
        m_dialogs.message(this, kSetupTitle,
                          QStringLiteral("The key configuration could not be saved: %1").arg(s.error()),
                          vt::Dialogs::Icon::Warning);
        return false;
    }
    m_dialogs.message(this, kSetupTitle, QStringLiteral("Key configuration saved to disk!"));
    return true;
}

void frmMain::clampSensitivities()
{
    QStringList clamped;
    for (const ControlsDocument::SensitivityClamp &c : m_document.clampSensitivities())
        clamped.append(QStringLiteral("%1: %2 is now %3")
                           .arg(c.axis == 0 ? QStringLiteral("X-Axis") : QStringLiteral("Y-Axis"))
                           .arg(c.from)
                           .arg(c.to));
    if (clamped.isEmpty())
        return;
    m_dialogs.message(this, kSetupTitle,
                      QStringLiteral("The joystick sensitivity in Controls.qzc was outside 0 to %1, the "
                                     "range the game's stick can reach, and has been brought into it:\n%2\n\n"
                                     "Save to keep the new value; close without saving to keep the file as "
                                     "it is.")
                          .arg(ControlsDocument::kMaxThreshold)
                          .arg(clamped.join(QLatin1Char('\n'))),
                      vt::Dialogs::Icon::Information);
}

void frmMain::configureJoystick()
{
    if (m_joystickWindow) {
        m_joystickWindow->raise();
        m_joystickWindow->activateWindow();
        return;
    }
    if (!gJoystick.JoystickPresent())
        return;
    clampSensitivities();
    bJoyWindowBusy = true;
    m_joystickWindow = new frmJoystick(m_document, gJoystick, this);
    connect(m_joystickWindow, &frmJoystick::finished, this, &frmMain::joystickWindowClosed);
    m_joystickWindow->show();
    m_joystickWindow->RunMe();
}

void frmMain::joystickWindowClosed()
{
    if (m_joystickWindow)
        m_joystickWindow->deleteLater();
    m_joystickWindow = nullptr;
    bJoyWindowBusy = false;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The joystick window edits the same settings and is ended by its own closing.
    if (bJoyWindowBusy) {
        event->ignore();
        return;
    }
    if (m_document.isModified()
        && !vt::askToSaveChanges(m_dialogs, this, kSetupTitle, QStringLiteral("Save changes?"),
                                 [this] { return saveControls(); })) {
        event->ignore();
        return;
    }
    m_document.discardJournal();  // saved, or given up: nothing to recover
    event->accept();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < kActionCount; ++i) {
            if (watched != cmdButton[i])
                continue;
            const auto *m = static_cast<QMouseEvent *>(event);
            if (cmdButton[i]->rect().contains(m->position().toPoint()))
                beginCapture(i);
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace keyvane
