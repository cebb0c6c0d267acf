#pragma once

// The seven file formats of the game folder as seen from the command line: which one a path
// is, reading it through its model, a short summary, and the JSON form of each (JSON.md).

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

enum class Kind { Area, World, Worlds, Map, TileInfo, Skin, Controls };

// "area", "world", ... as --type and the JSON "format" member spell them.
QString kindName(Kind kind);
std::optional<Kind> kindFromName(QStringView name);
// "an area file", "a world file", ... for messages.
QString kindFile(Kind kind);
// "qzl", "qzw", ...: the extension files of this kind have.
QString kindExtension(Kind kind);
// By extension (.qzl .qzw .inf .qzm .qzt .qze .qzc); nullopt when it says nothing.
std::optional<Kind> kindOfPath(const QString &path);

// The most bytes vtfile reads of a file of this kind: what the format's reader takes, and for a
// format whose reader reads only the head of a file, up to 1 MiB more of tail (which the JSON
// form keeps in "asStored").
qint64 maxFileSize(Kind kind);
// The most bytes the JSON text of a file of this kind can take (of any kind when none is
// given): a larger text is no file's JSON, and is not read.
qint64 maxJsonSize(std::optional<Kind> kind);

// How a file read went: Unreadable when its bytes could not be had at all (missing, not a
// regular file, too large), Invalid when the format's reader refused them.
enum class ReadResult { Ok, Invalid, Unreadable };

// Whether readFile runs the format's reader on the bytes, or leaves that to a caller that
// decodes them anyway (toJson reports the reader's refusal itself).
enum class Check { Reader, BytesOnly };

// Reads the file's bytes (with the format's size cap) and runs the format's reader on them.
// The message names the file and the reason.
ReadResult readFile(const QString &path, Kind kind, QByteArray &bytes, QString &error,
                    Check check = Check::Reader);
// The same for an area file, decoded once into `area`.
ReadResult readArea(const QString &path, tessaforge::oLevel &area, QString &error);

// Runs the format's reader on bytes already read; empty when they read.
QString decodeError(Kind kind, QByteArrayView bytes);
// What a file the reader takes lacks: for an area cut short inside its grid (the reader
// fills the missing cells with empty ones), how many cells it holds of the header's; empty
// when nothing is missing.
QString missingPart(Kind kind, QByteArrayView bytes);

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

// For checks over many areas, without building their grids: the file's bytes and the area
// reader's verdict on them, which only the header can turn against them (every stored cell
// is taken, and cells the file lacks read as empty).
ReadResult readAreaBytes(const QString &path, QByteArray &bytes, QString &error);

// The stored cells of valid area bytes that show a tile outside a tileset of tiles.width()
// columns and tiles.height() rows: how many, the first one in file order (column by column)
// and the tile it shows.
struct TilesOutside
{
    qint64 cells = 0;
    QPoint first;
    QPoint tile;
};
TilesOutside areaTilesOutside(QByteArrayView bytes, QSize tiles);

} // namespace vtfile
