#include "WorldSteps.h"

#include "frmMain.h"

namespace tessaforge {

LevelFieldStep::LevelFieldStep(frmMain &main, qint32 level, LevelField field, LevelFieldValue before,
                               LevelFieldValue after, bool quiet)
    : QUndoCommand(field.caption()), m_main(main), m_level(level), m_field(field), m_before(std::move(before)),
      m_after(std::move(after)), m_quiet(quiet)
{
}

void LevelFieldStep::put(const LevelFieldValue &value, bool show)
{
    if (LevelRecord *level = m_main.state().level(m_level))
        LevelFields::set(*level, m_field, value);
    if (show)
        m_main.showLevelField(m_level, m_field);
}

void LevelFieldStep::undo() { put(m_before, true); }

void LevelFieldStep::redo()
{
    put(m_after, !m_quiet);
    m_quiet = false;
}

WorldNameStep::WorldNameStep(frmMain &main, QByteArray before, QByteArray after)
    : QUndoCommand(QStringLiteral("Rename World")), m_main(main), m_before(std::move(before)),
      m_after(std::move(after))
{
}

void WorldNameStep::put(const QByteArray &name)
{
    m_main.state().gWorld.sWorldName = name;
    m_main.showWorldName();
}

void WorldNameStep::undo() { put(m_before); }
void WorldNameStep::redo() { put(m_after); }

LastLevelStep::LastLevelStep(frmMain &main, Change change, LevelRecord level)
    : QUndoCommand(change == Change::Add ? QStringLiteral("Add Level") : QStringLiteral("Kill Last")), m_main(main),
      m_change(change), m_level(std::move(level))
{
}

void LastLevelStep::append()
{
    m_main.state().gWorld.Levels.push_back(m_level);
    m_main.showLevels(m_change == Change::Kill);
}

void LastLevelStep::removeLast()
{
    std::vector<LevelRecord> &levels = m_main.state().gWorld.Levels;
    if (levels.size() > 1)  // a world always keeps one level
        levels.pop_back();
    m_main.showLevels();
}

void LastLevelStep::undo()
{
    if (m_change == Change::Add)
        removeLast();
    else
        append();
}

void LastLevelStep::redo()
{
    if (m_change == Change::Add)
        append();
    else
        removeLast();
}

} // namespace tessaforge
