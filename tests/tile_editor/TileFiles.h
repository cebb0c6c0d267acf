#pragma once

#include "tileinfo/mLevelTileset.h"
#include "support/Encoded.h"

#include <QByteArray>

#include <array>
#include <initializer_list>

// A .qzt of the given grid with the listed tiles set ({x, y, value}).
inline QByteArray tileFile(int columns, int rows, std::initializer_list<std::array<int, 3>> tiles = {})
{
    tilemarrow::TileInfo info;
    info.resize(quint8(columns - 1), quint8(rows - 1));
    for (const auto &t : tiles)
        info.setTile(t[0], t[1], t[2]);
    return encoded(tilemarrow::mLevelTileset::encode, info);
}
