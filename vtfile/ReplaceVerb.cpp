// replace: cells found by tile, tag or enemy and given new values in every area of a mod, all
// areas written as one.
#include "ToolParts.h"

#include "AnsiText.h"
#include "FileFormat.h"
#include "FileIO.h"
#include "Paths.h"
#include "area/AreaReplace.h"
#include "world/WorldAreas.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

struct ReplaceArgs
{
    QString mod;
    QString world;
    bool dryRun = false;
    bool help = false;
    tessaforge::CellReplace replace;
};

// The command line, or the reason it is wrong.
std::optional<ReplaceArgs> parseReplace(const QStringList &in, QString &error)
{
    ReplaceArgs a;
    QSet<QString> seen;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QString &s = in[i];
        if (s == u"--help"_s || s == u"-h"_s) {
            a.help = true;
            continue;
        }
        if (s == u"--dry-run"_s) {
            a.dryRun = true;
            continue;
        }
        static const QStringList valued{u"--mod"_s,      u"--world"_s, u"--find-tile"_s, u"--find-tag"_s,
                                        u"--find-enemy"_s, u"--tile"_s, u"--tag"_s,       u"--enemy"_s};
        if (!valued.contains(s)) {
            error = s.startsWith(u'-') ? u"unknown option %1"_s.arg(s)
                                       : u"takes no files (\"%1\"): give --mod MODFOLDER"_s.arg(s);
            return std::nullopt;
        }
        if (i + 1 >= in.size()) {
            error = s + u" needs a value"_s;
            return std::nullopt;
        }
        if (seen.contains(s)) {
            error = s + u" is given twice"_s;
            return std::nullopt;
        }
        seen.insert(s);
        const QString &v = in[++i];
        auto tile = [&](std::optional<tessaforge::TileValue> &into) {
            into = tessaforge::tileFromText(v);
            if (!into)
                error = u"%1 %2: expected COLUMN,ROW (each 0 to 255) or none"_s.arg(s, v);
            return into.has_value();
        };
        auto byte = [&](std::optional<quint8> &into) {
            into = tessaforge::byteFromText(v);
            if (!into)
                error = u"%1 %2: expected a whole number from 0 to 255"_s.arg(s, v);
            return into.has_value();
        };
        tessaforge::CellQuery &find = a.replace.find;
        tessaforge::CellReplacement &with = a.replace.with;
        const bool ok = s == u"--mod"_s     ? (a.mod = v, true)
                        : s == u"--world"_s ? (a.world = v, true)
                        : s == u"--find-tile"_s  ? tile(find.tile)
                        : s == u"--find-tag"_s   ? byte(find.tag)
                        : s == u"--find-enemy"_s ? byte(find.enemy)
                        : s == u"--tile"_s       ? tile(with.tile)
                        : s == u"--tag"_s        ? byte(with.tag)
                                                 : byte(with.enemy);
        if (!ok)
            return std::nullopt;
    }
    if (a.help)
        return a;
    if (a.mod.isEmpty())
        error = u"give --mod MODFOLDER"_s;
    else if (a.replace.find.isEmpty())
        error = u"say which cells: give --find-tile, --find-tag or --find-enemy"_s;
    else if (a.replace.with.isEmpty())
        error = u"say what they become: give --tile, --tag or --enemy"_s;
    if (!error.isEmpty())
        return std::nullopt;
    return a;
}

// The area files of the mod's worlds (or of one), each once. Problems in the files that name
// them go to err; the status is the worst seen.
struct ModAreas
{
    QStringList paths;
    int status = kOk;
};

ModAreas modAreas(const ReplaceArgs &a, QTextStream &err)
{
    ModAreas found;
    const QString listPath = vt::resolvePath(a.mod + u"/Worlds.inf"_s);
    if (!QFileInfo(a.mod).isDir()) {
        err << a.mod << ": not a folder\n";
        found.status = kTrouble;
        return found;
    }
    QByteArray listBytes;
    if (vt::Status s = vt::readFormatFile(tessaforge::kWorldListFormat, listPath, listBytes); !s) {
        err << s.error() << '\n';
        found.status = kTrouble;
        return found;
    }
    bool worldFound = a.world.isEmpty();
    QSet<QString> folders;
    QSet<QString> areas;
    for (const QString &line : tessaforge::parseWorldList(listBytes)) {
        const QString name = vt::fromStoredPath(line);
        if (!a.world.isEmpty() && QDir::cleanPath(name).compare(QDir::cleanPath(vt::fromStoredPath(a.world)),
                                                                Qt::CaseInsensitive) != 0)
            continue;
        worldFound = true;
        if (name.isEmpty() || !vt::isContainedRelativePath(name)) {
            err << listPath << ": \"" << name << "\" is not a folder inside the mod; left out\n";
            found.status = std::max(found.status, kProblem);
            continue;
        }
        const QString folder = vt::resolvePath(vt::joinPath(a.mod, QDir::cleanPath(name)));
        // A folder listed again, under another spelling or through a link, is gone through once.
        const QString real = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || !QFileInfo(folder).isDir() || folders.contains(real))
            continue;  // not made yet (no areas), or seen
        folders.insert(real);
        const QString detailsPath = vt::resolvePath(folder + u"/Worldata.qzw"_s);
        if (!QFileInfo::exists(detailsPath))
            continue;  // a world without details has no levels yet
        QByteArray bytes;
        if (vt::Status s = vt::readFormatFile(tessaforge::mWorldData::kWorldFormat, detailsPath, bytes); !s) {
            err << s.error() << '\n';
            found.status = kTrouble;
            continue;
        }
        tessaforge::WorldDetails details;
        if (vt::Status s = tessaforge::mWorldData::decode(bytes, details); !s) {
            err << detailsPath << ": " << s.error() << "; the world's areas are left as they are\n";
            found.status = std::max(found.status, kProblem);
            continue;
        }
        for (const tessaforge::WorldArea &area : tessaforge::worldAreas(folder, details)) {
            if (!area.problem.isEmpty()) {
                err << detailsPath << ": " << area.problem << "; left out\n";
                found.status = std::max(found.status, kProblem);
            } else if (!areas.contains(area.path)) {
                areas.insert(area.path);
                found.paths << area.path;
            }
        }
    }
    if (!worldFound) {
        err << listPath << ": lists no world \"" << a.world << "\"\n";
        found.status = kTrouble;
    }
    return found;
}

} // namespace

const char *replaceHelp()
{
    return "usage: vtfile replace --mod MODFOLDER [--world FOLDER] [--dry-run]\n"
           "         [--find-tile COLUMN,ROW|none] [--find-tag N] [--find-enemy N]\n"
           "         [--tile COLUMN,ROW|none] [--tag N] [--enemy N]\n"
           "Finds the cells of every area the levels of the mod's worlds name that hold all\n"
           "the --find- options give, and gives them what --tile, --tag and --enemy give;\n"
           "the rest of each cell stays. At least one of each kind is needed. A tile is a\n"
           "column and row of the level's tileset, 0 to 255 each, or none for no tile; a tag\n"
           "or an enemy is a number from 0 to 255. --world limits the work to one world\n"
           "folder of Worlds.inf.\n"
           "Prints, for each area with matching cells, how many, then a total. With\n"
           "--dry-run nothing is written. Otherwise every area that changes is written, all\n"
           "as one: when any cannot be written (or read), none is. An area the area reader\n"
           "refuses is reported and left as it is.\n"
           "Exit 0 all well, 1 an area or a world details file refused (the others are\n"
           "replaced), 2 nothing done: a wrong command line, a file that cannot be read or\n"
           "written.\n";
}

int replaceVerb(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString error;
    const std::optional<ReplaceArgs> parsed = parseReplace(args, error);
    if (!parsed) {
        err << "vtfile replace: " << error << "\n\n" << replaceHelp();
        return kTrouble;
    }
    const ReplaceArgs &a = *parsed;
    if (a.help) {
        out << replaceHelp();
        return kOk;
    }
    const ModAreas areas = modAreas(a, err);
    if (areas.status == kTrouble) {
        err << "vtfile replace: nothing was written\n";
        return kTrouble;
    }

    using tessaforge::AreaFileReplace;
    const auto mode = a.dryRun ? tessaforge::ReplaceMode::Count : tessaforge::ReplaceMode::Write;
    const tessaforge::AreaFilesReplace result = tessaforge::replaceInAreaFiles(areas.paths, a.replace, mode, a.mod);
    int status = areas.status;
    for (const AreaFileReplace &f : result.files) {
        if (f.state == AreaFileReplace::State::Refused) {
            err << f.path << ": " << f.problem << " The area reader refuses it: left as it is.\n";
            status = std::max(status, kProblem);
        } else if (f.state == AreaFileReplace::State::Unreadable) {
            err << f.problem << '\n';
            status = kTrouble;
        }
    }
    if (!result.status) {
        err << "vtfile replace: " << result.status.error() << '\n';
        const qsizetype written = result.areasWritten();
        if (written == 0)
            err << "vtfile replace: no area was changed\n";
        return kTrouble;
    }

    for (const AreaFileReplace &f : result.files) {
        if (f.count.matched == 0)
            continue;
        out << f.path << ": " << f.count.matched;
        if (a.dryRun)
            out << " cell(s) match";
        else if (f.written)
            out << " cell(s) replaced";
        else
            out << " cell(s) match, all as asked already: not written";
        if (a.dryRun && f.count.changed < f.count.matched)
            out << " (" << f.count.matched - f.count.changed << " as asked already)";
        out << '\n';
    }
    out << "total: " << result.matched() << " cell(s) in " << result.areasMatching() << " of "
        << result.files.size() << " area(s); ";
    if (a.dryRun)
        out << "nothing written (--dry-run)\n";
    else
        out << result.areasWritten() << " area file(s) written\n";
    return status;
}

} // namespace vtfile
