#pragma once

#include <QListWidget>

namespace tilemarrow {

// The type list. It tells of a mouse press only after the press has selected the entry
// under the pointer, so that the press gives the tile the entry the user sees selected.
class TypeList final : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TypeList)

public:
    explicit TypeList(QWidget *parent = nullptr) : QListWidget(parent) {}

Q_SIGNALS:
    void pressedAfterSelecting();

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QListWidget::mousePressEvent(event);
        Q_EMIT pressedAfterSelecting();
    }
};

} // namespace tilemarrow
