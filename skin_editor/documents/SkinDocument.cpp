#include "documents/SkinDocument.h"

#include <QUndoCommand>

namespace skinloft {

// One enemy's graphic name before and after a choice, as the skin stores it.
struct GraphicChange
{
    qint32 enemy;
    QByteArray before, after;
};

class GraphicCommand final : public QUndoCommand
{
public:
    GraphicCommand(SkinDocument &document, GraphicChange change)
        : QUndoCommand(QStringLiteral("Graphic")), m_document(document), m_change(std::move(change))
    {
    }
    void redo() override { m_document.applyGraphic(m_change.enemy, m_change.after); }
    void undo() override { m_document.applyGraphic(m_change.enemy, m_change.before); }

private:
    SkinDocument &m_document;
    GraphicChange m_change;
};

SkinDocument::SkinDocument(QObject *parent) : QObject(parent)
{
    m_undo.setUndoLimit(1000);
    connect(&m_undo, &QUndoStack::cleanChanged, this, &SkinDocument::noteModified);
}

SkinDocument::~SkinDocument()
{
    m_undo.disconnect(this);  // its clearing on the way out is no change to announce
}

bool SkinDocument::setEnemyGraphic(qint32 enemy, const QByteArray &stored)
{
    if (enemy < 0 || enemy >= kEnemyTypeCount || m_skin.Fields[size_t(enemy)] == stored)
        return false;
    m_undo.push(new GraphicCommand(*this, {enemy, m_skin.Fields[size_t(enemy)], stored}));
    return true;
}

void SkinDocument::applyGraphic(qint32 enemy, const QByteArray &stored)
{
    m_skin.Fields[size_t(enemy)] = stored;
    Q_EMIT enemyGraphicChanged(enemy);
}

vt::Status SkinDocument::load(const QString &path)
{
    EnemySkin read = m_skin;
    const vt::Status status = mEnemySkinFile::LoadEnemySkin(read, path);
    if (!status.ok() && read == m_skin)
        return status;  // nothing was read: the skin and its history stay
    m_skin = std::move(read);
    // Set before the history goes, so that clearing it does not announce a save.
    m_partlyLoaded = !status.ok();
    m_undo.clear();
    setFileName(path);
    Q_EMIT documentReplaced();
    noteModified();
    return status;
}

vt::Status SkinDocument::save(const QString &path)
{
    const vt::Status status = mEnemySkinFile::SaveEnemySkin(m_skin, path);
    if (!status.ok())
        return status;
    m_partlyLoaded = false;
    m_undo.setClean();
    setFileName(path);
    noteModified();
    return status;
}

void SkinDocument::setFileName(const QString &fileName)
{
    if (fileName == m_fileName)
        return;
    m_fileName = fileName;
    Q_EMIT fileNameChanged(m_fileName);
}

void SkinDocument::noteModified()
{
    if (isModified() == m_modifiedShown)
        return;
    m_modifiedShown = isModified();
    Q_EMIT modifiedChanged(m_modifiedShown);
}

} // namespace skinloft
