// The area editor's history: one undo step per edit (a whole drag is one), kept within a
// memory limit, and replayed with the redraw it needs.
#include "frmLevelEdit.h"

#include "frmMain.h"

#include <QUndoCommand>
#include <QUndoStack>

namespace tessaforge {

namespace {

const QString kStartPosition = QStringLiteral("Start Position");

} // namespace

// ---- one step of the area's history ------------------------------------------------------

// Holds what one step changed. A step is pushed after its change was made, so its first redo
// does nothing; a pencil drag keeps adding to its step while it is the newest one.
class AreaCommand final : public QUndoCommand
{
public:
    AreaCommand(frmLevelEdit &editor, AreaStep step, const QString &name)
        : QUndoCommand(name), m_editor(editor), m_stroke(std::move(step))
    {
        counted();
    }
    ~AreaCommand() override { m_editor.m_historyBytes -= m_counted; }
    Q_DISABLE_COPY_MOVE(AreaCommand)

    void undo() override
    {
        if (!m_editor.m_replaying)
            m_editor.replayStep(m_stroke.step(), false);
    }
    void redo() override
    {
        if (m_pushed) {
            m_pushed = false;
            return;
        }
        if (!m_editor.m_replaying)
            m_editor.replayStep(m_stroke.step(), true);
    }

    // One more edit of the same drag.
    void add(const AreaEdit &edit)
    {
        if (edit.movesStart)
            m_stroke.moveStart(edit.startBefore, edit.startAfter);
        if (!(edit.before == edit.after))
            m_stroke.record(edit.X, edit.Y, edit.before, edit.after);
        counted();
    }
    void close()
    {
        m_stroke.close();
        counted();
    }
    AreaStep takeStep()
    {
        AreaStep step = m_stroke.takeStep();
        counted();
        return step;
    }
    bool hasCells() const { return !m_stroke.step().cells.empty(); }
    qsizetype bytes() const { return m_counted; }

    // The first redo, which push() makes, is the change already made.
    bool m_pushed = true;

private:
    // Keeps the editor's count of the history's bytes up to date.
    void counted()
    {
        const qsizetype now = qsizetype(sizeof(AreaCommand)) + m_stroke.bytes();
        m_editor.m_historyBytes += now - m_counted;
        m_counted = now;
    }

    frmLevelEdit &m_editor;
    AreaStroke m_stroke;
    qsizetype m_counted = 0;
};


// ---- history -------------------------------------------------------------------------------

void frmLevelEdit::setHistoryLimit(qsizetype bytes)
{
    m_historyLimit = std::max<qsizetype>(bytes, 0);
    trimHistory();
}

void frmLevelEdit::clearHistory()
{
    endStroke();
    m_undo->clear();
    m_selection = QRect();
    m_dragging = false;
    m_floating = false;
    if (shpSelection)
        shpSelection->hide();
    updateCursorShape();
}

void frmLevelEdit::pushStep(AreaStep step, const QString &name)
{
    if (step.isEmpty())
        return;
    endStroke();
    m_undo->push(new AreaCommand(*this, std::move(step), name));
    trimHistory();
}

void frmLevelEdit::recordEdit(const AreaEdit &edit)
{
    if (edit.before == edit.after && !edit.movesStart)
        return;  // a repeat within one cell, or a button that changes nothing
    const QString name = edit.before == edit.after ? kStartPosition : m_editName;
    // A drag keeps growing its step while that step is the newest: an undo in the middle of
    // a drag ends it, and the rest of the drag makes a step of its own.
    const bool onTop = m_strokeCommand && m_undo->index() == m_undo->count() && m_undo->count() > 0 &&
                       m_undo->command(m_undo->count() - 1) == m_strokeCommand;
    if (m_strokeOpen && onTop) {
        const bool hadCells = m_strokeCommand->hasCells();
        m_strokeCommand->add(edit);
        if (!hadCells && m_strokeCommand->hasCells()) {
            // The start was placed at the press and the drag goes on painting.
            m_strokeCommand->setText(name);
            Q_EMIT m_undo->undoTextChanged(m_undo->undoText());
        }
        trimHistory();
        return;
    }
    AreaStep step;
    if (!(edit.before == edit.after))
        step.cells.push_back(CellChange{edit.X, edit.Y, edit.before, edit.after});
    if (edit.movesStart) {
        step.movesStart = true;
        step.startBefore = edit.startBefore;
        step.startAfter = edit.startAfter;
    }
    const bool strokeOpen = m_strokeOpen;
    pushStep(std::move(step), name);
    if (strokeOpen) {
        m_strokeOpen = true;
        m_strokeCommand = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(m_undo->count() - 1)));
    }
}

void frmLevelEdit::endStroke()
{
    const bool onTop = m_strokeCommand && m_undo->count() > 0 &&
                       m_undo->command(m_undo->count() - 1) == m_strokeCommand;
    if (onTop)
        m_strokeCommand->close();
    m_strokeCommand = nullptr;
    m_strokeOpen = false;
}

void frmLevelEdit::trimHistory()
{
    if (m_historyBytes <= m_historyLimit || m_undo->count() <= 1)
        return;
    // QUndoStack cannot drop its oldest steps, so the history is built again from the
    // newest ones that fit in three quarters of the limit (at least the newest one), which
    // keeps rebuilding rare. Undo and redo do nothing while the steps are put back.
    const int count = m_undo->count();
    const int index = m_undo->index();
    const qsizetype goal = m_historyLimit / 4 * 3;
    qsizetype kept = 0;
    int first = count;
    for (int i = count - 1; i >= 0; --i) {
        auto *command = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(i)));
        const qsizetype size = command->bytes();
        if (i < count - 1 && kept + size > goal)
            break;
        kept += size;
        first = i;
    }
    first = std::min(first, index);  // steps that can still be redone are not dropped
    if (first <= 0)
        return;

    const bool strokeOpen = m_strokeOpen && m_strokeCommand &&
                            m_undo->command(count - 1) == m_strokeCommand;
    std::vector<std::pair<AreaStep, QString>> steps;
    steps.reserve(std::size_t(count - first));
    for (int i = first; i < count; ++i) {
        auto *command = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(i)));
        steps.emplace_back(command->takeStep(), command->text());
    }
    m_strokeCommand = nullptr;
    m_replaying = true;
    m_undo->clear();
    for (auto &[step, name] : steps)
        m_undo->push(new AreaCommand(*this, std::move(step), name));
    m_undo->setIndex(index - first);
    m_replaying = false;
    if (strokeOpen)
        m_strokeCommand = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(m_undo->count() - 1)));
}

void frmLevelEdit::replayStep(const AreaStep &step, bool forward)
{
    endStroke();
    step.apply(oArea, forward);
    bChanged = true;  // also when the history goes back to the state last saved
    if (step.togglesSideWarp)
        showSideWarp();
    if (step.resizes) {
        m_selection &= QRect(0, 0, oArea.width() + 1, oArea.height() + 1);
        areaReplaced();
        DrawLevel();
        return;
    }
    redrawStep(step);
    if (!step.movesStart)
        return;
    if (const std::optional<AreaView> view = viewForSquares()) {
        QRect dirty = m_renderer.drawCell(oArea, *view, m_back, step.startBefore.x(), step.startBefore.y());
        dirty |= m_renderer.drawCell(oArea, *view, m_back, step.startAfter.x(), step.startAfter.y());
        update(dirty);
    }
}

void frmLevelEdit::redrawCells(const std::vector<CellChange> &cells)
{
    if (cells.empty())
        return;
    const std::optional<AreaView> squares = viewForSquares();
    if (!squares)
        return;
    const AreaView &view = *squares;
    const QRect shown(view.firstColumn, view.firstRow, view.squaresAcross(), view.squaresDown());
    std::vector<QPoint> visible;
    for (const CellChange &c : cells) {
        if (shown.contains(c.X, c.Y)) {
            visible.emplace_back(c.X, c.Y);
            if (qint64(visible.size()) * 2 > qint64(shown.width()) * shown.height()) {
                DrawLevel();  // most of the view: one whole redraw is cheaper
                return;
            }
        }
    }
    QRect dirty;
    for (const QPoint &p : visible)
        dirty |= m_renderer.drawCell(oArea, view, m_back, p.x(), p.y());
    if (!dirty.isEmpty())
        update(dirty);
}

void frmLevelEdit::applyStep(const std::function<std::optional<AreaStep>(oLevel &)> &tool, const QString &name)
{
    std::optional<AreaStep> made = tool(oArea);
    if (!made)
        return;
    AreaStep step = std::move(*made);
    bChanged = true;
    redrawStep(step);
    pushStep(std::move(step), name);
}

void frmLevelEdit::redrawStep(const AreaStep &step)
{
    redrawCells(step.cells);
    if (step.spans.empty() || !m_main.state().bAreaWindowOpen)
        return;
    const AreaView view = currentView();
    const QRect shown(view.firstColumn, view.firstRow, view.squaresAcross(), view.squaresDown());
    for (const CellSpan &s : step.spans)
        if (shown.intersects(QRect(s.X, s.top, 1, s.bottom - s.top + 1))) {
            DrawLevel();
            return;
        }
}

void frmLevelEdit::applyEdits(std::vector<CellChange> cells, const QString &name)
{
    for (const CellChange &c : cells)
        putCell(oArea, c.X, c.Y, c.after);
    bChanged = true;
    redrawCells(cells);
    AreaStep step;
    step.cells = std::move(cells);
    pushStep(std::move(step), name);
}

} // namespace tessaforge
