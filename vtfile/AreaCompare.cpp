#include "AreaCompare.h"

#include <QJsonArray>
#include <QtEndian>

#include <array>
#include <charconv>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace vtfile {

namespace areabytes = tessaforge::areabytes;
using tessaforge::AreaCell;
using tessaforge::AreaHeader;
using tessaforge::oLevel;

namespace {

constexpr qsizetype kCell = oLevel::kCellSize;

CellKey keyOf(const uchar *p)
{
    const CellKey tile = p[0] == areabytes::kOn ? (CellKey(1) << 32) | (CellKey(p[1]) << 24) | (CellKey(p[2]) << 16) : 0;
    return tile | (CellKey(p[3]) << 8) | p[4];
}

// Where the first byte that differs lies, or n when none does.
std::size_t firstDifference(const uchar *a, const uchar *b, std::size_t n)
{
    std::size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        const unsigned same = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
        if (same != 0xFFFF)
            return i + std::size_t(__builtin_ctz(~same));
    }
#endif
    for (; i + 8 <= n; i += 8) {
        // Read as little-endian words, the lowest set bit of the difference is in the first byte.
        const quint64 x = qFromLittleEndian<quint64>(a + i), y = qFromLittleEndian<quint64>(b + i);
        if (x != y)
            return i + std::size_t(__builtin_ctzll(x ^ y) / 8);
    }
    for (; i < n; ++i)
        if (a[i] != b[i])
            return i;
    return n;
}

// Groups cells handed over column by column, row by row, into rectangles of one key: runs of
// a column join the rectangle of the column before when they span the same rows.
template <class Key>
class RectGrouper
{
public:
    struct Rect
    {
        qint32 left, top, right, bottom;
        Key key;
    };

    void add(qint32 column, qint32 row, const Key &key)
    {
        if (column != current) {
            closeRun();
            previous.swap(open);
            open.clear();
            if (column != current + 1)
                previous.clear();  // a column without changes between: nothing continues
            current = column;
            cursor = 0;
        } else if (running && row == runBottom + 1 && key == runKey) {
            runBottom = row;
            return;
        } else {
            closeRun();
        }
        running = true;
        runTop = runBottom = row;
        runKey = key;
    }

    std::vector<Rect> finish()
    {
        closeRun();
        return std::move(rects);
    }

private:
    void closeRun()
    {
        if (!running)
            return;
        running = false;
        // The runs of a column come top to bottom, so the one to continue is found by walking on.
        while (cursor < previous.size() && rects[previous[cursor]].top < runTop)
            ++cursor;
        if (cursor < previous.size()) {
            Rect &r = rects[previous[cursor]];
            if (r.top == runTop && r.bottom == runBottom && r.key == runKey) {
                r.right = current;
                open.push_back(previous[cursor++]);
                return;
            }
        }
        open.push_back(rects.size());
        rects.push_back(Rect{current, runTop, current, runBottom, runKey});
    }

    std::vector<Rect> rects;
    std::vector<std::size_t> previous, open;  // rectangles reaching the column before, this one
    std::size_t cursor = 0;
    qint32 current = -1;
    bool running = false;
    qint32 runTop = 0, runBottom = 0;
    Key runKey{};
};

QJsonValue startValue(const AreaHeader &h)
{
    return QJsonArray{h.startX, h.startY};
}

struct HeaderField
{
    const char *name;
    QJsonValue (*value)(const AreaView &);
};

const HeaderField kHeaderFields[] = {
    {"columns", [](const AreaView &v) { return QJsonValue(v.columns()); }},
    {"rows", [](const AreaView &v) { return QJsonValue(v.rows()); }},
    {"sideWarp", [](const AreaView &v) { return QJsonValue(v.header().sideWarp); }},
    {"start", [](const AreaView &v) { return startValue(v.header()); }},
    {"time", [](const AreaView &v) { return QJsonValue(v.header().time); }},
};

} // namespace

AreaCell cellOfKey(CellKey key)
{
    AreaCell c;
    c.bIsTile = (key >> 32) & 1;
    c.xSrc = quint8(key >> 24);
    c.ySrc = quint8(key >> 16);
    c.lTag = quint8(key >> 8);
    c.lEnemy = quint8(key);
    return c;
}

char *putNumber(char *p, qint64 value)
{
    if (value >= 0 && value < 1000) {  // most numbers here: cell values, rows, short spans
        if (value >= 100)
            *p++ = char('0' + value / 100);
        if (value >= 10)
            *p++ = char('0' + value / 10 % 10);
        *p++ = char('0' + value % 10);
        return p;
    }
    return std::to_chars(p, p + 24, value).ptr;
}

namespace {

char *put(char *p, const char *text, std::size_t n)
{
    std::memcpy(p, text, n);
    return p + n;
}

} // namespace

char *putCell(char *p, CellKey key)
{
    if (key == kOutside)
        return put(p, "outside the grid", 16);
    if (key == 0)
        return put(p, "empty", 5);
    const char *start = p;
    if (key & (CellKey(1) << 32)) {
        p = put(p, "tile (", 6);
        p = putNumber(p, (key >> 24) & 0xFF);
        p = put(p, ", ", 2);
        p = putNumber(p, (key >> 16) & 0xFF);
        *p++ = ')';
    }
    if (const qint64 tag = (key >> 8) & 0xFF) {
        if (p != start)
            p = put(p, ", ", 2);
        p = put(p, "tag ", 4);
        p = putNumber(p, tag);
    }
    if (const qint64 enemy = key & 0xFF) {
        if (p != start)
            p = put(p, ", ", 2);
        p = put(p, "enemy ", 6);
        p = putNumber(p, enemy);
    }
    return p;
}

QString describeCell(CellKey key)
{
    char text[kMaxCellText];
    return QString::fromLatin1(text, putCell(text, key) - text);
}

AreaView::AreaView(QByteArrayView bytes)
{
    h = areabytes::header(bytes).value_or(AreaHeader{});
    cols = qMax(0, h.width + 1);
    rowCount = qMax(0, h.height + 1);
    cells = reinterpret_cast<const uchar *>(bytes.data()) + oLevel::kHeaderSize;
    storedCells = qMin(qint64(cols) * rowCount, qMax<qint64>(0, (bytes.size() - oLevel::kHeaderSize) / kCell));
}

const uchar *AreaView::stored(qint32 column, qint32 row) const
{
    if (!inside(column, row))
        return nullptr;
    const qint64 i = qint64(column) * rowCount + row;
    return i < storedCells ? cells + i * kCell : nullptr;
}

const uchar *AreaView::wholeColumn(qint32 column) const
{
    if (column < 0 || column >= cols || (qint64(column) + 1) * rowCount > storedCells)
        return nullptr;
    return cells + qint64(column) * rowCount * kCell;
}

CellKey AreaView::key(qint32 column, qint32 row) const
{
    if (!inside(column, row))
        return kOutside;
    const uchar *p = stored(column, row);
    return p ? keyOf(p) : 0;
}

AreaDiff diffAreas(QByteArrayView beforeBytes, QByteArrayView afterBytes)
{
    const AreaView a(beforeBytes), b(afterBytes);
    AreaDiff diff;
    for (const HeaderField &f : kHeaderFields) {
        const QJsonValue va = f.value(a), vb = f.value(b);
        if (va != vb)
            diff.header.push_back(FieldChange{QString(), QString::fromLatin1(f.name), va, vb});
    }

    RectGrouper<std::array<CellKey, 2>> groups;
    const qint32 columns = qMax(a.columns(), b.columns()), rows = qMax(a.rows(), b.rows());
    auto compareCell = [&](qint32 c, qint32 r) {
        const CellKey ka = a.key(c, r), kb = b.key(c, r);
        // A place only one grid has counts when it holds something; the size says the rest.
        if (ka == kb || (ka == kOutside && kb == 0) || (kb == kOutside && ka == 0))
            return;
        groups.add(c, r, {ka, kb});
    };
    const std::size_t columnBytes = std::size_t(rows) * kCell;
    for (qint32 c = 0; c < columns; ++c) {
        const uchar *ca = a.wholeColumn(c), *cb = b.wholeColumn(c);
        if (a.rows() == b.rows() && ca && cb) {
            if (std::memcmp(ca, cb, columnBytes) == 0)
                continue;
            // Equal stretches are skipped a word at a time; only cells whose bytes differ are looked at.
            for (std::size_t at = firstDifference(ca, cb, columnBytes); at < columnBytes;) {
                const qint32 r = qint32(at / kCell);
                const CellKey ka = keyOf(ca + std::size_t(r) * kCell), kb = keyOf(cb + std::size_t(r) * kCell);
                if (ka != kb)
                    groups.add(c, r, {ka, kb});
                const std::size_t next = std::size_t(r + 1) * kCell;
                at = next + firstDifference(ca + next, cb + next, columnBytes - next);
            }
            continue;
        }
        for (qint32 r = 0; r < rows; ++r)
            compareCell(c, r);
    }
    for (const auto &g : groups.finish()) {
        diff.cells.push_back(CellRect{g.left, g.top, g.right, g.bottom, g.key[0], g.key[1]});
        diff.changedCells += diff.cells.back().cells();
    }
    return diff;
}

namespace {

// The merge of cells when all three areas have the merged grid's shape and every cell stored:
// ours becomes the result where it stands, so that only what theirs brings is copied (and
// written). Whole columns are compared first; a column that only one side changed is taken
// as it is.
void mergeInPlace(AreaMerge &result, const AreaHeader &h, QByteArrayView baseBytes, QByteArrayView theirsBytes,
                  RectGrouper<std::array<CellKey, 3>> &groups)
{
    uchar *const data = reinterpret_cast<uchar *>(result.merged.data());
    const AreaView o(baseBytes), a(result.merged), b(theirsBytes);
    auto changed = [&](qsizetype from, qsizetype to) {
        result.changedFrom = qMin(result.changedFrom, from);
        result.changedTo = qMax(result.changedTo, to);
    };
    uchar header[oLevel::kHeaderSize];
    areabytes::putHeader(h, header);
    if (std::memcmp(data, header, sizeof header) != 0) {
        std::memcpy(data, header, sizeof header);
        changed(0, oLevel::kHeaderSize);
    }
    const std::size_t columnBytes = std::size_t(a.rows()) * kCell;
    for (qint32 c = 0; c < a.columns(); ++c) {
        const uchar *co = o.wholeColumn(c), *cb = b.wholeColumn(c);
        uchar *ca = const_cast<uchar *>(a.wholeColumn(c));
        const qsizetype at = ca - data;
        if (std::memcmp(ca, co, columnBytes) == 0) {
            if (std::memcmp(cb, co, columnBytes) != 0) {
                std::memcpy(ca, cb, columnBytes);
                changed(at, at + qsizetype(columnBytes));
            }
            continue;
        }
        if (std::memcmp(cb, co, columnBytes) == 0 || std::memcmp(ca, cb, columnBytes) == 0)
            continue;
        for (qint32 r = 0; r < a.rows(); ++r) {
            const qsizetype i = qsizetype(r) * kCell;
            const CellKey ko = keyOf(co + i), ka = keyOf(ca + i), kb = keyOf(cb + i);
            if (ka == kb || kb == ko)
                continue;
            if (ka == ko) {
                std::memcpy(ca + i, cb + i, kCell);
                changed(at + i, at + i + kCell);
                continue;
            }
            groups.add(c, r, {ko, ka, kb});
        }
    }
}

} // namespace

AreaMerge mergeAreas(QByteArrayView baseBytes, QByteArray oursBytes, QByteArrayView theirsBytes)
{
    AreaMerge result;
    // A side that left the file alone gives the other side's bytes, untouched.
    if (theirsBytes == baseBytes || oursBytes == theirsBytes) {
        result.merged = std::move(oursBytes);
        return result;
    }
    if (oursBytes == baseBytes) {
        result.merged = theirsBytes.toByteArray();
        result.changedFrom = 0;
        result.changedTo = result.merged.size();
        return result;
    }

    const AreaView o(baseBytes), a(oursBytes), b(theirsBytes);
    QJsonValue merged[std::size(kHeaderFields)];
    for (std::size_t i = 0; i < std::size(kHeaderFields); ++i) {
        const HeaderField &f = kHeaderFields[i];
        const QJsonValue vo = f.value(o), va = f.value(a), vb = f.value(b);
        if (va == vb || vb == vo)
            merged[i] = va;
        else if (va == vo)
            merged[i] = vb;
        else
            result.header.push_back(FieldConflict{QString(), QString::fromLatin1(f.name), vo, va, vb});
    }
    // Without one size for the result, its cells have no places to go.
    for (const FieldConflict &c : result.header)
        if (c.field == u"columns"_s || c.field == u"rows"_s)
            return result;
    const qint32 columns = merged[0].toInt(), rows = merged[1].toInt();

    AreaHeader h;
    h.width = qint16(columns - 1);
    h.height = qint16(rows - 1);
    h.sideWarp = merged[2].toBool();
    const QJsonArray start = merged[3].toArray();
    h.startX = qint16(start.at(0).toInt());
    h.startY = qint16(start.at(1).toInt());
    h.time = qint16(merged[4].toInt());

    RectGrouper<std::array<CellKey, 3>> groups;
    const qint64 cellCount = qint64(columns) * rows;
    const qint64 size = oLevel::kHeaderSize + cellCount * kCell;
    // One side's new width and the other's new height can give a grid larger than either side
    // had: past what a file of this kind sensibly holds, that is a clash of sizes.
    constexpr qint64 kMaxMergedBytes = 256 * 1024 * 1024;
    if (size > kMaxMergedBytes && size > qMax(oursBytes.size(), theirsBytes.size())) {
        result.header.push_back(FieldConflict{QString(), u"columns"_s, o.columns(), a.columns(), b.columns()});
        result.header.push_back(FieldConflict{QString(), u"rows"_s, o.rows(), a.rows(), b.rows()});
        return result;
    }
    // The bytes past the grid, which the reader skips, are one value more.
    auto tail = [](QByteArrayView bytes, const AreaView &v) {
        const qint64 grid = oLevel::kHeaderSize + qint64(v.columns()) * v.rows() * kCell;
        return bytes.size() > grid ? bytes.sliced(grid) : QByteArrayView();
    };
    const QByteArrayView tbase = tail(baseBytes, o), ta = tail(oursBytes, a), tb = tail(theirsBytes, b);
    QByteArrayView mergedTail = ta;
    if (ta == tbase && tb != tbase)
        mergedTail = tb;
    else if (ta != tb && ta != tbase && tb != tbase)
        result.header.push_back(FieldConflict{QString(), u"bytes after the grid"_s, qint64(tbase.size()),
                                              qint64(ta.size()), qint64(tb.size())});
    auto whole = [&](const AreaView &v, qsizetype bytes) {
        return v.columns() == columns && v.rows() == rows && v.storedCellCount() == cellCount && bytes >= size;
    };
    if (whole(a, oursBytes.size()) && oursBytes.size() == size + ta.size() && mergedTail.data() == ta.data()
        && whole(o, baseBytes.size()) && whole(b, theirsBytes.size())) {
        result.merged = std::move(oursBytes);
        result.merged.detach();
        mergeInPlace(result, h, baseBytes, theirsBytes, groups);
    } else {
        QByteArray out(size + mergedTail.size(), Qt::Uninitialized);
        if (!mergedTail.isEmpty())
            std::memcpy(out.data() + size, mergedTail.data(), std::size_t(mergedTail.size()));
        uchar *const data = reinterpret_cast<uchar *>(out.data());
        areabytes::putHeader(h, data);
        uchar *const grid = data + oLevel::kHeaderSize;
        // Outside a grid a cell is empty: a grown area's new cells start so.
        auto inGrid = [](const AreaView &v, qint32 c, qint32 r) {
            const CellKey k = v.key(c, r);
            return k == kOutside ? 0 : k;
        };
        auto put = [&](uchar *to, const AreaView &v, qint32 c, qint32 r) {
            if (const uchar *p = v.stored(c, r))
                std::memcpy(to, p, kCell);
            else
                std::memset(to, 0, kCell);
        };
        const qint32 allColumns = qMax(columns, qMax(a.columns(), b.columns()));
        const qint32 allRows = qMax(rows, qMax(a.rows(), b.rows()));
        for (qint32 c = 0; c < allColumns; ++c) {
            uchar *to = c < columns ? grid + qint64(c) * rows * kCell : nullptr;
            for (qint32 r = 0; r < allRows; ++r) {
                const CellKey ko = inGrid(o, c, r), ka = inGrid(a, c, r), kb = inGrid(b, c, r);
                if (to && r < rows) {
                    uchar *cell = to + qsizetype(r) * kCell;
                    if (ka == ko && ka != kb) {
                        put(cell, b, c, r);
                        continue;
                    }
                    put(cell, a, c, r);
                    if (ka != kb && kb != ko)
                        groups.add(c, r, {o.key(c, r), a.key(c, r), b.key(c, r)});
                    continue;
                }
                // Cut off the result's grid by one side's new size: an edit the other side made
                // there would be lost.
                const bool oursCut = !a.inside(c, r), theirsCut = !b.inside(c, r);
                if (oursCut && theirsCut)
                    continue;  // both sides cut it off
                if ((oursCut && kb != ko) || (theirsCut && ka != ko))
                    groups.add(c, r, {o.key(c, r), a.key(c, r), b.key(c, r)});
            }
        }
        result.changedFrom = 0;
        result.changedTo = out.size();
        result.merged = std::move(out);
    }
    for (const auto &g : groups.finish()) {
        result.cells.push_back(CellConflict{g.left, g.top, g.right, g.bottom, g.key[0], g.key[1], g.key[2]});
        result.conflictCells += result.cells.back().cells();
    }
    if (!result.clean())
        result.merged.clear();
    return result;
}

} // namespace vtfile
