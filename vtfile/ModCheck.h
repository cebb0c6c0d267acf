#pragma once

#include <QString>
#include <QStringList>

namespace vtfile {

// What checking found: one line per finding, "path: what is wrong".
struct CheckReport
{
    QStringList problems;  // broken files and references
    QStringList warnings;  // legal but worth knowing (a listed world not created yet)
    bool unreadable = false;  // some file could not be read at all
};

// Every file of a mod through its format's reader, and every reference between them and into
// the game folder's Data/ (the mod folder lies in GAME/Mods/).
CheckReport checkMod(const QString &modFolder);

} // namespace vtfile
