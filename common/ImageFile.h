#pragma once

#include "Status.h"

#include <QImage>
#include <QString>

namespace vt {

// Pictures are large but not unbounded: a 16384 x 16384 true-colour bitmap is 768 MB.
constexpr qint64 kMaxImageFileSize = qint64(1) << 30;

// Loads a BMP or GIF (or any format Qt reads) through the readers' own checks: a pipe or a
// device is refused at once instead of being waited on, and a file that is not a picture is
// an error naming it. out is set only on success.
Status readImage(const QString &path, QImage &out);

} // namespace vt
