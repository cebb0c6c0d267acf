#include "world/LevelField.h"

#include <type_traits>

namespace tessaforge {

namespace {

// The field's storage, for reading (a const record) and writing alike.
template<typename Record>
auto textOf(Record &level, LevelField::Kind kind) -> decltype(&level.sName)
{
    switch (kind) {
    case LevelField::Kind::Name: return &level.sName;
    case LevelField::Kind::AreaFile: return &level.sAreaFile;
    case LevelField::Kind::Backdrop: return &level.sBackdrop;
    case LevelField::Kind::EnemySkin: return &level.sEnemySkin;
    case LevelField::Kind::Music: return &level.sMusic;
    case LevelField::Kind::Tileset: return &level.sTileset;
    default: return nullptr;
    }
}

template<typename Record, typename F>
void withNumber(Record &level, LevelField field, F &&use)
{
    const auto special = static_cast<size_t>(field.index) < level.SpecialTiles.size();
    const auto pipe = static_cast<size_t>(field.index) < level.Pipes.size();
    switch (field.kind) {
    case LevelField::Kind::Time: use(level.iTime); break;
    case LevelField::Kind::ScrollMode: use(level.bScrollMode); break;
    case LevelField::Kind::ScrollSpeed: use(level.iScrollSpeed); break;
    case LevelField::Kind::SpecialX:
        if (special)
            use(level.SpecialTiles[static_cast<size_t>(field.index)].iTileX);
        break;
    case LevelField::Kind::SpecialY:
        if (special)
            use(level.SpecialTiles[static_cast<size_t>(field.index)].iTileY);
        break;
    case LevelField::Kind::PipeDestLevel:
        if (pipe)
            use(level.Pipes[static_cast<size_t>(field.index)].iDestLevel);
        break;
    case LevelField::Kind::PipeID:
        if (pipe)
            use(level.Pipes[static_cast<size_t>(field.index)].bPipeID);
        break;
    case LevelField::Kind::PipeExitStyle:
        if (pipe)
            use(level.Pipes[static_cast<size_t>(field.index)].bExitStyle);
        break;
    default: break;
    }
}

} // namespace

QString LevelField::caption() const
{
    static const char *const specials[3] = {"Switch A", "Switch B", "Vine"};
    const QString special = QString::fromLatin1(specials[index >= 0 && index < 3 ? index : 0]);
    switch (kind) {
    case Kind::Name: return QStringLiteral("Rename Level");
    case Kind::AreaFile: return QStringLiteral("Area File");
    case Kind::Backdrop: return QStringLiteral("Background");
    case Kind::EnemySkin: return QStringLiteral("Enemies");
    case Kind::Music: return QStringLiteral("Music");
    case Kind::Tileset: return QStringLiteral("Tileset");
    case Kind::Time: return QStringLiteral("Time");
    case Kind::ScrollMode: return QStringLiteral("Level Scrolling");
    case Kind::ScrollSpeed: return QStringLiteral("Scroll Speed");
    case Kind::SpecialX: return special + QStringLiteral(" x");
    case Kind::SpecialY: return special + QStringLiteral(" y");
    case Kind::PipeDestLevel: return QStringLiteral("Pipe %1 Level").arg(index + 1);
    case Kind::PipeID: return QStringLiteral("Pipe %1 ID").arg(index + 1);
    case Kind::PipeExitStyle: return QStringLiteral("Pipe %1 Exit Style").arg(index + 1);
    }
    return {};
}

namespace LevelFields {

LevelFieldValue get(const LevelRecord &level, LevelField field)
{
    LevelFieldValue value;
    if (const QByteArray *text = textOf(level, field.kind))
        value.text = *text;
    else
        withNumber(level, field, [&value](const auto &n) { value.number = n; });
    return value;
}

void set(LevelRecord &level, LevelField field, const LevelFieldValue &value)
{
    if (QByteArray *text = textOf(level, field.kind))
        *text = value.text;
    else
        withNumber(level, field, [&value](auto &n) { n = static_cast<std::remove_reference_t<decltype(n)>>(value.number); });
}

const std::vector<LevelField> &detailFields()
{
    static const std::vector<LevelField> fields = [] {
        using K = LevelField::Kind;
        std::vector<LevelField> list;
        for (int i = 0; i < LevelRecord::kSpecialTiles; ++i) {
            list.push_back({K::SpecialX, i});
            list.push_back({K::SpecialY, i});
        }
        list.push_back({K::Time, 0});
        list.push_back({K::AreaFile, 0});
        list.push_back({K::ScrollMode, 0});
        list.push_back({K::ScrollSpeed, 0});
        for (int k = 0; k < LevelRecord::kPipes; ++k) {
            list.push_back({K::PipeID, k});
            list.push_back({K::PipeDestLevel, k});
            list.push_back({K::PipeExitStyle, k});
        }
        return list;
    }();
    return fields;
}

} // namespace LevelFields

} // namespace tessaforge
