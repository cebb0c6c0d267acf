#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QPainter;

namespace tessaforge {

// A picture area that shows a back image drawn elsewhere and reports mouse presses and the
// wheel to its window. Whatever `overlay` draws lies over the image and is not part of it.
class PictureSurface final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureSurface)

public:
    // The image must outlive the surface; it is read at every repaint.
    PictureSurface(const QImage &image, QWidget *parent);

    std::function<void(Qt::MouseButton, QPointF)> onPress;
    std::function<void(QPoint angleDelta, Qt::KeyboardModifiers)> onWheel;
    std::function<void(QPainter &)> overlay;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    const QImage &m_image;
};

} // namespace tessaforge
