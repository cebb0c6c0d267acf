#pragma once

#include <QIcon>

namespace tilemarrow {

// The program's icon, drawn at start-up: the picture of the menu entry's icon, a sheet of
// tiles with one chosen and marked with its type.
QIcon ProgramIcon();

} // namespace tilemarrow
