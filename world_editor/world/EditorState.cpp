#include "EditorState.h"

#include "WorldList.h"
#include "mCommon.h"

#include "FileIO.h"
#include "Paths.h"

#include <QFile>
#include <QFileInfo>

namespace tessaforge {

namespace {
// A damaged details file is kept whole if it is no larger than this.
constexpr qint64 kMaxBackupSize = 64 * 1024 * 1024;
} // namespace

LevelRecord *EditorState::level(qint32 index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= gWorld.Levels.size())
        return nullptr;
    return &gWorld.Levels[static_cast<std::size_t>(index)];
}

QString EditorState::modsFolder() const
{
    return vt::resolvePath(vt::joinPath(sAppPath, QStringLiteral("Mods")));
}

QString EditorState::modFolder() const
{
    return vt::resolvePath(vt::joinPath(modsFolder(), sModName));
}

QString EditorState::worldFolder(qint32 n) const
{
    if (n < 0 || n > nLastWorld())
        return QString();
    const QString name = vt::fromStoredPath(sWorldFolders[n]);
    if (name.isEmpty())
        return modFolder();
    return vt::resolvePath(vt::joinPath(modFolder(), name));
}

QString EditorState::worldDataPath() const
{
    return vt::resolvePath(vt::joinPath(worldFolder(), QStringLiteral("Worldata.qzw")));
}

QString EditorState::dataFolder(const QString &sub) const
{
    return vt::resolvePath(vt::joinPath(vt::joinPath(sAppPath, QStringLiteral("Data")), sub));
}

vt::Status EditorState::LoadWorldList()
{
    QStringList folders;
    const QString path = vt::resolvePath(vt::joinPath(modFolder(), QStringLiteral("Worlds.inf")));
    if (vt::Status s = ReadWorldList(path, folders); !s)
        return vt::Status::failure(
            QStringLiteral("The mod \"%1\" has no readable world list (Worlds.inf).\n%2")
                .arg(sModName, s.error()));
    if (folders.isEmpty())
        return vt::Status::failure(
            QStringLiteral("The world list of the mod \"%1\" (Worlds.inf) names no world.").arg(sModName));
    sWorldFolders = folders;
    nCurWorld = 0;
    return vt::Status::success();
}

EditorState::WorldOpenResult EditorState::SelectWorld(qint32 n)
{
    if (n == nCurWorld)
        return {WorldOpening::AlreadyOpen, {}};
    if (n < 0 || n > nLastWorld())
        return {WorldOpening::Refused, QStringLiteral("There is no world %1 in this mod.").arg(n + 1)};
    if (!vt::isContainedRelativePath(sWorldFolders[n]))
        return {WorldOpening::Refused,
                QStringLiteral("The world folder \"%1\" named in Worlds.inf lies outside the mod "
                               "folder, so it cannot be opened.")
                    .arg(sWorldFolders[n])};

    const QString folder = worldFolder(n);
    if (!mCommon::FolderExists(folder)) {
        // Not missing after all when the mod holds it under a windows-1252 name: creating a
        // second, empty folder beside it would hide the user's world.
        const QFileInfo where(folder);
        for (const vt::FolderEntry &entry : vt::listSubfolderEntries(where.absolutePath()))
            if (!entry.openable && entry.name.compare(where.fileName(), Qt::CaseInsensitive) == 0)
                return {WorldOpening::Refused,
                        vt::undecodableFolderMessage(QStringLiteral("world"), where.absolutePath(), entry.name)};
    }

    nCurWorld = n;
    m_unsavedBackupOf.clear();
    if (!mCommon::FolderExists(folder)) {
        mCommon::CreateFolder(folder);  // a failure shows when the user saves
        mWorldData::NewWorldData(gWorld);
        return {WorldOpening::Created, {}};
    }
    const QString dataPath = worldDataPath();
    if (!mCommon::FileExists(dataPath)) {
        mWorldData::NewWorldData(gWorld);
        return {WorldOpening::Started, {}};
    }
    const vt::Status loaded = mWorldData::LoadWorldData(gWorld, dataPath);
    if (loaded)
        return {WorldOpening::Loaded, {}};

    mWorldData::NewWorldData(gWorld);
    m_unsavedBackupOf = dataPath;
    QString backup, error;
    QString message = QStringLiteral("The world details of \"%1\" could not be read:\n%2\n\n")
                          .arg(sWorldFolders[n], loaded.error());
    if (backUpUnreadable(&backup, &error))
        message += QStringLiteral("The damaged file was kept as \"%1\". New world details were "
                                  "started.")
                       .arg(backup);
    else
        message += QStringLiteral("New world details were started. The damaged file could not "
                                  "be backed up (%1), so it will not be saved over.")
                       .arg(error);
    return {WorldOpening::Unreadable, message};
}

bool EditorState::backUpUnreadable(QString *backupName, QString *error)
{
    QString backup = m_unsavedBackupOf + QStringLiteral(".bak");
    for (int i = 2; QFile::exists(backup); ++i)
        backup = m_unsavedBackupOf + QStringLiteral(".bak%1").arg(i);
    // Through the readers' own checks: a pipe or a device is refused, never waited on.
    QByteArray bytes;
    vt::Status copied = vt::readWholeFile(m_unsavedBackupOf, bytes, kMaxBackupSize);
    if (copied)
        copied = vt::replaceFile(backup, bytes, vt::OldTail::Drop, modFolder());
    if (!copied) {
        if (error)
            *error = copied.error();
        return false;
    }
    m_unsavedBackupOf.clear();
    if (backupName)
        *backupName = backup;
    return true;
}

vt::Status EditorState::SaveWorld()
{
    if (!worldOpen())
        return vt::Status::failure(QStringLiteral("No world is open."));
    if (!m_unsavedBackupOf.isEmpty()) {
        if (!backUpUnreadable(nullptr, nullptr))
            return vt::Status::failure(
                QStringLiteral("The damaged world details file could not be backed up, so it was "
                               "not saved over."));
    }
    return mWorldData::SaveWorldData(gWorld, worldDataPath(), modFolder());
}

} // namespace tessaforge
