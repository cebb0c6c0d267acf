#pragma once

#include "area/AreaEditing.h"
#include "documents/AreaDocument.h"

#include <QUndoCommand>

namespace tessaforge {

// One step of an area's history. Its redo makes the change, the first time too; a command
// made from a tool runs the tool at its first redo and keeps what it changed. The newest
// command of a pencil drag grows cell by cell while the drag goes on.
class AreaCommand final : public QUndoCommand
{
public:
    AreaCommand(AreaDocument &document, AreaChange change, const QString &name);
    AreaCommand(AreaDocument &document, AreaDocument::Tool tool, const QString &name);
    ~AreaCommand() override;
    Q_DISABLE_COPY_MOVE(AreaCommand)

    void undo() override;
    void redo() override;

    // One more edit of the drag: the command makes it and keeps it.
    void paintCell(qint32 X, qint32 Y, const AreaCell &before, const AreaCell &after);
    void placeStart(QPoint from, QPoint to);
    // The drag is over.
    void close();

    bool hasCells() const { return !m_stroke.step().cells.empty(); }
    const AreaChange &change() const { return m_stroke.step(); }
    qsizetype bytes() const { return m_counted; }

private:
    // Keeps the document's count of the history's bytes up to date.
    void counted();

    AreaDocument &m_document;
    AreaStroke m_stroke;
    AreaDocument::Tool m_tool;  // until the first redo ran it
    qsizetype m_counted = 0;
};

} // namespace tessaforge
