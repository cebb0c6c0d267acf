#pragma once

#include <QtGlobal>

#include <array>

struct _SDL_Joystick;

namespace keyvane {

// The first attached joystick, read through SDL's joystick subsystem (no SDL video).
// Axes read -5000 (left/up) to +5000 (right/down) with a dead zone of 10 % and saturation at
// 95 % of the travel; buttons count from 1. Any failure leaves "no joystick": every query
// then answers 0 or false, and nothing is shown to the user.
class DXJoystick final
{
    Q_DISABLE_COPY_MOVE(DXJoystick)

public:
    DXJoystick() = default;
    ~DXJoystick();

    // hWnd is not needed by SDL; the joystick is read whichever window has the focus.
    void Initialize(const void *hWnd = nullptr);
    // Polls the joystick and keeps the new states; a failed poll keeps the last ones.
    void Update();

    bool JoystickPresent() const { return m_present; }
    qint16 ButtonCount() const { return m_present ? m_buttonCount : qint16(0); }
    bool ButtonDown(int iButton) const;
    qint16 XAxis() const { return m_present ? m_x : qint16(0); }
    qint16 YAxis() const { return m_present ? m_y : qint16(0); }

    static constexpr int kDeadZone = 1000;     // hundredths of a percent of the travel
    static constexpr int kSaturation = 9500;
    static constexpr int kRangeMax = 10000;    // the axis range is 0 .. kRangeMax

    // A raw axis value (-32768 .. 32767, resting at centre) on the range 0 .. 10000, with the
    // dead zone and the saturation applied on each side of the centre.
    static int scaleAxis(int raw, int centre = 0);

private:
    void release();

    _SDL_Joystick *m_joystick = nullptr;
    bool m_subsystem = false;
    bool m_present = false;
    qint16 m_buttonCount = 0;
    qint16 m_x = 0;
    qint16 m_y = 0;
    std::array<bool, 32> m_buttons{};
};

} // namespace keyvane
