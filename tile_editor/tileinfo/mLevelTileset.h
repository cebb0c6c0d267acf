#pragma once

#include "FileFormat.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <vector>

namespace tilemarrow {

// The tile information of one tileset (<name>.qzt beside <name>.bmp). A tile value holds the
// type code in bits 0-6 and the animation flag in bit 7.
struct TileInfo
{
    quint8 MaxX = 0, MaxY = 0;  // highest column and row index, not counts
    std::vector<qint32> Tiles;  // column-major: index x*(MaxY+1)+y; empty = never sized

    // True when Tiles holds exactly the grid MaxX/MaxY describe; otherwise the record
    // answers every query as if the position were outside.
    bool hasGrid() const;
    qint32 tile(qint32 x, qint32 y) const;       // 0 outside
    void setTile(qint32 x, qint32 y, qint32 v);  // ignored outside; v kept within 0..255
    // A new grid of zeros (still Background tiles) replaces the old one whole.
    void resize(quint8 maxX, quint8 maxY);
    // A new grid of that size that keeps every tile the old and the new grid share; the
    // others are 0. Also built whole and swapped in.
    void resizeKeeping(quint8 maxX, quint8 maxY);

    bool operator==(const TileInfo &) const = default;
};

namespace mLevelTileset {

// Missing file, or fewer than the two header bytes: error, info unchanged. Tile bytes the
// file lacks read as 0.
vt::Status ReadTileInfo(TileInfo &info, const QString &path);
// A record without a matching grid, or with a value outside 0..255, is refused and no file
// touched. A longer old file keeps its bytes past the grid.
vt::Status WriteTileInfo(const TileInfo &info, const QString &path);

qint32 GetTileType(const TileInfo &info, qint32 x, qint32 y);   // 0..127; 0 outside
bool IsTileAnimated(const TileInfo &info, qint32 x, qint32 y);  // false outside

// The tile information file: the highest column and row, then a byte a tile, column by column.
extern const vt::FileFormat kTileInfoFormat;

// Refused, out unchanged, when the record cannot be stored (see WriteTileInfo).
vt::Status encode(const TileInfo &info, QByteArray &out);
// Fills info only on success.
vt::Status decode(QByteArrayView bytes, TileInfo &info);

} // namespace mLevelTileset

} // namespace tilemarrow
