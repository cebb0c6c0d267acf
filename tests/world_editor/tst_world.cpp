#include "world/EditorState.h"
#include "support/Encoded.h"
#include "world/WorldList.h"
#include "world/mCommon.h"
#include "world/mWorldData.h"

#include "support/RawFiles.h"

#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tessaforge;

namespace {

WorldDetails newWorld()
{
    WorldDetails w;
    mWorldData::NewWorldData(w);
    return w;
}

// A world that exercises every field with distinct values.
WorldDetails busyWorld()
{
    WorldDetails w = newWorld();
    w.sWorldName = "Lava Land \xe9";
    mWorldData::AddLevel(w, "Castle");
    LevelRecord &l = w.Levels[1];
    l.sAreaFile = "Area1";
    l.sBackdrop = "cave.bmp";
    l.sEnemySkin = "night";
    l.sMusic = "theme";
    l.sTileset = "Grass";
    l.iTime = -300;
    l.bScrollMode = 4;
    l.iScrollSpeed = 12;
    for (int i = 0; i < LevelRecord::kSpecialTiles; ++i)
        l.SpecialTiles[i] = {qint16(i + 1), qint16(-i - 10)};
    for (int k = 0; k < LevelRecord::kPipes; ++k)
        l.Pipes[k] = {qint16(k * 100), quint8(200 + k), quint8(k % 5)};
    return w;
}

} // namespace

class tst_world : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newWorldIsThe119ByteExample()
    {
        QByteArray expected = QByteArray::fromHex("0900") + "New World" + QByteArray::fromHex("0100")
                              + QByteArray::fromHex("01000000") + QByteArray::fromHex("00000000")
                              + QByteArray::fromHex("0500") + "[NEW]" + QByteArray(10, '\0')
                              + QByteArray::fromHex("c800") + QByteArray(3, '\0') + QByteArray(12, '\0')
                              + QByteArray(64, '\0');
        QCOMPARE(expected.size(), 119);
        const WorldDetails w = newWorld();
        QCOMPARE(encoded(mWorldData::encode, w), expected);

        WorldDetails back;
        QVERIFY(mWorldData::decode(expected, back).ok());
        QCOMPARE(back, w);
    }

    void textsAreLengthPrefixedBytesWithoutPadding()
    {
        const QByteArray bytes = encoded(mWorldData::encode, busyWorld());
        // Second record starts after the header (2 + 11 + 2 + 4 + 4) and the first record (93 + 5).
        const QByteArray second = bytes.mid(2 + 11 + 2 + 4 + 4 + 98);
        QVERIFY(second.startsWith(QByteArray::fromHex("0600") + "Castle" + QByteArray::fromHex("0500")
                                  + "Area1" + QByteArray::fromHex("0800") + "cave.bmp"));
        const qsizetype numbers = 2 + 6 + 2 + 5 + 2 + 8 + 2 + 5 + 2 + 5 + 2 + 5;
        // iTime -300, scroll mode 4, then speed 12 directly after the single mode byte.
        QCOMPARE(second.mid(numbers, 5), QByteArray::fromHex("d4fe" "04" "0c00"));
        QCOMPARE(second.mid(numbers + 5, 4), QByteArray::fromHex("0100" "f6ff"));  // switch A x, y
        QCOMPARE(second.mid(numbers + 17, 4), QByteArray::fromHex("0000" "c8" "00"));  // pipe 1
        QCOMPARE(second.mid(numbers + 17 + 60, 4), QByteArray::fromHex("dc05" "d7" "00"));  // pipe 16
        QCOMPARE(bytes.size(), 2 + 11 + 2 + 4 + 4 + 98 + numbers + 17 + 64);
    }

    void levelsAreAddedAndTheLastOneKept()
    {
        WorldDetails w = newWorld();
        mWorldData::RemoveLastLevel(w);
        QCOMPARE(w.Levels.size(), 1u);
        mWorldData::AddLevel(w, "[NEW]");
        mWorldData::AddLevel(w, "Third");
        QCOMPARE(w.Levels.size(), 3u);
        QCOMPARE(w.Levels[2].iTime, qint16(200));
        QCOMPARE(w.Levels[2].sName, QByteArray("Third"));
        QVERIFY(w.Levels[2].sTileset.isEmpty());
        mWorldData::RemoveLastLevel(w);
        QCOMPARE(w.Levels.size(), 2u);
        QCOMPARE(w.Levels[1].sName, QByteArray("[NEW]"));
    }

    void saveAndLoadRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldata.qzw"));
        const WorldDetails w = busyWorld();
        QVERIFY(mWorldData::SaveWorldData(w, path).ok());
        WorldDetails back = newWorld();
        QVERIFY(mWorldData::LoadWorldData(back, path).ok());
        QCOMPARE(back, w);
        QVERIFY(mWorldData::SaveWorldData(back, path).ok());
        QCOMPARE(readRaw(path), encoded(mWorldData::encode, w));
    }

    void shorterSaveKeepsTheOldTailWhichReadersIgnore()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldata.qzw"));
        const QByteArray longer = encoded(mWorldData::encode, busyWorld());
        writeRaw(path, longer);
        QVERIFY(mWorldData::SaveWorldData(newWorld(), path).ok());
        const QByteArray onDisk = readRaw(path);
        QCOMPARE(onDisk.size(), longer.size());
        QCOMPARE(onDisk.left(119), encoded(mWorldData::encode, newWorld()));
        QCOMPARE(onDisk.mid(119), longer.mid(119));

        WorldDetails back = busyWorld();
        QVERIFY(mWorldData::LoadWorldData(back, path).ok());
        QCOMPARE(back, newWorld());
    }

    void failedLoadLeavesDetailsAsTheyWere()
    {
        QTemporaryDir dir;
        const WorldDetails before = busyWorld();
        WorldDetails w = before;
        QVERIFY(!mWorldData::LoadWorldData(w, dir.filePath(QStringLiteral("missing.qzw"))).ok());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing.qzw"))));
        QCOMPARE(w, before);

        // Every truncation of a valid file fails cleanly and changes nothing.
        const QByteArray full = encoded(mWorldData::encode, busyWorld());
        for (qsizetype n = 0; n < full.size(); ++n) {
            const vt::Status s = mWorldData::decode(full.left(n), w);
            QVERIFY2(!s.ok(), qPrintable(QString::number(n)));
            QVERIFY(!s.error().isEmpty());
        }
        QCOMPARE(w, before);
        // A trailing extra byte is ignored.
        QVERIFY(mWorldData::decode(full + 'x', w).ok());
        QCOMPARE(w, busyWorld());
    }

    void hostileCountsAreRefusedWithoutAllocating()
    {
        WorldDetails w = newWorld();
        const QByteArray header = QByteArray::fromHex("0000" "0100");
        // 2^31 - 1 levels in a file of a few bytes.
        QVERIFY(!mWorldData::decode(header + QByteArray::fromHex("ffffff7f" "00000000") + QByteArray(200, '\0'), w).ok());
        // A negative count, and zero levels (a world has at least one).
        QVERIFY(!mWorldData::decode(header + QByteArray::fromHex("ffffffff" "00000000"), w).ok());
        QVERIFY(!mWorldData::decode(header + QByteArray::fromHex("00000000" "00000000"), w).ok());
        // A name of 65535 bytes in a 20-byte file.
        QVERIFY(!mWorldData::decode(QByteArray::fromHex("ffff") + QByteArray(18, 'a'), w).ok());
        // A level table of two dimensions.
        QVERIFY(!mWorldData::decode(QByteArray::fromHex("0000" "0200" "01000000" "00000000")
                                        + QByteArray(93, '\0'), w).ok());
        QCOMPARE(w, newWorld());
        // A nonzero lower bound still gives levels numbered from the first record.
        QByteArray shifted = encoded(mWorldData::encode, busyWorld());
        shifted[2 + 11 + 2 + 4] = 5;
        QVERIFY(mWorldData::decode(shifted, w).ok());
        QCOMPARE(w, busyWorld());
    }

    void failedSaveLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldata.qzw"));
        writeRaw(path, "previous details");

        vt::setReplaceFaultForTesting(10);
        const vt::Status s = mWorldData::SaveWorldData(busyWorld(), path);
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!s.ok());
        QCOMPARE(readRaw(path), QByteArray("previous details"));

        WorldDetails tooLong = newWorld();
        tooLong.Levels[0].sMusic = QByteArray(40000, 'm');
        const vt::Status refused = mWorldData::SaveWorldData(tooLong, path);
        QVERIFY(!refused.ok());
        QVERIFY(refused.error().contains(QStringLiteral("music of level 1")));
        QCOMPARE(readRaw(path), QByteArray("previous details"));

        // Details whose file the reader would refuse as too large are not written at all.
        WorldDetails huge = newWorld();
        for (int i = 0; i < 90; ++i) {
            mWorldData::AddLevel(huge, QByteArray(32767, 'n'));
            for (QByteArray *text : {&huge.Levels.back().sAreaFile, &huge.Levels.back().sBackdrop,
                                     &huge.Levels.back().sEnemySkin, &huge.Levels.back().sMusic,
                                     &huge.Levels.back().sTileset})
                *text = QByteArray(32767, 't');
        }
        const vt::Status tooLarge = mWorldData::SaveWorldData(huge, path);
        QVERIFY2(tooLarge.error().contains(QStringLiteral("more than the 16777216 a world details file may hold")),
                 qPrintable(tooLarge.error()));
        QCOMPARE(readRaw(path), QByteArray("previous details"));
        huge.Levels.resize(85);  // about 16.7 MB: the largest such world the reader takes
        QVERIFY(mWorldData::SaveWorldData(huge, path).ok());
        WorldDetails back;
        QVERIFY(mWorldData::LoadWorldData(back, path).ok());
        QVERIFY(back == huge);
    }

    void worldListTextComesBackAsItStood()
    {
        for (const QByteArray &bytes : {QByteArray("A\r\nB\r\n.\r\n"), QByteArray("A\nB"), QByteArray("A\rB\nC\r"),
                                        QByteArray("\r\n"), QByteArray(), QByteArray("  W1 \r\n\r\nW2\n")}) {
            WorldListText text;
            QVERIFY(decode(bytes, text).ok());
            QByteArray again;
            QVERIFY(encode(text, again).ok());
            QCOMPARE(again, bytes);
        }
        WorldListText text;
        QVERIFY(decode("A\nB\r\nC\n", text).ok());
        QCOMPARE(text.ending, QByteArray("\n"));
        QCOMPARE(text.lines, (QList<QByteArray>{"A", "B\r", "C"}));  // the first ending decides
        QVERIFY(text.endsWithEnding);
    }

    void worldListReadsTrimmedLinesUpToTheDot()
    {
        QCOMPARE(parseWorldList("World1\r\n  Lava Land \r\n.\r\nnotes\r\n"),
                 (QStringList{QStringLiteral("World1"), QStringLiteral("Lava Land")}));
        QCOMPARE(parseWorldList("W1\r\nW2\r\n.\r\n"), (QStringList{QStringLiteral("W1"), QStringLiteral("W2")}));
        QCOMPARE(parseWorldList("W1\r\n . \r\nW2\r\n"), QStringList{QStringLiteral("W1")});
        // Empty lines are worlds with an empty folder name; a last line without an ending counts.
        QCOMPARE(parseWorldList("A\r\n\r\nB"), (QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")}));
        // Files saved on Linux or old Macs.
        QCOMPARE(parseWorldList("A\nB\rC\n"),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        QVERIFY(parseWorldList("").isEmpty());
        QCOMPARE(parseWorldList("Caf\xe9"), QStringList{QStringLiteral("Caf\u00e9")});

        QTemporaryDir dir;
        QStringList folders{QStringLiteral("kept")};
        QVERIFY(!ReadWorldList(dir.filePath(QStringLiteral("Worlds.inf")), folders).ok());
        QCOMPARE(folders, QStringList{QStringLiteral("kept")});
    }

    void openingWorldsOfAMod()
    {
        QTemporaryDir game;
        QDir(game.path()).mkpath(QStringLiteral("mods/demo/World1"));
        writeRaw(game.filePath(QStringLiteral("mods/demo/worlds.inf")), "World1\r\nNew One\r\n..\\Up\r\n");
        QVERIFY(mWorldData::SaveWorldData(busyWorld(), game.filePath(QStringLiteral("mods/demo/World1/Worldata.qzw"))).ok());

        // Names are matched ignoring case, as on the system the mods are made on.
        EditorState state(game.path());
        state.sModName = QStringLiteral("Demo");
        QVERIFY(state.LoadWorldList().ok());
        QCOMPARE(state.nLastWorld(), 2);
        state.nCurWorld = -1;
        QCOMPARE(state.SelectWorld(0).outcome, EditorState::WorldOpening::Loaded);
        QCOMPARE(state.gWorld, busyWorld());

        // The open world again: nothing is reloaded.
        state.gWorld.sWorldName = "edited";
        QCOMPARE(state.SelectWorld(0).outcome, EditorState::WorldOpening::AlreadyOpen);
        QCOMPARE(state.gWorld.sWorldName, QByteArray("edited"));

        // A missing folder is made, empty, and the world starts new.
        QCOMPARE(state.SelectWorld(1).outcome, EditorState::WorldOpening::Created);
        QVERIFY(QDir(game.filePath(QStringLiteral("mods/demo/New One"))).isEmpty());
        QCOMPARE(state.gWorld, newWorld());

        // A folder outside the mod is refused and nothing changes.
        const EditorState::WorldOpenResult refused = state.SelectWorld(2);
        QCOMPARE(refused.outcome, EditorState::WorldOpening::Refused);
        QVERIFY(!refused.message.isEmpty());
        QCOMPARE(state.nCurWorld, 1);
        QVERIFY(!QFileInfo::exists(game.filePath(QStringLiteral("mods/Up"))));

        // A damaged details file is copied aside before anything can be saved over it.
        writeRaw(game.filePath(QStringLiteral("mods/demo/World1/Worldata.qzw")), "\x05");
        const EditorState::WorldOpenResult damaged = state.SelectWorld(0);
        QCOMPARE(damaged.outcome, EditorState::WorldOpening::Unreadable);
        QVERIFY(damaged.message.contains(QStringLiteral("Worldata.qzw.bak")));
        QCOMPARE(readRaw(game.filePath(QStringLiteral("mods/demo/World1/Worldata.qzw.bak"))), QByteArray("\x05"));
        QCOMPARE(state.gWorld, newWorld());
        QVERIFY(state.SaveWorld().ok());
        QCOMPARE(readRaw(game.filePath(QStringLiteral("mods/demo/World1/Worldata.qzw"))), encoded(mWorldData::encode, newWorld()));

        // A level index past the end names no level.
        state.nCurLevel = 1;
        QVERIFY(!state.currentLevel());
        state.nCurLevel = -1;
        QVERIFY(!state.currentLevel());
    }

    void commonHelpers()
    {
        QCOMPARE(mCommon::GetBaseName(QStringLiteral("grass.qzt")), QStringLiteral("grass"));
        QCOMPARE(mCommon::GetBaseName(QStringLiteral("a.b.mid")), QStringLiteral("a"));
        QCOMPARE(mCommon::GetBaseName(QStringLiteral("nodot")), QString());

        QTemporaryDir dir;
        const QString world = dir.filePath(QStringLiteral("World1"));
        QVERIFY(!mCommon::FolderExists(world));
        QVERIFY(mCommon::CreateFolder(world));
        QVERIFY(mCommon::FolderExists(world));
        QVERIFY(!mCommon::CreateFolder(dir.filePath(QStringLiteral("a/b"))));  // parent missing
        QVERIFY(!QDir(dir.filePath(QStringLiteral("a"))).exists());

        writeRaw(dir.filePath(QStringLiteral("World1/Worldata.qzw")), "x");
        QVERIFY(mCommon::FileExists(dir.filePath(QStringLiteral("World1/Worldata.qzw"))));
        // Mods made on Windows may spell names in another case.
        QVERIFY(mCommon::FileExists(dir.filePath(QStringLiteral("world1/WORLDATA.QZW"))));
        QVERIFY(mCommon::FolderExists(dir.filePath(QStringLiteral("WORLD1"))));
        QVERIFY(!mCommon::FileExists(world));  // a folder is not a file
        QVERIFY(!mCommon::FileExists(dir.filePath(QStringLiteral("none"))));
    }
};

QTEST_APPLESS_MAIN(tst_world)
#include "tst_world.moc"
