#include "PreviewPicture.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace skinloft {

namespace {

// Neither light nor dark, so that a sprite's outline shows whatever its colours, and no colour
// a sprite is likely to use as its own background.
constexpr QRgb kNeutral = qRgb(136, 136, 136);

} // namespace

PreviewPicture::PreviewPicture(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picPreview"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PreviewPicture::setPicture(const QImage &picture)
{
    m_picture = picture;
    rescale();
}

QRect PreviewPicture::shownRect() const
{
    QRect shown(QPoint(), m_scaled.size());
    shown.moveCenter(rect().center());
    return shown;
}

QSize PreviewPicture::sizeHint() const
{
    // A 64 x 32 sprite, the common size, three times over.
    return QSize(3 * 64, 3 * 32 + 48) + 2 * QSize(kMargin, kMargin);
}

QSize PreviewPicture::minimumSizeHint() const
{
    // A 64 x 32 sprite twice over.
    return QSize(2 * 64, 2 * 32) + 2 * QSize(kMargin, kMargin);
}

void PreviewPicture::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    rescale();
}

void PreviewPicture::rescale()
{
    const int times = m_times;
    const int divisor = m_divisor;
    m_scaled = QImage();
    m_times = 1;
    m_divisor = 1;
    if (!m_picture.isNull()) {
        const QSize room = (size() - 2 * QSize(kMargin, kMargin)).expandedTo(QSize(1, 1));
        const QSize own = m_picture.size();
        m_times = std::clamp(std::min(room.width() / own.width(), room.height() / own.height()), 1, kMaxTimes);
        if (own.width() > room.width() || own.height() > room.height()) {
            const auto parts = [](int length, int space) { return (length + space - 1) / space; };
            m_divisor = std::max(parts(own.width(), room.width()), parts(own.height(), room.height()));
        }
        const QSize shown = m_divisor > 1 ? QSize(std::max(1, own.width() / m_divisor),
                                                  std::max(1, own.height() / m_divisor))
                                          : own * m_times;
        // Scaled once per size, never while painting; whole factors need no smoothing.
        m_scaled = m_picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    update();
    if (times != m_times || divisor != m_divisor)
        Q_EMIT scaleChanged();
}

void PreviewPicture::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(kNeutral));
    if (!m_scaled.isNull())
        painter.drawImage(shownRect().topLeft(), m_scaled);
}

} // namespace skinloft
