#pragma once

#include "FileFormat.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

namespace keyvane {

// The control settings, in the order of Controls.qzc. Key codes are DirectInput scan
// codes; joystick buttons count from 1; a threshold is the axis deflection (0..5000 from
// the centre) a direction must exceed. The member initialisers are the defaults.
struct ControlConfig
{
    quint8 KeyRunCarry = 42;     // LSHIFT
    quint8 KeyUsePowerup = 57;   // SPACE
    quint8 KeyJump = 44;         // Z
    quint8 KeyReleaseItem = 45;  // X
    quint8 KeyExitLevel = 14;    // BACKSPACE
    quint8 KeyPause = 25;        // P
    quint8 JoyRunCarry = 2;
    quint8 JoyUsePowerup = 3;
    quint8 JoyJump = 1;
    quint8 JoyReleaseItem = 4;
    quint8 JoyExitLevel = 5;
    quint8 JoyPause = 6;
    quint8 KeyLeft = 203;
    quint8 KeyRight = 205;
    quint8 KeyDown = 208;
    quint8 KeyUp = 200;
    quint8 bOther = 1;  // not ours to interpret: kept and written back as read
    qint16 iSensX = 2500;
    qint16 iSensY = 3500;

    friend bool operator==(const ControlConfig &, const ControlConfig &) = default;
};

namespace mInput {

constexpr qsizetype kControlFileSize = 21;

void SetDefaultControls(ControlConfig &c);

// Reads the first 21 bytes of the file. A missing or unreadable file gives the defaults
// together with an error (which the program does not show); a short file gives the fields
// it holds, the defaults for the rest, and an error.
vt::Status LoadControls(ControlConfig &c, const QString &sFile);

// Writes the 21 bytes at the start of the file, atomically, keeping any longer old tail.
vt::Status SaveControls(const ControlConfig &c, const QString &sFile);

// The controls file: 17 bytes, then two 16-bit thresholds.
extern const vt::FileFormat kControlsFormat;

// Never fails: every record fits the file.
vt::Status encode(const ControlConfig &c, QByteArray &out);

// Sets c from the fields the bytes hold, the rest to their defaults; fails (with c so set)
// when fewer than 21 bytes are given. Bytes after them are ignored.
vt::Status decode(QByteArrayView bytes, ControlConfig &c);

} // namespace mInput

} // namespace keyvane
