#include "ProgramIcon.h"

#include "PaintedIcon.h"

#include <QPainter>
#include <QPolygonF>

namespace skinloft {

namespace {

// Draws the icon on a 64 x 64 grid, as the menu entry's SVG does.
void paintIcon(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6a3a78));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);

    p.setPen(QPen(QColor(0xc08a30), 4));
    p.setBrush(QColor(0xf0e0b0));
    p.drawRect(QRectF(8, 8, 40, 40));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd04848));
    p.drawEllipse(QPointF(28, 30), 13, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(23, 27), 4, 4);
    p.drawEllipse(QPointF(33, 27), 4, 4);
    p.setBrush(QColor(0x20222f));
    p.drawEllipse(QPointF(24, 28), 2, 2);
    p.drawEllipse(QPointF(34, 28), 2, 2);
    p.drawRect(QRectF(19, 38, 5, 6));
    p.drawRect(QRectF(32, 38, 5, 6));

    p.setBrush(QColor(0xe8c040));
    p.drawPolygon(QPolygonF({{58, 14}, {44, 44}, {48, 46}, {62, 16}}));
    p.setBrush(QColor(0x37d7d7));
    p.drawPolygon(QPolygonF({{44, 44}, {48, 46}, {45, 54}, {41, 51}}));
}

} // namespace

QIcon ProgramIcon()
{
    return vt::paintedIcon(paintIcon);
}

} // namespace skinloft
