#pragma once

#include "HistoryJournal.h"
#include "Journal.h"

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

    // ---- crash journal (see vt::JournalWriter): once recordTo has been called, the history is
    // recorded while the document holds unsaved changes; journalFailed says once why not.
    void recordTo(const QString &folder);
    // The file the document was last read from or written to; empty when there is none.
    QString filePath() const { return m_path; }
    // The user dropped the unsaved changes: their journal goes.
    void discardJournal();
    // The open journal's file, or empty.
    QString journalPath() const;
    // The kind of document its journals name ("area").
    QString journalKindName() const { return journalKind(); }
    // Replays a journal of this document (its origin the file as it is now open) through the
    // history: the document is then modified and the steps undo one by one. The number of
    // edits replayed; *complete is false when replay stopped at a record it could not use.
    qsizetype recover(const vt::JournalContents &journal, bool *complete = nullptr);

Q_SIGNALS:
    void modifiedChanged(bool modified);
    void journalFailed(const QString &why);

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

    // What a document tells its journal: its kind ("area"), how its steps are written and
    // read back, how a step read back is put on the history. journalKind empty: none.
    virtual QString journalKind() const { return QString(); }
    virtual vt::HistoryJournal::Payload journalStep(const QUndoCommand &) const { return {}; }
    virtual QUndoCommand *stepFromJournal(const QByteArray &) { return nullptr; }
    virtual void pushFromJournal(QUndoCommand *command);
    // The document now stands for the file at path (empty for none): its journal starts
    // again from that file.
    void setFilePath(const QString &path);
    vt::HistoryJournal *historyJournal() const { return m_history; }

private:
    QUndoStack *m_undo = nullptr;
    QString m_path;
    vt::JournalWriter *m_journal = nullptr;
    vt::HistoryJournal *m_history = nullptr;
    bool m_markedChanged = false;
    bool m_wasModified = false;
    bool m_holdModified = false;
};

} // namespace tessaforge
