#include "area/oLevel.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileFormat.h"
#include "FileIO.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tessaforge {

namespace {

using areabytes::kOn;

bool fitsByte(qint32 v)
{
    return static_cast<quint32>(v) <= 255;
}

} // namespace

oLevel::CellBlock oLevel::allocateCells(qint64 count, Fill fill)
{
    // calloc rather than new[]: large blocks come straight from fresh zero pages, so a
    // header promising a huge grid costs only address space until cells are written.
    // AreaCell is an aggregate of zeros, so the zeroed block already holds empty cells.
    // When the caller writes every cell anyway, zeroing first would only cost time.
    const auto n = static_cast<size_t>(count);
    void *block = fill == Fill::Zeroed ? std::calloc(n, sizeof(AreaCell))
                                       : std::malloc(n * sizeof(AreaCell));
    return CellBlock(static_cast<AreaCell *>(block));
}

AreaCell *oLevel::cellAt(qint32 X, qint32 Y)
{
    if (!Cells || X < 0 || Y < 0 || X > iWidth || Y > iHeight)
        return nullptr;
    return &Cells[qint64(X) * rowCount() + Y];
}

const AreaCell *oLevel::cellAt(qint32 X, qint32 Y) const
{
    return const_cast<oLevel *>(this)->cellAt(X, Y);
}

void oLevel::SetTile(qint32 X, qint32 Y, qint32 xSrc, qint32 ySrc)
{
    AreaCell *c = cellAt(X, Y);
    if (!c || !fitsByte(xSrc) || !fitsByte(ySrc))
        return;
    c->bIsTile = true;
    c->xSrc = static_cast<quint8>(xSrc);
    c->ySrc = static_cast<quint8>(ySrc);
}

void oLevel::SetCell(qint32 X, qint32 Y, const AreaCell &cell)
{
    if (AreaCell *c = cellAt(X, Y))
        *c = cell;
}

void oLevel::EraseTile(qint32 X, qint32 Y)
{
    if (AreaCell *c = cellAt(X, Y)) {
        c->bIsTile = false;
        c->xSrc = 0;
        c->ySrc = 0;
    }
}

bool oLevel::IsTile(qint32 X, qint32 Y) const
{
    const AreaCell *c = cellAt(X, Y);
    return c && c->bIsTile;
}

qint32 oLevel::xSrc(qint32 X, qint32 Y) const
{
    const AreaCell *c = cellAt(X, Y);
    return c ? c->xSrc : 0;
}

qint32 oLevel::ySrc(qint32 X, qint32 Y) const
{
    const AreaCell *c = cellAt(X, Y);
    return c ? c->ySrc : 0;
}

qint32 oLevel::TileTag(qint32 X, qint32 Y) const
{
    const AreaCell *c = cellAt(X, Y);
    return c ? c->lTag : 0;
}

qint32 oLevel::TileEnemy(qint32 X, qint32 Y) const
{
    const AreaCell *c = cellAt(X, Y);
    return c ? c->lEnemy : 0;
}

bool oLevel::SetTileTag(qint32 X, qint32 Y, qint32 tag)
{
    AreaCell *c = cellAt(X, Y);
    if (!c)
        return false;
    c->lTag = tag;
    return true;
}

bool oLevel::SetTileEnemy(qint32 X, qint32 Y, qint32 newEnemy)
{
    AreaCell *c = cellAt(X, Y);
    if (!c)
        return false;
    c->lEnemy = newEnemy;
    return true;
}

void oLevel::SetStartPos(qint16 X, qint16 Y)
{
    iStartX = X;
    iStartY = Y;
}

void oLevel::SetTime(qint32 lTime)
{
    if (lTime >= -32768 && lTime <= 32767)
        iTime = static_cast<qint16>(lTime);
}

bool oLevel::Resize(qint32 lWidth, qint32 lHeight)
{
    if (lWidth < 1 || lHeight < 1 || lWidth > kMaxCount || lHeight > kMaxCount)
        return false;
    CellBlock grid = allocateCells(qint64(lWidth) * lHeight, Fill::Zeroed);
    if (!grid)
        return false;
    if (Cells) {
        const qint64 oldRows = rowCount();
        const qint64 keepColumns = std::min<qint64>(qint64(iWidth) + 1, lWidth);
        const qint64 keepRows = std::min<qint64>(oldRows, lHeight);
        for (qint64 x = 0; x < keepColumns; ++x)
            std::copy_n(&Cells[x * oldRows], keepRows, &grid[x * lHeight]);
    }
    Cells = std::move(grid);
    iWidth = static_cast<qint16>(lWidth - 1);
    iHeight = static_cast<qint16>(lHeight - 1);
    return true;
}

vt::Status oLevel::toBytes(QByteArray &out) const
{
    if (!Cells)
        return vt::Status::failure(QStringLiteral("The area has no grid to save."));

    const qint64 cells = cellCount();
    const qint64 rows = rowCount();
    const qsizetype size = kHeaderSize + kCellSize * cells;
    QByteArray bytes;
    try {
        bytes = QByteArray(size, Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        return vt::Status::failure(QStringLiteral("Not enough memory to save the area."));
    }
    auto *p = reinterpret_cast<uchar *>(bytes.data());
    areabytes::putHeader({bSideWarp, iStartX, iStartY, iWidth, iHeight, iTime}, p);
    p += kHeaderSize;

    // One tight pass with raw stores into the preallocated block; the range check rides
    // along so that a refused area costs no second pass.
    const AreaCell *c = Cells.get();
    for (qint64 i = 0; i < cells; ++i, ++c, p += kCellSize) {
        if (!fitsByte(c->lTag) || !fitsByte(c->lEnemy)) {
            const bool badTag = !fitsByte(c->lTag);
            return vt::Status::failure(
                QStringLiteral("Cell (%1, %2) has %3 %4; an area file can only hold 0 to 255.")
                    .arg(i / rows)
                    .arg(i % rows)
                    .arg(badTag ? QStringLiteral("tag") : QStringLiteral("enemy"))
                    .arg(badTag ? c->lTag : c->lEnemy));
        }
        areabytes::putCell(*c, p);
    }
    out = std::move(bytes);
    return vt::Status::success();
}

vt::Status oLevel::fromBytes(QByteArrayView bytes)
{
    if (vt::Status s = areabytes::check(bytes); !s)
        return s;
    const AreaHeader h = *areabytes::header(bytes);
    const qint16 width = h.width, height = h.height;

    // The grid's size comes from the header; cells the file lacks stay empty. Only the
    // cells actually present are decoded, so a tiny file with a huge header stays cheap.
    const qint64 cells = (qint64(width) + 1) * (qint64(height) + 1);
    const qint64 stored = std::min<qint64>(cells, (bytes.size() - kHeaderSize) / kCellSize);
    CellBlock grid = allocateCells(cells, stored == cells ? Fill::Overwritten : Fill::Zeroed);
    if (!grid)
        return vt::Status::failure(
            QStringLiteral("Not enough memory for an area of %1 x %2 cells.")
                .arg(qint64(width) + 1)
                .arg(qint64(height) + 1));

    const auto *p = reinterpret_cast<const uchar *>(bytes.data()) + kHeaderSize;
    AreaCell *c = grid.get();
    for (qint64 i = 0; i < stored; ++i, ++c, p += kCellSize) {
        // Whole-cell stores: byte stores through the cell's fields could alias the input
        // and force the compiler to reload it after each one.
        *c = areabytes::cell(p);
    }

    bSideWarp = h.sideWarp;
    iStartX = h.startX;
    iStartY = h.startY;
    iWidth = width;
    iHeight = height;
    iTime = h.time;
    Cells = std::move(grid);
    return vt::Status::success();
}

vt::Status encode(const oLevel &area, QByteArray &out)
{
    return area.toBytes(out);
}

vt::Status decode(QByteArrayView bytes, oLevel &area)
{
    return area.fromBytes(bytes);
}

namespace areabytes {

std::optional<AreaHeader> header(QByteArrayView bytes)
{
    if (bytes.size() < oLevel::kHeaderSize)
        return std::nullopt;
    vt::BinaryReader r(bytes);
    AreaHeader h;
    h.sideWarp = r.u8() == kOn;
    h.startX = r.i16();
    h.startY = r.i16();
    h.width = r.i16();
    h.height = r.i16();
    h.time = r.i16();
    return h;
}

vt::Status check(QByteArrayView bytes)
{
    const std::optional<AreaHeader> h = header(bytes);
    if (!h)
        return vt::Status::failure(
            QStringLiteral("The area file is too short (%1 bytes) to hold its header.").arg(bytes.size()));
    if (h->width < 0 || h->height < 0)
        return vt::Status::failure(
            QStringLiteral("The area file describes no grid (highest column %1, highest row %2).")
                .arg(h->width)
                .arg(h->height));
    return vt::Status::success();
}

void putHeader(const AreaHeader &h, uchar *p)
{
    vt::BinaryWriter w(oLevel::kHeaderSize);
    w.u8(h.sideWarp ? kOn : 0);
    w.i16(h.startX);
    w.i16(h.startY);
    w.i16(h.width);
    w.i16(h.height);
    w.i16(h.time);
    const QByteArray bytes = w.take();
    std::memcpy(p, bytes.constData(), std::size_t(oLevel::kHeaderSize));
}

} // namespace areabytes

std::optional<QSize> areaGridOf(QByteArrayView header)
{
    const std::optional<AreaHeader> h = areabytes::header(header);
    if (!h || h->width < 0 || h->height < 0)
        return std::nullopt;
    return QSize(h->width + 1, h->height + 1);
}

namespace {

qint64 areaFileSize(QByteArrayView header)
{
    const std::optional<QSize> grid = areaGridOf(header);
    return oLevel::kHeaderSize + (grid ? oLevel::kCellSize * qint64(grid->width()) * grid->height() : 0);
}

} // namespace

const vt::FileFormat kAreaFormat = {
    .name = "area",
    .extension = "qzl",
    .maxSize = oLevel::kHeaderSize + oLevel::kCellSize * qint64(oLevel::kMaxCount) * oLevel::kMaxCount,
    .reading = vt::FileFormat::Reading::Head,
    .saveTail = vt::OldTail::Drop,  // a smaller area leaves no old bytes behind
    .shortFile = "fewer than the 11 header bytes: refused; cells the file lacks: empty",
    .headerSize = oLevel::kHeaderSize,
    .sizeFromHeader = areaFileSize,
};

vt::Status oLevel::SaveToFile(const QString &sPath, const QString &confineTo) const
{
    return vt::saveFile(kAreaFormat, encode, *this, sPath, confineTo);
}

vt::Status oLevel::LoadFromFile(const QString &sPath)
{
    if (!vt::fileReadable(sPath))
        return vt::Status::success();
    return vt::loadFile(kAreaFormat, decode, sPath, *this);
}

} // namespace tessaforge
