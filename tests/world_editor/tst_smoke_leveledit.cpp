#include "EditorFixture.h"

#include "resources/TagSheet.h"
#include "windows/frmLevelEdit.h"

#include "AnsiText.h"

#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>

using namespace tessaforge;
using namespace tessaforge::testing;

// The area editor under a real X server: open a demo level's area, paint, save, reopen.
class tst_smoke_leveledit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paintsSavesAndReopensADemoArea()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Editor e;
        e.game.copyGame(QStringLiteral(VT_DEMO_GAME_DIR));
        QVERIFY(e.start(QStringLiteral("Demo Mod")));
        QVERIFY(QTest::qWaitForWindowExposed(e.w.get()));
        if (e.w->pictures().picHoldTags.isNull())
            e.w->pictures().picHoldTags = drawTagSheet();
        e.clickLevel(0);
        const QString areaName = vt::fromAnsi(e.state().currentLevel()->sAreaFile);
        const QString areaFile = QStringLiteral("Mods/Demo Mod/Grassland/") + areaName + QStringLiteral(".qzl");
        QVERIFY2(e.game.exists(areaFile), qPrintable(areaFile));
        e.trigger("mnuEditArea");
        frmLevelEdit *ed = e.w->areaEditor();
        QVERIFY(ed);
        QVERIFY(QTest::qWaitForWindowExposed(ed));
        QCOMPARE(ed->document().fileName(), areaName);
        QVERIFY(!ed->backImage().isNull());

        // Paint a short row of tile (1, 0) and put enemy 4 at its end.
        e.w->brush().tMode = AreaLayer(0);
        e.w->brush().curTileX = 1;
        e.w->brush().curTileY = 0;
        const int z = ed->lZoom;
        QTest::mousePress(ed, Qt::LeftButton, {}, {z / 2, 2 * z + 2});
        for (int x = z / 2; x <= 3 * z + z / 2; x += z / 4)
            QTest::mouseMove(ed, {x, 2 * z + 2});
        QTest::mouseRelease(ed, Qt::LeftButton, {}, {3 * z + z / 2, 2 * z + 2});
        e.w->brush().tMode = AreaLayer(2);
        e.w->brush().curTileY = 4;
        ed->DrawLevel();
        QTest::mouseClick(ed, Qt::LeftButton, {}, {3 * z + 2, 2 * z + 2});
        QVERIFY(ed->document().isModified());
        for (int c = 0; c <= 3; ++c)
            QCOMPARE(ed->document().area().xSrc(c, 2), 1);
        QCOMPARE(ed->document().area().TileEnemy(3, 2), 4);

        // A double-click from the X server with start placement armed places the start and
        // paints nothing, also with a tile chosen.
        if (!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            e.w->brush().tMode = AreaLayer(0);
            e.w->brush().curTileX = 2;
            e.w->brush().curTileY = 0;
            const QPoint cell(5, 3);
            const qint32 tileBefore = ed->document().area().IsTile(cell.x(), cell.y()) ? ed->document().area().xSrc(cell.x(), cell.y()) : -1;
            ed->SetStartPos();
            const QPoint at = ed->mapToGlobal(QPoint(cell.x() * z + z / 2, cell.y() * z + z / 2));
            QProcess xdotool;
            xdotool.start(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                           QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                           QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("1")});
            QVERIFY(xdotool.waitForFinished(10000));
            QCOMPARE(xdotool.exitCode(), 0);
            QTRY_COMPARE(QPoint(ed->document().area().StartX(), ed->document().area().StartY()), cell);
            QTest::qWait(200);  // every event of the double-click delivered
            QCOMPARE(ed->document().area().IsTile(cell.x(), cell.y()) ? ed->document().area().xSrc(cell.x(), cell.y()) : -1, tileBefore);
            QVERIFY(!ed->isSetStartMode());
        }

        // Save under the level's own name, then close and reopen.
        e.dialogs.inputs.push_back(areaName);
        e.trigger("mnuLevSave");
        QCOMPARE(e.dialogs.shown.back().text, areaName + QStringLiteral(".qzl saved!"));
        QByteArray expected;
        QVERIFY(tessaforge::encode(ed->document().area(), expected).ok());
        QCOMPARE(e.game.read(areaFile), expected);
        QVERIFY(ed->parentWidget()->close());
        QVERIFY(!e.w->areaEditor());

        e.trigger("mnuEditArea");
        ed = e.w->areaEditor();
        QVERIFY(ed);
        QVERIFY(QTest::qWaitForWindowExposed(ed));
        QCOMPARE(ed->document().fileName(), areaName);
        for (int c = 0; c <= 3; ++c)
            QCOMPARE(ed->document().area().xSrc(c, 2), 1);
        QCOMPARE(ed->document().area().TileEnemy(3, 2), 4);
        QVERIFY(!ed->document().isModified());
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }
};

QTEST_MAIN(tst_smoke_leveledit)
#include "tst_smoke_leveledit.moc"
