#pragma once

// Finding and replacing cells in every area of the open world. The area open in the editor
// takes part through its document: it is counted as shown, not as last saved, and its change is
// a step of its history.

#include "area/AreaReplace.h"

#include "Status.h"

#include <QString>

#include <vector>

namespace tessaforge {

class AreaDocument;
class WorldDocument;

// One area the world's levels name.
struct WorldAreaReplace
{
    QString name;  // as the levels give it, without ".qzl"
    bool open = false;  // the area open in the editor
    AreaFileReplace file;  // its path, state, count, and whether it was written
};

struct WorldReplace
{
    std::vector<WorldAreaReplace> areas;  // in level order, each once
    // A failure names the file and the reason; nothing was written then (see
    // replaceInAreaFiles for the rare put-back that fails).
    vt::Status status = vt::Status::success();

    qint64 matched() const;
    qsizetype areasMatching() const;
    qsizetype areasWritten() const;
    const WorldAreaReplace *openArea() const;
};

// How many cells match in each area of the world; nothing is written.
WorldReplace countInWorld(const WorldDocument &world, const AreaDocument &open, const CellReplace &replace);

// Every area of the world the replacement changes is written, all as one. When the open area
// is among them, its change becomes one step of its history, named stepName, and the area is
// saved with the others: unsaved changes it held before are saved too. When anything fails,
// no area and no document is changed.
WorldReplace replaceInWorld(const WorldDocument &world, AreaDocument &open, const CellReplace &replace,
                            const QString &stepName);

} // namespace tessaforge
