#include "skin/mEnemySkinFile.h"

#include "support/RawFiles.h"

#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace skinloft;
using namespace skinloft::mEnemySkinFile;

namespace {

EnemySkin skinWith(int field, const QByteArray &name)
{
    EnemySkin skin;
    skin.Fields[field] = name;
    return skin;
}

} // namespace

class tst_skin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptySkinIsFiftyZeroBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("empty.qze"));
        QVERIFY(SaveEnemySkin(EnemySkin{}, path).ok());
        QCOMPARE(readRaw(path), QByteArray(50, '\0'));

        EnemySkin loaded = skinWith(3, "old.bmp");
        QVERIFY(LoadEnemySkin(loaded, path).ok());
        QCOMPARE(loaded, EnemySkin{});
    }

    void bytesMatchTheLayout()
    {
        const QByteArray walker = QByteArray::fromHex("0a00") + "walker.bmp" + QByteArray(48, '\0');
        QByteArray out;
        QVERIFY(encode(skinWith(0, "walker.bmp"), out).ok());
        QCOMPARE(out.size(), 60);
        QCOMPARE(out, walker);
        EnemySkin back;
        QVERIFY(decode(walker, back).ok());
        QCOMPARE(back, skinWith(0, "walker.bmp"));

        // A 255-character name in the last field, with a windows-1252 byte kept verbatim.
        const QByteArray longName = QByteArray(250, 'n') + "\xe9.gif";
        QVERIFY(encode(skinWith(24, longName), out).ok());
        QCOMPARE(out.mid(48, 2), QByteArray::fromHex("ff00"));
        QCOMPARE(out.mid(50), longName);
        QVERIFY(decode(out, back).ok());
        QCOMPARE(back.Fields[24], longName);
    }

    void saveKeepsLongerOldTailAndReadsBackExactly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.qze"));
        const QByteArray old(300, 'T');
        writeRaw(path, old);

        EnemySkin skin = skinWith(7, "wisp.gif");
        skin.Fields[22] = "king.bmp";
        QVERIFY(SaveEnemySkin(skin, path).ok());
        const QByteArray bytes = readRaw(path);
        QCOMPARE(bytes.size(), old.size());
        QCOMPARE(bytes.mid(66), old.mid(66));  // 50 + 8 + 8 bytes of skin, then the old tail

        EnemySkin loaded;
        QVERIFY(LoadEnemySkin(loaded, path).ok());
        QCOMPARE(loaded, skin);
    }

    void loadReplacesEveryField()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.qze"));
        QVERIFY(SaveEnemySkin(skinWith(1, "plant.bmp"), path).ok());

        EnemySkin current;
        for (QByteArray &f : current.Fields)
            f = "stale.bmp";
        QVERIFY(LoadEnemySkin(current, path).ok());
        QCOMPARE(current, skinWith(1, "plant.bmp"));
    }

    void shortFilesEndingBetweenOrInsideFields()
    {
        EnemySkin skin = skinWith(0, "keep.bmp");
        // Ends after field 1: the rest read as empty.
        QVERIFY(decode(QByteArray::fromHex("0000 0200") + "ab", skin).ok());
        QCOMPARE(skin, skinWith(1, "ab"));
        QVERIFY(decode(QByteArray(), skin).ok());
        QCOMPARE(skin, EnemySkin{});

        // A length running past the end, or half a length, is reported; the fields before
        // the cut are the file's and the rest are empty, never the previous skin's.
        EnemySkin two;
        two.Fields[0] = "walker.bmp";
        two.Fields[1] = "shell.bmp";
        const struct
        {
            QByteArray bytes;
            EnemySkin expected;
        } cuts[] = {
            {QByteArray::fromHex("ffff") + QByteArray(18, 'x'), EnemySkin{}},
            {QByteArray::fromHex("0000 0500") + "abc", EnemySkin{}},
            {QByteArray::fromHex("0000 00"), EnemySkin{}},
            // Ends inside the third field: the two it holds are kept.
            {QByteArray::fromHex("0a00") + "walker.bmp" + QByteArray::fromHex("0900") + "shell.bmp"
                 + QByteArray::fromHex("0800") + "pla",
             two},
        };
        for (const auto &cut : cuts) {
            skin = skinWith(5, "stale.bmp");
            const vt::Status s = decode(cut.bytes, skin);
            QVERIFY(!s.ok());
            QVERIFY(s.error().contains(QStringLiteral("cut short")));
            QCOMPARE(skin, cut.expected);
        }

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cut.qze"));
        writeRaw(path, cuts[3].bytes);
        skin = skinWith(5, "stale.bmp");
        const vt::Status loaded = LoadEnemySkin(skin, path);
        QVERIFY(!loaded.ok());
        QVERIFY(loaded.error().contains(path));
        QCOMPARE(skin, two);
        // A missing file leaves the skin alone and creates nothing.
        QVERIFY(!LoadEnemySkin(skin, dir.filePath(QStringLiteral("missing.qze"))).ok());
        QCOMPARE(skin, two);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing.qze"))));
    }

    void failedSavesLeaveTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.qze"));
        writeRaw(path, "previous skin");

        const vt::Status tooLong = SaveEnemySkin(skinWith(18, QByteArray(65536, 'w')), path);
        QVERIFY(!tooLong.ok());
        QVERIFY(tooLong.error().contains(QStringLiteral("Enemy Wings")));
        QCOMPARE(readRaw(path), QByteArray("previous skin"));

        vt::setReplaceFaultForTesting(10);
        const vt::Status faulted = SaveEnemySkin(skinWith(0, "walker.bmp"), path);
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!faulted.ok());
        QCOMPARE(readRaw(path), QByteArray("previous skin"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("s.qze")});
    }

    void everyNameThatLoadsSavesBackByteForByte()
    {
        // Lengths past 32767 read as negative in a signed 16-bit integer; the field's length
        // is unsigned, and reader and writer agree on its whole range.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.qze"));
        EnemySkin skin;
        for (int i = 0; i < kEnemyTypeCount; ++i)
            skin.Fields[i] = QByteArray(i % 2 ? 65535 : 32768 + i, char('a' + i));
        QByteArray bytes;
        QVERIFY(encode(skin, bytes).ok());
        QCOMPARE(bytes.left(2), QByteArray::fromHex("0080"));
        QCOMPARE(bytes.mid(2 + 32768, 2), QByteArray::fromHex("ffff"));
        writeRaw(path, bytes);

        EnemySkin loaded;
        QVERIFY(LoadEnemySkin(loaded, path).ok());
        QVERIFY(loaded == skin);
        QVERIFY(SaveEnemySkin(loaded, path).ok());
        QCOMPARE(readRaw(path), bytes);
    }

    void enemyNamesAreTheListInFileOrder()
    {
        static_assert(EnemyTypeNames.size() == 25);
        QCOMPARE(EnemyTypeNames[0], "Trudgel");
        QCOMPARE(EnemyTypeNames[13], "Quake Button");
        QCOMPARE(EnemyTypeNames[22], "BOSS 1 - Trudgel King");
        QCOMPARE(EnemyTypeNames[24], "Quake Block");
        QSet<QByteArray> distinct;
        for (const char *name : EnemyTypeNames)
            distinct.insert(QByteArray(name));
        QCOMPARE(distinct.size(), 25);
    }
};

QTEST_APPLESS_MAIN(tst_skin)
#include "tst_skin.moc"
