#pragma once

#include "area/AreaEditing.h"

#include <QObject>

namespace tessaforge {

// What the area editor paints with, as the palette chose it, and the layers it shows beside
// the one being edited. The frame owns one and hands it to the palette and the area editor;
// whoever changes it through the setters, the others hear of it.
class AreaBrush final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AreaBrush)

public:
    using QObject::QObject;

    // The layer the mouse edits, and the selection: a tile's column and row in the tileset,
    // or (curTileX 0 tags, 1 enemies) the value in curTileY.
    AreaLayer tMode = AreaLayer::Tiles;
    qint32 curTileX = 0;
    qint32 curTileY = 0;
    // The palette's "show" boxes: layers drawn while another one is edited.
    bool bForceShowTags = false;
    bool bForceShowEnemy = false;

    void select(AreaLayer mode, qint32 x, qint32 y);
    void setForcedLayers(bool tags, bool enemies);

    bool showsTags() const { return tMode == AreaLayer::Tags || bForceShowTags; }
    bool showsEnemies() const { return tMode == AreaLayer::Enemies || bForceShowEnemy; }

Q_SIGNALS:
    void changed();
};

} // namespace tessaforge
