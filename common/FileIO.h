#pragma once

#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

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
// folder, or nothing is written. The old file must be a regular file that this user could
// open for writing ("Permission denied" for a read-only file or another user's); the new one
// keeps its mode, and its owner and group where the user may set them.
//
// Where the system allows it (Linux, a file system with O_TMPFILE), the new bytes go to a
// file without a name until the commit, so that a program killed while writing, even by
// SIGKILL, leaves nothing behind. Elsewhere, and in the instant between naming and renaming,
// temporaries that an earlier save of the same file left behind are removed by the next
// successful save.
Status replaceFile(const QString &path, QByteArrayView bytes, OldTail tail = OldTail::Drop,
                   const QString &confineTo = QString());

// The same atomic replacement for a file written piece by piece, too large to be held in
// memory at once (a picture of a whole area). Nothing appears at the path until commit()
// succeeds; a replacer that ends without one removes its temporary and leaves the old file
// exactly as it was. The first failure sticks: later writes do nothing, and commit()
// reports it. Messages read as replaceFile's.
class FileReplacer
{
public:
    explicit FileReplacer(const QString &path, const QString &confineTo = QString());
    ~FileReplacer();
    FileReplacer(const FileReplacer &) = delete;
    FileReplacer &operator=(const FileReplacer &) = delete;

    // Checks the target and makes the temporary beside it.
    Status open();
    bool write(QByteArrayView bytes);
    // Every byte written and synced, under a name beside the file, which is not touched yet.
    // commit() does this first when it has not been done.
    Status prepare();
    // Every byte written and synced, renamed over the old file, the folder synced.
    Status commit();
    // Gives up: the temporary goes, the old file stays.
    void cancel();
    // The first failure so far (success when none).
    Status status() const;

private:
    friend class FileBatch;

    bool flushBuffer();
    bool nameTemporary();
    bool fail(const QString &why);

    QString m_path;
    QString m_confineTo;
    QString m_target;
    QByteArray m_temp;  // the temporary's name; empty while it has none
    int m_fd = -1;
    bool m_prepared = false;
    bool m_unnamed = false;  // m_fd is an O_TMPFILE file, named only at the commit
    unsigned m_mode = 0;
    std::optional<unsigned> m_owner, m_group;  // of the file being replaced
    QByteArray m_buffer;  // writes are gathered into large ones
    QString m_error;
    qsizetype m_budget = 0;  // for the test hook below
};

// Several files replaced as one: a failure in any leaves them all as they were. Each file's new
// bytes go to a temporary beside it as it is added (so that only one file's bytes need be held
// at a time); only when every one is written and synced are they renamed into place. Before the
// renames each old file is kept under a second name (a hard link), so that when a rename fails
// the files renamed before it get their old contents back. On a file system without hard links
// a file has no such copy: if a later rename fails, it keeps its new contents, and the failure
// says so. Every file is whole at every moment: each rename is atomic.
//
// Files follow replaceFile's rules (links followed, confineTo, permissions kept). A batch that
// ends without a commit removes its temporaries and changes nothing. A program killed in the
// middle leaves the names it made beside the files (".NAME.vtsave-XXXXXX"), which the next
// save of each file removes.
class FileBatch
{
public:
    explicit FileBatch(const QString &confineTo = QString());
    ~FileBatch();
    FileBatch(const FileBatch &) = delete;
    FileBatch &operator=(const FileBatch &) = delete;

    // The file's new bytes, made ready beside it; the file itself is not touched yet. On a
    // failure the whole batch is given up (its temporaries removed) and the message names the
    // file and the reason. A file already in the batch is refused.
    Status add(const QString &path, QByteArrayView bytes);
    // Renames every file into place. On a failure, the message names the file and the reason;
    // the files renamed before it are put back, and those that could not be put back are
    // named in the message and listed by replaced().
    Status commit();
    // Gives up: the temporaries go, every file stays as it was.
    void cancel();

    qsizetype size() const { return qsizetype(m_files.size()); }
    // The paths (as added) that hold their new bytes: after a successful commit every one,
    // after a failed one those that could not be put back, before it none.
    const QStringList &replaced() const { return m_replaced; }

private:
    struct Entry;
    QString m_confineTo;
    std::vector<std::unique_ptr<Entry>> m_files;
    QStringList m_replaced;
    bool m_failed = false;
};

// Test hook: while set, replaceFile (and each FileReplacer) writes only this many bytes and
// then fails as a full disk would, so the failure path of every writer can be exercised.
void setReplaceFaultForTesting(std::optional<qsizetype> failAfterBytes);

} // namespace vt
