#pragma once

#include <QIcon>

namespace skinloft {

// The program's icon, drawn at start-up: the picture of the menu entry's icon, a creature in
// a picture frame with a brush at its side.
QIcon ProgramIcon();

} // namespace skinloft
