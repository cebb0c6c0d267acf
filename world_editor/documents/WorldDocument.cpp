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
    setFilePath(m_state.worldOpen() ? m_state.worldDataPath() : QString());
}

vt::Status WorldDocument::save()
{
    const vt::Status saved = m_state.SaveWorld();
    if (saved) {
        markSaved();
        setFilePath(m_state.worldDataPath());
    }
    return saved;
}

vt::HistoryJournal::Payload WorldDocument::journalStep(const QUndoCommand &command) const
{
    // A few bytes: made here, so that the journal holds no reference to the step.
    return [bytes = worldStepBytes(command)] { return bytes; };
}

QUndoCommand *WorldDocument::stepFromJournal(const QByteArray &bytes)
{
    return worldStepFromBytes(*this, bytes);
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
