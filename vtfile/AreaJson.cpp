// An area file as JSON: its header's values, then the grid a row per line (JSON.md).
#include "FormatTable.h"

#include "area/oLevel.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using tessaforge::AreaCell;
using tessaforge::oLevel;

const char *const kDocument[] = {"format", "columns", "rows", "sideWarp", "start", "time", "grid", "asStored"};
const char *const kCell[] = {"tile", "tag", "enemy"};

// The longest cell: {"tile": [255, 255], "tag": 255, "enemy": 255}
constexpr qsizetype kMaxCellText = 48;

char *put(char *p, const char *s, std::size_t n)
{
    std::memcpy(p, s, n);
    return p + n;
}

char *putByte(char *p, int v)
{
    if (v >= 100)
        *p++ = char('0' + v / 100);
    if (v >= 10)
        *p++ = char('0' + v / 10 % 10);
    *p++ = char('0' + v % 10);
    return p;
}

char *putCell(char *p, const AreaCell &c)
{
    if (!c.bIsTile && c.lTag == 0 && c.lEnemy == 0) {
        *p++ = '0';
        return p;
    }
    *p++ = '{';
    const char *separator = "";
    if (c.bIsTile) {
        p = put(p, "\"tile\": [", 9);
        p = putByte(p, c.xSrc);
        p = put(p, ", ", 2);
        p = putByte(p, c.ySrc);
        *p++ = ']';
        separator = ", ";
    }
    if (c.lTag) {
        p = put(p, separator, std::strlen(separator));
        p = put(p, "\"tag\": ", 7);
        p = putByte(p, c.lTag);
        separator = ", ";
    }
    if (c.lEnemy) {
        p = put(p, separator, std::strlen(separator));
        p = put(p, "\"enemy\": ", 9);
        p = putByte(p, c.lEnemy);
    }
    *p++ = '}';
    return p;
}

// The grid is stored column by column and shown row by row: rows are made a band at a time, so
// that each column's cells for the band are read together rather than a cache line a cell.
void writeGrid(JsonWriter &out, const oLevel &a)
{
    constexpr qint32 kBand = 16;
    const qint32 columns = a.width() + 1;
    const qint32 rows = a.height() + 1;
    std::vector<const AreaCell *> column(std::size_t(columns), nullptr);
    for (qint32 x = 0; x < columns; ++x)
        column[std::size_t(x)] = a.column(x);
    std::vector<QByteArray> band(kBand);
    out.beginArray("grid");
    for (qint32 top = 0; top < rows; top += kBand) {
        const qint32 count = std::min(kBand, rows - top);
        char *at[kBand];
        for (qint32 i = 0; i < count; ++i) {
            QByteArray &row = band[std::size_t(i)];
            row.resize(2 + qsizetype(columns) * (kMaxCellText + 2));
            at[i] = row.data();
            *at[i]++ = '[';
        }
        for (qint32 x = 0; x < columns; ++x) {
            const AreaCell *cells = column[std::size_t(x)] + top;
            for (qint32 i = 0; i < count; ++i) {
                char *&p = at[i];
                if (x) {
                    *p++ = ',';
                    *p++ = ' ';
                }
                p = putCell(p, cells[i]);
            }
        }
        for (qint32 i = 0; i < count; ++i) {
            QByteArray &row = band[std::size_t(i)];
            *at[i]++ = ']';
            out.beginRaw().append(row.constData(), at[i] - row.constData());
            out.endRaw();
        }
    }
    out.end();
}

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    oLevel a;
    if (vt::Status s = tessaforge::decode(bytes, a); !s)
        return s;
    // A cell without a tile shows no tile position, and comes back without one: the stored
    // position travels with the other bytes the values do not give.
    for (qint32 x = 0; x <= a.width(); ++x) {
        AreaCell *cells = a.editColumn(x);
        for (qint32 y = 0; y <= a.height(); ++y)
            if (!cells[y].bIsTile)
                cells[y].xSrc = cells[y].ySrc = 0;
    }
    out.number("columns", a.width() + 1);
    out.number("rows", a.height() + 1);
    out.boolean("sideWarp", a.SideWarp());
    writePair(out, "start", a.StartX(), a.StartY());
    out.number("time", a.Time());
    writeGrid(out, a);
    return encodeWritten(tessaforge::encode, a, written);
}

// 0 for an empty cell, else {"tile": [x, y], "tag": n, "enemy": n}, each part optional.
bool readCell(JsonReader &in, const JsonValue &v, AreaCell &cell)
{
    if (in.isNumber(v)) {
        in.number(v, 0, 0);
        return !in.bad();
    }
    if (!in.isObject(v)) {
        in.wrongKind(v, u"expected 0 or an object"_s);
        return false;
    }
    JsonObject o = in.object(v, kCell);
    if (const JsonValue tile = in.optional(o, "tile"); tile.present()) {
        const auto [x, y] = in.pair(tile, 0, 255);
        cell.bIsTile = true;
        cell.xSrc = quint8(x);
        cell.ySrc = quint8(y);
    }
    if (const JsonValue tag = in.optional(o, "tag"); tag.present())
        cell.lTag = qint32(in.number(tag, 0, 255));
    if (const JsonValue enemy = in.optional(o, "enemy"); enemy.present())
        cell.lEnemy = qint32(in.number(enemy, 0, 255));
    in.done(o);
    return !in.bad();
}

QByteArray fromJson(JsonReader &in, JsonObject &o)
{
    const JsonValue columnsValue = in.member(o, "columns");
    const qint64 columns = in.number(columnsValue, 1, oLevel::kMaxCount);
    const qint64 rows = in.number(o, "rows", 1, oLevel::kMaxCount);
    const bool sideWarp = in.flag(o, "sideWarp");
    const auto start = in.pair(in.member(o, "start"), -32768, 32767);
    const qint64 time = in.number(o, "time", -32768, 32767);
    const JsonValue gridValue = in.member(o, "grid");
    if (in.bad())
        return {};
    oLevel a;
    if (!a.Resize(qint32(columns), qint32(rows))) {
        in.fail(columnsValue, u"no memory for a grid of that size"_s);
        return {};
    }
    a.SetSideWarp(sideWarp);
    a.SetStartPos(qint16(start.first), qint16(start.second));
    a.SetTime(qint32(time));
    JsonArray grid = in.array(gridValue, rows, rows);
    JsonValue rowValue, cellValue;
    while (in.next(grid, rowValue)) {
        const qint32 y = qint32(grid.count - 1);
        JsonArray row = in.array(rowValue, columns, columns);
        while (in.next(row, cellValue)) {
            AreaCell cell;
            if (!readCell(in, cellValue, cell))
                break;
            if (cell.bIsTile || cell.lTag || cell.lEnemy)
                a.editColumn(qint32(row.count - 1))[y] = cell;
        }
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status s = tessaforge::encode(a, out); !s)
        in.fail(o, s.error());
    return out;
}

QString summary(QByteArrayView bytes)
{
    oLevel a;
    (void)tessaforge::decode(bytes, a);
    qint64 tiles = 0, tags = 0, enemies = 0;
    for (qint32 x = 0; x <= a.width(); ++x) {
        const AreaCell *col = a.column(x);
        for (qint32 y = 0; y <= a.height(); ++y) {
            tiles += col[y].bIsTile;
            tags += col[y].lTag != 0;
            enemies += col[y].lEnemy != 0;
        }
    }
    QStringList lines;
    lines << u"area: %1 columns x %2 rows (%3 cells)"_s.arg(a.width() + 1).arg(a.height() + 1)
                 .arg((qint64(a.width()) + 1) * (a.height() + 1));
    lines << u"start: column %1, row %2"_s.arg(a.StartX()).arg(a.StartY());
    lines << u"side-warp: %1"_s.arg(a.SideWarp() ? u"on"_s : u"off"_s);
    lines << u"time: %1"_s.arg(a.Time());
    lines << u"cells with a tile: %1, with a tag: %2, with an enemy: %3"_s.arg(tiles).arg(tags).arg(enemies);
    return lines.join(u'\n') + u'\n';
}

} // namespace

const FormatEntry kAreaEntry = {
    .kind = Kind::Area,
    .format = &tessaforge::kAreaFormat,
    .members = kDocument,
    .decodeError = decodeErrorOf<oLevel, tessaforge::decode>,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
