// An area file as JSON: its header's values, then the grid a row per line (JSON.md).
#include "FormatTable.h"

#include "area/oLevel.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using tessaforge::AreaCell;
using tessaforge::AreaHeader;
namespace areabytes = tessaforge::areabytes;
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

// A cell of a decoded file in one word: its tag and enemy are bytes. 0 for an empty cell.
quint64 packed(const AreaCell &c)
{
    return (c.bIsTile ? (quint64(1) << 32) | (quint64(c.xSrc) << 24) | (quint64(c.ySrc) << 16) : 0)
           | (quint64(quint8(c.lTag)) << 8) | quint8(c.lEnemy);
}

// The distance between two rows of a band of packed cells: a cache line more than a row, so
// that a column's cells of the band do not all fall into the same set of the cache (rows a
// power of two apart would).
std::size_t bandStride(qint32 columns)
{
    return std::size_t(columns) + 8;
}

char *putCell(char *p, quint64 c)
{
    if (c == 0) {
        *p++ = '0';
        return p;
    }
    const bool tile = c >> 32;
    const int tag = int(c >> 8) & 0xff, enemy = int(c) & 0xff;
    *p++ = '{';
    if (tile) {
        p = put(p, "\"tile\": [", 9);
        p = putByte(p, int(c >> 24) & 0xff);
        p = put(p, ", ", 2);
        p = putByte(p, int(c >> 16) & 0xff);
        *p++ = ']';
    }
    if (tag) {
        p = tile ? put(p, ", \"tag\": ", 9) : put(p, "\"tag\": ", 7);
        p = putByte(p, tag);
    }
    if (enemy) {
        p = tile || tag ? put(p, ", \"enemy\": ", 11) : put(p, "\"enemy\": ", 9);
        p = putByte(p, enemy);
    }
    *p++ = '}';
    return p;
}

// The grid is stored column by column and shown row by row: a band of rows is first gathered
// from the file into rows (each column's cells for the band read together, the next columns
// fetched ahead: they lie too far apart for the processor to guess), then each row is written
// out at once. The file is read as the area's reader reads it (cells it lacks are empty), but
// without building the grid, which would take more than twice the file's memory. A cell
// without a tile shows no tile position, and comes back without one: the cells the values
// give are written to baseline on the way, and the stored position travels with the bytes
// the values do not give.
void writeGrid(JsonWriter &out, QByteArrayView bytes, const AreaHeader &h, uchar *baseline)
{
    constexpr qint32 kBand = 32;
    constexpr qint32 kAhead = 8;
    const qint32 columns = h.width + 1;
    const qint32 rows = h.height + 1;
    const auto *const stored = reinterpret_cast<const uchar *>(bytes.data()) + oLevel::kHeaderSize;
    const qint64 storedCells = (bytes.size() - oLevel::kHeaderSize) / oLevel::kCellSize;
    const std::size_t stride = bandStride(columns);
    std::vector<quint64> band(std::size_t(kBand) * stride);
    out.beginArray("grid");
    for (qint32 top = 0; top < rows; top += kBand) {
        const qint32 count = std::min(kBand, rows - top);
        for (qint32 x = 0; x < columns; ++x) {
            const qint64 first = qint64(x) * rows + top;
            if (x + kAhead < columns) {
                const qint64 ahead = first + qint64(kAhead) * rows;
                for (qint64 at = ahead * oLevel::kCellSize; at < std::min(ahead + count, storedCells) * oLevel::kCellSize;
                     at += 64)
                    __builtin_prefetch(stored + at);
            }
            for (qint32 i = 0; i < count; ++i) {
                const qint64 n = first + i;
                AreaCell c = n < storedCells ? areabytes::cell(stored + n * oLevel::kCellSize) : AreaCell{};
                if (!c.bIsTile)
                    c.xSrc = c.ySrc = 0;
                areabytes::putCell(c, baseline + n * oLevel::kCellSize);
                band[std::size_t(i) * stride + std::size_t(x)] = packed(c);
            }
        }
        for (qint32 i = 0; i < count; ++i) {
            const quint64 *cells = band.data() + std::size_t(i) * stride;
            char *const begin = out.beginRaw(2 + qsizetype(columns) * (kMaxCellText + 2));
            char *p = begin;
            *p++ = '[';
            p = putCell(p, cells[0]);
            for (qint32 x = 1; x < columns; ++x) {
                *p++ = ',';
                *p++ = ' ';
                p = putCell(p, cells[x]);
            }
            *p++ = ']';
            out.endRaw(p);
        }
    }
    out.end();
}

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    if (vt::Status s = areabytes::check(bytes); !s)
        return s;
    const std::optional<QSize> grid = tessaforge::areaGridOf(bytes);
    const AreaHeader h = *areabytes::header(bytes);
    QByteArray baseline;
    try {
        baseline = QByteArray(oLevel::kHeaderSize + oLevel::kCellSize * qint64(grid->width()) * grid->height(),
                              Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        return vt::Status::failure(u"not enough memory for an area of %1 x %2 cells"_s.arg(grid->width())
                                       .arg(grid->height()));
    }
    auto *const p = reinterpret_cast<uchar *>(baseline.data());
    areabytes::putHeader(h, p);
    out.number("columns", h.width + 1);
    out.number("rows", h.height + 1);
    out.boolean("sideWarp", h.sideWarp);
    writePair(out, "start", h.startX, h.startY);
    out.number("time", h.time);
    writeGrid(out, bytes, h, p + oLevel::kHeaderSize);
    written = std::move(baseline);
    return vt::Status::success();
}

AreaCell unpacked(quint64 c)
{
    return AreaCell{bool(c >> 32), quint8(c >> 24), quint8(c >> 16), qint32((c >> 8) & 0xff), qint32(c & 0xff)};
}

// A row exactly as to-json writes it, read at a glance: "[", the cells separated by ", ", "]";
// a cell 0, or {"tile": [x, y], "tag": n, "enemy": n} with the parts it has in that order and
// plain numbers 0 to 255; the columns of cells that hold something are marked in used. The
// row's size, or 0 for a row of any other form (or with a wrong count), which the reader
// then reads value by value and judges.
qsizetype quickRow(QByteArrayView text, qint32 columns, quint64 *cells, quint8 *used)
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
    auto byte = [&](quint64 &v) {
        if (!isDigit())
            return false;
        v = quint64(*p++ - '0');
        if (v == 0)
            return !isDigit();
        for (int n = 1; n < 3 && isDigit(); ++n)
            v = v * 10 + quint64(*p++ - '0');
        return v <= 255 && !isDigit();
    };
    // Two empty cells and the separator of a third: an empty stretch goes two cells a step.
    quint64 twoEmpty;
    std::memcpy(&twoEmpty, ", 0, 0, ", 8);
    if (!literal("[", 1))
        return 0;
    for (qint32 x = 0; x < columns; ++x) {
        if (x) {
            quint64 eight;
            while (x + 2 < columns && end - p >= 8 && (std::memcpy(&eight, p, 8), eight == twoEmpty)) {
                cells[x] = cells[x + 1] = 0;
                x += 2;
                p += 6;
            }
            if (end - p < 2 || p[0] != ',' || p[1] != ' ')
                return 0;
            p += 2;
        }
        quint64 &c = cells[x];
        c = 0;
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
        quint64 a = 0, b = 0, tag = 0, enemy = 0;
        if (part("\"tile\": [", 9)) {
            if (!byte(a) || !literal(", ", 2) || !byte(b) || !literal("]", 1))
                return 0;
            c = (quint64(1) << 32) | (a << 24) | (b << 16);
        }
        if (part("\"tag\": ", 7) && !byte(tag))
            return 0;
        if (part("\"enemy\": ", 9) && !byte(enemy))
            return 0;
        if (!literal("}", 1))
            return 0;
        c |= (tag << 8) | enemy;
        used[x] = 1;
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
    // The file is made directly, as the area's writer lays it out: a grid would take more
    // than twice its memory. Its cells are written band by band as the rows are read, so
    // that a JSON which claims a huge grid and ends early touches no more than it gave.
    QByteArray out;
    try {
        out = QByteArray(oLevel::kHeaderSize + oLevel::kCellSize * columns * rows, Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        in.fail(columnsValue, u"no memory for a grid of that size"_s);
        return {};
    }
    auto *const bytes = reinterpret_cast<uchar *>(out.data());
    areabytes::putHeader({sideWarp, qint16(start.first), qint16(start.second), qint16(columns - 1),
                          qint16(rows - 1), qint16(time)},
                         bytes);
    uchar *const grid = bytes + oLevel::kHeaderSize;
    // Rows are gathered a band at a time, a cell a word, and stored column by column, the
    // file's order.
    constexpr qint32 kBand = 32;
    const std::size_t stride = bandStride(qint32(columns));
    std::vector<quint64> band(std::size_t(kBand) * stride);
    std::vector<quint8> used(static_cast<std::size_t>(columns), 0);  // columns of the band that hold anything
    qint32 top = 0, count = 0;
    auto store = [&] {
        for (qint32 x = 0; x < qint32(columns); ++x) {
            uchar *cells = grid + (qint64(x) * rows + top) * oLevel::kCellSize;
            if (!used[std::size_t(x)]) {
                std::memset(cells, 0, std::size_t(count * oLevel::kCellSize));
                continue;
            }
            used[std::size_t(x)] = 0;
            for (qint32 i = 0; i < count; ++i)
                areabytes::putCell(unpacked(band[std::size_t(i) * stride + std::size_t(x)]),
                                   cells + qint64(i) * oLevel::kCellSize);
        }
        top += count;
        count = 0;
    };
    JsonArray gridArray = in.array(gridValue, rows, rows);
    JsonValue rowValue, cellValue;
    while (in.next(gridArray, rowValue)) {
        quint64 *cells = band.data() + std::size_t(count) * stride;
        if (const qsizetype size = quickRow(in.textFrom(rowValue), qint32(columns), cells, used.data())) {
            in.took(rowValue, size);
        } else {
            JsonArray row = in.array(rowValue, columns, columns);
            AreaCell cell;
            while (in.next(row, cellValue) && readCell(in, cellValue, cell)) {
                cells[row.count - 1] = packed(cell);
                used[std::size_t(row.count - 1)] = 1;
            }
        }
        if (in.bad())
            break;
        if (++count == kBand)
            store();
    }
    if (!in.bad())
        store();
    if (in.bad())
        return {};
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
    .members = kDocument,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
