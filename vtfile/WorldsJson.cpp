// A mod's world list as JSON. The list is text: it goes as its lines, exactly as they stand,
// with the worlds they give beside them for reading (JSON.md).
#include "FormatTable.h"

#include "world/WorldList.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using tessaforge::WorldListText;

const JsonName kDocument[] = {"format", "worlds", "lines", "lineEnding", "endsWithLineEnding", "asStored"};

constexpr qint64 kMaxLines = 1 << 20;

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    WorldListText l;
    if (vt::Status s = tessaforge::decode(bytes, l); !s)
        return s;
    out.beginArray("worlds");
    for (const QString &w : tessaforge::parseWorldList(bytes))
        out.string(nullptr, w);
    out.end();
    out.beginArray("lines");
    for (const QByteArray &line : l.lines)
        out.text(nullptr, line);
    out.end();
    out.latin1("lineEnding", l.ending);
    out.boolean("endsWithLineEnding", l.endsWithEnding);
    return encodeWritten(tessaforge::encode, l, written);
}

QByteArray fromJson(JsonReader &in, JsonObject &o)
{
    const JsonValue endingValue = in.member(o, "lineEnding");
    const QString ending = in.string(endingValue);
    if (!in.bad() && ending != u"\r\n"_s && ending != u"\n"_s && ending != u"\r"_s)
        in.fail(endingValue, u"expected \"\\r\\n\", \"\\n\" or \"\\r\""_s);
    WorldListText l;
    l.ending = ending.toLatin1();
    l.endsWithEnding = in.flag(o, "endsWithLineEnding");
    JsonArray lines = in.array(in.member(o, "lines"), 0, kMaxLines);
    JsonValue item;
    while (in.next(lines, item))
        l.lines.append(in.ansi(item, std::numeric_limits<qsizetype>::max()));
    QByteArray out;
    if (in.bad() || !tessaforge::encode(l, out))
        return {};
    // The world list is read from the lines: a "worlds" member that says otherwise is an edit
    // that would be lost.
    if (const JsonValue worlds = in.optional(o, "worlds"); worlds.present()) {
        QStringList listed;
        JsonArray given = in.array(worlds, 0, kMaxLines);
        while (in.next(given, item))
            listed.append(in.string(item));
        const QStringList fromLines = tessaforge::parseWorldList(out);
        if (!in.bad() && listed != fromLines)
            in.fail(worlds, u"does not match the world list the lines give (%1); edit \"lines\", which the file "
                            u"is written from, or leave \"worlds\" out"_s
                                .arg(fromLines.join(u", "_s)));
    }
    return out;
}

QString summary(QByteArrayView bytes)
{
    const QStringList worlds = tessaforge::parseWorldList(bytes);
    QString out = u"world list: %1 world(s)\n"_s.arg(worlds.size());
    for (qsizetype i = 0; i < worlds.size(); ++i)
        out += u"%1. %2\n"_s.arg(i + 1).arg(worlds[i]);
    return out;
}

} // namespace

const FormatEntry kWorldsEntry = {
    .kind = Kind::Worlds,
    .members = kDocument,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
