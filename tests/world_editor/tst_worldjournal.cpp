// The world details and the world map recorded for recovery: a frame that is dropped with
// unsaved changes (as a crash drops it) leaves them to the next one, which offers them when
// the world or its map opens; what comes back is what was there, step by step.
#include "EditorFixture.h"

#include "documents/MapDocument.h"
#include "documents/WorldDocument.h"
#include "windows/frmMapScreenEdit.h"

#include "Journal.h"

#include <QUndoStack>

using namespace tessaforge;
using namespace tessaforge::testing;
using namespace Qt::StringLiterals;

namespace {

QByteArray detailsBytes(const WorldDocument &world)
{
    QByteArray out;
    return mWorldData::encode(world.state().gWorld, out) ? out : QByteArray();
}

QByteArray mapBytes(const MapDocument &map)
{
    QByteArray out;
    return encode(map.worldMap(), out) ? out : QByteArray();
}

bool offered(const FakeDialogs &dialogs, const QString &start)
{
    return std::any_of(dialogs.shown.begin(), dialogs.shown.end(), [&](const FakeDialogs::Shown &s) {
        return s.buttons == vt::Dialogs::Buttons::RecoverDiscard && s.text.startsWith(start);
    });
}

} // namespace

class tst_worldjournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void worldDetailsComeBackWhenTheWorldOpens()
    {
        Editor e;
        makeMod(e.game);
        QByteArray edited;
        int steps = 0;
        {
            QVERIFY(e.start(u"Demo"_s));
            WorldDocument &world = e.w->world();
            QVERIFY(world.setLevelField(0, {LevelField::Kind::Time, 0}, LevelFieldValue{{}, 321}));
            QVERIFY(world.setLevelField(1, {LevelField::Kind::Name, 0}, LevelFieldValue{"Ruins", 0}));
            world.renameWorld("Grey Hills");
            LevelRecord extra = world.state().gWorld.Levels.front();
            extra.sName = "Bonus";
            world.addLevel(extra);
            QVERIFY(world.killLastLevel());
            world.undoStack()->undo();  // the bonus level is back
            QVERIFY(world.setLevelField(3, {LevelField::Kind::PipeDestLevel, 2}, LevelFieldValue{{}, 7}));
            edited = detailsBytes(world);
            steps = world.undoStack()->count();
            vt::JournalWriter::drain();
            QVERIFY(QFile::exists(world.journalPath()));
            e.w.reset();  // dropped without a question, as a crash drops it
        }
        vt::JournalWriter::drain();

        Editor &next = e;
        next.dialogs.shown.clear();
        next.dialogs.answers.push_back(FakeDialogs::Answer::Yes);  // Recover
        QVERIFY(next.start(u"Demo"_s));
        QVERIFY(offered(next.dialogs, u"Recover unsaved changes to Worldata.qzw from "_s));
        WorldDocument &world = next.w->world();
        QVERIFY(world.isModified());
        QVERIFY(next.w->isWindowModified());
        QCOMPARE(detailsBytes(world), edited);
        QCOMPARE(world.undoStack()->count(), steps);
        QCOMPARE(world.state().gWorld.sWorldName, QByteArray("Grey Hills"));
        QCOMPARE(next.w->lstLevels->count(), 4);  // the frame shows what came back
        while (world.undoStack()->canUndo())
            world.undoStack()->undo();
        QVERIFY(!world.isModified());
        QCOMPARE(world.state().gWorld.Levels.size(), std::size_t(3));
    }

    void mapChangesComeBackWhenTheMapOpens()
    {
        Editor e;
        e.game.copyGame(QStringLiteral(VT_DEMO_GAME_DIR));  // a world with its map's pictures
        QByteArray edited;
        {
            QVERIFY(e.start(u"Demo Mod"_s));
            e.trigger("mnuShowWorldMap");
            frmMapScreenEdit *map = e.w->mapEditor();
            QVERIFY(map);
            MapDocument &doc = map->document();
            QVERIFY(doc.edit(u"Add Node"_s, [](oWorldMap &m) { (void)m.AddNode(40, 50, false); }, 1, 2));
            QVERIFY(doc.edit(u"Move Node"_s, [](oWorldMap &m) { m.moveNode(1, 200, 120); }, 1, 1));
            const quint8 added = quint8(doc.worldMap().nodeCount());
            QVERIFY(doc.edit(u"Link"_s, [added](oWorldMap &m) { m.setRightNode(1, added); }, 1, 1));
            doc.undoStack()->undo();
            edited = mapBytes(doc);
            vt::JournalWriter::drain();
            QVERIFY(QFile::exists(doc.journalPath()));
            e.w.reset();
        }
        vt::JournalWriter::drain();

        Editor &next = e;
        next.dialogs.shown.clear();
        QVERIFY(next.start(u"Demo Mod"_s));
        QVERIFY2(next.dialogs.shown.back().text.contains(u"/Worldmap.qzm: 3 edits, the last at "_s),  // waits for the map
                 qPrintable(next.dialogs.shown.back().text));
        next.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        next.trigger("mnuShowWorldMap");
        QVERIFY(offered(next.dialogs, u"Recover unsaved changes to Worldmap.qzm from "_s));
        MapDocument &doc = next.w->mapEditor()->document();
        QVERIFY(doc.isModified());
        QCOMPARE(mapBytes(doc), edited);
        doc.undoStack()->redo();  // the undone link is there to redo
        QCOMPARE(int(doc.worldMap().RightNode(1)), doc.worldMap().nodeCount());
    }
};

QTEST_MAIN(tst_worldjournal)
#include "tst_worldjournal.moc"
