#include "Tool.h"

#include "ModCheck.h"
#include "ToolParts.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <optional>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

const char *const kToolHelp =
    "usage: vtfile VERB [options] FILE...\n"
    "\n"
    "Reads, checks and converts the game's files; writes a file only where -o names one,\n"
    "or where replace changes a mod's areas.\n"
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
    "  diff A B [--json] [--picture OUT.png]\n"
    "                                what changed from A to B, in the format's own words\n"
    "  merge-driver BASE OURS THEIRS PATH\n"
    "                                git's three-way merge of an area, map or world details\n"
    "  git-setup [REPO]              lets git diff and merge the game's files with vtfile\n"
    "  replace --mod MODFOLDER --find-... [--tile ...] [--tag N] [--enemy N] [--dry-run]\n"
    "                                cells found by tile, tag or enemy changed in every area\n"
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
    if (verb == u"replace"_s)
        return replaceHelp();
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
    if (verb == u"diff"_s)
        return "usage: vtfile diff [--type TYPE] [--json] A B\n"
               "       vtfile diff [--json] A.qzl B.qzl --picture OUT.png [--tileset NAME_OR_BMP]\n"
               "         [--zoom 8|16|24|32] [--game DIR]\n"
               "Says what changed from A to B, in the format's own words: an area's size, start,\n"
               "side-warp and time, then its changed cells by column and row, grouped into\n"
               "rectangles whose cells all changed alike ('columns 3-7, rows 2-4 (15 cells):\n"
               "empty -> tile (1, 2)'); a world's name and each level's fields ('level 3\n"
               "\"Castle\", tileset: \"Grass\" -> \"Cave\"'); a map's nodes and their fields;\n"
               "a world list's lines; a tile information grid's types; a skin's pictures; the\n"
               "controls. Prints nothing when the files are equal. --json prints one JSON\n"
               "object instead (see JSON.md). --picture draws area B with its changed cells\n"
               "outlined (zoom 8 unless --zoom; the tileset is the one the world details beside\n"
               "B give its level, or --tileset). Exit 0 equal, 1 different, 2 trouble.\n";
    if (verb == u"merge-driver"_s)
        return "usage: vtfile merge-driver BASE OURS THEIRS PATH\n"
               "git's merge driver for areas, maps and world details (vtfile git-setup sets it\n"
               "up as 'vtfile merge-driver %O %A %B %P'). A cell, node or field changed on one\n"
               "side takes that side's value; changed alike on both, that value. The result\n"
               "replaces OURS, and the exit status is 0. A place changed differently on both\n"
               "sides is a conflict: OURS is left as it was, the conflicts are listed by place\n"
               "with base, ours and theirs in PATH.conflicts.txt and on standard error, and the\n"
               "exit status is 1, so git reports the path as conflicted.\n";
    if (verb == u"git-setup"_s)
        return "usage: vtfile git-setup [REPO]\n"
               "Sets up the git repository REPO (or the one the current folder lies in) to\n"
               "show the game's files with 'vtfile diff' and to merge areas, maps and world\n"
               "details with 'vtfile merge-driver': adds the lines it lacks to the\n"
               ".gitattributes at its top, and sets diff.vtfile.command (git diff),\n"
               "diff.vtfile.textconv (git log -p and git show, which show the JSON form),\n"
               "merge.vtfile.name and merge.vtfile.driver in the repository's own config\n"
               "(.git/config) to this vtfile. Prints what it did; changes nothing else. Run it\n"
               "in each clone.\n";
    return nullptr;
}

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
        } else if (s == u"--json"_s && (verb == u"check"_s || verb == u"diff"_s)) {
            a.json = true;
        } else if (s == u"--game"_s && (verb == u"check"_s || verb == u"render"_s || verb == u"diff"_s)) {
            if (!value(a.game))
                return a;
        } else if (s == u"--max"_s && (verb == u"to-json"_s || verb == u"from-json"_s || verb == u"render"_s)) {
            if (!value(a.max))
                return a;
        } else if (s == u"--force"_s && verb == u"from-json"_s) {
            a.force = true;
        } else if ((verb == u"render"_s || verb == u"diff"_s) && s == u"--tileset"_s) {
            if (!value(a.tileset))
                return a;
        } else if ((verb == u"render"_s || verb == u"diff"_s) && s == u"--zoom"_s) {
            if (!value(a.zoom))
                return a;
        } else if (verb == u"render"_s && s == u"--layers"_s) {
            if (!value(a.layers))
                return a;
        } else if (verb == u"render"_s && s == u"--background"_s) {
            if (!value(a.background))
                return a;
        } else if (verb == u"diff"_s && s == u"--picture"_s) {
            if (!value(a.picture))
                return a;
        } else if (verb == u"diff"_s && s == u"--git"_s) {
            a.git = true;
        } else if (verb == u"to-json"_s && s == u"--textconv"_s) {
            a.textconv = true;
        } else if (s.startsWith(u'-') && s != u"-"_s) {
            a.error = u"unknown option %1"_s.arg(s);
            return a;
        } else {
            a.files << s;
        }
    }
    return a;
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
        ModCheckOptions options;
        options.game = a.game;
        report = checkMod(a.mod, options);
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

} // namespace

bool isStdio(const QString &name) { return name == u"-"_s; }

QString displayName(const QString &file)
{
    return isStdio(file) ? u"standard input"_s : file;
}

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

ReadResult readInput(const QString &file, Kind kind, QByteArray &bytes, QString &error, Check check)
{
    if (!isStdio(file))
        return readFile(file, kind, bytes, error, check);
    if (vt::Status s = readStandardInput(bytes, maxFileSize(kind)); !s) {
        error = u"standard input: "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (const QString e = check == Check::Reader ? decodeError(kind, bytes) : QString(); !e.isEmpty()) {
        error = u"standard input: "_s + e;
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

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


vt::Status writeOutput(const QString &path, const QByteArray &bytes)
{
    if (vt::Status s = vt::replaceFile(path, bytes); !s)
        return vt::Status::failure(path + u": "_s + s.error());
    return vt::Status::success();
}

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
    if (verb == u"replace"_s)
        return replaceVerb(args.mid(1), out, err);
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
    if (a.files.isEmpty() && a.mod.isEmpty() && verb != u"git-setup"_s) {
        err << "vtfile " << verb << ": no file given\n\n" << verbHelp(verb);
        return kTrouble;
    }
    if (verb == u"info"_s)
        return infoVerb(a, out, err);
    if (verb == u"check"_s)
        return checkVerb(a, out, err);
    if (verb == u"to-json"_s && a.textconv) {
        // git stops a whole log at a conversion that fails: a file that cannot be shown says so
        // in its place instead.
        QString why;
        QTextStream whyStream(&why);
        if (toJsonVerb(a, out, whyStream) != kOk) {
            whyStream.flush();
            out << "(vtfile cannot show this file: " << why.trimmed() << ")\n";
        }
        return kOk;
    }
    if (verb == u"to-json"_s)
        return toJsonVerb(a, out, err);
    if (verb == u"from-json"_s)
        return fromJsonVerb(a, out, err);
    if (verb == u"diff"_s)
        return diffVerb(a, out, err);
    if (verb == u"merge-driver"_s)
        return mergeDriverVerb(a, out, err);
    if (verb == u"git-setup"_s)
        return gitSetupVerb(a, out, err);
    return renderVerb(a, out, err);
}


} // namespace vtfile
