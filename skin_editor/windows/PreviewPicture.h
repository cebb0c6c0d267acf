#pragma once

#include <QImage>
#include <QWidget>

namespace skinloft {

// A picture shown by a whole factor, centred on a neutral grey: enlarged as far as the widget
// has room (up to kMaxTimes), or, where it does not fit at its own size, reduced to the
// smallest whole part that fits. Whole factors keep every pixel of a small sprite square.
class PreviewPicture final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewPicture)

public:
    static constexpr int kMaxTimes = 8;
    static constexpr int kMargin = 6;  // grey kept around the picture on every side

    explicit PreviewPicture(QWidget *parent = nullptr);

    // A null picture shows the grey alone.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    // The picture is shown times() / divisor() its own size; one of the two is 1.
    int times() const { return m_times; }
    int divisor() const { return m_divisor; }
    // The size it takes on the screen; empty when there is no picture.
    QSize shownSize() const { return m_scaled.size(); }
    // Where it is drawn, in the widget's pixels.
    QRect shownRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void scaleChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Chooses the factor for the current size and scales once for it.
    void rescale();

    QImage m_picture;
    QImage m_scaled;
    int m_times = 1;
    int m_divisor = 1;
};

} // namespace skinloft
