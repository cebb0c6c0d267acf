#pragma once

#include "FileFormat.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <QString>
#include <QtGlobal>

#include <cstdlib>
#include <memory>
#include <optional>

namespace tessaforge {

// One cell of an area. All fields zero is an empty cell, which is also what zeroed memory
// holds: the grid relies on that to leave cells the user never touched unallocated by the OS.
struct AreaCell
{
    bool bIsTile = false;
    quint8 xSrc = 0;  // tile column in the tileset image
    quint8 ySrc = 0;  // tile row in the tileset image
    qint32 lTag = 0;
    qint32 lEnemy = 0;
};
static_assert(sizeof(AreaCell) <= 12);  // memory per area cell: at most 12 bytes

// An area file's header as stored. width and height are the highest column and row: a
// header whose width or height is negative describes no grid, and no reader takes it.
struct AreaHeader
{
    bool sideWarp = false;
    qint16 startX = 0;
    qint16 startY = 0;
    qint16 width = 0;
    qint16 height = 0;
    qint16 time = 0;
};

// The stored bytes of a header and of a cell, for the area's own reader and writer and for
// tools that walk a file without building its grid (a grid takes more than twice the
// file's memory). Flags are on only when their byte is exactly 255.
namespace areabytes {

constexpr quint8 kOn = 255;

inline AreaCell cell(const uchar *p)
{
    return AreaCell{p[0] == kOn, p[1], p[2], p[3], p[4]};
}

// The cell's tag and enemy must fit a byte (0..255).
inline void putCell(const AreaCell &c, uchar *p)
{
    p[0] = c.bIsTile ? kOn : 0;
    p[1] = c.xSrc;
    p[2] = c.ySrc;
    p[3] = static_cast<uchar>(c.lTag);
    p[4] = static_cast<uchar>(c.lEnemy);
}

// Nothing when the bytes are fewer than a header's.
std::optional<AreaHeader> header(QByteArrayView bytes);
// What the area's reader refuses, and all it refuses but a lack of memory: bytes too few for
// a header, or a header that describes no grid. Every other file is read, the cells it lacks
// empty.
vt::Status check(QByteArrayView bytes);
void putHeader(const AreaHeader &h, uchar *p);

} // namespace areabytes

// One area of a level: a grid of cells plus its start position, side-warp flag and time.
// width() and height() report highest indices; Resize takes counts. A new object has no grid
// until Resize or a load gives it one; every read before that, or outside the grid, yields 0.
class oLevel
{
public:
    // Columns and rows each number 1 to 32768: the file stores the highest index in 16 bits.
    static constexpr qint32 kMaxCount = 32768;
    static constexpr qsizetype kHeaderSize = 11;
    static constexpr qsizetype kCellSize = 5;

    oLevel() = default;
    oLevel(oLevel &&) noexcept = default;
    oLevel &operator=(oLevel &&) noexcept = default;
    oLevel(const oLevel &) = delete;
    oLevel &operator=(const oLevel &) = delete;

    // Ignored outside the grid, and when a source coordinate is outside 0..255.
    void SetTile(qint32 X, qint32 Y, qint32 xSrc, qint32 ySrc);
    // Clears the tile; the cell keeps its tag and enemy. Ignored outside the grid.
    void EraseTile(qint32 X, qint32 Y);

    // The whole cell at once, exactly as given (undo puts back what a file held). Ignored
    // outside the grid.
    void SetCell(qint32 X, qint32 Y, const AreaCell &cell);

    bool IsTile(qint32 X, qint32 Y) const;
    qint32 xSrc(qint32 X, qint32 Y) const;
    qint32 ySrc(qint32 X, qint32 Y) const;
    qint32 TileTag(qint32 X, qint32 Y) const;
    qint32 TileEnemy(qint32 X, qint32 Y) const;

    // False when the cell is outside the grid (a caller error); nothing is changed then.
    [[nodiscard]] bool SetTileTag(qint32 X, qint32 Y, qint32 tag);
    [[nodiscard]] bool SetTileEnemy(qint32 X, qint32 Y, qint32 newEnemy);

    // The start cell is not tied to the grid and may lie outside it.
    void SetStartPos(qint16 X, qint16 Y);
    qint32 StartX() const { return iStartX; }
    qint32 StartY() const { return iStartY; }

    bool SideWarp() const { return bSideWarp; }
    void SetSideWarp(bool bYes) { bSideWarp = bYes; }

    // Column X's cells, rows 0 to height() in order, for readers that walk the grid (the
    // renderer); nullptr outside the grid or before it exists.
    const AreaCell *column(qint32 X) const
    {
        return Cells && X >= 0 && X <= iWidth ? &Cells[qint64(X) * rowCount()] : nullptr;
    }

    // The same for writing, for bulk edits that have checked their cells against the grid.
    AreaCell *editColumn(qint32 X) { return Cells && X >= 0 && X <= iWidth ? &Cells[qint64(X) * rowCount()] : nullptr; }

    qint32 width() const { return iWidth; }
    qint32 height() const { return iHeight; }
    qint32 Time() const { return iTime; }
    // A value outside -32768..32767 keeps the old time.
    void SetTime(qint32 lTime);

    // Counts of columns and rows. Keeps every cell whose column and row both still fit; new
    // cells are empty. False, with the area unchanged, for a count below 1 or above
    // kMaxCount, or when memory for the new grid cannot be had.
    bool Resize(qint32 lWidth, qint32 lHeight);
    bool hasGrid() const { return Cells != nullptr; }

    // Replaces the file whole and atomically. Refused, before the old file is touched, when
    // there is no grid or a tag or enemy number does not fit its byte (0..255), or when
    // confineTo is set and the real target lies outside that folder.
    vt::Status SaveToFile(const QString &sPath, const QString &confineTo = QString()) const;
    // A missing or unreadable file is not an error: the area stays as it was. A file that is
    // not a regular file is. Any failure leaves the whole area (header and grid) as it was.
    vt::Status LoadFromFile(const QString &sPath);

private:
    friend vt::Status encode(const oLevel &area, QByteArray &out);
    friend vt::Status decode(QByteArrayView bytes, oLevel &area);
    vt::Status toBytes(QByteArray &out) const;
    vt::Status fromBytes(QByteArrayView bytes);

    struct FreeDeleter
    {
        void operator()(AreaCell *p) const noexcept { std::free(p); }
    };
    // One column-major block, index X * (iHeight + 1) + Y: the file's order, so that loading
    // and saving are single linear passes.
    using CellBlock = std::unique_ptr<AreaCell[], FreeDeleter>;

    enum class Fill {
        Zeroed,       // empty cells; large blocks are committed by the OS only when written
        Overwritten,  // the caller writes every cell before anything reads it
    };
    // nullptr when memory cannot be had.
    static CellBlock allocateCells(qint64 count, Fill fill);

    qint64 rowCount() const { return qint64(iHeight) + 1; }
    qint64 cellCount() const { return (qint64(iWidth) + 1) * rowCount(); }
    AreaCell *cellAt(qint32 X, qint32 Y);
    const AreaCell *cellAt(qint32 X, qint32 Y) const;

    qint16 iStartX = 0;
    qint16 iStartY = 0;
    bool bSideWarp = false;
    qint16 iWidth = 0;
    qint16 iHeight = 0;
    qint16 iTime = 0;
    CellBlock Cells;
};

// The area file: an 11-byte header, then 5 bytes a cell, column by column.
extern const vt::FileFormat kAreaFormat;

// The counts of columns and rows an area file's header gives, from its first kHeaderSize
// bytes alone: the grid may be far larger than the file. Nothing when the bytes hold no
// header or it describes no grid.
std::optional<QSize> areaGridOf(QByteArrayView header);

// The file's bytes; refused as SaveToFile is. out is set only on success.
vt::Status encode(const oLevel &area, QByteArray &out);
// Replaces the area only on success. Cells the bytes lack are empty; bytes after the last
// cell are ignored.
vt::Status decode(QByteArrayView bytes, oLevel &area);

} // namespace tessaforge
