// The area editor's tools beside the pencil: rectangle, fill, pick, select, copy and paste.
#include "frmLevelEdit.h"


#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>

namespace tessaforge {

// ---- tools ---------------------------------------------------------------------------------

QPoint frmLevelEdit::cellUnder(QPointF position) const
{
    const QPoint window = windowCell(position, lZoom);
    return {window.x() + hScroll->value(), window.y() + vScroll->value()};
}

bool frmLevelEdit::inArea(QPoint cell) const
{
    return cell.x() >= 0 && cell.y() >= 0 && cell.x() <= oArea.width() && cell.y() <= oArea.height();
}

void frmLevelEdit::setTool(AreaTool tool)
{
    if (m_dragging || m_floating) {
        m_dragging = false;
        m_floating = false;
    }
    m_tool = tool;
    if (QAction *item = mnuTool[static_cast<int>(tool)])
        item->setChecked(true);
    if (tool != AreaTool::Select) {
        m_selection = QRect();
        placeSelection();
    }
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
}

void frmLevelEdit::showCell(QPoint cell)
{
    if (!inArea(cell) || m_dragging || m_floating)
        return;
    hScroll->setValue(cell.x() - hScroll->pageStep() / 2);
    vScroll->setValue(cell.y() - vScroll->pageStep() / 2);
    m_pointerCell = cell;
    shpCursor->setGeometry((cell.x() - hScroll->value()) * lZoom, (cell.y() - vScroll->value()) * lZoom, lZoom, lZoom);
    shpCursor->show();
    setFocus();
}

void frmLevelEdit::updateCursorShape()
{
    if (!shpCursor)
        return;
    if (bSetStartMode)
        shpCursor->setShape(AreaCursor::Shape::RoundedSquare);
    else if (m_dragging || m_floating)
        shpCursor->setShape(AreaCursor::Shape::Box);
    else
        shpCursor->setShape(AreaCursor::Shape::Circle);
}

QRect frmLevelEdit::windowRectOf(const QRect &cells) const
{
    return {(cells.left() - hScroll->value()) * lZoom, (cells.top() - vScroll->value()) * lZoom,
            cells.width() * lZoom, cells.height() * lZoom};
}

void frmLevelEdit::placeFootprint()
{
    QRect cells;
    if (m_floating)
        cells = QRect(m_pointerCell, QSize(m_floatingBlock.columns, m_floatingBlock.rows));
    else if (m_dragging)
        cells = cellsBetween(m_dragFrom, m_dragTo);
    else
        return;
    // Far beyond the window the outline is clipped to a little more than the window.
    const QRect shown = windowRectOf(cells) & rect().adjusted(-lZoom, -lZoom, lZoom, lZoom);
    updateCursorShape();
    shpCursor->setGeometry(shown);
    shpCursor->show();
}

void frmLevelEdit::placeSelection()
{
    if (!shpSelection)
        return;
    if (m_selection.isEmpty()) {
        shpSelection->hide();
        return;
    }
    shpSelection->setGeometry(windowRectOf(m_selection) & rect().adjusted(-lZoom, -lZoom, lZoom, lZoom));
    shpSelection->show();
}

void frmLevelEdit::toolPressed(int button, QPoint cell)
{
    m_pointerCell = cell;
    if (m_floating) {
        if (button == kLeft)
            placePaste(cell);
        else
            cancelTool();  // any other button drops the block
        return;
    }
    switch (m_tool) {
    case AreaTool::Pencil: break;
    case AreaTool::Rectangle:
    case AreaTool::Select:
        if (m_dragging)
            return;  // a second button during the drag
        if (!inArea(cell))
            return;
        m_dragging = true;
        m_dragButton = button;
        m_dragFrom = cell;
        m_dragTo = cell;
        placeFootprint();
        break;
    case AreaTool::Fill:
        if (inArea(cell))
            fillAt(cell, button != kLeft);
        break;
    case AreaTool::Pick:
        if (button == kLeft)
            pickCell(cell.x(), cell.y());
        break;
    }
}

void frmLevelEdit::toolReleased()
{
    m_dragging = false;
    const QRect cells = cellsBetween(m_dragFrom, m_dragTo) & QRect(0, 0, oArea.width() + 1, oArea.height() + 1);
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
    if (m_tool == AreaTool::Select) {
        m_selection = cells;
        placeSelection();
        return;
    }
    if (cells.isEmpty())
        return;
    if (qint64(cells.width()) * cells.height() > AreaBlock::kMaxCells) {
        message(QStringLiteral("The rectangle has more than %1 cells; it was not filled.").arg(AreaBlock::kMaxCells));
        return;
    }
    m_document.changeCells(
        rectangleChanges(oArea, cells, m_brush.tMode, m_dragButton != kLeft, m_brush.curTileX, m_brush.curTileY),
        QStringLiteral("Rectangle"));
}

void frmLevelEdit::fillAt(QPoint cell, bool erase)
{
    const AreaLayer layer = m_brush.tMode;
    const qint32 x = m_brush.curTileX;
    const qint32 y = m_brush.curTileY;
    bool tooLarge = false;
    m_document.applyTool(
        [&](oLevel &area) -> std::optional<AreaChange> {
            AreaChange change = floodFill(area, cell.x(), cell.y(), layer, erase, x, y, kFillLimit, &tooLarge);
            if (tooLarge)
                return std::nullopt;
            return change;
        },
        QStringLiteral("Fill"));
    if (tooLarge)
        message(QStringLiteral("The region has more than %1 cells; it was not filled.").arg(kFillLimit));
}

void frmLevelEdit::pickCell(qint32 c, qint32 r)
{
    if (!inArea(QPoint(c, r)))
        return;
    const AreaCell cell = cellAt(oArea, c, r);
    // The palette offers the tag sheet's values only; a larger one from a file is not picked.
    const qint32 largest = std::max(0, m_pictures.picHoldTags.height() / 16 - 2);
    switch (m_brush.tMode) {
    case AreaLayer::Tiles:
        if (cell.bIsTile)
            m_brush.select(AreaLayer::Tiles, cell.xSrc, cell.ySrc);
        return;
    case AreaLayer::Tags:
        if (cell.lTag <= largest)
            m_brush.select(AreaLayer::Tags, 0, cell.lTag);
        return;
    case AreaLayer::Enemies:
        if (cell.lEnemy <= largest)
            m_brush.select(AreaLayer::Enemies, 1, cell.lEnemy);
        return;
    }
}

void frmLevelEdit::copySelection()
{
    if (m_selection.isEmpty())
        return;
    AreaBlock block = copyBlock(oArea, m_selection);
    if (block.isEmpty()) {
        message(QStringLiteral("The selection has more than %1 cells; it was not copied.").arg(AreaBlock::kMaxCells));
        return;
    }
    m_clipboard = std::move(block);
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(blockToText(m_clipboard));
}

void frmLevelEdit::cutSelection()
{
    if (m_selection.isEmpty())
        return;
    copySelection();
    if (m_clipboard.isEmpty())
        return;
    std::vector<CellChange> cells;
    const QRect cut = m_selection & QRect(0, 0, oArea.width() + 1, oArea.height() + 1);
    for (qint32 c = cut.left(); c <= cut.right(); ++c)
        for (qint32 r = cut.top(); r <= cut.bottom(); ++r)
            if (const AreaCell before = cellAt(oArea, c, r); !(before == AreaCell{}))
                cells.push_back(CellChange{c, r, before, AreaCell{}});
    m_document.changeCells(std::move(cells), QStringLiteral("Cut"));
}

void frmLevelEdit::startPaste()
{
    // The system clipboard may hold a block from another area or another world's editor.
    std::optional<AreaBlock> block;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        block = blockFromText(clipboard->text());
    if (block)
        m_clipboard = std::move(*block);
    if (m_clipboard.isEmpty())
        return;
    m_dragging = false;
    m_floatingBlock = m_clipboard;
    m_floating = true;
    placeFootprint();
}

void frmLevelEdit::placePaste(QPoint cell)
{
    m_floating = false;
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
    m_document.changeCells(pasteChanges(oArea, m_floatingBlock, cell), QStringLiteral("Paste"));
    m_floatingBlock = AreaBlock();
}

void frmLevelEdit::cancelTool()
{
    if (m_floating || m_dragging) {
        m_floating = false;
        m_dragging = false;
        m_floatingBlock = AreaBlock();
    } else {
        m_selection = QRect();
        placeSelection();
    }
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
}

} // namespace tessaforge
