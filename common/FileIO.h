#pragma once

#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <optional>

namespace vt {

// True when the file can be opened for reading; never creates anything and never waits
// (a named pipe opens at once, and the readers then refuse it).
bool fileReadable(const QString &path);

// Reads the whole file. Fails with a message when it is missing, unreadable, not a regular
// file (a pipe, a device, a folder: refused before anything is read), or larger than maxSize
// bytes (nothing is allocated for an oversized file).
Status readWholeFile(const QString &path, QByteArray &out,
                     qint64 maxSize = std::numeric_limits<qint64>::max());

// Reads at most the first maxBytes bytes of a regular file: for formats whose layout
// describes a bounded number of bytes and ignores whatever follows. Fails as readWholeFile
// does, except that a longer file is not an error.
Status readFileHead(const QString &path, QByteArray &out, qint64 maxBytes);

enum class OldTail {
    Drop,  // the file becomes exactly the new bytes
    Keep,  // the old file's bytes past the new end stay, as an in-place write would leave them
};

// Replaces the file with the bytes in one atomic step: a temporary file beside it, every
// byte written and synced, then a rename over it and a sync of the folder. On any failure
// the old file is left exactly as it was and the message says why.
//
// Symbolic links are followed, so the link stays and its target is replaced. With confineTo
// set, the real target (links and folders resolved) must lie inside the real confineTo
// folder, or nothing is written. The old file must be a regular file.
//
// Temporaries that an earlier save of the same file left behind (a killed program) are
// removed by the next successful save.
Status replaceFile(const QString &path, QByteArrayView bytes, OldTail tail = OldTail::Drop,
                   const QString &confineTo = QString());

// Test hook: while set, replaceFile writes only this many bytes and then fails as a full
// disk would, so the failure path of every writer can be exercised.
void setReplaceFaultForTesting(std::optional<qsizetype> failAfterBytes);

} // namespace vt
