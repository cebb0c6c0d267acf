#pragma once

// What the verbs of the tool share: the parsed command line, the exit statuses, and reading
// and writing files or the standard streams.

#include "Formats.h"
#include "Status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace vtfile {

// Exit statuses: a problem found in a file, or trouble doing the work at all (the command
// line is wrong, a file cannot be read).
constexpr int kOk = 0, kProblem = 1, kTrouble = 2;
constexpr qint64 kDefaultMaxJsonMiB = 64;
constexpr qint64 kDefaultMaxPictureMegapixels = 1000;

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
    QString picture;  // diff: the area drawn with its changed cells outlined
    bool git = false;  // diff: called by git as its external diff
    bool textconv = false;  // to-json: called by git to show a file as text; never fails
    QString error;
};


// "-" names standard input or output.
bool isStdio(const QString &name);
// The file's name in messages: "standard input" for "-".
QString displayName(const QString &file);
// Standard input, at most maxSize bytes (a pipe cannot tell its size in advance).
vt::Status readStandardInput(QByteArray &out, qint64 maxSize);
// A file of the given kind, or standard input for "-", through its format's reader.
ReadResult readInput(const QString &file, Kind kind, QByteArray &bytes, QString &error,
                     Check check = Check::Reader);
// Binary bytes to standard output, past the text stream's buffer.
void writeStandardOutput(QTextStream &out, const QByteArray &bytes);
// The file replaced atomically; the message names it.
vt::Status writeOutput(const QString &path, const QByteArray &bytes);
// The type --type gives, or the name's; says why not on err.
std::optional<Kind> typeOf(const Args &a, const QString &file, QTextStream &err);
// --max as a whole number from 1, or the default; says why not on err.
std::optional<qint64> maxOption(const Args &a, const char *verb, qint64 fallback, const char *unit,
                                QTextStream &err);

int toJsonVerb(const Args &a, QTextStream &out, QTextStream &err);
int fromJsonVerb(const Args &a, QTextStream &out, QTextStream &err);
int renderVerb(const Args &a, QTextStream &out, QTextStream &err);
int diffVerb(const Args &a, QTextStream &out, QTextStream &err);
int mergeDriverVerb(const Args &a, QTextStream &out, QTextStream &err);
int gitSetupVerb(const Args &a, QTextStream &out, QTextStream &err);

// --zoom (8, 16, 24 or 32), or the fallback; says why not on err.
bool zoomOption(const Args &a, const char *verb, qint32 fallback, qint32 &zoom, QTextStream &err);

// The tileset picture: a path as given, else a name in Data/Tilesets of the game folder given
// with --game, or of the area's game folder (GAME/Mods/MOD/WORLD/area.qzl) or the tool's own.
// Empty when there is none.
QString findTileset(const QString &given, const QString &areaPath, const QString &game);
// replace reads its own options (ReplaceVerb.cpp).
const char *replaceHelp();
int replaceVerb(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace vtfile
