#pragma once

#include "CheckReport.h"

namespace tessaforge {

class AreaDocument;
class MapDocument;
class WorldDocument;

// The open world checked as "vtfile check --mod" checks a mod, but only this world: its
// details, areas and map, what they name in the game's Data/, and its line of the mod's world
// list. An open document with unsaved changes is checked as it would be saved, not as the
// disk holds it. area and map may be nullptr (not open).
vtfile::CheckReport checkOpenWorld(const WorldDocument &world, const AreaDocument *area, const MapDocument *map);

} // namespace tessaforge
