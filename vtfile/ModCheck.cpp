#include "ModCheck.h"

#include "AnsiText.h"
#include "Formats.h"
#include "Paths.h"
#include "area/oLevel.h"
#include "map/oWorldMap.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <set>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

class Checker
{
public:
    explicit Checker(CheckReport &report) : m_report(report) {}

    void problem(const QString &path, const QString &what) { m_report.problems << path + u": "_s + what; }
    void warning(const QString &path, const QString &what) { m_report.warnings << path + u": "_s + what; }

    // The file read through its format; false (and reported) when it does not read.
    bool read(const QString &path, Kind kind, QByteArray &bytes)
    {
        QString error;
        switch (readFile(path, kind, bytes, error)) {
        case ReadResult::Ok:
            if (const QString missing = missingPart(kind, bytes); !missing.isEmpty())
                problem(path, missing);
            return true;
        case ReadResult::Unreadable: m_report.unreadable = true; break;
        case ReadResult::Invalid: break;
        }
        m_report.problems << error;
        return false;
    }

    static bool isFile(const QString &path) { return QFileInfo(path).isFile(); }

    // A name stored in a record that must name a file of folder: reports and gives the path.
    QString named(const QString &where, const QString &what, const QByteArray &stored,
                  const QString &folder, const QString &extension)
    {
        const QString name = vt::fromStoredPath(vt::fromAnsi(stored));
        if (!vt::isBareFileName(name + extension)) {
            problem(where, u"%1 \"%2\" is not a plain file name"_s.arg(what, name));
            return {};
        }
        const QString path = vt::resolvePath(vt::joinPath(folder, name + extension));
        if (!isFile(path)) {
            problem(where, u"%1 \"%2\" not found: no %3"_s.arg(what, name, QDir::cleanPath(vt::joinPath(folder, name + extension))));
            return {};
        }
        return path;
    }

private:
    CheckReport &m_report;
};

struct Tileset
{
    QSize size;             // in pixels; empty when the picture does not read
};

} // namespace

CheckReport checkMod(const QString &modFolderIn)
{
    CheckReport report;
    Checker c(report);
    const QString mod = QDir::cleanPath(modFolderIn);
    if (!QFileInfo(mod).isDir()) {
        c.problem(mod, u"not a folder"_s);
        report.unreadable = true;
        return report;
    }
    const QString game = QDir::cleanPath(mod + u"/../.."_s);
    const QString data = vt::resolvePath(game + u"/Data"_s);
    const QString tilesets = vt::resolvePath(data + u"/Tilesets"_s);
    const QString enemies = vt::resolvePath(data + u"/Enemies"_s);
    const QString backdrops = vt::resolvePath(data + u"/Backdrops"_s);
    const QString music = vt::resolvePath(data + u"/Music"_s);

    const QString listPath = vt::resolvePath(mod + u"/Worlds.inf"_s);
    QByteArray bytes;
    if (!c.read(listPath, Kind::Worlds, bytes))
        return report;
    const QStringList worlds = tessaforge::parseWorldList(bytes);
    if (worlds.isEmpty())
        c.problem(listPath, u"names no world"_s);

    std::set<QString> tilesetsRead;  // each tileset's files are checked once
    for (qsizetype w = 0; w < worlds.size(); ++w) {
        const QString where = u"%1 (world %2)"_s.arg(listPath).arg(w + 1);
        const QString name = vt::fromStoredPath(worlds[w]);
        if (!vt::isContainedRelativePath(name) || name.isEmpty()) {
            c.problem(where, u"\"%1\" is not a folder inside the mod"_s.arg(name));
            continue;
        }
        const QString folder = vt::resolvePath(vt::joinPath(mod, name));
        if (!QFileInfo(folder).isDir()) {
            c.warning(folder, u"the world folder does not exist yet (the world editor creates it when the world is first opened)"_s);
            continue;
        }
        const QString detailsPath = vt::resolvePath(folder + u"/Worldata.qzw"_s);
        if (!Checker::isFile(detailsPath)) {
            c.problem(detailsPath, u"missing: the world has no details file"_s);
            continue;
        }
        if (!c.read(detailsPath, Kind::World, bytes))
            continue;
        tessaforge::WorldDetails details;
        (void)tessaforge::mWorldData::decode(bytes, details);

        std::set<int> pipeIds;
        for (std::size_t i = 0; i < details.Levels.size(); ++i) {
            const tessaforge::LevelRecord &l = details.Levels[i];
            const QString at = u"%1 (level %2 \"%3\")"_s.arg(detailsPath).arg(i + 1).arg(vt::fromAnsi(l.sName));
            for (const auto &p : l.Pipes)
                if (p.bPipeID)
                    pipeIds.insert(p.bPipeID);

            QSize tileSize;
            if (l.sTileset.isEmpty()) {
                c.problem(at, u"no tileset chosen"_s);
            } else if (const QString bmp = c.named(at, u"tileset"_s, l.sTileset, tilesets, u".bmp"_s);
                       !bmp.isEmpty()) {
                QImageReader reader(bmp);
                tileSize = reader.size();
                const QString key = bmp.toLower();
                if (!tilesetsRead.count(key)) {
                    tilesetsRead.insert(key);
                    if (!tileSize.isValid())
                        c.problem(bmp, u"not a picture: "_s + reader.errorString());
                    const QString info = c.named(at, u"tile information"_s, l.sTileset, tilesets, u".qzt"_s);
                    if (!info.isEmpty())
                        c.read(info, Kind::TileInfo, bytes);
                }
            }
            if (!l.sEnemySkin.isEmpty())
                if (const QString skin = c.named(at, u"enemy skin"_s, l.sEnemySkin, enemies, u".qze"_s); !skin.isEmpty())
                    c.read(skin, Kind::Skin, bytes);
            if (!l.sBackdrop.isEmpty())
                c.named(at, u"backdrop"_s, l.sBackdrop, backdrops, QString());
            if (!l.sMusic.isEmpty())
                c.named(at, u"music"_s, l.sMusic, music, u".mid"_s);

            if (l.sAreaFile.isEmpty()) {
                c.problem(at, u"no area file named"_s);
                continue;
            }
            const QString areaPath = c.named(at, u"area file"_s, l.sAreaFile, folder, u".qzl"_s);
            if (areaPath.isEmpty() || !c.read(areaPath, Kind::Area, bytes))
                continue;
            if (!tileSize.isValid())
                continue;
            // Tiles the picture does not hold show as nothing in the editor and the game.
            tessaforge::oLevel area;
            (void)tessaforge::decode(bytes, area);
            const qint32 across = tileSize.width() / 32, down = tileSize.height() / 32;
            qint64 outside = 0;
            QString first;
            for (qint32 x = 0; x <= area.width(); ++x) {
                const tessaforge::AreaCell *col = area.column(x);
                for (qint32 y = 0; y <= area.height(); ++y) {
                    if (col[y].bIsTile && (col[y].xSrc >= across || col[y].ySrc >= down)) {
                        if (!outside++)
                            first = u"cell (%1, %2) shows tile (%3, %4)"_s.arg(x).arg(y).arg(col[y].xSrc).arg(col[y].ySrc);
                    }
                }
            }
            if (outside)
                c.problem(areaPath, u"%1 cell(s) show tiles outside the tileset picture (%2 x %3 tiles), first %4"_s
                                        .arg(outside).arg(across).arg(down).arg(first));
        }

        const QString mapPath = vt::resolvePath(folder + u"/Worldmap.qzm"_s);
        if (!Checker::isFile(mapPath))
            continue;
        if (!c.read(mapPath, Kind::Map, bytes))
            continue;
        tessaforge::oWorldMap map;
        (void)tessaforge::decode(bytes, map);
        qint32 pictures = -1;
        const QString objects = vt::resolvePath(folder + u"/MapObjects.bmp"_s);
        if (Checker::isFile(objects))
            pictures = QImageReader(objects).size().width() / 32;
        for (qint32 id = 1; id <= map.nodeCount(); ++id) {
            const QString at = u"%1 (node %2)"_s.arg(mapPath).arg(id);
            const int links[] = {map.LeftNode(id), map.RightNode(id), map.UpNode(id), map.DownNode(id)};
            const char *names[] = {"left", "right", "up", "down"};
            for (int k = 0; k < 4; ++k)
                if (links[k] > map.nodeCount())
                    c.problem(at, u"%1 link names node %2, but the map has %3 node(s)"_s
                                      .arg(QLatin1String(names[k])).arg(links[k]).arg(map.nodeCount()));
            const int tag = map.NodeTag(id);
            if (tag >= 1 && tag <= 20 && !pipeIds.count(tag))
                c.problem(at, u"pipe %1: no level of the world has a pipe with that number"_s.arg(tag));
            if (tag >= 21 && tag <= 40) {
                const int exit = map.warpExitWorld(id);
                if (exit == 0)
                    c.problem(at, u"warp %1 leads to no world"_s.arg(tag - 20));
                else if (exit > worlds.size())
                    c.problem(at, u"warp %1 leads to world %2, but the mod lists %3 world(s)"_s
                                      .arg(tag - 20).arg(exit).arg(worlds.size()));
            }
            if (tag >= 41 && tag <= 110 && tag - 40 > qint64(details.Levels.size()))
                c.problem(at, u"level %1, but the world has %2 level(s)"_s.arg(tag - 40).arg(details.Levels.size()));
            if (tag > 111)
                c.problem(at, u"tag %1 means nothing"_s.arg(tag));
            if (pictures >= 0 && map.NodeImage(id) > pictures)
                c.problem(at, u"picture %1, but MapObjects.bmp holds %2"_s.arg(map.NodeImage(id)).arg(pictures));
        }
    }
    return report;
}

} // namespace vtfile
