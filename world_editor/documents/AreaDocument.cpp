#include "AreaDocument.h"

#include "AreaCommand.h"

#include <QUndoStack>

#include <algorithm>
#include <limits>

namespace tessaforge {

namespace {

const QString kStartPosition = QStringLiteral("Start Position");

QRect boundsOf(const AreaChange &change)
{
    if (change.cells.empty() && change.spans.empty())
        return {};
    qint32 left = std::numeric_limits<qint32>::max();
    qint32 top = left;
    qint32 right = std::numeric_limits<qint32>::min();
    qint32 bottom = right;
    for (const CellChange &c : change.cells) {
        left = std::min(left, c.X);
        right = std::max(right, c.X);
        top = std::min(top, c.Y);
        bottom = std::max(bottom, c.Y);
    }
    for (const CellSpan &s : change.spans) {
        left = std::min(left, s.X);
        right = std::max(right, s.X);
        top = std::min(top, s.top);
        bottom = std::max(bottom, s.bottom);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

AreaDocument::AreaDocument(QObject *parent) : Document(QStringLiteral("areaUndo"), parent)
{
    // Any move through the history ends the growth of a drag's step: the rest of the drag
    // makes a step of its own.
    connect(undoStack(), &QUndoStack::indexChanged, this, [this] {
        if (!m_strokeCommand)
            return;  // a push of the drag's own step goes on holding the journal
        m_strokeCommand->close();
        m_strokeCommand = nullptr;
        releaseJournal();
    });
    newArea();
}

AreaDocument::~AreaDocument()
{
    // The commands count their bytes here: they go before the count does.
    m_strokeCommand = nullptr;
    dropHistory();
}

// ---- crash journal ---------------------------------------------------------------------------

vt::HistoryJournal::Payload AreaDocument::journalStep(const QUndoCommand &command) const
{
    // The step is shared, not copied: a drag of thousands of cells costs the editor nothing.
    const QString name = command.text();
    std::shared_ptr<const AreaChange> change =
        const_cast<AreaCommand &>(static_cast<const AreaCommand &>(command)).shared();
    return [change, name] { return AreaCommand::journalBytes(*change, name); };
}

QUndoCommand *AreaDocument::stepFromJournal(const QByteArray &bytes)
{
    AreaChange change;
    QString name;
    if (!AreaCommand::fromJournalBytes(bytes, change, name))
        return nullptr;
    return new AreaCommand(*this, std::move(change), name);
}

void AreaDocument::pushFromJournal(QUndoCommand *command)
{
    endStroke();
    push(static_cast<AreaCommand *>(command));
}

void AreaDocument::holdJournal()
{
    if (historyJournal() && !m_journalHeld) {
        m_journalHeld = true;
        historyJournal()->hold();
    }
}

void AreaDocument::releaseJournal()
{
    if (historyJournal() && m_journalHeld) {
        m_journalHeld = false;
        historyJournal()->release();
    }
}

// ---- the area as a whole ---------------------------------------------------------------------

void AreaDocument::newArea()
{
    oArea = oLevel();
    (void)oArea.Resize(20, 15);
    oArea.SetStartPos(0, 0);
    oArea.SetSideWarp(false);
    replaced(QString(), QString());
}

vt::Status AreaDocument::load(const QString &path, const QString &name)
{
    // Read into a new area first: a file that cannot be read leaves the open one as it was.
    oLevel loaded;
    vt::Status status = loaded.LoadFromFile(path);
    if (status && !loaded.hasGrid())
        status = vt::Status::failure(QStringLiteral("the file cannot be read"));
    if (!status)
        return status;
    oArea = std::move(loaded);
    replaced(name, path);
    return status;
}

void AreaDocument::replaced(QString name, const QString &path)
{
    m_strokeCommand = nullptr;
    m_strokeOpen = false;
    releaseJournal();
    startHistory();
    setFilePath(path);
    Q_EMIT areaReplaced();
    if (name != sCurAreaFile) {
        sCurAreaFile = std::move(name);
        Q_EMIT fileNameChanged(sCurAreaFile);
    }
}

vt::Status AreaDocument::save(const QString &path, const QString &confineTo)
{
    const vt::Status saved = oArea.SaveToFile(path, confineTo);
    if (!saved)
        return saved;
    markSaved();
    setFilePath(path);
    return saved;
}

void AreaDocument::markWrittenTo(const QString &path)
{
    markSaved();
    setFilePath(path);
}

// ---- edits -----------------------------------------------------------------------------------

void AreaDocument::push(AreaCommand *command)
{
    undoStack()->push(command);
    trimHistory();
}

void AreaDocument::pushStroke(AreaCommand *command)
{
    // A step of the drag before this one is whole now.
    if (m_strokeCommand)
        m_strokeCommand->close();
    m_strokeCommand = nullptr;
    releaseJournal();
    if (m_strokeOpen)
        holdJournal();
    undoStack()->push(command);
    // Before the trim, which may put the command's change into a new command.
    if (m_strokeOpen)
        m_strokeCommand = command;
    trimHistory();
}

void AreaDocument::beginStroke()
{
    endStroke();
    m_strokeOpen = true;
}

void AreaDocument::endStroke()
{
    if (m_strokeCommand)
        m_strokeCommand->close();
    m_strokeCommand = nullptr;
    m_strokeOpen = false;
    releaseJournal();
}

bool AreaDocument::paintCell(qint32 X, qint32 Y, const AreaCell &after, const QString &name)
{
    if (X < 0 || Y < 0 || X > oArea.width() || Y > oArea.height())
        return false;
    const AreaCell before = cellAt(oArea, X, Y);
    if (before == after)
        return false;  // a repeat within one cell, or a button that changes nothing
    // The drag's step grows while it is the newest and the state it leads to is not the
    // saved one.
    if (m_strokeCommand && undoStack()->cleanIndex() != undoStack()->index()) {
        const bool hadCells = m_strokeCommand->hasCells();
        m_strokeCommand->paintCell(X, Y, before, after);
        if (!hadCells) {
            // The start was placed at the press and the drag goes on painting.
            m_strokeCommand->setText(name);
            Q_EMIT undoStack()->undoTextChanged(undoStack()->undoText());
        }
        trimHistory();
        return true;
    }
    AreaChange change;
    change.cells.push_back(CellChange{X, Y, before, after});
    auto *command = new AreaCommand(*this, std::move(change), name);
    pushStroke(command);
    return true;
}

void AreaDocument::placeStart(QPoint cell)
{
    const QPoint from(oArea.StartX(), oArea.StartY());
    const QPoint to(static_cast<qint16>(cell.x()), static_cast<qint16>(cell.y()));
    if (m_strokeCommand && undoStack()->cleanIndex() != undoStack()->index()) {
        m_strokeCommand->placeStart(from, to);
        return;
    }
    AreaChange change;
    change.movesStart = true;
    change.startBefore = from;
    change.startAfter = to;
    auto *command = new AreaCommand(*this, std::move(change), kStartPosition);
    pushStroke(command);
}

void AreaDocument::changeCells(std::vector<CellChange> cells, const QString &name)
{
    endStroke();
    if (cells.empty())
        return;
    AreaChange change;
    change.cells = std::move(cells);
    push(new AreaCommand(*this, std::move(change), name));
}

void AreaDocument::applyTool(Tool tool, const QString &name)
{
    endStroke();
    push(new AreaCommand(*this, std::move(tool), name));
}

AreaDocument::Resizing AreaDocument::resize(qint32 columns, qint32 rows)
{
    endStroke();
    const QSize before(oArea.width() + 1, oArea.height() + 1);
    const QSize after(columns, rows);
    if (before == after)
        return Resizing::Unchanged;
    bool resized = false;
    push(new AreaCommand(
        *this,
        [&](oLevel &area) -> std::optional<AreaChange> {
            // The step keeps only the cells that a shrink drops, and only those not empty.
            AreaChange change;
            change.resizes = true;
            change.sizeBefore = before;
            change.sizeAfter = after;
            for (qint32 c = 0; c < before.width(); ++c) {
                const AreaCell *column = area.column(c);
                const qint32 firstDropped = c >= columns ? 0 : rows;
                for (qint32 r = firstDropped; r < before.height(); ++r)
                    if (!(column[r] == AreaCell{}))
                        change.cells.push_back(CellChange{c, r, column[r], AreaCell{}});
            }
            if (!area.Resize(columns, rows))
                return std::nullopt;
            resized = true;
            return change;
        },
        QStringLiteral("Resize Area")));
    return resized ? Resizing::Resized : Resizing::NoMemory;
}

void AreaDocument::toggleSideWarp()
{
    endStroke();
    AreaChange change;
    change.togglesSideWarp = true;
    change.sideWarpAfter = !oArea.SideWarp();
    push(new AreaCommand(*this, std::move(change), QStringLiteral("Side Warp")));
}

// ---- what commands do ------------------------------------------------------------------------

void AreaDocument::perform(const AreaChange &change, bool forward)
{
    change.apply(oArea, forward);
    announce(change, forward);
}

void AreaDocument::announce(const AreaChange &change, bool forward)
{
    if (change.resizes)
        Q_EMIT resized();
    else if (const QRect cells = boundsOf(change); !cells.isEmpty())
        Q_EMIT cellsChanged(cells);
    if (change.togglesSideWarp)
        Q_EMIT sideWarpChanged(oArea.SideWarp());
    if (change.movesStart)
        Q_EMIT startMoved(forward ? change.startBefore : change.startAfter,
                          forward ? change.startAfter : change.startBefore);
}

// ---- history ---------------------------------------------------------------------------------

void AreaDocument::setHistoryLimit(qsizetype bytes)
{
    m_historyLimit = std::max<qsizetype>(bytes, 0);
    trimHistory();
}

void AreaDocument::trimHistory()
{
    if (m_historyBytes <= m_historyLimit || undoStack()->count() <= 1)
        return;
    // The history is built again from the newest steps that fit in three quarters of the
    // limit (at least the newest one), which keeps rebuilding rare.
    const int count = undoStack()->count();
    const int index = undoStack()->index();
    const int clean = undoStack()->cleanIndex();
    const qsizetype goal = m_historyLimit / 4 * 3;
    auto commandAt = [this](int i) { return static_cast<const AreaCommand *>(undoStack()->command(i)); };
    qsizetype kept = 0;
    int first = count;
    for (int i = count - 1; i >= 0; --i) {
        const qsizetype size = commandAt(i)->bytes();
        if (i < count - 1 && kept + size > goal)
            break;
        kept += size;
        first = i;
    }
    first = std::min(first, index);  // steps that can still be redone are not dropped
    if (first <= 0)
        return;

    const bool strokeOnTop = m_strokeCommand && m_strokeCommand == commandAt(count - 1);
    std::vector<std::pair<AreaChange, QString>> changes;
    changes.reserve(std::size_t(count - first));
    for (int i = first; i < count; ++i)
        changes.emplace_back(commandAt(i)->change(), commandAt(i)->text());
    m_strokeCommand = nullptr;
    m_restacking = true;
    holdModified(true);
    vt::HistoryJournal *journal = historyJournal();
    const bool journalHeld = journal && journal->isHeld();
    if (journal)
        journal->hold();
    undoStack()->clear();
    AreaCommand *newest = nullptr;
    for (auto &[change, name] : changes) {
        newest = new AreaCommand(*this, std::move(change), name);
        undoStack()->push(newest);
    }
    // The saved state is kept when it is among the steps kept.
    if (clean >= first) {
        undoStack()->setIndex(clean - first);
        undoStack()->setClean();
    } else {
        undoStack()->resetClean();
    }
    undoStack()->setIndex(index - first);
    m_restacking = false;
    holdModified(false);
    if (journal) {
        // The same steps, rebuilt: nothing to record but a drag's step not recorded yet.
        journal->rebase(first, m_journalHeld && strokeOnTop ? 1 : 0);
        if (!journalHeld)
            journal->release();
    }
    if (strokeOnTop && undoStack()->index() == undoStack()->count())
        m_strokeCommand = newest;
    updateModified();
}

} // namespace tessaforge
