#include "input/mInput.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileIO.h"

namespace keyvane::mInput {

void SetDefaultControls(ControlConfig &c)
{
    c = ControlConfig{};
}

QByteArray encode(const ControlConfig &c)
{
    vt::BinaryWriter w(kControlFileSize);
    for (quint8 v : {c.KeyRunCarry, c.KeyUsePowerup, c.KeyJump, c.KeyReleaseItem, c.KeyExitLevel,
                     c.KeyPause, c.JoyRunCarry, c.JoyUsePowerup, c.JoyJump, c.JoyReleaseItem,
                     c.JoyExitLevel, c.JoyPause, c.KeyLeft, c.KeyRight, c.KeyDown, c.KeyUp,
                     c.bOther})
        w.u8(v);
    w.i16(c.iSensX);
    w.i16(c.iSensY);
    return w.take();
}

bool decode(QByteArrayView bytes, ControlConfig &c)
{
    // Field by field in file order: the fields a short file holds are read, the others keep
    // their defaults.
    vt::BinaryReader r(bytes);
    ControlConfig read;
    for (quint8 *field : {&read.KeyRunCarry, &read.KeyUsePowerup, &read.KeyJump,
                          &read.KeyReleaseItem, &read.KeyExitLevel, &read.KeyPause,
                          &read.JoyRunCarry, &read.JoyUsePowerup, &read.JoyJump,
                          &read.JoyReleaseItem, &read.JoyExitLevel, &read.JoyPause,
                          &read.KeyLeft, &read.KeyRight, &read.KeyDown, &read.KeyUp, &read.bOther}) {
        if (!r.canRead(1))
            break;
        *field = r.u8();
    }
    if (r.canRead(2))
        read.iSensX = r.i16();
    if (r.canRead(2))
        read.iSensY = r.i16();
    c = read;
    return bytes.size() >= kControlFileSize;
}

vt::Status LoadControls(ControlConfig &c, const QString &sFile)
{
    QByteArray bytes;
    vt::Status s = vt::readFileHead(sFile, bytes, kControlFileSize);
    if (!s.ok()) {
        SetDefaultControls(c);
        return s;
    }
    if (!decode(bytes, c))
        return vt::Status::failure(
            QStringLiteral("%1 is too short (%2 of %3 bytes); the settings it lacks have their defaults.")
                .arg(sFile).arg(bytes.size()).arg(kControlFileSize));
    return vt::Status::success();
}

vt::Status SaveControls(const ControlConfig &c, const QString &sFile)
{
    return vt::replaceFile(sFile, encode(c), vt::OldTail::Keep);
}

} // namespace keyvane::mInput
