#include "frmLevelTiles.h"

#include "documents/AreaBrush.h"
#include "documents/AreaPictures.h"

#include "Panel.h"

#include "resources/TagSheet.h"

#include <QCheckBox>
#include <QHelpEvent>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace tessaforge {

namespace {


// Copies the part of `source` that lies inside the picture to the place it would have if
// the whole rectangle were copied to `to`; the rest of the target keeps what it shows.
void copyClipped(QPainter &p, QPoint to, const QImage &picture, const QRect &source)
{
    const QRect inside = source & picture.rect();
    if (!inside.isEmpty())
        p.drawImage(to + (inside.topLeft() - source.topLeft()), picture, inside);
}

// Turns a pixel offset from the palette's origin into a cell offset: the nearest whole pixel
// (halves to even), then a quotient truncated toward zero, so anything within a cell of the
// origin on either side counts as cell 0.
qint32 cellOffset(double pixels)
{
    return static_cast<qint32>(std::nearbyint(pixels)) / frmLevelTiles::kCell;
}

QFont smallFont(const QFont &base, bool bold)
{
    QFont font(base);
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

} // namespace

frmLevelTiles::frmLevelTiles(AreaBrush &brush, const AreaPictures &pictures, QWidget *parent)
    : QWidget(parent), m_brush(brush), m_pictures(pictures)
{
    // A pick in the area editor chooses here too.
    connect(&m_brush, &AreaBrush::changed, this, &frmLevelTiles::showSelection);
    setObjectName(QStringLiteral("frmLevelTiles"));
    setWindowTitle(QStringLiteral("Level Tiles"));
    // The back image covers the whole surface: nothing to erase before presenting it.
    setAttribute(Qt::WA_OpaquePaintEvent);

    cmdSwitch = new QPushButton(QStringLiteral("T"), this);
    cmdSwitch->setObjectName(QStringLiteral("cmdSwitch"));
    cmdSwitch->setFont(smallFont(font(), true));
    cmdSwitch->setFocusPolicy(Qt::NoFocus);
    cmdSwitch->setToolTip(QStringLiteral("Switch between tiles and objects"));
    // A 16-pixel button has no room for the style's padding around its letter.
    cmdSwitch->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));

    hscTiles = new QScrollBar(Qt::Horizontal, this);
    hscTiles->setObjectName(QStringLiteral("hscTiles"));
    vscTiles = new QScrollBar(Qt::Vertical, this);
    vscTiles->setObjectName(QStringLiteral("vscTiles"));
    for (QScrollBar *bar : {hscTiles, vscTiles}) {
        bar->setRange(0, 0);
        bar->setSingleStep(1);
    }

    // The strip over the object palette takes its own clicks: one that misses a box must
    // not select the row under the strip, which would be value 0 and erase what is painted.
    picTags = new Panel(this);
    picTags->setObjectName(QStringLiteral("picTags"));
    picTags->setAutoFillBackground(true);
    const char *boxTips[2] = {"Show tags in every mode", "Show enemies in every mode"};
    for (int i = 0; i < 2; ++i) {
        chkTags[i] = new QCheckBox(picTags);
        chkTags[i]->setObjectName(QStringLiteral("chkTags%1").arg(i));
        chkTags[i]->setFocusPolicy(Qt::NoFocus);
        chkTags[i]->setToolTip(QString::fromLatin1(boxTips[i]));
        const QSize box = chkTags[i]->sizeHint().boundedTo(QSize(kCell, kBar));
        // Each box sits above its column of the palette.
        chkTags[i]->setGeometry(i * kCell + (kCell - box.width()) / 2, (kBar - box.height()) / 2, box.width(),
                                box.height());
    }
    Label1 = new QLabel(QStringLiteral("Show"), picTags);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(smallFont(font(), false));
    Label1->setGeometry(2 * kCell + 4, 0, 40, kBar);
    picTags->hide();

    // The selection in words, always whole, whatever the window's width leaves of its title.
    lblSelection = new QLabel(this);
    lblSelection->setObjectName(QStringLiteral("lblSelection"));
    lblSelection->setFont(smallFont(font(), false));
    lblSelection->setAutoFillBackground(true);
    lblSelection->setIndent(4);

    connect(hscTiles, &QScrollBar::valueChanged, this, [this] { DrawPalette(); });
    connect(vscTiles, &QScrollBar::valueChanged, this, [this] { DrawPalette(); });
    connect(cmdSwitch, &QPushButton::clicked, this, &frmLevelTiles::switchPalette);
    for (QCheckBox *box : chkTags)
        connect(box, &QCheckBox::toggled, this, &frmLevelTiles::showFlagsChanged);

    resize(kOuterWidth, kOuterHeight);
}

bool frmLevelTiles::objectPalette() const
{
    return m_brush.tMode != AreaLayer::Tiles;
}

int frmLevelTiles::tilesetColumns() const
{
    return m_pictures.picHoldTiles.width() / kCell;
}

int frmLevelTiles::tilesetRows() const
{
    return m_pictures.picHoldTiles.height() / kCell;
}

int frmLevelTiles::largestValue() const
{
    // The sheet's first row is the filler and the start marker; then one row per value.
    return std::max(0, m_pictures.picHoldTags.height() / kTagSheetCell - 2);
}

QPoint frmLevelTiles::origin() const
{
    return {vscTiles->width(), hscTiles->height()};
}

void frmLevelTiles::layOut()
{
    const int w = width();
    const int h = height();
    cmdSwitch->setGeometry(0, 0, kBar, kBar);
    hscTiles->setGeometry(kBar, 0, std::max(0, w - kBar), kBar);
    picTags->setGeometry(hscTiles->geometry());
    vscTiles->setGeometry(0, kBar, kBar, std::max(0, h - kBar));
    hscTiles->setPageStep(std::max(1, (w - kBar) / kCell));
    vscTiles->setPageStep(std::max(1, (h - kBar) / kCell));
    lblSelection->setGeometry(kBar, std::max(0, h - kBar), std::max(0, w - kBar), kBar);
    DrawPalette();
}

const QImage &frmLevelTiles::tilesSource()
{
    const QImage &picture = m_pictures.picHoldTiles;
    if (picture.cacheKey() != m_tilesKey) {
        m_tilesKey = picture.cacheKey();
        m_tiles = picture.convertToFormat(QImage::Format_RGB32);
    }
    return m_tiles;
}

const QImage &frmLevelTiles::doubledTags()
{
    const QImage &sheet = m_pictures.picHoldTags;
    if (sheet.cacheKey() != m_tagsKey) {
        m_tagsKey = sheet.cacheKey();
        m_tags2x = sheet.isNull() ? QImage()
                                  : sheet.convertToFormat(QImage::Format_RGB32)
                                        .scaled(2 * sheet.width(), 2 * sheet.height(), Qt::IgnoreAspectRatio,
                                                Qt::FastTransformation);
    }
    return m_tags2x;
}

void frmLevelTiles::DrawPalette()
{
    if (m_back.size() != size())
        m_back = QImage(size(), QImage::Format_RGB32);
    if (!m_back.isNull()) {
        m_back.fill(palette().color(QPalette::Window));
        QPainter p(&m_back);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        const QPoint o = origin();
        const int s = vscTiles->value();
        if (objectPalette()) {
            // Two sheet columns side by side at double size, from value s down; a doubled
            // sheet cell is one palette cell.
            const int n = height() / kCell;
            copyClipped(p, o, doubledTags(), QRect(0, kCell * (s + 1), 2 * kCell, kCell * n));
        } else {
            const int a = hscTiles->value();
            copyClipped(p, o, tilesSource(),
                        QRect(kCell * a, kCell * s, kCell * (width() / kCell), kCell * (height() / kCell)));
        }
    }
    placeMark();
    update();
}

void frmLevelTiles::placeMark()
{
    const QPoint o = origin();
    m_shpInvert = QRect(o.x() + kCell * m_brush.curTileX - kCell * hscTiles->value(),
                        o.y() + kCell * m_brush.curTileY - kCell * vscTiles->value(), kInvertSide, kInvertSide);
    // The outline inverts what lies under it, so it shows on any tile.
    const QRect inner = m_shpInvert.adjusted(kInvertLine, kInvertLine, -kInvertLine, -kInvertLine);
    const QRect visible = m_shpInvert & m_back.rect();
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(m_back.scanLine(y));
        for (int x = visible.left(); x <= visible.right(); ++x)
            if (!inner.contains(x, y))
                line[x] ^= 0x00ffffffu;
    }
}

void frmLevelTiles::UpdatePaletteCaption()
{
    if (objectPalette())
        setWindowTitle(QStringLiteral("Objects"));
    else
        setWindowTitle(QStringLiteral("Tiles  CUR:(%1,%2)").arg(m_brush.curTileX).arg(m_brush.curTileY));
    lblSelection->setText(cellName(m_brush.curTileX, m_brush.curTileY));
}

QString frmLevelTiles::cellName(qint32 x, qint32 y) const
{
    if (!objectPalette())
        return QStringLiteral("Tile %1, %2").arg(x).arg(y);
    if (x == 0)
        return y == 0 ? QStringLiteral("No tag (clears tags)") : QStringLiteral("Tag %1").arg(y);
    return y == 0 ? QStringLiteral("No enemy (clears enemies)") : QStringLiteral("Enemy %1").arg(y);
}

bool frmLevelTiles::event(QEvent *event)
{
    // Each square names what it places.
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QPoint o = origin();
        const QPoint at = help->pos();
        if (at.x() >= o.x() && at.y() >= o.y() && !lblSelection->geometry().contains(at)) {
            const qint32 x = (at.x() - o.x()) / kCell + hscTiles->value();
            const qint32 y = (at.y() - o.y()) / kCell + vscTiles->value();
            const bool inside = objectPalette() ? x <= 1 && y <= largestValue()
                                                : x < tilesetColumns() && y < tilesetRows();
            if (inside) {
                QToolTip::showText(help->globalPos(), cellName(x, y), this);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void frmLevelTiles::ResetMe()
{
    layOut();
    m_brush.setForcedLayers(false, false);
    hscTiles->setValue(0);
    vscTiles->setValue(0);
    // A missing or empty picture offers no cell; the scroll bars and the selection then stay
    // at 0 rather than going negative.
    const int lastColumn = std::max(0, tilesetColumns() - 1);
    const int lastRow = std::max(0, tilesetRows() - 1);
    if (objectPalette()) {
        vscTiles->setMaximum(largestValue());
        cmdSwitch->setText(QStringLiteral("O"));
    } else {
        vscTiles->setMaximum(lastRow);
        cmdSwitch->setText(QStringLiteral("T"));
    }
    hscTiles->setMaximum(lastColumn);
    if (objectPalette()) {
        hscTiles->hide();
        picTags->show();
        chkTags[0]->setChecked(false);
        chkTags[1]->setChecked(false);
        m_brush.select(m_brush.tMode, std::min(m_brush.curTileX, 1), std::min(m_brush.curTileY, largestValue()));
    } else {
        hscTiles->show();
        picTags->hide();
        m_brush.select(m_brush.tMode, std::min(m_brush.curTileX, lastColumn), std::min(m_brush.curTileY, lastRow));
    }
    DrawPalette();
    UpdatePaletteCaption();
}

void frmLevelTiles::showSelection()
{
    // The show flags may have been set elsewhere (the area editor's tool bar).
    for (auto [box, on] : {std::pair{chkTags[0], m_brush.bForceShowTags}, std::pair{chkTags[1], m_brush.bForceShowEnemy}}) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }
    UpdatePaletteCaption();
    DrawPalette();
}

void frmLevelTiles::switchPalette()
{
    m_brush.select(m_brush.tMode == AreaLayer::Tiles ? AreaLayer::Tags : AreaLayer::Tiles, 0, 0);
    ResetMe();
}

void frmLevelTiles::showFlagsChanged()
{
    m_brush.setForcedLayers(chkTags[0]->isChecked(), chkTags[1]->isChecked());
}

void frmLevelTiles::mousePressEvent(QMouseEvent *event)
{
    const QPoint o = origin();
    const QPointF at = event->position();
    const qint32 x = cellOffset(at.x() - o.x()) + hscTiles->value();
    const qint32 y = cellOffset(at.y() - o.y()) + vscTiles->value();
    if (objectPalette()) {
        const qint32 column = std::min(x, 1);
        m_brush.select(column == 1 ? AreaLayer::Enemies : AreaLayer::Tags, column, std::min(y, largestValue()));
    } else {
        m_brush.select(AreaLayer::Tiles, std::min(x, std::max(0, tilesetColumns() - 1)),
                       std::min(y, std::max(0, tilesetRows() - 1)));
    }
    UpdatePaletteCaption();
    DrawPalette();
    event->accept();
}

void frmLevelTiles::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, m_back);
}

void frmLevelTiles::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void frmLevelTiles::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window is created 160 x 320 pixels outside; inside a frame that is the frame's size.
    if (!m_framed) {
        m_framed = true;
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->resize(kOuterWidth, kOuterHeight);
    }
}

void frmLevelTiles::closeEvent(QCloseEvent *event)
{
    Q_EMIT closed();
    if (m_brush.tMode != AreaLayer::Tiles) {
        // Tags and enemies are picked only here: without the palette the mouse places tiles.
        m_brush.select(AreaLayer::Tiles, 0, 0);
    }
    event->accept();
}

} // namespace tessaforge
