#include "TileFiles.h"
#include "documents/TileInfoDocument.h"

#include "support/FakeDialogs.h"
#include "support/RawFiles.h"

#include "FileIO.h"
#include "Journal.h"
#include "support/Journals.h"
#include "Recovery.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace tilemarrow;

// The tile information document's crash journal: what it writes, and what a fresh document
// makes of it.
class tst_tilejournal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString recovery() const { return vt::recoveryFolder(m_dir.path()); }

    void writeGrass() { writeRaw(path(u"Grass.qzt"_s), tileFile(3, 2, {{{2, 1, 133}}})); }


private Q_SLOTS:
    void init()
    {
        QDir(recovery()).removeRecursively();
        writeGrass();
    }

    // Edits, undos, redos and a step made after an undo come back as the same tiles and the
    // same history, and save to the same bytes.
    void aReplayedJournalGivesTheEditedTileset()
    {
        TileInfoDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Grass.qzt"_s)).ok());
        QVERIFY(doc.journalPath().isEmpty());  // nothing to recover yet
        doc.setTileValue(0, 0, 5);
        doc.setTileValue(1, 1, 130);
        doc.setTileValue(0, 0, 7);
        doc.undoStack()->undo();
        doc.undoStack()->undo();
        doc.undoStack()->redo();
        doc.setTileValue(2, 0, 12);  // drops the undone step
        doc.undoStack()->undo();
        const QString journal = doc.journalPath();
        QVERIFY(!journal.isEmpty());

        const vt::JournalContents contents = drainedJournal(journal);
        QCOMPARE(contents.program, u"tilemarrow"_s);
        QCOMPARE(contents.kind, u"tileinfo"_s);
        QCOMPARE(contents.origin.path, QFileInfo(path(u"Grass.qzt"_s)).absoluteFilePath());
        QVERIFY(vt::journalMatchesDisk(contents));
        QVERIFY(!contents.damaged);

        TileInfoDocument fresh;
        QVERIFY(fresh.load(path(u"Grass.qzt"_s)).ok());
        bool complete = false;
        QCOMPARE(fresh.replay(contents.records, &complete), contents.edits());
        QVERIFY(complete);
        QVERIFY(fresh.isModified());
        QCOMPARE(fresh.tileInfo(), doc.tileInfo());
        QCOMPARE(fresh.undoStack()->count(), doc.undoStack()->count());
        QCOMPARE(fresh.undoStack()->index(), doc.undoStack()->index());
        fresh.undoStack()->redo();
        QCOMPARE(fresh.tileInfo().tile(2, 0), 12);
        fresh.undoStack()->undo();

        QVERIFY(doc.save(path(u"Edited.qzt"_s)).ok());
        QVERIFY(fresh.save(path(u"Recovered.qzt"_s)).ok());
        QCOMPARE(readRaw(path(u"Recovered.qzt"_s)), readRaw(path(u"Edited.qzt"_s)));
    }

    // The journal lives while there is something to recover, and no longer.
    void theJournalGoesWhenTheTilesetIsAsSaved()
    {
        TileInfoDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Grass.qzt"_s)).ok());
        doc.setTileValue(0, 0, 5);
        const QString journal = doc.journalPath();
        vt::JournalWriter::drain();
        QVERIFY(QFile::exists(journal));

        doc.undoStack()->undo();
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(journal));
        QVERIFY(doc.journalPath().isEmpty());

        doc.undoStack()->redo();
        vt::JournalWriter::drain();
        QVERIFY(QFile::exists(journal));
        QVERIFY(doc.save(path(u"Grass.qzt"_s)).ok());
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(journal));

        // Undone below what was saved: a change again, recorded against the saved file.
        doc.undoStack()->undo();
        const vt::JournalContents contents = drainedJournal(doc.journalPath());
        QCOMPARE(contents.origin, vt::JournalOrigin::ofFile(path(u"Grass.qzt"_s)));
        TileInfoDocument fresh;
        QVERIFY(fresh.load(path(u"Grass.qzt"_s)).ok());
        fresh.replay(contents.records);
        QCOMPARE(fresh.tileInfo(), doc.tileInfo());
        fresh.undoStack()->redo();  // back to the file: saved
        QVERIFY(!fresh.isModified());

        // Opening another file drops what was not saved.
        QVERIFY(doc.load(path(u"Grass.qzt"_s)).ok());
        QCOMPARE(QDir(recovery()).entryList(QDir::Files), QStringList());
    }

    // A tileset made from values no file holds (another bitmap while changes were unsaved) is
    // recorded from an empty grid, so that a new document gets every value back.
    void aNewTilesetIsRecordedFromAnEmptyGrid()
    {
        TileInfoDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Grass.qzt"_s)).ok());
        doc.setTileValue(0, 0, 5);
        doc.fitGrid(3, 2);  // a larger bitmap: the history goes, the changes stay unsaved
        doc.setFileName(QString());
        QVERIFY(doc.isModified());
        QVERIFY(!doc.undoStack()->canUndo());
        doc.setTileValue(3, 2, 9);
        doc.undoStack()->undo();  // still unsaved: the journal stays
        const QString journal = doc.journalPath();
        QVERIFY(!journal.isEmpty());
        const vt::JournalContents contents = drainedJournal(journal);
        QVERIFY(contents.origin.isNew());
        QVERIFY(contents.origin.path.isEmpty());
        QVERIFY(vt::journalMatchesDisk(contents));

        TileInfoDocument fresh;
        fresh.fitGrid(3, 2);  // the bitmap's empty grid
        bool complete = false;
        fresh.replay(contents.records, &complete);
        QVERIFY(complete);
        QCOMPARE(fresh.tileInfo(), doc.tileInfo());
        QCOMPARE(fresh.tileInfo().tile(2, 1), 133);
        QCOMPARE(fresh.tileInfo().tile(0, 0), 5);
        fresh.undoStack()->redo();
        QCOMPARE(fresh.tileInfo().tile(3, 2), 9);

        // A grid too small for the records replays what fits and says so.
        TileInfoDocument small;
        small.fitGrid(0, 0);
        QVERIFY(small.replay(contents.records, &complete) < contents.edits());
        QVERIFY(!complete);
    }

    // A file changed since the journal began is never replayed: the journal is moved aside,
    // the user told where, and the file left as it is.
    void aChangedFileSetsTheJournalAside()
    {
        TileInfoDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Grass.qzt"_s)).ok());
        doc.setTileValue(0, 0, 5);
        const QString journal = doc.journalPath();
        vt::JournalWriter::drain();

        const QByteArray changed = tileFile(3, 2, {{{1, 0, 4}}});
        writeRaw(path(u"Grass.qzt"_s), changed);
        vt::FoundJournal found{journal, drainedJournal(journal)};
        QVERIFY(!vt::journalMatchesDisk(found.contents));
        FakeDialogs dialogs;
        QCOMPARE(vt::offerRecovery(dialogs, nullptr, u"Tiles"_s, found, u"a new tileset"_s),
                 vt::RecoveryAnswer::SetAside);
        QVERIFY(dialogs.unexpected.isEmpty());  // told, not asked
        QVERIFY(!QFile::exists(journal));
        const QStringList aside = QDir(recovery() + u"/set-aside"_s).entryList(QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY(dialogs.shown.back().text.contains(QDir::toNativeSeparators(recovery() + u"/set-aside/"_s + aside[0])));
        QCOMPARE(readRaw(path(u"Grass.qzt"_s)), changed);
    }

    // A journal that cannot be written is said once; editing goes on.
    void aJournalThatCannotBeWrittenNeverStopsEditing()
    {
        writeRaw(path(u"blocker"_s), "a file where the folder would be");
        TileInfoDocument doc;
        QSignalSpy failed(&doc, &TileInfoDocument::journalFailed);
        doc.recordTo(path(u"blocker/.recovery"_s));
        QVERIFY(doc.load(path(u"Grass.qzt"_s)).ok());
        QVERIFY(doc.setTileValue(0, 0, 5));
        QVERIFY(doc.setTileValue(1, 0, 6));
        doc.undoStack()->undo();
        doc.undoStack()->redo();
        QCOMPARE(failed.count(), 1);
        QCOMPARE(doc.tileInfo().tile(1, 0), 6);
        QVERIFY(doc.journalPath().isEmpty());
        QVERIFY(doc.save(path(u"Grass.qzt"_s)).ok());
    }
};

QTEST_GUILESS_MAIN(tst_tilejournal)
#include "tst_tilejournal.moc"
