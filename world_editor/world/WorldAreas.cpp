#include "world/WorldAreas.h"

#include "AnsiText.h"
#include "Paths.h"

#include <QSet>

namespace tessaforge {

std::vector<WorldArea> worldAreas(const QString &worldFolder, const WorldDetails &world)
{
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
        area.path = vt::resolvePath(vt::joinPath(worldFolder, file));
        if (seen.contains(area.path))
            continue;  // another spelling of a name already listed
        seen.insert(area.path);
        areas.push_back(std::move(area));
    }
    return areas;
}

} // namespace tessaforge
