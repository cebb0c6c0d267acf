// The JSON form of every format: files of every kind, made at random, come back byte for byte;
// the reader refuses what is not JSON or not the format's, saying where; the writer lays the
// text out as it always has.
#include "Formats.h"
#include "JsonWriter.h"

#include "area/oLevel.h"
#include "input/mInput.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "support/RawFiles.h"
#include "tileinfo/mLevelTileset.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <cstring>
#include <functional>

using namespace Qt::StringLiterals;
using namespace vtfile;

namespace {

const QString kDemo = QStringLiteral(VT_DEMO_GAME_DIR);
const QString kCorpus = QStringLiteral(VT_CORPUS_DIR);

class Random
{
public:
    explicit Random(quint32 seed) : m_g(seed) {}
    int below(int n) { return int(m_g.bounded(n)); }
    int between(int lo, int hi) { return lo + int(m_g.bounded(qint64(hi) - lo + 1)); }
    bool chance(int percent) { return below(100) < percent; }
    QByteArray bytes(int n)
    {
        QByteArray b(n, '\0');
        for (char &c : b)
            c = char(below(256));
        return b;
    }
    // A text of the files: any windows-1252 bytes, mostly letters.
    QByteArray text(int most)
    {
        QByteArray b;
        for (int i = below(most + 1); i > 0; --i)
            b += chance(70) ? char('a' + below(26)) : char(below(256));
        return b;
    }

private:
    QRandomGenerator m_g;
};

template <class M>
QByteArray encoded(vt::Status (*encode)(const M &, QByteArray &), const M &model)
{
    QByteArray out;
    if (!encode(model, out))
        qFatal("a generated model was refused");
    return out;
}

QByteArray randomArea(Random &r)
{
    tessaforge::oLevel a;
    const int columns = 1 + r.below(24), rows = 1 + r.below(16);
    (void)a.Resize(columns, rows);
    a.SetSideWarp(r.chance(50));
    a.SetStartPos(qint16(r.between(-32768, 32767)), qint16(r.between(-5, 40)));
    a.SetTime(r.between(-32768, 32767));
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y) {
            if (r.chance(40))
                a.SetTile(x, y, r.below(256), r.below(256));
            if (r.chance(20))
                (void)a.SetTileTag(x, y, r.below(256));
            if (r.chance(10))
                (void)a.SetTileEnemy(x, y, r.below(256));
        }
    return encoded(tessaforge::encode, a);
}

QByteArray randomWorld(Random &r)
{
    tessaforge::WorldDetails w;
    w.sWorldName = r.text(16);
    for (int i = 1 + r.below(4); i > 0; --i) {
        tessaforge::LevelRecord l;
        for (QByteArray *t : {&l.sName, &l.sAreaFile, &l.sBackdrop, &l.sEnemySkin, &l.sMusic, &l.sTileset})
            *t = r.text(12);
        l.iTime = qint16(r.between(-32768, 32767));
        l.bScrollMode = quint8(r.below(256));
        l.iScrollSpeed = qint16(r.between(-32768, 32767));
        for (auto &t : l.SpecialTiles)
            t = {qint16(r.between(-32768, 32767)), qint16(r.between(-32768, 32767))};
        for (auto &p : l.Pipes)
            p = {qint16(r.between(-32768, 32767)), quint8(r.below(256)), quint8(r.below(256))};
        w.Levels.push_back(l);
    }
    return encoded(tessaforge::mWorldData::encode, w);
}

QByteArray randomWorldList(Random &r)
{
    tessaforge::WorldListText l;
    l.ending = QByteArrayList{"\r\n", "\n", "\r"}[r.below(3)];
    l.endsWithEnding = r.chance(50);
    for (int i = r.below(6); i > 0; --i)
        l.lines.append(r.chance(15) ? QByteArray(".") : r.text(10).replace('\r', ' ').replace('\n', ' '));
    return encoded(tessaforge::encode, l);
}

QByteArray randomMap(Random &r)
{
    tessaforge::oWorldMap m;
    const int count = 1 + r.below(12);
    for (int id = 1; id <= count; ++id) {
        const qint16 x = qint16(r.between(-32768, 32767)), y = qint16(r.between(-32768, 32767));
        if (id > 1)
            (void)m.AddNode(x, y, false);
        m.moveNode(id, x, y);
        m.setPassThru(id, r.chance(30));
        m.setLeftNode(id, quint8(r.below(256)));
        m.setRightNode(id, quint8(r.below(256)));
        m.setUpNode(id, quint8(r.below(256)));
        m.setDownNode(id, quint8(r.below(256)));
        m.setNodeTag(id, quint8(r.below(127)));
        m.setNodeImage(id, quint8(r.below(256)));
        m.setEntryPointValue(id, quint8(r.below(81)));
        m.warpSetExitWorld(id, quint8(r.below(256)));
    }
    return encoded(tessaforge::encode, m);
}

QByteArray randomTileInfo(Random &r)
{
    tilemarrow::TileInfo t;
    t.resize(quint8(r.below(20)), quint8(r.below(20)));
    for (int x = 0; x <= t.MaxX; ++x)
        for (int y = 0; y <= t.MaxY; ++y)
            t.setTile(x, y, r.below(256));
    return encoded(tilemarrow::mLevelTileset::encode, t);
}

QByteArray randomSkin(Random &r)
{
    skinloft::EnemySkin s;
    for (QByteArray &f : s.Fields)
        f = r.chance(40) ? QByteArray() : r.text(14);
    return encoded(skinloft::mEnemySkinFile::encode, s);
}

QByteArray randomControls(Random &r)
{
    keyvane::ControlConfig c;
    for (quint8 *b : {&c.KeyRunCarry, &c.KeyUsePowerup, &c.KeyJump, &c.KeyReleaseItem, &c.KeyExitLevel, &c.KeyPause,
                      &c.JoyRunCarry, &c.JoyUsePowerup, &c.JoyJump, &c.JoyReleaseItem, &c.JoyExitLevel, &c.JoyPause,
                      &c.KeyLeft, &c.KeyRight, &c.KeyDown, &c.KeyUp, &c.bOther})
        *b = quint8(r.below(256));
    c.iSensX = qint16(r.between(-32768, 32767));
    c.iSensY = qint16(r.between(-32768, 32767));
    return encoded(keyvane::mInput::encode, c);
}

// What the programs never write but the readers may take: bytes changed (flags of 1, an entry
// point of 200, a lower bound of 7), a file cut short, a tail left by a longer one.
QByteArray oddly(Random &r, QByteArray bytes)
{
    switch (r.below(4)) {
    case 1:
        for (int k = 1 + r.below(3); k > 0 && !bytes.isEmpty(); --k)
            bytes[r.below(int(bytes.size()))] = char(r.below(256));
        break;
    case 2: bytes.truncate(r.below(int(bytes.size()) + 1)); break;
    case 3: bytes += r.bytes(1 + r.below(16)); break;
    default: break;
    }
    return bytes;
}

QByteArray jsonOf(Kind kind, const QByteArray &bytes)
{
    QByteArray json;
    const vt::Status s = toJson(kind, bytes, json);
    if (!s)
        qWarning("%s", qPrintable(s.error()));
    return json;
}

// The JSON as another JSON library writes it: members sorted by name, other spacing.
QList<QByteArray> otherSpellings(const QByteArray &json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    return {doc.toJson(QJsonDocument::Compact), doc.toJson(QJsonDocument::Indented)};
}

// "12:7: $.x: ..." for a text of one line: counts are easy to check by eye there.
QString refusal(std::optional<Kind> kind, const QByteArray &text)
{
    QByteArray out;
    const vt::Status s = fromJson(kind, text, out);
    return s ? u"<taken>"_s : s.error();
}

struct Generated
{
    Kind kind;
    QByteArray (*make)(Random &);
};
const Generated kFormats[] = {{Kind::Area, randomArea},         {Kind::World, randomWorld},
                              {Kind::Worlds, randomWorldList},  {Kind::Map, randomMap},
                              {Kind::TileInfo, randomTileInfo}, {Kind::Skin, randomSkin},
                              {Kind::Controls, randomControls}};

const char *const kDefaultControls =
    "{\"format\": \"controls\", \"KeyRunCarry\": 42, \"KeyUsePowerup\": 57, \"KeyJump\": 44, \"KeyReleaseItem\": 45, "
    "\"KeyExitLevel\": 14, \"KeyPause\": 25, \"JoyRunCarry\": 2, \"JoyUsePowerup\": 3, \"JoyJump\": 1, "
    "\"JoyReleaseItem\": 4, \"JoyExitLevel\": 5, \"JoyPause\": 6, \"KeyLeft\": 203, \"KeyRight\": 205, "
    "\"KeyDown\": 208, \"KeyUp\": 200, \"bOther\": 1, \"iSensX\": 2500, \"iSensY\": 3500}";

} // namespace

class tst_vtjson : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileTheReaderTakesComesBackExactly_data()
    {
        QTest::addColumn<int>("format");
        for (int i = 0; i < int(std::size(kFormats)); ++i)
            QTest::newRow(qPrintable(kindName(kFormats[i].kind))) << i;
    }
    // Files made at random (models encoded and then changed as the programs never would, and
    // bytes of no format at all): whatever the reader takes comes back byte for byte, through
    // the JSON as written and as another JSON library rewrites it; what it refuses has no JSON.
    void everyFileTheReaderTakesComesBackExactly()
    {
        QFETCH(int, format);
        const Kind k = kFormats[format].kind;
        const auto make = kFormats[format].make;
        int exact = 0, refused = 0, large = 0;
        for (int i = 0; i < 300; ++i) {
            Random r(quint32(1000 * format + i));
            const QByteArray bytes = i % 3 == 2 ? r.bytes(r.below(80)) : oddly(r, make(r));
            const QString name = u"case %1"_s.arg(i);
            QByteArray json, back;
            // A changed header can describe a grid of gigabytes of JSON, which the tool refuses
            // before the work (tested with it); here only what converts in a moment.
            if (jsonSizeAtLeast(k, bytes) > (1 << 20)) {
                ++large;
                continue;
            }
            if (!decodeError(k, bytes).isEmpty()) {
                QVERIFY2(!toJson(k, bytes, json).ok(), qPrintable(name));
                ++refused;
                continue;
            }
            const vt::Status to = toJson(k, bytes, json);
            QVERIFY2(to.ok(), qPrintable(name + u": "_s + to.error()));
            const vt::Status from = fromJson(std::nullopt, json, back);
            QVERIFY2(from.ok(), qPrintable(name + u": "_s + from.error()));
            QVERIFY2(back == bytes, qPrintable(name));
            QJsonParseError e;
            QJsonDocument::fromJson(json, &e);
            QVERIFY2(e.error == QJsonParseError::NoError, qPrintable(name + u": "_s + e.errorString()));
            for (const QByteArray &other : otherSpellings(json)) {
                const vt::Status s = fromJson(k, other, back);
                QVERIFY2(s.ok(), qPrintable(name + u": "_s + s.error()));
                QVERIFY2(back == bytes, qPrintable(name));
            }
            ++exact;
        }
        // Most made files are taken; random bytes mostly are not, and none is taken half.
        QVERIFY2(exact >= 100, qPrintable(u"only %1 files taken"_s.arg(exact)));
        QCOMPARE(exact + refused + large, 300);
    }

    // The demo game's files and the fuzz seeds (odd tails, flags, cut files) as well, through
    // JSON that another library rewrote.
    void demoAndCorpusFilesComeBackThroughAnySpelling()
    {
        QStringList files;
        for (const QString &top : {u"Mods"_s, u"Data"_s}) {
            QDirIterator it(kDemo + u'/' + top, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                if (const QString f = it.next(); kindOfPath(f))
                    files << f;
        }
        QVERIFY(files.size() >= 15);
        QList<std::pair<QString, Kind>> all;
        for (const QString &f : files)
            all.append({f, *kindOfPath(f)});
        const QList<std::pair<QString, Kind>> corpora = {
            {u"fuzz_area"_s, Kind::Area}, {u"fuzz_worlddata"_s, Kind::World}, {u"fuzz_map"_s, Kind::Map},
            {u"fuzz_tileinfo"_s, Kind::TileInfo}, {u"fuzz_skin"_s, Kind::Skin}};
        for (const auto &[folder, kind] : corpora) {
            QDirIterator it(kCorpus + u'/' + folder, QDir::Files);
            while (it.hasNext())
                all.append({it.next(), kind});
        }
        int exact = 0;
        for (const auto &[file, kind] : all) {
            const QByteArray bytes = readRaw(file);
            if (!decodeError(kind, bytes).isEmpty())
                continue;
            for (const QByteArray &other : otherSpellings(jsonOf(kind, bytes))) {
                QByteArray back;
                const vt::Status s = fromJson(kind, other, back);
                QVERIFY2(s.ok(), qPrintable(file + u": "_s + s.error()));
                QVERIFY2(back == bytes, qPrintable(file));
            }
            ++exact;
        }
        QVERIFY(exact >= 30);
    }

    // The programs write entry points 0 to 80; a map that holds any other shows 0 and keeps the
    // stored byte.
    void mapEntryPointsAbove80ComeBack()
    {
        tessaforge::oWorldMap m;
        (void)m.AddNode(10, 20, false);
        m.setEntryPointValue(2, 7);
        const QByteArray map = encoded(tessaforge::encode, m);
        const qsizetype at = map.indexOf(char(7));  // the only 7 of the file
        QVERIFY(at > 0);
        for (int value = 81; value <= 255; ++value) {
            QByteArray odd = map;
            odd[at] = char(value);
            QVERIFY(decodeError(Kind::Map, odd).isEmpty());
            const QByteArray json = jsonOf(Kind::Map, odd);
            QVERIFY(json.contains("\"entryPoint\": 0,\n"));
            QVERIFY(json.contains("\"asStored\""));
            QByteArray back;
            QVERIFY(fromJson(Kind::Map, json, back).ok());
            QCOMPARE(back, odd);
        }
    }

    void refusalsSayWhereAndWhat_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        const QByteArray world = "{\"format\": \"world\", ";  // 20 characters
        QTest::newRow("text ends") << world << u"1:21: not JSON: the text ends inside the object that begins at 1:1"_s;
        QTest::newRow("value on line 3") << QByteArray("{\"format\": \"tileinfo\",\n \"columns\": 2, \"rows\": 1,\n"
                                                       " \"grid\": [[0, 300]]}")
                                         << u"3:15: $.grid[0][1]: 300 is out of range: expected a whole number "
                                            u"from 0 to 255"_s;
        QTest::newRow("surrogate half") << world + "\"name\": \"ab\\ud800\", \"levels\": []}"
                                        << u"1:32: $.name: \\ud800 is half of a surrogate pair, not a character"_s;
        QTest::newRow("lone low half") << world + "\"name\": \"ab\\uDC00x\", \"levels\": []}"
                                       << u"1:32: $.name: \\uDC00 is half of a surrogate pair, not a character"_s;
        QTest::newRow("character") << world + "\"name\": \"ab\xf0\x9f\x98\x80\", \"levels\": []}"
                                   << u"1:32: $.name: the character \"\U0001F600\" (U+1F600) has no windows-1252 form"_s;
        QTest::newRow("escaped pair") << world + "\"name\": \"ab\\ud83d\\ude00\", \"levels\": []}"
                                      << u"1:32: $.name: the character \"\U0001F600\" (U+1F600) has no windows-1252 form"_s;
        QTest::newRow("control character") << world + "\"name\": \"ab\\u0085\", \"levels\": []}"
                                           << u"1:32: $.name: the character U+0085 has no windows-1252 form"_s;
        QTest::newRow("columns count characters") << world + "\"name\": \"\xc3\xa9\", \"levels\": 7}"
                                                  << u"1:44: $.levels: expected an array"_s;
        QTest::newRow("not UTF-8") << world + "\"name\": \"\xff\"}" << u"1:30: not JSON: not UTF-8 text"_s;
        QTest::newRow("raw tab") << world + "\"name\": \"a\t\"}"
                                 << u"1:31: not JSON: a control character (U+0009) inside a string: write it as an "
                                    u"escape"_s;
        QTest::newRow("duplicate") << QByteArray("{\"format\": \"controls\", \"KeyJump\": 1, \"KeyJump\": 2}")
                                   << u"1:38: $.KeyJump: given twice (a member may appear only once)"_s;
        QTest::newRow("unknown, as written") << QByteArray("{\"format\": \"controls\", \"Key\\u004aump2\": 1}")
                                             << u"1:24: $.Key\\u004aump2: unknown member"_s;
        QTest::newRow("leading zero") << QByteArray("{\"format\": \"controls\", \"KeyRunCarry\": 01}")
                                      << u"1:40: not JSON: unexpected character in a number"_s;
        QTest::newRow("trailing comma") << QByteArray("{\"format\": \"controls\", \"KeyRunCarry\": 1,}")
                                        << u"1:41: not JSON: expected a member name in quotes"_s;
        QTest::newRow("text for number") << QByteArray("{\"format\": \"controls\", \"KeyRunCarry\": \"42\"}")
                                         << u"1:39: $.KeyRunCarry: expected a whole number from 0 to 255"_s;
        QTest::newRow("no value") << QByteArray("{\"format\": \"controls\", \"KeyRunCarry\": nul}")
                                  << u"1:39: not JSON: expected a value"_s;
        QTest::newRow("after the end") << QByteArray(kDefaultControls) + "\n  x"
                                       << u"2:3: not JSON: more text after the end of the document"_s;
        QTest::newRow("empty") << QByteArray("  \n") << u"2:1: not JSON: the text holds no value"_s;
        QTest::newRow("no object") << QByteArray("[1]") << u"1:1: $: expected an object"_s;
        QTest::newRow("no format") << QByteArray("\n{\"KeyJump\": 1}") << u"2:1: $.format: missing, and no --type given"_s;
        QTest::newRow("unknown format") << QByteArray("{\"format\": \"level\"}")
                                        << u"1:12: $.format: unknown format \"level\""_s;
        // Nesting past the limit is refused where it is looked past (here, on the way to
        // "format"); where a value of another kind is expected, the first bracket is enough.
        QTest::newRow("deep, looked past") << "{\"levels\": " + QByteArray(150, '[') + QByteArray(150, ']')
                                                  + ", \"format\": \"world\"}"
                                           << u"1:112: not JSON: nested deeper than 100 arrays and objects"_s;
        QTest::newRow("deep, read") << world + "\"name\": " + QByteArray(100000, '[')
                                    << u"1:29: $.name: expected a string"_s;
        QTest::newRow("mismatched") << world + "\"levels\": [}, \"name\": \"x\"}"
                                    << u"1:32: not JSON: '}' closes an array"_s;
    }
    // Every refusal starts with the line and column (characters, from 1) of what it is about,
    // then the JSON path of the value, or "not JSON" for text that is none.
    void refusalsSayWhereAndWhat()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        QCOMPARE(refusal(std::nullopt, text), message);
    }

    // The same values in any valid spelling: escapes in names and texts, other number forms,
    // members in any order, other white space, a byte order mark.
    void anySpellingOfTheSameValuesGivesTheSameFile()
    {
        QByteArray canonical;
        QVERIFY(fromJson(std::nullopt, kDefaultControls, canonical).ok());
        QCOMPARE(canonical, encoded(keyvane::mInput::encode, keyvane::ControlConfig{}));
        const QList<QByteArray> spellings = {
            QByteArray(kDefaultControls).replace("\"KeyRunCarry\": 42", "\"Key\\u0052unCarry\": 42"),
            QByteArray(kDefaultControls).replace("42", "42.0").replace("57", "5.7e1").replace("2500", "25E2"),
            QByteArray(kDefaultControls).replace("\"bOther\": 1", "\"bOther\": 1.0").replace(", ", ",\r\n\t"),
            "\xef\xbb\xbf" + QByteArray(kDefaultControls),
            QJsonDocument::fromJson(kDefaultControls).toJson(QJsonDocument::Compact),
        };
        for (const QByteArray &text : spellings) {
            QByteArray out;
            const vt::Status s = fromJson(std::nullopt, text, out);
            QVERIFY2(s.ok(), qPrintable(QString::fromUtf8(text) + u": "_s + s.error()));
            QCOMPARE(out, canonical);
        }
        // A text with escapes comes back as its windows-1252 bytes.
        QByteArray world;
        QVERIFY(fromJson(std::nullopt,
                         "{\"format\": \"world\", \"name\": \"\\u20ac\\\"\\\\\\/\\t\xc3\xa9\", \"levels\": [{\"name\": "
                         "\"\", \"areaFile\": \"\", \"backdrop\": \"\", \"enemySkin\": \"\", \"music\": \"\", "
                         "\"tileset\": \"\", \"time\": -0, \"scrollMode\": 0, \"scrollSpeed\": 0, \"specialTiles\": "
                         "[[0, 0], [0, 0], [0, 0]], \"pipes\": [" +
                             QByteArrayList(16, "{\"destLevel\": 0, \"pipeID\": 0, \"exitStyle\": 0}").join(", ") + "]}]}",
                         world)
                    .ok());
        QVERIFY(world.startsWith(QByteArray::fromHex("0600") + "\x80\"\\/\t\xe9"));
        // Numbers outside their range, or not whole, in any spelling.
        for (const char *bad : {"1.5", "256", "2.56e2", "-1", "1e400", "1e-400", "99999999999999999999"}) {
            const QString message = refusal(std::nullopt, QByteArray(kDefaultControls).replace("44", bad));
            QVERIFY2(message.contains(u"$.KeyJump: %1 is out of range"_s.arg(QLatin1StringView(bad))), qPrintable(message));
        }
        for (const char *bad : {"+1", ".5", "1.", "1e", "0x1", "NaN", "'1'"}) {
            const QString message = refusal(std::nullopt, QByteArray(kDefaultControls).replace("44", bad));
            QVERIFY2(message.contains(u"not JSON"_s), qPrintable(message));
        }
    }

    // A row or a pipe of another spelling than to-json's is read value by value and judged so:
    // the quick reading of the usual form takes nothing the full reading would refuse.
    void rowsAndPipesOfOtherSpellingsAreJudgedInFull()
    {
        Random random(7);
        const QByteArray area = jsonOf(Kind::Area, randomArea(random));
        QByteArray good, back;
        QVERIFY(fromJson(Kind::Area, area, good).ok());
        QVERIFY(fromJson(Kind::Area, QByteArray(area).replace("[0, ", "[ 0 , "), back).ok());
        QCOMPARE(back, good);
        QVERIFY(fromJson(Kind::Area, QByteArray(area).replace("\"tile\": [", "\"tile\":[ "), back).ok());
        QCOMPARE(back, good);
        const QByteArray cells = "{\"format\": \"area\", \"columns\": 3, \"rows\": 1, \"sideWarp\": false, \"start\": [0, 0], "
                                 "\"time\": 0, \"grid\": [[%1]]}";
        const QList<std::pair<QByteArray, QString>> rows = {
            {"0, 0, 00", u"not JSON: unexpected character in a number"_s},
            {"0, 0, 1", u"$.grid[0][2]: 1 is out of range: expected a whole number from 0 to 0"_s},
            {"0, 0, {\"tile\": [1, 256]}", u"$.grid[0][2].tile[1]: 256 is out of range"_s},
            {"0, 0, {\"tag\": 1, \"tag\": 2}", u"$.grid[0][2].tag: given twice"_s},
            {"0, 0, {\"enemy\": 3, \"tag\": 2}", u"<taken>"_s},
            {"0, 0", u"$.grid[0]: holds 2 entries: expected 3"_s},
            {"0, 0, 0, 0", u"$.grid[0]: holds 4 entries: expected 3"_s},
            {"0, 0, \"0\"", u"$.grid[0][2]: expected 0 or an object"_s},
        };
        for (const auto &[row, expected] : rows) {
            const QString message = refusal(Kind::Area, QByteArray(cells).replace("%1", row));
            QVERIFY2(message.contains(expected), qPrintable(QString::fromLatin1(row) + u" gave "_s + message));
        }
        tessaforge::WorldDetails w;
        tessaforge::mWorldData::NewWorldData(w);
        w.Levels[0].Pipes[0].iDestLevel = 12345;
        const QByteArray world = jsonOf(Kind::World, encoded(tessaforge::mWorldData::encode, w));
        QVERIFY(world.contains("{\"destLevel\": 12345, "));
        QVERIFY(fromJson(Kind::World, QByteArray(world).replace("{\"destLevel\": 12345, ", "{\"destLevel\":12345 ,"), back).ok());
        QCOMPARE(back, encoded(tessaforge::mWorldData::encode, w));
        const QString message = refusal(Kind::World, QByteArray(world).replace("12345", "123456"));
        QCOMPARE(message.section(u": "_s, 1), u"$.levels[0].pipes[0].destLevel: 123456 is out of range: expected a "
                                               u"whole number from -32768 to 32767"_s);
    }

    // Lines of at most 96 columns, counted in characters from the line's indentation; a
    // container that does not fit goes one item per line, and so does an array of rows.
    void theWriterLaysTheTextOutForPeople()
    {
        auto written = [](const std::function<void(JsonWriter &)> &write) {
            QByteArray text;
            JsonWriter w(text);
            write(w);
            w.finish();
            return text;
        };
        auto numbers = [](JsonWriter &w, const char *key, int count) {
            w.beginArray(key);
            for (int i = 0; i < count; ++i)
                w.number(nullptr, 10);
            w.end();
        };
        // [10, 10, ...] takes four columns an item: 24 fit on the line, 25 do not.
        QCOMPARE(written([&](JsonWriter &w) { numbers(w, nullptr, 24); }), "[" + QByteArrayList(24, "10").join(", ") + "]\n");
        QCOMPARE(written([&](JsonWriter &w) { numbers(w, nullptr, 25); }),
                 "[\n  " + QByteArrayList(25, "10").join(",\n  ") + "\n]\n");
        // Two columns in, 23 fit; the name before it does not count.
        const QByteArray nested = written([&](JsonWriter &w) {
            w.beginObject();
            w.text("name", QByteArray(80, 'n'));
            numbers(w, "fits", 23);
            numbers(w, "wraps", 24);
            w.end();
        });
        QVERIFY2(nested.contains("\n  \"fits\": [10, 10,"), nested.constData());
        QVERIFY2(nested.contains("\n  \"wraps\": [\n    10,\n"), nested.constData());
        // A character takes a column whatever its bytes: 92 of them fit, 93 do not.
        QCOMPARE(written([](JsonWriter &w) {
                     w.beginArray();
                     w.text(nullptr, QByteArray(92, '\xe9'));
                     w.end();
                 }).count('\n'),
                 1);
        QCOMPARE(written([](JsonWriter &w) {
                     w.beginArray();
                     w.text(nullptr, QByteArray(93, '\xe9'));
                     w.end();
                 }).count('\n'),
                 3);
        // Rows go one a line however short; a short document holding them still fits on one.
        auto rows = [](JsonWriter &w) {
            w.beginArray("grid");
            for (const char *row : {"[1]", "[2]"}) {
                char *p = w.beginRaw(3);
                std::memcpy(p, row, 3);
                w.endRaw(p + 3);
            }
            w.end();
        };
        QCOMPARE(written([&](JsonWriter &w) {
                     w.beginArray();
                     w.beginObject();
                     w.text("name", QByteArray(100, 'x'));
                     rows(w);
                     w.end();
                     w.end();
                 }),
                 "[\n  {\n    \"name\": \"" + QByteArray(100, 'x') + "\",\n    \"grid\": [\n      [1],\n      [2]\n    ]\n  }\n]\n");
        QCOMPARE(written([&](JsonWriter &w) {
                     w.beginObject();
                     rows(w);
                     w.end();
                 }),
                 "{\"grid\": [[1], [2]]}\n");
        // Texts are escaped where a reader could stumble, and only there.
        QCOMPARE(written([](JsonWriter &w) { w.text(nullptr, QByteArray("\"\\\n\r\t\x01\x7f\x81\x80\xe9/", 11)); }),
                 "\"\\\"\\\\\\n\\r\\t\\u0001\\u007f\\u0081\xe2\x82\xac\xc3\xa9/\"\n");
        // A layout said beforehand gives the same text as one waited for, wherever it is asked.
        const JsonWriter::Key names[] = {"a", "b"};
        const qint64 values[] = {1, -2};
        auto withLayouts = [&](bool said) {
            return written([&](JsonWriter &w) {
                w.beginArray(nullptr, said ? JsonWriter::Layout::Lines : JsonWriter::Layout::Fit);
                w.text(nullptr, QByteArray(100, 'x'));
                if (said) {
                    w.numbers(nullptr, names, values);
                } else {
                    w.beginObject();
                    w.number("a", 1);
                    w.number("b", -2);
                    w.end();
                }
                w.beginArray(nullptr, said ? JsonWriter::Layout::OneLine : JsonWriter::Layout::Fit);
                w.number(nullptr, 1);
                w.end();
                w.end();
            });
        };
        QCOMPARE(withLayouts(true), withLayouts(false));
        // Inside a container still waiting to be laid out, said layouts are only hints.
        QCOMPARE(written([&](JsonWriter &w) {
                     w.beginArray();
                     w.numbers(nullptr, names, values);
                     w.end();
                 }),
                 "[{\"a\": 1, \"b\": -2}]\n");
    }

    // Documents cut anywhere are refused, each with its place; damaged ones never lead the
    // reader astray (this runs under the address sanitizer as well).
    void cutOrDamagedJsonIsRefusedCleanly()
    {
        // Bytes that matter to JSON, and some that break UTF-8.
        const QByteArray kDamage = "{}[]\\\",:0123456789-.eE \n\"a\xc3\xff";
        Random r(99);
        const QList<std::pair<Kind, QByteArray>> documents = {
            {Kind::Area, jsonOf(Kind::Area, randomArea(r))},       {Kind::World, jsonOf(Kind::World, randomWorld(r))},
            {Kind::Map, jsonOf(Kind::Map, randomMap(r))},          {Kind::Skin, jsonOf(Kind::Skin, randomSkin(r))},
            {Kind::Worlds, jsonOf(Kind::Worlds, randomWorldList(r))}};
        for (const auto &[kind, json] : documents) {
            const qsizetype end = json.trimmed().size();
            for (qsizetype cut = 0; cut < end; ++cut) {
                const QString message = refusal(std::nullopt, json.left(cut));
                QVERIFY2(message.contains(QRegularExpression(u"^[0-9]+:[0-9]+: "_s)),
                         qPrintable(u"cut at %1: "_s.arg(cut) + message));
            }
            for (int i = 0; i < 2000; ++i) {
                QByteArray damaged = json;
                for (int k = 1 + r.below(3); k > 0; --k)
                    damaged[r.below(int(damaged.size()))] = kDamage[r.below(int(kDamage.size()))];
                QByteArray out;
                const vt::Status s = fromJson(kind, damaged, out);
                QVERIFY(s.ok() || !s.error().isEmpty());
            }
        }
    }

    // Large JSON is handed on in pieces as it is made: the same text, and nothing more once
    // the receiver refuses a piece.
    void jsonHandedOnInPiecesIsTheSameText()
    {
        tessaforge::oLevel a;
        QVERIFY(a.Resize(3000, 200));
        for (int x = 0; x < 3000; ++x)
            for (int y = 100; y < 200; ++y)
                a.SetTile(x, y, x % 200, y % 100);
        const QByteArray bytes = encoded(tessaforge::encode, a);
        QByteArray whole, pieces;
        QVERIFY(toJson(Kind::Area, bytes, whole).ok());
        int count = 0;
        QVERIFY(toJson(Kind::Area, bytes, [&](QByteArrayView piece) {
                    pieces += piece;
                    ++count;
                    return true;
                }).ok());
        QVERIFY2(count > 1, qPrintable(QString::number(count)));
        QCOMPARE(pieces, whole);
        count = 0;
        const auto refuse = [&](QByteArrayView) {
            ++count;
            return false;
        };
        QVERIFY(!toJson(Kind::Area, bytes, refuse).ok());
        QCOMPARE(count, 1);
        // The reader's refusal comes first, before anything is handed on.
        QVERIFY(!toJson(Kind::Area, bytes.left(5), refuse).ok());
        QCOMPARE(count, 1);
    }
};

QTEST_MAIN(tst_vtjson)
#include "tst_vtjson.moc"
