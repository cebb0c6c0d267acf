#pragma once

// A plain picture of an area made straight from the editor's drawing rules, one pixel at a
// time, to hold the renderer against. Slow on purpose: nothing here is clever.

#include "area/oLevel.h"

#include <QImage>
#include <QSize>

namespace tessaforge::testing {

struct ReferenceView
{
    QSize size;
    int zoom = 32;
    int h = 0;  // first column shown
    int v = 0;  // first row shown
    bool enemies = false;
    bool tags = false;
    QRgb background = qRgb(0, 0, 0);
};

// Target pixel (i, j) of a side x side square takes source pixel (i * n / side, j * n / side)
// of the n x n source square; source pixels outside the source picture copy nothing.
inline void referenceStretch(const QImage &source, qint64 sx, qint64 sy, int n, QImage &out, int dx, int dy,
                             int side)
{
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const qint64 x = sx + qint64(i) * n / side;
            const qint64 y = sy + qint64(j) * n / side;
            const int tx = dx + i;
            const int ty = dy + j;
            if (x < 0 || y < 0 || x >= source.width() || y >= source.height())
                continue;
            if (tx < 0 || ty < 0 || tx >= out.width() || ty >= out.height())
                continue;
            out.setPixel(tx, ty, source.pixel(int(x), int(y)));
        }
    }
}

inline QImage referencePicture(const oLevel &a, const QImage &tiles, const QImage &sheet, const ReferenceView &view)
{
    QImage out(view.size, QImage::Format_RGB32);
    out.fill(view.background);
    const int Z = view.zoom;
    for (int X = 0; X <= view.size.width() / Z; ++X) {
        for (int Y = 0; Y <= view.size.height() / Z; ++Y) {
            const int c = X + view.h;
            const int r = Y + view.v;
            if (c > a.width() || r > a.height())
                referenceStretch(sheet, 0, 0, 16, out, X * Z, Y * Z, Z);
            else if (a.IsTile(c, r))
                referenceStretch(tiles, 32 * a.xSrc(c, r), 32 * a.ySrc(c, r), 32, out, X * Z, Y * Z, Z);
            if (view.enemies && a.TileEnemy(c, r) > 0)
                referenceStretch(sheet, 16, 16 * qint64(a.TileEnemy(c, r)) + 16, 16, out, X * Z, Y * Z, Z);
            if (view.tags && a.TileTag(c, r) > 0)
                referenceStretch(sheet, 0, 16 * qint64(a.TileTag(c, r)) + 16, 16, out, X * Z, Y * Z, Z);
            if (c == a.StartX() && r == a.StartY())
                referenceStretch(sheet, 16, 0, 16, out, X * Z + Z / 4, Y * Z + Z / 4, Z / 2);
        }
    }
    return out;
}

// A tileset whose every pixel differs from its neighbours, so that any slip in scaling or
// placement shows. columns x rows tiles, plus extra pixels at the right (a part tile).
inline QImage patternedTileset(int columns, int rows, int extraWidth = 0)
{
    QImage img(32 * columns + extraWidth, 32 * rows, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb((x * 7 + y) & 0xFF, (y * 5 + x / 32 * 40) & 0xFF, (x * y + 3 * (y / 32)) & 0xFF));
    return img;
}

// The first difference between two pictures, for a readable failure.
inline QString firstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes %1x%2 and %3x%4")
            .arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("pixel (%1, %2): %3 vs %4")
                    .arg(x).arg(y).arg(a.pixel(x, y), 8, 16).arg(b.pixel(x, y), 8, 16);
    return {};
}

} // namespace tessaforge::testing
