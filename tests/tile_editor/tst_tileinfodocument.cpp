#include "TileFiles.h"
#include "documents/TileInfoDocument.h"

#include "support/RawFiles.h"
#include "support/SpyArgs.h"

#include "FileIO.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace tilemarrow;

namespace {

QList<QPoint> tiles(const QSignalSpy &spy)
{
    QList<QPoint> out;
    for (const QList<QVariant> &args : spy)
        out.append(QPoint(args.at(0).toInt(), args.at(1).toInt()));
    return out;
}

} // namespace

// The tile information document on its own, without windows.
class tst_tileinfodocument : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A document loaded from a 3 x 2 grid whose tile (2, 1) is an animated coin.
    void loadGrass(TileInfoDocument &doc)
    {
        writeRaw(path(u"Grass.qzt"_s), tileFile(3, 2, {{{2, 1, 133}}}));
        QVERIFY(doc.load(path(u"Grass.qzt"_s)).ok());
    }

private Q_SLOTS:
    void cleanup() { vt::setReplaceFaultForTesting(std::nullopt); }

    void withoutAGridNothingIsEdited()
    {
        TileInfoDocument doc;
        QSignalSpy changed(&doc, &TileInfoDocument::tileChanged);
        QVERIFY(!doc.hasGrid());
        QVERIFY(!doc.setTileValue(0, 0, 1));
        QVERIFY(!doc.fitCutsUnsavedTiles(0, 0));
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.undoStack()->count(), 0);
        QCOMPARE(changed.count(), 0);
    }

    void eachEditIsOneStepThatUndoesAndRedoes()
    {
        TileInfoDocument doc;
        loadGrass(doc);
        const TileInfo loaded = doc.tileInfo();
        QSignalSpy changed(&doc, &TileInfoDocument::tileChanged);
        QSignalSpy modified(&doc, &TileInfoDocument::modifiedChanged);

        QVERIFY(doc.setTileValue(0, 1, 3));
        QVERIFY(doc.setTileValue(2, 1, 5));   // the flag goes
        QVERIFY(doc.setTileValue(2, 1, 5));   // already so: no step
        QVERIFY(!doc.setTileValue(3, 0, 1));  // no tile there
        QVERIFY(!doc.setTileValue(0, -1, 1));
        QCOMPARE(doc.undoStack()->count(), 2);
        QCOMPARE(doc.undoStack()->text(0), u"Tile Type"_s);
        QCOMPARE(doc.undoStack()->text(1), u"Animated"_s);
        QCOMPARE(tiles(changed), (QList<QPoint>{{0, 1}, {2, 1}}));
        QCOMPARE(flags(modified), QList<bool>{true});
        const TileInfo edited = doc.tileInfo();

        // Each step takes back its own tile only.
        changed.clear();
        doc.undoStack()->undo();
        QCOMPARE(doc.tileInfo().tile(2, 1), 133);
        QCOMPARE(doc.tileInfo().tile(0, 1), 3);
        QVERIFY(doc.isModified());
        doc.undoStack()->undo();
        QCOMPARE(doc.tileInfo(), loaded);
        QVERIFY(!doc.isModified());
        QCOMPARE(tiles(changed), (QList<QPoint>{{2, 1}, {0, 1}}));
        QCOMPARE(flags(modified), (QList<bool>{true, false}));

        doc.undoStack()->redo();
        doc.undoStack()->redo();
        QCOMPARE(doc.tileInfo(), edited);
        QVERIFY(doc.isModified());
        QCOMPARE(flags(modified), (QList<bool>{true, false, true}));

        // A value beyond a byte is kept within what the file holds.
        QVERIFY(doc.setTileValue(1, 0, 300));
        QCOMPARE(doc.tileInfo().tile(1, 0), 255);
    }

    void loadingStartsCleanAndAFailedLoadChangesNothing()
    {
        TileInfoDocument doc;
        QSignalSpy replaced(&doc, &TileInfoDocument::documentReplaced);
        QSignalSpy named(&doc, &TileInfoDocument::fileNameChanged);
        loadGrass(doc);
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(named.count(), 1);
        QCOMPARE(doc.fileName(), path(u"Grass.qzt"_s));
        doc.setTileValue(0, 0, 1);

        const TileInfo before = doc.tileInfo();
        QVERIFY(!doc.load(path(u"Missing.qzt"_s)).ok());
        QCOMPARE(doc.tileInfo(), before);
        QCOMPARE(doc.fileName(), path(u"Grass.qzt"_s));
        QVERIFY(doc.isModified());
        QCOMPARE(doc.undoStack()->count(), 1);
        QCOMPARE(replaced.count(), 1);

        QSignalSpy modified(&doc, &TileInfoDocument::modifiedChanged);
        loadGrass(doc);
        QVERIFY(!doc.isModified());
        QVERIFY(!doc.undoStack()->canUndo());
        QCOMPARE(doc.tileInfo().tile(0, 0), 0);
        QCOMPARE(flags(modified), QList<bool>{false});
    }

    void savingMarksSavedOnlyWhenTheFileIsWritten()
    {
        TileInfoDocument doc;
        loadGrass(doc);
        doc.setTileValue(0, 0, 1);
        QSignalSpy modified(&doc, &TileInfoDocument::modifiedChanged);
        QSignalSpy named(&doc, &TileInfoDocument::fileNameChanged);
        const QString mine = path(u"Mine.qzt"_s);

        vt::setReplaceFaultForTesting(3);
        QVERIFY(!doc.save(mine).ok());
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(doc.isModified());
        QCOMPARE(doc.fileName(), path(u"Grass.qzt"_s));
        QVERIFY(!QFileInfo::exists(mine));
        QCOMPARE(modified.count() + named.count(), 0);

        QVERIFY(doc.save(mine).ok());
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.fileName(), mine);
        QCOMPARE(named.count(), 1);
        QCOMPARE(readRaw(mine), tileFile(3, 2, {{{0, 0, 1}}, {{2, 1, 133}}}));

        // Undone past the save is a change again; redone to it, saved again.
        doc.undoStack()->undo();
        QVERIFY(doc.isModified());
        doc.undoStack()->redo();
        QVERIFY(!doc.isModified());
        QCOMPARE(flags(modified), (QList<bool>{false, true, false}));
    }

    // A new bitmap refits the grid without being an edit.
    void fittingTheGridKeepsWhatWasSavedOrNot()
    {
        TileInfoDocument doc;
        loadGrass(doc);
        QSignalSpy replaced(&doc, &TileInfoDocument::documentReplaced);
        QSignalSpy modified(&doc, &TileInfoDocument::modifiedChanged);

        QVERIFY(!doc.fitCutsUnsavedTiles(0, 0));  // nothing unsaved
        doc.fitGrid(3, 1);
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(doc.tileInfo().MaxX, 3);
        QCOMPARE(doc.tileInfo().tile(2, 1), 133);
        QVERIFY(!doc.isModified());

        doc.setTileValue(3, 1, 7);
        QVERIFY(doc.fitCutsUnsavedTiles(2, 1));
        QVERIFY(!doc.fitCutsUnsavedTiles(3, 1));
        doc.fitGrid(3, 0);  // the row goes, with the change in it
        QVERIFY(!doc.undoStack()->canUndo());
        QVERIFY(doc.isModified());  // the history went, the unsaved state stays
        QCOMPARE(flags(modified), QList<bool>{true});

        // Inside the grid the changes are still told from what was saved.
        doc.setTileValue(3, 0, 9);
        QVERIFY(doc.fitCutsUnsavedTiles(2, 0));
        doc.undoStack()->undo();
        QVERIFY(!doc.fitCutsUnsavedTiles(2, 0));
        QVERIFY(doc.isModified());
        QCOMPARE(flags(modified), QList<bool>{true});

        QVERIFY(doc.save(path(u"Fitted.qzt"_s)).ok());
        QVERIFY(!doc.isModified());
        QCOMPARE(flags(modified), (QList<bool>{true, false}));
    }
};

QTEST_GUILESS_MAIN(tst_tileinfodocument)
#include "tst_tileinfodocument.moc"
