#include "HistoryJournal.h"

#include <QUndoStack>

#include <algorithm>

namespace vt {

HistoryJournal::HistoryJournal(QUndoStack &stack, JournalWriter &writer, Encode encode, QObject *parent)
    : QObject(parent), m_stack(stack), m_writer(writer), m_encode(std::move(encode))
{
    connect(&m_stack, &QUndoStack::indexChanged, this, [this] {
        if (!m_held)
            follow();
    });
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this] {
        if (!m_held)
            follow();
    });
    rebase();
}

std::vector<const QUndoCommand *> HistoryJournal::commands() const
{
    std::vector<const QUndoCommand *> out(std::size_t(m_stack.count()));
    for (int i = 0; i < m_stack.count(); ++i)
        out[std::size_t(i)] = m_stack.command(i);
    return out;
}

JournalWriter::Payload HistoryJournal::payloadOf(int index) const
{
    return m_encode(*m_stack.command(index));
}

void HistoryJournal::release()
{
    m_held = false;
    follow();
}

void HistoryJournal::rebase()
{
    m_recorded = commands();
    m_index = m_stack.index();
}

void HistoryJournal::setOrigin(const JournalOrigin &origin)
{
    m_writer.setOrigin(origin);
    rebase();
}

void HistoryJournal::follow()
{
    const std::vector<const QUndoCommand *> now = commands();
    const int index = m_stack.index();
    const int clean = m_stack.cleanIndex();
    if (index == clean) {
        // Back where the file is: nothing to recover.
        m_writer.discard();
        m_recorded = now;
        m_index = index;
        return;
    }
    if (m_writer.isOff())
        return;
    std::vector<JournalWriter::Pending> records;
    if (!m_writer.isOpen()) {
        if (clean < 0)
            return;  // the saved state left the history: there is nowhere to start from
        // From the file to here: the steps the file holds but the history has undone are
        // kept (replay takes them back), those beyond it are made, and those undone since
        // are undone again.
        const int size = int(now.size());
        for (int i = std::min(index, clean); i < clean; ++i)
            records.push_back({JournalRecord::Kept, payloadOf(i)});
        for (int i = clean; i < size; ++i)
            records.push_back({JournalRecord::Step, payloadOf(i)});
        for (int i = size; i > index; --i)
            records.push_back({JournalRecord::Undo, {}});
        m_writer.begin(std::move(records));
    } else {
        // From the history the journal holds to this one: back to where they part, forward
        // to the new steps, then to where the history now stands.
        const int oldSize = int(m_recorded.size());
        const int newSize = int(now.size());
        int common = 0;
        while (common < oldSize && common < newSize && m_recorded[std::size_t(common)] == now[std::size_t(common)])
            ++common;
        int at = m_index;
        auto moveTo = [&](int target) {
            for (; at > target; --at)
                records.push_back({JournalRecord::Undo, {}});
            for (; at < target; ++at)
                records.push_back({JournalRecord::Redo, {}});
        };
        if (newSize > common) {
            moveTo(common);
            for (int i = common; i < newSize; ++i, ++at)
                records.push_back({JournalRecord::Step, payloadOf(i)});
        }
        moveTo(index);
        for (JournalWriter::Pending &r : records)
            m_writer.append(r.type, std::move(r.payload));
    }
    m_recorded = now;
    m_index = index;
}

qsizetype HistoryJournal::replay(QUndoStack &stack, const std::vector<JournalEntry> &records, const Decode &decode,
                                 const Push &push, bool *complete)
{
    qsizetype steps = 0;
    bool whole = true;
    std::size_t i = 0;
    // The steps the file holds already: taken back newest first, then put on the history.
    std::vector<QUndoCommand *> kept;
    for (; i < records.size() && records[i].type == JournalRecord::Kept; ++i) {
        QUndoCommand *command = decode(records[i].payload);
        if (!command) {
            whole = false;
            break;
        }
        kept.push_back(command);
    }
    if (!whole) {
        qDeleteAll(kept);
        kept.clear();
        i = records.size();
    }
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
        (*it)->undo();
    for (QUndoCommand *command : kept) {
        push(command);
        ++steps;
    }
    for (; i < records.size(); ++i) {
        const JournalEntry &r = records[i];
        switch (r.type) {
        case JournalRecord::Step:
        case JournalRecord::Kept:
            if (QUndoCommand *command = r.type == JournalRecord::Step ? decode(r.payload) : nullptr) {
                push(command);
                ++steps;
                continue;
            }
            whole = false;
            break;
        case JournalRecord::Undo:
            if (stack.canUndo()) {
                stack.undo();
                continue;
            }
            whole = false;
            break;
        case JournalRecord::Redo:
            if (stack.canRedo()) {
                stack.redo();
                continue;
            }
            whole = false;
            break;
        }
        break;
    }
    if (complete)
        *complete = whole;
    return steps;
}

} // namespace vt
