// Whole-area pictures from the command line, each figure beside its floor measured in the same
// run: the whole `vtfile render` process against encoding the finished picture alone with the
// same encoder, and the process's peak memory against the finished picture's bytes. Also the
// whole-process time of `vtfile check --mod` on the demo mod. The ratio lines are what to watch.
#include "render/AreaPicture.h"
#include "resources/TagSheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

extern char **environ;

using namespace tessaforge;
using namespace Qt::StringLiterals;

namespace {

const QString kGame = QStringLiteral(VT_GAME_DIR);

struct ProcessRun
{
    double seconds = 0;
    qint64 peakBytes = 0;
    int status = -1;
};

// Runs a program to its end: wall time, exit status and its own peak resident memory.
ProcessRun runProcess(const QStringList &args)
{
    std::vector<std::string> storage;
    for (const QString &a : args)
        storage.push_back(a.toStdString());
    std::vector<char *> argv;
    for (std::string &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    ProcessRun r;
    QElapsedTimer t;
    t.start();
    // The child's own output is not the benchmark's.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return r;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.seconds = double(t.nsecsElapsed()) / 1e9;
    r.peakBytes = qint64(usage.ru_maxrss) * 1024;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Resident memory figures of this process, from /proc/self/status, in bytes.
qint64 statusBytes(const char *field)
{
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field)) + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// Starts a new peak from the present resident size (Linux: clear_refs 5 resets VmHWM).
void resetPeak()
{
    QFile f(u"/proc/self/clear_refs"_s);
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// Every cell a tile (varying, so that rows do not repeat trivially), tags and enemies on some.
void fill(oLevel &area, int columns, int rows)
{
    if (!area.Resize(columns, rows)) {
        std::fprintf(stderr, "cannot size the area\n");
        std::exit(1);
    }
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y) {
            if ((x * 7 + y * 3) % 5)
                area.SetTile(x, y, (x + y * 3) % 8, (x / 8 + y) % 8);
            if ((x + y) % 11 == 0)
                (void)area.SetTileTag(x, y, (x + 2 * y) % 37 + 1);
            if ((x * 3 + y) % 13 == 0)
                (void)area.SetTileEnemy(x, y, (3 * x + y) % 37 + 1);
        }
    area.SetStartPos(5, 5);
}

QImage tileset()
{
    QImage tiles(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            tiles.setPixel(x, y, qRgb((x * 5) & 0xFF, (y * 3) & 0xFF, ((x / 4) ^ (y / 4)) & 0xFF));
    return tiles;
}

void ratio(const char *name, double value, double goal)
{
    std::printf("ratio %s: %.3f (goal <= %.1f)\n", name, value, goal);
    std::fflush(stdout);
}

void measure(const QString &dir, const char *label, int columns, int rows, int zoom)
{
    // A spawned child's peak includes its parent's, so memory is measured here, in-process:
    // what the area, the drawing and the encoding add to this process at their peak.
    const qint64 before = statusBytes("VmRSS:");
    resetPeak();
    oLevel area;
    fill(area, columns, rows);
    const QString areaPath = dir + u"/bench.qzl"_s, tilesPath = dir + u"/tiles.bmp"_s;
    if (!area.SaveToFile(areaPath).ok() || !tileset().save(tilesPath, "BMP")) {
        std::fprintf(stderr, "cannot write the bench files in %s\n", qPrintable(dir));
        std::exit(1);
    }
    const QSize size = areaPictureSize(area, zoom);
    const qint64 imageBytes = qint64(size.width()) * size.height() * 4;
    std::printf("%s: %d x %d cells at zoom %d: %d x %d pixels, %.1f MB as a picture\n", label, columns,
                rows, zoom, size.width(), size.height(), double(imageBytes) / 1e6);

    for (const PictureFormat format : {PictureFormat::Png, PictureFormat::Bmp}) {
        resetPeak();
        const char *ext = format == PictureFormat::Png ? "png" : "bmp";
        const QString out = dir + u"/out."_s + QLatin1String(ext);
        // The least of a few runs: the machine is shared, and noise only ever adds.
        const int repeats = imageBytes < (qint64(256) << 20) ? 5 : 1;
        ProcessRun run;
        for (int k = 0; k < repeats; ++k) {
            const ProcessRun one = runProcess({kGame + u"/vtfile"_s, u"render"_s, areaPath, u"--tileset"_s, tilesPath,
                                               u"--zoom"_s, QString::number(zoom), u"--layers"_s,
                                               u"tiles,tags,enemies,start"_s, u"--background"_s, u"#181c28"_s,
                                               u"-o"_s, out});
            if (one.status != 0) {
                std::fprintf(stderr, "vtfile render failed (%d)\n", one.status);
                std::exit(1);
            }
            if (k == 0 || one.seconds < run.seconds)
                run = one;
        }
        const qint64 fileBytes = QFileInfo(out).size();
        QFile::remove(out);

        AreaPictureOptions o;
        o.zoom = zoom;
        o.tags = o.enemies = true;
        o.background = qRgb(24, 28, 40);
        const QImage tiles = tileset();
        const QImage sheet = drawTagSheet().convertToFormat(QImage::Format_RGB32);
        if (!writeAreaPicture(area, tiles, sheet, o, format, out).ok()) {
            std::fprintf(stderr, "cannot write the picture\n");
            std::exit(1);
        }
        const qint64 peak = statusBytes("VmHWM:") - before;
        QFile::remove(out);

        // The floor: the finished picture, drawn beforehand, encoded alone.
        double floor = 0;
        {
            const QImage picture = areaPicture(area, tiles, sheet, o);
            for (int k = 0; k < repeats; ++k) {
                QElapsedTimer t;
                t.start();
                if (!writePicture(picture, format, out).ok()) {
                    std::fprintf(stderr, "cannot encode the floor picture\n");
                    std::exit(1);
                }
                const double seconds = double(t.nsecsElapsed()) / 1e9;
                floor = k == 0 ? seconds : std::min(floor, seconds);
            }
        }
        QFile::remove(out);
        std::printf("  %s: vtfile render %.3f s whole process (%.1f MB file); encoding alone %.3f s; "
                    "area, drawing and encoding at their peak %.1f MB (the whole process %.1f MB)\n",
                    ext, run.seconds, double(fileBytes) / 1e6, floor, double(peak) / 1e6, double(run.peakBytes) / 1e6);
        const std::string name = std::string(label) + "_" + ext;
        ratio((name + "_time_vs_encode").c_str(), run.seconds / floor, 1.3);
        ratio((name + "_peak_memory_vs_picture").c_str(), double(peak) / double(imageBytes), 1.5);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The big picture's BMP is 2.5 GB: give a folder with room as the first argument.
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir dir(base + u"/bench_picture-XXXXXX"_s);
    if (!dir.isValid())
        return 1;

    // check --mod: the whole process, against starting the same process to print its help.
    std::vector<double> check, start;
    const QString mod = kGame + u"/Mods/Demo Mod"_s;
    for (int i = 0; i < 7; ++i) {
        check.push_back(runProcess({kGame + u"/vtfile"_s, u"check"_s, u"--mod"_s, mod}).seconds);
        start.push_back(runProcess({kGame + u"/vtfile"_s, u"--help"_s}).seconds);
    }
    std::sort(check.begin(), check.end());
    std::sort(start.begin(), start.end());
    std::printf("check --mod of the demo mod: %.1f ms whole process (median of 7; goal < 50 ms); "
                "starting vtfile alone %.1f ms\n",
                check[3] * 1e3, start[3] * 1e3);
    ratio("check_mod_ms_vs_50ms", check[3] * 1e3 / 50.0, 1.0);
    ratio("check_mod_vs_starting_vtfile", check[3] / start[3], 1.5);

    measure(dir.path(), "area_1000x100_zoom8", 1000, 100, 8);
    if (!qEnvironmentVariableIsSet("VT_BENCH_SMALL"))
        measure(dir.path(), "area_4000x200_zoom32", 4000, 200, 32);
    return 0;
}
