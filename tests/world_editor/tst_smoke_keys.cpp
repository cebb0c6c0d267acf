#include "EditorFixture.h"

#include "resources/TagSheet.h"
#include "windows/frmLevelEdit.h"
#include "windows/frmLevelTiles.h"
#include "windows/frmLevelView.h"

#include "AnsiText.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QUndoStack>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

// Keys typed on the real X server, to whatever window has its focus.
bool typeKeys(const QStringList &keys)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"),
                                                          QStringLiteral("40")} + keys);
    return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
}

bool clickAt(const QPoint &global, int button = 1)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(global.x()),
                                              QString::number(global.y()), QStringLiteral("click"),
                                              QString::number(button)});
    return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
}

} // namespace

// Which window the keys act on, under a real X server: the one the user works in.
class tst_smoke_keys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is needed to type on the X server");
    }

    void keysFollowTheWindowInCharge()
    {
        Editor e;
        e.game.copyGame(QStringLiteral(VT_DEMO_GAME_DIR));
        QVERIFY(e.start(QStringLiteral("Demo Mod")));
        e.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.w.get()));
        if (e.w->pictures().picHoldTags.isNull())
            e.w->pictures().picHoldTags = drawTagSheet();
        e.clickLevel(0);
        const QString areaName = vt::fromAnsi(e.state().currentLevel()->sAreaFile);
        e.trigger("mnuEditArea");
        frmLevelEdit *ed = e.w->areaEditor();
        frmLevelTiles *palette = e.w->palette();
        QVERIFY(ed && palette);
        QVERIFY(QTest::qWaitForWindowExposed(ed));
        QCOMPARE(ed->windowTitle(), QStringLiteral("Area Editor - %1.qzl[*]").arg(areaName));

        // A stroke in the area editor: its window is marked as unsaved.
        const int z = ed->lZoom;
        e.w->brush().select(AreaLayer::Enemies, 0, 5);
        QCOMPARE(ed->document().area().TileEnemy(2, 1), 0);
        QVERIFY(clickAt(ed->mapToGlobal(QPoint(2 * z + z / 2, z + z / 2))));
        QTRY_VERIFY(ed->document().isModified());
        QVERIFY(ed->isWindowModified());
        QCOMPARE(e.w->mdiArea->activeSubWindow(), ed->parentWidget());

        // A click in the palette gives it the focus; the tool keys and undo still reach the
        // area editor, which stays the document in charge.
        QVERIFY(clickAt(palette->mapToGlobal(QPoint(palette->width() / 2, palette->height() / 2))));
        QTRY_COMPARE(e.w->mdiArea->activeSubWindow(), palette->parentWidget());
        QCOMPARE(e.w->documentWindow(), ed->parentWidget());
        QVERIFY(typeKeys({QStringLiteral("r")}));
        QTRY_COMPARE(ed->tool(), AreaTool::Rectangle);
        QVERIFY(typeKeys({QStringLiteral("p")}));
        QTRY_COMPARE(ed->tool(), AreaTool::Pencil);
        const int zoom = ed->lZoom;
        QVERIFY(typeKeys({QStringLiteral("plus")}));
        QTRY_COMPARE(ed->lZoom, zoom + frmLevelEdit::kZoomStep);
        QVERIFY(typeKeys({QStringLiteral("ctrl+z")}));
        QTRY_VERIFY(!ed->document().isModified());
        QVERIFY(!ed->isWindowModified());  // back at the saved state: unmarked
        QVERIFY(typeKeys({QStringLiteral("ctrl+y")}));
        QTRY_VERIFY(ed->isWindowModified());

        // Ctrl+S saves the area, through its own question and message, not the world details.
        e.dialogs.inputs.push_back(areaName);
        QVERIFY(typeKeys({QStringLiteral("ctrl+s")}));
        QTRY_VERIFY(!ed->document().isModified());
        QCOMPARE(e.dialogs.shown.back().text, areaName + QStringLiteral(".qzl saved!"));
        QVERIFY(!e.dialogs.texts().contains(QStringLiteral("Current world details saved to disk!")));
        QVERIFY(!ed->isWindowModified());

        // With the details window in charge, Ctrl+S saves the world details, and the area's
        // tool keys rest (they would type into its fields).
        e.trigger("mnuEditLevelDetails");
        frmLevelView *details = e.w->detailsWindow();
        QVERIFY(details);
        e.w->mdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(details->parentWidget()));
        QTRY_COMPARE(e.w->documentWindow(), details->parentWidget());
        QVERIFY(!ed->mnuTool[int(AreaTool::Select)]->isEnabled());
        QVERIFY(typeKeys({QStringLiteral("ctrl+s")}));
        QTRY_COMPARE(e.dialogs.shown.back().text, QStringLiteral("Current world details saved to disk!"));
        QCOMPARE(ed->tool(), AreaTool::Pencil);
        QVERIFY(e.dialogs.unexpected.isEmpty());

        // Maximised, the area editor leaves the palette in sight, also after a click in it.
        auto *editorFrame = qobject_cast<QMdiSubWindow *>(ed->parentWidget());
        auto *paletteFrame = qobject_cast<QMdiSubWindow *>(palette->parentWidget());
        editorFrame->showMaximized();
        QVERIFY(clickAt(ed->mapToGlobal(QPoint(ed->width() - 40, ed->height() / 2))));
        QTRY_COMPARE(e.w->mdiArea->activeSubWindow(), editorFrame);
        QTest::qWait(100);
        QVERIFY(paletteFrame->isVisible());
        QVERIFY(!paletteFrame->isMaximized());
        const QPoint centre = e.w->mdiArea->viewport()->mapFromGlobal(palette->mapToGlobal(palette->rect().center()));
        QWidget *top = e.w->mdiArea->viewport()->childAt(centre);
        QVERIFY2(top && (top == paletteFrame || paletteFrame->isAncestorOf(top)),
                 top ? top->metaObject()->className() : "nothing");
        QVERIFY(clickAt(palette->mapToGlobal(palette->rect().center())));
        QTRY_COMPARE(e.w->mdiArea->activeSubWindow(), paletteFrame);
        QVERIFY(!paletteFrame->isMaximized());
        QVERIFY(editorFrame->isMaximized());

        // Ctrl+W opens the world map, also with the focus inside an inner window.
        QVERIFY(clickAt(ed->mapToGlobal(QPoint(ed->width() - 40, ed->height() / 2))));
        QTRY_COMPARE(e.w->mdiArea->activeSubWindow(), editorFrame);
        QVERIFY(typeKeys({QStringLiteral("ctrl+w")}));
        QTRY_VERIFY(e.w->mapEditor() != nullptr);
        QVERIFY(editorFrame->isVisible());
    }

    void aRightClickOnALevelOpensItsMenu()
    {
        Editor e;
        e.game.copyGame(QStringLiteral(VT_DEMO_GAME_DIR));
        QVERIFY(e.start(QStringLiteral("Demo Mod")));
        e.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.w.get()));
        QListWidget *list = e.w->lstLevels;
        const QPoint second = list->visualItemRect(list->item(1)).center();
        QVERIFY(clickAt(list->viewport()->mapToGlobal(second), 3));
        QTRY_VERIFY(e.w->mnuLevel->isVisible());
        QCOMPARE(e.state().nCurLevel, 1);
        QCOMPARE(list->currentRow(), 1);
        // At the pointer, not at the list's corner.
        QVERIFY((e.w->mnuLevel->pos() - list->viewport()->mapToGlobal(second)).manhattanLength() < 8);
        e.w->mnuLevel->hide();
    }
};

QTEST_MAIN(tst_smoke_keys)
#include "tst_smoke_keys.moc"
