#pragma once

#include "world/mWorldData.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tessaforge {

// One stored field of a level record, named so that an undo step can keep that field alone.
struct LevelField
{
    enum class Kind {
        Name,
        AreaFile,
        Backdrop,
        EnemySkin,
        Music,
        Tileset,
        Time,
        ScrollMode,
        ScrollSpeed,
        SpecialX,  // index: 0 switch A, 1 switch B, 2 vine
        SpecialY,
        PipeDestLevel,  // index: pipe 0..15
        PipeID,
        PipeExitStyle,
    };
    Kind kind = Kind::Name;
    int index = 0;

    bool isText() const { return kind <= Kind::Tileset; }
    // The field as an undo step names it ("Time", "Pipe 3 ID" ...).
    QString caption() const;

    bool operator==(const LevelField &) const = default;
};

// A field's value: texts in text, numbers in number.
struct LevelFieldValue
{
    QByteArray text;
    qint32 number = 0;
    bool operator==(const LevelFieldValue &) const = default;
};

namespace LevelFields {

LevelFieldValue get(const LevelRecord &level, LevelField field);
void set(LevelRecord &level, LevelField field, const LevelFieldValue &value);
// The fields the level details window stores, in its order.
const std::vector<LevelField> &detailFields();

} // namespace LevelFields

} // namespace tessaforge
