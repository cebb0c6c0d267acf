#include "EditorFixture.h"

#include <QGuiApplication>

using namespace tessaforge::testing;

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
        QCOMPARE(e.w->windowTitle(), QStringLiteral("Tessaforge"));
        QCOMPARE(e.w->lstLevels->count(), 3);
        QVERIFY(e.closeAnswering(FakeDialogs::Answer::No));
        QVERIFY(!e.w->isVisible());
        QVERIFY(e.dialogs.unexpected.isEmpty());
    }
};

QTEST_MAIN(tst_smoke_tessaforge)
#include "tst_smoke_tessaforge.moc"
