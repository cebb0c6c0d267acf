#include "AreaReference.h"
#include "EditorFixture.h"

#include "support/RawFiles.h"
#include "support/SmallDisk.h"

#include "resources/TagSheet.h"
#include "windows/frmLevelEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QSpinBox>
#include <algorithm>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QStatusBar>
#include <QUndoStack>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

const QString kArea = QStringLiteral("Area Editor");
const QString kSaveArea = QStringLiteral("Save changes to area?");
const QString kMeadowFile = QStringLiteral("Mods/Demo/World1/Meadow.qzl");

// 40 x 30 cells: a tile on every cell of the upper left, tags and enemies on a few, the start
// at (3, 2), side-warp on.
oLevel meadow()
{
    oLevel a;
    a.Resize(40, 30);
    for (int x = 0; x < 25; ++x)
        for (int y = 0; y < 20; ++y)
            a.SetTile(x, y, x % 4, y % 3);
    (void)a.SetTileTag(6, 6, 9);
    (void)a.SetTileEnemy(6, 6, 3);
    (void)a.SetTileEnemy(7, 6, 12);
    a.SetStartPos(3, 2);
    a.SetSideWarp(true);
    return a;
}

QByteArray bytesOf(const oLevel &a)
{
    QByteArray out;
    if (!tessaforge::encode(a, out))
        qFatal("cannot encode an area");
    return out;
}

// The world editor with its area editor open on Meadow (the first level's area).
struct AreaFixture : Editor
{
    frmLevelEdit *ed = nullptr;
    QImage tiles = patternedTileset(4, 3);
    QImage sheet = drawTagSheet();

    bool open(const oLevel &area = meadow())
    {
        makeMod(game);
        game.write(kMeadowFile, bytesOf(area));
        if (!start())
            return false;
        w->pictures().picHoldTags = sheet;
        clickLevel(0);
        trigger("mnuEditArea");
        w->pictures().picHoldTiles = tiles;
        ed = w->areaEditor();
        if (!ed)
            return false;
        setClientSize(QSize(400, 300));
        ed->DrawLevel();
        return true;
    }
    void setClientSize(QSize size)
    {
        QWidget *frame = ed->parentWidget();
        frame->resize(frame->size() - ed->size() + size);
    }
    // Zooms without moving the view's first cell (a zoom step keeps the centre instead).
    void zoomTo(int zoom)
    {
        const int h = ed->hScroll->value(), v = ed->vScroll->value();
        while (ed->lZoom < zoom)
            ed->ZoomIn();
        while (ed->lZoom > zoom)
            ed->ZoomOut();
        ed->hScroll->setValue(h);
        ed->vScroll->setValue(v);
    }
    void scrollTo(int h, int v)
    {
        ed->hScroll->setValue(h);
        ed->vScroll->setValue(v);
    }
    void pick(int mode, int x, int y)
    {
        w->brush().tMode = AreaLayer(mode);
        w->brush().curTileX = x;
        w->brush().curTileY = y;
    }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseClick(ed, button, {}, at); }
    // The back image against the plain reference picture of what the window shows.
    QString differenceFromReference() const
    {
        const AreaView v = ed->currentView();
        ReferenceView r{v.size, v.zoom, v.firstColumn, v.firstRow, v.showEnemies, v.showTags, v.background};
        return firstDifference(ed->backImage(), referencePicture(ed->document().area(), w->pictures().picHoldTiles, w->pictures().picHoldTags, r));
    }
    qsizetype countShown(const QString &text) const
    {
        return std::count_if(dialogs.shown.begin(), dialogs.shown.end(),
                             [&](const FakeDialogs::Shown &s) { return s.text == text; });
    }
};

QMouseEvent mouseAt(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held)
{
    return QMouseEvent(type, at, at, button, held, Qt::NoModifier);
}

// A script for the Find and Replace dialog: cells with tile (1, 1) take tile (3, 2) and tag
// 5, in this area or in the world; what the dialog showed goes to *shown.
std::function<void(QDialog &)> findAndReplace(bool wholeWorld, QStringList *shown)
{
    return [wholeWorld, shown](QDialog &d) {
        auto box = [&d](const char *name) { return d.findChild<QCheckBox *>(QLatin1String(name)); };
        auto spin = [&d](const char *name) { return d.findChild<QSpinBox *>(QLatin1String(name)); };
        box("chkFindTile")->setChecked(true);
        spin("spnFindColumn")->setValue(1);
        spin("spnFindRow")->setValue(1);
        box("chkFindTag")->setChecked(false);
        box("chkFindEnemy")->setChecked(false);
        box("chkWithTile")->setChecked(true);
        spin("spnWithColumn")->setValue(3);
        spin("spnWithRow")->setValue(2);
        box("chkWithTag")->setChecked(true);
        spin("spnWithTag")->setValue(5);
        box("chkWholeWorld")->setChecked(wholeWorld);
        *shown << d.findChild<QLabel *>(QStringLiteral("lblCount"))->text()
               << lines(d.findChild<QListWidget *>(QStringLiteral("lstAreas")));
        d.findChild<QPushButton *>(QStringLiteral("cmdReplace"))->click();
    };
}

// The area with every cell holding tile (1, 1) given tile (3, 2) and tag 5.
QByteArray replacedTiles(oLevel a)
{
    for (int x = 0; x <= a.width(); ++x)
        for (int y = 0; y <= a.height(); ++y)
            if (a.IsTile(x, y) && a.xSrc(x, y) == 1 && a.ySrc(x, y) == 1) {
                a.SetTile(x, y, 3, 2);
                (void)a.SetTileTag(x, y, 5);
            }
    return bytesOf(a);
}

// A second area of the world, named by the second level: tile (1, 1) in its first column.
oLevel cave()
{
    oLevel a;
    a.Resize(6, 4);
    for (int y = 0; y < 4; ++y)
        a.SetTile(0, y, 1, 1);
    a.SetTile(1, 0, 2, 1);
    return a;
}

} // namespace

class tst_leveledit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensTheLevelsAreaAndDrawsIt()
    {
        AreaFixture e;
        QVERIFY(e.open());
        QCOMPARE(e.ed->windowTitle(), kArea + QStringLiteral(" - Meadow.qzl[*]"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        QCOMPARE(e.ed->lZoom, 16);
        QCOMPARE(e.ed->shpCursor->size(), QSize(16, 16));
        QCOMPARE(e.ed->hScroll->maximum(), 39);
        QCOMPARE(e.ed->vScroll->maximum(), 29);
        QVERIFY(e.ed->mnuSideWarp->isChecked());
        QVERIFY(!e.ed->document().isModified());
        QCOMPARE(e.ed->document().area().TileEnemy(7, 6), 12);
        QCOMPARE(e.ed->backImage().size(), QSize(400, 300));
        QVERIFY(e.dialogs.shown.empty());
    }

    void drawLevelMatchesTheReferenceForEveryZoomModeAndShowFlag()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.setClientSize(QSize(333, 251));  // partial column and row at every zoom
        e.scrollTo(20, 14);                // the area's end and filler in sight
        for (int zoom : {8, 16, 24, 32}) {
            e.zoomTo(zoom);
            for (int mode = 0; mode < 3; ++mode) {
                for (int force = 0; force < 4; ++force) {
                    e.w->brush().tMode = AreaLayer(mode);
                    e.w->brush().bForceShowEnemy = force & 1;
                    e.w->brush().bForceShowTags = force & 2;
                    e.ed->DrawLevel();
                    const QString diff = e.differenceFromReference();
                    QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("zoom %1 mode %2 force %3: %4")
                                                            .arg(zoom).arg(mode).arg(force).arg(diff)));
                }
            }
        }
    }

    void pixelsMapToCellsByRoundingThenTruncating()
    {
        // Round half to even, then truncate toward zero.
        QCOMPARE(frmLevelEdit::windowCell({31.0, 31.0}, 32), QPoint(0, 0));
        QCOMPARE(frmLevelEdit::windowCell({31.5, 32.0}, 32), QPoint(1, 1));
        QCOMPARE(frmLevelEdit::windowCell({31.49, -31.0}, 32), QPoint(0, 0));
        QCOMPARE(frmLevelEdit::windowCell({-31.5, -32.0}, 32), QPoint(-1, -1));
        QCOMPARE(frmLevelEdit::windowCell({2.5, 3.5}, 1), QPoint(2, 4));
        QCOMPARE(frmLevelEdit::windowCell({-2.5, 0.5}, 1), QPoint(-2, 0));
    }

    void clicksEditTheCellUnderThePointer()
    {
        AreaFixture e;
        oLevel blank;
        blank.Resize(40, 30);
        QVERIFY(e.open(blank));
        e.pick(0, 2, 1);
        e.zoomTo(32);
        e.click({31, 31});
        QVERIFY(e.ed->document().area().IsTile(0, 0));
        QVERIFY(!e.ed->document().area().IsTile(1, 0));
        e.pick(0, 3, 2);
        e.click({32, 31});
        QCOMPARE(e.ed->document().area().xSrc(1, 0), 3);
        QCOMPARE(e.ed->document().area().ySrc(1, 0), 2);
        QVERIFY(e.ed->document().isModified());

        // Scrolled to (5, 3), window cell (2, 3) is cell (7, 6) at every zoom.
        e.scrollTo(5, 3);
        for (int zoom : {8, 16, 24, 32}) {
            e.zoomTo(zoom);
            const QPoint inSquare(zoom * 2 + zoom / 2, zoom * 3 + 1);  // window cell (2, 3), clear of the button
            e.pick(0, zoom / 8, 0);
            e.click(inSquare);
            QCOMPARE(e.ed->document().area().xSrc(7, 6), zoom / 8);
        }

        // Fractional positions follow the rounding rule through the handler.
        e.zoomTo(32);
        e.scrollTo(0, 0);
        e.pick(0, 1, 1);
        QMouseEvent half = mouseAt(QEvent::MouseButtonPress, {63.5, 40.0}, Qt::LeftButton, Qt::LeftButton);
        QApplication::sendEvent(e.ed, &half);
        QVERIFY(e.ed->document().area().IsTile(2, 1));
        QVERIFY(!e.ed->document().area().IsTile(1, 1));
        QMouseEvent release = mouseAt(QEvent::MouseButtonRelease, {63.5, 40.0}, Qt::LeftButton, Qt::NoButton);
        QApplication::sendEvent(e.ed, &release);

        // The picture follows every edit exactly.
        QVERIFY(e.differenceFromReference().isEmpty());
    }

    void rightAndOtherButtonsEraseInEveryMode()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.zoomTo(16);
        const QPoint cell66(6 * 16 + 8, 6 * 16 + 8);
        // Tiles: erasing keeps the tag and the enemy.
        e.pick(0, 1, 1);
        e.click(cell66, Qt::RightButton);
        QVERIFY(!e.ed->document().area().IsTile(6, 6));
        QCOMPARE(e.ed->document().area().TileTag(6, 6), 9);
        QCOMPARE(e.ed->document().area().TileEnemy(6, 6), 3);
        // Tags: a left click with value 5 sets it and leaves tile and enemy; the view shows it.
        const QPoint cell55(5 * 16 + 8, 5 * 16 + 8);
        e.pick(1, 0, 5);
        e.ed->DrawLevel();
        e.click(cell55);
        QCOMPARE(e.ed->document().area().TileTag(5, 5), 5);
        QVERIFY(e.ed->document().area().IsTile(5, 5));
        QCOMPARE(e.ed->backImage().pixel(5 * 16 + 3, 5 * 16 + 3), e.sheet.pixel(3, 16 * 5 + 16 + 3));
        e.click(cell66, Qt::MiddleButton);
        QCOMPARE(e.ed->document().area().TileTag(6, 6), 0);
        QCOMPARE(e.ed->document().area().TileEnemy(6, 6), 3);
        // Enemies: value 0 with the left button is the same as a right click.
        e.pick(2, 0, 0);
        e.click(cell66);
        QCOMPARE(e.ed->document().area().TileEnemy(6, 6), 0);
        e.pick(2, 0, 21);
        e.click(cell66);
        QCOMPARE(e.ed->document().area().TileEnemy(6, 6), 21);
        e.click({7 * 16 + 8, 6 * 16 + 8}, Qt::RightButton);
        QCOMPARE(e.ed->document().area().TileEnemy(7, 6), 0);

        // Both buttons held: the right press and the drag that follows erase tiles.
        e.pick(0, 2, 2);
        const QPoint a(2 * 16 + 8, 10 * 16 + 8);
        const QPoint b(3 * 16 + 8, 10 * 16 + 8);
        QTest::mousePress(e.ed, Qt::LeftButton, {}, a);
        QCOMPARE(e.ed->document().area().xSrc(2, 10), 2);
        QTest::mousePress(e.ed, Qt::RightButton, {}, a);
        QVERIFY(!e.ed->document().area().IsTile(2, 10));
        QVERIFY(e.ed->document().area().IsTile(3, 10));
        QTest::mouseMove(e.ed, b);
        QVERIFY(!e.ed->document().area().IsTile(3, 10));
        QTest::mouseRelease(e.ed, Qt::RightButton, {}, b);
        QTest::mouseRelease(e.ed, Qt::LeftButton, {}, b);
        QVERIFY(e.differenceFromReference().isEmpty());
    }

    void draggingPaintsCellAfterCellAndJustPastTheLeftEdge()
    {
        AreaFixture e;
        oLevel blank;
        blank.Resize(40, 30);
        QVERIFY(e.open(blank));
        e.zoomTo(32);
        e.scrollTo(5, 3);
        e.pick(0, 1, 2);
        QTest::mousePress(e.ed, Qt::LeftButton, {}, {100, 40});  // window (3, 1): cell (8, 4)
        QVERIFY(e.ed->document().area().IsTile(8, 4));
        for (int x = 100; x >= -3; x -= 9)
            QTest::mouseMove(e.ed, {x, 40});
        for (int c = 5; c <= 8; ++c)
            QVERIFY2(e.ed->document().area().IsTile(c, 4), qPrintable(QString::number(c)));
        QCOMPARE(e.ed->shpCursor->pos(), QPoint(0, 32));  // the cursor in whole window cells
        QTest::mouseRelease(e.ed, Qt::LeftButton, {}, {-3, 40});

        // At the area's left edge a pointer a whole cell outside the window edits nothing.
        e.scrollTo(0, 0);
        QTest::mousePress(e.ed, Qt::LeftButton, {}, {10, 40});
        e.pick(0, 3, 0);
        QTest::mouseMove(e.ed, {-32, 40});
        QCOMPARE(e.ed->document().area().xSrc(0, 1), 1);
        QTest::mouseMove(e.ed, {-31, 40});
        QCOMPARE(e.ed->document().area().xSrc(0, 1), 3);
        QTest::mouseRelease(e.ed, Qt::LeftButton, {}, {-31, 40});
        // Moves without a button only move the cursor.
        e.pick(0, 0, 0);
        QTest::mouseMove(e.ed, {40, 72});
        QCOMPARE(e.ed->document().area().xSrc(1, 2), 0);
        QVERIFY(!e.ed->document().area().IsTile(1, 2));
        QCOMPARE(e.ed->shpCursor->geometry(), QRect(32, 64, 32, 32));
    }

    void clicksOnTheFillerChangeNothing()
    {
        AreaFixture e;
        oLevel small;
        small.Resize(5, 4);
        QVERIFY(e.open(small));
        e.zoomTo(32);
        e.pick(0, 1, 1);
        e.click({5 * 32 + 4, 40});
        e.click({40, 4 * 32 + 4}, Qt::RightButton);
        QTest::mousePress(e.ed, Qt::LeftButton, {}, {300, 200});
        QTest::mouseMove(e.ed, {310, 210});
        QTest::mouseRelease(e.ed, Qt::LeftButton, {}, {310, 210});
        QVERIFY(!e.ed->document().isModified());
        QCOMPARE(e.ed->shpCursor->pos(), QPoint(288, 192));  // the cursor goes over the filler too
    }

    void startModePlacesOnLeftAndCancelsOnAnyOtherButton()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.zoomTo(32);
        QCOMPARE(e.ed->shpCursor->shape(), AreaCursor::Shape::Circle);
        e.trigger("mnuLevSetStart");
        QVERIFY(e.ed->isSetStartMode());
        QCOMPARE(e.ed->shpCursor->shape(), AreaCursor::Shape::RoundedSquare);
        // A right click cancels: the start stays, the cursor is a circle, the area is changed.
        e.click({40, 40}, Qt::RightButton);
        QVERIFY(!e.ed->isSetStartMode());
        QCOMPARE(e.ed->shpCursor->shape(), AreaCursor::Shape::Circle);
        QCOMPARE(QPoint(e.ed->document().area().StartX(), e.ed->document().area().StartY()), QPoint(3, 2));
        QVERIFY(e.ed->document().area().IsTile(1, 1));
        QVERIFY(e.ed->document().isModified());

        // Left press places the start; the drag that follows paints.
        e.pick(0, 3, 1);
        e.ed->SetStartPos();
        e.ed->SetStartPos();  // arming again changes nothing
        QTest::mousePress(e.ed, Qt::LeftButton, {}, {4 * 32 + 5, 5 * 32 + 5});
        QCOMPARE(QPoint(e.ed->document().area().StartX(), e.ed->document().area().StartY()), QPoint(4, 5));
        QCOMPARE(e.ed->document().area().xSrc(4, 5), 0);  // the press placed the start, not a tile
        QTest::mouseMove(e.ed, {5 * 32 + 5, 5 * 32 + 5});
        QCOMPARE(e.ed->document().area().xSrc(5, 5), 3);
        QTest::mouseMove(e.ed, {4 * 32 + 6, 5 * 32 + 5});
        QCOMPARE(e.ed->document().area().xSrc(4, 5), 3);
        QTest::mouseRelease(e.ed, Qt::LeftButton, {}, {4 * 32 + 6, 5 * 32 + 5});
        QVERIFY(e.differenceFromReference().isEmpty());  // old marker gone, new one drawn
    }

    // A double-click while start placement is armed is one gesture: the first press places
    // the start, and neither the second press nor a drag after it paints.
    void aDoubleClickPlacesTheStartWithoutPainting()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.zoomTo(32);
        e.pick(0, 3, 1);  // cells (8..10, 9) hold tile (0, 0), (1, 0) and (2, 0)
        const QPoint at(8 * 32 + 5, 9 * 32 + 5);
        const QByteArray before = bytesOf(e.ed->document().area());
        e.ed->SetStartPos();
        QTest::mouseDClick(e.ed, Qt::LeftButton, {}, at);
        QCOMPARE(QPoint(e.ed->document().area().StartX(), e.ed->document().area().StartY()), QPoint(8, 9));
        QCOMPARE(e.ed->document().area().xSrc(8, 9), 0);
        QVERIFY(!e.ed->isSetStartMode());

        // The same with the second press held and dragged on.
        e.ed->SetStartPos();
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, at + QPoint(32, 0));
        QMouseEvent second(QEvent::MouseButtonDblClick, at + QPoint(32, 0), e.ed->mapToGlobal(at + QPoint(32, 0)),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(e.ed, &second);
        for (const QPoint &to : {at + QPoint(40, 0), at + QPoint(64, 0)}) {
            QMouseEvent drag(QEvent::MouseMove, to, e.ed->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(e.ed, &drag);
        }
        QMouseEvent up(QEvent::MouseButtonRelease, at + QPoint(64, 0), e.ed->mapToGlobal(at + QPoint(64, 0)),
                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(e.ed, &up);
        QCOMPARE(QPoint(e.ed->document().area().StartX(), e.ed->document().area().StartY()), QPoint(9, 9));
        oLevel expected;
        QVERIFY(tessaforge::decode(before, expected).ok());
        expected.SetStartPos(9, 9);
        QCOMPARE(bytesOf(e.ed->document().area()), bytesOf(expected));  // the start moved, nothing painted

        // Without start placement a double-click paints as two clicks do.
        QTest::mouseDClick(e.ed, Qt::LeftButton, {}, at);
        QCOMPARE(e.ed->document().area().xSrc(8, 9), 3);
        QVERIFY(e.differenceFromReference().isEmpty());
    }

    // The squares between the scroll bars are controls of their own, over hidden cells.
    // Meadow holds tile (1, 1) on 42 cells (columns 1, 5, ... 21, rows 1, 4, ... 19).
    void findAndReplaceInTheAreaIsOneUndoStep()
    {
        AreaFixture e;
        QVERIFY(e.open());
        const QByteArray before = bytesOf(e.ed->document().area());
        QStringList shown;
        e.dialogs.dialogScripts.push_back(findAndReplace(false, &shown));
        e.trigger("mnuLevFindReplace");
        QCOMPARE(shown.value(0), QStringLiteral("42 cells match in this area."));
        QCOMPARE(e.dialogs.dialogTitles.last(), QStringLiteral("Find and Replace"));
        QCOMPARE(bytesOf(e.ed->document().area()), replacedTiles(meadow()));
        QCOMPARE(e.ed->document().undoStack()->count(), 1);
        QVERIFY(e.ed->document().isModified());
        QCOMPARE(e.game.read(kMeadowFile), before);  // saved only when the user saves
        e.ed->document().undoStack()->undo();
        QCOMPARE(bytesOf(e.ed->document().area()), before);
        QVERIFY(!e.ed->document().isModified());
        QVERIFY(e.differenceFromReference().isEmpty());

        // Nothing to change: said, and no step.
        e.ed->document().undoStack()->redo();
        e.dialogs.dialogScripts.push_back(findAndReplace(false, &shown));
        e.trigger("mnuLevFindReplace");
        QVERIFY(e.dialogs.texts().contains(QStringLiteral("No cell of the area matches.")));
        QCOMPARE(e.ed->document().undoStack()->count(), 1);
    }

    // The world's levels name Meadow (open, with an unsaved edit), Cave and a Lake not made yet.
    void findAndReplaceInEveryAreaOfTheWorldSavesEachChangedArea()
    {
        AreaFixture e;
        QVERIFY(e.open());
        const QString caveFile = QStringLiteral("Mods/Demo/World1/Cave.qzl");
        e.game.write(caveFile, bytesOf(cave()));
        e.state().gWorld.Levels[1].sAreaFile = "Cave";
        e.state().gWorld.Levels[2].sAreaFile = "Lake";
        const QByteArray world = e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw"));
        e.pick(0, 1, 1);
        e.click(QPoint(8 + 32 * 0, 8 + 32 * 0));  // cell (0, 0) takes tile (1, 1): unsaved
        QVERIFY(e.ed->document().isModified());
        oLevel edited = meadow();
        edited.SetTile(0, 0, 1, 1);

        QStringList shown;
        e.dialogs.dialogScripts.push_back(findAndReplace(true, &shown));
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        e.trigger("mnuLevFindReplace");
        QCOMPARE(shown, QStringList({QStringLiteral("47 cells match in 2 of the 3 areas of this world."),
                                     QStringLiteral("Meadow.qzl: 43 cells (the open area)"),
                                     QStringLiteral("Cave.qzl: 4 cells"), QStringLiteral("Lake.qzl: no file yet")}));
        const QString confirm = e.dialogs.shown.at(e.dialogs.shown.size() - 2).text;
        QVERIFY2(confirm.startsWith(QStringLiteral("Replace 47 cells in 2 areas of this world?"))
                     && confirm.contains(QStringLiteral("Cave.qzl: 4 cells"))
                     && confirm.contains(QStringLiteral("saved with its unsaved changes")),
                 qPrintable(confirm));
        QCOMPARE(e.dialogs.shown.back().text, QStringLiteral("Replaced 47 cells in 2 areas."));

        QCOMPARE(e.game.read(kMeadowFile), replacedTiles(std::move(edited)));
        QCOMPARE(e.game.read(caveFile), replacedTiles(cave()));
        QVERIFY(!e.game.exists(QStringLiteral("Mods/Demo/World1/Lake.qzl")));
        QCOMPARE(e.game.read(QStringLiteral("Mods/Demo/World1/Worldata.qzw")), world);
        // The open area shows what its file holds, saved, and the replacement is its last step.
        QCOMPARE(bytesOf(e.ed->document().area()), e.game.read(kMeadowFile));
        QVERIFY(!e.ed->document().isModified());
        QCOMPARE(e.ed->document().undoStack()->undoText(), QStringLiteral("Find and Replace"));
        e.ed->document().undoStack()->undo();
        QVERIFY(e.ed->document().isModified());
        QCOMPARE(e.ed->document().area().xSrc(1, 1), 1);
        QVERIFY(e.differenceFromReference().isEmpty());
    }

    // The world folder is a full disk: no area can be written, so none is, and the open area
    // keeps its history.
    void aFailedReplaceInTheWorldLeavesEveryAreaAsItWas()
    {
        AreaFixture e;
        QVERIFY(e.open());
        const QString folder = e.game.file(QStringLiteral("Mods/Demo/World1"));
        const QByteArray meadowBytes = e.game.read(kMeadowFile);
        SmallDisk disk(folder, "64k");
        REQUIRE_SMALL_DISK(disk);
        writeRaw(disk.file(QStringLiteral("Meadow.qzl")), meadowBytes);
        writeRaw(disk.file(QStringLiteral("Cave.qzl")), bytesOf(cave()));
        e.state().gWorld.Levels[1].sAreaFile = "Cave";
        disk.fill();

        QStringList shown;
        e.dialogs.dialogScripts.push_back(findAndReplace(true, &shown));
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        e.trigger("mnuLevFindReplace");
        const QString said = e.dialogs.shown.back().text;
        QVERIFY2(said.startsWith(QStringLiteral("Nothing was replaced; every area is as it was."))
                     && said.contains(QStringLiteral("Meadow.qzl")) && said.contains(QStringLiteral("No space left on device")),
                 qPrintable(said));
        QCOMPARE(readRaw(disk.file(QStringLiteral("Meadow.qzl"))), meadowBytes);
        QCOMPARE(readRaw(disk.file(QStringLiteral("Cave.qzl"))), bytesOf(cave()));
        QCOMPARE(bytesOf(e.ed->document().area()), meadowBytes);
        QCOMPARE(e.ed->document().undoStack()->count(), 0);
        QVERIFY(!e.ed->document().isModified());
    }

    void theCornerSquareTakesNothingToTheArea()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.zoomTo(32);
        e.pick(0, 3, 1);
        const QByteArray before = bytesOf(e.ed->document().area());
        QWidget *corner = e.ed->picCornerSize;
        const QPoint middle = corner->rect().center();
        // Under it lies a cell of the area, with a tile that a click there would replace.
        const QPoint under = corner->mapTo(e.ed, middle) / 32;
        QVERIFY(e.ed->document().area().IsTile(under.x(), under.y()));
        QVERIFY(e.ed->document().area().xSrc(under.x(), under.y()) != 3 || e.ed->document().area().ySrc(under.x(), under.y()) != 1);
        QTest::mouseClick(corner, Qt::LeftButton, {}, middle);
        QTest::mouseClick(corner, Qt::RightButton, {}, middle);
        QTest::mouseDClick(corner, Qt::LeftButton, {}, middle);
        QTest::mousePress(corner, Qt::LeftButton, {}, middle);
        QTest::mouseMove(corner, middle + QPoint(-3, -3));
        QTest::mouseRelease(corner, Qt::LeftButton, {}, middle + QPoint(-3, -3));
        QCOMPARE(bytesOf(e.ed->document().area()), before);
        QVERIFY(!e.ed->document().isModified());
        QCOMPARE(e.ed->document().undoStack()->count(), 0);
    }

    void randomMouseEditsKeepThePictureOfAFullRedraw()
    {
        AreaFixture e;
        QVERIFY(e.open());
        QRandomGenerator rng(11);
        e.w->brush().bForceShowEnemy = true;
        for (int zoom : {8, 24}) {
            e.zoomTo(zoom);
            e.scrollTo(rng.bounded(10), rng.bounded(10));
            for (int i = 0; i < 150; ++i) {
                e.pick(rng.bounded(3), rng.bounded(4), rng.bounded(38));
                if (i % 40 == 0)
                    e.ed->SetStartPos();
                const QPoint at(rng.bounded(-20, 400), rng.bounded(17, 300));
                const Qt::MouseButton button = rng.bounded(4) == 0 ? Qt::RightButton : Qt::LeftButton;
                QTest::mousePress(e.ed, button, {}, at);
                QTest::mouseMove(e.ed, at + QPoint(rng.bounded(-40, 40), rng.bounded(-40, 40)));
                QTest::mouseRelease(e.ed, button, {}, at);
            }
            const QString diff = e.differenceFromReference();
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    }

    void scrollBarsFollowTheAreaAndRedraw()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.zoomTo(16);
        e.scrollTo(35, 25);
        QVERIFY(e.differenceFromReference().isEmpty());
        // A lowered maximum pulls the value down with it and redraws.
        e.dialogs.dialogScripts.push_back([](QDialog &d) {
            d.findChild<QLineEdit *>(QStringLiteral("txtResize0"))->setText(QStringLiteral("10"));
            d.findChild<QLineEdit *>(QStringLiteral("txtResize1"))->setText(QStringLiteral("8"));
            d.findChild<QPushButton *>(QStringLiteral("cmdResize"))->click();
        });
        e.trigger("mnuLevResize");
        QCOMPARE(e.ed->document().area().width(), 9);
        QCOMPARE(e.ed->document().area().height(), 7);
        QCOMPARE(e.ed->hScroll->maximum(), 9);
        QCOMPARE(e.ed->hScroll->value(), 9);
        QCOMPARE(e.ed->vScroll->value(), 7);
        QVERIFY(e.ed->document().isModified());
        QVERIFY(e.differenceFromReference().isEmpty());
    }

    void windowLayoutFollowsItsSize()
    {
        AreaFixture e;
        QVERIFY(e.open());
        QCOMPARE(e.ed->hScroll->geometry(), QRect(0, 284, 384, 16));
        QCOMPARE(e.ed->vScroll->geometry(), QRect(384, 0, 16, 284));
        QCOMPARE(e.ed->picCornerSize->geometry(), QRect(384, 284, 16, 16));
        QCOMPARE(e.ed->picCorner->geometry(), QRect(0, 0, 48, 16));
        e.setClientSize(QSize(250, 180));
        QCOMPARE(e.ed->hScroll->geometry(), QRect(0, 164, 234, 16));
        QCOMPARE(e.ed->picCornerSize->pos(), QPoint(234, 164));
        QCOMPARE(e.ed->picCorner->pos(), QPoint(0, 0));
        QCOMPARE(e.ed->backImage().size(), QSize(250, 180));
        // Smaller than the scroll bars: nothing fails. (Outside the frame, which has a
        // smallest size of its own.)
        AreaDocument document;
        frmLevelEdit alone(document, e.w->brush(), e.w->pictures(), e.w->world(), e.dialogs, nullptr);
        alone.resize(6, 3);
        alone.show();
        QCOMPARE(alone.hScroll->width(), 0);
        QCOMPARE(alone.vScroll->height(), 0);
        QCOMPARE(alone.backImage().size(), QSize(6, 3));
        // Narrower than one cell, it still draws column 0: filler below the new area's rows.
        alone.ZoomOut();
        alone.ZoomOut();
        alone.ZoomOut();
        alone.resize(5, 200);
        QCOMPARE(alone.backImage().size(), QSize(5, 200));
        QCOMPARE(alone.backImage().pixel(2, 15 * 8 + 2), e.sheet.pixel(4, 4));
        QCOMPARE(alone.backImage().pixel(2, 14 * 8 + 2), frmLevelEdit::kBackground);
    }

    void menuButtonPopsUpTheAreaMenu()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.w.get()));
        QTest::mouseClick(e.ed->picCorner, Qt::LeftButton);
        QTRY_VERIFY(e.ed->mnuLevelMenu->isVisible());
        e.ed->mnuLevelMenu->hide();
        QTRY_COMPARE(QApplication::focusWidget(), e.ed->picCornerSize);
        // Side-warp: the check mark follows the flag.
        e.trigger("mnuSideWarp");
        QVERIFY(!e.ed->document().area().SideWarp());
        QVERIFY(!e.ed->mnuSideWarp->isChecked());
        QVERIFY(e.ed->document().isModified());
        e.trigger("mnuSideWarp");
        QVERIFY(e.ed->document().area().SideWarp());
        QVERIFY(e.ed->mnuSideWarp->isChecked());
        // "&New" asks, then gives a 20 x 15 area without side-warp or name.
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.trigger("mnuLevNew");
        QCOMPARE(e.dialogs.shown.back().text, kSaveArea);
        QCOMPARE(e.ed->document().area().width(), 19);
        QCOMPARE(e.ed->document().area().height(), 14);
        QCOMPARE(e.ed->document().fileName(), QString());
        QVERIFY(!e.ed->mnuSideWarp->isChecked());
        QVERIFY(!e.ed->document().isModified());
        QCOMPARE(e.ed->hScroll->maximum(), 19);
    }

    void setLevelAsksBeforeReplacingChanges()
    {
        AreaFixture e;
        QVERIFY(e.open());
        oLevel cave;
        cave.Resize(3, 2);
        e.game.write(QStringLiteral("Mods/Demo/World1/Cave.qzl"), bytesOf(cave));
        e.pick(0, 1, 1);
        e.click({100, 100}, Qt::RightButton);
        QVERIFY(e.ed->document().isModified());

        e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        e.ed->SetLevel(QStringLiteral("Cave"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        QVERIFY(e.ed->document().isModified());
        QCOMPARE(e.dialogs.shown.back().title, kArea);
        QCOMPARE(e.dialogs.shown.back().text, kSaveArea);

        // Yes with a save that fails abandons: the area, its name and bChanged stay.
        QDir().mkpath(e.game.file(QStringLiteral("Mods/Demo/World1/Blocked.qzl")));
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        e.dialogs.inputs.push_back(QStringLiteral("Blocked"));
        e.ed->SetLevel(QStringLiteral("Cave"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        QVERIFY(e.ed->document().isModified());
        QCOMPARE(e.dialogs.shown.back().title, kArea);
        QVERIFY(e.dialogs.shown.back().text.startsWith(QStringLiteral("The area was not saved.")));
        QCOMPARE(e.countShown(QStringLiteral("Blocked.qzl saved!")), 0);

        // Yes with a save: written, confirmed, then the other area is opened.
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        e.dialogs.inputs.push_back(QStringLiteral("  Saved  "));
        e.ed->SetLevel(QStringLiteral("Cave"));
        QCOMPARE(e.countShown(QStringLiteral("Saved.qzl saved!")), 1);
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Cave"));
        QCOMPARE(e.ed->document().area().width(), 2);
        QVERIFY(!e.ed->document().isModified());
        oLevel saved;
        QVERIFY(saved.LoadFromFile(e.game.file(QStringLiteral("Mods/Demo/World1/Saved.qzl"))).ok());
        QVERIFY(!saved.IsTile(6, 6));
        QVERIFY(saved.IsTile(5, 5));

        // No: the changes are dropped.
        e.click({8, 24});
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.ed->SetLevel(QStringLiteral("Meadow"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        QCOMPARE(e.ed->document().area().TileTag(6, 6), 9);
        QVERIFY(e.dialogs.unexpected.isEmpty());

        // The open name again does nothing, even when the file changed on disk.
        e.game.write(kMeadowFile, bytesOf(cave));
        e.ed->SetLevel(QStringLiteral("Meadow"));
        QCOMPARE(e.ed->document().area().width(), 39);

        // A name with no file gives a new nameless area, after the question when changed.
        e.click({8, 24}, Qt::RightButton);
        e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        e.ed->SetLevel(QStringLiteral("Nowhere"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.ed->SetLevel(QStringLiteral("Nowhere"));
        QCOMPARE(e.ed->document().fileName(), QString());
        QCOMPARE(e.ed->document().area().width(), 19);
        QVERIFY(!e.ed->document().isModified());
    }

    void aMinimisedEditorStillAsksBeforeANewArea()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.pick(0, 1, 1);
        e.click({100, 100});
        QVERIFY(e.ed->document().isModified());
        auto *frame = qobject_cast<QMdiSubWindow *>(e.ed->parentWidget());
        QVERIFY(frame);
        frame->showMinimized();
        QVERIFY(frame->isMinimized());
        QVERIFY(!e.ed->isVisible());  // the frame hides what it holds

        // The third level names no area file: opening it would start a new area.
        e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        e.clickLevel(2);
        QCOMPARE(e.dialogs.texts(), QStringList{kSaveArea});
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        QVERIFY(e.ed->document().isModified());
        QCOMPARE(e.ed->document().area().xSrc(6, 6), 1);  // the painted tile

        e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        e.trigger("mnuLevNew");
        QCOMPARE(e.dialogs.texts().count(kSaveArea), 2);
        QVERIFY(e.ed->document().isModified());

        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.clickLevel(1);
        QCOMPARE(e.ed->document().fileName(), QString());
        QCOMPARE(e.ed->document().area().width(), 19);
        QVERIFY(!e.ed->document().isModified());
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }

    void savingUnderANewNameKeepsTheOldNameForSetLevel()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.pick(0, 2, 2);
        e.click({8, 24});
        e.dialogs.inputs.push_back(QStringLiteral("Copy"));
        e.trigger("mnuLevSave");
        QCOMPARE(e.dialogs.shown.back().text, QStringLiteral("Copy.qzl saved!"));
        QCOMPARE(e.dialogs.shown[e.dialogs.shown.size() - 2].text, QStringLiteral("Enter file name for area:"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        QVERIFY(!e.ed->document().isModified());
        const QByteArray written = e.game.read(QStringLiteral("Mods/Demo/World1/Copy.qzl"));
        QCOMPARE(written, bytesOf(e.ed->document().area()));
        // SetLevel of the new name loads it from disk.
        e.game.write(QStringLiteral("Mods/Demo/World1/Copy.qzl"), bytesOf(meadow()));
        e.ed->SetLevel(QStringLiteral("Copy"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Copy"));
        QCOMPARE(e.ed->document().area().xSrc(0, 1), 0);
        // An empty or cancelled name writes nothing.
        e.dialogs.inputs.push_back(QStringLiteral("   "));
        QVERIFY(!e.ed->SaveArea());
        e.dialogs.inputs.push_back(std::nullopt);
        QVERIFY(!e.ed->SaveArea());
    }

    void unsafeAreaNamesAreRefused()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.click({8, 24}, Qt::RightButton);
        const QStringList names = {QStringLiteral("../Escape"), QStringLiteral("sub/Area"), QStringLiteral("sub\\Area"),
                                   QStringLiteral(".."), QStringLiteral("C:Area"), QStringLiteral("Snow\u2603")};
        for (const QString &name : names) {
            e.dialogs.inputs.push_back(name);
            QVERIFY2(!e.ed->SaveArea(), qPrintable(name));
            QCOMPARE(e.dialogs.shown.back().title, kArea);
            QVERIFY2(e.dialogs.shown.back().text.startsWith(QStringLiteral("The area cannot be saved as")),
                     qPrintable(e.dialogs.shown.back().text));
            QVERIFY(e.ed->document().isModified());
        }
        QCOMPARE(QDir(e.game.file(QStringLiteral("Mods/Demo"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("Worlds.inf")});
        QCOMPARE(QDir(e.game.file(QStringLiteral("Mods/Demo/World1"))).entryList({QStringLiteral("*.qzl")}, QDir::Files),
                 (QStringList{QStringLiteral("cave.old.qzl"), QStringLiteral("Meadow.qzl")}));
        // A stored name that leads outside the world is not opened either.
        e.ed->SetLevel(QStringLiteral("../World1/Meadow"));
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        QVERIFY(e.ed->document().isModified());
    }

    void aSaveNeverFollowsALinkOutOfTheMod()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.click({8, 24}, Qt::RightButton);
        QTemporaryDir outside;
        const QString victim = outside.filePath(QStringLiteral("victim.qzl"));
        QVERIFY(QFile::link(victim, e.game.file(QStringLiteral("Mods/Demo/World1/Linked.qzl"))));
        e.dialogs.inputs.push_back(QStringLiteral("Linked"));
        QVERIFY(!e.ed->SaveArea());
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("Linked.qzl")));
        QVERIFY(!QFile::exists(victim));
        QVERIFY(e.ed->document().isModified());
    }

    void unreadableAreaFilesAreReportedAndChangeNothing()
    {
        AreaFixture e;
        QVERIFY(e.open());
        QByteArray negative = bytesOf(meadow()).left(11);
        negative[5] = char(0xFF);  // highest column -1
        negative[6] = char(0xFF);
        e.game.write(QStringLiteral("Mods/Demo/World1/Negative.qzl"), negative);
        e.game.write(QStringLiteral("Mods/Demo/World1/Short.qzl"), QByteArray(5, '\0'));
        for (const QString &name : {QStringLiteral("Negative"), QStringLiteral("Short")}) {
            e.ed->SetLevel(name);
            QCOMPARE(e.dialogs.shown.back().title, kArea);
            QVERIFY2(e.dialogs.shown.back().text.contains(name + QStringLiteral(".qzl")),
                     qPrintable(e.dialogs.shown.back().text));
            QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
            QCOMPARE(e.ed->document().area().width(), 39);
            QCOMPARE(e.ed->document().area().TileTag(6, 6), 9);
            QVERIFY(!e.ed->document().isModified());
        }
    }

    void resizesBeyondTheLimitAreRefused()
    {
        AreaFixture e;
        QVERIFY(e.open());
        auto answerResize = [&e](const QString &w, const QString &h) {
            e.dialogs.dialogScripts.push_back([w, h](QDialog &d) {
                d.findChild<QLineEdit *>(QStringLiteral("txtResize0"))->setText(w);
                d.findChild<QLineEdit *>(QStringLiteral("txtResize1"))->setText(h);
                d.findChild<QPushButton *>(QStringLiteral("cmdResize"))->click();
            });
        };
        answerResize(QStringLiteral("40000"), QStringLiteral("10"));
        e.ed->ResizeArea();
        QCOMPARE(e.dialogs.shown.back().title, kArea);
        QVERIFY(e.dialogs.shown.back().text.contains(QStringLiteral("32768")));
        QCOMPARE(e.ed->document().area().width(), 39);
        QCOMPARE(e.ed->document().area().height(), 29);
        const qsizetype messages = e.dialogs.shown.size();
        answerResize(QStringLiteral("0"), QStringLiteral("10"));  // below 1: ignored silently
        e.ed->ResizeArea();
        QCOMPARE(e.dialogs.shown.size(), messages);
        QCOMPARE(e.ed->document().area().width(), 39);
        // The dialog proposes the size in cells; closed unanswered it still marks a change.
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.ed->NewArea();
        e.dialogs.dialogScripts.push_back([](QDialog &d) {
            QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("txtResize0"))->text(), QStringLiteral("20"));
            QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("txtResize1"))->text(), QStringLiteral("15"));
        });
        QVERIFY(!e.ed->document().isModified());
        e.ed->ResizeArea();
        QVERIFY(e.ed->document().isModified());
        QCOMPARE(e.ed->document().area().width(), 19);
    }

    void closingAsksAndAFailedSaveKeepsItOpen()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.click({8, 24}, Qt::RightButton);
        QWidget *frame = e.ed->parentWidget();
        e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        QVERIFY(!frame->close());
        QVERIFY(e.state().bAreaWindowOpen);
        QDir().mkpath(e.game.file(QStringLiteral("Mods/Demo/World1/Blocked.qzl")));
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        e.dialogs.inputs.push_back(QStringLiteral("Blocked"));
        QVERIFY(!frame->close());
        QVERIFY(e.state().bAreaWindowOpen);
        const QByteArray before = e.game.read(kMeadowFile);
        e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        e.dialogs.inputs.push_back(QStringLiteral("Meadow"));
        QVERIFY(frame->close());
        QVERIFY(!e.state().bAreaWindowOpen);
        QVERIFY(e.game.read(kMeadowFile) != before);
        QCOMPARE(e.game.read(kMeadowFile).size(), 11 + 5 * 40 * 30);
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }

    // A zoom step from the keys or the menu keeps the cell at the view's centre in place, and
    // at the edge of the scroll range keeps the view in range.
    void zoomFromTheKeysOrTheMenuKeepsTheCentre()
    {
        AreaFixture e;
        oLevel big;
        big.Resize(200, 100);
        QVERIFY(e.open(big));
        e.zoomTo(8);
        e.scrollTo(40, 20);
        const QPointF centre((e.ed->width() - frmLevelEdit::kBar) / 2.0, (e.ed->height() - frmLevelEdit::kBar) / 2.0);
        auto cellAtCentre = [&] {
            const QPoint w = frmLevelEdit::windowCell(centre, e.ed->lZoom);
            return QPoint(w.x() + e.ed->hScroll->value(), w.y() + e.ed->vScroll->value());
        };
        const QPoint before = cellAtCentre();
        e.trigger("mnuLevZoomIn");
        QCOMPARE(e.ed->lZoom, 16);
        QCOMPARE(cellAtCentre(), before);
        e.ed->setFocus();
        QTest::keyClick(e.ed, Qt::Key_Plus);
        QCOMPARE(e.ed->lZoom, 24);
        QCOMPARE(cellAtCentre(), before);
        QTest::keyClick(e.ed, Qt::Key_Minus);
        QTest::keyClick(e.ed, Qt::Key_Minus);
        QCOMPARE(e.ed->lZoom, 8);
        QCOMPARE(cellAtCentre(), before);
        // Zooming out at the top left corner would move the view before the first cell: it
        // stays at 0.
        e.trigger("mnuLevZoomIn");
        e.scrollTo(0, 0);
        e.trigger("mnuLevZoomOut");
        QCOMPARE(e.ed->lZoom, 8);
        QCOMPARE(QPoint(e.ed->hScroll->value(), e.ed->vScroll->value()), QPoint(0, 0));
        QVERIFY(e.differenceFromReference().isEmpty());
    }

    void wheelKeysAndStatusBar()
    {
        AreaFixture e;
        QVERIFY(e.open());
        e.zoomTo(16);
        const QPoint at(5 * 16 + 3, 6 * 16 + 3);  // window cell (5, 6)
        QWheelEvent down(at, e.ed->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(e.ed, &down);
        QCOMPARE(e.ed->vScroll->value(), 3);
        QWheelEvent right(at, e.ed->mapToGlobal(at), {}, {0, -240}, Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(e.ed, &right);
        QCOMPARE(e.ed->hScroll->value(), 6);
        // Ctrl+wheel zooms in one step and keeps cell (11, 9) under the pointer.
        QWheelEvent zoom(at, e.ed->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(e.ed, &zoom);
        QCOMPARE(e.ed->lZoom, 24);
        const QPoint window = frmLevelEdit::windowCell(at, 24);
        QCOMPARE(QPoint(window.x() + e.ed->hScroll->value(), window.y() + e.ed->vScroll->value()), QPoint(11, 9));
        QVERIFY(e.differenceFromReference().isEmpty());

        e.ed->setFocus();
        QTest::keyClick(e.ed, Qt::Key_Minus);
        QCOMPARE(e.ed->lZoom, 16);
        QTest::keyClick(e.ed, Qt::Key_Plus);
        QCOMPARE(e.ed->lZoom, 24);
        const int h = e.ed->hScroll->value();
        QTest::keyClick(e.ed, Qt::Key_Right);
        QCOMPARE(e.ed->hScroll->value(), h + 1);
        e.scrollTo(0, 0);
        QTest::keyClick(e.ed, Qt::Key_PageDown);
        QCOMPARE(e.ed->vScroll->value(), 300 / 24);
        QVERIFY(e.differenceFromReference().isEmpty());

        e.scrollTo(0, 0);
        e.zoomTo(16);
        QTest::mouseMove(e.ed, {6 * 16 + 3, 6 * 16 + 3});
        QCOMPARE(e.w->statusBar()->currentMessage(),
                 QStringLiteral("Cell (6, 6)  tile (2, 0)  tag 9  enemy 3      Area 40 × 30"));
        e.scrollTo(35, 0);
        QTest::mouseMove(e.ed, {16 * 6 + 3, 16 * 3});  // the filler shows no cell
        QCOMPARE(e.w->statusBar()->currentMessage(), QStringLiteral("Area 40 × 30"));
    }
};

QTEST_MAIN(tst_leveledit)
#include "tst_leveledit.moc"
