// The world document without windows: steps of the details, their signals, modified state.
#include "documents/WorldDocument.h"

#include "support/TempGame.h"

#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

using namespace tessaforge;

class tst_worlddocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detailsStepsSayWhatChangedAndUndoToTheSavedDetails()
    {
        TempGame game;
        game.write(QStringLiteral("Mods/Demo/Worlds.inf"), "World1\r\n");
        WorldDocument doc(game.path());
        doc.state().sModName = QStringLiteral("Demo");
        QVERIFY(doc.state().LoadWorldList().ok());
        doc.state().nCurWorld = -1;  // listed, not yet opened
        QCOMPARE(doc.state().SelectWorld(0).outcome, EditorState::WorldOpening::Created);
        doc.worldReplaced();
        QVERIFY(!doc.isModified());

        QSignalSpy fields(&doc, &WorldDocument::levelFieldChanged);
        QSignalSpy levels(&doc, &WorldDocument::levelsChanged);
        QSignalSpy name(&doc, &WorldDocument::worldNameChanged);
        QSignalSpy modified(&doc, &WorldDocument::modifiedChanged);

        const LevelField tileset{LevelField::Kind::Tileset, 0};
        QVERIFY(doc.setLevelField(0, tileset, LevelFieldValue{"Grass", 0}));
        QVERIFY(!doc.setLevelField(0, tileset, LevelFieldValue{"Grass", 0}));  // held already
        QVERIFY(!doc.setLevelField(5, tileset, LevelFieldValue{"Grass", 0}));  // no such level
        QCOMPARE(fields.count(), 1);
        QCOMPARE(fields.at(0).at(0).toInt(), 0);
        QCOMPARE(doc.state().gWorld.Levels[0].sTileset, QByteArray("Grass"));
        QCOMPARE(modified.count(), 1);

        LevelRecord added;
        added.sName = "[NEW]";
        doc.addLevel(added);
        QCOMPARE(doc.state().gWorld.Levels.size(), std::size_t(2));
        QVERIFY(doc.killLastLevel());
        QVERIFY(!doc.killLastLevel());  // the only level stays
        doc.undoStack()->undo();
        QCOMPARE(levels.last().at(0).toBool(), true);  // the removed level came back whole
        const QByteArray firstName = doc.state().gWorld.sWorldName;
        doc.renameWorld("Lava");
        doc.renameWorld("Lava");
        QCOMPARE(doc.undoStack()->count(), 3);  // the undone removal went with the rename
        QCOMPARE(name.count(), 1);

        QVERIFY(doc.save().ok());
        QVERIFY(!doc.isModified());
        doc.undoStack()->undo();
        QCOMPARE(doc.state().gWorld.sWorldName, firstName);
        QVERIFY(doc.isModified());
        doc.undoStack()->redo();
        QVERIFY(!doc.isModified());

        doc.worldReplaced();
        QCOMPARE(doc.undoStack()->count(), 0);
        QVERIFY(!doc.isModified());
    }
};

QTEST_GUILESS_MAIN(tst_worlddocument)
#include "tst_worlddocument.moc"
