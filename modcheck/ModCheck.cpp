#include "ModCheck.h"

#include "AnsiText.h"
#include "FileKinds.h"
#include "ModResources.h"
#include "Paths.h"
#include "map/oWorldMap.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

// Line numbers listed in a message, the first few only: a world list may repeat a name a
// million times.
QString lineList(const std::vector<qsizetype> &lines, qsizetype from)
{
    constexpr qsizetype kShown = 8;
    QStringList shown;
    for (qsizetype i = from; i < qsizetype(lines.size()) && i < from + kShown; ++i)
        shown << QString::number(lines[size_t(i)] + 1);
    if (qsizetype(lines.size()) > from + kShown)
        shown << u"..."_s;
    return shown.join(u", "_s);
}

class ModChecker
{
public:
    // world: the one world folder to check, empty for all.
    ModChecker(CheckReport &report, const QString &mod, const QString &game, const QString &world,
               QHash<QString, QByteArray> content)
        : m_mod(mod), m_world(world), m_files(report, game, std::move(content)), m_report(report)
    {
    }

    void run()
    {
        const QString listPath = vt::resolvePath(m_mod + u"/Worlds.inf"_s);
        if (!m_files.read(listPath, Kind::Worlds, m_listBytes))
            return;
        m_worlds = tessaforge::worldListLines(m_listBytes);
        if (m_worlds.empty())
            m_report.add(Severity::Problem, listPath, u"names no world"_s,
                         u"write the world folders into it, one a line, the first world first"_s);
        checkWorlds(listPath);
    }

private:
    // Each world folder once: a name listed again, or another spelling of the same folder,
    // is a warning about those lines, so that a long list costs no more than its length.
    void checkWorlds(const QString &listPath)
    {
        const FolderIndex subfolders(m_mod, FolderIndex::Folders);
        QHash<QByteArrayView, qsizetype> byLine;  // to the first world that names it
        QHash<QString, qsizetype> byFolder;
        std::map<qsizetype, std::vector<qsizetype>> repeats;  // first world -> its repeats
        for (qsizetype w = 0; w < worldCount(); ++w) {
            // A line seen before costs one lookup of its bytes; only a new one is decoded.
            const QByteArrayView line = m_worlds[std::size_t(w)];
            if (const auto seen = byLine.constFind(line); seen != byLine.cend()) {
                repeats[*seen].push_back(w);
                continue;
            }
            byLine.insert(line, w);
            const QString name = vt::fromStoredPath(worldName(w));
            Place place;
            place.world = w + 1;
            if (!vt::isContainedRelativePath(name) || name.isEmpty()) {
                if (!m_world.isEmpty())
                    continue;  // no folder of the mod, so not the one checked
                m_report.add(Severity::Problem, listPath, u"\"%1\" is not a folder inside the mod"_s.arg(name),
                             u"name a folder of the mod, without \"..\" or a drive"_s, place);
                continue;
            }
            // A bare name is looked up in the mod's listing, not on the disk: the list may be long.
            const QString clean = QDir::cleanPath(name);
            QString folder;
            bool exists = false;
            if (const qsizetype slash = clean.indexOf(u'/'); slash > 0) {
                if (subfolders.find(clean.first(slash)).isEmpty()) {
                    folder = vt::joinPath(m_mod, clean);
                } else {
                    folder = vt::resolvePath(vt::joinPath(m_mod, clean));
                    exists = QFileInfo(folder).isDir();
                }
            } else if (folder = subfolders.find(clean); !folder.isEmpty()) {
                exists = true;
            } else {
                folder = vt::joinPath(m_mod, clean);
            }
            if (const auto seen = byFolder.constFind(folder); seen != byFolder.cend()) {
                byLine[line] = *seen;
                repeats[*seen].push_back(w);
                continue;
            }
            byFolder.insert(folder, w);
            if (!m_world.isEmpty()) {
                if (ModFiles::contentKey(folder) != m_world)
                    continue;
                m_worldLine = w;
            }
            if (!exists) {
                m_report.add(Severity::Warning, folder,
                             u"the world folder does not exist yet (the world editor creates it when the world is "
                             u"first opened)"_s);
                continue;
            }
            checkWorld(folder);
        }
        for (const auto &[first, lines] : repeats) {
            if (!m_world.isEmpty() && first != m_worldLine)
                continue;
            Place place;
            place.world = lines.front() + 1;
            QString message = u"names world %1's folder again (\"%2\")"_s.arg(first + 1).arg(worldName(first));
            if (lines.size() > 1)
                message += u", as do %1 more line(s) (worlds %2)"_s.arg(lines.size() - 1).arg(lineList(lines, 1));
            m_report.add(Severity::Warning, listPath, message + u"; the folder is checked once"_s,
                         u"delete the repeated lines, unless the world menu is meant to show the world twice "
                         u"(warps name worlds by line: those to later worlds then need new numbers)"_s,
                         place);
        }
        // A world open in the world editor that the list no longer names is still checked.
        if (!m_world.isEmpty() && m_worldLine < 0) {
            m_report.add(Severity::Warning, listPath,
                         u"names no line for the world folder %1: the game does not show the world"_s.arg(m_world),
                         u"write the folder's name into it, on the line of the world's number"_s);
            if (QFileInfo(m_world).isDir())
                checkWorld(m_world);
        }
    }

    struct SeenArea
    {
        bool valid = false;
        QByteArray bytes;  // kept while another level may name the area with another tileset
        std::set<std::pair<int, int>> tilesetsChecked;  // tileset sizes, in tiles
    };

    void checkWorld(const QString &folder)
    {
        FolderIndex files(folder, FolderIndex::Files);
        for (const QString &name : m_files.heldIn(folder))
            files.add(name);
        const QString detailsPath = files.find(u"Worldata.qzw"_s);
        if (detailsPath.isEmpty()) {
            m_report.add(Severity::Problem, folder + u"/Worldata.qzw"_s, u"missing: the world has no details file"_s,
                         u"open the world in the world editor and save its details"_s);
            return;
        }
        QByteArray bytes;
        if (!m_files.read(detailsPath, Kind::World, bytes))
            return;
        tessaforge::WorldDetails details;
        (void)tessaforge::mWorldData::decode(bytes, details);

        std::set<int> pipeIds;
        std::map<QString, SeenArea> areas;  // by path: each area read once, however many levels use it
        QHash<QByteArray, int> usesLeft;    // by the name levels give it
        for (const tessaforge::LevelRecord &l : details.Levels)
            ++usesLeft[l.sAreaFile.toLower()];
        for (std::size_t i = 0; i < details.Levels.size(); ++i) {
            const tessaforge::LevelRecord &l = details.Levels[i];
            Place at;
            at.level = qint64(i) + 1;
            at.levelName = vt::fromAnsi(l.sName);
            for (const auto &p : l.Pipes)
                if (p.bPipeID)
                    pipeIds.insert(p.bPipeID);
            auto about = [&at](Place::Detail detail) {
                Place p = at;
                p.detail = detail;
                return p;
            };

            const Tileset *tileset = nullptr;
            if (l.sTileset.isEmpty())
                m_report.add(Severity::Problem, detailsPath, u"no tileset chosen"_s,
                             u"choose one under the level's Tileset menu in the world editor"_s, about(Place::Detail::Tileset));
            else
                tileset = m_files.tileset(detailsPath, about(Place::Detail::Tileset), l.sTileset);
            if (!l.sEnemySkin.isEmpty())
                m_files.skin(detailsPath, about(Place::Detail::EnemySkin), l.sEnemySkin);
            if (!l.sBackdrop.isEmpty())
                m_files.backdrop(detailsPath, about(Place::Detail::Backdrop), l.sBackdrop);
            if (!l.sMusic.isEmpty())
                m_files.music(detailsPath, about(Place::Detail::Music), l.sMusic);

            if (l.sAreaFile.isEmpty()) {
                m_report.add(Severity::Problem, detailsPath, u"no area file named"_s,
                             u"name one in the level's details (Edit Details in the world editor)"_s, about(Place::Detail::AreaFile));
                continue;
            }
            const QString areaPath =
                m_files.named(detailsPath, about(Place::Detail::AreaFile), u"area file"_s, l.sAreaFile, files, u".qzl"_s,
                              u"make the area in the world editor's area editor, or name another in the level's "
                              u"details"_s);
            if (areaPath.isEmpty())
                continue;
            auto [seen, first] = areas.try_emplace(areaPath);
            SeenArea &area = seen->second;
            if (first)
                area.valid = m_files.readArea(areaPath, area.bytes);
            if (area.valid && tileset && tileset->tiles.isValid()
                && area.tilesetsChecked.emplace(tileset->tiles.width(), tileset->tiles.height()).second) {
                if (area.bytes.isEmpty())  // let go under another spelling of its name
                    m_files.rereadArea(areaPath, area.bytes);
                checkTiles(areaPath, at, area.bytes, tileset->tiles);
            }
            if (--usesLeft[l.sAreaFile.toLower()] == 0)
                area.bytes = QByteArray();
        }

        // Area files of the folder that no level names: left over, or a level's name mistyped.
        for (const QString &name : files.names()) {
            if (!name.endsWith(u".qzl"_s, Qt::CaseInsensitive))
                continue;
            const QString path = vt::joinPath(files.folder(), name);
            if (!areas.count(path))
                m_report.add(Severity::Warning, path, u"no level of the world uses this area file"_s,
                             u"name it as a level's area file in the level's details, or delete it"_s);
        }
        areas.clear();

        checkMap(folder, files, details, pipeIds);
    }

    // Tiles the picture does not hold show as nothing in the editor and the game.
    void checkTiles(const QString &areaPath, Place at, const QByteArray &area, QSize tiles)
    {
        const TilesOutside outside = areaTilesOutside(area, tiles);
        if (!outside.cells)
            return;
        at.cell = outside.first;
        m_report.add(Severity::Problem, areaPath,
                     u"%1 cell(s) show tiles outside the tileset picture (%2 x %3 tiles), first cell (%4, %5) shows "
                     u"tile (%6, %7)"_s.arg(outside.cells)
                         .arg(tiles.width())
                         .arg(tiles.height())
                         .arg(outside.first.x())
                         .arg(outside.first.y())
                         .arg(outside.tile.x())
                         .arg(outside.tile.y()),
                     u"paint those cells again from the level's tileset, or give the level a larger one"_s, at);
    }

    void checkMap(const QString &folder, const FolderIndex &files, const tessaforge::WorldDetails &details,
                  const std::set<int> &pipeIds)
    {
        const QString mapPath = files.find(u"Worldmap.qzm"_s);
        if (mapPath.isEmpty())
            return;
        QByteArray bytes;
        if (!m_files.read(mapPath, Kind::Map, bytes))
            return;
        tessaforge::oWorldMap map;
        (void)tessaforge::decode(bytes, map);

        // The map editor opens a map only with both of its pictures.
        if (const QString gif = files.find(u"Worldmap.gif"_s); gif.isEmpty()) {
            m_report.add(Severity::Problem, folder + u"/Worldmap.gif"_s,
                         u"missing: the world map's picture, on which its nodes lie; the map editor does not open "
                         u"the map without it"_s,
                         u"draw the map picture, at least 640 x 480 pixels, as Worldmap.gif"_s);
        } else if (const Picture &p = m_files.picture(gif); p.size.isValid()
                   && (p.size.width() < 640 || p.size.height() < 480)) {
            m_report.add(Severity::Problem, gif,
                         u"%1 x %2 pixels: the map editor takes a map picture of at least 640 x 480"_s
                             .arg(p.size.width())
                             .arg(p.size.height()),
                         u"draw the map picture at least 640 x 480 pixels large"_s);
        }
        qint32 pictures = -1;
        if (const QString objects = files.find(u"MapObjects.bmp"_s); !objects.isEmpty()) {
            if (const Picture &p = m_files.picture(objects); p.size.isValid())
                pictures = p.size.width() / 32;
        } else {
            std::vector<qsizetype> showing;
            for (qint32 id = 1; id <= map.nodeCount(); ++id)
                if (map.NodeImage(id))
                    showing.push_back(id - 1);
            Place first;
            if (!showing.empty())
                first.node = int(showing.front()) + 1;
            if (showing.empty())
                m_report.add(Severity::Warning, folder + u"/MapObjects.bmp"_s,
                             u"missing: the map editor does not open the map without its strip of node pictures, "
                             u"though no node shows one yet"_s,
                             u"draw a strip of 32 x 32 node pictures as MapObjects.bmp"_s);
            else
                m_report.add(Severity::Problem, folder + u"/MapObjects.bmp"_s,
                             u"missing, but %1 node(s) of Worldmap.qzm show pictures from it (nodes %2)"_s
                                 .arg(showing.size())
                                 .arg(lineList(showing, 0)),
                             u"draw the strip of 32 x 32 node pictures as MapObjects.bmp, or set those nodes to no "
                             u"picture"_s,
                             first);
        }

        for (qint32 id = 1; id <= map.nodeCount(); ++id) {
            Place at;
            at.node = id;
            auto problem = [&](const QString &what, const QString &fix) {
                m_report.add(Severity::Problem, mapPath, what, fix, at);
            };
            const int links[] = {map.LeftNode(id), map.RightNode(id), map.UpNode(id), map.DownNode(id)};
            const char *names[] = {"left", "right", "up", "down"};
            for (int k = 0; k < 4; ++k)
                if (links[k] > map.nodeCount())
                    problem(u"%1 link names node %2, but the map has %3 node(s)"_s.arg(QLatin1String(names[k]))
                                .arg(links[k])
                                .arg(map.nodeCount()),
                            u"choose an existing node or \"-\" in the map editor"_s);
            const int tag = map.NodeTag(id);
            if (tag >= 1 && tag <= 20 && !pipeIds.count(tag))
                problem(u"pipe %1: no level of the world has a pipe with that number"_s.arg(tag),
                        u"give a level's pipe that number in its details, or tag the node otherwise"_s);
            if (tag >= 21 && tag <= 40) {
                const int exit = map.warpExitWorld(id);
                if (exit == 0)
                    problem(u"warp %1 leads to no world"_s.arg(tag - 20),
                            u"choose its world with Select Dest. World in the map editor"_s);
                else if (exit > worldCount())
                    problem(u"warp %1 leads to world %2, but the mod lists %3 world(s)"_s.arg(tag - 20)
                                .arg(exit)
                                .arg(worldCount()),
                            u"choose a listed world with Select Dest. World in the map editor"_s);
            }
            if (tag >= 41 && tag <= 110 && tag - 40 > qint64(details.Levels.size()))
                problem(u"level %1, but the world has %2 level(s)"_s.arg(tag - 40).arg(details.Levels.size()),
                        u"tag the node with an existing level"_s);
            if (tag > 111)
                problem(u"tag %1 means nothing"_s.arg(tag), u"choose a tag from the map editor's list"_s);
            if (pictures >= 0 && map.NodeImage(id) > pictures)
                problem(u"picture %1, but MapObjects.bmp holds %2"_s.arg(map.NodeImage(id)).arg(pictures),
                        u"choose a picture of the strip, or draw the strip longer"_s);
        }
    }

    QString m_mod;
    QString m_world;           // contentKey() form; empty for every world
    qsizetype m_worldLine = -1;  // the first line of the list that names m_world
    ModFiles m_files;
    CheckReport &m_report;
    qsizetype worldCount() const { return qsizetype(m_worlds.size()); }
    // The world's folder as the list names it.
    QString worldName(qsizetype w) const { return vt::fromAnsi(m_worlds[std::size_t(w)]); }

    QByteArray m_listBytes;
    std::vector<QByteArrayView> m_worlds;  // the list's lines, in m_listBytes
};

} // namespace

namespace {

bool reportRead(CheckReport &report, const QString &path, Kind kind, ReadResult result, QString error,
                const QByteArray &bytes)
{
    if (error.startsWith(path + u": "_s))
        error.remove(0, path.size() + 2);
    switch (result) {
    case ReadResult::Ok:
        if (const QString missing = missingPart(kind, bytes); !missing.isEmpty())
            report.add(Severity::Problem, path, missing);
        return true;
    case ReadResult::Unreadable: report.add(Severity::Unreadable, path, error); break;
    case ReadResult::Invalid: report.add(Severity::Problem, path, error); break;
    }
    return false;
}

} // namespace

bool checkFile(CheckReport &report, const QString &path, Kind kind, QByteArray &bytes)
{
    QString error;
    const ReadResult result = readFile(path, kind, bytes, error);
    return reportRead(report, path, kind, result, error, bytes);
}

bool checkArea(CheckReport &report, const QString &path, QByteArray &bytes)
{
    QString error;
    const ReadResult result = readAreaBytes(path, bytes, error);
    return reportRead(report, path, Kind::Area, result, error, bytes);
}

bool checkHeld(CheckReport &report, const QString &path, Kind kind, const QByteArray &bytes)
{
    QString error;
    ReadResult result = ReadResult::Ok;
    if (kind == Kind::Area) {
        result = checkAreaBytes(path, bytes, error);
    } else if (const QString e = decodeError(kind, bytes); !e.isEmpty()) {
        error = e;
        result = ReadResult::Invalid;
    }
    return reportRead(report, path, kind, result, error, bytes);
}

QString notAGameFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return u"not a folder"_s;
    if (!QFileInfo(vt::resolvePath(folder + u"/Data"_s)).isDir())
        return u"not a game folder: it holds no Data folder (a game folder holds Data/ with Tilesets/, Enemies/, "
               u"Backdrops/ and Music/, and Mods/)"_s;
    return {};
}

CheckReport checkMod(const QString &modFolderIn, const ModCheckOptions &options)
{
    CheckReport report;
    const QString mod = QDir::cleanPath(modFolderIn);
    if (!QFileInfo(mod).isDir()) {
        report.add(Severity::Unreadable, mod, u"not a folder"_s);
        return report;
    }
    QString game;
    if (!options.game.isEmpty()) {
        game = QDir::cleanPath(options.game);
        if (const QString why = notAGameFolder(game); !why.isEmpty()) {
            report.add(Severity::Unreadable, game, why, u"give --game the folder that holds the game's Data/"_s);
            return report;
        }
    } else {
        game = QDir::cleanPath(mod + u"/../.."_s);
        if (!notAGameFolder(game).isEmpty()) {
            report.add(Severity::Problem, mod,
                       u"not inside a game folder's Mods/ (%1 holds no Data folder): its tilesets, enemy skins, "
                       u"backdrops and music are not checked"_s
                           .arg(game),
                       u"give --game DIR, the game folder whose Data/ the mod uses"_s);
            game.clear();
        }
    }
    QHash<QString, QByteArray> content;
    for (auto it = options.content.cbegin(); it != options.content.cend(); ++it)
        content.insert(ModFiles::contentKey(it.key()), it.value());
    const QString world = options.world.isEmpty() ? QString() : ModFiles::contentKey(options.world);
    ModChecker(report, mod, game, world, std::move(content)).run();
    return report;
}

} // namespace vtfile
