#pragma once

#include "FileFormat.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <vector>

namespace tessaforge {

struct SpecialTile
{
    qint16 iTileX = 0;
    qint16 iTileY = 0;
    bool operator==(const SpecialTile &) const = default;
};

struct PipeEntry
{
    qint16 iDestLevel = 0;
    quint8 bPipeID = 0;
    quint8 bExitStyle = 0;
    bool operator==(const PipeEntry &) const = default;
};

// One level of a world. Texts are windows-1252 bytes as the file holds them.
struct LevelRecord
{
    static constexpr int kSpecialTiles = 3;  // switch A, switch B, vine
    static constexpr int kPipes = 16;        // Pipes[0] is pipe 1

    QByteArray sName;
    QByteArray sAreaFile;
    QByteArray sBackdrop;
    QByteArray sEnemySkin;
    QByteArray sMusic;
    QByteArray sTileset;
    qint16 iTime = 200;
    quint8 bScrollMode = 0;
    qint16 iScrollSpeed = 0;
    std::array<SpecialTile, kSpecialTiles> SpecialTiles{};
    std::array<PipeEntry, kPipes> Pipes{};

    bool operator==(const LevelRecord &) const = default;
};

struct WorldDetails
{
    QByteArray sWorldName;
    std::vector<LevelRecord> Levels;

    bool operator==(const WorldDetails &) const = default;
};

namespace mWorldData {

// New details: "New World" with one level "[NEW]".
void NewWorldData(WorldDetails &world);
void AddLevel(WorldDetails &world, const QByteArray &name);
// Never removes the only level.
void RemoveLastLevel(WorldDetails &world);

// The world details file: the name, then a table of level records.
extern const vt::FileFormat kWorldFormat;

// Refused, out unchanged, when a text is too long for its length prefix or the file would be
// larger than the readers take.
vt::Status encode(const WorldDetails &world, QByteArray &out);
vt::Status decode(QByteArrayView bytes, WorldDetails &world);  // all or nothing

// The save writes in one atomic step; like an in-place write it keeps a longer old file's
// tail, which every reader ignores. A failure leaves the old file as it was. With confineTo
// set, the write may not land outside that folder (a link leading out is refused).
vt::Status SaveWorldData(const WorldDetails &world, const QString &path,
                         const QString &confineTo = QString());
// All or nothing: on failure the details are left as they were.
vt::Status LoadWorldData(WorldDetails &world, const QString &path);

} // namespace mWorldData

} // namespace tessaforge
