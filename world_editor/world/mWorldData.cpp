#include "mWorldData.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileFormat.h"
#include "FileIO.h"

namespace tessaforge::mWorldData {

namespace {

// A record is 93 bytes plus its six texts: the least any record can take in a file.
constexpr qsizetype kMinRecordSize = 93;

// Far above any world the editor writes (a record is about a hundred bytes plus its
// names), and small enough to read into memory at once.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

constexpr std::array kTextNames = {"name", "area file", "backdrop", "enemy skin", "music", "tileset"};

std::array<QByteArray LevelRecord::*, 6> textFields()
{
    return {&LevelRecord::sName, &LevelRecord::sAreaFile, &LevelRecord::sBackdrop,
            &LevelRecord::sEnemySkin, &LevelRecord::sMusic, &LevelRecord::sTileset};
}

LevelRecord newLevel(const QByteArray &name)
{
    LevelRecord level;
    level.sName = name;
    return level;
}

bool readRecord(vt::BinaryReader &r, LevelRecord &level)
{
    for (QByteArray LevelRecord::*field : textFields())
        level.*field = r.text16();
    level.iTime = r.i16();
    level.bScrollMode = r.u8();
    level.iScrollSpeed = r.i16();
    for (SpecialTile &tile : level.SpecialTiles) {
        tile.iTileX = r.i16();
        tile.iTileY = r.i16();
    }
    for (PipeEntry &pipe : level.Pipes) {
        pipe.iDestLevel = r.i16();
        pipe.bPipeID = r.u8();
        pipe.bExitStyle = r.u8();
    }
    return r.ok();
}

} // namespace

const vt::FileFormat kWorldFormat = {
    .name = "world",
    .extension = "qzw",
    .maxSize = kMaxFileSize,
    .reading = vt::FileFormat::Reading::Whole,
    // Written over in place, the file was never shortened; every reader ignores the tail.
    .saveTail = vt::OldTail::Keep,
    .shortFile = "a file that ends inside its header or a level record: refused",
};

void NewWorldData(WorldDetails &world)
{
    world.sWorldName = QByteArrayLiteral("New World");
    world.Levels.assign(1, newLevel(QByteArrayLiteral("[NEW]")));
}

void AddLevel(WorldDetails &world, const QByteArray &name)
{
    world.Levels.push_back(newLevel(name));
}

void RemoveLastLevel(WorldDetails &world)
{
    if (world.Levels.size() > 1)
        world.Levels.pop_back();
}

vt::Status encode(const WorldDetails &world, QByteArray &out)
{
    auto fail = [](const QString &message) { return vt::Status::failure(message); };
    vt::BinaryWriter w(qsizetype(16 + world.Levels.size() * (kMinRecordSize + 32)));
    if (!w.text16(world.sWorldName))
        return fail(QStringLiteral("The world name is too long to be saved."));
    w.i16(1);  // Levels is a one-dimensional array
    w.i32(static_cast<qint32>(world.Levels.size()));
    w.i32(0);  // lower index bound
    for (std::size_t i = 0; i < world.Levels.size(); ++i) {
        const LevelRecord &level = world.Levels[i];
        const auto fields = textFields();
        for (std::size_t f = 0; f < fields.size(); ++f) {
            if (!w.text16(level.*fields[f]))
                return fail(QStringLiteral("The %1 of level %2 is too long to be saved.")
                                .arg(QLatin1String(kTextNames[f]))
                                .arg(i + 1));
        }
        w.i16(level.iTime);
        w.u8(level.bScrollMode);
        w.i16(level.iScrollSpeed);
        for (const SpecialTile &tile : level.SpecialTiles) {
            w.i16(tile.iTileX);
            w.i16(tile.iTileY);
        }
        for (const PipeEntry &pipe : level.Pipes) {
            w.i16(pipe.iDestLevel);
            w.u8(pipe.bPipeID);
            w.u8(pipe.bExitStyle);
        }
    }
    // A file the readers would refuse is not written at all.
    if (w.data().size() > kMaxFileSize)
        return fail(QStringLiteral("The world details would take %1 bytes, more than the %2 a world "
                                   "details file may hold.")
                        .arg(w.data().size())
                        .arg(kMaxFileSize));
    out = w.take();
    return vt::Status::success();
}

vt::Status decode(QByteArrayView bytes, WorldDetails &world)
{
    vt::BinaryReader r(bytes);
    WorldDetails loaded;
    loaded.sWorldName = r.text16();
    const qint16 dimensions = r.i16();
    const qint32 count = r.i32();
    r.i32();  // lower index bound: levels are numbered from 0 in memory whatever it says
    if (!r.ok())
        return vt::Status::failure(QStringLiteral("The world details file is truncated."));
    if (dimensions != 1)
        return vt::Status::failure(
            QStringLiteral("The world details file is damaged (level table of %1 dimensions).")
                .arg(dimensions));
    if (count < 1 || count > r.remaining() / kMinRecordSize)
        return vt::Status::failure(
            QStringLiteral("The world details file is damaged (it claims %1 levels).").arg(count));
    loaded.Levels.resize(static_cast<std::size_t>(count));
    for (qint32 i = 0; i < count; ++i) {
        if (!readRecord(r, loaded.Levels[static_cast<std::size_t>(i)]))
            return vt::Status::failure(
                QStringLiteral("The world details file is truncated in level %1.").arg(i + 1));
    }
    world = std::move(loaded);
    return vt::Status::success();
}

vt::Status SaveWorldData(const WorldDetails &world, const QString &path, const QString &confineTo)
{
    return vt::saveFile(kWorldFormat, encode, world, path, confineTo);
}

vt::Status LoadWorldData(WorldDetails &world, const QString &path)
{
    return vt::loadFile(kWorldFormat, decode, path, world);
}

} // namespace tessaforge::mWorldData
