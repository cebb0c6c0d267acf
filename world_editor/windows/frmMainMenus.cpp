// The frame's side bar and menus, and the keys that open the level menu.
#include "frmMain.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QUndoGroup>

namespace tessaforge {

namespace {

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

} // namespace

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
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));  // while the details are in charge
    mnuSave = save;
    QAction *map = action(mnuWorld, "mnuShowWorldMap", QStringLiteral("World &Map Editor"));
    map->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QAction *check = action(mnuWorld, "mnuCheckWorld", QStringLiteral("&Check World"));
    check->setEnabled(false);  // until a world is open
    m_checkWorld = check;
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
    connect(check, &QAction::triggered, this, &frmMain::checkWorld);
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
    // A right click on a level opens its menu at the pointer, as a double click does.
    if (watched == lstLevels->viewport() && event->type() == QEvent::ContextMenu) {
        const auto *menuEvent = static_cast<const QContextMenuEvent *>(event);
        if (menuEvent->reason() != QContextMenuEvent::Keyboard) {
            if (QListWidgetItem *item = lstLevels->itemAt(menuEvent->pos())) {
                const int row = lstLevels->row(item);
                if (row != lstLevels->currentRow())
                    lstLevels->setCurrentRow(row);  // makes it current, as a click does
                mnuLevel->popup(menuEvent->globalPos());
            }
            return true;
        }
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

void frmMain::popUpLevelMenuAtSelection(QMenu *menu)
{
    if (!menu)
        menu = mnuLevel;
    const QListWidgetItem *item = lstLevels->currentItem();
    if (!item || menu->isVisible())
        return;
    const QRect row = lstLevels->visualItemRect(item);
    menu->popup(lstLevels->viewport()->mapToGlobal(row.bottomLeft() + QPoint(row.width() / 4, 0)));
}

} // namespace tessaforge
