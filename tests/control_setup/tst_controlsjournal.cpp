#include "documents/ControlsDocument.h"

#include "support/FakeDialogs.h"
#include "support/RawFiles.h"

#include "Journal.h"
#include "support/Journals.h"
#include "Recovery.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace keyvane;

namespace {

const QByteArray kDefaultBytes =
    QByteArray::fromHex("2A 39 2C 2D 0E 19 02 03 01 04 05 06 CB CD D0 C8 01 C4 09 AC 0D");


} // namespace

// The controls document's crash journal: a record per edit, replayed through the same edits.
class tst_controlsjournal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString controls() const { return m_dir.filePath(u"Controls.qzc"_s); }
    QString recovery() const { return vt::recoveryFolder(m_dir.path()); }

private Q_SLOTS:
    void init()
    {
        QDir(recovery()).removeRecursively();
        writeRaw(controls(), kDefaultBytes);
    }

    void aReplayedJournalGivesTheEditedControls()
    {
        ControlsDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(controls()).ok());
        QVERIFY(doc.journalPath().isEmpty());
        doc.setKey(0, 30);
        doc.setKey(6, 31);
        doc.setJoyButton(2, 9);
        doc.setSensitivity(1, 9000);  // brought in to the most the stick gives
        doc.setKey(6, 200);           // back as saved, the others not
        const vt::JournalContents contents = drainedJournal(doc.journalPath());
        QCOMPARE(contents.program, u"keyvane"_s);
        QCOMPARE(contents.kind, u"controls"_s);
        QCOMPARE(contents.origin.path, QFileInfo(controls()).absoluteFilePath());
        QVERIFY(vt::journalMatchesDisk(contents));

        ControlsDocument fresh;
        QVERIFY(fresh.load(controls()).ok());
        bool complete = false;
        QCOMPARE(fresh.replay(contents.records, &complete), contents.edits());
        QVERIFY(complete);
        QVERIFY(fresh.isModified());
        QCOMPARE(fresh.gControls(), doc.gControls());
        QCOMPARE(fresh.gControls().iSensY, ControlsDocument::kMaxThreshold);

        QVERIFY(doc.save().ok());
        const QByteArray edited = readRaw(controls());
        writeRaw(controls(), kDefaultBytes);
        QVERIFY(fresh.save().ok());
        QCOMPARE(readRaw(controls()), edited);
    }

    // Begun with every setting that differs when the record becomes modified; gone when it
    // is back as saved, saved, or the file read again.
    void theJournalFollowsWhetherThereIsAnythingToRecover()
    {
        ControlsDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(controls()).ok());
        doc.setKey(0, 30);
        const QString journal = doc.journalPath();
        vt::JournalWriter::drain();
        QVERIFY(QFile::exists(journal));
        doc.setKey(0, 44);  // as saved
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(journal));

        // The first edit after a recovery-free stretch brings every difference with it.
        doc.setJoyButton(0, 7);
        QVERIFY(doc.save().ok());
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(journal));
        doc.setJoyButton(0, 2);
        doc.setKey(1, 20);
        const vt::JournalContents contents = drainedJournal(doc.journalPath());
        ControlsDocument fresh;
        QVERIFY(fresh.load(controls()).ok());
        fresh.replay(contents.records);
        QCOMPARE(fresh.gControls(), doc.gControls());

        QVERIFY(doc.load(controls()).ok());
        vt::JournalWriter::drain();
        QCOMPARE(QDir(recovery()).entryList(QDir::Files), QStringList());
    }

    // Edits made to the defaults of a missing file do not apply once a file is there.
    void aFileMadeSinceTheJournalBeganIsNotReplayedOnto()
    {
        QFile::remove(controls());
        ControlsDocument doc;
        doc.recordTo(recovery());
        QVERIFY(!doc.load(controls()).ok());  // the defaults
        doc.setKey(2, 33);
        const QString journal = doc.journalPath();
        vt::FoundJournal found{journal, drainedJournal(journal)};
        QVERIFY(vt::journalMatchesDisk(found.contents));

        const QByteArray other = QByteArray(kDefaultBytes).replace(0, 1, "\x10");
        writeRaw(controls(), other);
        QVERIFY(!vt::journalMatchesDisk(found.contents));
        FakeDialogs dialogs;
        QCOMPARE(vt::offerRecovery(dialogs, nullptr, u"Setup"_s, found, u"Controls.qzc"_s),
                 vt::RecoveryAnswer::SetAside);
        QVERIFY(!QFile::exists(journal));
        QCOMPARE(QDir(recovery() + u"/set-aside"_s).entryList(QDir::Files).size(), 1);
        QCOMPARE(readRaw(controls()), other);
    }

    void aJournalThatCannotBeWrittenNeverStopsEditing()
    {
        writeRaw(m_dir.filePath(u"blocker"_s), "a file where the folder would be");
        ControlsDocument doc;
        QSignalSpy failed(&doc, &ControlsDocument::journalFailed);
        doc.recordTo(m_dir.filePath(u"blocker/.recovery"_s));
        QVERIFY(doc.load(controls()).ok());
        QVERIFY(doc.setKey(0, 30));
        QVERIFY(doc.setKey(1, 31));
        QVERIFY(doc.setKey(0, 44));
        QCOMPARE(failed.count(), 1);
        QVERIFY(doc.isModified());
        QVERIFY(doc.save().ok());
    }
};

QTEST_GUILESS_MAIN(tst_controlsjournal)
#include "tst_controlsjournal.moc"
