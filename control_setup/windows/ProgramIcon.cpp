#include "ProgramIcon.h"

#include "PaintedIcon.h"

#include <QPainter>
#include <QPolygonF>

namespace keyvane {

namespace {

// Draws the icon on a 64 x 64 grid, as the menu entry's SVG does.
void paintIcon(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3b3f58));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);

    // The key cap and its arrow.
    p.setBrush(QColor(0x20222f));
    p.drawRoundedRect(QRectF(7, 12, 30, 30), 5, 5);
    p.setBrush(QColor(0xe8e8f0));
    p.drawRoundedRect(QRectF(9, 12, 26, 25), 4, 4);
    p.setBrush(QColor(0xd04848));
    p.drawPolygon(QPolygonF({{22, 17}, {30, 26}, {25, 26}, {25, 33}, {19, 33}, {19, 26}, {14, 26}}));

    // The joystick.
    p.setBrush(QColor(0x20222f));
    p.drawRoundedRect(QRectF(36, 48, 22, 8), 3, 3);
    p.setBrush(QColor(0x9aa0b8));
    p.drawRect(QRectF(45, 28, 4, 22));
    p.setBrush(QColor(0xd04848));
    p.drawEllipse(QPointF(47, 26), 7, 7);
    p.setBrush(QColor(255, 255, 255, 153));
    p.drawEllipse(QPointF(45, 24), 2, 2);

    // Two buttons.
    p.setBrush(QColor(0x48b060));
    p.drawEllipse(QPointF(15, 52), 4, 4);
    p.setBrush(QColor(0xe8c040));
    p.drawEllipse(QPointF(26, 52), 4, 4);
}

} // namespace

QIcon ProgramIcon()
{
    return vt::paintedIcon(paintIcon);
}

} // namespace keyvane
