// The map editor's view and panel: how they are built, what the mouse does on them, and
// how they are drawn.
#include "frmMapScreenEdit.h"

#include "MapEditorLayout.h"
#include "MapScreenRenderer.h"
#include "Panel.h"
#include "PictureSurface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace tessaforge {

using namespace mapeditor;

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
    // A view option only, off at first: the map shows its nodes alone, its links in the lists.
    chkShowLinks->setToolTip(QStringLiteral("Draw a line with an arrow for every link between nodes"));

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
        mnuNodes->popup(QCursor::pos());
    });
    connect(imgScroll, &QScrollBar::valueChanged, this, [this] { DrawPictureStrip(); });
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
