// vtfile diff and merge-driver of 2000 x 200 areas, in the process, beside their floors measured
// in the same run: reading the two (diff) or three (merge) files raw. Each side paints
// rectangles and single cells in different places, as two modders working on one area would.
#include "GeneratedFiles.h"
#include "RecordingReporter.h"

#include "FileIO.h"
#include "Tool.h"
#include "area/oLevel.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

using namespace bench;

constexpr int kColumns = 2000, kRows = 200;

tessaforge::oLevel baseArea()
{
    return sceneryArea(kColumns, kRows, 0);
}

// 60 rectangles of 12 x 6 cells and 400 single cells, in this side's own stretch of columns.
QByteArray editedArea(int side)
{
    tessaforge::oLevel area = baseArea();
    const int from = side * kColumns / 2;
    for (int r = 0; r < 60; ++r)
        for (int x = 0; x < 12; ++x)
            for (int y = 0; y < 6; ++y)
                area.SetTile(from + (r * 16) % (kColumns / 2 - 12) + x, (r * 37) % (kRows - 6) + y, 15 - side, 7);
    for (int i = 0; i < 400; ++i)
        (void)area.SetTileEnemy(from + (i * 13) % (kColumns / 2), (i * 29) % kRows, side + 3);
    return encoded(area);
}

// The tool as the command line runs it, its output going to a device as it goes to stdout.
int runTool(const QStringList &args, qint64 *outputBytes = nullptr)
{
    QFile sink(u"/dev/null"_s);
    QBuffer counted;
    QIODevice &device = outputBytes ? static_cast<QIODevice &>(counted) : sink;
    if (!device.open(QIODevice::WriteOnly))
        die(u"cannot open /dev/null"_s);
    QString err;
    QTextStream o(&device), e(&err);
    const int status = vtfile::run(args, o, e);
    o.flush();
    if (outputBytes)
        *outputBytes = counted.size();
    return status;
}

void readAll(benchmark::State &state, const QStringList &files)
{
    for (auto _ : state)
        for (const QString &f : files) {
            QByteArray bytes;
            if (!vt::readWholeFile(f, bytes)) {
                state.SkipWithError(qPrintable(f));
                return;
            }
            benchmark::DoNotOptimize(bytes.data());
        }
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
    const QString base = dir.filePath(u"base.qzl"_s), ours = dir.filePath(u"ours.qzl"_s),
                  theirs = dir.filePath(u"theirs.qzl"_s), merged = dir.filePath(u"merged.qzl"_s);
    const QByteArray oursBytes = editedArea(0);
    writeBytes(base, encoded(baseArea()));
    writeBytes(ours, oursBytes);
    writeBytes(theirs, editedArea(1));
    qint64 diffBytes = 0;
    runTool({u"diff"_s, base, ours}, &diffBytes);
    std::printf("areas of %d x %d cells, %lld bytes each; the diff is %lld bytes of text\n", kColumns, kRows,
                static_cast<long long>(oursBytes.size()), static_cast<long long>(diffBytes));

    benchmark::RegisterBenchmark("Diff/2000x200", [&](benchmark::State &state) {
        for (auto _ : state)
            if (runTool({u"diff"_s, base, ours}) != 1) {
                state.SkipWithError("diff did not find the edits");
                return;
            }
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("ReadTwo/2000x200", [&](benchmark::State &state) {
        readAll(state, {base, ours});
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(5);
    // git hands the driver a copy of ours, which the result replaces: each round begins with
    // that copy again, its bytes put back in place (truncating and writing the file anew would
    // leave the timed part waiting on the write-back of the blocks it gave up).
    writeBytes(merged, oursBytes);
    benchmark::RegisterBenchmark("Merge/2000x200", [&](benchmark::State &state) {
        QFile restore(merged);
        if (!restore.open(QIODevice::ReadWrite))
            die(u"cannot open "_s + merged);
        for (auto _ : state) {
            state.PauseTiming();
            if (!restore.seek(0) || restore.write(oursBytes) != oursBytes.size() || !restore.flush())
                die(u"cannot write "_s + merged);
            state.ResumeTiming();
            if (runTool({u"merge-driver"_s, base, merged, theirs, u"Area.qzl"_s}) != 0) {
                state.SkipWithError("the merge found a conflict");
                return;
            }
        }
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("ReadThree/2000x200", [&](benchmark::State &state) {
        readAll(state, {base, ours, theirs});
    })->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(5);

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printBestRatio("diff-area", "Diff/2000x200", "ReadTwo/2000x200", 3);
    reporter.printBestRatio("merge-area", "Merge/2000x200", "ReadThree/2000x200", 4);
    return 0;
}
