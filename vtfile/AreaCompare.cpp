#include "AreaCompare.h"

#include <QJsonArray>

#include <array>
#include <cstring>

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

QString describeCell(CellKey key)
{
    if (key == kOutside)
        return u"outside the grid"_s;
    if (key == 0)
        return u"empty"_s;
    const AreaCell c = cellOfKey(key);
    QStringList parts;
    if (c.bIsTile)
        parts << u"tile (%1, %2)"_s.arg(c.xSrc).arg(c.ySrc);
    if (c.lTag)
        parts << u"tag %1"_s.arg(c.lTag);
    if (c.lEnemy)
        parts << u"enemy %1"_s.arg(c.lEnemy);
    return parts.join(u", "_s);
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
    const bool sameRows = a.rows() == b.rows();
    for (qint32 c = 0; c < columns; ++c) {
        const uchar *ca = a.wholeColumn(c), *cb = b.wholeColumn(c);
        if (sameRows && ca && cb && std::memcmp(ca, cb, std::size_t(rows) * kCell) == 0)
            continue;
        for (qint32 r = 0; r < rows; ++r) {
            const uchar *pa = ca ? ca + qsizetype(r) * kCell : nullptr, *pb = cb ? cb + qsizetype(r) * kCell : nullptr;
            if (pa && pb && r < a.rows() && r < b.rows() && std::memcmp(pa, pb, kCell) == 0)
                continue;
            const CellKey ka = a.key(c, r), kb = b.key(c, r);
            // A place only one grid has counts when it holds something; the size says the rest.
            if (ka == kb || (ka == kOutside && kb == 0) || (kb == kOutside && ka == 0))
                continue;
            groups.add(c, r, {ka, kb});
        }
    }
    for (const auto &g : groups.finish()) {
        diff.cells.push_back(CellRect{g.left, g.top, g.right, g.bottom, g.key[0], g.key[1]});
        diff.changedCells += diff.cells.back().cells();
    }
    return diff;
}

AreaMerge mergeAreas(QByteArrayView baseBytes, QByteArrayView oursBytes, QByteArrayView theirsBytes)
{
    AreaMerge result;
    // A side that left the file alone gives the other side's bytes, untouched.
    if (oursBytes == baseBytes || oursBytes == theirsBytes) {
        result.merged = theirsBytes.toByteArray();
        if (oursBytes == theirsBytes)
            result.merged = oursBytes.toByteArray();
        return result;
    }
    if (theirsBytes == baseBytes) {
        result.merged = oursBytes.toByteArray();
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

    QByteArray out(oLevel::kHeaderSize + qint64(columns) * rows * kCell, Qt::Uninitialized);
    uchar *const data = reinterpret_cast<uchar *>(out.data());
    areabytes::putHeader(h, data);
    uchar *const grid = data + oLevel::kHeaderSize;

    RectGrouper<std::array<CellKey, 3>> groups;
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
    const bool sameShape = o.rows() == rows && a.rows() == rows && b.rows() == rows;
    const qint32 allColumns = qMax(columns, qMax(a.columns(), b.columns()));
    const qint32 allRows = qMax(rows, qMax(a.rows(), b.rows()));
    for (qint32 c = 0; c < allColumns; ++c) {
        uchar *to = c < columns ? grid + qint64(c) * rows * kCell : nullptr;
        const std::size_t columnBytes = std::size_t(rows) * kCell;
        const uchar *co = o.wholeColumn(c), *ca = a.wholeColumn(c), *cb = b.wholeColumn(c);
        if (to && sameShape && co && ca && cb) {
            if (std::memcmp(ca, co, columnBytes) == 0) {
                std::memcpy(to, cb, columnBytes);
                continue;
            }
            if (std::memcmp(cb, co, columnBytes) == 0 || std::memcmp(ca, cb, columnBytes) == 0) {
                std::memcpy(to, ca, columnBytes);
                continue;
            }
        }
        for (qint32 r = 0; r < allRows; ++r) {
            const bool kept = to && r < rows;
            const CellKey ko = inGrid(o, c, r), ka = inGrid(a, c, r), kb = inGrid(b, c, r);
            if (kept) {
                uchar *cell = to + qsizetype(r) * kCell;
                if (ka == kb || kb == ko) {
                    put(cell, a, c, r);
                    continue;
                }
                if (ka == ko) {
                    put(cell, b, c, r);
                    continue;
                }
                put(cell, a, c, r);
                groups.add(c, r, {o.key(c, r), a.key(c, r), b.key(c, r)});
                continue;
            }
            // Cut off the result's grid by one side's new size: an edit the other side made there
            // would be lost.
            const bool oursCut = !a.inside(c, r), theirsCut = !b.inside(c, r);
            if ((oursCut && kb != ko) || (theirsCut && ka != ko))
                groups.add(c, r, {o.key(c, r), a.key(c, r), b.key(c, r)});
        }
    }
    for (const auto &g : groups.finish()) {
        result.cells.push_back(CellConflict{g.left, g.top, g.right, g.bottom, g.key[0], g.key[1], g.key[2]});
        result.conflictCells += result.cells.back().cells();
    }
    if (result.clean())
        result.merged = std::move(out);
    return result;
}

} // namespace vtfile
