#pragma once

#include <QIcon>

#include <functional>

class QPainter;

namespace vt {

// A program's icon from a drawing on a 64 x 64 grid (as its menu entry's picture is drawn),
// painted afresh at each size a desktop asks for, so that small ones stay sharp.
QIcon paintedIcon(const std::function<void(QPainter &)> &paint);

} // namespace vt
