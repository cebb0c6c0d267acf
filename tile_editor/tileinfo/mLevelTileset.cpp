#include "tileinfo/mLevelTileset.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileIO.h"

#include <algorithm>

namespace tilemarrow {

namespace {

constexpr qint32 kAnimatedBit = 128;
constexpr qsizetype kHeaderSize = 2;

size_t cellCount(quint8 maxX, quint8 maxY)
{
    return size_t(maxX + 1) * size_t(maxY + 1);
}

// Why the record cannot be written, or an empty string when it can.
QString unwritableReason(const TileInfo &info)
{
    if (!info.hasGrid())
        return QStringLiteral("the tile grid does not match its size of %1 x %2 tiles.")
            .arg(info.MaxX + 1)
            .arg(info.MaxY + 1);
    const auto bad = std::find_if(info.Tiles.begin(), info.Tiles.end(),
                                  [](qint32 v) { return v < 0 || v > 255; });
    if (bad != info.Tiles.end()) {
        const auto i = static_cast<qint32>(bad - info.Tiles.begin());
        return QStringLiteral("tile (%1, %2) holds %3, which does not fit in one byte.")
            .arg(i / (info.MaxY + 1))
            .arg(i % (info.MaxY + 1))
            .arg(*bad);
    }
    return {};
}

} // namespace

bool TileInfo::hasGrid() const
{
    return !Tiles.empty() && Tiles.size() == cellCount(MaxX, MaxY);
}

qint32 TileInfo::tile(qint32 x, qint32 y) const
{
    if (!hasGrid() || x < 0 || x > MaxX || y < 0 || y > MaxY)
        return 0;
    return Tiles[size_t(x) * (MaxY + 1) + size_t(y)];
}

void TileInfo::setTile(qint32 x, qint32 y, qint32 v)
{
    if (!hasGrid() || x < 0 || x > MaxX || y < 0 || y > MaxY)
        return;
    // The file holds one byte per tile.
    Tiles[size_t(x) * (MaxY + 1) + size_t(y)] = std::clamp(v, 0, 255);
}

void TileInfo::resize(quint8 maxX, quint8 maxY)
{
    std::vector<qint32> grid(cellCount(maxX, maxY), 0);
    MaxX = maxX;
    MaxY = maxY;
    Tiles = std::move(grid);
}

void TileInfo::resizeKeeping(quint8 maxX, quint8 maxY)
{
    TileInfo fresh;
    fresh.resize(maxX, maxY);
    if (hasGrid()) {
        const qint32 columns = std::min(MaxX, maxX) + 1;
        const qint32 rows = std::min(MaxY, maxY) + 1;
        for (qint32 x = 0; x < columns; ++x)
            for (qint32 y = 0; y < rows; ++y)
                fresh.setTile(x, y, tile(x, y));
    }
    *this = std::move(fresh);
}

namespace mLevelTileset {

qint32 GetTileType(const TileInfo &info, qint32 x, qint32 y)
{
    const qint32 v = info.tile(x, y);
    return v < kAnimatedBit ? v : v - kAnimatedBit;
}

bool IsTileAnimated(const TileInfo &info, qint32 x, qint32 y)
{
    return info.tile(x, y) >= kAnimatedBit;
}

vt::Status encode(const TileInfo &info, QByteArray &out)
{
    if (const QString why = unwritableReason(info); !why.isEmpty())
        return vt::Status::failure(why);
    vt::BinaryWriter w(kHeaderSize + qsizetype(info.Tiles.size()));
    w.u8(info.MaxX);
    w.u8(info.MaxY);
    for (const qint32 v : info.Tiles)  // already column-major, as the file wants
        w.u8(static_cast<quint8>(v));
    out = w.take();
    return vt::Status::success();
}

vt::Status decode(QByteArrayView bytes, TileInfo &info)
{
    vt::BinaryReader r(bytes);
    TileInfo fresh;
    fresh.MaxX = r.u8();
    fresh.MaxY = r.u8();
    if (!r.ok())
        return vt::Status::failure(QStringLiteral("The tile information file is shorter than its header."));

    // At most 256 x 256 cells, whatever the file says, so the allocation is bounded. A file
    // cut short leaves the rest of its tiles as Background.
    fresh.resize(fresh.MaxX, fresh.MaxY);
    const qsizetype present = std::min(r.remaining(), qsizetype(fresh.Tiles.size()));
    const QByteArray grid = r.bytes(present);
    for (qsizetype i = 0; i < present; ++i)
        fresh.Tiles[size_t(i)] = static_cast<quint8>(grid[i]);
    info = std::move(fresh);
    return vt::Status::success();
}

const vt::FileFormat kTileInfoFormat = {
    .name = "tileinfo",
    .extension = "qzt",
    // Two size bytes and at most 256 x 256 tiles are all the file can describe.
    .maxSize = kHeaderSize + 256 * 256,
    .reading = vt::FileFormat::Reading::Head,
    // Written over in place, the file was never shortened; keep that result.
    .saveTail = vt::OldTail::Keep,
    .shortFile = "fewer than the 2 header bytes: refused; tiles the file lacks: 0 (Background)",
};

vt::Status ReadTileInfo(TileInfo &info, const QString &path)
{
    return vt::loadFile(kTileInfoFormat, decode, path, info);
}

vt::Status WriteTileInfo(const TileInfo &info, const QString &path)
{
    return vt::saveFile(kTileInfoFormat, encode, info, path);
}

} // namespace mLevelTileset

} // namespace tilemarrow
