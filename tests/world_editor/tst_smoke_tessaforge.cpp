#include "EditorFixture.h"

#include "windows/frmMapScreenEdit.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QScrollBar>

using namespace tessaforge::testing;

namespace {

// Copies a folder tree, so that a test can edit the demo's files without touching them.
bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QDir().mkpath(to);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (it.fileInfo().isDir() ? !QDir().mkpath(target) : !QFile::copy(source, target))
            return false;
    }
    return true;
}

} // namespace

// Tessaforge under a real X server: it starts on a game folder, its window is shown, and it
// closes cleanly.
class tst_smoke_tessaforge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsShowsAndCloses()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Editor e;
        makeMod(e.game);
        QVERIFY(e.start());
        QVERIFY(QTest::qWaitForWindowExposed(e.w.get()));
        QCOMPARE(e.w->windowTitle(), QStringLiteral("Tessaforge[*]"));
        QCOMPARE(e.w->lstLevels->count(), 3);
        QVERIFY(e.closeAnswering(FakeDialogs::Answer::No));
        QVERIFY(!e.w->isVisible());
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }

    // The demo world's map, opened from the menu, gets a node, is saved and reads back.
    void editsTheDemoWorldMap()
    {
        Editor e;
        const QString demoMod = QString::fromUtf8(VT_DEMO_GAME "/Mods/Demo Mod");
        QVERIFY(copyTree(demoMod, e.game.file(QStringLiteral("Mods/Demo Mod"))));
        const QString mapFile = QStringLiteral("Mods/Demo Mod/Grassland/Worldmap.qzm");
        const QByteArray before = e.game.read(mapFile);
        QCOMPARE(before.size(), 1 + 12 * 7);
        QVERIFY(e.start(QStringLiteral("Demo Mod")));

        e.trigger("mnuShowWorldMap");
        tessaforge::frmMapScreenEdit *map = e.w->mapEditor();
        QVERIFY(map);
        QVERIFY(QTest::qWaitForWindowExposed(map));
        QCOMPARE(map->worldMap().nodeCount(), 7);
        e.trigger("mnuMapAddNode");
        QCOMPARE(map->currentNode(), 8);
        e.trigger("mnuMapSave");
        QCOMPARE(e.dialogs.texts().last(), QStringLiteral("Map screen changes saved to disk!"));
        map->KillMe();
        QTRY_VERIFY(!e.w->mapEditor());

        const QByteArray after = e.game.read(mapFile);
        QCOMPARE(after.size(), 1 + 12 * 8);
        QCOMPARE(after.at(0), char(8));
        QCOMPARE(after.mid(1, 12 * 7), before.mid(1));
        e.trigger("mnuShowWorldMap");
        QVERIFY(e.w->mapEditor());
        QCOMPARE(e.w->mapEditor()->worldMap().nodeCount(), 8);
        QCOMPARE(e.w->mapEditor()->worldMap().xPos(8), qint16(e.w->mapEditor()->xScroll->value() + 30));
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }
};

QTEST_MAIN(tst_smoke_tessaforge)
#include "tst_smoke_tessaforge.moc"
