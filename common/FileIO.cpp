#include "FileIO.h"

#include <QFile>
#include <QSaveFile>

namespace vt {

namespace {
std::optional<qsizetype> g_failAfter;
}

void setReplaceFaultForTesting(std::optional<qsizetype> failAfterBytes)
{
    g_failAfter = failAfterBytes;
}

bool fileReadable(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly);
}

Status readWholeFile(const QString &path, QByteArray &out, qint64 maxSize)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Status::failure(QStringLiteral("Cannot open %1: %2").arg(path, f.errorString()));
    const qint64 size = f.size();
    if (size > maxSize)
        return Status::failure(QStringLiteral("%1 is too large (%2 bytes).").arg(path).arg(size));
    QByteArray data;
    try {
        data = f.readAll();
    } catch (const std::bad_alloc &) {
        return Status::failure(QStringLiteral("Not enough memory to read %1.").arg(path));
    }
    if (f.error() != QFileDevice::NoError)
        return Status::failure(QStringLiteral("Cannot read %1: %2").arg(path, f.errorString()));
    out = std::move(data);
    return Status::success();
}

Status replaceFile(const QString &path, QByteArrayView bytes, OldTail tail)
{
    QByteArray oldTail;
    if (tail == OldTail::Keep) {
        QFile old(path);
        if (old.exists() && old.open(QIODevice::ReadOnly) && old.size() > bytes.size()) {
            if (!old.seek(bytes.size()))
                return Status::failure(QStringLiteral("Cannot read %1: %2").arg(path, old.errorString()));
            oldTail = old.readAll();
            if (old.error() != QFileDevice::NoError)
                return Status::failure(QStringLiteral("Cannot read %1: %2").arg(path, old.errorString()));
        }
    }

    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return Status::failure(QStringLiteral("Cannot write %1: %2").arg(path, f.errorString()));

    auto writeAll = [&f](QByteArrayView part) {
        return f.write(part.data(), part.size()) == part.size();
    };
    if (g_failAfter) {
        const QByteArrayView head = bytes.first(std::min(*g_failAfter, bytes.size()));
        (void)writeAll(head);
        f.cancelWriting();
        return Status::failure(QStringLiteral("Cannot write %1: No space left on device").arg(path));
    }
    if (!writeAll(bytes) || !writeAll(oldTail) || !f.commit())
        return Status::failure(QStringLiteral("Cannot write %1: %2").arg(path, f.errorString()));
    return Status::success();
}

} // namespace vt
