#pragma once

#include <QObject>

class QUndoStack;

namespace tessaforge {

// What every document of the world editor shares: its history and whether it holds unsaved
// changes. Modified means the history is away from the state last read or saved, or a rule
// marked a change that no step records; modifiedChanged says when that flips.
class Document : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Document)

public:
    ~Document() override;

    QUndoStack *undoStack() const { return m_undo; }
    bool isModified() const;
    // Marks the document changed without a step; only a new history or a save clears it.
    void markChanged();

Q_SIGNALS:
    void modifiedChanged(bool modified);

protected:
    // stackName: the history's object name, as tests and the frame find it.
    Document(const QString &stackName, QObject *parent);

    // The whole document was replaced: the history starts again and nothing is modified.
    void startHistory();
    // What is held was written: nothing is modified.
    void markSaved();
    // Announces a flip of isModified; while held (a history being rebuilt) nothing is said.
    void updateModified();
    void holdModified(bool hold) { m_holdModified = hold; }
    // Deletes the history, quietly. A document whose commands use its own members calls this
    // in its destructor, before those members go.
    void dropHistory();

private:
    QUndoStack *m_undo = nullptr;
    bool m_markedChanged = false;
    bool m_wasModified = false;
    bool m_holdModified = false;
};

} // namespace tessaforge
