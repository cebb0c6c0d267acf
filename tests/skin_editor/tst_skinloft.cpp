#include "SkinloftFixture.h"

#include "support/RawFiles.h"

#include "FileIO.h"

#include <QAction>
#include <QFocusEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QUndoStack>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace skinloft;
using namespace skinloft::testing;

namespace {

// A skin file of the given fields, the rest empty, written byte by byte.
QByteArray skinBytes(std::initializer_list<std::pair<int, QByteArray>> fields)
{
    std::array<QByteArray, kEnemyTypeCount> all;
    for (const auto &[i, name] : fields)
        all[i] = name;
    QByteArray out;
    for (const QByteArray &name : all) {
        out.append(char(name.size() & 0xff)).append(char(name.size() >> 8));
        out.append(name);
    }
    return out;
}

// The preview shows a picture by a whole factor, whole inside its picture area.
void verifyWholeFactor(const frmPreview &p, QSize own)
{
    const PreviewPicture &shown = *p.picPreview;
    QVERIFY(shown.times() == 1 || shown.divisor() == 1);
    QCOMPARE(shown.shownSize(), shown.divisor() > 1 ? own / shown.divisor() : own * shown.times());
    QVERIFY(shown.rect().contains(shown.shownRect()));
}

} // namespace

class tst_skinloft : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { vt::setReplaceFaultForTesting(std::nullopt); }

    void startUpState()
    {
        Skinloft s;
        s.picture(QStringLiteral("b.BMP"), 8, 8);
        s.picture(QStringLiteral("a.gif"), 8, 8, "GIF");
        s.picture(QStringLiteral("C.bmp"), 8, 8);
        s.picture(QStringLiteral("x.png"), 8, 8, "PNG");
        s.game.write(QStringLiteral("notes.txt"), "text");
        s.game.write(QStringLiteral("Data/Enemies/inner.bmp"), "");
        QDir(s.game.path()).mkdir(QStringLiteral("folder.bmp"));
        s.start();
        frmMain &w = *s.w;

        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft"));
        QVERIFY(!w.windowIcon().isNull());  // the program's own, drawn for every size asked
        QCOMPARE(w.windowIcon().pixmap(16).size(), QSize(16, 16));
        QStringList menus;
        for (QAction *a : w.menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, QStringList({QStringLiteral("&Save"), QStringLiteral("&Load"), QStringLiteral("&Edit")}));
        QCOMPARE(w.Frame[0]->title(), QStringLiteral("Enemy"));
        QCOMPARE(w.Frame[1]->title(), QStringLiteral("Graphic"));
        QVERIFY(w.Frame[0]->isAncestorOf(w.lstEnemies));
        QVERIFY(w.Frame[1]->isAncestorOf(w.lstFiles));
        QVERIFY(w.Frame[0]->geometry().right() < w.Frame[1]->geometry().left());

        QCOMPARE(w.lstEnemies->count(), 25);
        QCOMPARE(w.lstEnemies->item(0)->text(), QStringLiteral("Trudgel"));
        QCOMPARE(w.lstEnemies->item(4)->text(), QStringLiteral("Red Shellback"));
        QCOMPARE(w.lstEnemies->item(24)->text(), QStringLiteral("Quake Block"));
        QCOMPARE(s.selectedEnemy(), 0);

        // The pictures beside the program, any letter case, sorted by name; no folders.
        QStringList files;
        for (int i = 0; i < w.lstFiles->count(); ++i)
            files << w.lstFiles->item(i)->text();
        QCOMPARE(files, QStringList({QStringLiteral("a.gif"), QStringLiteral("b.BMP"), QStringLiteral("C.bmp")}));
        QCOMPARE(s.selectedFileRow(), -1);

        // The preview is part of the main window, right of the lists, and shows nothing yet.
        frmPreview &p = s.preview();
        QVERIFY(p.isVisible());
        QVERIFY(w.isAncestorOf(&p));
        QCOMPARE(p.title(), QStringLiteral("Graphic Preview"));
        QVERIFY(p.geometry().left() > w.Frame[1]->geometry().right());
        QVERIFY(p.picture().isNull());
        QCOMPARE(p.lblPreview->text(), QStringLiteral("No graphic chosen."));
        // Tabbing into the file list makes its first entry current, but picks nothing.
        QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w.lstFiles, &tabbedIn);
        QCOMPARE(s.selectedFileRow(), -1);
        QCOMPARE(s.field(0), QByteArray());
        QVERIFY(p.picture().isNull());

        // At first every enemy shows, and every file name whole.
        QVERIFY(w.lstEnemies->viewport()->rect().contains(w.lstEnemies->visualItemRect(w.lstEnemies->item(24))));
        QCOMPARE(w.lstFiles->horizontalScrollBar()->maximum(), 0);
        QVERIFY(w.minimumSize() != w.maximumSize());  // the window can be made larger
        QVERIFY(s.dialogs.fake.shown.empty());
    }

    void choosingAPictureStoresAndPreviewsIt()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.picture(QStringLiteral("flyer.gif"), 20, 10, "GIF");
        s.start();
        Skinloft::click(s.w->lstEnemies, 2);
        s.chooseFile(QStringLiteral("walker.bmp"));

        QCOMPARE(s.field(2), QByteArray("walker.bmp"));
        QCOMPARE(s.sideText(2), QStringLiteral("walker.bmp"));
        QCOMPARE(s.pictureShown(), QSize(64, 32));
        verifyWholeFactor(s.preview(), QSize(64, 32));
        QVERIFY(s.preview().picPreview->times() >= 2);  // small sprites are shown enlarged
        QCOMPARE(s.preview().lblPreview->text(),
                 QStringLiteral("walker.bmp\n64 \u00d7 32 pixels, shown %1\u00d7").arg(s.preview().picPreview->times()));

        // A GIF is shown the same way.
        Skinloft::click(s.w->lstEnemies, 7);
        QCOMPARE(s.selectedFileRow(), -1);
        QVERIFY(s.pictureShown().isEmpty());
        s.chooseFile(QStringLiteral("flyer.gif"));
        QCOMPARE(s.pictureShown(), QSize(20, 10));
        verifyWholeFactor(s.preview(), QSize(20, 10));
        QVERIFY(s.preview().picPreview->times() >= 4);

        // Going back to an enemy selects and shows its graphic; the other keeps its own.
        s.w->lstEnemies->setCurrentRow(2);
        QCOMPARE(s.selectedFile(), QStringLiteral("walker.bmp"));
        QCOMPARE(s.pictureShown(), QSize(64, 32));
        QCOMPARE(s.field(7), QByteArray("flyer.gif"));
        QCOMPARE(s.w->document().CurrentSkin().Fields[0], QByteArray());
    }

    void graphicChoicesUndoWithTheListsAndPreviewFollowing()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.picture(QStringLiteral("flyer.gif"), 20, 10, "GIF");
        s.start();
        QUndoStack *undo = s.w->document().undoStack();
        QCOMPARE(s.w->mnuEdit->title(), QStringLiteral("&Edit"));
        QCOMPARE(s.w->mnuUndo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(s.w->mnuRedo->shortcuts().size(), 2);

        Skinloft::click(s.w->lstEnemies, 2);
        s.chooseFile(QStringLiteral("walker.bmp"));
        s.chooseFile(QStringLiteral("flyer.gif"));
        Skinloft::click(s.w->lstEnemies, 7);
        s.chooseFile(QStringLiteral("walker.bmp"));
        Skinloft::click(s.w->lstEnemies, 2);  // going back shows; it stores nothing new
        QCOMPARE(undo->count(), 3);
        QCOMPARE(s.w->mnuUndo->text(), QStringLiteral("Undo Graphic"));
        const EnemySkin edited = s.w->document().CurrentSkin();

        // Each undo selects its enemy; the file list, the preview and the name beside follow.
        s.w->mnuUndo->trigger();
        QCOMPARE(s.field(7), QByteArray());
        QCOMPARE(s.selectedEnemy(), 7);
        QCOMPARE(s.selectedFileRow(), -1);
        QVERIFY(s.pictureShown().isEmpty());
        QCOMPARE(s.sideText(7), QString());
        s.w->mnuUndo->trigger();
        QCOMPARE(s.field(2), QByteArray("walker.bmp"));
        QCOMPARE(s.selectedEnemy(), 2);
        QCOMPARE(s.selectedFile(), QStringLiteral("walker.bmp"));
        QCOMPARE(s.pictureShown(), QSize(64, 32));
        s.w->mnuUndo->trigger();
        QCOMPARE(s.w->document().CurrentSkin(), EnemySkin());
        QCOMPARE(undo->count(), 3);  // the lists following stored nothing
        while (undo->canRedo())
            s.w->mnuRedo->trigger();
        QCOMPARE(s.w->document().CurrentSkin(), edited);
        QCOMPARE(s.selectedEnemy(), 7);
        QCOMPARE(s.selectedFile(), QStringLiteral("walker.bmp"));

        // A load starts a new history; one that read nothing keeps it.
        s.save(QStringLiteral("two.qze"));
        s.dialogs.fake.files.push_back(s.game.file(QStringLiteral("missing.qze")));
        s.w->mnuLoad->trigger();
        QCOMPARE(undo->count(), 3);
        s.load(QStringLiteral("two.qze"));
        QCOMPARE(undo->count(), 0);
    }

    void storedNamesMatchIgnoringCaseAndSpaces()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.game.write(QStringLiteral("spelled.qze"),
                     skinBytes({{0, "Walker.BMP"}, {1, "  walker.bmp  "}, {2, "gone.bmp"}, {3, "\twalker.bmp"}}));
        s.start();
        QCOMPARE(s.w->FindGraphic(QStringLiteral(" WALKER.bmp ")), s.fileRow(QStringLiteral("walker.bmp")));
        QCOMPARE(s.w->FindGraphic(QString()), -1);
        QCOMPARE(s.w->FindGraphic(QStringLiteral("   ")), -1);

        s.load(QStringLiteral("spelled.qze"));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - spelled.qze"));
        QCOMPARE(s.field(0), QByteArray("Walker.BMP"));  // not rewritten until selected again
        QCOMPARE(s.selectedFile(), QStringLiteral("walker.bmp"));  // but shown at once
        QVERIFY(!s.w->document().isModified());

        Skinloft::click(s.w->lstEnemies, 1);
        QCOMPARE(s.field(1), QByteArray("walker.bmp"));
        Skinloft::click(s.w->lstEnemies, 0);
        QCOMPARE(s.selectedFile(), QStringLiteral("walker.bmp"));
        QCOMPARE(s.pictureShown(), QSize(64, 32));
        QCOMPARE(s.field(0), QByteArray("walker.bmp"));

        // A name that is not in the list shows nothing and stays; only spaces are trimmed.
        Skinloft::click(s.w->lstEnemies, 2);
        QCOMPARE(s.selectedFileRow(), -1);
        QVERIFY(s.pictureShown().isEmpty());
        QCOMPARE(s.preview().lblPreview->text(), QStringLiteral("gone.bmp\nis not beside the program."));
        QCOMPARE(s.field(2), QByteArray("gone.bmp"));
        Skinloft::click(s.w->lstEnemies, 3);
        QCOMPARE(s.selectedFileRow(), -1);
        QCOMPARE(s.field(3), QByteArray("\twalker.bmp"));
        QVERIFY(s.dialogs.fake.shown.empty());
    }

    void saveAndLoadBackByteForByte()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.picture(QStringLiteral("Bo\xe9.gif"), 4, 4, "GIF");  // é is one byte in the file
        s.start();

        s.save(QStringLiteral("fresh.qze"));
        QCOMPARE(s.dialogs.fake.dialogTitles, QStringList({QStringLiteral("Save Enemy Skin")}));
        QCOMPARE(s.dialogs.filters, QStringList({QStringLiteral("Vantaro Enemy Skin (*.qze)")}));
        QCOMPARE(s.dialogs.extensions, QStringList({QStringLiteral("qze")}));
        QCOMPARE(readRaw(s.game.file(QStringLiteral("fresh.qze"))), QByteArray(50, '\0'));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - fresh.qze"));

        s.chooseFile(QStringLiteral("walker.bmp"));
        Skinloft::click(s.w->lstEnemies, 24);
        s.chooseFile(QStringLiteral("Bo\xe9.gif"));
        s.save(QStringLiteral("two.qze"));
        const QByteArray expected = skinBytes({{0, "walker.bmp"}, {24, "Bo\xe9.gif"}});
        QCOMPARE(expected.size(), 50 + 10 + 7);
        QCOMPARE(readRaw(s.game.file(QStringLiteral("two.qze"))), expected);

        // Cancel does nothing.
        s.w->mnuSave->trigger();
        s.w->mnuLoad->trigger();
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - two.qze"));

        Skinloft other;
        other.game.write(QStringLiteral("two.qze"), expected);
        other.start();
        other.load(QStringLiteral("two.qze"));
        QCOMPARE(other.dialogs.fake.dialogTitles, QStringList({QStringLiteral("Load Enemy Skin")}));
        QCOMPARE(other.dialogs.filters, QStringList({QStringLiteral("Vantaro Enemy Skin (*.qze)")}));
        QCOMPARE(other.dialogs.extensions, QStringList({QStringLiteral("qze")}));
        QCOMPARE(other.w->document().CurrentSkin(), s.w->document().CurrentSkin());
        QCOMPARE(other.sideText(24), QStringLiteral("Bo\u00e9.gif"));
        QVERIFY(s.dialogs.fake.shown.empty());
        QVERIFY(other.dialogs.fake.shown.empty());
    }

    // A load shows the selected enemy's new graphic at once, in the file list and the preview,
    // and stores nothing by showing it.
    void loadingShowsTheSelectedEnemysGraphicAtOnce()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.picture(QStringLiteral("other.bmp"), 16, 16);
        s.game.write(QStringLiteral("loaded.qze"), skinBytes({{4, "other.bmp"}}));
        s.start();
        Skinloft::click(s.w->lstEnemies, 4);
        QCOMPARE(s.w->lstEnemies->item(s.selectedEnemy())->text(), QStringLiteral("Red Shellback"));
        s.chooseFile(QStringLiteral("walker.bmp"));

        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);  // drop the choice unsaved
        s.load(QStringLiteral("loaded.qze"));
        QCOMPARE(s.dialogs.fake.texts(), QStringList{QStringLiteral("Save changes?")});
        QCOMPARE(s.selectedEnemy(), 4);
        QCOMPARE(s.selectedFile(), QStringLiteral("other.bmp"));
        QCOMPARE(s.pictureShown(), QSize(16, 16));
        QCOMPARE(s.field(4), QByteArray("other.bmp"));
        QCOMPARE(s.sideText(4), QStringLiteral("other.bmp"));
        QVERIFY(!s.w->document().isModified());
        QCOMPARE(s.w->document().undoStack()->count(), 0);

        // An enemy the skin gives no graphic shows none.
        Skinloft::click(s.w->lstEnemies, 5);
        s.chooseFile(QStringLiteral("walker.bmp"));
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        s.load(QStringLiteral("loaded.qze"));
        QCOMPARE(s.selectedEnemy(), 5);
        QCOMPARE(s.selectedFileRow(), -1);
        QVERIFY(s.pictureShown().isEmpty());
        QCOMPARE(s.preview().lblPreview->text(), QStringLiteral("No graphic chosen."));
        QVERIFY(!s.w->document().isModified());
    }

    void picturesThatCannotBeShown()
    {
        Skinloft s;
        s.picture(QStringLiteral("good.bmp"), 64, 32);
        s.game.write(QStringLiteral("broken.bmp"), QByteArray("BM\x36\x00\x00\x00garbage", 13));
        s.game.write(QStringLiteral("empty.gif"), QByteArray());
        s.game.write(QStringLiteral("words.gif"), "not a picture at all");
        QVERIFY(::mkfifo(QFile::encodeName(s.game.file(QStringLiteral("pipe.bmp"))).constData(), 0600) == 0);
        s.start();

        int enemy = 0;
        for (const char *name : {"broken.bmp", "empty.gif", "words.gif", "pipe.bmp"}) {
            const QString file = QString::fromLatin1(name);
            s.w->lstEnemies->setCurrentRow(enemy);
            s.chooseFile(QStringLiteral("good.bmp"));
            QCOMPARE(s.pictureShown(), QSize(64, 32));
            s.chooseFile(file);
            QVERIFY2(s.pictureShown().isEmpty(), name);
            QCOMPARE(s.preview().lblPreview->text(), QStringLiteral("%1\ncannot be read as a picture.").arg(file));
            QCOMPARE(s.field(enemy), file.toLatin1());
            ++enemy;
        }
        QVERIFY(s.dialogs.fake.shown.empty());
    }

    void failedSaveSaysWhyAndKeepsTheOldFile()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        const QByteArray old = skinBytes({{3, "keep-this-name.bmp"}});
        s.game.write(QStringLiteral("old.qze"), old);
        s.start();
        s.chooseFile(QStringLiteral("walker.bmp"));

        vt::setReplaceFaultForTesting(10);
        s.save(QStringLiteral("old.qze"));
        QCOMPARE(s.dialogs.fake.shown.size(), std::size_t(1));
        QCOMPARE(s.dialogs.fake.shown[0].title, QStringLiteral("skinloft"));
        QVERIFY(s.dialogs.fake.shown[0].text.contains(QStringLiteral("not saved")));
        QVERIFY(s.dialogs.fake.shown[0].text.contains(QStringLiteral("No space left on device")));
        QCOMPARE(readRaw(s.game.file(QStringLiteral("old.qze"))), old);
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft*"));  // no file, and unsaved

        vt::setReplaceFaultForTesting(std::nullopt);
        s.save(QStringLiteral("no such folder/new.qze"));
        QCOMPARE(s.dialogs.fake.shown.size(), std::size_t(2));
        QVERIFY(s.dialogs.fake.shown[1].text.contains(QStringLiteral("not saved")));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft*"));  // no file, and unsaved
    }

    void skinsThatCannotBeRead()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        QDir(s.game.path()).mkdir(QStringLiteral("folder.qze"));
        // field 0 whole, field 1 says 20 characters but 3 follow
        s.game.write(QStringLiteral("cut.qze"), QByteArray("\x0a\x00" "other1.bmp" "\x14\x00" "abc", 17));
        s.start();
        s.chooseFile(QStringLiteral("walker.bmp"));
        const EnemySkin before = s.w->document().CurrentSkin();

        // The choice of walker.bmp is unsaved: each load asks first.
        for (const char *name : {"missing.qze", "folder.qze"}) {
            s.dialogs.fake.shown.clear();
            s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
            s.load(QString::fromLatin1(name));
            QCOMPARE(s.dialogs.fake.shown.size(), std::size_t(2));
            QCOMPARE(s.dialogs.fake.shown[0].text, QStringLiteral("Save changes?"));
            QVERIFY2(s.dialogs.fake.shown[1].text.contains(QStringLiteral("not loaded")), name);
            QCOMPARE(s.w->document().CurrentSkin(), before);
            QCOMPARE(s.shownTitle(), QStringLiteral("skinloft*"));  // no file, and unsaved
        }

        // A file cut short inside a field is reported, and keeps the fields before the cut:
        // the names beside the enemies show them, the caption names the file.
        s.dialogs.fake.shown.clear();
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        s.load(QStringLiteral("cut.qze"));
        QCOMPARE(s.dialogs.fake.shown.size(), std::size_t(2));
        QVERIFY(s.dialogs.fake.shown[1].text.contains(QStringLiteral("only in part")));
        QVERIFY(s.dialogs.fake.shown[1].text.contains(QStringLiteral("cut.qze")));
        QCOMPARE(s.field(0), QByteArray("other1.bmp"));
        for (int i = 0; i < kEnemyTypeCount; ++i) {
            QCOMPARE(s.sideText(i), QString::fromLatin1(s.field(i)));
            if (i > 0)
                QCOMPARE(s.field(i), QByteArray());
        }
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - cut.qze*"));  // not the file's skin
        // The selected enemy shows what the file gave it: a name not among the pictures.
        QCOMPARE(s.selectedFileRow(), -1);
        QVERIFY(s.preview().lblPreview->text().contains(QStringLiteral("other1.bmp")));

        // Saving would not give that file back: closing asks.
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        QVERIFY(s.w->close());
        QCOMPARE(s.dialogs.fake.texts().last(), QStringLiteral("Save changes?"));
    }

    void namesTheSkinCannotHoldAreRefused()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        const QString greek = QStringLiteral("\u03a9mega.bmp");
        s.picture(greek, 16, 16);
        s.start();
        QVERIFY(s.fileRow(greek) >= 0);
        QVERIFY(!s.w->lstFiles->item(s.fileRow(greek))->toolTip().isEmpty());
        s.chooseFile(QStringLiteral("walker.bmp"));

        s.chooseFile(greek);
        QCOMPARE(s.dialogs.fake.shown.size(), std::size_t(1));
        QVERIFY(s.dialogs.fake.shown[0].text.contains(greek));
        QVERIFY(s.dialogs.fake.shown[0].text.contains(QStringLiteral("Windows-1252")));
        QCOMPARE(s.field(0), QByteArray("walker.bmp"));
        // the list and the preview go back to what the enemy has
        QTRY_COMPARE(s.selectedFile(), QStringLiteral("walker.bmp"));
        QCOMPARE(s.pictureShown(), QSize(64, 32));

        // for an enemy without a graphic, nothing is stored and nothing stays selected
        Skinloft::click(s.w->lstEnemies, 1);
        s.chooseFile(greek);
        QTRY_COMPARE(s.selectedFileRow(), -1);
        QCOMPARE(s.field(1), QByteArray());

        s.save(QStringLiteral("clean.qze"));
        QCOMPARE(readRaw(s.game.file(QStringLiteral("clean.qze"))), skinBytes({{0, "walker.bmp"}}));
    }

    // A name in windows-1252 bytes, as archives made on Windows leave it, is not the text it
    // shows as; the file is listed but never opened or stored, while the UTF-8 file of the
    // same look is used as usual.
    void namesNotInUtf8AreShownButRefused()
    {
        Skinloft s;
        s.picture(QStringLiteral("Bo\u00e9.bmp"), 16, 16);
        const QByteArray raw = QFile::encodeName(s.game.path()) + "/Bo\xe9.bmp";
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
        s.game.write(QStringLiteral("accent.qze"), skinBytes({{2, "BO\xc9.BMP"}}));
        s.start();

        QCOMPARE(s.w->lstFiles->count(), 2);
        qint32 utf8Row = -1;
        qint32 rawRow = -1;
        for (qint32 i = 0; i < 2; ++i) {
            QCOMPARE(s.w->lstFiles->item(i)->text(), QStringLiteral("Bo\u00e9.bmp"));
            (s.w->lstFiles->item(i)->data(frmMain::kOpenableRole).toBool() ? utf8Row : rawRow) = i;
        }
        QVERIFY(utf8Row >= 0 && rawRow >= 0);

        Skinloft::click(s.w->lstFiles, rawRow);
        QCOMPARE(s.dialogs.fake.shown.size(), std::size_t(1));
        QVERIFY(s.dialogs.fake.shown[0].text.contains(QStringLiteral("UTF-8")));
        QCOMPARE(s.field(0), QByteArray());
        QTRY_COMPARE(s.selectedFileRow(), -1);

        Skinloft::click(s.w->lstFiles, utf8Row);
        QCOMPARE(s.field(0), QByteArray("Bo\xe9.bmp"));
        QCOMPARE(s.pictureShown(), QSize(16, 16));

        // a stored name finds the file that can be opened
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        s.load(QStringLiteral("accent.qze"));
        Skinloft::click(s.w->lstEnemies, 2);
        QCOMPARE(s.selectedFileRow(), utf8Row);
        QCOMPARE(s.field(2), QByteArray("Bo\xe9.bmp"));
        QCOMPARE(s.dialogs.fake.shown.size(), std::size_t(2));  // and "Save changes?" before the load
    }

    void closingTheMainWindowClosesThePreview()
    {
        Skinloft s;
        s.start();
        QVERIFY(s.preview().isVisible());
        QVERIFY(s.w->close());
        QVERIFY(!s.preview().isVisible());
    }

    void closingAsksOnlyAboutUnsavedChanges()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.picture(QStringLiteral("other.bmp"), 16, 16);
        s.start();
        s.chooseFile(QStringLiteral("walker.bmp"));
        QVERIFY(s.w->document().isModified());
        s.w->mnuUndo->trigger();  // back to the empty skin of the start
        QVERIFY(!s.w->document().isModified());
        QVERIFY(s.w->close());
        QVERIFY(s.dialogs.fake.shown.empty());

        s.w->show();
        s.chooseFile(QStringLiteral("other.bmp"));
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::Cancel);
        QVERIFY(!s.w->close());
        QVERIFY(s.w->isVisible());
        QVERIFY(s.preview().isVisible());
        QCOMPARE(s.dialogs.fake.shown.back().title, QStringLiteral("skinloft"));
        QCOMPARE(s.dialogs.fake.texts(), QStringList{QStringLiteral("Save changes?")});

        // Yes with a save that fails keeps both windows open.
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::Yes);
        s.dialogs.fake.files.push_back(s.game.file(QStringLiteral("kept.qze")));
        vt::setReplaceFaultForTesting(5);
        QVERIFY(!s.w->close());
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(s.preview().isVisible());
        QVERIFY(s.dialogs.fake.texts().last().contains(QStringLiteral("not saved")));
        QVERIFY(!s.game.exists(QStringLiteral("kept.qze")));

        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::Yes);
        s.dialogs.fake.files.push_back(s.game.file(QStringLiteral("kept.qze")));
        QVERIFY(s.w->close());
        QVERIFY(!s.preview().isVisible());
        QCOMPARE(s.game.read(QStringLiteral("kept.qze")), skinBytes({{0, "other.bmp"}}));
        QVERIFY(s.dialogs.fake.unexpected.isEmpty());
    }

    // A rewritten spelling is a change like any other: undone, the file's spelling is back,
    // the lists follow without storing it again, and back at the file nothing is asked.
    void undoingARewrittenSpellingBackToTheFileAsksNothing()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.picture(QStringLiteral("other.bmp"), 16, 16);
        s.game.write(QStringLiteral("spelled.qze"), skinBytes({{1, "Walker.BMP"}}));
        s.start();
        s.load(QStringLiteral("spelled.qze"));
        Skinloft::click(s.w->lstEnemies, 1);
        QCOMPARE(s.field(1), QByteArray("walker.bmp"));
        QVERIFY(s.w->document().isModified());

        s.w->mnuUndo->trigger();
        QCOMPARE(s.field(1), QByteArray("Walker.BMP"));
        QCOMPARE(s.selectedFile(), QStringLiteral("walker.bmp"));
        QCOMPARE(s.sideText(1), QStringLiteral("Walker.BMP"));
        QVERIFY(s.w->document().undoStack()->canRedo());
        QVERIFY(!s.w->document().isModified());
        QVERIFY(s.w->close());
        QVERIFY(s.dialogs.fake.shown.empty());

        // A second change after the undo asks again.
        s.w->show();
        s.chooseFile(QStringLiteral("other.bmp"));
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        QVERIFY(s.w->close());
        QCOMPARE(s.dialogs.fake.texts(), QStringList{QStringLiteral("Save changes?")});
        QCOMPARE(s.game.read(QStringLiteral("spelled.qze")), skinBytes({{1, "Walker.BMP"}}));
    }

    // Names up to the field's 16-bit length load, save back whole, and show at the enemies'
    // side without laying out 65535 characters each.
    void theLongestNamesLoadAndSave()
    {
        Skinloft s;
        std::initializer_list<std::pair<int, QByteArray>> fields = {
            {0, QByteArray(65535, 'a')}, {3, QByteArray(32768, 'b') + ".bmp"}, {24, QByteArray(40000, 'c')}};
        const QByteArray bytes = skinBytes(fields);
        s.game.write(QStringLiteral("long.qze"), bytes);
        s.start();
        s.load(QStringLiteral("long.qze"));
        QVERIFY(s.dialogs.fake.shown.empty());
        QCOMPARE(s.field(0).size(), 65535);
        QVERIFY(!s.w->document().isModified());
        s.w->lstEnemies->viewport()->grab();  // draws every row's name
        s.save(QStringLiteral("again.qze"));
        QVERIFY(s.dialogs.fake.shown.empty());
        QCOMPARE(s.game.read(QStringLiteral("again.qze")), bytes);
    }

    // The preview is inside the main window: wherever the window stands, the preview is with
    // it, and a picture too large for it is reduced by a whole divisor rather than growing the
    // window past the screen.
    void thePreviewStaysOnTheScreen()
    {
        Skinloft s;
        s.picture(QStringLiteral("tall.bmp"), 60, 500);
        s.w = std::make_unique<frmMain>(s.game.path(), s.dialogs);
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        s.w->move(room.left() + 40, room.bottom() - s.w->frameGeometry().height() - 20);
        s.w->start();
        const QRect main = s.w->frameGeometry();
        QVERIFY(room.contains(main));
        const QRect shown(s.preview().mapToGlobal(QPoint()), s.preview().size());
        QVERIFY(main.contains(shown));

        s.chooseFile(QStringLiteral("tall.bmp"));
        QCOMPARE(s.pictureShown(), QSize(60, 500));
        QVERIFY(s.preview().picPreview->divisor() >= 2);
        verifyWholeFactor(s.preview(), QSize(60, 500));
        QVERIFY(s.preview().lblPreview->text().endsWith(
            QStringLiteral("shown at 1/%1").arg(s.preview().picPreview->divisor())));
        QCOMPARE(s.w->frameGeometry(), main);
    }

    // The title ends with '*' exactly while the skin holds changes not saved.
    void theTitleMarksUnsavedChanges()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.picture(QStringLiteral("other.bmp"), 16, 16);
        s.game.write(QStringLiteral("cut.qze"), QByteArray("\x0a\x00" "other1.bmp" "\x14\x00" "abc", 17));
        s.start();
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft"));
        s.chooseFile(QStringLiteral("walker.bmp"));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft*"));
        QVERIFY(s.w->isWindowModified());
        s.w->mnuUndo->trigger();
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft"));
        s.w->mnuRedo->trigger();
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft*"));

        s.save(QStringLiteral("mine.qze"));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - mine.qze"));
        s.chooseFile(QStringLiteral("other.bmp"));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - mine.qze*"));
        s.w->mnuUndo->trigger();  // back at the save
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - mine.qze"));
        s.w->mnuRedo->trigger();

        // A failed save keeps the mark; a skin read only in part is not the file's: marked.
        vt::setReplaceFaultForTesting(3);
        s.save(QStringLiteral("mine.qze"));
        vt::setReplaceFaultForTesting(std::nullopt);
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - mine.qze*"));
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        s.load(QStringLiteral("cut.qze"));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - cut.qze*"));
        s.dialogs.fake.answers.push_back(FakeDialogs::Answer::No);
        s.load(QStringLiteral("mine.qze"));
        QCOMPARE(s.shownTitle(), QStringLiteral("skinloft - mine.qze"));
    }

    // Until a skin is saved or loaded the dialogs open in the shared skins; then Save proposes
    // that file and Load opens beside it. The status line says where the skin went.
    void dialogsStartInTheSharedSkinsAndSaveSaysWhere()
    {
        Skinloft s;
        s.picture(QStringLiteral("walker.bmp"), 64, 32);
        s.game.write(QStringLiteral("Data/Enemies/Standard.qze"), skinBytes({{0, "walker.bmp"}}));
        QVERIFY(QDir(s.game.path()).mkpath(QStringLiteral("mine")));
        s.start();
        const QString shared = s.game.file(QStringLiteral("Data/Enemies"));
        s.w->mnuSave->trigger();
        s.w->mnuLoad->trigger();
        QCOMPARE(s.dialogs.fake.dialogStarts, QStringList(2, shared));

        s.load(QStringLiteral("Data/Enemies/Standard.qze"));
        s.w->mnuSave->trigger();
        QCOMPARE(s.dialogs.fake.dialogStarts.last(), s.game.file(QStringLiteral("Data/Enemies/Standard.qze")));

        // The keys work as the items, and the status line names them.
        QCOMPARE(s.w->mnuSave->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QVERIFY(s.w->mnuSave->statusTip().contains(QStringLiteral("Ctrl+S")));
        QVERIFY(s.w->mnuLoad->statusTip().contains(QStringLiteral("Ctrl+O")));
        const QString mine = s.game.file(QStringLiteral("mine/night.qze"));
        s.dialogs.fake.files.push_back(mine);
        s.w->activateWindow();  // keys go to the active window
        QVERIFY(QTest::qWaitForWindowActive(s.w.get()));
        QTest::keyClick(s.w.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(s.dialogs.fake.dialogTitles.last(), QStringLiteral("Save Enemy Skin"));
        QCOMPARE(s.game.read(QStringLiteral("mine/night.qze")), skinBytes({{0, "walker.bmp"}}));
        QCOMPARE(s.w->statusBar()->currentMessage(), QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(mine)));
        QTest::keyClick(s.w.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(s.dialogs.fake.dialogTitles.last(), QStringLiteral("Load Enemy Skin"));
        QCOMPARE(s.dialogs.fake.dialogStarts.last(), s.game.file(QStringLiteral("mine")));

        // A failed save says so where "Saved" stood.
        vt::setReplaceFaultForTesting(3);
        s.dialogs.fake.files.push_back(mine);
        s.w->mnuSave->trigger();
        vt::setReplaceFaultForTesting(std::nullopt);
        QCOMPARE(s.w->statusBar()->currentMessage(), QStringLiteral("Not saved: %1").arg(QDir::toNativeSeparators(mine)));

        // Without the shared folder the dialogs open in the game folder; a folder named in
        // other letter case, as mods made on Windows have them, is the shared folder.
        Skinloft bare;
        QVERIFY(QDir(bare.game.file(QStringLiteral("Data/Enemies"))).removeRecursively());
        bare.start();
        bare.w->mnuLoad->trigger();
        QCOMPARE(bare.dialogs.fake.dialogStarts, QStringList{bare.game.path()});
        QVERIFY(QDir(bare.game.path()).mkpath(QStringLiteral("Data/ENEMIES")));
        bare.w->mnuLoad->trigger();
        QCOMPARE(bare.dialogs.fake.dialogStarts.last(), bare.game.file(QStringLiteral("Data/ENEMIES")));
    }

    // The lists and the preview take the room the window has; a small sprite is shown larger
    // in a larger preview, by whole factors up to eight, and still enlarged at the smallest.
    void theListsAndThePreviewGrowWithTheWindow()
    {
        Skinloft s;
        s.picture(QStringLiteral("coin.bmp"), 32, 32);
        s.start();
        s.chooseFile(QStringLiteral("coin.bmp"));
        const int times = s.preview().picPreview->times();
        const QSize enemies = s.w->lstEnemies->size();
        const QSize files = s.w->lstFiles->size();

        s.w->resize(s.w->size() + QSize(300, 200));
        QTRY_VERIFY(s.w->lstEnemies->height() > enemies.height());
        QVERIFY(s.w->lstFiles->height() > files.height());
        QVERIFY(s.w->lstFiles->width() > files.width());
        QVERIFY(s.preview().picPreview->times() > times);
        QVERIFY(s.preview().picPreview->times() <= PreviewPicture::kMaxTimes);
        verifyWholeFactor(s.preview(), QSize(32, 32));

        s.w->resize(100, 100);
        QTRY_COMPARE(s.w->size(), s.w->minimumSize());
        QVERIFY(s.preview().picPreview->times() >= 2);
        verifyWholeFactor(s.preview(), QSize(32, 32));
        const QFontMetrics metrics(s.w->lstEnemies->font());
        QVERIFY(s.w->lstEnemies->viewport()->width() >= metrics.horizontalAdvance(QStringLiteral("BOSS 1 - Trudgel King")));
        QVERIFY(s.w->lstEnemies->viewport()->height() >= 5 * s.w->lstEnemies->sizeHintForRow(0));
    }
};

QTEST_MAIN(tst_skinloft)
#include "tst_skinloft.moc"
