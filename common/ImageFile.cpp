#include "ImageFile.h"

#include "FileIO.h"

namespace vt {

Status readImage(const QString &path, QImage &out)
{
    QByteArray bytes;
    if (Status s = readWholeFile(path, bytes, kMaxImageFileSize); !s)
        return s;
    QImage picture;
    if (!picture.loadFromData(bytes) || picture.isNull())
        return Status::failure(QStringLiteral("%1 is not a picture that can be read.").arg(path));
    out = std::move(picture);
    return Status::success();
}

} // namespace vt
