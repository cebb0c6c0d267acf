#include "WorldCommands.h"

#include "WorldDocument.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"

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

// ---- the journal's form: the kind of step, then its values

namespace {

enum class StepKind : quint8 { Field = 1, Name = 2, AddLevel = 3, KillLevel = 4 };

void putText(vt::BinaryWriter &w, const QByteArray &text)
{
    w.i32(qint32(text.size()));
    w.bytes(text);
}

bool takeText(vt::BinaryReader &r, QByteArray &text)
{
    const qint32 size = r.i32();
    if (size < 0 || !r.canRead(size))
        return false;
    text = r.bytes(size);
    return true;
}

void putValue(vt::BinaryWriter &w, const LevelFieldValue &v)
{
    putText(w, v.text);
    w.i32(v.number);
}

bool takeValue(vt::BinaryReader &r, LevelFieldValue &v)
{
    if (!takeText(r, v.text))
        return false;
    v.number = r.i32();
    return r.ok();
}

} // namespace

QByteArray worldStepBytes(const QUndoCommand &command)
{
    vt::BinaryWriter w;
    if (const auto *c = dynamic_cast<const LevelFieldCommand *>(&command)) {
        w.u8(quint8(StepKind::Field));
        w.i32(c->m_level);
        w.u8(quint8(c->m_field.kind));
        w.i32(c->m_field.index);
        putValue(w, c->m_before);
        putValue(w, c->m_after);
    } else if (const auto *n = dynamic_cast<const WorldNameCommand *>(&command)) {
        w.u8(quint8(StepKind::Name));
        putText(w, n->m_before);
        putText(w, n->m_after);
    } else if (const auto *l = dynamic_cast<const LastLevelCommand *>(&command)) {
        // The level as the world details file holds it.
        WorldDetails one;
        one.Levels.push_back(l->m_level);
        QByteArray level;
        if (!mWorldData::encode(one, level))
            return {};
        w.u8(quint8(l->m_change == LastLevelCommand::Change::Add ? StepKind::AddLevel : StepKind::KillLevel));
        putText(w, level);
    }
    return w.take();
}

QUndoCommand *worldStepFromBytes(WorldDocument &document, QByteArrayView bytes)
{
    vt::BinaryReader r(bytes);
    const auto kind = StepKind(r.u8());
    QUndoCommand *made = nullptr;
    switch (kind) {
    case StepKind::Field: {
        const qint32 level = r.i32();
        LevelField field;
        const quint8 fieldKind = r.u8();
        field.index = r.i32();
        LevelFieldValue before, after;
        if (fieldKind > quint8(LevelField::Kind::PipeExitStyle) || !takeValue(r, before) || !takeValue(r, after))
            return nullptr;
        field.kind = LevelField::Kind(fieldKind);
        made = new LevelFieldCommand(document, level, field, std::move(before), std::move(after));
        break;
    }
    case StepKind::Name: {
        QByteArray before, after;
        if (!takeText(r, before) || !takeText(r, after))
            return nullptr;
        made = new WorldNameCommand(document, std::move(before), std::move(after));
        break;
    }
    case StepKind::AddLevel:
    case StepKind::KillLevel: {
        QByteArray level;
        WorldDetails one;
        if (!takeText(r, level) || !mWorldData::decode(level, one) || one.Levels.size() != 1)
            return nullptr;
        made = new LastLevelCommand(document,
                                    kind == StepKind::AddLevel ? LastLevelCommand::Change::Add
                                                               : LastLevelCommand::Change::Kill,
                                    std::move(one.Levels.front()));
        break;
    }
    default: return nullptr;
    }
    if (!r.ok() || r.remaining() != 0) {
        delete made;
        return nullptr;
    }
    return made;
}

} // namespace tessaforge
