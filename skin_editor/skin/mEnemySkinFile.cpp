#include "skin/mEnemySkinFile.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileIO.h"

namespace skinloft {

const std::array<const char *, kEnemyTypeCount> EnemyTypeNames = {
    "Trudgel",
    "Gnasher Plants",
    "Hardback Beetle",
    "Green Shellback",
    "Red Shellback",
    "Waddle Penguin",
    "Prickler",
    "Little Wisp",
    "Orbitflame",
    "Magma Spark",
    "Crushstone",
    "Rattle Bones",
    "Moving Platform",
    "Quake Button",
    "Fast Finfish",
    "Slow Finfish",
    "Rising Lava",
    "Stacky the Cactus",
    "Enemy Wings",
    "Bouncer",
    "Cannon Shell",
    "Fuse-walker",
    "BOSS 1 - Trudgel King",
    "Crawlipede",
    "Quake Block",
};

namespace mEnemySkinFile {

namespace {

// The most bytes 25 fields can describe; whatever follows is not part of the format.
constexpr qint64 kMaxFileSize = kEnemyTypeCount * (2 + kMaxFieldLength);

} // namespace

vt::Status encode(const EnemySkin &skin, QByteArray &out)
{
    qsizetype total = 0;
    for (const QByteArray &field : skin.Fields)
        total += 2 + field.size();

    vt::BinaryWriter writer(total);
    for (int i = 0; i < kEnemyTypeCount; ++i) {
        if (!writer.text16(skin.Fields[i], kMaxFieldLength)) {
            return vt::Status::failure(
                QStringLiteral("The graphic name for \"%1\" is longer than %2 characters.")
                    .arg(QString::fromLatin1(EnemyTypeNames[i]))
                    .arg(kMaxFieldLength));
        }
    }
    out = writer.take();
    return vt::Status::success();
}

vt::Status decode(QByteArrayView bytes, EnemySkin &skin)
{
    EnemySkin loaded;
    vt::BinaryReader reader(bytes);
    for (int i = 0; i < kEnemyTypeCount; ++i) {
        // A file cut short between two fields reads as if the missing fields were empty.
        if (reader.remaining() == 0)
            break;
        QByteArray field = reader.text16();
        if (!reader.ok()) {
            // The fields before the cut are the file's; the cut one and the rest are empty,
            // as a load that empties every field first and then reads them leaves them.
            skin = std::move(loaded);
            return vt::Status::failure(
                QStringLiteral("The enemy skin is cut short inside the entry for \"%1\"; "
                               "the entries after it are empty.")
                    .arg(QString::fromLatin1(EnemyTypeNames[i])));
        }
        loaded.Fields[i] = std::move(field);
    }
    skin = std::move(loaded);
    return vt::Status::success();
}

const vt::FileFormat kSkinFormat = {
    .name = "skin",
    .extension = "qze",
    .maxSize = kMaxFileSize,
    .reading = vt::FileFormat::Reading::Head,
    // Written from the first byte without shortening the file.
    .saveTail = vt::OldTail::Keep,
    .shortFile = "a file that ends between two fields: the rest are empty; inside a field: refused, "
                 "the fields before it kept",
};

vt::Status SaveEnemySkin(const EnemySkin &skin, const QString &path)
{
    return vt::saveFile(kSkinFormat, encode, skin, path);
}

vt::Status LoadEnemySkin(EnemySkin &skin, const QString &path)
{
    return vt::loadFile(kSkinFormat, decode, path, skin);
}

} // namespace mEnemySkinFile

} // namespace skinloft
