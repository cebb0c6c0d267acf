#include "Paths.h"

#include "AnsiText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

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

namespace {

enum class EntryKind { Folder, File };

// Reads the folder directly: QDir leaves out the names it cannot decode. A name that is not
// UTF-8 is given decoded as windows-1252 and marked not openable. Links count as what they
// lead to. Sorted by name ignoring case.
QList<FolderEntry> rawEntries(const QString &folder, EntryKind kind)
{
    QList<FolderEntry> entries;
    const QByteArray base = QFile::encodeName(resolvePath(folder));
    DIR *dir = ::opendir(base.constData());
    if (!dir)
        return entries;
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray raw(e->d_name);
        if (raw == "." || raw == "..")
            continue;
        struct stat st {};
        if (::stat((base + '/' + raw).constData(), &st) != 0)
            continue;  // a dangling link leads nowhere
        if (S_ISDIR(st.st_mode) != (kind == EntryKind::Folder))
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8(raw);
        entries.append(utf8.hasError() ? FolderEntry{fromAnsi(raw), false} : FolderEntry{decoded, true});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry &a, const FolderEntry &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return entries;
}

} // namespace

QList<FolderEntry> listSubfolderEntries(const QString &folder)
{
    return rawEntries(folder, EntryKind::Folder);
}

QList<FolderEntry> listFileEntries(const QString &folder, const QStringList &patterns)
{
    QList<FolderEntry> entries = rawEntries(folder, EntryKind::File);
    entries.removeIf([&patterns](const FolderEntry &entry) { return !QDir::match(patterns, entry.name); });
    return entries;
}

QString undecodableFolderMessage(const QString &what, const QString &parent, const QString &name)
{
    return QStringLiteral("The %1 folder \"%2\" cannot be opened: its name is stored in the Windows "
                          "code page (windows-1252), not in UTF-8, as archives made on Windows "
                          "often leave it.\n\nRename it to UTF-8 and start again, for example "
                          "with:\n    convmv -f cp1252 -t utf8 --notest \"%3\"/*")
        .arg(what, name, parent);
}

} // namespace vt
