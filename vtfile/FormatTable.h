#pragma once

#include "FileFormat.h"
#include "Formats.h"
#include "JsonReader.h"
#include "JsonWriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vtfile {

// What vtfile knows of one format: the format's own description, and its JSON form, summary
// and check, which live in a file per format (AreaJson.cpp, WorldJson.cpp, ...). Formats.cpp
// finds them all through one table, by Kind.
struct FormatEntry
{
    Kind kind;
    const vt::FileFormat *format;  // name, extension, how much a reader takes
    // The members a document of this format may hold, in the order to-json writes them.
    JsonNames members;
    // Empty when the format's reader takes the bytes, else its reason.
    QString (*decodeError)(QByteArrayView bytes);
    // A few lines on bytes the reader takes.
    QString (*summary)(QByteArrayView bytes);
    // Decodes the bytes once and writes the document's members after "format" from the model;
    // `written` becomes the bytes from-json makes of those members alone. A refusal of the
    // format's reader comes back as it is.
    vt::Status (*toJson)(QByteArrayView bytes, JsonWriter &out, QByteArray &written);
    // The bytes the document's members give; the first bad value is refused through `in`.
    QByteArray (*fromJson)(JsonReader &in, JsonObject &document);
};

const FormatEntry &formatEntry(Kind kind);

extern const FormatEntry kAreaEntry;
extern const FormatEntry kWorldEntry;
extern const FormatEntry kWorldsEntry;
extern const FormatEntry kMapEntry;
extern const FormatEntry kTileInfoEntry;
extern const FormatEntry kSkinEntry;
extern const FormatEntry kControlsEntry;

// Helpers the entries share.

template <class M, vt::Status (*decode)(QByteArrayView, M &)>
QString decodeErrorOf(QByteArrayView bytes)
{
    M model;
    const vt::Status s = decode(bytes, model);
    return s ? QString() : s.error();
}

// The bytes of the model as the JSON shows it: a model the format cannot hold has no exact
// JSON form.
template <class M>
vt::Status encodeWritten(vt::Status (*encode)(const M &, QByteArray &), const M &model, QByteArray &written)
{
    if (vt::Status s = encode(model, written); !s)
        return vt::Status::failure(QStringLiteral("no exact JSON form: ") + s.error());
    return vt::Status::success();
}

inline void writePair(JsonWriter &out, const char *key, qint64 a, qint64 b)
{
    out.beginArray(key);
    out.number(nullptr, a);
    out.number(nullptr, b);
    out.end();
}

} // namespace vtfile
