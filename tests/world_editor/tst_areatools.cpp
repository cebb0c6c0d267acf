#include "area/AreaEditing.h"

#include <QTest>

using namespace tessaforge;

namespace {

AreaCell tile(int x, int y, int tag = 0, int enemy = 0)
{
    return AreaCell{true, static_cast<quint8>(x), static_cast<quint8>(y), tag, enemy};
}

// A copy of the area's cells, column by column, for comparing whole states.
std::vector<AreaCell> snapshot(const oLevel &a)
{
    std::vector<AreaCell> out;
    for (int x = 0; x <= a.width(); ++x)
        for (int y = 0; y <= a.height(); ++y)
            out.push_back(cellAt(a, x, y));
    return out;
}

void applyAll(oLevel &a, const std::vector<CellChange> &cells)
{
    for (const CellChange &c : cells)
        putCell(a, c.X, c.Y, c.after);
}

} // namespace

class tst_areatools : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void strokesKeepTheFirstStateAndTheLastOfEachCell()
    {
        oLevel a;
        QVERIFY(a.Resize(6, 4));
        putCell(a, 2, 1, tile(1, 1, 4, 5));
        const auto before = snapshot(a);
        AreaStroke stroke;
        // Paint, erase and paint again over the same cells, as a drag back and forth does.
        for (int pass = 0; pass < 3; ++pass)
            for (int x = 0; x < 6; ++x) {
                const AreaCell was = cellAt(a, x, 1);
                const AreaCell now = paintedCell(was, AreaLayer::Tiles, pass == 1, pass, 0);
                putCell(a, x, 1, now);
                stroke.record(x, 1, was, now);
            }
        stroke.close();
        const auto after = snapshot(a);
        QCOMPARE(stroke.step().cells.size(), std::size_t(6));
        QCOMPARE(stroke.step().cells[2].before, tile(1, 1, 4, 5));
        QCOMPARE(stroke.step().cells[2].after, tile(2, 0, 4, 5));  // tag and enemy kept
        stroke.step().apply(a, false);
        QVERIFY(snapshot(a) == before);
        stroke.step().apply(a, true);
        QVERIFY(snapshot(a) == after);
    }

    void resizeStepsBringDroppedCellsBack()
    {
        oLevel a;
        QVERIFY(a.Resize(5, 5));
        putCell(a, 4, 4, tile(3, 3, 1, 2));
        putCell(a, 1, 4, tile(2, 2));
        a.SetStartPos(4, 4);
        AreaChange step;
        step.resizes = true;
        step.sizeBefore = QSize(5, 5);
        step.sizeAfter = QSize(3, 3);
        step.cells = {CellChange{4, 4, tile(3, 3, 1, 2), {}}, CellChange{1, 4, tile(2, 2), {}}};
        step.apply(a, true);
        QCOMPARE(a.width(), 2);
        step.apply(a, false);
        QCOMPARE(a.width(), 4);
        QCOMPARE(cellAt(a, 4, 4), tile(3, 3, 1, 2));
        QCOMPARE(cellAt(a, 1, 4), tile(2, 2));
        QCOMPARE(a.StartX(), 4);
    }

    void floodFillStaysInItsRegionAroundHolesAndAtTheEdges()
    {
        // 7 x 5 of tile (1, 0) with a wall of tile (2, 0) in column 3 (open at the bottom row)
        // and a hole of another tile at (1, 1).
        oLevel a;
        QVERIFY(a.Resize(7, 5));
        for (int x = 0; x < 7; ++x)
            for (int y = 0; y < 5; ++y)
                putCell(a, x, y, tile(x == 3 && y < 4 ? 2 : 1, 0, y, 0));
        putCell(a, 1, 1, tile(5, 5));

        // Start at a corner: the region goes round the hole and under the wall.
        const auto before = snapshot(a);
        AreaChange fill = floodFill(a, 0, 0, AreaLayer::Tiles, false, 4, 4, 1000);
        QCOMPARE(fill.spanCells(), qint64(7 * 5 - 4 - 1));
        QCOMPARE(cellAt(a, 6, 0), tile(4, 4, 0, 0));
        QCOMPARE(cellAt(a, 6, 4), tile(4, 4, 4, 0));  // the tag stays
        QCOMPARE(cellAt(a, 1, 1), tile(5, 5));
        QCOMPARE(cellAt(a, 3, 0), tile(2, 0, 0, 0));
        const auto after = snapshot(a);
        // Painting what is already there changes nothing; outside the area nothing.
        QVERIFY(floodFill(a, 6, 4, AreaLayer::Tiles, false, 4, 4, 1000).isEmpty());
        QVERIFY(floodFill(a, 7, 0, AreaLayer::Tiles, false, 0, 0, 1000).isEmpty());
        QVERIFY(floodFill(a, -1, 0, AreaLayer::Tiles, false, 0, 0, 1000).isEmpty());
        QVERIFY(snapshot(a) == after);
        fill.apply(a, false);
        QVERIFY(snapshot(a) == before);
        fill.apply(a, true);
        QVERIFY(snapshot(a) == after);

        // Tag layer: cells of one tag value, four-connected only (no diagonal leak).
        auto tagged = [](oLevel &t) {
            QVERIFY(t.Resize(4, 4));
            for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 3}})
                (void)t.SetTileTag(x, y, 7);
        };
        oLevel t;
        tagged(t);
        QCOMPARE(floodFill(t, 0, 0, AreaLayer::Tags, true, 0, 0, 1000).spanCells(), qint64(2));
        // Erasing enemies where there are none changes nothing; setting one reaches everything.
        QVERIFY(floodFill(t, 3, 0, AreaLayer::Enemies, true, 0, 0, 1000).isEmpty());
        QCOMPARE(floodFill(t, 3, 0, AreaLayer::Enemies, false, 0, 9, 1000).spanCells(), qint64(16));
        oLevel t2;
        tagged(t2);
        QCOMPARE(floodFill(t2, 3, 0, AreaLayer::Tags, false, 0, 9, 1000).spanCells(), qint64(12));

        // Beyond the limit the step is empty, the cells painted on the way are put back and
        // the caller is told.
        oLevel t3;
        tagged(t3);
        const auto untouched = snapshot(t3);
        bool tooLarge = false;
        QVERIFY(floodFill(t3, 3, 0, AreaLayer::Enemies, false, 0, 9, 15, &tooLarge).isEmpty());
        QVERIFY(tooLarge);
        QVERIFY(snapshot(t3) == untouched);

        // An empty cell that a file gave a tile position keeps those bytes through fill and undo.
        oLevel f;
        QVERIFY(f.Resize(3, 1));
        f.SetCell(1, 0, AreaCell{false, 7, 7, 0, 0});
        const auto raw = snapshot(f);
        AreaChange around = floodFill(f, 0, 0, AreaLayer::Tiles, false, 1, 1, 1000);
        QCOMPARE(around.spanCells(), qint64(1));  // the odd cell is not the same empty
        around.apply(f, false);
        QVERIFY(snapshot(f) == raw);
    }

    // Random grids of few values make every shape of region (spirals, combs, pockets reached
    // from either side); the fill must paint exactly what a plain search finds.
    void floodFillPaintsExactlyTheConnectedRegion()
    {
        quint32 seed = 12345;
        auto next = [&seed](quint32 n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        for (int round = 0; round < 300; ++round) {
            const int columns = 1 + int(next(14));
            const int rows = 1 + int(next(11));
            oLevel a;
            QVERIFY(a.Resize(columns, rows));
            const quint32 values = 2 + next(2);
            for (int x = 0; x < columns; ++x)
                for (int y = 0; y < rows; ++y)
                    (void)a.SetTileTag(x, y, qint32(next(values)));
            const int X = int(next(quint32(columns)));
            const int Y = int(next(quint32(rows)));
            const auto before = snapshot(a);

            // The reference: a breadth-first search over the four neighbours.
            std::vector<bool> inRegion(before.size(), false);
            const qint32 value = cellAt(a, X, Y).lTag;
            std::vector<QPoint> queue{QPoint(X, Y)};
            inRegion[std::size_t(X * rows + Y)] = true;
            for (std::size_t i = 0; i < queue.size(); ++i)
                for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    const QPoint n = queue[i] + d;
                    if (n.x() < 0 || n.y() < 0 || n.x() >= columns || n.y() >= rows)
                        continue;
                    const std::size_t at = std::size_t(n.x() * rows + n.y());
                    if (!inRegion[at] && before[at].lTag == value) {
                        inRegion[at] = true;
                        queue.push_back(n);
                    }
                }

            const AreaChange fill = floodFill(a, X, Y, AreaLayer::Tags, false, 0, 50, 1 << 20);
            QCOMPARE(fill.spanCells(), qint64(queue.size()));
            const auto after = snapshot(a);
            for (std::size_t i = 0; i < before.size(); ++i)
                QCOMPARE(after[i].lTag, inRegion[i] ? 50 : before[i].lTag);
            fill.apply(a, false);
            QVERIFY(snapshot(a) == before);
        }
    }

    void rectanglesPaintOneLayerInsideTheArea()
    {
        oLevel a;
        QVERIFY(a.Resize(5, 4));
        putCell(a, 1, 1, tile(3, 3, 6, 8));
        // Dragged from bottom right to beyond the top left: clipped to the area.
        std::vector<CellChange> tiles = rectangleChanges(a, cellsBetween(QPoint(2, 2), QPoint(-3, -1)), AreaLayer::Tiles,
                                                         false, 1, 2);
        QCOMPARE(tiles.size(), std::size_t(9));
        applyAll(a, tiles);
        QCOMPARE(cellAt(a, 1, 1), tile(1, 2, 6, 8));
        std::vector<CellChange> tags = rectangleChanges(a, QRect(0, 0, 2, 2), AreaLayer::Tags, false, 0, 5);
        QCOMPARE(tags.size(), std::size_t(4));
        applyAll(a, tags);
        QCOMPARE(cellAt(a, 1, 1), tile(1, 2, 5, 8));
        applyAll(a, rectangleChanges(a, QRect(1, 1, 9, 9), AreaLayer::Enemies, true, 0, 0));
        QCOMPARE(cellAt(a, 1, 1), tile(1, 2, 5, 0));
        // Erasing tiles keeps tags; a tile selection out of range paints nothing.
        applyAll(a, rectangleChanges(a, QRect(0, 0, 5, 4), AreaLayer::Tiles, true, 0, 0));
        QCOMPARE(cellAt(a, 1, 1), (AreaCell{false, 0, 0, 5, 0}));
        QVERIFY(rectangleChanges(a, QRect(0, 0, 5, 4), AreaLayer::Tiles, false, 256, 0).empty());
    }

    void blocksCopyPasteAndGoThroughText()
    {
        oLevel a;
        QVERIFY(a.Resize(6, 5));
        putCell(a, 1, 1, tile(2, 3, 4, 5));
        putCell(a, 2, 2, AreaCell{false, 0, 0, 9, 0});
        const AreaBlock block = copyBlock(a, QRect(1, 1, 3, 2));
        QCOMPARE(block.columns, 3);
        QCOMPARE(block.rows, 2);
        QCOMPARE(block.at(0, 0), tile(2, 3, 4, 5));
        QCOMPARE(block.at(1, 1), (AreaCell{false, 0, 0, 9, 0}));

        const std::optional<AreaBlock> back = blockFromText(blockToText(block));
        QVERIFY(back);
        QCOMPARE(back->columns, 3);
        QVERIFY(back->cells == block.cells);

        // Pasted near the far corner: what falls outside is left out.
        const std::vector<CellChange> cells = pasteChanges(a, block, QPoint(4, 4));
        QCOMPARE(cells.size(), std::size_t(1));
        QCOMPARE(cells[0].X, 4);
        QCOMPARE(cells[0].after, tile(2, 3, 4, 5));
        QVERIFY(copyBlock(a, QRect(6, 0, 2, 2)).isEmpty());

        // Text that is not exactly a block of storable values is refused.
        const QString good = blockToText(block);
        QString text = good;
        QVERIFY(!blockFromText(text.replace(QStringLiteral("4/5"), QStringLiteral("4/256"))));
        text = good;
        QVERIFY(!blockFromText(text.replace(QStringLiteral("2,3"), QStringLiteral("2,-3"))));
        text = good;
        QVERIFY(!blockFromText(text.replace(QStringLiteral("3 2"), QStringLiteral("3 3"))));
        QVERIFY(!blockFromText(QStringLiteral("Tessaforge area block\n99999 99999\n")));
        QVERIFY(!blockFromText(QStringLiteral("hello")));
        QVERIFY(!blockFromText(good.left(good.size() - 3)));
        text = good;
        QVERIFY(blockFromText(text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"))));
    }
};

QTEST_GUILESS_MAIN(tst_areatools)
#include "tst_areatools.moc"
