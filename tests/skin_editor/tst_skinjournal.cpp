#include "documents/SkinDocument.h"

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
using namespace skinloft;

namespace {

QByteArray skinBytes(std::initializer_list<std::pair<int, QByteArray>> fields)
{
    EnemySkin skin;
    for (const auto &[i, name] : fields)
        skin.Fields[size_t(i)] = name;
    QByteArray out;
    [[maybe_unused]] const vt::Status s = mEnemySkinFile::encode(skin, out);
    return out;
}


} // namespace

// The skin document's crash journal: what it writes, and what a fresh document makes of it.
class tst_skinjournal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString recovery() const { return vt::recoveryFolder(m_dir.path()); }

private Q_SLOTS:
    void init()
    {
        QDir(recovery()).removeRecursively();
        writeRaw(path(u"Forest.qze"_s), skinBytes({{0, "slime.bmp"}, {3, "bat.gif"}}));
    }

    // Choices, undos, a choice undone below the save and a new one after it come back as the
    // same names (windows-1252 bytes as stored) and save to the same bytes.
    void aReplayedJournalGivesTheEditedSkin()
    {
        SkinDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Forest.qze"_s)).ok());
        doc.setEnemyGraphic(0, "troll.bmp");
        QVERIFY(doc.save(path(u"Forest.qze"_s)).ok());
        doc.undoStack()->undo();  // below the save: the file holds the troll
        doc.setEnemyGraphic(5, QByteArray("caf\xe9.bmp"));
        doc.setEnemyGraphic(3, QByteArray());
        doc.setEnemyGraphic(3, "owl.bmp");
        doc.undoStack()->undo();
        const vt::JournalContents contents = drainedJournal(doc.journalPath());
        QCOMPARE(contents.program, u"skinloft"_s);
        QCOMPARE(contents.kind, u"skin"_s);
        QVERIFY(vt::journalMatchesDisk(contents));

        SkinDocument fresh;
        QVERIFY(fresh.load(path(u"Forest.qze"_s)).ok());
        bool complete = false;
        fresh.replay(contents.records, &complete);
        QVERIFY(complete);
        QCOMPARE(fresh.CurrentSkin(), doc.CurrentSkin());
        QCOMPARE(fresh.CurrentSkin().Fields[5], QByteArray("caf\xe9.bmp"));
        QCOMPARE(fresh.undoStack()->count(), doc.undoStack()->count());
        QCOMPARE(fresh.undoStack()->index(), doc.undoStack()->index());
        QVERIFY(fresh.isModified());

        QVERIFY(doc.save(path(u"Edited.qze"_s)).ok());
        QVERIFY(fresh.save(path(u"Recovered.qze"_s)).ok());
        QCOMPARE(readRaw(path(u"Recovered.qze"_s)), readRaw(path(u"Edited.qze"_s)));
    }

    // Undone back to what was loaded, saved, or another file loaded: nothing left to recover.
    void theJournalGoesWhenTheSkinIsAsSaved()
    {
        SkinDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Forest.qze"_s)).ok());
        doc.setEnemyGraphic(1, "a.bmp");
        const QString journal = doc.journalPath();
        vt::JournalWriter::drain();
        QVERIFY(QFile::exists(journal));
        doc.undoStack()->undo();
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(journal));

        doc.undoStack()->redo();
        QVERIFY(doc.save(path(u"Other.qze"_s)).ok());
        vt::JournalWriter::drain();
        QCOMPARE(QDir(recovery()).entryList(QDir::Files), QStringList());

        doc.setEnemyGraphic(2, "b.bmp");
        QVERIFY(!doc.journalPath().isEmpty());
        QVERIFY(doc.load(path(u"Forest.qze"_s)).ok());
        vt::JournalWriter::drain();
        QCOMPARE(QDir(recovery()).entryList(QDir::Files), QStringList());
    }

    // A journal cut by the crash gives the edits before the cut, and the user is told how many.
    void aCutJournalGivesTheEditsBeforeTheCut()
    {
        SkinDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Forest.qze"_s)).ok());
        doc.setEnemyGraphic(1, "one.bmp");
        doc.setEnemyGraphic(2, "two.bmp");
        doc.setEnemyGraphic(3, "three.bmp");
        const QString journal = doc.journalPath();
        vt::JournalWriter::drain();
        QFile file(journal);
        QVERIFY(file.resize(file.size() - 3));

        vt::FoundJournal found{journal, drainedJournal(journal)};
        QVERIFY(found.contents.damaged);
        QCOMPARE(found.contents.edits(), 2);
        SkinDocument fresh;
        QVERIFY(fresh.load(path(u"Forest.qze"_s)).ok());
        bool complete = false;
        QCOMPARE(fresh.replay(found.contents.records, &complete), 2);
        QCOMPARE(fresh.CurrentSkin().Fields[2], QByteArray("two.bmp"));
        QCOMPARE(fresh.CurrentSkin().Fields[3], QByteArray("bat.gif"));
        const QString told = vt::recoveryShortfall(found, 2, complete, u"a new skin"_s);
        QVERIFY(told.contains(u"2 edits to Forest.qze were recovered"_s));

        // A record no choice could make stops the replay there.
        std::vector<vt::JournalEntry> bad = found.contents.records;
        bad.insert(bad.begin() + 1, {vt::JournalRecord::Step, QByteArray("\x63\0\0\0", 4)});
        SkinDocument third;
        QVERIFY(third.load(path(u"Forest.qze"_s)).ok());
        QCOMPARE(third.replay(bad, &complete), 1);
        QVERIFY(!complete);
    }

    // The file changed since: never replayed, moved aside, the file untouched.
    void aChangedFileSetsTheJournalAside()
    {
        SkinDocument doc;
        doc.recordTo(recovery());
        QVERIFY(doc.load(path(u"Forest.qze"_s)).ok());
        doc.setEnemyGraphic(1, "a.bmp");
        const QString journal = doc.journalPath();
        vt::JournalWriter::drain();
        const QByteArray changed = skinBytes({{0, "other.bmp"}});
        writeRaw(path(u"Forest.qze"_s), changed);
        const vt::JournalContents contents = drainedJournal(journal);
        QVERIFY(!vt::journalMatchesDisk(contents));
        QString aside;
        QVERIFY(vt::setJournalAside(journal, aside).ok());
        QVERIFY(QFile::exists(aside));
        QVERIFY(!QFile::exists(journal));
        QCOMPARE(readRaw(path(u"Forest.qze"_s)), changed);
    }
};

QTEST_GUILESS_MAIN(tst_skinjournal)
#include "tst_skinjournal.moc"
