// A world details file as JSON: the world's name and its levels (JSON.md).
#include "FormatTable.h"

#include "AnsiText.h"
#include "world/mWorldData.h"

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using tessaforge::LevelRecord;
using tessaforge::WorldDetails;

const JsonName kDocument[] = {"format", "name", "levels", "asStored"};
const JsonName kLevel[] = {"name", "areaFile", "backdrop", "enemySkin", "music", "tileset",
                              "time", "scrollMode", "scrollSpeed", "specialTiles", "pipes"};
const JsonName kPipe[] = {"destLevel", "pipeID", "exitStyle"};
const JsonReader::Range kPipeRanges[] = {{-32768, 32767}, {0, 255}, {0, 255}};
constexpr JsonWriter::Key kPipeKeys[] = {"destLevel", "pipeID", "exitStyle"};

constexpr qsizetype kMaxText = 32767;
// Far more levels than a 16 MiB file can hold; the file's own cap refuses sooner.
constexpr qint64 kMaxLevels = 1 << 20;

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    WorldDetails w;
    if (vt::Status s = tessaforge::mWorldData::decode(bytes, w); !s)
        return s;
    // A level is always wider than a line (its sixteen pipes alone are); a pipe and the
    // special tiles, a few small numbers, always fit on one.
    using Layout = JsonWriter::Layout;
    out.text("name", w.sWorldName);
    out.beginArray("levels", Layout::Lines);
    for (const LevelRecord &l : w.Levels) {
        out.beginObject(nullptr, Layout::Lines);
        out.text("name", l.sName);
        out.text("areaFile", l.sAreaFile);
        out.text("backdrop", l.sBackdrop);
        out.text("enemySkin", l.sEnemySkin);
        out.text("music", l.sMusic);
        out.text("tileset", l.sTileset);
        out.number("time", l.iTime);
        out.number("scrollMode", l.bScrollMode);
        out.number("scrollSpeed", l.iScrollSpeed);
        out.beginArray("specialTiles", Layout::OneLine);
        for (const auto &t : l.SpecialTiles)
            writePair(out, nullptr, t.iTileX, t.iTileY);
        out.end();
        out.beginArray("pipes", Layout::Lines);
        for (const auto &p : l.Pipes) {
            const qint64 values[] = {p.iDestLevel, p.bPipeID, p.bExitStyle};
            out.numbers(nullptr, kPipeKeys, values);
        }
        out.end();
        out.end();
    }
    out.end();
    return encodeWritten(tessaforge::mWorldData::encode, w, written);
}

void readLevel(JsonReader &in, const JsonValue &v, LevelRecord &l)
{
    JsonObject r = in.object(v, kLevel);
    l.sName = in.ansi(r, "name", kMaxText);
    l.sAreaFile = in.ansi(r, "areaFile", kMaxText);
    l.sBackdrop = in.ansi(r, "backdrop", kMaxText);
    l.sEnemySkin = in.ansi(r, "enemySkin", kMaxText);
    l.sMusic = in.ansi(r, "music", kMaxText);
    l.sTileset = in.ansi(r, "tileset", kMaxText);
    l.iTime = qint16(in.number(r, "time", -32768, 32767));
    l.bScrollMode = quint8(in.number(r, "scrollMode", 0, 255));
    l.iScrollSpeed = qint16(in.number(r, "scrollSpeed", -32768, 32767));
    JsonArray special = in.array(in.member(r, "specialTiles"), LevelRecord::kSpecialTiles, LevelRecord::kSpecialTiles);
    JsonValue item;
    while (in.next(special, item)) {
        const auto [x, y] = in.pair(item, -32768, 32767);
        l.SpecialTiles[std::size_t(item.path.index)] = {qint16(x), qint16(y)};
    }
    // Pipes as to-json writes them are read at a glance; any other spelling value by value.
    const JsonValue pipesValue = in.member(r, "pipes");
    qint64 values[LevelRecord::kPipes * 3];
    if (in.arrayOfWholeNumbers(pipesValue, LevelRecord::kPipes, kPipe, kPipeRanges, values)) {
        for (std::size_t k = 0; k < LevelRecord::kPipes; ++k)
            l.Pipes[k] = {qint16(values[3 * k]), quint8(values[3 * k + 1]), quint8(values[3 * k + 2])};
        in.done(r);
        return;
    }
    JsonArray pipes = in.array(pipesValue, LevelRecord::kPipes, LevelRecord::kPipes);
    while (in.next(pipes, item)) {
        auto &pipe = l.Pipes[std::size_t(item.path.index)];
        JsonObject e = in.object(item, kPipe);
        pipe.iDestLevel = qint16(in.number(e, "destLevel", -32768, 32767));
        pipe.bPipeID = quint8(in.number(e, "pipeID", 0, 255));
        pipe.bExitStyle = quint8(in.number(e, "exitStyle", 0, 255));
        in.done(e);
    }
    in.done(r);
}

QByteArray fromJson(JsonReader &in, JsonObject &o)
{
    WorldDetails w;
    w.sWorldName = in.ansi(o, "name", kMaxText);
    JsonArray levels = in.array(in.member(o, "levels"), 1, kMaxLevels);
    JsonValue item;
    while (in.next(levels, item)) {
        w.Levels.emplace_back();
        readLevel(in, item, w.Levels.back());
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status s = tessaforge::mWorldData::encode(w, out); !s)
        in.fail(o, s.error());
    return out;
}

QString summary(QByteArrayView bytes)
{
    WorldDetails w;
    (void)tessaforge::mWorldData::decode(bytes, w);
    QString out = u"world: \"%1\", %2 level(s)\n"_s.arg(vt::fromAnsi(w.sWorldName)).arg(w.Levels.size());
    int n = 0;
    for (const LevelRecord &l : w.Levels) {
        out += u"%1. \"%2\": area %3, tileset %4, skin %5, backdrop %6, music %7, time %8\n"_s.arg(++n)
                   .arg(vt::fromAnsi(l.sName), vt::fromAnsi(l.sAreaFile), vt::fromAnsi(l.sTileset),
                        vt::fromAnsi(l.sEnemySkin), vt::fromAnsi(l.sBackdrop), vt::fromAnsi(l.sMusic))
                   .arg(l.iTime);
    }
    return out;
}

} // namespace

const FormatEntry kWorldEntry = {
    .kind = Kind::World,
    .members = kDocument,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
