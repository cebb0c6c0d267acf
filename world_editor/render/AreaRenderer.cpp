#include "render/AreaRenderer.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tessaforge {

namespace {

constexpr qint32 kNotMade = -2;
constexpr qint32 kTileSide = 32;
constexpr qint32 kSheetSide = 16;
constexpr qint32 kTileIndexCount = 256 * 256;
constexpr qint32 kMaxTableValues = 256;  // a file holds values 0..255

AreaView normalised(const AreaView &view)
{
    AreaView v = view;
    v.zoom = qBound(4, view.zoom / 4 * 4, 64);
    v.size = v.size.expandedTo(QSize(0, 0));
    return v;
}

// Copies the rows of one square picture into the target, Z a compile-time side so that
// each row is a fixed-size copy.
template<int Z>
void copyRow(quint32 *dst, const quint32 *src)
{
    std::memcpy(dst, src, sizeof(quint32) * Z);
}

template<int Z>
void blitSquareRow(quint32 *dstRow, const quint32 *pool, const qint32 *ids, qint32 count, qint32 j)
{
    for (qint32 X = 0; X < count; ++X) {
        if (ids[X] >= 0)
            copyRow<Z>(dstRow + qsizetype(X) * Z, pool + qsizetype(ids[X]) * Z * Z + qsizetype(j) * Z);
    }
}

} // namespace

AreaRenderer::AreaRenderer() = default;

void AreaRenderer::setSources(const QImage &tileset, const QImage &tagSheet)
{
    auto take = [this](const QImage &in, QImage &kept, qint64 &key) {
        if (in.cacheKey() == key && !kept.isNull() == !in.isNull())
            return;
        key = in.cacheKey();
        kept = in.isNull() || in.format() == QImage::Format_RGB32 ? in
                                                                    : in.convertToFormat(QImage::Format_RGB32);
        m_sourcesChanged = true;
    };
    take(tileset, m_tiles, m_tilesKey);
    take(tagSheet, m_sheet, m_sheetKey);
}

AreaRenderer::Cover AreaRenderer::cover(const QImage &source, qint64 x, qint64 y, qint32 n) const
{
    const qint64 w = source.width();
    const qint64 h = source.height();
    if (x >= w || y >= h || x + n <= 0 || y + n <= 0)
        return Cover::None;
    if (x >= 0 && y >= 0 && x + n <= w && y + n <= h)
        return Cover::Full;
    return Cover::Partial;
}

void AreaRenderer::prepare(const AreaView &view)
{
    if (!m_sourcesChanged && view.zoom == m_zoom && view.background == m_background)
        return;
    m_sourcesChanged = false;
    m_zoom = view.zoom;
    m_background = view.background;
    const qsizetype pixels = qsizetype(m_zoom) * m_zoom;
    m_capacity = static_cast<qint32>(kCacheBudget / (pixels * qsizetype(sizeof(quint32))));
    m_pool.clear();
    m_pool.shrink_to_fit();
    m_pool.reserve(static_cast<size_t>(m_capacity * pixels));
    m_slots = 0;
    m_backgroundSlot = kNotMade;
    m_fillerSlot = kNotMade;
    m_tileSlot.assign(kTileIndexCount, kNotMade);

    // Values whose sheet cell lies wholly inside the sheet: value v uses rows 16v + 16 .. 16v + 31.
    const qint32 values = std::clamp(m_sheet.height() / kSheetSide - 1, 0, kMaxTableValues);
    m_tagSlot.assign(m_sheet.width() >= kSheetSide ? values : 0, kNotMade);
    m_enemySlot.assign(m_sheet.width() >= 2 * kSheetSide ? values : 0, kNotMade);
}

qsizetype AreaRenderer::cacheBytes() const
{
    return qsizetype(m_pool.capacity() + m_tileSlot.capacity() + m_tagSlot.capacity()
                     + m_enemySlot.capacity() + m_looks.capacity())
           * 4;
}

void AreaRenderer::stretchSquare(const QImage &source, qint64 sx, qint64 sy, qint32 n, QImage &target,
                                 qint32 dx, qint32 dy, qint32 side)
{
    if (source.isNull() || side <= 0)
        return;
    const qint64 sw = source.width();
    const qint64 sh = source.height();
    const qint32 tw = target.width();
    const qint32 th = target.height();
    for (qint32 j = 0; j < side; ++j) {
        const qint32 ty = dy + j;
        const qint64 syj = sy + qint64(j) * n / side;
        if (ty < 0 || ty >= th || syj < 0 || syj >= sh)
            continue;
        const auto *srow = reinterpret_cast<const quint32 *>(source.constScanLine(static_cast<int>(syj)));
        auto *drow = reinterpret_cast<quint32 *>(target.scanLine(ty));
        for (qint32 i = 0; i < side; ++i) {
            const qint32 tx = dx + i;
            const qint64 sxi = sx + qint64(i) * n / side;
            if (tx >= 0 && tx < tw && sxi >= 0 && sxi < sw)
                drow[tx] = srow[sxi];
        }
    }
}

qint32 AreaRenderer::slotFor(const Layer *layer, qint32 *index)
{
    if (*index != kNotMade)
        return *index;
    if (m_slots >= m_capacity)
        return kComposeHere;  // the budget is spent: this look is composed where it is used
    const qsizetype pixels = qsizetype(m_zoom) * m_zoom;
    m_pool.resize(static_cast<size_t>((m_slots + 1) * pixels));  // within the reserved block
    quint32 *bits = m_pool.data() + m_slots * pixels;
    std::fill_n(bits, pixels, m_background);
    if (layer) {
        QImage square(reinterpret_cast<uchar *>(bits), m_zoom, m_zoom, m_zoom * 4, QImage::Format_RGB32);
        stretchSquare(*layer->source, layer->x, layer->y, layer->n, square, 0, 0, m_zoom);
    }
    *index = m_slots++;
    return *index;
}

// The picture a square shows is its top layer alone whenever that layer's source square lies
// wholly inside its picture; such looks are kept. A partly covered layer lets the ones
// under it show, and that rare square is composed in place.
qint32 AreaRenderer::lookOf(const oLevel &area, const AreaView &view, qint32 c, qint32 r)
{
    const bool filler = c > area.width() || r > area.height();
    const AreaCell *column = area.column(c);
    const AreaCell *cell = column && r >= 0 && r <= area.height() ? column + r : nullptr;

    if (view.showTags && cell && cell->lTag > 0) {
        const qint32 t = cell->lTag;
        const Layer layer{&m_sheet, 0, kSheetSide * qint64(t) + kSheetSide, kSheetSide};
        if (t < qint32(m_tagSlot.size()))
            return slotFor(&layer, &m_tagSlot[static_cast<size_t>(t)]);
        if (cover(m_sheet, layer.x, layer.y, layer.n) != Cover::None)
            return kComposeHere;
    }
    if (view.showEnemies && cell && cell->lEnemy > 0) {
        const qint32 e = cell->lEnemy;
        const Layer layer{&m_sheet, kSheetSide, kSheetSide * qint64(e) + kSheetSide, kSheetSide};
        if (e < qint32(m_enemySlot.size()))
            return slotFor(&layer, &m_enemySlot[static_cast<size_t>(e)]);
        if (cover(m_sheet, layer.x, layer.y, layer.n) != Cover::None)
            return kComposeHere;
    }
    if (filler) {
        switch (cover(m_sheet, 0, 0, kSheetSide)) {
        case Cover::Full: {
            const Layer layer{&m_sheet, 0, 0, kSheetSide};
            return slotFor(&layer, &m_fillerSlot);
        }
        case Cover::Partial: return kComposeHere;
        case Cover::None: break;
        }
    } else if (cell && cell->bIsTile) {
        const Layer layer{&m_tiles, kTileSide * qint64(cell->xSrc), kTileSide * qint64(cell->ySrc), kTileSide};
        switch (cover(m_tiles, layer.x, layer.y, layer.n)) {
        case Cover::Full:
            return slotFor(&layer, &m_tileSlot[static_cast<size_t>(cell->xSrc | cell->ySrc << 8)]);
        case Cover::Partial: return kComposeHere;
        case Cover::None: break;
        }
    }
    return slotFor(nullptr, &m_backgroundSlot);
}

void AreaRenderer::composeSquare(const oLevel &area, const AreaView &view, QImage &target, qint32 c,
                                 qint32 r, qint32 px, qint32 py) const
{
    const qint32 Z = view.zoom;
    const QRect square = QRect(px, py, Z, Z).intersected(target.rect());
    for (int y = square.top(); y <= square.bottom(); ++y)
        std::fill_n(reinterpret_cast<quint32 *>(target.scanLine(y)) + square.left(), square.width(),
                    m_background);
    if (c > area.width() || r > area.height())
        stretchSquare(m_sheet, 0, 0, kSheetSide, target, px, py, Z);
    else if (area.IsTile(c, r))
        stretchSquare(m_tiles, kTileSide * qint64(area.xSrc(c, r)), kTileSide * qint64(area.ySrc(c, r)),
                      kTileSide, target, px, py, Z);
    if (const qint32 e = area.TileEnemy(c, r); view.showEnemies && e > 0)
        stretchSquare(m_sheet, kSheetSide, kSheetSide * qint64(e) + kSheetSide, kSheetSide, target, px, py, Z);
    if (const qint32 t = area.TileTag(c, r); view.showTags && t > 0)
        stretchSquare(m_sheet, 0, kSheetSide * qint64(t) + kSheetSide, kSheetSide, target, px, py, Z);
}

void AreaRenderer::drawMarker(const AreaView &view, QImage &target, qint32 px, qint32 py) const
{
    const qint32 Z = view.zoom;
    stretchSquare(m_sheet, kSheetSide, 0, kSheetSide, target, px + Z / 4, py + Z / 4, Z / 2);
}

void AreaRenderer::drawSquares(const oLevel &area, const AreaView &view, QImage &target, const QRect &squares)
{
    const QRect range = squares.intersected(QRect(0, 0, view.squaresAcross(), view.squaresDown()));
    if (range.isEmpty())
        return;
    const qint32 Z = view.zoom;
    const qint32 across = range.width();
    const qint32 down = range.height();

    // Looks first, walking the area column by column as it lies in memory.
    m_looks.resize(static_cast<size_t>(across) * down);
    for (qint32 i = 0; i < across; ++i) {
        const qint32 c = range.left() + i + view.firstColumn;
        for (qint32 j = 0; j < down; ++j)
            m_looks[static_cast<size_t>(j) * across + i] = lookOf(area, view, c, range.top() + j + view.firstRow);
    }

    // Then the pixels, row by row of the target.
    const qint32 imageWidth = target.width();
    const qint32 imageHeight = target.height();
    // Squares of the range that fit whole across the target.
    const qint32 whole = std::clamp(imageWidth / Z - range.left(), 0, across);
    const quint32 *pool = m_pool.data();
    for (qint32 j = 0; j < down; ++j) {
        const qint32 py = (range.top() + j) * Z;
        const qint32 rows = std::min(Z, imageHeight - py);
        const qint32 *ids = m_looks.data() + static_cast<size_t>(j) * across;
        for (qint32 y = 0; y < rows; ++y) {
            quint32 *dst = reinterpret_cast<quint32 *>(target.scanLine(py + y)) + qsizetype(range.left()) * Z;
            switch (Z) {
            case 8: blitSquareRow<8>(dst, pool, ids, whole, y); break;
            case 16: blitSquareRow<16>(dst, pool, ids, whole, y); break;
            case 24: blitSquareRow<24>(dst, pool, ids, whole, y); break;
            case 32: blitSquareRow<32>(dst, pool, ids, whole, y); break;
            default:
                for (qint32 X = 0; X < whole; ++X)
                    if (ids[X] >= 0)
                        std::memcpy(dst + qsizetype(X) * Z, pool + qsizetype(ids[X]) * Z * Z + qsizetype(y) * Z,
                                    sizeof(quint32) * Z);
            }
            // The partial square at the right edge.
            for (qint32 X = whole; X < across; ++X) {
                const qint32 px = (range.left() + X) * Z;
                const qint32 w = std::min(Z, imageWidth - px);
                if (ids[X] >= 0 && w > 0)
                    std::memcpy(dst + qsizetype(X) * Z, pool + qsizetype(ids[X]) * Z * Z + qsizetype(y) * Z,
                                sizeof(quint32) * static_cast<size_t>(w));
            }
        }
        for (qint32 i = 0; i < across; ++i)
            if (ids[i] == kComposeHere)
                composeSquare(area, view, target, range.left() + i + view.firstColumn,
                              range.top() + j + view.firstRow, (range.left() + i) * Z, py);
    }

    const qint32 markerX = area.StartX() - view.firstColumn;
    const qint32 markerY = area.StartY() - view.firstRow;
    if (range.contains(markerX, markerY))
        drawMarker(view, target, markerX * Z, markerY * Z);
}

void AreaRenderer::draw(const oLevel &area, const AreaView &view, QImage &target)
{
    const AreaView v = normalised(view);
    if (target.size() != v.size || target.format() != QImage::Format_RGB32)
        target = QImage(v.size, QImage::Format_RGB32);
    if (target.isNull())
        return;
    prepare(v);
    drawSquares(area, v, target, QRect(0, 0, v.squaresAcross(), v.squaresDown()));
}

QRect AreaRenderer::drawCell(const oLevel &area, const AreaView &view, QImage &target, qint32 c, qint32 r)
{
    const AreaView v = normalised(view);
    if (target.size() != v.size || target.isNull())
        return {};
    const qint32 X = c - v.firstColumn;
    const qint32 Y = r - v.firstRow;
    if (X < 0 || Y < 0 || X >= v.squaresAcross() || Y >= v.squaresDown())
        return {};
    prepare(v);
    drawSquares(area, v, target, QRect(X, Y, 1, 1));
    return QRect(X * v.zoom, Y * v.zoom, v.zoom, v.zoom).intersected(target.rect());
}

void AreaRenderer::scroll(const oLevel &area, const AreaView &from, const AreaView &to, QImage &target)
{
    const AreaView a = normalised(from);
    const AreaView b = normalised(to);
    AreaView same = a;
    same.firstColumn = b.firstColumn;
    same.firstRow = b.firstRow;
    const qint64 dx = qint64(b.firstColumn) - a.firstColumn;
    const qint64 dy = qint64(b.firstRow) - a.firstRow;
    const qint32 across = b.squaresAcross();
    const qint32 down = b.squaresDown();
    if (m_sourcesChanged || !(same == b) || target.size() != b.size || target.format() != QImage::Format_RGB32
        || std::abs(dx) >= across || std::abs(dy) >= down) {
        draw(area, b, target);
        return;
    }
    if (dx == 0 && dy == 0)
        return;

    // Square X of the new view shows what square X + dx of the old one showed.
    const qint32 Z = b.zoom;
    const qint32 width = target.width();
    const qint32 height = target.height();
    const qint32 shiftX = static_cast<qint32>(dx) * Z;  // pixels move left by this
    const qint32 shiftY = static_cast<qint32>(dy) * Z;  // and up by this
    const qint32 keepWidth = width - static_cast<qint32>(std::abs(shiftX));
    const qint32 srcLeft = std::max(shiftX, 0);
    const qint32 dstLeft = std::max(-shiftX, 0);
    auto moveRow = [&](qint32 y) {
        const qint32 sy = y + shiftY;
        if (sy < 0 || sy >= height || keepWidth <= 0)
            return;
        auto *dst = reinterpret_cast<quint32 *>(target.scanLine(y));
        const auto *src = reinterpret_cast<const quint32 *>(target.constScanLine(sy));
        std::memmove(dst + dstLeft, src + srcLeft, sizeof(quint32) * static_cast<size_t>(keepWidth));
    };
    if (shiftY >= 0)
        for (qint32 y = 0; y < height; ++y)
            moveRow(y);
    else
        for (qint32 y = height - 1; y >= 0; --y)
            moveRow(y);

    prepare(b);
    // What came into sight: whole squares, partial ones at the far edges included.
    if (dx > 0) {
        const qint32 first = std::max(0, (width - shiftX) / Z);
        drawSquares(area, b, target, QRect(first, 0, across - first, down));
    } else if (dx < 0) {
        drawSquares(area, b, target, QRect(0, 0, static_cast<qint32>(-dx), down));
    }
    if (dy > 0) {
        const qint32 first = std::max(0, (height - shiftY) / Z);
        drawSquares(area, b, target, QRect(0, first, across, down - first));
    } else if (dy < 0) {
        drawSquares(area, b, target, QRect(0, 0, across, static_cast<qint32>(-dy)));
    }
    // The start marker moved with its square; nothing else to do.
}

QImage AreaRenderer::render(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                            const AreaView &view)
{
    AreaRenderer renderer;
    renderer.setSources(tileset, tagSheet);
    QImage out;
    renderer.draw(area, view, out);
    return out;
}

} // namespace tessaforge
