#include "input/mInput.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileIO.h"

namespace keyvane::mInput {

ControlConfig gControls;

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
    // Checked up front: a short file must not yield a record half from the file and half
    // zero-filled by the reader.
    if (bytes.size() < kControlFileSize)
        return false;
    vt::BinaryReader r(bytes);
    ControlConfig read;
    for (quint8 *field : {&read.KeyRunCarry, &read.KeyUsePowerup, &read.KeyJump,
                          &read.KeyReleaseItem, &read.KeyExitLevel, &read.KeyPause,
                          &read.JoyRunCarry, &read.JoyUsePowerup, &read.JoyJump,
                          &read.JoyReleaseItem, &read.JoyExitLevel, &read.JoyPause,
                          &read.KeyLeft, &read.KeyRight, &read.KeyDown, &read.KeyUp, &read.bOther})
        *field = r.u8();
    read.iSensX = r.i16();
    read.iSensY = r.i16();
    if (!r.ok())
        return false;
    c = read;
    return true;
}

vt::Status LoadControls(ControlConfig &c, const QString &sFile)
{
    QByteArray bytes;
    vt::Status s = vt::readWholeFile(sFile, bytes);
    if (s.ok() && !decode(bytes, c)) {
        s = vt::Status::failure(QStringLiteral("%1 is too short (%2 of %3 bytes); using the default controls.")
                                    .arg(sFile).arg(bytes.size()).arg(kControlFileSize));
    }
    if (!s.ok())
        SetDefaultControls(c);
    return s;
}

vt::Status SaveControls(const ControlConfig &c, const QString &sFile)
{
    return vt::replaceFile(sFile, encode(c), vt::OldTail::Keep);
}

} // namespace keyvane::mInput
