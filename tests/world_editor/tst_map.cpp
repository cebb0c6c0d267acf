#include "map/oWorldMap.h"

#include "support/RawFiles.h"

#include "FileIO.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tessaforge;

namespace {

QByteArray bytesOf(const oWorldMap &map)
{
    QByteArray out;
    if (!tessaforge::encode(map, out).ok())
        return "<refused>";
    return out;
}

oWorldMap mapWithNodes(int count)
{
    oWorldMap map;
    for (int i = 2; i <= count; ++i)
        (void)map.AddNode(qint16(10 * i), qint16(-i), false);
    return map;
}

} // namespace

class tst_map : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newMapIsOneNodeAtHundredHundred()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldmap.qzm"));
        const oWorldMap map;
        QCOMPARE(map.nodeCount(), 1);
        QCOMPARE(map.EntryMode(1), qint16(-1));
        QCOMPARE(map.EntryTag(1), qint16(0));
        QVERIFY(map.saveMap(path).ok());
        QCOMPARE(readRaw(path), QByteArray::fromHex("01 6400 6400 00000000 00 00 00 00"));
    }

    void recordLayoutOrdersLinksUpDownLeftRight()
    {
        oWorldMap map;
        map.moveNode(1, -2, 300);
        map.setLeftNode(1, 1);
        map.setRightNode(1, 2);
        map.setUpNode(1, 3);
        map.setDownNode(1, 4);
        map.setPassThru(1, true);
        map.setNodeTag(1, 25);  // warp 5
        map.setNodeImage(1, 3);
        map.warpSetExitWorld(1, 2);
        QCOMPARE(bytesOf(map), QByteArray::fromHex("01 feff 2c01 03 04 01 02 9a 03 00 02"));

        oWorldMap back;
        QVERIFY(tessaforge::decode(bytesOf(map), back).ok());
        QCOMPARE(back.LeftNode(1), quint8(1));
        QCOMPARE(back.RightNode(1), quint8(2));
        QCOMPARE(back.UpNode(1), quint8(3));
        QCOMPARE(back.DownNode(1), quint8(4));
        QCOMPARE(bytesOf(back), bytesOf(map));
    }

    void tagByteCarriesTagPlusOneAndPassThruBit()
    {
        oWorldMap map;
        map.setPassThru(1, true);
        QCOMPARE(quint8(bytesOf(map)[9]), quint8(128));
        map.setPassThru(1, false);
        map.setNodeTag(1, 111);
        QCOMPARE(quint8(bytesOf(map)[9]), quint8(112));

        QVERIFY(tessaforge::decode(QByteArray::fromHex("01 00000000 00000000 81 000000"), map).ok());
        QCOMPARE(map.NodeTag(1), quint8(0));
        QVERIFY(map.PassThru(1));
        QVERIFY(tessaforge::decode(QByteArray::fromHex("01 00000000 00000000 01 000000"), map).ok());
        QCOMPARE(map.NodeTag(1), quint8(0));
        QVERIFY(!map.PassThru(1));
    }

    void entryPointUnpacksIntoMannerAndNumber()
    {
        oWorldMap map;
        map.setEntryPointValue(1, 7);
        QCOMPARE(map.EntryMode(1), qint16(1));  // Down
        QCOMPARE(map.EntryTag(1), qint16(2));
        map.setEntryPointValue(1, 80);
        QCOMPARE(map.EntryMode(1), qint16(4));  // Door
        QCOMPARE(map.EntryTag(1), qint16(16));
        map.setEntryPointValue(1, 81);
        map.setEntryPoint(1, 0, 1);
        QCOMPARE(map.EntryPoint(1), quint8(80));
    }

    void outOfRangeNodesReadZeroAndIgnoreChanges()
    {
        oWorldMap map;
        const QByteArray before = bytesOf(map);
        for (const qint32 id : {0, 2, -5, 1000}) {
            QCOMPARE(map.xPos(id), qint16(0));
            QCOMPARE(map.NodeTag(id), quint8(0));
            QVERIFY(!map.PassThru(id));
            QCOMPARE(map.EntryMode(id), qint16(0));
            map.moveNode(id, 1, 1);
            map.setPassThru(id, true);
            map.setUpNode(id, 9);
            map.setEntryPointValue(id, 5);
        }
        QCOMPARE(bytesOf(map), before);
    }

    void addAndRemoveKeepBetweenOneAndMaxNodes()
    {
        oWorldMap map;
        map.removeNode();
        QCOMPARE(map.nodeCount(), 1);
        QVERIFY(map.AddNode(50, 60, true));
        QCOMPARE(map.nodeCount(), 2);
        QCOMPARE(map.xPos(2), qint16(50));
        QCOMPARE(map.yPos(2), qint16(60));
        QVERIFY(!map.PassThru(2));

        QVERIFY(map.AddNode(1, 1, false));
        map.setRightNode(1, 3);
        map.removeNode();
        QCOMPARE(map.nodeCount(), 2);
        QCOMPARE(map.RightNode(1), quint8(3));  // dangling link kept

        oWorldMap full = mapWithNodes(oWorldMap::kMaxNodes);
        QCOMPARE(full.nodeCount(), 255);
        QVERIFY(!full.AddNode(0, 0, false));
        QCOMPARE(full.nodeCount(), 255);
        QCOMPARE(quint8(bytesOf(full)[0]), quint8(255));
    }

    void saveRefusesTagsTheFileCannotHold()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldmap.qzm"));
        writeRaw(path, "old");
        oWorldMap map = mapWithNodes(2);
        map.setPassThru(2, true);
        map.setNodeTag(2, 127);
        QVERIFY(!map.saveMap(path).ok());
        QCOMPARE(readRaw(path), QByteArray("old"));
        map.setNodeTag(2, 126);
        QCOMPARE(quint8(bytesOf(map)[21]), quint8(255));

        // Without pass-through, tags 127..254 would still fit the byte but set its
        // pass-through bit: each would read back as a different node.
        map.setPassThru(2, false);
        for (int tag : {127, 200, 254, 255}) {
            map.setNodeTag(2, quint8(tag));
            QVERIFY2(!map.saveMap(path).ok(), qPrintable(QString::number(tag)));
            QCOMPARE(readRaw(path), QByteArray("old"));
        }
        map.setNodeTag(2, 126);
        QVERIFY(map.saveMap(path).ok());
        oWorldMap back;
        QVERIFY(back.loadMap(path).ok());
        QCOMPARE(back.NodeTag(2), quint8(126));
        QVERIFY(!back.PassThru(2));
    }

    void saveOverLongerFileKeepsItsTail()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldmap.qzm"));
        QVERIFY(mapWithNodes(5).saveMap(path).ok());
        const oWorldMap two = mapWithNodes(2);
        QVERIFY(two.saveMap(path).ok());
        const QByteArray file = readRaw(path);
        QCOMPARE(file.size(), 61);
        QCOMPARE(file[0], char(2));

        oWorldMap loaded;
        QVERIFY(loaded.loadMap(path).ok());
        QCOMPARE(loaded.nodeCount(), 2);
        QCOMPARE(bytesOf(loaded), bytesOf(two));

        vt::setReplaceFaultForTesting(5);
        const vt::Status failed = oWorldMap().saveMap(path);
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!failed.ok());
        QCOMPARE(readRaw(path), file);
    }

    void failedLoadLeavesMapUnchanged()
    {
        QTemporaryDir dir;
        const oWorldMap original = mapWithNodes(3);
        oWorldMap map = original;

        const QString missing = dir.filePath(QStringLiteral("none.qzm"));
        QVERIFY(!map.loadMap(missing).ok());
        QVERIFY(!QFile::exists(missing));

        const QString path = dir.filePath(QStringLiteral("bad.qzm"));
        const QByteArray twoNodes = bytesOf(mapWithNodes(2));
        for (const QByteArray &bad : {QByteArray(), QByteArray::fromHex("00") + QByteArray(24, '\0'),
                                      twoNodes.chopped(1)}) {
            writeRaw(path, bad);
            const vt::Status s = map.loadMap(path);
            QVERIFY(!s.ok());
            QVERIFY(!s.error().isEmpty());
            QCOMPARE(bytesOf(map), bytesOf(original));
        }
    }

    void roundTripKeepsEveryField()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldmap.qzm"));
        oWorldMap map = mapWithNodes(oWorldMap::kMaxNodes);
        for (qint32 id = 1; id <= map.nodeCount(); ++id) {
            map.moveNode(id, qint16(-32768 + 257 * id), qint16(32767 - id));
            map.setPassThru(id, id % 2 == 0);
            map.setLeftNode(id, quint8(id));
            map.setRightNode(id, quint8(255 - id));
            map.setUpNode(id, quint8(id * 7));
            map.setDownNode(id, quint8(id * 13));
            map.setNodeTag(id, quint8(id % 112));
            map.setNodeImage(id, quint8(id * 3));
            map.setEntryPointValue(id, quint8(id % 81));
            map.warpSetExitWorld(id, quint8(id * 5));
        }
        QVERIFY(map.saveMap(path).ok());
        oWorldMap loaded;
        QVERIFY(loaded.loadMap(path).ok());
        QCOMPARE(loaded.nodeCount(), 255);
        QCOMPARE(bytesOf(loaded), bytesOf(map));
        QCOMPARE(loaded.xPos(1), qint16(-32511));
    }

    void restoringPutsBackRecordedNodesWithinTheLimits()
    {
        oWorldMap map;
        QVERIFY(map.AddNode(5, 6, false));
        MapNode kept;
        kept.xPos = 40;
        kept.NodeTag = 7;
        kept.warpExitWorld = 3;
        map.restoreNodes(4, {{4, kept}, {9, kept}});  // node 9 is beyond the count: ignored
        QCOMPARE(map.nodeCount(), 4);
        QCOMPARE(map.nodes()[3], kept);
        QCOMPARE(map.nodes()[2], MapNode());
        QCOMPARE(map.xPos(2), qint16(5));  // untouched
        map.restoreNodes(0, {});
        QCOMPARE(map.nodeCount(), 1);  // never empty
        map.restoreNodes(1000, {});
        QCOMPARE(map.nodeCount(), oWorldMap::kMaxNodes);
    }

    void nodeTagLabelsFollowTheEditorList()
    {
        QCOMPARE(NodeTagLabel(0), QStringLiteral("No Tag"));
        QCOMPARE(NodeTagLabel(1), QStringLiteral("Pipe  1"));
        QCOMPARE(NodeTagLabel(20), QStringLiteral("Pipe  20"));
        QCOMPARE(NodeTagLabel(21), QStringLiteral("Warp  1"));
        QCOMPARE(NodeTagLabel(40), QStringLiteral("Warp  20"));
        QCOMPARE(NodeTagLabel(41), QStringLiteral("Level 1"));
        QCOMPARE(NodeTagLabel(110), QStringLiteral("Level 70"));
        QCOMPARE(NodeTagLabel(111), QStringLiteral("SaveGame"));
        QVERIFY(NodeTagLabel(112).isEmpty());
    }
};

QTEST_APPLESS_MAIN(tst_map)
#include "tst_map.moc"
