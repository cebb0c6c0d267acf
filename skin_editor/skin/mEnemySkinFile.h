#pragma once

#include "FileFormat.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>

namespace skinloft {

constexpr int kEnemyTypeCount = 25;

// The enemy types in file order; also the texts of the editor's enemy list.
extern const std::array<const char *, kEnemyTypeCount> EnemyTypeNames;

// Which graphic file draws each enemy type. The names stay windows-1252 bytes, exactly as
// stored, and are decoded only for display; an empty field means no graphic is assigned.
struct EnemySkin
{
    std::array<QByteArray, kEnemyTypeCount> Fields;

    friend bool operator==(const EnemySkin &, const EnemySkin &) = default;
};

// The .qze file: the 25 fields in order, each a 16-bit little-endian length followed by
// that many bytes, nothing else.
namespace mEnemySkinFile {

// The longest name a field's 16-bit length can give: the reader and the writer share it, so
// every file that loads saves back byte for byte.
constexpr qsizetype kMaxFieldLength = 65535;

extern const vt::FileFormat kSkinFormat;

// Writes from the file's first byte without shortening a longer file, atomically: on
// failure the old file is left as it was.
vt::Status SaveEnemySkin(const EnemySkin &skin, const QString &path);

// Replaces every field of skin by the file's. A missing or unreadable file leaves skin
// unchanged; a file cut short inside a field loads as decode says and is reported.
vt::Status LoadEnemySkin(EnemySkin &skin, const QString &path);

// Fails (out unchanged) when a field is too long for its length prefix.
vt::Status encode(const EnemySkin &skin, QByteArray &out);

// A buffer that ends between two fields leaves the remaining fields empty. One that ends
// inside a field fails, but skin still becomes the fields before the cut with the rest
// empty. Bytes after the 25th field are ignored.
vt::Status decode(QByteArrayView bytes, EnemySkin &skin);

} // namespace mEnemySkinFile

} // namespace skinloft
