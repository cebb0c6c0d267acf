#pragma once

#include <QString>

namespace tessaforge::mCommon {

// True when the file can be opened for reading. Never reports an error, never creates.
bool FileExists(const QString &path);
bool FolderExists(const QString &path);
// Creates the last folder of the path; its parent must exist. False on any failure.
bool CreateFolder(const QString &path);
// The part of a name before its first "."; the empty text when there is no "." at all
// (resource names are always listed with an extension).
QString GetBaseName(const QString &name);

} // namespace tessaforge::mCommon
