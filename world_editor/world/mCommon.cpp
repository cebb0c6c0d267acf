#include "mCommon.h"

#include "FileIO.h"
#include "Paths.h"

#include <QDir>
#include <QFileInfo>

namespace tessaforge::mCommon {

bool FileExists(const QString &path)
{
    const QString resolved = vt::resolvePath(path);
    return QFileInfo(resolved).isFile() && vt::fileReadable(resolved);
}

bool FolderExists(const QString &path)
{
    return QFileInfo(vt::resolvePath(path)).isDir();
}

bool CreateFolder(const QString &path)
{
    const QString resolved = vt::resolvePath(path);
    const QFileInfo info(resolved);
    if (info.exists())
        return false;
    return QDir(info.absolutePath()).mkdir(info.fileName());
}

QString GetBaseName(const QString &name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.left(dot);
}

} // namespace tessaforge::mCommon
