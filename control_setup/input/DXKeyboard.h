#pragma once

#include "Status.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace keyvane {

// The keyboard as DirectInput scan codes, the codes the controls file stores. Key states
// come from the program's own key events, so keys are seen while one of its windows has the
// focus; when the program loses the focus every key counts as released, because no release
// would reach it from then on and a key would otherwise stay down for good.
class DXKeyboard final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DXKeyboard)

public:
    DXKeyboard() = default;
    ~DXKeyboard() override;

    // Starts watching the key events of every window of the application. Fails when there
    // is no window system to deliver them (no GUI application).
    vt::Status Initialize(QObject *hWnd);
    bool initialized() const { return m_initialized; }

    // Test hook: while set, Initialize fails with this reason, so that the program's
    // handling of a keyboard it cannot set up can be exercised.
    static void setInitializeFaultForTesting(std::optional<QString> reason);

    bool IsDown(quint8 bKeycode) const { return m_down[bKeycode]; }
    static QString GetDXKeyName(quint8 bKeycode);
    // What a button shows for the key: its name, or for a key that has a code but no name
    // (the "<>" key is 86) "Key 86"; code 0, no key at all, is "NONE".
    static QString keyLabel(quint8 bKeycode);

    // The scan code of a key event: from the native scan code where the platform gives an
    // evdev-based one (X11, Wayland: evdev + 8), else from the Qt key and the keypad
    // modifier. -1 for a key with no DirectInput code.
    static int scanCodeFromNative(quint32 nativeScanCode);
    static int scanCodeFromQtKey(int key, Qt::KeyboardModifiers modifiers);

    // What the event filter does for a key event; public so that the mapping can be driven
    // without a window system.
    void keyEvent(quint32 nativeScanCode, bool nativeIsEvdev, int key,
                  Qt::KeyboardModifiers modifiers, bool pressed);
    void releaseAll();

    static constexpr quint8 Key_ESCAPE = 1;
    static constexpr quint8 Key_1 = 2;
    static constexpr quint8 Key_2 = 3;
    static constexpr quint8 Key_3 = 4;
    static constexpr quint8 Key_4 = 5;
    static constexpr quint8 Key_5 = 6;
    static constexpr quint8 Key_6 = 7;
    static constexpr quint8 Key_7 = 8;
    static constexpr quint8 Key_8 = 9;
    static constexpr quint8 Key_9 = 10;
    static constexpr quint8 Key_0 = 11;
    static constexpr quint8 Key_MINUS = 12;
    static constexpr quint8 Key_EQUALS = 13;
    static constexpr quint8 Key_BACKSPACE = 14;
    static constexpr quint8 Key_TAB = 15;
    static constexpr quint8 Key_Q = 16;
    static constexpr quint8 Key_W = 17;
    static constexpr quint8 Key_E = 18;
    static constexpr quint8 Key_R = 19;
    static constexpr quint8 Key_T = 20;
    static constexpr quint8 Key_Y = 21;
    static constexpr quint8 Key_U = 22;
    static constexpr quint8 Key_I = 23;
    static constexpr quint8 Key_O = 24;
    static constexpr quint8 Key_P = 25;
    static constexpr quint8 Key_LBRACKET = 26;
    static constexpr quint8 Key_RBRACKET = 27;
    static constexpr quint8 Key_RETURN = 28;
    static constexpr quint8 Key_LCONTROL = 29;
    static constexpr quint8 Key_A = 30;
    static constexpr quint8 Key_S = 31;
    static constexpr quint8 Key_D = 32;
    static constexpr quint8 Key_F = 33;
    static constexpr quint8 Key_G = 34;
    static constexpr quint8 Key_H = 35;
    static constexpr quint8 Key_J = 36;
    static constexpr quint8 Key_K = 37;
    static constexpr quint8 Key_L = 38;
    static constexpr quint8 Key_SEMICOLON = 39;
    static constexpr quint8 Key_APOSTROPHE = 40;
    static constexpr quint8 Key_GRAVE = 41;
    static constexpr quint8 Key_LSHIFT = 42;
    static constexpr quint8 Key_BACKSLASH = 43;
    static constexpr quint8 Key_Z = 44;
    static constexpr quint8 Key_X = 45;
    static constexpr quint8 Key_C = 46;
    static constexpr quint8 Key_V = 47;
    static constexpr quint8 Key_B = 48;
    static constexpr quint8 Key_N = 49;
    static constexpr quint8 Key_M = 50;
    static constexpr quint8 Key_COMMA = 51;
    static constexpr quint8 Key_PERIOD = 52;
    static constexpr quint8 Key_SLASH = 53;
    static constexpr quint8 Key_RSHIFT = 54;
    static constexpr quint8 Key_MULTIPLY = 55;
    static constexpr quint8 Key_LALT = 56;
    static constexpr quint8 Key_SPACE = 57;
    static constexpr quint8 Key_CAPSLOCK = 58;
    static constexpr quint8 Key_F1 = 59;
    static constexpr quint8 Key_F2 = 60;
    static constexpr quint8 Key_F3 = 61;
    static constexpr quint8 Key_F4 = 62;
    static constexpr quint8 Key_F5 = 63;
    static constexpr quint8 Key_F6 = 64;
    static constexpr quint8 Key_F7 = 65;
    static constexpr quint8 Key_F8 = 66;
    static constexpr quint8 Key_F9 = 67;
    static constexpr quint8 Key_F10 = 68;
    static constexpr quint8 Key_NUMLOCK = 69;
    static constexpr quint8 Key_SCROLL = 70;
    static constexpr quint8 Key_NUMPAD7 = 71;
    static constexpr quint8 Key_NUMPAD8 = 72;
    static constexpr quint8 Key_NUMPAD9 = 73;
    static constexpr quint8 Key_SUBTRACT = 74;
    static constexpr quint8 Key_NUMPAD4 = 75;
    static constexpr quint8 Key_NUMPAD5 = 76;
    static constexpr quint8 Key_NUMPAD6 = 77;
    static constexpr quint8 Key_ADD = 78;
    static constexpr quint8 Key_NUMPAD1 = 79;
    static constexpr quint8 Key_NUMPAD2 = 80;
    static constexpr quint8 Key_NUMPAD3 = 81;
    static constexpr quint8 Key_NUMPAD0 = 82;
    static constexpr quint8 Key_DECIMAL = 83;
    static constexpr quint8 Key_F11 = 87;
    static constexpr quint8 Key_F12 = 88;
    static constexpr quint8 Key_NUMPADENTER = 156;
    static constexpr quint8 Key_RCONTROL = 157;
    static constexpr quint8 Key_DIVIDE = 181;
    static constexpr quint8 Key_RALT = 184;
    static constexpr quint8 Key_PAUSE = 197;
    static constexpr quint8 Key_HOME = 199;
    static constexpr quint8 Key_UP = 200;
    static constexpr quint8 Key_PAGEUP = 201;
    static constexpr quint8 Key_LEFT = 203;
    static constexpr quint8 Key_RIGHT = 205;
    static constexpr quint8 Key_END = 207;
    static constexpr quint8 Key_DOWN = 208;
    static constexpr quint8 Key_PAGEDOWN = 209;
    static constexpr quint8 Key_INSERT = 210;
    static constexpr quint8 Key_DELETE = 211;

Q_SIGNALS:
    // A key with a code went down or up (repeats and duplicates are not reported).
    void keyChanged(quint8 bKeycode, bool down);
    // A key without a DirectInput code was pressed.
    void unknownKeyPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setKey(int code, bool down);

    std::array<bool, 256> m_down{};
    bool m_initialized = false;
    bool m_nativeIsEvdev = false;
};

} // namespace keyvane
