#pragma once

// What differs between two files of one format, and the three-way merge of a file, in the
// format's own words: an area's cells by column and row, a world's levels and their fields, a
// map's nodes. Formats other than the area are compared through their JSON form's values.

#include "AreaCompare.h"
#include "FieldChange.h"
#include "Formats.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>

#include <limits>
#include <vector>

class QTextStream;

namespace vtfile {

struct FileDiff
{
    Kind kind = Kind::Area;
    std::vector<FieldChange> changes;  // an area's header, or every value of another format
    AreaDiff area;                     // an area's cells
    // The values are the same but the stored bytes are not (a flag byte other than 0 and 255,
    // bytes past what the reader reads): what `asStored` of the JSON form carries.
    bool storedBytesDiffer = false;

    bool valuesEqual() const { return changes.empty() && area.cells.empty(); }
    bool equal() const { return valuesEqual() && !storedBytesDiffer; }
};

// Both byte arrays must be taken by the format's reader.
vt::Status diffFiles(Kind kind, QByteArrayView before, QByteArrayView after, FileDiff &diff);

// One line per change: "level 3 "Castle", tileset: "Grass" -> "Cave"", an area's cells as
// "columns 3-7, rows 2-4 (15 cells): empty -> tile (1, 2)". Nothing when the files are equal.
// UTF-8 text.
QByteArray diffText(const FileDiff &diff);
// {"format": ..., "equal": ..., "changes": [...], "cells": {...}} (JSON.md, "diff --json").
void writeDiffJson(const FileDiff &diff, QTextStream &out);

struct FileMerge
{
    QByteArray merged;  // set only when the merge is clean
    // Where `merged` differs from ours when it has ours' size (see AreaMerge).
    qsizetype changedFrom = std::numeric_limits<qsizetype>::max(), changedTo = 0;
    std::vector<FieldConflict> conflicts;
    std::vector<CellConflict> cells;
    qint64 conflictCells = 0;
    // Each side's edits are sound alone but not together (a node linked to one the other side
    // removed): the format's reader refuses the merged file, for this reason.
    QString refused;
    bool clean() const { return conflicts.empty() && cells.empty() && refused.isEmpty(); }
};

// Three-way merge of files the format's reader takes: what one side changed is taken, what
// both changed alike is taken once, what both changed differently is a conflict. The merged
// bytes are read back by the format's reader before they are given.
vt::Status mergeFiles(Kind kind, QByteArrayView base, QByteArray ours, QByteArrayView theirs, FileMerge &merge);

// The conflicts for people, one per line: place, then base, ours and theirs (UTF-8 text).
QByteArray conflictText(const FileMerge &merge);

} // namespace vtfile
