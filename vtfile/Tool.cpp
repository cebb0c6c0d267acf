#include "Tool.h"

#include "FileIO.h"
#include "Formats.h"
#include "ImageFile.h"
#include "ModCheck.h"
#include "Paths.h"
#include "area/oLevel.h"
#include "render/AreaPicture.h"
#include "resources/TagSheet.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <optional>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

// Exit statuses: a problem found in a file, or trouble doing the work at all (the command
// line is wrong, a file cannot be read).
constexpr int kOk = 0, kProblem = 1, kTrouble = 2;
constexpr qint64 kDefaultMaxJsonMiB = 64;
constexpr qint64 kDefaultMaxPictureMegapixels = 1000;

const char *const kToolHelp =
    "usage: vtfile VERB [options] FILE...\n"
    "\n"
    "Reads, checks and converts the game's files; writes a file only where -o names one.\n"
    "\n"
    "verbs:\n"
    "  info FILE...                  what each file is and a short summary\n"
    "  check FILE...                 run each file through its format's reader\n"
    "  check --mod MODFOLDER [--game DIR]\n"
    "                                every file of a mod and every reference between them,\n"
    "                                into the game folder DIR (--json: either report as JSON)\n"
    "  to-json FILE... [-o OUT]      each file as JSON (to standard output without -o)\n"
    "  from-json JSON... -o FILE     each file back from JSON\n"
    "  render AREA.qzl --tileset NAME_OR_BMP -o OUT.png|OUT.bmp\n"
    "                                the whole area drawn as the area editor draws it\n"
    "\n"
    "The type of a file comes from its extension (.qzl area, .qzw world, .inf worlds,\n"
    ".qzm map, .qzt tileinfo, .qze skin, .qzc controls) or from --type TYPE.\n"
    "'-' names standard input or output in to-json and from-json.\n"
    "'vtfile VERB --help' describes one verb. Exit status: 0 all well, 1 a problem found\n"
    "in a file, 2 the work could not be done: a wrong command line, a file that cannot be\n"
    "read at all.\n";

const char *verbHelp(const QString &verb)
{
    if (verb == u"info"_s)
        return "usage: vtfile info [--type TYPE] FILE...\n"
               "Says what each file is and summarises it: an area's size, start, side-warp and\n"
               "how many cells hold tiles, tags and enemies; a world's levels with their names\n"
               "and areas; a map's nodes; ...\n";
    if (verb == u"check"_s)
        return "usage: vtfile check [--type TYPE] [--json] FILE...\n"
               "       vtfile check --mod MODFOLDER [--game DIR] [--strict] [--json]\n"
               "Runs every file through its format's reader. With --mod, also checks every\n"
               "reference: each world folder of Worlds.inf exists, and each is checked once\n"
               "however often the list names it; each level's area file, tileset, enemy skin,\n"
               "backdrop and music exist (the last four in the game folder's Data/); each\n"
               "tileset's tile information has the grid of its picture (32 x 32 pixel tiles);\n"
               "each enemy picture a skin names lies beside the programs in the game folder;\n"
               "each map node's level, pipe, warp, link and picture number points at\n"
               "something, and the map's pictures are there; each area's tiles lie inside its\n"
               "tileset picture. The game folder is the one that holds the mod's Mods/ folder,\n"
               "or DIR with --game (for a mod kept elsewhere; DIR must hold Data/).\n"
               "Prints one line per finding ('path (place): what is wrong; fix: ...'). Lines\n"
               "starting 'warning:' (a listed world whose folder is not made yet, a world\n"
               "listed twice, an area file no level uses) count as problems only with\n"
               "--strict. With --json the report is one JSON object on standard output (see\n"
               "JSON.md): {\"findings\": [...], \"counts\": {...}}, each finding with its\n"
               "\"severity\" (problem, warning, unreadable), \"file\", \"message\", its place\n"
               "where it has one (\"world\", \"level\" and \"levelName\", \"node\", \"enemy\" and\n"
               "\"enemyType\", \"cell\": [column, row]) and a \"fix\" where one is plain.\n"
               "Exit 0 all well, 1 a problem, 2 a file unreadable; the same with --json.\n";
    if (verb == u"to-json"_s)
        return "usage: vtfile to-json [--type TYPE] FILE [-o OUT.json] [--max MIB]\n"
               "       vtfile to-json [--type TYPE] FILE... -o FOLDER [--max MIB]\n"
               "Writes the file as JSON (see JSON.md), to OUT.json or to standard output.\n"
               "With a folder after -o (needed for several files), each FILE goes to\n"
               "FOLDER/NAME.json, NAME being its file name with its extension.\n"
               "FILE '-' is standard input (give --type); OUT '-' standard output.\n"
               "A JSON that would be larger than 64 MiB (an area's grid takes at least 3 bytes\n"
               "a cell, even where a short file lacks the cells) is refused before any work;\n"
               "--max raises the limit.\n"
               "'from-json' of the result gives back the very same bytes.\n";
    if (verb == u"from-json"_s)
        return "usage: vtfile from-json JSON -o FILE [--type TYPE] [--force] [--max MIB]\n"
               "       vtfile from-json JSON... -o FOLDER [--force] [--max MIB]\n"
               "Makes the file from JSON written by to-json (and edited). The type comes from\n"
               "--type, the JSON's \"format\" member or FILE's extension. A bad value is\n"
               "refused with its place (\"a.json:12:7: $.levels[2].time: ...\") and nothing is\n"
               "written; so is a file the game's readers would refuse, and one named with\n"
               "another format's extension unless --force is given.\n"
               "With a folder after -o (needed for several files), NAME.json goes to\n"
               "FOLDER/NAME, with the format's extension added when NAME has none.\n"
               "JSON '-' is standard input; FILE '-' standard output.\n"
               "A JSON larger than 64 MiB is not read; --max raises the limit.\n"
               "Each file is replaced in one atomic step.\n";
    if (verb == u"render"_s)
        return "usage: vtfile render AREA.qzl --tileset NAME_OR_BMP -o OUT.png|OUT.bmp\n"
               "         [--zoom 8|16|24|32] [--layers tiles,tags,enemies,start]\n"
               "         [--background transparent|#RRGGBB] [--game DIR] [--max MEGAPIXELS]\n"
               "Draws every square of the area exactly as the area editor draws it. The\n"
               "tileset is a .bmp path, or a name looked up in Data/Tilesets of the game\n"
               "folder: DIR with --game, else the area's (or vtfile's own folder). Defaults:\n"
               "zoom 32, layers tiles,start, background transparent for PNG and black for BMP.\n"
               "A picture of more than 1000 million pixels is refused before any work;\n"
               "--max raises the limit. The picture appears only when it is complete.\n";
    return nullptr;
}

struct Args
{
    QStringList files;
    QString output;
    bool haveOutput = false;
    std::optional<Kind> type;
    QString mod;
    QString game;  // check --mod, render: the game folder whose Data/ is used
    bool strict = false;
    bool json = false;  // check: the report as JSON
    bool force = false;  // from-json: write under another format's extension
    bool help = false;
    QString tileset;
    QString zoom;
    QString max;  // to-json, from-json: the largest JSON, in MiB; render: megapixels
    QString layers;
    QString background;
    QString error;
};

Args parse(const QStringList &in, const QString &verb)
{
    Args a;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QString &s = in[i];
        auto value = [&](QString &into) {
            if (i + 1 >= in.size()) {
                a.error = s + u" needs a value"_s;
                return false;
            }
            into = in[++i];
            return true;
        };
        if (s == u"--help"_s || s == u"-h"_s) {
            a.help = true;
        } else if (s == u"-o"_s || s == u"--output"_s) {
            if (!value(a.output))
                return a;
            a.haveOutput = true;
        } else if (s == u"--type"_s) {
            QString t;
            if (!value(t))
                return a;
            a.type = kindFromName(t);
            if (!a.type) {
                a.error = u"unknown type \"%1\": expected area, world, worlds, map, tileinfo, skin or controls"_s.arg(t);
                return a;
            }
        } else if (s == u"--mod"_s && verb == u"check"_s) {
            if (!value(a.mod))
                return a;
        } else if (s == u"--strict"_s && verb == u"check"_s) {
            a.strict = true;
        } else if (s == u"--json"_s && verb == u"check"_s) {
            a.json = true;
        } else if (s == u"--game"_s && (verb == u"check"_s || verb == u"render"_s)) {
            if (!value(a.game))
                return a;
        } else if (s == u"--max"_s && (verb == u"to-json"_s || verb == u"from-json"_s || verb == u"render"_s)) {
            if (!value(a.max))
                return a;
        } else if (s == u"--force"_s && verb == u"from-json"_s) {
            a.force = true;
        } else if (verb == u"render"_s && s == u"--tileset"_s) {
            if (!value(a.tileset))
                return a;
        } else if (verb == u"render"_s && s == u"--zoom"_s) {
            if (!value(a.zoom))
                return a;
        } else if (verb == u"render"_s && s == u"--layers"_s) {
            if (!value(a.layers))
                return a;
        } else if (verb == u"render"_s && s == u"--background"_s) {
            if (!value(a.background))
                return a;
        } else if (s.startsWith(u'-') && s != u"-"_s) {
            a.error = u"unknown option %1"_s.arg(s);
            return a;
        } else {
            a.files << s;
        }
    }
    return a;
}

bool isStdio(const QString &name) { return name == u"-"_s; }

QString displayName(const QString &file)
{
    return isStdio(file) ? u"standard input"_s : file;
}

// Standard input, at most maxSize bytes (a pipe cannot tell its size in advance).
vt::Status readStandardInput(QByteArray &out, qint64 maxSize)
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered))
        return vt::Status::failure(u"cannot be read"_s);
    QByteArray bytes;
    char chunk[1 << 16];
    for (;;) {
        const qint64 n = in.read(chunk, sizeof chunk);
        if (n < 0)
            return vt::Status::failure(u"cannot be read: "_s + in.errorString());
        if (n == 0)
            break;
        if (bytes.size() + n > maxSize)
            return vt::Status::failure(u"holds more than the %1 bytes that are read"_s.arg(maxSize));
        bytes.append(chunk, n);
    }
    out = std::move(bytes);
    return vt::Status::success();
}

// A file of the given kind, or standard input for "-", through its format's reader.
ReadResult readInput(const QString &file, Kind kind, QByteArray &bytes, QString &error)
{
    if (!isStdio(file))
        return readFile(file, kind, bytes, error);
    if (vt::Status s = readStandardInput(bytes, maxFileSize(kind)); !s) {
        error = u"standard input: "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (const QString e = decodeError(kind, bytes); !e.isEmpty()) {
        error = u"standard input: "_s + e;
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

// Binary bytes to standard output, past the text stream's buffer.
void writeStandardOutput(QTextStream &out, const QByteArray &bytes)
{
    out.flush();
    if (QIODevice *device = out.device()) {
        device->write(bytes);
        if (auto *file = qobject_cast<QFile *>(device))
            file->flush();
    } else {
        out << QString::fromLatin1(bytes);  // a stream on a string: tests
    }
}

std::optional<Kind> typeOf(const Args &a, const QString &file, QTextStream &err)
{
    if (a.type)
        return a.type;
    if (const auto k = kindOfPath(file))
        return k;
    err << displayName(file) << ": cannot tell the file's type from its name: give --type\n";
    return std::nullopt;
}

// Reads each named file by its type; reports a failure on the given stream and carries on.
// The status is the worst seen: a problem, or a file that could not be read at all.
template<typename OnRead>
int forEachFile(const Args &a, QTextStream &problems, QTextStream &err, OnRead onRead)
{
    int status = kOk;
    for (const QString &file : a.files) {
        const auto kind = typeOf(a, file, err);
        if (!kind) {
            status = kTrouble;
            continue;
        }
        QByteArray bytes;
        QString error;
        switch (readInput(file, *kind, bytes, error)) {
        case ReadResult::Unreadable: problems << error << '\n'; status = kTrouble; break;
        case ReadResult::Invalid: problems << error << '\n'; status = std::max(status, kProblem); break;
        case ReadResult::Ok: onRead(file, *kind, bytes); break;
        }
    }
    return status;
}

int infoVerb(const Args &a, QTextStream &out, QTextStream &err)
{
    return forEachFile(a, err, err, [&](const QString &file, Kind kind, const QByteArray &bytes) {
        out << displayName(file) << ": " << kindName(kind) << " file, " << bytes.size() << " bytes\n"
            << summary(kind, bytes);
        if (const QString missing = missingPart(kind, bytes); !missing.isEmpty())
            out << "  " << missing << '\n';
        if (a.files.size() > 1)
            out << '\n';
    });
}

int checkVerb(const Args &a, QTextStream &out, QTextStream &err)
{
    CheckReport report;
    int status = kOk;  // beyond the report: a file whose type could not be told
    if (!a.mod.isEmpty()) {
        if (!a.files.isEmpty()) {
            err << "vtfile check: give either --mod MODFOLDER or files, not both\n";
            return kTrouble;
        }
        report = checkMod(a.mod, ModCheckOptions{a.game});
    } else {
        if (!a.game.isEmpty()) {
            err << "vtfile check: --game goes with --mod MODFOLDER\n";
            return kTrouble;
        }
        for (const QString &file : a.files) {
            const auto kind = a.type ? a.type : kindOfPath(file);
            if (!kind) {
                const QString why = u"cannot tell the file's type from its name: give --type"_s;
                if (a.json)
                    report.add(Severity::Problem, file, why);
                else
                    err << displayName(file) << ": " << why << '\n';
                status = kTrouble;
                continue;
            }
            QByteArray bytes;
            (void)checkFile(report, file, *kind, bytes);
        }
    }
    if (a.json)
        writeJson(report, out);
    else
        writeText(report, out);
    return std::max(status, report.exitStatus(a.strict));
}

vt::Status writeOutput(const QString &path, const QByteArray &bytes)
{
    if (vt::Status s = vt::replaceFile(path, bytes); !s)
        return vt::Status::failure(path + u": "_s + s.error());
    return vt::Status::success();
}

// --max as a whole number from 1, or the default.
std::optional<qint64> maxOption(const Args &a, const char *verb, qint64 fallback, const char *unit,
                                QTextStream &err)
{
    if (a.max.isEmpty())
        return fallback;
    bool ok = false;
    const qint64 v = a.max.toLongLong(&ok);
    if (!ok || v < 1 || v > (qint64(1) << 40)) {
        err << "vtfile " << verb << ": --max takes a whole number of " << unit << " from 1\n";
        return std::nullopt;
    }
    return v;
}

// Where each input goes: the one output named, standard output, or a file of the folder
// -o names (required for several inputs). nextName gives an input's name in that folder.
struct Outputs
{
    QString folder;  // empty: a single output
    QString single;  // a path, "-" or empty (standard output)
};

std::optional<Outputs> outputsOf(const Args &a, const char *verb, bool outputRequired, QTextStream &err)
{
    Outputs o;
    if (a.haveOutput && !isStdio(a.output) && QFileInfo(a.output).isDir()) {
        o.folder = a.output;
        return o;
    }
    if (a.files.size() > 1) {
        err << "vtfile " << verb << ": several files need -o FOLDER, an existing folder\n";
        return std::nullopt;
    }
    if (outputRequired && !a.haveOutput) {
        err << "vtfile " << verb << ": give -o FILE (see vtfile " << verb << " --help)\n";
        return std::nullopt;
    }
    o.single = a.haveOutput ? a.output : u"-"_s;
    return o;
}

int oneToJson(const QString &file, Kind kind, const QString &output, qint64 maxMiB, QTextStream &out,
              QTextStream &err)
{
    QByteArray bytes;
    QString error;
    switch (readInput(file, kind, bytes, error)) {
    case ReadResult::Unreadable: err << error << '\n'; return kTrouble;
    case ReadResult::Invalid: err << error << '\n'; return kProblem;
    case ReadResult::Ok: break;
    }
    if (const qint64 least = jsonSizeAtLeast(kind, bytes); least > maxMiB * 1024 * 1024) {
        err << displayName(file) << ": its JSON would take at least " << (least + (1 << 20) - 1) / (1 << 20)
            << " MiB, more than the " << maxMiB << " MiB limit; nothing was made (give --max to raise it)\n";
        return kProblem;
    }
    QByteArray json;
    if (vt::Status s = toJson(kind, bytes, json); !s) {
        err << displayName(file) << ": " << s.error() << '\n';
        return kProblem;
    }
    if (isStdio(output)) {
        writeStandardOutput(out, json);
        return kOk;
    }
    if (vt::Status s = writeOutput(output, json); !s) {
        err << s.error() << '\n';
        return kTrouble;
    }
    return kOk;
}

int toJsonVerb(const Args &a, QTextStream &out, QTextStream &err)
{
    const std::optional<qint64> maxMiB = maxOption(a, "to-json", kDefaultMaxJsonMiB, "MiB", err);
    const std::optional<Outputs> outputs = outputsOf(a, "to-json", false, err);
    if (!maxMiB || !outputs)
        return kTrouble;
    int status = kOk;
    for (const QString &file : a.files) {
        const auto kind = typeOf(a, file, err);
        if (!kind) {
            status = kTrouble;
            continue;
        }
        const QString output = outputs->folder.isEmpty()
                                   ? outputs->single
                                   : QDir(outputs->folder).filePath(
                                         (isStdio(file) ? u"stdin."_s + kindName(*kind) : QFileInfo(file).fileName())
                                         + u".json"_s);
        status = std::max(status, oneToJson(file, *kind, output, *maxMiB, out, err));
    }
    return status;
}

// NAME.json goes to FOLDER/NAME, with the format's extension when NAME has none.
QString fromJsonName(const QString &folder, const QString &jsonPath, Kind made)
{
    QString name = isStdio(jsonPath) ? u"stdin"_s : QFileInfo(jsonPath).fileName();
    if (name.endsWith(u".json"_s, Qt::CaseInsensitive))
        name.chop(5);
    if (!kindOfPath(name))
        name += u'.' + kindExtension(made);
    return QDir(folder).filePath(name);
}

int oneFromJson(const Args &a, const QString &jsonPath, const Outputs &outputs, qint64 maxMiB,
                QTextStream &out, QTextStream &err)
{
    const QString shown = displayName(jsonPath);
    QByteArray json;
    const qint64 maxBytes = maxMiB * 1024 * 1024;
    const vt::Status read = isStdio(jsonPath) ? readStandardInput(json, maxBytes)
                                              : vt::readWholeFile(jsonPath, json, maxBytes);
    if (!read) {
        err << shown << ": " << read.error();
        if (read.error().contains(u"too large"_s) || read.error().contains(u"more than"_s))
            err << " (JSON larger than " << maxMiB << " MiB is not read; give --max to raise the limit)";
        err << '\n';
        return kTrouble;
    }
    std::optional<Kind> kind = a.type;
    QByteArray bytes;
    Kind made = Kind::Area;
    vt::Status s = fromJson(kind, json, bytes, &made);
    if (!s && !kind && s.error().startsWith(u"$.format: missing"_s) && outputs.folder.isEmpty())
        if ((kind = kindOfPath(outputs.single)))
            s = fromJson(kind, json, bytes, &made);
    if (!s) {
        err << shown << ": " << s.error() << '\n';
        return kProblem;
    }
    const QString output = outputs.folder.isEmpty() ? outputs.single : fromJsonName(outputs.folder, jsonPath, made);
    if (const auto named = isStdio(output) ? std::nullopt : kindOfPath(output); named && *named != made && !a.force) {
        err << output << ": nothing was written: the name is " << kindFile(*named) << "'s, but the JSON holds "
            << kindFile(made) << " (give --force to write it under this name)\n";
        return kTrouble;
    }
    // What would be written is read back as the game's tools read it: a file they refuse
    // (cut to nothing by a patch, a count set to 0, a tail beyond what they read) is not
    // written.
    if (const QString refused = writtenFileProblem(made, bytes); !refused.isEmpty()) {
        err << shown << ": nothing was written: the " << kindName(made) << " file it gives would not be read: "
            << refused << '\n';
        return kProblem;
    }
    if (isStdio(output)) {
        writeStandardOutput(out, bytes);
        return kOk;
    }
    if (vt::Status w = writeOutput(output, bytes); !w) {
        err << w.error() << '\n';
        return kTrouble;
    }
    return kOk;
}

int fromJsonVerb(const Args &a, QTextStream &out, QTextStream &err)
{
    const std::optional<qint64> maxMiB = maxOption(a, "from-json", kDefaultMaxJsonMiB, "MiB", err);
    const std::optional<Outputs> outputs = outputsOf(a, "from-json", true, err);
    if (!maxMiB || !outputs)
        return kTrouble;
    int status = kOk;
    for (const QString &jsonPath : a.files)
        status = std::max(status, oneFromJson(a, jsonPath, *outputs, *maxMiB, out, err));
    return status;
}

// The tileset picture: a path as given, else a name in Data/Tilesets of the game folder given
// with --game, or of the area's game folder (GAME/Mods/MOD/WORLD/area.qzl) or the tool's own.
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
    if (!a.zoom.isEmpty()) {
        bool ok = false;
        o.zoom = a.zoom.toInt(&ok);
        if (!ok || (o.zoom != 8 && o.zoom != 16 && o.zoom != 24 && o.zoom != 32)) {
            err << "vtfile render: --zoom " << a.zoom << ": expected 8, 16, 24 or 32\n";
            return kTrouble;
        }
    }
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

} // namespace

int run(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty()) {
        err << kToolHelp;
        return kTrouble;
    }
    const QString verb = args.front();
    if (verb == u"--help"_s || verb == u"-h"_s || verb == u"help"_s) {
        if (args.size() > 1 && verbHelp(args[1]))
            out << verbHelp(args[1]);
        else
            out << kToolHelp;
        return kOk;
    }
    if (!verbHelp(verb)) {
        err << "vtfile: unknown verb \"" << verb << "\"\n\n" << kToolHelp;
        return kTrouble;
    }
    const Args a = parse(args.mid(1), verb);
    if (a.help) {
        out << verbHelp(verb);
        return kOk;
    }
    if (!a.error.isEmpty()) {
        err << "vtfile " << verb << ": " << a.error << '\n';
        return kTrouble;
    }
    if (verb != u"to-json"_s && verb != u"from-json"_s && verb != u"render"_s && a.haveOutput) {
        err << "vtfile " << verb << ": writes no file; -o is not taken\n";
        return kTrouble;
    }
    if (a.files.isEmpty() && a.mod.isEmpty()) {
        err << "vtfile " << verb << ": no file given\n\n" << verbHelp(verb);
        return kTrouble;
    }
    if (verb == u"info"_s)
        return infoVerb(a, out, err);
    if (verb == u"check"_s)
        return checkVerb(a, out, err);
    if (verb == u"to-json"_s)
        return toJsonVerb(a, out, err);
    if (verb == u"from-json"_s)
        return fromJsonVerb(a, out, err);
    return renderVerb(a, out, err);
}

} // namespace vtfile
