#pragma once

// What a mod check reads besides the mod's own worlds: the game folder's Data/ (tilesets and
// their tile information, enemy skins, backdrops, music) and the enemy pictures beside the
// programs. Each file is read once however many levels name it, and what is wrong with it is
// reported once.

#include "CheckReport.h"
#include "FileKinds.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <set>

namespace vtfile {

// The entries of one folder, listed once. Names are found as on Windows, where mods are
// made: the exact name first, else one that differs only in letter case.
class FolderIndex
{
public:
    enum Entries { Files, Folders };
    FolderIndex(const QString &folder, Entries entries);

    const QString &folder() const { return m_folder; }
    // The entry's path, or empty when the folder holds no such entry.
    QString find(const QString &name) const;
    // Sorted by name, ignoring case.
    const QStringList &names() const { return m_names; }
    // An entry the disk does not hold (yet): a file held in memory.
    void add(const QString &name);

private:
    QString m_folder;
    QStringList m_names;
    QSet<QString> m_exact;
    QHash<QString, QString> m_folded;  // lower case -> the first name that folds to it
};

struct Picture
{
    QSize size;  // invalid when the file is not a picture
};

struct Tileset
{
    QSize tiles;  // whole 32 x 32 tiles across and down; invalid when the picture does not read
};

class ModFiles
{
public:
    // game is empty when no game folder is known: references into it are then not followed.
    // content: files held in memory instead of the disk's, by contentKey().
    ModFiles(CheckReport &report, const QString &game, QHash<QString, QByteArray> content = {});
    ~ModFiles();

    // The file read through its format's reader; false (and reported) when it does not read.
    bool read(const QString &path, Kind kind, QByteArray &bytes);
    // The same for an area, whose grid is not built.
    bool readArea(const QString &path, QByteArray &bytes);
    // An area's bytes again, after readArea took them: nothing more is reported.
    void rereadArea(const QString &path, QByteArray &bytes);
    // The names of the files held in memory that lie in the folder.
    QStringList heldIn(const QString &folder) const;
    // The key of a path among the files held in memory: absolute and clean.
    static QString contentKey(const QString &path);

    // The file a name stored in a record names in a folder; reported at the record's place,
    // and empty, when it is not a plain name or not there.
    QString named(const QString &file, const Place &at, const QString &what, const QByteArray &stored,
                  const FolderIndex &folder, const QString &extension, const QString &fix);

    // A picture's size from its header; reported once when it is not a picture.
    const Picture &picture(const QString &path);

    // The level references of Data/: each checked in full the first time a level names it.
    const Tileset *tileset(const QString &file, const Place &at, const QByteArray &name);
    void skin(const QString &file, const Place &at, const QByteArray &name);
    void backdrop(const QString &file, const Place &at, const QByteArray &name);
    void music(const QString &file, const Place &at, const QByteArray &name);

private:
    const FolderIndex &index(std::unique_ptr<FolderIndex> &slot, const QString &folder);
    void checkTileInfo(const QString &file, const Place &at, const QByteArray &name, const QString &bmp,
                       QSize tiles);
    void checkSkin(const QString &path);

    const QByteArray *held(const QString &path) const;

    CheckReport &m_report;
    QString m_game;
    QHash<QString, QByteArray> m_content;
    QString m_data;
    std::unique_ptr<FolderIndex> m_tilesets, m_enemies, m_backdrops, m_music, m_gameFiles;
    std::map<QString, Tileset> m_tilesetSeen;
    std::set<QString> m_skinSeen;
    std::map<QString, Picture> m_pictureSeen;
};

} // namespace vtfile
