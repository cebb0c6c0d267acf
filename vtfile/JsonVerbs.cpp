// to-json and from-json: one file or many, files or the standard streams.
#include "ToolParts.h"

#include "FileIO.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

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
    // toJson runs the format's reader itself, once, and reports its refusal.
    switch (readInput(file, kind, bytes, error, Check::BytesOnly)) {
    case ReadResult::Unreadable: err << error << '\n'; return kTrouble;
    case ReadResult::Invalid: err << error << '\n'; return kProblem;
    case ReadResult::Ok: break;
    }
    if (const qint64 least = jsonSizeAtLeast(kind, bytes); least > maxMiB * 1024 * 1024) {
        err << displayName(file) << ": its JSON would take at least " << (least + (1 << 20) - 1) / (1 << 20)
            << " MiB, more than the " << maxMiB << " MiB limit; nothing was made (give --max to raise it)\n";
        return kProblem;
    }
    if (isStdio(output)) {
        QByteArray json;
        if (vt::Status s = toJson(kind, bytes, json); !s) {
            err << displayName(file) << ": " << s.error() << '\n';
            return kProblem;
        }
        writeStandardOutput(out, json);
        return kOk;
    }
    // The JSON goes into the file as it is made, never held whole; the file is replaced only
    // once all of it is there, and not touched at all when the reader refuses the bytes.
    vt::FileReplacer replacer(output);
    bool opened = false;
    const vt::Status made = toJson(kind, bytes, [&](QByteArrayView piece) {
        if (!opened && !(opened = true, replacer.open()))
            return false;
        return replacer.write(piece);
    });
    if (!made && replacer.status()) {
        err << displayName(file) << ": " << made.error() << '\n';
        return kProblem;
    }
    if (vt::Status s = made ? replacer.commit() : replacer.status(); !s) {
        err << output << ": " << s.error() << '\n';
        return kTrouble;
    }
    return kOk;
}

} // namespace

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

namespace {

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

// A JSON text for from-json ("-" for standard input): one larger than the JSON of the
// largest file it could be, or than --max, is refused before anything is read (from a pipe:
// once that much has come), and the error names the limit that held.
ReadResult readJson(const QString &path, std::optional<Kind> kind, qint64 maxMiB, QByteArray &json, QString &error)
{
    const qint64 formatMost = maxJsonSize(kind), asked = maxMiB * 1024 * 1024;
    const qint64 most = std::min(formatMost, asked);
    const bool stdio = isStdio(path);
    const QString shown = stdio ? u"standard input"_s : path;
    // The format's bound first: no --max makes such a text the JSON of a file.
    const QString formatLimit = u"more than the JSON of %1 can take (%2 bytes)"_s.arg(
        kind ? kindFile(*kind) : u"any file"_s).arg(formatMost);
    const QString askedLimit = u"more than the %1 MiB that is read (give --max to raise the limit)"_s.arg(maxMiB);
    const QString limit = most == formatMost ? formatLimit : askedLimit;
    if (const QFileInfo info(path); !stdio && info.isFile() && info.size() > most) {
        error = u"%1: it holds %2 bytes, %3"_s.arg(shown).arg(info.size()).arg(
            info.size() > formatMost ? formatLimit : askedLimit);
        return ReadResult::Unreadable;
    }
    if (vt::Status s = stdio ? readStandardInput(json, most) : vt::readWholeFile(path, json, most); !s) {
        error = shown + u": "_s + s.error();
        if (s.error().contains(u"too large"_s) || s.error().contains(u"more than"_s))
            error += u" ("_s + limit + u')';
        return ReadResult::Unreadable;
    }
    return ReadResult::Ok;
}

int oneFromJson(const Args &a, const QString &jsonPath, const Outputs &outputs, qint64 maxMiB,
                QTextStream &out, QTextStream &err)
{
    const QString shown = displayName(jsonPath);
    // No text larger than the JSON of the largest file it could be is read, nor more than
    // --max; the output's name tells the format unless --force lets the JSON name another.
    const std::optional<Kind> expected =
        a.type ? a.type
               : a.force || !outputs.folder.isEmpty() || isStdio(outputs.single) ? std::nullopt
                                                                                : kindOfPath(outputs.single);
    QByteArray json;
    if (QString error; readJson(jsonPath, expected, maxMiB, json, error) != ReadResult::Ok) {
        err << error << '\n';
        return kTrouble;
    }
    QByteArray bytes;
    Kind made = Kind::Area;
    const vt::Status s =
        fromJson(a.type, json, bytes, &made,
                 outputs.folder.isEmpty() && !isStdio(outputs.single) ? kindOfPath(outputs.single) : std::nullopt);
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

} // namespace

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

} // namespace vtfile
