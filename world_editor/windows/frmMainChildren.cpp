// The frame's child windows: each is made with what it uses and wired to the frame here.
#include "frmMain.h"

#include "frmLevelEdit.h"
#include "documents/AreaDocument.h"
#include "documents/MapDocument.h"
#include "frmLevelTiles.h"
#include "frmLevelView.h"
#include "frmMapScreenEdit.h"

#include "AnsiText.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
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
        auto *editor = new frmLevelEdit(*document, m_brush, m_pictures, m_world, m_dialogs);
        m_areaEditor = openChild(editor);
        document->setParent(m_areaEditor);
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
        auto *editor = new frmMapScreenEdit(m_dialogs, *document, m_world);
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
