#include "PaintedIcon.h"

#include <QPainter>
#include <QPixmap>

namespace vt {

QIcon paintedIcon(const std::function<void(QPainter &)> &paint)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 64.0, size / 64.0);
        paint(painter);
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

} // namespace vt
