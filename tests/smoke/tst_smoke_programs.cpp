// The programs each have a frmMain in a namespace of their own.
#include "skin_editor/windows/frmMain.h"
#include "skin_editor/windows/PreviewPicture.h"
#include "skin_editor/windows/frmPreview.h"
#include "tile_editor/windows/frmMain.h"

#include "support/FakeDialogs.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <type_traits>

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
        FakeDialogs dialogs;
        auto make = [&]() -> std::unique_ptr<W> {
            if constexpr (std::is_constructible_v<W, QString, vt::Dialogs &>)
                return std::make_unique<W>(game.path(), dialogs);
            else
                return std::make_unique<W>(game.path());
        };
        const std::unique_ptr<W> made = make();
        W &window = *made;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowHandle()->title(), caption);  // as shown: no change mark
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        QVERIFY2(dialogs.shown.empty(), qPrintable(dialogs.texts().join(u'\n')));
    }

private Q_SLOTS:
    void realXServer() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }
    void tilemarrow() { showAndClose<::tilemarrow::frmMain>(QStringLiteral("Vantaro Tileset Editor")); }
    // The tile editor opens tiledata.bmp from its folder and shows it, the first tile selected.
    void tilemarrowShowsTiledata()
    {
        QTemporaryDir game;
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(qRgb(200, 40, 40));
        QVERIFY(picture.save(game.filePath(QStringLiteral("tiledata.bmp")), "BMP"));
        FakeDialogs dialogs;
        ::tilemarrow::frmMain window(game.path(), dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.document().hasGrid());
        QWidget *view = window.findChild<QWidget *>(QStringLiteral("picTiles"));
        QVERIFY(view);
        const QImage shown = view->grab().toImage();
        QCOMPARE(QColor(shown.pixel(40, 8)), QColor(200, 40, 40));
        QCOMPARE(QColor(shown.pixel(8, 8)), QColor(55, 215, 215));  // selected: inverted
        QCOMPARE(QColor(shown.pixel(100, 8)), QColor(Qt::black));   // beyond the picture
        QVERIFY(window.close());
    }
    void skinloft() { showAndClose<::skinloft::frmMain>(QStringLiteral("skinloft")); }
    // The skin editor shows its preview inside its window, a chosen picture enlarged.
    void skinloftPreviewsInItsWindow()
    {
        QTemporaryDir game;
        QImage picture(64, 32, QImage::Format_RGB32);
        picture.fill(qRgb(200, 40, 160));
        QVERIFY(picture.save(game.filePath(QStringLiteral("walker.bmp")), "BMP"));
        FakeDialogs dialogs;
        ::skinloft::frmMain window(game.path(), dialogs);
        window.start();
        ::skinloft::frmPreview &preview = *window.preview();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(preview.isVisible());
        QVERIFY(window.isAncestorOf(&preview));
        QCOMPARE(preview.title(), QStringLiteral("Graphic Preview"));

        window.lstFiles->setCurrentRow(0);
        QCOMPARE(window.document().CurrentSkin().Fields[0], QByteArray("walker.bmp"));
        QCOMPARE(preview.picture().size(), QSize(64, 32));
        const int times = preview.picPreview->times();
        QVERIFY(times >= 2);
        const QRect shown = preview.picPreview->shownRect();
        QCOMPARE(shown.size(), QSize(64, 32) * times);
        const QImage drawn = preview.picPreview->grab().toImage();
        QCOMPARE(QColor(drawn.pixel(shown.center())), QColor(200, 40, 160));
        QCOMPARE(window.windowHandle()->title(), QStringLiteral("skinloft*"));

        // The choice is unsaved: closing asks, and No closes the window.
        dialogs.answers.push_back(FakeDialogs::Answer::No);
        QVERIFY(window.close());
        QVERIFY(!preview.isVisible());
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Save changes?")});
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("skinloft"));
    }
};

QTEST_MAIN(tst_smoke_programs)
#include "tst_smoke_programs.moc"
