#pragma once

#include <QImage>
#include <QObject>

namespace tessaforge {

// The pictures that the area editor, the palette and the export draw from: the current
// level's tileset and the tag sheet. The frame owns them and loads a level's tileset.
class AreaPictures final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AreaPictures)

public:
    using QObject::QObject;

    QImage picHoldTiles;
    QImage picHoldTags;

    void setTileset(QImage picture)
    {
        picHoldTiles = std::move(picture);
        Q_EMIT tilesetChanged();
    }
    void setTagSheet(QImage sheet)
    {
        picHoldTags = std::move(sheet);
        Q_EMIT tilesetChanged();
    }

Q_SIGNALS:
    // Either picture was replaced.
    void tilesetChanged();
};

} // namespace tessaforge
