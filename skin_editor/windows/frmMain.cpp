#include "frmMain.h"

#include "ProgramIcon.h"
#include "frmPreview.h"

#include "AnsiText.h"
#include "Dialogs.h"
#include "Paths.h"
#include "Recovery.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QUndoStack>
#include <QVBoxLayout>

namespace skinloft {

namespace {

const QString kCaption = QStringLiteral("skinloft");
const QString kUntitled = QStringLiteral("a new skin");
const QString kSkinFilter =
    QStringLiteral("Vantaro Enemy Skin (%1)").arg(mEnemySkinFile::kSkinFormat.pattern());
const QString kSkinExtension = QString::fromLatin1(mEnemySkinFile::kSkinFormat.extension);
constexpr int kSavedShownFor = 10000;  // milliseconds: long enough to read the path

// A list that asks for the size the window was planned with, and can be made smaller.
class PlannedList final : public QListWidget
{
public:
    using QListWidget::QListWidget;

    void plan(QSize preferred, QSize least)
    {
        m_preferred = preferred;
        setMinimumSize(least);
        updateGeometry();
    }
    QSize sizeHint() const override { return m_preferred.isValid() ? m_preferred : QListWidget::sizeHint(); }

private:
    QSize m_preferred;
};

qint32 selectedRow(const QListWidget *list)
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// What of text can show in width pixels at its start and at its end, with an ellipsis
// between: eliding lays out the whole text, and a name can be 65535 characters long.
QString visibleEnds(const QString &text, const QFontMetrics &metrics, int width)
{
    // Characters that take no room (a control character may not) cannot make this endless.
    const qsizetype cap = 4 * qsizetype(std::max(width, 0)) + 8;
    if (text.size() <= 2 * cap)
        return text;
    auto takes = [&](auto at) {
        qsizetype n = 0;
        for (int used = 0; n < cap && used <= width; ++n)
            used += metrics.horizontalAdvance(text.at(at(n)));
        return n;
    };
    const qsizetype head = takes([](qsizetype i) { return i; });
    const qsizetype tail = takes([&text](qsizetype i) { return text.size() - 1 - i; });
    return text.left(head) + QChar(0x2026) + text.right(tail);
}

// Draws each enemy name with its graphic's name at the right, dimmed, so that the whole skin
// reads at a glance.
class EnemyGraphicDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QString graphic = index.data(frmMain::kGraphicRole).toString();
        if (graphic.isEmpty())
            return;
        const QString name = index.data(Qt::DisplayRole).toString();
        const QFontMetrics metrics(option.font);
        QRect area = option.rect.adjusted(0, 0, -kMargin, 0);
        area.setLeft(option.rect.left() + kMargin + metrics.horizontalAdvance(name) + 2 * kMargin);
        if (area.width() <= 0)
            return;
        const QString shown = visibleEnds(graphic, metrics, area.width());
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        QColor colour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        if (!selected)
            colour.setAlpha(150);
        painter->save();
        painter->setPen(colour);
        painter->setFont(option.font);
        painter->drawText(area, Qt::AlignRight | Qt::AlignVCenter,
                          metrics.elidedText(shown, Qt::ElideMiddle, area.width()));
        painter->restore();
    }

private:
    static constexpr int kMargin = 4;
};

} // namespace

frmMain::frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_appPath(std::move(appPath)), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(ProgramIcon());
    showSkinFile(QString());

    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);

    Frame[0] = new QGroupBox(QStringLiteral("Enemy"), central);
    Frame[0]->setObjectName(QStringLiteral("Frame0"));
    auto *enemies = new PlannedList(Frame[0]);
    lstEnemies = enemies;
    lstEnemies->setObjectName(QStringLiteral("lstEnemies"));
    lstEnemies->setItemDelegate(new EnemyGraphicDelegate(lstEnemies));
    lstEnemies->setUniformItemSizes(true);
    (new QVBoxLayout(Frame[0]))->addWidget(lstEnemies);

    Frame[1] = new QGroupBox(QStringLiteral("Graphic"), central);
    Frame[1]->setObjectName(QStringLiteral("Frame1"));
    auto *files = new PlannedList(Frame[1]);
    lstFiles = files;
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    (new QVBoxLayout(Frame[1]))->addWidget(lstFiles);

    m_preview = new frmPreview(central);

    // The lists and the preview start at the sizes planned below and share the room the
    // window gains.
    layout->addWidget(Frame[0]);
    layout->addWidget(Frame[1]);
    layout->addWidget(m_preview);
    setCentralWidget(central);
    // Made now, so that the first message does not change the window's height.
    statusBar()->setObjectName(QStringLiteral("statusBar"));

    // At first wide enough for the longest enemy name beside a long graphic name, and tall
    // enough to show all 25 enemies at once; at the least wide enough for the names alone,
    // and tall enough for a few of them.
    const QFontMetrics metrics(lstEnemies->font());
    const int nameWidth = metrics.horizontalAdvance(QStringLiteral("BOSS 1 - Trudgel King"));
    const int fileWidth = metrics.horizontalAdvance(QStringLiteral("shellback_green.bmp"));
    new QListWidgetItem(QString::fromLatin1(EnemyTypeNames[0]), lstEnemies);
    const int rowHeight = lstEnemies->sizeHintForRow(0);
    lstEnemies->clear();
    const int frames = 2 * lstEnemies->frameWidth() + 2;
    const int bar = lstEnemies->verticalScrollBar()->sizeHint().width();
    enemies->plan(QSize(nameWidth + fileWidth + 24, kEnemyTypeCount * rowHeight + frames),
                  QSize(nameWidth + bar + 16, 6 * rowHeight + frames));
    m_fileListLeast = QSize(fileWidth + bar + 16, 6 * rowHeight + frames);
    files->plan(m_fileListLeast, m_fileListLeast);

    mnuSave = menuBar()->addAction(QStringLiteral("&Save"));
    mnuSave->setObjectName(QStringLiteral("mnuSave"));
    mnuLoad = menuBar()->addAction(QStringLiteral("&Load"));
    mnuLoad->setObjectName(QStringLiteral("mnuLoad"));
    // The menu bar has no room to show a key beside an item: the status line shows it while
    // the pointer rests on the item.
    const auto giveKey = [](QAction *item, const QKeySequence &key, const QString &what) {
        item->setShortcut(key);
        item->setStatusTip(QStringLiteral("%1 (%2)").arg(what, key.toString(QKeySequence::NativeText)));
    };
    giveKey(mnuSave, QKeySequence(Qt::CTRL | Qt::Key_S), QStringLiteral("Save the enemy skin"));
    giveKey(mnuLoad, QKeySequence(Qt::CTRL | Qt::Key_O), QStringLiteral("Open an enemy skin"));
    connect(mnuSave, &QAction::triggered, this, &frmMain::mnuSave_Click);
    connect(mnuLoad, &QAction::triggered, this, &frmMain::mnuLoad_Click);
    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuUndo = m_document.undoStack()->createUndoAction(this, QStringLiteral("Undo"));
    mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuRedo = m_document.undoStack()->createRedoAction(this, QStringLiteral("Redo"));
    mnuRedo->setObjectName(QStringLiteral("mnuRedo"));
    mnuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    mnuEdit->addAction(mnuUndo);
    mnuEdit->addAction(mnuRedo);

    // The selection, not the current row, is what the user picked: a list that gains the
    // keyboard focus makes its first row current without selecting it, and that must not
    // store a graphic.
    connect(lstEnemies, &QListWidget::itemSelectionChanged, this,
            [this] { enemySelected(selectedRow(lstEnemies)); });
    connect(lstFiles, &QListWidget::itemSelectionChanged, this,
            [this] { fileSelected(selectedRow(lstFiles)); });

    connect(&m_document, &SkinDocument::enemyGraphicChanged, this, &frmMain::graphicChanged);
    connect(&m_document, &SkinDocument::documentReplaced, this, &frmMain::skinReplaced);
    connect(&m_document, &SkinDocument::fileNameChanged, this, &frmMain::showSkinFile);
    // The title ends with '*' while there are changes to save.
    connect(&m_document, &SkinDocument::modifiedChanged, this, &QWidget::setWindowModified);
}

frmMain::~frmMain() = default;

void frmMain::start()
{
    // Listed before the window is first laid out, so that it starts wide enough for them.
    FillFileList();
    // The first size is what the lists and the preview ask for, as far as the screen has room
    // (left to itself the toolkit stops at two thirds of the screen).
    if (const QScreen *on = screen())
        resize(sizeHint().boundedTo(on->availableGeometry().size() - QSize(16, 48)));
    show();
    FillEnemyList();
}

void frmMain::FillFileList()
{
    lstFiles->clear();
    const QList<vt::FolderEntry> entries =
        vt::listFileEntries(m_appPath, {QStringLiteral("*.bmp"), QStringLiteral("*.gif")});
    for (const vt::FolderEntry &entry : entries) {
        auto *item = new QListWidgetItem(entry.name, lstFiles);
        item->setData(kOpenableRole, entry.openable);
        bool lossless = false;
        (void)vt::toAnsi(entry.name, &lossless);
        if (!entry.openable || !lossless) {
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            item->setToolTip(entry.openable
                                 ? QStringLiteral("This name cannot be stored in an enemy skin.")
                                 : QStringLiteral("This name is not in UTF-8, so the file cannot be opened."));
        }
    }
    // Wide enough for the longest name beside the scroll bar, within reason: a name can be
    // very long. The list is the PlannedList made with the window.
    const int chrome = lstFiles->verticalScrollBar()->sizeHint().width() + 2 * lstFiles->frameWidth() + 24;
    const int wanted = std::clamp(lstFiles->sizeHintForColumn(0) + chrome, m_fileListLeast.width(),
                                  2 * m_fileListLeast.width());
    static_cast<PlannedList *>(lstFiles)->plan(QSize(wanted, m_fileListLeast.height()), m_fileListLeast);
}

void frmMain::FillEnemyList()
{
    lstEnemies->clear();
    for (const char *name : EnemyTypeNames)
        new QListWidgetItem(QString::fromLatin1(name), lstEnemies);
    showGraphicNames();
    lstEnemies->setCurrentRow(0);
}

qint32 frmMain::FindGraphic(const QString &name) const
{
    const QString wanted = vt::trimSpaces(name).toLower();
    if (wanted.isEmpty())
        return -1;
    for (qint32 i = 0; i < lstFiles->count(); ++i) {
        const QListWidgetItem *item = lstFiles->item(i);
        // A file whose name cannot be opened is never the one a stored name means here.
        if (item->data(kOpenableRole).toBool() && vt::trimSpaces(item->text()).toLower() == wanted)
            return i;
    }
    return -1;
}

void frmMain::enemySelected(qint32 index)
{
    if (index < 0 || index >= kEnemyTypeCount)
        return;
    selectFile(FindGraphic(vt::fromAnsi(m_document.CurrentSkin().Fields[size_t(index)])));
}

void frmMain::selectFile(qint32 index)
{
    if (selectedRow(lstFiles) == index)
        fileSelected(index);
    else
        lstFiles->setCurrentRow(index);
}

void frmMain::fileSelected(qint32 index)
{
    if (index < 0 || index >= lstFiles->count()) {
        showNoGraphic();
        return;
    }
    const QListWidgetItem *item = lstFiles->item(index);
    const QString name = item->text();
    bool stored = false;
    if (item->data(kOpenableRole).toBool()) {
        m_preview->ShowImage(vt::joinPath(m_appPath, name));
        stored = SetGraphic(name);
    } else {
        // Its name as shown is not the name on disk: opening it could reach another file.
        m_preview->ShowNoImage(frmPreview::Absent::Unopenable, name);
        m_dialogs.message(this, kCaption,
                          QStringLiteral("\"%1\" cannot be used: its name is stored in the Windows code "
                                         "page (windows-1252), not in UTF-8, as archives made on Windows "
                                         "often leave it, so it cannot be opened here.\n\nRename it to "
                                         "UTF-8 and start again, for example with:\n    convmv -f cp1252 "
                                         "-t utf8 --notest \"%2\"/*")
                              .arg(name, m_appPath),
                          vt::Dialogs::Icon::Warning);
    }
    if (!stored) {
        // Once the click that chose the file is over, the list and the preview go back to
        // the graphic the enemy really has.
        QMetaObject::invokeMethod(
            this, [this] { enemySelected(selectedRow(lstEnemies)); }, Qt::QueuedConnection);
    }
}

bool frmMain::SetGraphic(const QString &name)
{
    const qint32 i = selectedRow(lstEnemies);
    if (i < 0 || i >= kEnemyTypeCount)
        return true;
    const QString trimmed = vt::trimSpaces(name);
    bool lossless = false;
    const QByteArray stored = vt::toAnsi(trimmed, &lossless);
    if (!lossless) {
        m_dialogs.message(this, kCaption,
                          QStringLiteral("\"%1\" cannot be the graphic of %2: the enemy skin file can "
                                         "only hold names made of Windows-1252 characters. Rename the "
                                         "file to use it.")
                              .arg(trimmed, lstEnemies->item(i)->text()),
                          vt::Dialogs::Icon::Warning);
        return false;
    }
    if (m_following)
        return true;  // the lists showing an undone step store nothing
    m_storing = true;
    m_document.setEnemyGraphic(i, stored);
    m_storing = false;
    return true;
}

void frmMain::graphicChanged(qint32 enemy)
{
    if (QListWidgetItem *item = lstEnemies->item(enemy))
        item->setData(kGraphicRole, vt::fromAnsi(m_document.CurrentSkin().Fields[size_t(enemy)]));
    if (m_storing)
        return;  // the lists show it already
    // An undo or a redo: the enemy is selected, so that the file list and the preview show
    // its graphic.
    m_following = true;
    if (selectedRow(lstEnemies) == enemy)
        enemySelected(enemy);
    else
        lstEnemies->setCurrentRow(enemy);  // its handler shows the graphic
    m_following = false;
}

void frmMain::showNoGraphic()
{
    const qint32 i = selectedRow(lstEnemies);
    const QString stored = i >= 0 && i < kEnemyTypeCount
                               ? vt::trimSpaces(vt::fromAnsi(m_document.CurrentSkin().Fields[size_t(i)]))
                               : QString();
    if (stored.isEmpty())
        m_preview->ShowNoImage();
    else
        m_preview->ShowNoImage(frmPreview::Absent::NotBeside, stored);
}

void frmMain::skinReplaced()
{
    showGraphicNames();
    // The selected enemy's graphic shows at once. The lists only show it: the loaded spelling
    // of its name stays until the user picks the enemy again.
    m_following = true;
    enemySelected(selectedRow(lstEnemies));
    m_following = false;
}

void frmMain::showGraphicNames()
{
    for (qint32 i = 0; i < kEnemyTypeCount && i < lstEnemies->count(); ++i)
        lstEnemies->item(i)->setData(kGraphicRole, vt::fromAnsi(m_document.CurrentSkin().Fields[size_t(i)]));
}

bool frmMain::mnuSave_Click()
{
    const QString proposal = m_document.fileName().isEmpty() ? skinsFolder() : m_document.fileName();
    const std::optional<QString> path =
        m_dialogs.saveFile(this, QStringLiteral("Save Enemy Skin"), kSkinFilter, kSkinExtension, proposal);
    if (!path)
        return false;
    if (const vt::Status s = m_document.save(*path); !s.ok()) {
        // No "Saved" from before may stand beside a save that failed.
        statusBar()->showMessage(QStringLiteral("Not saved: %1").arg(QDir::toNativeSeparators(*path)));
        m_dialogs.message(this, kCaption, QStringLiteral("The enemy skin was not saved.\n\n%1").arg(s.error()),
                          vt::Dialogs::Icon::Warning);
        return false;
    }
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(*path)), kSavedShownFor);
    return true;
}

bool frmMain::askToSave()
{
    return vt::askToSaveChanges(m_dialogs, this, kCaption, QStringLiteral("Save changes?"),
                                [this] { return mnuSave_Click(); });
}

void frmMain::mnuLoad_Click()
{
    // Loading replaces every field.
    if (m_document.isModified() && !askToSave())
        return;
    const QString folder =
        m_document.fileName().isEmpty() ? skinsFolder() : QFileInfo(m_document.fileName()).absolutePath();
    const std::optional<QString> path =
        m_dialogs.openFile(this, QStringLiteral("Load Enemy Skin"), kSkinFilter, kSkinExtension, folder);
    if (!path)
        return;
    if (openSkin(*path) && m_recording)
        offerRecoveryOf(*path);
}

bool frmMain::openSkin(const QString &path)
{
    const EnemySkin before = m_document.CurrentSkin();
    const QString beforeName = m_document.fileName();
    const vt::Status s = m_document.load(path);
    if (!s.ok()) {
        const QString what = m_document.CurrentSkin() == before ? QStringLiteral("The enemy skin was not loaded.")
                                                                : QStringLiteral("The enemy skin was loaded only in part.");
        m_dialogs.message(this, kCaption, QStringLiteral("%1\n\n%2").arg(what, s.error()),
                          vt::Dialogs::Icon::Warning);
        return m_document.fileName() != beforeName || m_document.fileName() == path;
    }
    return true;
}

void frmMain::startRecovery()
{
    if (m_recording)
        return;
    m_recording = true;
    connect(&m_document, &SkinDocument::journalFailed, this, &frmMain::recoveryOff);
    m_document.recordTo(vt::recoveryFolder(m_appPath));
    // What was recorded reaches the disk before the user turns to another program.
    vt::syncJournalsWhenInactive(this);
    QMetaObject::invokeMethod(this, &frmMain::offerRecovery, Qt::QueuedConnection);
}

void frmMain::offerRecovery()
{
    for (const vt::FoundJournal &journal :
         vt::leftJournals(vt::recoveryFolder(m_appPath), QStringLiteral("skinloft"), QStringLiteral("skin"))) {
        if (vt::offerRecovery(m_dialogs, this, kCaption, journal, kUntitled) != vt::RecoveryAnswer::Recover)
            continue;
        const QString file = journal.contents.origin.path;
        // Changes to the skin open now would be replaced: asked about first.
        if (m_document.isModified() && !askToSave())
            return;
        if (!file.isEmpty() && (!openSkin(file) || m_document.fileName() != QFileInfo(file).absoluteFilePath()))
            return;  // not read (and told): the journal stays for another time
        recover(journal);
        return;  // one skin at a time: the others wait for their file's opening or the next start
    }
}

void frmMain::offerRecoveryOf(const QString &path)
{
    for (const vt::FoundJournal &journal : vt::leftJournalsOf(vt::recoveryFolder(m_appPath),
                                                              QStringLiteral("skinloft"), QStringLiteral("skin"), path)) {
        if (vt::offerRecovery(m_dialogs, this, kCaption, journal, kUntitled) == vt::RecoveryAnswer::Recover) {
            recover(journal);
            return;
        }
    }
}

void frmMain::recover(const vt::FoundJournal &journal)
{
    bool complete = true;
    const qsizetype replayed = m_document.replay(journal.contents.records, &complete);
    vt::retireJournal(journal.path, m_document.journalPath(), m_document.isModified());
    const QString shortfall = vt::recoveryShortfall(journal, replayed, complete, kUntitled);
    if (!shortfall.isEmpty())
        m_dialogs.message(this, kCaption, shortfall, vt::Dialogs::Icon::Warning);
    else
        statusBar()->showMessage(replayed == 1 ? QStringLiteral("Recovered 1 edit")
                                               : QStringLiteral("Recovered %1 edits").arg(replayed),
                                 kSavedShownFor);
}

void frmMain::recoveryOff(const QString &why)
{
    // Once: a folder that cannot be written stays so for every skin.
    if (m_toldRecoveryOff)
        return;
    m_toldRecoveryOff = true;
    m_dialogs.message(this, kCaption,
                      vt::recoveryOffText(m_document.fileName(), kUntitled, why)
                          + QStringLiteral("\n\nEditing goes on; save to keep your changes."),
                      vt::Dialogs::Icon::Warning);
}

QString frmMain::skinsFolder() const
{
    const QString shared = vt::resolvePath(vt::joinPath(m_appPath, QStringLiteral("Data/Enemies")));
    return QFileInfo(shared).isDir() ? shared : m_appPath;
}

void frmMain::showSkinFile(const QString &path)
{
    // A "[*]" in the file's own name is shown as it is, not taken for the change mark.
    const QString name = QFileInfo(path).fileName().replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle((path.isEmpty() ? kCaption : QStringLiteral("%1 - %2").arg(kCaption, name))
                   + QStringLiteral("[*]"));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_document.isModified() && !askToSave()) {
        event->ignore();
        return;
    }
    m_document.discardJournal();  // saved, or given up: nothing to recover
    QMainWindow::closeEvent(event);
}

} // namespace skinloft
