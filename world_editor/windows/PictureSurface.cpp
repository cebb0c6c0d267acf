#include "PictureSurface.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace tessaforge {

PictureSurface::PictureSurface(const QImage &image, QWidget *parent) : QWidget(parent), m_image(image)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, m_image);
    if (overlay)
        overlay(painter);
}

void PictureSurface::mousePressEvent(QMouseEvent *event)
{
    if (onPress)
        onPress(event->button(), event->position());
}

void PictureSurface::wheelEvent(QWheelEvent *event)
{
    if (!onWheel) {
        event->ignore();
        return;
    }
    onWheel(event->angleDelta(), event->modifiers());
    event->accept();
}

} // namespace tessaforge
