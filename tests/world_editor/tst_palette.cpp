#include "EditorFixture.h"

#include "resources/TagSheet.h"
#include "windows/frmLevelEdit.h"
#include "windows/frmLevelTiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <memory>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

constexpr int kO = 16;  // the palette's origin: right of the vertical bar, below the top strip

// Every tile of the test tileset has its own colour.
QRgb tileColour(int column, int row) { return qRgb(10 + 25 * column, 10 + 15 * row, 200); }

QPoint cellCentre(int column, int row) { return {kO + 32 * column + 16, kO + 32 * row + 16}; }

} // namespace

class tst_palette : public QObject
{
    Q_OBJECT

    std::unique_ptr<Editor> e;

    frmLevelTiles *palette() { return e->w->palette(); }
    QPoint selection() { return {e->w->brush().curTileX, e->w->brush().curTileY}; }
    QString caption() { return palette()->parentWidget()->windowTitle(); }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseClick(palette(), button, {}, at); }
    void useTileset(const char *name)
    {
        e->state().gWorld.Levels[0].sTileset = name;
        e->clickLevel(0);
    }

private Q_SLOTS:
    void init()
    {
        e = std::make_unique<Editor>();
        makeMod(e->game);
        // 256 x 512 pixels: 8 columns, 16 rows.
        QImage big(256, 512, QImage::Format_RGB32);
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                big.setPixel(x, y, tileColour(x / 32, y / 32));
        QVERIFY(big.save(e->game.file(QStringLiteral("Data/Tilesets/Big.bmp")), "BMP"));
        QVERIFY(e->start());
        useTileset("Big");
    }
    void cleanup() { e.reset(); }

    void opensWithTheTagSheetAt160By320()
    {
        QCOMPARE(e->w->pictures().picHoldTags, drawTagSheet());
        e->trigger("mnuShowTSetWindow");
        QWidget *frame = palette()->parentWidget();
        QCOMPARE(frame->size(), QSize(160, 320));
        QCOMPARE(caption(), QStringLiteral("Tiles  CUR:(0,0)"));
        frame->resize(300, 400);
        const QSize client = palette()->size();
        QCOMPARE(palette()->vscTiles->geometry(), QRect(0, 16, 16, client.height() - 16));
        QCOMPARE(palette()->hscTiles->geometry(), QRect(16, 0, client.width() - 16, 16));
        QCOMPARE(palette()->backImage().size(), client);
    }

    void tilePaletteStopsAtTheTilesetsLastColumnAndRow()
    {
        e->trigger("mnuShowTSetWindow");
        palette()->parentWidget()->resize(400, 700);
        QCOMPARE(palette()->hscTiles->maximum(), 7);
        QCOMPARE(palette()->vscTiles->maximum(), 15);

        click({kO + 31, kO + 31});
        QCOMPARE(selection(), QPoint(0, 0));
        click({kO + 32, kO + 64}, Qt::RightButton);  // any button selects
        QCOMPARE(selection(), QPoint(1, 2));
        QCOMPARE(caption(), QStringLiteral("Tiles  CUR:(1,2)"));
        click({kO + 32 * 8 + 40, cellCentre(0, 3).y()});  // right of the image
        QCOMPARE(selection(), QPoint(7, 3));
        palette()->vscTiles->setValue(15);
        click(cellCentre(2, 4));  // below the last row
        QCOMPARE(selection(), QPoint(2, 15));
        QCOMPARE(caption(), QStringLiteral("Tiles  CUR:(2,15)"));
        QCOMPARE(int(e->w->brush().tMode), 0);

        // A position is rounded to the nearest pixel before it is divided.
        palette()->vscTiles->setValue(0);
        const QPointF at(kO + 31.5, kO + 31.4);
        QMouseEvent press(QEvent::MouseButtonPress, at, palette()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, {});
        QApplication::sendEvent(palette(), &press);
        QCOMPARE(selection(), QPoint(1, 0));

        // The mark follows the selection when the palette scrolls, also out of view.
        click(cellCentre(2, 3));
        palette()->hscTiles->setValue(1);
        QCOMPARE(palette()->shpInvert().topLeft(), QPoint(kO + 32, kO + 96));
        palette()->hscTiles->setValue(3);
        palette()->vscTiles->setValue(4);
        QCOMPARE(palette()->shpInvert().topLeft(), QPoint(kO - 32, kO - 32));

        // A smaller tileset limits the kept selection.
        e->w->brush().curTileX = 7;
        useTileset("Grass");  // 2 x 3 tiles
        QCOMPARE(selection(), QPoint(1, 2));
        QCOMPARE(palette()->hscTiles->value(), 0);
        QCOMPARE(palette()->vscTiles->maximum(), 2);

        // Without a tileset picture only cell (0, 0) can be chosen.
        e->w->pictures().picHoldTiles = QImage();
        e->trigger("mnuShowTSetWindow");
        QCOMPARE(palette()->hscTiles->maximum(), 0);
        QCOMPARE(selection(), QPoint(0, 0));
        click(cellCentre(2, 2));
        QCOMPARE(selection(), QPoint(0, 0));
    }

    void objectPaletteClicksChooseTagsOrEnemies()
    {
        e->trigger("mnuEditArea");
        e->trigger("mnuShowObjectsWindow");
        palette()->parentWidget()->resize(300, 400);
        QCOMPARE(caption(), QStringLiteral("Objects"));
        QCOMPARE(palette()->cmdSwitch->text(), QStringLiteral("O"));
        QCOMPARE(palette()->vscTiles->maximum(), 37);

        click(cellCentre(1, 2));
        QCOMPARE(int(e->w->brush().tMode), 2);
        QCOMPARE(selection(), QPoint(1, 2));
        click(cellCentre(0, 0));
        QCOMPARE(int(e->w->brush().tMode), 1);
        QCOMPARE(selection(), QPoint(0, 0));
        click(cellCentre(5, 3));  // no third column
        QCOMPARE(int(e->w->brush().tMode), 2);
        QCOMPARE(selection(), QPoint(1, 3));
        palette()->vscTiles->setValue(10);
        click(cellCentre(0, 0));
        QCOMPARE(selection(), QPoint(0, 10));
        palette()->vscTiles->setValue(37);
        click(cellCentre(1, 4));  // value 41 would lie below the sheet
        QCOMPARE(selection(), QPoint(1, 37));
        QCOMPARE(caption(), QStringLiteral("Objects"));
    }

    void switchingPalettesStartsAfreshAndClearsTheShowFlags()
    {
        e->trigger("mnuEditArea");
        frmLevelEdit *editor = e->w->areaEditor();
        QVERIFY(editor);
        click(cellCentre(1, 1));
        palette()->vscTiles->setValue(2);

        QTest::mouseClick(palette()->cmdSwitch, Qt::LeftButton);
        QCOMPARE(int(e->w->brush().tMode), 1);
        QCOMPARE(selection(), QPoint(0, 0));
        QCOMPARE(palette()->vscTiles->value(), 0);
        QVERIFY(palette()->picTags->isVisible() && !palette()->hscTiles->isVisible());

        // Each box sits above its column and drives one flag of the area editor.
        QCheckBox *tags = palette()->chkTags[0];
        QCheckBox *enemies = palette()->chkTags[1];
        QCOMPARE(tags->mapTo(palette(), tags->rect().center()).x() / 32, 0);
        QCOMPARE(enemies->mapTo(palette(), enemies->rect().center()).x() / 32, 1);
        QTest::mouseClick(tags, Qt::LeftButton, {}, tags->rect().center());
        QVERIFY(e->w->brush().bForceShowTags && !e->w->brush().bForceShowEnemy);
        QTest::mouseClick(enemies, Qt::LeftButton, {}, enemies->rect().center());
        QVERIFY(e->w->brush().bForceShowTags && e->w->brush().bForceShowEnemy);

        QTest::mouseClick(palette()->cmdSwitch, Qt::LeftButton);
        QCOMPARE(int(e->w->brush().tMode), 0);
        QCOMPARE(palette()->cmdSwitch->text(), QStringLiteral("T"));
        QCOMPARE(caption(), QStringLiteral("Tiles  CUR:(0,0)"));
        QCOMPARE(palette()->vscTiles->maximum(), 15);
        QVERIFY(!palette()->picTags->isVisible() && palette()->hscTiles->isVisible());
        QVERIFY(!e->w->brush().bForceShowTags && !e->w->brush().bForceShowEnemy);

        QTest::mouseClick(palette()->cmdSwitch, Qt::LeftButton);
        QVERIFY(!tags->isChecked() && !enemies->isChecked());
    }

    // The strip of boxes over the object palette is a control of its own: a click beside a
    // box, on the "Show" label or a double-click there chooses nothing, so that the next click
    // in the area does not put value 0 (none) where a tag or enemy was meant.
    void theStripOverTheObjectPaletteKeepsItsClicks()
    {
        e->trigger("mnuEditArea");
        e->trigger("mnuShowObjectsWindow");
        palette()->parentWidget()->resize(300, 400);
        click(cellCentre(1, 5));
        QCOMPARE(int(e->w->brush().tMode), 2);
        QCOMPARE(selection(), QPoint(1, 5));

        QWidget *strip = palette()->picTags;
        QVERIFY(strip->isVisible());
        const QPoint beside(palette()->chkTags[1]->geometry().right() + 6, 8);  // between box and label
        const QPoint onLabel = palette()->Label1->geometry().center();
        for (const QPoint &at : {beside, onLabel, QPoint(strip->width() - 3, 3)}) {
            QVERIFY(!palette()->chkTags[0]->geometry().contains(at));
            QVERIFY(!palette()->chkTags[1]->geometry().contains(at));
            QWidget *target = strip->childAt(at) ? strip->childAt(at) : strip;
            const QPoint local = target->mapFrom(strip, at);
            QTest::mouseClick(target, Qt::LeftButton, {}, local);
            QTest::mouseDClick(target, Qt::LeftButton, {}, local);
            QTest::mouseClick(target, Qt::RightButton, {}, local);
            QCOMPARE(selection(), QPoint(1, 5));
            QCOMPARE(int(e->w->brush().tMode), 2);
        }
        QVERIFY(!palette()->chkTags[0]->isChecked() && !palette()->chkTags[1]->isChecked());
    }

    void closingInTagOrEnemyModeReturnsToTiles()
    {
        e->trigger("mnuEditArea");
        e->trigger("mnuShowObjectsWindow");
        click(cellCentre(1, 6));
        QCOMPARE(int(e->w->brush().tMode), 2);
        QVERIFY(palette()->parentWidget()->close());
        QVERIFY(!e->w->bTileWindowOpen && !e->w->palette());
        QCOMPARE(int(e->w->brush().tMode), 0);
        QCOMPARE(selection(), QPoint(0, 0));

        // Closed in the tile palette, the chosen tile stays chosen.
        e->trigger("mnuShowTSetWindow");
        click(cellCentre(1, 2));
        QVERIFY(palette()->parentWidget()->close());
        QCOMPARE(selection(), QPoint(1, 2));
    }

    void drawsTilesSheetCellsAndAnInvertingMark()
    {
        e->trigger("mnuShowTSetWindow");
        palette()->parentWidget()->resize(300, 400);
        const QRgb ground = palette()->palette().color(QPalette::Window).rgb();
        const int rows = (palette()->height() - kO) / 32;

        // Scrolled to column 6, row 2: two columns of tiles, then the background.
        palette()->hscTiles->setValue(6);
        palette()->vscTiles->setValue(2);
        click(cellCentre(1, 1));  // tile (7, 3)
        const QImage back = palette()->backImage();
        for (int j = 0; j < rows; ++j) {
            QCOMPARE(back.pixel(cellCentre(0, j)), tileColour(6, j + 2));
            QCOMPARE(back.pixel(cellCentre(1, j)), tileColour(7, j + 2));
            QCOMPARE(back.pixel(cellCentre(2, j)), ground);
        }
        // The mark inverts a square outline from the cell's corner; its inside is untouched.
        const QRect mark = palette()->shpInvert();
        QCOMPARE(mark.topLeft(), QPoint(kO + 32, kO + 32));
        const QRgb tile = tileColour(7, 3);
        const QRgb inverted = tile ^ 0x00ffffffu;
        int side = 0;
        while (side < 32 && back.pixel(mark.left() + side, mark.top()) == inverted)
            ++side;
        QVERIFY2(side >= 26 && side <= 32, qPrintable(QString::number(side)));
        for (int d = 0; d < side; ++d) {
            QCOMPARE(back.pixel(mark.left(), mark.top() + d), inverted);
            QCOMPARE(back.pixel(mark.left() + side - 1, mark.top() + d), inverted);
            QCOMPARE(back.pixel(mark.left() + d, mark.top() + side - 1), inverted);
        }
        QCOMPARE(back.pixel(mark.center()), tile);
        if (side < 32)
            QCOMPARE(back.pixel(mark.left() + side, mark.top()), tile);
        // What is presented is the back image, under the strip that names the selection.
        const QImage shown = palette()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect surface(kO, kO, palette()->width() - kO, palette()->height() - kO - palette()->lblSelection->height());
        QCOMPARE(shown.copy(surface), back.copy(surface));
        QCOMPARE(palette()->lblSelection->text(), QStringLiteral("Tile %1, %2").arg(selection().x()).arg(selection().y()));
        QCOMPARE(palette()->cellName(0, 0), QStringLiteral("Tile 0, 0"));
        QCOMPARE(palette()->lblSelection->geometry().bottom(), palette()->height() - 1);

        // Object palette scrolled to value 30: the sheet's two columns doubled, then nothing.
        QTest::mouseClick(palette()->cmdSwitch, Qt::LeftButton);
        QCOMPARE(palette()->cellName(0, 7), QStringLiteral("Tag 7"));
        QCOMPARE(palette()->cellName(1, 9), QStringLiteral("Enemy 9"));
        QCOMPARE(palette()->cellName(1, 0), QStringLiteral("No enemy (clears enemies)"));
        palette()->vscTiles->setValue(30);
        const QImage objects = palette()->backImage();
        const QImage &sheet = e->w->pictures().picHoldTags;
        for (int y = 0; y < 32 * rows; ++y)
            for (int x = 0; x < 96; ++x) {
                const int sheetY = 16 * 30 + 16 + y / 2;
                const QRgb want = x < 64 && sheetY < sheet.height() ? sheet.pixel(x / 2, sheetY) : ground;
                if (objects.pixel(kO + x, kO + y) != want)
                    QFAIL(qPrintable(QStringLiteral("object palette pixel (%1, %2)").arg(x).arg(y)));
            }
    }
};

QTEST_MAIN(tst_palette)
#include "tst_palette.moc"
