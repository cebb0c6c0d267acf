// The area document without windows: its operations, history, modified state and signals.
#include "documents/AreaBrush.h"
#include "documents/AreaDocument.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace tessaforge;

namespace {

AreaCell tile(int x, int y)
{
    return AreaCell{true, quint8(x), quint8(y), 0, 0};
}

} // namespace

class tst_areadocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void undoingBackToTheSavedAreaLeavesNothingModified()
    {
        QTemporaryDir dir;
        AreaDocument doc;
        QSignalSpy modified(&doc, &AreaDocument::modifiedChanged);
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.area().width(), 19);

        QVERIFY(doc.paintCell(3, 4, tile(1, 2), QStringLiteral("Paint")));
        QVERIFY(doc.isModified());
        QCOMPARE(modified.count(), 1);
        QVERIFY(doc.save(dir.filePath(QStringLiteral("a.qzl")), dir.path()).ok());
        QVERIFY(!doc.isModified());
        QCOMPARE(modified.last().at(0).toBool(), false);

        // A second edit, undone: back at the saved state.
        QVERIFY(doc.paintCell(5, 5, tile(2, 2), QStringLiteral("Paint")));
        QVERIFY(doc.isModified());
        doc.undoStack()->undo();
        QVERIFY(!doc.isModified());
        QVERIFY(!doc.area().IsTile(5, 5));
        // Undone past the save, then redone to it.
        doc.undoStack()->undo();
        QVERIFY(doc.isModified());
        QVERIFY(!doc.area().IsTile(3, 4));
        doc.undoStack()->redo();
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.area().xSrc(3, 4), 1);

        // A change that no step records stays until the next save.
        doc.markChanged();
        QVERIFY(doc.isModified());
        doc.undoStack()->undo();
        doc.undoStack()->redo();
        QVERIFY(doc.isModified());
        QVERIFY(doc.save(dir.filePath(QStringLiteral("a.qzl")), dir.path()).ok());
        QVERIFY(!doc.isModified());

        // Loading starts a new history, unmodified, under the file's name.
        QVERIFY(doc.paintCell(0, 0, tile(3, 3), QStringLiteral("Paint")));
        QSignalSpy named(&doc, &AreaDocument::fileNameChanged);
        QVERIFY(doc.load(dir.filePath(QStringLiteral("a.qzl")), QStringLiteral("a")).ok());
        QCOMPARE(doc.fileName(), QStringLiteral("a"));
        QCOMPARE(named.count(), 1);
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.undoStack()->count(), 0);
        QVERIFY(!doc.area().IsTile(0, 0));
        // A file that cannot be read leaves everything as it was.
        QVERIFY(doc.paintCell(0, 0, tile(3, 3), QStringLiteral("Paint")));
        QVERIFY(!doc.load(dir.filePath(QStringLiteral("missing.qzl")), QStringLiteral("missing")).ok());
        QCOMPARE(doc.fileName(), QStringLiteral("a"));
        QVERIFY(doc.isModified());
        QCOMPARE(doc.undoStack()->count(), 1);
        // A failed save leaves it modified.
        QVERIFY(!doc.save(dir.filePath(QStringLiteral("no/such/folder/b.qzl")), dir.path()).ok());
        QVERIFY(doc.isModified());
    }

    void aDragIsOneStepThatAnUndoInTheMiddleEnds()
    {
        AreaDocument doc;
        QSignalSpy cells(&doc, &AreaDocument::cellsChanged);
        QSignalSpy start(&doc, &AreaDocument::startMoved);
        doc.beginStroke();
        doc.placeStart({2, 2});
        QCOMPARE(doc.undoStack()->undoText(), QStringLiteral("Start Position"));
        for (int x = 0; x < 10; ++x)
            doc.paintCell(x, 1, tile(1, 1), QStringLiteral("Paint"));
        doc.paintCell(4, 1, tile(1, 1), QStringLiteral("Paint"));  // a repeat changes nothing
        QCOMPARE(doc.undoStack()->count(), 1);
        QCOMPARE(doc.undoStack()->undoText(), QStringLiteral("Paint"));
        // Each cell is announced as the square it is, the start as where it went.
        QCOMPARE(cells.count(), 10);
        QCOMPARE(cells.at(3).at(0).toRect(), QRect(3, 1, 1, 1));
        QCOMPARE(start.count(), 1);
        QCOMPARE(start.at(0).at(1).toPoint(), QPoint(2, 2));

        // An undo in the middle: the rest of the drag is a step of its own.
        doc.undoStack()->undo();
        QCOMPARE(QPoint(doc.area().StartX(), doc.area().StartY()), QPoint(0, 0));
        QVERIFY(!doc.area().IsTile(5, 1));
        // The undo says so at once, in one rectangle of the cells it changed back.
        QCOMPARE(cells.last().at(0).toRect(), QRect(0, 1, 10, 1));
        QCOMPARE(start.last().at(1).toPoint(), QPoint(0, 0));
        doc.paintCell(11, 1, tile(1, 1), QStringLiteral("Paint"));
        doc.paintCell(12, 1, tile(1, 1), QStringLiteral("Paint"));
        doc.endStroke();
        QCOMPARE(doc.undoStack()->count(), 1);
        doc.paintCell(13, 1, tile(1, 1), QStringLiteral("Paint"));
        QCOMPARE(doc.undoStack()->count(), 2);  // after the drag: a step per click
        doc.undoStack()->undo();
        doc.undoStack()->undo();
        QVERIFY(!doc.area().IsTile(11, 1));
        QVERIFY(!doc.isModified());
    }

    void aDragDoesNotGrowTheSavedStep()
    {
        QTemporaryDir dir;
        AreaDocument doc;
        doc.beginStroke();
        doc.paintCell(1, 1, tile(1, 1), QStringLiteral("Paint"));
        QVERIFY(doc.save(dir.filePath(QStringLiteral("a.qzl")), dir.path()).ok());
        doc.paintCell(2, 1, tile(1, 1), QStringLiteral("Paint"));
        QCOMPARE(doc.undoStack()->count(), 2);
        doc.undoStack()->undo();
        QVERIFY(!doc.isModified());
        QVERIFY(doc.area().IsTile(1, 1));
        QVERIFY(!doc.area().IsTile(2, 1));
    }

    void toolsResizeAndSideWarpAreOneStepEach()
    {
        AreaDocument doc;
        QSignalSpy cells(&doc, &AreaDocument::cellsChanged);
        QSignalSpy resized(&doc, &AreaDocument::resized);
        QSignalSpy warp(&doc, &AreaDocument::sideWarpChanged);

        doc.changeCells({CellChange{2, 3, AreaCell{}, tile(1, 1)}, CellChange{7, 9, AreaCell{}, tile(2, 1)}},
                        QStringLiteral("Paste"));
        QCOMPARE(cells.last().at(0).toRect(), QRect(QPoint(2, 3), QPoint(7, 9)));
        doc.changeCells({}, QStringLiteral("Paste"));  // nothing: no step
        QCOMPARE(doc.undoStack()->count(), 1);

        // A tool that refuses leaves no step.
        doc.applyTool([](oLevel &) { return std::optional<AreaChange>(); }, QStringLiteral("Fill"));
        QCOMPARE(doc.undoStack()->count(), 1);
        doc.applyTool(
            [](oLevel &area) {
                return std::optional<AreaChange>(
                    floodFill(area, 0, 0, AreaLayer::Tags, false, 0, 5, qint64(1) << 20));
            },
            QStringLiteral("Fill"));
        QCOMPARE(doc.undoStack()->count(), 2);
        QCOMPARE(doc.area().TileTag(19, 14), 5);
        QCOMPARE(cells.last().at(0).toRect(), QRect(0, 0, 20, 15));
        doc.undoStack()->undo();
        QCOMPARE(doc.area().TileTag(19, 14), 0);
        doc.undoStack()->redo();

        // A shrink drops cells; its undo brings them back.
        QCOMPARE(doc.resize(20, 15), AreaDocument::Resizing::Unchanged);
        QCOMPARE(doc.resize(5, 5), AreaDocument::Resizing::Resized);
        QCOMPARE(resized.count(), 1);
        QCOMPARE(doc.area().width(), 4);
        doc.undoStack()->undo();
        QCOMPARE(resized.count(), 2);
        QCOMPARE(doc.area().width(), 19);
        QCOMPARE(doc.area().xSrc(7, 9), 2);
        QCOMPARE(doc.area().TileTag(19, 14), 5);

        doc.toggleSideWarp();
        QVERIFY(doc.area().SideWarp());
        QCOMPARE(warp.last().at(0).toBool(), true);
        doc.undoStack()->undo();
        QVERIFY(!doc.area().SideWarp());
        QCOMPARE(warp.last().at(0).toBool(), false);
    }

    void aTrimmedHistoryKeepsTheSavedState()
    {
        QTemporaryDir dir;
        AreaDocument doc;
        doc.setHistoryLimit(4096);
        for (int i = 0; i < 30; ++i)
            doc.paintCell(i % 20, i / 20, tile(1, 1), QStringLiteral("Paint"));
        QVERIFY(doc.save(dir.filePath(QStringLiteral("a.qzl")), dir.path()).ok());
        for (int i = 0; i < 3; ++i)
            doc.paintCell(i, 5, tile(2, 2), QStringLiteral("Paint"));
        QVERIFY(doc.undoStack()->count() < 33);  // the oldest were dropped
        QVERIFY(doc.historyBytes() <= 4096);
        for (int i = 0; i < 3; ++i)
            doc.undoStack()->undo();
        QVERIFY(!doc.isModified());
        // The saved state dropped with the oldest steps: no state of the history is it.
        for (int i = 0; i < 40; ++i)
            doc.paintCell(i % 20, 7 + i / 20, tile(3, 3), QStringLiteral("Paint"));
        QCOMPARE(doc.undoStack()->cleanIndex(), -1);
        while (doc.undoStack()->canUndo()) {
            doc.undoStack()->undo();
            QVERIFY(doc.isModified());
        }
    }

    void theBrushSaysWhenItChanges()
    {
        AreaBrush brush;
        QSignalSpy changed(&brush, &AreaBrush::changed);
        brush.select(AreaLayer::Tiles, 0, 0);  // as it was
        QCOMPARE(changed.count(), 0);
        brush.select(AreaLayer::Enemies, 1, 4);
        QCOMPARE(changed.count(), 1);
        QVERIFY(brush.showsEnemies() && !brush.showsTags());
        brush.setForcedLayers(true, false);
        brush.setForcedLayers(true, false);
        QCOMPARE(changed.count(), 2);
        QVERIFY(brush.showsEnemies() && brush.showsTags());
        brush.select(AreaLayer::Tiles, 3, 2);
        QVERIFY(!brush.showsEnemies() && brush.showsTags());
    }
};

QTEST_GUILESS_MAIN(tst_areadocument)
#include "tst_areadocument.moc"
