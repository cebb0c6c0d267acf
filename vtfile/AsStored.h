#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace vtfile {

class JsonObject;
class JsonReader;
class JsonWriter;

// Bytes the programs would not write themselves (stale tails, flag bytes other than 0 and 255,
// a file cut short, ...) travel in the document's "asStored" member, so that the file comes
// back exactly.

// Writes "asStored" with what turns `written` (the bytes the values give) into `file`; nothing
// when they are the same.
void writeStoredDifferences(JsonWriter &out, QByteArrayView written, QByteArrayView file);

// Applies the document's "asStored", if any, to the bytes the values gave.
void applyStored(JsonReader &in, JsonObject &document, QByteArray &bytes);

} // namespace vtfile
