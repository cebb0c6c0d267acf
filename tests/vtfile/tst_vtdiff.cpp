// diff and merge of the game's files, and git using them through git-setup in a real repository.

#include "FileDiff.h"
#include "Formats.h"

#include "area/oLevel.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <functional>

using namespace Qt::StringLiterals;
using namespace vtfile;

namespace {

const QString kGame = QStringLiteral(VT_DEMO_GAME_DIR);
const QString kTool = kGame + u"/vtfile"_s;
const QString kGrassland = kGame + u"/Mods/Demo Mod/Grassland/"_s;

struct Run
{
    int status = -1;
    QByteArray out, err;
};

Run run(const QString &program, const QStringList &args, const QString &folder = {})
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The file with one value of its JSON form changed: an edit as the format sees it.
QByteArray edited(Kind kind, const QByteArray &bytes, const std::function<void(QJsonObject &)> &edit)
{
    QByteArray json;
    if (!toJson(kind, bytes, json))
        return {};
    QJsonObject o = QJsonDocument::fromJson(json).object();
    edit(o);
    QByteArray out;
    if (!fromJson(kind, QJsonDocument(o).toJson(), out))
        return {};
    return out;
}

// Sets a member of an item of an array member: o[array][index][member] = value.
void setItem(QJsonObject &o, const QString &array, int index, const QString &member, const QJsonValue &value)
{
    QJsonArray items = o[array].toArray();
    QJsonObject item = items[index].toObject();
    item[member] = value;
    items[index] = item;
    o[array] = items;
}

void setCell(QByteArray &area, int column, int row, const tessaforge::AreaCell &cell)
{
    const auto h = tessaforge::areabytes::header(area);
    const qsizetype at = tessaforge::oLevel::kHeaderSize + (qsizetype(column) * (h->height + 1) + row) * 5;
    tessaforge::areabytes::putCell(cell, reinterpret_cast<uchar *>(area.data()) + at);
}

QString diffText(Kind kind, const QByteArray &a, const QByteArray &b)
{
    FileDiff diff;
    if (!diffFiles(kind, a, b, diff))
        return u"(no diff)"_s;
    return QString::fromUtf8(vtfile::diffText(diff));
}

QString conflicts(const FileMerge &m)
{
    return QString::fromUtf8(vtfile::conflictText(m));
}

const QByteArray kControlsJson =
    R"({"format": "controls", "KeyRunCarry": 42, "KeyUsePowerup": 57, "KeyJump": 30, "KeyReleaseItem": 31,
        "KeyExitLevel": 1, "KeyPause": 25, "JoyRunCarry": 1, "JoyUsePowerup": 2, "JoyJump": 3,
        "JoyReleaseItem": 4, "JoyExitLevel": 5, "JoyPause": 6, "KeyLeft": 75, "KeyRight": 77,
        "KeyDown": 80, "KeyUp": 72, "bOther": 1, "iSensX": 2500, "iSensY": 3500})";

tessaforge::AreaCell tile(int x, int y, int tag = 0)
{
    return tessaforge::AreaCell{true, quint8(x), quint8(y), tag, 0};
}

// A git repository in a temporary folder, set up by vtfile git-setup.
struct Repository
{
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    Run git(const QStringList &args) { return run(u"git"_s, args, dir.path()); }
    bool commit(const QString &message)
    {
        return git({u"add"_s, u"-A"_s}).status == 0 && git({u"commit"_s, u"-q"_s, u"-m"_s, message}).status == 0;
    }
};

} // namespace

class tst_vtdiff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFormatShowsExactlyItsEdits_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("kind");
        QTest::addColumn<std::function<void(QJsonObject &)>>("edit");
        QTest::addColumn<QString>("expected");

        QTest::newRow("world") << kGrassland + u"Worldata.qzw"_s << int(Kind::World)
                               << std::function<void(QJsonObject &)>([](QJsonObject &o) {
                                      setItem(o, u"levels"_s, 1, u"tileset"_s, u"Grass"_s);
                                      o[u"name"_s] = u"Green Valley"_s;
                                  })
                               << u"name: \"Green Hills\" -> \"Green Valley\"\n"
                                  "level 2 \"Underground\", tileset: \"Cave\" -> \"Grass\"\n"_s;
        QTest::newRow("world, a level added") << kGrassland + u"Worldata.qzw"_s << int(Kind::World)
                                              << std::function<void(QJsonObject &)>([](QJsonObject &o) {
                                                     QJsonArray levels = o[u"levels"_s].toArray();
                                                     QJsonObject extra = levels[0].toObject();
                                                     extra[u"name"_s] = u"Extra"_s;
                                                     levels.append(extra);
                                                     o[u"levels"_s] = levels;
                                                 })
                                              << u"level 4 \"Extra\": added\n"_s;
        QTest::newRow("map") << kGrassland + u"Worldmap.qzm"_s << int(Kind::Map)
                             << std::function<void(QJsonObject &)>([](QJsonObject &o) {
                                    setItem(o, u"nodes"_s, 2, u"x"_s, 7);
                                    setItem(o, u"nodes"_s, 0, u"passThru"_s, true);
                                })
                             << u"node 1, passThru: off -> on\nnode 3, x: 250 -> 7\n"_s;
        QTest::newRow("worlds") << kGame + u"/Mods/Demo Mod/Worlds.inf"_s << int(Kind::Worlds)
                                << std::function<void(QJsonObject &)>([](QJsonObject &o) {
                                       QJsonArray lines = o[u"lines"_s].toArray();
                                       lines[1] = u"Crystal Cavern"_s;
                                       o[u"lines"_s] = lines;
                                       o.remove(u"worlds"_s);
                                   })
                                << u"line 2: \"Crystal Caves\" -> \"Crystal Cavern\"\n"_s;
        QTest::newRow("tileinfo") << kGame + u"/Data/Tilesets/Grass.qzt"_s << int(Kind::TileInfo)
                                  << std::function<void(QJsonObject &)>([](QJsonObject &o) {
                                         QJsonArray grid = o[u"grid"_s].toArray();
                                         QJsonArray row = grid[1].toArray();
                                         row[2] = row[2].toInt() ^ 128;
                                         grid[1] = row;
                                         o[u"grid"_s] = grid;
                                     })
                                  << u"tile (2, 1), animated: off -> on\n"_s;
        QTest::newRow("skin") << kGame + u"/Data/Enemies/Night.qze"_s << int(Kind::Skin)
                              << std::function<void(QJsonObject &)>([](QJsonObject &o) {
                                     setItem(o, u"graphics"_s, 1, u"file"_s, u"gnasher2.bmp"_s);
                                 })
                              << u"enemy 2 \"Gnasher Plants\", file: \"gnasher.bmp\" -> \"gnasher2.bmp\"\n"_s;
        QTest::newRow("controls") << QString() << int(Kind::Controls)
                                  << std::function<void(QJsonObject &)>([](QJsonObject &o) {
                                         o[u"KeyJump"_s] = 44;
                                         o[u"iSensY"_s] = -5;
                                     })
                                  << u"KeyJump: 30 -> 44\niSensY: 3500 -> -5\n"_s;
    }

    void everyFormatShowsExactlyItsEdits()
    {
        QFETCH(QString, file);
        QFETCH(int, kind);
        QFETCH(std::function<void(QJsonObject &)>, edit);
        QFETCH(QString, expected);
        const Kind k = Kind(kind);
        QByteArray bytes = file.isEmpty() ? QByteArray() : readAll(file);
        if (file.isEmpty())
            QVERIFY(fromJson(k, kControlsJson, bytes));
        QVERIFY(!bytes.isEmpty());

        FileDiff same;
        QVERIFY(diffFiles(k, bytes, bytes, same));
        QVERIFY(same.equal());
        QCOMPARE(diffText(k, bytes, bytes), QString());

        const QByteArray after = edited(k, bytes, edit);
        QVERIFY(!after.isEmpty());
        QCOMPARE(diffText(k, bytes, after), expected);
    }

    void areaCellsComeInRectanglesOfOneChange()
    {
        const QByteArray before = readAll(kGrassland + u"Meadow.qzl"_s);
        QVERIFY(!before.isEmpty());
        QByteArray after = before;
        for (int c = 3; c <= 7; ++c)
            for (int r = 0; r <= 1; ++r)
                setCell(after, c, r, tile(9, 9));
        setCell(after, 5, 1, tile(9, 9, 4));  // one cell of the block differs
        setCell(after, 40, 3, tile(1, 2));
        after[9] = 7;  // time, low byte
        after[10] = 0;

        const Run equal = run(kTool, {u"diff"_s, kGrassland + u"Meadow.qzl"_s, kGrassland + u"Meadow.qzl"_s});
        QCOMPARE(equal.status, 0);
        QVERIFY(equal.out.isEmpty());

        QTemporaryDir dir;
        QVERIFY(writeAll(dir.filePath(u"Meadow.qzl"_s), after));
        const Run r = run(kTool, {u"diff"_s, kGrassland + u"Meadow.qzl"_s, dir.filePath(u"Meadow.qzl"_s)});
        QCOMPARE(r.status, 1);
        QCOMPARE(QString::fromUtf8(r.out), u"time: 300 -> 7\n"
                                           "11 cells changed:\n"
                                           "  columns 3-4, rows 0-1 (4 cells): empty -> tile (9, 9)\n"
                                           "  column 5, row 0: empty -> tile (9, 9)\n"
                                           "  column 5, row 1: empty -> tile (9, 9), tag 4\n"
                                           "  columns 6-7, rows 0-1 (4 cells): empty -> tile (9, 9)\n"
                                           "  column 40, row 3: empty -> tile (1, 2)\n"_s);

        const Run json = run(kTool, {u"diff"_s, u"--json"_s, kGrassland + u"Meadow.qzl"_s, dir.filePath(u"Meadow.qzl"_s)});
        QCOMPARE(json.status, 1);
        const QJsonObject o = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(o[u"equal"_s].toBool(true), false);
        QCOMPARE(o[u"cells"_s][u"changed"_s].toInt(), 11);
        const QJsonObject first = o[u"cells"_s][u"rectangles"_s][0].toObject();
        QCOMPARE(first[u"columns"_s].toArray(), (QJsonArray{3, 4}));
        QCOMPARE(first[u"after"_s].toObject(), (QJsonObject{{u"tile"_s, QJsonArray{9, 9}}}));

        // The picture: area B with its changed cells outlined, the tileset found through the
        // world details beside it.
        const QString picture = dir.filePath(u"changes.png"_s);
        const Run drawn = run(kTool, {u"diff"_s, dir.filePath(u"Meadow.qzl"_s), kGrassland + u"Meadow.qzl"_s,
                                      u"--picture"_s, picture});
        QCOMPARE(drawn.status, 1);
        const QImage image(picture);
        QCOMPARE(image.size(), QSize(120 * 8, 15 * 8));
        QCOMPARE(image.pixelColor(3 * 8 + 1, 0 * 8 + 1), QColor(255, 0, 200));  // the outline
        QVERIFY(image.pixelColor(20 * 8 + 1, 0 * 8 + 1) != QColor(255, 0, 200));
    }

    void mergeTakesEachSidesPlacesAndListsTheClashes()
    {
        const QByteArray base = readAll(kGrassland + u"Meadow.qzl"_s);
        QByteArray ours = base, theirs = base, both = base;
        setCell(ours, 2, 2, tile(1, 1));
        setCell(both, 2, 2, tile(1, 1));
        setCell(theirs, 30, 5, tile(3, 3));
        setCell(both, 30, 5, tile(3, 3));
        theirs[9] = both[9] = 9;
        theirs[10] = both[10] = 0;
        FileMerge m;
        QVERIFY(mergeFiles(Kind::Area, base, ours, theirs, m));
        QVERIFY(m.clean());
        QCOMPARE(m.merged, both);

        // One side makes the area wider, the other paints inside it: the wider area, painted.
        tessaforge::oLevel wider;
        QVERIFY(tessaforge::decode(base, wider));
        QVERIFY(wider.Resize(130, 15));
        wider.SetTile(125, 3, 8, 8);
        QByteArray widerBytes;
        QVERIFY(tessaforge::encode(wider, widerBytes));
        QVERIFY(mergeFiles(Kind::Area, base, ours, widerBytes, m));
        QVERIFY(m.clean());
        wider.SetCell(2, 2, tile(1, 1));
        QVERIFY(tessaforge::encode(wider, widerBytes));
        QCOMPARE(m.merged, widerBytes);

        // Theirs paints over ours at one cell, and also makes the area smaller than a cell ours
        // painted.
        setCell(theirs, 2, 2, tile(4, 4));
        setCell(ours, 118, 1, tile(5, 5));
        tessaforge::oLevel smaller;
        QVERIFY(tessaforge::decode(theirs, smaller));
        QVERIFY(smaller.Resize(100, 15));
        QVERIFY(tessaforge::encode(smaller, theirs));
        QVERIFY(mergeFiles(Kind::Area, base, ours, theirs, m));
        QVERIFY(!m.clean());
        QVERIFY(m.merged.isEmpty());
        QCOMPARE(conflicts(m), u"column 2, row 2: base empty, ours tile (1, 1), theirs tile (4, 4)\n"
                                  "column 118, row 1: base empty, ours tile (5, 5), theirs outside the grid\n"_s);

        // Bytes past the grid stay; cells both sides cut off are no clash.
        QByteArray tailed = base + QByteArray("notes");
        QByteArray oursTailed = tailed, theirsTailed = tailed;
        setCell(oursTailed, 0, 0, tile(1, 1));
        setCell(theirsTailed, 119, 14, tile(2, 2));
        QVERIFY(mergeFiles(Kind::Area, tailed, oursTailed, theirsTailed, m));
        QVERIFY(m.clean());
        QVERIFY(m.merged.endsWith("notes"));
        QCOMPARE(m.merged.size(), tailed.size());
        tessaforge::oLevel narrow, short_;
        QVERIFY(tessaforge::decode(base, narrow) && tessaforge::decode(base, short_));
        QVERIFY(narrow.Resize(100, 15) && short_.Resize(120, 10));
        QByteArray narrowBytes, shortBytes;
        QVERIFY(tessaforge::encode(narrow, narrowBytes) && tessaforge::encode(short_, shortBytes));
        QVERIFY(mergeFiles(Kind::Area, base, narrowBytes, shortBytes, m));
        QVERIFY2(m.clean(), qPrintable(conflicts(m)));
        QCOMPARE(tessaforge::areabytes::header(m.merged)->width, 99);
        QCOMPARE(tessaforge::areabytes::header(m.merged)->height, 9);

        // A world: one level's tileset on our side, another's music on theirs; then the same
        // field both ways.
        const QByteArray world = readAll(kGrassland + u"Worldata.qzw"_s);
        const QByteArray oursWorld = edited(Kind::World, world, [](QJsonObject &o) {
            setItem(o, u"levels"_s, 0, u"tileset"_s, u"Cave"_s);
        });
        const QByteArray theirsWorld = edited(Kind::World, world, [](QJsonObject &o) {
            setItem(o, u"levels"_s, 2, u"music"_s, u"boss"_s);
        });
        QVERIFY(mergeFiles(Kind::World, world, oursWorld, theirsWorld, m));
        QVERIFY(m.clean());
        QCOMPARE(diffText(Kind::World, world, m.merged),
                 u"level 1 \"Meadow Run\", tileset: \"Grass\" -> \"Cave\"\n"
                 "level 3 \"Bonus Room\", music: \"Overworld\" -> \"boss\"\n"_s);
        const QByteArray clash = edited(Kind::World, world, [](QJsonObject &o) {
            setItem(o, u"levels"_s, 0, u"tileset"_s, u"Night"_s);
        });
        QVERIFY(mergeFiles(Kind::World, world, oursWorld, clash, m));
        QCOMPARE(conflicts(m), u"level 1 \"Meadow Run\", tileset: base \"Grass\", ours \"Cave\", theirs \"Night\"\n"_s);

        // A map: a node added on one side, another node moved on the other.
        const QByteArray map = readAll(kGrassland + u"Worldmap.qzm"_s);
        const QByteArray oursMap = edited(Kind::Map, map, [](QJsonObject &o) {
            QJsonArray nodes = o[u"nodes"_s].toArray();
            nodes.append(nodes[0]);
            o[u"nodes"_s] = nodes;
        });
        const QByteArray theirsMap = edited(Kind::Map, map, [](QJsonObject &o) { setItem(o, u"nodes"_s, 1, u"y"_s, 5); });
        QVERIFY(mergeFiles(Kind::Map, map, oursMap, theirsMap, m));
        QVERIFY(m.clean());
        QVERIFY(diffText(Kind::Map, map, m.merged).startsWith(u"node 2, y: "_s));
        QVERIFY(diffText(Kind::Map, map, m.merged).contains(u"node 8: added\n"_s));

        // A link to a node the other side removed is a clash, not a link into nothing.
        const QByteArray fewerNodes = edited(Kind::Map, map, [](QJsonObject &o) {
            QJsonArray nodes = o[u"nodes"_s].toArray();
            nodes.removeLast();
            o[u"nodes"_s] = nodes;
        });
        const QByteArray linkToLast = edited(Kind::Map, map, [](QJsonObject &o) { setItem(o, u"nodes"_s, 0, u"up"_s, 7); });
        QVERIFY(mergeFiles(Kind::Map, map, fewerNodes, linkToLast, m));
        QCOMPARE(conflicts(m), u"node 1, up: base 0, ours 0, theirs 7\n"_s);
    }

    void gitDiffsAndMergesAreasThroughVtfile()
    {
        if (run(u"git"_s, {u"--version"_s}).status != 0)
            QSKIP("git is not installed");
        Repository repo;
        QVERIFY(repo.git({u"init"_s, u"-q"_s, u"-b"_s, u"main"_s}).status == 0);
        repo.git({u"config"_s, u"user.email"_s, u"modder@example.org"_s});
        repo.git({u"config"_s, u"user.name"_s, u"Modder"_s});

        const Run setup = run(kTool, {u"git-setup"_s}, repo.dir.path());
        QCOMPARE(setup.status, 0);
        QVERIFY(setup.out.contains("*.[qQ][zZ][lL] -text diff=vtfile merge=vtfile"));
        QVERIFY(setup.out.contains("merge.vtfile.driver = '" + kTool.toUtf8() + "' merge-driver %O %A %B %P"));
        const QByteArray attributes = readAll(repo.path(u".gitattributes"_s));
        // A second run adds nothing.
        QCOMPARE(run(kTool, {u"git-setup"_s, repo.dir.path()}).status, 0);
        QCOMPARE(readAll(repo.path(u".gitattributes"_s)), attributes);

        const QByteArray base = readAll(kGrassland + u"Meadow.qzl"_s);
        QVERIFY(writeAll(repo.path(u"Meadow.qzl"_s), base));
        QVERIFY(repo.commit(u"base"_s));

        // Two branches paint different corners.
        QByteArray left = base, right = base, both = base;
        setCell(left, 1, 1, tile(2, 2));
        setCell(both, 1, 1, tile(2, 2));
        setCell(right, 100, 10, tile(3, 3));
        setCell(both, 100, 10, tile(3, 3));
        QVERIFY(repo.git({u"checkout"_s, u"-q"_s, u"-b"_s, u"right"_s}).status == 0);
        QVERIFY(writeAll(repo.path(u"Meadow.qzl"_s), right));
        const Run diff = repo.git({u"diff"_s});
        QCOMPARE(diff.status, 0);
        QCOMPARE(QString::fromUtf8(diff.out), u"vtfile diff a/Meadow.qzl b/Meadow.qzl\n"
                                              "1 cell changed:\n"
                                              "  column 100, row 10: empty -> tile (3, 3)\n"_s);
        QVERIFY(repo.commit(u"right"_s));
        QVERIFY(repo.git({u"checkout"_s, u"-q"_s, u"main"_s}).status == 0);
        QVERIFY(writeAll(repo.path(u"Meadow.qzl"_s), left));
        QVERIFY(repo.commit(u"left"_s));
        const Run merge = repo.git({u"merge"_s, u"-q"_s, u"-m"_s, u"both"_s, u"right"_s});
        QVERIFY2(merge.status == 0, merge.err.constData());
        QCOMPARE(readAll(repo.path(u"Meadow.qzl"_s)), both);

        // The same cell painted on both branches: a conflict at that cell, ours kept.
        QByteArray mine = both, theirs = both;
        setCell(mine, 50, 7, tile(6, 6));
        setCell(theirs, 50, 7, tile(7, 7));
        QVERIFY(repo.git({u"checkout"_s, u"-q"_s, u"-b"_s, u"theirs"_s}).status == 0);
        QVERIFY(writeAll(repo.path(u"Meadow.qzl"_s), theirs));
        QVERIFY(repo.commit(u"theirs"_s));
        QVERIFY(repo.git({u"checkout"_s, u"-q"_s, u"main"_s}).status == 0);
        QVERIFY(writeAll(repo.path(u"Meadow.qzl"_s), mine));
        QVERIFY(repo.commit(u"mine"_s));
        const Run clash = repo.git({u"merge"_s, u"-q"_s, u"-m"_s, u"clash"_s, u"theirs"_s});
        QVERIFY(clash.status != 0);
        QCOMPARE(repo.git({u"status"_s, u"--porcelain"_s, u"Meadow.qzl"_s}).out, QByteArray("UU Meadow.qzl\n"));
        QCOMPARE(readAll(repo.path(u"Meadow.qzl"_s)), mine);
        const QByteArray report = readAll(repo.path(u"Meadow.qzl.conflicts.txt"_s));
        QVERIFY2(report.contains("  column 50, row 7: base empty, ours tile (6, 6), theirs tile (7, 7)\n"),
                 report.constData());
        QVERIFY(clash.out.contains("column 50, row 7") || clash.err.contains("column 50, row 7"));
        QVERIFY(repo.git({u"merge"_s, u"--abort"_s}).status == 0);

        // History shows through the JSON form, and a file the game does not read does not stop it.
        QVERIFY(writeAll(repo.path(u"Broken.qzl"_s), "junk"));
        QVERIFY(repo.commit(u"broken"_s));
        const Run log = repo.git({u"log"_s, u"-p"_s});
        QCOMPARE(log.status, 0);
        QVERIFY(log.out.contains("+(vtfile cannot show this file: "));
        QVERIFY(log.out.contains(R"(+    {"tile": [6, 6]})") || log.out.contains(R"({"tile": [6, 6]})"));
    }
};

QTEST_GUILESS_MAIN(tst_vtdiff)
#include "tst_vtdiff.moc"
