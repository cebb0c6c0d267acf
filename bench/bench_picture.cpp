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
#include <QImage>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <time.h>
#include <unistd.h>
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

// Programs are started by a small helper process forked before anything else: a child's
// peak memory as the kernel reports it includes the resident size of whoever started it, so
// the starter must stay small for the figure to be the program's own.
struct Spawner
{
    int toHelper = -1;
    int fromHelper = -1;
};
Spawner g_spawner;

struct Reply
{
    double seconds;
    long peakKB;
    int status;
};

bool readAll(int fd, void *data, std::size_t n)
{
    auto *p = static_cast<char *>(data);
    while (n) {
        const ssize_t got = ::read(fd, p, n);
        if (got <= 0)
            return false;
        p += got;
        n -= std::size_t(got);
    }
    return true;
}

[[noreturn]] void helperLoop(int in, int out)
{
    quint32 size = 0;
    while (readAll(in, &size, sizeof size)) {
        std::string packed(size, '\0');
        if (!readAll(in, packed.data(), size))
            break;
        std::vector<char *> argv;
        for (std::size_t at = 0; at < packed.size(); at += std::strlen(&packed[at]) + 1)
            argv.push_back(&packed[at]);
        argv.push_back(nullptr);
        posix_spawn_file_actions_t quiet;  // the program's own output is not the benchmark's
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        timespec t0{}, t1{};
        clock_gettime(CLOCK_MONOTONIC, &t0);
        pid_t pid = 0;
        Reply r{0, 0, -1};
        if (posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            rusage usage{};
            wait4(pid, &status, 0, &usage);
            clock_gettime(CLOCK_MONOTONIC, &t1);
            r.seconds = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) / 1e9;
            r.peakKB = usage.ru_maxrss;
            r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&quiet);
        if (::write(out, &r, sizeof r) != ssize_t(sizeof r))
            break;
    }
    _exit(0);
}

void startSpawner()
{
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0)
        std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        close(down[1]);
        close(up[0]);
        helperLoop(down[0], up[1]);
    }
    close(down[0]);
    close(up[1]);
    g_spawner = {down[1], up[0]};
}

// Runs a program to its end: wall time, exit status and its own peak resident memory.
ProcessRun runProcess(const QStringList &args)
{
    std::string packed;
    for (const QString &a : args) {
        packed += a.toStdString();
        packed += '\0';
    }
    const quint32 size = quint32(packed.size());
    ProcessRun r;
    Reply reply{};
    if (::write(g_spawner.toHelper, &size, sizeof size) != ssize_t(sizeof size)
        || ::write(g_spawner.toHelper, packed.data(), packed.size()) != ssize_t(packed.size())
        || !readAll(g_spawner.fromHelper, &reply, sizeof reply))
        return r;
    r.seconds = reply.seconds;
    r.peakBytes = qint64(reply.peakKB) * 1024;
    r.status = reply.status;
    return r;
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

    AreaPictureOptions o;
    o.zoom = zoom;
    o.tags = o.enemies = true;
    o.background = qRgb(24, 28, 40);
    const QImage tiles = tileset();
    const QImage sheet = drawTagSheet().convertToFormat(QImage::Format_RGB32);
    // The floor's picture, drawn beforehand: only its encoding is timed.
    const QImage picture = areaPicture(area, tiles, sheet, o);

    for (const PictureFormat format : {PictureFormat::Png, PictureFormat::Bmp}) {
        const char *ext = format == PictureFormat::Png ? "png" : "bmp";
        const QString out = dir + u"/out."_s + QLatin1String(ext);
        // The least of a few runs: the machine is shared, and noise only ever adds. The two are
        // timed in turns, each onto a name that does not exist yet, so that both meet the disk
        // in the same state (its writeback of the run before is what varies most).
        const int repeats = imageBytes < (qint64(256) << 20) ? 7 : 1;
        ProcessRun run;
        double floor = 0;
        qint64 fileBytes = 0;
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
            fileBytes = QFileInfo(out).size();
            QFile::remove(out);

            QElapsedTimer t;
            t.start();
            if (!writePicture(picture, format, out).ok()) {
                std::fprintf(stderr, "cannot encode the floor picture\n");
                std::exit(1);
            }
            const double seconds = double(t.nsecsElapsed()) / 1e9;
            floor = k == 0 ? seconds : std::min(floor, seconds);
            QFile::remove(out);
        }
        std::printf("  %s: vtfile render %.3f s whole process (%.1f MB file); encoding alone %.3f s; "
                    "peak memory of the whole process %.1f MB\n",
                    ext, run.seconds, double(fileBytes) / 1e6, floor, double(run.peakBytes) / 1e6);
        const std::string name = std::string(label) + "_" + ext;
        ratio((name + "_time_vs_encode").c_str(), run.seconds / floor, 1.3);
        ratio((name + "_peak_memory_vs_picture").c_str(), double(run.peakBytes) / double(imageBytes), 1.5);
    }
}

} // namespace

int main(int argc, char **argv)
{
    startSpawner();
    QCoreApplication app(argc, argv);  // drawing into a QImage needs no platform
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
