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
    const qint64 maxBytes = maxMiB * 1024 * 1024;
    if (!isStdio(jsonPath)
        && (maxJsonSize(expected) <= maxBytes || QFileInfo(jsonPath).size() > maxJsonSize(expected))) {
        QString error;
        if (readJsonFile(jsonPath, expected, json, error) != ReadResult::Ok) {
            err << error << '\n';
            return kTrouble;
        }
    } else if (const vt::Status read = isStdio(jsonPath) ? readStandardInput(json, maxBytes)
                                                         : vt::readWholeFile(jsonPath, json, maxBytes);
               !read) {
        err << shown << ": " << read.error();
        if (read.error().contains(u"too large"_s) || read.error().contains(u"more than"_s))
            err << " (JSON larger than " << maxMiB << " MiB is not read; give --max to raise the limit)";
        err << '\n';
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
