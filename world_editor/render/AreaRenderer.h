#pragma once

// Draws an area's squares into a picture: the area editor's view, and any picture of an
// area made outside a window (an export, the command-line renderer). QtGui only.

#include "area/oLevel.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

namespace tessaforge {

// What a picture of an area shows. Square (X, Y) of the picture has its top-left corner at
// (X * zoom, Y * zoom) and shows cell (X + firstColumn, Y + firstRow). The squares run one
// column and one row past the last whole one, clipped at the picture's edge.
struct AreaView
{
    QSize size;                // the picture, in pixels
    qint32 zoom = 32;          // side of a square in pixels: a multiple of 4, from 4 to 64
    qint32 firstColumn = 0;
    qint32 firstRow = 0;
    bool showEnemies = false;  // draw enemy values over the ground
    bool showTags = false;     // draw tag values over the ground and the enemies
    QRgb background = qRgb(0, 0, 0);  // what an empty cell shows

    bool operator==(const AreaView &) const = default;

    qint32 squaresAcross() const { return size.width() / zoom + 1; }
    qint32 squaresDown() const { return size.height() / zoom + 1; }
};

// The picture of one square is built from, bottom to top: the background; the ground (the
// grey filler for a cell outside the area, else the cell's tile, else nothing); the enemy
// (when shown and not 0); the tag (when shown and not 0); and, on the start cell, the start
// marker at half size in the middle. Each layer is a plain stretched copy that replaces what
// is under it; only the part of a source square that lies inside its picture is copied.
//
// The renderer keeps, for the current zoom, each distinct square picture it has drawn, so a
// redraw is one plain copy per square. What it keeps is bounded by kCacheBudget whatever the
// size of the area; beyond that, squares are composed directly in the target.
class AreaRenderer
{
public:
    static constexpr qsizetype kCacheBudget = 4 * 1024 * 1024;  // bytes of square pictures

    AreaRenderer();

    // The tileset (tile (x, y) is the 32 x 32 square at (32x, 32y)) and the tag sheet
    // (16 x 16 cells, see TagSheet.h). Kept pictures are dropped when either changes.
    void setSources(const QImage &tileset, const QImage &tagSheet);
    // True after setSources changed a source, until the next drawing: a target drawn before
    // then must be drawn whole again.
    bool sourcesChanged() const { return m_sourcesChanged; }

    // Draws every square of the view; target becomes view.size, Format_RGB32.
    void draw(const oLevel &area, const AreaView &view, QImage &target);

    // Redraws the square that shows cell (c, r), when the view shows it, in a target last
    // drawn for the same view. Returns the pixels it changed (empty when not shown).
    QRect drawCell(const oLevel &area, const AreaView &view, QImage &target, qint32 c, qint32 r);

    // Brings a target drawn for view `from` to view `to`. When they differ only in the first
    // column and row, the squares that stay in sight are moved and only the ones that come
    // into sight are drawn; otherwise this is draw(to).
    void scroll(const oLevel &area, const AreaView &from, const AreaView &to, QImage &target);

    // Memory held for kept square pictures and their index, in bytes.
    qsizetype cacheBytes() const;

    // A picture of the view in one call.
    static QImage render(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                         const AreaView &view);

    // The one stretching copy every layer uses: target pixel (i, j) of the side x side square
    // at (dx, dy) takes source pixel (sx + i * n / side, sy + j * n / side) of the n x n
    // source square at (sx, sy). Source pixels outside `source` and target pixels outside
    // `target` are skipped. Both pictures are Format_RGB32.
    static void stretchSquare(const QImage &source, qint64 sx, qint64 sy, qint32 n, QImage &target,
                              qint32 dx, qint32 dy, qint32 side);

private:
    enum class Cover { Full, Partial, None };
    struct Layer
    {
        const QImage *source = nullptr;
        qint64 x = 0;
        qint64 y = 0;
        qint32 n = 0;
    };
    static constexpr qint32 kComposeHere = -1;  // no kept picture: compose in the target

    // Drops kept pictures when the zoom, the background or a source changed.
    void prepare(const AreaView &view);
    // The square's layers from the top one that covers it whole; returns their count.
    int layersOf(const AreaCell *cell, bool inArea, const AreaView &view, Layer out[3]) const;
    // A kept picture for a square whose only layer is `layer` (or nothing, for background).
    qint32 slotFor(const Layer *layer, qint32 *index);
    qint32 lookOf(const oLevel &area, const AreaView &view, qint32 c, qint32 r);
    void composeSquare(const oLevel &area, const AreaView &view, QImage &target, qint32 c, qint32 r,
                       qint32 px, qint32 py) const;
    void drawMarker(const AreaView &view, QImage &target, qint32 px, qint32 py) const;
    void drawSquares(const oLevel &area, const AreaView &view, QImage &target, const QRect &squares);
    Cover cover(const QImage &source, qint64 x, qint64 y, qint32 n) const;

    QImage m_tiles;
    QImage m_sheet;
    qint64 m_tilesKey = 0;
    qint64 m_sheetKey = 0;
    bool m_sourcesChanged = true;

    qint32 m_zoom = 0;
    QRgb m_background = 0;
    qint32 m_capacity = 0;         // pictures the budget holds at this zoom
    std::vector<quint32> m_pool;   // kept pictures, zoom * zoom pixels each, rows in order
    qint32 m_slots = 0;
    qint32 m_backgroundSlot = kComposeHere;
    qint32 m_fillerSlot = kComposeHere;
    std::vector<qint32> m_tileSlot;       // by xSrc | ySrc << 8
    std::vector<qint32> m_tagSlot;        // by value, for the values the sheet shows
    std::vector<qint32> m_enemySlot;
    std::vector<qint32> m_looks;          // per visible square, during one draw
};

} // namespace tessaforge
