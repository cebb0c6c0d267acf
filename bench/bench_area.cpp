// Area file save and load, each beside its floor: writing or reading the same bytes raw in
// one call. The ratios printed at the end are what to watch; absolute times depend on the disk.
#include "RecordingReporter.h"

#include "area/oLevel.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

using tessaforge::AreaCell;
using tessaforge::oLevel;

namespace {

struct Size
{
    int columns;
    int rows;
    std::string label() const { return std::to_string(columns) + "x" + std::to_string(rows); }
};

const Size kSizes[] = {{32768, 15}, {2000, 200}};

// Tiles on most cells, tags and enemies scattered, so that no byte column is constant.
void fillVaried(oLevel &level, const Size &size)
{
    if (!level.Resize(size.columns, size.rows)) {
        std::fprintf(stderr, "cannot size the area %s\n", size.label().c_str());
        std::exit(1);
    }
    level.SetStartPos(3, static_cast<qint16>(size.rows - 2));
    level.SetTime(400);
    for (int x = 0; x < size.columns; ++x) {
        for (int y = 0; y < size.rows; ++y) {
            if ((x * 31 + y * 17) % 5 != 0)
                level.SetTile(x, y, (x * 7 + y) & 0xFF, (x + y * 3) % 16);
            if ((x * y) % 7 == 0)
                (void)level.SetTileTag(x, y, (x + y) & 0xFF);
            if (x % 13 == 0 && y % 5 == 1)
                (void)level.SetTileEnemy(x, y, (x / 13) % 25 + 1);
        }
    }
}

struct Case
{
    Size size;
    oLevel level;
    QByteArray bytes;
    QString savePath;   // written by Save
    QString floorPath;  // written by SaveFloor
    QString loadPath;   // read by Load and LoadFloor
};

void fail(benchmark::State &state, const QString &why)
{
    state.SkipWithError(why.toStdString().c_str());
}

void registerCase(Case &c)
{
    const std::string label = c.size.label();

    benchmark::RegisterBenchmark(("Save/" + label).c_str(), [&c](benchmark::State &state) {
        for (auto _ : state) {
            const vt::Status s = c.level.SaveToFile(c.savePath);
            if (!s) {
                fail(state, s.error());
                break;
            }
        }
        state.SetBytesProcessed(state.iterations() * c.bytes.size());
    })->UseRealTime()->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark(("SaveFloor/" + label).c_str(), [&c](benchmark::State &state) {
        for (auto _ : state) {
            QSaveFile f(c.floorPath);
            if (!f.open(QIODevice::WriteOnly) || f.write(c.bytes) != c.bytes.size() || !f.commit()) {
                fail(state, f.errorString());
                break;
            }
        }
        state.SetBytesProcessed(state.iterations() * c.bytes.size());
    })->UseRealTime()->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark(("Load/" + label).c_str(), [&c](benchmark::State &state) {
        oLevel level;  // the editor loads into the area it already holds
        for (auto _ : state) {
            const vt::Status s = level.LoadFromFile(c.loadPath);
            if (!s || level.width() != c.size.columns - 1) {
                fail(state, s ? QStringLiteral("wrong size after load") : s.error());
                break;
            }
            benchmark::DoNotOptimize(level);
        }
        state.SetBytesProcessed(state.iterations() * c.bytes.size());
    })->UseRealTime()->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark(("LoadFloor/" + label).c_str(), [&c](benchmark::State &state) {
        for (auto _ : state) {
            QFile f(c.loadPath);
            if (!f.open(QIODevice::ReadOnly)) {
                fail(state, f.errorString());
                break;
            }
            QByteArray data = f.readAll();
            benchmark::DoNotOptimize(data.data());
        }
        state.SetBytesProcessed(state.iterations() * c.bytes.size());
    })->UseRealTime()->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }

    std::vector<std::unique_ptr<Case>> cases;
    for (const Size &size : kSizes) {
        auto c = std::make_unique<Case>();
        c->size = size;
        fillVaried(c->level, size);
        const QString label = QString::fromStdString(size.label());
        c->savePath = dir.filePath(QStringLiteral("save-%1.qzl").arg(label));
        c->floorPath = dir.filePath(QStringLiteral("floor-%1.qzl").arg(label));
        c->loadPath = dir.filePath(QStringLiteral("load-%1.qzl").arg(label));
        const vt::Status encoded = tessaforge::encode(c->level, c->bytes);
        const vt::Status saved = c->level.SaveToFile(c->loadPath);
        if (!encoded || !saved) {
            std::fprintf(stderr, "cannot prepare %s\n", size.label().c_str());
            return 1;
        }
        registerCase(*c);
        cases.push_back(std::move(c));
    }

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nmemory per cell: sizeof(AreaCell) = %zu bytes\n", sizeof(AreaCell));
    for (const auto &c : cases) {
        const std::string label = c->size.label();
        std::printf("file %s: %lld bytes\n", label.c_str(), static_cast<long long>(c->bytes.size()));
        reporter.printRatio("save " + label, "Save/" + label, "SaveFloor/" + label, 2);
        reporter.printRatio("load " + label, "Load/" + label, "LoadFloor/" + label, 10);
    }
    return 0;
}
