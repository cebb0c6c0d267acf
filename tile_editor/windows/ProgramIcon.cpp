#include "ProgramIcon.h"

#include "PaintedIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace tilemarrow {

namespace {

// Draws the icon on a 64 x 64 grid, as the menu entry's SVG does.
void paintIcon(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e5a3a));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);

    const QRgb tiles[3][3] = {{0x4cb848, 0x8a5a2c, 0x4a80d8},
                              {0x8a5a2c, 0x37d7d7, 0xc0c0c0},
                              {0xe86020, 0xc0c0c0, 0x4cb848}};
    p.setPen(QPen(QColor(0x1c2a20), 1));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            p.setBrush(QColor(tiles[row][column]));
            p.drawRect(QRectF(8 + 16 * column, 8 + 16 * row, 16, 16));
        }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2.5));
    p.drawRect(QRectF(24, 24, 16, 16));

    QPainterPath badge;
    badge.moveTo(46, 44);
    badge.lineTo(58, 44);
    badge.lineTo(58, 56);
    badge.lineTo(52, 60);
    badge.lineTo(46, 56);
    badge.closeSubpath();
    p.setPen(QPen(QColor(0x5a4a10), 1));
    p.setBrush(QColor(0xffe680));
    p.drawPath(badge);
    QFont digit(QStringLiteral("DejaVu Sans"));
    digit.setPixelSize(9);
    digit.setBold(true);
    p.setFont(digit);
    p.drawText(QRectF(46, 44, 12, 13), Qt::AlignCenter, QStringLiteral("3"));
}

} // namespace

QIcon ProgramIcon()
{
    return vt::paintedIcon(paintIcon);
}

} // namespace tilemarrow
