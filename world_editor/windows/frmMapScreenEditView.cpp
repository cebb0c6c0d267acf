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
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

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

namespace {

// The width a list needs to show the widest of `entries` whole.
int listWidthFor(const QComboBox &list, const QStringList &entries)
{
    int widest = 0;
    for (const QString &entry : entries)
        widest = std::max(widest, list.fontMetrics().horizontalAdvance(entry));
    QStyleOptionComboBox option;
    option.initFrom(&list);
    option.frame = true;
    const QSize contents(widest, list.fontMetrics().height());
    return list.style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, &list).width();
}

} // namespace

void frmMapScreenEdit::buildPanel()
{
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, kViewOuterHeight, kViewOuterWidth, kPanelHeight);

    // The lists, buttons and labels above the picture strip, laid out from their texts so that
    // none is cut.
    auto *controls = new QWidget(Picture1);
    controls->setObjectName(QStringLiteral("picControls"));
    controls->setGeometry(0, 0, kViewOuterWidth, kStripTop - 2);

    auto label = [](const QString &text, const QString &name, QWidget *parent, Qt::Alignment align) {
        auto *l = new QLabel(text, parent);
        l->setObjectName(name);
        l->setAlignment(align);
        return l;
    };
    Label2[0] = label(QStringLiteral("Next Nodes"), QStringLiteral("Label2_0"), controls, Qt::AlignCenter);
    Label2[1] = label(QStringLiteral("Level Link"), QStringLiteral("Label2_1"), controls, Qt::AlignCenter);
    // "Manner of" and "Entrance" read as one heading, side by side above their list.
    Label2[2] = label(QStringLiteral("Manner of"), QStringLiteral("Label2_2"), controls, Qt::AlignRight);
    Label2[3] = label(QStringLiteral("Entrance"), QStringLiteral("Label2_3"), controls, Qt::AlignLeft);

    for (int k = 0; k < 6; ++k) {
        cmbNodeSelect[k] = new QComboBox(controls);
        cmbNodeSelect[k]->setObjectName(QStringLiteral("cmbNodeSelect%1").arg(k));
        cmbNodeSelect[k]->setMaxVisibleItems(20);
        cmbNodeSelect[k]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(cmbNodeSelect[k], &QComboBox::currentIndexChanged, this,
                [this, k](int entry) { nodeListChanged(k, entry); });
    }
    // Each list is as wide as the widest entry it can ever hold.
    QString widestTag;
    for (const QString &tag : tagEntries())
        if (fontMetrics().horizontalAdvance(tag) > fontMetrics().horizontalAdvance(widestTag))
            widestTag = tag;
    const QString widestLink = QStringLiteral("%1 - %2").arg(oWorldMap::kMaxNodes).arg(widestTag.simplified());
    for (int k = 0; k < 4; ++k)
        cmbNodeSelect[k]->setMinimumWidth(listWidthFor(*cmbNodeSelect[k], {widestLink}));
    cmbNodeSelect[4]->setMinimumWidth(listWidthFor(*cmbNodeSelect[4], tagEntries()));
    cmbNodeSelect[5]->setMinimumWidth(listWidthFor(*cmbNodeSelect[5], entranceEntries()));
    cmbNodeSelect[0]->setToolTip(QStringLiteral("Node reached by going up"));
    cmbNodeSelect[1]->setToolTip(QStringLiteral("Node reached by going down"));
    cmbNodeSelect[2]->setToolTip(QStringLiteral("Node reached by going left"));
    cmbNodeSelect[3]->setToolTip(QStringLiteral("Node reached by going right"));

    cmdWorld = new QPushButton(QStringLiteral("Select Dest. World"), controls);
    cmdWorld->setObjectName(QStringLiteral("cmdWorld"));
    QSizePolicy keepPlace = cmdWorld->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);  // shown for warps only; the panel does not jump
    cmdWorld->setSizePolicy(keepPlace);
    cmdWorld->setVisible(false);
    chkPassThru = new QCheckBox(QStringLiteral("Pass Thru"), controls);
    chkPassThru->setObjectName(QStringLiteral("chkPassThru"));
    chkShowLinks = new QCheckBox(QStringLiteral("Show Links"), controls);
    chkShowLinks->setObjectName(QStringLiteral("chkShowLinks"));
    // A view option only, off at first: the map shows its nodes alone, its links in the lists.
    chkShowLinks->setToolTip(QStringLiteral("Draw a line with an arrow for every link between nodes"));

    Label3 = label(QStringLiteral("Selected"), QStringLiteral("Label3"), controls, Qt::AlignLeft);
    lblCurrent = label(kNoNodeSelected, QStringLiteral("lblCurrent"), controls, Qt::AlignLeft);
    QFont bold = lblCurrent->font();
    bold.setBold(true);
    lblCurrent->setFont(bold);
    lblCurrent->setMinimumWidth(lblCurrent->fontMetrics().horizontalAdvance(
        QStringLiteral("Node %1").arg(oWorldMap::kMaxNodes)));
    cmdBottomRight = new QPushButton(QStringLiteral("Menu"), controls);
    cmdBottomRight->setObjectName(QStringLiteral("cmdBottomRight"));

    // The four links as a cross: up on top, down below, left and right at the sides.
    auto *cross = new QGridLayout;
    cross->setSpacing(2);
    cross->addWidget(Label2[0], 0, 0, 1, 2);
    cross->addWidget(cmbNodeSelect[0], 1, 0, 1, 2, Qt::AlignHCenter);
    cross->addWidget(cmbNodeSelect[2], 2, 0);
    cross->addWidget(cmbNodeSelect[3], 2, 1);
    cross->addWidget(cmbNodeSelect[1], 3, 0, 1, 2, Qt::AlignHCenter);
    cross->setRowStretch(4, 1);

    auto column = [](std::initializer_list<QWidget *> widgets) {
        auto *box = new QVBoxLayout;
        box->setSpacing(2);
        for (QWidget *w : widgets)
            box->addWidget(w);
        box->addStretch(1);
        return box;
    };
    QVBoxLayout *levelLink = column({Label2[1], cmbNodeSelect[4], cmdWorld, chkPassThru});
    auto *entranceHeading = new QHBoxLayout;
    entranceHeading->setSpacing(fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    entranceHeading->addStretch(1);
    entranceHeading->addWidget(Label2[2]);
    entranceHeading->addWidget(Label2[3]);
    entranceHeading->addStretch(1);
    QVBoxLayout *entrance = column({cmbNodeSelect[5], chkShowLinks});
    entrance->insertLayout(0, entranceHeading);
    QVBoxLayout *selected = column({Label3, lblCurrent, cmdBottomRight});

    auto *row = new QHBoxLayout(controls);
    row->setContentsMargins(4, 2, 10, 0);  // the right edge in line with the strip's
    row->setSpacing(0);
    row->addLayout(cross);
    for (QLayout *l : std::initializer_list<QLayout *>{levelLink, entrance, selected}) {
        row->addStretch(1);
        row->addLayout(l);
    }

    auto *strip = new PictureSurface(m_strip, Picture1);
    strip->onPress = [this](Qt::MouseButton button, QPointF at) { stripPressed(button, at); };
    picImages = strip;
    picImages->setObjectName(QStringLiteral("picImages"));
    picImages->setGeometry(10, kStripTop, kStripCells * kCell, kCell);
    picImages->setToolTip(QStringLiteral("Click a picture for the selected node; right click for none"));
    imgScroll = new QScrollBar(Qt::Horizontal, Picture1);
    imgScroll->setObjectName(QStringLiteral("imgScroll"));
    imgScroll->setGeometry(10, kStripTop + kCell, kStripCells * kCell, kScrollThickness);
    imgScroll->setRange(0, 0);
    imgScroll->setPageStep(kStripCells);
    imgScroll->setEnabled(false);

    // The mouse hints on one line under the strip, one at each end.
    const int hintsTop = kStripTop + kCell + kScrollThickness + 2;
    Label1[0] = label(QStringLiteral("Left Click - Select Node"), QStringLiteral("Label1_0"), Picture1, Qt::AlignLeft);
    Label1[1] = label(QStringLiteral("Right Click - Move Node"), QStringLiteral("Label1_1"), Picture1, Qt::AlignRight);
    const int hintHeight = kPanelHeight - hintsTop;
    Label1[0]->setGeometry(10, hintsTop, Label1[0]->sizeHint().width(), hintHeight);
    const int rightHintWidth = Label1[1]->sizeHint().width();
    Label1[1]->setGeometry(10 + kStripCells * kCell - rightHintWidth, hintsTop, rightHintWidth, hintHeight);

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

void frmMapScreenEdit::showNode(qint32 n)
{
    if (!m_open || n < 1 || n > worldMap().nodeCount())
        return;
    xScroll->setValue(worldMap().xPos(n) - ViewWidth / 2);
    yScroll->setValue(worldMap().yPos(n) - ViewHeight / 2);
    SelectNode(n);
    DrawMap();
}

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
