#pragma once

// Comparing and merging area files on their bytes, without building their grids: a 2000 x 200
// area is 2 MB of bytes but 4.8 MB of grid, and a diff or a merge touches each cell once.

#include "FieldChange.h"
#include "area/oLevel.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <string>
#include <vector>

namespace vtfile {

// A cell's values in one word, the way a reader sees them (a flag is on only at 255, a tile's
// column and row count only when the flag is on): 0 for an empty cell, kOutside for a place
// outside the area's grid.
using CellKey = quint64;
constexpr CellKey kOutside = CellKey(1) << 40;

tessaforge::AreaCell cellOfKey(CellKey key);
// "empty", "tile (3, 4), tag 2, enemy 5", "tag 7", "outside the grid".
QString describeCell(CellKey key);
// The same written at p, for reports of many cells: at most kMaxCellText bytes; the end is
// returned. And a number likewise, in at most 24 bytes.
constexpr qsizetype kMaxCellText = 40;
char *putCell(char *p, CellKey key);
char *putNumber(char *p, qint64 value);

// Area bytes the reader takes, walked cell by cell: the cells a short file lacks are empty.
class AreaView
{
public:
    // The bytes must pass the area reader (areabytes::check).
    explicit AreaView(QByteArrayView bytes);

    const tessaforge::AreaHeader &header() const { return h; }
    qint32 columns() const { return cols; }
    qint32 rows() const { return rowCount; }
    qint64 storedCellCount() const { return storedCells; }
    bool inside(qint32 column, qint32 row) const
    {
        return column >= 0 && row >= 0 && column < cols && row < rowCount;
    }
    CellKey key(qint32 column, qint32 row) const;
    // The cell's stored bytes, or nullptr where the file lacks them (outside or cut short).
    const uchar *stored(qint32 column, qint32 row) const;
    // The column's stored bytes when the file holds all of them, else nullptr.
    const uchar *wholeColumn(qint32 column) const;

private:
    tessaforge::AreaHeader h;
    qint32 cols = 0, rowCount = 0;
    const uchar *cells = nullptr;
    qint64 storedCells = 0;
};

// Changed cells of one kind: every cell of the rectangle went from `before` to `after`.
struct CellRect
{
    qint32 left = 0, top = 0, right = 0, bottom = 0;  // inclusive
    CellKey before = 0, after = 0;
    qint64 cells() const { return qint64(right - left + 1) * (bottom - top + 1); }
};

struct AreaDiff
{
    std::vector<FieldChange> header;  // "columns", "rows", "sideWarp", "start", "time"
    std::vector<CellRect> cells;  // column by column, then row
    qint64 changedCells = 0;
};

// What differs between two readable areas, in values; cells that only one grid has count when
// they hold something.
AreaDiff diffAreas(QByteArrayView before, QByteArrayView after);

// Cells changed differently on both sides: every cell of the rectangle has the same base,
// ours and theirs (kOutside where a side cut the cell off its grid).
struct CellConflict
{
    qint32 left = 0, top = 0, right = 0, bottom = 0;  // inclusive
    CellKey base = 0, ours = 0, theirs = 0;
    qint64 cells() const { return qint64(right - left + 1) * (bottom - top + 1); }
};

struct AreaMerge
{
    QByteArray merged;  // set only when nothing conflicts
    // The bytes of `merged` that differ from ours lie in [changedFrom, changedTo) when it has
    // ours' size: a writer over ours needs only those.
    qsizetype changedFrom = std::numeric_limits<qsizetype>::max(), changedTo = 0;
    std::vector<FieldConflict> header;
    std::vector<CellConflict> cells;
    qint64 conflictCells = 0;
    bool clean() const { return header.empty() && cells.empty(); }
};

// Three-way merge of readable areas: a header field or a cell changed on one side only takes
// that side's value; one changed alike on both sides takes it; one changed differently is a
// conflict. When a side leaves the file as the base had it, the result is the other side's
// bytes exactly.
AreaMerge mergeAreas(QByteArrayView base, QByteArray ours, QByteArrayView theirs);

} // namespace vtfile
