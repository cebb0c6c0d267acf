#pragma once

#include "world/mWorldData.h"

#include <QString>

#include <vector>

namespace tessaforge {

// An area file the levels of a world name.
struct WorldArea
{
    QString name;     // as the levels give it, without ".qzl"
    QString path;     // found as on Windows, where mods are made: letter case aside
    QString problem;  // why the name cannot be a file of the world folder; path is then empty
};

// Each area file of the world's levels once, however many levels share it, in level order.
// Levels that name no area are left out.
std::vector<WorldArea> worldAreas(const QString &worldFolder, const WorldDetails &world);

} // namespace tessaforge
