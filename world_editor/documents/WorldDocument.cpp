#include "WorldDocument.h"

#include "WorldCommands.h"

#include <QUndoStack>

namespace tessaforge {

WorldDocument::WorldDocument(QString appPath, QObject *parent) : QObject(parent), m_state(std::move(appPath))
{
    m_undo = new QUndoStack(this);
    m_undo->setObjectName(QStringLiteral("worldUndo"));
    connect(m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) { Q_EMIT modifiedChanged(!clean); });
}

WorldDocument::~WorldDocument()
{
    m_undo->disconnect(this);  // its clearing on the way out is no change to announce
    delete m_undo;             // the commands hold the document
}

bool WorldDocument::isModified() const
{
    return !m_undo->isClean();
}

void WorldDocument::worldReplaced()
{
    m_undo->clear();
}

vt::Status WorldDocument::save()
{
    const vt::Status saved = m_state.SaveWorld();
    if (saved)
        m_undo->setClean();
    return saved;
}

bool WorldDocument::setLevelField(qint32 index, LevelField field, const LevelFieldValue &value)
{
    const LevelRecord *level = m_state.level(index);
    if (!level)
        return false;
    LevelFieldValue before = LevelFields::get(*level, field);
    if (before == value)
        return false;
    m_undo->push(new LevelFieldCommand(*this, index, field, std::move(before), value));
    return true;
}

void WorldDocument::renameWorld(const QByteArray &name)
{
    if (name != m_state.gWorld.sWorldName)
        m_undo->push(new WorldNameCommand(*this, m_state.gWorld.sWorldName, name));
}

void WorldDocument::addLevel(const LevelRecord &level)
{
    m_undo->push(new LastLevelCommand(*this, LastLevelCommand::Change::Add, level));
}

bool WorldDocument::killLastLevel()
{
    if (m_state.gWorld.Levels.size() <= 1)
        return false;
    m_undo->push(new LastLevelCommand(*this, LastLevelCommand::Change::Kill, m_state.gWorld.Levels.back()));
    return true;
}

} // namespace tessaforge
