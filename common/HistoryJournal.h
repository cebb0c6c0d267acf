#pragma once

#include "Journal.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QUndoCommand;
class QUndoStack;

namespace vt {

// Keeps a document's journal in step with its undo history: a step pushed, undone or redone
// becomes a record; the journal begins when the history leaves the saved state and is deleted
// when it comes back to it. The document says how a step is written and read back.
class HistoryJournal : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryJournal)

public:
    // A step's payload, made on the journal's own thread: what it captures must not change
    // once the step is recorded (shared, immutable data, or a copy).
    using Payload = std::function<QByteArray()>;
    using Encode = std::function<Payload(const QUndoCommand &)>;

    HistoryJournal(QUndoStack &stack, JournalWriter &writer, Encode encode, QObject *parent = nullptr);

    // While held, the history is not followed (a step still grows at the top, or the document
    // rebuilds its history); release() then records what changed. rebase() instead takes the
    // history as it now stands for the one recorded (rebuilt with the newest steps, `dropped`
    // fewer at the bottom), but for `pending` steps at its top that were pushed while held and
    // are not recorded yet.
    void hold() { m_held = true; }
    bool isHeld() const { return m_held; }
    void release();
    void rebase(int dropped = 0, int pending = 0);

    // The document was read, written or replaced: the journal starts again from the file.
    // Any base is dropped.
    void setOrigin(const JournalOrigin &origin);

    // The records that lead from the origin to the bottom of the history, for a document
    // whose history starts somewhere the origin alone does not give (a new document made
    // from unsaved values): written first whenever the journal begins. With a base, a
    // history that has lost its saved state is still recorded, from its bottom.
    using Base = std::function<std::vector<JournalWriter::Pending>()>;
    void setBase(Base base) { m_base = std::move(base); }

    // Replays a journal's records through the history: decode makes a step from a payload
    // (nullptr for one it cannot read), push puts it on the history as the document does.
    // The number of steps replayed; replay stops at a payload that cannot be read.
    using Decode = std::function<QUndoCommand *(const QByteArray &)>;
    using Push = std::function<void(QUndoCommand *)>;
    static qsizetype replay(QUndoStack &stack, const std::vector<JournalEntry> &records, const Decode &decode,
                            const Push &push, bool *complete = nullptr);

private:
    void follow();
    void begin(int index, int clean);
    std::vector<const QUndoCommand *> commands() const;
    JournalWriter::Payload payloadOf(int index) const;

    QUndoStack &m_stack;
    JournalWriter &m_writer;
    Encode m_encode;
    Base m_base;
    std::vector<const QUndoCommand *> m_recorded;  // the history as the journal holds it
    int m_index = 0;
    // The lowest place in the history the journal's records can take it back to: below the
    // saved state only when they begin with the steps the file holds.
    int m_floor = 0;
    bool m_held = false;
};

} // namespace vt
