#pragma once

#include <QListWidget>
#include <QScrollBar>

#include <algorithm>

namespace tilemarrow {

// The type list. It tells of a mouse press only after the press has selected the entry
// under the pointer, so that the press gives the tile the entry the user sees selected.
class TypeList final : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TypeList)

public:
    explicit TypeList(QWidget *parent = nullptr) : QListWidget(parent) {}

    // Every type at once where the window has the room; never narrower than the longest
    // name beside a scroll bar, never so low that only a few names show.
    QSize sizeHint() const override { return {namesWidth(), rowsHeight(count())}; }
    QSize minimumSizeHint() const override { return {namesWidth(), rowsHeight(std::min(count(), 5))}; }

Q_SIGNALS:
    void pressedAfterSelecting();

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QListWidget::mousePressEvent(event);
        Q_EMIT pressedAfterSelecting();
    }

private:
    int rowsHeight(int rows) const
    {
        const int row = std::max(sizeHintForRow(0), fontMetrics().height());
        return rows * row + 2 * frameWidth();
    }
    int namesWidth() const
    {
        return std::max(sizeHintForColumn(0), 0) + 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 8;
    }
};

} // namespace tilemarrow
