#include "EditorFixture.h"

#include "support/RawFiles.h"
#include "support/SmallDisk.h"

#include "windows/ProgramIcon.h"
#include "windows/frmLevelEdit.h"
#include "windows/frmLevelTiles.h"
#include "windows/frmLevelView.h"
#include "windows/frmMain.h"
#include "windows/frmRenameLevel.h"
#include "windows/frmResizeLevel.h"
#include "world/mWorldData.h"

#include "FileIO.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <utility>

#include <sys/stat.h>

using namespace tessaforge;

using namespace tessaforge::testing;

class tst_mainwindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsOnTheFirstWorldOfTheChosenMod()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        QCOMPARE(e.w->windowTitle(), QStringLiteral("Tessaforge[*]"));
        QVERIFY(!e.w->isWindowModified());
        QVERIFY(e.w->isVisible());
        QCOMPARE(e.dialogs.dialogTitles, QStringList{QStringLiteral("Select Mod")});
        QCOMPARE(e.state().sModName, QStringLiteral("Demo"));
        QCOMPARE(e.w->lblCurWorldName->text(), QStringLiteral("Green Hills"));
        QCOMPARE(lines(e.w->lstLevels),
                 (QStringList{QStringLiteral("1: [NEW]"), QStringLiteral("2: Castle"), QStringLiteral("3: [NEW]")}));
        QCOMPARE(e.w->lstLevels->currentRow(), -1);
        QCOMPARE(e.state().nCurLevel, 0);
        QCOMPARE(captions(e.w->mnuWorldList), (QStringList{QStringLiteral("World1"), QStringLiteral("Lava Land")}));
        QCOMPARE(checked(e.w->mnuWorldList), QStringList{QStringLiteral("World1")});
        // Level 1 uses Grass: its picture is loaded (2 × 3 tiles).
        QCOMPARE(e.w->pictures().picHoldTiles.size(), QSize(64, 96));
        QVERIFY(e.dialogs.shown.empty());
        // Nothing was written by opening.
        QVERIFY(!e.game.exists(QStringLiteral("Mods/Demo/Lava Land")));
    }

    void endsWithoutAModOrWithABrokenMod()
    {
        {   // The "Select Mod" dialog closed without a choice: the program ends silently.
            Editor e;
            makeMod(e.game);
            e.w = std::make_unique<frmMain>(e.game.path(), e.dialogs);
            QVERIFY(!e.w->start());
            QVERIFY(!e.w->isVisible());
            QVERIFY(e.dialogs.shown.empty());
        }
        struct Case
        {
            const char *what;
            std::function<void(TempGame &)> make;
            QString says;
        };
        const std::vector<Case> cases = {
            {"no Mods folder", [](TempGame &g) { QDir(g.file(QStringLiteral("Mods"))).removeRecursively(); },
             QStringLiteral("There is no \"Mods\" folder")},
            {"no Worlds.inf", [](TempGame &g) { QDir().mkpath(g.file(QStringLiteral("Mods/Demo"))); },
             QStringLiteral("has no readable world list")},
            {"an empty world list", [](TempGame &g) { g.write(QStringLiteral("Mods/Demo/Worlds.inf"), ".\r\nW1\r\n"); },
             QStringLiteral("names no world")},
        };
        for (const Case &c : cases) {
            Editor e;
            c.make(e.game);
            QVERIFY2(!e.start(), c.what);
            QCOMPARE(e.dialogs.shown.size(), 1u);
            QVERIFY2(e.dialogs.shown[0].text.contains(c.says), qPrintable(e.dialogs.shown[0].text));
            QCOMPARE(e.dialogs.shown[0].icon, vt::Dialogs::Icon::Critical);
            QVERIFY(!e.w->isVisible());
        }
    }

    void refusesASecondInstance()
    {
        TempGame lockDir;
        const QString lockPath = lockDir.file(QStringLiteral("Tessaforge.lock"));
        QLockFile first(lockPath);
        QVERIFY(first.tryLock(0));
        Editor e;
        makeMod(e.game);
        QLockFile second(lockPath);
        QVERIFY(!e.start(QStringLiteral("Demo"), &second));
        QCOMPARE(e.dialogs.shown.size(), 1u);
        QCOMPARE(e.dialogs.shown[0].title, QStringLiteral("Tessaforge"));
        QCOMPARE(e.dialogs.shown[0].text, QStringLiteral("It would seem the application is already open..."));
        QCOMPARE(e.dialogs.shown[0].icon, vt::Dialogs::Icon::Critical);
        QVERIFY(e.dialogs.dialogTitles.isEmpty());  // no mod was asked for
        first.unlock();
        QLockFile third(lockPath);
        Editor again;
        makeMod(again.game);
        QVERIFY(again.start(QStringLiteral("Demo"), &third));
    }

    void addKillLastAndRename()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.w->cmdRegulate[1]->click();
        QCOMPARE(e.w->lstLevels->count(), 4);
        QCOMPARE(e.state().gWorld.Levels[3].iTime, qint16(200));
        for (int i = 0; i < 5; ++i)
            e.w->cmdRegulate[0]->click();
        QCOMPARE(lines(e.w->lstLevels), QStringList{QStringLiteral("1: [NEW]")});

        e.w->cmdRegulate[1]->click();
        e.clickLevel(1);
        QCOMPARE(e.state().nCurLevel, 1);
        e.dialogs.dialogScripts.push_back(typeName(QStringLiteral("  Castle  ")));
        e.w->cmdRename->click();
        QCOMPARE(e.dialogs.dialogTitles.last(), QStringLiteral("Renaming Level 2"));
        QCOMPARE(lines(e.w->lstLevels), (QStringList{QStringLiteral("1: [NEW]"), QStringLiteral("2: Castle")}));
        // Blank, or the dialog closed: no change.
        e.dialogs.dialogScripts.push_back(typeName(QStringLiteral("   ")));
        e.w->cmdRename->click();
        e.w->cmdRename->click();
        QCOMPARE(e.state().gWorld.Levels[1].sName, QByteArray("Castle"));

        // Renaming the world changes its display name only.
        e.dialogs.dialogScripts.push_back(typeName(QStringLiteral(" Lava Land ")));
        QTest::mouseClick(e.w->lblCurWorldName, Qt::LeftButton);
        QCOMPARE(e.dialogs.dialogTitles.last(), QStringLiteral("Renaming World 1"));
        QCOMPARE(e.w->lblCurWorldName->text(), QStringLiteral("Lava Land"));
        QCOMPARE(e.state().gWorld.sWorldName, QByteArray("Lava Land"));
        QVERIFY(e.game.exists(QStringLiteral("Mods/Demo/World1")));
    }

    void levelOperationsIgnoreALevelPastTheEnd()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.clickLevel(2);
        e.w->cmdRegulate[0]->click();  // the current level is gone
        QCOMPARE(e.state().nCurLevel, 2);
        e.w->cmdRename->click();
        e.trigger("mnuEditLevelDetails");
        e.trigger("mnuEditArea");
        e.triggerItem(e.w->mnuSkinList, QStringLiteral("Night.qze"));
        QVERIFY(e.dialogs.dialogTitles.size() == 1);  // only "Select Mod"
        QVERIFY(!e.w->detailsWindow());
        QVERIFY(!e.w->areaEditor());
        QCOMPARE(e.state().gWorld.Levels.size(), 2u);
        QVERIFY(checked(e.w->mnuSkinList).isEmpty());
    }

    void resourceMenusListStoreAndCheck()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        QCOMPARE(captions(e.w->mnuSkinList), (QStringList{QStringLiteral("Night.qze"), QStringLiteral("standard.qze")}));
        QCOMPARE(captions(e.w->mnuTilesetList), (QStringList{QStringLiteral("Cave.qzt"), QStringLiteral("Grass.qzt")}));
        QCOMPARE(captions(e.w->mnuBackgroundList), (QStringList{QStringLiteral("cave.bmp"), QStringLiteral("Sky.gif")}));
        QCOMPARE(captions(e.w->mnuMusicList), (QStringList{QStringLiteral("boss.MID"), QStringLiteral("theme.mid")}));
        // At start-up the first tileset carries the check mark.
        QCOMPARE(checked(e.w->mnuTilesetList), QStringList{QStringLiteral("Cave.qzt")});

        e.clickLevel(2);
        e.triggerItem(e.w->mnuBackgroundList, QStringLiteral("Sky.gif"));
        e.triggerItem(e.w->mnuSkinList, QStringLiteral("standard.qze"));
        e.triggerItem(e.w->mnuMusicList, QStringLiteral("boss.MID"));
        e.triggerItem(e.w->mnuTilesetList, QStringLiteral("Cave.qzt"));
        const LevelRecord &level = e.state().gWorld.Levels[2];
        QCOMPARE(level.sBackdrop, QByteArray("Sky.gif"));
        QCOMPARE(level.sEnemySkin, QByteArray("standard"));
        QCOMPARE(level.sMusic, QByteArray("boss"));
        QCOMPARE(level.sTileset, QByteArray("Cave"));
        QCOMPARE(e.w->pictures().picHoldTiles.size(), QSize(128, 32));
        QCOMPARE(checked(e.w->mnuBackgroundList), QStringList{QStringLiteral("Sky.gif")});
        QCOMPARE(checked(e.w->mnuSkinList), QStringList{QStringLiteral("standard.qze")});
        QCOMPARE(checked(e.w->mnuMusicList), QStringList{QStringLiteral("boss.MID")});
        QCOMPARE(checked(e.w->mnuTilesetList), QStringList{QStringLiteral("Cave.qzt")});

        // Another level shows its own resources.
        e.clickLevel(0);
        QCOMPARE(checked(e.w->mnuTilesetList), QStringList{QStringLiteral("Grass.qzt")});
        QVERIFY(checked(e.w->mnuBackgroundList).isEmpty());
        QCOMPARE(e.w->pictures().picHoldTiles.size(), QSize(64, 96));
    }

    void emptyResourceFoldersSayNoData()
    {
        Editor e;
        makeMod(e.game);
        QDir(e.game.file(QStringLiteral("Data/Music"))).removeRecursively();
        QVERIFY(e.start());
        QCOMPARE(captions(e.w->mnuMusicList), QStringList{QStringLiteral("No Data")});
        QVERIFY(!e.w->mnuMusicList->actions().first()->isEnabled());
    }

    void aMissingTilesetPictureSwitchesToTheFirstTileset()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.clickLevel(1);  // its tileset "Missing" has no picture
        QCOMPARE(e.state().gWorld.Levels[1].sTileset, QByteArray("Cave"));
        QCOMPARE(e.w->pictures().picHoldTiles.size(), QSize(128, 32));
        QCOMPARE(checked(e.w->mnuTilesetList), QStringList{QStringLiteral("Cave.qzt")});
        // A stored name cannot lead the picture loader out of the tilesets folder.
        e.state().gWorld.Levels[0].sTileset = "../../Mods/Demo/World1/x";
        e.clickLevel(0);
        QCOMPARE(e.state().gWorld.Levels[0].sTileset, QByteArray("Cave"));
    }

    void savingWritesTheDetailsAndConfirms()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.w->cmdRegulate[1]->click();
        e.trigger("mnuSave");
        QCOMPARE(e.dialogs.shown.back().title, kStudio);
        QCOMPARE(e.dialogs.shown.back().text, QStringLiteral("Current world details saved to disk!"));
        QCOMPARE(e.dialogs.shown.back().icon, vt::Dialogs::Icon::None);
        WorldDetails onDisk;
        QVERIFY(mWorldData::LoadWorldData(onDisk, e.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QCOMPARE(onDisk, e.state().gWorld);
        QCOMPARE(onDisk.Levels.size(), 4u);
    }

    void aFailedSaveSaysSoAndConfirmsNothing()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        const QByteArray before = e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw"));
        e.w->cmdRegulate[1]->click();
        vt::setReplaceFaultForTesting(5);
        e.trigger("mnuSave");
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!e.dialogs.texts().contains(QStringLiteral("Current world details saved to disk!")));
        QVERIFY(e.dialogs.shown.back().text.startsWith(QStringLiteral("The world details could not be saved.")));
        QCOMPARE(e.dialogs.shown.back().icon, vt::Dialogs::Icon::Warning);
        QCOMPARE(e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw")), before);

        // Yes to the closing question with a failing save keeps the program running.
        vt::setReplaceFaultForTesting(5);
        QVERIFY(!e.closeAnswering(FakeDialogs::Answer::Yes));
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(e.w->isVisible());
    }

    void aSaveOntoAFullDiskIsReportedAndTheOldFileStays()
    {
        Editor e;
        makeMod(e.game);
        const QString world = e.game.file(QStringLiteral("Mods/Demo/World1"));
        const QByteArray before = e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw"));
        SmallDisk disk(world);
        REQUIRE_SMALL_DISK(disk);
        writeRaw(disk.file(QStringLiteral("Worldata.qzw")), before);
        QVERIFY(e.start());
        e.w->cmdRegulate[1]->click();
        disk.fill();
        e.trigger("mnuSave");
        QVERIFY(!e.dialogs.texts().contains(QStringLiteral("Current world details saved to disk!")));
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("No space left on device")));
        QCOMPARE(readRaw(disk.file(QStringLiteral("Worldata.qzw"))), before);
        e.dialogs.answers.assign(8, FakeDialogs::Answer::No);
        e.w->close();
    }

    void savesNeverFollowALinkOutOfTheMod()
    {
        Editor e;
        makeMod(e.game);
        QTemporaryDir outside;
        const QString details = e.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"));
        const QString victim = outside.filePath(QStringLiteral("victim"));
        QVERIFY(QFile::rename(details, victim));
        QVERIFY(QFile::link(victim, details));
        const QByteArray before = readRaw(victim);
        QVERIFY(e.start());
        e.w->cmdRegulate[1]->click();
        e.trigger("mnuSave");
        QVERIFY(!e.dialogs.texts().contains(QStringLiteral("Current world details saved to disk!")));
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("Worldata.qzw")));
        QCOMPARE(readRaw(victim), before);
        QVERIFY(QFileInfo(details).isSymLink());
    }

    void keyboardAndCodeSelectionMakeTheLevelCurrent()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.clickLevel(0);
        QCOMPARE(e.state().nCurLevel, 0);
        e.w->lstLevels->setFocus();
        QTest::keyClick(e.w->lstLevels, Qt::Key_Down);
        QCOMPARE(e.w->lstLevels->currentRow(), 1);
        QCOMPARE(e.state().nCurLevel, 1);
        QCOMPARE(checked(e.w->mnuSkinList), QStringList{QStringLiteral("Night.qze")});
        e.w->lstLevels->setCurrentRow(2);
        QCOMPARE(e.state().nCurLevel, 2);
        // A click on the selected row runs the level click again.
        e.state().nCurLevel = 0;
        e.clickLevel(2);
        QCOMPARE(e.state().nCurLevel, 2);
    }

    void theLevelMenuOpensFromTheKeyboard()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.clickLevel(1);
        for (const auto &[key, modifiers] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers{}},
                                             std::pair{Qt::Key_F10, Qt::KeyboardModifiers{Qt::ShiftModifier}}}) {
            QTest::keyClick(e.w->lstLevels, key, modifiers);
            QTRY_VERIFY(e.w->mnuLevel->isVisible());
            const QRect row = e.w->lstLevels->visualItemRect(e.w->lstLevels->item(1));
            const QRect rowOnScreen(e.w->lstLevels->viewport()->mapToGlobal(row.topLeft()), row.size());
            QVERIFY(qAbs(e.w->mnuLevel->geometry().top() - rowOnScreen.bottom()) <= 2);
            e.w->mnuLevel->hide();
        }
    }

    void namesAreTrimmedOfSpacesOnly()
    {
        Editor e;
        makeMod(e.game);
        QDir().mkpath(e.game.file(QStringLiteral("Mods/Nbsp\u00a0")));
        e.game.write(QStringLiteral("Mods/Nbsp\u00a0/Worlds.inf"), "W\r\n");
        QVERIFY(e.start(QStringLiteral("Nbsp\u00a0")));
        QCOMPARE(e.state().sModName, QStringLiteral("Nbsp\u00a0"));
        e.clickLevel(0);
        e.dialogs.dialogScripts.push_back(typeName(QStringLiteral("  \tField\u00a0  ")));
        e.w->cmdRename->click();
        QCOMPARE(e.state().gWorld.Levels[0].sName, QByteArray("\tField\xa0"));
    }

    void aModFolderNamedInTheWindowsCodePageIsListedAndExplained()
    {
        Editor e;
        makeMod(e.game);
        const QByteArray raw = QFile::encodeName(e.game.file(QStringLiteral("Mods/"))) + "Caf\xe9";
        QVERIFY(::mkdir(raw.constData(), 0755) == 0);
        QStringList listed;
        e.dialogs.dialogScripts.push_back([&listed](QDialog &dialog) {
            auto *list = dialog.findChild<QListWidget *>(QStringLiteral("lstWorldSets"));
            listed = lines(list);
            list->setCurrentItem(list->findItems(QStringLiteral("Caf\u00e9"), Qt::MatchExactly).value(0));
            dialog.findChild<QPushButton *>(QStringLiteral("cmdSelect"))->click();
        });
        e.w = std::make_unique<frmMain>(e.game.path(), e.dialogs);
        QVERIFY(!e.w->start());
        QVERIFY(listed.contains(QStringLiteral("Caf\u00e9")));
        QVERIFY(listed.contains(QStringLiteral("Demo")));
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("\"Caf\u00e9\"")));
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("convmv -f cp1252 -t utf8")));
    }

    void aWorldFolderNamedInTheWindowsCodePageIsExplainedNotReplaced()
    {
        Editor e;
        makeMod(e.game, "World1\r\nCaf\xe9\r\n.\r\n");
        const QByteArray raw = QFile::encodeName(e.game.file(QStringLiteral("Mods/Demo/"))) + "Caf\xe9";
        QVERIFY(::mkdir(raw.constData(), 0755) == 0);
        QVERIFY(e.start());
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.w->mnuWorldList->actions().at(1)->trigger();
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("convmv")));
        QCOMPARE(e.state().nCurWorld, 0);
        QVERIFY(!e.game.exists(QStringLiteral("Mods/Demo/Caf\u00e9")));  // no second, empty world
    }

    void switchingWorldsAsksFirst()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.clickLevel(0);
        e.trigger("mnuEditLevelDetails");
        QVERIFY(e.w->detailsWindow());
        QAction *lava = e.w->mnuWorldList->actions().at(1);

        // Cancel: nothing changes, no window closes.
        e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        lava->trigger();
        QCOMPARE(e.dialogs.shown.back().text, kSaveQuestion);
        QCOMPARE(e.dialogs.shown.back().title, kStudio);
        QCOMPARE(e.dialogs.shown.back().buttons, vt::Dialogs::Buttons::YesNoCancel);
        QCOMPARE(e.state().nCurWorld, 0);
        QVERIFY(e.w->detailsWindow());
        QCOMPARE(checked(e.w->mnuWorldList), QStringList{QStringLiteral("World1")});

        // No: switches without saving; the missing world folder is created, empty.
        e.w->cmdRegulate[1]->click();
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        lava->trigger();
        QCOMPARE(e.state().nCurWorld, 1);
        QVERIFY(!e.w->detailsWindow());
        QVERIFY(!e.w->bDetailWindowOpen);
        QCOMPARE(e.w->lblCurWorldName->text(), QStringLiteral("New World"));
        QCOMPARE(lines(e.w->lstLevels), QStringList{QStringLiteral("1: [NEW]")});
        QVERIFY(QDir(e.game.file(QStringLiteral("Mods/Demo/Lava Land"))).isEmpty());
        QCOMPARE(checked(e.w->mnuWorldList), QStringList{QStringLiteral("Lava Land")});
        WorldDetails world1;
        QVERIFY(mWorldData::LoadWorldData(world1, e.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QCOMPARE(world1.Levels.size(), 3u);

        // Yes: saves (with its confirmation), then switches.
        e.w->cmdRegulate[1]->click();
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        e.w->mnuWorldList->actions().at(0)->trigger();
        QCOMPARE(e.dialogs.shown.back().text, QStringLiteral("Current world details saved to disk!"));
        QCOMPARE(e.state().nCurWorld, 0);
        WorldDetails lavaLand;
        QVERIFY(mWorldData::LoadWorldData(lavaLand, e.game.file(QStringLiteral("Mods/Demo/Lava Land/Worldata.qzw"))).ok());
        QCOMPARE(lavaLand.Levels.size(), 2u);

        // Choosing the open world asks all the same and closes the windows, but reloads nothing.
        e.state().gWorld.sWorldName = "Changed in memory";
        e.trigger("mnuEditLevelDetails");
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.w->mnuWorldList->actions().at(0)->trigger();
        QCOMPARE(e.state().gWorld.sWorldName, QByteArray("Changed in memory"));
        QVERIFY(!e.w->detailsWindow());
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }

    void closingAsksToSave()
    {
        {
            Editor e;
            makeMod(e.game);
            QVERIFY(e.start());
            QVERIFY(!e.closeAnswering(FakeDialogs::Answer::Cancel));
            QVERIFY(e.w->isVisible());
            e.w->cmdRegulate[1]->click();
            QVERIFY(e.closeAnswering(FakeDialogs::Answer::Yes));
            QCOMPARE(e.dialogs.shown.back().text, QStringLiteral("Current world details saved to disk!"));
            WorldDetails onDisk;
            QVERIFY(mWorldData::LoadWorldData(onDisk, e.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
            QCOMPARE(onDisk.Levels.size(), 4u);
            e.w.reset();
        }
        {
            Editor e;
            makeMod(e.game);
            QVERIFY(e.start());
            const QByteArray before = e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw"));
            e.w->cmdRegulate[1]->click();
            e.trigger("mnuEditLevelDetails");
            QVERIFY(e.closeAnswering(FakeDialogs::Answer::No));
            QCOMPARE(e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw")), before);
            e.w.reset();
        }
    }

    void anUnreadableDetailsFileIsKeptAndReported()
    {
        Editor e;
        makeMod(e.game);
        const QByteArray damaged = QByteArray::fromHex("0500") + "Brok" ;
        e.game.write(QStringLiteral("Mods/Demo/World1/Worldata.qzw"), damaged);
        QVERIFY(e.start());
        QCOMPARE(e.dialogs.shown.size(), 1u);
        QVERIFY(e.dialogs.shown[0].text.contains(QStringLiteral("could not be read")));
        QCOMPARE(e.dialogs.shown[0].icon, vt::Dialogs::Icon::Warning);
        QCOMPARE(e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw.bak")), damaged);
        QCOMPARE(e.w->lblCurWorldName->text(), QStringLiteral("New World"));
        e.trigger("mnuSave");
        QCOMPARE(e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw.bak")), damaged);
        WorldDetails onDisk;
        QVERIFY(mWorldData::LoadWorldData(onDisk, e.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QCOMPARE(onDisk.sWorldName, QByteArray("New World"));
    }

    void aWorldFolderOutsideTheModIsRefused()
    {
        Editor e;
        makeMod(e.game, "../Escape\r\nWorld1\r\n/tmp/abs\r\n");
        QVERIFY(e.start());
        QCOMPARE(e.dialogs.shown.size(), 1u);
        QVERIFY(e.dialogs.shown[0].text.contains(QStringLiteral("outside the mod folder")));
        QVERIFY(!e.game.exists(QStringLiteral("Mods/Escape")));
        QCOMPARE(e.state().nCurWorld, -1);
        QCOMPARE(e.w->lstLevels->count(), 0);
        // Level operations act on nothing; the other worlds still open.
        e.w->cmdRegulate[1]->click();
        e.w->cmdRename->click();
        QCOMPARE(e.w->lstLevels->count(), 0);
        e.w->mnuWorldList->actions().at(1)->trigger();  // no world was open: nothing to ask
        QCOMPARE(e.state().nCurWorld, 1);
        QCOMPARE(e.w->lblCurWorldName->text(), QStringLiteral("Green Hills"));
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.w->mnuWorldList->actions().at(2)->trigger();
        QCOMPARE(e.state().nCurWorld, 1);
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("outside the mod folder")));
        QCOMPARE(checked(e.w->mnuWorldList), QStringList{QStringLiteral("World1")});
    }

    void menusCarryTheirCaptionsAndShortcuts()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        const QList<QAction *> bar = e.w->menuBar()->actions();
        QCOMPARE(bar.size(), 1);
        QCOMPARE(bar[0]->text(), QStringLiteral("&Menu"));
        QCOMPARE(captions(e.w->mnuWorld),
                 (QStringList{QStringLiteral("Select &World"), QString(), QStringLiteral("&Save World Level Details"),
                              QStringLiteral("World &Map Editor"), QStringLiteral("&Check World"), QString(),
                              QStringLiteral("&Object Selector"),
                              QStringLiteral("&Tile Selector"), QString(), QStringLiteral("Undo"),
                              QStringLiteral("Redo"), QString(), QStringLiteral("&Exit")}));
        const auto shortcut = [&](const char *name) {
            return e.w->findChild<QAction *>(QString::fromLatin1(name))->shortcut();
        };
        QCOMPARE(shortcut("mnuSave"), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(shortcut("mnuShowWorldMap"), QKeySequence(QStringLiteral("Ctrl+W")));
        QCOMPARE(shortcut("mnuShowObjectsWindow"), QKeySequence(QStringLiteral("F4")));
        QCOMPARE(shortcut("mnuShowTSetWindow"), QKeySequence(QStringLiteral("F3")));
        QCOMPARE(captions(e.w->mnuLevel),
                 (QStringList{QStringLiteral("Edit &Area"), QStringLiteral("Edit &Details"), QString(),
                              QStringLiteral("&Enemies"), QStringLiteral("&Tileset"), QStringLiteral("&Background"),
                              QStringLiteral("&Music")}));
        // A double click on a level pops its menu up.
        QListWidget *list = e.w->lstLevels;
        const QPoint second = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(e.state().nCurLevel, 1);
        QTRY_VERIFY(e.w->mnuLevel->isVisible());
        e.w->mnuLevel->hide();
    }

    void editAreaOpensTheEditorBesideThePalette()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.clickLevel(0);
        e.trigger("mnuEditArea");
        frmLevelEdit *editor = e.w->areaEditor();
        frmLevelTiles *palette = e.w->palette();
        QVERIFY(editor && palette);
        QVERIFY(e.state().bAreaWindowOpen);
        QVERIFY(e.w->bTileWindowOpen);
        QCOMPARE(int(e.w->brush().tMode), 0);
        QCOMPARE(editor->document().fileName(), QStringLiteral("Meadow"));
        // The inner windows carry the program's icon, not the toolkit's.
        const QImage icon = ProgramIcon().pixmap(32).toImage();
        QCOMPARE(editor->parentWidget()->windowIcon().pixmap(32).toImage(), icon);
        QCOMPARE(palette->parentWidget()->windowIcon().pixmap(32).toImage(), icon);
        QWidget *paletteFrame = palette->parentWidget();
        QWidget *editorFrame = editor->parentWidget();
        QCOMPARE(paletteFrame->pos(), QPoint(0, 0));
        QCOMPARE(editorFrame->pos(), QPoint(paletteFrame->width(), 0));
        QCOMPARE(paletteFrame->height(), editorFrame->height());
        // The popup menu's items act on the area editor.
        QCOMPARE(editor->lZoom, 16);
        e.trigger("mnuLevZoomIn");
        QCOMPARE(editor->lZoom, 24);
        e.trigger("mnuLevZoomOut");
        e.trigger("mnuLevZoomOut");
        QCOMPARE(editor->lZoom, 8);
        // The object selector switches the palette to tags with nothing chosen.
        e.w->brush().curTileX = 3;
        e.trigger("mnuShowObjectsWindow");
        QCOMPARE(int(e.w->brush().tMode), 1);
        QCOMPARE(e.w->brush().curTileX, 0);
        // Closing the area editor clears its flag.
        editorFrame->close();
        QVERIFY(!e.state().bAreaWindowOpen);
        QVERIFY(!e.w->areaEditor());
    }

    void renameAndResizeDialogsHandBackTheirResults()
    {
        FakeDialogs dialogs;
        frmRenameLevel rename;
        dialogs.dialogScripts.push_back(typeName(QStringLiteral("  Castle  ")));
        rename.SetLevel(dialogs, QStringLiteral("Renaming Level 3"), QStringLiteral("[NEW]"));
        QCOMPARE(rename.windowTitle(), QStringLiteral("Renaming Level 3"));
        QCOMPARE(rename.OutputName(), QStringLiteral("Castle"));
        // Closed with its close box: no name, whatever was typed.
        dialogs.dialogScripts.push_back([](QDialog &d) {
            d.findChild<QLineEdit *>(QStringLiteral("txtName"))->setText(QStringLiteral("typed"));
            d.reject();
        });
        rename.SetLevel(dialogs, QStringLiteral("Renaming Level 3"), QStringLiteral("[NEW]"));
        QVERIFY(rename.OutputName().isEmpty());

        frmResizeLevel resize(dialogs);
        QCOMPARE(resize.windowTitle(), QStringLiteral("Resize Level"));
        QCOMPARE(resize.txtResize[0]->text(), QStringLiteral("00000"));
        auto enter = [](const QString &width, const QString &height) {
            return [width, height](QDialog &d) {
                auto *dialog = static_cast<frmResizeLevel *>(&d);
                dialog->txtResize[0]->setText(width);
                dialog->txtResize[1]->setText(height);
                dialog->cmdResize->click();
            };
        };
        dialogs.dialogScripts.push_back([&](QDialog &d) {
            auto *dialog = static_cast<frmResizeLevel *>(&d);
            QCOMPARE(dialog->txtResize[0]->text(), QStringLiteral("20"));
            QCOMPARE(dialog->txtResize[1]->text(), QStringLiteral("15"));
            enter(QStringLiteral("0"), QStringLiteral("15"))(d);
        });
        resize.ShowResize(20, 15);
        QVERIFY(resize.DoResize());
        QCOMPARE(resize.NewWidth(), 0);
        QCOMPARE(resize.NewHeight(), 15);

        // Text that is not a whole number is refused with a message; the dialog stays open.
        dialogs.dialogScripts.push_back([&](QDialog &d) {
            enter(QStringLiteral("wide"), QStringLiteral("15"))(d);
            QCOMPARE(d.result(), int(QDialog::Rejected));
            enter(QStringLiteral("2.5"), QStringLiteral("15"))(d);
            QCOMPARE(d.result(), int(QDialog::Rejected));
        });
        resize.ShowResize(20, 15);
        QVERIFY(!resize.DoResize());
        QCOMPARE(dialogs.shown.size(), 2u);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("Resize Level"));
    }

    void sideBarListFollowsTheFrameHeight()
    {
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        e.w->resize(800, 600);
        QTRY_COMPARE(e.w->lstLevels->height(), e.w->picSideBar->height() - 65);
        const int before = e.w->lstLevels->height();
        e.w->picSideBar->setFixedHeight(40);  // too small: the height stays
        e.w->Timer1->start();
        QTRY_VERIFY(!e.w->Timer1->isActive());
        QCOMPARE(e.w->lstLevels->height(), before);
    }
};

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
