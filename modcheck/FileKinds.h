#pragma once

// The seven file formats of the game folder as a check sees them: which one a path is, how
// much of a file its reader takes, and whether the reader takes given bytes. What vtfile adds
// (summaries, the JSON forms) lives in vtfile's Formats.h.

#include "FileFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

namespace tessaforge {
class oLevel;
}

namespace vtfile {

enum class Kind { Area, World, Worlds, Map, TileInfo, Skin, Controls };

// The format's own description: name, extension, how much a reader takes.
const vt::FileFormat &kindFormat(Kind kind);

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

// For checks over many areas, without building their grids: the file's bytes and the area
// reader's verdict on them, which only the header can turn against them (every stored cell
// is taken, and cells the file lacks read as empty).
ReadResult readAreaBytes(const QString &path, QByteArray &bytes, QString &error);
// The same verdict on bytes in hand (an open area's, not yet saved).
ReadResult checkAreaBytes(const QString &path, const QByteArray &bytes, QString &error);

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
