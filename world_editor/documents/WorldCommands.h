#pragma once

#include "world/LevelField.h"
#include "world/mWorldData.h"

#include <QUndoCommand>

namespace tessaforge {

class WorldDocument;

// A step of the world's details as its crash journal holds it, and back (nullptr for bytes
// that are no such step).
QByteArray worldStepBytes(const QUndoCommand &command);
QUndoCommand *worldStepFromBytes(WorldDocument &document, QByteArrayView bytes);

// The steps of a world's details. Each keeps only what it changed and makes the change in
// its redo, the first time too.

// One field of one level.
class LevelFieldCommand final : public QUndoCommand
{
public:
    LevelFieldCommand(WorldDocument &document, qint32 level, LevelField field, LevelFieldValue before,
                      LevelFieldValue after);
    void undo() override { put(m_before); }
    void redo() override { put(m_after); }

private:
    friend QByteArray worldStepBytes(const QUndoCommand &);
    void put(const LevelFieldValue &value);

    WorldDocument &m_document;
    qint32 m_level;
    LevelField m_field;
    LevelFieldValue m_before, m_after;
};

class WorldNameCommand final : public QUndoCommand
{
public:
    WorldNameCommand(WorldDocument &document, QByteArray before, QByteArray after);
    void undo() override { put(m_before); }
    void redo() override { put(m_after); }

private:
    friend QByteArray worldStepBytes(const QUndoCommand &);
    void put(const QByteArray &name);

    WorldDocument &m_document;
    QByteArray m_before, m_after;
};

// Appending a level ("Add Level") or removing the last one ("Kill Last"): the level that
// comes or goes is kept whole.
class LastLevelCommand final : public QUndoCommand
{
public:
    enum class Change { Add, Kill };
    LastLevelCommand(WorldDocument &document, Change change, LevelRecord level);
    void undo() override;
    void redo() override;

private:
    friend QByteArray worldStepBytes(const QUndoCommand &);
    void append();
    void removeLast();

    WorldDocument &m_document;
    Change m_change;
    LevelRecord m_level;
};

} // namespace tessaforge
