// vtfile replace --dry-run over a generated mod, in the process, beside its floor measured in
// the same run: reading every area file once, raw. The mod: 20 worlds of 70 levels, each level
// with an area of 200 x 30 cells (tiles, tags and enemies scattered as in bench_modcheck).
#include "GeneratedFiles.h"
#include "RecordingReporter.h"

#include "FileIO.h"
#include "Tool.h"
#include "area/oLevel.h"
#include "world/mWorldData.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

using namespace bench;

constexpr int kWorlds = 20, kLevels = 70, kColumns = 200, kRows = 30;

QByteArray areaBytes(int seed)
{
    return encoded(sceneryArea(kColumns, kRows, seed));
}

// The mod's folder; areas receives every area file's path.
QString makeMod(const QString &mod, QStringList &areas)
{
    QByteArray list;
    for (int w = 0; w < kWorlds; ++w) {
        const QString name = u"World%1"_s.arg(w + 1, 2, 10, QChar(u'0'));
        const QString folder = mod + u'/' + name;
        tessaforge::WorldDetails details;
        details.sWorldName = name.toLatin1();
        for (int i = 0; i < kLevels; ++i) {
            tessaforge::LevelRecord l;
            l.sName = "Level " + QByteArray::number(i + 1);
            l.sAreaFile = u"Area%1"_s.arg(i + 1, 2, 10, QChar(u'0')).toLatin1();
            details.Levels.push_back(l);
            const QString path = folder + u'/' + QString::fromLatin1(l.sAreaFile) + u".qzl"_s;
            writeBytes(path, areaBytes(w * kLevels + i));
            areas << path;
        }
        QByteArray bytes;
        if (!tessaforge::mWorldData::encode(details, bytes))
            die(u"cannot encode world details"_s);
        writeBytes(folder + u"/Worldata.qzw"_s, bytes);
        list += name.toLatin1() + "\r\n";
    }
    writeBytes(mod + u"/Worlds.inf"_s, list + ".\r\n");
    return mod;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QCoreApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid())
        die(u"cannot create a temporary folder"_s);
    QStringList areas;
    const QString mod = makeMod(dir.path() + u"/Mods/Bench"_s, areas);
    qint64 bytes = 0;
    for (const QString &f : std::as_const(areas))
        bytes += QFileInfo(f).size();
    std::printf("generated mod: %d worlds x %d levels of %d x %d cells; %lld area files, %.1f MB\n", kWorlds,
                kLevels, kColumns, kRows, static_cast<long long>(areas.size()), double(bytes) / 1e6);

    // Tile (3, 2) lies on about one cell in nine; those without a tag take tile (4, 4).
    const QStringList args{u"replace"_s, u"--mod"_s,  mod,        u"--find-tile"_s, u"3,2"_s,
                           u"--find-tag"_s, u"0"_s, u"--tile"_s, u"4,4"_s,         u"--dry-run"_s};
    benchmark::RegisterBenchmark("ReplaceDryRun/20x70", [args](benchmark::State &state) {
        for (auto _ : state) {
            QString out, err;
            QTextStream o(&out), e(&err);
            if (vtfile::run(args, o, e) != 0 || !out.contains(u"total: "_s)) {
                e.flush();
                state.SkipWithError(qPrintable(err));
                break;
            }
            benchmark::DoNotOptimize(out.constData());
        }
    })->UseRealTime()->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("ReadEveryArea/20x70", [areas](benchmark::State &state) {
        for (auto _ : state) {
            for (const QString &f : areas) {
                QByteArray data;
                if (!vt::readWholeFile(f, data)) {
                    state.SkipWithError(qPrintable(f));
                    return;
                }
                benchmark::DoNotOptimize(data.data());
            }
        }
    })->UseRealTime()->Unit(benchmark::kMillisecond);

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printRatio("replace-dry-run", "ReplaceDryRun/20x70", "ReadEveryArea/20x70", 2);
    return 0;
}
