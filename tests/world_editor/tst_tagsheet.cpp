#include "resources/TagSheet.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTest>

using namespace tessaforge;

namespace {

QImage cellOf(const QImage &sheet, int column, int row)
{
    return sheet.copy(column * kTagSheetCell, row * kTagSheetCell, kTagSheetCell, kTagSheetCell);
}

// The colour that covers most of the cell: its ground, for every picture of the sheet.
QRgb commonest(const QImage &cell)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            ++counts[cell.pixel(x, y)];
    QRgb best = 0;
    int bestCount = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > bestCount) {
            best = it.key();
            bestCount = it.value();
        }
    return best;
}

bool isRed(QRgb c) { return qRed(c) > 180 && qGreen(c) < 60 && qBlue(c) < 60; }

} // namespace

class tst_tagsheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sizeAndDepth()
    {
        const QImage sheet = drawTagSheet();
        QCOMPARE(sheet.size(), QSize(32, 624));
        QCOMPARE(sheet.depth(), 24);
        QCOMPARE(kTagSheetRows * kTagSheetCell, 624);
    }

    void fillerAndStartMarker()
    {
        const QImage sheet = drawTagSheet();
        const QImage filler = cellOf(sheet, 0, 0);
        const QRgb grey = filler.pixel(0, 0);
        QCOMPARE(qRed(grey), qGreen(grey));
        QCOMPARE(qGreen(grey), qBlue(grey));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                QCOMPARE(filler.pixel(x, y), grey);
        const QRgb start = commonest(cellOf(sheet, 1, 0));
        QVERIFY(qGreen(start) > qRed(start) + 60 && qGreen(start) > qBlue(start) + 60);
    }

    void valueZeroIsARedCrossInBothColumns()
    {
        const QImage sheet = drawTagSheet();
        for (int column : {0, 1}) {
            const QImage cell = cellOf(sheet, column, 1);
            QVERIFY(isRed(cell.pixel(8, 8)));  // where the two bars cross
            QVERIFY(isRed(cell.pixel(4, 4)));
            QVERIFY(isRed(cell.pixel(11, 4)));
        }
    }

    void groundsAndOnePicturePerValue()
    {
        const QImage sheet = drawTagSheet();
        const QRgb yellow = commonest(cellOf(sheet, 0, 1));
        const QRgb red = commonest(cellOf(sheet, 1, 1));
        QVERIFY(qRed(yellow) > 200 && qGreen(yellow) > 180 && qBlue(yellow) < 120);
        QVERIFY(qRed(red) > 150 && qGreen(red) < 100 && qBlue(red) < 100);
        QSet<QByteArray> tags, enemies;
        for (int value = 0; value <= kTagSheetMaxValue; ++value) {
            const QImage tag = cellOf(sheet, 0, value + 1);
            const QImage enemy = cellOf(sheet, 1, value + 1);
            QVERIFY2(tag.pixel(0, 0) == yellow, qPrintable(QString::number(value)));
            QVERIFY2(enemy.pixel(0, 15) == red || enemy.pixel(15, 0) == red,
                     qPrintable(QString::number(value)));
            tags.insert(QByteArray(reinterpret_cast<const char *>(tag.constBits()),
                                   tag.sizeInBytes()));
            enemies.insert(QByteArray(reinterpret_cast<const char *>(enemy.constBits()),
                                      enemy.sizeInBytes()));
        }
        // no two values share a picture
        QCOMPARE(tags.size(), kTagSheetMaxValue + 1);
        QCOMPARE(enemies.size(), kTagSheetMaxValue + 1);
    }

    void markersAreBlueAndTheBossIsLabelled()
    {
        const QImage sheet = drawTagSheet();
        for (int value = 8; value <= 23; ++value) {
            const QRgb c = commonest(cellOf(sheet, 0, value + 1));
            QVERIFY2(qBlue(c) > 150 && qRed(c) < 100, qPrintable(QString::number(value)));
        }
        // the label's first letter: a white B in the top rows of the enemy cell for 33
        const QImage boss = cellOf(sheet, 1, 34);
        int white = 0;
        for (int y = 1; y <= 5; ++y)
            for (int x = 1; x <= 15; ++x)
                white += boss.pixel(x, y) == qRgb(255, 255, 255);
        QVERIFY(white >= 30);
    }

    void cellsDrawAtAnyScale()
    {
        // the same picture drawn four times larger keeps its ground in the corners
        QImage big(64, 64, QImage::Format_RGB32);
        big.fill(Qt::black);
        QPainter p(&big);
        p.scale(4, 4);
        drawEnemyCell(p, 17);
        p.end();
        const QImage sheet = drawTagSheet();
        QCOMPARE(big.pixel(0, 0), cellOf(sheet, 1, 18).pixel(0, 0));
        QCOMPARE(big.pixel(63, 63), cellOf(sheet, 1, 18).pixel(15, 15));
    }
};

QTEST_APPLESS_MAIN(tst_tagsheet)
#include "tst_tagsheet.moc"
