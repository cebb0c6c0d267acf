#include "WorldCommands.h"

#include "WorldDocument.h"

namespace tessaforge {

LevelFieldCommand::LevelFieldCommand(WorldDocument &document, qint32 level, LevelField field,
                                     LevelFieldValue before, LevelFieldValue after)
    : QUndoCommand(field.caption()), m_document(document), m_level(level), m_field(field),
      m_before(std::move(before)), m_after(std::move(after))
{
}

void LevelFieldCommand::put(const LevelFieldValue &value)
{
    if (LevelRecord *level = m_document.m_state.level(m_level))
        LevelFields::set(*level, m_field, value);
    Q_EMIT m_document.levelFieldChanged(m_level, m_field);
}

WorldNameCommand::WorldNameCommand(WorldDocument &document, QByteArray before, QByteArray after)
    : QUndoCommand(QStringLiteral("Rename World")), m_document(document), m_before(std::move(before)),
      m_after(std::move(after))
{
}

void WorldNameCommand::put(const QByteArray &name)
{
    m_document.m_state.gWorld.sWorldName = name;
    Q_EMIT m_document.worldNameChanged();
}

LastLevelCommand::LastLevelCommand(WorldDocument &document, Change change, LevelRecord level)
    : QUndoCommand(change == Change::Add ? QStringLiteral("Add Level") : QStringLiteral("Kill Last")),
      m_document(document), m_change(change), m_level(std::move(level))
{
}

void LastLevelCommand::append()
{
    m_document.m_state.gWorld.Levels.push_back(m_level);
    Q_EMIT m_document.levelsChanged(m_change == Change::Kill);
}

void LastLevelCommand::removeLast()
{
    std::vector<LevelRecord> &levels = m_document.m_state.gWorld.Levels;
    if (levels.size() > 1)  // a world always keeps one level
        levels.pop_back();
    Q_EMIT m_document.levelsChanged(false);
}

void LastLevelCommand::undo()
{
    if (m_change == Change::Add)
        removeLast();
    else
        append();
}

void LastLevelCommand::redo()
{
    if (m_change == Change::Add)
        append();
    else
        removeLast();
}

} // namespace tessaforge
