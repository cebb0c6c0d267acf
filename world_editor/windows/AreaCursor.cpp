#include "AreaCursor.h"

#include <QPainter>

namespace tessaforge {

AreaCursor::AreaCursor(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("shpCursor"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void AreaCursor::setShape(Shape shape)
{
    if (m_shape == shape)
        return;
    m_shape = shape;
    update();
}

void AreaCursor::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    for (const auto &[colour, width] : {std::pair{QColor(0, 0, 0), 3.0}, std::pair{QColor(255, 255, 255), 1.5}}) {
        p.setPen(QPen(colour, width));
        if (m_shape == Shape::Circle)
            p.drawEllipse(box);
        else if (m_shape == Shape::Box)
            p.drawRect(box);
        else
            p.drawRoundedRect(box, width * 2 + 2, width * 2 + 2);
    }
}

} // namespace tessaforge
