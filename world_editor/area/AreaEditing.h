#pragma once

// Edits of an area as data: what a step changed, cell by cell, so that it can be undone and
// redone at a cost that grows with the cells touched and not with the area; and the area
// tools (rectangle, flood fill, copy and paste) that compute such changes. QtCore only.

#include "area/oLevel.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

namespace tessaforge {

inline bool operator==(const AreaCell &a, const AreaCell &b)
{
    return a.bIsTile == b.bIsTile && a.xSrc == b.xSrc && a.ySrc == b.ySrc && a.lTag == b.lTag &&
           a.lEnemy == b.lEnemy;
}

// The content of cell (X, Y), or an empty cell outside the grid.
AreaCell cellAt(const oLevel &area, qint32 X, qint32 Y);
// Gives cell (X, Y) the content `cell`; ignored outside the grid.
void putCell(oLevel &area, qint32 X, qint32 Y, const AreaCell &cell);

// The three layers a cell holds, as the editing modes name them.
enum class AreaLayer { Tiles = 0, Tags = 1, Enemies = 2 };

// A run of cells down one column, top to bottom included.
struct CellSpan
{
    qint32 X = 0;
    qint32 top = 0;
    qint32 bottom = 0;
};

struct CellChange
{
    qint32 X = 0;
    qint32 Y = 0;
    AreaCell before;
    AreaCell after;
};

// Everything one undo step changed. Applied forward, the cells take their "after" values and
// then the size, side-warp and start take theirs; backward, the size goes back first so that
// the cells a shrink dropped have somewhere to return to.
struct AreaChange
{
    std::vector<CellChange> cells;
    bool movesStart = false;
    QPoint startBefore;
    QPoint startAfter;
    bool resizes = false;
    QSize sizeBefore;  // counts of columns and rows
    QSize sizeAfter;
    bool togglesSideWarp = false;
    bool sideWarpAfter = false;
    // A fill: runs of cells that held one value in one layer and take another; the value is
    // taken from spanBefore or spanAfter, the cells' other layers stay.
    std::vector<CellSpan> spans;
    AreaLayer spanLayer = AreaLayer::Tiles;
    AreaCell spanBefore;
    AreaCell spanAfter;

    bool isEmpty() const
    {
        return cells.empty() && spans.empty() && !movesStart && !resizes && !togglesSideWarp;
    }
    qint64 spanCells() const;
    // Memory the step holds, in bytes.
    qsizetype bytes() const;
    void apply(oLevel &area, bool forward) const;
};

// The changes of one drag, gathered move by move: a cell the drag visits again keeps its
// state from before the drag and takes its latest one.
class AreaStroke
{
public:
    AreaStroke() = default;
    explicit AreaStroke(AreaChange step) : m_step(std::move(step)) {}

    void record(qint32 X, qint32 Y, const AreaCell &before, const AreaCell &after);
    void moveStart(QPoint before, QPoint after);
    // The drag is over: what finds revisited cells is no longer needed.
    void close() { m_slots = {}; }

    const AreaChange &step() const { return m_step; }
    AreaChange takeStep() { return std::move(m_step); }
    qsizetype bytes() const;

private:
    std::size_t slotOf(qint32 X, qint32 Y) const;
    void rebuildSlots(std::size_t size);

    AreaChange m_step;
    // Open addressing over the step's cells: each slot holds a place in cells plus one, or 0.
    std::vector<quint32> m_slots;
};

// What painting (or, with erase, erasing) a cell in a layer gives: the selection (x, y) for
// the tile layer, y for the tag and enemy values. A tile outside 0..255 leaves the cell as
// it was. The other layers are kept.
AreaCell paintedCell(AreaCell cell, AreaLayer layer, bool erase, qint32 x, qint32 y);

// The cells from corner a to corner b, both included, whichever way the drag went.
inline QRect cellsBetween(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

// The cells of `rect` (clipped to the area) that painting changes.
std::vector<CellChange> rectangleChanges(const oLevel &area, QRect rect, AreaLayer layer, bool erase, qint32 x,
                                         qint32 y);

// Flood fill from (X, Y): paints the four-connected cells whose value in `layer` equals the
// start cell's, and returns the step that did it (as spans), to undo and redo it. Empty, and
// nothing painted, when the start is outside the area or painting changes nothing. When the
// region holds more than `limit` cells the area is left as it was, the step is empty and
// *tooLarge is set.
AreaChange floodFill(oLevel &area, qint32 X, qint32 Y, AreaLayer layer, bool erase, qint32 x, qint32 y, qint64 limit,
                   bool *tooLarge = nullptr);

// A rectangle of cells of all three layers, column by column.
struct AreaBlock
{
    // Copies and pastes beyond this many cells are refused: they would hold hundreds of
    // megabytes and outgrow any undo history.
    static constexpr qint64 kMaxCells = 4 * 1024 * 1024;

    qint32 columns = 0;
    qint32 rows = 0;
    std::vector<AreaCell> cells;  // index X * rows + Y

    bool isEmpty() const { return columns <= 0 || rows <= 0; }
    const AreaCell &at(qint32 X, qint32 Y) const { return cells[std::size_t(qint64(X) * rows + Y)]; }
};

// The cells of `rect` clipped to the area; empty when nothing of it is inside or when it
// holds more than AreaBlock::kMaxCells cells.
AreaBlock copyBlock(const oLevel &area, QRect rect);
// The cells the block changes when its top-left cell goes to `at`; what falls outside the
// area is left out.
std::vector<CellChange> pasteChanges(const oLevel &area, const AreaBlock &block, QPoint at);

// A block as text for the system clipboard, and back. The text is refused (nullopt) unless
// it is exactly such a block with values a file can hold.
QString blockToText(const AreaBlock &block);
std::optional<AreaBlock> blockFromText(const QString &text);

} // namespace tessaforge
