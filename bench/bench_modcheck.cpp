// check --mod in the process, beside its floor measured in the same run: reading every file
// the check looks at once, raw. The mod is generated: 20 worlds of 70 levels, each level with
// an area of 200 x 30 cells, a tileset with its tile information, an enemy skin whose pictures
// lie beside the programs, a backdrop and music; each world with its map and pictures. A
// second case lists those worlds a million times over in Worlds.inf: each folder is still
// checked once, so the list costs little more than its reading and parsing.
#include "GeneratedFiles.h"
#include "RecordingReporter.h"

#include "FileIO.h"
#include "GifWriter.h"
#include "ModCheck.h"
#include "area/oLevel.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "tileinfo/mLevelTileset.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

using namespace bench;

constexpr int kWorlds = 20, kLevels = 70, kColumns = 200, kRows = 30;
constexpr int kTilesets = 4, kTileColumns = 16, kTileRows = 8, kSkins = 3, kPictures = 30;

void ensure(const vt::Status &s, const QString &what)
{
    if (!s)
        die(what + u": "_s + s.error());
}

// Blocks of a few colours: a GIF of them needs no colour search.
void writePicture(const QString &path, int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x / 8 * 40 + seed) & 0xE0, (y / 8 * 24) & 0xE0, ((x ^ y) / 16 * 64) & 0xC0));
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (path.endsWith(u".gif"_s))
        writeBytes(path, demo::encodeGif(demo::toIndexed(image)));
    else if (!image.save(path, "BMP"))
        die(u"cannot write "_s + path);
}

QByteArray areaBytes(int seed)
{
    tessaforge::oLevel area = sceneryArea(kColumns, kRows, seed);
    area.SetStartPos(2, kRows - 4);
    return encoded(area);
}

QString levelName(int i) { return u"Area%1"_s.arg(i + 1, 2, 10, QChar(u'0')); }

void writeWorld(const QString &folder, int w)
{
    tessaforge::WorldDetails details;
    details.sWorldName = "World " + QByteArray::number(w + 1);
    for (int i = 0; i < kLevels; ++i) {
        tessaforge::LevelRecord l;
        l.sName = "Level " + QByteArray::number(i + 1);
        l.sAreaFile = levelName(i).toLatin1();
        l.sTileset = "Tiles" + QByteArray::number((w + i) % kTilesets);
        l.sEnemySkin = "Skin" + QByteArray::number(i % kSkins);
        l.sBackdrop = i % 2 ? "Sky.gif" : "Hills.bmp";
        l.sMusic = "Tune" + QByteArray::number(i % 2);
        l.iTime = 300;
        l.Pipes[0].bPipeID = quint8(i % 20 + 1);
        l.Pipes[0].iDestLevel = qint16((i + 1) % kLevels + 1);
        details.Levels.push_back(l);
    }
    QByteArray bytes;
    ensure(tessaforge::mWorldData::encode(details, bytes), u"world details"_s);
    writeBytes(folder + u"/Worldata.qzw"_s, bytes);
    for (int i = 0; i < kLevels; ++i)
        writeBytes(folder + u'/' + levelName(i) + u".qzl"_s, areaBytes(w * kLevels + i));

    tessaforge::oWorldMap map;
    for (int i = 0; i < kLevels; ++i) {
        const int id = i + 1;
        if (id > 1 && !map.AddNode(qint16(40 + (i % 10) * 60), qint16(40 + (i / 10) * 60), false))
            die(u"cannot add a map node"_s);
        map.setNodeTag(id, quint8(41 + i));
        map.setNodeImage(id, quint8(i % 8 + 1));
        map.setRightNode(id, quint8(id < kLevels ? id + 1 : 0));
        map.setLeftNode(id, quint8(id - 1));
    }
    QByteArray mapBytes;
    ensure(tessaforge::encode(map, mapBytes), u"a map"_s);
    writeBytes(folder + u"/Worldmap.qzm"_s, mapBytes);
    writePicture(folder + u"/Worldmap.gif"_s, 640, 480, w);
    writePicture(folder + u"/MapObjects.bmp"_s, 8 * 32, 32, w);
}

QString makeGame(const QString &game)
{
    for (int t = 0; t < kTilesets; ++t) {
        const QString base = game + u"/Data/Tilesets/Tiles"_s + QString::number(t);
        writePicture(base + u".bmp"_s, kTileColumns * 32, kTileRows * 32, t);
        tilemarrow::TileInfo info;
        info.resize(kTileColumns - 1, kTileRows - 1);
        for (int x = 0; x < kTileColumns; ++x)
            for (int y = 0; y < kTileRows; ++y)
                info.setTile(x, y, (x + y) % 15);
        QByteArray tileBytes;
        ensure(tilemarrow::mLevelTileset::encode(info, tileBytes), u"tile information"_s);
        writeBytes(base + u".qzt"_s, tileBytes);
    }
    for (int p = 0; p < kPictures; ++p)
        writePicture(game + u"/enemy%1.bmp"_s.arg(p), 64, 32, p);
    for (int s = 0; s < kSkins; ++s) {
        skinloft::EnemySkin skin;
        for (int k = 0; k < skinloft::kEnemyTypeCount; ++k)
            skin.Fields[size_t(k)] = "Enemy" + QByteArray::number((k + s * 3) % kPictures) + ".BMP";
        QByteArray bytes;
        ensure(skinloft::mEnemySkinFile::encode(skin, bytes), u"a skin"_s);
        writeBytes(game + u"/Data/Enemies/Skin%1.qze"_s.arg(s), bytes);
    }
    writePicture(game + u"/Data/Backdrops/Hills.bmp"_s, 320, 240, 1);
    writePicture(game + u"/Data/Backdrops/Sky.gif"_s, 320, 240, 2);
    for (int m = 0; m < 2; ++m)
        writeBytes(game + u"/Data/Music/Tune%1.mid"_s.arg(m), QByteArray(2000, char(m)));

    const QString mod = game + u"/Mods/Bench"_s;
    QByteArray list;
    for (int w = 0; w < kWorlds; ++w) {
        const QString name = u"World%1"_s.arg(w + 1, 2, 10, QChar(u'0'));
        writeWorld(mod + u'/' + name, w);
        list += name.toLatin1() + "\r\n";
    }
    writeBytes(mod + u"/Worlds.inf"_s, list + ".\r\n");
    return mod;
}

QStringList everyFile(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// The floor reads every file once; with a world list given, it also parses the list as the
// world editor does: a list of a million lines costs that much however it is checked.
void registerCase(const std::string &label, const QString &mod, const QStringList &files,
                  const QString &list = QString())
{
    benchmark::RegisterBenchmark(("CheckMod/" + label).c_str(), [mod](benchmark::State &state) {
        for (auto _ : state) {
            const vtfile::CheckReport report = vtfile::checkMod(mod);
            if (report.count(vtfile::Severity::Problem) || report.count(vtfile::Severity::Unreadable)) {
                state.SkipWithError(qPrintable(vtfile::findingLine(report.findings.front())));
                break;
            }
            benchmark::DoNotOptimize(report.findings.data());
        }
    })->UseRealTime()->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark(("ReadEveryFile/" + label).c_str(), [files, list](benchmark::State &state) {
        for (auto _ : state) {
            for (const QString &f : files) {
                QByteArray bytes;
                if (!vt::readWholeFile(f, bytes)) {
                    state.SkipWithError(qPrintable(f));
                    return;
                }
                if (f == list) {
                    const QStringList worlds = tessaforge::parseWorldList(bytes);
                    benchmark::DoNotOptimize(worlds.constData());
                }
                benchmark::DoNotOptimize(bytes.data());
            }
        }
    })->UseRealTime()->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QCoreApplication app(argc, argv);  // picture reader plugins (GIF)

    QTemporaryDir dir;
    if (!dir.isValid())
        die(u"cannot create a temporary folder"_s);
    const QString game = dir.path() + u"/game"_s;
    const QString mod = makeGame(game);
    const QStringList files = everyFile(game);
    qint64 bytes = 0;
    for (const QString &f : files)
        bytes += QFileInfo(f).size();
    std::printf("generated mod: %d worlds x %d levels of %d x %d cells; %lld files, %.1f MB in the game folder\n",
                kWorlds, kLevels, kColumns, kRows, static_cast<long long>(files.size()), double(bytes) / 1e6);
    // A second mod of the same worlds (links to the first's folders), its world list repeated
    // to a million lines.
    const QString longMod = game + u"/Mods/Long"_s;
    QDir().mkpath(longMod);
    QByteArray list;
    for (int w = 0; w < kWorlds; ++w) {
        const QString name = u"World%1"_s.arg(w + 1, 2, 10, QChar(u'0'));
        if (!QFile::link(mod + u'/' + name, longMod + u'/' + name))
            die(u"cannot link "_s + name);
    }
    for (int line = 0; line < 1000000; ++line)
        list += "World" + QByteArray::number(line % kWorlds + 1).rightJustified(2, '0') + "\r\n";
    writeBytes(longMod + u"/Worlds.inf"_s, list);
    registerCase("20x70", mod, files);
    const QString longList = longMod + u"/Worlds.inf"_s;
    registerCase("20x70_list_1M_lines", longMod, QStringList(files) << longList, longList);

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printRatio("check-mod", "CheckMod/20x70", "ReadEveryFile/20x70", 2);
    reporter.printRatio("check-mod-list-1M-lines", "CheckMod/20x70_list_1M_lines",
                        "ReadEveryFile/20x70_list_1M_lines", 2);
    return 0;
}
