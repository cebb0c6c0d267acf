// Every file a reader takes has a JSON form that gives back its very bytes, whatever those
// bytes are; and JSON that is refused is refused at its place, in words a person can act on.

#include "Formats.h"

#include "area/oLevel.h"
#include "input/mInput.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "tileinfo/mLevelTileset.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace vtfile;

namespace {

constexpr Kind kKinds[] = {Kind::Area, Kind::World, Kind::Worlds, Kind::Map, Kind::TileInfo, Kind::Skin, Kind::Controls};

QByteArray randomBytes(QRandomGenerator &r, qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (char &c : b)
        c = char(r.bounded(256));
    return b;
}

// Bytes in a form the readers take, with odd values in every place: flags other than 0 and
// 255, stale tails, texts with every byte.
QByteArray validFile(Kind kind, QRandomGenerator &r)
{
    QByteArray out;
    switch (kind) {
    case Kind::Area: {
        tessaforge::oLevel a;
        (void)a.Resize(1 + r.bounded(12), 1 + r.bounded(9));
        for (qint32 x = 0; x <= a.width(); ++x)
            for (qint32 y = 0; y <= a.height(); ++y) {
                if (r.bounded(3) == 0)
                    a.SetTile(x, y, r.bounded(256), r.bounded(256));
                if (r.bounded(5) == 0)
                    (void)a.SetTileTag(x, y, r.bounded(256));
                if (r.bounded(5) == 0)
                    (void)a.SetTileEnemy(x, y, r.bounded(256));
            }
        a.SetStartPos(qint16(r.bounded(-40, 40)), qint16(r.bounded(-40, 40)));
        a.SetSideWarp(r.bounded(2));
        a.SetTime(r.bounded(-32768, 32768));
        (void)tessaforge::encode(a, out);
        break;
    }
    case Kind::World: {
        tessaforge::WorldDetails w;
        tessaforge::mWorldData::NewWorldData(w);
        w.sWorldName = randomBytes(r, r.bounded(20));
        for (int i = r.bounded(4); i > 0; --i)
            tessaforge::mWorldData::AddLevel(w, randomBytes(r, r.bounded(12)));
        for (auto &l : w.Levels) {
            l.sAreaFile = randomBytes(r, r.bounded(8));
            l.sTileset = randomBytes(r, r.bounded(8));
            l.iTime = qint16(r.bounded(-32768, 32768));
            l.bScrollMode = quint8(r.bounded(256));
            for (auto &p : l.Pipes)
                p = {qint16(r.bounded(-32768, 32768)), quint8(r.bounded(256)), quint8(r.bounded(256))};
        }
        (void)tessaforge::mWorldData::encode(w, out);
        break;
    }
    case Kind::Worlds: {
        static const char *const kPieces[] = {"World1", "  Lava Land ", ".", "", "\r\n", "\n", "\r", "Caf\xe9"};
        for (int i = r.bounded(8); i > 0; --i)
            out += kPieces[r.bounded(8)];
        break;
    }
    case Kind::Map: {
        tessaforge::oWorldMap m;
        out = randomBytes(r, 1 + 12 * (1 + r.bounded(20)));
        out[0] = char((out.size() - 1) / 12);
        break;
    }
    case Kind::TileInfo: {
        const int columns = 1 + r.bounded(20), rows = 1 + r.bounded(20);
        out = randomBytes(r, 2 + columns * rows);
        out[0] = char(columns - 1);
        out[1] = char(rows - 1);
        break;
    }
    case Kind::Skin: {
        skinloft::EnemySkin s;
        for (QByteArray &f : s.Fields)
            f = randomBytes(r, r.bounded(3) ? r.bounded(10) : 0);
        (void)skinloft::mEnemySkinFile::encode(s, out);
        break;
    }
    case Kind::Controls: out = randomBytes(r, keyvane::mInput::kControlFileSize); break;
    }
    // A tail the readers ignore, now and then, or a file cut short where that is legal.
    if (r.bounded(4) == 0)
        out += randomBytes(r, 1 + r.bounded(30));
    return out;
}

// The bytes back through JSON; a failure message when they do not come back.
QString roundTrip(Kind kind, const QByteArray &bytes)
{
    QByteArray json;
    if (vt::Status s = toJson(kind, bytes, json); !s)
        return u"to-json: "_s + s.error();
    QByteArray back;
    Kind made = Kind::Area;
    if (vt::Status s = fromJson(std::nullopt, json, back, &made); !s)
        return u"from-json: "_s + s.error() + u"\n"_s + QString::fromUtf8(json.left(2000));
    if (made != kind)
        return u"the JSON names another format"_s;
    if (back != bytes)
        return u"other bytes came back: %1 instead of %2"_s.arg(QString::fromLatin1(back.toHex()),
                                                               QString::fromLatin1(bytes.toHex()));
    return {};
}

} // namespace

class tst_roundtrip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileTheReadersTakeComesBackThroughJson_data()
    {
        QTest::addColumn<int>("kind");
        for (Kind k : kKinds)
            QTest::newRow(qPrintable(kindName(k))) << int(k);
    }

    void everyFileTheReadersTakeComesBackThroughJson()
    {
        QFETCH(int, kind);
        const Kind k = Kind(kind);
        QRandomGenerator r(quint32(20261208 + kind));
        int taken = 0;
        // Files made the way the programs make them, then with odd values and tails.
        for (int i = 0; i < 300; ++i) {
            const QByteArray bytes = validFile(k, r);
            if (!decodeError(k, bytes).isEmpty())
                continue;
            ++taken;
            const QString problem = roundTrip(k, bytes);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
        QVERIFY2(taken >= 200, qPrintable(QString::number(taken)));
        // Bytes of no form at all: whatever the reader takes comes back.
        for (int i = 0; i < 300; ++i) {
            const QByteArray bytes = randomBytes(r, r.bounded(120));
            // A random area header may give a billion cells: the tool refuses that JSON.
            if (!decodeError(k, bytes).isEmpty() || jsonSizeAtLeast(k, bytes) > (1 << 20))
                continue;
            const QString problem = roundTrip(k, bytes);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    }

    void refusedJsonSaysWhereAndWhy_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("starts");
        QTest::addColumn<QString>("contains");
        const QByteArray map = "{\n  \"format\": \"map\",\n  \"nodes\": [\n    {\"x\": 1, \"y\": 2, \"passThru\": false, "
                               "\"left\": 0, \"right\": 0, \"up\": 0, \"down\": 0, \"tag\": 0, \"image\": 0, "
                               "\"entryPoint\": 0, \"warpExitWorld\": 0}\n  ]\n}\n";
        QByteArray outOfRange = map;
        outOfRange.replace("\"y\": 2", "\"y\": 40000");
        QTest::newRow("value") << outOfRange << u"4:19: "_s << u"$.nodes[0].y: 40000"_s;
        QByteArray broken = map;
        broken.replace("\"y\": 2,", "\"y\": 2,,");
        QTest::newRow("syntax") << broken << u"4:"_s << QString();
        QByteArray twice = map;
        twice.replace("\"x\": 1,", "\"x\": 1, \"x\": 3,");
        QTest::newRow("member twice") << twice << u"4:"_s << u"given twice"_s;
        const QByteArray skin = "{\"format\": \"skin\", \"graphics\": [{\"enemy\": \"Trudgel\", \"file\": \"\\ud800\"}]}";
        QTest::newRow("surrogate half") << skin << u"1:"_s << u"half of a surrogate pair"_s;
        QByteArray emoji = skin;
        emoji.replace("\\ud800", "\xf0\x9f\x98\x80");
        QTest::newRow("no windows-1252 form") << emoji << u"1:"_s << u"(U+1F600) has no windows-1252 form"_s;
        // Nesting far past any stack: refused cleanly, wherever it stands.
        for (const QByteArray &where : {QByteArray("{\"format\": \"map\", \"nodes\": "), QByteArray("{\"x\": ")})
            QTest::newRow(where.size() > 10 ? "deep in a value" : "deep in an unknown member")
                << where + QByteArray(200000, '[') + QByteArray(200000, ']') + "}" << u"1:"_s << QString();
    }

    void refusedJsonSaysWhereAndWhy()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, starts);
        QFETCH(QString, contains);
        QByteArray out = "untouched";
        const vt::Status s = fromJson(std::nullopt, json, out);
        QVERIFY(!s);
        QCOMPARE(out, QByteArray("untouched"));
        QVERIFY2(s.error().startsWith(starts), qPrintable(s.error()));
        QVERIFY2(contains.isEmpty() || s.error().contains(contains), qPrintable(s.error()));
    }

    // The file is made as the rows are read: a short JSON that claims the largest grid is
    // refused at its end without first filling gigabytes for it.
    void hugeClaimedGridCostsOnlyWhatTheJsonGives()
    {
        const QByteArray json = "{\"format\": \"area\", \"columns\": 32768, \"rows\": 32768, \"sideWarp\": false, "
                                "\"start\": [0, 0], \"time\": 0, \"grid\": [[0, 0]]}";
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QByteArray out;
        const vt::Status s = fromJson(std::nullopt, json, out);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        QVERIFY(!s);
        QVERIFY2(s.error().startsWith(u"1:"_s), qPrintable(s.error()));
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer keeps an eighth of every allocation in memory of its own");
#endif
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < 256 * 1024,  // kilobytes
                 qPrintable(u"grew by %1 kB"_s.arg(after.ru_maxrss - before.ru_maxrss)));
    }
};

QTEST_APPLESS_MAIN(tst_roundtrip)
#include "tst_roundtrip.moc"
