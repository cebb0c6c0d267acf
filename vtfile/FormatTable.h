#pragma once

#include "FileFormat.h"
#include "Formats.h"
#include "JsonReader.h"
#include "JsonWriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vtfile {

// What vtfile knows of one format beyond its description and reader (FileKinds.h): its JSON
// form and summary, which live in a file per format (AreaJson.cpp, WorldJson.cpp, ...).
// Formats.cpp finds them all through one table, by Kind.
struct FormatEntry
{
    Kind kind;  // whose description and reader FileKinds.h gives
    // The members a document of this format may hold, in the order to-json writes them.
    JsonNames members;
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
