#include "AreaEditing.h"

#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tessaforge {

namespace {

const QString kBlockHeader = QStringLiteral("Tessaforge area block");
constexpr qint32 kLargestStoredValue = 255;  // a tag or enemy number is one byte in the file

quint64 keyOf(qint32 X, qint32 Y)
{
    return (quint64(quint32(X)) << 32) | quint32(Y);
}

// Gives the cells [from, to) the layer's value from `v`.
template<AreaLayer L>
void paintRun(AreaCell *from, AreaCell *to, const AreaCell &v)
{
    if constexpr (L == AreaLayer::Tiles) {
        // The three tile bytes lead the cell (the fourth is padding): one store a cell.
        static_assert(offsetof(AreaCell, bIsTile) == 0 && offsetof(AreaCell, xSrc) == 1 &&
                      offsetof(AreaCell, ySrc) == 2 && offsetof(AreaCell, lTag) >= 4);
        const quint32 head = qToLittleEndian(quint32(v.bIsTile) | quint32(v.xSrc) << 8 | quint32(v.ySrc) << 16);
        for (AreaCell *c = from; c != to; ++c)
            std::memcpy(static_cast<void *>(c), &head, sizeof head);
    } else {
        const qint32 value = L == AreaLayer::Tags ? v.lTag : v.lEnemy;
        for (AreaCell *c = from; c != to; ++c)
            (L == AreaLayer::Tags ? c->lTag : c->lEnemy) = value;
    }
}

// The same for every cell of the spans (a fill's step, undone or redone).
template<AreaLayer L>
void paintSpans(oLevel &area, const std::vector<CellSpan> &spans, const AreaCell &v)
{
    for (const CellSpan &s : spans) {
        AreaCell *column = area.editColumn(s.X);
        if (column && s.top >= 0 && s.bottom <= area.height())
            paintRun<L>(column + s.top, column + s.bottom + 1, v);
    }
}

} // namespace

AreaCell cellAt(const oLevel &area, qint32 X, qint32 Y)
{
    const AreaCell *column = area.column(X);
    return column && Y >= 0 && Y <= area.height() ? column[Y] : AreaCell{};
}

void putCell(oLevel &area, qint32 X, qint32 Y, const AreaCell &cell)
{
    area.SetCell(X, Y, cell);
}

// ---- steps ----------------------------------------------------------------------------

qsizetype AreaChange::bytes() const
{
    return qsizetype(sizeof(AreaChange)) + qsizetype(cells.capacity() * sizeof(CellChange)) +
           qsizetype(spans.capacity() * sizeof(CellSpan));
}

qint64 AreaChange::spanCells() const
{
    qint64 n = 0;
    for (const CellSpan &s : spans)
        n += s.bottom - s.top + 1;
    return n;
}

void AreaChange::apply(oLevel &area, bool forward) const
{
    if (!spans.empty()) {
        const AreaCell &v = forward ? spanAfter : spanBefore;
        switch (spanLayer) {
        case AreaLayer::Tiles: paintSpans<AreaLayer::Tiles>(area, spans, v); break;
        case AreaLayer::Tags: paintSpans<AreaLayer::Tags>(area, spans, v); break;
        case AreaLayer::Enemies: paintSpans<AreaLayer::Enemies>(area, spans, v); break;
        }
    }
    if (forward) {
        for (const CellChange &c : cells)
            putCell(area, c.X, c.Y, c.after);
        if (resizes)
            (void)area.Resize(sizeAfter.width(), sizeAfter.height());
    } else {
        if (resizes)
            (void)area.Resize(sizeBefore.width(), sizeBefore.height());
        // Backward in reverse order, so a step that touched a cell twice ends at its first state.
        for (auto it = cells.rbegin(); it != cells.rend(); ++it)
            putCell(area, it->X, it->Y, it->before);
    }
    if (togglesSideWarp)
        area.SetSideWarp(forward ? sideWarpAfter : !sideWarpAfter);
    if (movesStart) {
        const QPoint p = forward ? startAfter : startBefore;
        area.SetStartPos(static_cast<qint16>(p.x()), static_cast<qint16>(p.y()));
    }
}

std::size_t AreaStroke::slotOf(qint32 X, qint32 Y) const
{
    quint64 h = keyOf(X, Y) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    return std::size_t(h) & (m_slots.size() - 1);
}

void AreaStroke::rebuildSlots(std::size_t size)
{
    m_slots.assign(size, 0);
    const std::vector<CellChange> &cells = m_step.cells;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::size_t slot = slotOf(cells[i].X, cells[i].Y);
        while (m_slots[slot] != 0)
            slot = (slot + 1) & (m_slots.size() - 1);
        m_slots[slot] = quint32(i + 1);
    }
}

void AreaStroke::record(qint32 X, qint32 Y, const AreaCell &before, const AreaCell &after)
{
    std::vector<CellChange> &cells = m_step.cells;
    // At most half the slots in use keeps the probes short. A step made elsewhere and grown
    // by a drag gets its slots here too.
    if ((cells.size() + 1) * 2 > m_slots.size())
        rebuildSlots(std::max<std::size_t>(64, std::bit_ceil((cells.size() + 1) * 4)));
    std::size_t slot = slotOf(X, Y);
    while (const quint32 held = m_slots[slot]) {
        CellChange &c = cells[held - 1];
        if (c.X == X && c.Y == Y) {
            c.after = after;
            return;
        }
        slot = (slot + 1) & (m_slots.size() - 1);
    }
    m_slots[slot] = quint32(cells.size() + 1);
    cells.push_back(CellChange{X, Y, before, after});
}

void AreaStroke::moveStart(QPoint before, QPoint after)
{
    if (!m_step.movesStart)
        m_step.startBefore = before;
    m_step.movesStart = true;
    m_step.startAfter = after;
}

qsizetype AreaStroke::bytes() const
{
    return m_step.bytes() + qsizetype(m_slots.capacity() * sizeof(quint32));
}

// ---- tools ----------------------------------------------------------------------------

AreaCell paintedCell(AreaCell cell, AreaLayer layer, bool erase, qint32 x, qint32 y)
{
    switch (layer) {
    case AreaLayer::Tiles:
        if (erase) {
            cell.bIsTile = false;
            cell.xSrc = 0;
            cell.ySrc = 0;
        } else if (x >= 0 && x <= 255 && y >= 0 && y <= 255) {
            cell.bIsTile = true;
            cell.xSrc = static_cast<quint8>(x);
            cell.ySrc = static_cast<quint8>(y);
        }
        break;
    case AreaLayer::Tags: cell.lTag = erase ? 0 : y; break;
    case AreaLayer::Enemies: cell.lEnemy = erase ? 0 : y; break;
    }
    return cell;
}

std::vector<CellChange> rectangleChanges(const oLevel &area, QRect rect, AreaLayer layer, bool erase, qint32 x,
                                         qint32 y)
{
    std::vector<CellChange> out;
    rect = rect & QRect(0, 0, area.width() + 1, area.height() + 1);
    if (rect.isEmpty() || !area.hasGrid())
        return out;
    for (qint32 c = rect.left(); c <= rect.right(); ++c) {
        const AreaCell *column = area.column(c);
        for (qint32 r = rect.top(); r <= rect.bottom(); ++r) {
            const AreaCell after = paintedCell(column[r], layer, erase, x, y);
            if (!(after == column[r]))
                out.push_back(CellChange{c, r, column[r], after});
        }
    }
    return out;
}

namespace {

// A cell's value in one layer, as the fill compares it: an empty cell's tile position counts too (files
// may carry one), so that a fill's undo puts back exactly the bytes there were.
template<AreaLayer L>
quint32 keyIn(const AreaCell &c)
{
    if constexpr (L == AreaLayer::Tiles) {
        // The three tile bytes lead the cell; one load and a mask (the fourth byte is padding)
        // is what makes a fill's scan cheap.
        static_assert(offsetof(AreaCell, bIsTile) == 0 && offsetof(AreaCell, xSrc) == 1 &&
                      offsetof(AreaCell, ySrc) == 2 && offsetof(AreaCell, lTag) >= 4);
        quint32 head;
        std::memcpy(&head, &c, sizeof head);
        return qFromLittleEndian(head) & 0xFFFFFFu;
    } else if constexpr (L == AreaLayer::Tags)
        return quint32(c.lTag);
    else
        return quint32(c.lEnemy);
}

// The fill paints each run of a column as soon as it is found, so a painted cell no longer
// matches and needs no mark of its own, and each cell is read about once, while it is still
// in the cache for its painting.
template<AreaLayer L>
void fillRuns(oLevel &area, qint32 X, qint32 Y, qint64 limit, AreaChange &step, bool &tooLarge)
{
    const quint32 start = keyIn<L>(step.spanBefore);
    auto same = [start](const AreaCell &c) { return keyIn<L>(c) == start; };
    const qint32 rows = area.height() + 1;

    // A seed is a piece of a run that its finder saw matching, in column X, found from the
    // painted run [fromTop, fromBottom] of column `from`: those cells need no second look.
    struct Seed
    {
        qint32 X, top, bottom;
        qint32 from, fromTop, fromBottom;
    };
    qint64 total = 0;
    std::vector<Seed> pending{Seed{X, Y, Y, -1, 0, -1}};
    auto seedRuns = [&](qint32 side, const AreaCell *next, qint32 top, qint32 bottom, qint32 at, qint32 runTop,
                        qint32 runBottom) {
        for (qint32 r = top; r <= bottom; ++r) {
            if (!same(next[r]))
                continue;
            const qint32 first = r;
            while (r < bottom && same(next[r + 1]))
                ++r;
            pending.push_back(Seed{side, first, r, at, runTop, runBottom});
        }
    };
    while (!pending.empty()) {
        const Seed p = pending.back();
        pending.pop_back();
        AreaCell *column = area.editColumn(p.X);
        // A run is painted whole, so one cell tells whether another way got there first.
        if (!same(column[p.top]))
            continue;
        qint32 top = p.top;
        while (top > 0 && same(column[top - 1]))
            --top;
        qint32 bottom = p.bottom;
        while (bottom < rows - 1 && same(column[bottom + 1]))
            ++bottom;
        total += bottom - top + 1;
        if (total > limit) {
            tooLarge = true;
            AreaChange painted = std::move(step);
            painted.apply(area, false);
            return;
        }
        paintRun<L>(column + top, column + bottom + 1, step.spanAfter);
        step.spans.push_back(CellSpan{p.X, top, bottom});
        for (const qint32 side : {p.X - 1, p.X + 1}) {
            if (side < 0 || side > area.width())
                continue;
            const AreaCell *next = area.column(side);
            if (side != p.from) {
                seedRuns(side, next, top, bottom, p.X, top, bottom);
                continue;
            }
            // Toward the column the seed came from, only what reaches past its painted run.
            seedRuns(side, next, top, std::min(bottom, p.fromTop - 1), p.X, top, bottom);
            seedRuns(side, next, std::max(top, p.fromBottom + 1), bottom, p.X, top, bottom);
        }
    }
}

} // namespace

AreaChange floodFill(oLevel &area, qint32 X, qint32 Y, AreaLayer layer, bool erase, qint32 x, qint32 y, qint64 limit,
                   bool *tooLarge)
{
    AreaChange step;
    if (tooLarge)
        *tooLarge = false;
    if (!area.hasGrid() || X < 0 || Y < 0 || X > area.width() || Y > area.height())
        return step;
    const AreaCell start = cellAt(area, X, Y);
    const AreaCell painted = paintedCell(start, layer, erase, x, y);
    if (painted == start)
        return step;  // painting the region would change nothing
    step.spanLayer = layer;
    step.spanBefore = start;
    step.spanAfter = painted;
    bool over = false;
    switch (layer) {
    case AreaLayer::Tiles: fillRuns<AreaLayer::Tiles>(area, X, Y, limit, step, over); break;
    case AreaLayer::Tags: fillRuns<AreaLayer::Tags>(area, X, Y, limit, step, over); break;
    case AreaLayer::Enemies: fillRuns<AreaLayer::Enemies>(area, X, Y, limit, step, over); break;
    }
    if (over) {
        if (tooLarge)
            *tooLarge = true;
        return AreaChange();
    }
    return step;
}

AreaBlock copyBlock(const oLevel &area, QRect rect)
{
    AreaBlock block;
    rect = rect & QRect(0, 0, area.width() + 1, area.height() + 1);
    if (rect.isEmpty() || !area.hasGrid() || qint64(rect.width()) * rect.height() > AreaBlock::kMaxCells)
        return block;
    block.columns = rect.width();
    block.rows = rect.height();
    block.cells.reserve(std::size_t(qint64(block.columns) * block.rows));
    for (qint32 c = rect.left(); c <= rect.right(); ++c) {
        const AreaCell *column = area.column(c);
        block.cells.insert(block.cells.end(), column + rect.top(), column + rect.bottom() + 1);
    }
    return block;
}

std::vector<CellChange> pasteChanges(const oLevel &area, const AreaBlock &block, QPoint at)
{
    std::vector<CellChange> out;
    const QRect target = QRect(at, QSize(block.columns, block.rows)) & QRect(0, 0, area.width() + 1, area.height() + 1);
    if (block.isEmpty() || target.isEmpty() || !area.hasGrid())
        return out;
    for (qint32 c = target.left(); c <= target.right(); ++c) {
        const AreaCell *column = area.column(c);
        for (qint32 r = target.top(); r <= target.bottom(); ++r) {
            const AreaCell &after = block.at(c - at.x(), r - at.y());
            if (!(after == column[r]))
                out.push_back(CellChange{c, r, column[r], after});
        }
    }
    return out;
}

// ---- the clipboard text ---------------------------------------------------------------
//
// A header line, then "columns rows", then one line per row of the block, each cell as
// "tile/tag/enemy" with the tile "x,y" or "-" for none, cells separated by spaces.

QString blockToText(const AreaBlock &block)
{
    QString text = kBlockHeader + QLatin1Char('\n');
    text += QString::number(block.columns) + QLatin1Char(' ') + QString::number(block.rows) + QLatin1Char('\n');
    for (qint32 r = 0; r < block.rows; ++r) {
        for (qint32 c = 0; c < block.columns; ++c) {
            const AreaCell &cell = block.at(c, r);
            if (c > 0)
                text += QLatin1Char(' ');
            if (cell.bIsTile)
                text += QString::number(cell.xSrc) + QLatin1Char(',') + QString::number(cell.ySrc);
            else
                text += QLatin1Char('-');
            text += QLatin1Char('/') + QString::number(cell.lTag) + QLatin1Char('/') + QString::number(cell.lEnemy);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

std::optional<AreaBlock> blockFromText(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() < 2 || lines[0] != kBlockHeader)
        return std::nullopt;
    const QStringList size = lines[1].split(QLatin1Char(' '));
    bool okColumns = false;
    bool okRows = false;
    if (size.size() != 2)
        return std::nullopt;
    AreaBlock block;
    block.columns = size[0].toInt(&okColumns);
    block.rows = size[1].toInt(&okRows);
    if (!okColumns || !okRows || block.columns < 1 || block.rows < 1 || block.columns > oLevel::kMaxCount ||
        block.rows > oLevel::kMaxCount || qint64(block.columns) * block.rows > AreaBlock::kMaxCells ||
        lines.size() != block.rows + 2)
        return std::nullopt;
    block.cells.resize(std::size_t(qint64(block.columns) * block.rows));

    auto number = [](QStringView s, qint32 largest, qint32 &out) {
        bool ok = false;
        out = s.toInt(&ok);
        return ok && out >= 0 && out <= largest;
    };
    for (qint32 r = 0; r < block.rows; ++r) {
        const QStringList tokens = lines[r + 2].split(QLatin1Char(' '));
        if (tokens.size() != block.columns)
            return std::nullopt;
        for (qint32 c = 0; c < block.columns; ++c) {
            const QStringList parts = tokens[c].split(QLatin1Char('/'));
            if (parts.size() != 3)
                return std::nullopt;
            AreaCell cell;
            if (parts[0] != QLatin1String("-")) {
                const QStringList xy = parts[0].split(QLatin1Char(','));
                qint32 x = 0;
                qint32 y = 0;
                if (xy.size() != 2 || !number(xy[0], 255, x) || !number(xy[1], 255, y))
                    return std::nullopt;
                cell.bIsTile = true;
                cell.xSrc = static_cast<quint8>(x);
                cell.ySrc = static_cast<quint8>(y);
            }
            if (!number(parts[1], kLargestStoredValue, cell.lTag) ||
                !number(parts[2], kLargestStoredValue, cell.lEnemy))
                return std::nullopt;
            block.cells[std::size_t(qint64(c) * block.rows + r)] = cell;
        }
    }
    return block;
}

} // namespace tessaforge
