#include "world/WorldAreas.h"

#include "AnsiText.h"
#include "Paths.h"

#include <QDir>
#include <QHash>
#include <QSet>

namespace tessaforge {

std::vector<WorldArea> worldAreas(const QString &worldFolder, const WorldDetails &world)
{
    // The folder listed once, rather than a look-up on the disk per name: a world has dozens of
    // levels, and a mod dozens of worlds. Names are found as resolvePath finds them: the exact
    // name first, else one that differs only in letter case.
    const QStringList entries =
        QDir(worldFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                    QDir::Name | QDir::IgnoreCase);
    const QSet<QString> exact(entries.cbegin(), entries.cend());
    QHash<QString, QString> folded;
    for (const QString &entry : entries)
        if (const QString lower = entry.toLower(); !folded.contains(lower))
            folded.insert(lower, entry);
    const auto entryFor = [&](const QString &file) {
        if (exact.contains(file))
            return file;
        const auto it = folded.constFind(file.toLower());
        return it == folded.cend() ? file : *it;
    };

    std::vector<WorldArea> areas;
    QSet<QString> seen;
    QSet<QByteArray> seenNames;  // a name once: levels often share an area
    for (const LevelRecord &level : world.Levels) {
        if (level.sAreaFile.isEmpty() || seenNames.contains(level.sAreaFile))
            continue;
        seenNames.insert(level.sAreaFile);
        WorldArea area;
        area.name = vt::fromAnsi(level.sAreaFile);
        const QString file = area.name + QStringLiteral(".qzl");
        if (!vt::isBareFileName(file) || area.name.contains(u'\\') || area.name.contains(u':')) {
            area.problem = QStringLiteral("the area name \"%1\" is not a plain file name").arg(area.name);
            areas.push_back(std::move(area));
            continue;
        }
        area.path = vt::joinPath(worldFolder, entryFor(file));
        if (seen.contains(area.path))
            continue;  // another spelling of a name already listed
        seen.insert(area.path);
        areas.push_back(std::move(area));
    }
    return areas;
}

} // namespace tessaforge
