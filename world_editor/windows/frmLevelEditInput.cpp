// The area editor's mouse, wheel and keys: the pencil and the start placement under the
// buttons, the status line under the pointer, zoom and scrolling.
#include "frmLevelEdit.h"


#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tessaforge {

namespace {

constexpr int kWheelStep = 120;   // one notch of a common wheel
constexpr int kWheelCells = 3;    // rows or columns one notch scrolls

const QString kPaint = QStringLiteral("Paint");
const QString kErase = QStringLiteral("Erase");

} // namespace

QPoint frmLevelEdit::windowCell(QPointF position, qint32 zoom)
{
    auto toCell = [zoom](qreal v) {
        if (!std::isfinite(v))
            return 0;
        // nearbyint rounds a half to the even neighbour; integer division truncates toward zero.
        const auto pixel = static_cast<qint64>(std::nearbyint(std::clamp(v, -1e9, 1e9)));
        return static_cast<int>(pixel / std::max(zoom, 1));
    };
    return {toCell(position.x()), toCell(position.y())};
}

void frmLevelEdit::buttonDown(int button, QPointF position, bool press)
{
    const QPoint window = windowCell(position, lZoom);
    const qint32 c = window.x() + hScroll->value();
    const qint32 r = window.y() + vScroll->value();
    if (c < 0 || r < 0 || c > oArea.width() || r > oArea.height())
        return;

    AreaCell after = cellAt(oArea, c, r);
    const auto mode = static_cast<qint32>(m_brush.tMode);
    if (bSetStartMode) {
        // Any button ends the placement; only the left button alone places.
        bSetStartMode = false;
        updateCursorShape();
        if (button == kLeft)
            m_document.placeStart(QPoint(c, r));
        else
            m_document.markChanged();  // a cancelled placement still counts as a change
        return;
    }
    if (button == kLeft) {
        const qint32 x = m_brush.curTileX;
        const qint32 y = m_brush.curTileY;
        if (mode == 0 && x >= 0 && x <= 255 && y >= 0 && y <= 255)
            after = AreaCell{true, static_cast<quint8>(x), static_cast<quint8>(y), after.lTag, after.lEnemy};
        else if (mode == 1)
            after.lTag = y;
        else if (mode == 2)
            after.lEnemy = y;
    } else {
        if (mode == 0)
            after = AreaCell{false, 0, 0, after.lTag, after.lEnemy};
        else if (mode == 1)
            after.lTag = 0;
        else if (mode == 2)
            after.lEnemy = 0;
    }
    // A click counts as a change even when the cell held its value already; a drag that
    // passes over such cells does not, so that undoing it leads back to the saved area.
    if (!m_document.paintCell(c, r, after, button == kLeft ? kPaint : kErase) && press)
        m_document.markChanged();
}

void frmLevelEdit::moveCursorTo(QPointF position)
{
    const QPoint window = windowCell(position, lZoom);
    m_pointerCell = QPoint(window.x() + hScroll->value(), window.y() + vScroll->value());
    if (m_dragging || m_floating) {
        placeFootprint();
    } else {
        shpCursor->setGeometry(window.x() * lZoom, window.y() * lZoom, lZoom, lZoom);
        shpCursor->show();
    }
}

void frmLevelEdit::showStatus(QPointF position)
{
    const QString size = QStringLiteral("Area %1 × %2").arg(oArea.width() + 1).arg(oArea.height() + 1);
    QString text = size;
    const QPoint window = windowCell(position, lZoom);
    const qint32 c = window.x() + hScroll->value();
    const qint32 r = window.y() + vScroll->value();
    if (rect().contains(position.toPoint()) && c >= 0 && r >= 0 && c <= oArea.width() && r <= oArea.height()) {
        const QString tile = oArea.IsTile(c, r)
                                 ? QStringLiteral("(%1, %2)").arg(oArea.xSrc(c, r)).arg(oArea.ySrc(c, r))
                                 : QStringLiteral("none");
        text = QStringLiteral("Cell (%1, %2)  tile %3  tag %4  enemy %5      %6")
                   .arg(c)
                   .arg(r)
                   .arg(tile)
                   .arg(oArea.TileTag(c, r))
                   .arg(oArea.TileEnemy(c, r))
                   .arg(size);
    }
    Q_EMIT statusMessage(text);
}

void frmLevelEdit::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF position = event->position();
    if (m_dragging)
        m_dragTo = cellUnder(position);
    moveCursorTo(position);
    showStatus(position);
    const int buttons = static_cast<int>(event->buttons());
    if (buttons == 0) {
        m_pressSwallowed = false;
        m_document.endStroke();  // a release that went elsewhere
        return;
    }
    if (m_pressSwallowed)
        return;
    if (m_document.strokeOpen() || (m_tool == AreaTool::Pencil && !m_dragging && !m_floating)) {
        if (!m_document.strokeOpen())
            m_document.beginStroke();
        buttonDown(buttons, position, false);
    }
}

void frmLevelEdit::mousePressEvent(QMouseEvent *event)
{
    const int button = static_cast<int>(event->button());
    const QPointF position = event->position();
    const QPoint cell = cellUnder(position);
    m_pressSwallowed = false;
    m_pressPlacedStart = bSetStartMode && inArea(cell);
    // Alt with the left button picks in any tool; a pending start placement comes first.
    if (!bSetStartMode && button == kLeft && (event->modifiers() & Qt::AltModifier)) {
        pickCell(cell.x(), cell.y());
    } else if (const bool pencil =
                   m_document.strokeOpen() || (m_tool == AreaTool::Pencil && !m_floating && !m_dragging);
               pencil || bSetStartMode) {
        // With another tool the start is placed by the press alone; the drag paints nothing.
        if (!pencil)
            m_document.endStroke();
        else if (!m_document.strokeOpen())
            m_document.beginStroke();
        buttonDown(button, position, true);
    } else {
        toolPressed(button, cell);
    }
    showStatus(position);
}

void frmLevelEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The toolkit turns the second press of a double-click into this event. When the first
    // press placed the start, the second belongs to the same gesture: it paints nothing, not
    // even while it is dragged. Otherwise it is one more press, as a quick second click is.
    if (m_pressPlacedStart) {
        m_pressPlacedStart = false;
        m_pressSwallowed = true;
        event->accept();
        return;
    }
    mousePressEvent(event);
}

void frmLevelEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        return;
    m_pressSwallowed = false;
    m_document.endStroke();
    if (m_dragging)
        toolReleased();
}

void frmLevelEdit::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (m_world.state().bAreaWindowOpen)
        Q_EMIT statusMessage(
            QStringLiteral("Area %1 × %2").arg(oArea.width() + 1).arg(oArea.height() + 1));
}

void frmLevelEdit::zoomAround(bool in, QPointF position)
{
    const QPoint before = windowCell(position, lZoom);
    const qint32 c = before.x() + hScroll->value();
    const qint32 r = before.y() + vScroll->value();
    const qint32 old = lZoom;
    if (!m_world.state().bAreaWindowOpen || (in ? lZoom >= kMaxZoom : lZoom <= kMinZoom))
        return;
    // The new scroll position first, then one drawing: the cell at `position` stays there
    // where the scroll range allows.
    const qint32 zoom = in ? old + kZoomStep : old - kZoomStep;
    const QPoint after = windowCell(position, zoom);
    {
        const QSignalBlocker quietH(hScroll), quietV(vScroll);
        hScroll->setValue(c - after.x());
        vScroll->setValue(r - after.y());
    }
    setZoom(zoom);
    moveCursorTo(position);
}

void frmLevelEdit::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    m_wheelRest += delta.y() != 0 ? delta.y() : delta.x();
    const int steps = m_wheelRest / kWheelStep;
    m_wheelRest -= steps * kWheelStep;
    event->accept();
    if (steps == 0)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        zoomAround(steps > 0, event->position());
        m_wheelRest = 0;
    } else if (event->modifiers() & Qt::ShiftModifier || delta.y() == 0) {
        hScroll->setValue(hScroll->value() - steps * kWheelCells);
    } else {
        vScroll->setValue(vScroll->value() - steps * kWheelCells);
    }
}

void frmLevelEdit::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_C: copySelection(); break;
        case Qt::Key_X: cutSelection(); break;
        case Qt::Key_V: startPaste(); break;
        default: QWidget::keyPressEvent(event); return;
        }
        event->accept();
        return;
    }
    if (mods == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_P: setTool(AreaTool::Pencil); event->accept(); return;
        case Qt::Key_R: setTool(AreaTool::Rectangle); event->accept(); return;
        case Qt::Key_F: setTool(AreaTool::Fill); event->accept(); return;
        case Qt::Key_I: setTool(AreaTool::Pick); event->accept(); return;
        case Qt::Key_S: setTool(AreaTool::Select); event->accept(); return;
        case Qt::Key_Escape: cancelTool(); event->accept(); return;
        default: break;
        }
    }
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomIn(); break;
    case Qt::Key_Minus: ZoomOut(); break;
    case Qt::Key_Left: hScroll->setValue(hScroll->value() - 1); break;
    case Qt::Key_Right: hScroll->setValue(hScroll->value() + 1); break;
    case Qt::Key_Up: vScroll->setValue(vScroll->value() - 1); break;
    case Qt::Key_Down: vScroll->setValue(vScroll->value() + 1); break;
    case Qt::Key_PageUp:
        if (event->modifiers() & Qt::ShiftModifier)
            hScroll->setValue(hScroll->value() - hScroll->pageStep());
        else
            vScroll->setValue(vScroll->value() - vScroll->pageStep());
        break;
    case Qt::Key_PageDown:
        if (event->modifiers() & Qt::ShiftModifier)
            hScroll->setValue(hScroll->value() + hScroll->pageStep());
        else
            vScroll->setValue(vScroll->value() + vScroll->pageStep());
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

} // namespace tessaforge
