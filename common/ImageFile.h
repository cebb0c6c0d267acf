#pragma once

#include "Status.h"

#include <QImage>
#include <QString>

namespace vt {

// Pictures are large but not unbounded: a 16384 x 16384 true-colour bitmap is 768 MB.
constexpr qint64 kMaxImageFileSize = qint64(1) << 30;

// The largest picture any program opens, in pixels: a tileset of 255 x 255 tiles of 32 x 32
// pixels (8160 x 8160), the most a tile information file can describe. Decoded in 32-bit
// colour that is 254 MiB, beyond the toolkit's default allocation limit of 128 MiB, which
// would refuse a tileset from 255 x 129 tiles on.
constexpr qint64 kMaxPicturePixels = qint64(255 * 32) * (255 * 32);

// Loads a BMP or GIF (or any format Qt reads) through the readers' own checks: a pipe or a
// device is refused at once instead of being waited on, a picture whose header promises more
// than kMaxPicturePixels is refused before it is decoded, and a file that is not a picture is
// an error naming it and saying why. out is set only on success.
Status readImage(const QString &path, QImage &out);

} // namespace vt
