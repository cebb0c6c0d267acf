#include "TypeMarks.h"

#include <QPainter>

#include <array>

namespace tilemarrow {

namespace {

struct TypeLook
{
    const char *name;   // the list's text
    const char *label;  // the mark's short label
    QRgb colour;        // the mark's colour
};

// In code order: a list index is a type code.
constexpr std::array<TypeLook, 15> kTypes{{
    {"Background", "", 0},
    {"Solid", "So", qRgb(205, 125, 45)},
    {"Deadly", "De", qRgb(230, 30, 30)},
    {"Water", "Wa", qRgb(40, 110, 240)},
    {"Ice", "Ic", qRgb(150, 230, 255)},
    {"Coin", "Co", qRgb(250, 210, 0)},
    {"Brick", "Br", qRgb(170, 70, 40)},
    {"? Block", "?B", qRgb(255, 160, 0)},
    {"Vine", "Vi", qRgb(40, 190, 60)},
    {"Cause Injury", "In", qRgb(230, 60, 180)},
    {"Solid on Top", "ST", qRgb(225, 185, 125)},
    {"Bouncy", "Bo", qRgb(150, 90, 230)},
    {"Falling Block", "Fa", qRgb(140, 140, 140)},
    {"Slant Left", "SL", qRgb(255, 140, 90)},
    {"Slant Right", "SR", qRgb(255, 140, 90)},
}};
constexpr QRgb kUnknownTypeColour = qRgb(90, 90, 90);

} // namespace

QStringList TypeNames()
{
    QStringList names;
    for (const TypeLook &type : kTypes)
        names.append(QString::fromLatin1(type.name));
    return names;
}

void DrawTypeMarks(QImage &view, const TileInfo &info, QPoint origin, int tile, const QFont &font)
{
    QPainter painter(&view);
    QFont small = font;
    small.setPixelSize(9);
    small.setBold(true);
    painter.setFont(small);
    const int columns = (view.width() + tile - 1) / tile;
    const int rows = (view.height() + tile - 1) / tile;
    for (qint32 i = 0; i < columns; ++i) {
        for (qint32 j = 0; j < rows; ++j) {
            const qint32 x = origin.x() + i;
            const qint32 y = origin.y() + j;
            if (!info.hasGrid() || x < 0 || x > info.MaxX || y < 0 || y > info.MaxY)
                continue;
            const qint32 code = mLevelTileset::GetTileType(info, x, y);
            const bool animated = mLevelTileset::IsTileAnimated(info, x, y);
            if (code == 0 && !animated)
                continue;
            const QRect square(i * tile, j * tile, tile, tile);
            const bool known = code < qint32(kTypes.size());
            const QColor colour(known ? kTypes[size_t(code)].colour : kUnknownTypeColour);
            const QColor ink = colour.lightness() > 140 ? Qt::black : Qt::white;
            if (code != 0) {
                painter.setPen(QPen(colour, 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(square.adjusted(1, 1, -1, -1));
                const QRect label(square.left() + 2, square.top() + 2, 15, 11);
                painter.fillRect(label, colour);
                painter.setPen(ink);
                painter.drawText(label, Qt::AlignCenter,
                                 known ? QString::fromLatin1(kTypes[size_t(code)].label)
                                       : QString::number(code));
            }
            if (animated) {
                const QRect dot(square.right() - 9, square.bottom() - 9, 8, 8);
                painter.setPen(Qt::black);
                painter.setBrush(Qt::white);
                painter.drawEllipse(dot);
            }
        }
    }
}

} // namespace tilemarrow
