#include "AreaCommand.h"

#include <utility>

namespace tessaforge {

AreaCommand::AreaCommand(AreaDocument &document, AreaChange change, const QString &name)
    : QUndoCommand(name), m_document(document), m_stroke(std::move(change))
{
    counted();
}

AreaCommand::AreaCommand(AreaDocument &document, AreaDocument::Tool tool, const QString &name)
    : QUndoCommand(name), m_document(document), m_tool(std::move(tool))
{
    counted();
}

AreaCommand::~AreaCommand()
{
    m_document.historyGrew(-m_counted);
}

void AreaCommand::undo()
{
    if (!m_document.restacking())
        m_document.perform(m_stroke.step(), false);
}

void AreaCommand::redo()
{
    if (m_tool) {
        const AreaDocument::Tool tool = std::exchange(m_tool, {});
        std::optional<AreaChange> made = tool(m_document.oArea);
        if (!made || made->isEmpty()) {
            setObsolete(true);  // the stack drops it: nothing changed
            return;
        }
        m_stroke = AreaStroke(std::move(*made));
        counted();
        m_document.announce(m_stroke.step(), true);
        return;
    }
    if (!m_document.restacking())
        m_document.perform(m_stroke.step(), true);
}

void AreaCommand::paintCell(qint32 X, qint32 Y, const AreaCell &before, const AreaCell &after)
{
    putCell(m_document.oArea, X, Y, after);
    m_stroke.record(X, Y, before, after);
    counted();
    Q_EMIT m_document.cellsChanged(QRect(X, Y, 1, 1));
}

void AreaCommand::placeStart(QPoint from, QPoint to)
{
    m_document.oArea.SetStartPos(static_cast<qint16>(to.x()), static_cast<qint16>(to.y()));
    m_stroke.moveStart(from, to);
    counted();
    Q_EMIT m_document.startMoved(from, to);
}

void AreaCommand::close()
{
    m_stroke.close();
    counted();
}

void AreaCommand::counted()
{
    const qsizetype now = qsizetype(sizeof(AreaCommand)) + m_stroke.bytes();
    m_document.historyGrew(now - m_counted);
    m_counted = now;
}

} // namespace tessaforge
