// An enemy skin as JSON: the graphic of each enemy type, in the file's order (JSON.md).
#include "FormatTable.h"

#include "AnsiText.h"
#include "skin/mEnemySkinFile.h"

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using skinloft::EnemySkin;
namespace mEnemySkinFile = skinloft::mEnemySkinFile;

const JsonName kDocument[] = {"format", "graphics", "asStored"};
const JsonName kGraphic[] = {"enemy", "file"};

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    EnemySkin s;
    if (vt::Status st = mEnemySkinFile::decode(bytes, s); !st)
        return st;
    out.beginArray("graphics");
    for (int i = 0; i < skinloft::kEnemyTypeCount; ++i) {
        out.beginObject();
        out.latin1("enemy", skinloft::EnemyTypeNames[std::size_t(i)]);
        out.text("file", s.Fields[std::size_t(i)]);
        out.end();
    }
    out.end();
    return encodeWritten(mEnemySkinFile::encode, s, written);
}

QByteArray fromJson(JsonReader &in, JsonObject &o)
{
    JsonArray graphics = in.array(in.member(o, "graphics"), skinloft::kEnemyTypeCount, skinloft::kEnemyTypeCount);
    EnemySkin s;
    JsonValue item;
    while (in.next(graphics, item)) {
        const std::size_t i = std::size_t(item.path.index);
        JsonObject g = in.object(item, kGraphic);
        // The enemy's name is there to read, and to catch entries put in another order.
        const QString name = QString::fromLatin1(skinloft::EnemyTypeNames[i]);
        const JsonValue enemy = in.member(g, "enemy");
        if (in.string(enemy) != name && !in.bad())
            in.fail(enemy, u"expected \"%1\": the entries go in the file's order"_s.arg(name));
        s.Fields[i] = in.ansi(g, "file", mEnemySkinFile::kMaxFieldLength);
        in.done(g);
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status st = mEnemySkinFile::encode(s, out); !st)
        in.fail(o, st.error());
    return out;
}

QString summary(QByteArrayView bytes)
{
    EnemySkin s;
    (void)mEnemySkinFile::decode(bytes, s);
    int set = 0;
    for (const QByteArray &f : s.Fields)
        set += !f.isEmpty();
    QString out = u"enemy skin: %1 of %2 enemy types have a graphic\n"_s.arg(set).arg(skinloft::kEnemyTypeCount);
    for (int i = 0; i < skinloft::kEnemyTypeCount; ++i)
        if (!s.Fields[std::size_t(i)].isEmpty())
            out += u"%1: %2\n"_s.arg(QString::fromLatin1(skinloft::EnemyTypeNames[std::size_t(i)]),
                                     vt::fromAnsi(s.Fields[std::size_t(i)]));
    return out;
}

} // namespace

const FormatEntry kSkinEntry = {
    .kind = Kind::Skin,
    .members = kDocument,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
