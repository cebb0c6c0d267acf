#include "frmMain.h"

#include "frmLevelEdit.h"
#include "documents/AreaDocument.h"
#include "documents/MapDocument.h"
#include "frmLevelTiles.h"
#include "frmLevelView.h"
#include "frmLoadFolder.h"
#include "frmMapScreenEdit.h"
#include "frmProblems.h"
#include "frmRenameLevel.h"
#include "ProgramIcon.h"
#include "DocumentRecovery.h"
#include "Recovery.h"

#include "resources/TagSheet.h"
#include "world/mCommon.h"

#include "AnsiText.h"
#include "Dialogs.h"
#include "ImageFile.h"
#include "Journal.h"
#include "Paths.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QLockFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTimer>
#include <QUndoGroup>
#include <QUndoStack>

namespace tessaforge {

namespace {

const QString kStudioTitle = QStringLiteral("Vantaro Studio");

QString menuCaption(const QString &fileName)
{
    QString caption = fileName;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

frmMain::frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_world(std::move(appPath)), m_state(m_world.state()), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmMain"));
    // The frame's own document is the world details: marked while they are unsaved.
    setWindowTitle(QStringLiteral("Tessaforge[*]"));
    setWindowIcon(ProgramIcon());  // the inner windows show it too
    connect(&m_world, &Document::modifiedChanged, this, &QWidget::setWindowModified);
    // Unsaved details are recorded for recovery after a crash; the records are handed to the
    // disk whenever the user turns to another program.
    m_world.recordTo(vt::recoveryFolder(m_state.sAppPath));
    connect(&m_world, &Document::journalFailed, this, [this](const QString &why) {
        recoveryOff(m_world, QStringLiteral("the world details"), why);
    });
    vt::syncJournalsWhenInactive(this);

    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildSideBar();
    layout->addWidget(picSideBar);
    mdiArea = new QMdiArea(central);
    // Clicking the palette beside a maximised area editor must not maximise the palette.
    mdiArea->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    layout->addWidget(mdiArea, 1);
    setCentralWidget(central);

    undoGroup = new QUndoGroup(this);
    worldUndo = m_world.undoStack();
    undoGroup->addStack(worldUndo);
    // The side bar, the check marks and the child windows show the details again after
    // every step, whatever made it.
    connect(&m_world, &WorldDocument::levelFieldChanged, this, [this](qint32 level, LevelField field) {
        if (!m_quietField)
            showLevelField(level, field);
    });
    connect(&m_world, &WorldDocument::levelsChanged, this, &frmMain::showLevels);
    connect(&m_world, &WorldDocument::worldNameChanged, this, &frmMain::showWorldName);
    undoGroup->setActiveStack(worldUndo);
    // A child's stack that goes leaves the keys to the world details until they are routed.
    connect(undoGroup, &QUndoGroup::activeStackChanged, this, [this](QUndoStack *stack) {
        if (!stack && worldUndo)
            undoGroup->setActiveStack(worldUndo);
    });
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &frmMain::childActivated);

    buildMenus();
    buildProblems();

    // The tag sheet is part of the program, not of the game folder.
    m_pictures.setTagSheet(drawTagSheet());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &frmMain::layOutSideBar);

    resize(1024, 720);
}

frmMain::~frmMain()
{
    // The child windows would otherwise outlive this object's members: their end must not
    // report to the undo bookkeeping, and they go first, while everything they use is alive.
    for (const QMetaObject::Connection &watch : std::as_const(m_undoStackWatch))
        disconnect(watch);
    delete mdiArea;
    mdiArea = nullptr;
}

// ---- start-up --------------------------------------------------------------------------

bool frmMain::start(QLockFile *instanceLock)
{
    if (instanceLock && !instanceLock->tryLock(0)) {
        m_dialogs.message(this, QStringLiteral("Tessaforge"),
                          QStringLiteral("It would seem the application is already open..."),
                          vt::Dialogs::Icon::Critical);
        close();
        return false;
    }
    show();
    layOutSideBar();
    if (!checkGameFolder()) {
        close();
        return false;
    }

    {
        frmLoadFolder dialog(m_state.modsFolder(), this);
        m_dialogs.execDialog(dialog);
        if (!dialog.LoadPath().isEmpty() && !dialog.LoadPathOpenable()) {
            m_dialogs.message(this, QStringLiteral("Tessaforge"),
                              vt::undecodableFolderMessage(QStringLiteral("mod"), m_state.modsFolder(),
                                                           dialog.LoadPath()),
                              vt::Dialogs::Icon::Critical);
            close();
            return false;
        }
        m_state.sModName = dialog.LoadPath();
    }
    if (m_state.sModName.isEmpty()) {
        close();
        return false;
    }
    if (const vt::Status listed = m_state.LoadWorldList(); !listed) {
        m_dialogs.message(this, QStringLiteral("Tessaforge"), listed.error(), vt::Dialogs::Icon::Critical);
        close();
        return false;
    }

    m_bModOpen = true;
    LoadWorldList();
    m_brush.select(AreaLayer::Tiles, m_brush.curTileX, m_brush.curTileY);
    m_state.nCurWorld = -1;
    SelectWorld(0);
    LoadResourceList(ResourceKind::Skin);
    LoadResourceList(ResourceKind::Backdrop);
    LoadResourceList(ResourceKind::Music);
    LoadResourceList(ResourceKind::Tileset);
    LoadTilesetPicture();
    bTileWindowOpen = false;
    bDetailWindowOpen = false;
    reportRecoveries();
    return true;
}

void frmMain::recoveryOff(const Document &document, const QString &untitled, const QString &why)
{
    // Said once, in a box: a line in the status bar would be gone at the next menu hover.
    m_dialogs.message(this, kStudioTitle,
                      vt::recoveryOffText(document.filePath(), untitled, why)
                          + QStringLiteral("\nEditing goes on; save to keep your changes."),
                      vt::Dialogs::Icon::Warning);
}

void frmMain::reportRecoveries()
{
    // The world's own details were offered as it opened; areas and maps are offered when
    // they are opened, and the user is told here that they wait.
    const QDir game(m_state.sAppPath);
    QStringList waiting, setAside;
    for (const QString &journal : vt::journalsOf(vt::recoveryFolder(m_state.sAppPath), QStringLiteral("tessaforge"))) {
        vt::JournalContents contents;
        if (!vt::readJournal(journal, contents))
            continue;
        const QString shown = contents.origin.path.isEmpty() ? QStringLiteral("a new %1").arg(contents.kind)
                                                             : game.relativeFilePath(contents.origin.path);
        if (!vt::journalMatchesDisk(contents)) {
            QString aside;
            if (vt::setJournalAside(journal, aside))
                setAside << QStringLiteral("%1: kept in %2").arg(shown, QDir::toNativeSeparators(aside));
            continue;
        }
        waiting << QStringLiteral("%1: %2 edits, the last at %3")
                       .arg(shown)
                       .arg(contents.edits())
                       .arg(QLocale().toString(contents.lastWritten, QLocale::ShortFormat));
    }
    QString text;
    if (!waiting.isEmpty())
        text += QStringLiteral("Tessaforge stopped last time with changes not saved. Each is offered back "
                               "when its file is opened:\n\n%1")
                    .arg(waiting.join(u'\n'));
    if (!setAside.isEmpty())
        text += QStringLiteral("%1Unsaved changes to files that have changed since were not applied, and are kept "
                               "aside:\n%2")
                    .arg(text.isEmpty() ? QString() : QStringLiteral("\n\n"), setAside.join(u'\n'));
    if (!text.isEmpty())
        m_dialogs.message(this, kStudioTitle, text, vt::Dialogs::Icon::Information);
}

bool frmMain::checkGameFolder()
{
    if (mCommon::FolderExists(m_state.modsFolder()))
        return true;
    m_dialogs.message(this, QStringLiteral("Tessaforge"),
                      QStringLiteral("There is no \"Mods\" folder in %1.\nTessaforge edits the mods "
                                     "of the game folder it lies in.")
                          .arg(m_state.sAppPath),
                      vt::Dialogs::Icon::Critical);
    return false;
}

void frmMain::LoadWorldList()
{
    mnuWorldList->clear();
    for (qint32 i = 0; i <= m_state.nLastWorld(); ++i) {
        QAction *item = mnuWorldList->addAction(menuCaption(m_state.sWorldFolders[i]));
        item->setCheckable(true);
        item->setChecked(i == 0);
        connect(item, &QAction::triggered, this, [this, i] { worldChosen(i); });
    }
    if (mnuWorldList->isEmpty())
        mnuWorldList->addAction(kNoData)->setEnabled(false);
}

void frmMain::checkWorldMenu()
{
    const QList<QAction *> items = mnuWorldList->actions();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i]->isCheckable())
            items[i]->setChecked(i == m_state.nCurWorld);
    }
    m_checkWorld->setEnabled(m_state.worldOpen());
    problems->cmdCheckAgain->setEnabled(m_state.worldOpen());
}

void frmMain::SelectWorld(qint32 n)
{
    const EditorState::WorldOpenResult result = m_state.SelectWorld(n);
    if (result.outcome == EditorState::WorldOpening::AlreadyOpen)
        return;
    if (result.outcome == EditorState::WorldOpening::Refused) {
        m_dialogs.message(this, kStudioTitle, result.message, vt::Dialogs::Icon::Warning);
        checkWorldMenu();
        return;
    }
    if (result.outcome == EditorState::WorldOpening::Unreadable)
        m_dialogs.message(this, kStudioTitle, result.message, vt::Dialogs::Icon::Warning);

    if (isOpen(m_areaEditor))
        m_areaEditor->close();
    // The steps recorded were steps of the world that is gone.
    m_world.worldReplaced();
    // Findings of the world that is gone lead nowhere in this one.
    problems->clear(QStringLiteral("Check World lists the problems of %1.").arg(worldFolderName()));
    if (m_state.worldOpen())
        offerRecovery(m_world, m_state.sAppPath, m_dialogs, this, kStudioTitle, QStringLiteral("new world details"),
                      [this](const QString &text) { statusBar()->showMessage(text); });
    lblCurWorldName->setText(vt::fromAnsi(m_state.gWorld.sWorldName));
    updateLevelList();
    checkWorldMenu();
}

// ---- resources -------------------------------------------------------------------------

void frmMain::LoadResourceList(ResourceKind kind)
{
    struct Source
    {
        const char *folder;
        QStringList patterns;
        QMenu *menu;
    };
    const Source source = [&]() -> Source {
        switch (kind) {
        case ResourceKind::Skin: return {"Enemies", {QStringLiteral("*.qze")}, mnuSkinList};
        case ResourceKind::Tileset: return {"Tilesets", {QStringLiteral("*.qzt")}, mnuTilesetList};
        case ResourceKind::Backdrop:
            return {"Backdrops", {QStringLiteral("*.bmp"), QStringLiteral("*.gif")}, mnuBackgroundList};
        case ResourceKind::Music: return {"Music", {QStringLiteral("*.mid")}, mnuMusicList};
        }
        return {"", {}, nullptr};
    }();

    const QStringList files = FileList(m_state.dataFolder(QString::fromLatin1(source.folder)), source.patterns);
    if (files.isEmpty())
        return;  // the menu keeps its disabled "No Data"
    source.menu->clear();
    for (const QString &file : files) {
        QAction *item = source.menu->addAction(menuCaption(file));
        item->setData(file);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, kind, file] { resourceChosen(kind, file); });
    }
    if (kind == ResourceKind::Tileset)
        source.menu->actions().constFirst()->setChecked(true);
}

QStringList frmMain::FileList(const QString &folder, const QStringList &patterns) const
{
    return vt::listFiles(folder, patterns);
}

void frmMain::ShowLevel(qint32 n)
{
    m_state.nCurLevel = n;
    const LevelRecord *level = m_state.currentLevel();
    auto mark = [level](QMenu *menu, auto matches) {
        for (QAction *item : menu->actions()) {
            if (item->isCheckable())
                item->setChecked(level && matches(*level, item->data().toString()));
        }
    };
    auto baseIs = [](const QByteArray &stored, const QString &file) {
        return mCommon::GetBaseName(file) == vt::fromAnsi(stored);
    };
    mark(mnuTilesetList, [&](const LevelRecord &l, const QString &f) { return baseIs(l.sTileset, f); });
    mark(mnuSkinList, [&](const LevelRecord &l, const QString &f) { return baseIs(l.sEnemySkin, f); });
    mark(mnuMusicList, [&](const LevelRecord &l, const QString &f) { return baseIs(l.sMusic, f); });
    mark(mnuBackgroundList, [](const LevelRecord &l, const QString &f) { return f == vt::fromAnsi(l.sBackdrop); });
}

void frmMain::LoadTilesetPicture()
{
    const LevelRecord *level = m_state.currentLevel();
    if (!level)
        return;
    const QString file = vt::fromAnsi(level->sTileset) + QStringLiteral(".bmp");
    if (!vt::isBareFileName(file))
        return;  // a stored name never leads outside the tilesets folder
    // A missing or damaged picture keeps the one loaded before, as a failed load always has.
    QImage picture;
    if (vt::readImage(vt::resolvePath(vt::joinPath(m_state.dataFolder(QStringLiteral("Tilesets")), file)), picture))
        m_pictures.setTileset(std::move(picture));
}

void frmMain::resourceChosen(ResourceKind kind, const QString &fileName)
{
    LevelRecord *level = m_state.currentLevel();
    if (!level) {
        ShowLevel(m_state.nCurLevel);  // undo the menu's own check mark
        return;
    }
    QByteArray stored;
    const QString name = kind == ResourceKind::Backdrop ? fileName : mCommon::GetBaseName(fileName);
    if (!toStoredText(name, stored)) {
        ShowLevel(m_state.nCurLevel);
        return;
    }
    LevelField field{LevelField::Kind::Tileset, 0};
    switch (kind) {
    case ResourceKind::Skin: field.kind = LevelField::Kind::EnemySkin; break;
    case ResourceKind::Backdrop: field.kind = LevelField::Kind::Backdrop; break;
    case ResourceKind::Music: field.kind = LevelField::Kind::Music; break;
    case ResourceKind::Tileset: break;
    }
    if (LevelFields::get(*level, field).text == stored) {
        // Choosing the tileset again still reads its picture again.
        showLevelField(m_state.nCurLevel, field);
        return;
    }
    setLevelField(m_state.nCurLevel, field, LevelFieldValue{stored, 0});
}

bool frmMain::toStoredText(const QString &text, QByteArray &out)
{
    bool lossless = false;
    QByteArray bytes = vt::toAnsi(text, &lossless);
    if (!lossless) {
        m_dialogs.message(this, kStudioTitle,
                          QStringLiteral("The name \"%1\" has characters that the game's files cannot "
                                         "hold (they are limited to the Windows-1252 characters).")
                              .arg(text),
                          vt::Dialogs::Icon::Warning);
        return false;
    }
    out = std::move(bytes);
    return true;
}

// ---- levels ----------------------------------------------------------------------------

void frmMain::updateLevelList()
{
    lstLevels->clear();
    for (std::size_t i = 0; i < m_state.gWorld.Levels.size(); ++i)
        lstLevels->addItem(QStringLiteral("%1: %2").arg(i + 1).arg(vt::fromAnsi(m_state.gWorld.Levels[i].sName)));
}

void frmMain::selectLevelInList(qint32 index)
{
    if (index >= 0 && index < lstLevels->count() && lstLevels->currentRow() != index)
        lstLevels->setCurrentRow(index);  // the change handler makes it current
}

void frmMain::levelClicked(qint32 index)
{
    ShowLevel(index);
    LevelRecord *level = m_state.currentLevel();
    if (!level)
        return;
    const QString tilesetFile = vt::fromAnsi(level->sTileset) + QStringLiteral(".bmp");
    if (!mCommon::FileExists(vt::joinPath(m_state.dataFolder(QStringLiteral("Tilesets")), tilesetFile))) {
        const QList<QAction *> tilesets = mnuTilesetList->actions();
        const QString first = tilesets.isEmpty() ? QString() : tilesets.constFirst()->data().toString();
        QByteArray stored;
        if (toStoredText(mCommon::GetBaseName(first), stored))
            setLevelField(index, {LevelField::Kind::Tileset, 0}, LevelFieldValue{stored, 0}, true);
        ShowLevel(index);
    }
    LoadTilesetPicture();
    if (bTileWindowOpen)
        if (frmLevelTiles *tiles = palette())
            tiles->ResetMe();
    if (bDetailWindowOpen)
        if (frmLevelView *details = detailsWindow()) {
            details->UpdateLevelInfo();
            details->SetLevel(index);
        }
    if (frmLevelEdit *editor = areaEditor()) {
        editor->SetLevel(vt::fromAnsi(level->sAreaFile));
        editor->DrawLevel();
    }
}

void frmMain::levelDoubleClicked(qint32 index)
{
    levelClicked(index);
    mnuLevel->popup(QCursor::pos());
}

void frmMain::renameLevel()
{
    LevelRecord *level = m_state.currentLevel();
    if (!level)
        return;
    frmRenameLevel dialog(this);
    dialog.SetLevel(m_dialogs, QStringLiteral("Renaming Level %1").arg(m_state.nCurLevel + 1),
                    vt::fromAnsi(level->sName));
    QByteArray stored;
    if (!dialog.OutputName().isEmpty() && toStoredText(dialog.OutputName(), stored))
        setLevelField(m_state.nCurLevel, {LevelField::Kind::Name, 0}, LevelFieldValue{stored, 0});
    updateLevelList();
}

void frmMain::renameWorld()
{
    if (!m_state.worldOpen())
        return;
    frmRenameLevel dialog(this);
    dialog.SetLevel(m_dialogs, QStringLiteral("Renaming World %1").arg(m_state.nCurWorld + 1),
                    vt::fromAnsi(m_state.gWorld.sWorldName));
    QByteArray stored;
    if (!dialog.OutputName().isEmpty() && toStoredText(dialog.OutputName(), stored)
        && !m_showingStep)
        m_world.renameWorld(stored);
    lblCurWorldName->setText(vt::fromAnsi(m_state.gWorld.sWorldName));
}

void frmMain::addLevel()
{
    if (!m_state.worldOpen())
        return;
    WorldDetails added;
    mWorldData::AddLevel(added, QByteArrayLiteral("[NEW]"));
    m_world.addLevel(added.Levels.back());
}

void frmMain::killLastLevel()
{
    // The only level is never removed; nothing happened then.
    if (!m_world.killLastLevel())
        showLevels();
}

// ---- world details steps ---------------------------------------------------------------

void frmMain::setLevelField(qint32 index, LevelField field, const LevelFieldValue &value, bool quiet)
{
    if (m_showingStep)
        return;  // a window following a step stores nothing
    const QScopedValueRollback quietly(m_quietField, quiet);
    m_world.setLevelField(index, field, value);
}

void frmMain::showLevelField(qint32 index, LevelField field)
{
    const QScopedValueRollback showing(m_showingStep, true);
    switch (field.kind) {
    case LevelField::Kind::Name: updateLevelList(); return;
    case LevelField::Kind::EnemySkin:
    case LevelField::Kind::Backdrop:
    case LevelField::Kind::Music: ShowLevel(m_state.nCurLevel); return;
    case LevelField::Kind::Tileset: {
        const LevelRecord *level = m_state.currentLevel();
        if (index == m_state.nCurLevel && level) {
            LoadTilesetPicture();
            if (frmLevelTiles *tiles = palette())
                tiles->ResetMe();
            if (frmLevelEdit *editor = areaEditor())
                editor->SetLevel(vt::fromAnsi(level->sAreaFile));
        }
        ShowLevel(m_state.nCurLevel);
        if (index == m_state.nCurLevel)
            if (frmLevelEdit *editor = areaEditor())
                editor->DrawLevel();
        return;
    }
    default:
        if (frmLevelView *details = detailsWindow())
            details->showStoredField(index, field);
        return;
    }
}

void frmMain::showLevels(bool levelBack)
{
    const QScopedValueRollback showing(m_showingStep, true);
    updateLevelList();
    ShowLevel(m_state.nCurLevel);
    if (frmLevelView *details = detailsWindow()) {
        if (levelBack)
            details->levelBack();
        details->checkShownLevel();
    }
}

void frmMain::showWorldName()
{
    lblCurWorldName->setText(vt::fromAnsi(m_state.gWorld.sWorldName));
}

// ---- saving, switching and closing ------------------------------------------------------

bool frmMain::saveWorldDetails()
{
    // What the details window shows is part of the details being saved.
    if (frmLevelView *details = detailsWindow())
        details->UpdateLevelInfo();
    const vt::Status saved = m_world.save();
    if (!saved) {
        m_dialogs.message(this, kStudioTitle,
                          QStringLiteral("The world details could not be saved.\n%1").arg(saved.error()),
                          vt::Dialogs::Icon::Warning);
        return false;
    }
    m_dialogs.message(this, kStudioTitle, QStringLiteral("Current world details saved to disk!"));
    return true;
}

bool frmMain::askToSaveWorld()
{
    if (!m_state.worldOpen())
        return true;
    const bool goOn = vt::askToSaveChanges(m_dialogs, this, kStudioTitle,
                                           QStringLiteral("Save changes to current world details?"),
                                           [this] { return saveWorldDetails(); });
    if (goOn && m_world.isModified())
        m_world.discardJournal();  // "No": the user drops the changes
    return goOn;
}

void frmMain::worldChosen(qint32 n)
{
    if (askToSaveWorld() && closeChildWindows())
        SelectWorld(n);
    checkWorldMenu();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_bModOpen && (!askToSaveWorld() || !closeChildWindows())) {
        event->ignore();
        return;
    }
    m_bModOpen = false;  // asked once: a second close event must not ask again
    event->accept();
}

} // namespace tessaforge
