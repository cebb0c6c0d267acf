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

namespace {

// Each line of the list, trimmed, up to the "." that ends it.
template<typename Take>
void forEachLine(QByteArrayView bytes, Take take)
{
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView line = trimSpaces(bytes.sliced(pos, end - pos));
        if (line == ".")
            break;
        take(line);
        pos = end;
        if (pos < bytes.size() && bytes[pos] == '\r')
            ++pos;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
}

} // namespace

std::vector<QByteArrayView> worldListLines(QByteArrayView bytes)
{
    std::vector<QByteArrayView> lines;
    forEachLine(bytes, [&](QByteArrayView line) { lines.push_back(line); });
    return lines;
}

QStringList parseWorldList(QByteArrayView bytes)
{
    QStringList folders;
    forEachLine(bytes, [&](QByteArrayView line) { folders.append(vt::fromAnsi(line)); });
    return folders;
}

const vt::FileFormat kWorldListFormat = {
    .name = "worlds",
    .extension = "inf",
    // A world list is a few names; anything larger is not one.
    .maxSize = 16 * 1024 * 1024,
    .reading = vt::FileFormat::Reading::Whole,
    .saveTail = vt::OldTail::Drop,
    .shortFile = "any length is a list; an empty file names no world",
};

vt::Status ReadWorldList(const QString &path, QStringList &folders)
{
    QByteArray bytes;
    if (vt::Status s = vt::readFormatFile(kWorldListFormat, path, bytes); !s)
        return s;
    folders = parseWorldList(bytes);
    return vt::Status::success();
}

vt::Status decode(QByteArrayView bytes, WorldListText &list)
{
    // The first line ending decides.
    WorldListText l;
    const qsizetype cr = bytes.indexOf('\r'), lf = bytes.indexOf('\n');
    if (cr >= 0 && lf == cr + 1)
        l.ending = "\r\n";
    else if (lf >= 0 && (cr < 0 || lf < cr))
        l.ending = "\n";
    else if (cr >= 0)
        l.ending = "\r";
    QByteArrayView all = bytes;
    if (!all.isEmpty() && all.endsWith(l.ending)) {
        l.endsWithEnding = true;
        all.chop(l.ending.size());
    }
    if (!bytes.isEmpty()) {
        for (qsizetype from = 0;;) {
            const qsizetype next = all.indexOf(l.ending, from);
            if (next < 0) {
                l.lines.append(all.sliced(from).toByteArray());
                break;
            }
            l.lines.append(all.sliced(from, next - from).toByteArray());
            from = next + l.ending.size();
        }
    }
    list = std::move(l);
    return vt::Status::success();
}

vt::Status encode(const WorldListText &list, QByteArray &out)
{
    QByteArray bytes = list.lines.join(list.ending);
    if (list.endsWithEnding)
        bytes += list.ending;
    out = std::move(bytes);
    return vt::Status::success();
}

} // namespace tessaforge
