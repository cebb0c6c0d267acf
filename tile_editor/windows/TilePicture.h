#pragma once

#include <QImage>
#include <QWidget>

namespace tilemarrow {

// The tile view: a persistent back image in the top-left corner that takes whatever the widget
// has left after the room kept at its right and bottom edges for the scroll bars and the corner
// button, which the main window places there. Drawing happens in the back image; paintEvent
// only presents it.
class TilePicture final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TilePicture)

public:
    // viewSize is the back image's size until the widget is first laid out.
    TilePicture(QSize viewSize, QSize barRoom, QWidget *parent = nullptr);

    QImage &backImage() { return m_back; }
    const QImage &backImage() const { return m_back; }

Q_SIGNALS:
    // A press with any button, at the position the event gives (not yet rounded).
    void pressed(QPointF position);
    // The back image took a new size and holds nothing yet: it wants drawing.
    void viewResized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_back;
    QSize m_barRoom;
};

} // namespace tilemarrow
