#include "AnsiText.h"
#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileIO.h"
#include "Paths.h"

#include "support/RawFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vt;

class tst_common : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readerIsLittleEndianAndSigned()
    {
        const QByteArray bytes = QByteArray::fromHex("2c01" "ffff" "78563412" "fe");
        BinaryReader r(bytes);
        QCOMPARE(r.i16(), qint16(300));
        QCOMPARE(r.i16(), qint16(-1));
        QCOMPARE(r.i32(), qint32(0x12345678));
        QCOMPARE(r.u8(), quint8(254));
        QVERIFY(r.ok());
        QCOMPARE(r.remaining(), 0);
    }

    void readerFailsStickyPastTheEnd()
    {
        const QByteArray bytes = QByteArray::fromHex("0100");
        BinaryReader r(bytes);
        QCOMPARE(r.i32(), 0);  // only two bytes left: nothing is consumed
        QVERIFY(!r.ok());
        QCOMPARE(r.u8(), quint8(0));  // stays failed even though a byte is there
        QVERIFY(!r.ok());
    }

    void textLengthBeyondTheDataFails()
    {
        // A length of 65535 in a tiny buffer must fail, not allocate or read out of bounds.
        const QByteArray bytes = QByteArray::fromHex("ffff") + QByteArray(18, 'x');
        BinaryReader r(bytes);
        QVERIFY(r.text16().isEmpty());
        QVERIFY(!r.ok());
        QVERIFY(!BinaryReader(bytes).canRead(-1));
    }

    void writerRoundTripsWithReader()
    {
        BinaryWriter w;
        w.u8(255);
        w.i16(-32768);
        w.u16(65535);
        w.i32(-2);
        QVERIFY(w.text16("cave.bmp"));
        QCOMPARE(w.data(), QByteArray::fromHex("ff" "0080" "ffff" "feffffff" "0800") + "cave.bmp");
        BinaryReader r(w.data());
        QCOMPARE(r.u8(), quint8(255));
        QCOMPARE(r.i16(), qint16(-32768));
        QCOMPARE(r.u16(), quint16(65535));
        QCOMPARE(r.i32(), -2);
        QCOMPARE(r.text16(), QByteArray("cave.bmp"));
        QVERIFY(r.ok());
    }

    // The writer makes room ahead of what it writes: what it shows is only what was written,
    // before and after it grows.
    void writerShowsExactlyWhatWasWritten()
    {
        BinaryWriter w(3);
        w.u8(1);
        QCOMPARE(w.data(), QByteArray::fromHex("01"));
        QByteArray expected = QByteArray::fromHex("01");
        for (int i = 0; i < 1000; ++i) {
            w.i32(i);
            expected += QByteArray::fromHex("00000000");
            expected[expected.size() - 4] = char(i & 0xff);
            expected[expected.size() - 3] = char(i >> 8);
        }
        w.bytes(QByteArray(70000, 'z'));
        expected += QByteArray(70000, 'z');
        QCOMPARE(w.data(), expected);
        QCOMPARE(w.take(), expected);
        BinaryWriter empty;
        QVERIFY(empty.data().isEmpty());
        QVERIFY(empty.take().isEmpty());
    }

    void writerRefusesTextTooLongForItsCount()
    {
        BinaryWriter w;
        QVERIFY(!w.text16(QByteArray(32768, 'a')));
        QVERIFY(w.data().isEmpty());
        QVERIFY(w.text16(QByteArray(32767, 'a')));
    }

    void replaceFileIsAtomicAndKeepsTailOnRequest()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.bin"));
        writeRaw(path, "0123456789");

        QVERIFY(replaceFile(path, "ab", OldTail::Keep).ok());
        QCOMPARE(readRaw(path), QByteArray("ab23456789"));
        QVERIFY(replaceFile(path, "xyz", OldTail::Drop).ok());
        QCOMPARE(readRaw(path), QByteArray("xyz"));
        QVERIFY(replaceFile(path, "longer than before", OldTail::Keep).ok());
        QCOMPARE(readRaw(path), QByteArray("longer than before"));
        // No temporary files are left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("f.bin")});
    }

    void failedReplaceLeavesOldFileUntouched()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.bin"));
        writeRaw(path, "old contents");

        setReplaceFaultForTesting(3);
        const Status s = replaceFile(path, "new contents", OldTail::Keep);
        setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!s.ok());
        QVERIFY(!s.error().isEmpty());
        QCOMPARE(readRaw(path), QByteArray("old contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("f.bin")});

        // A folder that cannot exist: the parent is a file.
        const Status bad = replaceFile(path + QStringLiteral("/inside"), "x");
        QVERIFY(!bad.ok());
        QCOMPARE(readRaw(path), QByteArray("old contents"));
    }

    void readWholeFileReportsMissingAndOversized()
    {
        QTemporaryDir dir;
        QByteArray out = "keep";
        QVERIFY(!readWholeFile(dir.filePath(QStringLiteral("none")), out).ok());
        QCOMPARE(out, QByteArray("keep"));
        QVERIFY(!fileReadable(dir.filePath(QStringLiteral("none"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none"))));  // nothing created

        const QString path = dir.filePath(QStringLiteral("f"));
        writeRaw(path, "12345");
        QVERIFY(!readWholeFile(path, out, 4).ok());
        QVERIFY(readWholeFile(path, out, 5).ok());
        QCOMPARE(out, QByteArray("12345"));
        QVERIFY(!readWholeFile(dir.path(), out).ok());  // a folder is not a file
    }

    void ansiTextUsesWindows1252()
    {
        const QByteArray bytes = QByteArray::fromHex("43 61 66 e9 20 80");  // "Café €"
        const QString text = fromAnsi(bytes);
        QCOMPARE(text, QStringLiteral("Caf\u00e9 \u20ac"));
        bool lossless = false;
        QCOMPARE(toAnsi(text, &lossless), bytes);
        QVERIFY(lossless);
        QCOMPARE(toAnsi(QStringLiteral("a\u4e2db"), &lossless), QByteArray("a?b"));
        QVERIFY(!lossless);
        // Below 128 every byte, control characters included, is its own character.
        QByteArray ascii;
        for (int b = 0; b < 128; ++b)
            ascii += char(b);
        const QString plain = fromAnsi(ascii);
        QCOMPARE(plain.size(), 128);
        for (int b = 0; b < 128; ++b)
            QCOMPARE(int(plain[b].unicode()), b);
        QCOMPARE(fromAnsi(ascii + "\x80"), plain + QChar(0x20ac));
    }

    void pathsStayInsideTheirFolder()
    {
        QVERIFY(isBareFileName(u"grass.bmp"));
        QVERIFY(!isBareFileName(u""));
        QVERIFY(!isBareFileName(u".."));
        QVERIFY(!isBareFileName(u"a/b"));
        QVERIFY(!isBareFileName(u"a\\b"));

        QVERIFY(isContainedRelativePath(u"World1"));
        QVERIFY(isContainedRelativePath(u"Lava Land\\Part 2"));
        QVERIFY(isContainedRelativePath(u""));
        QVERIFY(!isContainedRelativePath(u"../Other"));
        QVERIFY(!isContainedRelativePath(u"a\\..\\..\\b"));
        QVERIFY(!isContainedRelativePath(u"/etc"));
        QVERIFY(!isContainedRelativePath(u"\\Windows"));
        QVERIFY(!isContainedRelativePath(u"C:\\Games"));
        QVERIFY(isContainedRelativePath(u"a..b"));
    }

    void pathsResolveIgnoringCase()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Data/Tilesets")));
        writeRaw(dir.filePath(QStringLiteral("Data/Tilesets/Grass.BMP")), "x");

        const QString want = dir.filePath(QStringLiteral("Data/Tilesets/Grass.BMP"));
        QCOMPARE(resolvePath(dir.filePath(QStringLiteral("data/TILESETS/grass.bmp"))), want);
        QCOMPARE(resolvePath(want), want);
        // Unknown components are kept as given.
        QCOMPARE(resolvePath(dir.filePath(QStringLiteral("DATA/New/x.qzl"))),
                 dir.filePath(QStringLiteral("Data/New/x.qzl")));
        QCOMPARE(fromStoredPath(QStringLiteral("Mods\\A\\B")), QStringLiteral("Mods/A/B"));
        QCOMPARE(joinPath(QStringLiteral("/a/"), QStringLiteral("b")), QStringLiteral("/a/b"));
    }

    void listingMatchesPatternsIgnoringCaseSortedByName()
    {
        QTemporaryDir dir;
        for (const char *name : {"b.gif", "A.BMP", "c.txt", "a2.bmp"})
            writeRaw(dir.filePath(QString::fromLatin1(name)), "x");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub.bmp")));
        QCOMPARE(listFiles(dir.path(), {QStringLiteral("*.bmp"), QStringLiteral("*.gif")}),
                 (QStringList{QStringLiteral("A.BMP"), QStringLiteral("a2.bmp"), QStringLiteral("b.gif")}));
        QCOMPARE(listSubfolders(dir.path()), QStringList{QStringLiteral("sub.bmp")});
        QVERIFY(listFiles(dir.filePath(QStringLiteral("missing")), {QStringLiteral("*")}).isEmpty());
    }
};

QTEST_APPLESS_MAIN(tst_common)
#include "tst_common.moc"
