#include "EditorFixture.h"

#include "render/AreaPicture.h"
#include "resources/TagSheet.h"
#include "windows/frmLevelEdit.h"

#include "Tool.h"

#include <QDirIterator>
#include <QTextStream>

using namespace tessaforge;
using namespace tessaforge::testing;
using namespace Qt::StringLiterals;

namespace {

void copyDemo(const TempGame &game)
{
    const QDir demo(QStringLiteral(VT_DEMO_GAME_DIR));
    for (const QString &top : {u"Mods"_s, u"Data"_s}) {
        QDirIterator it(demo.filePath(top), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            QFile f(from);
            if (f.open(QIODevice::ReadOnly))
                game.write(demo.relativeFilePath(from), f.readAll());
        }
    }
}

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
        copyDemo(game);
        if (!start(u"Demo Mod"_s))
            return false;
        if (w->picHoldTags.isNull())
            w->picHoldTags = drawTagSheet();
        clickLevel(2);
        trigger("mnuEditArea");
        ed = w->areaEditor();
        areaFile = game.file(u"Mods/Demo Mod/Grassland/Bonus.qzl"_s);
        return ed && ed->currentAreaFile() == u"Bonus"_s;
    }
    void show(int zoom, int mode, bool enemies)
    {
        while (ed->lZoom < zoom)
            ed->ZoomIn();
        while (ed->lZoom > zoom)
            ed->ZoomOut();
        w->tMode = mode;
        ed->bForceShowEnemy = enemies;
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
};

QTEST_MAIN(tst_areaexport)
#include "tst_areaexport.moc"
