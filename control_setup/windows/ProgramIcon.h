#pragma once

#include <QIcon>

namespace keyvane {

// The program's icon, drawn at start-up: the picture of the menu entry's icon, a key cap with
// an arrow and a joystick beside it.
QIcon ProgramIcon();

} // namespace keyvane
