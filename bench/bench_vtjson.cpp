// vtfile to-json and from-json, each the whole verb as the command line runs it (read the file,
// convert, replace the output), beside its floor measured in the same run: reading the same
// input file and writing the same output bytes to another file, raw. The files lie in
// /dev/shm when there is one, so that the disk's writeback does not drown the conversion.
// Each is measured in several repetitions, interleaved with its floor's, and the ratio is
// taken between the best of each: the machine may be busy with other work.
//
//   area:  2000 x 200 cells of a platform level: ground, platforms, tags and enemies.
//   world: the largest world details file the format allows, its 16 MiB filled with levels
//          of ordinary names (about a hundred thousand).
#include "RecordingReporter.h"

#include "Formats.h"
#include "Tool.h"
#include "area/oLevel.h"
#include "world/mWorldData.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;
using tessaforge::oLevel;

namespace {

[[noreturn]] void die(const QString &why)
{
    std::fprintf(stderr, "bench_vtjson: %s\n", qPrintable(why));
    std::exit(1);
}

// Sky over hills whose ground is filled to the bottom, gaps, floating platforms, tags on some
// tiles and an enemy every few screens: what a level of this size holds (about a quarter of
// its cells hold something).
QByteArray areaFile()
{
    constexpr int kColumns = 2000, kRows = 200;
    std::mt19937 random(20);
    oLevel a;
    if (!a.Resize(kColumns, kRows))
        die(u"no memory for the area"_s);
    a.SetStartPos(2, kRows - 6);
    a.SetTime(400);
    int ground = kRows - 40;
    for (int x = 0; x < kColumns; ++x) {
        if (random() % 6 == 0)
            ground = std::clamp(ground + int(random() % 7) - 3, kRows / 2, kRows - 3);
        const bool gap = x % 97 > 93;
        for (int y = ground; y < kRows && !gap; ++y)
            a.SetTile(x, y, y == ground ? 1 + x % 3 : 4 + (x + y) % 2, y == ground ? 0 : 1 + y % 3);
        if (x % 23 < 6) {
            const int py = ground - 4 - (x / 23) % 7;
            a.SetTile(x, py, 8 + x % 2, 2);
            if (random() % 4 == 0)
                (void)a.SetTileTag(x, py, 1 + int(random() % 30));
        }
        if (random() % 9 == 0)
            (void)a.SetTileTag(x, ground, 40 + int(random() % 20));
        if (random() % 25 == 0)
            (void)a.SetTileEnemy(x, ground - 1, 1 + int(random() % 25));
    }
    QByteArray bytes;
    if (!tessaforge::encode(a, bytes))
        die(u"cannot encode the area"_s);
    return bytes;
}

QByteArray worldFile(int &levels)
{
    using tessaforge::LevelRecord;
    tessaforge::WorldDetails w;
    w.sWorldName = "The Long Road";
    const char *const backdrops[] = {"Hills.bmp", "Caves.gif", "Sunset.gif", "Night.bmp"};
    const char *const music[] = {"Overworld", "Underground", "Castle", "Athletic"};
    const char *const tilesets[] = {"Grass", "Cave", "Castle", "Snow"};
    // The name, the table's dimension count, level count and lower bound.
    qint64 size = 2 + w.sWorldName.size() + 2 + 4 + 4;
    for (int i = 0;; ++i) {
        LevelRecord l;
        l.sName = "Level " + QByteArray::number(i + 1) + ": Meadow Run";
        l.sAreaFile = "Area" + QByteArray::number(i + 1);
        l.sBackdrop = backdrops[i % 4];
        l.sEnemySkin = i % 3 ? "Standard" : "Night";
        l.sMusic = music[i % 4];
        l.sTileset = tilesets[i % 4];
        l.iTime = qint16(200 + i % 300);
        l.bScrollMode = quint8(i % 3);
        l.iScrollSpeed = qint16(i % 3 ? 0 : 2);
        l.SpecialTiles = {{{qint16(5 + i % 9), 4}, {6, 4}, {6, qint16(3 + i % 2)}}};
        for (int p = 0; p < 4; ++p)
            l.Pipes[std::size_t(p)] = {qint16((i + p + 1) % 100), quint8(p + 1), quint8(p % 2)};
        // 93 bytes of numbers and text lengths, then the texts.
        const qint64 record = 93 + l.sName.size() + l.sAreaFile.size() + l.sBackdrop.size()
                              + l.sEnemySkin.size() + l.sMusic.size() + l.sTileset.size();
        if (size + record > tessaforge::mWorldData::kWorldFormat.maxSize)
            break;
        size += record;
        w.Levels.push_back(std::move(l));
    }
    levels = int(w.Levels.size());
    QByteArray bytes;
    if (vt::Status s = tessaforge::mWorldData::encode(w, bytes); !s)
        die(s.error());
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        die(u"cannot write "_s + path);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        die(u"cannot read "_s + path);
    return f.readAll();
}

void runVerb(benchmark::State &state, const QStringList &args)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    if (vtfile::run(args, o, e) != 0)
        state.SkipWithError(err.toStdString().c_str());
}

constexpr int kRepetitions = 5;

struct Case
{
    std::string name;
    QString file, json;    // the file and its JSON, as the verbs read them
    QByteArray fileBytes, jsonBytes;
    QString out;  // where the verbs and the floors write
};

void registerCase(const Case &c)
{
    const QString jsonOut = c.out + u".json"_s, fileOut = c.out + u"."_s + QFileInfo(c.file).suffix();
    benchmark::RegisterBenchmark(("ToJson/" + c.name).c_str(), [c, jsonOut](benchmark::State &state) {
        for (auto _ : state)
            runVerb(state, {u"to-json"_s, c.file, u"-o"_s, jsonOut, u"--max"_s, u"1024"_s});
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
    benchmark::RegisterBenchmark(("ToJsonFloor/" + c.name).c_str(), [c, jsonOut](benchmark::State &state) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(readFile(c.file).data());
            writeFile(jsonOut + u".floor"_s, c.jsonBytes);
        }
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
    benchmark::RegisterBenchmark(("FromJson/" + c.name).c_str(), [c, fileOut](benchmark::State &state) {
        for (auto _ : state)
            runVerb(state, {u"from-json"_s, c.json, u"-o"_s, fileOut, u"--max"_s, u"1024"_s});
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
    benchmark::RegisterBenchmark(("FromJsonFloor/" + c.name).c_str(), [c, fileOut](benchmark::State &state) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(readFile(c.json).data());
            writeFile(fileOut + u".floor"_s, c.fileBytes);
        }
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
}

Case makeCase(const QString &dir, const std::string &name, const QString &fileName, const QByteArray &bytes)
{
    Case c;
    c.name = name;
    c.file = dir + u'/' + fileName;
    c.json = c.file + u".json"_s;
    c.out = dir + u"/out-"_s + QString::fromStdString(name);
    c.fileBytes = bytes;
    writeFile(c.file, bytes);
    if (vt::Status s = vtfile::toJson(*vtfile::kindOfPath(c.file), bytes, c.jsonBytes); !s)
        die(s.error());
    writeFile(c.json, c.jsonBytes);
    return c;
}

} // namespace

int main(int argc, char **argv)
{
    // Repetitions of every case in a random order, so that a case and its floor meet the same
    // spells of load (unless the command line says otherwise).
    std::vector<char *> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    argc = int(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const bool shm = QFileInfo(u"/dev/shm"_s).isDir() && QFileInfo(u"/dev/shm"_s).isWritable();
    QTemporaryDir dir((shm ? u"/dev/shm"_s : QDir::tempPath()) + u"/bench_vtjson-XXXXXX"_s);
    if (!dir.isValid())
        die(u"cannot make a temporary folder"_s);
    dir.setAutoRemove(!qEnvironmentVariableIsSet("VT_BENCH_KEEP"));  // to look at the files

    int levels = 0;
    const Case area = makeCase(dir.path(), "area", u"area.qzl"_s, areaFile());
    const Case world = makeCase(dir.path(), "world", u"Worldata.qzw"_s, worldFile(levels));
    std::printf("files in %s\n", qPrintable(dir.path()));
    std::printf("area: 2000 x 200 cells, %lld bytes, JSON %lld bytes\n", qint64(area.fileBytes.size()),
                qint64(area.jsonBytes.size()));
    std::printf("world: %d levels, %lld bytes (the format's cap is %lld), JSON %lld bytes\n", levels,
                qint64(world.fileBytes.size()), tessaforge::mWorldData::kWorldFormat.maxSize,
                qint64(world.jsonBytes.size()));
    registerCase(area);
    registerCase(world);

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n");
    for (const char *name : {"area", "world"}) {
        const std::string n = name;
        reporter.printBestRatio("to-json-" + n, "ToJson/" + n, "ToJsonFloor/" + n, 3);
        reporter.printBestRatio("from-json-" + n, "FromJson/" + n, "FromJsonFloor/" + n, 3);
    }
    return 0;
}
