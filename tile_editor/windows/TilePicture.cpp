#include "TilePicture.h"

#include <QMouseEvent>
#include <QPainter>

namespace tilemarrow {

TilePicture::TilePicture(QSize viewSize, QSize barRoom, QWidget *parent)
    : QWidget(parent), m_back(viewSize, QImage::Format_RGB32), m_barRoom(barRoom)
{
    m_back.fill(Qt::black);
    // Clicking the view gives it the keyboard, so the arrow keys move the selection.
    setFocusPolicy(Qt::StrongFocus);
}

void TilePicture::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    painter.drawImage(0, 0, m_back);
}

void TilePicture::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    Q_EMIT pressed(event->position());
    event->accept();
}

void TilePicture::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize view = (size() - m_barRoom).expandedTo(QSize(1, 1));
    if (view == m_back.size())
        return;
    m_back = QImage(view, QImage::Format_RGB32);
    m_back.fill(Qt::black);
    Q_EMIT viewResized();
}

} // namespace tilemarrow
