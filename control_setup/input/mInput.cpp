#include "input/mInput.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileFormat.h"
#include "FileIO.h"

namespace keyvane::mInput {

void SetDefaultControls(ControlConfig &c)
{
    c = ControlConfig{};
}

vt::Status encode(const ControlConfig &c, QByteArray &out)
{
    vt::BinaryWriter w(kControlFileSize);
    for (quint8 v : {c.KeyRunCarry, c.KeyUsePowerup, c.KeyJump, c.KeyReleaseItem, c.KeyExitLevel,
                     c.KeyPause, c.JoyRunCarry, c.JoyUsePowerup, c.JoyJump, c.JoyReleaseItem,
                     c.JoyExitLevel, c.JoyPause, c.KeyLeft, c.KeyRight, c.KeyDown, c.KeyUp,
                     c.bOther})
        w.u8(v);
    w.i16(c.iSensX);
    w.i16(c.iSensY);
    out = w.take();
    return vt::Status::success();
}

vt::Status decode(QByteArrayView bytes, ControlConfig &c)
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
    if (bytes.size() < kControlFileSize)
        return vt::Status::failure(
            QStringLiteral("The controls file is too short (%1 of %2 bytes); the settings it lacks have "
                           "their defaults.")
                .arg(bytes.size())
                .arg(kControlFileSize));
    return vt::Status::success();
}

const vt::FileFormat kControlsFormat = {
    .name = "controls",
    .extension = "qzc",
    .maxSize = kControlFileSize,
    .reading = vt::FileFormat::Reading::Head,
    // Written over in place, the file was never shortened; keep that result.
    .saveTail = vt::OldTail::Keep,
    .shortFile = "the fields it holds are read, the others take their defaults, and it is reported",
};

vt::Status LoadControls(ControlConfig &c, const QString &sFile)
{
    // A file that cannot be read still gives the defaults; a short one gives what it holds.
    QByteArray bytes;
    if (vt::Status s = vt::readFormatFile(kControlsFormat, sFile, bytes); !s) {
        SetDefaultControls(c);
        return s;
    }
    if (vt::Status s = decode(bytes, c); !s)
        return vt::cannotRead(sFile, s);
    return vt::Status::success();
}

vt::Status SaveControls(const ControlConfig &c, const QString &sFile)
{
    return vt::saveFile(kControlsFormat, encode, c, sFile);
}

} // namespace keyvane::mInput
