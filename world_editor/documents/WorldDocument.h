#pragma once

#include "Document.h"
#include "world/EditorState.h"
#include "world/LevelField.h"

#include <QObject>

namespace tessaforge {

// The open mod and world: the world list, the world's details and the current level (held
// in EditorState, under the names the game's tools have always used), with the history of
// the details. Every edit of the details is an operation here and one command; the windows
// show the details again from the signals, whatever made the change.
class WorldDocument final : public Document
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WorldDocument)

public:
    explicit WorldDocument(QString appPath, QObject *parent = nullptr);
    ~WorldDocument() override;

    EditorState &state() { return m_state; }
    const EditorState &state() const { return m_state; }

    // Another world (or none) is open: its history starts now, with nothing modified.
    void worldReplaced();
    // Writes the open world's details; on success nothing is modified.
    vt::Status save();

    // One field of one level; false, and no step, when the field holds the value already or
    // there is no such level.
    bool setLevelField(qint32 level, LevelField field, const LevelFieldValue &value);
    void renameWorld(const QByteArray &name);
    // "Add Level" appends `level`; "Kill Last" removes the last level but never the only one.
    void addLevel(const LevelRecord &level);
    bool killLastLevel();

Q_SIGNALS:
    void levelFieldChanged(qint32 level, LevelField field);
    // Levels were appended or removed; levelBack: a removed level came back whole.
    void levelsChanged(bool levelBack);
    void worldNameChanged();

private:
    QString journalKind() const override { return QStringLiteral("world"); }
    vt::HistoryJournal::Payload journalStep(const QUndoCommand &command) const override;
    QUndoCommand *stepFromJournal(const QByteArray &bytes) override;

    friend class LevelFieldCommand;
    friend class WorldNameCommand;
    friend class LastLevelCommand;

    EditorState m_state;
};

} // namespace tessaforge
