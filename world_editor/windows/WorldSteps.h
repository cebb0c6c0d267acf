#pragma once

#include "world/LevelField.h"
#include "world/mWorldData.h"

#include <QUndoCommand>

namespace tessaforge {

class frmMain;

// The undo steps of the world details. Each keeps only what it changed and runs its edit
// when it is pushed; after every run the main window shows the details again.

// One field of one level.
class LevelFieldStep final : public QUndoCommand
{
public:
    // quiet: the first run stores without showing (the caller goes on to show it itself).
    LevelFieldStep(frmMain &main, qint32 level, LevelField field, LevelFieldValue before, LevelFieldValue after,
                   bool quiet = false);
    void undo() override;
    void redo() override;

private:
    void put(const LevelFieldValue &value, bool show);

    frmMain &m_main;
    qint32 m_level;
    LevelField m_field;
    LevelFieldValue m_before, m_after;
    bool m_quiet;
};

class WorldNameStep final : public QUndoCommand
{
public:
    WorldNameStep(frmMain &main, QByteArray before, QByteArray after);
    void undo() override;
    void redo() override;

private:
    void put(const QByteArray &name);

    frmMain &m_main;
    QByteArray m_before, m_after;
};

// Appending a level ("Add Level") or removing the last one ("Kill Last"): the level that
// comes or goes is kept whole.
class LastLevelStep final : public QUndoCommand
{
public:
    enum class Change { Add, Kill };
    LastLevelStep(frmMain &main, Change change, LevelRecord level);
    void undo() override;
    void redo() override;

private:
    void append();
    void removeLast();

    frmMain &m_main;
    Change m_change;
    LevelRecord m_level;
};

} // namespace tessaforge
