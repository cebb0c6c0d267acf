#pragma once

#include <QIcon>

namespace tessaforge {

// The world editor's icon, drawn as its menu entry's picture is: the frame and every inner
// window carry it.
QIcon ProgramIcon();

} // namespace tessaforge
