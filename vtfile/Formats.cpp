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

qint64 maxJsonSize(std::optional<Kind> kind)
{
    if (kind)
        return kJsonBytesPerFileByte * maxFileSize(*kind);
    qint64 most = 0;
    for (Kind k : kKinds)
        most = std::max(most, maxJsonSize(k));
    return most;
}

qint64 jsonSizeAtLeast(Kind kind, QByteArrayView bytes)
{
    // Every cell of an area's grid takes at least "0, " in the JSON, stored or not.
    if (kind == Kind::Area)
        if (const std::optional<QSize> size = tessaforge::areaGridOf(bytes))
            return qint64(size->width()) * size->height() * 3;
    return bytes.size();
}

QString writtenFileProblem(Kind kind, QByteArrayView bytes)
{
    if (bytes.size() > maxFileSize(kind))
        return u"it would be %1 bytes, more than the %2 bytes a reader takes"_s.arg(bytes.size()).arg(
            maxFileSize(kind));
    return decodeError(kind, bytes);
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
    out.latin1("format", kindFormat(kind).name);
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

} // namespace vtfile
