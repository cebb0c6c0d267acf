#include "AreaEditing.h"

#include <QStringList>

#include <algorithm>
#include <bit>
#include <cstdint>

namespace tessaforge {

namespace {

const QString kBlockHeader = QStringLiteral("Tessaforge area block");
constexpr qint32 kLargestStoredValue = 255;  // a tag or enemy number is one byte in the file

quint64 keyOf(qint32 X, qint32 Y)
{
    return (quint64(quint32(X)) << 32) | quint32(Y);
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

qsizetype AreaStep::bytes() const
{
    return qsizetype(sizeof(AreaStep)) + qsizetype(cells.capacity() * sizeof(CellChange)) +
           qsizetype(spans.capacity() * sizeof(CellSpan));
}

qint64 AreaStep::spanCells() const
{
    qint64 n = 0;
    for (const CellSpan &s : spans)
        n += s.bottom - s.top + 1;
    return n;
}

void AreaStep::apply(oLevel &area, bool forward) const
{
    if (!spans.empty()) {
        const AreaCell &v = forward ? spanAfter : spanBefore;
        for (const CellSpan &s : spans) {
            AreaCell *column = area.editColumn(s.X);
            if (!column || s.top < 0 || s.bottom > area.height())
                continue;
            for (qint32 r = s.top; r <= s.bottom; ++r) {
                AreaCell &cell = column[r];
                switch (spanLayer) {
                case AreaLayer::Tiles:
                    cell.bIsTile = v.bIsTile;
                    cell.xSrc = v.xSrc;
                    cell.ySrc = v.ySrc;
                    break;
                case AreaLayer::Tags: cell.lTag = v.lTag; break;
                case AreaLayer::Enemies: cell.lEnemy = v.lEnemy; break;
                }
            }
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
    if constexpr (L == AreaLayer::Tiles)
        return quint32(c.bIsTile) | quint32(c.xSrc) << 8 | quint32(c.ySrc) << 16;
    else if constexpr (L == AreaLayer::Tags)
        return quint32(c.lTag);
    else
        return quint32(c.lEnemy);
}

template<AreaLayer L>
void fillRuns(const oLevel &area, qint32 X, qint32 Y, qint64 limit, AreaStep &step, bool &tooLarge)
{
    const quint32 start = keyIn<L>(step.spanBefore);
    auto same = [start](const AreaCell &c) { return keyIn<L>(c) == start; };
    // One bit per visited cell, a column's bits made only when the fill reaches it: the
    // memory follows the region, not the area.
    const qint32 rows = area.height() + 1;
    const std::size_t words = std::size_t(rows + 63) / 64;
    std::vector<std::vector<std::uint64_t>> seen(std::size_t(area.width()) + 1);
    auto seenAt = [](const std::uint64_t *bits, qint32 r) { return bits && ((bits[r >> 6] >> (r & 63)) & 1u); };
    auto allSeen = [](const std::uint64_t *bits, qint32 top, qint32 bottom) {
        for (qint32 r = top; r <= bottom;) {
            if ((r & 63) == 0 && r + 63 <= bottom) {
                if (bits[r >> 6] != ~std::uint64_t(0))
                    return false;
                r += 64;
            } else {
                if (!((bits[r >> 6] >> (r & 63)) & 1u))
                    return false;
                ++r;
            }
        }
        return true;
    };

    // Runs down a column (the grid's order in memory), each seeding the neighbour columns.
    qint64 total = 0;
    std::vector<QPoint> pending{QPoint(X, Y)};
    while (!pending.empty()) {
        const QPoint p = pending.back();
        pending.pop_back();
        const AreaCell *column = area.column(p.x());
        std::vector<std::uint64_t> &own = seen[std::size_t(p.x())];
        if (own.empty())
            own.assign(words, 0);
        std::uint64_t *bits = own.data();
        if (seenAt(bits, p.y()) || !same(column[p.y()]))
            continue;
        // A run is taken whole, so a run is either all visited or not at all: only its first
        // cell needs looking up.
        qint32 top = p.y();
        while (top > 0 && same(column[top - 1]))
            --top;
        qint32 bottom = p.y();
        while (bottom < rows - 1 && same(column[bottom + 1]))
            ++bottom;
        for (qint32 r = top; r <= bottom; ++r)
            bits[r >> 6] |= std::uint64_t(1) << (r & 63);
        total += bottom - top + 1;
        if (total > limit) {
            tooLarge = true;
            return;
        }
        step.spans.push_back(CellSpan{p.x(), top, bottom});
        for (const qint32 side : {p.x() - 1, p.x() + 1}) {
            if (side < 0 || side > area.width())
                continue;
            const AreaCell *next = area.column(side);
            const std::vector<std::uint64_t> &nextSeen = seen[std::size_t(side)];
            const std::uint64_t *nextBits = nextSeen.empty() ? nullptr : nextSeen.data();
            if (nextBits && allSeen(nextBits, top, bottom))
                continue;  // the column the fill came from
            bool inRun = false;
            for (qint32 r = top; r <= bottom; ++r) {
                const bool match = same(next[r]);
                if (match && !inRun && !seenAt(nextBits, r))
                    pending.emplace_back(side, r);
                inRun = match;
            }
        }
    }
}

} // namespace

AreaStep floodFillStep(const oLevel &area, qint32 X, qint32 Y, AreaLayer layer, bool erase, qint32 x, qint32 y,
                       qint64 limit, bool *tooLarge)
{
    AreaStep step;
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
        return AreaStep();
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
