#include "tileinfo/mLevelTileset.h"
#include "support/Encoded.h"

#include "support/RawFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tilemarrow;
using namespace tilemarrow::mLevelTileset;

class tst_tileinfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileIsHeaderThenColumnMajorTiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cave.qzt"));
        TileInfo info;
        info.resize(15, 7);  // a 512 x 256 bitmap
        info.setTile(1, 0, 133);
        info.setTile(15, 7, 14);
        QVERIFY(WriteTileInfo(info, path).ok());
        const QByteArray file = readRaw(path);
        QCOMPARE(file.size(), 130);
        QCOMPARE(file.left(2), QByteArray::fromHex("0f07"));
        QCOMPARE(quint8(file[10]), quint8(133));
        QCOMPARE(quint8(file[129]), quint8(14));

        TileInfo one;
        one.resize(0, 0);
        one.setTile(0, 0, 5);
        QCOMPARE(encoded(encode, one), QByteArray::fromHex("000005"));

        TileInfo largest;
        largest.resize(255, 255);
        QCOMPARE(encoded(encode, largest).size(), 65538);
    }

    void valuePacksTypeAndAnimationFlag()
    {
        TileInfo info;
        QVERIFY(decode(QByteArray::fromHex("0100" "85" "0e"), info).ok());
        QCOMPARE(GetTileType(info, 0, 0), 5);  // animated coin
        QVERIFY(IsTileAnimated(info, 0, 0));
        QCOMPARE(GetTileType(info, 1, 0), 14);  // still slant right
        QVERIFY(!IsTileAnimated(info, 1, 0));
        for (const qint32 at : {-1, 2}) {
            QCOMPARE(GetTileType(info, at, 0), 0);
            QCOMPARE(GetTileType(info, 0, at), 0);
            QVERIFY(!IsTileAnimated(info, at, 0));
        }
        QCOMPARE(GetTileType(TileInfo(), 0, 0), 0);  // never sized

        info.setTile(0, 0, 300);
        QCOMPARE(info.tile(0, 0), 255);
        info.setTile(5, 5, 1);  // outside: ignored
        QCOMPARE(encoded(encode, info), QByteArray::fromHex("0100ff0e"));
    }

    void unknownCodesRoundTripUnchanged()
    {
        QByteArray bytes = QByteArray::fromHex("7f00");  // 128 columns, one row
        for (int code = 0; code < 128; ++code)
            bytes.append(char(code < 15 ? code : code + 128));
        TileInfo info;
        QVERIFY(decode(bytes, info).ok());
        QCOMPARE(GetTileType(info, 100, 0), 100);
        QCOMPARE(encoded(encode, info), bytes);
    }

    void shorterWriteLeavesTailAndStillReads()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.qzt"));
        TileInfo big;
        big.resize(15, 7);
        for (qint32 x = 0; x <= 15; ++x)
            for (qint32 y = 0; y <= 7; ++y)
                big.setTile(x, y, 1 + x + y);
        QVERIFY(WriteTileInfo(big, path).ok());

        TileInfo small;
        small.resize(1, 1);
        small.setTile(1, 1, 134);
        QVERIFY(WriteTileInfo(small, path).ok());
        QCOMPARE(readRaw(path).size(), 130);

        // Reading replaces every former value, even of the larger grid.
        QVERIFY(ReadTileInfo(big, path).ok());
        QCOMPARE(big, small);
        QCOMPARE(big.tile(5, 5), 0);
    }

    void failuresLeaveRecordAndFileAlone()
    {
        QTemporaryDir dir;
        TileInfo info;
        info.resize(0, 1);
        info.setTile(0, 1, 9);
        const TileInfo before = info;

        const QString missing = dir.filePath(QStringLiteral("none.qzt"));
        QVERIFY(!ReadTileInfo(info, missing).ok());
        QVERIFY(!QFile::exists(missing));
        const QString path = dir.filePath(QStringLiteral("t.qzt"));
        writeRaw(path, "\x03");
        QVERIFY(!ReadTileInfo(info, path).ok());
        QCOMPARE(info, before);

        writeRaw(path, "old");
        TileInfo wrongSize = before;
        wrongSize.MaxX = 3;
        QVERIFY(!WriteTileInfo(wrongSize, path).ok());
        QVERIFY(!WriteTileInfo(TileInfo(), path).ok());
        TileInfo outOfByte = before;
        outOfByte.Tiles[0] = 256;
        QVERIFY(!WriteTileInfo(outOfByte, path).ok());
        QCOMPARE(readRaw(path), QByteArray("old"));
    }

    void truncatedFileReadsMissingTilesAsBackground()
    {
        TileInfo info;
        QVERIFY(decode(QByteArray::fromHex("0101" "8501"), info).ok());
        QCOMPARE(info.MaxX, quint8(1));
        QCOMPARE(info.Tiles, (std::vector<qint32>{133, 1, 0, 0}));
        QVERIFY(decode(QByteArray::fromHex("ffff"), info).ok());
        QCOMPARE(info.Tiles.size(), size_t(65536));
    }

    void resizeKeepingHoldsTheSharedTiles()
    {
        TileInfo info;
        info.resizeKeeping(1, 0);  // from no grid: all Background
        QCOMPARE(encoded(encode, info), QByteArray::fromHex("0100" "0000"));

        info.resize(2, 2);
        info.setTile(0, 0, 133);
        info.setTile(2, 1, 7);
        info.setTile(1, 2, 14);
        info.resizeKeeping(3, 1);  // wider, shorter
        QCOMPARE(encoded(encode, info), QByteArray::fromHex("0301" "8500" "0000" "0007" "0000"));
        info.resizeKeeping(0, 0);
        QCOMPARE(encoded(encode, info), QByteArray::fromHex("0000" "85"));
    }
};

QTEST_APPLESS_MAIN(tst_tileinfo)
#include "tst_tileinfo.moc"
