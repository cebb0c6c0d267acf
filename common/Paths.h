#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace vt {

// Joins path pieces with '/'; empty pieces add nothing but the separator they stand for.
QString joinPath(const QString &base, const QString &name);

// A name stored by the Windows programs may use '\' between folders.
QString fromStoredPath(QString stored);

// Mods are made on Windows, where names ignore case: when the exact path does not exist,
// each component is looked up case-insensitively. Components that match nothing are kept
// as given, so the result can still be used to create them.
QString resolvePath(const QString &path);

// A bare file name: no folder separator, not "." or "..", not empty.
bool isBareFileName(QStringView name);

// A path that stays inside the folder it is relative to: not absolute, no drive letter,
// no ".." component ('\' counts as a separator).
bool isContainedRelativePath(QStringView path);

// Files in the folder whose names match one of the wildcard patterns ("*.bmp"), ignoring
// case, sorted by name ignoring case. Names only, no folder.
QStringList listFiles(const QString &folder, const QStringList &patterns);

// Names of the subfolders of a folder, sorted by name ignoring case.
QStringList listSubfolders(const QString &folder);

// A subfolder as the folder holds it. Folders unpacked from archives made on Windows can have
// names in windows-1252 bytes, which are not valid UTF-8: such a name is given decoded as
// windows-1252 for display, and cannot be opened through that text.
struct FolderEntry
{
    QString name;
    bool openable = true;  // the name is valid UTF-8, so a path built from it reaches the folder
};

// Every subfolder, those with undecodable names too, sorted by name ignoring case.
QList<FolderEntry> listSubfolderEntries(const QString &folder);

// Every file (anything but a folder) whose name matches one of the wildcard patterns, ignoring
// case, those with undecodable names too (matched as displayed), sorted by name ignoring case.
QList<FolderEntry> listFileEntries(const QString &folder, const QStringList &patterns);

// The message for a folder whose name cannot be opened, naming it and how to mend it.
QString undecodableFolderMessage(const QString &what, const QString &parent, const QString &name);

} // namespace vt
