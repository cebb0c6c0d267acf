#pragma once

#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace vt {

// True when the file can be opened for reading; never creates anything.
bool fileReadable(const QString &path);

// Reads the whole file. Fails with a message when it is missing, unreadable or larger
// than maxSize bytes (nothing is allocated for an oversized file).
Status readWholeFile(const QString &path, QByteArray &out,
                     qint64 maxSize = std::numeric_limits<qint64>::max());

enum class OldTail {
    Drop,  // the file becomes exactly the new bytes
    Keep,  // the old file's bytes past the new end stay, as an in-place write would leave them
};

// Replaces the file with the bytes in one atomic step (temporary file, then rename). On any
// failure the old file is left exactly as it was and the message says why.
Status replaceFile(const QString &path, QByteArrayView bytes, OldTail tail = OldTail::Drop);

// Test hook: while set, replaceFile writes only this many bytes and then fails as a full
// disk would, so the failure path of every writer can be exercised.
void setReplaceFaultForTesting(std::optional<qsizetype> failAfterBytes);

} // namespace vt
