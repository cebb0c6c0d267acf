#pragma once

#include "area/AreaEditing.h"
#include "documents/AreaDocument.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QUndoCommand>

#include <memory>

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

    bool hasCells() const { return !change().cells.empty(); }
    const AreaChange &change() const { return m_frozen ? *m_frozen : m_stroke.step(); }
    qsizetype bytes() const { return m_counted; }

    // The step as it stands, shared with the crash journal, which writes it on its own thread:
    // from now on the step no longer grows in place (a drag that goes on copies it first).
    std::shared_ptr<const AreaChange> shared();

    // A step as the crash journal holds it, and back (false for bytes that are no step).
    static QByteArray journalBytes(const AreaChange &change, const QString &name);
    static bool fromJournalBytes(QByteArrayView bytes, AreaChange &change, QString &name);

private:
    AreaStroke &growing();
    // Keeps the document's count of the history's bytes up to date.
    void counted();

    AreaDocument &m_document;
    AreaStroke m_stroke;
    std::shared_ptr<const AreaChange> m_frozen;  // the step once shared; m_stroke is then empty
    AreaDocument::Tool m_tool;  // until the first redo ran it
    qsizetype m_counted = 0;
};

} // namespace tessaforge
