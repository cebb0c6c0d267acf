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

const JsonName kDocument[] = {"format", "columns", "rows", "sideWarp", "start", "time", "grid", "asStored"};
const JsonName kCell[] = {"tile", "tag", "enemy"};

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
    if (c.bIsTile) {
        p = put(p, "\"tile\": [", 9);
        p = putByte(p, c.xSrc);
        p = put(p, ", ", 2);
        p = putByte(p, c.ySrc);
        *p++ = ']';
    }
    if (c.lTag) {
        p = c.bIsTile ? put(p, ", \"tag\": ", 9) : put(p, "\"tag\": ", 7);
        p = putByte(p, c.lTag);
    }
    if (c.lEnemy) {
        p = c.bIsTile || c.lTag ? put(p, ", \"enemy\": ", 11) : put(p, "\"enemy\": ", 9);
        p = putByte(p, c.lEnemy);
    }
    *p++ = '}';
    return p;
}

// The grid is stored column by column and shown row by row: rows are made a band at a time, so
// that each column's cells for the band are read together rather than a cache line a cell.
// A cell without a tile shows no tile position, and comes back without one: the position is
// cleared on the way (the stored one travels with the bytes the values do not give).
void writeGrid(JsonWriter &out, oLevel &a)
{
    constexpr qint32 kBand = 32;
    constexpr qint32 kAhead = 8;
    const qint32 columns = a.width() + 1;
    const qint32 rows = a.height() + 1;
    std::vector<AreaCell *> column(std::size_t(columns), nullptr);
    for (qint32 x = 0; x < columns; ++x)
        column[std::size_t(x)] = a.editColumn(x);
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
            // The columns lie thousands of bytes apart, too far for the processor to guess:
            // the band's cells a few columns on are asked for ahead.
            if (x + kAhead < columns) {
                const char *next = reinterpret_cast<const char *>(column[std::size_t(x + kAhead)] + top);
                for (qint32 line = 0; line < count * qint32(sizeof(AreaCell)); line += 64)
                    __builtin_prefetch(next + line);
            }
            AreaCell *cells = column[std::size_t(x)] + top;
            for (qint32 i = 0; i < count; ++i) {
                char *&p = at[i];
                if (x) {
                    *p++ = ',';
                    *p++ = ' ';
                }
                AreaCell &c = cells[i];
                if (!c.bIsTile && (c.xSrc | c.ySrc))
                    c.xSrc = c.ySrc = 0;
                p = putCell(p, c);
            }
        }
        for (qint32 i = 0; i < count; ++i) {
            QByteArray &row = band[std::size_t(i)];
            *at[i]++ = ']';
            const qsizetype size = at[i] - row.constData();
            char *p = out.beginRaw(size);
            std::memcpy(p, row.constData(), std::size_t(size));
            out.endRaw(p + size);
        }
    }
    out.end();
}

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    oLevel a;
    if (vt::Status s = tessaforge::decode(bytes, a); !s)
        return s;
    out.number("columns", a.width() + 1);
    out.number("rows", a.height() + 1);
    out.boolean("sideWarp", a.SideWarp());
    writePair(out, "start", a.StartX(), a.StartY());
    out.number("time", a.Time());
    writeGrid(out, a);
    return encodeWritten(tessaforge::encode, a, written);
}

// A row exactly as to-json writes it, read at a glance: "[", the cells separated by ", ", "]";
// a cell 0, or {"tile": [x, y], "tag": n, "enemy": n} with the parts it has in that order and
// plain numbers 0 to 255. The row's size, or 0 for a row of any other form (or with a wrong
// count), which the reader then reads value by value and judges.
qsizetype quickRow(QByteArrayView text, qint32 columns, AreaCell *cells)
{
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    const char *p = begin;
    auto literal = [&](const char *s, qsizetype n) {
        if (end - p < n || std::memcmp(p, s, std::size_t(n)) != 0)
            return false;
        p += n;
        return true;
    };
    auto isDigit = [&] { return p < end && *p >= '0' && *p <= '9'; };
    auto byte = [&](qint32 &v) {
        if (!isDigit())
            return false;
        v = *p++ - '0';
        if (v == 0)
            return !isDigit();
        for (int n = 1; n < 3 && isDigit(); ++n)
            v = v * 10 + (*p++ - '0');
        return v <= 255 && !isDigit();
    };
    if (!literal("[", 1))
        return 0;
    for (qint32 x = 0; x < columns; ++x) {
        if (x && !literal(", ", 2))
            return 0;
        AreaCell &c = cells[x];
        c = AreaCell{};
        if (p < end && *p == '0') {
            ++p;
            continue;
        }
        if (!literal("{", 1))
            return 0;
        bool first = true;
        auto part = [&](const char *name, qsizetype n) {
            const char *at = p;
            if ((first || literal(", ", 2)) && literal(name, n)) {
                first = false;
                return true;
            }
            p = at;
            return false;
        };
        qint32 a = 0, b = 0;
        if (part("\"tile\": [", 9)) {
            if (!byte(a) || !literal(", ", 2) || !byte(b) || !literal("]", 1))
                return 0;
            c.bIsTile = true;
            c.xSrc = quint8(a);
            c.ySrc = quint8(b);
        }
        if (part("\"tag\": ", 7) && !byte(c.lTag))
            return 0;
        if (part("\"enemy\": ", 9) && !byte(c.lEnemy))
            return 0;
        if (!literal("}", 1))
            return 0;
    }
    return literal("]", 1) ? p - begin : 0;
}

// 0 for an empty cell, else {"tile": [x, y], "tag": n, "enemy": n}, each part optional.
bool readCell(JsonReader &in, const JsonValue &v, AreaCell &cell)
{
    cell = AreaCell{};
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
    std::vector<AreaCell> cells(static_cast<std::size_t>(columns));
    while (in.next(grid, rowValue)) {
        const qint32 y = qint32(grid.count - 1);
        if (const qsizetype size = quickRow(in.textFrom(rowValue), qint32(columns), cells.data())) {
            in.took(rowValue, size);
        } else {
            JsonArray row = in.array(rowValue, columns, columns);
            while (in.next(row, cellValue) && readCell(in, cellValue, cells[std::size_t(row.count - 1)])) {
            }
        }
        if (in.bad())
            break;
        for (qint32 x = 0; x < qint32(columns); ++x) {
            const AreaCell &c = cells[std::size_t(x)];
            if (c.bIsTile || c.lTag || c.lEnemy)
                a.editColumn(x)[y] = c;
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
