#include "input/DXJoystick.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

namespace keyvane {

DXJoystick::~DXJoystick()
{
    release();
}

void DXJoystick::release()
{
    if (m_joystick)
        SDL_JoystickClose(m_joystick);
    m_joystick = nullptr;
    if (m_subsystem)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    m_subsystem = false;
    m_present = false;
    m_buttonCount = 0;
    m_x = m_y = 0;
    m_buttons.fill(false);
}

void DXJoystick::Initialize(const void *)
{
    release();
    // The joystick test runs while the user clicks in our windows; SDL must not hold the
    // states back because it sees no focused SDL window (we have none).
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Ctrl+C and the session's end must still stop the program: SDL would turn them into
    // events that nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        return;
    m_subsystem = true;
    // The states are polled; queued events would only pile up unread.
    SDL_JoystickEventState(SDL_IGNORE);
    if (SDL_NumJoysticks() < 1) {
        release();
        return;
    }
    m_joystick = SDL_JoystickOpen(0);
    const int buttons = m_joystick ? SDL_JoystickNumButtons(m_joystick) : -1;
    if (buttons < 0) {
        release();
        return;
    }
    m_buttonCount = qint16(std::min(buttons, 32767));
    m_present = true;
}

void DXJoystick::Update()
{
    if (!m_present)
        return;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(m_joystick))
        return;  // unplugged: keep what the last poll read
    m_x = qint16(scaleAxis(SDL_JoystickGetAxis(m_joystick, 0)) - kRangeMax / 2);
    m_y = qint16(scaleAxis(SDL_JoystickGetAxis(m_joystick, 1)) - kRangeMax / 2);
    const int n = std::min<int>(m_buttonCount, int(m_buttons.size()));
    for (int i = 0; i < n; ++i)
        m_buttons[std::size_t(i)] = SDL_JoystickGetButton(m_joystick, i) != 0;
}

bool DXJoystick::ButtonDown(int iButton) const
{
    if (!m_present || iButton < 1 || iButton > m_buttonCount || iButton > int(m_buttons.size()))
        return false;
    return m_buttons[std::size_t(iButton - 1)];
}

int DXJoystick::scaleAxis(int raw, int centre)
{
    const int half = kRangeMax / 2;
    const qint64 v = qint64(raw) - centre;
    // R: the raw travel from the centre to the end on this side; P - half: the output travel.
    const qint64 R = (v >= 0 ? 32767 : -32768) - qint64(centre);
    const qint64 out = v >= 0 ? half : -half;
    const qint64 absV = std::llabs(v);
    const qint64 absR = std::llabs(R);
    if (absR == 0)
        return half;
    // |v| <= |R| * 1000 / 10000 and |v| >= |R| * 9500 / 10000, kept exact in integers.
    if (absV * kRangeMax <= absR * kDeadZone)
        return half;
    if (absV * kRangeMax >= absR * kSaturation)
        return int(half + out);
    // half + (v - D) * out / (S - D) with D = R * 1000 / 10000 and S = R * 9500 / 10000,
    // multiplied through by 10000 so that nothing is rounded before the end.
    qint64 num = (v * kRangeMax - R * kDeadZone) * out;
    qint64 den = R * (kSaturation - kDeadZone);
    if (den < 0) {
        num = -num;
        den = -den;
    }
    // The whole value, which lies in 0 .. 10000, rounded half away from zero (so half up).
    const qint64 total = qint64(half) * den + num;
    return int((2 * total + den) / (2 * den));
}

} // namespace keyvane
