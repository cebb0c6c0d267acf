#pragma once

#include "input/mInput.h"

#include <QString>
#include <QtGlobal>

namespace keyvane {

// The game's actions, by the index the windows' button arrays use: 0 "Jump" .. 9 "Right".
// The first six also have a joystick button; the four directions come from the stick.
constexpr int kActionCount = 10;
constexpr int kJoyActionCount = 6;

QString ActionName(int action);
quint8 &KeyOf(ControlConfig &c, int action);
quint8 KeyOf(const ControlConfig &c, int action);
quint8 &JoyButtonOf(ControlConfig &c, int action);  // action 0 .. 5
quint8 JoyButtonOf(const ControlConfig &c, int action);

} // namespace keyvane
