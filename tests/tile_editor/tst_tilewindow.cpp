#include "TileFiles.h"
#include "tileinfo/mLevelTileset.h"
#include "windows/TilePicture.h"
#include "windows/TypeList.h"
#include "windows/frmMain.h"

#include "FileIO.h"
#include "support/FakeDialogs.h"
#include "support/RawFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;
using namespace tilemarrow;

namespace {

// Records what each file dialog was asked for, and answers from the fake's script.
class RecordingDialogs final : public vt::Dialogs
{
public:
    FakeDialogs fake;
    QStringList fileDialogs;  // "open|title|filter|ext"
    QStringList fileStarts;   // where each of them opened

    using S = const QString &;
    Answer question(QWidget *p, S t, S x, Buttons b, Icon i) override { return fake.question(p, t, x, b, i); }
    std::optional<QString> inputText(QWidget *p, S t, S x, S d) override { return fake.inputText(p, t, x, d); }
    std::optional<QString> openFile(QWidget *p, S t, S f, S e, S at) override
    {
        fileDialogs.append(QStringList{u"open"_s, t, f, e}.join(u'|'));
        fileStarts.append(at);
        return fake.openFile(p, t, f, e, at);
    }
    std::optional<QString> saveFile(QWidget *p, S t, S f, S e, S at) override
    {
        fileDialogs.append(QStringList{u"save"_s, t, f, e}.join(u'|'));
        fileStarts.append(at);
        return fake.saveFile(p, t, f, e, at);
    }
    int execDialog(QDialog &d) override { return fake.execDialog(d); }
};

// Every tile of a pattern bitmap has a colour of its own, so a pixel tells which tile it is.
QRgb tileColour(int x, int y)
{
    return qRgb(20 + 9 * x, 30 + 20 * y, 200 - 3 * x);
}

QImage pattern(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, tileColour(x / 32, y / 32));
    return picture;
}

} // namespace

class tst_tilewindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    RecordingDialogs m_dialogs;
    std::unique_ptr<frmMain> m_window;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString bitmap(const QString &name, int width, int height)
    {
        const QString at = path(name);
        pattern(width, height).save(at, "BMP");
        return at;
    }

    frmMain &open()
    {
        m_window = std::make_unique<frmMain>(m_dir.path(), m_dialogs);
        m_window->show();
        [[maybe_unused]] const bool shown = QTest::qWaitForWindowExposed(m_window.get());
        return *m_window;
    }

    // "&New" with the given file chosen.
    void newTileset(frmMain &w, const QString &file)
    {
        m_dialogs.fake.files.push_back(file);
        w.mnuNew->trigger();
    }
    void loadTileFile(frmMain &w, const QString &file)
    {
        m_dialogs.fake.files.push_back(file);
        w.mnuLoad->trigger();
    }

    static void pressEntry(frmMain &w, int row)
    {
        QListWidgetItem *item = w.lstTileType->item(row);
        w.lstTileType->scrollToItem(item);
        QTest::mouseClick(w.lstTileType->viewport(), Qt::LeftButton, {},
                          w.lstTileType->visualItemRect(item).center());
    }

    static qint32 value(const frmMain &w, int x, int y) { return w.document().tileInfo().tile(x, y); }

    // The title as the window system shows it: windowTitle() keeps the change mark's "[*]".
    static QString shownTitle(const QWidget &w) { return w.windowHandle() ? w.windowHandle()->title() : QString(); }

    QStringList messages() const { return m_dialogs.fake.texts(); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_dialogs.fake = FakeDialogs();
        m_dialogs.fileDialogs.clear();
        m_dialogs.fileStarts.clear();
    }
    void cleanup()
    {
        m_window.reset();
        vt::setReplaceFaultForTesting(std::nullopt);
    }

    void startsWithControlsAndTiledataFromItsFolder()
    {
        bitmap(u"tiledata.bmp"_s, 512, 256);
        frmMain &w = open();
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor"_s);
        QVERIFY(!w.windowIcon().isNull());  // the program's own, drawn for every size asked
        QCOMPARE(w.windowIcon().pixmap(16).size(), QSize(16, 16));
        QVERIFY(w.document().hasGrid());
        QCOMPARE(w.document().tileInfo().MaxX, 15);
        QCOMPARE(w.document().tileInfo().MaxY, 7);
        QStringList types;
        for (int i = 0; i < w.lstTileType->count(); ++i)
            types.append(w.lstTileType->item(i)->text());
        QCOMPARE(types.join(u','), u"Background,Solid,Deadly,Water,Ice,Coin,Brick,? Block,Vine,"
                                   u"Cause Injury,Solid on Top,Bouncy,Falling Block,Slant Left,"
                                   u"Slant Right"_s);
        QCOMPARE(w.lstTileType->currentRow(), -1);
        QVERIFY(!w.chkAnimated->isChecked());
        QVERIFY(!w.chkShowTypes->isChecked());
        QCOMPARE(w.menuBar()->actions(),
                 (QList<QAction *>{w.mnuNew, w.mnuSave, w.mnuLoad, w.mnuEdit->menuAction()}));
        QCOMPARE(w.mnuNew->text() + w.mnuSave->text() + w.mnuLoad->text(), u"&New&Save&Load"_s);
        QVERIFY(messages().isEmpty());
    }

    void startsEmptyWithoutTiledataAndSaysWhenItIsBroken()
    {
        QVERIFY(!open().document().hasGrid());
        QVERIFY(messages().isEmpty());  // no picture at start is normal

        writeRaw(path(u"tiledata.bmp"_s), "not a picture");
        QVERIFY(!open().document().hasGrid());
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().contains(u"tiledata.bmp"_s));
    }

    void gridAndScrollBarsFollowTheBitmap()
    {
        frmMain &w = open();
        struct Case { int width, height, maxX, maxY, hMax, vMax; };
        for (const Case c : {Case{320, 224, 9, 6, 0, 0}, Case{330, 250, 9, 6, 0, 0},
                             Case{512, 256, 15, 7, 6, 1}, Case{320, 224, 9, 6, 0, 0},
                             Case{352, 288, 10, 8, 1, 2}}) {
            const QString name = u"%1x%2.bmp"_s.arg(c.width).arg(c.height);
            newTileset(w, bitmap(name, c.width, c.height));
            QCOMPARE(w.document().tileInfo().MaxX, c.maxX);
            QCOMPARE(w.document().tileInfo().MaxY, c.maxY);
            QCOMPARE(w.HScroll1->minimum(), 0);
            QCOMPARE(w.HScroll1->maximum(), c.hMax);
            QCOMPARE(w.VScroll1->maximum(), c.vMax);
            // Enabled again after a small bitmap had switched them off.
            QCOMPARE(w.HScroll1->isEnabled(), c.hMax >= 1);
            QCOMPARE(w.VScroll1->isEnabled(), c.vMax >= 1);
            QCOMPARE(w.picHoldTiles.size(), QSize(c.width, c.height));
        }
        QCOMPARE(m_dialogs.fileDialogs.first(),
                 u"open|Load New Tileset Bitmap|Bitmap File (*.bmp)|bmp"_s);
        QVERIFY(messages().isEmpty());

        // A load resets view and selection.
        w.HScroll1->setValue(1);
        w.VScroll1->setValue(2);
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(70, 40));
        QCOMPARE(w.selectedTile(), QPoint(3, 3));
        newTileset(w, path(u"512x256.bmp"_s));
        QCOMPARE(w.viewOrigin(), QPoint(0, 0));
        QCOMPARE(w.selectedTile(), QPoint(0, 0));
        QCOMPARE(w.HScroll1->value(), 0);
        QCOMPARE(w.VScroll1->value(), 0);

        // Cancel changes nothing.
        w.mnuNew->trigger();
        QCOMPARE(w.document().tileInfo().MaxX, 15);
    }

    // The view shows 10 x 7 tiles at the window's first size and more as the window grows;
    // the bars then reach only what is left to scroll to, and the list shows every type.
    void theViewAndTheListGrowWithTheWindow()
    {
        frmMain &w = open();
        newTileset(w, bitmap(u"big.bmp"_s, 40 * 32, 30 * 32));
        QCOMPARE(w.viewColumns(), 10);
        QCOMPARE(w.viewRows(), 7);
        QCOMPARE(w.HScroll1->maximum(), 30);
        QCOMPARE(w.VScroll1->maximum(), 23);
        const QRect listShows = w.lstTileType->viewport()->rect();
        for (int row = 0; row < w.lstTileType->count(); ++row)
            QVERIFY2(listShows.contains(w.lstTileType->visualItemRect(w.lstTileType->item(row))),
                     qPrintable(w.lstTileType->item(row)->text()));
        const int listHeight = w.lstTileType->height();
        w.HScroll1->setValue(30);
        w.VScroll1->setValue(3);

        const QSize first = w.size();
        w.resize(first + QSize(8 * 32, 5 * 32));
        QTRY_COMPARE(w.viewColumns(), 18);
        QCOMPARE(w.viewRows(), 12);
        QVERIFY(w.picTiles->backImage().width() >= 18 * 32);
        // The view stood at the last column: it comes back as far as the new width needs.
        QCOMPARE(w.HScroll1->maximum(), 22);
        QCOMPARE(w.VScroll1->maximum(), 18);
        QCOMPARE(w.viewOrigin(), QPoint(22, 3));
        QCOMPARE(w.picTiles->backImage().pixel(17 * 32 + 5, 11 * 32 + 5), tileColour(39, 14));
        QVERIFY(w.lstTileType->height() > listHeight);

        // The tiles in the new room are as usable as the others.
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(17 * 32 + 5, 11 * 32 + 5));
        QCOMPARE(w.selectedTile(), QPoint(39, 14));
        w.picTiles->setFocus();
        QTest::keyClick(w.picTiles, Qt::Key_Down);
        QCOMPARE(w.selectedTile(), QPoint(39, 15));
        QCOMPARE(w.viewOrigin(), QPoint(22, 4));  // scrolled by one row, not a whole view

        // Room for the whole tileset: nothing left to scroll to.
        newTileset(w, bitmap(u"small.bmp"_s, 15 * 32, 9 * 32));
        QCOMPARE(w.HScroll1->maximum(), 0);
        QCOMPARE(w.VScroll1->maximum(), 0);
        QVERIFY(!w.HScroll1->isEnabled());
        QVERIFY(!w.VScroll1->isEnabled());

        // The window shrinks no further than the 10 x 7 view, with every control whole.
        w.resize(100, 100);
        QTRY_COMPARE(w.viewColumns(), 10);
        QCOMPARE(w.size(), w.minimumSize());
        QCOMPARE(w.viewRows(), 7);
        QCOMPARE(w.HScroll1->maximum(), 5);
        QCOMPARE(w.VScroll1->maximum(), 2);
        QVERIFY(w.HScroll1->isEnabled());
        for (QCheckBox *box : {w.chkAnimated, w.chkShowTypes})
            QVERIFY2(box->width() >= box->sizeHint().width(), qPrintable(box->text()));
        QVERIFY(w.lstTileType->viewport()->height() >= 5 * w.lstTileType->sizeHintForRow(0));
    }

    void unusableBitmapsAreRefusedBeforeAnythingChanges()
    {
        frmMain &w = open();
        newTileset(w, bitmap(u"wide.bmp"_s, 512, 256));
        w.HScroll1->setValue(2);
        w.VScroll1->setValue(1);
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(40, 40));
        const TileInfo before = w.document().tileInfo();
        const QImage backBefore = w.picTiles->backImage();

        writeRaw(path(u"junk.bmp"_s), "BM but not really");
        const QStringList refused{bitmap(u"thin.bmp"_s, 31, 64), bitmap(u"flat.bmp"_s, 64, 31),
                                  bitmap(u"long.bmp"_s, 256 * 32, 32), path(u"junk.bmp"_s),
                                  path(u"missing.bmp"_s), m_dir.path()};
        for (const QString &file : refused) {
            const qsizetype shown = messages().size();
            newTileset(w, file);
            QCOMPARE(messages().size(), shown + 1);
            QCOMPARE(w.document().tileInfo(), before);
            QCOMPARE(w.picHoldTiles.size(), QSize(512, 256));
            QCOMPARE(w.HScroll1->maximum(), 6);
            QCOMPARE(w.HScroll1->value(), 2);
            QCOMPARE(w.VScroll1->value(), 1);
            QCOMPARE(w.viewOrigin(), QPoint(2, 1));
            QCOMPARE(w.selectedTile(), QPoint(3, 2));
            QCOMPARE(w.picTiles->backImage(), backBefore);
        }
        QVERIFY(messages().at(0).contains(u"31 x 64 pixels"_s));
        QVERIFY(messages().at(2).contains(u"256 x 1 whole tiles"_s));

        newTileset(w, bitmap(u"longest.bmp"_s, 255 * 32, 32));  // the most the grid holds
        QCOMPARE(w.document().tileInfo().MaxX, 254);
        QCOMPARE(w.document().tileInfo().MaxY, 0);
    }

    void pressSelectsTileUnderPointerInScrolledView()
    {
        frmMain &w = open();
        newTileset(w, bitmap(u"wide.bmp"_s, 512, 256));
        w.HScroll1->setValue(3);
        QCOMPARE(w.viewOrigin(), QPoint(3, 0));
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(40, 70));
        QCOMPARE(w.selectedTile(), QPoint(4, 2));
        QTest::mouseClick(w.picTiles, Qt::RightButton, {}, QPoint(319, 223));
        QCOMPARE(w.selectedTile(), QPoint(12, 6));
        QTest::mouseClick(w.picTiles, Qt::MiddleButton, {}, QPoint(1, 1));
        QCOMPARE(w.selectedTile(), QPoint(3, 0));
    }

    void listAndAnimatedEditTheStoredValue()
    {
        writeRaw(path(u"Grass.qzt"_s), tileFile(16, 8, {{{4, 2, 133}}}));
        bitmap(u"Grass.bmp"_s, 512, 256);
        frmMain &w = open();
        loadTileFile(w, path(u"Grass.qzt"_s));
        w.HScroll1->setValue(3);
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(40, 70));
        QVERIFY(w.chkAnimated->isChecked());
        QCOMPARE(w.lstTileType->currentRow(), 5);  // "Coin"
        QCOMPARE(value(w, 4, 2), 133);             // showing it changed nothing

        pressEntry(w, 1);  // "Solid"
        QCOMPARE(value(w, 4, 2), 129);
        w.chkAnimated->click();
        QCOMPARE(value(w, 4, 2), 1);
        w.chkAnimated->click();
        QCOMPARE(value(w, 4, 2), 129);
        pressEntry(w, 14);
        QCOMPARE(value(w, 4, 2), 142);

        // Only the selected tile changed.
        TileInfo expected;
        expected.resize(15, 7);
        expected.setTile(4, 2, 142);
        QCOMPARE(w.document().tileInfo(), expected);
    }

    void typeAndFlagChangesUndoAndRedo()
    {
        writeRaw(path(u"Grass.qzt"_s), tileFile(16, 8, {{{4, 2, 133}}}));
        bitmap(u"Grass.bmp"_s, 512, 256);
        frmMain &w = open();
        loadTileFile(w, path(u"Grass.qzt"_s));
        QCOMPARE(w.document().undoStack()->count(), 0);
        QCOMPARE(w.mnuEdit->title(), u"&Edit"_s);
        QCOMPARE(w.mnuUndo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(w.mnuRedo->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                                               QKeySequence(Qt::CTRL | Qt::Key_Y)}));
        const TileInfo loaded = w.document().tileInfo();

        w.HScroll1->setValue(3);
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(40, 70));  // tile (4, 2)
        QCOMPARE(w.document().undoStack()->count(), 0);  // showing a tile stores nothing new
        pressEntry(w, 1);
        w.chkAnimated->click();
        pressEntry(w, 1);  // the same type again: no step
        QCOMPARE(w.document().undoStack()->count(), 2);
        QCOMPARE(w.mnuUndo->text(), u"Undo Animated"_s);
        QCOMPARE(w.document().undoStack()->text(0), u"Tile Type"_s);
        w.HScroll1->setValue(0);
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(5, 5));  // tile (0, 0)
        pressEntry(w, 3);
        const TileInfo edited = w.document().tileInfo();

        // Each undo brings its tile into view, selected, with the list and box showing it.
        w.mnuUndo->trigger();
        QCOMPARE(value(w, 0, 0), 0);
        QCOMPARE(w.selectedTile(), QPoint(0, 0));
        QCOMPARE(w.lstTileType->currentRow(), 0);
        w.mnuUndo->trigger();
        QCOMPARE(value(w, 4, 2), 129);
        QCOMPARE(w.selectedTile(), QPoint(4, 2));
        QVERIFY(w.chkAnimated->isChecked());
        QCOMPARE(w.lstTileType->currentRow(), 1);
        w.mnuUndo->trigger();
        QCOMPARE(w.document().tileInfo(), loaded);
        QCOMPARE(w.lstTileType->currentRow(), 5);
        QCOMPARE(w.document().undoStack()->count(), 3);  // the controls following stored nothing
        w.mnuRedo->trigger();
        w.mnuRedo->trigger();
        QVERIFY(!w.chkAnimated->isChecked());
        w.mnuRedo->trigger();
        QCOMPARE(w.document().tileInfo(), edited);
        QCOMPARE(w.selectedTile(), QPoint(0, 0));

        // Keys reach the menu's actions.
        w.picTiles->setFocus();
        QTest::keyClick(w.picTiles, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(value(w, 0, 0), 0);
        QTest::keyClick(w.picTiles, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(value(w, 0, 0), 3);

        // New and Load replace the tile information: the history goes.
        newTileset(w, bitmap(u"Other.bmp"_s, 320, 224));
        QCOMPARE(w.document().undoStack()->count(), 0);
        pressEntry(w, 2);
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::No);  // Load asks first: the change goes
        loadTileFile(w, path(u"Grass.qzt"_s));
        QVERIFY(!w.document().undoStack()->canUndo());
    }

    void unknownCodesShowAsBackgroundAndStayUntilATypeIsGiven()
    {
        writeRaw(path(u"Odd.qzt"_s), tileFile(10, 7, {{{0, 0, 20}}, {{1, 0, 150}}}));
        bitmap(u"Odd.bmp"_s, 320, 224);
        frmMain &w = open();
        loadTileFile(w, path(u"Odd.qzt"_s));
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(w.lstTileType->currentRow(), 0);
        QVERIFY(!w.chkAnimated->isChecked());
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(37, 5));
        QCOMPARE(w.lstTileType->currentRow(), 0);
        QVERIFY(w.chkAnimated->isChecked());
        QCOMPARE(w.document().tileInfo().Tiles.front(), 20);  // showing them stored nothing
        QCOMPARE(value(w, 1, 0), 150);
        pressEntry(w, 0);
        QCOMPARE(value(w, 1, 0), 128);
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(5, 5));
        pressEntry(w, 3);  // "Water"
        QCOMPARE(value(w, 0, 0), 3);
    }

    void editsWithoutTilesetOrOutsideTheGridChangeNothing()
    {
        frmMain &w = open();
        pressEntry(w, 1);
        w.chkAnimated->click();
        QVERIFY(!w.chkAnimated->isChecked());
        QVERIFY(!w.document().hasGrid());
        w.mnuSave->trigger();
        QVERIFY(m_dialogs.fileDialogs.isEmpty());  // refused before asking for a name
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().contains(u"no tileset"_s));

        newTileset(w, bitmap(u"small.bmp"_s, 4 * 32 + 10, 3 * 32));
        const TileInfo before = w.document().tileInfo();
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(4 * 32 + 5, 40));  // partial tile
        QCOMPARE(w.selectedTile(), QPoint(4, 1));
        pressEntry(w, 2);
        w.chkAnimated->click();
        QVERIFY(!w.chkAnimated->isChecked());
        QCOMPARE(w.lstTileType->currentRow(), 0);  // shows what is there: nothing
        QCOMPARE(w.document().tileInfo(), before);
    }

    void keyboardMovesSelectionAndAssignsOnlyOnEnter()
    {
        frmMain &w = open();
        newTileset(w, bitmap(u"wide.bmp"_s, 512, 256));
        w.picTiles->setFocus();
        for (int i = 0; i < 10; ++i)
            QTest::keyClick(w.picTiles, Qt::Key_Right);
        QCOMPARE(w.selectedTile(), QPoint(10, 0));
        QCOMPARE(w.viewOrigin(), QPoint(1, 0));  // scrolled to keep it in view
        QCOMPARE(w.HScroll1->value(), 1);
        for (int i = 0; i < 9; ++i)
            QTest::keyClick(w.picTiles, Qt::Key_Down);
        QCOMPARE(w.selectedTile(), QPoint(10, 7));  // stops at the last row
        QCOMPARE(w.viewOrigin(), QPoint(1, 1));
        for (int i = 0; i < 11; ++i)
            QTest::keyClick(w.picTiles, Qt::Key_Left);
        QCOMPARE(w.selectedTile(), QPoint(0, 7));
        QCOMPARE(w.viewOrigin(), QPoint(0, 1));

        QTest::keyClick(w.picTiles, Qt::Key_1);
        QTest::keyClick(w.picTiles, Qt::Key_3);
        QCOMPARE(w.lstTileType->currentRow(), 13);
        QCOMPARE(value(w, 0, 7), 0);
        QTest::keyClick(w.picTiles, Qt::Key_Return);
        QCOMPARE(value(w, 0, 7), 13);
        QTest::keyClick(w.picTiles, Qt::Key_1);
        QTest::keyClick(w.picTiles, Qt::Key_9);  // 19 is no type: 9 alone
        QCOMPARE(w.lstTileType->currentRow(), 9);

        w.lstTileType->setFocus();
        QTest::keyClick(w.lstTileType, Qt::Key_Down);
        QCOMPARE(w.lstTileType->currentRow(), 10);
        QTest::keyClick(w.lstTileType, Qt::Key_Down);
        QCOMPARE(value(w, 0, 7), 13);  // moving the list's selection assigns nothing
        QTest::keyClick(w.lstTileType, Qt::Key_Enter);
        QCOMPARE(value(w, 0, 7), 11);
    }

    void newWithSmallerBitmapKeepsTypesInside()
    {
        writeRaw(path(u"Big.qzt"_s), tileFile(16, 8, {{{1, 1, 5}}, {{9, 6, 130}}, {{12, 6, 1}}}));
        bitmap(u"Big.bmp"_s, 512, 256);
        frmMain &w = open();
        loadTileFile(w, path(u"Big.qzt"_s));
        newTileset(w, bitmap(u"Small.bmp"_s, 320, 224));
        QCOMPARE(w.document().tileInfo().MaxX, 9);
        QCOMPARE(value(w, 1, 1), 5);
        QCOMPARE(value(w, 9, 6), 130);
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor"_s);  // no longer that file
        newTileset(w, path(u"Big.bmp"_s));
        QCOMPARE(value(w, 12, 6), 0);  // was cut off
        QCOMPARE(value(w, 1, 1), 5);
    }

    void loadReadsTheTileFileThenTheBitmapOfTheSameName()
    {
        frmMain &w = open();
        bitmap(u"Grass.bmp"_s, 512, 256);
        writeRaw(path(u"Grass.qzt"_s), tileFile(16, 8, {{{15, 7, 14}}}));
        loadTileFile(w, path(u"Grass.qzt"_s));
        QCOMPARE(m_dialogs.fileDialogs.last(),
                 u"open|Load Tile Information File|Vantaro Tile Information (*.qzt)|qzt"_s);
        QCOMPARE(w.picHoldTiles.size(), QSize(512, 256));
        QCOMPARE(value(w, 15, 7), 14);
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Grass.qzt"_s);

        // More columns and rows than the bitmap: cut to it.
        writeRaw(path(u"Wide.qzt"_s), tileFile(20, 10, {{{2, 3, 7}}, {{18, 9, 2}}}));
        bitmap(u"Wide.bmp"_s, 320, 224);
        loadTileFile(w, path(u"Wide.qzt"_s));
        QCOMPARE(w.document().tileInfo().MaxX, 9);
        QCOMPARE(w.document().tileInfo().MaxY, 6);
        QCOMPARE(value(w, 2, 3), 7);

        // Fewer: filled up with still Background tiles.
        writeRaw(path(u"Few.qzt"_s), tileFile(2, 2, {{{1, 1, 133}}}));
        bitmap(u"Few.bmp"_s, 512, 256);
        loadTileFile(w, path(u"Few.qzt"_s));
        TileInfo expected;
        expected.resize(15, 7);
        expected.setTile(1, 1, 133);
        QCOMPARE(w.document().tileInfo(), expected);
        QVERIFY(messages().isEmpty());

        // No bitmap: said so, and what was read stays.
        writeRaw(path(u"Lone.qzt"_s), tileFile(3, 2, {{{0, 1, 8}}}));
        loadTileFile(w, path(u"Lone.qzt"_s));
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().last().contains(u"Lone.bmp"_s));
        QCOMPARE(w.document().tileInfo().MaxX, 2);
        QCOMPARE(value(w, 0, 1), 8);
        QCOMPARE(w.picHoldTiles.size(), QSize(512, 256));
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Lone.qzt"_s);

        // An unreadable tile file: said so, and the bitmap is still loaded.
        writeRaw(path(u"Cut.qzt"_s), QByteArray(1, '\x05'));
        bitmap(u"Cut.bmp"_s, 320, 224);
        loadTileFile(w, path(u"Cut.qzt"_s));
        QCOMPARE(messages().size(), 2);
        QVERIFY(messages().last().contains(u"Cut.qzt"_s));
        QCOMPARE(w.picHoldTiles.size(), QSize(320, 224));
        QCOMPARE(w.document().tileInfo().MaxX, 9);
        QCOMPARE(value(w, 0, 1), 8);  // the grid before, fitted to the new bitmap

        // Cancel ends the command at once.
        w.mnuLoad->trigger();
        QCOMPARE(messages().size(), 2);
    }

    void stripExtensionStopsAtTheFolder()
    {
        QCOMPARE(frmMain::StripExtension(u"C:\\Sets\\Grass.qzt"_s), u"C:\\Sets\\Grass"_s);
        QCOMPARE(frmMain::StripExtension(u"C:\\Sets\\Grass"_s), u"C:\\Sets\\Grass"_s);
        QCOMPARE(frmMain::StripExtension(u"C:\\My.Sets\\Grass"_s), u"C:\\My.Sets\\Grass"_s);
        QCOMPARE(frmMain::StripExtension(u"/home/a.b/Grass.old.qzt"_s), u"/home/a.b/Grass.old"_s);
        QCOMPARE(frmMain::StripExtension(u"/home/a.b/Grass"_s), u"/home/a.b/Grass"_s);
        QCOMPARE(frmMain::StripExtension(u"Grass"_s), u"Grass"_s);
        QCOMPARE(frmMain::StripExtension(QString()), QString());
    }

    void selectedTileIsDrawnInverted()
    {
        frmMain &w = open();
        newTileset(w, bitmap(u"wide.bmp"_s, 512, 256));
        w.HScroll1->setValue(2);
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(3 * 32 + 1, 2 * 32 + 1));
        QCOMPARE(w.selectedTile(), QPoint(5, 2));
        const QImage &view = w.picTiles->backImage();
        QCOMPARE(view.size(), QSize(320, 224));
        for (int i = 0; i < 10; ++i) {
            for (int j = 0; j < 7; ++j) {
                const QRgb source = tileColour(2 + i, j);
                const QRgb expected = i == 3 && j == 2 ? (~source & 0xFFFFFF) | 0xFF000000 : source;
                for (const QPoint corner : {QPoint(0, 0), QPoint(31, 31), QPoint(16, 5)})
                    QCOMPARE(view.pixel(i * 32 + corner.x(), j * 32 + corner.y()), expected);
            }
        }
        // Scrolled out of view it is marked nowhere, and stays selected.
        w.HScroll1->setValue(6);
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 7; ++j)
                QCOMPARE(view.pixel(i * 32 + 7, j * 32 + 7), tileColour(6 + i, j));
        QCOMPARE(w.selectedTile(), QPoint(5, 2));
    }

    void typeOverlayMarksTilesOnlyWhenAskedFor()
    {
        writeRaw(path(u"Set.qzt"_s), tileFile(10, 7, {{{1, 0, 2}}, {{2, 0, 128}}}));
        bitmap(u"Set.bmp"_s, 320, 224);
        frmMain &w = open();
        loadTileFile(w, path(u"Set.qzt"_s));
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(5, 100));
        const QImage plain = w.picTiles->backImage();
        w.chkShowTypes->click();
        const QImage marked = w.picTiles->backImage();
        const auto tileOf = [](const QImage &image, int x, int y) {
            return image.copy(x * 32, y * 32, 32, 32);
        };
        QVERIFY(tileOf(marked, 1, 0) != tileOf(plain, 1, 0));  // deadly
        QVERIFY(tileOf(marked, 2, 0) != tileOf(plain, 2, 0));  // animated background
        QCOMPARE(tileOf(marked, 3, 0), tileOf(plain, 3, 0));   // still background
        QCOMPARE(tileOf(marked, 0, 3), tileOf(plain, 0, 3));   // selected, inverted as before

        pressEntry(w, 5);  // the mark follows an edit at once
        QVERIFY(tileOf(w.picTiles->backImage(), 0, 3) != tileOf(plain, 0, 3));
        w.chkShowTypes->click();
        QCOMPARE(w.picTiles->backImage(), plain);
    }

    void closingAndLoadingAskAboutUnsavedChanges()
    {
        bitmap(u"tiledata.bmp"_s, 64, 64);
        writeRaw(path(u"Grass.qzt"_s), tileFile(2, 2));
        bitmap(u"Grass.bmp"_s, 64, 64);
        const QString target = path(u"Mine.qzt"_s);
        frmMain &w = open();
        QVERIFY(w.close());  // untouched: nothing asked
        QVERIFY(messages().isEmpty());

        // Undone back to the saved state is no change either.
        w.show();
        pressEntry(w, 1);
        QVERIFY(w.document().isModified());
        w.mnuUndo->trigger();
        QVERIFY(!w.document().isModified());
        QVERIFY(w.close());
        QVERIFY(messages().isEmpty());

        w.show();
        pressEntry(w, 3);
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::Cancel);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(m_dialogs.fake.shown.back().title, u"Vantaro Tileset Editor"_s);
        QCOMPARE(messages(), QStringList{u"Save changes?"_s});
        QCOMPARE(m_dialogs.fake.shown.back().buttons, vt::Dialogs::Buttons::YesNoCancel);

        // Yes, then the save dialog cancelled or the save failing: the window stays.
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::Yes);
        QVERIFY(!w.close());
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::Yes);
        m_dialogs.fake.files.push_back(target);
        vt::setReplaceFaultForTesting(2);
        QVERIFY(!w.close());
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(messages().last().contains(u"not saved"_s));
        QVERIFY(!QFileInfo::exists(target));

        // Loading replaces every tile: it asks too, and Cancel keeps the change.
        const qsizetype dialogsBefore = m_dialogs.fileDialogs.size();
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::Cancel);
        w.mnuLoad->trigger();
        QCOMPARE(m_dialogs.fileDialogs.size(), dialogsBefore);
        QCOMPARE(value(w, 0, 0), 3);

        // A smaller bitmap would cut off a type not yet saved: asked first, Cancel keeps all.
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(48, 48));
        pressEntry(w, 5);
        const QString small = bitmap(u"Small.bmp"_s, 32, 32);
        const qsizetype asked = messages().size();
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::Cancel);
        newTileset(w, small);
        QCOMPARE(messages().size(), asked + 1);
        QCOMPARE(messages().last(), u"Save changes?"_s);
        QCOMPARE(value(w, 1, 1), 5);
        QCOMPARE(w.picHoldTiles.size(), QSize(64, 64));

        // No: the types inside the new grid stay, and stay unsaved.
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        newTileset(w, small);
        QCOMPARE(w.document().tileInfo().MaxX, 0);
        QCOMPARE(value(w, 0, 0), 3);
        QVERIFY(w.document().isModified());

        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::Yes);
        m_dialogs.fake.files.push_back(target);
        QVERIFY(w.close());
        QCOMPARE(readRaw(target), QByteArray::fromHex("0000" "03"));
        QVERIFY(m_dialogs.fake.unexpected.isEmpty());
    }

    // The questions follow the history: back at the save there is nothing to ask.
    void undoingBackToTheSaveAsksNothing()
    {
        bitmap(u"tiledata.bmp"_s, 64, 64);
        frmMain &w = open();
        pressEntry(w, 1);
        m_dialogs.fake.files.push_back(path(u"Mine.qzt"_s));
        w.mnuSave->trigger();
        pressEntry(w, 2);
        w.mnuUndo->trigger();
        QVERIFY(w.close());
        QVERIFY(messages().isEmpty());

        w.show();
        w.mnuRedo->trigger();
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::Cancel);
        QVERIFY(!w.close());
        QCOMPARE(messages(), QStringList{u"Save changes?"_s});

        // Undone past the save is unsaved too.
        w.mnuUndo->trigger();
        w.mnuUndo->trigger();
        QCOMPARE(value(w, 0, 0), 0);
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        QVERIFY(w.close());
        QCOMPARE(messages().size(), 2);
        QCOMPARE(readRaw(path(u"Mine.qzt"_s)), QByteArray::fromHex("0101" "01000000"));
        QVERIFY(m_dialogs.fake.unexpected.isEmpty());
    }

    // The title ends with '*' exactly while the document holds changes not saved.
    void theTitleMarksUnsavedChanges()
    {
        bitmap(u"tiledata.bmp"_s, 64, 64);
        writeRaw(path(u"Grass.qzt"_s), tileFile(2, 2));
        bitmap(u"Grass.bmp"_s, 64, 64);
        frmMain &w = open();
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor"_s);

        pressEntry(w, 1);
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor*"_s);
        QVERIFY(w.isWindowModified());
        w.mnuUndo->trigger();
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor"_s);
        w.mnuRedo->trigger();
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor*"_s);

        m_dialogs.fake.files.push_back(path(u"Mine.qzt"_s));
        w.mnuSave->trigger();
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Mine.qzt"_s);
        pressEntry(w, 2);
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Mine.qzt*"_s);
        w.mnuUndo->trigger();  // back at the save
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Mine.qzt"_s);
        w.mnuUndo->trigger();  // past it
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Mine.qzt*"_s);

        // A save that fails leaves the mark.
        vt::setReplaceFaultForTesting(2);
        m_dialogs.fake.files.push_back(path(u"Mine.qzt"_s));
        w.mnuSave->trigger();
        vt::setReplaceFaultForTesting(std::nullopt);
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Mine.qzt*"_s);

        // Loading drops the changes (No) and the mark with them.
        m_dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        loadTileFile(w, path(u"Grass.qzt"_s));
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Grass.qzt"_s);

        // A file whose own name holds the mark's placeholder is named as it is.
        m_dialogs.fake.files.push_back(path(u"odd[*].qzt"_s));
        w.mnuSave->trigger();
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - odd[*].qzt"_s);
        pressEntry(w, 3);
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - odd[*].qzt*"_s);
    }

    // Save proposes the file being edited, or a tile information file beside the chosen
    // bitmap; with neither, every dialog opens in the shared tilesets. The status line says
    // where the file went, and that it did not when the save failed.
    void dialogsStartBesideTheTilesetAndSaveSaysWhere()
    {
        bitmap(u"tiledata.bmp"_s, 64, 64);
        QVERIFY(QDir(m_dir.path()).mkpath(u"Data/Tilesets"_s));
        QVERIFY(QDir(m_dir.path()).mkpath(u"elsewhere"_s));
        const QString shared = path(u"Data/Tilesets"_s);
        bitmap(u"Data/Tilesets/Cave.bmp"_s, 64, 64);
        bitmap(u"elsewhere/Grass.bmp"_s, 64, 64);
        writeRaw(path(u"elsewhere/Grass.qzt"_s), tileFile(2, 2));
        frmMain &w = open();

        // tiledata.bmp at start is no file of the game's tilesets: nothing to propose.
        w.mnuSave->trigger();
        w.mnuLoad->trigger();
        w.mnuNew->trigger();
        QCOMPARE(m_dialogs.fileStarts, QStringList(3, shared));

        newTileset(w, path(u"Data/Tilesets/Cave.bmp"_s));
        w.mnuSave->trigger();
        QCOMPARE(m_dialogs.fileStarts.last(), path(u"Data/Tilesets/Cave.qzt"_s));

        loadTileFile(w, path(u"elsewhere/Grass.qzt"_s));
        QCOMPARE(m_dialogs.fileStarts.last(), shared);  // beside Cave.bmp, chosen before
        w.mnuSave->trigger();
        QCOMPARE(m_dialogs.fileStarts.last(), path(u"elsewhere/Grass.qzt"_s));
        w.mnuNew->trigger();
        QCOMPARE(m_dialogs.fileStarts.last(), path(u"elsewhere"_s));

        // Saved under another name: that is the file from now on. The keys work as the items.
        pressEntry(w, 4);
        QCOMPARE(w.mnuSave->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QVERIFY(w.mnuSave->statusTip().contains(u"Ctrl+S"_s));
        m_dialogs.fake.files.push_back(path(u"Mine.qzt"_s));
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs.fileDialogs.last().section(u'|', 0, 1), u"save|Save Tile Information File"_s);
        QCOMPARE(readRaw(path(u"Mine.qzt"_s)), QByteArray::fromHex("0101" "04000000"));
        QCOMPARE(w.statusBar()->currentMessage(), u"Saved %1"_s.arg(QDir::toNativeSeparators(path(u"Mine.qzt"_s))));
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs.fileStarts.last(), path(u"Mine.qzt"_s));
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(m_dialogs.fileDialogs.last().section(u'|', 0, 1), u"open|Load Tile Information File"_s);
        QCOMPARE(m_dialogs.fileStarts.last(), m_dir.path());
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_dialogs.fileDialogs.last().section(u'|', 0, 1), u"open|Load New Tileset Bitmap"_s);

        // A failed save is said in the status line too, where "Saved" stood.
        pressEntry(w, 5);
        vt::setReplaceFaultForTesting(2);
        m_dialogs.fake.files.push_back(path(u"Mine.qzt"_s));
        w.mnuSave->trigger();
        vt::setReplaceFaultForTesting(std::nullopt);
        QCOMPARE(w.statusBar()->currentMessage(),
                 u"Not saved: %1"_s.arg(QDir::toNativeSeparators(path(u"Mine.qzt"_s))));
        QVERIFY(messages().last().contains(u"not saved"_s));

        // Without the shared folder the dialogs open in the game folder.
        QVERIFY(QDir(shared).removeRecursively());
        frmMain &again = open();
        again.mnuLoad->trigger();
        QCOMPARE(m_dialogs.fileStarts.last(), m_dir.path());
    }

    void theLargestTilesetsOpen()
    {
        // 255 x 131 tiles in 32-bit colour are 137 MB once decoded: past the toolkit's default
        // allocation limit, within what a tileset of up to 255 x 255 tiles may need.
        const QString big = path(u"Big.bmp"_s);
        {
            QImage picture(255 * 32, 131 * 32, QImage::Format_RGB32);
            picture.fill(qRgb(10, 200, 30));
            picture.setPixel(254 * 32 + 5, 130 * 32 + 5, qRgb(250, 1, 2));
            QVERIFY(picture.save(big, "BMP"));
        }
        frmMain &w = open();
        newTileset(w, big);
        QCOMPARE(messages(), QStringList());
        QCOMPARE(w.document().tileInfo().MaxX, 254);
        QCOMPARE(w.document().tileInfo().MaxY, 130);
        QCOMPARE(w.picHoldTiles.pixel(254 * 32 + 5, 130 * 32 + 5), qRgb(250, 1, 2));
    }

    void saveWritesTheFileAndSaysSoOnlyWhenItFails()
    {
        bitmap(u"tiledata.bmp"_s, 64, 96);
        frmMain &w = open();
        QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(40, 70));
        pressEntry(w, 5);
        w.chkAnimated->click();
        const QString target = path(u"Mine.qzt"_s);
        m_dialogs.fake.files.push_back(target);
        w.mnuSave->trigger();
        QCOMPARE(m_dialogs.fileDialogs.last(),
                 u"save|Save Tile Information File|Vantaro Tile Information (*.qzt)|qzt"_s);
        QVERIFY(messages().isEmpty());
        QCOMPARE(readRaw(target), QByteArray::fromHex("0102" "000000" "000085"));
        QCOMPARE(shownTitle(w), u"Vantaro Tileset Editor - Mine.qzt"_s);
        QVERIFY(!QFileInfo::exists(path(u"Mine.bmp"_s)));  // the bitmap is not copied

        // A failing save says why and leaves the old file as it was.
        pressEntry(w, 2);
        vt::setReplaceFaultForTesting(3);
        m_dialogs.fake.files.push_back(target);
        w.mnuSave->trigger();
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().contains(u"not saved"_s));
        QVERIFY(messages().first().contains(u"Mine.qzt"_s));
        QCOMPARE(readRaw(target), QByteArray::fromHex("0102" "000000" "000085"));

        // Cancel writes nothing; what was saved loads back as it was given.
        vt::setReplaceFaultForTesting(std::nullopt);
        w.mnuSave->trigger();
        QCOMPARE(readRaw(target).size(), 8);
        writeRaw(path(u"Mine.bmp"_s), readRaw(path(u"tiledata.bmp"_s)));
        loadTileFile(open(), target);
        QCOMPARE(value(*m_window, 1, 2), 133);
        QCOMPARE(m_window->document().tileInfo().Tiles, (std::vector<qint32>{0, 0, 0, 0, 0, 133}));
    }
};

QTEST_MAIN(tst_tilewindow)
#include "tst_tilewindow.moc"
