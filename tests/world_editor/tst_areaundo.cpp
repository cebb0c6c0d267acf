#include "AreaReference.h"
#include "EditorFixture.h"

#include "resources/TagSheet.h"
#include "windows/frmLevelEdit.h"
#include "windows/frmLevelTiles.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QUndoGroup>
#include <QUndoStack>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

const QString kAreaFile = QStringLiteral("Mods/Demo/World1/Meadow.qzl");

QByteArray bytesOf(const oLevel &a)
{
    QByteArray out;
    if (!tessaforge::encode(a, out))
        qFatal("cannot encode an area");
    return out;
}

// 30 x 20 cells, a tile on the left half, a tag and an enemy here and there.
oLevel field()
{
    oLevel a;
    a.Resize(30, 20);
    for (int x = 0; x < 15; ++x)
        for (int y = 0; y < 20; ++y)
            a.SetTile(x, y, x % 3, y % 2);
    (void)a.SetTileTag(20, 5, 4);
    (void)a.SetTileEnemy(21, 5, 6);
    a.SetStartPos(2, 2);
    return a;
}

// The world editor with its area editor open at zoom 32 on an 800 x 704 view.
struct Fixture : Editor
{
    frmLevelEdit *ed = nullptr;
    QUndoStack *undo = nullptr;

    bool open(const oLevel &area = field())
    {
        makeMod(game);
        game.write(kAreaFile, bytesOf(area));
        if (!start())
            return false;
        w->pictures().picHoldTags = drawTagSheet();
        clickLevel(0);
        trigger("mnuEditArea");
        w->pictures().picHoldTiles = patternedTileset(3, 2);
        ed = w->areaEditor();
        if (!ed)
            return false;
        QWidget *frame = ed->parentWidget();
        frame->resize(frame->size() - ed->size() + QSize(800, 704));
        ed->ZoomIn();
        ed->ZoomIn();
        ed->hScroll->setValue(0);  // a zoom step keeps the centre; these tests start at the corner
        ed->vScroll->setValue(0);
        undo = ed->document().undoStack();
        return undo != nullptr;
    }
    QByteArray bytes() const { return bytesOf(ed->document().area()); }
    static QPoint at(int c, int r) { return {c * 32 + 10, r * 32 + 10}; }
    void select(int mode, int x, int y)
    {
        w->brush().tMode = AreaLayer(mode);
        w->brush().curTileX = x;
        w->brush().curTileY = y;
    }
    void drag(Qt::MouseButton button, const std::vector<QPoint> &cells, Qt::KeyboardModifiers mods = {})
    {
        QTest::mousePress(ed, button, mods, at(cells.front().x(), cells.front().y()));
        for (const QPoint &c : cells)
            QTest::mouseMove(ed, at(c.x(), c.y()));
        QTest::mouseRelease(ed, button, mods, at(cells.back().x(), cells.back().y()));
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(ed, k, mods); }
    QString differenceFromReference() const
    {
        const AreaView v = ed->currentView();
        ReferenceView r{v.size, v.zoom, v.firstColumn, v.firstRow, v.showEnemies, v.showTags, v.background};
        return firstDifference(ed->backImage(), referencePicture(ed->document().area(), w->pictures().picHoldTiles, w->pictures().picHoldTags, r));
    }
    QAction *item(const char *name) const { return w->findChild<QAction *>(QLatin1String(name)); }
};

} // namespace

class tst_areaundo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dragsAreOneStepEachAndUndoRedoExactly()
    {
        Fixture e;
        QVERIFY(e.open());
        const QByteArray start = e.bytes();
        std::vector<QByteArray> states{start};

        e.select(0, 2, 1);
        e.drag(Qt::LeftButton, {{1, 1}, {2, 1}, {3, 1}, {2, 1}, {1, 1}, {1, 2}});  // back over itself
        states.push_back(e.bytes());
        QCOMPARE(e.undo->count(), 1);
        QCOMPARE(e.undo->undoText(), QStringLiteral("Paint"));
        e.drag(Qt::RightButton, {{2, 1}, {2, 2}, {2, 1}, {3, 3}});
        states.push_back(e.bytes());
        QCOMPARE(e.undo->count(), 2);
        QCOMPARE(e.undo->undoText(), QStringLiteral("Erase"));
        e.select(1, 0, 9);
        e.drag(Qt::LeftButton, {{20, 5}, {21, 5}, {20, 5}});
        states.push_back(e.bytes());
        e.select(2, 1, 3);
        e.drag(Qt::LeftButton, {{21, 5}, {22, 5}});
        states.push_back(e.bytes());
        QCOMPARE(e.undo->count(), 4);
        // A click that changes nothing, or one on the filler, is no step.
        e.drag(Qt::LeftButton, {{21, 5}});
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, {-40, 10});  // outside the area
        QCOMPARE(e.undo->count(), 4);
        // Start position, then painting in the same drag: still one step.
        e.ed->SetStartPos();
        e.select(0, 0, 0);
        e.drag(Qt::LeftButton, {{5, 5}, {6, 5}, {7, 5}});
        states.push_back(e.bytes());
        QCOMPARE(e.undo->count(), 5);
        QCOMPARE(e.undo->undoText(), QStringLiteral("Paint"));
        e.ed->SetStartPos();
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(9, 9));
        states.push_back(e.bytes());
        QCOMPARE(e.undo->undoText(), QStringLiteral("Start Position"));

        for (int i = int(states.size()) - 1; i > 0; --i) {
            QCOMPARE(e.bytes(), states[std::size_t(i)]);
            e.undo->undo();
            QVERIFY(e.differenceFromReference().isEmpty());
        }
        QCOMPARE(e.bytes(), start);
        for (std::size_t i = 1; i < states.size(); ++i) {
            e.undo->redo();
            QCOMPARE(e.bytes(), states[i]);
        }
        QVERIFY(e.differenceFromReference().isEmpty());

        // The main window's Undo acts on the area while its window is the active one.
        e.w->mdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(e.ed->parentWidget()));
        QCOMPARE(e.w->undoGroup->activeStack(), e.undo);
        e.item("mnuUndo")->trigger();
        QCOMPARE(e.bytes(), states[states.size() - 2]);
        // The area menu carries the items with the step's name at its end.
        const QList<QAction *> menu = e.ed->mnuLevelMenu->actions();
        QCOMPARE(menu.last(), e.ed->mnuLevRedo);
        QCOMPARE(menu[menu.size() - 2], e.ed->mnuLevUndo);
        QVERIFY(menu[menu.size() - 3]->isSeparator());
        QCOMPARE(e.ed->mnuLevUndo->text(), QStringLiteral("Undo Paint"));
        QCOMPARE(e.ed->mnuLevRedo->text(), QStringLiteral("Redo Start Position"));
        QVERIFY(e.ed->mnuLevUndo->shortcut().isEmpty());
        // The area's own commands lead the menu.
        QCOMPARE(captions(e.ed->mnuLevelMenu).mid(0, 10),
                 (QStringList{QStringLiteral("&New"), QStringLiteral("&Save"), QStringLiteral("Export as &Image..."),
                              QString(), QStringLiteral("Zoom &In"), QStringLiteral("Zoom &Out"), QString(),
                              QStringLiteral("Enable &Side-Warp"), QStringLiteral("Set Start &Position"),
                              QStringLiteral("&Resize Area")}));
    }

    void resizeSideWarpAndNewAreaInTheHistory()
    {
        Fixture e;
        QVERIFY(e.open());
        const QByteArray start = e.bytes();
        e.dialogs.dialogScripts.push_back([](QDialog &d) {
            d.findChild<QLineEdit *>(QStringLiteral("txtResize0"))->setText(QStringLiteral("8"));
            d.findChild<QLineEdit *>(QStringLiteral("txtResize1"))->setText(QStringLiteral("6"));
            d.findChild<QPushButton *>(QStringLiteral("cmdResize"))->click();
        });
        e.ed->ResizeArea();
        QCOMPARE(e.ed->document().area().width(), 7);
        const QByteArray shrunk = e.bytes();
        QCOMPARE(e.undo->undoText(), QStringLiteral("Resize Area"));
        e.ed->ToggleSideWarp();
        QCOMPARE(e.undo->undoText(), QStringLiteral("Side Warp"));
        QVERIFY(e.ed->mnuSideWarp->isChecked());
        e.undo->undo();
        QVERIFY(!e.ed->mnuSideWarp->isChecked());
        e.undo->undo();
        QCOMPARE(e.bytes(), start);  // the dropped cells, tags and enemies are back
        QCOMPARE(e.ed->hScroll->maximum(), 29);
        QVERIFY(e.differenceFromReference().isEmpty());
        e.undo->redo();
        QCOMPARE(e.bytes(), shrunk);
        // A resize dialog closed without a size marks a change but is no step.
        e.ed->ResizeArea();
        QCOMPARE(e.undo->count(), 2);
        // New area and loading clear the history.
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.ed->NewArea();
        QCOMPARE(e.undo->count(), 0);
        e.select(0, 1, 1);
        e.drag(Qt::LeftButton, {{1, 1}});
        QCOMPARE(e.undo->count(), 1);
        e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        e.ed->SetLevel(QStringLiteral("Meadow"));
        QCOMPARE(e.bytes(), start);
        QCOMPARE(e.undo->count(), 0);
    }

    void theQuestionFollowsTheSavedState()
    {
        Fixture e;
        QVERIFY(e.open());
        e.select(0, 1, 1);
        e.drag(Qt::LeftButton, {{20, 1}});
        e.dialogs.inputs.push_back(QStringLiteral("Meadow"));
        QVERIFY(e.ed->SaveArea());
        QVERIFY(!e.ed->document().isModified());
        const std::size_t asked = e.dialogs.shown.size();

        // Undone back to the save: nothing to ask about.
        e.drag(Qt::LeftButton, {{21, 1}, {22, 1}});
        QVERIFY(e.ed->document().isModified());
        e.undo->undo();
        QVERIFY(!e.ed->document().isModified());
        e.ed->NewArea();
        QCOMPARE(e.dialogs.shown.size(), asked);
        QCOMPARE(e.ed->document().area().width(), 19);  // replaced without a word

        // A second change after an undo asks again; Cancel keeps the window and its edits.
        e.clickLevel(0);
        QCOMPARE(e.ed->document().fileName(), QStringLiteral("Meadow"));
        e.drag(Qt::LeftButton, {{23, 1}});
        e.undo->undo();
        QVERIFY(!e.ed->document().isModified());
        e.drag(Qt::LeftButton, {{24, 1}});
        e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        QVERIFY(!e.ed->parentWidget()->close());
        QCOMPARE(e.dialogs.shown.back().text, QStringLiteral("Save changes to area?"));
        QVERIFY(e.ed->document().area().IsTile(24, 1));
        const std::size_t askedToClose = e.dialogs.shown.size();
        e.undo->undo();
        QVERIFY(e.ed->parentWidget()->close());
        QCOMPARE(e.dialogs.shown.size(), askedToClose);
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }

    void rectangleFillAndPickInEachMode()
    {
        Fixture e;
        QVERIFY(e.open());
        e.key(Qt::Key_R);
        QCOMPARE(e.ed->tool(), AreaTool::Rectangle);
        QVERIFY(e.item("mnuToolRectangle")->isChecked());
        e.select(0, 2, 0);
        // Dragged up and to the left; the outline follows the rectangle.
        QTest::mousePress(e.ed, Qt::LeftButton, {}, Fixture::at(18, 4));
        QTest::mouseMove(e.ed, Fixture::at(16, 2));
        QCOMPARE(e.ed->shpCursor->geometry(), QRect(16 * 32, 2 * 32, 3 * 32, 3 * 32));
        QVERIFY(!e.ed->document().area().IsTile(17, 3));  // nothing until the release
        QTest::mouseRelease(e.ed, Qt::LeftButton, {}, Fixture::at(16, 2));
        for (int x = 16; x <= 18; ++x)
            for (int y = 2; y <= 4; ++y)
                QCOMPARE(e.ed->document().area().xSrc(x, y), 2);
        QCOMPARE(e.undo->count(), 1);
        QCOMPARE(e.undo->undoText(), QStringLiteral("Rectangle"));
        e.select(1, 0, 7);
        e.drag(Qt::LeftButton, {{17, 3}, {18, 3}});
        QCOMPARE(e.ed->document().area().TileTag(18, 3), 7);
        QCOMPARE(e.ed->document().area().TileTag(18, 4), 0);
        e.select(2, 1, 5);
        e.drag(Qt::LeftButton, {{16, 2}, {17, 2}});
        QCOMPARE(e.ed->document().area().TileEnemy(17, 2), 5);
        e.drag(Qt::RightButton, {{16, 2}, {18, 4}});  // erases enemies only
        QCOMPARE(e.ed->document().area().TileEnemy(17, 2), 0);
        QCOMPARE(e.ed->document().area().TileTag(18, 3), 7);
        QVERIFY(e.ed->document().area().IsTile(18, 3));
        QCOMPARE(e.undo->count(), 4);

        // Fill: the empty right half around the rectangle in one click; the right button
        // erases a region.
        e.key(Qt::Key_F);
        e.select(0, 1, 1);
        const QByteArray beforeFill = e.bytes();
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(24, 15));
        QCOMPARE(e.ed->document().area().xSrc(29, 19), 1);
        QCOMPARE(e.ed->document().area().ySrc(15, 0), 1);
        QCOMPARE(e.ed->document().area().xSrc(17, 3), 2);  // the rectangle is another tile: untouched
        QCOMPARE(e.ed->document().area().xSrc(14, 0), 2);
        QCOMPARE(e.ed->document().area().TileTag(20, 5), 4);  // other layers kept
        QCOMPARE(e.undo->undoText(), QStringLiteral("Fill"));
        const QByteArray filled = e.bytes();
        QTest::mouseClick(e.ed, Qt::RightButton, {}, Fixture::at(17, 3));
        QVERIFY(!e.ed->document().area().IsTile(16, 2));
        QVERIFY(e.ed->document().area().IsTile(15, 2));
        e.select(1, 0, 0);
        QTest::mouseClick(e.ed, Qt::RightButton, {}, Fixture::at(1, 1));  // no tag there: nothing
        QCOMPARE(e.undo->count(), 6);
        e.undo->undo();
        QCOMPARE(e.bytes(), filled);
        e.undo->undo();
        QCOMPARE(e.bytes(), beforeFill);
        QVERIFY(e.differenceFromReference().isEmpty());

        // Pick, by tool and by Alt with a click in any tool, in each mode.
        e.trigger("mnuShowTSetWindow");
        frmLevelTiles *palette = e.w->palette();
        QVERIFY(palette);
        e.key(Qt::Key_I);
        e.select(0, 0, 0);
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(1, 1));
        QCOMPARE(QPoint(e.w->brush().curTileX, e.w->brush().curTileY), QPoint(1, 1));
        QCOMPARE(palette->windowTitle(), QStringLiteral("Tiles  CUR:(1,1)"));
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(25, 1));  // no tile: selection kept
        QCOMPARE(QPoint(e.w->brush().curTileX, e.w->brush().curTileY), QPoint(1, 1));
        e.key(Qt::Key_P);
        e.select(1, 0, 0);
        QTest::mouseClick(e.ed, Qt::LeftButton, Qt::AltModifier, Fixture::at(18, 3));
        QCOMPARE(QPoint(e.w->brush().curTileX, e.w->brush().curTileY), QPoint(0, 7));
        QCOMPARE(e.ed->document().area().TileTag(18, 3), 7);
        e.select(2, 0, 0);
        QTest::mouseClick(e.ed, Qt::LeftButton, Qt::AltModifier, Fixture::at(21, 5));
        QCOMPARE(QPoint(e.w->brush().curTileX, e.w->brush().curTileY), QPoint(1, 6));
        QCOMPARE(int(e.w->brush().tMode), 2);
        QCOMPARE(e.undo->count(), 6);  // picking is no edit
        QCOMPARE(e.undo->index(), 4);

        // With a tool other than the pencil, start placement takes the press alone.
        e.key(Qt::Key_R);
        e.ed->SetStartPos();
        const QByteArray beforeStart = e.bytes();
        e.select(0, 2, 1);
        QTest::mousePress(e.ed, Qt::LeftButton, {}, Fixture::at(8, 8));
        QTest::mouseMove(e.ed, Fixture::at(9, 8));
        QTest::mouseRelease(e.ed, Qt::LeftButton, {}, Fixture::at(9, 8));
        QCOMPARE(QPoint(e.ed->document().area().StartX(), e.ed->document().area().StartY()), QPoint(8, 8));
        QCOMPARE(e.undo->undoText(), QStringLiteral("Start Position"));
        e.undo->undo();
        QCOMPARE(e.bytes(), beforeStart);
    }

    void selectCopyCutPasteAndUndo()
    {
        Fixture e;
        QVERIFY(e.open());
        e.key(Qt::Key_S);
        e.drag(Qt::LeftButton, {{13, 4}, {14, 5}});  // a 2 x 2 block: tile column 13 and 14
        QCOMPARE(e.ed->selection(), QRect(13, 4, 2, 2));
        QVERIFY(e.ed->shpSelection->isVisible());
        e.key(Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Tessaforge area block\n2 2\n")));
        QCOMPARE(e.undo->count(), 0);

        const QByteArray before = e.bytes();
        QTest::mouseMove(e.ed, Fixture::at(20, 4));
        e.key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(e.ed->isPasting());
        QTest::mouseMove(e.ed, Fixture::at(20, 5));
        QCOMPARE(e.ed->shpCursor->geometry(), QRect(20 * 32, 5 * 32, 64, 64));
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(20, 5));
        QVERIFY(!e.ed->isPasting());
        QCOMPARE(e.ed->document().area().xSrc(20, 5), e.ed->document().area().xSrc(13, 4));
        QCOMPARE(e.ed->document().area().ySrc(21, 6), e.ed->document().area().ySrc(14, 5));
        QCOMPARE(e.ed->document().area().TileTag(20, 5), 0);  // all three layers: the tag there is replaced
        QCOMPARE(e.undo->undoText(), QStringLiteral("Paste"));
        e.undo->undo();
        QCOMPARE(e.bytes(), before);

        // Escape drops a floating block; pasted at the far corner it is clipped.
        e.key(Qt::Key_V, Qt::ControlModifier);
        e.key(Qt::Key_Escape);
        QVERIFY(!e.ed->isPasting());
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(29, 19));
        QCOMPARE(e.undo->count(), 1);  // that click only made a new selection
        e.key(Qt::Key_V, Qt::ControlModifier);
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(29, 19));
        QVERIFY(e.ed->document().area().IsTile(29, 19));
        QCOMPARE(e.ed->document().area().width(), 29);

        // Cut empties all three layers; a block from another editor arrives by the clipboard.
        e.drag(Qt::LeftButton, {{20, 5}, {21, 5}});
        e.key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(e.ed->document().area().TileEnemy(21, 5), 0);
        QCOMPARE(e.undo->undoText(), QStringLiteral("Cut"));
        e.undo->undo();
        QCOMPARE(e.ed->document().area().TileEnemy(21, 5), 6);
        QGuiApplication::clipboard()->setText(QStringLiteral("Tessaforge area block\n1 1\n2,1/3/4\n"));
        e.key(Qt::Key_V, Qt::ControlModifier);
        QTest::mouseClick(e.ed, Qt::LeftButton, {}, Fixture::at(25, 10));
        QCOMPARE(e.ed->document().area().xSrc(25, 10), 2);
        QCOMPARE(e.ed->document().area().TileEnemy(25, 10), 4);
        // Text that is no block leaves the block copied last.
        QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
        e.key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(e.ed->isPasting());
        QCOMPARE(e.ed->clipboardBlock().columns, 1);
    }

    void theHistoryDropsItsOldestStepsBeyondItsLimit()
    {
        Fixture e;
        QVERIFY(e.open());
        e.ed->document().setHistoryLimit(8 * 1024);
        e.select(2, 1, 1);
        for (int i = 0; i < 200; ++i)
            e.drag(Qt::LeftButton, {{i % 30, (i / 30) % 20}});
        QVERIFY(e.ed->document().historyBytes() <= 8 * 1024);
        QVERIFY(e.undo->count() > 10);
        QVERIFY(e.undo->count() < 200);
        // The newest steps are kept: undoing all leaves the oldest edits in place.
        while (e.undo->canUndo())
            e.undo->undo();
        QCOMPARE(e.ed->document().area().TileEnemy(19, 6), 0);  // the last click's cell
        QCOMPARE(e.ed->document().area().TileEnemy(0, 0), 1);   // the first click's survives
        while (e.undo->canRedo())
            e.undo->redo();
        QCOMPARE(e.ed->document().area().TileEnemy(19, 6), 1);
        // A drag larger than the whole limit stays whole while it is the newest step.
        e.ed->document().setHistoryLimit(600);
        e.select(2, 1, 2);
        e.drag(Qt::LeftButton, {{0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 10}, {5, 10}, {6, 10}, {7, 10}});
        QCOMPARE(e.undo->count(), 1);
        e.undo->undo();
        QCOMPARE(e.ed->document().area().TileEnemy(4, 10), 0);
    }
};

QTEST_MAIN(tst_areaundo)
#include "tst_areaundo.moc"
