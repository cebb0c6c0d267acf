#include "area/oLevel.h"

#include "support/RawFiles.h"
#include "support/SmallDisk.h"

#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tessaforge::oLevel;

namespace {

QByteArray bytesOf(const oLevel &level)
{
    QByteArray out;
    const vt::Status s = tessaforge::encode(level, out);
    return s.ok() ? out : QByteArray("<refused>");
}

// A 20 x 15 area with something in every field, as the editor would leave it.
void fillSample(oLevel &level)
{
    QVERIFY(level.Resize(20, 15));
    level.SetStartPos(15, 3);
    level.SetSideWarp(true);
    level.SetTime(-300);
    for (int x = 0; x < 20; ++x) {
        for (int y = 0; y < 15; ++y) {
            if ((x + y) % 3 == 0)
                level.SetTile(x, y, x * 7 % 256, y * 13 % 256);
            QVERIFY(level.SetTileTag(x, y, (x * y) % 5 == 0 ? 0 : (x ^ y) & 0xFF));
            QVERIFY(level.SetTileEnemy(x, y, y == 14 ? 255 : x % 4));
        }
    }
}

} // namespace

class tst_area : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newAreaHasNoGridUntilResized()
    {
        oLevel level;
        QVERIFY(!level.hasGrid());
        QCOMPARE(level.width(), 0);
        QCOMPARE(level.height(), 0);
        level.SetTile(0, 0, 1, 1);
        QVERIFY(!level.IsTile(0, 0));
        QVERIFY(!level.SetTileTag(0, 0, 3));
        QVERIFY(!level.SetTileEnemy(0, 0, 3));
        QCOMPARE(level.TileTag(0, 0), 0);

        QVERIFY(level.Resize(1, 1));
        QVERIFY(level.hasGrid());
        level.SetTile(0, 0, 1, 1);
        QVERIFY(level.IsTile(0, 0));
        QCOMPARE(level.xSrc(0, 0), 1);
    }

    void resizeTakesCountsAndRefusesBadOnes()
    {
        oLevel level;
        QVERIFY(level.Resize(20, 15));
        QCOMPARE(level.width(), 19);
        QCOMPARE(level.height(), 14);
        level.SetTile(19, 14, 2, 2);

        const QByteArray before = bytesOf(level);
        QVERIFY(!level.Resize(0, 10));
        QVERIFY(!level.Resize(10, -1));
        QVERIFY(!level.Resize(32769, 1));
        QVERIFY(!level.Resize(1, 32769));
        QCOMPARE(bytesOf(level), before);

        // The largest count still fits the 16-bit highest index.
        QVERIFY(level.Resize(32768, 1));
        QCOMPARE(level.width(), 32767);
        QCOMPARE(level.height(), 0);
        level.SetTile(32767, 0, 9, 9);
        QVERIFY(level.IsTile(32767, 0));
    }

    void shrinkingAndGrowingKeepsOnlyTheOverlap()
    {
        oLevel level;
        fillSample(level);
        oLevel copy;
        QVERIFY(tessaforge::decode(bytesOf(level), copy).ok());

        QVERIFY(level.Resize(10, 10));
        QVERIFY(level.Resize(20, 15));
        QCOMPARE(level.StartX(), 15);
        QCOMPARE(level.Time(), -300);
        QVERIFY(level.SideWarp());
        for (int x = 0; x < 20; ++x) {
            for (int y = 0; y < 15; ++y) {
                const bool kept = x < 10 && y < 10;
                QCOMPARE(level.IsTile(x, y), kept && copy.IsTile(x, y));
                QCOMPARE(level.xSrc(x, y), kept ? copy.xSrc(x, y) : 0);
                QCOMPARE(level.ySrc(x, y), kept ? copy.ySrc(x, y) : 0);
                QCOMPARE(level.TileTag(x, y), kept ? copy.TileTag(x, y) : 0);
                QCOMPARE(level.TileEnemy(x, y), kept ? copy.TileEnemy(x, y) : 0);
            }
        }
    }

    void cellEditsAndOutOfRangeAccess()
    {
        oLevel level;
        QVERIFY(level.Resize(20, 15));
        level.SetTile(2, 3, 5, 6);
        QVERIFY(level.SetTileTag(2, 3, 7));
        QVERIFY(level.SetTileEnemy(2, 3, 9));
        QCOMPARE(level.xSrc(2, 3), 5);
        QCOMPARE(level.ySrc(2, 3), 6);
        level.EraseTile(2, 3);
        QVERIFY(!level.IsTile(2, 3));
        QCOMPARE(level.xSrc(2, 3), 0);
        QCOMPARE(level.ySrc(2, 3), 0);
        QCOMPARE(level.TileTag(2, 3), 7);
        QCOMPARE(level.TileEnemy(2, 3), 9);

        // A source outside the tileset's byte range is not stored as some other tile.
        level.SetTile(4, 4, 256, 0);
        level.SetTile(4, 4, 0, -1);
        QVERIFY(!level.IsTile(4, 4));

        const QByteArray before = bytesOf(level);
        QCOMPARE(level.xSrc(-1, 0), 0);
        QCOMPARE(level.TileTag(level.width() + 1, 0), 0);
        QVERIFY(!level.IsTile(0, level.height() + 1));
        QVERIFY(!level.SetTileTag(level.width() + 1, 0, 3));
        QVERIFY(!level.SetTileEnemy(0, -1, 3));
        level.SetTile(20, 0, 1, 1);
        level.SetTile(0, 15, 1, 1);
        level.EraseTile(-1, -1);
        QCOMPARE(bytesOf(level), before);
    }

    void headerValues()
    {
        oLevel level;
        level.SetTime(-5);
        QCOMPARE(level.Time(), -5);
        level.SetTime(40000);
        QCOMPARE(level.Time(), -5);
        level.SetTime(32767);
        QCOMPARE(level.Time(), 32767);

        level.SetStartPos(-3, 32767);
        QCOMPARE(level.StartX(), -3);
        QCOMPARE(level.StartY(), 32767);
    }

    void byteExamples()
    {
        // 1 x 1, side-warp on, start (0, 0), time 300, one empty cell.
        const QByteArray one = QByteArray::fromHex("ff 0000 0000 0000 0000 2c01  0000000000");
        oLevel a;
        QVERIFY(a.Resize(1, 1));
        a.SetSideWarp(true);
        a.SetTime(300);
        QCOMPARE(bytesOf(a), one);

        // 2 x 1, side-warp off, start (1, 0), time 0; cell (1, 0) shows tile (3, 4), tag 2, enemy 5.
        const QByteArray two =
            QByteArray::fromHex("00 0100 0000 0100 0000 0000  0000000000  ff03040205");
        oLevel b;
        QVERIFY(b.Resize(2, 1));
        b.SetStartPos(1, 0);
        b.SetTile(1, 0, 3, 4);
        QVERIFY(b.SetTileTag(1, 0, 2));
        QVERIFY(b.SetTileEnemy(1, 0, 5));
        QCOMPARE(bytesOf(b), two);

        oLevel r;
        QVERIFY(tessaforge::decode(two, r).ok());
        QVERIFY(!r.SideWarp());
        QCOMPARE(r.StartX(), 1);
        QCOMPARE(r.width(), 1);
        QCOMPARE(r.height(), 0);
        QVERIFY(!r.IsTile(0, 0));
        QVERIFY(r.IsTile(1, 0));
        QCOMPARE(r.xSrc(1, 0), 3);
        QCOMPARE(r.ySrc(1, 0), 4);
        QCOMPARE(r.TileTag(1, 0), 2);
        QCOMPARE(r.TileEnemy(1, 0), 5);
        QVERIFY(tessaforge::decode(one, r).ok());
        QVERIFY(r.SideWarp());
        QCOMPARE(r.Time(), 300);

        // An erased tile keeps its tag, in the file too.
        oLevel e;
        QVERIFY(e.Resize(1, 1));
        e.SetTile(0, 0, 8, 8);
        QVERIFY(e.SetTileTag(0, 0, 7));
        e.EraseTile(0, 0);
        QCOMPARE(bytesOf(e).mid(11), QByteArray::fromHex("0000000700"));
        QVERIFY(tessaforge::decode(bytesOf(e), r).ok());
        QVERIFY(!r.IsTile(0, 0));
        QCOMPARE(r.TileTag(0, 0), 7);
    }

    void flagsAreOnOnlyAt255()
    {
        for (const char *flag : {"01", "fe"}) {
            oLevel level;
            const QByteArray f = QByteArray::fromHex(flag);
            QVERIFY(tessaforge::decode(f + QByteArray::fromHex("00000000000000000000") + f
                                    + QByteArray::fromHex("01020304"), level).ok());
            QVERIFY(!level.SideWarp());
            QVERIFY(!level.IsTile(0, 0));
            QCOMPARE(level.xSrc(0, 0), 1);  // the other bytes are still taken as they are
            QCOMPARE(level.TileEnemy(0, 0), 4);
        }
    }

    void extraBytesIgnoredMissingBytesEmpty()
    {
        // 2 x 2 with 10 bytes more than it needs.
        const QByteArray header = QByteArray::fromHex("00 0000 0000 0100 0100 0a00");
        QByteArray cells;
        for (int i = 0; i < 4; ++i)
            cells += QByteArray::fromHex("ff0102") + char(i) + char(10 + i);
        oLevel level;
        QVERIFY(tessaforge::decode(header + cells + QByteArray(10, '\xff'), level).ok());
        QCOMPARE(level.width(), 1);
        QCOMPARE(level.height(), 1);
        QCOMPARE(level.TileTag(1, 0), 2);  // column-major: (1, 0) is the third record
        QCOMPARE(level.TileEnemy(1, 1), 13);
        QCOMPARE(bytesOf(level), header + cells);

        // Truncated: a 3 x 3 header, four whole cells and part of a fifth. The grid keeps the
        // header's size; cells without data are empty.
        const QByteArray big = QByteArray::fromHex("00 0000 0000 0200 0200 0000");
        QVERIFY(tessaforge::decode(big + cells + QByteArray::fromHex("ff0102"), level).ok());
        QCOMPARE(level.width(), 2);
        QCOMPARE(level.height(), 2);
        QVERIFY(level.IsTile(1, 0));  // fourth record
        QCOMPARE(level.TileEnemy(1, 0), 13);
        QVERIFY(!level.IsTile(1, 1));
        QVERIFY(!level.IsTile(2, 2));
        QCOMPARE(bytesOf(level), big + cells + QByteArray(5 * 5, '\0'));

        QVERIFY(tessaforge::decode(big, level).ok());  // header only: every cell empty
        QCOMPARE(bytesOf(level), big + QByteArray(9 * 5, '\0'));
    }

    void hugeHeaderInTinyFile()
    {
        // 32768 x 32768 cells promised by an 11-byte file: only address space is taken.
        const QByteArray huge = QByteArray::fromHex("00 0000 0000 ff7f ff7f 0000");
        oLevel level;
        QVERIFY(level.Resize(3, 3));
        const vt::Status s = tessaforge::decode(huge, level);
        if (!s.ok()) {
            // Only a machine without the address space may refuse, and then keeps the area.
            QVERIFY(s.error().contains(QStringLiteral("memory")));
            QCOMPARE(level.width(), 2);
            QSKIP("Not enough address space for the largest area on this machine.");
        }
        QCOMPARE(level.width(), 32767);
        QCOMPARE(level.height(), 32767);
        QVERIFY(!level.IsTile(32767, 32767));
        level.SetTile(32767, 32767, 1, 2);
        QVERIFY(level.IsTile(32767, 32767));
        QVERIFY(!level.IsTile(32768, 0));
        QVERIFY(!level.IsTile(0, 32768));
    }

    void badHeaderKeepsTheOldArea()
    {
        oLevel level;
        fillSample(level);
        const QByteArray before = bytesOf(level);

        QVERIFY(!tessaforge::decode(QByteArray::fromHex("00 0000 0000 0100 0100 00"), level).ok());  // 10 bytes
        QVERIFY(!tessaforge::decode({}, level).ok());
        for (const char *dims : {"ffff 0000", "0000 ffff", "0080 0080"}) {
            const QByteArray bad = QByteArray::fromHex("ff 0100 0100") + QByteArray::fromHex(dims)
                                   + QByteArray::fromHex("0100") + QByteArray(50, '\xff');
            const vt::Status s = tessaforge::decode(bad, level);
            QVERIFY(!s.ok());
            QVERIFY(!s.error().isEmpty());
        }
        QCOMPARE(bytesOf(level), before);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.qzl"));
        writeRaw(path, QByteArray::fromHex("00 0000 0000 ffff 0000 0000"));
        const vt::Status s = level.LoadFromFile(path);
        QVERIFY(!s.ok());
        QVERIFY(s.error().contains(path));
        QCOMPARE(bytesOf(level), before);
    }

    void missingFileKeepsData()
    {
        QTemporaryDir dir;
        oLevel level;
        fillSample(level);
        const QByteArray before = bytesOf(level);
        const QString path = dir.filePath(QStringLiteral("none.qzl"));
        QVERIFY(level.LoadFromFile(path).ok());
        QCOMPARE(bytesOf(level), before);
        QVERIFY(!QFile::exists(path));  // reading never creates
    }

    void saveLoadSaveIsIdentical()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Cave.qzl"));
        // A longer old file is replaced whole, never left with a tail.
        writeRaw(path, QByteArray(5000, 'x'));

        oLevel level;
        fillSample(level);
        QVERIFY(level.SaveToFile(path).ok());
        const QByteArray first = readRaw(path);
        QCOMPARE(first.size(), 1511);

        oLevel loaded;
        QVERIFY(loaded.LoadFromFile(path).ok());
        QCOMPARE(loaded.Time(), -300);
        QCOMPARE(loaded.TileEnemy(5, 14), 255);
        QVERIFY(loaded.SaveToFile(path).ok());
        QCOMPARE(readRaw(path), first);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Cave.qzl")});
    }

    void refusedSaveLeavesOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Cave.qzl"));
        const QByteArray old = QByteArray::fromHex("ff 0000 0000 0000 0000 2c01  0000000000");
        writeRaw(path, old);

        oLevel noGrid;
        QVERIFY(!noGrid.SaveToFile(path).ok());
        QCOMPARE(readRaw(path), old);

        oLevel level;
        QVERIFY(level.Resize(4, 6));
        QVERIFY(level.SetTileTag(3, 5, 256));  // the later cell: the message names the first
        QVERIFY(level.SetTileEnemy(2, 4, -1));
        vt::Status s = level.SaveToFile(path);
        QVERIFY(!s.ok());
        QVERIFY2(s.error().contains(QStringLiteral("(2, 4)")), qPrintable(s.error()));
        QVERIFY(s.error().contains(QStringLiteral("enemy -1")));
        QCOMPARE(readRaw(path), old);

        QVERIFY(level.SetTileEnemy(2, 4, 255));
        s = level.SaveToFile(path);
        QVERIFY(s.error().contains(QStringLiteral("(3, 5)")));
        QVERIFY(s.error().contains(QStringLiteral("tag 256")));
        QCOMPARE(readRaw(path), old);

        const QString fresh = dir.filePath(QStringLiteral("New.qzl"));
        QVERIFY(!level.SaveToFile(fresh).ok());
        QVERIFY(!QFile::exists(fresh));
    }

    void failedWriteLeavesOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Cave.qzl"));
        const QByteArray old = QByteArray::fromHex("ff 0000 0000 0000 0000 2c01  0000000000");
        writeRaw(path, old);

        oLevel level;
        fillSample(level);
        vt::setReplaceFaultForTesting(100);
        const vt::Status s = level.SaveToFile(path);
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!s.ok());
        QVERIFY(!s.error().isEmpty());
        QCOMPARE(readRaw(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Cave.qzl")});

        // A folder that does not exist.
        QVERIFY(!level.SaveToFile(dir.filePath(QStringLiteral("no/such/Cave.qzl"))).ok());
    }

    void saveOntoAFullDiskFailsAndKeepsTheOldFile()
    {
        SmallDisk disk;
        REQUIRE_SMALL_DISK(disk);
        const QString path = disk.file(QStringLiteral("Meadow.qzl"));
        oLevel small;
        QVERIFY(small.Resize(4, 4));
        QVERIFY(small.SaveToFile(path).ok());
        const QByteArray old = readRaw(path);
        disk.fill();
        oLevel level;
        QVERIFY(level.Resize(20, 15));
        level.SetTile(3, 4, 1, 2);
        const vt::Status s = level.SaveToFile(path);
        QVERIFY(!s.ok());
        QVERIFY2(s.error().contains(QStringLiteral("No space left on device")), qPrintable(s.error()));
        QCOMPARE(readRaw(path), old);
    }

    void specialFilesAreRefusedAndTheAreaStays()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("Pipe.qzl"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0);
        const QString zero = dir.filePath(QStringLiteral("Zero.qzl"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        oLevel level;
        fillSample(level);
        const qint32 width = level.width();
        for (const QString &path : {pipe, zero}) {
            const vt::Status s = level.LoadFromFile(path);
            QVERIFY(!s.ok());
            QVERIFY(s.error().contains(path));
            QCOMPARE(level.width(), width);
        }
    }

    void aGridMemoryCannotHoldIsRefusedAndTheAreaStays()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer reserves more address space than the limit this test sets");
#else
        // In a child whose address space is capped at 1 GiB, the largest header (12 GiB of
        // cells) and the largest resize cannot be had: both are refused, the area intact.
        const pid_t child = ::fork();
        if (child == 0) {
            const rlimit cap{1u << 30, 1u << 30};
            if (::setrlimit(RLIMIT_AS, &cap) != 0)
                ::_exit(10);
            oLevel level;
            fillSample(level);
            const qint32 width = level.width();
            const qint32 tag = level.TileTag(3, 1);
            const vt::Status loaded = tessaforge::decode(QByteArray::fromHex("00 0000 0000 ff7f ff7f 0000"), level);
            if (loaded.ok() || !loaded.error().contains(QStringLiteral("Not enough memory")))
                ::_exit(11);
            if (level.width() != width || level.TileTag(3, 1) != tag)
                ::_exit(12);
            if (level.Resize(oLevel::kMaxCount, oLevel::kMaxCount) || level.width() != width)
                ::_exit(13);
            ::_exit(0);
        }
        QVERIFY(child > 0);
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
#endif
    }

    void loadReadsOnlyWhatTheHeaderDescribes()
    {
        // A 2 x 1 area followed by a megabyte that is not part of it.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Long.qzl"));
        writeRaw(path, QByteArray::fromHex("00 0000 0000 0100 0000 0000") + QByteArray::fromHex("ff0102 0304")
                           + QByteArray::fromHex("0000000000") + QByteArray(1 << 20, 'x'));
        oLevel level;
        QVERIFY(level.LoadFromFile(path).ok());
        QCOMPARE(level.width(), 1);
        QCOMPARE(level.xSrc(0, 0), 1);
        QCOMPARE(level.TileEnemy(0, 0), 4);
    }
};

QTEST_APPLESS_MAIN(tst_area)
#include "tst_area.moc"
