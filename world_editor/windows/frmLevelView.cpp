#include "frmLevelView.h"

#include "documents/WorldDocument.h"

#include "area/oLevel.h"
#include "world/LevelField.h"
#include "world/mCommon.h"

#include "AnsiText.h"
#include "Paths.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

#include <functional>
#include <optional>

namespace tessaforge {

namespace {

// The exit styles were symbol-font characters drawn as arrows and a square; the list index
// is what the record keeps.
const char16_t *const kExitStyleGlyphs[frmLevelView::kExitStyles] = {u"\u25C0", u"\u25B6", u"\u25B2",
                                                                     u"\u25BC", u"\u25A0"};
const char *const kExitStyleNames[frmLevelView::kExitStyles] = {"left", "right", "up", "down", "door"};
const char *const kScrollCaptions[frmLevelView::kScrollModes] = {"Follow", "Right", "Left", "Up", "Down"};

std::optional<qint32> wholeNumber(const QString &text, qint32 min, qint32 max)
{
    bool ok = false;
    const qint32 value = text.trimmed().toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

// Stores the text into a 16-bit field when it is a whole number that fits; otherwise the
// field keeps its value. False when the text was not stored.
bool storeInt16(const QLineEdit *box, qint16 &field)
{
    const auto v = wholeNumber(box->text(), -32768, 32767);
    if (v)
        field = static_cast<qint16>(*v);
    return v.has_value();
}

// Lets a box hold only what its field can take: a keystroke that would make a number
// outside the range, or anything but a number, is refused. (The toolkit's own validator lets
// "99999" stand in a box for -32768 to 32767, as a step on the way to a number that typing
// can never reach, and the field would then silently keep its old value.) Every range here
// holds 0, so each step of typing a number that fits also fits; only an empty box or a lone
// sign is in between, and leaving the box puts the stored value back in that case.
class FieldValidator final : public QValidator
{
public:
    FieldValidator(qint32 min, qint32 max, std::function<QString()> stored, QObject *parent)
        : QValidator(parent), m_min(min), m_max(max), m_stored(std::move(stored))
    {
    }

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty() || (m_min < 0 && input == u"-"))
            return Intermediate;
        bool ok = false;
        const qlonglong value = input.toLongLong(&ok);
        if (!ok || input.front().isSpace() || input.back().isSpace() || input.front() == u'+')
            return Invalid;
        return value >= m_min && value <= m_max ? Acceptable : Invalid;
    }
    void fixup(QString &input) const override
    {
        if (m_stored)
            input = m_stored();
    }

private:
    qint32 m_min, m_max;
    std::function<QString()> m_stored;
};

// A box for a signed 16-bit field: every value the field can hold, "-32768" included, can be
// shown whole and typed, so that showing and storing never cuts a stored value. stored gives
// the field's value as text, for a box left empty.
QLineEdit *int16Box(QWidget *parent, const QString &name, std::function<QString()> stored)
{
    constexpr int kWidestValue = 6;
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(new FieldValidator(-32768, 32767, std::move(stored), box));
    box->setMaxLength(kWidestValue);
    box->setFixedWidth(10 + 8 * kWidestValue);
    box->setAlignment(Qt::AlignRight);
    return box;
}

} // namespace

frmLevelView::frmLevelView(WorldDocument &world, QWidget *parent) : QWidget(parent), m_world(world)
{
    setObjectName(QStringLiteral("frmLevelView"));
    setWindowTitle(QStringLiteral("Editing Level #%1[*]").arg(m_shownLevel + 1));
    // Marked while the world details hold unsaved changes.
    setWindowModified(m_world.isModified());
    connect(&m_world, &Document::modifiedChanged, this, &QWidget::setWindowModified);
    buildControls();

    for (int k = 0; k < kPipeRows; ++k) {
        cmbPipeID[k]->clear();
        txtPipeLevel[k]->setText(QStringLiteral("0"));
        for (int id = 0; id <= 16; ++id)
            cmbPipeID[k]->addItem(QString::number(id));
        for (int s = 0; s < kExitStyles; ++s) {
            cmbPipeDir[k]->addItem(QString::fromUtf16(kExitStyleGlyphs[s]));
            cmbPipeDir[k]->setItemData(s, QString::fromLatin1(kExitStyleNames[s]), Qt::ToolTipRole);
        }
        cmbPipeID[k]->setCurrentIndex(0);
        cmbPipeDir[k]->setCurrentIndex(-1);  // no exit style until a level is shown
    }
    FillAreaList();
    if (const LevelRecord *level = shownRecord())
        cmbFileList->setCurrentIndex(cmbFileList->findText(vt::fromAnsi(level->sAreaFile), Qt::MatchExactly));

    connect(cmbFileList, &QComboBox::currentIndexChanged, this, &frmLevelView::areaPicked);
    // The user brings the window to the front: its frame becomes the active one (the frame
    // calls activated), or, when it already is (the user was in the side bar, say, whose Add
    // or Rename cleared the level list's selection), the focus comes back into it or a click
    // lands on it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        if (now && isAncestorOf(now) && !(old && isAncestorOf(old)))
            broughtBack();
    });
}

bool frmLevelView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::MouseButtonPress)
        broughtBack();  // on the frame's title bar
    return QWidget::eventFilter(watched, event);
}

void frmLevelView::mousePressEvent(QMouseEvent *event)
{
    broughtBack();  // on a label or a frame: they pass the press on to the window
    QWidget::mousePressEvent(event);
}

void frmLevelView::broughtBack()
{
    // While the window stayed the active one, what can have gone out of step is the list's
    // selection, which a refill clears. Nothing happens when the list shows the level: so a
    // question this leads to (the area editor's, through the list) is not asked again each
    // time the focus comes back from it.
    if (!m_levelGone)
        Q_EMIT levelSelected(m_shownLevel);
}

void frmLevelView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QWidget *frame = parentWidget(); frame && frame != m_watchedFrame) {
        frame->installEventFilter(this);
        m_watchedFrame = frame;
    }
}

std::function<QString()> frmLevelView::storedText(LevelField field)
{
    return [this, field] {
        const LevelRecord *level = shownRecord();
        return level ? QString::number(LevelFields::get(*level, field).number) : QStringLiteral("0");
    };
}

void frmLevelView::buildControls()
{
    using K = LevelField::Kind;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);

    auto *top = new QHBoxLayout;
    cmbFileList = new QComboBox(this);
    cmbFileList->setObjectName(QStringLiteral("cmbFileList"));
    cmbFileList->setEditable(false);
    cmbFileList->setMinimumWidth(150);
    cmbFileList->setToolTip(QStringLiteral("Area file of this level"));
    txtLevTime = int16Box(this, QStringLiteral("txtLevTime"), storedText({K::Time, 0}));
    top->addWidget(cmbFileList);
    top->addStretch(1);
    top->addWidget(new QLabel(QStringLiteral("Time:"), this));
    top->addWidget(txtLevTime);
    layout->addLayout(top);

    auto *fraDefaults = new QGroupBox(QStringLiteral("Special Tile Locations on Tileset"), this);
    fraDefaults->setObjectName(QStringLiteral("fraDefaults"));
    auto *tiles = new QGridLayout(fraDefaults);
    tiles->addWidget(new QLabel(QStringLiteral("| x | y |"), fraDefaults), 0, 1, 1, 2, Qt::AlignCenter);
    const char *tileLabels[3] = {"Switch A:", "Switch B:", "Vine:"};
    for (int i = 0; i < 6; ++i)
        txtDefTile[i] = int16Box(fraDefaults, QStringLiteral("txtDefTile%1").arg(i),
                                 storedText({i < 3 ? K::SpecialX : K::SpecialY, i % 3}));
    for (int row = 0; row < 3; ++row) {
        tiles->addWidget(new QLabel(QString::fromLatin1(tileLabels[row]), fraDefaults), row + 1, 0);
        tiles->addWidget(txtDefTile[row], row + 1, 1);      // column x
        tiles->addWidget(txtDefTile[row + 3], row + 1, 2);  // row y
    }
    tiles->setColumnStretch(3, 1);

    auto *Frame1 = new QGroupBox(QStringLiteral("Level Scrolling"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *scrolling = new QGridLayout(Frame1);
    m_scrollGroup = new QButtonGroup(this);
    for (int i = 0; i < kScrollModes; ++i) {
        optScroll[i] = new QRadioButton(QString::fromLatin1(kScrollCaptions[i]), Frame1);
        optScroll[i]->setObjectName(QStringLiteral("optScroll%1").arg(i));
        m_scrollGroup->addButton(optScroll[i], i);
        scrolling->addWidget(optScroll[i], i / 3, i % 3);
    }
    txtScrollSpeed = int16Box(Frame1, QStringLiteral("txtScrollSpeed"), storedText({K::ScrollSpeed, 0}));
    auto *speed = new QHBoxLayout;
    speed->addWidget(new QLabel(QStringLiteral("Speed:"), Frame1));
    speed->addWidget(txtScrollSpeed);
    scrolling->addLayout(speed, 1, 2);

    auto *middle = new QHBoxLayout;
    middle->addWidget(fraDefaults);
    middle->addWidget(Frame1, 1);
    layout->addLayout(middle);

    auto *Frame2 = new QGroupBox(QStringLiteral("Level Plumbing"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto *pipes = new QGridLayout(Frame2);
    pipes->setHorizontalSpacing(4);
    pipes->setVerticalSpacing(2);
    for (int half = 0; half < 2; ++half) {
        const int col = half * 5;
        pipes->addWidget(new QLabel(QStringLiteral("Dest:\nLevel"), Frame2), 0, col + 1, Qt::AlignCenter);
        pipes->addWidget(new QLabel(QStringLiteral("Pipe  ID"), Frame2), 0, col + 2, Qt::AlignCenter);
        pipes->addWidget(new QLabel(QStringLiteral("Exit Style"), Frame2), 0, col + 3, Qt::AlignCenter);
    }
    for (int k = 0; k < kPipeRows; ++k) {
        const int row = 1 + k % 8;
        const int col = (k / 8) * 5;
        pipes->addWidget(new QLabel(QStringLiteral("Pipe %1:").arg(k + 1), Frame2), row, col);
        txtPipeLevel[k] = int16Box(Frame2, QStringLiteral("txtPipeLevel%1").arg(k), storedText({K::PipeDestLevel, k}));
        cmbPipeID[k] = new QComboBox(Frame2);
        cmbPipeID[k]->setObjectName(QStringLiteral("cmbPipeID%1").arg(k));
        cmbPipeID[k]->setEditable(true);
        cmbPipeID[k]->setInsertPolicy(QComboBox::NoInsert);
        cmbPipeID[k]->setValidator(new FieldValidator(0, 255, storedText({K::PipeID, k}), cmbPipeID[k]));
        cmbPipeID[k]->setFixedWidth(56);
        cmbPipeDir[k] = new QComboBox(Frame2);
        cmbPipeDir[k]->setObjectName(QStringLiteral("cmbPipeDir%1").arg(k));
        cmbPipeDir[k]->setFixedWidth(48);
        pipes->addWidget(txtPipeLevel[k], row, col + 1);
        pipes->addWidget(cmbPipeID[k], row, col + 2);
        pipes->addWidget(cmbPipeDir[k], row, col + 3);
    }
    pipes->setColumnMinimumWidth(4, 12);
    layout->addWidget(Frame2);
    layout->addStretch(1);
}

LevelRecord *frmLevelView::shownRecord()
{
    return m_levelGone ? nullptr : m_world.state().level(m_shownLevel);
}

void frmLevelView::FillAreaList()
{
    const QSignalBlocker quiet(cmbFileList);  // filling the list chooses no area
    cmbFileList->clear();
    const QString folder = m_world.state().worldFolder();
    if (folder.isEmpty())
        return;
    for (const QString &file : vt::listFiles(folder, {kAreaFormat.pattern()}))
        cmbFileList->addItem(mCommon::GetBaseName(file));
}

void frmLevelView::SetLevel(qint32 lLevel)
{
    m_shownLevel = lLevel;
    m_levelGone = false;
    setControlsEnabled(true);
    ShowLevelInfo();
    setWindowTitle(QStringLiteral("Editing Level #%1[*]").arg(lLevel + 1));
}

void frmLevelView::checkShownLevel()
{
    if (m_levelGone || m_world.state().level(m_shownLevel))
        return;
    // What is typed now would go nowhere; a level added later at this index is another
    // level, shown only when the user picks it.
    m_levelGone = true;
    setControlsEnabled(false);
    setWindowTitle(QStringLiteral("Editing Level #%1 (removed)[*]").arg(m_shownLevel + 1));
}

void frmLevelView::setControlsEnabled(bool enabled)
{
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->setEnabled(enabled);
}

void frmLevelView::ShowLevelInfo()
{
    const LevelRecord *level = shownRecord();
    if (!level)
        return;
    // An area name that is not listed clears the choice rather than carrying over the area
    // of the level shown before.
    cmbFileList->setCurrentIndex(cmbFileList->findText(vt::fromAnsi(level->sAreaFile), Qt::MatchExactly));

    for (const LevelField &field : LevelFields::detailFields()) {
        if (field.kind != LevelField::Kind::AreaFile)
            showField(field);
    }
}

void frmLevelView::showField(LevelField field)
{
    const LevelRecord *level = shownRecord();
    if (!level)
        return;
    const int i = field.index;
    const LevelFieldValue value = LevelFields::get(*level, field);
    const QString number = QString::number(value.number);
    using K = LevelField::Kind;
    switch (field.kind) {
    case K::AreaFile: {
        const QSignalBlocker quiet(cmbFileList);
        cmbFileList->setCurrentIndex(cmbFileList->findText(vt::fromAnsi(value.text), Qt::MatchExactly));
        break;
    }
    case K::SpecialX: txtDefTile[i]->setText(number); break;
    case K::SpecialY: txtDefTile[i + 3]->setText(number); break;
    case K::Time: txtLevTime->setText(number); break;
    case K::ScrollMode:
        if (value.number < kScrollModes) {
            optScroll[value.number]->setChecked(true);
        } else {
            // A mode without an option shows none set, and storing keeps it.
            m_scrollGroup->setExclusive(false);
            for (QRadioButton *option : optScroll)
                option->setChecked(false);
            m_scrollGroup->setExclusive(true);
        }
        break;
    case K::ScrollSpeed: txtScrollSpeed->setText(number); break;
    case K::PipeID: cmbPipeID[i]->setEditText(number); break;
    case K::PipeDestLevel: txtPipeLevel[i]->setText(number); break;
    case K::PipeExitStyle: cmbPipeDir[i]->setCurrentIndex(value.number < kExitStyles ? value.number : -1); break;
    default: break;
    }
}

void frmLevelView::showStoredField(qint32 level, LevelField field)
{
    if (!m_levelGone && level == m_shownLevel)
        showField(field);
}

void frmLevelView::levelBack()
{
    if (m_levelGone && m_world.state().level(m_shownLevel))
        SetLevel(m_shownLevel);
}

void frmLevelView::UpdateLevelInfo()
{
    const LevelRecord *stored = shownRecord();
    if (!stored)
        return;  // the shown level was removed: there is nothing to store into
    // What the controls hold, worked out on a copy; each field that differs is one step.
    LevelRecord copy = *stored;
    LevelRecord *level = &copy;
    // A box that holds no number (left empty, or a lone sign) keeps its field's value, and
    // then shows it again: what a box shows is what is stored.
    using K = LevelField::Kind;
    std::vector<LevelField> reshow;
    auto store = [&reshow](const QLineEdit *box, qint16 &field, LevelField which) {
        if (!storeInt16(box, field))
            reshow.push_back(which);
    };
    for (int i = 0; i < 3; ++i) {
        store(txtDefTile[i], level->SpecialTiles[i].iTileX, {K::SpecialX, i});
        store(txtDefTile[i + 3], level->SpecialTiles[i].iTileY, {K::SpecialY, i});
    }
    store(txtLevTime, level->iTime, {K::Time, 0});
    if (cmbFileList->currentIndex() >= 0) {
        bool lossless = false;
        const QByteArray area = vt::toAnsi(cmbFileList->currentText(), &lossless);
        if (lossless)
            level->sAreaFile = area;
    }
    if (const int mode = m_scrollGroup->checkedId(); mode >= 0)
        level->bScrollMode = static_cast<quint8>(mode);
    store(txtScrollSpeed, level->iScrollSpeed, {K::ScrollSpeed, 0});
    for (int k = 0; k < kPipeRows; ++k) {
        PipeEntry &pipe = level->Pipes[k];
        if (const auto id = wholeNumber(cmbPipeID[k]->currentText(), 0, 255))
            pipe.bPipeID = static_cast<quint8>(*id);
        else
            reshow.push_back({K::PipeID, k});
        store(txtPipeLevel[k], pipe.iDestLevel, {K::PipeDestLevel, k});
        if (cmbPipeDir[k]->currentIndex() >= 0)
            pipe.bExitStyle = static_cast<quint8>(cmbPipeDir[k]->currentIndex());
    }
    const qint32 shown = m_shownLevel;
    for (const LevelField &field : LevelFields::detailFields())
        Q_EMIT fieldEdited(shown, field, LevelFields::get(copy, field));
    for (const LevelField &field : reshow)
        showField(field);
}

void frmLevelView::areaPicked(int index)
{
    if (index < 0)
        return;
    const QString name = cmbFileList->itemText(index);
    Q_EMIT areaChosen(name);
    if (shownRecord()) {
        bool lossless = false;
        const QByteArray area = vt::toAnsi(name, &lossless);
        if (lossless)
            Q_EMIT fieldEdited(m_shownLevel, {LevelField::Kind::AreaFile, 0}, LevelFieldValue{area, 0});
    }
}

void frmLevelView::activated()
{
    Q_EMIT levelSelected(m_shownLevel);
    if (cmbFileList->currentIndex() >= 0)
        Q_EMIT areaChosen(cmbFileList->currentText());
}

void frmLevelView::closeEvent(QCloseEvent *event)
{
    UpdateLevelInfo();
    Q_EMIT closed();
    event->accept();
}

} // namespace tessaforge
