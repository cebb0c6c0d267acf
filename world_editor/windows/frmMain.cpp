#include "frmMain.h"

#include "frmLevelEdit.h"
#include "documents/AreaDocument.h"
#include "documents/MapDocument.h"
#include "frmLevelTiles.h"
#include "frmLevelView.h"
#include "frmLoadFolder.h"
#include "frmMapScreenEdit.h"
#include "frmRenameLevel.h"

#include "resources/TagSheet.h"
#include "world/mCommon.h"

#include "AnsiText.h"
#include "Dialogs.h"
#include "ImageFile.h"
#include "Paths.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLockFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTimer>
#include <QUndoGroup>
#include <QUndoStack>

namespace tessaforge {

namespace {

const QString kStudioTitle = QStringLiteral("Vantaro Studio");
const QString kNoData = QStringLiteral("No Data");

constexpr int kSideBarWidth = 172;
constexpr int kListTop = 60;
constexpr int kListBottomGap = 65;  // the list ends this far above the side bar's bottom, less its top

QFont worldLabelFont()
{
    // Arial Black where installed; otherwise the heaviest face of a sans-serif family.
    QFont font(QStringLiteral("Arial Black"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Black);
    font.setPointSize(11);
    return font;
}

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
    setWindowTitle(QStringLiteral("Tessaforge"));

    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildSideBar();
    layout->addWidget(picSideBar);
    mdiArea = new QMdiArea(central);
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
    connect(mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) {
        QUndoStack *stack = sub ? m_undoStacks.value(sub->widget()) : nullptr;
        undoGroup->setActiveStack(stack ? stack : worldUndo.data());
        if (auto *details = sub ? qobject_cast<frmLevelView *>(sub->widget()) : nullptr)
            details->activated();
    });

    buildMenus();

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

void frmMain::buildSideBar()
{
    picSideBar = new QWidget(this);
    picSideBar->setObjectName(QStringLiteral("picSideBar"));
    picSideBar->setFixedWidth(kSideBarWidth);

    lblCurWorldName = new QLabel(picSideBar);
    lblCurWorldName->setObjectName(QStringLiteral("lblCurWorldName"));
    lblCurWorldName->setFont(worldLabelFont());
    lblCurWorldName->setGeometry(4, 4, kSideBarWidth - 8, 24);
    lblCurWorldName->setToolTip(QStringLiteral("Click to rename the world"));
    lblCurWorldName->setCursor(Qt::PointingHandCursor);
    lblCurWorldName->installEventFilter(this);

    cmdRename = new QPushButton(QStringLiteral("Rename"), picSideBar);
    cmdRename->setObjectName(QStringLiteral("cmdRename"));
    cmdRegulate[1] = new QPushButton(QStringLiteral("Add"), picSideBar);
    cmdRegulate[1]->setObjectName(QStringLiteral("cmdRegulate1"));
    cmdRegulate[0] = new QPushButton(QStringLiteral("Kill Last"), picSideBar);
    cmdRegulate[0]->setObjectName(QStringLiteral("cmdRegulate0"));
    const int buttonWidth = (kSideBarWidth - 8) / 3;
    cmdRename->setGeometry(4, 32, buttonWidth, 24);
    cmdRegulate[1]->setGeometry(4 + buttonWidth, 32, buttonWidth, 24);
    cmdRegulate[0]->setGeometry(4 + 2 * buttonWidth, 32, buttonWidth, 24);

    lstLevels = new QListWidget(picSideBar);
    lstLevels->setObjectName(QStringLiteral("lstLevels"));
    lstLevels->setGeometry(4, kListTop, kSideBarWidth - 8, 200);

    connect(cmdRename, &QPushButton::clicked, this, &frmMain::renameLevel);
    connect(cmdRegulate[1], &QPushButton::clicked, this, &frmMain::addLevel);
    connect(cmdRegulate[0], &QPushButton::clicked, this, &frmMain::killLastLevel);
    // Any change of the selection, by mouse, keyboard or code, makes that level current; a
    // click on the row that already was selected runs the same handler again.
    connect(lstLevels, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            levelClicked(row);
    });
    connect(lstLevels, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (lstLevels->row(item) == m_rowBeforePress)
            levelClicked(m_rowBeforePress);
    });
    lstLevels->installEventFilter(this);
    lstLevels->viewport()->installEventFilter(this);
    connect(lstLevels, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { levelDoubleClicked(lstLevels->row(item)); });
}

void frmMain::buildMenus()
{
    auto action = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    auto noData = [](QMenu *menu) { menu->addAction(kNoData)->setEnabled(false); };

    mnuWorld = menuBar()->addMenu(QStringLiteral("&Menu"));
    mnuWorld->setObjectName(QStringLiteral("mnuWorld"));
    mnuWorldList = mnuWorld->addMenu(QStringLiteral("Select &World"));
    mnuWorldList->setObjectName(QStringLiteral("mnuWorldList"));
    mnuWorldList->menuAction()->setObjectName(QStringLiteral("mnuSelWorld"));
    noData(mnuWorldList);
    separator(mnuWorld, "sfads");
    QAction *save = action(mnuWorld, "mnuSave", QStringLiteral("&Save World Level Details"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction *map = action(mnuWorld, "mnuShowWorldMap", QStringLiteral("World &Map Editor"));
    map->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    separator(mnuWorld, "mmuasn");
    QAction *objects = action(mnuWorld, "mnuShowObjectsWindow", QStringLiteral("&Object Selector"));
    objects->setShortcut(QKeySequence(Qt::Key_F4));
    QAction *tiles = action(mnuWorld, "mnuShowTSetWindow", QStringLiteral("&Tile Selector"));
    tiles->setShortcut(QKeySequence(Qt::Key_F3));
    // Undo and redo act on the document of the active window: the world details while no
    // child window with a document of its own is active.
    separator(mnuWorld, "mnuUndoDash");
    QAction *undo = undoGroup->createUndoAction(this, QStringLiteral("Undo"));
    undo->setObjectName(QStringLiteral("mnuUndo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuWorld->addAction(undo);
    QAction *redo = undoGroup->createRedoAction(this, QStringLiteral("Redo"));
    redo->setObjectName(QStringLiteral("mnuRedo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    mnuWorld->addAction(redo);
    separator(mnuWorld, "mnuDash");
    QAction *quit = action(mnuWorld, "mnuQuitEditor", QStringLiteral("&Exit"));

    connect(save, &QAction::triggered, this, [this] { saveWorldDetails(); });
    connect(map, &QAction::triggered, this, &frmMain::showWorldMap);
    connect(objects, &QAction::triggered, this, &frmMain::showObjectSelector);
    connect(tiles, &QAction::triggered, this, &frmMain::showTileSelector);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    // The level menu pops up from the level list.
    mnuLevel = new QMenu(QStringLiteral("&Level Options"), this);
    mnuLevel->setObjectName(QStringLiteral("mnuLevel"));
    QAction *editArea = action(mnuLevel, "mnuEditArea", QStringLiteral("Edit &Area"));
    QAction *editDetails = action(mnuLevel, "mnuEditLevelDetails", QStringLiteral("Edit &Details"));
    separator(mnuLevel, "mnudah111");
    mnuSkinList = addResourceMenu(mnuLevel, "mnuEnemies", QStringLiteral("&Enemies"), "mnuSkinList");
    mnuTilesetList = addResourceMenu(mnuLevel, "mnuTileset", QStringLiteral("&Tileset"), "mnuTilesetList");
    mnuBackgroundList =
        addResourceMenu(mnuLevel, "mnuBackground", QStringLiteral("&Background"), "mnuBackgroundList");
    mnuMusicList = addResourceMenu(mnuLevel, "mnuMusic", QStringLiteral("&Music"), "mnuMusicList");
    connect(editArea, &QAction::triggered, this, &frmMain::editArea);
    connect(editDetails, &QAction::triggered, this, &frmMain::editDetails);

    // The area editor's "Menu" button pops this one up; its items act on the area editor.
    mnuLevelMenu = new QMenu(QStringLiteral("LevelMenu"), this);
    mnuLevelMenu->setObjectName(QStringLiteral("mnuLevelMenu"));
    auto forwardToArea = [this](QAction *a, void (frmLevelEdit::*operation)()) {
        connect(a, &QAction::triggered, this, [this, operation] {
            if (frmLevelEdit *editor = areaEditor())
                (editor->*operation)();
        });
    };
    forwardToArea(action(mnuLevelMenu, "mnuLevNew", QStringLiteral("&New")), &frmLevelEdit::NewArea);
    QAction *levSave = action(mnuLevelMenu, "mnuLevSave", QStringLiteral("&Save"));
    connect(levSave, &QAction::triggered, this, [this] {
        if (frmLevelEdit *editor = areaEditor())
            editor->SaveArea();
    });
    forwardToArea(action(mnuLevelMenu, "mnuLevExport", QStringLiteral("Export as &Image...")),
                  &frmLevelEdit::ExportImage);
    separator(mnuLevelMenu, "mnuDashLC");
    forwardToArea(action(mnuLevelMenu, "mnuLevZoomIn", QStringLiteral("Zoom &In")), &frmLevelEdit::ZoomIn);
    forwardToArea(action(mnuLevelMenu, "mnuLevZoomOut", QStringLiteral("Zoom &Out")), &frmLevelEdit::ZoomOut);
    separator(mnuLevelMenu, "mnuLevDashNine");
    mnuSideWarp = action(mnuLevelMenu, "mnuSideWarp", QStringLiteral("Enable &Side-Warp"));
    mnuSideWarp->setCheckable(true);
    forwardToArea(mnuSideWarp, &frmLevelEdit::ToggleSideWarp);
    forwardToArea(action(mnuLevelMenu, "mnuLevSetStart", QStringLiteral("Set Start &Position")),
                  &frmLevelEdit::SetStartPos);
    forwardToArea(action(mnuLevelMenu, "mnuLevResize", QStringLiteral("&Resize Area")),
                  &frmLevelEdit::ResizeArea);

    // The world map editor's "Menu" button pops this one up.
    mnuNodes = new QMenu(QStringLiteral("MapScreenMenu"), this);
    mnuNodes->setObjectName(QStringLiteral("mnuNodes"));
    QAction *mapSave = action(mnuNodes, "mnuMapSave", QStringLiteral("&Save"));
    separator(mnuNodes, "mnuDDash");
    QAction *addNode = action(mnuNodes, "mnuMapAddNode", QStringLiteral("&Create New Node"));
    QAction *killNode = action(mnuNodes, "mnuMapKillNode", QStringLiteral("&Remove Last Node"));
    connect(mapSave, &QAction::triggered, this, [this] {
        if (frmMapScreenEdit *editor = mapEditor())
            editor->SaveChanges();
    });
    connect(addNode, &QAction::triggered, this, [this] {
        if (frmMapScreenEdit *editor = mapEditor())
            editor->AddNode();
    });
    connect(killNode, &QAction::triggered, this, [this] {
        if (frmMapScreenEdit *editor = mapEditor())
            editor->KillNode();
    });
}

QMenu *frmMain::addResourceMenu(QMenu *parent, const char *name, const QString &caption,
                                const char *listName)
{
    QMenu *list = parent->addMenu(caption);
    list->menuAction()->setObjectName(QString::fromLatin1(name));
    list->setObjectName(QString::fromLatin1(listName));
    list->addAction(kNoData)->setEnabled(false);
    return list;
}

void frmMain::layOutSideBar()
{
    Timer1->stop();
    const int height = picSideBar->height() - kListBottomGap;
    if (height > 0)
        lstLevels->setGeometry(lstLevels->x(), lstLevels->y(), lstLevels->width(), height);
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Timer1->start();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblCurWorldName && event->type() == QEvent::MouseButtonRelease) {
        renameWorld();
        return true;
    }
    if (watched == lstLevels->viewport() && event->type() == QEvent::MouseButtonPress)
        m_rowBeforePress = lstLevels->currentRow();
    if (watched == lstLevels && isLevelMenuKey(event)) {
        popUpLevelMenuAtSelection();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// The context-menu key and Shift+F10, as the keyboard's way to what a double click opens.
bool frmMain::isLevelMenuKey(const QEvent *event)
{
    if (event->type() == QEvent::ContextMenu)
        return static_cast<const QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard;
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_Menu
        || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
}

void frmMain::popUpLevelMenuAtSelection()
{
    const QListWidgetItem *item = lstLevels->currentItem();
    if (!item || mnuLevel->isVisible())
        return;
    const QRect row = lstLevels->visualItemRect(item);
    mnuLevel->popup(lstLevels->viewport()->mapToGlobal(row.bottomLeft() + QPoint(row.width() / 4, 0)));
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
    return true;
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

// ---- child windows ---------------------------------------------------------------------

void frmMain::registerUndoStack(QWidget *window, QUndoStack *stack)
{
    undoGroup->addStack(stack);
    m_undoStacks.insert(window, stack);
    m_undoStackWatch.append(connect(window, &QObject::destroyed, this, [this, window] {
        m_undoStacks.remove(window);
        if (!undoGroup->activeStack())
            undoGroup->setActiveStack(worldUndo);
    }));
    if (mdiArea->activeSubWindow() && mdiArea->activeSubWindow()->widget() == window)
        undoGroup->setActiveStack(stack);
}

QMdiSubWindow *frmMain::openChild(QWidget *child)
{
    QMdiSubWindow *sub = mdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(child->windowTitle());
    connect(child, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
    return sub;
}

// A closed child window is hidden at once and deleted a little later.
bool frmMain::isOpen(const QPointer<QMdiSubWindow> &sub)
{
    return sub && !sub->isHidden();
}

template<typename W>
W *frmMain::childOf(const QPointer<QMdiSubWindow> &sub) const
{
    return isOpen(sub) ? qobject_cast<W *>(sub->widget()) : nullptr;
}

frmLevelEdit *frmMain::areaEditor() const { return childOf<frmLevelEdit>(m_areaEditor); }
frmLevelTiles *frmMain::palette() const { return childOf<frmLevelTiles>(m_palette); }
frmLevelView *frmMain::detailsWindow() const { return childOf<frmLevelView>(m_details); }
frmMapScreenEdit *frmMain::mapEditor() const { return childOf<frmMapScreenEdit>(m_mapEditor); }

void frmMain::editArea()
{
    LevelRecord *level = m_state.currentLevel();
    if (!level)
        return;
    if (!isOpen(m_areaEditor)) {
        // The document lives as long as its window: the window's frame deletes both, the
        // window first.
        auto *document = new AreaDocument(this);
        auto *editor = new frmLevelEdit(*document, m_brush, m_pictures, m_world, m_dialogs, mnuLevelMenu);
        m_areaEditor = openChild(editor);
        document->setParent(m_areaEditor);
        registerUndoStack(editor, document->undoStack());
        connect(editor, &frmLevelEdit::statusMessage, this, [this](const QString &text) {
            statusBar()->showMessage(text);
        });
        // The area menu's check mark follows the area's side warp.
        auto showSideWarp = [this, document] {
            if (mnuSideWarp)
                mnuSideWarp->setChecked(document->area().SideWarp());
        };
        connect(document, &AreaDocument::sideWarpChanged, mnuSideWarp, showSideWarp);
        connect(document, &AreaDocument::areaReplaced, mnuSideWarp, showSideWarp);
        showSideWarp();
    }
    m_areaEditor->show();
    frmLevelEdit *editor = areaEditor();
    editor->lZoom = 16;
    m_state.bAreaWindowOpen = true;
    editor->SetLevel(vt::fromAnsi(level->sAreaFile));
    editor->DrawLevel();
    showTileSelector();

    m_palette->move(0, 0);
    m_areaEditor->move(m_palette->x() + m_palette->width(), 0);
    m_areaEditor->resize(std::max(m_areaEditor->width() - 48, m_areaEditor->minimumWidth()),
                         m_areaEditor->height());
    m_palette->resize(m_palette->width(), m_areaEditor->height());
}

void frmMain::editDetails()
{
    if (!m_state.currentLevel())
        return;
    if (!bDetailWindowOpen || !isOpen(m_details)) {
        auto *details = new frmLevelView(m_world);
        connect(details, &frmLevelView::fieldEdited, this,
                [this](qint32 level, LevelField field, const LevelFieldValue &value) {
                    setLevelField(level, field, value);
                });
        connect(details, &frmLevelView::levelSelected, this, &frmMain::selectLevelInList);
        connect(details, &frmLevelView::areaChosen, this, [this](const QString &name) {
            if (frmLevelEdit *editor = areaEditor())
                editor->SetLevel(name);
        });
        connect(details, &frmLevelView::closed, this, [this] { bDetailWindowOpen = false; });
        details->SetLevel(m_state.nCurLevel);
        m_details = openChild(details);
        m_details->move(0, 0);
        m_details->show();
        bDetailWindowOpen = true;
    }
    detailsWindow()->SetLevel(m_state.nCurLevel);
}

void frmMain::showTileSelector()
{
    openPalette(AreaLayer::Tiles);
}

void frmMain::showObjectSelector()
{
    m_brush.select(m_brush.tMode, 0, 0);
    openPalette(AreaLayer::Tags);
}

void frmMain::openPalette(AreaLayer mode)
{
    bTileWindowOpen = true;
    m_brush.select(mode, m_brush.curTileX, m_brush.curTileY);
    if (!isOpen(m_palette)) {
        auto *tiles = new frmLevelTiles(m_brush, m_pictures);
        connect(tiles, &frmLevelTiles::closed, this, [this] { bTileWindowOpen = false; });
        m_palette = openChild(tiles);
    }
    m_palette->show();
    palette()->ResetMe();
    if (frmLevelEdit *editor = areaEditor())
        editor->DrawLevel();
}

void frmMain::showWorldMap()
{
    if (!m_state.worldOpen())
        return;
    if (!isOpen(m_mapEditor)) {
        auto *document = new MapDocument(this);
        auto *editor = new frmMapScreenEdit(m_dialogs, *document, m_world, mnuNodes);
        m_mapEditor = openChild(editor);
        document->setParent(m_mapEditor);  // deleted after the window, with its frame
        registerUndoStack(editor, document->undoStack());
    }
    // The editor shows itself once the world's map is open, or closes with a word why.
    if (auto *editor = qobject_cast<frmMapScreenEdit *>(m_mapEditor->widget()))
        editor->ShowMe(m_state.worldFolder());
}

bool frmMain::closeChildWindows()
{
    if (frmMapScreenEdit *map = mapEditor())
        map->KillMe();
    for (const QPointer<QMdiSubWindow> &sub : {m_details, m_palette, m_areaEditor}) {
        if (isOpen(sub) && !sub->close())
            return false;
    }
    return !isOpen(m_mapEditor);
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
    return vt::askToSaveChanges(m_dialogs, this, kStudioTitle, QStringLiteral("Save changes to current world details?"),
                                [this] { return saveWorldDetails(); });
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
