#include "ImageFile.h"

#include "FileIO.h"

#include <QBuffer>
#include <QImageReader>

namespace vt {

namespace {

// The toolkit's allocation limit that the largest picture needs, in its unit (MiB): 4 bytes
// a pixel, rounded up. The limit is one for the whole program; every picture of ours comes
// through here, so it is set before the first one is read.
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
    if (const int limit = QImageReader::allocationLimit(); limit != 0 && limit < kAllocationLimitMiB)
        QImageReader::setAllocationLimit(kAllocationLimitMiB);  // 0 would be no limit at all
    QImageReader reader(&buffer);
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
