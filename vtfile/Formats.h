#pragma once

// The seven file formats of the game folder as seen from the command line: on top of what a
// check knows of them (FileKinds.h), a short summary and the JSON form of each (JSON.md).

#include "FileKinds.h"
#include "Status.h"
#include "area/oLevel.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

namespace vtfile {

// The most bytes the JSON text of a file of this kind can take (of any kind when none is
// given): a larger text is no file's JSON, and is not read.
qint64 maxJsonSize(std::optional<Kind> kind);

// A lower bound of the size of the JSON text of valid bytes, from the area's header alone
// (a short file may describe a huge grid), so that a request can be refused before the work.
qint64 jsonSizeAtLeast(Kind kind, QByteArrayView bytes);

// Why bytes about to be written as a file of this kind would not be read back: larger than
// the readers take, or refused by the format's reader; empty when they would be read.
QString writtenFileProblem(Kind kind, QByteArrayView bytes);

// A one-screen summary of valid bytes.
QString summary(Kind kind, QByteArrayView bytes);

// The JSON text of the bytes, made from one decoding of them: fromJson of it gives the very
// same bytes. Fails with the reader's reason when the format's reader refuses the bytes.
vt::Status toJson(Kind kind, QByteArrayView bytes, QByteArray &json);
// The same, handed to `write` in pieces as it is made, so that a large JSON is never held
// whole. Once `write` returns false it is given nothing more, and the result is a failure.
vt::Status toJson(Kind kind, QByteArrayView bytes, const std::function<bool(QByteArrayView)> &write);

// The file's bytes from JSON text. Refused with the line and column and the JSON path of the
// first bad value ("12:7: $.levels[2].time: ..."), or the line and column of the first text
// that is no JSON ("3:1: not JSON: ..."); out is set only on success. The format is `kind`,
// else the JSON's own "format" member, else `fallback` (an output file's extension).
vt::Status fromJson(std::optional<Kind> kind, QByteArrayView json, QByteArray &out,
                    Kind *usedKind = nullptr, std::optional<Kind> fallback = std::nullopt);

} // namespace vtfile
