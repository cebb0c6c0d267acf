#pragma once

// What the benchmarks that generate their own game files share: stopping with the reason,
// plain writes, and an area of ground, platforms and scattered tiles, tags and enemies.

#include "area/oLevel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace bench {

[[noreturn]] inline void die(const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, qPrintable(why));
    std::exit(1);
}

// Plain writes, no sync: the generated folder is thrown away, and syncing each file would make
// the set-up the longest part of the run.
inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        die(QStringLiteral("cannot write ") + path);
}

// About two cells in three hold a tile of a tileset of 16 x 8 tiles; every 17th a tag, every
// 41st an enemy. The seed moves the pattern.
inline tessaforge::oLevel sceneryArea(int columns, int rows, int seed)
{
    tessaforge::oLevel area;
    if (!area.Resize(columns, rows))
        die(QStringLiteral("cannot size an area"));
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y) {
            if (y >= rows - 3 || (x * 7 + y * 3 + seed) % 3)
                area.SetTile(x, y, (x + seed) % 16, (y + x / 5) % 8);
            if ((x + y + seed) % 17 == 0)
                (void)area.SetTileTag(x, y, (x + 2 * y) % 37 + 1);
            if ((x * 3 + y) % 41 == 0)
                (void)area.SetTileEnemy(x, y, (3 * x + y) % 25 + 1);
        }
    return area;
}

inline QByteArray encoded(const tessaforge::oLevel &area)
{
    QByteArray bytes;
    if (!tessaforge::encode(area, bytes))
        die(QStringLiteral("cannot encode an area"));
    return bytes;
}

} // namespace bench
