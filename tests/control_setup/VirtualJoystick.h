#pragma once

#include <SDL.h>

#include <QTest>

// A joystick plugged into this machine would be the first one, not the test's.
inline bool realJoystickAttached()
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        return false;
    const bool attached = SDL_NumJoysticks() > 0;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return attached;
}

#define SKIP_IF_REAL_JOYSTICK()                                                                   \
    do {                                                                                          \
        if (realJoystickAttached())                                                               \
            QSKIP("a joystick is plugged in; these cases need a machine without one");            \
    } while (false)

// A joystick of SDL's own making, attached for as long as the object lives: two axes and
// the given number of buttons, set from the test.
class VirtualJoystick
{
public:
    explicit VirtualJoystick(int buttons)
    {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
            return;
        m_subsystem = true;
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, buttons, 0);
        if (index >= 0)
            m_joystick = SDL_JoystickOpen(index);
    }
    ~VirtualJoystick()
    {
        if (m_joystick) {
            const SDL_JoystickID id = SDL_JoystickInstanceID(m_joystick);
            SDL_JoystickClose(m_joystick);
            for (int i = 0; i < SDL_NumJoysticks(); ++i) {
                if (SDL_JoystickGetDeviceInstanceID(i) == id)
                    SDL_JoystickDetachVirtual(i);
            }
        }
        if (m_subsystem)
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
    VirtualJoystick(const VirtualJoystick &) = delete;
    VirtualJoystick &operator=(const VirtualJoystick &) = delete;

    bool ok() const { return m_joystick != nullptr; }
    QString error() const { return QString::fromUtf8(SDL_GetError()); }

    void axis(int axis, int value) { SDL_JoystickSetVirtualAxis(m_joystick, axis, Sint16(value)); }
    void button(int zeroBased, bool down)
    {
        SDL_JoystickSetVirtualButton(m_joystick, zeroBased, down ? 1 : 0);
    }

private:
    bool m_subsystem = false;
    SDL_Joystick *m_joystick = nullptr;
};
