#include "Formats.h"

#include "AsStored.h"
#include "BinaryReader.h"
#include "FileIO.h"
#include "FormatTable.h"
#include "JsonReader.h"
#include "JsonWriter.h"
#include "area/oLevel.h"

#include <QFileInfo>
#include <QSize>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

// By Kind.
const FormatEntry *const kFormats[] = {&kAreaEntry, &kWorldEntry,    &kWorldsEntry,  &kMapEntry,
                                       &kTileInfoEntry, &kSkinEntry, &kControlsEntry};
constexpr Kind kKinds[] = {Kind::Area, Kind::World, Kind::Worlds, Kind::Map, Kind::TileInfo, Kind::Skin, Kind::Controls};

// A format's reader may read only the head of a file; what follows is a tail an older, longer
// file left, and a tail far longer than that is no file a program wrote.
constexpr qint64 kKeptTail = 1 << 20;

// No byte of a file takes more JSON than this in any form to-json writes (a grid cell, a
// text's escapes, a patch of one byte), with room for the spacing an editor may add.
constexpr qint64 kJsonBytesPerFileByte = 64;

// Every member any document may hold, for reading a document before its format is known.
JsonNames documentMembers()
{
    static const std::vector<JsonName> all = [] {
        std::vector<JsonName> names;
        for (const FormatEntry *f : kFormats)
            for (const JsonName &name : f->members)
                if (std::none_of(names.begin(), names.end(), [&](const JsonName &n) { return qstrcmp(n.name, name.name) == 0; }))
                    names.push_back(name);
        return names;
    }();
    return JsonNames(all.data(), all.size());
}

} // namespace

const FormatEntry &formatEntry(Kind kind)
{
    const FormatEntry &f = *kFormats[int(kind)];
    Q_ASSERT(f.kind == kind);
    return f;
}

QString kindName(Kind kind)
{
    return QString::fromLatin1(formatEntry(kind).format->name);
}

QString kindFile(Kind kind)
{
    return formatEntry(kind).format->file();
}

std::optional<Kind> kindFromName(QStringView name)
{
    for (Kind k : kKinds)
        if (name.compare(QLatin1StringView(formatEntry(k).format->name), Qt::CaseInsensitive) == 0)
            return k;
    return std::nullopt;
}

std::optional<Kind> kindOfPath(const QString &path)
{
    const QString ext = QFileInfo(path).suffix();
    for (Kind k : kKinds)
        if (ext.compare(QLatin1StringView(formatEntry(k).format->extension), Qt::CaseInsensitive) == 0)
            return k;
    return std::nullopt;
}

qint64 maxFileSize(Kind kind)
{
    const vt::FileFormat &format = *formatEntry(kind).format;
    return format.reading == vt::FileFormat::Reading::Whole ? format.maxSize : format.maxSize + kKeptTail;
}

qint64 maxJsonSize(std::optional<Kind> kind)
{
    if (kind)
        return kJsonBytesPerFileByte * maxFileSize(*kind);
    qint64 most = 0;
    for (Kind k : kKinds)
        most = std::max(most, maxJsonSize(k));
    return most;
}

QString decodeError(Kind kind, QByteArrayView bytes)
{
    return formatEntry(kind).decodeError(bytes);
}

qint64 jsonSizeAtLeast(Kind kind, QByteArrayView bytes)
{
    // Every cell of an area's grid takes at least "0, " in the JSON, stored or not.
    if (kind == Kind::Area)
        if (const std::optional<QSize> size = tessaforge::areaGridOf(bytes))
            return qint64(size->width()) * size->height() * 3;
    return bytes.size();
}

QString missingPart(Kind kind, QByteArrayView bytes)
{
    const std::optional<QSize> size = kind == Kind::Area ? tessaforge::areaGridOf(bytes) : std::nullopt;
    if (!size)
        return {};
    const qint64 cells = qint64(size->width()) * size->height();
    const qint64 stored = std::min<qint64>(
        cells, (bytes.size() - tessaforge::oLevel::kHeaderSize) / tessaforge::oLevel::kCellSize);
    if (stored == cells)
        return {};
    return u"cut short: it holds %1 of the %2 cells its header gives (%3 x %4); the others read as empty"_s
        .arg(stored)
        .arg(cells)
        .arg(size->width())
        .arg(size->height());
}

QString writtenFileProblem(Kind kind, QByteArrayView bytes)
{
    if (bytes.size() > maxFileSize(kind))
        return u"it would be %1 bytes, more than the %2 bytes a reader takes"_s.arg(bytes.size()).arg(
            maxFileSize(kind));
    return decodeError(kind, bytes);
}

ReadResult readFile(const QString &path, Kind kind, QByteArray &bytes, QString &error, Check check)
{
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(kind)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (check == Check::BytesOnly)
        return ReadResult::Ok;
    if (const QString e = decodeError(kind, bytes); !e.isEmpty()) {
        error = path + u": "_s + e;
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

ReadResult readArea(const QString &path, tessaforge::oLevel &area, QString &error)
{
    QByteArray bytes;
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(Kind::Area)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (vt::Status s = tessaforge::decode(bytes, area); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

QString summary(Kind kind, QByteArrayView bytes)
{
    return formatEntry(kind).summary(bytes);
}

namespace {

vt::Status writeJson(Kind kind, QByteArrayView bytes, JsonWriter &out)
{
    const FormatEntry &f = formatEntry(kind);
    out.beginObject();
    out.latin1("format", f.format->name);
    // The bytes the values alone give are the baseline the stored differences are taken from.
    QByteArray written;
    if (vt::Status s = f.toJson(bytes, out, written); !s)
        return s;
    writeStoredDifferences(out, written, bytes);
    out.end();
    if (!out.finish())
        return vt::Status::failure(u"the JSON could not be handed on"_s);
    return vt::Status::success();
}

} // namespace

vt::Status toJson(Kind kind, QByteArrayView bytes, QByteArray &json)
{
    QByteArray text;
    // Room for most of it at once: growing a large text step by step copies it again and again.
    // (A text of the files takes about as much JSON as its bytes; a world's numbers eight
    // times as much.)
    text.reserve(std::max(2 * jsonSizeAtLeast(kind, bytes), 8 * qint64(bytes.size())) + 4096);
    JsonWriter out(text);
    if (vt::Status s = writeJson(kind, bytes, out); !s)
        return s;
    json = std::move(text);
    return vt::Status::success();
}

vt::Status toJson(Kind kind, QByteArrayView bytes, const std::function<bool(QByteArrayView)> &write)
{
    JsonWriter out(write);
    return writeJson(kind, bytes, out);
}

vt::Status fromJson(std::optional<Kind> kind, QByteArrayView json, QByteArray &out, Kind *usedKind,
                    std::optional<Kind> fallback)
{
    JsonReader in(json);
    JsonObject document = in.object(in.document(), documentMembers());
    const JsonValue format = in.optional(document, "format");
    std::optional<Kind> named;
    if (format.present()) {
        const QString name = in.string(format);
        if (!in.bad() && !(named = kindFromName(name)))
            in.fail(format, u"unknown format \"%1\""_s.arg(name));
    }
    if (!in.bad() && kind && named && *kind != *named)
        in.fail(format, u"the JSON holds %1, not %2"_s.arg(kindFile(*named), kindFile(*kind)));
    if (!kind)
        kind = named ? named : fallback;
    if (!in.bad() && !kind)
        in.failMember(document, "format", u"missing, and no --type given"_s);
    if (in.bad())
        return vt::Status::failure(in.error());

    // Every member is checked against the format's list, so that a misspelt one is reported.
    const FormatEntry &f = formatEntry(*kind);
    in.narrow(document, f.members);
    QByteArray bytes = f.fromJson(in, document);
    applyStored(in, document, bytes);
    in.done(document);
    in.finish(document);
    if (in.bad())
        return vt::Status::failure(in.error());
    if (usedKind)
        *usedKind = *kind;
    out = std::move(bytes);
    return vt::Status::success();
}

QString kindExtension(Kind kind)
{
    return QString::fromLatin1(formatEntry(kind).format->extension);
}

ReadResult readAreaBytes(const QString &path, QByteArray &bytes, QString &error)
{
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(Kind::Area)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (!tessaforge::areaGridOf(bytes)) {
        error = path + u": "_s + decodeError(Kind::Area, bytes);  // refused before any grid is made
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

TilesOutside areaTilesOutside(QByteArrayView bytes, QSize tiles)
{
    TilesOutside found;
    const std::optional<QSize> size = tessaforge::areaGridOf(bytes);
    if (!size)
        return found;
    constexpr uchar kTile = 255;  // a cell shows a tile only when its flag byte is exactly 255
    constexpr int kCell = int(tessaforge::oLevel::kCellSize);
    const qint64 rows = size->height();
    const qint64 cells = std::min<qint64>(qint64(size->width()) * rows, (bytes.size() - tessaforge::oLevel::kHeaderSize) / kCell);
    const auto *start = reinterpret_cast<const uchar *>(bytes.data()) + tessaforge::oLevel::kHeaderSize;

    // A bound first: the highest tile column and row stored in any cell, tile or not, from a
    // byte-wise maximum over blocks of 16 cells, which compiles to vector code. Nearly always
    // it lies inside and the cells need no closer look.
    constexpr int kBlock = 16 * kCell;
    uchar high[kBlock] = {};
    const uchar *p = start;
    qint64 i = 0;
    for (; i + 16 <= cells; i += 16, p += kBlock) {
        uchar block[kBlock];  // a copy, so that the compiler need not fear it overlaps high
        for (int j = 0; j < kBlock; ++j)
            block[j] = p[j];
        for (int j = 0; j < kBlock; ++j)
            high[j] = std::max(high[j], block[j]);
    }
    int highX = 0, highY = 0;
    for (int j = 0; j < kBlock; j += kCell) {
        highX = std::max<int>(highX, high[j + 1]);
        highY = std::max<int>(highY, high[j + 2]);
    }
    for (; i < cells; ++i, p += kCell) {
        highX = std::max<int>(highX, p[1]);
        highY = std::max<int>(highY, p[2]);
    }
    if (highX < tiles.width() && highY < tiles.height())
        return found;

    p = start;
    for (i = 0; i < cells; ++i, p += kCell) {
        if (p[0] == kTile && (p[1] >= tiles.width() || p[2] >= tiles.height())) {
            if (!found.cells) {
                found.first = QPoint(int(i / rows), int(i % rows));
                found.tile = QPoint(p[1], p[2]);
            }
            ++found.cells;
        }
    }
    return found;
}

} // namespace vtfile
