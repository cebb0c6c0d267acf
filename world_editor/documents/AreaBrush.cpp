#include "AreaBrush.h"

namespace tessaforge {

void AreaBrush::select(AreaLayer mode, qint32 x, qint32 y)
{
    if (mode == tMode && x == curTileX && y == curTileY)
        return;
    tMode = mode;
    curTileX = x;
    curTileY = y;
    Q_EMIT changed();
}

void AreaBrush::setForcedLayers(bool tags, bool enemies)
{
    if (tags == bForceShowTags && enemies == bForceShowEnemy)
        return;
    bForceShowTags = tags;
    bForceShowEnemy = enemies;
    Q_EMIT changed();
}

} // namespace tessaforge
