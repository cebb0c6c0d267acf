#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

// A real, tiny file system for one test: a tmpfs mounted on a temporary folder. Mounting
// needs root (CI runs as root); without it, reason() says why and the test skips.
class SmallDisk
{
public:
    // Mounted on a folder of its own, or on the existing folder at (which it then hides).
    explicit SmallDisk(const QString &at = QString(), const char *size = "1m")
        : m_path(at.isEmpty() ? m_dir.path() : at)
    {
        if (::geteuid() != 0) {
            m_reason = QStringLiteral("a full file system needs root to mount a small tmpfs");
            return;
        }
        const QByteArray options = QByteArray("size=") + size;
        if (::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0,
                    options.constData()) != 0) {
            m_reason = QStringLiteral("mounting a small tmpfs failed: ") + QString::fromLocal8Bit(strerror(errno));
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    QString reason() const { return m_reason; }
    QString path() const { return m_path; }
    QString file(const QString &name) const { return m_path + u'/' + name; }

    // Takes every byte that is left, so that the next write meets "no space".
    void fill() const
    {
        QFile filler(file(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        // The last partial block.
        for (char c = 0; filler.write(&c, 1) == 1 && filler.flush();) {
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_reason;
    bool m_mounted = false;
};

// Skips the calling test function when the disk could not be mounted.
#define REQUIRE_SMALL_DISK(disk)                                                                   \
    do {                                                                                           \
        if (!(disk).mounted())                                                                     \
            QSKIP(qPrintable((disk).reason()));                                                    \
    } while (false)
