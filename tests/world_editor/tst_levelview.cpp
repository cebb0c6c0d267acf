#include "EditorFixture.h"

#include "windows/frmLevelEdit.h"
#include "windows/frmLevelView.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

// Level 2 ("Castle") with a value in every field, all different.
void fillCastle(LevelRecord &l)
{
    l.sAreaFile = "Meadow";
    l.iTime = 300;
    l.bScrollMode = 3;
    l.iScrollSpeed = -4;
    l.SpecialTiles = {SpecialTile{1, 2}, SpecialTile{3, 4}, SpecialTile{5, 6}};
    for (int k = 0; k < LevelRecord::kPipes; ++k)
        l.Pipes[k] = {qint16(100 + k), quint8(k + 1), quint8(k % 5)};
}

struct Details : Editor
{
    frmLevelView *view = nullptr;

    // Starts the editor, makes level `row` current and opens the details window on it.
    void open(int row)
    {
        makeMod(game);
        WorldDetails world = threeLevels();
        fillCastle(world.Levels[1]);
        QVERIFY(mWorldData::SaveWorldData(world, game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QVERIFY(start());
        clickLevel(row);
        trigger("mnuEditLevelDetails");
        view = w->detailsWindow();
        QVERIFY(view);
    }
    LevelRecord &level(int i) { return state().gWorld.Levels[std::size_t(i)]; }
};

} // namespace

class tst_levelview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aNewLevelShowsItsDefaults()
    {
        Details d;
        d.open(2);
        QVERIFY(d.w->bDetailWindowOpen);
        QCOMPARE(d.view->windowTitle(), QStringLiteral("Editing Level #3[*]"));
        QCOMPARE(d.view->getCurrentLevel(), 2);
        QCOMPARE(d.view->txtLevTime->text(), QStringLiteral("200"));
        QVERIFY(d.view->optScroll[0]->isChecked());
        QCOMPARE(d.view->optScroll[0]->text(), QStringLiteral("Follow"));
        QCOMPARE(d.view->txtScrollSpeed->text(), QStringLiteral("0"));
        for (QLineEdit *box : d.view->txtDefTile)
            QCOMPARE(box->text(), QStringLiteral("0"));
        for (int k = 0; k < frmLevelView::kPipeRows; ++k) {
            QCOMPARE(d.view->txtPipeLevel[k]->text(), QStringLiteral("0"));
            QCOMPARE(d.view->cmbPipeID[k]->currentText(), QStringLiteral("0"));
            QCOMPARE(d.view->cmbPipeID[k]->count(), 17);  // "0" to "16"
            QCOMPARE(d.view->cmbPipeDir[k]->currentIndex(), 0);
            QCOMPARE(d.view->cmbPipeDir[k]->count(), 5);
        }
        QCOMPARE(d.view->cmbPipeDir[0]->itemText(0), QStringLiteral("\u25C0"));  // arrow left
        QCOMPARE(d.view->cmbPipeDir[0]->itemText(4), QStringLiteral("\u25A0"));  // square
        // A level whose area is not listed shows no area rather than another level's.
        QCOMPARE(d.view->cmbFileList->currentIndex(), -1);
    }

    void extremeValuesAreShownWholeAndStoredBackUnchanged()
    {
        Details d;
        makeMod(d.game);
        WorldDetails world = threeLevels();
        LevelRecord &l = world.Levels[1];
        l.sTileset = "Grass";  // a tileset that exists, so that a click changes nothing else
        l.iTime = 12345;
        l.iScrollSpeed = -32768;
        l.SpecialTiles = {SpecialTile{1000, -32768}, SpecialTile{32767, -1000}, SpecialTile{-999, 9999}};
        for (int k = 0; k < LevelRecord::kPipes; ++k)
            l.Pipes[k] = {qint16(k % 2 ? -1000 : 32767), quint8(k % 2 ? 255 : 200), 0};
        QVERIFY(mWorldData::SaveWorldData(world, d.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QVERIFY(d.start());
        d.clickLevel(1);
        d.trigger("mnuEditLevelDetails");
        d.view = d.w->detailsWindow();
        QVERIFY(d.view);
        QCOMPARE(d.view->txtLevTime->text(), QStringLiteral("12345"));
        QCOMPARE(d.view->txtScrollSpeed->text(), QStringLiteral("-32768"));
        QCOMPARE(d.view->txtDefTile[0]->text(), QStringLiteral("1000"));
        QCOMPARE(d.view->txtDefTile[3]->text(), QStringLiteral("-32768"));
        QCOMPARE(d.view->txtPipeLevel[1]->text(), QStringLiteral("-1000"));
        QCOMPARE(d.view->cmbPipeID[1]->currentText(), QStringLiteral("255"));

        d.view->UpdateLevelInfo();
        d.clickLevel(0);  // stores the shown level again on the way out
        QCOMPARE(d.level(1), l);

        // Every value of the range can be typed, and no more than the range.
        d.clickLevel(1);
        d.view->txtLevTime->clear();
        QTest::keyClicks(d.view->txtLevTime, QStringLiteral("-32768"));
        QCOMPARE(d.view->txtLevTime->text(), QStringLiteral("-32768"));
        d.view->UpdateLevelInfo();
        QCOMPARE(d.level(1).iTime, qint16(-32768));
    }

    void aRemovedLevelIsShownAsGoneUntilAnotherIsChosen()
    {
        Details d;
        d.open(2);
        d.w->cmdRegulate[0]->click();  // Kill Last removes level 3, the one shown
        QCOMPARE(d.view->windowTitle(), QStringLiteral("Editing Level #3 (removed)[*]"));
        QVERIFY(!d.view->txtLevTime->isEnabled());
        QVERIFY(!d.view->cmbPipeID[0]->isEnabled());

        // A new level at that index is another level: nothing typed before reaches it.
        d.view->txtLevTime->setText(QStringLiteral("999"));
        d.w->cmdRegulate[1]->click();
        d.view->UpdateLevelInfo();
        QCOMPARE(d.level(2).iTime, qint16(200));
        QVERIFY(!d.view->txtLevTime->isEnabled());

        d.clickLevel(2);
        QCOMPARE(d.view->windowTitle(), QStringLiteral("Editing Level #3[*]"));
        QVERIFY(d.view->txtLevTime->isEnabled());
        QCOMPARE(d.view->txtLevTime->text(), QStringLiteral("200"));
    }

    void showsEveryFieldInItsControl()
    {
        Details d;
        d.open(1);
        QCOMPARE(d.view->txtLevTime->text(), QStringLiteral("300"));
        QVERIFY(d.view->optScroll[3]->isChecked());
        QCOMPARE(d.view->optScroll[3]->text(), QStringLiteral("Up"));
        QCOMPARE(d.view->txtScrollSpeed->text(), QStringLiteral("-4"));
        // Boxes 0..2 are the columns of switch A, switch B and vine; 3..5 their rows.
        const QStringList tiles{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5"),
                                QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("6")};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(d.view->txtDefTile[i]->text(), tiles[i]);
        for (int k = 0; k < frmLevelView::kPipeRows; ++k) {
            QCOMPARE(d.view->txtPipeLevel[k]->text(), QString::number(100 + k));
            QCOMPARE(d.view->cmbPipeID[k]->currentText(), QString::number(k + 1));
            QCOMPARE(d.view->cmbPipeDir[k]->currentIndex(), k % 5);
        }
        // Area files of the world, named before their first dot.
        QStringList areas;
        for (int i = 0; i < d.view->cmbFileList->count(); ++i)
            areas.append(d.view->cmbFileList->itemText(i));
        QCOMPARE(areas, (QStringList{QStringLiteral("cave"), QStringLiteral("Meadow")}));
        QCOMPARE(d.view->cmbFileList->currentText(), QStringLiteral("Meadow"));
    }

    void storesEveryControlIntoTheShownLevel()
    {
        Details d;
        d.open(1);
        d.view->txtDefTile[4]->setText(QStringLiteral("7"));   // switch B row
        d.view->txtDefTile[2]->setText(QStringLiteral("-9"));  // vine column
        d.view->txtLevTime->setText(QStringLiteral("450"));
        d.view->optScroll[4]->setChecked(true);
        d.view->txtScrollSpeed->setText(QStringLiteral("12"));
        d.view->cmbPipeID[0]->setEditText(QStringLiteral("200"));  // typed, above the listed 16
        d.view->txtPipeLevel[0]->setText(QStringLiteral("3"));
        d.view->cmbPipeDir[0]->setCurrentIndex(4);
        d.view->cmbPipeID[15]->setCurrentIndex(16);
        d.view->txtPipeLevel[15]->setText(QStringLiteral("-2"));
        d.view->cmbPipeDir[15]->setCurrentIndex(2);
        d.view->cmbFileList->setCurrentIndex(0);
        // Choosing an area stores it at once.
        QCOMPARE(d.level(1).sAreaFile, QByteArray("cave"));

        // Closing stores the controls.
        d.view->parentWidget()->close();
        QVERIFY(!d.w->bDetailWindowOpen);
        const LevelRecord &l = d.level(1);
        QCOMPARE(l.SpecialTiles[1].iTileY, qint16(7));
        QCOMPARE(l.SpecialTiles[2].iTileX, qint16(-9));
        QCOMPARE(l.SpecialTiles[0].iTileX, qint16(1));
        QCOMPARE(l.iTime, qint16(450));
        QCOMPARE(l.bScrollMode, quint8(4));
        QCOMPARE(l.iScrollSpeed, qint16(12));
        QCOMPARE(l.Pipes[0], (PipeEntry{3, 200, 4}));
        QCOMPARE(l.Pipes[15], (PipeEntry{-2, 16, 2}));
        QCOMPARE(l.Pipes[7], (PipeEntry{107, 8, 2}));
        QCOMPARE(l.sAreaFile, QByteArray("cave"));
    }

    void textThatIsNoNumberInRangeKeepsTheOldValue()
    {
        Details d;
        d.open(1);
        d.view->txtLevTime->setText(QString());
        d.view->txtScrollSpeed->setText(QStringLiteral("-"));
        d.view->txtDefTile[0]->setText(QStringLiteral("abc"));  // not accepted by the box
        d.view->cmbPipeID[3]->setEditText(QStringLiteral("999"));
        d.view->cmbPipeID[4]->setEditText(QString());
        d.view->UpdateLevelInfo();
        const LevelRecord &l = d.level(1);
        QCOMPARE(l.iTime, qint16(300));
        QCOMPARE(l.iScrollSpeed, qint16(-4));
        QCOMPARE(l.SpecialTiles[0].iTileX, qint16(1));
        QCOMPARE(l.Pipes[3].bPipeID, quint8(4));
        QCOMPARE(l.Pipes[4].bPipeID, quint8(5));
    }

    // A box never holds a value its field cannot take: typing past the range is refused key
    // by key, and a box left empty shows the stored value again.
    void boxesRefuseWhatTheirFieldCannotHold()
    {
        Details d;
        d.open(1);
        auto typeInto = [](QLineEdit *box, const QString &keys) {
            box->clear();
            QTest::keyClicks(box, keys);
            return box->text();
        };
        QLineEdit *time = d.view->txtLevTime;
        QCOMPARE(typeInto(time, QStringLiteral("99999")), QStringLiteral("9999"));
        QCOMPARE(typeInto(time, QStringLiteral("40000")), QStringLiteral("4000"));
        QCOMPARE(typeInto(time, QStringLiteral("-32768")), QStringLiteral("-32768"));
        QCOMPARE(typeInto(time, QStringLiteral("-32769")), QStringLiteral("-3276"));
        QCOMPARE(typeInto(time, QStringLiteral("1x2 3+")), QStringLiteral("123"));
        QLineEdit *id = d.view->cmbPipeID[2]->lineEdit();
        QCOMPARE(typeInto(id, QStringLiteral("300")), QStringLiteral("30"));
        QCOMPARE(typeInto(id, QStringLiteral("256")), QStringLiteral("25"));
        QCOMPARE(typeInto(id, QStringLiteral("-1")), QStringLiteral("1"));
        QCOMPARE(typeInto(id, QStringLiteral("255")), QStringLiteral("255"));
        QCOMPARE(typeInto(d.view->txtPipeLevel[3], QStringLiteral("70000")), QStringLiteral("7000"));

        // What the boxes show is what is stored.
        d.view->UpdateLevelInfo();
        QCOMPARE(d.level(1).iTime, qint16(123));
        QCOMPARE(d.level(1).Pipes[2].bPipeID, quint8(255));
        QCOMPARE(d.level(1).Pipes[3].iDestLevel, qint16(7000));

        // Left empty, or with a lone sign, a box shows its field's value once the focus goes.
        for (QLineEdit *box : {time, d.view->txtScrollSpeed}) {
            typeInto(box, QStringLiteral("-"));
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(box, &out);
        }
        QCOMPARE(time->text(), QStringLiteral("123"));
        QCOMPARE(d.view->txtScrollSpeed->text(), QStringLiteral("-4"));
        // Stored while still empty: the field keeps its value and the box shows it.
        typeInto(time, QString());
        typeInto(id, QString());
        d.view->UpdateLevelInfo();
        QCOMPARE(time->text(), QStringLiteral("123"));
        QCOMPARE(d.view->cmbPipeID[2]->currentText(), QStringLiteral("255"));
        QCOMPARE(d.level(1).iTime, qint16(123));
    }

    void valuesWithoutAnEntryShowNoneAndAreKept()
    {
        Details d;
        makeMod(d.game);
        WorldDetails world = threeLevels();
        world.Levels[0].bScrollMode = 7;
        world.Levels[0].Pipes[2].bExitStyle = 9;
        QVERIFY(mWorldData::SaveWorldData(world, d.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QVERIFY(d.start());
        d.clickLevel(0);
        d.trigger("mnuEditLevelDetails");
        frmLevelView *view = d.w->detailsWindow();
        for (QRadioButton *option : view->optScroll)
            QVERIFY(!option->isChecked());
        QCOMPARE(view->cmbPipeDir[2]->currentIndex(), -1);
        view->UpdateLevelInfo();
        QCOMPARE(d.level(0).bScrollMode, quint8(7));
        QCOMPARE(d.level(0).Pipes[2].bExitStyle, quint8(9));
    }

    void followsTheLevelListAndStoresTheLevelItLeaves()
    {
        Details d;
        d.open(1);
        d.view->txtLevTime->setText(QStringLiteral("123"));
        d.clickLevel(2);
        QCOMPARE(d.level(1).iTime, qint16(123));
        QCOMPARE(d.view->getCurrentLevel(), 2);
        QCOMPARE(d.view->windowTitle(), QStringLiteral("Editing Level #3[*]"));
        QCOMPARE(d.view->txtLevTime->text(), QStringLiteral("200"));

        // Saving includes what the window shows.
        d.view->txtLevTime->setText(QStringLiteral("77"));
        d.trigger("mnuSave");
        WorldDetails onDisk;
        QVERIFY(mWorldData::LoadWorldData(onDisk, d.game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
        QCOMPARE(onDisk.Levels[2].iTime, qint16(77));
        QCOMPARE(onDisk.Levels[1].iTime, qint16(123));
    }

    void bringingTheWindowForwardSelectsItsLevel()
    {
        Details d;
        d.open(1);
        d.w->cmdRegulate[1]->click();  // refilling the list clears its selection
        QCOMPARE(d.w->lstLevels->currentRow(), -1);
        QMdiArea *area = d.w->mdiArea;
        d.trigger("mnuShowTSetWindow");
        area->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(d.view->parentWidget()));
        QCOMPARE(d.w->lstLevels->currentRow(), 1);
        QCOMPARE(d.state().nCurLevel, 1);
    }

    // Already the active window, it is brought forward again when the user comes back to it
    // from the side bar (whose Add, Kill Last and Rename refill the list and clear its
    // selection): by a click on it, on its title bar, or the focus entering it.
    void comingBackToTheFrontWindowSelectsItsLevel()
    {
        Details d;
        d.open(1);
        d.w->show();
        d.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d.w.get()));
        auto *frame = qobject_cast<QMdiSubWindow *>(d.view->parentWidget());
        QCOMPARE(d.w->mdiArea->activeSubWindow(), frame);
        auto sideBarClearsTheList = [&] {
            d.w->cmdRename->setFocus();
            d.w->cmdRegulate[1]->click();
            QCOMPARE(d.w->lstLevels->currentRow(), -1);
            QCOMPARE(d.w->mdiArea->activeSubWindow(), frame);
        };

        sideBarClearsTheList();
        QLabel *label = nullptr;
        for (QLabel *l : d.view->findChildren<QLabel *>())
            if (l->text() == QStringLiteral("Time:"))
                label = l;
        QVERIFY(label);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(d.w->lstLevels->currentRow(), 1);
        QCOMPARE(d.state().nCurLevel, 1);

        sideBarClearsTheList();
        d.view->txtLevTime->setFocus(Qt::MouseFocusReason);
        QCOMPARE(QApplication::focusWidget(), d.view->txtLevTime);
        QCOMPARE(d.w->lstLevels->currentRow(), 1);

        sideBarClearsTheList();
        QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(frame->width() / 2, 6));
        QCOMPARE(d.w->lstLevels->currentRow(), 1);
        QCOMPARE(d.view->windowTitle(), QStringLiteral("Editing Level #2[*]"));

        // With the list in step, coming back changes nothing and asks nothing, also while the
        // area editor holds unsaved changes to another area: a question asked on the way
        // would otherwise come back with the focus, again and again.
        d.trigger("mnuEditArea");
        frmLevelEdit *area = d.w->areaEditor();
        QVERIFY(area);
        d.trigger("mnuLevNew");
        QTest::mouseClick(area, Qt::RightButton, {}, QPoint(5, 40));
        QVERIFY(area->document().isModified());
        d.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        d.w->mdiArea->setActiveSubWindow(frame);  // activation opens the level's area: asked
        QCOMPARE(d.dialogs.shown.size(), std::size_t(1));
        for (int i = 0; i < 3; ++i) {
            d.w->cmdRename->setFocus();
            d.view->txtLevTime->setFocus(Qt::MouseFocusReason);
            QTest::mouseClick(label, Qt::LeftButton);
        }
        QCOMPARE(d.dialogs.shown.size(), std::size_t(1));
        QCOMPARE(area->document().fileName(), QString());
        QVERIFY(area->document().isModified());
    }

    void aRemovedLevelIsNotStoredInto()
    {
        Details d;
        d.open(2);
        d.w->cmdRegulate[0]->click();  // removes level 3, still shown
        d.view->txtLevTime->setText(QStringLiteral("5"));
        d.view->parentWidget()->close();
        QCOMPARE(d.state().gWorld.Levels.size(), 2u);
        QCOMPARE(d.level(1).iTime, qint16(300));
    }
};

QTEST_MAIN(tst_levelview)
#include "tst_levelview.moc"
