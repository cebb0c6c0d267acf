#pragma once

#include "tileinfo/mLevelTileset.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QStringList>

namespace tilemarrow {

// The names of the tile types, in code order: a list index is a type code.
QStringList TypeNames();

// Marks the tiles a view shows with their types: a frame and a short label in the type's
// colour, a dot on an animated tile; a still background tile stays unmarked, so that the rest
// stands out. origin is the tile at the view's top-left corner, tile the side of a tile in
// pixels; tiles outside the grid are left alone.
void DrawTypeMarks(QImage &view, const TileInfo &info, QPoint origin, int tile, const QFont &font);

} // namespace tilemarrow
