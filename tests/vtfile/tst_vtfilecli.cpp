// The built vtfile program as a shell runs it: real pipes, real exit statuses, a real kill.

#include "area/oLevel.h"
#include "support/RawFiles.h"

#include <QDir>
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
