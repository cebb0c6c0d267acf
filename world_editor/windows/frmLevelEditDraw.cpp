// The area editor's picture: the back image drawn whole, scrolled, or square by square as the
// document says which cells changed.
#include "frmLevelEdit.h"


#include <QScrollBar>

namespace tessaforge {

AreaView frmLevelEdit::currentView() const
{
    AreaView view;
    view.size = size();
    view.zoom = lZoom;
    view.firstColumn = hScroll->value();
    view.firstRow = vScroll->value();
    view.showEnemies = m_brush.showsEnemies();
    view.showTags = m_brush.showsTags();
    view.background = kBackground;
    return view;
}

void frmLevelEdit::DrawLevel()
{
    if (!m_world.state().bAreaWindowOpen)
        return;
    shpCursor->resize(lZoom, lZoom);  // lZoom is public: whoever set it expects the cursor to follow
    const AreaView view = currentView();
    m_renderer.setSources(m_pictures.picHoldTiles, m_pictures.picHoldTags);
    m_renderer.draw(oArea, view, m_back);
    backImageShows(view);
    const int visible = std::max(1, width() / std::max(lZoom, 1));
    hScroll->setPageStep(visible);
    vScroll->setPageStep(std::max(1, height() / std::max(lZoom, 1)));
    update();
}

void frmLevelEdit::scrolled()
{
    if (!m_world.state().bAreaWindowOpen)
        return;
    // The same picture as DrawLevel, reached by moving what stays in sight.
    const AreaView view = currentView();
    m_renderer.setSources(m_pictures.picHoldTiles, m_pictures.picHoldTags);
    if (m_drawnValid)
        m_renderer.scroll(oArea, m_drawn, view, m_back);
    else
        m_renderer.draw(oArea, view, m_back);
    backImageShows(view);
    update();
}

void frmLevelEdit::backImageShows(const AreaView &view)
{
    m_drawn = view;
    m_drawnValid = true;
    // The outlines follow the squares they stand on.
    placeSelection();
    if (m_dragging || m_floating)
        placeFootprint();
}

std::optional<AreaView> frmLevelEdit::viewForSquares()
{
    if (!m_world.state().bAreaWindowOpen)
        return std::nullopt;
    const AreaView view = currentView();
    m_renderer.setSources(m_pictures.picHoldTiles, m_pictures.picHoldTags);
    if (!m_drawnValid || !(view == m_drawn) || m_renderer.sourcesChanged()) {
        DrawLevel();
        return std::nullopt;
    }
    return view;
}

void frmLevelEdit::redrawCells(const QRect &cells)
{
    const std::optional<AreaView> squares = viewForSquares();
    if (!squares)
        return;
    const AreaView &view = *squares;
    const QRect shown(view.firstColumn, view.firstRow, view.squaresAcross(), view.squaresDown());
    const QRect visible = cells & shown;
    if (visible.isEmpty())
        return;
    if (qint64(visible.width()) * visible.height() * 2 > qint64(shown.width()) * shown.height()) {
        DrawLevel();  // most of the view: one whole redraw is cheaper
        return;
    }
    QRect dirty;
    for (qint32 c = visible.left(); c <= visible.right(); ++c)
        for (qint32 r = visible.top(); r <= visible.bottom(); ++r)
            dirty |= m_renderer.drawCell(oArea, view, m_back, c, r);
    if (!dirty.isEmpty())
        update(dirty);
}

void frmLevelEdit::redrawStart(QPoint from, QPoint to)
{
    const std::optional<AreaView> view = viewForSquares();
    if (!view)
        return;
    QRect dirty = m_renderer.drawCell(oArea, *view, m_back, from.x(), from.y());
    dirty |= m_renderer.drawCell(oArea, *view, m_back, to.x(), to.y());
    if (!dirty.isEmpty())
        update(dirty);
}

} // namespace tessaforge
