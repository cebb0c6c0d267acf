// An area's crash journal: what the history did since the file was read comes back, step by
// step, in a document that reads the same file; a journal that is cut, stale or cannot be
// written never costs the user the file or the editing.
#include "documents/AreaDocument.h"

#include "HistoryJournal.h"
#include "Journal.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include "support/SmallDisk.h"

using namespace tessaforge;
using namespace Qt::StringLiterals;

namespace {

AreaCell tile(int x, int y)
{
    return AreaCell{true, quint8(x), quint8(y), 0, 0};
}

QByteArray bytesOf(const AreaDocument &doc)
{
    QByteArray out;
    if (!encode(doc.area(), out))
        return {};
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A 40 x 12 area with a few tiles, saved at dir/Meadow.qzl.
QString meadow(const QTemporaryDir &dir)
{
    AreaDocument doc;
    (void)doc.resize(40, 12);
    for (int x = 0; x < 40; x += 3)
        (void)doc.paintCell(x, 11, tile(1, 0), u"Paint"_s);
    const QString path = dir.filePath(u"Meadow.qzl"_s);
    return doc.save(path, dir.path()) ? path : QString();
}

// A drag, a fill, a block, a resize, a side-warp toggle, an undo and a new step after it.
void edit(AreaDocument &doc)
{
    doc.beginStroke();
    for (int x = 2; x < 30; ++x)
        (void)doc.paintCell(x, 5 + x % 3, tile(x % 4, 1), u"Paint"_s);
    doc.placeStart(QPoint(3, 4));
    doc.endStroke();
    doc.applyTool([](oLevel &area) -> std::optional<AreaChange> {
        return floodFill(area, 0, 0, AreaLayer::Tags, false, 0, 7, 1 << 20);
    }, u"Fill"_s);
    doc.changeCells({CellChange{1, 1, cellAt(doc.area(), 1, 1), AreaCell{true, 9, 9, 3, 4}}}, u"Paste"_s);
    (void)doc.resize(36, 14);
    doc.toggleSideWarp();
    doc.undoStack()->undo();
    doc.changeCells({CellChange{0, 13, AreaCell{}, tile(2, 2)}}, u"Paste"_s);
}

// Meadow.qzl open in a document that records to dir/.recovery.
struct Recording
{
    QTemporaryDir dir;
    QString path = meadow(dir);
    AreaDocument doc;

    bool open()
    {
        doc.recordTo(dir.filePath(u".recovery"_s));
        return !path.isEmpty() && doc.load(path, u"Meadow"_s);
    }
};

struct Recovered
{
    std::unique_ptr<AreaDocument> doc = std::make_unique<AreaDocument>();
    vt::JournalContents journal;
    qsizetype edits = 0;
    bool complete = false;
};

Recovered recover(const QString &areaPath, const QString &journalPath)
{
    Recovered r;
    vt::JournalWriter::drain();
    if (!vt::readJournal(journalPath, r.journal) || !r.doc->load(areaPath, u"Meadow"_s))
        return r;
    r.edits = r.doc->recover(r.journal, &r.complete);
    return r;
}

} // namespace

class tst_areajournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editsComeBackStepByStepFromTheJournal()
    {
        QTemporaryDir dir;
        const QString path = meadow(dir);
        QVERIFY(!path.isEmpty());
        const QString folder = dir.filePath(u".recovery"_s);
        AreaDocument doc;
        doc.recordTo(folder);
        QVERIFY(doc.load(path, u"Meadow"_s));
        QVERIFY(doc.journalPath().isEmpty());  // nothing to recover yet
        edit(doc);
        const QString journal = doc.journalPath();
        QVERIFY(journal.startsWith(folder + u"/tessaforge-area-"_s));

        Recovered r = recover(path, journal);
        QVERIFY(r.complete);
        QCOMPARE(r.journal.origin.path, path);
        QVERIFY(vt::journalMatchesDisk(r.journal));
        QCOMPARE(bytesOf(*r.doc), bytesOf(doc));
        QVERIFY(r.doc->isModified());
        QCOMPARE(r.doc->undoStack()->index(), doc.undoStack()->index());
        QCOMPARE(r.doc->undoStack()->count(), doc.undoStack()->count());
        // The recovered history undoes as the lost one did, down to the file.
        while (doc.undoStack()->canUndo()) {
            QCOMPARE(r.doc->undoStack()->undoText(), doc.undoStack()->undoText());
            doc.undoStack()->undo();
            r.doc->undoStack()->undo();
            QCOMPARE(bytesOf(*r.doc), bytesOf(doc));
        }
        QVERIFY(!r.doc->isModified());
        QCOMPARE(bytesOf(*r.doc), readAll(path));
    }

    void theJournalGoesWhenTheEditsAreSavedUndoneOrDiscarded()
    {
        Recording r0;
        QVERIFY(r0.open());
        AreaDocument &doc = r0.doc;
        const QString &path = r0.path;
        const QTemporaryDir &dir = r0.dir;

        QVERIFY(doc.paintCell(1, 1, tile(3, 3), u"Paint"_s));
        const QString journal = doc.journalPath();
        vt::JournalWriter::drain();
        QVERIFY(QFile::exists(journal));
        doc.undoStack()->undo();
        QVERIFY(!QFile::exists(journal));

        QVERIFY(doc.paintCell(1, 1, tile(3, 3), u"Paint"_s));
        QVERIFY(QFile::exists(doc.journalPath()));
        QVERIFY(doc.save(path, dir.path()));
        QVERIFY(!QFile::exists(journal));

        QVERIFY(doc.paintCell(2, 1, tile(3, 3), u"Paint"_s));
        QVERIFY(QFile::exists(doc.journalPath()));
        doc.discardJournal();
        QVERIFY(!QFile::exists(journal));
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(journal));  // nothing queued brings it back
    }

    // Undone past the saved state: the journal keeps the steps the file holds, to take them
    // back on replay.
    void undoingPastTheSavedStateIsRecovered()
    {
        Recording r0;
        QVERIFY(r0.open());
        AreaDocument &doc = r0.doc;
        const QString &path = r0.path;
        const QTemporaryDir &dir = r0.dir;
        QVERIFY(doc.paintCell(1, 1, tile(3, 3), u"Paint"_s));
        QVERIFY(doc.paintCell(2, 1, tile(4, 3), u"Paint"_s));
        QVERIFY(doc.save(path, dir.path()));
        doc.undoStack()->undo();
        doc.undoStack()->undo();
        QVERIFY(doc.paintCell(5, 5, tile(1, 1), u"Paint"_s));

        Recovered r = recover(path, doc.journalPath());
        QVERIFY(r.complete);
        QCOMPARE(bytesOf(*r.doc), bytesOf(doc));
        r.doc->undoStack()->undo();
        QCOMPARE(r.doc->area().IsTile(1, 1), false);
        QCOMPARE(r.doc->area().IsTile(5, 5), false);
    }

    // A kill while the last record was being written: whatever it was cut to, replay stops
    // cleanly before it.
    void aJournalCutInItsLastRecordGivesTheEditsBeforeIt()
    {
        Recording r0;
        QVERIFY(r0.open());
        AreaDocument &doc = r0.doc;
        const QString &path = r0.path;
        const QTemporaryDir &dir = r0.dir;
        QVERIFY(doc.paintCell(1, 1, tile(3, 3), u"Paint"_s));
        QVERIFY(doc.paintCell(2, 2, tile(3, 3), u"Paint"_s));
        const QByteArray beforeLast = bytesOf(doc);
        QVERIFY(doc.paintCell(3, 3, tile(3, 3), u"Paint"_s));
        vt::JournalWriter::drain();
        const QByteArray whole = readAll(doc.journalPath());
        vt::JournalContents full;
        QVERIFY(vt::readJournal(doc.journalPath(), full));
        QCOMPARE(full.edits(), 3);
        const qsizetype lastRecord = 5 + full.records.back().payload.size() + 4;

        const QString cut = dir.filePath(u"cut.journal"_s);
        for (qsizetype keep = whole.size() - lastRecord; keep < whole.size(); ++keep) {
            QFile f(cut);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(whole.left(keep));
            f.close();
            Recovered r = recover(path, cut);
            QCOMPARE(r.edits, 2);
            QCOMPARE(r.journal.damaged, keep != whole.size() - lastRecord);
            QCOMPARE(bytesOf(*r.doc), beforeLast);
        }
        // A flipped bit in the last record's payload is caught by its checksum.
        QByteArray flipped = whole;
        flipped[flipped.size() - 6] = char(flipped[flipped.size() - 6] ^ 0x10);
        QFile f(cut);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(flipped);
        f.close();
        Recovered r = recover(path, cut);
        QVERIFY(r.journal.damaged);
        QCOMPARE(r.edits, 2);
    }

    // The file changed since the journal began (saved by another program, or restored): the
    // journal is never replayed onto it, and is kept aside rather than deleted.
    void aJournalOfAFileChangedSinceIsSetAside()
    {
        QTemporaryDir dir;
        const QString path = meadow(dir);
        const QString folder = dir.filePath(u".recovery"_s);
        auto doc = std::make_unique<AreaDocument>();
        doc->recordTo(folder);
        QVERIFY(doc->load(path, u"Meadow"_s));
        QVERIFY(doc->paintCell(1, 1, tile(3, 3), u"Paint"_s));
        const QString journal = doc->journalPath();
        doc.reset();  // the program died: the journal stays
        vt::JournalWriter::drain();
        QCOMPARE(vt::journalsOf(folder, u"tessaforge"_s), QStringList{journal});

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray changed = f.readAll();
        changed[20] = char(changed[20] ^ 1);
        f.seek(0);
        f.write(changed);
        f.close();
        vt::JournalContents contents;
        QVERIFY(vt::readJournal(journal, contents));
        QVERIFY(!vt::journalMatchesDisk(contents));
        QString aside;
        QVERIFY(vt::setJournalAside(journal, aside));
        QVERIFY(!QFile::exists(journal));
        QVERIFY(aside.startsWith(folder + u"/set-aside/"_s));
        QCOMPARE(readAll(aside).size() > 0, true);
        QCOMPARE(readAll(path), changed);
        QVERIFY(vt::journalsOf(folder, u"tessaforge"_s).isEmpty());
    }

    // A running program's journal is its own: another one looking for journals to offer
    // passes it by.
    void aJournalInUseIsNotOffered()
    {
        QTemporaryDir dir;
        const QString path = meadow(dir);
        const QString folder = dir.filePath(u".recovery"_s);
        AreaDocument doc;
        doc.recordTo(folder);
        QVERIFY(doc.load(path, u"Meadow"_s));
        QVERIFY(doc.paintCell(1, 1, tile(3, 3), u"Paint"_s));
        vt::JournalWriter::drain();
        QVERIFY(QFile::exists(doc.journalPath()));
        QVERIFY(vt::journalsOf(folder, u"tessaforge"_s).isEmpty());
        // Nor can a second editor of the same file record into it.
        AreaDocument second;
        QSignalSpy failed(&second, &AreaDocument::journalFailed);
        second.recordTo(folder);
        QVERIFY(second.load(path, u"Meadow"_s));
        QVERIFY(second.paintCell(2, 2, tile(3, 3), u"Paint"_s));
        QCOMPARE(failed.count(), 1);
        QVERIFY(second.isModified());
    }

    // A full disk: editing goes on, the user hears it once.
    void aFullDiskTurnsTheJournalOffOnceAndEditingGoesOn()
    {
        QTemporaryDir dir;
        const QString path = meadow(dir);
        SmallDisk disk(QString(), "16k");
        if (!disk.mounted())
            QSKIP(qPrintable(disk.reason()));
        const QString folder = disk.path();

        AreaDocument doc;
        QSignalSpy failed(&doc, &AreaDocument::journalFailed);
        doc.recordTo(folder);
        QVERIFY(doc.load(path, u"Meadow"_s));
        for (int round = 0; round < 6; ++round) {
            doc.beginStroke();
            for (int x = 0; x < 40; ++x)
                for (int y = 0; y < 12; ++y)
                    (void)doc.paintCell(x, y, tile(round % 4 + 1, x % 4), u"Paint"_s);
            doc.endStroke();
            vt::JournalWriter::drain();
            QCoreApplication::processEvents();
        }
        QCOMPARE(failed.count(), 1);
        QVERIFY2(failed.first().at(0).toString().contains(u"space"_s), qPrintable(failed.first().at(0).toString()));
        QCOMPARE(doc.undoStack()->count(), 6);
        QVERIFY(doc.save(path, dir.path()));
        QCOMPARE(readAll(path), bytesOf(doc));
    }
};

QTEST_GUILESS_MAIN(tst_areajournal)
#include "tst_areajournal.moc"
