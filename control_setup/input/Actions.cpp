#include "input/Actions.h"

#include <QtGlobal>

namespace keyvane {

QString ActionName(int action)
{
    static const char *const names[kActionCount] = {
        "Jump", "Run / Carry", "Use Powerup", "Release Item", "Exit Level",
        "Pause", "Up", "Down", "Left", "Right",
    };
    Q_ASSERT(action >= 0 && action < kActionCount);
    return QString::fromLatin1(names[action]);
}

quint8 &KeyOf(ControlConfig &c, int action)
{
    switch (action) {
    case 0: return c.KeyJump;
    case 1: return c.KeyRunCarry;
    case 2: return c.KeyUsePowerup;
    case 3: return c.KeyReleaseItem;
    case 4: return c.KeyExitLevel;
    case 5: return c.KeyPause;
    case 6: return c.KeyUp;
    case 7: return c.KeyDown;
    case 8: return c.KeyLeft;
    default: Q_ASSERT(action == 9); return c.KeyRight;
    }
}

quint8 KeyOf(const ControlConfig &c, int action)
{
    return KeyOf(const_cast<ControlConfig &>(c), action);
}

quint8 &JoyButtonOf(ControlConfig &c, int action)
{
    switch (action) {
    case 0: return c.JoyJump;
    case 1: return c.JoyRunCarry;
    case 2: return c.JoyUsePowerup;
    case 3: return c.JoyReleaseItem;
    case 4: return c.JoyExitLevel;
    default: Q_ASSERT(action == 5); return c.JoyPause;
    }
}

quint8 JoyButtonOf(const ControlConfig &c, int action)
{
    return JoyButtonOf(const_cast<ControlConfig &>(c), action);
}

} // namespace keyvane
