// The programs each have a frmMain in a namespace of their own.
#include "skin_editor/windows/frmMain.h"
#include "tile_editor/windows/frmMain.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

// The single-window programs under a real X server: each main window is shown with its
// caption and closes cleanly.
class tst_smoke_programs : public QObject
{
    Q_OBJECT

private:
    template<typename W>
    void showAndClose(const QString &caption)
    {
        QTemporaryDir game;
        W window(game.path());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), caption);
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
    }

private Q_SLOTS:
    void realXServer() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }
    void tilemarrow() { showAndClose<::tilemarrow::frmMain>(QStringLiteral("Vantaro Tileset Editor")); }
    void skinloft() { showAndClose<::skinloft::frmMain>(QStringLiteral("skinloft")); }
};

QTEST_MAIN(tst_smoke_programs)
#include "tst_smoke_programs.moc"
