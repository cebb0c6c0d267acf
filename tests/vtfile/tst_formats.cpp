// Every file format through the one shape they share: the same reading, capping and wording
// of failures, whatever the format.

#include "FileFormat.h"
#include "area/oLevel.h"
#include "input/mInput.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "tileinfo/mLevelTileset.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include "support/RawFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// One format's functions, and a record of it with a value the format cannot hold.
template <class M>
struct Case
{
    const vt::FileFormat &format;
    vt::Decoder<M> decode;
    vt::Encoder<M> encode;
    M good;
    std::optional<M> unwritable;
    QByteArray refused;  // bytes the reader refuses
};

template <class M>
void checkFormat(const Case<M> &c)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"file."_s + QLatin1StringView(c.format.extension));
    QVERIFY(c.format.pattern().endsWith(u'.' + QLatin1StringView(c.format.extension)));

    QByteArray bytes;
    QVERIFY(c.encode(c.good, bytes).ok());
    QVERIFY(qint64(bytes.size()) <= c.format.maxSize);

    // A save, then a load, give the record back.
    QVERIFY(vt::saveFile(c.format, c.encode, c.good, path).ok());
    QCOMPARE(readRaw(path), bytes);
    M back{};
    QVERIFY(vt::loadFile(c.format, c.decode, path, back).ok());
    QByteArray again;
    QVERIFY(c.encode(back, again).ok());
    QCOMPARE(again, bytes);

    // A format read by its head takes its layout and no more, however long the file.
    if (c.format.reading == vt::FileFormat::Reading::Head) {
        writeRaw(path, bytes + QByteArray(3 << 20, '\xee'));
        QByteArray read;
        QVERIFY(vt::readFormatFile(c.format, path, read).ok());
        QVERIFY(read.size() <= c.format.maxSize);
        QVERIFY(read.startsWith(bytes));
        if (c.format.sizeFromHeader)
            QCOMPARE(read, bytes);
    } else {
        writeRaw(path, QByteArray(c.format.maxSize + 1, '\n'));
        const vt::Status tooLarge = vt::loadFile(c.format, c.decode, path, back);
        QVERIFY2(tooLarge.error().contains(u"too large"_s), qPrintable(tooLarge.error()));
    }

    // Refused bytes: one wording, naming the file.
    if (!c.refused.isNull()) {
        writeRaw(path, c.refused);
        const vt::Status s = vt::loadFile(c.format, c.decode, path, back);
        QVERIFY2(s.error().startsWith(u"Cannot read "_s + path + u": "_s), qPrintable(s.error()));
    }
    const QString missing = dir.filePath(u"missing"_s);
    const vt::Status gone = vt::loadFile(c.format, c.decode, missing, back);
    QVERIFY2(gone.error().contains(missing), qPrintable(gone.error()));

    // A record the format cannot hold leaves the old file untouched.
    if (c.unwritable) {
        writeRaw(path, "old");
        const vt::Status s = vt::saveFile(c.format, c.encode, *c.unwritable, path);
        QVERIFY2(s.error().startsWith(u"Cannot save "_s + path + u": "_s), qPrintable(s.error()));
        QCOMPARE(readRaw(path), QByteArray("old"));
    }
}

} // namespace

class tst_formats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFormatReadsAndWritesTheSameWay()
    {
        using namespace tessaforge;
        {
            oLevel area, noGrid;
            QVERIFY(area.Resize(30, 12));
            area.SetTile(3, 4, 1, 2);
            checkFormat<oLevel>({kAreaFormat, decode, encode, std::move(area), std::move(noGrid),
                                 QByteArray::fromHex("00 0000 0000 ffff 0000 0000")});
        }
        {
            oWorldMap map, badTag;
            QVERIFY(map.AddNode(40, 50, false));
            badTag.setNodeTag(1, 200);
            checkFormat<oWorldMap>({kMapFormat, decode, encode, map, badTag, QByteArray(1, '\0')});
        }
        {
            WorldDetails world, tooLong;
            mWorldData::NewWorldData(world);
            mWorldData::NewWorldData(tooLong);
            tooLong.sWorldName = QByteArray(40000, 'w');
            checkFormat<WorldDetails>({mWorldData::kWorldFormat, mWorldData::decode, mWorldData::encode, world,
                                       tooLong, QByteArray::fromHex("0000")});
        }
        {
            WorldListText list;
            list.lines = {"World1", "."};
            checkFormat<WorldListText>({kWorldListFormat, decode, encode, list, std::nullopt, QByteArray()});
        }
        {
            using namespace tilemarrow;
            TileInfo info, noGrid;
            info.resize(7, 3);
            info.setTile(2, 1, 0x85);
            noGrid.MaxX = 3;
            checkFormat<TileInfo>({mLevelTileset::kTileInfoFormat, mLevelTileset::decode, mLevelTileset::encode,
                                   info, noGrid, QByteArray(1, '\0')});
        }
        {
            using namespace skinloft;
            EnemySkin skin, tooLong;
            skin.Fields[0] = "walker.bmp";
            tooLong.Fields[3] = QByteArray(70000, 'x');
            checkFormat<EnemySkin>({mEnemySkinFile::kSkinFormat, mEnemySkinFile::decode, mEnemySkinFile::encode,
                                    skin, tooLong, QByteArray::fromHex("0500616263")});
        }
        {
            using namespace keyvane;
            ControlConfig c;
            c.KeyJump = 30;
            checkFormat<ControlConfig>({mInput::kControlsFormat, mInput::decode, mInput::encode, c, std::nullopt,
                                        QByteArray::fromHex("2a39")});
        }
    }
};

QTEST_APPLESS_MAIN(tst_formats)
#include "tst_formats.moc"
