#include "ProgramIcon.h"

#include "PaintedIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace tessaforge {

namespace {

// Drawn as the menu entry's picture is: an area of squares, sky, a floating platform, ground.
void paintIcon(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5f, 0xa8, 0xe8));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
    p.setBrush(QColor(0xff, 0xe6, 0x80));
    p.drawEllipse(QPointF(48, 16), 6, 6);
    p.setPen(QColor(0x3a, 0x2a, 0x14));
    for (int x : {18, 28, 38}) {
        p.setBrush(x == 28 ? QColor(0xe8, 0xc0, 0x40) : QColor(0xc9, 0x8c, 0x3c));
        p.drawRect(QRectF(x, 26, 10, 10));
    }
    p.setBrush(QColor(0x4c, 0xb8, 0x48));
    for (int x = 2; x < 62; x += 12)
        p.drawRect(QRectF(x, 44, 12, 8));
    QPainterPath ground;
    ground.addRoundedRect(QRectF(2, 46, 60, 16), 8, 8);
    QPainterPath below;
    below.addRect(QRectF(2, 52, 60, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8a, 0x5a, 0x2c));
    p.drawPath(ground.intersected(below));
    p.setPen(QPen(QColor(255, 255, 255, 115), 1));
    for (int x : {22, 32, 42})
        p.drawLine(x, 2, x, 26);
    for (int x : {12, 52})
        p.drawLine(x, 2, x, 44);
    p.drawLine(2, 14, 62, 14);
    p.drawLine(2, 36, 62, 36);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(28, 26, 10, 10));
}

} // namespace

// The frame and its inner windows carry it too.
QIcon ProgramIcon()
{
    return vt::paintedIcon(paintIcon);
}


} // namespace tessaforge
