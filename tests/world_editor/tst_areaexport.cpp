#include "EditorFixture.h"
#include "support/SmallDisk.h"

#include "render/AreaPicture.h"
#include "render/AreaRenderer.h"
#include "resources/TagSheet.h"
#include "windows/frmLevelEdit.h"

#include "Tool.h"

#include <QTextStream>

using namespace tessaforge;
using namespace tessaforge::testing;
using namespace Qt::StringLiterals;

namespace {

// The first pixel where the two pictures differ, as text; empty when they agree.
QString difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return u"sizes %1x%2 and %3x%4"_s.arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) | 0xff000000u) != (b.pixel(x, y) | 0xff000000u))
                return u"pixel (%1, %2): %3 and %4"_s.arg(x).arg(y).arg(a.pixel(x, y), 0, 16).arg(b.pixel(x, y), 0, 16);
    return {};
}

// The demo's Bonus Room (20 x 15 cells) open in the area editor.
struct ExportFixture : Editor
{
    frmLevelEdit *ed = nullptr;
    QString areaFile;

    bool open()
    {
        game.copyGame(QStringLiteral(VT_DEMO_GAME_DIR));
        if (!start(u"Demo Mod"_s))
            return false;
        if (w->pictures().picHoldTags.isNull())
            w->pictures().picHoldTags = drawTagSheet();
        clickLevel(2);
        trigger("mnuEditArea");
        ed = w->areaEditor();
        areaFile = game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s);
        return ed && ed->document().fileName() == u"Bonus"_s;
    }
    void show(int zoom, int mode, bool enemies)
    {
        while (ed->lZoom < zoom)
            ed->ZoomIn();
        while (ed->lZoom > zoom)
            ed->ZoomOut();
        w->brush().tMode = AreaLayer(mode);
        w->brush().bForceShowEnemy = enemies;
        // Exactly the area's squares, so that the back image holds the whole area.
        QWidget *frame = ed->parentWidget();
        frame->resize(frame->size() - ed->size() + QSize(20 * zoom, 15 * zoom));
        ed->DrawLevel();
    }
    QImage render(const QStringList &options)
    {
        const QString out = game.file(u"render.png"_s);
        QString o, e;
        QTextStream so(&o), se(&e);
        const int status = vtfile::run(QStringList{u"render"_s, areaFile, u"--tileset"_s, u"Grass"_s, u"-o"_s, out} + options,
                                       so, se);
        if (status != 0)
            qWarning("%s", qPrintable(e));
        return QImage(out);
    }
};

} // namespace

class tst_areaexport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void renderMatchesTheEditorsBackImage()
    {
        ExportFixture e;
        QVERIFY(e.open());
        e.show(16, 0, false);
        QCOMPARE(e.ed->backImage().size(), QSize(320, 240));
        QString d = difference(e.render({u"--zoom"_s, u"16"_s, u"--background"_s, u"#181c28"_s}), e.ed->backImage());
        QVERIFY2(d.isEmpty(), qPrintable(d));

        e.show(8, 1, true);  // tag mode, enemies forced on
        QCOMPARE(e.ed->backImage().size(), QSize(160, 120));
        d = difference(e.render({u"--zoom"_s, u"8"_s, u"--layers"_s, u"tiles,tags,enemies,start"_s,
                                 u"--background"_s, u"#181c28"_s}),
                       e.ed->backImage());
        QVERIFY2(d.isEmpty(), qPrintable(d));
    }

    void exportWritesTheWholeAreaAsShown()
    {
        ExportFixture e;
        QVERIFY(e.open());
        e.show(24, 2, false);  // enemy mode
        // A small window: the export still holds every square.
        QWidget *frame = e.ed->parentWidget();
        frame->resize(frame->size() - e.ed->size() + QSize(100, 80));
        const QImage expected = e.render({u"--zoom"_s, u"24"_s, u"--layers"_s, u"tiles,enemies,start"_s,
                                          u"--background"_s, u"#181c28"_s});
        QCOMPARE(expected.size(), QSize(480, 360));

        for (const QString &name : {u"bonus.png"_s, u"bonus.bmp"_s}) {
            e.dialogs.files.push_back(e.game.file(name));
            e.trigger("mnuLevExport");
            QVERIFY(e.game.exists(name));
            const QString d = difference(QImage(e.game.file(name)), expected);
            QVERIFY2(d.isEmpty(), qPrintable(name + u": "_s + d));
        }
        QVERIFY(e.dialogs.dialogTitles.contains(u"Export as Image"_s));
        e.dialogs.files.push_back(std::nullopt);  // cancelled: nothing written
        e.trigger("mnuLevExport");
        QCOMPARE(QDir(e.game.path()).entryList(QDir::Files).size(), 3);
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }

    void aCancelledPictureLeavesNoFile()
    {
        oLevel area;
        QVERIFY(area.Resize(50, 400));
        TempGame game;
        const QString path = game.file(u"big.png"_s);
        int calls = 0;
        AreaPictureOptions o;
        o.zoom = 32;
        const vt::Status s = writeAreaPicture(area, QImage(), drawTagSheet(), o, PictureFormat::Png, path,
                                              [&calls](qint64 done, qint64 total) {
                                                  ++calls;
                                                  return done < total / 2;
                                              });
        QVERIFY(!s.ok());
        QVERIFY(calls >= 2);
        QVERIFY(QDir(game.path()).entryList(QDir::Files).isEmpty());
    }

    // Many strips, drawn on the second thread while the ones before are written, with a last
    // strip shorter than the others: the file must hold exactly the one picture the renderer
    // draws of the whole area, rows in order (BMP from the bottom).
    void aPictureOfManyStripsIsTheRenderersWholePicture()
    {
        oLevel area;
        QVERIFY(area.Resize(300, 41));
        for (int x = 0; x < 300; ++x)
            for (int y = 0; y < 41; ++y) {
                if ((x + 2 * y) % 7)
                    area.SetTile(x, y, (x * 3 + y) % 16, (x + y * 5) % 16);
                (void)area.SetTileTag(x, y, (x * y) % 23 == 0 ? (x + y) % 37 + 1 : 0);
                (void)area.SetTileEnemy(x, y, (x + y) % 19 == 0 ? (x * 7 + y) % 37 + 1 : 0);
            }
        area.SetStartPos(299, 40);
        QImage tiles(256, 256, QImage::Format_RGB32);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                tiles.setPixel(x, y, qRgb(x, y, (x * 7) ^ y));
        const QImage sheet = drawTagSheet();

        AreaPictureOptions o;
        o.zoom = 16;  // 4800 x 656 pixels: a dozen strips
        o.tags = o.enemies = true;
        o.background = qRgb(24, 28, 40);
        AreaRenderer renderer;
        renderer.setSources(tiles, sheet);
        AreaView view;
        view.size = areaPictureSize(area, o.zoom);
        view.zoom = o.zoom;
        view.showTags = view.showEnemies = true;
        view.background = *o.background;
        QImage expected;
        renderer.draw(area, view, expected);

        TempGame game;
        for (const PictureFormat format : {PictureFormat::Bmp, PictureFormat::Png}) {
            const QString path = game.file(format == PictureFormat::Bmp ? u"many.bmp"_s : u"many.png"_s);
            qint64 strips = 0;
            const vt::Status s = writeAreaPicture(area, tiles, sheet, o, format, path, [&strips](qint64, qint64) {
                ++strips;
                return true;
            });
            QVERIFY2(s.ok(), qPrintable(s.error()));
            QVERIFY(strips > 5);
            const QString d = difference(QImage(path), expected);
            QVERIFY2(d.isEmpty(), qPrintable(path + u": "_s + d));
        }
    }

    // A disk that fills during the picture: the reason is told, the old picture stays and no
    // temporary is left.
    void aPictureTheDiskCannotHoldIsReportedAndTheOldOneStays()
    {
        SmallDisk disk;
        if (!disk.mounted())
            QSKIP(qPrintable(disk.reason()));
        const QString path = disk.file(u"level.bmp"_s);
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the old picture");
        }
        oLevel area;
        QVERIFY(area.Resize(64, 48));  // 2048 x 1536 pixels: a 9 MB BMP on a 1 MB disk
        AreaPictureOptions o;
        o.zoom = 32;
        o.background = qRgb(24, 28, 40);
        const vt::Status s = writeAreaPicture(area, QImage(), drawTagSheet(), o, PictureFormat::Bmp, path);
        QVERIFY(!s.ok());
        QVERIFY2(s.error().contains(u"No space left on device"_s), qPrintable(s.error()));
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the old picture"));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"level.bmp"_s});
    }
};

QTEST_MAIN(tst_areaexport)
#include "tst_areaexport.moc"
