#pragma once

// A picture of a whole area, drawn strip by strip through AreaRenderer and written as it is
// drawn, so that an area far larger than memory allows as one picture can still be saved.
// Used by the area editor's export and the command-line renderer.

#include "Status.h"
#include "area/oLevel.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace tessaforge {

struct AreaPictureOptions
{
    qint32 zoom = 32;
    bool tiles = true;
    bool tags = false;
    bool enemies = false;
    bool start = true;
    std::optional<QRgb> background;  // nullopt: see-through (PNG only)
};

enum class PictureFormat { Png, Bmp };

// PNG or BMP by the file name's extension; nullopt for anything else.
std::optional<PictureFormat> pictureFormatOf(const QString &path);

// The picture's size: every square of the area, nothing past it.
QSize areaPictureSize(const oLevel &area, qint32 zoom);

// Called after each strip with the rows done and the rows in all; false cancels.
using PictureProgress = std::function<bool(qint64 done, qint64 total)>;

// Writes the picture to path in one atomic step (nothing is left at path on failure or
// cancel). tileset and tagSheet as AreaRenderer::setSources takes them.
vt::Status writeAreaPicture(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                            const AreaPictureOptions &options, PictureFormat format,
                            const QString &path, const PictureProgress &progress = {});

// A finished picture (RGB32, or ARGB32 for see-through PNG) through the same encoder and
// atomic write as writeAreaPicture.
vt::Status writePicture(const QImage &picture, PictureFormat format, const QString &path);

// The same picture in memory: Format_RGB32, or ARGB32 when see-through.
QImage areaPicture(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                   const AreaPictureOptions &options);

} // namespace tessaforge
