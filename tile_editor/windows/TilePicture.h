#pragma once

#include <QImage>
#include <QWidget>

namespace tilemarrow {

// The tile view: a persistent back image in the top-left corner, with room around it for
// the scroll bars and the corner button that the main window places on it. Drawing happens
// in the back image; paintEvent only presents it.
class TilePicture final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TilePicture)

public:
    TilePicture(QSize viewSize, QWidget *parent = nullptr);

    QImage &backImage() { return m_back; }
    const QImage &backImage() const { return m_back; }

Q_SIGNALS:
    // A press with any button, at the position the event gives (not yet rounded).
    void pressed(QPointF position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage m_back;
};

} // namespace tilemarrow
