#include "ModResources.h"

#include "AnsiText.h"
#include "ModCheck.h"
#include "Paths.h"
#include "skin/mEnemySkinFile.h"
#include "tileinfo/mLevelTileset.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

constexpr int kTile = 32;

} // namespace

FolderIndex::FolderIndex(const QString &folder, Entries entries) : m_folder(folder)
{
    if (folder.isEmpty())
        return;
    // Neither pipes nor devices (QDir::System): nothing the check opens may block it.
    const QDir::Filters filter = entries == Files ? QDir::Files | QDir::Hidden
                                                  : QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot;
    m_names = QDir(folder).entryList(filter, QDir::Name | QDir::IgnoreCase);
    m_exact = QSet<QString>(m_names.cbegin(), m_names.cend());
    for (const QString &name : std::as_const(m_names)) {
        const QString lower = name.toLower();
        if (!m_folded.contains(lower))
            m_folded.insert(lower, name);
    }
}

QString FolderIndex::find(const QString &name) const
{
    if (m_exact.contains(name))
        return vt::joinPath(m_folder, name);
    const auto it = m_folded.constFind(name.toLower());
    return it == m_folded.cend() ? QString() : vt::joinPath(m_folder, *it);
}

void FolderIndex::add(const QString &name)
{
    if (m_exact.contains(name))
        return;
    const auto at = std::lower_bound(m_names.begin(), m_names.end(), name, [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    m_names.insert(at, name);
    m_exact.insert(name);
    if (const QString lower = name.toLower(); !m_folded.contains(lower))
        m_folded.insert(lower, name);
}

ModFiles::ModFiles(CheckReport &report, const QString &game, QHash<QString, QByteArray> content)
    : m_report(report),
      m_game(game),
      m_content(std::move(content)),
      m_data(game.isEmpty() ? QString() : vt::resolvePath(game + u"/Data"_s))
{
}

ModFiles::~ModFiles() = default;

QString ModFiles::contentKey(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

const QByteArray *ModFiles::held(const QString &path) const
{
    if (m_content.isEmpty())
        return nullptr;
    const auto it = m_content.constFind(contentKey(path));
    return it == m_content.cend() ? nullptr : &*it;
}

QStringList ModFiles::heldIn(const QString &folder) const
{
    QStringList names;
    const QString key = contentKey(folder);
    for (auto it = m_content.cbegin(); it != m_content.cend(); ++it) {
        const QFileInfo file(it.key());
        if (file.path() == key)
            names << file.fileName();
    }
    return names;
}

bool ModFiles::read(const QString &path, Kind kind, QByteArray &bytes)
{
    if (const QByteArray *content = held(path)) {
        bytes = *content;
        return checkHeld(m_report, path, kind, bytes);
    }
    return checkFile(m_report, path, kind, bytes);
}

bool ModFiles::readArea(const QString &path, QByteArray &bytes)
{
    if (const QByteArray *content = held(path)) {
        bytes = *content;
        return checkHeld(m_report, path, Kind::Area, bytes);
    }
    return checkArea(m_report, path, bytes);
}

void ModFiles::rereadArea(const QString &path, QByteArray &bytes)
{
    QString unused;
    if (const QByteArray *content = held(path))
        bytes = *content;
    else
        (void)readAreaBytes(path, bytes, unused);
}

QString ModFiles::named(const QString &file, const Place &at, const QString &what, const QByteArray &stored,
                        const FolderIndex &folder, const QString &extension, const QString &fix)
{
    const QString name = vt::fromStoredPath(vt::fromAnsi(stored));
    if (!vt::isBareFileName(name + extension)) {
        m_report.add(Severity::Problem, file, u"%1 \"%2\" is not a plain file name"_s.arg(what, name), fix, at);
        return {};
    }
    const QString path = folder.find(name + extension);
    if (path.isEmpty())
        m_report.add(Severity::Problem, file,
                     u"%1 \"%2\" not found: no %3"_s.arg(what, name,
                                                         QDir::cleanPath(vt::joinPath(folder.folder(), name + extension))),
                     fix, at);
    return path;
}

const Picture &ModFiles::picture(const QString &path)
{
    auto [it, first] = m_pictureSeen.try_emplace(path);
    if (first) {
        QImageReader reader(path);
        it->second.size = reader.size();
        if (!it->second.size.isValid())
            m_report.add(Severity::Problem, path, u"not a picture: "_s + reader.errorString(),
                         u"save it again as a BMP or GIF picture"_s);
    }
    return it->second;
}

const FolderIndex &ModFiles::index(std::unique_ptr<FolderIndex> &slot, const QString &folder)
{
    if (!slot)
        slot = std::make_unique<FolderIndex>(vt::resolvePath(folder), FolderIndex::Files);
    return *slot;
}

const Tileset *ModFiles::tileset(const QString &file, const Place &at, const QByteArray &name)
{
    if (m_game.isEmpty())
        return nullptr;
    const QString bmp = named(file, at, u"tileset"_s, name, index(m_tilesets, m_data + u"/Tilesets"_s), u".bmp"_s,
                              u"put the tileset picture into Data/Tilesets, or choose another under the level's "
                              u"Tileset menu"_s);
    if (bmp.isEmpty())
        return nullptr;
    auto [it, first] = m_tilesetSeen.try_emplace(bmp);
    if (first) {
        const QSize pixels = picture(bmp).size;
        if (pixels.isValid()) {
            if (pixels.width() < kTile || pixels.height() < kTile)
                m_report.add(Severity::Problem, bmp,
                             u"%1 x %2 pixels: not one whole tile of 32 x 32"_s.arg(pixels.width()).arg(pixels.height()),
                             u"draw the tileset as a grid of 32 x 32 tiles"_s);
            else
                it->second.tiles = QSize(pixels.width() / kTile, pixels.height() / kTile);
        }
        checkTileInfo(file, at, name, bmp, it->second.tiles);
    }
    return &it->second;
}

// The tile information must describe the very grid of its picture: the game and the editors
// take a tile's type by its place, and tilemarrow cuts or fills the grid to the picture's size
// when it loads the pair.
void ModFiles::checkTileInfo(const QString &file, const Place &at, const QByteArray &name, const QString &bmp,
                             QSize tiles)
{
    const QString path = named(file, at, u"tile information"_s, name, *m_tilesets, u".qzt"_s,
                               u"give the tiles their types in tilemarrow (New with the tileset picture, then Save "
                               u"beside it)"_s);
    QByteArray bytes;
    if (path.isEmpty() || !read(path, Kind::TileInfo, bytes))
        return;
    tilemarrow::TileInfo info;
    (void)tilemarrow::mLevelTileset::decode(bytes, info);
    const int across = info.MaxX + 1, down = info.MaxY + 1;
    const qint64 cells = qint64(across) * down, stored = std::min<qint64>(bytes.size() - 2, cells);
    if (stored < cells)
        m_report.add(Severity::Problem, path,
                     u"cut short: it holds %1 of the %2 tiles its header gives (%3 x %4); the others read as "
                     u"Background"_s.arg(stored).arg(cells).arg(across).arg(down),
                     u"load it in tilemarrow, give the missing tiles their types and save it"_s);
    if (tiles.isValid() && (tiles.width() != across || tiles.height() != down))
        m_report.add(Severity::Problem, path,
                     u"its grid is %1 x %2 tiles, but %3 holds %4 x %5 tiles of 32 x 32 pixels"_s.arg(across)
                         .arg(down)
                         .arg(QFileInfo(bmp).fileName())
                         .arg(tiles.width())
                         .arg(tiles.height()),
                     u"load it in tilemarrow and save it: the grid takes the picture's size (tiles it gains are "
                     u"Background)"_s);
}

void ModFiles::skin(const QString &file, const Place &at, const QByteArray &name)
{
    if (m_game.isEmpty())
        return;
    const QString path = named(file, at, u"enemy skin"_s, name, index(m_enemies, m_data + u"/Enemies"_s), u".qze"_s,
                               u"make the skin in skinloft and save it into Data/Enemies, or choose another under "
                               u"the level's Enemies menu"_s);
    if (!path.isEmpty() && m_skinSeen.insert(path).second)
        checkSkin(path);
}

// skinloft lists the *.bmp and *.gif files beside the programs and finds a skin's name among
// them ignoring letter case and surrounding spaces; the game looks in the same folder.
void ModFiles::checkSkin(const QString &path)
{
    QByteArray bytes;
    if (!read(path, Kind::Skin, bytes))
        return;
    skinloft::EnemySkin skin;
    (void)skinloft::mEnemySkinFile::decode(bytes, skin);
    const FolderIndex &pictures = index(m_gameFiles, m_game);
    for (int k = 0; k < skinloft::kEnemyTypeCount; ++k) {
        const QString name = vt::trimSpaces(vt::fromAnsi(skin.Fields[size_t(k)]));
        if (name.isEmpty())
            continue;
        Place at;
        at.enemy = k + 1;
        at.enemyType = QString::fromLatin1(skinloft::EnemyTypeNames[size_t(k)]);
        if (!vt::isBareFileName(name)) {
            m_report.add(Severity::Problem, path,
                         u"picture \"%1\" is not a plain file name: the enemy pictures lie beside the programs"_s
                             .arg(name),
                         u"choose the picture again in skinloft"_s, at);
            continue;
        }
        const QString picture = pictures.find(name);
        if (picture.isEmpty()) {
            m_report.add(Severity::Problem, path,
                         u"picture \"%1\" not found: no %2"_s.arg(name, QDir::cleanPath(vt::joinPath(m_game, name))),
                         u"put %1 beside the programs in the game folder, or choose another picture for this "
                         u"enemy in skinloft"_s.arg(name),
                         at);
        } else if (const QString ext = QFileInfo(picture).suffix().toLower(); ext != u"bmp"_s && ext != u"gif"_s) {
            m_report.add(Severity::Warning, path,
                         u"picture \"%1\" is neither a .bmp nor a .gif: skinloft does not list it"_s.arg(name),
                         u"save it as a BMP or GIF picture and choose that in skinloft"_s, at);
        } else {
            this->picture(picture);
        }
    }
}

void ModFiles::backdrop(const QString &file, const Place &at, const QByteArray &name)
{
    if (m_game.isEmpty())
        return;
    const QString path = named(file, at, u"backdrop"_s, name, index(m_backdrops, m_data + u"/Backdrops"_s), QString(),
                               u"put the picture into Data/Backdrops, or choose another under the level's Backdrop "
                               u"menu"_s);
    if (!path.isEmpty())
        picture(path);
}

void ModFiles::music(const QString &file, const Place &at, const QByteArray &name)
{
    if (m_game.isEmpty())
        return;
    (void)named(file, at, u"music"_s, name, index(m_music, m_data + u"/Music"_s), u".mid"_s,
                u"put the piece into Data/Music, or choose another under the level's Music menu"_s);
}

} // namespace vtfile
