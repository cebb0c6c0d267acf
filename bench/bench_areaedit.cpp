// The area history and tools beside the floor of one full redraw of the area editor's view
// (1920 x 1080 at zoom 16, tags and enemies shown), measured in the same run. Each figure is
// the model's part of the work: the window then redraws only the squares in sight, and at
// most one full redraw.
#include "RecordingReporter.h"

#include "area/AreaEditing.h"
#include "documents/AreaDocument.h"
#include "render/AreaRenderer.h"
#include "resources/TagSheet.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUndoStack>

#include "Journal.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace tessaforge;

namespace {

const QSize kScreen(1920, 1080);

QImage &tileset()
{
    static QImage tiles = [] {
        QImage out(256, 512, QImage::Format_RGB32);
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 256; ++x)
                out.setPixel(x, y, qRgb((x * 5) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF));
        return out;
    }();
    return tiles;
}

void sized(oLevel &area, int columns, int rows)
{
    if (!area.Resize(columns, rows)) {
        std::fprintf(stderr, "cannot size the area\n");
        std::exit(1);
    }
}

// Varied tiles, tags and enemies, so that no two neighbours look alike.
void varied(oLevel &area, int columns, int rows)
{
    sized(area, columns, rows);
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y) {
            area.SetTile(x, y, (x + y * 3) % 8, (x / 8 + y) % 16);
            (void)area.SetTileTag(x, y, (x + 2 * y) % 37 + 1);
            (void)area.SetTileEnemy(x, y, (3 * x + y) % 37 + 1);
        }
}

void Floor(benchmark::State &state)
{
    oLevel area;
    varied(area, 300, 200);
    AreaRenderer renderer;
    static const QImage sheet = drawTagSheet();
    renderer.setSources(tileset(), sheet);
    AreaView view;
    view.size = kScreen;
    view.zoom = 16;
    view.showEnemies = true;
    view.showTags = true;
    QImage back;
    for (auto _ : state) {
        renderer.draw(area, view, back);
        benchmark::DoNotOptimize(back.bits());
    }
}

// A 10,000-cell drag on a 32768 x 15 area, painted cell by cell and recorded as the editor
// does, then undone and redone.
void Drag(benchmark::State &state)
{
    oLevel area;
    sized(area, 32768, 15);
    int round = 0;
    for (auto _ : state) {
        AreaStroke stroke;
        for (int i = 0; i < 10000; ++i) {
            const int x = 1000 + i % 5000;
            const int y = (i / 5000) * 7;
            const AreaCell before = cellAt(area, x, y);
            const AreaCell after = paintedCell(before, AreaLayer::Tiles, false, round % 8, 1);
            putCell(area, x, y, after);
            stroke.record(x, y, before, after);
        }
        stroke.close();
        stroke.step().apply(area, false);
        stroke.step().apply(area, true);
        benchmark::DoNotOptimize(stroke.step().cells.data());
        ++round;
    }
}

// The same drag through the area document, as the editor makes it: one step that grows cell
// by cell and announces each cell, then undone and redone through the history.
void dragThrough(benchmark::State &state, AreaDocument &document)
{
    if (document.resize(32768, 15) != AreaDocument::Resizing::Resized) {
        state.SkipWithError("cannot size the area");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        document.beginStroke();
        for (int i = 0; i < 10000; ++i) {
            const int x = 1000 + i % 5000;
            const int y = (i / 5000) * 7;
            const AreaCell after = paintedCell(cellAt(document.area(), x, y), AreaLayer::Tiles, false, round % 8, 1);
            document.paintCell(x, y, after, QStringLiteral("Paint"));
        }
        document.endStroke();
        document.undoStack()->undo();
        document.undoStack()->redo();
        ++round;
    }
}

void DocumentDrag(benchmark::State &state)
{
    AreaDocument document;
    dragThrough(state, document);
}

// The same, with the crash journal recording every step (a journal in /dev/shm when there is
// one, so that the disk's own speed stays out of the figure).
void JournaledDrag(benchmark::State &state)
{
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isDir();
    QTemporaryDir dir(shm ? QStringLiteral("/dev/shm/bench_areaedit-XXXXXX") : QString());
    AreaDocument document;
    document.recordTo(dir.path());
    dragThrough(state, document);
    vt::JournalWriter::drain();
}

// A flood fill of a 2000 x 200 area of one tile, alternating between two tiles.
void Fill(benchmark::State &state)
{
    oLevel area;
    sized(area, 2000, 200);
    for (int x = 0; x < 2000; ++x)
        for (int y = 0; y < 200; ++y)
            area.SetTile(x, y, 1, 1);
    int round = 0;
    for (auto _ : state) {
        AreaChange step = floodFill(area, 1000, 100, AreaLayer::Tiles, false, 1 + (round + 1) % 2, 1, qint64(1) << 30);
        if (step.spanCells() != 2000 * 200) {
            state.SkipWithError("the fill missed cells");
            return;
        }
        benchmark::DoNotOptimize(step.spans.data());
        ++round;
    }
}

// Pasting a 200 x 15 block into a 32768 x 15 area, alternating between two blocks.
void Paste(benchmark::State &state)
{
    oLevel source;
    varied(source, 400, 15);
    const AreaBlock blocks[2] = {copyBlock(source, QRect(0, 0, 200, 15)), copyBlock(source, QRect(200, 0, 200, 15))};
    oLevel area;
    sized(area, 32768, 15);
    int round = 0;
    for (auto _ : state) {
        std::vector<CellChange> cells = pasteChanges(area, blocks[round % 2], QPoint(16000, 0));
        for (const CellChange &c : cells)
            putCell(area, c.X, c.Y, c.after);
        benchmark::DoNotOptimize(cells.data());
        ++round;
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);  // drawing into a QImage needs no platform
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    using Case = std::pair<const char *, void (*)(benchmark::State &)>;
    for (const Case &c : {Case{"Floor", Floor}, Case{"Drag", Drag}, Case{"DocumentDrag", DocumentDrag},
                         Case{"JournaledDrag", JournaledDrag},
                         Case{"Fill", Fill}, Case{"Paste", Paste}})
        benchmark::RegisterBenchmark(c.first, c.second)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nfloor = one full redraw of a %dx%d view at zoom 16 with tags and enemies\n", kScreen.width(),
                kScreen.height());
    reporter.printRatio("drag of 10000 cells recorded, undone and redone vs full redraw", "Drag", "Floor", 2);
    reporter.printRatio("the same drag through the area document vs full redraw", "DocumentDrag", "Floor", 3);
    // The journal's thread shares the machine with the editor: the best of each is compared.
    reporter.printBestRatio("the same drag with its crash journal vs without", "JournaledDrag", "DocumentDrag", 1.05);
    reporter.printRatio("flood fill of 2000x200 vs full redraw", "Fill", "Floor", 2);
    reporter.printRatio("paste of 200x15 vs full redraw", "Paste", "Floor", 2);
    return 0;
}
