// screens GAME OUT [SMALL]
// Opens each program on the game folder GAME (a copy of the demo), drives it in code into a
// state that shows what it does, and saves a picture of it as OUT/<name>.png; with SMALL,
// also a reduced copy there for the README. Run under a real X server (xvfb-run): the
// windows are shown and grabbed as they draw themselves.

#include "control_setup/windows/frmMain.h"
#include "skin_editor/windows/frmMain.h"
#include "tile_editor/windows/TilePicture.h"
#include "tile_editor/windows/frmMain.h"
#include "world_editor/windows/frmLevelEdit.h"
#include "world_editor/windows/frmLevelTiles.h"
#include "world_editor/windows/frmMain.h"
#include "world_editor/windows/frmMapScreenEdit.h"

#include "support/FakeDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

QString g_out;
QString g_small;
int g_failures = 0;

void fail(const QString &what)
{
    std::fprintf(stderr, "screens: %s\n", qPrintable(what));
    ++g_failures;
}

// Lets the windows lay themselves out and paint before they are grabbed.
void settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(60);
    }
}

// The picture's 256 most frequent colours, each the mean of a 5-bit-per-channel bucket: a
// window's few flat colours come out exact, and the blends of the scaling close enough.
QList<QRgb> commonColours(const QImage &picture)
{
    struct Bucket
    {
        qint64 r = 0, g = 0, b = 0, n = 0;
    };
    QHash<quint32, Bucket> buckets;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x];
            Bucket &b = buckets[quint32(qRed(c) >> 3) << 10 | quint32(qGreen(c) >> 3) << 5 | quint32(qBlue(c) >> 3)];
            b.r += qRed(c);
            b.g += qGreen(c);
            b.b += qBlue(c);
            ++b.n;
        }
    }
    QList<Bucket> all = buckets.values();
    std::sort(all.begin(), all.end(), [](const Bucket &a, const Bucket &b) { return a.n > b.n; });
    QList<QRgb> table;
    for (const Bucket &b : all) {
        if (table.size() == 256)
            break;
        table.append(qRgb(int(b.r / b.n), int(b.g / b.n), int(b.b / b.n)));
    }
    return table;
}

void save(const QString &name, const QImage &picture)
{
    if (picture.isNull()) {
        fail(name + QStringLiteral(": nothing to grab"));
        return;
    }
    const QString path = g_out + u'/' + name + QStringLiteral(".png");
    if (!picture.save(path, "PNG"))
        fail(QStringLiteral("cannot write ") + path);
    else
        std::printf("%s %dx%d\n", qPrintable(path), picture.width(), picture.height());
    if (g_small.isEmpty())
        return;
    // Two thirds of the size and a 256-colour palette keep the repository's copies at a few
    // tens of KB.
    QImage small = picture.width() > 640
        ? picture.scaledToWidth(picture.width() * 2 / 3, Qt::SmoothTransformation)
        : picture;
    small = small.convertToFormat(QImage::Format_Indexed8, commonColours(small),
                                  Qt::ThresholdDither | Qt::AvoidDither);
    const QString smallPath = g_small + u'/' + name + QStringLiteral(".png");
    if (!small.save(smallPath, "PNG"))
        fail(QStringLiteral("cannot write ") + smallPath);
}

void trigger(QWidget *window, const char *name)
{
    if (auto *a = window->findChild<QAction *>(QString::fromLatin1(name)))
        a->trigger();
    else
        fail(QStringLiteral("no action ") + QString::fromLatin1(name));
}

std::function<void(QDialog &)> chooseMod(const QString &mod)
{
    return [mod](QDialog &dialog) {
        auto *list = dialog.findChild<QListWidget *>(QStringLiteral("lstWorldSets"));
        auto *select = dialog.findChild<QPushButton *>(QStringLiteral("cmdSelect"));
        if (!list || !select)
            return;
        const auto items = list->findItems(mod, Qt::MatchExactly);
        if (!items.isEmpty())
            list->setCurrentItem(items.first());
        select->click();
    };
}

void place(QWidget *child, const QRect &where)
{
    if (child && child->parentWidget())
        child->parentWidget()->setGeometry(where);
}

// The world editor twice: an area being painted with the palette beside it, then the
// world map with its linked nodes.
void worldEditor(const QString &game)
{
    FakeDialogs dialogs;
    dialogs.dialogScripts.push_back(chooseMod(QStringLiteral("Demo Mod")));
    dialogs.answers.assign(8, FakeDialogs::Answer::No);
    tessaforge::frmMain w(game, dialogs);
    w.resize(1180, 640);
    if (!w.start()) {
        fail(QStringLiteral("Tessaforge did not start"));
        return;
    }
    settle();
    QListWidget *levels = w.lstLevels;
    if (!levels || levels->count() == 0) {
        fail(QStringLiteral("Tessaforge lists no levels"));
        return;
    }
    QTest::mouseClick(levels->viewport(), Qt::LeftButton, {}, levels->visualItemRect(levels->item(0)).center());
    trigger(&w, "mnuEditArea");
    trigger(&w, "mnuShowTSetWindow");
    settle();
    tessaforge::frmLevelEdit *area = w.areaEditor();
    tessaforge::frmLevelTiles *palette = w.palette();
    if (!area || !palette) {
        fail(QStringLiteral("Tessaforge opened no area editor or palette"));
        return;
    }
    place(area, QRect(0, 0, 700, 580));
    place(palette, QRect(704, 0, 300, 420));
    settle();
    // Close up, then pick the grass ledge in the palette and paint a floating platform with
    // it in the open sky, as a modder would.
    for (int i = 0; i < 4; ++i)
        area->ZoomIn();
    settle();
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(16 + 32 * 0 + 16, 16 + 32 * 1 + 16));
    const int cell = area->lZoom;
    for (int x = 0; x < 4; ++x)
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(cell * (9 + x) + cell / 2, cell * 9 + cell / 2));
    settle();
    save(QStringLiteral("tessaforge-area"), w.grab().toImage());

    trigger(&w, "mnuShowWorldMap");
    settle();
    tessaforge::frmMapScreenEdit *map = w.mapEditor();
    if (!map) {
        fail(QStringLiteral("Tessaforge opened no world map editor"));
        return;
    }
    // The map alone, a node selected so that its links show in the lists.
    palette->parentWidget()->close();
    area->parentWidget()->close();
    settle();
    w.resize(850, 760);
    if (QWidget *frame = map->parentWidget())
        frame->move(0, 0);
    const tessaforge::oWorldMap &nodes = map->worldMap();
    if (nodes.nodeCount() >= 2)
        QTest::mouseClick(map->picMap, Qt::LeftButton, {}, QPoint(nodes.xPos(2), nodes.yPos(2)));
    settle();
    save(QStringLiteral("tessaforge-map"), w.grab().toImage());
    w.close();
}

void controlSetup(const QString &game)
{
    FakeDialogs dialogs;
    keyvane::frmMain w(game, dialogs);
    if (!w.start()) {
        fail(QStringLiteral("keyvane did not start"));
        return;
    }
    settle();
    save(QStringLiteral("keyvane"), w.grab().toImage());
    w.close();
}

void tileEditor(const QString &game)
{
    FakeDialogs dialogs;
    tilemarrow::frmMain w(game, dialogs);
    w.show();
    settle();
    dialogs.files.push_back(game + QStringLiteral("/Data/Tilesets/Grass.qzt"));
    w.mnuLoad_Click();
    settle();
    if (!w.picTiles) {
        fail(QStringLiteral("tilemarrow shows no tiles"));
        return;
    }
    QTest::mouseClick(w.picTiles, Qt::LeftButton, {}, QPoint(32 * 2 + 16, 32 * 1 + 16));
    // Every tile's type written on it: what the editor is for.
    if (w.chkShowTypes)
        w.chkShowTypes->setChecked(true);
    settle();
    save(QStringLiteral("tilemarrow"), w.grab().toImage());
    w.close();
}

void skinEditor(const QString &game)
{
    FakeDialogs dialogs;
    skinloft::frmMain w(game, dialogs);
    w.start();
    settle();
    dialogs.files.push_back(game + QStringLiteral("/Data/Enemies/Standard.qze"));
    if (w.mnuLoad)
        w.mnuLoad->trigger();
    if (w.lstEnemies && w.lstEnemies->count() > 1)
        w.lstEnemies->setCurrentRow(1);
    settle();
    save(QStringLiteral("skinloft"), w.grab().toImage());  // the preview is inside the window
    w.close();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: screens GAME OUT [SMALL]\n");
        return 2;
    }
    const QString game = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    g_out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    if (argc == 4)
        g_small = QDir(QString::fromLocal8Bit(argv[3])).absolutePath();
    for (const QString &dir : {g_out, g_small})
        if (!dir.isEmpty() && !QDir().mkpath(dir)) {
            std::fprintf(stderr, "screens: cannot make %s\n", qPrintable(dir));
            return 1;
        }
    worldEditor(game);
    controlSetup(game);
    tileEditor(game);
    skinEditor(game);
    return g_failures == 0 ? 0 : 1;
}
