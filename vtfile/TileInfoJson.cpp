// A tileset's tile information as JSON: each tile's value, a row per line (JSON.md).
#include "FormatTable.h"

#include "tileinfo/mLevelTileset.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <vector>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using tilemarrow::TileInfo;
namespace mLevelTileset = tilemarrow::mLevelTileset;

const JsonName kDocument[] = {"format", "columns", "rows", "grid", "asStored"};

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    TileInfo t;
    if (vt::Status s = mLevelTileset::decode(bytes, t); !s)
        return s;
    out.number("columns", t.MaxX + 1);
    out.number("rows", t.MaxY + 1);
    out.beginArray("grid");
    for (qint32 y = 0; y <= t.MaxY; ++y) {
        char *p = out.beginRaw(2 + 5 * (t.MaxX + 1));  // "255, " at most a tile
        *p++ = '[';
        for (qint32 x = 0; x <= t.MaxX; ++x) {
            if (x)
                p = std::copy_n(", ", 2, p);
            p = std::to_chars(p, p + 3, t.tile(x, y)).ptr;
        }
        *p++ = ']';
        out.endRaw(p);
    }
    out.end();
    return encodeWritten(mLevelTileset::encode, t, written);
}

QByteArray fromJson(JsonReader &in, JsonObject &o)
{
    const qint64 columns = in.number(o, "columns", 1, 256);
    const qint64 rows = in.number(o, "rows", 1, 256);
    JsonArray grid = in.array(in.member(o, "grid"), rows, rows);
    if (in.bad())
        return {};
    TileInfo t;
    t.resize(quint8(columns - 1), quint8(rows - 1));
    JsonValue rowValue, item;
    while (in.next(grid, rowValue)) {
        const qint32 y = qint32(grid.count - 1);
        JsonArray row = in.array(rowValue, columns, columns);
        while (in.next(row, item))
            t.setTile(qint32(row.count - 1), y, qint32(in.number(item, 0, 255)));
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status s = mLevelTileset::encode(t, out); !s)
        in.fail(o, s.error());
    return out;
}

QString summary(QByteArrayView bytes)
{
    TileInfo t;
    (void)mLevelTileset::decode(bytes, t);
    int animated = 0;
    std::vector<int> types(128, 0);
    for (qint32 x = 0; x <= t.MaxX; ++x)
        for (qint32 y = 0; y <= t.MaxY; ++y) {
            animated += mLevelTileset::IsTileAnimated(t, x, y);
            ++types[std::size_t(mLevelTileset::GetTileType(t, x, y))];
        }
    QStringList used;
    for (int k = 0; k < 128; ++k)
        if (types[std::size_t(k)])
            used << u"%1 x%2"_s.arg(k).arg(types[std::size_t(k)]);
    return u"tile information: %1 columns x %2 rows, %3 animated\n"_s.arg(t.MaxX + 1).arg(t.MaxY + 1).arg(animated)
           + u"types: "_s + used.join(u", "_s) + u'\n';
}

} // namespace

const FormatEntry kTileInfoEntry = {
    .kind = Kind::TileInfo,
    .members = kDocument,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
