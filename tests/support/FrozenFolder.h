#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// A folder made immutable for one test: nothing may then be created, renamed or removed in
// it, not even by root, as when another program or an administrator locks it while a save
// is under way. A file may be frozen the same way: it can then be read, but not replaced,
// renamed, removed or linked. Needs root (CAP_LINUX_IMMUTABLE) and a file system that keeps the flag;
// without them, reason() says why and the test skips.
class FrozenFolder
{
public:
    explicit FrozenFolder(const QString &folder) : m_folder(folder) {}
    ~FrozenFolder() { thaw(); }
    FrozenFolder(const FrozenFolder &) = delete;
    FrozenFolder &operator=(const FrozenFolder &) = delete;

    bool freeze()
    {
        if (!setFlag(true))
            return false;
        m_frozen = true;
        return true;
    }
    void thaw()
    {
        if (m_frozen && setFlag(false))
            m_frozen = false;
    }
    QString reason() const { return m_reason; }

private:
    bool setFlag(bool on)
    {
        const int fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            m_reason = QStringLiteral("cannot open it: ") + QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (!ok)
            m_reason = QStringLiteral("it cannot be made immutable: ") + QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return ok;
    }

    QString m_folder;
    QString m_reason;
    bool m_frozen = false;
};
