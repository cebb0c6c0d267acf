#pragma once

#include "mWorldData.h"

#include "Status.h"

#include <QString>
#include <QStringList>

namespace tessaforge {

// The state every window of the world editor shares: the game folder, the open mod and
// world, the world's details and the current level. The main window owns one; the other
// windows reach it through the main window.
class EditorState
{
public:
    explicit EditorState(QString appPath = QString()) : sAppPath(std::move(appPath)) {}

    QString sAppPath;            // the game folder, where the programs lie
    QString sModName;            // folder name of the open mod
    QStringList sWorldFolders;   // world folder names in Worlds.inf order
    qint32 nCurWorld = -1;       // the open world; -1 while none is
    WorldDetails gWorld;
    qint32 nCurLevel = 0;        // may point past the end after "Kill Last" or a world switch
    bool bAreaWindowOpen = false;

    qint32 nLastWorld() const { return static_cast<qint32>(sWorldFolders.size()) - 1; }
    bool worldOpen() const { return nCurWorld >= 0 && nCurWorld <= nLastWorld(); }

    // The current level, or nullptr while nCurLevel names no level: level operations then
    // act on nothing.
    LevelRecord *currentLevel() { return level(nCurLevel); }
    LevelRecord *level(qint32 index);

    QString modsFolder() const;
    QString modFolder() const;
    QString worldFolder(qint32 n) const;
    QString worldFolder() const { return worldFolder(nCurWorld); }
    QString worldDataPath() const;
    // APP/Data/<sub>, e.g. dataFolder("Tilesets").
    QString dataFolder(const QString &sub) const;

    // Reads Worlds.inf of the open mod; nCurWorld becomes 0. Fails when the file cannot be
    // read or names no world.
    vt::Status LoadWorldList();

    enum class WorldOpening {
        AlreadyOpen,  // n is the open world: nothing happened
        Loaded,       // its details were read
        Started,      // no details file yet: new details
        Created,      // the folder was missing and was made: new details
        Unreadable,   // the details file is damaged: kept as a backup, new details started
        Refused,      // the folder name leads outside the mod: nothing changed
    };
    struct WorldOpenResult
    {
        WorldOpening outcome;
        QString message;  // for the user, when the outcome is Unreadable or Refused
    };
    // Opens world n, creating its folder when it is missing. Nothing is written into the
    // folder until the user saves.
    WorldOpenResult SelectWorld(qint32 n);

    // Saves the open world's details. When the details file could not be read at opening and
    // could not be backed up then, the save first retries the backup and refuses to write
    // over the damaged file without one.
    vt::Status SaveWorld();

private:
    // Copies the damaged details file aside under a free name (Worldata.qzw.bak, ...).
    bool backUpUnreadable(QString *backupName, QString *error);

    QString m_unsavedBackupOf;  // a damaged details file still waiting for its backup
};

} // namespace tessaforge
