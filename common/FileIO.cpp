#include "FileIO.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Plain POSIX calls rather than QFile/QSaveFile: a named pipe must be refused without being
// waited on (open with O_NONBLOCK, then fstat), a write error must be caught at the write
// and the sync rather than in a buffered flush, the folder must be synced after the rename,
// and the temporaries need a name of our own so that strays can be found again.

namespace vt {

namespace {

std::optional<qsizetype> g_failAfter;

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Closes on scope exit.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and reports the close's own error (a deferred write error shows here).
    int close()
    {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

// Opens a regular file for reading, refusing anything else before reading a byte.
Status openRegular(const QString &path, Fd &fd, struct stat &st)
{
    fd.reset(::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return Status::failure(QStringLiteral("Cannot open %1: %2").arg(path, systemError(errno)));
    if (::fstat(fd.get(), &st) != 0)
        return Status::failure(QStringLiteral("Cannot open %1: %2").arg(path, systemError(errno)));
    if (!S_ISREG(st.st_mode))
        return Status::failure(QStringLiteral("Cannot open %1: it is not a regular file.").arg(path));
    return Status::success();
}

// Reads up to n bytes from offset; fewer only when the file ends sooner.
Status readAt(const QString &path, int fd, qint64 offset, qint64 n, QByteArray &out)
{
    QByteArray data;
    try {
        data.resize(n);
    } catch (const std::bad_alloc &) {
        return Status::failure(QStringLiteral("Not enough memory to read %1.").arg(path));
    }
    qint64 done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, data.data() + done, size_t(n - done), offset + done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Status::failure(QStringLiteral("Cannot read %1: %2").arg(path, systemError(errno)));
        }
        if (got == 0)
            break;
        done += got;
    }
    data.truncate(done);
    out = std::move(data);
    return Status::success();
}

Status readFile(const QString &path, QByteArray &out, qint64 limit, bool longerIsError)
{
    Fd fd;
    struct stat st {};
    if (Status s = openRegular(path, fd, st); !s)
        return s;
    if (longerIsError && st.st_size > limit)
        return Status::failure(
            QStringLiteral("%1 is too large (%2 bytes).").arg(path).arg(qint64(st.st_size)));
    return readAt(path, fd.get(), 0, std::min<qint64>(st.st_size, limit), out);
}

Status writeAll(int fd, QByteArrayView part, qsizetype &budget)
{
    const char *p = part.data();
    qsizetype left = part.size();
    while (left > 0) {
        if (g_failAfter && budget <= 0)
            return Status::failure(systemError(ENOSPC));
        const qsizetype chunk = g_failAfter ? std::min(left, budget) : left;
        const ssize_t n = ::write(fd, p, size_t(chunk));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Status::failure(systemError(errno));
        }
        p += n;
        left -= n;
        budget -= n;
    }
    return Status::success();
}

constexpr int kMaxLinkHops = 40;

// The real file a write to path lands on: links followed to their end, the folder
// canonical. Refused when that is outside confineTo (resolved the same way).
Status resolveWriteTarget(const QString &path, const QString &confineTo, QString &target)
{
    QString p = QFileInfo(path).absoluteFilePath();
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(native(p).constData(), &st) != 0) {
            if (errno == ENOENT)
                break;  // a new file, or where a dangling link points
            return Status::failure(QStringLiteral("Cannot write %1: %2").arg(path, systemError(errno)));
        }
        if (!S_ISLNK(st.st_mode))
            break;
        if (hops == kMaxLinkHops)
            return Status::failure(QStringLiteral("Cannot write %1: too many symbolic links.").arg(path));
        // One step of the chain, read as the kernel will follow it (no lexical clean-up
        // of "..", which could differ from the real path when a folder is a link).
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(native(p).constData(), link.data(), size_t(link.size()));
        if (n < 0)
            return Status::failure(QStringLiteral("Cannot write %1: %2").arg(path, systemError(errno)));
        const QString step = QFile::decodeName(link.left(n));
        p = step.startsWith(u'/') ? step : QFileInfo(p).absolutePath() + u'/' + step;
    }
    const QFileInfo info(p);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return Status::failure(
            QStringLiteral("Cannot write %1: the folder %2 does not exist.").arg(path, info.absolutePath()));
    target = folder == QLatin1String("/") ? folder + info.fileName() : folder + u'/' + info.fileName();

    if (!confineTo.isEmpty()) {
        const QString root = QFileInfo(confineTo).canonicalFilePath();
        if (root.isEmpty())
            return Status::failure(
                QStringLiteral("Cannot write %1: the folder %2 does not exist.").arg(path, confineTo));
        if (!target.startsWith(root + u'/'))
            return Status::failure(
                QStringLiteral("Cannot write %1: it leads outside %2 (to %3).").arg(path, confineTo, target));
    }
    return Status::success();
}

QString tempPrefix(const QString &fileName)
{
    return u'.' + fileName + QStringLiteral(".vtsave-");
}

// Removes what killed saves of this file left: only names of the exact form mkstemp made.
void removeStrayTemporaries(const QString &folder, const QString &fileName, const QString &keep)
{
    static const QString tail = QStringLiteral("[A-Za-z0-9]{6}");
    const QRegularExpression exact(
        QRegularExpression::anchoredPattern(QRegularExpression::escape(tempPrefix(fileName)) + tail));
    const QDir dir(folder);
    const QStringList candidates = dir.entryList(
        {tempPrefix(fileName) + u'*'}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : candidates) {
        if (name == keep || !exact.match(name).hasMatch())
            continue;
        struct stat st {};
        const QByteArray full = native(dir.filePath(name));
        if (::lstat(full.constData(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(full.constData());
    }
}

// 0, or the error of fsync on the folder (a folder that cannot be opened, or a file system
// that does not sync folders, counts as synced).
int syncFolder(const QString &folder)
{
    Fd dir(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid() && ::fsync(dir.get()) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

// Links `from` (linkat flags) under a free name of the form a temporary of `target` has, so
// that a name left by a killed program is found again by the next save; 0 or the error.
// A name of the form a temporary of `target` has, with six random letters or digits.
QByteArray temporaryNameOf(const QString &target)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QFileInfo info(target);
    QByteArray name = native(info.absolutePath() + u'/' + tempPrefix(info.fileName()));
    for (int i = 0; i < 6; ++i)
        name += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))];
    return name;
}

int linkUnderFreeName(const QByteArray &from, int flags, const QString &target, QByteArray &name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = temporaryNameOf(target);
        if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, candidate.constData(), flags) == 0) {
            name = candidate;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// The same with a copy of `from`'s bytes, for a file system (or a file) that refuses a second
// link; 0 or the error.
int copyUnderFreeName(const QByteArray &from, const QString &target, QByteArray &name)
{
    Fd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return errno;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = temporaryNameOf(target);
        Fd out(::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.valid()) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        char buffer[65536];
        qsizetype budget = std::numeric_limits<qsizetype>::max();
        for (;;) {
            const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            int err = n < 0 ? errno : 0;
            if (n > 0)
                if (Status w = writeAll(out.get(), QByteArrayView(buffer, n), budget); !w)
                    err = EIO;
            if (n == 0 && ::fsync(out.get()) != 0)
                err = errno;
            if (err) {
                ::unlink(candidate.constData());
                return err;
            }
            if (n == 0)
                break;
        }
        name = candidate;
        return 0;
    }
    return EEXIST;
}

} // namespace

void setReplaceFaultForTesting(std::optional<qsizetype> failAfterBytes)
{
    g_failAfter = failAfterBytes;
}

bool fileReadable(const QString &path)
{
    Fd fd(::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    return fd.valid();
}

Status readWholeFile(const QString &path, QByteArray &out, qint64 maxSize)
{
    return readFile(path, out, maxSize, true);
}

Status readFileHead(const QString &path, QByteArray &out, qint64 maxBytes)
{
    return readFile(path, out, maxBytes, false);
}

Status replaceFile(const QString &path, QByteArrayView bytes, OldTail tail, const QString &confineTo)
{
    FileReplacer file(path, confineTo);
    if (Status s = file.open(); !s)
        return s;
    // With Keep, the old file's bytes past the new end follow the new bytes.
    QByteArray oldTail;
    struct stat st {};
    if (tail == OldTail::Keep && ::stat(native(path).constData(), &st) == 0 && st.st_size > bytes.size()) {
        Fd old;
        if (Status s = openRegular(path, old, st); !s)
            return s;
        if (Status s = readAt(path, old.get(), bytes.size(), st.st_size - bytes.size(), oldTail); !s)
            return s;
    }
    file.write(bytes);
    file.write(oldTail);
    return file.commit();
}

namespace {

constexpr qsizetype kWriteBuffer = 1024 * 1024;

} // namespace

FileReplacer::FileReplacer(const QString &path, const QString &confineTo) : m_path(path), m_confineTo(confineTo) {}

FileReplacer::~FileReplacer()
{
    cancel();
}

bool FileReplacer::fail(const QString &why)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("Cannot write %1: %2").arg(m_path, why);
    return false;
}

Status FileReplacer::status() const
{
    return m_error.isEmpty() ? Status::success() : Status::failure(m_error);
}

Status FileReplacer::open()
{
    if (Status s = resolveWriteTarget(m_path, m_confineTo, m_target); !s) {
        m_error = s.error();
        return s;
    }
    // The old file must be a regular file, and its permissions carry over.
    bool replacing = false;
    struct stat st {};
    if (::stat(native(m_target).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            fail(QStringLiteral("it is not a regular file."));
            return status();
        }
        // The rename needs only the folder to be writable; the file itself is refused as an
        // in-place write would refuse it (read-only, another user's, a read-only mount), so
        // that a save never overrides what its owner set.
        Fd probe(::open(native(m_target).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
        if (!probe.valid()) {
            fail(systemError(errno));
            return status();
        }
        probe.reset();
        replacing = true;
        m_mode = st.st_mode & 07777;
        m_owner = st.st_uid;
        m_group = st.st_gid;
    } else if (errno != ENOENT) {
        fail(systemError(errno));
        return status();
    }

    const QFileInfo info(m_target);
    // An unnamed file needs /proc to be given a name at the commit.
#ifdef O_TMPFILE
    if (::access("/proc/self/fd", X_OK) == 0) {
        m_fd = ::open(native(info.absolutePath()).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        m_unnamed = m_fd >= 0;
    }
#endif
    if (!m_unnamed) {
        m_temp = native(info.absolutePath() + u'/' + tempPrefix(info.fileName()) + QStringLiteral("XXXXXX"));
        m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_temp.clear();
            fail(systemError(errno));
            return status();
        }
    }
    // mkostemp makes the file 0600; a new file gets what an ordinary create would give.
    if (!replacing) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        m_mode = 0666 & ~mask;
    }
    m_budget = g_failAfter.value_or(0);
    return status();
}

bool FileReplacer::flushBuffer()
{
    if (m_buffer.isEmpty())
        return true;
    Status s = writeAll(m_fd, m_buffer, m_budget);
    m_buffer.clear();
    return s ? true : fail(s.error());
}

bool FileReplacer::write(QByteArrayView bytes)
{
    if (!m_error.isEmpty())
        return false;
    if (m_fd < 0)
        return fail(QStringLiteral("the file is not open."));
    if (m_buffer.size() + bytes.size() > kWriteBuffer && !flushBuffer())
        return false;
    if (bytes.size() >= kWriteBuffer) {
        Status s = writeAll(m_fd, bytes, m_budget);
        return s ? true : fail(s.error());
    }
    m_buffer.append(bytes.data(), bytes.size());
    return true;
}

Status FileReplacer::prepare()
{
    if (m_prepared)
        return status();
    if (m_error.isEmpty() && m_fd < 0)
        fail(QStringLiteral("the file is not open."));
    if (m_error.isEmpty() && flushBuffer()) {
        // The replaced file's owner and group carry over where this user may give them: root
        // saving a user's file leaves it the user's. Others keep at least the group when they
        // belong to it; the owner then becomes the saving user, as the folder lets them, and
        // the set-ID bits, which were the old owner's, are not handed to the new one.
        // (Before the mode: a change of owner clears those bits anyway.)
        mode_t mode = mode_t(m_mode);
        if (m_owner && ::fchown(m_fd, uid_t(*m_owner), gid_t(*m_group)) != 0) {
            mode &= ~mode_t(S_ISUID);
            if (::fchown(m_fd, uid_t(-1), gid_t(*m_group)) != 0)
                mode &= ~mode_t(S_ISGID);
        }
        if (::fchmod(m_fd, mode) != 0)
            fail(systemError(errno));
        else if (::fsync(m_fd) != 0)
            fail(systemError(errno));
        else if (m_unnamed)
            nameTemporary();
    }
    if (m_fd >= 0) {
        // The close's own error: a deferred write error shows here.
        if (::close(m_fd) != 0)
            fail(systemError(errno));
        m_fd = -1;
    }
    if (!m_error.isEmpty()) {
        cancel();
        return status();
    }
    m_prepared = true;
    return status();
}

Status FileReplacer::commit()
{
    if (Status s = prepare(); !s)
        return s;
    if (::rename(m_temp.constData(), native(m_target).constData()) != 0) {
        fail(systemError(errno));
        cancel();
        return status();
    }
    m_temp.clear();

    // Without this, a power cut right after the rename could bring the old file back.
    const QFileInfo info(m_target);
    if (const int err = syncFolder(info.absolutePath())) {
        fail(QStringLiteral("the folder could not be synced: ") + systemError(err));
        return status();
    }
    removeStrayTemporaries(info.absolutePath(), info.fileName(), QString());
    return Status::success();
}

bool FileReplacer::nameTemporary()
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    if (const int err = linkUnderFreeName(self, AT_SYMLINK_FOLLOW, m_target, m_temp))
        return fail(systemError(err));
    return true;
}

void FileReplacer::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
    m_buffer.clear();
    m_prepared = false;
}

// ---- several files as one --------------------------------------------------------------------

struct FileBatch::Entry
{
    QString path;     // as added
    FileReplacer file;
    bool hadOld = false;
    QByteArray kept;  // a second name of the old file while the batch commits
    bool renamed = false;

    Entry(const QString &p, const QString &confineTo) : path(p), file(p, confineTo) {}
};

FileBatch::FileBatch(const QString &confineTo) : m_confineTo(confineTo) {}

FileBatch::~FileBatch()
{
    cancel();
}

void FileBatch::cancel()
{
    for (const auto &e : m_files) {
        e->file.cancel();
        if (!e->kept.isEmpty())
            ::unlink(e->kept.constData());
        e->kept.clear();
    }
    m_files.clear();
}

Status FileBatch::add(const QString &path, QByteArrayView bytes)
{
    auto entry = std::make_unique<Entry>(path, m_confineTo);
    Status s = entry->file.open();
    if (s) {
        for (const auto &e : m_files)
            if (e->file.m_target == entry->file.m_target)
                s = Status::failure(QStringLiteral("Cannot write %1: it is written once already, as %2.").arg(path, e->path));
    }
    if (s) {
        entry->file.write(bytes);
        s = entry->file.prepare();
    }
    if (!s) {
        entry->file.cancel();
        cancel();
        m_failed = true;
        return s;
    }
    struct stat st {};
    entry->hadOld = ::lstat(native(entry->file.m_target).constData(), &st) == 0;
    m_files.push_back(std::move(entry));
    return s;
}

Status FileBatch::commit()
{
    if (m_failed)
        return Status::failure(QStringLiteral("Nothing was written: the files were given up."));
    // Each old file under a second name first, while nothing is changed yet and giving up is
    // free. A file system without hard links leaves a file without one; any other failure
    // stops the batch here.
    for (const auto &e : m_files) {
        if (!e->hadOld)
            continue;
        int err = linkUnderFreeName(native(e->file.m_target), 0, e->file.m_target, e->kept);
        // A file system without hard links, or a file the system will not link: a copy will do.
        if (err == EPERM || err == EOPNOTSUPP || err == ENOTSUP || err == EMLINK)
            err = copyUnderFreeName(native(e->file.m_target), e->file.m_target, e->kept);
        if (err == 0)
            continue;
        const Status failed = Status::failure(
            QStringLiteral("Cannot write %1: its old contents could not be kept aside: %2").arg(e->path, systemError(err)));
        cancel();
        m_failed = true;
        return failed;
    }

    QStringList folders;
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        Entry &e = *m_files[i];
        const QString folder = QFileInfo(e.file.m_target).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
        if (::rename(e.file.m_temp.constData(), native(e.file.m_target).constData()) == 0) {
            e.file.m_temp.clear();
            e.renamed = true;
            continue;
        }
        QString message = QStringLiteral("Cannot write %1: %2").arg(e.path, systemError(errno));
        // The files before it get their old contents back, newest first.
        QStringList stuck, said;
        for (std::size_t j = i; j-- > 0;) {
            Entry &done = *m_files[j];
            const QByteArray target = native(done.file.m_target);
            const bool back = done.kept.isEmpty() ? !done.hadOld && ::unlink(target.constData()) == 0
                                                  : ::rename(done.kept.constData(), target.constData()) == 0;
            if (back) {
                done.kept.clear();
                done.renamed = false;
            } else if (done.kept.isEmpty()) {
                stuck.prepend(done.path);
                said.prepend(done.path);
            } else {
                // Its old contents stay, for the user to take back, under a name the clean-up of
                // a later save's temporaries does not take for one of them.
                QByteArray visible = native(done.file.m_target) + ".before-"
                                     + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toLatin1();
                if (::rename(done.kept.constData(), visible.constData()) != 0)
                    visible = done.kept;
                stuck.prepend(done.path);
                said.prepend(QStringLiteral("%1 (its old contents are in %2)").arg(done.path, QFile::decodeName(visible)));
                done.kept.clear();
            }
        }
        for (const QString &f : std::as_const(folders))
            (void)syncFolder(f);
        cancel();
        m_failed = true;
        m_replaced = stuck;
        if (stuck.isEmpty())
            message += QStringLiteral(". Every file is as it was.");
        else
            message += QStringLiteral(". These files were changed and could not be given their old contents back: %1. "
                                      "The others are as they were.")
                           .arg(said.join(QStringLiteral(", ")));
        return Status::failure(message);
    }

    for (const auto &e : m_files)
        m_replaced << e->path;
    QString syncError;
    for (const QString &f : std::as_const(folders))
        if (const int err = syncFolder(f); err && syncError.isEmpty())
            syncError = QStringLiteral("Written, but the folder %1 could not be synced: %2").arg(f, systemError(err));
    for (const auto &e : m_files) {
        if (!e->kept.isEmpty())
            ::unlink(e->kept.constData());
        e->kept.clear();
        const QFileInfo info(e->file.m_target);
        removeStrayTemporaries(info.absolutePath(), info.fileName(), QString());
    }
    m_files.clear();
    return syncError.isEmpty() ? Status::success() : Status::failure(syncError);
}

} // namespace vt
