// The control settings as JSON: each field under the control setup's own name (JSON.md).
#include "FormatTable.h"

#include "input/mInput.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using keyvane::ControlConfig;

// The controls record's fields, in file order, under their own names.
struct ControlField
{
    const char *name;
    quint8 ControlConfig::*byte;
    qint16 ControlConfig::*word;
};
const ControlField kFields[] = {
    {"KeyRunCarry", &ControlConfig::KeyRunCarry, nullptr},
    {"KeyUsePowerup", &ControlConfig::KeyUsePowerup, nullptr},
    {"KeyJump", &ControlConfig::KeyJump, nullptr},
    {"KeyReleaseItem", &ControlConfig::KeyReleaseItem, nullptr},
    {"KeyExitLevel", &ControlConfig::KeyExitLevel, nullptr},
    {"KeyPause", &ControlConfig::KeyPause, nullptr},
    {"JoyRunCarry", &ControlConfig::JoyRunCarry, nullptr},
    {"JoyUsePowerup", &ControlConfig::JoyUsePowerup, nullptr},
    {"JoyJump", &ControlConfig::JoyJump, nullptr},
    {"JoyReleaseItem", &ControlConfig::JoyReleaseItem, nullptr},
    {"JoyExitLevel", &ControlConfig::JoyExitLevel, nullptr},
    {"JoyPause", &ControlConfig::JoyPause, nullptr},
    {"KeyLeft", &ControlConfig::KeyLeft, nullptr},
    {"KeyRight", &ControlConfig::KeyRight, nullptr},
    {"KeyDown", &ControlConfig::KeyDown, nullptr},
    {"KeyUp", &ControlConfig::KeyUp, nullptr},
    {"bOther", &ControlConfig::bOther, nullptr},
    {"iSensX", nullptr, &ControlConfig::iSensX},
    {"iSensY", nullptr, &ControlConfig::iSensY},
};
const JsonName kDocument[] = {"format", "KeyRunCarry", "KeyUsePowerup", "KeyJump", "KeyReleaseItem",
                                 "KeyExitLevel", "KeyPause", "JoyRunCarry", "JoyUsePowerup", "JoyJump",
                                 "JoyReleaseItem", "JoyExitLevel", "JoyPause", "KeyLeft", "KeyRight", "KeyDown",
                                 "KeyUp", "bOther", "iSensX", "iSensY", "asStored"};
static_assert(std::size(kDocument) == std::size(kFields) + 2);

qint64 valueOf(const ControlConfig &c, const ControlField &f)
{
    return f.byte ? qint64(c.*f.byte) : qint64(c.*f.word);
}

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    ControlConfig c;
    if (vt::Status s = keyvane::mInput::decode(bytes, c); !s)
        return s;
    for (const ControlField &f : kFields)
        out.number(f.name, valueOf(c, f));
    return encodeWritten(keyvane::mInput::encode, c, written);
}

QByteArray fromJson(JsonReader &in, JsonObject &o)
{
    ControlConfig c;
    for (const ControlField &f : kFields) {
        if (f.byte)
            c.*f.byte = quint8(in.number(o, f.name, 0, 255));
        else
            c.*f.word = qint16(in.number(o, f.name, -32768, 32767));
    }
    QByteArray out;
    if (!in.bad())
        (void)keyvane::mInput::encode(c, out);
    return out;
}

QString summary(QByteArrayView bytes)
{
    ControlConfig c;
    (void)keyvane::mInput::decode(bytes, c);
    QStringList keys, joy;
    for (const ControlField &f : kFields) {
        const QString name = QString::fromLatin1(f.name);
        (name.startsWith(u"Joy"_s) || name.startsWith(u'i') ? joy : keys) << u"%1 %2"_s.arg(name).arg(valueOf(c, f));
    }
    return u"controls\nkeys (scan codes): "_s + keys.join(u", "_s) + u"\njoystick: "_s + joy.join(u", "_s) + u'\n';
}

} // namespace

const FormatEntry kControlsEntry = {
    .kind = Kind::Controls,
    .members = kDocument,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
