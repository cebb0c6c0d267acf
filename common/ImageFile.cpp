#include "ImageFile.h"

#include "FileIO.h"

#include <QBuffer>
#include <QImageReader>

namespace vt {

namespace {

// The allocation limit the reader needs for the largest picture, in the reader's unit
// (MiB): 4 bytes a pixel, rounded up.
constexpr int kAllocationLimitMiB = int((kMaxPicturePixels * 4 + (1 << 20) - 1) >> 20);

QString tooLarge(const QString &path, QSize size)
{
    return QStringLiteral("%1 is %2 x %3 pixels, larger than any picture these programs open "
                          "(at most %4 million pixels, as 8160 x 8160).")
        .arg(path)
        .arg(size.width())
        .arg(size.height())
        .arg(double(kMaxPicturePixels) / 1e6, 0, 'f', 1);
}

} // namespace

Status readImage(const QString &path, QImage &out)
{
    QByteArray bytes;
    if (Status s = readWholeFile(path, bytes, kMaxImageFileSize); !s)
        return s;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMiB);
    // The header's size decides before anything is allocated for the pixels.
    if (const QSize promised = reader.size();
        promised.isValid() && qint64(promised.width()) * promised.height() > kMaxPicturePixels)
        return Status::failure(tooLarge(path, promised));
    QImage picture = reader.read();
    if (picture.isNull())
        return Status::failure(
            QStringLiteral("%1 is not a picture that can be read (%2).").arg(path, reader.errorString()));
    if (qint64(picture.width()) * picture.height() > kMaxPicturePixels)
        return Status::failure(tooLarge(path, picture.size()));
    out = std::move(picture);
    return Status::success();
}

} // namespace vt
