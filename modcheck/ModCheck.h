#pragma once

#include "CheckReport.h"
#include "FileKinds.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace vtfile {

struct ModCheckOptions
{
    // The game folder whose Data/ and enemy pictures the mod uses; empty for the folder that
    // holds the mod's Mods/ folder (GAME/Mods/MOD).
    QString game;
    // One world folder of the mod instead of all: of the mod's list, only what concerns the
    // lines that name it is reported. Empty for every world.
    QString world;
    // Files whose content is not what the disk holds, by path: the open documents with unsaved
    // changes, checked as they would be saved. A file held here counts as present.
    QHash<QString, QByteArray> content;
};

// Every file of a mod through its format's reader, and every reference between them and into
// the game folder: its Data/ and the enemy pictures beside the programs. Each file is read
// once, each problem reported once, at the place it lies and with a fix where one is plain.
CheckReport checkMod(const QString &modFolder, const ModCheckOptions &options = {});

// The file through its format's reader into the report: unreadable, refused by the reader,
// or lacking part of what it describes. False when the reader does not take it.
bool checkFile(CheckReport &report, const QString &path, Kind kind, QByteArray &bytes);
// The same for an area file, whose grid is not built: its bytes are what a check walks.
bool checkArea(CheckReport &report, const QString &path, QByteArray &bytes);
// The same for bytes in hand, said to be the file at path.
bool checkHeld(CheckReport &report, const QString &path, Kind kind, const QByteArray &bytes);

// Why the folder is not a game folder (it holds no Data/ folder); empty when it is one.
QString notAGameFolder(const QString &folder);

} // namespace vtfile
