#include "frmMapScreenEdit.h"

#include "documents/WorldDocument.h"
#include "frmMapScrGetWorld.h"
#include "MapScreenRenderer.h"
#include "Panel.h"
#include "PictureSurface.h"

#include "world/mCommon.h"

#include "Dialogs.h"
#include "ImageFile.h"
#include "Paths.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QUndoStack>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaforge {

namespace {

const QString kStudioTitle = QStringLiteral("Vantaro Studio");
const QString kProgramTitle = QStringLiteral("Tessaforge");

// The view: a 660-pixel-wide picture with a 2-pixel border and 16-pixel scroll bars inside,
// which leaves a drawing area of 640 x 496; the guides mark the 640 x 480 of one screen.
constexpr int kBorder = 2;
constexpr int kScrollThickness = 16;
constexpr int kViewOuterWidth = 660;
constexpr int kViewOuterHeight = kScrollThickness + 500;
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kCell = MapScreenRenderer::kCell;
constexpr int kStripCells = 20;
constexpr int kPanelHeight = 148;
constexpr int kSelectReach = 10;
constexpr int kWheelStep = 48;  // pixels per wheel notch

constexpr int kTagEntries = 112;    // "No Tag", 20 pipes, 20 warps, 70 levels, "SaveGame"
constexpr int kEntryEntries = 81;   // "Default", then five manners for each of 16 numbers

bool isWarp(int tag)
{
    return tag >= 21 && tag <= 40;
}

// Mouse positions round to the nearest whole pixel, halves to the even one.
int roundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

float NodeDistance(float x1, float y1, float x2, float y2)
{
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

QStringList tagEntries()
{
    QStringList entries;
    for (int tag = 0; tag < kTagEntries; ++tag)
        entries.append(NodeTagLabel(tag));
    return entries;
}

QStringList entranceEntries()
{
    const char *manners[5] = {"Up    ", "Down  ", "Left  ", "Right ", "Door  "};
    QStringList entries{QStringLiteral("Default")};
    entries.reserve(kEntryEntries);
    for (int number = 1; number <= 16; ++number)
        for (const char *manner : manners)
            entries.append(QString::fromLatin1(manner) + QString::number(number));
    return entries;
}

QFont nodeFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(11);
    // Plain pixels: the numbers are drawn over the picture, not blended into it.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

frmMapScreenEdit::frmMapScreenEdit(vt::Dialogs &dialogs, MapDocument &document, WorldDocument &world, QMenu *nodesMenu,
                                   QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_document(document), m_world(world), m_nodesMenu(nodesMenu)
{
    setObjectName(QStringLiteral("frmMapScreenEdit"));
    setWindowTitle(QStringLiteral("World Map Editor"));
    buildView();
    buildPanel();
    setFixedSize(kViewOuterWidth, Picture1->height() + kViewOuterHeight + 20);

    m_view = QImage(ViewWidth, ViewHeight, QImage::Format_RGB32);
    m_view.fill(Qt::black);
    m_strip = QImage(kStripCells * kCell, kCell, QImage::Format_RGB32);
    m_strip.fill(palette().color(QPalette::Window));

    // The map menu ends with the map's own undo and redo, named by the step they act on; they
    // go with the window. The keys belong to the main window's undo group.
    connect(&m_document, &MapDocument::nodesChanged, this, &frmMapScreenEdit::followDocument);
    QUndoStack *history = m_document.undoStack();
    auto *dash = new QAction(this);
    dash->setSeparator(true);
    dash->setObjectName(QStringLiteral("mnuMapUndoDash"));
    QAction *undo = history->createUndoAction(this, QStringLiteral("Undo"));
    undo->setObjectName(QStringLiteral("mnuMapUndo"));
    QAction *redo = history->createRedoAction(this, QStringLiteral("Redo"));
    redo->setObjectName(QStringLiteral("mnuMapRedo"));
    for (QAction *a : {undo, redo})
        a->setShortcuts({});
    if (m_nodesMenu)
        m_nodesMenu->addActions({dash, undo, redo});
}

frmMapScreenEdit::~frmMapScreenEdit() = default;

void frmMapScreenEdit::buildView()
{
    auto *border = new QFrame(this);
    border->setObjectName(QStringLiteral("picMapBorder"));
    border->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    border->setLineWidth(kBorder);
    border->setGeometry(0, 0, kViewOuterWidth, kViewOuterHeight);

    auto *view = new PictureSurface(m_view, border);
    view->onPress = [this](Qt::MouseButton button, QPointF at) { viewPressed(button, at); };
    view->onWheel = [this](QPoint delta, Qt::KeyboardModifiers modifiers) { viewWheel(delta, modifiers); };
    // HLine and VLine: fixed on the view, they do not scroll with the map.
    view->overlay = [](QPainter &painter) {
        painter.setPen(QColor(255, 0, 0));
        painter.drawLine(0, kScreenHeight, kScreenWidth, kScreenHeight);
        painter.drawLine(kScreenWidth, 0, kScreenWidth, kScreenHeight);
    };
    picMap = view;
    picMap->setObjectName(QStringLiteral("picMap"));
    picMap->setGeometry(kBorder, kBorder, kViewOuterWidth - 2 * kBorder, kViewOuterHeight - 2 * kBorder);
    picMap->setFont(nodeFont());

    const int innerWidth = picMap->width();
    const int innerHeight = picMap->height();
    ViewWidth = innerWidth - kScrollThickness;
    ViewHeight = innerHeight - kScrollThickness;

    xScroll = new QScrollBar(Qt::Horizontal, picMap);
    xScroll->setObjectName(QStringLiteral("xScroll"));
    xScroll->setGeometry(0, ViewHeight, ViewWidth, kScrollThickness);
    xScroll->setSingleStep(16);
    xScroll->setPageStep(kScreenWidth / 2);
    yScroll = new QScrollBar(Qt::Vertical, picMap);
    yScroll->setObjectName(QStringLiteral("yScroll"));
    yScroll->setGeometry(ViewWidth, 0, kScrollThickness, ViewHeight);
    yScroll->setSingleStep(16);
    yScroll->setPageStep(kScreenHeight / 2);
    for (QScrollBar *bar : {xScroll, yScroll}) {
        bar->setRange(0, 0);
        bar->setEnabled(false);
        connect(bar, &QScrollBar::valueChanged, this, [this] { DrawMap(); });
    }
    picBottomRight = new Panel(picMap);
    picBottomRight->setObjectName(QStringLiteral("picBottomRight"));
    picBottomRight->setGeometry(ViewWidth, ViewHeight, kScrollThickness, kScrollThickness);
    picBottomRight->setAutoFillBackground(true);
}

void frmMapScreenEdit::buildPanel()
{
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, kViewOuterHeight, kViewOuterWidth, kPanelHeight);

    auto label = [this](const QString &text, const QString &name, QRect at, Qt::Alignment align) {
        auto *l = new QLabel(text, Picture1);
        l->setObjectName(name);
        l->setGeometry(at);
        l->setAlignment(align);
        return l;
    };
    Label2[0] = label(QStringLiteral("Next Nodes"), QStringLiteral("Label2_0"), {4, 2, 186, 16}, Qt::AlignCenter);
    Label2[1] = label(QStringLiteral("Level Link"), QStringLiteral("Label2_1"), {196, 2, 122, 16}, Qt::AlignCenter);
    Label2[2] = label(QStringLiteral("Manner of"), QStringLiteral("Label2_2"), {326, 2, 92, 16}, Qt::AlignCenter);
    Label2[3] = label(QStringLiteral("Entrance"), QStringLiteral("Label2_3"), {326, 42, 92, 16}, Qt::AlignCenter);

    // The four links as a cross: up on top, down below, left and right at the sides.
    const QRect linkPlaces[4] = {{66, 18, 62, 22}, {66, 64, 62, 22}, {4, 41, 62, 22}, {128, 41, 62, 22}};
    for (int k = 0; k < 6; ++k) {
        cmbNodeSelect[k] = new QComboBox(Picture1);
        cmbNodeSelect[k]->setObjectName(QStringLiteral("cmbNodeSelect%1").arg(k));
        cmbNodeSelect[k]->setMaxVisibleItems(20);
        if (k < 4)
            cmbNodeSelect[k]->setGeometry(linkPlaces[k]);
        connect(cmbNodeSelect[k], &QComboBox::currentIndexChanged, this,
                [this, k](int entry) { nodeListChanged(k, entry); });
    }
    cmbNodeSelect[4]->setGeometry(196, 18, 122, 22);
    cmbNodeSelect[5]->setGeometry(326, 18, 92, 22);
    cmbNodeSelect[0]->setToolTip(QStringLiteral("Node reached by going up"));
    cmbNodeSelect[1]->setToolTip(QStringLiteral("Node reached by going down"));
    cmbNodeSelect[2]->setToolTip(QStringLiteral("Node reached by going left"));
    cmbNodeSelect[3]->setToolTip(QStringLiteral("Node reached by going right"));

    cmdWorld = new QPushButton(QStringLiteral("Select Dest. World"), Picture1);
    cmdWorld->setObjectName(QStringLiteral("cmdWorld"));
    cmdWorld->setGeometry(196, 42, 122, 24);
    cmdWorld->setVisible(false);
    chkPassThru = new QCheckBox(QStringLiteral("Pass Thru"), Picture1);
    chkPassThru->setObjectName(QStringLiteral("chkPassThru"));
    chkPassThru->setGeometry(200, 68, 118, 20);
    chkShowLinks = new QCheckBox(QStringLiteral("Show Links"), Picture1);
    chkShowLinks->setObjectName(QStringLiteral("chkShowLinks"));
    chkShowLinks->setGeometry(330, 68, 92, 20);
    chkShowLinks->setToolTip(QStringLiteral("Draw a line with an arrow for every link between nodes"));
    chkShowLinks->setChecked(true);

    Label3 = label(QStringLiteral("Selected"), QStringLiteral("Label3"), {428, 2, 80, 16}, Qt::AlignLeft);
    lblCurrent = label(QStringLiteral("Node 000"), QStringLiteral("lblCurrent"), {428, 18, 80, 20}, Qt::AlignLeft);
    QFont bold = lblCurrent->font();
    bold.setBold(true);
    lblCurrent->setFont(bold);
    Label1[0] = label(QStringLiteral("Left Click - Select Node"), QStringLiteral("Label1_0"), {428, 50, 228, 16},
                      Qt::AlignLeft);
    Label1[1] = label(QStringLiteral("Right Click - Move Node"), QStringLiteral("Label1_1"), {428, 68, 228, 16},
                      Qt::AlignLeft);
    cmdBottomRight = new QPushButton(QStringLiteral("Menu"), Picture1);
    cmdBottomRight->setObjectName(QStringLiteral("cmdBottomRight"));
    cmdBottomRight->setGeometry(546, 8, 106, 28);

    auto *strip = new PictureSurface(m_strip, Picture1);
    strip->onPress = [this](Qt::MouseButton button, QPointF at) { stripPressed(button, at); };
    picImages = strip;
    picImages->setObjectName(QStringLiteral("picImages"));
    picImages->setGeometry(10, 94, kStripCells * kCell, kCell);
    picImages->setToolTip(QStringLiteral("Click a picture for the selected node; right click for none"));
    imgScroll = new QScrollBar(Qt::Horizontal, Picture1);
    imgScroll->setObjectName(QStringLiteral("imgScroll"));
    imgScroll->setGeometry(10, 94 + kCell, kStripCells * kCell, kScrollThickness);
    imgScroll->setRange(0, 0);
    imgScroll->setPageStep(kStripCells);
    imgScroll->setEnabled(false);

    // Only ever holds the keyboard focus, so that no list keeps it after a click elsewhere.
    cmdSacrifice = new QPushButton(QStringLiteral("Sacrficial Focus Button"), Picture1);
    cmdSacrifice->setObjectName(QStringLiteral("cmdSacrifice"));
    cmdSacrifice->setGeometry(-200, -200, 10, 10);

    connect(chkPassThru, &QCheckBox::toggled, this, [this](bool checked) {
        editMap(QStringLiteral("Pass Thru"), [this, checked](oWorldMap &map) { map.setPassThru(CurrentNode, checked); });
    });
    connect(chkShowLinks, &QCheckBox::toggled, this, [this] { DrawMap(); });
    connect(cmdWorld, &QPushButton::clicked, this, &frmMapScreenEdit::chooseWorld);
    connect(cmdWorld, &QPushButton::released, cmdSacrifice, [this] { cmdSacrifice->setFocus(); });
    connect(cmdBottomRight, &QPushButton::clicked, this, [this] {
        if (m_nodesMenu)
            m_nodesMenu->popup(QCursor::pos());
    });
    connect(imgScroll, &QScrollBar::valueChanged, this, [this] { DrawPictureStrip(); });
}

// ---- opening and closing -----------------------------------------------------------------

void frmMapScreenEdit::ShowMe(const QString &sWorldPath)
{
    // Starting over drops the map in memory: unsaved changes are asked about first.
    if (m_open && m_document.isModified() && !askToSave())
        return;
    m_open = false;
    // Opening is no edit: the controls being filled store nothing.
    m_following = true;
    const bool opened = openWorld(sWorldPath);
    m_following = false;
    if (!opened) {
        m_document.reset();
        closeWithoutAsking();
        return;
    }
    m_open = true;
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget())) {
        frame->show();
        fitIntoFrame(*frame);
        if (QMdiArea *area = frame->mdiArea())
            area->setActiveSubWindow(frame);
    } else {
        show();
    }
}

bool frmMapScreenEdit::refuseOpening(const QString &title, const QString &text, vt::Dialogs::Icon icon)
{
    m_dialogs.message(this, title, text, icon);
    return false;
}

bool frmMapScreenEdit::openWorld(const QString &sWorldPath)
{
    WorldPath = sWorldPath;
    const QString mapPicture = worldFile(QStringLiteral("Worldmap.gif"));
    if (!mCommon::FileExists(mapPicture))
        return refuseOpening(kStudioTitle,
                             QStringLiteral("You must create \"Worldmap.gif\"\r\nbefore editing the map screen!"),
                             vt::Dialogs::Icon::Critical);
    const QString nodePictures = worldFile(QStringLiteral("MapObjects.bmp"));
    if (!mCommon::FileExists(nodePictures))
        return refuseOpening(kStudioTitle, QStringLiteral("\"MapObjects.bmp\" not found!"), vt::Dialogs::Icon::Critical);

    // A picture that is there but cannot be decoded is said so, not passed over in silence.
    auto load = [](const QString &path, QImage &out, QString &why) {
        QImage picture;
        if (const vt::Status read = vt::readImage(path, picture); !read) {
            why = read.error();
            return false;
        }
        out = picture.convertToFormat(QImage::Format_RGB32);
        return true;
    };
    QString why;
    QImage map;
    if (!load(mapPicture, map, why))
        return refuseOpening(kStudioTitle, QStringLiteral("\"Worldmap.gif\" could not be read as a picture: %1").arg(why),
                             vt::Dialogs::Icon::Critical);
    if (map.width() < kScreenWidth || map.height() < kScreenHeight)
        return refuseOpening(kProgramTitle, QStringLiteral("Map screen must be at least 640*480"), vt::Dialogs::Icon::None);
    QImage pictures;
    if (!load(nodePictures, pictures, why))
        return refuseOpening(kStudioTitle,
                             QStringLiteral("\"MapObjects.bmp\" could not be read as a picture: %1").arg(why),
                             vt::Dialogs::Icon::Critical);
    picHoldMap = std::move(map);
    picHoldImages = std::move(pictures);
    const int lastStart = std::max(0, picHoldImages.width() / kCell - 1);
    imgScroll->setValue(0);
    imgScroll->setMaximum(lastStart);
    imgScroll->setEnabled(lastStart > 0);

    CurrentNode = 0;
    m_document.reset();
    lblCurrent->setText(QStringLiteral("Node 000"));
    chkPassThru->setChecked(false);

    m_fillingList = true;
    for (int k = 0; k < 4; ++k)
        cmbNodeSelect[k]->setCurrentIndex(cmbNodeSelect[k]->count() > 0 ? 0 : -1);
    cmbNodeSelect[4]->clear();
    cmbNodeSelect[4]->addItems(tagEntries());
    cmbNodeSelect[5]->clear();
    cmbNodeSelect[5]->addItems(entranceEntries());
    cmbNodeSelect[5]->setCurrentIndex(-1);
    m_fillingList = false;
    chooseEntry(4, 0);

    const int width = picHoldMap.width();
    const int height = picHoldMap.height();
    xScroll->setEnabled(width != kScreenWidth);
    xScroll->setMaximum(width != kScreenWidth ? width - kScreenWidth : 0);
    yScroll->setEnabled(height != kScreenHeight);
    yScroll->setMaximum(height != kScreenHeight ? height - kScreenHeight : 0);

    const QString mapFile = worldFile(QStringLiteral("Worldmap.qzm"));
    if (mCommon::FileExists(mapFile)) {
        if (const vt::Status read = m_document.load(mapFile); !read)
            return refuseOpening(kStudioTitle,
                                 QStringLiteral("The world map \"Worldmap.qzm\" could not be read, so the map "
                                                "editor did not open. The file was left as it is.\n%1")
                                     .arg(read.error()),
                                 vt::Dialogs::Icon::Critical);
    }

    // Node 1 in the middle of the view, as far as the scroll bars reach.
    const int x1 = worldMap().xPos(1);
    const int y1 = worldMap().yPos(1);
    if (xScroll->isEnabled())
        xScroll->setValue(x1 > width - 320 ? width - kScreenWidth : x1 >= 320 ? x1 - 320 : 0);
    if (yScroll->isEnabled())
        yScroll->setValue(y1 > height - 240 ? height - kScreenHeight : y1 >= 240 ? y1 - 240 : 0);

    RefillLinkLists();
    DrawMap();
    DrawPictureStrip();
    return true;
}

void frmMapScreenEdit::fitIntoFrame(QMdiSubWindow &frame)
{
    // The editor has a fixed size; the main window grows (within the screen) to show it whole.
    QMdiArea *area = frame.mdiArea();
    QWidget *top = window();
    if (!area || top == this || top->isMaximized() || top->isFullScreen())
        return;
    const QSize have = area->viewport()->size();
    const QSize need = frame.size();
    if (need.width() <= have.width() && need.height() <= have.height())
        return;
    frame.move(0, 0);
    QSize wanted = top->size() + QSize(std::max(0, need.width() - have.width()), std::max(0, need.height() - have.height()));
    if (const QScreen *screen = top->screen())
        wanted = wanted.boundedTo(screen->availableGeometry().size());
    top->resize(wanted);
}

QString frmMapScreenEdit::worldFile(const QString &name) const
{
    return vt::resolvePath(vt::joinPath(WorldPath, name));
}

void frmMapScreenEdit::closeWithoutAsking()
{
    m_closingSilently = true;
    KillMe();
    m_closingSilently = false;
}

void frmMapScreenEdit::KillMe()
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->close();
    else
        close();
}

bool frmMapScreenEdit::askToSave()
{
    return vt::askToSaveChanges(m_dialogs, this, kStudioTitle, QStringLiteral("Save changes to world map?"),
                                [this] { return SaveChanges(); });
}

void frmMapScreenEdit::closeEvent(QCloseEvent *event)
{
    if (!m_closingSilently && m_open && m_document.isModified() && !askToSave()) {
        event->ignore();
        return;
    }
    // The map and its pictures go with the window.
    m_open = false;
    m_document.reset();
    picHoldMap = QImage();
    picHoldImages = QImage();
    event->accept();
}

bool frmMapScreenEdit::SaveChanges()
{
    if (!m_open)
        return false;
    const vt::Status saved = m_document.save(worldFile(QStringLiteral("Worldmap.qzm")), m_world.state().modFolder());
    if (!saved) {
        m_dialogs.message(this, kStudioTitle, QStringLiteral("The world map was not saved.\n%1").arg(saved.error()),
                          vt::Dialogs::Icon::Warning);
        return false;
    }
    m_dialogs.message(this, kProgramTitle, QStringLiteral("Map screen changes saved to disk!"));
    return true;
}

// ---- editing -------------------------------------------------------------------------------

void frmMapScreenEdit::editMap(const QString &name, const std::function<void(oWorldMap &)> &edit, qint32 selectAfter)
{
    if (m_following)
        return;  // the controls showing the document store nothing
    // The caller shows its own edit; the document's signal is for undo and redo.
    m_editing = true;
    m_document.edit(name, edit, CurrentNode, selectAfter < 0 ? CurrentNode : selectAfter);
    m_editing = false;
}

void frmMapScreenEdit::followDocument(const QList<qint32> &, qint32 select)
{
    if (m_editing || !m_open)
        return;
    m_following = true;
    if (select >= 1 && select <= worldMap().nodeCount())
        CurrentNode = select;
    RefillLinkLists();
    if (CurrentNode >= 1 && CurrentNode <= worldMap().nodeCount())
        SelectNode(CurrentNode);
    m_following = false;
    DrawMap();
    DrawPictureStrip();
}

void frmMapScreenEdit::AddNode()
{
    if (!m_open)
        return;
    if (worldMap().nodeCount() >= oWorldMap::kMaxNodes) {
        m_dialogs.message(this, kStudioTitle,
                          QStringLiteral("The map already has %1 nodes, the most its file can hold. "
                                         "No node was added.")
                              .arg(oWorldMap::kMaxNodes),
                          vt::Dialogs::Icon::Warning);
        return;
    }
    const qint32 count = worldMap().nodeCount();
    const auto x = static_cast<qint16>(xScroll->value() + 30);
    const auto y = static_cast<qint16>(yScroll->value() + 30);
    editMap(QStringLiteral("Add Node"), [x, y](oWorldMap &map) { (void)map.AddNode(x, y, true); }, count + 1);
    if (worldMap().nodeCount() == count)
        return;
    // Shown as the node's own values: the lists store nothing while they follow.
    m_following = true;
    SelectNode(worldMap().nodeCount());
    RefillLinkLists();
    m_following = false;
    DrawMap();
}

void frmMapScreenEdit::KillNode()
{
    if (!m_open)
        return;
    // The lists, refilled, no longer offer the removed node: the selected node's links to it
    // become "-" in the same step.
    const qint32 selected = CurrentNode;
    editMap(QStringLiteral("Remove Node"), [selected](oWorldMap &map) {
        map.removeNode();
        const quint8 last = static_cast<quint8>(map.nodeCount());
        if (selected < 1 || selected > map.nodeCount())
            return;
        if (map.UpNode(selected) > last)
            map.setUpNode(selected, 0);
        if (map.DownNode(selected) > last)
            map.setDownNode(selected, 0);
        if (map.LeftNode(selected) > last)
            map.setLeftNode(selected, 0);
        if (map.RightNode(selected) > last)
            map.setRightNode(selected, 0);
    });
    m_following = true;
    RefillLinkLists();
    m_following = false;
    DrawMap();
}

void frmMapScreenEdit::RefillLinkLists()
{
    const bool nodeSelected = CurrentNode >= 1 && CurrentNode <= worldMap().nodeCount();
    const quint8 links[4] = {worldMap().UpNode(CurrentNode), worldMap().DownNode(CurrentNode),
                             worldMap().LeftNode(CurrentNode), worldMap().RightNode(CurrentNode)};
    for (int k = 0; k < 4; ++k) {
        QComboBox *list = cmbNodeSelect[k];
        // The selected node's own link, even where the list still shows another node's
        // (a selection that stopped early leaves lists as they were).
        const int p = nodeSelected ? links[k] : std::max(0, list->currentIndex());
        m_fillingList = true;
        list->clear();
        list->addItem(QStringLiteral("-"));
        for (qint32 n = 1; n <= worldMap().nodeCount(); ++n)
            list->addItem(QString::number(n));
        m_fillingList = false;
        chooseEntry(k, p < list->count() ? p : 0);
    }
}

void frmMapScreenEdit::chooseEntry(int list, int entry)
{
    if (cmbNodeSelect[list]->currentIndex() == entry)
        nodeListChanged(list, entry);
    else
        cmbNodeSelect[list]->setCurrentIndex(entry);
}

void frmMapScreenEdit::nodeListChanged(int list, int entry)
{
    if (m_fillingList || entry < 0)
        return;
    const auto v = static_cast<quint8>(entry);
    static const char *const names[6] = {"Link Up", "Link Down", "Link Left", "Link Right", "Level Link",
                                         "Manner of Entrance"};
    editMap(
        QString::fromLatin1(names[std::clamp(list, 0, 5)]),
        [this, list, v](oWorldMap &map) {
            switch (list) {
            case 0: map.setUpNode(CurrentNode, v); break;
            case 1: map.setDownNode(CurrentNode, v); break;
            case 2: map.setLeftNode(CurrentNode, v); break;
            case 3: map.setRightNode(CurrentNode, v); break;
            case 4: map.setNodeTag(CurrentNode, v); break;
            case 5: map.setEntryPointValue(CurrentNode, v); break;
            default: break;
            }
        });
    if (list == 4)
        cmdWorld->setVisible(isWarp(worldMap().NodeTag(CurrentNode)));
    else if (list < 4 && chkShowLinks->isChecked())
        DrawMap();  // the link lines follow the lists
}

void frmMapScreenEdit::SelectNode(qint32 n)
{
    CurrentNode = n;
    lblCurrent->setText(QStringLiteral("Node %1").arg(n));
    chkPassThru->setChecked(worldMap().PassThru(n));
    const int values[6] = {worldMap().UpNode(n),   worldMap().DownNode(n), worldMap().LeftNode(n),
                           worldMap().RightNode(n), worldMap().NodeTag(n),  worldMap().EntryPoint(n)};
    for (int k = 0; k < 6; ++k) {
        // A value the list has no entry for stops here; the node keeps it untouched.
        if (values[k] >= cmbNodeSelect[k]->count())
            return;
        cmbNodeSelect[k]->setCurrentIndex(values[k]);
    }
    cmdWorld->setVisible(isWarp(worldMap().NodeTag(n)));
}

void frmMapScreenEdit::chooseWorld()
{
    frmMapScrGetWorld picker(m_world.state().sWorldFolders, m_dialogs, window());
    picker.ShowMe(worldMap().warpExitWorld(CurrentNode));
    const qint16 world = picker.OutputWorldNumber();
    if (world > 0)
        editMap(QStringLiteral("Warp World"),
                [this, world](oWorldMap &map) { map.warpSetExitWorld(CurrentNode, static_cast<quint8>(world)); });
}

// ---- mouse ---------------------------------------------------------------------------------

QPoint frmMapScreenEdit::scrollPosition() const
{
    return {xScroll->value(), yScroll->value()};
}

bool frmMapScreenEdit::insideView(qint32 id) const
{
    return MapScreenRenderer::NodeInView(worldMap(), id, scrollPosition(), QSize(ViewWidth, ViewHeight));
}

void frmMapScreenEdit::viewPressed(Qt::MouseButton button, QPointF at)
{
    if (!m_open)
        return;
    const int xs = xScroll->value();
    const int ys = yScroll->value();
    if (button == Qt::LeftButton) {
        for (qint32 i = 1; i <= worldMap().nodeCount(); ++i) {
            if (!insideView(i))
                continue;
            const float vx = static_cast<float>(worldMap().xPos(i) - xs);
            const float vy = static_cast<float>(worldMap().yPos(i) - ys);
            if (NodeDistance(static_cast<float>(at.x()), static_cast<float>(at.y()), vx, vy) <= kSelectReach) {
                SelectNode(i);
                DrawMap();
                return;
            }
        }
    } else if (button == Qt::RightButton) {
        const int mx = roundHalfEven(xs + at.x());
        const int my = roundHalfEven(ys + at.y());
        if (mx > picHoldMap.width() || my > picHoldMap.height() || mx > std::numeric_limits<qint16>::max() ||
            my > std::numeric_limits<qint16>::max())
            return;
        editMap(QStringLiteral("Move Node"), [this, mx, my](oWorldMap &map) {
            map.moveNode(CurrentNode, static_cast<qint16>(mx), static_cast<qint16>(my));
        });
        DrawMap();
    }
}

void frmMapScreenEdit::viewWheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers)
{
    int dx = angleDelta.x();
    int dy = angleDelta.y();
    if ((modifiers & Qt::ShiftModifier) && dx == 0)
        std::swap(dx, dy);
    auto scroll = [](QScrollBar *bar, int delta) {
        if (bar->isEnabled() && delta != 0)
            bar->setValue(bar->value() - delta * kWheelStep / 120);
    };
    scroll(xScroll, dx);
    scroll(yScroll, dy);
}

void frmMapScreenEdit::stripPressed(Qt::MouseButton button, QPointF at)
{
    if (!m_open)
        return;
    const int value = button == Qt::RightButton ? 0 : roundHalfEven(at.x()) / kCell + imgScroll->value() + 1;
    // A cell past the last picture holds nothing to show: such a click is refused.
    if (value > MapScreenRenderer::PictureCount(picHoldImages) || value > std::numeric_limits<quint8>::max())
        return;
    editMap(QStringLiteral("Node Picture"),
            [this, value](oWorldMap &map) { map.setNodeImage(CurrentNode, static_cast<quint8>(value)); });
    DrawPictureStrip();
    DrawMap();
}

// ---- drawing -------------------------------------------------------------------------------

void frmMapScreenEdit::DrawMap()
{
    const MapScreenRenderer::Scene scene{picHoldMap, picHoldImages, worldMap(), scrollPosition(), CurrentNode,
                                         picMap->font(), chkShowLinks->isChecked()};
    MapScreenRenderer::DrawMap(m_view, scene);
    picMap->update();
}

void frmMapScreenEdit::DrawPictureStrip()
{
    MapScreenRenderer::DrawPictureStrip(m_strip, picHoldImages, imgScroll->value(), palette().color(QPalette::Window));
    picImages->update();
}

} // namespace tessaforge
