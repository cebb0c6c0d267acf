// A program killed with SIGKILL in the middle of painting: the next world editor that opens
// the area offers the edits back, and saving them gives the very bytes the same edits give
// when saved normally. The painting runs in a process of its own (this test started again),
// so that nothing of the killed program's clean-up can help.
#include "EditorFixture.h"

#include "documents/AreaDocument.h"
#include "windows/frmLevelEdit.h"

#include "Journal.h"

#include <QApplication>
#include <QProcess>
#include <QUndoStack>

#include <csignal>
#include <cstdio>
#include <thread>

#include <sys/types.h>

using namespace tessaforge;
using namespace tessaforge::testing;
using namespace Qt::StringLiterals;

namespace {

const char kChild[] = "VT_RECOVERY_CHILD";

AreaCell tile(int x, int y)
{
    return AreaCell{true, quint8(x), quint8(y), 0, 0};
}

// What the killed program did: drags, a fill, a resize, an undo and a step after it.
void paint(AreaDocument &doc)
{
    for (int row = 0; row < 4; ++row) {
        doc.beginStroke();
        for (int x = 0; x < 40; ++x)
            (void)doc.paintCell(x, 2 + row * 2, tile((x + row) % 2, 1), u"Paint"_s);
        doc.endStroke();
    }
    doc.applyTool([](oLevel &area) -> std::optional<AreaChange> {
        return floodFill(area, 0, 11, AreaLayer::Enemies, false, 0, 5, 1 << 20);
    }, u"Fill"_s);
    (void)doc.resize(44, 12);
    doc.undoStack()->undo();
    doc.placeStart(QPoint(5, 9));
}

QByteArray bytesOf(const AreaDocument &doc)
{
    QByteArray out;
    return encode(doc.area(), out) ? out : QByteArray();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The child: paints, says so once its records are handed to the system, and waits to be killed.
int child(const QString &area, const QString &folder)
{
    AreaDocument doc;
    doc.recordTo(folder);
    if (!doc.load(area, u"Meadow"_s))
        return 2;
    paint(doc);
    vt::JournalWriter::drain();
    std::printf("ready %d\n", int(doc.undoStack()->count()));
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

class tst_arearecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editsOfAKilledProgramAreRecoveredWhenTheAreaIsOpened()
    {
        Editor e;
        makeMod(e.game);
        const QString areaPath = e.game.file(u"Mods/Demo/World1/Meadow.qzl"_s);
        {
            AreaDocument start;
            (void)start.resize(40, 12);
            (void)start.paintCell(0, 11, tile(1, 0), u"Paint"_s);
            QVERIFY(start.save(areaPath, e.game.path()));
        }
        const QByteArray original = readAll(areaPath);
        const QString folder = vt::recoveryFolder(e.game.path());

        QProcess painter;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChild), u"1"_s);
        painter.setProcessEnvironment(env);
        painter.start(QCoreApplication::applicationFilePath(), {areaPath, folder});
        QVERIFY(painter.waitForStarted());
        QVERIFY(painter.waitForReadyRead(30000));
        const QByteArray said = painter.readLine().trimmed();
        QVERIFY2(said.startsWith("ready "), said.constData());
        ::kill(pid_t(painter.processId()), SIGKILL);
        QVERIFY(painter.waitForFinished(10000));
        QCOMPARE(painter.exitStatus(), QProcess::CrashExit);
        QCOMPARE(readAll(areaPath), original);  // the file itself was never touched

        // The same edits saved normally, to compare with.
        AreaDocument normal;
        QVERIFY(normal.load(areaPath, u"Meadow"_s));
        paint(normal);
        const QByteArray expected = bytesOf(normal);

        // The next start: the area is opened, the edits are offered and recovered.
        QVERIFY(e.start(u"Demo"_s));
        e.clickLevel(0);
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);  // Recover
        e.trigger("mnuEditArea");
        frmLevelEdit *ed = e.w->areaEditor();
        QVERIFY(ed);
        QVERIFY2(e.dialogs.unexpected.isEmpty(), qPrintable(e.dialogs.unexpected.join(u'\n')));
        const auto asked = std::find_if(e.dialogs.shown.begin(), e.dialogs.shown.end(), [](const auto &s) {
            return s.buttons == vt::Dialogs::Buttons::RecoverDiscard;
        });
        QVERIFY(asked != e.dialogs.shown.end());
        QVERIFY2(asked->text.startsWith(u"Recover unsaved changes to Meadow.qzl from "_s), qPrintable(asked->text));
        // Four drags, the fill, the resize (undone since) and the start.
        QVERIFY2(asked->text.endsWith(u"\n\n7 edits were recorded."_s), qPrintable(asked->text));
        QCOMPARE(said, QByteArray("ready 6"));

        AreaDocument &doc = ed->document();
        QVERIFY(doc.isModified());
        QVERIFY(ed->isWindowModified());
        QCOMPARE(bytesOf(doc), expected);
        QCOMPARE(doc.undoStack()->count(), normal.undoStack()->count());
        QCOMPARE(doc.undoStack()->index(), normal.undoStack()->index());

        // Saved as any edit is: the bytes of the same edits, and the journal goes.
        const QString journal = doc.journalPath();
        QVERIFY(QFile::exists(journal));
        e.dialogs.inputs.push_back(u"Meadow"_s);
        QVERIFY(ed->SaveArea());
        QCOMPARE(readAll(areaPath), expected);
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(journal));
        QVERIFY(vt::journalsOf(folder, u"tessaforge"_s).isEmpty());

        // And it undoes step by step back to the file as it was before the kill.
        while (doc.undoStack()->canUndo())
            doc.undoStack()->undo();
        QCOMPARE(bytesOf(doc), original);
    }

    // Discard drops the journal: it is not offered again.
    void discardedEditsAreNotOfferedAgain()
    {
        Editor e;
        makeMod(e.game);
        const QString areaPath = e.game.file(u"Mods/Demo/World1/Meadow.qzl"_s);
        const QString folder = vt::recoveryFolder(e.game.path());
        {
            auto doc = std::make_unique<AreaDocument>();
            doc->recordTo(folder);
            QVERIFY(doc->load(areaPath, u"Meadow"_s));
            QVERIFY(doc->paintCell(0, 0, tile(1, 1), u"Paint"_s));
        }  // dropped unsaved: the journal stays, as after a crash
        vt::JournalWriter::drain();  // and is let go
        QCOMPARE(vt::journalsOf(folder, u"tessaforge"_s).size(), 1);
        QVERIFY(e.start(u"Demo"_s));
        e.clickLevel(0);
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);  // Discard
        e.trigger("mnuEditArea");
        QVERIFY(e.w->areaEditor());
        QVERIFY(!e.w->areaEditor()->document().isModified());
        QVERIFY(vt::journalsOf(folder, u"tessaforge"_s).isEmpty());
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(kChild)) {
        QCoreApplication app(argc, argv);
        return argc == 3 ? child(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])) : 2;
    }
    QApplication app(argc, argv);
    tst_arearecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_arearecovery.moc"
