#include "EditorFixture.h"

#include "windows/frmMapScreenEdit.h"
#include "windows/MapScreenRenderer.h"

#include "map/oWorldMap.h"
#include "support/RawFiles.h"

#include "FileIO.h"
#include "GifWriter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QUndoGroup>
#include <QUndoStack>
#include <QWheelEvent>

#include <cmath>

using namespace tessaforge;
using namespace tessaforge::testing;

namespace {

const QString kWorld = QStringLiteral("Mods/Demo/World1");
const QRgb kGrass = qRgb(40, 160, 60);
const QString kSaved = QStringLiteral("Map screen changes saved to disk!");
const QString kAskMap = QStringLiteral("Save changes to world map?");

QRgb cellColour(int k)
{
    return qRgb(200, 10 * k, 50);
}

struct Node
{
    qint16 x, y;
    quint8 up = 0, down = 0, left = 0, right = 0, tag = 0, image = 0, entry = 0, world = 0;
};

QByteArray mapBytes(const std::vector<Node> &nodes)
{
    QByteArray b(1, char(nodes.size()));
    for (const Node &n : nodes) {
        b += char(n.x & 0xFF);
        b += char(n.x >> 8);
        b += char(n.y & 0xFF);
        b += char(n.y >> 8);
        for (quint8 v : {n.up, n.down, n.left, n.right, quint8(n.tag ? n.tag + 1 : 0), n.image, n.entry, n.world})
            b += char(v);
    }
    return b;
}

// A world editor on World1 with a map picture and a strip of node pictures.
struct MapWorld
{
    Editor e;

    explicit MapWorld(QSize map = {640, 480}, int cells = 10, bool start = true)
    {
        makeMod(e.game);
        if (!map.isEmpty())
            mapPicture(map);
        if (cells > 0)
            strip(cells);
        if (start)
            QVERIFY(e.start());
    }
    void mapPicture(QSize size) const
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(kGrass);
        // One marker square that scrolling must bring along.
        for (int y = 300; y < 310; ++y)
            for (int x = 600; x < 610; ++x)
                picture.setPixel(x % size.width(), y % size.height(), qRgb(250, 250, 250));
        e.game.write(kWorld + QStringLiteral("/Worldmap.gif"), demo::encodeGif(demo::toIndexed(picture)));
    }
    void strip(int cells) const
    {
        QImage picture(32 * cells, 32, QImage::Format_RGB32);
        for (int k = 1; k <= cells; ++k)
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    picture.setPixel(32 * (k - 1) + x, y, cellColour(k));
        picture.save(e.game.file(kWorld + QStringLiteral("/MapObjects.bmp")), "BMP");
    }
    void nodes(const std::vector<Node> &list) const { e.game.write(mapFile(), mapBytes(list)); }
    QString mapFile() const { return kWorld + QStringLiteral("/Worldmap.qzm"); }

    frmMapScreenEdit *open()
    {
        e.trigger("mnuShowWorldMap");
        return e.w->mapEditor();
    }
    frmMapScreenEdit *ed() { return e.w->mapEditor(); }
    const oWorldMap &map() { return ed()->document().worldMap(); }

    void click(Qt::MouseButton b, QPoint at) { QTest::mouseClick(ed()->picMap, b, {}, at); }
    void clickStrip(Qt::MouseButton b, QPoint at) { QTest::mouseClick(ed()->picImages, b, {}, at); }
    void choose(int list, int entry) { ed()->cmbNodeSelect[list]->setCurrentIndex(entry); }
    QRgb pixel(int x, int y) { return ed()->viewImage().pixel(x, y); }
    QStringList entries(int list)
    {
        QStringList out;
        for (int i = 0; i < ed()->cmbNodeSelect[list]->count(); ++i)
            out.append(ed()->cmbNodeSelect[list]->itemText(i));
        return out;
    }
};

} // namespace

class tst_mapeditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusesWorldsWithoutUsablePictures()
    {
        {
            MapWorld m({}, 10);
            QVERIFY(!m.open());
            // The window that did not open is gone, not merely hidden.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(m.e.w->mdiArea->subWindowList().isEmpty());
            QCOMPARE(m.e.dialogs.shown.size(), 1u);
            QCOMPARE(m.e.dialogs.shown[0].title, kStudio);
            QCOMPARE(m.e.dialogs.shown[0].text,
                     QStringLiteral("You must create \"Worldmap.gif\"\r\nbefore editing the map screen!"));
            QCOMPARE(m.e.dialogs.shown[0].icon, vt::Dialogs::Icon::Critical);
        }
        {
            MapWorld m({640, 480}, 0);
            QVERIFY(!m.open());
            QCOMPARE(m.e.dialogs.texts(), QStringList{QStringLiteral("\"MapObjects.bmp\" not found!")});
            QCOMPARE(m.e.dialogs.shown[0].icon, vt::Dialogs::Icon::Critical);
        }
        for (QSize small : {QSize(639, 480), QSize(700, 479)}) {
            MapWorld m(small);
            QVERIFY(!m.open());
            QCOMPARE(m.e.dialogs.texts(), QStringList{QStringLiteral("Map screen must be at least 640*480")});
            QCOMPARE(m.e.dialogs.shown[0].title, QStringLiteral("Tessaforge"));
            QCOMPARE(m.e.dialogs.shown[0].buttons, vt::Dialogs::Buttons::Ok);
        }
        {   // A picture file that is no picture is named, not passed over.
            MapWorld m;
            m.e.game.write(kWorld + QStringLiteral("/Worldmap.gif"), "GIF89a but nothing more");
            QVERIFY(!m.open());
            QCOMPARE(m.e.dialogs.shown.size(), 1u);
            QVERIFY(m.e.dialogs.shown[0].text.contains(QStringLiteral("\"Worldmap.gif\" could not be read")));
        }
    }

    void unreadableMapFileIsReportedAndLeftAlone()
    {
        const QByteArray bad[] = {QByteArray(1, '\0'), mapBytes({{100, 100}, {5, 5}}).left(20),
                                  QByteArray("\xff garbage", 9), QByteArray()};
        for (const QByteArray &bytes : bad) {
            MapWorld m;
            m.e.game.write(m.mapFile(), bytes);
            QVERIFY(!m.open());
            QCOMPARE(m.e.dialogs.shown.size(), 1u);
            QVERIFY2(m.e.dialogs.shown[0].text.contains(QStringLiteral("\"Worldmap.qzm\" could not be read")),
                     qPrintable(m.e.dialogs.shown[0].text));
            QCOMPARE(m.e.game.read(m.mapFile()), bytes);
        }
    }

    void scrollBarsFollowThePictureSize()
    {
        struct Case
        {
            QSize size;
            bool xOn, yOn;
            int xMax, yMax;
        };
        for (const Case &c : {Case{{640, 480}, false, false, 0, 0}, Case{{700, 480}, true, false, 60, 0},
                              Case{{640, 600}, false, true, 0, 120}, Case{{700, 600}, true, true, 60, 120}}) {
            MapWorld m(c.size);
            frmMapScreenEdit *ed = m.open();
            QVERIFY(ed);
            QCOMPARE(ed->xScroll->isEnabled(), c.xOn);
            QCOMPARE(ed->yScroll->isEnabled(), c.yOn);
            QCOMPARE(ed->xScroll->maximum(), c.xMax);
            QCOMPARE(ed->yScroll->maximum(), c.yMax);
        }
        for (int cells : {1, 2, 10}) {
            MapWorld m({640, 480}, cells);
            frmMapScreenEdit *ed = m.open();
            QCOMPARE(ed->imgScroll->maximum(), cells - 1);
            QCOMPARE(ed->imgScroll->isEnabled(), cells > 1);
        }
    }

    void opensANewMapWithNothingSelected()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        QVERIFY(ed);
        QCOMPARE(ed->windowTitle(), QStringLiteral("World Map Editor - Worldmap.qzm[*]"));
        QVERIFY(!ed->isWindowModified());
        QCOMPARE(ed->worldPath(), m.e.game.file(kWorld));
        QCOMPARE(m.map().nodeCount(), 1);
        QCOMPARE(m.map().xPos(1), qint16(100));
        QCOMPARE(m.map().yPos(1), qint16(100));
        QCOMPARE(ed->currentNode(), 0);
        QVERIFY(!ed->document().isModified());
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("None"));
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(m.entries(k), (QStringList{QStringLiteral("-"), QStringLiteral("1 - No Tag")}));
            QCOMPARE(ed->cmbNodeSelect[k]->currentIndex(), 0);
        }
        const QStringList tags = m.entries(4);
        QCOMPARE(tags.size(), 112);
        QCOMPARE(ed->cmbNodeSelect[4]->currentText(), QStringLiteral("No Tag"));
        QCOMPARE((QStringList{tags[1], tags[20], tags[21], tags[40], tags[41], tags[110], tags[111]}),
                 (QStringList{QStringLiteral("Pipe  1"), QStringLiteral("Pipe  20"), QStringLiteral("Warp  1"),
                              QStringLiteral("Warp  20"), QStringLiteral("Level 1"), QStringLiteral("Level 70"),
                              QStringLiteral("SaveGame")}));
        const QStringList entrances = m.entries(5);
        QCOMPARE(entrances.size(), 81);
        QCOMPARE(entrances.mid(0, 7),
                 (QStringList{QStringLiteral("Default"), QStringLiteral("Up    1"), QStringLiteral("Down  1"),
                              QStringLiteral("Left  1"), QStringLiteral("Right 1"), QStringLiteral("Door  1"),
                              QStringLiteral("Up    2")}));
        QCOMPARE(entrances[80], QStringLiteral("Door  16"));
        QCOMPARE(ed->cmbNodeSelect[5]->currentIndex(), -1);
        QVERIFY(ed->cmdWorld->isHidden());

        // The drawing area and where the scroll bars lie.
        QCOMPARE(ed->viewWidth(), 640);
        QCOMPARE(ed->viewHeight(), 496);
        QCOMPARE(ed->yScroll->geometry().left(), 640);
        QCOMPARE(ed->xScroll->geometry().top(), 496);

        // Closing at once asks nothing and leaves no map file behind.
        ed->KillMe();
        QVERIFY(!m.ed());
        QVERIFY(m.e.dialogs.shown.empty());
        QVERIFY(!m.e.game.exists(m.mapFile()));
    }

    // The label of the selected node never shows a number while no node is selected: not
    // after opening, not once the selected node was removed, not after undoing its creation.
    void noSelectedNumberWithoutASelectedNode()
    {
        MapWorld m;
        m.nodes({{100, 100}, {200, 100}, {300, 100}});
        frmMapScreenEdit *ed = m.open();
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("None"));
        m.click(Qt::LeftButton, {300, 300});  // no node there
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("None"));
        m.click(Qt::LeftButton, {300, 100});
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 3"));
        ed->KillNode();
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("None"));
        ed->document().undoStack()->undo();  // node 3 is back, and selected again
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 3"));
        ed->document().undoStack()->redo();
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("None"));
        ed->AddNode();
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 3"));
        ed->document().undoStack()->undo();
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("None"));

        m.click(Qt::LeftButton, {100, 100});
        ed->AddNode();
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 3"));
        ed->document().undoStack()->undo();  // back at node 1, where the node was added
        QCOMPARE(m.map().nodeCount(), 2);
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 1"));
    }

    // Every text of the panel shows whole, with the widest entries a map can give its lists,
    // and "Manner of" "Entrance" reads as one heading above its list.
    void everyTextOfThePanelIsWhole()
    {
        MapWorld m;
        std::vector<Node> many(255, Node{120, 120, 0, 0, 0, 0, 111});
        many.back() = Node{400, 300, 0, 0, 0, 0, 111};
        m.nodes(many);
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {400, 300});
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 255"));
        m.choose(4, 40);  // the widest tag entries, and the warp button shown
        m.choose(5, 79);
        QVERIFY(!ed->cmdWorld->isHidden());
        QCOMPARE(ed->cmbNodeSelect[0]->itemText(255), QStringLiteral("255 - Warp 20"));

        const QRect window = ed->rect();
        auto inside = [&](QWidget *w) { return window.contains(QRect(w->mapTo(ed, QPoint(0, 0)), w->size())); };
        for (QLabel *label : ed->findChildren<QLabel *>()) {
            QVERIFY2(inside(label), qPrintable(label->objectName()));
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(label->text()));
            QVERIFY2(label->fontMetrics().height() <= label->contentsRect().height(), qPrintable(label->text()));
        }
        for (QAbstractButton *button : ed->findChildren<QAbstractButton *>()) {
            if (button == ed->cmdSacrifice)
                continue;  // only ever holds the focus, out of sight
            QVERIFY2(inside(button), qPrintable(button->text()));
            QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
        }
        for (QComboBox *list : ed->cmbNodeSelect) {
            QVERIFY2(inside(list), qPrintable(list->objectName()));
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.frame = true;
            const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                              QStyle::SC_ComboBoxEditField, list);
            for (int i = 0; i < list->count(); ++i)
                QVERIFY2(list->fontMetrics().horizontalAdvance(list->itemText(i)) <= field.width(),
                         qPrintable(list->objectName() + QStringLiteral(": ") + list->itemText(i)));
        }

        // One line, "Manner of" right before "Entrance", both above the entrance list.
        QLabel *manner = ed->Label2[2];
        QLabel *entrance = ed->Label2[3];
        QCOMPARE(manner->text(), QStringLiteral("Manner of"));
        QCOMPARE(entrance->text(), QStringLiteral("Entrance"));
        QCOMPARE(manner->y(), entrance->y());
        QVERIFY(manner->alignment() & Qt::AlignRight);
        QVERIFY(entrance->alignment() & Qt::AlignLeft);
        const int gap = entrance->x() - (manner->x() + manner->width());
        const int blank = manner->fontMetrics().horizontalAdvance(QLatin1Char(' '));
        QVERIFY2(gap >= 1 && gap <= 2 * blank, qPrintable(QString::number(gap)));
        QVERIFY(entrance->geometry().bottom() < ed->cmbNodeSelect[5]->y());
        QVERIFY(manner->geometry().right() >= ed->cmbNodeSelect[5]->x());
        QVERIFY(entrance->x() <= ed->cmbNodeSelect[5]->geometry().right());
    }

    void centresNodeOne()
    {
        struct Case
        {
            qint16 x, y;
            int xs, ys;
        };
        for (const Case &c : {Case{1000, 100, 560, 0}, Case{100, 500, 0, 120}, Case{700, 300, 380, 60}}) {
            MapWorld m({1200, 600});
            m.nodes({{c.x, c.y}});
            frmMapScreenEdit *ed = m.open();
            QCOMPARE(ed->xScroll->value(), c.xs);
            QCOMPARE(ed->yScroll->value(), c.ys);
            QVERIFY(!ed->document().isModified());
        }
    }

    void selectsAndMovesWithTheMouse()
    {
        MapWorld m;
        m.nodes({{200, 200, 0, 0, 0, 3, 5}, {205, 200}, {400, 300}, {50, 60, 0, 0, 0, 0, 42, 0, 7}});
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {203, 200});
        QCOMPARE(ed->currentNode(), 1);  // within reach of both: the lower number wins
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 1"));
        QCOMPARE(ed->cmbNodeSelect[3]->currentIndex(), 3);
        QCOMPARE(ed->cmbNodeSelect[4]->currentIndex(), 5);
        m.click(Qt::LeftButton, {213, 200});
        QCOMPARE(ed->currentNode(), 2);
        m.click(Qt::LeftButton, {300, 250});  // nothing in reach
        QCOMPARE(ed->currentNode(), 2);

        m.click(Qt::LeftButton, {50, 70});
        QCOMPARE(ed->currentNode(), 4);
        QCOMPARE(ed->cmbNodeSelect[4]->currentText(), QStringLiteral("Level 2"));
        // Moves the selected node wherever the pointer is, even onto another node.
        m.click(Qt::RightButton, {400, 300});
        QCOMPARE(m.map().xPos(4), qint16(400));
        QCOMPARE(m.map().yPos(4), qint16(300));
        QCOMPARE(m.map().xPos(3), qint16(400));
        QVERIFY(ed->document().isModified());
        // Below the picture's bottom edge (the view is 496 high, the picture 480): no move.
        m.click(Qt::RightButton, {100, 490});
        QCOMPARE(m.map().yPos(4), qint16(300));
        m.click(Qt::MiddleButton, {10, 10});
        QCOMPARE(m.map().xPos(4), qint16(400));
    }

    // The square between the scroll bars lies over the map's picture but is a control of its
    // own: a right click there moves no node.
    void theCornerSquareMovesNothing()
    {
        MapWorld m({1200, 600});
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {100, 100});
        QVERIFY(ed->SaveChanges());
        const int steps = ed->document().undoStack()->count();
        QWidget *corner = ed->picBottomRight;
        const QPoint middle = corner->rect().center();
        const QPoint onMap = corner->mapTo(ed->picMap, middle);
        QVERIFY(onMap.x() <= 1200 && onMap.y() <= 600);  // a point of the picture
        for (Qt::MouseButton b : {Qt::RightButton, Qt::LeftButton, Qt::MiddleButton})
            QTest::mouseClick(corner, b, {}, middle);
        QTest::mouseDClick(corner, Qt::RightButton, {}, middle);
        QCOMPARE(m.map().xPos(1), qint16(100));
        QCOMPARE(m.map().yPos(1), qint16(100));
        QVERIFY(!ed->document().isModified());
        QCOMPARE(ed->document().undoStack()->count(), steps);
    }

    void pictureStripChoosesNodePictures()
    {
        MapWorld m;
        m.nodes({{100, 100}, {300, 100}});
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {100, 100});
        ed->imgScroll->setValue(5);
        QCOMPARE(ed->stripImage().pixel(5, 5), cellColour(6));  // the strip starts at cell 6
        m.clickStrip(Qt::LeftButton, {2 * 32 + 5, 30});
        QCOMPARE(m.map().NodeImage(1), quint8(8));
        QCOMPARE(m.pixel(100, 100), cellColour(8));
        // Cells past the last of the ten pictures are refused.
        m.clickStrip(Qt::LeftButton, {5 * 32 + 1, 3});
        QCOMPARE(m.map().NodeImage(1), quint8(8));
        m.clickStrip(Qt::RightButton, {2 * 32 + 5, 30});
        QCOMPARE(m.map().NodeImage(1), quint8(0));
        QCOMPARE(m.pixel(100, 100), kGrass);
        QCOMPARE(m.pixel(90, 100), qRgb(0, 0, 0));  // the circle of radius 10
    }

    void listsStoreTheirPositions()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {100, 100});
        m.choose(4, 23);
        QCOMPARE(m.map().NodeTag(1), quint8(23));
        QCOMPARE(ed->cmbNodeSelect[4]->currentText(), QStringLiteral("Warp  3"));
        QVERIFY(!ed->cmdWorld->isHidden());
        QCOMPARE(ed->cmdWorld->text(), QStringLiteral("Select Dest. World"));
        m.choose(4, 41);
        QCOMPARE(m.map().NodeTag(1), quint8(41));
        QVERIFY(ed->cmdWorld->isHidden());
        m.choose(5, 10);
        QCOMPARE(ed->cmbNodeSelect[5]->currentText(), QStringLiteral("Door  2"));
        QCOMPARE(m.map().EntryPoint(1), quint8(10));
        m.choose(0, 1);
        QCOMPARE(m.map().UpNode(1), quint8(1));
    }

    // The next-node lists say what each node leads to beside its number; the position chosen
    // is still the number stored.
    void nextNodeListsNameWhereEachNodeLeads()
    {
        MapWorld m;
        m.nodes({{100, 100}, {200, 100, 0, 0, 0, 0, 3}, {300, 100, 0, 0, 0, 0, 42}, {400, 100, 0, 0, 0, 0, 111},
                 {500, 100, 0, 0, 0, 0, 25}, {100, 300, 0, 0, 0, 0, 20}, {200, 300, 0, 0, 0, 0, 120}});
        frmMapScreenEdit *ed = m.open();
        const QStringList opened{QStringLiteral("-"),          QStringLiteral("1 - No Tag"),
                                 QStringLiteral("2 - Pipe 3"), QStringLiteral("3 - Level 2"),
                                 QStringLiteral("4 - SaveGame"), QStringLiteral("5 - Warp 5"),
                                 QStringLiteral("6 - Pipe 20"), QStringLiteral("7")};  // no such tag
        for (int k = 0; k < 4; ++k)
            QCOMPARE(m.entries(k), opened);

        m.click(Qt::LeftButton, {100, 100});
        m.choose(0, 3);
        QCOMPARE(m.map().UpNode(1), quint8(3));
        QCOMPARE(ed->cmbNodeSelect[0]->currentText(), QStringLiteral("3 - Level 2"));
        // A new tag is named at once in every list, and the choices stay.
        m.choose(4, 41);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(ed->cmbNodeSelect[k]->itemText(1), QStringLiteral("1 - Level 1"));
        QCOMPARE(ed->cmbNodeSelect[0]->currentIndex(), 3);
        QCOMPARE(m.map().UpNode(1), quint8(3));
        ed->document().undoStack()->undo();
        QCOMPARE(m.map().NodeTag(1), quint8(0));
        QCOMPARE(ed->cmbNodeSelect[2]->itemText(1), QStringLiteral("1 - No Tag"));
        ed->document().undoStack()->redo();
        QCOMPARE(ed->cmbNodeSelect[3]->itemText(1), QStringLiteral("1 - Level 1"));

        ed->AddNode();
        QCOMPARE(m.entries(1).last(), QStringLiteral("8 - No Tag"));
        m.choose(4, 111);
        QCOMPARE(m.entries(1).last(), QStringLiteral("8 - SaveGame"));
        m.click(Qt::LeftButton, {100, 100});
        m.choose(3, 8);
        QCOMPARE(m.map().RightNode(1), quint8(8));
    }

    void pickerChoosesTheWarpDestination()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {100, 100});
        m.choose(4, 21);
        QVERIFY(ed->SaveChanges());
        QStringList seen;
        int preselected = -2;
        auto pick = [&](int row) {
            return [&, row](QDialog &dialog) {
                auto *list = dialog.findChild<QListWidget *>(QStringLiteral("lstWorlds"));
                seen = lines(list);
                preselected = list->currentItem() && list->currentItem()->isSelected() ? list->currentRow() : -1;
                if (row >= 0)
                    list->setCurrentRow(row);
                dialog.findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
            };
        };
        m.e.dialogs.dialogScripts.push_back(pick(-1));
        ed->cmdWorld->click();
        QCOMPARE(m.e.dialogs.dialogTitles.last(), QStringLiteral("Select World to Warp To"));
        QCOMPARE(seen, (QStringList{QStringLiteral("World1"), QStringLiteral("Lava Land")}));
        QCOMPARE(preselected, -1);
        QCOMPARE(m.map().warpExitWorld(1), quint8(0));

        QVERIFY(!ed->document().isModified());  // the picker left without a choice changes nothing
        m.e.dialogs.dialogScripts.push_back(pick(1));
        ed->cmdWorld->click();
        QCOMPARE(m.map().warpExitWorld(1), quint8(2));
        QVERIFY(ed->document().isModified());

        QVERIFY(ed->SaveChanges());
        m.e.dialogs.dialogScripts.push_back(pick(1));
        ed->cmdWorld->click();  // the world it already leads to
        QCOMPARE(preselected, 1);
        QVERIFY(!ed->document().isModified());
        ed->cmdWorld->click();  // closed without "Select World"
        QCOMPARE(m.map().warpExitWorld(1), quint8(2));
        QVERIFY(!ed->document().isModified());

        // A new destination is an edit the window asks about before it closes.
        m.e.dialogs.dialogScripts.push_back(pick(0));
        ed->cmdWorld->click();
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        ed->KillMe();
        QCOMPARE(m.ed(), ed);
        QCOMPARE(m.e.dialogs.texts().last(), kAskMap);
        QCOMPARE(m.map().warpExitWorld(1), quint8(1));
    }

    void nodesAreAddedAndRemovedFromTheMenu()
    {
        MapWorld m({1200, 600});
        m.nodes({{100, 100, 0, 0, 0, 3}, {200, 100, 3}, {300, 100}});
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {200, 100});
        QCOMPARE(ed->cmbNodeSelect[0]->currentIndex(), 3);
        m.e.trigger("mnuMapKillNode");
        QCOMPARE(m.map().nodeCount(), 2);
        QCOMPARE(m.map().UpNode(2), quint8(0));     // through the refilled list
        QCOMPARE(m.map().RightNode(1), quint8(3));  // other nodes keep theirs
        QCOMPARE(m.entries(0).size(), 3);
        QVERIFY(ed->document().isModified());

        ed->xScroll->setValue(100);
        m.e.trigger("mnuMapAddNode");
        QCOMPARE(m.map().nodeCount(), 3);
        QCOMPARE(m.map().xPos(3), qint16(130));
        QCOMPARE(m.map().yPos(3), qint16(30));
        QCOMPARE(ed->currentNode(), 3);
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 3"));
        QCOMPARE(m.entries(3).last(), QStringLiteral("3 - No Tag"));

        m.e.trigger("mnuMapSave");
        QCOMPARE(m.e.dialogs.texts().last(), kSaved);
        QCOMPARE(m.e.dialogs.shown.back().title, QStringLiteral("Tessaforge"));
        QCOMPARE(m.e.game.read(m.mapFile()),
                 mapBytes({{100, 100, 0, 0, 0, 3}, {200, 100}, {130, 30}}));
        QVERIFY(!ed->document().isModified());
    }

    void a256thNodeIsRefused()
    {
        MapWorld m;
        m.nodes(std::vector<Node>(255, Node{120, 120}));
        frmMapScreenEdit *ed = m.open();
        ed->AddNode();
        QCOMPARE(m.map().nodeCount(), 255);
        QCOMPARE(m.e.dialogs.shown.size(), 1u);
        QVERIFY(m.e.dialogs.shown[0].text.contains(QStringLiteral("255 nodes")));
        QVERIFY(!ed->document().isModified());
    }

    void selectionStopsAtAValueAListCannotShow()
    {
        MapWorld m;
        // Node 2 links up to a node that does not exist; node 3 has a tag beyond the list.
        m.nodes({{100, 100, 1, 1, 1, 1, 3, 2, 6}, {200, 100, 9, 0, 2}, {300, 100, 0, 2, 0, 0, 120}});
        frmMapScreenEdit *ed = m.open();
        QByteArray before;
        QVERIFY(tessaforge::encode(m.map(), before));
        m.click(Qt::LeftButton, {100, 100});
        m.click(Qt::LeftButton, {200, 100});
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 2"));
        QCOMPARE(ed->cmbNodeSelect[0]->currentIndex(), 1);  // still node 1's
        QCOMPARE(ed->cmbNodeSelect[2]->currentIndex(), 1);
        m.click(Qt::LeftButton, {300, 100});
        QCOMPARE(ed->cmbNodeSelect[0]->currentIndex(), 0);
        QCOMPARE(ed->cmbNodeSelect[1]->currentIndex(), 2);
        QCOMPARE(ed->cmbNodeSelect[4]->currentIndex(), 3);  // list 4 and on are left as they were
        QCOMPARE(ed->cmbNodeSelect[5]->currentIndex(), 6);
        QByteArray after;
        QVERIFY(tessaforge::encode(m.map(), after));
        QCOMPARE(after, before);
    }

    void mapChangedFollowsEdits()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        QVERIFY(!ed->document().isModified());
        m.click(Qt::LeftButton, {100, 100});
        ed->chkPassThru->setChecked(true);
        QVERIFY(m.map().PassThru(1));
        QVERIFY(ed->document().isModified());
        QVERIFY(ed->SaveChanges());
        QVERIFY(!ed->document().isModified());
        ed->chkPassThru->setChecked(false);
        QVERIFY(ed->document().isModified());
        QVERIFY(ed->SaveChanges());
        // Ticked and closed: the question comes, and No drops the tick with the window.
        ed->chkPassThru->setChecked(true);
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        ed->KillMe();
        QVERIFY(!m.ed());
        QCOMPARE(m.e.dialogs.texts().last(), kAskMap);
        QCOMPARE(m.e.game.read(m.mapFile()), QByteArray::fromHex("01640064000000000000000000"));
        ed = m.open();
        m.click(Qt::LeftButton, {100, 100});
        m.choose(4, 111);
        QVERIFY(ed->document().isModified());
        QVERIFY(ed->SaveChanges());
        QCOMPARE(m.e.game.read(m.mapFile()), QByteArray::fromHex("01640064000000000070000000"));
    }

    // Selecting a node shows its Pass Thru flag in the box; that writes the node's own
    // value back and is no change.
    void selectingANodeShowsItsPassThroughWithoutAChange()
    {
        MapWorld m;
        QByteArray bytes = mapBytes({{100, 100}, {200, 100}});
        bytes[1 + 12 + 8] = char(0x80);  // node 2 passes through; otherwise the nodes are alike
        m.e.game.write(m.mapFile(), bytes);
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {100, 100});
        QVERIFY(ed->SaveChanges());
        m.click(Qt::LeftButton, {200, 100});
        QVERIFY(ed->chkPassThru->isChecked());
        m.click(Qt::LeftButton, {100, 100});
        QVERIFY(!ed->chkPassThru->isChecked());
        QVERIFY(!ed->document().isModified());
        QCOMPARE(m.e.game.read(m.mapFile()), bytes);
    }

    // The title names the map file and ends with "*" exactly while the map holds unsaved
    // changes, in the editor and in the frame's title of it.
    void unsavedChangesAreMarkedInTheTitle()
    {
        MapWorld m;
        m.nodes({{100, 100}, {200, 100}});
        frmMapScreenEdit *ed = m.open();
        auto *frame = qobject_cast<QMdiSubWindow *>(ed->parentWidget());
        QVERIFY(frame);
        auto marked = [&](bool modified) {
            return ed->isWindowModified() == modified && frame->isWindowModified() == modified
                && ed->document().isModified() == modified;
        };
        QCOMPARE(ed->windowTitle(), QStringLiteral("World Map Editor - Worldmap.qzm[*]"));
        QCOMPARE(frame->windowTitle(), ed->windowTitle());
        QVERIFY(marked(false));

        m.click(Qt::LeftButton, {100, 100});
        QVERIFY(marked(false));  // selecting is no change
        m.choose(4, 45);
        QVERIFY(marked(true));
        m.choose(0, 2);
        QVERIFY(marked(true));
        QUndoStack *stack = ed->document().undoStack();
        stack->undo();
        QVERIFY(marked(true));
        stack->undo();  // back at the map as read
        QVERIFY(marked(false));
        stack->redo();
        QVERIFY(marked(true));
        QVERIFY(ed->SaveChanges());
        QVERIFY(marked(false));
        ed->chkPassThru->setChecked(true);
        QVERIFY(marked(true));
        stack->undo();  // back at the map as saved
        QVERIFY(marked(false));
        stack->undo();  // before the save
        QVERIFY(marked(true));
        m.e.trigger("mnuMapSave");
        QVERIFY(marked(false));
        ed->AddNode();
        QVERIFY(marked(true));

        // A failed save leaves the mark; opening again starts unmarked.
        vt::setReplaceFaultForTesting(3);
        QVERIFY(!ed->SaveChanges());
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(marked(true));
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        QCOMPARE(m.open(), ed);
        QVERIFY(marked(false));
    }

    // The title names the file a save will replace, as it is spelled on disk.
    void titleNamesTheMapFileAsOnDisk()
    {
        MapWorld m;
        m.e.game.write(kWorld + QStringLiteral("/WORLDMAP.QZM"), mapBytes({{100, 100}, {200, 100}}));
        frmMapScreenEdit *ed = m.open();
        QCOMPARE(m.map().nodeCount(), 2);
        QCOMPARE(ed->windowTitle(), QStringLiteral("World Map Editor - WORLDMAP.QZM[*]"));
    }

    void failedSavesAreSaidAndKeepTheWindow()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        ed->AddNode();
        vt::setReplaceFaultForTesting(3);
        QVERIFY(!ed->SaveChanges());
        QVERIFY(ed->document().isModified());
        QVERIFY(!m.e.dialogs.texts().contains(kSaved));
        QVERIFY(m.e.dialogs.texts().last().contains(QStringLiteral("not saved")));
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        ed->KillMe();
        vt::setReplaceFaultForTesting(std::nullopt);
        QCOMPARE(m.ed(), ed);
        QVERIFY(!m.e.game.exists(m.mapFile()));

        m.e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        ed->KillMe();
        QCOMPARE(m.ed(), ed);
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::Yes);
        ed->KillMe();
        QVERIFY(!m.ed());
        QCOMPARE(m.e.dialogs.texts().last(), kSaved);
        QCOMPARE(m.e.game.read(m.mapFile()).at(0), char(2));
    }

    void aSaveNeverFollowsALinkOutOfTheMod()
    {
        MapWorld m;
        QTemporaryDir outside;
        const QString victim = outside.filePath(QStringLiteral("Worldmap.qzm"));
        QVERIFY(QFile::link(victim, m.e.game.file(m.mapFile())));
        frmMapScreenEdit *ed = m.open();
        ed->AddNode();
        QVERIFY(!ed->SaveChanges());
        QVERIFY(!m.e.dialogs.texts().contains(kSaved));
        QVERIFY(m.e.dialogs.texts().last().contains(QStringLiteral("Worldmap.qzm")));
        QVERIFY(!QFile::exists(victim));
        QVERIFY(ed->document().isModified());
    }

    void switchingWorldsClosesTheEditor()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        ed->AddNode();
        m.e.dialogs.answers = {FakeDialogs::Answer::No, FakeDialogs::Answer::Cancel};
        m.e.triggerItem(m.e.w->mnuWorldList, QStringLiteral("Lava Land"));
        QCOMPARE(m.e.state().nCurWorld, 0);
        QCOMPARE(m.ed(), ed);
        m.e.dialogs.answers = {FakeDialogs::Answer::No, FakeDialogs::Answer::No};
        m.e.triggerItem(m.e.w->mnuWorldList, QStringLiteral("Lava Land"));
        QCOMPARE(m.e.state().nCurWorld, 1);
        QVERIFY(!m.ed());
        QCOMPARE(m.e.dialogs.texts().count(kAskMap), 2);
        QVERIFY(!m.e.game.exists(m.mapFile()));
    }

    void reopeningAsksBeforeDroppingChanges()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        ed->AddNode();
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        QCOMPARE(m.open(), ed);
        QCOMPARE(m.map().nodeCount(), 2);
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        QCOMPARE(m.open(), ed);
        QCOMPARE(m.map().nodeCount(), 1);
        QVERIFY(!ed->document().isModified());
        QCOMPARE(m.e.dialogs.texts(), (QStringList{kAskMap, kAskMap}));
    }

    void drawsNodesPicturesAndSelection()
    {
        MapWorld m({1200, 600});
        m.nodes({{100, 100, 0, 0, 0, 0, 0, 2}, {200, 100}, {300, 100, 0, 0, 0, 0, 0, 50}, {1000, 500}});
        frmMapScreenEdit *ed = m.open();
        ed->chkShowLinks->setChecked(false);
        m.click(Qt::LeftButton, {200, 100});
        // Node 1: its picture centred on it, the number's blank leaving the picture's right part.
        QCOMPARE(m.pixel(84, 84), cellColour(2));
        QCOMPARE(m.pixel(115, 115), cellColour(2));
        QCOMPARE(m.pixel(83, 100), kGrass);
        QCOMPARE(m.pixel(116, 110), kGrass);
        // Node 2: the circle of radius 10 and the selection circle of 13; inside stays grass.
        for (QPoint p : {QPoint(190, 100), QPoint(200, 90), QPoint(200, 110), QPoint(187, 100), QPoint(200, 113)})
            QCOMPARE(m.pixel(p.x(), p.y()), qRgb(0, 0, 0));
        for (QPoint p : {QPoint(200, 100), QPoint(195, 100), QPoint(189, 100), QPoint(200, 112), QPoint(186, 100)})
            QCOMPARE(m.pixel(p.x(), p.y()), kGrass);
        // Its number " 2" lies right of (210, 92).
        bool numberDrawn = false;
        for (int y = 92; y < 108; ++y)
            for (int x = 214; x < 230; ++x)
                numberDrawn = numberDrawn || m.pixel(x, y) == qRgb(0, 0, 0);
        QVERIFY(numberDrawn);
        // Node 3's picture number lies past the strip: a plain circle, nothing copied.
        QCOMPARE(m.pixel(290, 100), qRgb(0, 0, 0));
        QCOMPARE(m.pixel(285, 85), kGrass);
        // Node 4 is outside the view.
        QCOMPARE(ed->xScroll->value(), 0);
        ed->xScroll->setValue(560);
        ed->yScroll->setValue(120);
        QCOMPARE(m.pixel(1000 - 560 - 10, 500 - 120), qRgb(0, 0, 0));
        QCOMPARE(m.pixel(600 - 560, 300 - 120), qRgb(250, 250, 250));  // the map scrolled along
    }

    void linkLinesAndTheWheel()
    {
        MapWorld m({1200, 1200});
        m.nodes({{100, 100, 0, 0, 0, 2}, {300, 100}, {100, 300}});
        frmMapScreenEdit *ed = m.open();
        QVERIFY(!ed->chkShowLinks->isChecked());  // the map alone, as the lists hold the links
        QCOMPARE(m.pixel(200, 100), kGrass);
        ed->chkShowLinks->setChecked(true);
        QVERIFY(m.pixel(200, 100) != kGrass);
        QCOMPARE(m.pixel(100, 200), kGrass);
        m.click(Qt::LeftButton, {100, 300});
        m.choose(0, 1);  // node 3 leads up to node 1: its line shows at once
        QVERIFY(m.pixel(100, 200) != kGrass);
        ed->chkShowLinks->setChecked(false);
        QCOMPARE(m.pixel(200, 100), kGrass);
        QCOMPARE(m.pixel(100, 200), kGrass);

        QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(ed->picMap, &down);
        QCOMPARE(ed->yScroll->value(), 48);
        QWheelEvent sideways(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -240), Qt::NoButton,
                             Qt::ShiftModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ed->picMap, &sideways);
        QCOMPARE(ed->xScroll->value(), 96);
        QCOMPARE(ed->yScroll->value(), 48);
    }

    // A link runs between the outlines of its two nodes: its arrow ends on the edge of the
    // node it leads to, never inside it or over its number.
    void linkLinesEndAtTheNodesEdges()
    {
        using namespace MapScreenRenderer;
        const NodeOutline circle{10, false};
        const NodeOutline picture{16, true};
        auto distance = [](QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); };
        struct Case
        {
            QPointF from, to;
        };
        for (const Case &c : {Case{{100, 100}, {300, 100}}, Case{{300, 100}, {100, 100}}, Case{{0, 0}, {30, 40}},
                              Case{{50, 200}, {47, 20}}}) {
            const QLineF line = LinkLine(c.from, circle, c.to, circle);
            QVERIFY(!line.isNull());
            QCOMPARE(distance(line.p2(), c.to), 10.0);
            QCOMPARE(distance(line.p1(), c.from), 10.0);
            // Straight on the way between the two centres.
            QCOMPARE(10.0 + line.length() + 10.0, distance(c.from, c.to));
        }
        QCOMPARE(LinkLine({100, 100}, circle, {300, 100}, circle), QLineF(110, 100, 290, 100));
        QCOMPARE(LinkLine({100, 100}, circle, {100, 300}, NodeOutline{13, false}).p2(), QPointF(100, 287));
        // A node with a picture: the point lies on the picture's side, or on its corner.
        QCOMPARE(LinkLine({100, 140}, circle, {300, 100}, picture).p2(), QPointF(284, 103.2));
        QCOMPARE(LinkLine({100, 300}, circle, {300, 100}, picture).p2(), QPointF(284, 116));
        QCOMPARE(OutlineExit({50, 50}, {50, 0}, picture), QPointF(50, 34));
        // Outlines that touch or overlap leave nothing to draw.
        QVERIFY(LinkLine({100, 100}, circle, {115, 100}, circle).isNull());
        QVERIFY(LinkLine({100, 100}, circle, {120, 100}, circle).isNull());
        QVERIFY(LinkLine({100, 100}, circle, {100, 100}, circle).isNull());
        QVERIFY(!LinkLine({100, 100}, circle, {121, 100}, circle).isNull());

        // The outline is what the node shows: its picture, else its circle, wider when selected.
        QImage map(640, 480, QImage::Format_RGB32);
        QImage pictures(3 * 32, 32, QImage::Format_RGB32);
        oWorldMap nodes;
        QVERIFY(nodes.AddNode(200, 100, false));
        QVERIFY(nodes.AddNode(300, 100, false));
        nodes.setNodeImage(2, 3);
        nodes.setNodeImage(3, 4);  // past the strip: drawn as a circle
        const Scene scene{map, pictures, nodes, QPoint(0, 0), 1, QFont(), true};
        QCOMPARE(OutlineOf(scene, 1).reach, 13.0);
        QVERIFY(!OutlineOf(scene, 1).square);
        QCOMPARE(OutlineOf(scene, 2).reach, 16.0);
        QVERIFY(OutlineOf(scene, 2).square);
        QCOMPARE(OutlineOf(scene, 3).reach, 10.0);
        QVERIFY(!OutlineOf(scene, 3).square);

        // Drawn: nothing of the line inside either node's circle, the line between them.
        MapWorld m;
        m.nodes({{100, 100, 0, 0, 0, 2}, {300, 100}});
        frmMapScreenEdit *ed = m.open();
        ed->chkShowLinks->setChecked(true);
        for (int x : {100, 105, 108, 292, 295, 300})
            QCOMPARE(m.pixel(x, 100), kGrass);
        for (int x : {112, 200, 285})
            QVERIFY(m.pixel(x, 100) != kGrass);
    }

    // Switched off, the links leave no pixel behind: the view is the one of the same nodes
    // without any link.
    void linkLinesOffDrawNone()
    {
        using namespace MapScreenRenderer;
        QImage map(640, 480, QImage::Format_RGB32);
        map.fill(kGrass);
        QImage pictures(2 * 32, 32, QImage::Format_RGB32);
        pictures.fill(cellColour(1));
        oWorldMap linked;
        for (QPoint p : {QPoint(300, 100), QPoint(300, 300), QPoint(120, 300), QPoint(500, 420)})
            QVERIFY(linked.AddNode(qint16(p.x()), qint16(p.y()), false));
        oWorldMap plain = linked;
        for (qint32 i = 1; i <= linked.nodeCount(); ++i) {
            const auto next = quint8(i % linked.nodeCount() + 1);
            linked.setRightNode(i, next);
            linked.setDownNode(i, quint8(linked.nodeCount() + 1 - i));
            linked.setUpNode(i, 1);
            linked.setLeftNode(i, 9);  // a node that does not exist
        }
        linked.setNodeImage(2, 1);
        plain.setNodeImage(2, 1);
        QImage withLinksOff(640, 496, QImage::Format_RGB32);
        QImage withoutLinks(640, 496, QImage::Format_RGB32);
        QImage withLinksOn(640, 496, QImage::Format_RGB32);
        MapScreenRenderer::DrawMap(withLinksOff, {map, pictures, linked, QPoint(0, 0), 3, QFont(), false});
        MapScreenRenderer::DrawMap(withoutLinks, {map, pictures, plain, QPoint(0, 0), 3, QFont(), false});
        MapScreenRenderer::DrawMap(withLinksOn, {map, pictures, linked, QPoint(0, 0), 3, QFont(), true});
        QCOMPARE(withLinksOff, withoutLinks);
        QVERIFY(withLinksOn != withoutLinks);

        // The window: ticked on and off again, it is back at the picture without lines.
        MapWorld m;
        m.nodes({{100, 100, 0, 0, 0, 2}, {300, 100, 0, 0, 1}, {300, 300, 2}});
        frmMapScreenEdit *ed = m.open();
        const QImage opened = ed->viewImage();
        ed->chkShowLinks->setChecked(true);
        QVERIFY(ed->viewImage() != opened);
        ed->chkShowLinks->setChecked(false);
        QCOMPARE(ed->viewImage(), opened);
        QVERIFY(!ed->document().isModified());  // a view option, no change of the map
    }

    void everyMapEditIsOneUndoStep()
    {
        MapWorld m;
        m.nodes({{100, 100, 0, 0, 0, 3}, {200, 100, 3}, {300, 100}});
        frmMapScreenEdit *ed = m.open();
        QUndoStack *stack = ed->document().undoStack();
        QCOMPARE(stack->count(), 0);  // filling the controls on opening is no step
        QCOMPARE(m.e.w->undoGroup->activeStack(), stack);
        const std::vector<MapNode> opened = m.map().nodes();

        m.click(Qt::LeftButton, {100, 100});
        QCOMPARE(stack->count(), 0);  // selecting stores only what is stored already
        m.click(Qt::RightButton, {150, 150});
        m.choose(4, 5);
        m.choose(0, 2);
        m.clickStrip(Qt::LeftButton, {2 * 32 + 5, 10});
        ed->chkPassThru->setChecked(true);
        m.e.trigger("mnuMapKillNode");  // node 1's right link to node 3 goes with it
        QCOMPARE(m.map().RightNode(1), quint8(0));
        m.e.trigger("mnuMapAddNode");
        const QStringList names{QStringLiteral("Move Node"), QStringLiteral("Level Link"), QStringLiteral("Link Up"),
                                QStringLiteral("Node Picture"), QStringLiteral("Pass Thru"),
                                QStringLiteral("Remove Node"), QStringLiteral("Add Node")};
        QCOMPARE(stack->count(), names.size());
        for (int i = 0; i < stack->count(); ++i)
            QCOMPARE(stack->text(i), names[i]);
        const std::vector<MapNode> edited = m.map().nodes();

        // The map menu ends with the map's own undo and redo after a separator.
        QCOMPARE(captions(ed->mnuNodes).mid(0, 4),
                 (QStringList{QStringLiteral("&Save"), QString(), QStringLiteral("&Create New Node"),
                              QStringLiteral("&Remove Last Node")}));
        const QList<QAction *> items = ed->mnuNodes->actions();
        QVERIFY(items.size() >= 3);
        QVERIFY(items[items.size() - 3]->isSeparator());
        QCOMPARE(items[items.size() - 2]->text(), QStringLiteral("Undo Add Node"));
        QCOMPARE(items.last()->text(), QStringLiteral("Redo"));

        QVERIFY(ed->SaveChanges());
        m.e.trigger("mnuUndo");  // the main menu's, acting on the active map editor
        QCOMPARE(m.map().nodeCount(), 2);
        QCOMPARE(ed->currentNode(), 1);
        QCOMPARE(m.entries(0).size(), 3);
        QVERIFY(ed->document().isModified());
        m.e.trigger("mnuUndo");  // the removed node comes back with the link it took along
        QCOMPARE(m.map().nodeCount(), 3);
        QCOMPARE(m.map().RightNode(1), quint8(3));
        QCOMPARE(ed->cmbNodeSelect[3]->currentIndex(), 3);
        m.e.trigger("mnuUndo");
        QVERIFY(!m.map().PassThru(1));
        QVERIFY(!ed->chkPassThru->isChecked());
        QCOMPARE(stack->count(), names.size());  // the controls following stored nothing
        while (stack->canUndo())
            stack->undo();
        QCOMPARE(m.map().nodes(), opened);
        QCOMPARE(ed->cmbNodeSelect[4]->currentIndex(), 0);
        QCOMPARE(ed->cmbNodeSelect[0]->currentIndex(), 0);
        while (stack->canRedo())
            stack->redo();
        QCOMPARE(m.map().nodes(), edited);
        QCOMPARE(ed->currentNode(), 3);
        QCOMPARE(ed->lblCurrent->text(), QStringLiteral("Node 3"));
        QCOMPARE(stack->count(), names.size());

        // Back at the saved map by undo and redo: nothing to ask about. A change made after an
        // undo asks again.
        stack->undo();
        QVERIFY(ed->document().isModified());
        stack->redo();
        QVERIFY(!ed->document().isModified());
        stack->undo();
        ed->chkPassThru->setChecked(!ed->chkPassThru->isChecked());
        QVERIFY(ed->document().isModified());
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::Cancel);
        ed->KillMe();
        QCOMPARE(m.e.dialogs.texts().count(kAskMap), 1);
        QCOMPARE(m.ed(), ed);
        m.e.trigger("mnuMapSave");
        stack->undo();
        stack->redo();
        QVERIFY(!ed->document().isModified());
        ed->KillMe();
        QCOMPARE(m.e.dialogs.texts().count(kAskMap), 1);
        QVERIFY(!m.ed());
    }

    // The map menu shows, for each command, the one key that runs it while the map editor is
    // the active window, and that key acts once.
    void theMapMenuShowsTheKeysThatWork()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        for (QAction *item : ed->mnuNodes->actions())
            QVERIFY2(item->shortcuts().size() <= 1, qPrintable(item->text()));
        auto shown = [&](const char *name) {
            return ed->findChild<QAction *>(QLatin1String(name))->shortcut();
        };
        auto frameKeys = [&](const char *name) {
            return m.e.w->findChild<QAction *>(QLatin1String(name))->shortcuts();
        };
        QCOMPARE(shown("mnuMapUndo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(shown("mnuMapUndo"), frameKeys("mnuUndo").value(0));
        QCOMPARE(shown("mnuMapRedo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        QCOMPARE(shown("mnuMapRedo"), frameKeys("mnuRedo").value(0));
        // Ctrl+S saves the map while its editor is in charge; nothing is shown that does not
        // work: no key adds or removes a node.
        QCOMPARE(shown("mnuMapSave"), QKeySequence(Qt::CTRL | Qt::Key_S));
        QVERIFY(m.e.w->findChild<QAction *>(QStringLiteral("mnuSave"))->shortcut().isEmpty());
        for (const char *name : {"mnuMapAddNode", "mnuMapKillNode"})
            QVERIFY2(shown(name).isEmpty(), name);

        m.e.w->show();
        m.e.w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m.e.w.get()));
        m.click(Qt::LeftButton, {100, 100});
        m.choose(4, 41);
        m.choose(4, 42);
        QCOMPARE(ed->document().undoStack()->count(), 2);
        ed->cmbNodeSelect[0]->setFocus();
        QTest::keyClick(ed->cmbNodeSelect[0], Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m.map().NodeTag(1), quint8(41));  // one step, not none nor two
        QTest::keyClick(ed->cmbNodeSelect[0], Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m.map().NodeTag(1), quint8(42));
        QVERIFY(ed->document().isModified());
        QTest::keyClick(ed->cmbNodeSelect[0], Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!ed->document().isModified());
        QVERIFY(!m.e.dialogs.texts().contains(QStringLiteral("Current world details saved to disk!")));
    }

    void passThroughAndWarpWorldUndoMarkTheMap()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        m.click(Qt::LeftButton, {100, 100});
        m.choose(4, 25);  // a warp
        QVERIFY(ed->SaveChanges());
        m.e.dialogs.dialogScripts.push_back([](QDialog &dialog) {
            dialog.findChild<QListWidget *>(QStringLiteral("lstWorlds"))->setCurrentRow(1);
            dialog.findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
        });
        ed->cmdWorld->click();
        QVERIFY(ed->document().isModified());
        QVERIFY(ed->SaveChanges());
        ed->chkPassThru->setChecked(true);
        QVERIFY(ed->document().isModified());
        QCOMPARE(ed->document().undoStack()->count(), 3);
        QCOMPARE(ed->document().undoStack()->text(1), QStringLiteral("Warp World"));
        QCOMPARE(m.map().warpExitWorld(1), quint8(2));
        ed->document().undoStack()->undo();
        QVERIFY(!ed->document().isModified());  // back at the map as saved
        ed->document().undoStack()->undo();
        QVERIFY(ed->document().isModified());
        QCOMPARE(m.map().warpExitWorld(1), quint8(0));
        QCOMPARE(m.map().NodeTag(1), quint8(25));
    }

    void openingAgainAndClosingEndTheHistory()
    {
        MapWorld m;
        frmMapScreenEdit *ed = m.open();
        ed->AddNode();
        QCOMPARE(ed->document().undoStack()->count(), 1);
        m.e.dialogs.answers.push_back(FakeDialogs::Answer::No);
        QCOMPARE(m.open(), ed);
        QCOMPARE(ed->document().undoStack()->count(), 0);
        QVERIFY(!ed->document().undoStack()->canUndo());
        ed->KillMe();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(m.e.w->undoGroup->activeStack(), m.e.w->worldUndo.data());
    }
};

QTEST_MAIN(tst_mapeditor)
#include "tst_mapeditor.moc"
