// The atomic writer and the readers against a hostile machine: a full file system, links
// that lead elsewhere, special files, and saves killed half way.
#include "FileIO.h"
#include "ImageFile.h"

#include "support/FrozenFolder.h"
#include "support/RawFiles.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <grp.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vt;

namespace {

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

void link(const QString &target, const QString &at)
{
    QVERIFY2(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) == 0,
             qPrintable(at));
}

} // namespace

class tst_fileio : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullDiskIsReportedAndTheOldFileStays()
    {
        SmallDisk disk;
        REQUIRE_SMALL_DISK(disk);
        const QString path = disk.file(QStringLiteral("Worldata.qzw"));
        const QByteArray old(3000, 'o');
        writeRaw(path, old);
        disk.fill();

        for (OldTail tail : {OldTail::Drop, OldTail::Keep}) {
            const Status s = replaceFile(path, QByteArray(20000, 'n'), tail);
            QVERIFY(!s.ok());
            QVERIFY2(s.error().contains(QStringLiteral("No space left on device")), qPrintable(s.error()));
            QVERIFY(s.error().contains(path));
            QCOMPARE(readRaw(path), old);
            QCOMPARE(everything(disk.path()), (QStringList{QStringLiteral(".filler"), QStringLiteral("Worldata.qzw")}));
        }

        // Room again: the same save goes through.
        QVERIFY(QFile::remove(disk.file(QStringLiteral(".filler"))));
        QVERIFY(replaceFile(path, "new", OldTail::Keep).ok());
        QCOMPARE(readRaw(path), QByteArray("new") + old.mid(3));
    }

    void linksNeverCarryAWriteOutOfTheFolder()
    {
        QTemporaryDir top;
        const QString mod = top.filePath(QStringLiteral("Mods/M"));
        const QString outside = top.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(mod + QStringLiteral("/World")));
        QVERIFY(QDir().mkpath(outside));
        writeRaw(outside + QStringLiteral("/victim"), "victim");

        // A world folder that is a link out of the mod.
        link(outside, mod + QStringLiteral("/Linked"));
        Status s = replaceFile(mod + QStringLiteral("/Linked/Worldata.qzw"), "x", OldTail::Keep, mod);
        QVERIFY(!s.ok());
        QVERIFY(s.error().contains(QStringLiteral("Worldata.qzw")));
        // A file that is a link out, and a dangling one.
        link(outside + QStringLiteral("/victim"), mod + QStringLiteral("/World/Worldata.qzw"));
        link(outside + QStringLiteral("/new"), mod + QStringLiteral("/World/Worldmap.qzm"));
        QVERIFY(!replaceFile(mod + QStringLiteral("/World/Worldata.qzw"), "x", OldTail::Keep, mod).ok());
        QVERIFY(!replaceFile(mod + QStringLiteral("/World/Worldmap.qzm"), "x", OldTail::Drop, mod).ok());
        QCOMPARE(everything(outside), QStringList{QStringLiteral("victim")});
        QCOMPARE(readRaw(outside + QStringLiteral("/victim")), QByteArray("victim"));

        // A link that stays inside is followed: the link stays, its target is replaced.
        writeRaw(mod + QStringLiteral("/World/real.qzl"), "old");
        link(QStringLiteral("real.qzl"), mod + QStringLiteral("/World/alias.qzl"));
        QVERIFY(replaceFile(mod + QStringLiteral("/World/alias.qzl"), "new", OldTail::Drop, mod).ok());
        QVERIFY(QFileInfo(mod + QStringLiteral("/World/alias.qzl")).isSymLink());
        QCOMPARE(readRaw(mod + QStringLiteral("/World/real.qzl")), QByteArray("new"));

        // A mod kept elsewhere and linked into Mods/ is still one folder with itself.
        const QString kept = top.filePath(QStringLiteral("kept"));
        QVERIFY(QDir().mkpath(kept + QStringLiteral("/World")));
        link(kept, top.filePath(QStringLiteral("Mods/Elsewhere")));
        const QString viaLink = top.filePath(QStringLiteral("Mods/Elsewhere"));
        QVERIFY(replaceFile(viaLink + QStringLiteral("/World/Worldata.qzw"), "ok", OldTail::Keep, viaLink).ok());
        QCOMPARE(readRaw(kept + QStringLiteral("/World/Worldata.qzw")), QByteArray("ok"));

        // Without a folder to stay in, links are simply followed.
        QVERIFY(replaceFile(mod + QStringLiteral("/World/Worldata.qzw"), "VIC", OldTail::Keep).ok());
        QCOMPARE(readRaw(outside + QStringLiteral("/victim")), QByteArray("VICtim"));
    }

    void specialFilesAreRefusedAtOnce()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("Worldata.qzw"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0);
        const QString zero = dir.filePath(QStringLiteral("zero.qzl"));
        link(QStringLiteral("/dev/zero"), zero);

        QByteArray out = "keep";
        for (const QString &path : {pipe, zero}) {
            QVERIFY(fileReadable(path));  // opens without waiting for a writer
            Status s = readWholeFile(path, out);
            QVERIFY(!s.ok());
            QVERIFY2(s.error().contains(QStringLiteral("not a regular file")), qPrintable(s.error()));
            QVERIFY(!readFileHead(path, out, 100).ok());
            QCOMPARE(out, QByteArray("keep"));
            for (OldTail tail : {OldTail::Keep, OldTail::Drop})
                QVERIFY(!replaceFile(path, "x", tail).ok());
        }
        QVERIFY(!readWholeFile(dir.path(), out).ok());  // a folder either
    }

    void picturesAreReadThroughTheSameChecks()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("walker.bmp"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0);
        const QString junk = dir.filePath(QStringLiteral("junk.gif"));
        writeRaw(junk, "GIF89a but not really");
        const QString good = dir.filePath(QStringLiteral("good.bmp"));
        QImage picture(3, 2, QImage::Format_RGB32);
        picture.fill(qRgb(1, 2, 3));
        QVERIFY(picture.save(good, "BMP"));

        QImage out(1, 1, QImage::Format_RGB32);
        for (const QString &bad : {pipe, junk, dir.filePath(QStringLiteral("missing.bmp"))}) {
            const Status s = readImage(bad, out);
            QVERIFY(!s.ok());
            QVERIFY(s.error().contains(bad));
            QCOMPARE(out.size(), QSize(1, 1));
        }
        QVERIFY(readImage(good, out).ok());
        QCOMPARE(out.size(), QSize(3, 2));
        QCOMPARE(out.pixel(2, 1), qRgb(1, 2, 3));
    }

    // A header that promises more pixels than the largest tileset is refused before a pixel
    // is decoded, with the size in the message; the largest tileset's size is within reach.
    void picturesLargerThanTheLargestTilesetAreRefused()
    {
        QTemporaryDir dir;
        auto bmpHeader = [](qint32 width, qint32 height) {
            QByteArray b("BM");
            auto le32 = [&b](quint32 v) {
                for (int i = 0; i < 4; ++i)
                    b.append(char((v >> (8 * i)) & 0xff));
            };
            le32(0);   // file size, unchecked
            le32(0);   // reserved
            le32(54);  // pixels follow the headers
            le32(40);
            le32(quint32(width));
            le32(quint32(height));
            b.append("\x01\x00\x18\x00", 4);  // one plane, 24 bits
            for (int i = 0; i < 6; ++i)
                le32(0);
            return b;
        };
        const QString huge = dir.filePath(QStringLiteral("huge.bmp"));
        writeRaw(huge, bmpHeader(8161, 8160) + QByteArray(64, '\0'));
        QImage out;
        const Status s = readImage(huge, out);
        QVERIFY(!s.ok());
        QVERIFY2(s.error().contains(QStringLiteral("8161 x 8160 pixels")), qPrintable(s.error()));
        QVERIFY(s.error().contains(huge));
        QVERIFY(out.isNull());

        // 8160 x 8160, 254 MiB decoded: within the reader's allocation limit (the bitmap
        // reader takes a file cut short, the missing rows black).
        const QString largest = dir.filePath(QStringLiteral("largest.bmp"));
        writeRaw(largest, bmpHeader(8160, 8160) + QByteArray(64, '\0'));
        const Status l = readImage(largest, out);
        QVERIFY2(l.ok(), qPrintable(l.error()));
        QCOMPARE(out.size(), QSize(8160, 8160));
    }

    void readersReadOnlyWhatTheyAreAllowed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f"));
        writeRaw(path, "0123456789");
        QByteArray out;
        QVERIFY(readFileHead(path, out, 4).ok());
        QCOMPARE(out, QByteArray("0123"));
        QVERIFY(readFileHead(path, out, 100).ok());
        QCOMPARE(out, QByteArray("0123456789"));
        QVERIFY(!readWholeFile(path, out, 9).ok());
        QCOMPARE(out, QByteArray("0123456789"));
    }

    void replacedFilesKeepTheirPermissions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f"));
        writeRaw(path, "old");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QVERIFY(replaceFile(path, "new").ok());
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));

        const QString fresh = dir.filePath(QStringLiteral("fresh"));
        const mode_t mask = ::umask(022);
        QVERIFY(replaceFile(fresh, "x").ok());
        ::umask(mask);
        QVERIFY(::stat(QFile::encodeName(fresh).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0644));
    }

    // A save replaces the file by a rename, which the folder allows; the file's own
    // permissions must still be honoured, as an in-place write would honour them.
    void filesTheUserMayNotWriteAreRefused()
    {
        QTemporaryDir dir;
        const QString readOnly = dir.filePath(QStringLiteral("Worldata.qzw"));
        writeRaw(readOnly, "old details");
        QVERIFY(::chmod(QFile::encodeName(readOnly).constData(), 0444) == 0);
        if (::geteuid() != 0) {
            for (OldTail tail : {OldTail::Drop, OldTail::Keep}) {
                const Status s = replaceFile(readOnly, "new", tail);
                QVERIFY(!s.ok());
                QVERIFY2(s.error().contains(QStringLiteral("Permission denied")), qPrintable(s.error()));
            }
            QCOMPARE(readRaw(readOnly), QByteArray("old details"));
            QSKIP("saving as another user needs root to become that user");
        }

        // Root's files in a folder everyone may write, saved by an ordinary user (65534).
        constexpr uid_t kUser = 65534;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
        const QString rootsOwn = dir.filePath(QStringLiteral("Meadow.qzl"));
        writeRaw(rootsOwn, "root's area");
        QVERIFY(::chmod(QFile::encodeName(rootsOwn).constData(), 0644) == 0);
        const QString theirs = dir.filePath(QStringLiteral("Cave.qzl"));
        writeRaw(theirs, "their area");
        QVERIFY(::chown(QFile::encodeName(theirs).constData(), kUser, kUser) == 0);

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kUser) != 0 || ::setuid(kUser) != 0)
                ::_exit(10);
            int failures = 0;
            for (const QString &path : {readOnly, rootsOwn}) {
                for (OldTail tail : {OldTail::Drop, OldTail::Keep}) {
                    const Status s = replaceFile(path, "new", tail);
                    if (s.ok() || !s.error().contains(QStringLiteral("Permission denied")))
                        ++failures;
                }
            }
            // The folder itself is reachable: the user's own file saves.
            if (!replaceFile(theirs, "saved by them").ok())
                failures += 100;
            ::_exit(failures);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readRaw(readOnly), QByteArray("old details"));
        QCOMPARE(readRaw(rootsOwn), QByteArray("root's area"));
        QCOMPARE(readRaw(theirs), QByteArray("saved by them"));
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(rootsOwn).constData(), &st) == 0);
        QCOMPARE(st.st_uid, uid_t(0));
        QCOMPARE(everything(dir.path()).size(), 3);  // no temporary left behind

        // Root saving the user's file leaves it the user's, with its mode.
        QVERIFY(::chown(QFile::encodeName(theirs).constData(), kUser, kUser) == 0);
        QVERIFY(::chmod(QFile::encodeName(theirs).constData(), 0640) == 0);
        QVERIFY(replaceFile(theirs, "saved by root").ok());
        QVERIFY(::stat(QFile::encodeName(theirs).constData(), &st) == 0);
        QCOMPARE(st.st_uid, kUser);
        QCOMPARE(st.st_gid, gid_t(kUser));
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(readRaw(theirs), QByteArray("saved by root"));
    }

    // Several files replaced as one: all of them, or, whatever fails, none.
    void batchesReplaceEveryFileOrNone()
    {
        QTemporaryDir dir;
        const QString one = dir.filePath(QStringLiteral("one")), two = dir.filePath(QStringLiteral("two"));
        QVERIFY(QDir().mkpath(one) && QDir().mkpath(two));
        const QString a = one + QStringLiteral("/A.qzl"), b = two + QStringLiteral("/B.qzl"),
                      c = two + QStringLiteral("/C.qzl");
        auto reset = [&] {
            writeRaw(a, "old a");
            writeRaw(b, "old b");
            QFile::remove(c);
        };

        // All well: every file holds its new bytes and nothing else is left in the folders.
        reset();
        {
            FileBatch batch;
            QVERIFY(batch.add(a, "new a").ok());
            QVERIFY(batch.add(b, "new b").ok());
            QVERIFY(batch.add(c, "new c").ok());
            QCOMPARE(readRaw(a), QByteArray("old a"));  // nothing changes before the commit
            const Status s = batch.commit();
            QVERIFY2(s.ok(), qPrintable(s.error()));
            QCOMPARE(batch.replaced(), QStringList({a, b, c}));
        }
        QCOMPARE(readRaw(a), QByteArray("new a"));
        QCOMPARE(readRaw(b), QByteArray("new b"));
        QCOMPARE(readRaw(c), QByteArray("new c"));
        QCOMPARE(everything(one), QStringList{QStringLiteral("A.qzl")});
        QCOMPARE(everything(two), QStringList({QStringLiteral("B.qzl"), QStringLiteral("C.qzl")}));

        // A file named twice is refused, and the batch gives up.
        reset();
        {
            FileBatch batch;
            QVERIFY(batch.add(a, "new a").ok());
            const Status s = batch.add(one + QStringLiteral("/../one/A.qzl"), "other a");
            QVERIFY(!s.ok());
            QVERIFY(!batch.commit().ok());
        }
        QCOMPARE(readRaw(a), QByteArray("old a"));
        QCOMPARE(everything(one), QStringList{QStringLiteral("A.qzl")});

        // A batch that ends without a commit changes nothing and leaves nothing.
        reset();
        {
            FileBatch batch;
            QVERIFY(batch.add(a, "new a").ok());
            QVERIFY(batch.add(c, "new c").ok());
        }
        QCOMPARE(readRaw(a), QByteArray("old a"));
        QVERIFY(!QFile::exists(c));
        QCOMPARE(everything(one), QStringList{QStringLiteral("A.qzl")});
        QCOMPARE(everything(two), QStringList{QStringLiteral("B.qzl")});

        // The second folder locked after the new bytes were written: its old file cannot be
        // kept aside, so nothing is renamed at all.
        reset();
        {
            FrozenFolder frozen(two);
            FileBatch batch;
            QVERIFY(batch.add(a, "new a").ok());
            QVERIFY(batch.add(b, "new b").ok());
            if (!frozen.freeze())
                QSKIP(qPrintable(frozen.reason()));
            const Status s = batch.commit();
            frozen.thaw();
            QVERIFY2(!s.ok() && s.error().contains(QStringLiteral("could not be kept aside")), qPrintable(s.error()));
            QVERIFY(batch.replaced().isEmpty());
        }
        QCOMPARE(readRaw(a), QByteArray("old a"));
        QCOMPARE(readRaw(b), QByteArray("old b"));
        QCOMPARE(everything(one), QStringList{QStringLiteral("A.qzl")});
        // The locked folder keeps the new bytes' temporary (nothing can be removed from it);
        // the next save of the file removes it.
        QStringList left = everything(two);
        left.removeIf([](const QString &n) { return n.startsWith(QStringLiteral(".B.qzl.vtsave-")); });
        QCOMPARE(left, QStringList{QStringLiteral("B.qzl")});

        // A rename that fails (the second file locked: it cannot be linked, so a copy of it is
        // kept, and then it cannot be replaced): the file renamed before it gets its old
        // contents back, the new one goes.
        reset();
        {
            FrozenFolder frozen(b);
            FileBatch batch;
            QVERIFY(batch.add(a, "new a").ok());
            QVERIFY(batch.add(b, "new b").ok());
            if (!frozen.freeze())
                QSKIP(qPrintable(frozen.reason()));
            const Status s = batch.commit();
            frozen.thaw();
            QVERIFY(!s.ok());
            QVERIFY2(s.error().contains(b) && s.error().contains(QStringLiteral("Operation not permitted"))
                         && s.error().contains(QStringLiteral("Every file is as it was")),
                     qPrintable(s.error()));
            QVERIFY(batch.replaced().isEmpty());
        }
        QCOMPARE(readRaw(a), QByteArray("old a"));
        QCOMPARE(readRaw(b), QByteArray("old b"));
        QCOMPARE(everything(one), QStringList{QStringLiteral("A.qzl")});
    }

    void batchesOnAFullDiskChangeNothing()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("A.qzl"));
        writeRaw(a, "old a");
        SmallDisk disk;
        REQUIRE_SMALL_DISK(disk);
        const QString b = disk.file(QStringLiteral("B.qzl"));
        writeRaw(b, "old b");
        disk.fill();

        FileBatch batch;
        QVERIFY(batch.add(a, QByteArray(20000, 'a')).ok());
        const Status s = batch.add(b, QByteArray(20000, 'b'));
        QVERIFY(!s.ok());
        QVERIFY2(s.error().contains(b) && s.error().contains(QStringLiteral("No space left on device")),
                 qPrintable(s.error()));
        QVERIFY(!batch.commit().ok());
        QCOMPARE(readRaw(a), QByteArray("old a"));
        QCOMPARE(readRaw(b), QByteArray("old b"));
        QCOMPARE(everything(dir.path()), QStringList{QStringLiteral("A.qzl")});
    }

    void killedSavesLeaveNothingAfterTheNextGoodSave()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Meadow.qzl"));
        writeRaw(path, "old");
        // Names that only look like the writer's temporaries are not ours to remove.
        const QStringList bystanders = {QStringLiteral(".Meadow.qzl.vtsave-abc"),
                                        QStringLiteral("Meadow.qzl.backup"),
                                        QStringLiteral(".Other.qzl.vtsave-AbC123")};
        for (const QString &name : bystanders)
            writeRaw(dir.filePath(name), "mine");

        const QByteArray big(2 * 1024 * 1024, 'b');
        int strays = 0;
        for (int i = 0; i < 200; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                for (;;)
                    (void)replaceFile(path, big);
            }
            QVERIFY(child > 0);
            ::usleep(useconds_t(QRandomGenerator::global()->bounded(200, 4000)));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            strays = std::max(strays, int(everything(dir.path()).size()) - 4);
        }
        QVERIFY(replaceFile(path, "good").ok());
        QStringList expected = bystanders;
        expected << QStringLiteral("Meadow.qzl");
        expected.sort();
        QStringList left = everything(dir.path());
        left.sort();
        QCOMPARE(left, expected);
        QCOMPARE(readRaw(path), QByteArray("good"));
        qInfo("killed saves left at most %d temporaries at a time before the good save", strays);
    }
};

QTEST_GUILESS_MAIN(tst_fileio)
#include "tst_fileio.moc"
