#include "FileFormat.h"

#include <algorithm>

namespace vt {

QString FileFormat::file() const
{
    const bool vowel = QByteArrayView("aeiou").contains(name[0]);
    return QStringLiteral("%1 %2 file").arg(vowel ? QStringLiteral("an") : QStringLiteral("a"),
                                           QLatin1StringView(name));
}

Status readFormatFile(const FileFormat &format, const QString &path, QByteArray &bytes)
{
    if (format.reading == FileFormat::Reading::Whole)
        return readWholeFile(path, bytes, format.maxSize);
    qint64 size = format.maxSize;
    if (format.sizeFromHeader) {
        // The header says how many bytes the layout takes: nothing past them is read, so the
        // cap is exact whatever the file's size.
        QByteArray header;
        if (Status s = readFileHead(path, header, format.headerSize); !s)
            return s;
        if (header.size() < format.headerSize) {
            bytes = std::move(header);
            return Status::success();
        }
        size = std::min(format.maxSize, format.sizeFromHeader(header));
    }
    return readFileHead(path, bytes, size);
}

Status cannotRead(const QString &path, const Status &why)
{
    return Status::failure(QStringLiteral("Cannot read %1: %2").arg(path, why.error()));
}

Status cannotSave(const QString &path, const Status &why)
{
    return Status::failure(QStringLiteral("Cannot save %1: %2").arg(path, why.error()));
}

} // namespace vt
