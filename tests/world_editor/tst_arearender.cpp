#include "AreaReference.h"

#include "render/AreaRenderer.h"
#include "resources/TagSheet.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

constexpr QRgb kBack = qRgb(10, 20, 30);

AreaView viewOf(const ReferenceView &r)
{
    AreaView v;
    v.size = r.size;
    v.zoom = r.zoom;
    v.firstColumn = r.h;
    v.firstRow = r.v;
    v.showEnemies = r.enemies;
    v.showTags = r.tags;
    v.background = r.background;
    return v;
}

// 30 x 20 cells: tiles of a 4 x 3 tileset with a part tile at its right, cells naming tiles
// beyond it, tags over enemies, tags and enemies beyond the sheet, empty cells, and the start
// at (2, 1).
oLevel mixedArea()
{
    oLevel a;
    a.Resize(30, 20);
    for (int x = 0; x < 30; ++x) {
        for (int y = 0; y < 20; ++y) {
            if ((x + y) % 7 != 0)
                a.SetTile(x, y, x % 6, y % 4);  // column 4 is the part tile, 5 and row 3 lie outside
            if (x % 3 == 0)
                (void)a.SetTileEnemy(x, y, (x + y) % 40);
            if (y % 4 == 1)
                (void)a.SetTileTag(x, y, (x * 3 + y) % 41);
        }
    }
    a.SetStartPos(2, 1);
    return a;
}

bool samePicture(const QImage &got, const QImage &want)
{
    const QString diff = firstDifference(got, want);
    if (!diff.isEmpty())
        qWarning("%s", qPrintable(diff));
    return diff.isEmpty();
}

} // namespace

class tst_arearender : public QObject
{
    Q_OBJECT

    QImage m_sheet = drawTagSheet();
    QImage m_tiles = patternedTileset(4, 3, 13);

private Q_SLOTS:
    void drawsWhatTheRulesSayAtEveryZoomAndLayerChoice()
    {
        const oLevel area = mixedArea();
        AreaRenderer renderer;
        renderer.setSources(m_tiles, m_sheet);
        // Sizes that leave a partial column and row, one narrower than a cell, views that
        // reach past the area's end.
        const QSize sizes[] = {{203, 117}, {96, 64}, {5, 300}};
        const QPoint origins[] = {{0, 0}, {3, 2}, {25, 15}, {29, 19}};
        for (int zoom : {8, 16, 24, 32}) {
            for (int layers = 0; layers < 4; ++layers) {
                for (const QSize &size : sizes) {
                    for (const QPoint &origin : origins) {
                        ReferenceView r{size, zoom, origin.x(), origin.y(), bool(layers & 1), bool(layers & 2), kBack};
                        QImage got;
                        renderer.draw(area, viewOf(r), got);
                        QVERIFY2(samePicture(got, referencePicture(area, m_tiles, m_sheet, r)),
                                 qPrintable(QStringLiteral("zoom %1 layers %2 size %3x%4 at (%5, %6)")
                                                .arg(zoom).arg(layers).arg(size.width()).arg(size.height())
                                                .arg(origin.x()).arg(origin.y())));
                    }
                }
            }
        }
    }

    void knownSquares()
    {
        // A 20 x 15 area scrolled to (19, 14) shows its last cell top-left and filler beyond.
        oLevel a;
        a.Resize(20, 15);
        a.SetTile(19, 14, 1, 0);
        (void)a.SetTileEnemy(19, 14, 4);
        (void)a.SetTileTag(19, 14, 6);
        a.SetStartPos(0, 0);
        AreaView view;
        view.size = QSize(64, 48);
        view.zoom = 16;
        view.firstColumn = 19;
        view.firstRow = 14;
        view.background = kBack;
        QImage pic = AreaRenderer::render(a, m_tiles, m_sheet, view);
        QCOMPARE(pic.pixel(0, 0), m_tiles.pixel(32, 0));            // the tile, at half size
        QCOMPARE(pic.pixel(15, 15), m_tiles.pixel(62, 30));
        QCOMPARE(pic.pixel(16, 0), m_sheet.pixel(0, 0));            // filler right of it
        QCOMPARE(pic.pixel(63, 47), m_sheet.pixel(15, 15));
        view.showEnemies = true;
        pic = AreaRenderer::render(a, m_tiles, m_sheet, view);
        QCOMPARE(pic.pixel(3, 5), m_sheet.pixel(16 + 3, 16 * 4 + 16 + 5));  // the enemy replaces the tile
        view.showTags = true;
        pic = AreaRenderer::render(a, m_tiles, m_sheet, view);
        QCOMPARE(pic.pixel(3, 5), m_sheet.pixel(3, 16 * 6 + 16 + 5));       // the tag covers the enemy

        // The start marker of a new area: half size in the middle of square (0, 0) at zoom 32.
        view = AreaView{QSize(64, 64), 32, 0, 0, false, false, kBack};
        pic = AreaRenderer::render(a, m_tiles, m_sheet, view);
        QCOMPARE(pic.pixel(7, 7), kBack | 0xFF000000u);
        QCOMPARE(pic.pixel(8, 8), m_sheet.pixel(16, 0));
        QCOMPARE(pic.pixel(23, 23), m_sheet.pixel(31, 15));
        QCOMPARE(pic.pixel(24, 24), kBack | 0xFF000000u);
    }

    void cellRedrawsAndScrollsMatchAFullRedraw()
    {
        oLevel area = mixedArea();
        AreaRenderer renderer;
        renderer.setSources(m_tiles, m_sheet);
        QRandomGenerator rng(7);
        for (int zoom : {8, 24, 32}) {
            AreaView view{QSize(230, 150), zoom, 1, 2, true, true, kBack};
            QImage back;
            renderer.draw(area, view, back);
            for (int i = 0; i < 300; ++i) {
                const int c = rng.bounded(-2, 33);
                const int r = rng.bounded(-2, 23);
                switch (rng.bounded(5)) {
                case 0: area.SetTile(c, r, rng.bounded(6), rng.bounded(4)); break;
                case 1: area.EraseTile(c, r); break;
                case 2: (void)area.SetTileTag(c, r, rng.bounded(40)); break;
                case 3: (void)area.SetTileEnemy(c, r, rng.bounded(40)); break;
                case 4: {
                    const QPoint old(area.StartX(), area.StartY());
                    area.SetStartPos(qint16(c), qint16(r));
                    renderer.drawCell(area, view, back, old.x(), old.y());
                    break;
                }
                }
                renderer.drawCell(area, view, back, c, r);
                if (i % 50 == 49) {
                    const AreaView from = view;
                    view.firstColumn = rng.bounded(0, 30);
                    view.firstRow = rng.bounded(0, 20);
                    renderer.scroll(area, from, view, back);
                }
            }
            QImage full;
            AreaRenderer fresh;
            fresh.setSources(m_tiles, m_sheet);
            fresh.draw(area, view, full);
            QVERIFY2(samePicture(back, full), qPrintable(QStringLiteral("zoom %1").arg(zoom)));
        }

        // Scrolling one step at a time in every direction, partial squares at both edges.
        AreaView view{QSize(203, 117), 16, 5, 5, true, false, kBack};
        QImage back;
        renderer.draw(area, view, back);
        const QPoint steps[] = {{1, 0}, {1, 0}, {0, 1}, {-1, 0}, {0, -1}, {-3, -2}, {2, 3}, {7, 0}, {-7, 1}};
        for (const QPoint &step : steps) {
            const AreaView from = view;
            view.firstColumn += step.x();
            view.firstRow += step.y();
            renderer.scroll(area, from, view, back);
            QVERIFY2(samePicture(back, AreaRenderer::render(area, m_tiles, m_sheet, view)),
                     qPrintable(QStringLiteral("after (%1, %2)").arg(step.x()).arg(step.y())));
        }
    }

    void changedSourcesAreUsed()
    {
        const oLevel area = mixedArea();
        AreaRenderer renderer;
        renderer.setSources(m_tiles, m_sheet);
        AreaView view{QSize(100, 100), 16, 0, 0, false, false, kBack};
        QImage back;
        renderer.draw(area, view, back);
        QImage other = m_tiles;
        other.fill(qRgb(200, 10, 10));  // detaches: a new picture for the renderer
        renderer.setSources(other, m_sheet);
        QVERIFY(renderer.sourcesChanged());
        const AreaView from = view;
        view.firstColumn = 1;
        renderer.scroll(area, from, view, back);  // must not reuse squares of the old tileset
        ReferenceView r{view.size, 16, 1, 0, false, false, kBack};
        QVERIFY(samePicture(back, referencePicture(area, other, m_sheet, r)));
        QVERIFY(!renderer.sourcesChanged());
    }

    void keepsItsMemoryBoundedWithManyDistinctLooks()
    {
        // 1024 distinct tiles over a wide area: more looks than the budget holds at zoom 32.
        const QImage tiles = patternedTileset(32, 32);
        oLevel area;
        area.Resize(4000, 40);
        for (int x = 0; x < 4000; ++x)
            for (int y = 0; y < 40; ++y)
                area.SetTile(x, y, (x + y * 7) % 32, (x / 32 + y) % 32);
        AreaRenderer renderer;
        renderer.setSources(tiles, m_sheet);
        AreaView view{QSize(1024, 640), 32, 0, 0, false, false, kBack};
        QImage back;
        qsizetype most = 0;
        for (int h = 0; h < 4000; h += 97) {
            view.firstColumn = h;
            renderer.draw(area, view, back);
            most = std::max(most, renderer.cacheBytes());
        }
        QVERIFY2(most <= AreaRenderer::kCacheBudget + 512 * 1024, qPrintable(QString::number(most)));
        // Past the budget the picture is still right.
        ReferenceView r{view.size, 32, view.firstColumn, 0, false, false, kBack};
        QVERIFY(samePicture(back, referencePicture(area, tiles, m_sheet, r)));
    }

    void drawsWithoutSourcesOrGrid()
    {
        oLevel empty;  // no grid yet: cell (0, 0) shows nothing, the rest is filler
        AreaView view{QSize(40, 40), 8, 0, 0, true, true, kBack};
        QImage pic = AreaRenderer::render(empty, QImage(), m_sheet, view);
        QVERIFY(samePicture(pic, referencePicture(empty, QImage(), m_sheet, {view.size, 8, 0, 0, true, true, kBack})));
        const oLevel area = mixedArea();
        pic = AreaRenderer::render(area, QImage(), QImage(), view);
        QImage plain(view.size, QImage::Format_RGB32);
        plain.fill(kBack);
        QVERIFY(samePicture(pic, plain));
    }
};

QTEST_MAIN(tst_arearender)
#include "tst_arearender.moc"
