#include "WorldList.h"

#include "AnsiText.h"
#include "FileIO.h"

namespace tessaforge {

namespace {

QByteArrayView trimSpaces(QByteArrayView line)
{
    while (!line.isEmpty() && line.front() == ' ')
        line = line.sliced(1);
    while (!line.isEmpty() && line.back() == ' ')
        line.chop(1);
    return line;
}

} // namespace

QStringList parseWorldList(QByteArrayView bytes)
{
    QStringList folders;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView line = trimSpaces(bytes.sliced(pos, end - pos));
        if (line == ".")
            break;
        folders.append(vt::fromAnsi(line));
        pos = end;
        if (pos < bytes.size() && bytes[pos] == '\r')
            ++pos;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
    return folders;
}

vt::Status ReadWorldList(const QString &path, QStringList &folders)
{
    QByteArray bytes;
    // A world list is a few names; anything larger is not one.
    constexpr qint64 kMaxSize = 16 * 1024 * 1024;
    if (vt::Status s = vt::readWholeFile(path, bytes, kMaxSize); !s)
        return s;
    folders = parseWorldList(bytes);
    return vt::Status::success();
}

} // namespace tessaforge
