// Area drawing on a 1920 x 1080 view, each figure beside its floor: filling a picture of
// that size and copying it once. The naive port (one scaled copy per layer per cell) is
// measured in the same run. The ratios printed at the end are what to watch.
#include "RecordingReporter.h"

#include "render/AreaRenderer.h"
#include "resources/TagSheet.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using tessaforge::AreaRenderer;
using tessaforge::AreaView;
using tessaforge::oLevel;

namespace {

const QSize kScreen(1920, 1080);
const int kZooms[] = {8, 16, 24, 32};
constexpr QRgb kBack = qRgb(24, 28, 40);

struct Sources
{
    QImage tiles;  // 8 x 16 tiles: the largest tileset the palette shows
    QImage sheet;
};

Sources &sources()
{
    static Sources s = [] {
        Sources out;
        out.tiles = QImage(256, 512, QImage::Format_RGB32);
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 256; ++x)
                out.tiles.setPixel(x, y, qRgb((x * 5) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF));
        out.sheet = tessaforge::drawTagSheet();
        return out;
    }();
    return s;
}

// Every cell a tile, a tag and an enemy, all varying, so that no two neighbours look alike.
void fill(oLevel &area, int columns, int rows, bool tagsAndEnemies)
{
    if (!area.Resize(columns, rows)) {
        std::fprintf(stderr, "cannot size the area\n");
        std::exit(1);
    }
    for (int x = 0; x < columns; ++x) {
        for (int y = 0; y < rows; ++y) {
            area.SetTile(x, y, (x + y * 3) % 8, (x / 8 + y) % 16);
            if (tagsAndEnemies) {
                (void)area.SetTileTag(x, y, (x + 2 * y) % 37 + 1);
                (void)area.SetTileEnemy(x, y, (3 * x + y) % 37 + 1);
            }
        }
    }
    area.SetStartPos(5, 5);
}

oLevel &fullArea()
{
    static oLevel a = [] {
        oLevel out;
        fill(out, 300, 200, true);
        return out;
    }();
    return a;
}

oLevel &tileArea()
{
    static oLevel a = [] {
        oLevel out;
        fill(out, 300, 200, false);
        return out;
    }();
    return a;
}

oLevel &wideArea()
{
    static oLevel a = [] {
        oLevel out;
        fill(out, 2000, 200, true);
        return out;
    }();
    return a;
}

AreaView viewAt(int zoom, bool layers)
{
    return AreaView{kScreen, zoom, 3, 2, layers, layers, kBack};
}

void Floor(benchmark::State &state)
{
    QImage back(kScreen, QImage::Format_RGB32);
    QImage front(kScreen, QImage::Format_RGB32);
    for (auto _ : state) {
        back.fill(kBack);
        std::memcpy(front.bits(), back.constBits(), static_cast<size_t>(back.sizeInBytes()));
        benchmark::DoNotOptimize(front.bits());
        benchmark::ClobberMemory();
    }
}

void Draw(benchmark::State &state, int zoom, bool layers)
{
    AreaRenderer renderer;
    renderer.setSources(sources().tiles, sources().sheet);
    const oLevel &area = layers ? fullArea() : tileArea();
    const AreaView view = viewAt(zoom, layers);
    QImage back;
    for (auto _ : state) {
        renderer.draw(area, view, back);
        benchmark::DoNotOptimize(back.bits());
        benchmark::ClobberMemory();
    }
}

// What the window did before the renderer: clear, then one scaled copy per layer per cell.
void Naive(benchmark::State &state, int zoom, bool layers)
{
    const oLevel &area = layers ? fullArea() : tileArea();
    const AreaView view = viewAt(zoom, layers);
    const QImage &tiles = sources().tiles;
    const QImage &sheet = sources().sheet;
    QImage back(kScreen, QImage::Format_RGB32);
    for (auto _ : state) {
        back.fill(kBack);
        QPainter p(&back);
        for (int X = 0; X <= kScreen.width() / zoom; ++X) {
            for (int Y = 0; Y <= kScreen.height() / zoom; ++Y) {
                const int c = X + view.firstColumn;
                const int r = Y + view.firstRow;
                const QRect square(X * zoom, Y * zoom, zoom, zoom);
                if (c > area.width() || r > area.height())
                    p.drawImage(square, sheet, QRect(0, 0, 16, 16));
                else if (area.IsTile(c, r))
                    p.drawImage(square, tiles, QRect(32 * area.xSrc(c, r), 32 * area.ySrc(c, r), 32, 32));
                if (view.showEnemies && area.TileEnemy(c, r) > 0)
                    p.drawImage(square, sheet, QRect(16, 16 * area.TileEnemy(c, r) + 16, 16, 16));
                if (view.showTags && area.TileTag(c, r) > 0)
                    p.drawImage(square, sheet, QRect(0, 16 * area.TileTag(c, r) + 16, 16, 16));
                if (c == area.StartX() && r == area.StartY())
                    p.drawImage(QRect(X * zoom + zoom / 4, Y * zoom + zoom / 4, zoom / 2, zoom / 2), sheet,
                                QRect(16, 0, 16, 16));
            }
        }
        p.end();
        benchmark::DoNotOptimize(back.bits());
    }
}

// One cell edit of a drag and bringing the back image up to date, at zoom 8.
void Edit(benchmark::State &state)
{
    oLevel area;
    fill(area, 300, 200, true);
    AreaRenderer renderer;
    renderer.setSources(sources().tiles, sources().sheet);
    const AreaView view = viewAt(8, true);
    QImage back;
    renderer.draw(area, view, back);
    int i = 0;
    for (auto _ : state) {
        const int c = view.firstColumn + (i * 7) % 240;
        const int r = view.firstRow + (i * 13) % 135;
        (void)area.SetTileTag(c, r, i % 37 + 1);
        benchmark::DoNotOptimize(renderer.drawCell(area, view, back, c, r));
        ++i;
    }
    state.counters["edits/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// One column to the right and back on a 2000 x 200 area.
void Scroll(benchmark::State &state, int zoom)
{
    AreaRenderer renderer;
    renderer.setSources(sources().tiles, sources().sheet);
    AreaView view = viewAt(zoom, true);
    QImage back;
    renderer.draw(wideArea(), view, back);
    int step = 1;
    for (auto _ : state) {
        const AreaView from = view;
        view.firstColumn += step;
        if (view.firstColumn >= 1990 || view.firstColumn <= 0)
            step = -step;
        renderer.scroll(wideArea(), from, view, back);
        benchmark::DoNotOptimize(back.bits());
        benchmark::ClobberMemory();
    }
}

std::string z(int zoom)
{
    return "/z" + std::to_string(zoom);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);  // drawing into a QImage needs no platform
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    benchmark::RegisterBenchmark("Floor", Floor)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (int zoom : kZooms) {
        benchmark::RegisterBenchmark(("Draw" + z(zoom)).c_str(), Draw, zoom, true)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("Naive" + z(zoom)).c_str(), Naive, zoom, true)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("DrawTiles" + z(zoom)).c_str(), Draw, zoom, false)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("NaiveTiles" + z(zoom)).c_str(), Naive, zoom, false)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RegisterBenchmark("Edit", Edit)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (int zoom : {8, 32})
        benchmark::RegisterBenchmark(("Scroll" + z(zoom)).c_str(), Scroll, zoom)
            ->Unit(benchmark::kMillisecond)->UseRealTime();

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nview %dx%d; floor = fill + one copy of a picture of that size\n", kScreen.width(),
                kScreen.height());
    for (int zoom : kZooms) {
        reporter.printRatio("redraw vs floor" + z(zoom), "Draw" + z(zoom), "Floor", 5);
        reporter.printRatio("redraw speed-up over naive" + z(zoom), "Draw" + z(zoom), "Naive" + z(zoom),
                   zoom == 8 ? 5 : 1, true);
        reporter.printRatio("tiles-only redraw vs floor" + z(zoom), "DrawTiles" + z(zoom), "Floor", 5);
        reporter.printRatio("tiles-only speed-up over naive" + z(zoom), "DrawTiles" + z(zoom),
                   "NaiveTiles" + z(zoom), zoom == 8 ? 5 : 1, true);
    }
    reporter.printRatio("drag edit vs floor/z8", "Edit", "Floor", 0.2);
    if (const double edit = reporter.realTime("Edit"); edit > 0)
        std::printf("drag painting: %.0f edits per second (goal >= 20000)\n", 1000.0 / edit);
    for (int zoom : {8, 32})
        reporter.printRatio("scroll one column vs full redraw" + z(zoom), "Scroll" + z(zoom), "Draw" + z(zoom), 1);

    // What the renderer keeps beyond the back image, after drawing all of a 2000 x 200 area
    // and a 32768 x 15 one at every zoom.
    qsizetype most = 0;
    {
        AreaRenderer renderer;
        renderer.setSources(sources().tiles, sources().sheet);
        oLevel longArea;
        fill(longArea, 32768, 15, true);
        QImage back;
        for (const oLevel *area : {&wideArea(), &longArea}) {
            for (int zoom : kZooms) {
                for (bool layers : {false, true}) {
                    AreaView view = viewAt(zoom, layers);
                    for (view.firstColumn = 0; view.firstColumn <= area->width(); view.firstColumn += 1920 / zoom) {
                        renderer.draw(*area, view, back);
                        most = std::max(most, renderer.cacheBytes());
                    }
                }
            }
        }
    }
    std::printf("ratio renderer memory beyond the back image, MB: %.2f (goal <= 5)\n", double(most) / (1024 * 1024));
    return 0;
}
