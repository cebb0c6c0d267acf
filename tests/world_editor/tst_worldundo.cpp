#include "EditorFixture.h"

#include "windows/frmLevelView.h"

#include <QComboBox>
#include <QLabel>
#include <QUndoGroup>
#include <QUndoStack>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

struct World : Editor
{
    QUndoStack *undo() { return w->worldUndo.data(); }
    LevelRecord &level(int i) { return state().gWorld.Levels[std::size_t(i)]; }
    frmLevelView *details(int row)
    {
        clickLevel(row);
        trigger("mnuEditLevelDetails");
        return w->detailsWindow();
    }
    QStringList stepNames()
    {
        QStringList out;
        for (int i = 0; i < undo()->count(); ++i)
            out.append(undo()->text(i));
        return out;
    }
};

} // namespace

class tst_worldundo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachStoredDetailsFieldIsOneStep()
    {
        World e;
        makeMod(e.game);
        QVERIFY(e.start());
        QCOMPARE(e.undo()->count(), 0);
        frmLevelView *view = e.details(0);
        QVERIFY(view);
        QCOMPARE(e.undo()->count(), 0);  // showing a level stores what it holds already

        view->txtLevTime->setText(QStringLiteral("99"));
        view->txtPipeLevel[3]->setText(QStringLiteral("7"));
        view->cmbPipeDir[0]->setCurrentIndex(4);
        view->txtDefTile[4]->setText(QStringLiteral("not a number"));  // kept as it was: no step
        view->UpdateLevelInfo();
        QCOMPARE(e.stepNames(), (QStringList{QStringLiteral("Time"), QStringLiteral("Pipe 1 Exit Style"),
                                             QStringLiteral("Pipe 4 Level")}));
        view->UpdateLevelInfo();
        QCOMPARE(e.undo()->count(), 3);  // storing again changes nothing

        // What the user typed since stays in its box while an undo shows another field.
        view->txtScrollSpeed->setText(QStringLiteral("5"));
        e.trigger("mnuUndo");
        e.trigger("mnuUndo");
        QCOMPARE(e.level(0).Pipes[3].iDestLevel, qint16(0));
        QCOMPARE(e.level(0).Pipes[0].bExitStyle, quint8(0));
        QCOMPARE(view->txtPipeLevel[3]->text(), QStringLiteral("0"));
        QCOMPARE(view->cmbPipeDir[0]->currentIndex(), 0);
        QCOMPARE(view->txtScrollSpeed->text(), QStringLiteral("5"));
        e.undo()->undo();
        QCOMPARE(e.level(0).iTime, qint16(200));
        QCOMPARE(view->txtLevTime->text(), QStringLiteral("200"));
        e.trigger("mnuRedo");
        QCOMPARE(e.level(0).iTime, qint16(99));
        QCOMPARE(view->txtLevTime->text(), QStringLiteral("99"));

        // An area chosen in the list is a step of its own, and its undo puts the list back.
        const int cave = view->cmbFileList->findText(QStringLiteral("cave"));
        QStringList areas;
        for (int i = 0; i < view->cmbFileList->count(); ++i)
            areas.append(view->cmbFileList->itemText(i));
        QVERIFY2(cave >= 0, qPrintable(areas.join(u',')));
        view->cmbFileList->setCurrentIndex(cave);
        QCOMPARE(e.level(0).sAreaFile, QByteArray("cave"));
        QCOMPARE(e.undo()->text(e.undo()->index() - 1), QStringLiteral("Area File"));
        e.undo()->undo();
        QCOMPARE(e.level(0).sAreaFile, QByteArray("Meadow"));
        QCOMPARE(view->cmbFileList->currentText(), QStringLiteral("Meadow"));
    }

    void killLastComesBackWholeAndAddGoesAgain()
    {
        World e;
        makeMod(e.game);
        WorldDetails world = threeLevels();
        LevelRecord &last = world.Levels[2];
        last.iTime = -7;
        last.sAreaFile = "Meadow";
        last.Pipes[15] = {qint16(3), quint8(9), quint8(2)};
        last.SpecialTiles[2] = {qint16(11), qint16(12)};
        QVERIFY(mWorldData::SaveWorldData(world, e.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QVERIFY(e.start());
        const QStringList listed = lines(e.w->lstLevels);
        frmLevelView *view = e.details(2);
        const LevelRecord before = e.level(2);  // with the tileset its showing stored
        QCOMPARE(before.iTime, qint16(-7));

        const bool modifiedBefore = e.w->isWindowModified();
        e.w->cmdRegulate[0]->click();
        QCOMPARE(e.state().gWorld.Levels.size(), 2u);
        QCOMPARE(view->windowTitle(), QStringLiteral("Editing Level #3 (removed)[*]"));
        // The frame and the details window are marked while the details are unsaved.
        QVERIFY(e.w->isWindowModified());
        QVERIFY(view->isWindowModified());
        e.trigger("mnuUndo");
        QCOMPARE(e.w->isWindowModified(), modifiedBefore);
        QCOMPARE(view->isWindowModified(), modifiedBefore);
        QCOMPARE(e.state().gWorld.Levels.size(), 3u);
        QCOMPARE(e.level(2), before);
        QCOMPARE(lines(e.w->lstLevels), listed);
        QCOMPARE(view->windowTitle(), QStringLiteral("Editing Level #3[*]"));
        QVERIFY(view->txtLevTime->isEnabled());
        QCOMPARE(view->txtLevTime->text(), QStringLiteral("-7"));
        e.trigger("mnuRedo");
        QCOMPARE(e.state().gWorld.Levels.size(), 2u);
        QVERIFY(!view->txtLevTime->isEnabled());

        e.w->cmdRegulate[0]->click();
        e.w->cmdRegulate[0]->click();  // the only level stays, and that is no step
        QCOMPARE(e.state().gWorld.Levels.size(), 1u);
        QCOMPARE(e.stepNames(),
                 (QStringList{QStringLiteral("Tileset"), QStringLiteral("Kill Last"), QStringLiteral("Kill Last")}));
        e.w->cmdRegulate[1]->click();
        QCOMPARE(lines(e.w->lstLevels).last(), QStringLiteral("2: [NEW]"));
        e.undo()->undo();
        QCOMPARE(lines(e.w->lstLevels), QStringList{listed.first()});
        e.undo()->redo();
        QCOMPARE(e.level(1).sName, QByteArray("[NEW]"));
        while (e.undo()->canUndo())
            e.undo()->undo();
        QCOMPARE(e.state().gWorld, world);
    }

    void renamesAndResourceChoicesUndo()
    {
        World e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.clickLevel(1);
        // Level 2's tileset is missing: the first one is stored for it, as a step.
        QCOMPARE(e.level(1).sTileset, QByteArray("Cave"));
        QCOMPARE(e.stepNames(), QStringList{QStringLiteral("Tileset")});

        e.triggerItem(e.w->mnuSkinList, QStringLiteral("standard.qze"));
        QCOMPARE(e.level(1).sEnemySkin, QByteArray("standard"));
        e.triggerItem(e.w->mnuSkinList, QStringLiteral("standard.qze"));  // the same again: no step
        e.triggerItem(e.w->mnuBackgroundList, QStringLiteral("cave.bmp"));
        e.triggerItem(e.w->mnuTilesetList, QStringLiteral("Grass.qzt"));
        e.dialogs.dialogScripts.push_back(typeName(QStringLiteral("Dungeon")));
        e.w->cmdRename->click();
        e.dialogs.dialogScripts.push_back(typeName(QStringLiteral("Lava Land")));
        QTest::mouseClick(e.w->lblCurWorldName, Qt::LeftButton);
        QCOMPARE(e.stepNames(),
                 (QStringList{QStringLiteral("Tileset"), QStringLiteral("Enemies"), QStringLiteral("Background"),
                              QStringLiteral("Tileset"), QStringLiteral("Rename Level"), QStringLiteral("Rename World")}));
        QCOMPARE(e.w->findChild<QAction *>(QStringLiteral("mnuUndo"))->text(), QStringLiteral("Undo Rename World"));

        e.trigger("mnuUndo");
        QCOMPARE(e.w->lblCurWorldName->text(), QStringLiteral("Green Hills"));
        e.trigger("mnuUndo");
        QCOMPARE(lines(e.w->lstLevels)[1], QStringLiteral("2: Castle"));
        e.trigger("mnuUndo");
        QCOMPARE(e.level(1).sTileset, QByteArray("Cave"));
        QCOMPARE(checked(e.w->mnuTilesetList), QStringList{QStringLiteral("Cave.qzt")});
        e.trigger("mnuUndo");
        QCOMPARE(e.level(1).sBackdrop, QByteArray("Sky.gif"));
        QCOMPARE(checked(e.w->mnuBackgroundList), QStringList{QStringLiteral("Sky.gif")});
        e.trigger("mnuUndo");
        QCOMPARE(e.level(1).sEnemySkin, QByteArray("Night"));
        QCOMPARE(checked(e.w->mnuSkinList), QStringList{QStringLiteral("Night.qze")});
        e.trigger("mnuUndo");
        QCOMPARE(e.level(1).sTileset, QByteArray("Missing"));
        QCOMPARE(e.state().gWorld, threeLevels());
        while (e.undo()->canRedo())
            e.undo()->redo();
        QCOMPARE(e.level(1).sName, QByteArray("Dungeon"));
        QCOMPARE(e.state().gWorld.sWorldName, QByteArray("Lava Land"));
        QCOMPARE(checked(e.w->mnuSkinList), QStringList{QStringLiteral("standard.qze")});
    }

    void anotherWorldStartsANewHistory()
    {
        World e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.w->cmdRegulate[1]->click();
        e.undo()->undo();
        QCOMPARE(e.undo()->count(), 1);
        // Back where it was opened, the world still asks before it is left.
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.triggerItem(e.w->mnuWorldList, QStringLiteral("Lava Land"));
        QCOMPARE(e.dialogs.texts().count(kSaveQuestion), 1);
        QCOMPARE(e.state().nCurWorld, 1);
        QCOMPARE(e.undo()->count(), 0);
        QVERIFY(!e.undo()->canRedo());
    }
};

QTEST_MAIN(tst_worldundo)
#include "tst_worldundo.moc"
