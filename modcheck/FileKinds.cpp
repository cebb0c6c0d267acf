#include "FileKinds.h"

#include "FileIO.h"
#include "area/oLevel.h"
#include "input/mInput.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "tileinfo/mLevelTileset.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

template <class M, vt::Status (*decode)(QByteArrayView, M &)>
QString decodeErrorOf(QByteArrayView bytes)
{
    M model;
    const vt::Status s = decode(bytes, model);
    return s ? QString() : s.error();
}

// The area reader's refusals come from the header alone: its grid would cost the memory of
// a whole area only to be thrown away.
QString areaRefusal(QByteArrayView bytes)
{
    const vt::Status s = tessaforge::areabytes::check(bytes);
    return s ? QString() : s.error();
}

struct KindEntry
{
    Kind kind;
    const vt::FileFormat *format;
    QString (*decodeError)(QByteArrayView bytes);
};

// By Kind.
const KindEntry kEntries[] = {
    {Kind::Area, &tessaforge::kAreaFormat, areaRefusal},
    {Kind::World, &tessaforge::mWorldData::kWorldFormat,
     decodeErrorOf<tessaforge::WorldDetails, tessaforge::mWorldData::decode>},
    {Kind::Worlds, &tessaforge::kWorldListFormat, decodeErrorOf<tessaforge::WorldListText, tessaforge::decode>},
    {Kind::Map, &tessaforge::kMapFormat, decodeErrorOf<tessaforge::oWorldMap, tessaforge::decode>},
    {Kind::TileInfo, &tilemarrow::mLevelTileset::kTileInfoFormat,
     decodeErrorOf<tilemarrow::TileInfo, tilemarrow::mLevelTileset::decode>},
    {Kind::Skin, &skinloft::mEnemySkinFile::kSkinFormat,
     decodeErrorOf<skinloft::EnemySkin, skinloft::mEnemySkinFile::decode>},
    {Kind::Controls, &keyvane::mInput::kControlsFormat,
     decodeErrorOf<keyvane::ControlConfig, keyvane::mInput::decode>},
};

const KindEntry &entry(Kind kind)
{
    const KindEntry &e = kEntries[int(kind)];
    Q_ASSERT(e.kind == kind);
    return e;
}

// A format's reader may read only the head of a file; what follows is a tail an older, longer
// file left, and a tail far longer than that is no file a program wrote.
constexpr qint64 kKeptTail = 1 << 20;

} // namespace

const vt::FileFormat &kindFormat(Kind kind)
{
    return *entry(kind).format;
}

QString kindName(Kind kind)
{
    return QString::fromLatin1(kindFormat(kind).name);
}

QString kindFile(Kind kind)
{
    return kindFormat(kind).file();
}

QString kindExtension(Kind kind)
{
    return QString::fromLatin1(kindFormat(kind).extension);
}

std::optional<Kind> kindFromName(QStringView name)
{
    for (const KindEntry &e : kEntries)
        if (name.compare(QLatin1StringView(e.format->name), Qt::CaseInsensitive) == 0)
            return e.kind;
    return std::nullopt;
}

std::optional<Kind> kindOfPath(const QString &path)
{
    const QString ext = QFileInfo(path).suffix();
    for (const KindEntry &e : kEntries)
        if (ext.compare(QLatin1StringView(e.format->extension), Qt::CaseInsensitive) == 0)
            return e.kind;
    return std::nullopt;
}

qint64 maxFileSize(Kind kind)
{
    const vt::FileFormat &format = kindFormat(kind);
    return format.reading == vt::FileFormat::Reading::Whole ? format.maxSize : format.maxSize + kKeptTail;
}

QString decodeError(Kind kind, QByteArrayView bytes)
{
    return entry(kind).decodeError(bytes);
}

QString missingPart(Kind kind, QByteArrayView bytes)
{
    const std::optional<QSize> size = kind == Kind::Area ? tessaforge::areaGridOf(bytes) : std::nullopt;
    if (!size)
        return {};
    const qint64 cells = qint64(size->width()) * size->height();
    const qint64 stored = std::min<qint64>(
        cells, (bytes.size() - tessaforge::oLevel::kHeaderSize) / tessaforge::oLevel::kCellSize);
    if (stored == cells)
        return {};
    return u"cut short: it holds %1 of the %2 cells its header gives (%3 x %4); the others read as empty"_s
        .arg(stored)
        .arg(cells)
        .arg(size->width())
        .arg(size->height());
}

ReadResult readFile(const QString &path, Kind kind, QByteArray &bytes, QString &error, Check check)
{
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(kind)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (check == Check::BytesOnly)
        return ReadResult::Ok;
    if (const QString e = decodeError(kind, bytes); !e.isEmpty()) {
        error = path + u": "_s + e;
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

ReadResult readArea(const QString &path, tessaforge::oLevel &area, QString &error)
{
    QByteArray bytes;
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(Kind::Area)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (vt::Status s = tessaforge::decode(bytes, area); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

ReadResult readAreaBytes(const QString &path, QByteArray &bytes, QString &error)
{
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(Kind::Area)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    return checkAreaBytes(path, bytes, error);
}

ReadResult checkAreaBytes(const QString &path, const QByteArray &bytes, QString &error)
{
    if (!tessaforge::areaGridOf(bytes)) {
        error = path + u": "_s + decodeError(Kind::Area, bytes);  // refused before any grid is made
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

TilesOutside areaTilesOutside(QByteArrayView bytes, QSize tiles)
{
    TilesOutside found;
    const std::optional<QSize> size = tessaforge::areaGridOf(bytes);
    if (!size)
        return found;
    constexpr uchar kTile = 255;  // a cell shows a tile only when its flag byte is exactly 255
    constexpr int kCell = int(tessaforge::oLevel::kCellSize);
    const qint64 rows = size->height();
    const qint64 cells = std::min<qint64>(qint64(size->width()) * rows, (bytes.size() - tessaforge::oLevel::kHeaderSize) / kCell);
    const auto *start = reinterpret_cast<const uchar *>(bytes.data()) + tessaforge::oLevel::kHeaderSize;

    // A bound first: the highest tile column and row stored in any cell, tile or not, from a
    // byte-wise maximum over blocks of 16 cells, which compiles to vector code. Nearly always
    // it lies inside and the cells need no closer look.
    constexpr int kBlock = 16 * kCell;
    uchar high[kBlock] = {};
    const uchar *p = start;
    qint64 i = 0;
    for (; i + 16 <= cells; i += 16, p += kBlock) {
        uchar block[kBlock];  // a copy, so that the compiler need not fear it overlaps high
        for (int j = 0; j < kBlock; ++j)
            block[j] = p[j];
        for (int j = 0; j < kBlock; ++j)
            high[j] = std::max(high[j], block[j]);
    }
    int highX = 0, highY = 0;
    for (int j = 0; j < kBlock; j += kCell) {
        highX = std::max<int>(highX, high[j + 1]);
        highY = std::max<int>(highY, high[j + 2]);
    }
    for (; i < cells; ++i, p += kCell) {
        highX = std::max<int>(highX, p[1]);
        highY = std::max<int>(highY, p[2]);
    }
    if (highX < tiles.width() && highY < tiles.height())
        return found;

    p = start;
    for (i = 0; i < cells; ++i, p += kCell) {
        if (p[0] == kTile && (p[1] >= tiles.width() || p[2] >= tiles.height())) {
            if (!found.cells) {
                found.first = QPoint(int(i / rows), int(i % rows));
                found.tile = QPoint(p[1], p[2]);
            }
            ++found.cells;
        }
    }
    return found;
}

} // namespace vtfile
