#include "Document.h"

#include <QFileInfo>
#include <QUndoStack>

namespace tessaforge {

Document::Document(const QString &stackName, QObject *parent) : QObject(parent)
{
    m_undo = new QUndoStack(this);
    m_undo->setObjectName(stackName);
    connect(m_undo, &QUndoStack::cleanChanged, this, &Document::updateModified);
}

Document::~Document()
{
    dropHistory();
}

void Document::dropHistory()
{
    // The journal stops following first: it would take the history's clearing for a return
    // to the saved state, and a document dropped with unsaved changes keeps its journal.
    delete m_history;
    m_history = nullptr;
    if (!m_undo)
        return;
    m_undo->disconnect(this);  // its clearing on the way out is no change to announce
    delete m_undo;
    m_undo = nullptr;
}

bool Document::isModified() const
{
    return m_markedChanged || !m_undo->isClean();
}

void Document::markChanged()
{
    m_markedChanged = true;
    updateModified();
}

void Document::startHistory()
{
    m_undo->clear();
    m_markedChanged = false;
    updateModified();
}

void Document::markSaved()
{
    m_undo->setClean();
    m_markedChanged = false;
    updateModified();
}

void Document::updateModified()
{
    if (m_holdModified)
        return;
    const bool now = isModified();
    if (now == m_wasModified)
        return;
    m_wasModified = now;
    Q_EMIT modifiedChanged(now);
}

void Document::recordTo(const QString &folder)
{
    if (m_journal || journalKind().isEmpty())
        return;
    m_journal = new vt::JournalWriter(folder, QStringLiteral("tessaforge"), journalKind(), this);
    connect(m_journal, &vt::JournalWriter::failed, this, &Document::journalFailed);
    m_history = new vt::HistoryJournal(
        *m_undo, *m_journal, [this](const QUndoCommand &command) { return journalStep(command); }, this);
    setFilePath(m_path);
}

void Document::setFilePath(const QString &path)
{
    m_path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (m_history)
        m_history->setOrigin(m_path.isEmpty() ? vt::JournalOrigin{} : vt::JournalOrigin::ofFile(m_path));
}

void Document::discardJournal()
{
    if (m_journal)
        m_journal->discard();
}

QString Document::journalPath() const
{
    return m_journal && m_journal->isOpen() ? m_journal->path() : QString();
}

void Document::pushFromJournal(QUndoCommand *command)
{
    m_undo->push(command);
}

qsizetype Document::recover(const vt::JournalContents &journal, bool *complete)
{
    return vt::HistoryJournal::replay(
        *m_undo, journal.records, [this](const QByteArray &bytes) { return stepFromJournal(bytes); },
        [this](QUndoCommand *command) { pushFromJournal(command); }, complete);
}

} // namespace tessaforge
