// The frame's child windows: each is made with what it uses and wired to the frame here.
#include "frmMain.h"

#include "Journal.h"
#include "DocumentRecovery.h"
#include "Recovery.h"

#include "frmLevelEdit.h"
#include "documents/AreaDocument.h"
#include "documents/MapDocument.h"
#include "frmLevelTiles.h"
#include "frmLevelView.h"
#include "frmMapScreenEdit.h"

#include "AnsiText.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoStack>

#include <algorithm>

namespace tessaforge {

void frmMain::registerUndoStack(QWidget *window, QUndoStack *stack)
{
    undoGroup->addStack(stack);
    m_undoStacks.insert(window, stack);
    m_undoStackWatch.append(connect(window, &QObject::destroyed, this, [this, window] {
        m_undoStacks.remove(window);
        if (!undoGroup->activeStack())
            undoGroup->setActiveStack(worldUndo);
        // The window's frame may be half destroyed now: the keys are routed once it is gone.
        QMetaObject::invokeMethod(this, &frmMain::routeKeys, Qt::QueuedConnection);
    }));
    routeKeys();
}

QMdiSubWindow *frmMain::openChild(QWidget *child)
{
    QMdiSubWindow *sub = mdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(child->windowTitle());
    connect(child, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
    // Ctrl+W opens the world map: the inner window's own menu keeps its Close item without
    // the key, which would otherwise be claimed twice while the focus is inside it.
    if (QMenu *system = sub->systemMenu()) {
        for (QAction *a : system->actions())
            if (a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_W))
                a->setShortcut(QKeySequence());
    }
    return sub;
}

QMdiSubWindow *frmMain::documentWindow() const
{
    return isOpen(m_documentWindow) ? m_documentWindow.data() : nullptr;
}

void frmMain::childActivated(QMdiSubWindow *sub)
{
    // The palette serves the area editor: activating it leaves the editor in charge. So does
    // the moment when no child is active (the frame lost the focus to a dialog).
    if (sub && sub != m_palette)
        m_documentWindow = sub;
    else if (!sub && !isOpen(m_documentWindow))
        m_documentWindow = nullptr;
    routeKeys();
    if (auto *details = sub ? qobject_cast<frmLevelView *>(sub->widget()) : nullptr)
        details->activated();
}

void frmMain::routeKeys()
{
    QMdiSubWindow *sub = documentWindow();
    QUndoStack *stack = sub ? m_undoStacks.value(sub->widget()) : nullptr;
    undoGroup->setActiveStack(stack ? stack : worldUndo.data());

    frmLevelEdit *area = sub ? qobject_cast<frmLevelEdit *>(sub->widget()) : nullptr;
    frmMapScreenEdit *map = sub ? qobject_cast<frmMapScreenEdit *>(sub->widget()) : nullptr;
    // One action holds Ctrl+S at a time, and the menus show which: the area's or the map's
    // own save while its editor is in charge, else the world details'.
    const QKeySequence ctrlS(Qt::CTRL | Qt::Key_S);
    mnuSave->setShortcut(area || map ? QKeySequence() : ctrlS);
    if (frmLevelEdit *editor = areaEditor())
        editor->setKeysActive(editor == area);
    if (frmMapScreenEdit *editor = mapEditor()) {
        if (auto *mapSave = editor->findChild<QAction *>(QStringLiteral("mnuMapSave"))) {
            mapSave->setShortcutContext(Qt::WindowShortcut);
            mapSave->setShortcut(editor == map ? ctrlS : QKeySequence());
            addAction(mapSave);  // the key works with the map's menu closed
        }
    }
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
        document->recordTo(vt::recoveryFolder(m_state.sAppPath));
        auto *editor = new frmLevelEdit(*document, m_brush, m_pictures, m_world, m_dialogs);
        m_areaEditor = openChild(editor);
        document->setParent(m_areaEditor);
        addActions(editor->keyActions());  // its keys work from the palette too
        showAreaTools(editor);
        registerUndoStack(editor, document->undoStack());
        connect(editor, &frmLevelEdit::statusMessage, this, [this](const QString &text) {
            statusBar()->showMessage(text);
        });
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

void frmMain::showAreaTools(frmLevelEdit *editor)
{
    if (!m_areaTools) {
        m_areaTools = addToolBar(QStringLiteral("Area Editor"));
        m_areaTools->setObjectName(QStringLiteral("tbrAreaTools"));
        m_areaTools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    m_areaTools->clear();
    m_areaTools->addActions(editor->toolBarActions());
    m_areaTools->show();
    // The tools leave with their editor.
    connect(editor, &QObject::destroyed, m_areaTools, [tools = m_areaTools] { tools->hide(); });
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
        // Above the other windows, so that a maximised area editor does not hide it.
        m_palette->setWindowFlag(Qt::WindowStaysOnTopHint);
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
        document->recordTo(vt::recoveryFolder(m_state.sAppPath));
        auto *editor = new frmMapScreenEdit(m_dialogs, *document, m_world);
        connect(document, &Document::journalFailed, this, [this, document](const QString &why) {
            recoveryOff(*document, QStringLiteral("the new map"), why);
        });
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

} // namespace tessaforge
