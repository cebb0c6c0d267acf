#include "input/DXKeyboard.h"

#include <QSignalSpy>
#include <QTest>

#include <map>
#include <set>

using keyvane::DXKeyboard;

namespace {

// Every key the controls file can hold, by code, as the players know them.
const std::map<int, QString> &namedKeys()
{
    static const std::map<int, QString> keys = [] {
        std::map<int, QString> m;
        const char *main[] = {"ESCAPE", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "MINUS",
                              "EQUALS", "BACKSPACE", "TAB", "Q", "W", "E", "R", "T", "Y", "U", "I",
                              "O", "P", "LBRACKET", "RBRACKET", "RETURN", "LCONTROL", "A", "S", "D",
                              "F", "G", "H", "J", "K", "L", "SEMICOLON", "APOSTROPHE", "GRAVE",
                              "LSHIFT", "BACKSLASH", "Z", "X", "C", "V", "B", "N", "M", "COMMA",
                              "PERIOD", "SLASH", "RSHIFT", "MULTIPLY", "LALT", "SPACE", "CAPSLOCK",
                              "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10",
                              "NUMLOCK", "SCROLL", "NUMPAD7", "NUMPAD8", "NUMPAD9", "SUBTRACT",
                              "NUMPAD4", "NUMPAD5", "NUMPAD6", "ADD", "NUMPAD1", "NUMPAD2",
                              "NUMPAD3", "NUMPAD0", "DECIMAL"};
        int code = 1;
        for (const char *n : main)
            m[code++] = QString::fromLatin1(n);
        const std::pair<int, const char *> rest[] = {
            {87, "F11"}, {88, "F12"}, {156, "NUMPADENTER"}, {157, "RCONTROL"}, {181, "DIVIDE"},
            {184, "RALT"}, {197, "PAUSE"}, {199, "HOME"}, {200, "UP"}, {201, "PAGEUP"},
            {203, "LEFT"}, {205, "RIGHT"}, {207, "END"}, {208, "DOWN"}, {209, "PAGEDOWN"},
            {210, "INSERT"}, {211, "DELETE"}};
        for (const auto &[c, n] : rest)
            m[c] = QString::fromLatin1(n);
        return m;
    }();
    return keys;
}

// The Linux evdev code of each named key (the native scan code is this + 8).
int evdevOf(int code)
{
    static const std::map<int, int> extended = {
        {156, 96}, {157, 97}, {181, 98}, {184, 100}, {197, 119}, {199, 102}, {200, 103},
        {201, 104}, {203, 105}, {205, 106}, {207, 107}, {208, 108}, {209, 109}, {210, 110},
        {211, 111}};
    const auto it = extended.find(code);
    return it == extended.end() ? code : it->second;
}

struct QtKeyCase
{
    int key;
    bool keypad;
    int code;
};

// What a Qt key event without a native code means, for every named key it can reach.
const QtKeyCase kQtCases[] = {
    {Qt::Key_Escape, false, 1}, {Qt::Key_1, false, 2}, {Qt::Key_2, false, 3},
    {Qt::Key_3, false, 4}, {Qt::Key_4, false, 5}, {Qt::Key_5, false, 6}, {Qt::Key_6, false, 7},
    {Qt::Key_7, false, 8}, {Qt::Key_8, false, 9}, {Qt::Key_9, false, 10}, {Qt::Key_0, false, 11},
    {Qt::Key_Exclam, false, 2}, {Qt::Key_At, false, 3}, {Qt::Key_NumberSign, false, 4},
    {Qt::Key_Dollar, false, 5}, {Qt::Key_Percent, false, 6}, {Qt::Key_AsciiCircum, false, 7},
    {Qt::Key_Ampersand, false, 8}, {Qt::Key_Asterisk, false, 9}, {Qt::Key_ParenLeft, false, 10},
    {Qt::Key_ParenRight, false, 11}, {Qt::Key_Minus, false, 12}, {Qt::Key_Underscore, false, 12},
    {Qt::Key_Equal, false, 13}, {Qt::Key_Plus, false, 13}, {Qt::Key_Backspace, false, 14},
    {Qt::Key_Tab, false, 15}, {Qt::Key_Backtab, false, 15}, {Qt::Key_Q, false, 16},
    {Qt::Key_W, false, 17}, {Qt::Key_E, false, 18}, {Qt::Key_R, false, 19}, {Qt::Key_T, false, 20},
    {Qt::Key_Y, false, 21}, {Qt::Key_U, false, 22}, {Qt::Key_I, false, 23}, {Qt::Key_O, false, 24},
    {Qt::Key_P, false, 25}, {Qt::Key_BracketLeft, false, 26}, {Qt::Key_BraceLeft, false, 26},
    {Qt::Key_BracketRight, false, 27}, {Qt::Key_BraceRight, false, 27},
    {Qt::Key_Return, false, 28}, {Qt::Key_Control, false, 29}, {Qt::Key_A, false, 30},
    {Qt::Key_S, false, 31}, {Qt::Key_D, false, 32}, {Qt::Key_F, false, 33}, {Qt::Key_G, false, 34},
    {Qt::Key_H, false, 35}, {Qt::Key_J, false, 36}, {Qt::Key_K, false, 37}, {Qt::Key_L, false, 38},
    {Qt::Key_Semicolon, false, 39}, {Qt::Key_Colon, false, 39}, {Qt::Key_Apostrophe, false, 40},
    {Qt::Key_QuoteDbl, false, 40}, {Qt::Key_QuoteLeft, false, 41}, {Qt::Key_AsciiTilde, false, 41},
    {Qt::Key_Shift, false, 42}, {Qt::Key_Backslash, false, 43}, {Qt::Key_Bar, false, 43},
    {Qt::Key_Z, false, 44}, {Qt::Key_X, false, 45}, {Qt::Key_C, false, 46}, {Qt::Key_V, false, 47},
    {Qt::Key_B, false, 48}, {Qt::Key_N, false, 49}, {Qt::Key_M, false, 50},
    {Qt::Key_Comma, false, 51}, {Qt::Key_Less, false, 51}, {Qt::Key_Period, false, 52},
    {Qt::Key_Greater, false, 52}, {Qt::Key_Slash, false, 53}, {Qt::Key_Question, false, 53},
    {Qt::Key_Asterisk, true, 55}, {Qt::Key_Alt, false, 56}, {Qt::Key_Space, false, 57},
    {Qt::Key_CapsLock, false, 58}, {Qt::Key_F1, false, 59}, {Qt::Key_F2, false, 60},
    {Qt::Key_F3, false, 61}, {Qt::Key_F4, false, 62}, {Qt::Key_F5, false, 63},
    {Qt::Key_F6, false, 64}, {Qt::Key_F7, false, 65}, {Qt::Key_F8, false, 66},
    {Qt::Key_F9, false, 67}, {Qt::Key_F10, false, 68}, {Qt::Key_NumLock, false, 69},
    {Qt::Key_ScrollLock, false, 70}, {Qt::Key_7, true, 71}, {Qt::Key_Home, true, 71},
    {Qt::Key_8, true, 72}, {Qt::Key_Up, true, 72}, {Qt::Key_9, true, 73},
    {Qt::Key_PageUp, true, 73}, {Qt::Key_Minus, true, 74}, {Qt::Key_4, true, 75},
    {Qt::Key_Left, true, 75}, {Qt::Key_5, true, 76}, {Qt::Key_Clear, true, 76},
    {Qt::Key_6, true, 77}, {Qt::Key_Right, true, 77}, {Qt::Key_Plus, true, 78},
    {Qt::Key_1, true, 79}, {Qt::Key_End, true, 79}, {Qt::Key_2, true, 80}, {Qt::Key_Down, true, 80},
    {Qt::Key_3, true, 81}, {Qt::Key_PageDown, true, 81}, {Qt::Key_0, true, 82},
    {Qt::Key_Insert, true, 82}, {Qt::Key_Period, true, 83}, {Qt::Key_Delete, true, 83},
    {Qt::Key_F11, false, 87}, {Qt::Key_F12, false, 88}, {Qt::Key_Enter, true, 156},
    {Qt::Key_Slash, true, 181}, {Qt::Key_AltGr, false, 184}, {Qt::Key_Pause, false, 197},
    {Qt::Key_Home, false, 199}, {Qt::Key_Up, false, 200}, {Qt::Key_PageUp, false, 201},
    {Qt::Key_Left, false, 203}, {Qt::Key_Right, false, 205}, {Qt::Key_End, false, 207},
    {Qt::Key_Down, false, 208}, {Qt::Key_PageDown, false, 209}, {Qt::Key_Insert, false, 210},
    {Qt::Key_Delete, false, 211},
};

Qt::KeyboardModifiers keypadIf(bool keypad)
{
    return keypad ? Qt::KeypadModifier : Qt::NoModifier;
}

} // namespace

class tst_keyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesOfEveryCode()
    {
        QCOMPARE(namedKeys().size(), std::size_t(100));
        for (int code = 0; code < 256; ++code) {
            const auto it = namedKeys().find(code);
            QCOMPARE(DXKeyboard::GetDXKeyName(quint8(code)),
                     it == namedKeys().end() ? QString() : it->second);
        }
        QCOMPARE(DXKeyboard::GetDXKeyName(57), QStringLiteral("SPACE"));
        QVERIFY(DXKeyboard::GetDXKeyName(84).isEmpty());
        QCOMPARE(DXKeyboard::Key_SPACE, 57);
        QCOMPARE(DXKeyboard::Key_BACKSPACE, 14);
        QCOMPARE(DXKeyboard::Key_PAUSE, 197);
        QCOMPARE(DXKeyboard::Key_LEFT, 203);
        QCOMPARE(DXKeyboard::GetDXKeyName(DXKeyboard::Key_NUMPADENTER), QStringLiteral("NUMPADENTER"));
        QCOMPARE(DXKeyboard::GetDXKeyName(DXKeyboard::Key_0), QStringLiteral("0"));
    }

    // Under X11 and Wayland every named key comes from exactly one native code; so do the
    // keys that have a scan code but no name, and no two keys share a code.
    void nativeScanCodesWhole()
    {
        // evdev -> scan code of the keys without a name: "<>", Print Screen, keypad "=" and
        // ",", F13 to F15, and the Brazilian and Japanese keys.
        const std::map<int, int> unnamed{{86, 86},   {99, 183},  {117, 141}, {121, 179}, {183, 100}, {184, 101},
                                         {185, 102}, {89, 115},  {92, 121},  {93, 112},  {94, 123},  {124, 125}};
        std::map<int, int> nativeOf;
        for (quint32 native = 0; native < 1024; ++native) {
            const int code = DXKeyboard::scanCodeFromNative(native);
            if (code < 0)
                continue;
            QVERIFY2(code >= 1 && code <= 255, qPrintable(QString::number(native)));
            QVERIFY2(!nativeOf.count(code), qPrintable(QString::number(code)));
            nativeOf[code] = int(native);
        }
        QCOMPARE(nativeOf.size(), namedKeys().size() + unnamed.size());
        for (const auto &[code, name] : namedKeys())
            QCOMPARE(nativeOf[code], evdevOf(code) + 8);
        for (const auto &[evdev, code] : unnamed) {
            QCOMPARE(DXKeyboard::scanCodeFromNative(quint32(evdev + 8)), code);
            QCOMPARE(DXKeyboard::GetDXKeyName(quint8(code)), QString());
            QCOMPARE(DXKeyboard::keyLabel(quint8(code)), QStringLiteral("Key %1").arg(code));
        }
        // Keys with no scan code the game knows: Left Meta (125), Menu (127), Mute (113).
        for (quint32 evdev : {0u, 84u, 85u, 101u, 113u, 125u, 127u})
            QCOMPARE(DXKeyboard::scanCodeFromNative(evdev + 8), -1);
        QCOMPARE(DXKeyboard::keyLabel(DXKeyboard::Key_SPACE), QStringLiteral("SPACE"));
        QCOMPARE(DXKeyboard::keyLabel(0), QStringLiteral("NONE"));
    }

    // Without a native code (the offscreen platform) the Qt key and the keypad flag decide;
    // right Shift and right Ctrl cannot be told from the left ones there.
    void qtKeysWhole()
    {
        std::set<int> reached;
        for (const QtKeyCase &c : kQtCases) {
            QCOMPARE(DXKeyboard::scanCodeFromQtKey(c.key, keypadIf(c.keypad)), c.code);
            // Shift, Ctrl or Alt held with a key do not change it.
            QCOMPARE(DXKeyboard::scanCodeFromQtKey(c.key, keypadIf(c.keypad) | Qt::ShiftModifier
                                                            | Qt::ControlModifier),
                     c.code);
            reached.insert(c.code);
        }
        std::set<int> unreachable;
        for (const auto &[code, name] : namedKeys()) {
            if (!reached.count(code))
                unreachable.insert(code);
        }
        QCOMPARE(unreachable, (std::set<int>{DXKeyboard::Key_RSHIFT, DXKeyboard::Key_RCONTROL}));
        for (int key : {int(Qt::Key_Meta), int(Qt::Key_Menu), int(Qt::Key_Eacute), int(Qt::Key_VolumeUp),
                        int(Qt::Key_unknown), 0})
            QCOMPARE(DXKeyboard::scanCodeFromQtKey(key, Qt::NoModifier), -1);
        QCOMPARE(DXKeyboard::scanCodeFromQtKey(Qt::Key_Print, Qt::NoModifier), 183);  // SYSRQ, no name
    }

    void keyStatesFromEvents()
    {
        DXKeyboard k;
        QSignalSpy changed(&k, &DXKeyboard::keyChanged);
        QSignalSpy unknown(&k, &DXKeyboard::unknownKeyPressed);
        // Right Ctrl by its native code; the Qt key says only "Control".
        k.keyEvent(97 + 8, true, Qt::Key_Control, Qt::ControlModifier, true);
        QVERIFY(k.IsDown(DXKeyboard::Key_RCONTROL));
        QVERIFY(!k.IsDown(DXKeyboard::Key_LCONTROL));
        // The same press seen again (window, then widget) is one change.
        k.keyEvent(97 + 8, true, Qt::Key_Control, Qt::ControlModifier, true);
        QCOMPARE(changed.count(), 1);
        // A native code is ignored where the platform's codes are not evdev ones.
        k.keyEvent(97 + 8, false, Qt::Key_Z, Qt::NoModifier, true);
        QVERIFY(k.IsDown(DXKeyboard::Key_Z));
        k.keyEvent(0, true, Qt::Key_Enter, Qt::KeypadModifier, true);
        QVERIFY(k.IsDown(DXKeyboard::Key_NUMPADENTER));
        k.keyEvent(0, false, Qt::Key_Z, Qt::NoModifier, false);
        QVERIFY(!k.IsDown(DXKeyboard::Key_Z));
        QCOMPARE(changed.last().at(0).value<quint8>(), DXKeyboard::Key_Z);
        QCOMPARE(changed.last().at(1).toBool(), false);

        k.keyEvent(125 + 8, true, Qt::Key_Meta, Qt::NoModifier, true);
        k.keyEvent(125 + 8, true, Qt::Key_Meta, Qt::NoModifier, false);
        QCOMPARE(unknown.count(), 1);
        for (int code = 0; code < 256; ++code)
            QVERIFY(!k.IsDown(quint8(code)) || code == DXKeyboard::Key_RCONTROL
                    || code == DXKeyboard::Key_NUMPADENTER);

        k.releaseAll();
        for (int code = 0; code < 256; ++code)
            QVERIFY(!k.IsDown(quint8(code)));
        QCOMPARE(changed.count(), 6);
    }

    // Without a window system there are no key events to read: Initialize says so.
    void initializeNeedsAWindowSystem()
    {
        DXKeyboard k;
        QObject window;
        const vt::Status s = k.Initialize(&window);
        QVERIFY(!s.ok());
        QVERIFY(s.error().contains(QStringLiteral("key events")));
        QVERIFY(!k.initialized());
    }
};

QTEST_GUILESS_MAIN(tst_keyboard)
#include "tst_keyboard.moc"
