#include "Document.h"

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

} // namespace tessaforge
