#include "SkinloftFixture.h"

#include "Journal.h"

#include <QAction>
#include <QDir>
#include <QStatusBar>
#include <QUndoStack>

using namespace Qt::StringLiterals;
using namespace skinloft;
using namespace skinloft::testing;

// skinloft's window with its crash journal: what it offers at start and on Load, and what the
// user is told.
class tst_skinloft_recovery : public QObject
{
    Q_OBJECT

    static void startRecording(Skinloft &s)
    {
        vt::JournalWriter::drain();  // a journal is let go on the journal's thread
        s.start();
        s.w->startRecovery();
        QCoreApplication::processEvents();  // the offer waits until the window is up
    }

    static QStringList journals(const Skinloft &s)
    {
        vt::JournalWriter::drain();
        return QDir(vt::recoveryFolder(s.game.path())).entryList({u"*.journal"_s}, QDir::Files);
    }

private Q_SLOTS:
    void editsLeftByAnEndedRunAreOfferedAtStartAndOnLoad()
    {
        Skinloft s;
        s.game.write(u"Forest.qze"_s, QByteArray(50, '\0'));
        startRecording(s);
        QVERIFY(s.dialogs.fake.shown.empty());  // nothing to offer
        s.load(u"Forest.qze"_s);
        s.w->document().setEnemyGraphic(2, "imp.bmp");
        s.w->document().setEnemyGraphic(4, "owl.bmp");
        const EnemySkin edited = s.w->document().CurrentSkin();
        s.w.reset();  // the program ends without a word: the journal stays
        QCOMPARE(journals(s).size(), 1);

        // Closed unanswered at start: offered again when the file is opened.
        startRecording(s);
        QCOMPARE(s.dialogs.fake.unexpected.size(), 1);
        QVERIFY(s.dialogs.fake.unexpected[0].startsWith(u"Recover unsaved changes to Forest.qze from "_s));
        QVERIFY(s.dialogs.fake.unexpected[0].contains(u"2 edits were recorded."_s));
        QCOMPARE(s.dialogs.fake.shown.back().buttons, vt::Dialogs::Buttons::RecoverDiscard);
        QCOMPARE(s.dialogs.fake.shown.back().title, u"skinloft"_s);
        QVERIFY(s.w->document().fileName().isEmpty());
        s.dialogs.fake.answers.push_back(vt::Dialogs::Answer::Yes);
        s.load(u"Forest.qze"_s);
        QCOMPARE(s.w->document().CurrentSkin(), edited);
        QCOMPARE(s.shownTitle(), u"skinloft - Forest.qze*"_s);
        QCOMPARE(s.w->statusBar()->currentMessage(), u"Recovered 2 edits"_s);
        QCOMPARE(s.w->document().undoStack()->count(), 2);
        QCOMPARE(journals(s).size(), 1);  // the recovered edits are recorded in turn

        // Closed without saving: nothing left to offer.
        s.dialogs.fake.answers.push_back(vt::Dialogs::Answer::No);
        QVERIFY(s.w->close());
        QCOMPARE(journals(s), QStringList());
    }

    // Recovered at start: the file opened and the edits made again; Discard deletes the journal.
    void recoveredAtStartOrDiscarded()
    {
        Skinloft s;
        startRecording(s);
        s.w->document().setEnemyGraphic(1, "bat.gif");  // a skin never saved
        s.w.reset();

        s.dialogs.fake.answers.push_back(vt::Dialogs::Answer::Yes);
        startRecording(s);
        QVERIFY(s.dialogs.fake.texts().back().startsWith(u"Recover unsaved changes to a new skin from "_s));
        QCOMPARE(s.field(1), QByteArray("bat.gif"));
        QVERIFY(s.w->document().isModified());
        s.w.reset();

        s.dialogs.fake.answers.push_back(vt::Dialogs::Answer::No);
        startRecording(s);
        QCOMPARE(s.field(1), QByteArray());
        QCOMPARE(journals(s), QStringList());
    }

    // A folder the journal cannot be written to: said once, editing and saving go on.
    void aJournalThatCannotBeWrittenIsSaidOnce()
    {
        Skinloft s;
        s.game.write(u".recovery"_s, "a file where the folder would be");
        startRecording(s);
        s.w->document().setEnemyGraphic(1, "a.bmp");
        s.w->document().setEnemyGraphic(2, "b.bmp");
        s.w->document().undoStack()->undo();
        s.w->document().undoStack()->undo();
        s.w->document().setEnemyGraphic(3, "c.bmp");
        QCoreApplication::processEvents();
        QCOMPARE(s.dialogs.fake.texts().size(), 1);
        QVERIFY(s.dialogs.fake.texts()[0].startsWith(u"Recovery is off for a new skin: the folder "_s));
        QCOMPARE(s.field(3), QByteArray("c.bmp"));
        s.save(u"Saved.qze"_s);
        QVERIFY(!s.w->document().isModified());
    }
};

QTEST_MAIN(tst_skinloft_recovery)
#include "tst_skinloft_recovery.moc"
