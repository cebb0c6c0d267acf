// The built vtfile program as a shell runs it: real pipes, real exit statuses, a real kill.

#include "area/oLevel.h"
#include "support/RawFiles.h"
#include "support/SmallDisk.h"
#include "world/mWorldData.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kGame = QStringLiteral(VT_DEMO_GAME_DIR);
const QString kTool = kGame + u"/vtfile"_s;

QString demo(const QString &relative) { return kGame + u'/' + relative; }

struct Run
{
    int status = -1;
    QByteArray out, err;
};

Run vtfile(const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(kTool, args);
    if (!p.waitForStarted())
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString linkTarget(const QString &link)
{
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), buffer, sizeof buffer);
    return n > 0 ? QFile::decodeName(QByteArray(buffer, n)) : QString();
}

// An area of the given counts whose every cell holds a tile, so that drawing it takes time.
QByteArray fullArea(qint32 columns, qint32 rows)
{
    tessaforge::oLevel a;
    if (!a.Resize(columns, rows))
        return {};
    for (qint32 x = 0; x < columns; ++x)
        for (qint32 y = 0; y < rows; ++y)
            a.SetTile(x, y, x % 4, y % 4);
    QByteArray bytes;
    (void)tessaforge::encode(a, bytes);
    return bytes;
}

// An area with a few kinds of cells, different for each seed: tile (1, 0) with tag 4 or
// without, tile (2, 2) with enemy 3, empty cells with enemy 3.
QByteArray mixedArea(int seed)
{
    tessaforge::oLevel a;
    (void)a.Resize(30, 12);
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 12; ++y) {
            const int k = (x * 7 + y * 3 + seed) % 9;
            if (k < 3)
                a.SetTile(x, y, 1, 0);
            if (k == 1)
                (void)a.SetTileTag(x, y, 4);
            if (k == 4)
                a.SetTile(x, y, 2, 2);
            if (k == 4 || k == 6)
                (void)a.SetTileEnemy(x, y, 3);
        }
    QByteArray bytes;
    (void)tessaforge::encode(a, bytes);
    return bytes;
}

// The bytes an area takes when every cell with tile (1, 0) and no tag gets tile (5, 6) and
// enemy 7, worked out cell by cell through the area's own model.
QByteArray replacedByHand(const QByteArray &bytes)
{
    tessaforge::oLevel a;
    if (!tessaforge::decode(bytes, a))
        return {};
    for (int x = 0; x <= a.width(); ++x)
        for (int y = 0; y <= a.height(); ++y)
            if (a.IsTile(x, y) && a.xSrc(x, y) == 1 && a.ySrc(x, y) == 0 && a.TileTag(x, y) == 0) {
                a.SetTile(x, y, 5, 6);
                (void)a.SetTileEnemy(x, y, 7);
            }
    QByteArray out;
    (void)tessaforge::encode(a, out);
    return out;
}

void writeWorld(const QString &folder, const QList<QByteArray> &areaNames)
{
    tessaforge::WorldDetails w;
    for (const QByteArray &name : areaNames) {
        tessaforge::LevelRecord l;
        l.sName = name;
        l.sAreaFile = name;
        w.Levels.push_back(l);
    }
    QDir().mkpath(folder);
    QVERIFY(tessaforge::mWorldData::SaveWorldData(w, folder + u"/Worldata.qzw"_s).ok());
}

// Every file under the folder with its bytes, for before-and-after comparisons.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readRaw(path));
    }
    return files;
}

const QStringList kReplaceRule{u"--find-tile"_s, u"1,0"_s, u"--find-tag"_s, u"0"_s,
                               u"--tile"_s,      u"5,6"_s, u"--enemy"_s,    u"7"_s};

} // namespace

class tst_vtfilecli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pipesCarryEveryFormatThereAndBack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("type");
        QTest::newRow("area") << u"Mods/Demo Mod/Grassland/Meadow.qzl"_s << u"area"_s;
        QTest::newRow("world") << u"Mods/Demo Mod/Grassland/Worldata.qzw"_s << u"world"_s;
        QTest::newRow("worlds") << u"Mods/Demo Mod/Worlds.inf"_s << u"worlds"_s;
        QTest::newRow("map") << u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s << u"map"_s;
        QTest::newRow("tileinfo") << u"Data/Tilesets/Grass.qzt"_s << u"tileinfo"_s;
        QTest::newRow("skin") << u"Data/Enemies/Night.qze"_s << u"skin"_s;
    }

    void pipesCarryEveryFormatThereAndBack()
    {
        QFETCH(QString, file);
        QFETCH(QString, type);
        const QByteArray bytes = readRaw(demo(file));
        QVERIFY(bytes != "<missing>");
        QProcess toJson, fromJson;
        toJson.setStandardOutputProcess(&fromJson);
        toJson.start(kTool, {u"to-json"_s, u"--type"_s, type, u"-"_s});
        fromJson.start(kTool, {u"from-json"_s, u"-"_s, u"-o"_s, u"-"_s});
        QVERIFY(toJson.waitForStarted() && fromJson.waitForStarted());
        toJson.write(bytes);
        toJson.closeWriteChannel();
        QVERIFY(toJson.waitForFinished() && fromJson.waitForFinished());
        QCOMPARE(toJson.exitCode(), 0);
        QCOMPARE(fromJson.exitCode(), 0);
        QCOMPARE(fromJson.readAllStandardOutput(), bytes);

        // Standard input has no name to tell its type by.
        const Run untyped = vtfile({u"to-json"_s, u"-"_s}, bytes);
        QCOMPARE(untyped.status, 2);
        QVERIFY2(untyped.err.contains("standard input: cannot tell the file's type from its name: give --type"),
                 untyped.err.constData());
    }

    void standardInputIsReadOnlyAsFarAsTheLimit()
    {
        // More than a tile information file can be, and more JSON than --max allows.
        Run r = vtfile({u"to-json"_s, u"--type"_s, u"tileinfo"_s, u"-"_s}, QByteArray(3 << 20, '\1'));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.startsWith("standard input: holds more than"), r.err.constData());
        r = vtfile({u"from-json"_s, u"--max"_s, u"1"_s, u"-"_s, u"-o"_s, u"-"_s}, QByteArray(3 << 20, ' '));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("give --max to raise the limit"), r.err.constData());
        QVERIFY(r.out.isEmpty());
    }

    void batchesConvertEachFileAndReportTheWorst()
    {
        QTemporaryDir dir;
        const QString json = dir.filePath(u"json"_s), back = dir.filePath(u"back"_s);
        QVERIFY(QDir().mkpath(json) && QDir().mkpath(back));
        const QString broken = dir.filePath(u"Broken.qzm"_s);
        writeRaw(broken, QByteArray::fromHex("00"));  // a map of no nodes
        const QStringList good = {demo(u"Mods/Demo Mod/Grassland/Meadow.qzl"_s),
                                  demo(u"Mods/Demo Mod/Grassland/Worldmap.qzm"_s),
                                  demo(u"Data/Tilesets/Cave.qzt"_s)};

        Run r = vtfile(QStringList{u"to-json"_s} + good + QStringList{broken, u"-o"_s, json});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(broken.toUtf8() + ": "), r.err.constData());
        QCOMPARE(filesIn(json), (QStringList{u"Cave.qzt.json"_s, u"Meadow.qzl.json"_s, u"Worldmap.qzm.json"_s}));

        QStringList jsons;
        for (const QString &f : filesIn(json))
            jsons << QDir(json).filePath(f);
        r = vtfile(QStringList{u"from-json"_s} + jsons + QStringList{u"-o"_s, back});
        QCOMPARE(r.status, 0);
        QCOMPARE(readRaw(QDir(back).filePath(u"Meadow.qzl"_s)), readRaw(good[0]));
        QCOMPARE(readRaw(QDir(back).filePath(u"Worldmap.qzm"_s)), readRaw(good[1]));
        QCOMPARE(readRaw(QDir(back).filePath(u"Cave.qzt"_s)), readRaw(good[2]));

        // A JSON named without the game's extension gets its format's.
        QVERIFY(QFile::copy(jsons[0], dir.filePath(u"cave-types.json"_s)));
        QCOMPARE(vtfile({u"from-json"_s, dir.filePath(u"cave-types.json"_s), u"-o"_s, back}).status, 0);
        QCOMPARE(readRaw(QDir(back).filePath(u"cave-types.qzt"_s)), readRaw(good[2]));

        // Several files need a folder to go to.
        r = vtfile(QStringList{u"to-json"_s} + good);
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
    }

    void exitStatusSaysWhetherTheFileOrTheWorkFailed_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        const QString area = demo(u"Mods/Demo Mod/Grassland/Meadow.qzl"_s);
        const QString world = demo(u"Mods/Demo Mod/Grassland/Worldata.qzw"_s);
        QTest::newRow("good") << QStringList{u"check"_s, area} << 0;
        QTest::newRow("help") << QStringList{u"to-json"_s, u"--help"_s} << 0;
        QTest::newRow("no verb") << QStringList{} << 2;
        QTest::newRow("unknown verb") << QStringList{u"convert"_s, area} << 2;
        QTest::newRow("unknown option") << QStringList{u"info"_s, u"--fast"_s, area} << 2;
        QTest::newRow("no file") << QStringList{u"check"_s} << 2;
        QTest::newRow("unknown type") << QStringList{u"info"_s, u"--type"_s, u"level"_s, area} << 2;
        QTest::newRow("type not told") << QStringList{u"check"_s, kGame + u"/tiledata.bmp"_s} << 2;
        QTest::newRow("missing file") << QStringList{u"check"_s, kGame + u"/none.qzl"_s} << 2;
        QTest::newRow("from-json without -o") << QStringList{u"from-json"_s, area} << 2;
        QTest::newRow("bad --max") << QStringList{u"to-json"_s, area, u"--max"_s, u"0"_s} << 2;
        QTest::newRow("render of a world") << QStringList{u"render"_s, world, u"--tileset"_s, u"Grass"_s,
                                                          u"-o"_s, u"/tmp/w.png"_s}
                                           << 2;
        QTest::newRow("broken file") << QStringList{u"check"_s, u"--type"_s, u"map"_s, area} << 1;
        QTest::newRow("JSON of a broken file") << QStringList{u"to-json"_s, u"--type"_s, u"map"_s, area} << 1;
    }

    void exitStatusSaysWhetherTheFileOrTheWorkFailed()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        const Run r = vtfile(args);
        QVERIFY2(r.status == status, qPrintable(u"exit %1, expected %2: %3"_s.arg(r.status).arg(status).arg(
                                         QString::fromUtf8(r.err))));
    }

    // Two worlds: Plains with areas A and B (two levels share A), Hills with C, an area the
    // reader refuses and one not made yet.
    void replaceChangesTheMatchingCellsOfEveryArea()
    {
        QTemporaryDir dir;
        const QString mod = dir.filePath(u"Mod"_s);
        QDir().mkpath(mod);
        writeRaw(mod + u"/Worlds.inf"_s, "Plains\r\nhills\r\n.\r\n");
        writeWorld(mod + u"/Plains"_s, {"A", "B", "a"});
        writeWorld(mod + u"/Hills"_s, {"C", "Broken", "Later"});
        const QByteArray a = mixedArea(1), c = mixedArea(2);
        tessaforge::oLevel plain;
        (void)plain.Resize(10, 5);
        QByteArray b;
        (void)tessaforge::encode(plain, b);
        writeRaw(mod + u"/Plains/A.qzl"_s, a);
        writeRaw(mod + u"/Plains/B.qzl"_s, b);
        writeRaw(mod + u"/Hills/C.qzl"_s, c);
        writeRaw(mod + u"/Hills/Broken.qzl"_s, "short");
        const auto before = snapshot(mod);
        // Cells matching the rule, counted through the area's own model.
        auto matching = [](const QByteArray &area) {
            tessaforge::oLevel l;
            (void)tessaforge::decode(area, l);
            int n = 0;
            for (int x = 0; x <= l.width(); ++x)
                for (int y = 0; y <= l.height(); ++y)
                    n += l.IsTile(x, y) && l.xSrc(x, y) == 1 && l.ySrc(x, y) == 0 && l.TileTag(x, y) == 0;
            return n;
        };
        const int inA = matching(a), inC = matching(c);
        QVERIFY(inA > 0 && inC > 0);

        const Run dry = vtfile(QStringList{u"replace"_s, u"--mod"_s, mod, u"--dry-run"_s} + kReplaceRule);
        QCOMPARE(dry.status, 1);  // the refused area
        QCOMPARE(QString::fromUtf8(dry.out),
                 u"%1/Plains/A.qzl: %2 cell(s) match\n%1/Hills/C.qzl: %3 cell(s) match\n"
                 u"total: %4 cell(s) in 2 of 5 area(s); nothing written (--dry-run)\n"_s.arg(mod).arg(inA).arg(inC).arg(inA + inC));
        QVERIFY2(dry.err.contains("Hills/Broken.qzl: The area file is too short") && dry.err.contains("left as it is"),
                 dry.err.constData());
        QVERIFY(snapshot(mod) == before);

        // One world only.
        const Run hills = vtfile(QStringList{u"replace"_s, u"--mod"_s, mod, u"--world"_s, u"Hills"_s, u"--dry-run"_s}
                                 + kReplaceRule);
        QVERIFY2(hills.out.startsWith(QFile::encodeName(mod) + "/Hills/C.qzl: ") && !hills.out.contains("Plains"),
                 hills.out.constData());

        const Run done = vtfile(QStringList{u"replace"_s, u"--mod"_s, mod} + kReplaceRule);
        QCOMPARE(done.status, 1);
        QVERIFY2(done.out.endsWith("total: " + QByteArray::number(inA + inC) + " cell(s) in 2 of 5 area(s); 2 area "
                                   "file(s) written\n"),
                 done.out.constData());
        auto after = snapshot(mod);
        QCOMPARE(after.take(u"Plains/A.qzl"_s), replacedByHand(a));
        QCOMPARE(after.take(u"Hills/C.qzl"_s), replacedByHand(c));
        auto untouched = before;
        untouched.remove(u"Plains/A.qzl"_s);
        untouched.remove(u"Hills/C.qzl"_s);
        QVERIFY(after == untouched);  // B, the refused area, the details and the list, byte for byte; no strays

        // Options that say too little or too much change nothing.
        const auto replaced = snapshot(mod);
        for (const QStringList &wrong :
             {QStringList{u"--find-tag"_s, u"0"_s}, QStringList{u"--tag"_s, u"1"_s},
              QStringList{u"--find-tag"_s, u"256"_s, u"--tag"_s, u"1"_s},
              QStringList{u"--find-tile"_s, u"1"_s, u"--tag"_s, u"1"_s},
              QStringList{u"--find-tag"_s, u"1"_s, u"--tag"_s, u"2"_s, u"--world"_s, u"Nowhere"_s},
              QStringList{u"--find-tag"_s, u"1"_s, u"--tag"_s, u"2"_s, u"--tag"_s, u"3"_s}}) {
            const Run r = vtfile(QStringList{u"replace"_s, u"--mod"_s, mod} + wrong);
            QVERIFY2(r.status == 2, qPrintable(wrong.join(u' ')));
        }
        QVERIFY(snapshot(mod) == replaced);
    }

    // The second world's folder is a full disk: its area cannot be written, so the first
    // world's, ready to go, is not written either.
    void aFailedWriteLeavesEveryAreaAsItWas()
    {
        QTemporaryDir dir;
        const QString mod = dir.filePath(u"Mod"_s);
        QDir().mkpath(mod);
        writeRaw(mod + u"/Worlds.inf"_s, "Plains\r\nHills\r\n");
        writeWorld(mod + u"/Plains"_s, {"A"});
        QDir().mkpath(mod + u"/Hills"_s);
        SmallDisk disk(mod + u"/Hills"_s, "64k");
        REQUIRE_SMALL_DISK(disk);
        writeWorld(mod + u"/Hills"_s, {"C"});
        writeRaw(mod + u"/Plains/A.qzl"_s, mixedArea(1));
        writeRaw(mod + u"/Hills/C.qzl"_s, mixedArea(2));
        disk.fill();
        const auto before = snapshot(mod);

        const Run r = vtfile(QStringList{u"replace"_s, u"--mod"_s, mod} + kReplaceRule);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("Hills/C.qzl") && r.err.contains("No space left on device")
                     && r.err.contains("no area was changed"),
                 r.err.constData());
        QVERIFY(r.out.isEmpty());
        QVERIFY(snapshot(mod) == before);
    }

    void renderRefusesAHugePictureBeforeTheWork()
    {
        QTemporaryDir dir;
        const QString area = dir.filePath(u"huge.qzl"_s);
        writeRaw(area, QByteArray::fromHex("00000000003f003f002c01").replace(5, 4, QByteArray::fromHex("ff7fff7f")));
        QElapsedTimer t;
        t.start();
        const Run r = vtfile({u"render"_s, area, u"--tileset"_s, demo(u"Data/Tilesets/Grass.bmp"_s), u"-o"_s,
                              dir.filePath(u"huge.png"_s)});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("the picture would be 1048576 x 1048576 pixels (1099512 million), more than "
                                "the 1000 million limit; nothing was drawn"),
                 r.err.constData());
        QCOMPARE(filesIn(dir.path()), QStringList{u"huge.qzl"_s});

        // The limit is the user's to raise; a small area at a small zoom is well within it.
        writeRaw(area, fullArea(40, 10));
        QCOMPARE(vtfile({u"render"_s, area, u"--tileset"_s, demo(u"Data/Tilesets/Grass.bmp"_s), u"--zoom"_s,
                         u"8"_s, u"--max"_s, u"1"_s, u"-o"_s, dir.filePath(u"small.png"_s)})
                     .status,
                 0);
    }

    void aKilledRenderLeavesNoFileBehind()
    {
        QTemporaryDir dir;
        const QString area = dir.filePath(u"wide.qzl"_s);
        writeRaw(area, fullArea(3000, 300));  // 96000 x 9600 pixels at zoom 32
        const QStringList before = filesIn(dir.path());
        QProcess p;
        p.start(kTool, {u"render"_s, area, u"--tileset"_s, demo(u"Data/Tilesets/Grass.bmp"_s), u"-o"_s,
                        dir.filePath(u"wide.png"_s)});
        QVERIFY(p.waitForStarted());
        // Wait until the picture is being written, then kill it where no handler can run.
        QElapsedTimer t;
        t.start();
        bool writing = false;
        while (!writing && t.elapsed() < 20000 && p.state() == QProcess::Running) {
            const QDir fds(u"/proc/%1/fd"_s.arg(p.processId()));
            for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
                const QString target = linkTarget(fds.filePath(fd));
                writing = writing || target.startsWith(QDir(dir.path()).canonicalPath() + u"/#"_s)
                          || target.contains(u".vtsave-"_s);
            }
            QTest::qWait(20);
        }
        QVERIFY2(writing && p.state() == QProcess::Running,
                 qPrintable(u"the render ended before it could be killed: "_s + QString::fromUtf8(p.readAllStandardError())));
        ::kill(pid_t(p.processId()), SIGKILL);
        QVERIFY(p.waitForFinished());
        QCOMPARE(filesIn(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(tst_vtfilecli)
#include "tst_vtfilecli.moc"
