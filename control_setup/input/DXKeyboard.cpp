#include "input/DXKeyboard.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <utility>

namespace keyvane {

namespace {

struct NamedKey
{
    quint8 code;
    const char *name;
};

// The keys the control setup knows, with the names the players see on the buttons.
constexpr NamedKey kNamedKeys[] = {
    {1, "ESCAPE"}, {2, "1"}, {3, "2"}, {4, "3"}, {5, "4"}, {6, "5"}, {7, "6"}, {8, "7"},
    {9, "8"}, {10, "9"}, {11, "0"}, {12, "MINUS"}, {13, "EQUALS"}, {14, "BACKSPACE"},
    {15, "TAB"}, {16, "Q"}, {17, "W"}, {18, "E"}, {19, "R"}, {20, "T"}, {21, "Y"}, {22, "U"},
    {23, "I"}, {24, "O"}, {25, "P"}, {26, "LBRACKET"}, {27, "RBRACKET"}, {28, "RETURN"},
    {29, "LCONTROL"}, {30, "A"}, {31, "S"}, {32, "D"}, {33, "F"}, {34, "G"}, {35, "H"},
    {36, "J"}, {37, "K"}, {38, "L"}, {39, "SEMICOLON"}, {40, "APOSTROPHE"}, {41, "GRAVE"},
    {42, "LSHIFT"}, {43, "BACKSLASH"}, {44, "Z"}, {45, "X"}, {46, "C"}, {47, "V"}, {48, "B"},
    {49, "N"}, {50, "M"}, {51, "COMMA"}, {52, "PERIOD"}, {53, "SLASH"}, {54, "RSHIFT"},
    {55, "MULTIPLY"}, {56, "LALT"}, {57, "SPACE"}, {58, "CAPSLOCK"}, {59, "F1"}, {60, "F2"},
    {61, "F3"}, {62, "F4"}, {63, "F5"}, {64, "F6"}, {65, "F7"}, {66, "F8"}, {67, "F9"},
    {68, "F10"}, {69, "NUMLOCK"}, {70, "SCROLL"}, {71, "NUMPAD7"}, {72, "NUMPAD8"},
    {73, "NUMPAD9"}, {74, "SUBTRACT"}, {75, "NUMPAD4"}, {76, "NUMPAD5"}, {77, "NUMPAD6"},
    {78, "ADD"}, {79, "NUMPAD1"}, {80, "NUMPAD2"}, {81, "NUMPAD3"}, {82, "NUMPAD0"},
    {83, "DECIMAL"}, {87, "F11"}, {88, "F12"}, {156, "NUMPADENTER"}, {157, "RCONTROL"},
    {181, "DIVIDE"}, {184, "RALT"}, {197, "PAUSE"}, {199, "HOME"}, {200, "UP"}, {201, "PAGEUP"},
    {203, "LEFT"}, {205, "RIGHT"}, {207, "END"}, {208, "DOWN"}, {209, "PAGEDOWN"},
    {210, "INSERT"}, {211, "DELETE"},
};
static_assert(std::size(kNamedKeys) == 100);

constexpr std::array<const char *, 256> makeNameTable()
{
    std::array<const char *, 256> t{};
    for (const NamedKey &k : kNamedKeys)
        t[k.code] = k.name;
    return t;
}
constexpr std::array<const char *, 256> kNames = makeNameTable();

// Linux evdev codes of the keys whose scan code differs from their evdev code (evdev 1 to 83
// and 86 to 88 are the same number in both). Besides the named keys, the keys that have a
// scan code but no name: the "<>" key of European keyboards is 86 in both, and Print Screen
// (SYSRQ 183), the keypad's "=" and "," (141, 179), F13 to F15 (100 to 102) and the Japanese
// and Brazilian keys (KANA 112, ABNT_C1 115, CONVERT 121, NOCONVERT 123, YEN 125).
constexpr std::pair<int, quint8> kExtendedEvdev[] = {
    {96, 156}, {97, 157}, {98, 181}, {100, 184}, {102, 199}, {103, 200}, {104, 201},
    {105, 203}, {106, 205}, {107, 207}, {108, 208}, {109, 209}, {110, 210}, {111, 211},
    {119, 197}, {99, 183}, {117, 141}, {121, 179}, {183, 100}, {184, 101}, {185, 102},
    {89, 115}, {92, 121}, {93, 112}, {94, 123}, {124, 125},
};

// Qt keys that name one key whatever the keypad modifier says.
constexpr std::pair<int, quint8> kQtKeys[] = {
    {Qt::Key_Escape, 1}, {Qt::Key_Exclam, 2}, {Qt::Key_At, 3}, {Qt::Key_NumberSign, 4},
    {Qt::Key_Dollar, 5}, {Qt::Key_Percent, 6}, {Qt::Key_AsciiCircum, 7}, {Qt::Key_Ampersand, 8},
    {Qt::Key_ParenLeft, 10}, {Qt::Key_ParenRight, 11}, {Qt::Key_Underscore, 12},
    {Qt::Key_Equal, 13}, {Qt::Key_Backspace, 14}, {Qt::Key_Tab, 15}, {Qt::Key_Backtab, 15},
    {Qt::Key_Q, 16}, {Qt::Key_W, 17}, {Qt::Key_E, 18}, {Qt::Key_R, 19}, {Qt::Key_T, 20},
    {Qt::Key_Y, 21}, {Qt::Key_U, 22}, {Qt::Key_I, 23}, {Qt::Key_O, 24}, {Qt::Key_P, 25},
    {Qt::Key_BracketLeft, 26}, {Qt::Key_BraceLeft, 26}, {Qt::Key_BracketRight, 27},
    {Qt::Key_BraceRight, 27}, {Qt::Key_Return, 28}, {Qt::Key_Control, 29}, {Qt::Key_A, 30},
    {Qt::Key_S, 31}, {Qt::Key_D, 32}, {Qt::Key_F, 33}, {Qt::Key_G, 34}, {Qt::Key_H, 35},
    {Qt::Key_J, 36}, {Qt::Key_K, 37}, {Qt::Key_L, 38}, {Qt::Key_Semicolon, 39},
    {Qt::Key_Colon, 39}, {Qt::Key_Apostrophe, 40}, {Qt::Key_QuoteDbl, 40},
    {Qt::Key_QuoteLeft, 41}, {Qt::Key_AsciiTilde, 41}, {Qt::Key_Shift, 42},
    {Qt::Key_Backslash, 43}, {Qt::Key_Bar, 43}, {Qt::Key_Z, 44}, {Qt::Key_X, 45},
    {Qt::Key_C, 46}, {Qt::Key_V, 47}, {Qt::Key_B, 48}, {Qt::Key_N, 49}, {Qt::Key_M, 50},
    {Qt::Key_Comma, 51}, {Qt::Key_Less, 51}, {Qt::Key_Greater, 52}, {Qt::Key_Question, 53},
    {Qt::Key_Alt, 56}, {Qt::Key_Space, 57}, {Qt::Key_CapsLock, 58}, {Qt::Key_F1, 59},
    {Qt::Key_F2, 60}, {Qt::Key_F3, 61}, {Qt::Key_F4, 62}, {Qt::Key_F5, 63}, {Qt::Key_F6, 64},
    {Qt::Key_F7, 65}, {Qt::Key_F8, 66}, {Qt::Key_F9, 67}, {Qt::Key_F10, 68},
    {Qt::Key_NumLock, 69}, {Qt::Key_ScrollLock, 70}, {Qt::Key_Clear, 76}, {Qt::Key_F11, 87},
    {Qt::Key_F12, 88}, {Qt::Key_Enter, 156}, {Qt::Key_AltGr, 184}, {Qt::Key_Pause, 197},
    {Qt::Key_F13, 100}, {Qt::Key_F14, 101}, {Qt::Key_F15, 102}, {Qt::Key_Print, 183},
    {Qt::Key_SysReq, 183}, {Qt::Key_Kana_Lock, 112}, {Qt::Key_Henkan, 121}, {Qt::Key_Muhenkan, 123},
};

// Qt keys that come from either the main block or the keypad: {key, main code, keypad code}.
// Keypad navigation keys are what the keypad sends with Num Lock off.
struct SplitKey
{
    int key;
    quint8 main;
    quint8 keypad;
};
constexpr SplitKey kSplitKeys[] = {
    {Qt::Key_1, 2, 79}, {Qt::Key_2, 3, 80}, {Qt::Key_3, 4, 81}, {Qt::Key_4, 5, 75},
    {Qt::Key_5, 6, 76}, {Qt::Key_6, 7, 77}, {Qt::Key_7, 8, 71}, {Qt::Key_8, 9, 72},
    {Qt::Key_9, 10, 73}, {Qt::Key_0, 11, 82}, {Qt::Key_Minus, 12, 74},
    {Qt::Key_Asterisk, 9, 55}, {Qt::Key_Plus, 13, 78}, {Qt::Key_Period, 52, 83},
    {Qt::Key_Slash, 53, 181}, {Qt::Key_Home, 199, 71}, {Qt::Key_Up, 200, 72},
    {Qt::Key_PageUp, 201, 73}, {Qt::Key_Left, 203, 75}, {Qt::Key_Right, 205, 77},
    {Qt::Key_End, 207, 79}, {Qt::Key_Down, 208, 80}, {Qt::Key_PageDown, 209, 81},
    {Qt::Key_Insert, 210, 82}, {Qt::Key_Delete, 211, 83},
};

std::optional<QString> g_initializeFault;

} // namespace

void DXKeyboard::setInitializeFaultForTesting(std::optional<QString> reason)
{
    g_initializeFault = std::move(reason);
}

DXKeyboard::~DXKeyboard()
{
    if (m_initialized && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

vt::Status DXKeyboard::Initialize(QObject *hWnd)
{
    if (g_initializeFault)
        return vt::Status::failure(*g_initializeFault);
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return vt::Status::failure(QStringLiteral("no window system delivers key events to this program"));
    if (!hWnd)
        return vt::Status::failure(QStringLiteral("there is no window to read the keys for"));
    if (!m_initialized)
        app->installEventFilter(this);
    m_initialized = true;
    // X11 and Wayland give the evdev code + 8 as the native scan code; other platforms
    // (offscreen among them) give none or their own, so the Qt key decides there.
    const QString platform = QGuiApplication::platformName();
    m_nativeIsEvdev = platform == u"xcb" || platform == u"wayland";
    return vt::Status::success();
}

QString DXKeyboard::GetDXKeyName(quint8 bKeycode)
{
    const char *name = kNames[bKeycode];
    return name ? QString::fromLatin1(name) : QString();
}

QString DXKeyboard::keyLabel(quint8 bKeycode)
{
    if (const char *name = kNames[bKeycode])
        return QString::fromLatin1(name);
    return bKeycode == 0 ? QStringLiteral("NONE") : QStringLiteral("Key %1").arg(bKeycode);
}

int DXKeyboard::scanCodeFromNative(quint32 nativeScanCode)
{
    if (nativeScanCode < 8)
        return -1;
    const quint32 evdev = nativeScanCode - 8;
    if ((evdev >= 1 && evdev <= 83) || (evdev >= 86 && evdev <= 88))
        return int(evdev);
    for (const auto &[from, code] : kExtendedEvdev) {
        if (quint32(from) == evdev)
            return code;
    }
    return -1;
}

int DXKeyboard::scanCodeFromQtKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    for (const SplitKey &k : kSplitKeys) {
        if (k.key == key)
            return keypad ? k.keypad : k.main;
    }
    for (const auto &[from, code] : kQtKeys) {
        if (from == key)
            return code;
    }
    return -1;
}

void DXKeyboard::keyEvent(quint32 nativeScanCode, bool nativeIsEvdev, int key,
                          Qt::KeyboardModifiers modifiers, bool pressed)
{
    const int code = nativeIsEvdev && nativeScanCode != 0 ? scanCodeFromNative(nativeScanCode)
                                                          : scanCodeFromQtKey(key, modifiers);
    if (code < 0) {
        if (pressed)
            Q_EMIT unknownKeyPressed();
        return;
    }
    setKey(code, pressed);
}

void DXKeyboard::releaseAll()
{
    for (int code = 0; code < 256; ++code)
        setKey(code, false);
}

void DXKeyboard::setKey(int code, bool down)
{
    // One key press reaches the filter once per object it is delivered to (the window, the
    // focus widget, its parents); only the change counts.
    if (m_down[std::size_t(code)] == down)
        return;
    m_down[std::size_t(code)] = down;
    Q_EMIT keyChanged(quint8(code), down);
}

bool DXKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto *k = static_cast<QKeyEvent *>(event);
        if (!k->isAutoRepeat())
            keyEvent(k->nativeScanCode(), m_nativeIsEvdev, k->key(), k->modifiers(),
                     event->type() == QEvent::KeyPress);
        break;
    }
    case QEvent::ApplicationDeactivate:
        releaseAll();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace keyvane
