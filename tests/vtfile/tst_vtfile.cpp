#include "Formats.h"
#include "ModCheck.h"
#include "Tool.h"

#include "area/oLevel.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "world/mWorldData.h"
#include "support/RawFiles.h"
#include "support/TempGame.h"

#include <QDirIterator>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <functional>

using namespace Qt::StringLiterals;
using namespace vtfile;

namespace {

const QString kDemo = QStringLiteral(VT_DEMO_GAME_DIR);
const QString kCorpus = QStringLiteral(VT_CORPUS_DIR);

struct Run
{
    int status = -1;
    QString out, err;
};

Run tool(const QStringList &args)
{
    Run r;
    QTextStream out(&r.out), err(&r.err);
    r.status = run(args, out, err);
    return r;
}

QString demo(const QString &relative) { return kDemo + u'/' + relative; }

// Every game file of the demo folder, by path.
QStringList demoFiles()
{
    QStringList files;
    for (const QString &top : {u"Mods"_s, u"Data"_s}) {
        QDirIterator it(demo(top), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            if (kindOfPath(f))
                files << f;
        }
    }
    return files;
}

QByteArray json(Kind kind, const QByteArray &bytes)
{
    QByteArray out;
    const vt::Status s = toJson(kind, bytes, out);
    if (!s)
        qWarning("%s", qPrintable(s.error()));
    return out;
}

// A refusal of JSON starts with the line and column it is about: the rest, or the whole
// message marked when the position is missing.
QString afterPosition(const QString &error)
{
    static const QRegularExpression position(u"^[0-9]+:[0-9]+: "_s);
    const QRegularExpressionMatch m = position.match(error);
    return m.hasMatch() ? error.mid(m.capturedLength()) : u"<no line:column> "_s + error;
}

// A demo file's JSON with one value replaced through a JSON pointer-like edit.
QByteArray edited(const QString &file, Kind kind, const std::function<void(QJsonObject &)> &edit)
{
    QJsonObject o = QJsonDocument::fromJson(json(kind, readRaw(file))).object();
    edit(o);
    return QJsonDocument(o).toJson();
}

// The findings of a report that concern one file (its path ends so) and say something.
std::vector<Finding> findingsAbout(const CheckReport &report, const QString &fileEnd, const QString &says)
{
    std::vector<Finding> found;
    for (const Finding &f : report.findings)
        if (f.file.endsWith(fileEnd) && f.message.contains(says))
            found.push_back(f);
    return found;
}

QString allLines(const CheckReport &report)
{
    QString text;
    QTextStream out(&text);
    writeText(report, out);
    out.flush();
    return text;
}

void copyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QVERIFY(QFile::copy(file, target));
    }
}

} // namespace

class tst_vtfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyDemoAndCorpusFileComesBackByteForByte()
    {
        QStringList files = demoFiles();
        QVERIFY(files.size() >= 15);
        int exact = 0;
        for (const QString &f : files) {
            const QByteArray bytes = readRaw(f);
            const Kind kind = *kindOfPath(f);
            QByteArray j, back;
            QVERIFY2(toJson(kind, bytes, j).ok(), qPrintable(f));
            QVERIFY2(fromJson(std::nullopt, j, back).ok(), qPrintable(f));
            QVERIFY2(back == bytes, qPrintable(f));
            ++exact;
        }
        // The seed corpora hold the odd files: stale tails, flags of 1, files cut short.
        const QList<std::pair<QString, Kind>> corpora = {
            {u"fuzz_area"_s, Kind::Area},         {u"fuzz_worlddata"_s, Kind::World},
            {u"fuzz_worldlist"_s, Kind::Worlds},  {u"fuzz_map"_s, Kind::Map},
            {u"fuzz_tileinfo"_s, Kind::TileInfo}, {u"fuzz_skin"_s, Kind::Skin},
            {u"fuzz_controls"_s, Kind::Controls}};
        int refused = 0;
        for (const auto &[folder, kind] : corpora) {
            QDirIterator it(kCorpus + u'/' + folder, QDir::Files);
            QVERIFY(it.hasNext());
            while (it.hasNext()) {
                const QString f = it.next();
                const QByteArray bytes = readRaw(f);
                QByteArray j, back;
                if (!decodeError(kind, bytes).isEmpty()) {
                    QVERIFY2(!toJson(kind, bytes, j).ok(), qPrintable(f));
                    ++refused;  // the reader refuses it: not a valid file
                    continue;
                }
                const vt::Status s = toJson(kind, bytes, j);
                QVERIFY2(s.ok(), qPrintable(f + u": "_s + s.error()));
                QVERIFY2(fromJson(kind, j, back).ok(), qPrintable(f));
                QVERIFY2(back == bytes, qPrintable(f));
                ++exact;
            }
        }
        QVERIFY(refused <= 2);
        QVERIFY(exact >= 35);
    }

    void oddBytesTravelAsStoredAndEditsStillApply()
    {
        // Side-warp byte 1 and a tile flag of 254 read as off; they come back as stored.
        QByteArray area = QByteArray::fromHex("01" "0000" "0000" "0000" "0000" "0000" "fe01020304");
        QByteArray j = json(Kind::Area, area);
        QVERIFY(j.contains("\"patches\""));
        QByteArray back;
        QVERIFY(fromJson(Kind::Area, j, back).ok());
        QCOMPARE(back, area);

        // A world with a stale tail: edit a level's time, the tail stays behind the records.
        const QString world = demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s);
        const QByteArray tail = "stale bytes";
        QJsonObject o = QJsonDocument::fromJson(json(Kind::World, readRaw(world) + tail)).object();
        QJsonObject level = o[u"levels"_s].toArray()[0].toObject();
        level[u"time"_s] = 321;
        QJsonArray levels = o[u"levels"_s].toArray();
        levels[0] = level;
        o[u"levels"_s] = levels;
        QVERIFY(fromJson(std::nullopt, QJsonDocument(o).toJson(), back).ok());
        QVERIFY(back.endsWith(tail));
        QByteArray body = back.chopped(tail.size());
        const QByteArray original = readRaw(world);
        QCOMPARE(body.size(), original.size());
        QVERIFY(body != original);
    }

    void badJsonIsRefusedWithThePathOfTheFirstBadValue_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        const QString world = demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s);
        const QString area = demo(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s);
        const QString map = demo(u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s);
        auto levelEdit = [](int level, const char *key, QJsonValue v) {
            return [=](QJsonObject &o) {
                QJsonArray levels = o[u"levels"_s].toArray();
                QJsonObject l = levels[level].toObject();
                l[QLatin1String(key)] = v;
                levels[level] = l;
                o[u"levels"_s] = levels;
            };
        };
        QTest::newRow("syntax") << QByteArray("{\"format\": \"world\", ") << u"not JSON"_s;
        QTest::newRow("time too large")
            << edited(world, Kind::World, levelEdit(1, "time", 40000)) << u"$.levels[1].time: 40000 is out of range"_s;
        QTest::newRow("not whole")
            << edited(world, Kind::World, levelEdit(0, "scrollMode", 1.5)) << u"$.levels[0].scrollMode: 1.5"_s;
        QTest::newRow("text for number")
            << edited(world, Kind::World, levelEdit(2, "scrollSpeed", u"fast"_s)) << u"$.levels[2].scrollSpeed: expected"_s;
        QTest::newRow("no code page character")
            << edited(world, Kind::World, levelEdit(0, "name", u"Snow \u2603"_s)) << u"$.levels[0].name: the character \"\u2603\" (U+2603) has no windows-1252 form"_s;
        QTest::newRow("misspelt member")
            << edited(world, Kind::World, levelEdit(0, "tileSet", u"Grass"_s)) << u"$.levels[0].tileSet: unknown member"_s;
        QTest::newRow("missing member") << edited(world, Kind::World, [](QJsonObject &o) { o.remove(u"name"_s); })
                                        << u"$.name: missing"_s;
        QTest::newRow("pipe id") << edited(world, Kind::World, [](QJsonObject &o) {
            QJsonArray levels = o[u"levels"_s].toArray();
            QJsonObject l = levels[0].toObject();
            QJsonArray pipes = l[u"pipes"_s].toArray();
            QJsonObject p = pipes[3].toObject();
            p[u"pipeID"_s] = 256;
            pipes[3] = p;
            l[u"pipes"_s] = pipes;
            levels[0] = l;
            o[u"levels"_s] = levels;
        }) << u"$.levels[0].pipes[3].pipeID: 256 is out of range"_s;
        QTest::newRow("short row") << edited(area, Kind::Area, [](QJsonObject &o) {
            QJsonArray grid = o[u"grid"_s].toArray();
            QJsonArray row = grid[4].toArray();
            row.removeLast();
            grid[4] = row;
            o[u"grid"_s] = grid;
        }) << u"$.grid[4]: holds 19 entries: expected 20"_s;
        QTest::newRow("cell tag") << edited(area, Kind::Area, [](QJsonObject &o) {
            QJsonArray grid = o[u"grid"_s].toArray();
            QJsonArray row = grid[2].toArray();
            row[7] = QJsonObject{{u"tag"_s, 300}};
            grid[2] = row;
            o[u"grid"_s] = grid;
        }) << u"$.grid[2][7].tag: 300 is out of range"_s;
        QTest::newRow("map entry point") << edited(map, Kind::Map, [](QJsonObject &o) {
            QJsonArray nodes = o[u"nodes"_s].toArray();
            QJsonObject n = nodes[5].toObject();
            n[u"entryPoint"_s] = 81;
            nodes[5] = n;
            o[u"nodes"_s] = nodes;
        }) << u"$.nodes[5].entryPoint: 81 is out of range"_s;
        QTest::newRow("stale patch") << edited(area, Kind::Area, [](QJsonObject &o) {
            o[u"asStored"_s] = QJsonObject{{u"patches"_s, QJsonArray{QJsonObject{
                {u"offset"_s, 0}, {u"written"_s, u"00"_s}, {u"stored"_s, u"01"_s}}}}};
        }) << u"$.asStored.patches[0]: the bytes at offset 0 are no longer 00"_s;
        QTest::newRow("wrong format") << edited(area, Kind::Area, [](QJsonObject &o) { o[u"format"_s] = u"skin"_s; })
                                      << u"$.format: the JSON holds a skin file, not an area file"_s;
    }
    void badJsonIsRefusedWithThePathOfTheFirstBadValue()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        QByteArray out = "untouched";
        const bool isArea = message.startsWith(u"$.grid"_s) || message.contains(u"not an area"_s) || message.contains(u"asStored"_s);
        const vt::Status s = fromJson(isArea ? Kind::Area : (message.startsWith(u"$.nodes"_s) ? Kind::Map : Kind::World), text, out);
        QVERIFY(!s.ok());
        QVERIFY2(afterPosition(s.error()).startsWith(message), qPrintable(s.error()));
        QCOMPARE(out, QByteArray("untouched"));
    }

    void fromJsonWritesNothingWhenRefusedAndReplacesWhenGood()
    {
        TempGame game;
        const QString target = game.file(u"Worldata.qzw"_s);
        const QString good = game.file(u"good.json"_s), bad = game.file(u"bad.json"_s);
        const QByteArray original = readRaw(demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s));
        writeRaw(good, json(Kind::World, original));
        writeRaw(bad, QByteArray(json(Kind::World, original)).replace("\"time\": 300", "\"time\": -99999"));

        Run r = tool({u"from-json"_s, bad, u"-o"_s, target});
        QCOMPARE(r.status, 1);
        // The place in the file as an editor shows it: line 12, column 15 of to-json's layout.
        QVERIFY2(r.err.contains(bad + u": 12:15: $.levels[0].time: -99999 is out of range"_s), qPrintable(r.err));
        QVERIFY(!game.exists(u"Worldata.qzw"_s));
        writeRaw(target, "old");
        QCOMPARE(tool({u"from-json"_s, bad, u"-o"_s, target}).status, 1);
        QCOMPARE(readRaw(target), QByteArray("old"));

        r = tool({u"from-json"_s, good, u"-o"_s, target});
        QCOMPARE(r.status, 0);
        QCOMPARE(readRaw(target), original);
        QCOMPARE(QDir(game.path()).entryList(QDir::Files).size(), 3);  // no temporaries left
    }

    // A patch can make bytes that no reader takes: such a file is never written.
    void fromJsonWritesNoFileTheReadersRefuse()
    {
        TempGame game;
        const QString area = demo(u"Mods/Demo Mod/Crystal Caves/Cavern.qzl"_s);
        const QString map = demo(u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s);
        const QString emptyArea = game.file(u"empty.json"_s), noNodes = game.file(u"nodes.json"_s);
        writeRaw(emptyArea, edited(area, Kind::Area, [](QJsonObject &o) {
                     o[u"asStored"_s] = QJsonObject{{u"length"_s, 0}};
                 }));
        const QByteArray mapBytes = readRaw(map);
        writeRaw(noNodes, edited(map, Kind::Map, [&](QJsonObject &o) {
                     o[u"asStored"_s] = QJsonObject{{u"patches"_s, QJsonArray{QJsonObject{
                                                         {u"offset"_s, 0},
                                                         {u"written"_s, QString::fromLatin1(mapBytes.left(1).toHex())},
                                                         {u"stored"_s, u"00"_s}}}}};
                 }));

        const QString target = game.file(u"out.qzl"_s);
        writeRaw(target, "old");
        Run r = tool({u"from-json"_s, emptyArea, u"-o"_s, target});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(emptyArea + u": nothing was written: the area file it gives would not be read: "_s),
                 qPrintable(r.err));
        QCOMPARE(readRaw(target), QByteArray("old"));
        r = tool({u"from-json"_s, noNodes, u"-o"_s, game.file(u"out.qzm"_s)});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(u"the map file it gives would not be read"_s), qPrintable(r.err));
        QVERIFY(!game.exists(u"out.qzm"_s));

        // Another format's extension is refused unless forced; a name of no format is not.
        const QString tiles = game.file(u"tiles.json"_s);
        writeRaw(tiles, json(Kind::TileInfo, readRaw(demo(u"Data/Tilesets/Grass.qzt"_s))));
        r = tool({u"from-json"_s, tiles, u"-o"_s, game.file(u"x.qzc"_s)});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(u"the name is a controls file's, but the JSON holds a tileinfo file"_s),
                 qPrintable(r.err));
        QVERIFY(!game.exists(u"x.qzc"_s));
        QCOMPARE(tool({u"from-json"_s, tiles, u"-o"_s, game.file(u"x.qzc"_s), u"--force"_s}).status, 0);
        QCOMPARE(tool({u"from-json"_s, tiles, u"-o"_s, game.file(u"x.bin"_s)}).status, 0);
        QCOMPARE(readRaw(game.file(u"x.bin"_s)), readRaw(demo(u"Data/Tilesets/Grass.qzt"_s)));
    }

    // Every file a reader takes has a JSON form that gives it back, and a JSON member that
    // from-json would not write is refused rather than dropped.
    void storedOddsComeBackAndDerivedMembersMustAgree()
    {
        // A map whose entry-point byte holds a value above what the programs write.
        const QByteArray map = readRaw(demo(u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s));
        QByteArray seven;
        QVERIFY(fromJson(Kind::Map, edited(demo(u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s), Kind::Map,
                                           [](QJsonObject &o) {
                                               QJsonArray nodes = o[u"nodes"_s].toArray();
                                               QJsonObject first = nodes[0].toObject();
                                               first[u"entryPoint"_s] = 7;
                                               nodes[0] = first;
                                               o[u"nodes"_s] = nodes;
                                           }),
                             seven)
                    .ok());
        qsizetype offset = 0;
        while (offset < map.size() && map[offset] == seven[offset])
            ++offset;
        QVERIFY(offset < map.size());
        for (int value : {81, 200, 255}) {
            QByteArray odd = map;
            odd[offset] = char(value);
            QVERIFY(decodeError(Kind::Map, odd).isEmpty());
            QByteArray text, back;
            const vt::Status to = toJson(Kind::Map, odd, text);
            QVERIFY2(to.ok(), qPrintable(to.error()));
            QVERIFY(fromJson(Kind::Map, text, back).ok());
            QCOMPARE(back, odd);
        }

        // The world list is written from its lines: an edit of "worlds" alone is refused.
        const QString worlds = demo(u"Mods/Demo Mod/Worlds.inf"_s);
        QByteArray out;
        const vt::Status edit = fromJson(Kind::Worlds, edited(worlds, Kind::Worlds, [](QJsonObject &o) {
                                             QJsonArray w = o[u"worlds"_s].toArray();
                                             w.append(u"Lava Land"_s);
                                             o[u"worlds"_s] = w;
                                         }),
                                         out);
        QVERIFY(!edit.ok());
        QVERIFY2(afterPosition(edit.error()).startsWith(u"$.worlds: does not match the world list the lines give"_s),
                 qPrintable(edit.error()));
        QVERIFY(fromJson(Kind::Worlds, edited(worlds, Kind::Worlds, [](QJsonObject &o) { o.remove(u"worlds"_s); }),
                         out)
                    .ok());
        QCOMPARE(out, readRaw(worlds));
    }

    void verbsOnTheDemoGameFolder()
    {
        const QString world = demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s);
        const QString area = demo(u"Mods/Demo Mod/Grassland/Meadow.qzl"_s);
        Run r = tool({u"info"_s, world, area, demo(u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s),
                    demo(u"Mods/Demo Mod/Worlds.inf"_s), demo(u"Data/Tilesets/Grass.qzt"_s),
                    demo(u"Data/Enemies/Standard.qze"_s)});
        QCOMPARE(r.status, 0);
        for (const QString &expected :
             {u"world: \"Green Hills\", 3 level(s)"_s, u"1. \"Meadow Run\": area Meadow, tileset Grass"_s,
              u"area: 120 columns x 15 rows"_s, u"start: column 2, row 12"_s, u"world map: 7 node(s)"_s,
              u"7: (520, 300) Warp 1"_s, u"3. Lava Land"_s, u"tile information:"_s, u"enemy skin:"_s})
            QVERIFY2(r.out.contains(expected), qPrintable(expected + u" in\n"_s + r.out));

        QCOMPARE(tool(QStringList{u"check"_s} + demoFiles()).status, 0);

        // to-json without -o prints and writes nothing; --type overrides the extension.
        TempGame game;
        game.write(u"level.bin"_s, readRaw(area));
        r = tool({u"to-json"_s, u"--type"_s, u"area"_s, game.file(u"level.bin"_s)});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(u"{\n  \"format\": \"area\""_s));
        QCOMPARE(QDir(game.path()).entryList(QDir::Files), QStringList{u"level.bin"_s});
        r = tool({u"info"_s, game.file(u"level.bin"_s)});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(u"give --type"_s));

        // Help for the tool and each verb.
        QCOMPARE(tool({u"--help"_s}).status, 0);
        for (const QString &verb : {u"info"_s, u"check"_s, u"to-json"_s, u"from-json"_s, u"render"_s}) {
            r = tool({verb, u"--help"_s});
            QCOMPARE(r.status, 0);
            QVERIFY(r.out.startsWith(u"usage: vtfile "_s + verb));
        }
        r = tool({u"frobnicate"_s});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(u"unknown verb"_s));
        QCOMPARE(tool({u"info"_s, area, u"-o"_s, game.file(u"x"_s)}).status, 2);
    }

    void checkTellsBrokenFromUnreadable()
    {
        TempGame game;
        game.write(u"cut.qzw"_s, readRaw(demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s)).left(40));
        Run r = tool({u"check"_s, game.file(u"cut.qzw"_s)});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.startsWith(game.file(u"cut.qzw"_s) + u": "_s), qPrintable(r.out));
        r = tool({u"check"_s, game.file(u"cut.qzw"_s), game.file(u"none.qzl"_s)});
        QCOMPARE(r.status, 2);
        QCOMPARE(r.out.count(u'\n'), 2);
        r = tool({u"check"_s, u"--mod"_s, game.file(u"Mods/Nothing"_s)});
        QCOMPARE(r.status, 2);
    }

    // vtfile takes what the format's readers take: a world details file past their 16 MiB is
    // refused, and never made by from-json; a format read by its head keeps a tail.
    void readsAndWritesNoMoreThanTheReadersTake()
    {
        QCOMPARE(maxFileSize(Kind::World), 16 * 1024 * 1024);
        TempGame game;
        const QByteArray world = readRaw(demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s));
        const QByteArray huge = world + QByteArray(maxFileSize(Kind::World) + 1 - world.size(), '\0');
        game.write(u"huge.qzw"_s, huge);
        Run r = tool({u"check"_s, game.file(u"huge.qzw"_s)});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.out.contains(u"too large"_s), qPrintable(r.out));
        QVERIFY(!writtenFileProblem(Kind::World, huge).isEmpty());
        QVERIFY(writtenFileProblem(Kind::World, huge.chopped(1)).isEmpty());

        const QByteArray map = readRaw(demo(u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s));
        game.write(u"tail.qzm"_s, map + QByteArray(100000, 'x'));
        QCOMPARE(tool({u"check"_s, game.file(u"tail.qzm"_s)}).status, 0);
        r = tool({u"to-json"_s, game.file(u"tail.qzm"_s), u"-o"_s, game.file(u"tail.json"_s)});
        QCOMPARE(r.status, 0);
        QCOMPARE(tool({u"from-json"_s, game.file(u"tail.json"_s), u"-o"_s, game.file(u"back.qzm"_s)}).status, 0);
        QCOMPARE(game.read(u"back.qzm"_s), game.read(u"tail.qzm"_s));
    }

    // A text larger than the JSON of the largest file of its format is no such file's JSON:
    // refused before it is read (a sparse file, so the test writes nothing of that size).
    void fromJsonReadsNoMoreThanTheLargestFilesJson()
    {
        TempGame game;
        QFile big(game.file(u"big.json"_s));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(maxJsonSize(Kind::Map) + 1));
        big.close();
        Run r = tool({u"from-json"_s, game.file(u"big.json"_s), u"-o"_s, game.file(u"map.qzm"_s)});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(u"more than the JSON of a map file can take"_s), qPrintable(r.err));
        r = tool({u"from-json"_s, game.file(u"big.json"_s), u"--type"_s, u"controls"_s, u"-o"_s, game.file(u"c"_s)});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(u"more than the JSON of a controls file can take"_s), qPrintable(r.err));
        QVERIFY(!game.exists(u"map.qzm"_s) && !game.exists(u"c"_s));
        // The bound holds every file's JSON with room to spare, and no format's is unbounded.
        for (Kind k : {Kind::Area, Kind::World, Kind::Worlds, Kind::Map, Kind::TileInfo, Kind::Skin, Kind::Controls}) {
            QVERIFY(maxJsonSize(k) >= 32 * maxFileSize(k));
            QVERIFY(maxJsonSize(k) <= maxJsonSize(std::nullopt));
        }
    }

    // An 11-byte area whose header gives 32768 x 32768 cells would make gigabytes of JSON:
    // refused before the work, unless the limit is raised.
    void toJsonRefusesAHugeOutputBeforeTheWork()
    {
        TempGame game;
        game.write(u"huge.qzl"_s, QByteArray::fromHex("0000000000ff7fff7f2c01"));
        Run r = tool({u"to-json"_s, game.file(u"huge.qzl"_s), u"-o"_s, game.file(u"huge.json"_s)});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(u"its JSON would take at least 3072 MiB, more than the 64 MiB limit"_s),
                 qPrintable(r.err));
        QVERIFY(!game.exists(u"huge.json"_s));
        // 64 x 64 cells (12 KiB at least) against a limit of 1 MiB: made.
        game.write(u"small.qzl"_s, QByteArray::fromHex("00000000003f003f002c01"));
        QCOMPARE(tool({u"to-json"_s, game.file(u"small.qzl"_s), u"--max"_s, u"1"_s}).status, 0);
        QCOMPARE(tool({u"to-json"_s, game.file(u"small.qzl"_s), u"--max"_s, u"none"_s}).status, 2);

        // render draws areas: another format is named as such, not read as a picture.
        const QString world = demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s);
        r = tool({u"render"_s, world, u"--tileset"_s, u"Grass"_s, u"-o"_s, game.file(u"w.png"_s)});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(world + u": not an area file (its name is a world file's)"_s), qPrintable(r.err));
        QVERIFY(!game.exists(u"w.png"_s));
    }

    // The reader fills an area cut short with empty cells; the checks say so.
    void checksTellOfAnAreaCutShort()
    {
        TempGame game;
        const QByteArray area = readRaw(demo(u"Mods/Demo Mod/Crystal Caves/Cavern.qzl"_s));
        game.write(u"short.qzl"_s, area.chopped(5 * 3));
        game.write(u"text.qzl"_s, "{\n  \"format\": \"area\",\n  \"columns\": 20}\n");
        game.write(u"whole.qzl"_s, area);
        Run r = tool({u"check"_s, game.file(u"short.qzl"_s)});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(game.file(u"short.qzl"_s) + u": cut short: it holds 897 of the 900 cells its header "
                                                              u"gives (60 x 15)"_s),
                 qPrintable(r.out));
        // JSON text saved over an area reads as a huge header and almost no cells.
        r = tool({u"check"_s, game.file(u"text.qzl"_s)});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(u"cut short"_s), qPrintable(r.out));
        QCOMPARE(tool({u"check"_s, game.file(u"whole.qzl"_s)}).status, 0);
        r = tool({u"info"_s, game.file(u"short.qzl"_s)});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(u"cut short: it holds 897 of the 900 cells"_s), qPrintable(r.out));
    }

    void checkModFindsEachKindOfBrokenReference_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected");
        QTest::newRow("intact") << QString() << QString();
        QTest::newRow("world folder") << u"worldfolder"_s << u"warning: "_s;
        QTest::newRow("details file") << u"rm Mods/Demo Mod/Crystal Caves/Worldata.qzw"_s
                                      << u"Crystal Caves/Worldata.qzw: missing"_s;
        QTest::newRow("area file") << u"rm Mods/Demo Mod/Grassland/Tunnel.qzl"_s << u"area file \"Tunnel\" not found"_s;
        QTest::newRow("tileset") << u"rm Data/Tilesets/Cave.bmp"_s << u"tileset \"Cave\" not found"_s;
        QTest::newRow("tile information") << u"rm Data/Tilesets/Grass.qzt"_s << u"tile information \"Grass\" not found"_s;
        QTest::newRow("skin") << u"rm Data/Enemies/Night.qze"_s << u"enemy skin \"Night\" not found"_s;
        QTest::newRow("backdrop") << u"rm Data/Backdrops/Sunset.gif"_s << u"backdrop \"Sunset.gif\" not found"_s;
        QTest::newRow("music") << u"rm Data/Music/Castle.mid"_s << u"music \"Castle\" not found"_s;
        QTest::newRow("unreadable area") << u"cut Mods/Demo Mod/Grassland/Bonus.qzl"_s << u"Grassland/Bonus.qzl: "_s;
        QTest::newRow("area cut short") << u"short Mods/Demo Mod/Grassland/Bonus.qzl"_s
                                        << u"Grassland/Bonus.qzl: cut short: it holds"_s;
        QTest::newRow("tile outside") << u"tile"_s << u"show tiles outside the tileset picture"_s;
        QTest::newRow("map level") << u"node 6 tag 49"_s << u"(node 6): level 9, but the world has 3 level(s)"_s;
        QTest::newRow("map pipe") << u"node 4 tag 7"_s << u"(node 4): pipe 7: no level of the world has a pipe"_s;
        QTest::newRow("map warp") << u"node 7 warp 9"_s << u"(node 7): warp 1 leads to world 9, but the mod lists 3"_s;
        QTest::newRow("map link") << u"node 1 right 20"_s << u"(node 1): right link names node 20"_s;
        QTest::newRow("map picture") << u"node 2 image 40"_s << u"(node 2): picture 40, but MapObjects.bmp holds"_s;
    }
    void checkModFindsEachKindOfBrokenReference()
    {
        QFETCH(QString, change);
        QFETCH(QString, expected);
        TempGame game;
        game.copyGame(kDemo);  // a copy to break on purpose
        game.copyPictures(kDemo);
        const QString mapFile = u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s;
        const QStringList words = change.split(u' ');
        if (change.startsWith(u"rm "_s)) {
            QVERIFY(QFile::remove(game.file(change.mid(3))));
        } else if (change.startsWith(u"cut "_s)) {
            game.write(change.mid(4), "\xff\x01");
        } else if (change.startsWith(u"short "_s)) {
            game.write(change.mid(6), game.read(change.mid(6)).chopped(7));
        } else if (change == u"worldfolder"_s) {
            game.write(u"Mods/Demo Mod/Worlds.inf"_s, "Grassland\r\nCrystal Caves\r\nNowhere\r\n");
        } else if (change == u"tile"_s) {
            tessaforge::oLevel a;
            QVERIFY(a.LoadFromFile(game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s)).ok());
            a.SetTile(3, 4, 200, 0);
            QVERIFY(a.SaveToFile(game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s)).ok());
        } else if (words.value(0) == u"node"_s) {
            tessaforge::oWorldMap m;
            QVERIFY(m.loadMap(game.file(mapFile)).ok());
            const int id = words[1].toInt(), v = words[3].toInt();
            if (words[2] == u"tag"_s) m.setNodeTag(id, quint8(v));
            if (words[2] == u"warp"_s) m.warpSetExitWorld(id, quint8(v));
            if (words[2] == u"right"_s) m.setRightNode(id, quint8(v));
            if (words[2] == u"image"_s) m.setNodeImage(id, quint8(v));
            QVERIFY(m.saveMap(game.file(mapFile)).ok());
        }
        const Run r = tool({u"check"_s, u"--mod"_s, game.file(u"Mods/Demo Mod"_s)});
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QStringList problems;
        for (const QString &l : lines)
            if (!l.startsWith(u"warning: "_s))
                problems << l;
        if (expected.isEmpty()) {
            QVERIFY2(problems.isEmpty(), qPrintable(r.out));
            QCOMPARE(r.status, 0);
            return;
        }
        if (expected == u"warning: "_s) {
            QVERIFY2(r.out.contains(u"Nowhere: the world folder does not exist yet"_s), qPrintable(r.out));
            QCOMPARE(r.status, 0);
            QCOMPARE(tool({u"check"_s, u"--mod"_s, game.file(u"Mods/Demo Mod"_s), u"--strict"_s}).status, 1);
            return;
        }
        // One line per level that holds the broken reference, and nothing else.
        QVERIFY(!problems.isEmpty());
        for (const QString &p : problems) {
            QVERIFY2(p.contains(expected), qPrintable(r.out));
            QVERIFY2(p.startsWith(game.path()), qPrintable(p));
        }
        QCOMPARE(r.status, 1);
    }

    // What a mod uses beyond its own worlds: the enemy pictures its skins name, the map's
    // pictures, each tileset's tile information; each fault reported once, however many levels
    // share the file, at its place and with a fix.
    void checkModFindsPicturesGridsAndLeftoversOnce()
    {
        TempGame game;
        game.copyGame(kDemo);
        game.copyPictures(kDemo);
        const QString grassland = u"Mods/Demo Mod/Grassland/"_s;
        // The night skin (three levels in two worlds) loses a picture; the standard skin names
        // one with a folder and one that skinloft does not list.
        QVERIFY(QFile::remove(game.file(u"wisp_night.bmp"_s)));
        skinloft::EnemySkin standard;
        QVERIFY(skinloft::mEnemySkinFile::LoadEnemySkin(standard, game.file(u"Data/Enemies/Standard.qze"_s)).ok());
        standard.Fields[2] = "art\\hardback.bmp";
        standard.Fields[3] = "  shell.PNG ";
        game.write(u"Shell.png"_s, "not looked at");
        QVERIFY(skinloft::mEnemySkinFile::SaveEnemySkin(standard, game.file(u"Data/Enemies/Standard.qze"_s)).ok());
        // Grass (three levels in two mods) gets a grid of 8 x 4 for its 8 x 8 tiles; Cave's is
        // cut short.
        game.write(u"Data/Tilesets/Grass.qzt"_s, QByteArray("\x07\x03", 2) + QByteArray(32, '\x01'));
        game.write(u"Data/Tilesets/Cave.qzt"_s, game.read(u"Data/Tilesets/Cave.qzt"_s).chopped(4));
        // Both levels of Crystal Caves use Cavern: a tile outside the tileset is one finding.
        tessaforge::oLevel cavern;
        QVERIFY(cavern.LoadFromFile(game.file(u"Mods/Demo Mod/Crystal Caves/Cavern.qzl"_s)).ok());
        cavern.SetTile(5, 7, 3, 9);
        cavern.SetTile(6, 7, 3, 9);
        QVERIFY(cavern.SaveToFile(game.file(u"Mods/Demo Mod/Crystal Caves/Cavern.qzl"_s)).ok());
        // The map's pictures go; an area no level uses.
        QVERIFY(QFile::remove(game.file(grassland + u"MapObjects.bmp"_s)));
        QVERIFY(QFile::remove(game.file(grassland + u"Worldmap.gif"_s)));
        game.write(grassland + u"Extra.QZL"_s, game.read(grassland + u"Bonus.qzl"_s));

        const CheckReport report = checkMod(game.file(u"Mods/Demo Mod"_s));
        const QString lines = allLines(report);
        auto one = [&](const QString &fileEnd, const QString &says) {
            const std::vector<Finding> found = findingsAbout(report, fileEnd, says);
            if (found.size() != 1)
                qWarning("%s", qPrintable(lines));
            return found.size() == 1 ? found.front() : Finding{Severity::Problem, {}, {}, u"<none>"_s, {}};
        };

        Finding f = one(u"Data/Enemies/Night.qze"_s, u"picture \"wisp_night.bmp\" not found"_s);
        QCOMPARE(f.severity, Severity::Problem);
        QCOMPARE(f.place.enemy, 8);
        QCOMPARE(f.place.enemyType, u"Little Wisp"_s);
        QVERIFY(f.fix.contains(u"skinloft"_s));
        f = one(u"Data/Enemies/Standard.qze"_s, u"picture \"art\\hardback.bmp\" is not a plain file name"_s);
        QCOMPARE(f.place.enemy, 3);
        f = one(u"Data/Enemies/Standard.qze"_s, u"picture \"shell.PNG\" is neither a .bmp nor a .gif"_s);
        QCOMPARE(f.severity, Severity::Warning);
        QCOMPARE(f.place.enemyType, u"Green Shellback"_s);
        // A name in other letter case than the file, as skins made on Windows hold, is found.
        QVERIFY2(!lines.contains(u"Trudgel_Night.BMP"_s), qPrintable(lines));

        f = one(u"Data/Tilesets/Grass.qzt"_s, u"its grid is 8 x 4 tiles, but Grass.bmp holds 8 x 8 tiles"_s);
        QCOMPARE(f.severity, Severity::Problem);
        QVERIFY(f.fix.contains(u"tilemarrow"_s));
        one(u"Data/Tilesets/Cave.qzt"_s, u"cut short: it holds 60 of the 64 tiles its header gives (8 x 8)"_s);

        f = one(u"Crystal Caves/Cavern.qzl"_s, u"2 cell(s) show tiles outside the tileset picture (8 x 8 tiles), "
                                               u"first cell (5, 7) shows tile (3, 9)"_s);
        QCOMPARE(f.place.cell, QPoint(5, 7));
        QCOMPARE(f.place.level, 1);
        QCOMPARE(f.place.levelName, u"Shimmer Hall"_s);

        f = one(grassland + u"MapObjects.bmp"_s, u"missing, but 6 node(s) of Worldmap.qzm show pictures from it"_s);
        QCOMPARE(f.severity, Severity::Problem);
        QCOMPARE(f.place.node, 1);
        f = one(grassland + u"Worldmap.gif"_s, u"missing: the world map's picture"_s);
        QCOMPARE(f.severity, Severity::Problem);

        for (const QString &leftover : {u"Extra.QZL"_s, u"Spare.old.qzl"_s}) {
            f = one(grassland + leftover, u"no level of the world uses this area file"_s);
            QCOMPARE(f.severity, Severity::Warning);
        }
        QVERIFY(findingsAbout(report, u"Bonus.qzl"_s, QString()).empty());

        // Nothing else: the intact files pass.
        QCOMPARE(report.count(Severity::Problem), 7);
        QCOMPARE(report.count(Severity::Warning), 4);  // the two leftovers, shell.PNG, Lava Land
        QCOMPARE(report.exitStatus(false), 1);

        // Without pictures on its nodes the map needs no strip, but its editor does not open.
        tessaforge::oWorldMap map;
        QVERIFY(map.loadMap(game.file(grassland + u"Worldmap.qzm"_s)).ok());
        for (int id = 1; id <= map.nodeCount(); ++id)
            map.setNodeImage(id, 0);
        QVERIFY(map.saveMap(game.file(grassland + u"Worldmap.qzm"_s)).ok());
        const CheckReport plain = checkMod(game.file(u"Mods/Demo Mod"_s));
        QCOMPARE(findingsAbout(plain, grassland + u"MapObjects.bmp"_s, u"missing"_s).size(), size_t(1));
        QCOMPARE(findingsAbout(plain, grassland + u"MapObjects.bmp"_s, u"missing"_s).front().severity,
                 Severity::Warning);
    }

    // A world list of many lines that repeat a few folders: each folder is checked once, and
    // each repetition is one warning, whatever the number of lines.
    void checkModChecksEachListedWorldFolderOnce()
    {
        TempGame game;
        game.copyGame(kDemo);
        game.copyPictures(kDemo);
        tessaforge::oLevel bonus;
        QVERIFY(bonus.LoadFromFile(game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s)).ok());
        bonus.SetTile(3, 4, 200, 0);
        QVERIFY(bonus.SaveToFile(game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s)).ok());
        // Lines 1 to 5: two spellings of Grassland, Crystal Caves with and without a trailing
        // separator, a world not made yet; then 40000 times over.
        QByteArray list;
        for (int k = 0; k < 40000; ++k)
            list += "Grassland\r\ngrassland\r\nCrystal Caves\\\r\nCrystal Caves\r\nNowhere\r\n";
        game.write(u"Mods/Demo Mod/Worlds.inf"_s, list + ".\r\n");

        const CheckReport report = checkMod(game.file(u"Mods/Demo Mod"_s));
        QCOMPARE(findingsAbout(report, u"Bonus.qzl"_s, u"show tiles outside"_s).size(), size_t(1));
        QCOMPARE(findingsAbout(report, u"Nowhere"_s, u"does not exist yet"_s).size(), size_t(1));
        const std::vector<Finding> repeats = findingsAbout(report, u"Worlds.inf"_s, u"again"_s);
        QCOMPARE(repeats.size(), size_t(3));
        QCOMPARE(repeats[0].place.world, 2);  // "grassland" is Grassland again
        QVERIFY2(repeats[0].message.startsWith(u"names world 1's folder again (\"Grassland\"), as do 79998 more "
                                               u"line(s) (worlds 6, 7, 11, 12, 16, 17, 21, 22, ...)"_s),
                 qPrintable(repeats[0].message));
        QCOMPARE(repeats[1].place.world, 4);
        QVERIFY(repeats[1].message.startsWith(u"names world 3's folder again (\"Crystal Caves\\\"), as do 79998 "_s));
        QCOMPARE(repeats[2].place.world, 10);
        QVERIFY(repeats[2].message.startsWith(u"names world 5's folder again (\"Nowhere\"), as do 39998 "_s));
        for (const Finding &f : repeats)
            QCOMPARE(f.severity, Severity::Warning);
        QCOMPARE(qsizetype(report.findings.size()), 1 + 1 + 3 + 1);  // and Spare.old.qzl left over
    }

    // One world of the mod, as the world editor checks its open world: of the list only the
    // lines naming that world, and files held in memory in place of the disk's.
    void checkModOfOneWorld()
    {
        TempGame game;
        game.copyGame(kDemo);
        game.copyPictures(kDemo);
        game.write(u"Mods/Demo Mod/Worlds.inf"_s, "Grassland\r\nCrystal Caves\r\ngrassland\r\nNowhere\r\n../Out\r\n");
        QVERIFY(QFile::remove(game.file(u"Data/Music/Castle.mid"_s)));  // both worlds name it
        const QString caves = game.file(u"Mods/Demo Mod/Crystal Caves"_s);
        tessaforge::WorldDetails details;
        QVERIFY(tessaforge::mWorldData::LoadWorldData(details, caves + u"/Worldata.qzw"_s).ok());
        QVERIFY(QFile::remove(caves + u"/Worldata.qzw"_s));  // not saved yet
        details.Levels[0].sMusic = "Overworld";
        details.Levels[1].sTileset = "Marble";
        QByteArray held;
        QVERIFY(tessaforge::mWorldData::encode(details, held).ok());

        ModCheckOptions grassland;
        grassland.world = game.file(u"Mods/Demo Mod/Grassland"_s);
        const CheckReport report = checkMod(game.file(u"Mods/Demo Mod"_s), grassland);
        QCOMPARE(findingsAbout(report, u"Grassland/Worldata.qzw"_s, u"music \"Castle\" not found"_s).size(), size_t(1));
        const std::vector<Finding> again = findingsAbout(report, u"Worlds.inf"_s, u"again"_s);
        QCOMPARE(again.size(), size_t(1));
        QCOMPARE(again.front().place.world, 3);
        QCOMPARE(qsizetype(report.findings.size()), 1 + 1 + 1);  // and Spare.old.qzl left over

        ModCheckOptions cavesHeld;
        cavesHeld.world = caves;
        cavesHeld.content.insert(caves + u"/Worldata.qzw"_s, held);
        const CheckReport inMemory = checkMod(game.file(u"Mods/Demo Mod"_s), cavesHeld);
        QVERIFY2(findingsAbout(inMemory, u"Worldata.qzw"_s, u"missing"_s).empty(), qPrintable(allLines(inMemory)));
        const std::vector<Finding> marble = findingsAbout(inMemory, u"Crystal Caves/Worldata.qzw"_s, u"tileset \"Marble\""_s);
        QCOMPARE(marble.size(), size_t(1));
        QCOMPARE(marble.front().place.level, 2);
        QCOMPARE(findingsAbout(inMemory, u"Worldata.qzw"_s, u"Castle"_s).size(), size_t(1));  // level 2's only
        QVERIFY(findingsAbout(inMemory, u"Grassland"_s, QString()).empty());

        // A world the list no longer names is checked all the same, and the list's omission said.
        game.write(u"Mods/Demo Mod/Worlds.inf"_s, "Grassland\r\n");
        const CheckReport unlisted = checkMod(game.file(u"Mods/Demo Mod"_s), cavesHeld);
        QCOMPARE(findingsAbout(unlisted, u"Worlds.inf"_s, u"names no line for the world folder"_s).size(), size_t(1));
        QCOMPARE(findingsAbout(unlisted, u"Worldata.qzw"_s, u"tileset \"Marble\""_s).size(), size_t(1));
    }

    // check --json: the same findings and exit status as the text, as a JSON object.
    void checkJsonReportReadsBack()
    {
        TempGame game;
        game.copyGame(kDemo);
        game.copyPictures(kDemo);
        tessaforge::oLevel bonus;
        QVERIFY(bonus.LoadFromFile(game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s)).ok());
        bonus.SetTile(3, 4, 200, 0);
        QVERIFY(bonus.SaveToFile(game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s)).ok());
        // Names that need escaping in JSON: the mod's folder, a listed world.
        const QString modName = u"Demo \"Mod\" \\\t"_s;
        QVERIFY(QDir(game.file(u"Mods"_s)).rename(u"Demo Mod"_s, modName));
        game.write(u"Mods/"_s + modName + u"/Worlds.inf"_s, "Grassland\r\nOdd \"World\" \x01\r\n.\r\n");

        const QStringList args{u"check"_s, u"--mod"_s, game.file(u"Mods/"_s + modName)};
        const Run text = tool(args);
        const Run json = tool(args + QStringList{u"--json"_s});
        QCOMPARE(text.status, 1);
        QCOMPARE(json.status, text.status);
        QJsonParseError error{};
        const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + u"\n"_s + json.out));
        const QJsonArray findings = o[u"findings"_s].toArray();
        QCOMPARE(findings.size(), text.out.count(u'\n'));
        int problems = 0, warnings = 0;
        bool sawCell = false, sawOdd = false;
        for (const QJsonValue &v : findings) {
            const QJsonObject f = v.toObject();
            QVERIFY(!f[u"file"_s].toString().isEmpty());
            QVERIFY(!f[u"message"_s].toString().isEmpty());
            const QString severity = f[u"severity"_s].toString();
            problems += severity == u"problem"_s;
            warnings += severity == u"warning"_s;
            if (f.contains(u"cell"_s)) {
                sawCell = true;
                QCOMPARE(f[u"cell"_s].toArray(), QJsonArray({3, 4}));
                QCOMPARE(f[u"level"_s].toInt(), 3);
                QCOMPARE(f[u"levelName"_s].toString(), u"Bonus Room"_s);
                QVERIFY(f[u"file"_s].toString().endsWith(u"Grassland/Bonus.qzl"_s));
                QVERIFY(f[u"message"_s].toString().contains(u"show tiles outside the tileset picture"_s));
                QVERIFY(!f[u"fix"_s].toString().isEmpty());
            }
            QVERIFY(f[u"file"_s].toString().startsWith(game.file(u"Mods/"_s + modName)));
            if (f[u"file"_s].toString().endsWith(u"Odd \"World\" \x01"_s)) {
                sawOdd = true;
                QCOMPARE(severity, u"warning"_s);
            }
        }
        QVERIFY(sawCell && sawOdd);
        const QJsonObject counts = o[u"counts"_s].toObject();
        QCOMPARE(counts[u"problems"_s].toInt(), problems);
        QCOMPARE(counts[u"warnings"_s].toInt(), warnings);
        QCOMPARE(counts[u"unreadable"_s].toInt(), 0);
        QCOMPARE(tool(args + QStringList{u"--json"_s, u"--strict"_s}).status, 1);

        // Single files: an unreadable one, one that does not read, one of no known type.
        game.write(u"cut.qzw"_s, readRaw(demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s)).left(40));
        const Run files = tool({u"check"_s, u"--json"_s, game.file(u"cut.qzw"_s), game.file(u"none.qzl"_s),
                                game.file(u"cut.qzw"_s) + u".bin"_s});
        QCOMPARE(files.status, 2);
        const QJsonObject fo = QJsonDocument::fromJson(files.out.toUtf8()).object();
        const QJsonArray ff = fo[u"findings"_s].toArray();
        QCOMPARE(ff.size(), 3);
        QCOMPARE(ff[0][u"severity"_s].toString(), u"problem"_s);
        QCOMPARE(ff[0][u"file"_s].toString(), game.file(u"cut.qzw"_s));
        QCOMPARE(ff[1][u"severity"_s].toString(), u"unreadable"_s);
        QCOMPARE(ff[2][u"message"_s].toString(), u"cannot tell the file's type from its name: give --type"_s);
        QCOMPARE(fo[u"counts"_s][u"unreadable"_s].toInt(), 1);
        QVERIFY(files.err.isEmpty());
        const Run clean = tool({u"check"_s, u"--json"_s, demo(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s)});
        QCOMPARE(clean.status, 0);
        QCOMPARE(QJsonDocument::fromJson(clean.out.toUtf8())[u"findings"_s].toArray().size(), 0);
    }

    // A mod kept outside the game folder is checked against the game given with --game.
    void checkModAgainstAGameFolderElsewhere()
    {
        QTemporaryDir elsewhere;
        const QString mod = elsewhere.filePath(u"work/Demo Mod"_s);
        copyFolder(demo(u"Mods/Demo Mod"_s), mod);

        // Without it, one problem says so, not one per reference into a Data/ that is not there.
        Run r = tool({u"check"_s, u"--mod"_s, mod});
        QCOMPARE(r.status, 1);
        QStringList problems;
        for (const QString &line : r.out.split(u'\n', Qt::SkipEmptyParts))
            if (!line.startsWith(u"warning: "_s))
                problems << line;
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].startsWith(mod + u": not inside a game folder's Mods/"_s), qPrintable(r.out));
        QVERIFY(problems[0].contains(u"give --game DIR"_s));

        r = tool({u"check"_s, u"--mod"_s, mod, u"--game"_s, kDemo});
        QVERIFY2(r.status == 0, qPrintable(r.out));
        // The game's own files are what is checked: a skin's picture missing from that game.
        TempGame game;
        game.copyGame(kDemo);
        game.copyPictures(kDemo);
        QVERIFY(QFile::remove(game.file(u"hardback.bmp"_s)));
        r = tool({u"check"_s, u"--mod"_s, mod, u"--game"_s, game.path()});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(game.file(u"Data/Enemies/Standard.qze"_s)
                                + u" (enemy 3 \"Hardback Beetle\"): picture \"hardback.bmp\" not found"_s),
                 qPrintable(r.out));

        // A folder that is not a game folder is refused, plainly.
        for (const QString &notGame : {elsewhere.filePath(u"work"_s), elsewhere.filePath(u"none"_s)}) {
            r = tool({u"check"_s, u"--mod"_s, mod, u"--game"_s, notGame});
            QCOMPARE(r.status, 2);
            QVERIFY2(r.out.startsWith(notGame + u": not a"_s), qPrintable(r.out));
        }
        r = tool({u"check"_s, u"--mod"_s, mod, u"--game"_s, elsewhere.filePath(u"work"_s), u"--json"_s});
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.contains(u"not a game folder: it holds no Data folder"_s));
        QCOMPARE(tool({u"check"_s, demo(u"Data/Enemies/Night.qze"_s), u"--game"_s, kDemo}).status, 2);

        // render finds a tileset by name in that game too.
        const QString area = mod + u"/Grassland/Bonus.qzl"_s, png = elsewhere.filePath(u"bonus.png"_s);
        r = tool({u"render"_s, area, u"--tileset"_s, u"Grass"_s, u"--zoom"_s, u"8"_s, u"-o"_s, png});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(u"tileset not found"_s));
        QCOMPARE(tool({u"render"_s, area, u"--tileset"_s, u"Grass"_s, u"--zoom"_s, u"8"_s, u"--game"_s, kDemo, u"-o"_s,
                       png})
                     .status,
                 0);
        QCOMPARE(QImage(png).size(), QSize(20 * 8, 15 * 8));
        r = tool({u"render"_s, area, u"--tileset"_s, u"Grass"_s, u"--game"_s, elsewhere.filePath(u"work"_s), u"-o"_s,
                  png});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(u"not a game folder"_s));
    }

    void renderDrawsTheWholeAreaAndNothingElse()
    {
        TempGame game;
        const QString area = demo(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s);
        const QString png = game.file(u"bonus.png"_s), bmp = game.file(u"bonus.bmp"_s);
        QCOMPARE(tool({u"render"_s, area, u"--tileset"_s, u"Grass"_s, u"--zoom"_s, u"8"_s, u"-o"_s, png}).status, 0);
        QCOMPARE(tool({u"render"_s, area, u"--tileset"_s, demo(u"Data/Tilesets/Grass.bmp"_s), u"--zoom"_s, u"8"_s,
                     u"--background"_s, u"#102030"_s, u"-o"_s, bmp})
                     .status,
                 0);
        const QImage a(png), b(bmp);
        QCOMPARE(a.size(), QSize(20 * 8, 15 * 8));
        QCOMPARE(b.size(), a.size());
        // Where the PNG is see-through the BMP shows the background; elsewhere they agree.
        int clear = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                if (qAlpha(a.pixel(x, y)) == 0) {
                    ++clear;
                    QCOMPARE(b.pixel(x, y), qRgb(0x10, 0x20, 0x30));
                } else {
                    QCOMPARE(qAlpha(a.pixel(x, y)), 255);
                    QCOMPARE(b.pixel(x, y) | 0xff000000u, a.pixel(x, y));
                }
            }
        QVERIFY(clear > 0 && clear < a.width() * a.height());

        // Refusals write nothing.
        for (const QStringList &args : {QStringList{u"--zoom"_s, u"12"_s}, {u"--layers"_s, u"tiles,clouds"_s},
                                        {u"--tileset"_s, u"NoSuch"_s}, {u"--background"_s, u"nocolour"_s}}) {
            const QString out = game.file(u"no.png"_s);
            const Run r = tool(QStringList{u"render"_s, area, u"--tileset"_s, u"Grass"_s} + args + QStringList{u"-o"_s, out});
            QCOMPARE(r.status, 2);
            QVERIFY(!r.err.isEmpty());
            QVERIFY(!QFileInfo::exists(out));
        }
        QCOMPARE(tool({u"render"_s, area, u"--tileset"_s, u"Grass"_s, u"-o"_s, game.file(u"x.bmp"_s),
                     u"--background"_s, u"transparent"_s}).status,
                 1);
        QVERIFY(!game.exists(u"x.bmp"_s));
    }
};

QTEST_MAIN(tst_vtfile)
#include "tst_vtfile.moc"
