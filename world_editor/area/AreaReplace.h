#pragma once

// Finding cells by what they hold and giving them new values: in an area file's bytes, walked
// cell by cell without building a grid (a mod holds thousands of areas); in an open area, as
// the cell changes of one undo step; and across several area files written as one. QtCore only.

#include "area/AreaEditing.h"
#include "area/oLevel.h"

#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

namespace tessaforge {

// A tile as a search or a replacement names it: a tileset column and row, or no tile.
struct TileValue
{
    bool none = false;
    quint8 column = 0;
    quint8 row = 0;

    static TileValue noTile() { return {true, 0, 0}; }
    static TileValue at(quint8 column, quint8 row) { return {false, column, row}; }
    bool operator==(const TileValue &) const = default;
};

// Which cells: those that match every part given. A query without parts matches every cell;
// the editor and vtfile ask for at least one.
struct CellQuery
{
    std::optional<TileValue> tile;
    std::optional<quint8> tag;
    std::optional<quint8> enemy;

    bool isEmpty() const { return !tile && !tag && !enemy; }
    bool matches(const AreaCell &cell) const;
};

// What the matching cells take: the parts given; the others stay as they are. No tile clears
// the tile as erasing does (column and row 0).
struct CellReplacement
{
    std::optional<TileValue> tile;
    std::optional<quint8> tag;
    std::optional<quint8> enemy;

    bool isEmpty() const { return !tile && !tag && !enemy; }
    AreaCell applied(AreaCell cell) const;
};

struct CellReplace
{
    CellQuery find;
    CellReplacement with;
};

// Values as typed: a tile "COLUMN,ROW" (each 0 to 255) or "none"; a tag or enemy 0 to 255.
// Nothing for anything else.
std::optional<TileValue> tileFromText(QStringView text);
std::optional<quint8> byteFromText(QStringView text);
// "tile (3, 4)", "no tile"
QString tileText(const TileValue &tile);

struct ReplaceCount
{
    qint64 matched = 0;  // cells that match the query
    qint64 changed = 0;  // of those, cells the replacement changes (the others hold it already)
};

// Over the bytes of an area file that the area's reader takes (areabytes::check): the cells the
// file lacks count as the empty cells the reader gives them.
ReplaceCount countInBytes(QByteArrayView bytes, const CellReplace &replace);
// The file's bytes with the matching cells changed, the bytes of the parts not replaced and any
// bytes after the grid untouched. When the replacement changes the cells a short file lacks,
// the file is written out to its whole grid, as a save from the editor would write it. out is
// set only when some cell changes; refused (out untouched) for bytes the reader refuses, when
// the cells to write out would take more than 256 MiB (a few bytes may claim a huge grid), or
// when memory for the new bytes cannot be had.
vt::Status replaceInBytes(QByteArrayView bytes, const CellReplace &replace, QByteArray &out,
                          ReplaceCount *count = nullptr);

// The same count over an open area.
ReplaceCount countInArea(const oLevel &area, const CellReplace &replace);
// The cells of the area that the replacement changes, for AreaDocument::changeCells (one undo
// step); *matched, when given, counts the cells that match.
std::vector<CellChange> replaceChanges(const oLevel &area, const CellReplace &replace, qint64 *matched = nullptr);

// ---- several area files, changed together or not at all

struct AreaFileReplace
{
    enum class State {
        Read,        // counted, and replaced when asked to
        Missing,     // no such file (a level whose area is not made yet): nothing to replace
        Refused,     // the area's reader refuses it: reported and never touched
        Unreadable,  // it could not be read at all: nothing is written anywhere
    };

    QString path;
    State state = State::Read;
    ReplaceCount count;
    bool written = false;
    QString problem;  // why a file is Refused or Unreadable
};

struct AreaFilesReplace
{
    std::vector<AreaFileReplace> files;  // in the order given
    // A failure names the file and the reason; no file is then written, except those a
    // failed put-back left changed, which are marked written.
    vt::Status status = vt::Status::success();

    qint64 matched() const;
    qsizetype areasMatching() const;
    qsizetype areasWritten() const;
    bool any(AreaFileReplace::State state) const;
};

enum class ReplaceMode {
    Count,  // nothing is written
    Write,  // every area the replacement changes is written, all as one (vt::FileBatch)
};

// The bytes an area has where the caller holds a newer content than its file (an open area in
// the editor); nothing reads the file instead.
using AreaBytesSource = std::function<std::optional<QByteArray>(const QString &path)>;

// Each path once. Writes stay inside confineTo when it is set (a link leading out is refused).
// Nothing is written when any file is Unreadable or any write fails.
AreaFilesReplace replaceInAreaFiles(const QStringList &paths, const CellReplace &replace, ReplaceMode mode,
                                    const QString &confineTo = QString(), const AreaBytesSource &source = {});

} // namespace tessaforge
