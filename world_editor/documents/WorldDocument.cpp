#include "WorldDocument.h"

#include "WorldCommands.h"

#include <QUndoStack>

namespace tessaforge {

WorldDocument::WorldDocument(QString appPath, QObject *parent)
    : Document(QStringLiteral("worldUndo"), parent), m_state(std::move(appPath))
{
}

WorldDocument::~WorldDocument() = default;

void WorldDocument::worldReplaced()
{
    startHistory();
}

vt::Status WorldDocument::save()
{
    const vt::Status saved = m_state.SaveWorld();
    if (saved)
        markSaved();
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
    undoStack()->push(new LevelFieldCommand(*this, index, field, std::move(before), value));
    return true;
}

void WorldDocument::renameWorld(const QByteArray &name)
{
    if (name != m_state.gWorld.sWorldName)
        undoStack()->push(new WorldNameCommand(*this, m_state.gWorld.sWorldName, name));
}

void WorldDocument::addLevel(const LevelRecord &level)
{
    undoStack()->push(new LastLevelCommand(*this, LastLevelCommand::Change::Add, level));
}

bool WorldDocument::killLastLevel()
{
    if (m_state.gWorld.Levels.size() <= 1)
        return false;
    undoStack()->push(new LastLevelCommand(*this, LastLevelCommand::Change::Kill, m_state.gWorld.Levels.back()));
    return true;
}

} // namespace tessaforge
