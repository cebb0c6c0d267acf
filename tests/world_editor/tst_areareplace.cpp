// Finding and replacing cells: in file bytes walked without a grid, in an open area, and
// across several files written as one.
#include "area/AreaReplace.h"
#include "world/WorldAreas.h"

#include "support/RawFiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace tessaforge;

namespace {

QByteArray bytesOf(const oLevel &a)
{
    QByteArray out;
    if (!encode(a, out))
        qFatal("cannot encode an area");
    return out;
}

// Tiles from a small part of the tileset, a few tags and enemies: every rule below meets
// matching cells and cells that already hold the replacement.
oLevel randomArea(quint32 seed, int columns = 23, int rows = 17)
{
    QRandomGenerator random(seed);
    oLevel a;
    (void)a.Resize(columns, rows);
    for (int x = 0; x < columns; ++x)
        for (int y = 0; y < rows; ++y) {
            if (random.bounded(3))
                a.SetTile(x, y, random.bounded(3), random.bounded(2));
            (void)a.SetTileTag(x, y, random.bounded(4) ? 0 : random.bounded(1, 4));
            (void)a.SetTileEnemy(x, y, random.bounded(5) ? 0 : random.bounded(1, 4));
        }
    return a;
}

CellReplace rule(std::optional<TileValue> findTile, std::optional<quint8> findTag, std::optional<quint8> findEnemy,
                 std::optional<TileValue> tile, std::optional<quint8> tag, std::optional<quint8> enemy)
{
    return CellReplace{{findTile, findTag, findEnemy}, {tile, tag, enemy}};
}

// Highest column and row, as stored.
QByteArray header(qint16 width, qint16 height)
{
    QByteArray h(oLevel::kHeaderSize, '\0');
    AreaHeader fields;
    fields.width = width;
    fields.height = height;
    areabytes::putHeader(fields, reinterpret_cast<uchar *>(h.data()));
    return h;
}

} // namespace

class tst_areareplace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesAreTakenOnlyWithinAByte()
    {
        QCOMPARE(tileFromText(u"3,4"), TileValue::at(3, 4));
        QCOMPARE(tileFromText(u" 255 , 0 "), TileValue::at(255, 0));
        QCOMPARE(tileFromText(u"None"), TileValue::noTile());
        for (const char16_t *bad : {u"256,0", u"-1,2", u"3", u"3,4,5", u"a,b", u"", u"3;4"})
            QVERIFY2(!tileFromText(bad), qPrintable(QString::fromUtf16(bad)));
        QCOMPARE(byteFromText(u"255"), std::optional<quint8>(255));
        for (const char16_t *bad : {u"256", u"-1", u"x", u""})
            QVERIFY(!byteFromText(bad));
    }

    void cellsMatchEveryPartGivenAndKeepThePartsNotReplaced()
    {
        const AreaCell cell{true, 2, 1, 7, 3};
        QVERIFY(CellQuery({TileValue::at(2, 1), {}, {}}).matches(cell));
        QVERIFY(!CellQuery({TileValue::at(1, 2), {}, {}}).matches(cell));
        QVERIFY(!CellQuery({TileValue::noTile(), {}, {}}).matches(cell));
        QVERIFY(CellQuery({TileValue::noTile(), 0, 0}).matches(AreaCell{}));
        QVERIFY(CellQuery({TileValue::at(2, 1), 7, 3}).matches(cell));
        QVERIFY(!CellQuery({TileValue::at(2, 1), 7, 4}).matches(cell));
        // A cell without a tile matches no tile whatever its column and row bytes hold.
        QVERIFY(!CellQuery({TileValue::at(2, 1), {}, {}}).matches(AreaCell{false, 2, 1, 0, 0}));

        QCOMPARE(CellReplacement({{}, 9, {}}).applied(cell), (AreaCell{true, 2, 1, 9, 3}));
        QCOMPARE(CellReplacement({TileValue::noTile(), {}, 0}).applied(cell), (AreaCell{false, 0, 0, 7, 0}));
        QCOMPARE(CellReplacement({TileValue::at(5, 6), {}, {}}).applied(AreaCell{}), (AreaCell{true, 5, 6, 0, 0}));
    }

    // The walk over a file's bytes and the edit of an open area give the same cells: a file
    // replaced by vtfile reads as the editor would have saved it.
    void fileBytesAndTheOpenAreaAgree()
    {
        const CellReplace rules[] = {
            rule(TileValue::at(1, 0), {}, {}, TileValue::at(2, 1), {}, {}),
            rule(TileValue::noTile(), {}, {}, {}, 2, {}),
            rule({}, 1, {}, TileValue::noTile(), 0, {}),
            rule({}, {}, 2, {}, {}, 3),
            rule(TileValue::noTile(), 0, {}, TileValue::at(1, 1), {}, {}),
            rule(TileValue::at(2, 1), {}, {}, TileValue::noTile(), {}, {}),
            rule(TileValue::at(0, 0), {}, {}, TileValue::noTile(), {}, {}),
            rule(TileValue::at(0, 1), {}, {}, TileValue::at(0, 1), {}, 0),  // most matches hold it already
        };
        for (quint32 seed = 1; seed <= 4; ++seed) {
            for (const CellReplace &r : rules) {
                oLevel area = randomArea(seed);
                const QByteArray before = bytesOf(area);
                qint64 matched = -1;
                const std::vector<CellChange> changes = replaceChanges(area, r, &matched);
                const ReplaceCount n = countInBytes(before, r);
                QCOMPARE(n.matched, matched);
                QCOMPARE(n.changed, qint64(changes.size()));
                QVERIFY(n.changed > 0);

                QByteArray replaced;
                ReplaceCount m;
                QVERIFY(replaceInBytes(before, r, replaced, &m).ok());
                QCOMPARE(m.changed, n.changed);
                for (const CellChange &c : changes)
                    area.SetCell(c.X, c.Y, c.after);
                QCOMPARE(replaced, bytesOf(area));
            }
        }

        // Bytes of the parts not replaced stay as they are, even those the reader takes
        // loosely (a tile flag that is neither 0 nor 255 reads as no tile).
        QByteArray odd = header(1, 0) + QByteArray("\x07\x02\x01\x05\x00", 5) + QByteArray("\xff\x02\x01\x05\x00", 5);
        QByteArray out;
        QVERIFY(replaceInBytes(odd, rule({}, 5, {}, {}, {}, 6), out).ok());
        QCOMPARE(out, header(1, 0) + QByteArray("\x07\x02\x01\x05\x06", 5) + QByteArray("\xff\x02\x01\x05\x06", 5));
        // Nothing changes: the output is not set.
        out = "untouched";
        QVERIFY(replaceInBytes(odd, rule({}, 5, {}, {}, 5, {}), out).ok());
        QCOMPARE(out, QByteArray("untouched"));
    }

    // A short file's missing cells read as empty ones: they match as such, and a change to
    // them writes the whole grid. Bytes after the grid stay; refused bytes are not touched.
    void shortAndLongFilesAreReplacedAsTheReaderReadsThem()
    {
        const QByteArray tagged = QByteArray("\xff\x01\x01\x00\x00", 5);
        // A 3 x 2 grid with two whole cells stored and three bytes of a third.
        const QByteArray shortFile = header(2, 1) + tagged + QByteArray(5, '\0') + QByteArray(3, '\0');
        const CellReplace toTag = rule(TileValue::noTile(), {}, {}, {}, 4, {});
        const ReplaceCount n = countInBytes(shortFile, toTag);
        QCOMPARE(n.matched, qint64(5));
        QCOMPARE(n.changed, qint64(5));
        QByteArray out;
        QVERIFY(replaceInBytes(shortFile, toTag, out).ok());
        const QByteArray empty4 = QByteArray("\x00\x00\x00\x04\x00", 5);
        QCOMPARE(out, header(2, 1) + tagged + empty4.repeated(5));

        // A rule that leaves empty cells as they are does not lengthen the file.
        QVERIFY(replaceInBytes(shortFile, rule(TileValue::at(1, 1), {}, {}, {}, 9, {}), out).ok());
        QCOMPARE(out, header(2, 1) + QByteArray("\xff\x01\x01\x09\x00", 5) + QByteArray(8, '\0'));

        const QByteArray longFile = header(0, 0) + tagged + "tail";
        QVERIFY(replaceInBytes(longFile, rule({}, {}, 0, {}, {}, 2), out).ok());
        QCOMPARE(out, header(0, 0) + QByteArray("\xff\x01\x01\x00\x02", 5) + "tail");

        // A few bytes that claim the largest grid: counted, but not written out.
        const QByteArray claims = header(32767, 32767) + tagged;
        QCOMPARE(countInBytes(claims, toTag).matched, qint64(32768) * 32768 - 1);
        out = "untouched";
        const vt::Status huge = replaceInBytes(claims, toTag, out);
        QVERIFY2(!huge.ok() && huge.error().contains(QStringLiteral("more than a replacement writes")),
                 qPrintable(huge.error()));
        for (const QByteArray &refused : {QByteArray(10, '\0'), header(-1, 3) + tagged}) {
            QVERIFY(!replaceInBytes(refused, toTag, out).ok());
            QCOMPARE(countInBytes(refused, toTag).matched, qint64(0));
        }
        QCOMPARE(out, QByteArray("untouched"));
    }

    void theAreasOfAWorldAreListedOnce()
    {
        QTemporaryDir dir;
        writeRaw(dir.filePath(QStringLiteral("Meadow.qzl")), "x");
        WorldDetails world;
        for (const char *name : {"Meadow", "Cave", "", "meadow", "Meadow", "..\\up", "Cave"}) {
            LevelRecord l;
            l.sAreaFile = name;
            world.Levels.push_back(l);
        }
        const std::vector<WorldArea> areas = worldAreas(dir.path(), world);
        QCOMPARE(areas.size(), std::size_t(3));
        QCOMPARE(areas[0].path, dir.filePath(QStringLiteral("Meadow.qzl")));  // "meadow" is the same file
        QCOMPARE(areas[1].path, dir.filePath(QStringLiteral("Cave.qzl")));
        QVERIFY(areas[2].path.isEmpty());
        QVERIFY2(areas[2].problem.contains(QStringLiteral("not a plain file name")), qPrintable(areas[2].problem));
    }

    // Several files: counted without writing; written together, each changed file exactly,
    // the others left byte for byte; a refused one reported and left; an open area's bytes
    // taken from the caller.
    void areaFilesAreReplacedTogether()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("A.qzl")), b = dir.filePath(QStringLiteral("B.qzl")),
                      bad = dir.filePath(QStringLiteral("Bad.qzl")), none = dir.filePath(QStringLiteral("None.qzl")),
                      held = dir.filePath(QStringLiteral("Held.qzl"));
        oLevel areaA = randomArea(7);
        oLevel plain;
        (void)plain.Resize(4, 4);
        oLevel areaHeld = randomArea(8);
        const QByteArray bytesA = bytesOf(areaA), bytesB = bytesOf(plain), bytesHeld = bytesOf(areaHeld);
        writeRaw(a, bytesA);
        writeRaw(b, bytesB);
        writeRaw(bad, "short");
        writeRaw(held, "stale file under an open area");
        const QStringList paths{a, b, bad, none, held};
        const CellReplace r = rule(TileValue::at(1, 1), {}, {}, {}, {}, 9);
        const AreaBytesSource source = [&](const QString &path) -> std::optional<QByteArray> {
            return path == held ? std::optional(bytesHeld) : std::nullopt;
        };

        using State = AreaFileReplace::State;
        const AreaFilesReplace counted = replaceInAreaFiles(paths, r, ReplaceMode::Count, dir.path(), source);
        QVERIFY(counted.status.ok());
        QCOMPARE(counted.files.size(), std::size_t(5));
        QCOMPARE(counted.files[0].count.matched, countInBytes(bytesA, r).matched);
        QCOMPARE(counted.files[1].count.matched, qint64(0));
        QCOMPARE(counted.files[2].state, State::Refused);
        QCOMPARE(counted.files[3].state, State::Missing);
        QCOMPARE(counted.files[4].count.matched, countInBytes(bytesHeld, r).matched);
        QCOMPARE(counted.areasWritten(), 0);
        QCOMPARE(readRaw(a), bytesA);

        const AreaFilesReplace done = replaceInAreaFiles(paths, r, ReplaceMode::Write, dir.path(), source);
        QVERIFY2(done.status.ok(), qPrintable(done.status.error()));
        QCOMPARE(done.matched(), counted.matched());
        QCOMPARE(done.areasWritten(), 2);
        QVERIFY(done.files[0].written && !done.files[1].written && done.files[4].written);
        QByteArray expected;
        QVERIFY(replaceInBytes(bytesA, r, expected).ok());
        QCOMPARE(readRaw(a), expected);
        QVERIFY(replaceInBytes(bytesHeld, r, expected).ok());
        QCOMPARE(readRaw(held), expected);
        QCOMPARE(readRaw(b), bytesB);
        QCOMPARE(readRaw(bad), QByteArray("short"));
        QVERIFY(!QFile::exists(none));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
    }
};

QTEST_GUILESS_MAIN(tst_areareplace)
#include "tst_areareplace.moc"
