// Writes the demo game folder: two mods with their worlds, areas and world maps, and the
// shared tilesets, enemy skins, backdrops and music, then reads every file back.
//
//   make_demo <game folder>

#include "DemoArt.h"
#include "DemoMidi.h"
#include "GifWriter.h"

#include "FileIO.h"
#include "area/oLevel.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "tileinfo/mLevelTileset.h"
#include "world/mWorldData.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <array>
#include <cstdio>

using namespace demo;
using tessaforge::LevelRecord;
using tessaforge::oLevel;
using tessaforge::oWorldMap;
using tessaforge::WorldDetails;

namespace {

QStringList g_errors;

void fail(const QString &what)
{
    g_errors.append(what);
}

bool check(const vt::Status &status, const QString &what)
{
    if (!status.ok())
        fail(what + QStringLiteral(": ") + status.error());
    return status.ok();
}

QByteArray readBack(const QString &path)
{
    QByteArray bytes;
    check(vt::readWholeFile(path, bytes), QStringLiteral("reading back ") + path);
    return bytes;
}

// Several writers keep a longer old file's tail; starting from nothing keeps the output the
// same on every run.
void removeOld(const QString &path)
{
    if (QFile::exists(path) && !QFile::remove(path))
        fail(QStringLiteral("cannot remove the old ") + path);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    check(vt::replaceFile(path, bytes), QStringLiteral("writing ") + path);
    if (readBack(path) != bytes)
        fail(QStringLiteral("read back differs: ") + path);
}

void makeFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        fail(QStringLiteral("cannot create ") + path);
}

// ---- pictures ---------------------------------------------------------------------------

void writeBmp(const QString &path, const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP")) {
        fail(QStringLiteral("cannot encode ") + path);
        return;
    }
    writeBytes(path, bytes);

    const QImage back(path);
    if (back.size() != image.size())
        fail(QStringLiteral("BMP reads back at the wrong size: ") + path);
    // bits per pixel at offset 28 of the file header: the game's pictures are 24-bit
    if (bytes.size() < 30 || quint8(bytes.at(28)) != 24 || bytes.at(29) != 0)
        fail(QStringLiteral("BMP is not 24-bit: ") + path);
}

void writeGif(const QString &path, const QImage &image)
{
    const QImage indexed = toIndexed(image);
    const QByteArray bytes = encodeGif(indexed);
    if (bytes.isEmpty()) {
        fail(QStringLiteral("cannot encode ") + path);
        return;
    }
    writeBytes(path, bytes);

    const QImage back(path, "GIF");
    if (back.size() != image.size()) {
        fail(QStringLiteral("GIF reads back at the wrong size: ") + path);
        return;
    }
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            if (back.pixel(x, y) != indexed.pixel(x, y)) {
                fail(QStringLiteral("GIF reads back with other pixels: ") + path);
                return;
            }
}

// ---- areas ------------------------------------------------------------------------------

class Area
{
public:
    Area(int columns, int rows)
    {
        if (!m_level.Resize(columns, rows))
            fail(QStringLiteral("cannot size an area"));
    }

    void put(int x, int y, TilePos t) { m_level.SetTile(x, y, t.x, t.y); }
    void row(int x0, int x1, int y, TilePos t)
    {
        for (int x = x0; x <= x1; ++x)
            put(x, y, t);
    }
    void column(int x, int y0, int y1, TilePos t)
    {
        for (int y = y0; y <= y1; ++y)
            put(x, y, t);
    }
    void fill(int x0, int y0, int x1, int y1, TilePos t)
    {
        for (int y = y0; y <= y1; ++y)
            row(x0, x1, y, t);
    }
    // A stretch of ground: grass on `top`, earth below it to the bottom row, and ends that
    // show an edge where the ground stops.
    void ground(int x0, int x1, int top)
    {
        row(x0, x1, top, tile::Top);
        if (x0 > 0)
            put(x0, top, tile::TopLeft);
        if (x1 < m_level.width())
            put(x1, top, tile::TopRight);
        fill(x0, top + 1, x1, m_level.height(), tile::Dirt);
    }
    void cloud(int x, int y)
    {
        put(x, y, tile::CloudLeft);
        put(x + 1, y, tile::CloudRight);
    }
    void pipe(int x, int top, int bottom)
    {
        put(x, top, tile::PipeTopLeft);
        put(x + 1, top, tile::PipeTopRight);
        column(x, top + 1, bottom, tile::PipeLeft);
        column(x + 1, top + 1, bottom, tile::PipeRight);
    }
    void tag(int x, int y, int value)
    {
        if (!m_level.SetTileTag(x, y, value))
            fail(QStringLiteral("tag outside the area"));
    }
    void enemy(int x, int y, int value)
    {
        if (!m_level.SetTileEnemy(x, y, value))
            fail(QStringLiteral("enemy outside the area"));
    }
    void start(int x, int y) { m_level.SetStartPos(qint16(x), qint16(y)); }
    void sideWarp(bool on) { m_level.SetSideWarp(on); }
    void time(int t) { m_level.SetTime(t); }

    void save(const QString &path) const
    {
        check(m_level.SaveToFile(path), QStringLiteral("writing ") + path);
        QByteArray expected;
        check(tessaforge::encode(m_level, expected), QStringLiteral("encoding ") + path);
        oLevel back;
        check(back.LoadFromFile(path), QStringLiteral("reading back ") + path);
        QByteArray got;
        check(tessaforge::encode(back, got), QStringLiteral("encoding ") + path);
        if (got != expected || !back.hasGrid())
            fail(QStringLiteral("area reads back differently: ") + path);
    }

private:
    oLevel m_level;
};

Area meadow()
{
    Area a(120, 15);
    a.time(300);
    a.start(2, 12);
    a.ground(0, 29, 13);
    a.ground(33, 69, 13);
    a.ground(76, 119, 13);
    a.row(70, 75, 13, tile::WaterTop);
    a.row(70, 75, 14, tile::Water);
    a.row(70, 75, 12, tile::Bridge);

    // scenery
    a.cloud(8, 3);
    a.cloud(40, 2);
    a.cloud(88, 4);
    a.put(60, 1, tile::SmallCloud);
    a.put(5, 12, tile::Bush);
    a.put(22, 12, tile::Bush);
    a.put(4, 12, tile::Sign);
    a.put(26, 12, tile::HillBack);
    a.row(58, 61, 12, tile::Fence);
    a.put(10, 12, tile::Flower);
    a.put(82, 11, tile::TreeTop);
    a.put(82, 12, tile::TreeTrunk);
    a.put(14, 13, tile::TopAlt);
    a.put(37, 13, tile::TopAlt);
    a.put(100, 14, tile::Stones);

    // blocks, with a power item and coins hidden in the ? blocks
    a.put(14, 9, tile::Question);
    a.put(15, 9, tile::Brick);
    a.put(16, 9, tile::Question);
    a.put(17, 9, tile::Brick);
    a.put(18, 9, tile::Question);
    a.put(16, 5, tile::Question);
    a.tag(14, 9, 4);
    a.tag(16, 9, 1);
    a.tag(18, 9, 1);
    a.tag(16, 5, 3);
    a.row(24, 27, 10, tile::Coin);
    a.put(36, 9, tile::SwitchA);
    a.put(38, 9, tile::SwitchB);

    // two pipes, numbered by their markers
    a.pipe(40, 11, 12);
    a.tag(40, 11, 8);
    a.pipe(55, 10, 12);
    a.tag(55, 10, 9);
    a.enemy(55, 9, 2);

    // a little hill
    a.put(46, 12, tile::SlantRight);
    a.row(47, 51, 12, tile::Top);
    a.put(52, 12, tile::SlantLeft);
    a.row(46, 52, 13, tile::Dirt);

    a.row(62, 65, 9, tile::Platform);
    a.tag(64, 8, 2);
    a.tag(60, 12, 7);

    // spring, spikes, vine, ice and falling blocks
    a.put(79, 12, tile::Bouncy);
    a.tag(79, 11, 25);
    a.row(84, 85, 12, tile::Spikes);
    a.put(90, 6, tile::VineTop);
    a.column(90, 7, 12, tile::Vine);
    a.row(92, 94, 9, tile::Ice);
    a.row(96, 97, 8, tile::Falling);

    // stairs up to the goal
    for (int i = 0; i < 5; ++i)
        a.column(100 + i, 12 - i, 12, tile::StoneBlock);
    a.row(105, 107, 8, tile::StoneBlock);
    a.fill(105, 9, 107, 12, tile::StoneBlock);
    a.put(113, 7, tile::ColumnTop);
    a.column(113, 8, 12, tile::Column);
    a.fill(116, 8, 119, 12, tile::WallBack);
    a.put(117, 12, tile::Arch);
    a.put(118, 9, tile::Window);
    a.tag(117, 12, 24);

    a.enemy(20, 12, 1);
    a.enemy(35, 12, 1);
    a.enemy(44, 12, 4);
    a.enemy(66, 12, 1);
    a.enemy(71, 8, 13);
    a.enemy(69, 8, 19);
    a.enemy(76, 8, 20);
    a.enemy(72, 14, 15);
    a.enemy(93, 8, 6);
    a.enemy(98, 5, 24);
    a.enemy(110, 12, 5);
    return a;
}

Area tunnel()
{
    Area a(80, 15);
    a.time(250);
    a.start(2, 12);
    a.fill(0, 0, 79, 14, tile::Sky);  // the cave's dark rock behind everything
    a.fill(0, 0, 79, 1, tile::Dirt);
    a.row(0, 79, 1, tile::Stones);
    a.ground(0, 19, 13);
    a.row(20, 23, 13, tile::LavaTop);
    a.row(20, 23, 14, tile::Lava);
    a.ground(24, 49, 13);
    a.row(50, 56, 11, tile::WaterTop);
    a.fill(50, 12, 56, 14, tile::Water);
    a.ground(57, 79, 13);
    a.ground(57, 79, 11);

    for (int x : {6, 18, 33, 47, 64})
        a.cloud(x, 2);  // stalactites in this tileset
    for (int x : {9, 27, 41, 61, 70})
        a.put(x, x > 57 ? 10 : 12, tile::Bush);  // crystal clusters
    a.put(30, 12, tile::Torch);
    a.put(44, 12, tile::Torch);
    a.put(15, 12, tile::Rock);

    a.row(10, 16, 8, tile::Brick);
    a.put(12, 8, tile::Question);
    a.put(14, 8, tile::Question);
    a.tag(12, 8, 1);
    a.tag(14, 8, 5);
    a.row(21, 22, 9, tile::Platform);
    a.row(28, 31, 9, tile::Coin);
    a.row(36, 38, 10, tile::Falling);
    a.fill(45, 2, 46, 3, tile::StoneBlock);

    a.pipe(76, 9, 10);
    a.tag(76, 9, 8);

    a.enemy(15, 12, 3);
    a.enemy(40, 12, 3);
    a.enemy(30, 6, 8);
    a.enemy(22, 12, 10);
    a.enemy(60, 10, 12);
    a.enemy(45, 4, 11);
    a.enemy(45, 5, 18);
    a.enemy(45, 11, 17);
    a.enemy(53, 13, 16);
    a.enemy(67, 10, 7);
    return a;
}

Area bonus()
{
    Area a(20, 15);
    a.time(100);
    a.start(2, 12);
    a.sideWarp(true);
    a.ground(0, 19, 13);
    a.fill(4, 4, 15, 9, tile::Coin);
    a.pipe(16, 11, 12);
    a.tag(16, 11, 9);
    a.put(8, 12, tile::Tuft);
    return a;
}

Area spare()
{
    Area a(10, 15);
    a.start(1, 12);
    a.ground(0, 9, 13);
    a.put(5, 9, tile::Question);
    return a;
}

Area cavern()
{
    Area a(60, 15);
    a.time(300);
    a.start(1, 12);
    a.fill(0, 0, 59, 14, tile::Sky);
    a.fill(0, 0, 59, 0, tile::Dirt);
    a.ground(0, 24, 13);
    a.ground(28, 59, 13);
    a.row(25, 27, 13, tile::LavaTop);
    a.row(25, 27, 14, tile::Lava);
    for (int x : {5, 14, 33, 45, 52})
        a.put(x, 12, tile::Bush);
    a.cloud(20, 1);
    a.cloud(40, 1);
    a.row(8, 11, 9, tile::Ice);
    a.row(25, 27, 10, tile::Platform);
    a.row(30, 33, 8, tile::Brick);
    a.put(31, 8, tile::Question);
    a.tag(31, 8, 6);
    a.put(56, 7, tile::ColumnTop);
    a.column(56, 8, 12, tile::Column);
    a.enemy(12, 12, 7);
    a.enemy(20, 8, 8);
    a.enemy(26, 12, 30);
    a.enemy(40, 12, 23);
    a.enemy(50, 10, 33);
    return a;
}

Area lesson()
{
    Area a(30, 15);
    a.start(2, 12);
    a.ground(0, 29, 13);
    a.put(4, 12, tile::Sign);
    a.row(10, 12, 9, tile::Brick);
    a.put(11, 9, tile::Question);
    a.tag(11, 9, 1);
    a.row(18, 20, 10, tile::Coin);
    a.enemy(16, 12, 1);
    a.put(27, 12, tile::Flower);
    return a;
}

// ---- world details ----------------------------------------------------------------------

LevelRecord level(const char *name, const char *area, const char *tileset, const char *backdrop,
                  const char *skin, const char *music, int time)
{
    LevelRecord r;
    r.sName = name;
    r.sAreaFile = area;
    r.sTileset = tileset;
    r.sBackdrop = backdrop;
    r.sEnemySkin = skin;
    r.sMusic = music;
    r.iTime = qint16(time);
    return r;
}

void setSpecialTiles(LevelRecord &r)
{
    r.SpecialTiles[0] = {qint16(tile::SwitchA.x), qint16(tile::SwitchA.y)};
    r.SpecialTiles[1] = {qint16(tile::SwitchB.x), qint16(tile::SwitchB.y)};
    r.SpecialTiles[2] = {qint16(tile::Vine.x), qint16(tile::Vine.y)};
}

void saveWorld(const WorldDetails &world, const QString &folder)
{
    const QString path = folder + QStringLiteral("/Worldata.qzw");
    removeOld(path);
    check(tessaforge::mWorldData::SaveWorldData(world, path), QStringLiteral("writing ") + path);
    WorldDetails back;
    check(tessaforge::mWorldData::LoadWorldData(back, path), QStringLiteral("reading ") + path);
    if (!(back == world))
        fail(QStringLiteral("world details read back differently: ") + path);
}

WorldDetails grasslandDetails()
{
    WorldDetails w;
    w.sWorldName = "Green Hills";
    LevelRecord meadowRun =
        level("Meadow Run", "Meadow", "Grass", "Hills.bmp", "Standard", "Overworld", 300);
    setSpecialTiles(meadowRun);
    meadowRun.Pipes[0] = {2, 1, 0};
    meadowRun.Pipes[1] = {3, 1, 0};

    LevelRecord underground =
        level("Underground", "Tunnel", "Cave", "Sunset.gif", "Night", "Castle", 250);
    underground.bScrollMode = 1;
    underground.iScrollSpeed = 2;
    setSpecialTiles(underground);
    underground.Pipes[0] = {1, 3, 1};
    underground.Pipes[1] = {1, 4, 1};

    LevelRecord bonusRoom =
        level("Bonus Room", "Bonus", "Grass", "Hills.bmp", "Standard", "Overworld", 100);
    bonusRoom.Pipes[0] = {1, 2, 1};

    w.Levels = {meadowRun, underground, bonusRoom};
    return w;
}

WorldDetails crystalDetails()
{
    WorldDetails w;
    w.sWorldName = "Crystal Caves";
    LevelRecord hall =
        level("Shimmer Hall", "Cavern", "Cave", "Sunset.gif", "Night", "Castle", 300);
    setSpecialTiles(hall);
    LevelRecord climb = level("Crystal Climb", "Cavern", "Cave", "Hills.bmp", "Night", "Castle", 200);
    climb.bScrollMode = 2;
    climb.iScrollSpeed = 1;
    w.Levels = {hall, climb};
    return w;
}

WorldDetails basicsDetails()
{
    WorldDetails w;
    w.sWorldName = "Basics";
    w.Levels = {level("First Steps", "Lesson", "Grass", "Hills.bmp", "Standard", "Overworld", 400)};
    return w;
}

// ---- world map --------------------------------------------------------------------------

struct NodePlan
{
    int x, y;
    quint8 tag;
    quint8 image;
    bool passThru = false;
    quint8 entry = 0;
    quint8 exitWorld = 0;
};

// Grassland's map: levels 1 and 2, a bend, a pipe, the save house, the castle of level 3
// and a warp star to the second world.
const std::array<NodePlan, 7> kNodes = {{
    {110, 380, 41, 1},
    {250, 380, 42, 1},
    {250, 260, 0, 0, true},
    {380, 260, 1, 3, false, 2},
    {380, 140, 111, 4},
    {520, 140, 43, 2},
    {520, 300, 21, 5, false, 0, 2},
}};

// Each road, walked both ways: (from, direction, to); nodes numbered from 1.
enum Dir { Left, Right, Up, Down };
struct Road
{
    int from;
    Dir dir;
    int to;
};
const std::array<Road, 6> kRoads = {{
    {1, Right, 2},
    {2, Up, 3},
    {3, Right, 4},
    {4, Up, 5},
    {5, Right, 6},
    {6, Down, 7},
}};

void link(oWorldMap &map, int from, Dir dir, int to)
{
    const quint8 n = quint8(to);
    switch (dir) {
    case Left: map.setLeftNode(from, n); break;
    case Right: map.setRightNode(from, n); break;
    case Up: map.setUpNode(from, n); break;
    case Down: map.setDownNode(from, n); break;
    }
}

Dir opposite(Dir d)
{
    switch (d) {
    case Left: return Right;
    case Right: return Left;
    case Up: return Down;
    case Down: return Up;
    }
    return Left;
}

void writeWorldMap(const QString &folder)
{
    oWorldMap map;
    for (std::size_t i = 0; i < kNodes.size(); ++i) {
        const NodePlan &n = kNodes[i];
        const int id = static_cast<int>(i) + 1;
        if (id > 1 && !map.AddNode(qint16(n.x), qint16(n.y), false))
            fail(QStringLiteral("cannot add a map node"));
        map.moveNode(id, qint16(n.x), qint16(n.y));
        map.setNodeTag(id, n.tag);
        map.setNodeImage(id, n.image);
        map.setPassThru(id, n.passThru);
        map.setEntryPointValue(id, n.entry);
        map.warpSetExitWorld(id, n.exitWorld);
    }
    QList<QLine> paths;
    for (const Road &r : kRoads) {
        link(map, r.from, r.dir, r.to);
        link(map, r.to, opposite(r.dir), r.from);
        const NodePlan &a = kNodes[std::size_t(r.from - 1)];
        const NodePlan &b = kNodes[std::size_t(r.to - 1)];
        paths.append(QLine(a.x, a.y, b.x, b.y));
    }

    const QString path = folder + QStringLiteral("/Worldmap.qzm");
    removeOld(path);
    check(map.saveMap(path), QStringLiteral("writing ") + path);
    oWorldMap back;
    check(back.loadMap(path), QStringLiteral("reading ") + path);
    QByteArray want, got;
    check(tessaforge::encode(map, want), QStringLiteral("encoding the map"));
    check(tessaforge::encode(back, got), QStringLiteral("encoding the map"));
    if (want != got || back.nodeCount() != int(kNodes.size()))
        fail(QStringLiteral("map reads back differently: ") + path);

    writeGif(folder + QStringLiteral("/Worldmap.gif"), drawWorldMap(paths));
    writeBmp(folder + QStringLiteral("/MapObjects.bmp"), drawMapObjects());
}

// ---- shared resources -------------------------------------------------------------------

void writeTileset(const QString &folder, const QString &name, Theme theme)
{
    const QImage picture = drawTileset(theme);
    writeBmp(folder + QLatin1Char('/') + name + QStringLiteral(".bmp"), picture);

    tilemarrow::TileInfo info;
    info.resize(quint8(kTileCols - 1), quint8(kTileRows - 1));
    for (int x = 0; x < kTileCols; ++x)
        for (int y = 0; y < kTileRows; ++y)
            info.setTile(x, y, tileValue({x, y}));
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".qzt");
    removeOld(path);
    check(tilemarrow::mLevelTileset::WriteTileInfo(info, path), QStringLiteral("writing ") + path);
    tilemarrow::TileInfo back;
    check(tilemarrow::mLevelTileset::ReadTileInfo(back, path), QStringLiteral("reading ") + path);
    if (!(back == info))
        fail(QStringLiteral("tile information reads back differently: ") + path);
}

// One graphic per enemy type, in the skin file's field order.
struct EnemyGraphic
{
    const char *file;
    int figure;  // enemy picture of the tag sheet
    int frames;
    int scale;
};
const std::array<EnemyGraphic, skinloft::kEnemyTypeCount> kGraphics = {{
    {"trudgel.bmp", 1, 2, 2},
    {"gnasher.bmp", 2, 2, 2},
    {"hardback.bmp", 3, 2, 2},
    {"shellback_green.bmp", 4, 2, 2},
    {"shellback_red.bmp", 5, 2, 2},
    {"penguin.bmp", 6, 2, 2},
    {"prickler.bmp", 7, 1, 2},
    {"wisp.bmp", 8, 2, 2},
    {"orbitflame.bmp", 9, 1, 2},
    {"spark.bmp", 10, 1, 2},
    {"crushstone.bmp", 11, 1, 2},
    {"rattlebones.bmp", 12, 2, 2},
    {"platform.bmp", 13, 1, 2},
    {"quakebutton.bmp", 14, 1, 2},
    {"finfish_fast.bmp", 15, 2, 2},
    {"finfish_slow.bmp", 16, 2, 2},
    {"risinglava.bmp", 30, 2, 2},
    {"stacky.bmp", 23, 1, 2},
    {"wings.bmp", 24, 2, 2},
    {"bouncer.bmp", 25, 2, 2},
    {"cannonshell.bmp", 26, 1, 2},
    {"fusewalker.bmp", 27, 2, 2},
    {"trudgelking.bmp", 33, 1, 4},
    {"crawlipede.bmp", 28, 2, 2},
    {"quakeblock.bmp", 29, 1, 2},
}};

// The night skin swaps a few graphics for darker ones and leaves the boss and the last two
// types unassigned. One name is stored in other letter case than the file, as skins made on
// Windows often are; the skin editor matches it all the same.
const std::array<const char *, skinloft::kEnemyTypeCount> kNightFiles = {{
    "Trudgel_Night.BMP", "gnasher.bmp", "hardback_night.bmp", "shellback_green.bmp",
    "shellback_red.bmp", "penguin.bmp", "prickler.bmp", "wisp_night.bmp", "orbitflame.bmp",
    "spark.bmp", "crushstone.bmp", "rattlebones_night.bmp", "platform.bmp", "quakebutton.bmp",
    "finfish_fast.bmp", "finfish_slow.bmp", "risinglava.bmp", "stacky.bmp", "wings.bmp",
    "bouncer.bmp", "cannonshell.bmp", "fusewalker.bmp", "", "", "",
}};

void writeSkin(const QString &path, const skinloft::EnemySkin &skin)
{
    removeOld(path);
    check(skinloft::mEnemySkinFile::SaveEnemySkin(skin, path), QStringLiteral("writing ") + path);
    skinloft::EnemySkin back;
    check(skinloft::mEnemySkinFile::LoadEnemySkin(back, path), QStringLiteral("reading ") + path);
    if (!(back == skin))
        fail(QStringLiteral("skin reads back differently: ") + path);
}

void writeEnemies(const QString &game)
{
    const QString folder = game + QStringLiteral("/Data/Enemies");
    makeFolder(folder);
    skinloft::EnemySkin standard;
    skinloft::EnemySkin night;
    for (std::size_t i = 0; i < kGraphics.size(); ++i) {
        const EnemyGraphic &g = kGraphics[i];
        standard.Fields[i] = g.file;
        night.Fields[i] = kNightFiles[i];
        writeBmp(game + QLatin1Char('/') + QLatin1String(g.file),
                 drawEnemyGraphic(g.figure, g.frames, g.scale, Daylight::Day));
        const QByteArray nightFile = QByteArray(kNightFiles[i]).toLower();
        if (nightFile.contains("_night"))
            writeBmp(game + QLatin1Char('/') + QString::fromLatin1(nightFile),
                     drawEnemyGraphic(g.figure, g.frames, g.scale, Daylight::Night));
    }
    writeSkin(folder + QStringLiteral("/Standard.qze"), standard);
    writeSkin(folder + QStringLiteral("/Night.qze"), night);
}

void writeMidi(const QString &path, const QByteArray &bytes)
{
    // A reader walks MThd, then the one MTrk whose length must match what follows.
    const bool wellFormed = bytes.size() > 22 && bytes.startsWith("MThd")
        && bytes.mid(14, 4) == "MTrk" && bytes.endsWith(QByteArray::fromHex("ff2f00"));
    const auto at = [&](int i) { return wellFormed ? quint32(quint8(bytes.at(i))) : 0u; };
    const quint32 trackLength = at(18) << 24 | at(19) << 16 | at(20) << 8 | at(21);
    if (!wellFormed || trackLength + 22 != quint32(bytes.size()))
        fail(QStringLiteral("malformed music: ") + path);
    writeBytes(path, bytes);
}

void writeData(const QString &game)
{
    const QString tilesets = game + QStringLiteral("/Data/Tilesets");
    makeFolder(tilesets);
    writeTileset(tilesets, QStringLiteral("Grass"), Theme::Grass);
    writeTileset(tilesets, QStringLiteral("Cave"), Theme::Cave);
    // The tile type editor opens this picture at start: both tilesets side by side, wider
    // and taller than its view, so that both of its scroll bars have somewhere to go.
    {
        const QImage grass = drawTileset(Theme::Grass);
        const QImage cave = drawTileset(Theme::Cave);
        QImage both(grass.width() + cave.width(), grass.height() + kTile, QImage::Format_RGB32);
        both.fill(qRgb(96, 160, 224));
        QPainter painter(&both);
        painter.drawImage(0, 0, grass);
        painter.drawImage(grass.width(), 0, cave);
        painter.end();
        writeBmp(game + QStringLiteral("/tiledata.bmp"), both);
    }

    writeEnemies(game);

    const QString backdrops = game + QStringLiteral("/Data/Backdrops");
    makeFolder(backdrops);
    writeBmp(backdrops + QStringLiteral("/Hills.bmp"), drawHillsBackdrop());
    writeGif(backdrops + QStringLiteral("/Sunset.gif"), drawSunsetBackdrop());

    const QString music = game + QStringLiteral("/Data/Music");
    makeFolder(music);
    writeMidi(music + QStringLiteral("/Overworld.mid"), overworldTune());
    writeMidi(music + QStringLiteral("/Castle.mid"), castleTune());
}

// ---- mods -------------------------------------------------------------------------------

void writeMods(const QString &game)
{
    const QString demoMod = game + QStringLiteral("/Mods/Demo Mod");
    makeFolder(demoMod);
    writeBytes(demoMod + QStringLiteral("/Worlds.inf"),
               "Grassland\r\nCrystal Caves\r\nLava Land\r\n.\r\n"
               "notes: Lava Land is created when first opened\r\n");
    // Lava Land shows how a listed world without a folder is created on first opening.
    // Only an empty folder is removed: one that holds work is left alone.
    const QString lavaLand = demoMod + QStringLiteral("/Lava Land");
    if (QFileInfo::exists(lavaLand))
        QDir(demoMod).rmdir(QStringLiteral("Lava Land"));

    const QString grassland = demoMod + QStringLiteral("/Grassland");
    makeFolder(grassland);
    saveWorld(grasslandDetails(), grassland);
    meadow().save(grassland + QStringLiteral("/Meadow.qzl"));
    tunnel().save(grassland + QStringLiteral("/Tunnel.qzl"));
    bonus().save(grassland + QStringLiteral("/Bonus.qzl"));
    spare().save(grassland + QStringLiteral("/Spare.old.qzl"));
    writeWorldMap(grassland);

    const QString crystal = demoMod + QStringLiteral("/Crystal Caves");
    makeFolder(crystal);
    saveWorld(crystalDetails(), crystal);
    cavern().save(crystal + QStringLiteral("/Cavern.qzl"));

    const QString tutorial = game + QStringLiteral("/Mods/Tutorial");
    makeFolder(tutorial + QStringLiteral("/Basics"));
    writeBytes(tutorial + QStringLiteral("/Worlds.inf"), "Basics\r\n.\r\n");
    saveWorld(basicsDetails(), tutorial + QStringLiteral("/Basics"));
    lesson().save(tutorial + QStringLiteral("/Basics/Lesson.qzl"));
}

} // namespace

int main(int argc, char **argv)
{
    // Drawing needs no screen; run the same on a build machine without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo <game folder>\n");
        return 2;
    }
    const QString game = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    makeFolder(game);
    writeData(game);
    writeMods(game);
    if (QFileInfo::exists(game + QStringLiteral("/Mods/Demo Mod/Lava Land")))
        std::fprintf(stderr, "make_demo: Mods/Demo Mod/Lava Land holds files and was kept; "
                             "remove it to see the world created on first opening\n");

    for (const QString &e : g_errors)
        std::fprintf(stderr, "make_demo: %s\n", qPrintable(e));
    return g_errors.isEmpty() ? 0 : 1;
}
