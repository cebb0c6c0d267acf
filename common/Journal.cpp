#include "Journal.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <chrono>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/uio.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt {

namespace {

constexpr char kMagic[] = "VTJOURNAL";  // with its terminating zero: ten bytes
constexpr quint16 kVersion = 1;
constexpr qsizetype kRecordHead = 5;  // the payload's length, then the type
// The disk is asked to keep what was written at most this often, and when the program loses
// the focus: a kill loses at most the last seconds' edits.
constexpr std::chrono::milliseconds kSyncEvery(2000);
// A journal longer than this is no journal a program wrote.
constexpr qint64 kMaxJournal = qint64(4) << 30;
constexpr quint32 kMaxRecord = quint32(1) << 30;

// CRC-32C: the processor computes it eight bytes at a time where it can, so that the
// journal's thread costs the machine little beside the editor.
const std::array<quint32, 256> &crcTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0x82F63B78u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

quint32 crcInSoftware(const uchar *p, qsizetype n, quint32 crc)
{
    const std::array<quint32, 256> &table = crcTable();
    for (; n > 0; --n)
        crc = table[(crc ^ *p++) & 0xff] ^ (crc >> 8);
    return crc;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("sse4.2"))) quint32 crcInHardware(const uchar *p, qsizetype n, quint32 crc)
{
    quint64 wide = crc;
    for (; n >= 8; n -= 8, p += 8) {
        quint64 v;
        std::memcpy(&v, p, 8);
        wide = __builtin_ia32_crc32di(wide, v);
    }
    crc = quint32(wide);
    for (; n > 0; --n)
        crc = __builtin_ia32_crc32qi(crc, *p++);
    return crc;
}

bool hasCrcInstruction()
{
    static const bool has = __builtin_cpu_supports("sse4.2");
    return has;
}
#else
quint32 crcInHardware(const uchar *p, qsizetype n, quint32 crc)
{
    return crcInSoftware(p, n, crc);
}

bool hasCrcInstruction()
{
    return false;
}
#endif

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

quint32 crc32c(QByteArrayView bytes, quint32 crc)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    return ~(hasCrcInstruction() ? crcInHardware(p, bytes.size(), ~crc) : crcInSoftware(p, bytes.size(), ~crc));
}

JournalOrigin JournalOrigin::ofBytes(const QString &path, QByteArrayView bytes)
{
    JournalOrigin o;
    o.path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    o.size = bytes.size();
    o.sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return o;
}

JournalOrigin JournalOrigin::ofFile(const QString &path)
{
    JournalOrigin o;
    o.path = QFileInfo(path).absoluteFilePath();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return o;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return o;
    o.size = f.size();
    o.sha256 = hash.result();
    return o;
}

QString recoveryFolder(const QString &gameFolder)
{
    return QDir(gameFolder).filePath(u".recovery"_s);
}

qsizetype JournalContents::edits() const
{
    return std::count_if(records.begin(), records.end(), [](const JournalEntry &e) {
        return e.type == JournalRecord::Step;
    });
}

// ---- the writing thread

struct JournalFile
{
    int fd = -1;
    JournalWriter *owner = nullptr;  // touched on the main thread only
    // The writing thread's own:
    bool failed = false;
    bool dirty = false;
    std::chrono::steady_clock::time_point lastSync;

    ~JournalFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

namespace {

struct Task
{
    enum class Op { Write, Close, Sync };
    Task(Op o, std::shared_ptr<JournalFile> f) : op(o), file(std::move(f)) {}

    Op op;
    std::shared_ptr<JournalFile> file;  // none for Sync: every file
    std::array<char, kRecordHead> head{};
    QByteArray payload;
    JournalWriter::Payload make;  // a record's payload, made here
    bool withChecksum = false;  // a record; else the bytes as they are (the header)
};

} // namespace

class JournalDisk
{
public:
    static JournalDisk &instance()
    {
        static JournalDisk disk;
        return disk;
    }

    void post(Task task)
    {
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
            ++m_posted;
        }
        m_wake.notify_one();
    }

    void drain()
    {
        std::unique_lock lock(m_mutex);
        const quint64 target = m_posted;
        m_idle.wait(lock, [&] { return m_done >= target; });
    }

private:
    JournalDisk() : m_thread([this] { run(); }) {}
    ~JournalDisk()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            const bool waiting = std::any_of(m_dirty.begin(), m_dirty.end(), [](const auto &f) { return f->dirty; });
            if (waiting)
                m_wake.wait_for(lock, kSyncEvery / 4, [&] { return m_stop || !m_tasks.empty(); });
            else
                m_wake.wait(lock, [&] { return m_stop || !m_tasks.empty(); });
            if (m_stop && m_tasks.empty())
                break;
            std::deque<Task> tasks;
            tasks.swap(m_tasks);
            lock.unlock();
            for (Task &t : tasks)
                perform(t);
            syncDue(false);
            lock.lock();
            m_done += tasks.size();
            m_idle.notify_all();
        }
        lock.unlock();
        syncDue(true);
    }

    void perform(Task &t)
    {
        switch (t.op) {
        case Task::Op::Write: write(t); break;
        case Task::Op::Close:
            if (t.file->dirty && !t.file->failed)
                (void)::fdatasync(t.file->fd);
            t.file->dirty = false;
            if (t.file->fd >= 0)
                ::close(t.file->fd);
            t.file->fd = -1;
            break;
        case Task::Op::Sync: syncDue(true); break;
        }
    }

    void write(Task &t)
    {
        JournalFile &f = *t.file;
        if (f.failed || f.fd < 0)
            return;
        std::array<char, 4> sum{};
        iovec parts[3];
        int count = 0;
        if (t.make) {
            t.payload = t.make();
            t.make = {};
        }
        if (t.withChecksum) {
            qToLittleEndian(quint32(t.payload.size()), t.head.data());
            const quint32 crc = crc32c(t.payload, crc32c(QByteArrayView(t.head.data() + 4, 1)));
            qToLittleEndian(crc, sum.data());
            parts[count++] = {t.head.data(), std::size_t(kRecordHead)};
        }
        parts[count++] = {t.payload.data(), std::size_t(t.payload.size())};
        if (t.withChecksum)
            parts[count++] = {sum.data(), sum.size()};
        int first = 0;
        while (first < count) {
            const ssize_t n = ::writev(f.fd, parts + first, count - first);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                fail(t.file, n < 0 ? errno : ENOSPC);
                return;
            }
            std::size_t left = std::size_t(n);
            while (first < count && left >= parts[first].iov_len)
                left -= parts[first++].iov_len;
            if (first < count) {
                parts[first].iov_base = static_cast<char *>(parts[first].iov_base) + left;
                parts[first].iov_len -= left;
            }
        }
        if (!f.dirty) {
            f.dirty = true;
            m_dirty.push_back(t.file);
        }
    }

    // Hands what was written to the disk, for the files whose last sync is old enough (or all).
    void syncDue(bool all)
    {
        const auto now = std::chrono::steady_clock::now();
        for (auto it = m_dirty.begin(); it != m_dirty.end();) {
            JournalFile &f = **it;
            if (!f.dirty || f.fd < 0 || f.failed) {
                f.dirty = false;
                it = m_dirty.erase(it);
                continue;
            }
            if (all || now - f.lastSync >= kSyncEvery) {
                if (::fdatasync(f.fd) != 0 && errno != EINVAL)
                    fail(*it, errno);
                f.dirty = false;
                f.lastSync = now;
                it = m_dirty.erase(it);
                continue;
            }
            ++it;
        }
    }

    static void fail(const std::shared_ptr<JournalFile> &file, int error)
    {
        file->failed = true;
        const QString why = systemError(error);
        std::weak_ptr<JournalFile> weak = file;
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [weak, why] {
                if (const std::shared_ptr<JournalFile> f = weak.lock(); f && f->owner)
                    f->owner->reportFailure(why);
            }, Qt::QueuedConnection);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::deque<Task> m_tasks;
    quint64 m_posted = 0, m_done = 0;
    bool m_stop = false;
    std::vector<std::shared_ptr<JournalFile>> m_dirty;  // the writing thread's own
    std::thread m_thread;
};

// ---- the writer

JournalWriter::JournalWriter(QString folder, QString program, QString kind, QObject *parent)
    : QObject(parent), m_folder(std::move(folder)), m_program(std::move(program)), m_kind(std::move(kind))
{
}

JournalWriter::~JournalWriter()
{
    if (m_file) {
        m_file->owner = nullptr;
        JournalDisk::instance().post({Task::Op::Close, std::move(m_file)});
    }
}

QString JournalWriter::nameFor(const QString &documentPath) const
{
    QString key;
    if (documentPath.isEmpty()) {
        static std::atomic<int> counter{0};
        key = u"new-%1-%2-%3"_s.arg(QCoreApplication::applicationPid())
                  .arg(QDateTime::currentMSecsSinceEpoch())
                  .arg(counter++);
    } else {
        key = QString::fromLatin1(
            QCryptographicHash::hash(documentPath.toUtf8(), QCryptographicHash::Sha256).toHex().left(20));
    }
    return u"%1-%2-%3.journal"_s.arg(m_program, m_kind, key);
}

void JournalWriter::setOrigin(const JournalOrigin &origin)
{
    discard();
    m_origin = origin;
    m_off = false;
    m_told = false;
}

void JournalWriter::discard()
{
    if (!m_file)
        return;
    // Unlinked here, not by the writing thread, so that a journal begun right after is not
    // the one removed; what is still queued for the old file goes to a file no one sees.
    (void)::unlink(nativePath(m_path).constData());
    m_file->owner = nullptr;
    JournalDisk::instance().post({Task::Op::Close, std::move(m_file)});
    m_file.reset();
    m_open = false;
}

void JournalWriter::begin(std::vector<Pending> records)
{
    discard();
    if (m_off)
        return;
    if (!QDir().mkpath(m_folder)) {
        reportFailure(u"the folder %1 cannot be made"_s.arg(QDir::toNativeSeparators(m_folder)));
        return;
    }
    m_path = QDir(m_folder).filePath(nameFor(m_origin.path));
    const QByteArray native = nativePath(m_path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        reportFailure(u"%1 cannot be written: %2"_s.arg(QDir::toNativeSeparators(m_path), systemError(errno)));
        return;
    }
    // Locked while this program records it: another program that finds it leaves it alone.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        reportFailure(u"another program is recording changes to the same file"_s);
        return;
    }
    if (::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        reportFailure(u"%1 cannot be written: %2"_s.arg(QDir::toNativeSeparators(m_path), systemError(error)));
        return;
    }
    m_file = std::make_shared<JournalFile>();
    m_file->fd = fd;
    m_file->owner = this;
    m_open = true;

    BinaryWriter fields;
    auto u64 = [&](quint64 v) {
        fields.i32(qint32(quint32(v)));
        fields.i32(qint32(quint32(v >> 32)));
    };
    auto text = [&](const QString &s) {
        const QByteArray utf8 = s.toUtf8();
        fields.i32(qint32(utf8.size()));
        fields.bytes(utf8);
    };
    text(m_program);
    text(m_kind);
    text(m_origin.path);
    u64(quint64(m_origin.size));
    fields.bytes(m_origin.isNew() ? QByteArray(32, '\0') : m_origin.sha256);
    u64(quint64(QDateTime::currentMSecsSinceEpoch()));
    const QByteArray body = fields.take();
    BinaryWriter header;
    header.bytes(QByteArray(kMagic, sizeof kMagic));
    header.u16(kVersion);
    header.i32(qint32(body.size()));
    header.bytes(body);
    header.i32(qint32(crc32c(body)));
    Task t{Task::Op::Write, m_file};
    t.payload = header.take();
    JournalDisk::instance().post(std::move(t));
    for (Pending &r : records)
        append(r.type, std::move(r.payload));
}

void JournalWriter::append(JournalRecord type, Payload payload)
{
    if (!m_file)
        return;
    Task t{Task::Op::Write, m_file};
    t.head[4] = char(type);
    t.make = std::move(payload);
    t.withChecksum = true;
    JournalDisk::instance().post(std::move(t));
}

void JournalWriter::reportFailure(const QString &why)
{
    m_off = true;
    if (m_file) {
        // What was written stays: it may still recover the edits before the failure.
        m_file->owner = nullptr;
        JournalDisk::instance().post({Task::Op::Close, std::move(m_file)});
        m_file.reset();
    }
    m_open = false;
    if (!m_told) {
        m_told = true;
        Q_EMIT failed(why);
    }
}

void JournalWriter::syncAll()
{
    JournalDisk::instance().post({Task::Op::Sync, nullptr});
}

void JournalWriter::drain()
{
    JournalDisk::instance().drain();
}

// ---- reading

Status readJournal(const QString &path, JournalContents &out)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Status::failure(u"%1 cannot be read: %2"_s.arg(QDir::toNativeSeparators(path), f.errorString()));
    if (f.size() > kMaxJournal)
        return Status::failure(u"%1 is too large to be a journal"_s.arg(QDir::toNativeSeparators(path)));
    const QByteArray bytes = f.readAll();
    const QFileInfo info(path);
    auto refused = [&](const QString &why) {
        return Status::failure(u"%1 is no journal: %2"_s.arg(QDir::toNativeSeparators(path), why));
    };
    constexpr qsizetype kMagicSize = sizeof kMagic;
    if (bytes.size() < kMagicSize + 6 || std::memcmp(bytes.constData(), kMagic, kMagicSize) != 0)
        return refused(u"it does not begin as one"_s);
    BinaryReader head(QByteArrayView(bytes).sliced(kMagicSize));
    if (head.u16() != kVersion)
        return refused(u"it was written by another version"_s);
    const quint32 bodySize = quint32(head.i32());
    const qsizetype bodyAt = kMagicSize + 6;
    if (bodySize > quint32(bytes.size() - bodyAt - 4))
        return refused(u"its header is cut"_s);
    const QByteArrayView body = QByteArrayView(bytes).sliced(bodyAt, bodySize);
    if (qFromLittleEndian<quint32>(bytes.constData() + bodyAt + bodySize) != crc32c(body))
        return refused(u"its header is damaged"_s);
    BinaryReader r(body);
    auto u64 = [&] {
        const quint64 low = quint32(r.i32());
        return low | quint64(quint32(r.i32())) << 32;
    };
    auto text = [&] { return QString::fromUtf8(r.bytes(qsizetype(quint32(r.i32())))); };
    JournalContents c;
    c.program = text();
    c.kind = text();
    c.origin.path = text();
    c.origin.size = qint64(u64());
    c.origin.sha256 = r.bytes(32);
    if (c.origin.isNew())
        c.origin.sha256.clear();
    c.begun = QDateTime::fromMSecsSinceEpoch(qint64(u64()));
    if (!r.ok())
        return refused(u"its header is cut"_s);
    c.lastWritten = info.lastModified();

    qsizetype at = bodyAt + bodySize + 4;
    while (at < bytes.size()) {
        if (bytes.size() - at < kRecordHead + 4) {
            c.damaged = true;
            break;
        }
        const quint32 n = qFromLittleEndian<quint32>(bytes.constData() + at);
        const quint8 type = quint8(bytes[at + 4]);
        if (n > kMaxRecord || qint64(n) > bytes.size() - at - kRecordHead - 4 || type < 1 || type > 4) {
            c.damaged = true;
            break;
        }
        const QByteArrayView record = QByteArrayView(bytes).sliced(at + 4, 1 + n);
        if (qFromLittleEndian<quint32>(bytes.constData() + at + kRecordHead + n) != crc32c(record)) {
            c.damaged = true;
            break;
        }
        c.records.push_back({JournalRecord(type), record.sliced(1).toByteArray()});
        at += kRecordHead + n + 4;
    }
    out = std::move(c);
    return Status::success();
}

QStringList journalsOf(const QString &folder, const QString &program)
{
    QStringList found;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({program + u"-*.journal"_s}, QDir::Files, QDir::Time | QDir::Reversed)) {
        const QString path = dir.filePath(name);
        const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;  // a running program holds its own
        ::close(fd);
        if (free)
            found << path;
    }
    return found;
}

bool journalMatchesDisk(const JournalContents &journal)
{
    if (journal.origin.isNew())  // a document never saved, or a file still to be made
        return journal.origin.path.isEmpty() || !QFileInfo::exists(journal.origin.path);
    const JournalOrigin now = JournalOrigin::ofFile(journal.origin.path);
    return now.size == journal.origin.size && now.sha256 == journal.origin.sha256;
}

QString recoveryQuestion(const JournalContents &journal, const QString &untitled)
{
    const QString name = journal.origin.path.isEmpty() ? untitled : QFileInfo(journal.origin.path).fileName();
    const qsizetype edits = journal.edits();
    QString text = u"Recover unsaved changes to %1 from %2?"_s.arg(
        name, QLocale().toString(journal.lastWritten.time(), u"HH:mm"_s));
    text += u"\n\n"_s + (edits == 1 ? u"1 edit was recorded."_s : u"%1 edits were recorded."_s.arg(edits));
    if (journal.damaged)
        text += u" The journal ends in a damaged record; the edits before it can be recovered."_s;
    return text;
}

Status setJournalAside(const QString &path, QString &newPath)
{
    const QFileInfo info(path);
    const QString aside = info.dir().filePath(u"set-aside"_s);
    if (!QDir().mkpath(aside))
        return Status::failure(u"the folder %1 cannot be made"_s.arg(QDir::toNativeSeparators(aside)));
    const QString target = QDir(aside).filePath(
        u"%1-%2.journal"_s.arg(info.completeBaseName(), QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s)));
    if (::rename(nativePath(path).constData(), nativePath(target).constData()) != 0)
        return Status::failure(u"%1 cannot be moved to %2: %3"_s.arg(QDir::toNativeSeparators(path),
                                                                      QDir::toNativeSeparators(target),
                                                                      systemError(errno)));
    newPath = target;
    return Status::success();
}

} // namespace vt
