// render: a whole area drawn to a picture file.
#include "ToolParts.h"

#include "FileIO.h"
#include "ImageFile.h"
#include "ModCheck.h"
#include "Paths.h"
#include "area/oLevel.h"
#include "render/AreaPicture.h"
#include "resources/TagSheet.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace vtfile {

bool zoomOption(const Args &a, const char *verb, qint32 fallback, qint32 &zoom, QTextStream &err)
{
    zoom = fallback;
    if (a.zoom.isEmpty())
        return true;
    bool ok = false;
    zoom = a.zoom.toInt(&ok);
    if (ok && (zoom == 8 || zoom == 16 || zoom == 24 || zoom == 32))
        return true;
    err << "vtfile " << verb << ": --zoom " << a.zoom << ": expected 8, 16, 24 or 32\n";
    return false;
}

QString findTileset(const QString &given, const QString &areaPath, const QString &game)
{
    if (QFileInfo(given).isFile())
        return given;
    if (given.contains(u'/') || given.endsWith(u".bmp"_s, Qt::CaseInsensitive))
        return {};
    const QString name = given + u".bmp"_s;
    const QString areaGame = QDir::cleanPath(QFileInfo(areaPath).absolutePath() + u"/../../.."_s);
    QStringList games{game};
    if (game.isEmpty())
        games = {areaGame, QCoreApplication::applicationDirPath()};
    for (const QString &g : games) {
        const QString p = vt::resolvePath(g + u"/Data/Tilesets/"_s + name);
        if (QFileInfo(p).isFile())
            return p;
    }
    return {};
}

int renderVerb(const Args &a, QTextStream &, QTextStream &err)
{
    if (a.files.size() != 1 || !a.haveOutput || a.tileset.isEmpty()) {
        err << "vtfile render: give AREA.qzl, --tileset NAME_OR_BMP and -o OUT.png|OUT.bmp "
               "(see vtfile render --help)\n";
        return kTrouble;
    }
    const QString &areaPath = a.files.front();
    if (const auto kind = a.type ? a.type : kindOfPath(areaPath); kind && *kind != Kind::Area) {
        err << areaPath << ": not an area file (its name is " << kindFile(*kind) << "'s); render draws areas\n";
        return kTrouble;
    }
    const auto format = tessaforge::pictureFormatOf(a.output);
    if (!format) {
        err << a.output << ": the picture's name must end in .png or .bmp\n";
        return kTrouble;
    }
    tessaforge::AreaPictureOptions o;
    if (!zoomOption(a, "render", 32, o.zoom, err))
        return kTrouble;
    if (!a.layers.isEmpty()) {
        o.tiles = o.start = false;
        for (const QString &layer : a.layers.split(u',', Qt::SkipEmptyParts)) {
            const QString l = layer.trimmed().toLower();
            if (l == u"tiles"_s) o.tiles = true;
            else if (l == u"tags"_s) o.tags = true;
            else if (l == u"enemies"_s) o.enemies = true;
            else if (l == u"start"_s) o.start = true;
            else {
                err << "vtfile render: --layers: unknown layer \"" << layer
                    << "\": expected tiles, tags, enemies, start\n";
                return kTrouble;
            }
        }
    }
    if (a.background.isEmpty()) {
        if (*format == tessaforge::PictureFormat::Bmp)
            o.background = qRgb(0, 0, 0);
    } else if (a.background.compare(u"transparent"_s, Qt::CaseInsensitive) != 0) {
        const QColor c = QColor::fromString(a.background);
        if (!c.isValid()) {
            err << "vtfile render: --background " << a.background
                << ": expected transparent or a colour such as #182838\n";
            return kTrouble;
        }
        o.background = c.rgb();
    }

    const std::optional<qint64> maxMegapixels =
        maxOption(a, "render", kDefaultMaxPictureMegapixels, "megapixels", err);
    if (!maxMegapixels)
        return kTrouble;
    // The picture's size from the area's header alone, before the grid is read: a short
    // file may describe a huge grid.
    QByteArray header;
    if (vt::Status s = vt::readFileHead(areaPath, header, tessaforge::oLevel::kHeaderSize); !s) {
        err << s.error() << '\n';
        return kTrouble;
    }
    if (const std::optional<QSize> grid = tessaforge::areaGridOf(header)) {
        const qint64 width = qint64(grid->width()) * o.zoom, height = qint64(grid->height()) * o.zoom;
        if (width * height > *maxMegapixels * 1000000) {
            err << a.output << ": the picture would be " << width << " x " << height << " pixels ("
                << (width * height + 999999) / 1000000 << " million), more than the " << *maxMegapixels
                << " million limit; nothing was drawn (give --max to raise it, or a smaller --zoom)\n";
            return kProblem;
        }
    }

    tessaforge::oLevel area;
    QString error;
    switch (readArea(areaPath, area, error)) {
    case ReadResult::Unreadable: err << error << '\n'; return kTrouble;
    case ReadResult::Invalid: err << error << '\n'; return kProblem;
    case ReadResult::Ok: break;
    }

    if (!a.game.isEmpty())
        if (const QString why = notAGameFolder(a.game); !why.isEmpty()) {
            err << a.game << ": " << why << '\n';
            return kTrouble;
        }
    const QString tilesetPath = findTileset(a.tileset, areaPath, a.game);
    if (tilesetPath.isEmpty()) {
        err << a.tileset << ": tileset not found (neither a file nor a name in Data/Tilesets)\n";
        return kTrouble;
    }
    QImage tileset;
    if (vt::Status s = vt::readImage(tilesetPath, tileset); !s) {
        err << tilesetPath << ": " << s.error() << '\n';
        return kTrouble;
    }
    if (vt::Status s = tessaforge::writeAreaPicture(area, tileset.convertToFormat(QImage::Format_RGB32),
                                                    tessaforge::drawTagSheet().convertToFormat(QImage::Format_RGB32),
                                                    o, *format, a.output);
        !s) {
        err << s.error() << '\n';
        return kProblem;
    }
    return kOk;
}


} // namespace vtfile
