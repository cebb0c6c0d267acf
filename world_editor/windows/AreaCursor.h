#pragma once

#include <QWidget>

namespace tessaforge {

// The outline that follows the mouse over the grid, one cell in size.
class AreaCursor final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AreaCursor)

public:
    // Box outlines a tool's footprint: a rectangle being dragged, a block being pasted, the
    // selection.
    enum class Shape { Circle, RoundedSquare, Box };
    explicit AreaCursor(QWidget *parent);

    Shape shape() const { return m_shape; }
    void setShape(Shape shape);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Shape m_shape = Shape::Circle;
};

} // namespace tessaforge
