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

void HistoryJournal::rebase(int dropped, int pending)
{
    m_recorded = commands();
    pending = std::clamp(pending, 0, int(m_recorded.size()));
    m_recorded.resize(m_recorded.size() - std::size_t(pending));
    m_index = std::min(m_stack.index(), int(m_recorded.size()));
    m_floor = std::max(0, m_floor - dropped);
}

void HistoryJournal::setOrigin(const JournalOrigin &origin)
{
    m_writer.setOrigin(origin);
    m_floor = 0;
    m_base = {};
    rebase();
}

void HistoryJournal::begin(int index, int clean)
{
    // From the file to here: when the history stands below the saved state, the steps the
    // file holds come first (replay takes them back); then the steps beyond it are made, and
    // those undone since are undone again.
    std::vector<JournalWriter::Pending> records;
    const int size = m_stack.count();
    if (m_base) {
        // From the file to the history's bottom, then every step of it: a base starts from
        // a history whose saved state is its bottom or gone, so nothing is kept.
        records = m_base();
        m_floor = 0;
        for (int i = 0; i < size; ++i)
            records.push_back({JournalRecord::Step, payloadOf(i)});
        for (int i = size; i > index; --i)
            records.push_back({JournalRecord::Undo, {}});
        m_writer.begin(std::move(records));
        return;
    }
    m_floor = index < clean ? 0 : clean;
    for (int i = m_floor; i < clean; ++i)
        records.push_back({JournalRecord::Kept, payloadOf(i)});
    for (int i = clean; i < size; ++i)
        records.push_back({JournalRecord::Step, payloadOf(i)});
    for (int i = size; i > index; --i)
        records.push_back({JournalRecord::Undo, {}});
    m_writer.begin(std::move(records));
}

void HistoryJournal::follow()
{
    const int index = m_stack.index();
    const int clean = m_stack.cleanIndex();
    const int size = m_stack.count();
    // A history with a limit drops its oldest steps as new ones come: the journal's records
    // still hold them, below the history's new bottom.
    if (size > 0 && !m_recorded.empty() && m_stack.command(0) != m_recorded.front()) {
        const auto it = std::find(m_recorded.begin(), m_recorded.end(), m_stack.command(0));
        if (it != m_recorded.end()) {
            const int dropped = int(it - m_recorded.begin());
            m_recorded.erase(m_recorded.begin(), it);
            m_index = std::max(0, m_index - dropped);
            m_floor = std::max(0, m_floor - dropped);
        }
    }
    // Where the history the journal holds and this one part. Steps change only at the top,
    // so the search starts there: an edit costs the same however long the history is.
    int common = std::min(int(m_recorded.size()), size);
    while (common > 0 && m_recorded[std::size_t(common - 1)] != m_stack.command(common - 1))
        --common;
    const int recordedIndex = m_index;
    auto done = [&] {
        m_recorded.resize(std::size_t(common));
        for (int i = common; i < size; ++i)
            m_recorded.push_back(m_stack.command(i));
        m_index = index;
    };
    if (index == clean) {
        // Back where the file is: nothing to recover.
        m_writer.discard();
        return done();
    }
    if (m_writer.isOff())
        return;
    // From the history the journal holds to this one: back to where they part, forward to
    // the new steps, then to where the history now stands.
    const bool newSteps = size > common;
    const int lowest = std::min({recordedIndex, index, newSteps ? common : index});
    if (!m_writer.isOpen() || lowest < m_floor) {
        if (clean >= 0 || m_base)
            begin(index, clean);
        return done();  // with no saved state left in the history there is nowhere to start
    }
    int at = recordedIndex;
    auto moveTo = [&](int target) {
        for (; at > target; --at)
            m_writer.append(JournalRecord::Undo);
        for (; at < target; ++at)
            m_writer.append(JournalRecord::Redo);
    };
    if (newSteps) {
        moveTo(common);
        for (int i = common; i < size; ++i, ++at)
            m_writer.append(JournalRecord::Step, payloadOf(i));
    }
    moveTo(index);
    done();
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
    if (!kept.empty())
        stack.setClean();  // the file's state
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
