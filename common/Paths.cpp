#include "Paths.h"

#include <QDir>
#include <QFileInfo>

namespace vt {

QString joinPath(const QString &base, const QString &name)
{
    if (base.endsWith(QLatin1Char('/')))
        return base + name;
    return base + QLatin1Char('/') + name;
}

QString fromStoredPath(QString stored)
{
    return stored.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString resolvePath(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const bool absolute = path.startsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QString();
    bool found = true;
    for (const QString &part : parts) {
        QString next = current.isEmpty() ? part : joinPath(current, part);
        if (found && !QFileInfo::exists(next) && part != QLatin1String(".")
            && part != QLatin1String("..")) {
            const QDir dir(current.isEmpty() ? QStringLiteral(".") : current);
            const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                      | QDir::NoDotAndDotDot);
            found = false;
            for (const QString &entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    next = current.isEmpty() ? entry : joinPath(current, entry);
                    found = true;
                    break;
                }
            }
        }
        current = next;
    }
    if (path.endsWith(QLatin1Char('/')) && !current.endsWith(QLatin1Char('/')))
        current += QLatin1Char('/');
    return current;
}

bool isBareFileName(QStringView name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QChar(0));
}

bool isContainedRelativePath(QStringView path)
{
    if (path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\')) || path.contains(QChar(0)))
        return false;
    if (path.size() >= 2 && path[1] == QLatin1Char(':'))
        return false;  // a drive letter, as in C:\Games
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = start;
        while (end < path.size() && path[end] != QLatin1Char('/') && path[end] != QLatin1Char('\\'))
            ++end;
        if (path.sliced(start, end - start).trimmed() == QLatin1String(".."))
            return false;
        start = end + 1;
    }
    return true;
}

QStringList listFiles(const QString &folder, const QStringList &patterns)
{
    QDir dir(resolvePath(folder));
    dir.setNameFilters(patterns);
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QStringList listSubfolders(const QString &folder)
{
    QDir dir(resolvePath(folder));
    dir.setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

} // namespace vt
