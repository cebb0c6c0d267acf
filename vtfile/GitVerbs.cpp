// diff, merge-driver and git-setup: the game's files under version control.
#include "ToolParts.h"

#include "FileDiff.h"
#include "FileIO.h"
#include "ImageFile.h"
#include "render/AreaPicture.h"
#include "resources/TagSheet.h"
#include "world/mWorldData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

// The extensions git hands to vtfile, as gitattributes patterns that take any letter case.
QString anyCase(const QString &extension)
{
    QString pattern = u"*."_s;
    for (const QChar c : extension)
        pattern += u"["_s + c.toLower() + c.toUpper() + u"]"_s;
    return pattern;
}

// A file's bytes for a diff or a merge; an empty file stands for one that does not exist
// (git's /dev/null, or a base that was never there). Says why not on err.
enum class Side { Ok, Absent, Bad };

Side readSide(const QString &path, Kind kind, QByteArray &bytes, QTextStream &err, bool emptyIsAbsent)
{
    if (path == u"/dev/null"_s || (emptyIsAbsent && QFileInfo(path).isFile() && QFileInfo(path).size() == 0)) {
        bytes.clear();
        return Side::Absent;
    }
    QString error;
    if (readInput(path, kind, bytes, error) != ReadResult::Ok) {
        err << error << '\n';
        return Side::Bad;
    }
    return Side::Ok;
}

// The tileset a world's level gives the area: the world details beside it name it.
QString tilesetOfArea(const QString &areaPath)
{
    const QFileInfo area(areaPath);
    tessaforge::WorldDetails world;
    if (!tessaforge::mWorldData::LoadWorldData(world, area.dir().filePath(u"Worldata.qzw"_s)))
        return {};
    for (const tessaforge::LevelRecord &l : world.Levels)
        if (QString::fromLatin1(l.sAreaFile).compare(area.completeBaseName(), Qt::CaseInsensitive) == 0
            || QString::fromLatin1(l.sAreaFile).compare(area.fileName(), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(l.sTileset);
    return {};
}

// The area after the change, its changed cells filled and outlined.
int writeDiffPicture(const Args &a, const QString &areaPath, const QByteArray &after, const AreaDiff &diff,
                     QTextStream &err)
{
    const auto format = tessaforge::pictureFormatOf(a.picture);
    if (!format) {
        err << a.picture << ": the picture's name must end in .png or .bmp\n";
        return kTrouble;
    }
    tessaforge::AreaPictureOptions o;
    o.tags = o.enemies = true;
    o.background = qRgb(24, 40, 56);
    if (!zoomOption(a, "diff", 8, o.zoom, err))
        return kTrouble;
    tessaforge::oLevel area;
    if (vt::Status s = tessaforge::decode(after, area); !s) {
        err << areaPath << ": " << s.error() << '\n';
        return kProblem;
    }
    const QSize size = tessaforge::areaPictureSize(area, o.zoom);
    // The picture is held whole to draw the outlines on it.
    constexpr qint64 kMaxPixels = 400'000'000;
    if (qint64(size.width()) * size.height() > kMaxPixels) {
        err << a.picture << ": the picture would be " << size.width() << " x " << size.height()
            << " pixels, more than 400 million; give a smaller --zoom\n";
        return kProblem;
    }
    QImage tileset;
    const QString name = a.tileset.isEmpty() ? tilesetOfArea(areaPath) : a.tileset;
    if (!name.isEmpty()) {
        const QString path = findTileset(name, areaPath, a.game);
        if (path.isEmpty() || !vt::readImage(path, tileset)) {
            err << name << ": tileset not found (neither a file nor a name in Data/Tilesets)\n";
            return kTrouble;
        }
    }
    o.tiles = !tileset.isNull();
    QImage picture = tessaforge::areaPicture(area, tileset.convertToFormat(QImage::Format_RGB32),
                                             tessaforge::drawTagSheet().convertToFormat(QImage::Format_RGB32), o);
    {
        QPainter p(&picture);
        const qint32 z = o.zoom;
        for (const CellRect &r : diff.cells) {
            const QRect cells(r.left * z, r.top * z, (r.right - r.left + 1) * z, (r.bottom - r.top + 1) * z);
            p.fillRect(cells, QColor(255, 0, 200, 70));
            p.setPen(QPen(QColor(255, 0, 200), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(cells.adjusted(1, 1, -1, -1));
        }
    }
    if (vt::Status s = tessaforge::writePicture(picture, *format, a.picture); !s) {
        err << s.error() << '\n';
        return kTrouble;
    }
    return kOk;
}

// UTF-8 text to the stream's device as it is, past the stream's conversion.
void writeText(QTextStream &out, const QByteArray &text)
{
    out.flush();
    if (QIODevice *device = out.device())
        device->write(text);
    else
        out << QString::fromUtf8(text);  // a stream on a string
}

// OURS replaced by the merged bytes. It is git's own temporary copy of our side, which git
// reads back at once and can make again from the index at any time, so it is written over in
// place: renaming a new file over it would make the file system write it out to disk first,
// which costs ten times the merge. A driver killed while writing is a failed merge to git,
// which then reports the path as conflicted.
vt::Status replaceMergeResult(const QString &path, const FileMerge &merge, qsizetype oursSize)
{
    QFile f(path);
    const bool sameSize = merge.merged.size() == oursSize;
    const qsizetype from = sameSize ? merge.changedFrom : 0, to = sameSize ? merge.changedTo : merge.merged.size();
    if (from >= to && sameSize)
        return vt::Status::success();
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) || !f.seek(from)
        || f.write(merge.merged.constData() + from, to - from) != to - from
        || (!sameSize && !f.resize(merge.merged.size())) || !f.flush())
        return vt::Status::failure(u"cannot write the merged file: "_s + f.errorString());
    return vt::Status::success();
}

// git's external diff: PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE, or PATH alone
// for a path not merged yet. git stops at a command that fails, so only trouble fails here.
int gitDiff(const Args &a, QTextStream &out, QTextStream &err)
{
    const QString &path = a.files.value(0);
    if (a.files.size() == 1) {
        out << "vtfile diff " << path << ": not merged yet\n";
        return kOk;
    }
    if (a.files.size() != 7) {
        err << "vtfile diff --git: expected PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE\n";
        return kTrouble;
    }
    const auto kind = a.type ? a.type : kindOfPath(path);
    if (!kind) {
        err << path << ": the type of the file is not known from its name\n";
        return kTrouble;
    }
    QByteArray before, after;
    const Side sb = readSide(a.files[1], *kind, before, err, false), sa = readSide(a.files[4], *kind, after, err, false);
    out << "vtfile diff a/" << path << " b/" << path;
    if (sb == Side::Absent)
        out << ": new file (" << kindFile(*kind) << ")\n";
    else if (sa == Side::Absent)
        out << ": deleted\n";
    else if (sb == Side::Bad || sa == Side::Bad)
        out << ": " << (sb == Side::Bad ? "the old" : "the new") << " file is not read by the game\n";
    else {
        FileDiff diff;
        if (vt::Status s = diffFiles(*kind, before, after, diff); !s) {
            out << ": " << s.error() << '\n';
            return kOk;
        }
        out << '\n';
        writeText(out, diffText(diff));
    }
    return kOk;
}

} // namespace

int diffVerb(const Args &a, QTextStream &out, QTextStream &err)
{
    if (a.git)
        return gitDiff(a, out, err);
    if (a.files.size() != 2) {
        err << "vtfile diff: give two files, A and B (see vtfile diff --help)\n";
        return kTrouble;
    }
    const std::optional<Kind> kind = typeOf(a, a.files[0], err);
    if (!kind)
        return kTrouble;
    if (const auto other = a.type ? a.type : kindOfPath(a.files[1]); other && *other != *kind) {
        err << "vtfile diff: " << a.files[0] << " is " << kindFile(*kind) << " and " << a.files[1] << " "
            << kindFile(*other) << "; give files of one format\n";
        return kTrouble;
    }
    if (!a.picture.isEmpty() && *kind != Kind::Area) {
        err << "vtfile diff: --picture draws areas only\n";
        return kTrouble;
    }
    QByteArray before, after;
    for (auto [file, bytes] : {std::pair{a.files[0], &before}, std::pair{a.files[1], &after}}) {
        QString error;
        switch (readInput(file, *kind, *bytes, error)) {
        case ReadResult::Unreadable: err << error << '\n'; return kTrouble;
        case ReadResult::Invalid: err << error << '\n'; return kTrouble;
        case ReadResult::Ok: break;
        }
    }
    FileDiff diff;
    if (vt::Status s = diffFiles(*kind, before, after, diff); !s) {
        err << "vtfile diff: " << s.error() << '\n';
        return kTrouble;
    }
    if (a.json)
        writeDiffJson(diff, out);
    else
        writeText(out, diffText(diff));
    if (!a.picture.isEmpty())
        if (const int s = writeDiffPicture(a, a.files[1], after, diff.area, err); s != kOk)
            return s;
    return diff.equal() ? kOk : kProblem;
}

int mergeDriverVerb(const Args &a, QTextStream &out, QTextStream &err)
{
    Q_UNUSED(out);
    if (a.files.size() != 4) {
        err << "vtfile merge-driver: expected BASE OURS THEIRS PATH (git's %O %A %B %P)\n";
        return kTrouble;
    }
    const QString &basePath = a.files[0], &oursPath = a.files[1], &theirsPath = a.files[2], &path = a.files[3];
    const auto kind = a.type ? a.type : kindOfPath(path);
    if (!kind) {
        err << path << ": the type of the file is not known from its name\n";
        return kTrouble;
    }
    QByteArray base, ours, theirs;
    const Side so = readSide(oursPath, *kind, ours, err, false);
    const qsizetype oursSize = ours.size();
    const Side st = readSide(theirsPath, *kind, theirs, err, false);
    Side sb = readSide(basePath, *kind, base, err, true);
    const QString reportPath = path + u".conflicts.txt"_s;
    QString report;
    QTextStream r(&report);
    FileMerge merge;
    if (so == Side::Bad || st == Side::Bad) {
        r << (so == Side::Bad ? "our" : "their") << " version of " << path
          << " is not read by the game; it cannot be merged\n";
    } else if (sb != Side::Ok) {
        // Both sides added the file, or its base is damaged: only the same file on both is clean.
        if (ours == theirs)
            merge.merged = ours;
        else
            r << path << ": both sides made the file differently, with no common version to merge from\n";
    } else if (vt::Status s = mergeFiles(*kind, base, std::move(ours), theirs, merge); !s) {
        r << path << ": " << s.error() << '\n';
    } else if (!merge.clean()) {
        r << path << ": changed differently on both sides (our version is kept in the file):\n";
        for (const QByteArray &line : conflictText(merge).split('\n'))
            if (!line.isEmpty())
                r << "  " << QString::fromUtf8(line) << '\n';
        r << "Mend the file in the editor, or take one side whole ('git checkout --ours " << path
          << "' or '--theirs'), then 'git add " << path << "'.\n";
    }
    r.flush();
    if (report.isEmpty()) {
        // Clean: the result replaces ours, which git then takes as the merge.
        if (vt::Status s = replaceMergeResult(oursPath, merge, oursSize); !s) {
            err << "vtfile merge-driver: " << path << ": " << s.error() << '\n';
            return kTrouble;
        }
        QFile::remove(reportPath);
        return kOk;
    }
    err << "vtfile merge-driver: " << report;
    if (vt::Status s = vt::replaceFile(reportPath, report.toUtf8()); s)
        err << "vtfile merge-driver: the conflicts are listed in " << reportPath << '\n';
    else
        err << "vtfile merge-driver: " << s.error() << '\n';
    return kProblem;
}

int gitSetupVerb(const Args &a, QTextStream &out, QTextStream &err)
{
    const QString folder = a.files.value(0, u"."_s);
    auto git = [&](const QStringList &args, QString *output = nullptr) {
        QProcess p;
        p.setProgram(u"git"_s);
        p.setArguments(QStringList{u"-C"_s, folder} + args);
        p.start();
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            const QString why = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
            err << "vtfile git-setup: git " << args.join(u' ') << ": "
                << (p.error() == QProcess::FailedToStart ? u"git is not installed"_s : why) << '\n';
            return false;
        }
        if (output)
            *output = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
        return true;
    };
    QString top;
    if (!git({u"rev-parse"_s, u"--show-toplevel"_s}, &top))
        return kTrouble;

    // vtfile as git must call it: this program's own path, quoted for the shell git uses.
    QString self = QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath();
    self = u"'"_s + self.replace(u"'"_s, u"'\\''"_s) + u"'"_s;

    // Areas, maps and world details merge cell by cell and field by field; every format diffs
    // in its own words; none is text, so git never changes its line endings.
    QStringList lines;
    for (Kind k : {Kind::Area, Kind::Map, Kind::World})
        lines << anyCase(kindExtension(k)) + u" -text diff=vtfile merge=vtfile"_s;
    for (Kind k : {Kind::TileInfo, Kind::Skin, Kind::Controls})
        lines << anyCase(kindExtension(k)) + u" -text diff=vtfile"_s;
    lines << u"[wW][oO][rR][lL][dD][sS].[iI][nN][fF] -text"_s;

    const QString attributesPath = QDir(top).filePath(u".gitattributes"_s);
    QByteArray attributes;
    if (QFileInfo::exists(attributesPath))
        if (vt::Status s = vt::readWholeFile(attributesPath, attributes); !s) {
            err << "vtfile git-setup: " << s.error() << '\n';
            return kTrouble;
        }
    QStringList have;
    for (const QByteArray &l : attributes.split('\n'))
        have << QString::fromUtf8(l).trimmed();
    QByteArray added;
    for (const QString &l : lines)
        if (!have.contains(l))
            added += l.toUtf8() + '\n';
    if (!added.isEmpty()) {
        QByteArray all = attributes;
        if (!all.isEmpty() && !all.endsWith('\n'))
            all += '\n';
        if (attributes.isEmpty() || !attributes.contains("# Vantaro game files"))
            all += "# Vantaro game files: vtfile diff and merge (vtfile git-setup)\n";
        all += added;
        if (vt::Status s = vt::replaceFile(attributesPath, all); !s) {
            err << "vtfile git-setup: " << s.error() << '\n';
            return kTrouble;
        }
        out << "added to " << attributesPath << ":\n";
        for (const QByteArray &l : added.split('\n'))
            if (!l.isEmpty())
                out << "  " << l << '\n';
    } else {
        out << attributesPath << " already names the game's files\n";
    }

    const std::pair<const char *, QString> settings[] = {
        {"diff.vtfile.command", self + u" diff --git"_s},
        // For the commands that show history without an external diff (git log -p, git show):
        // the JSON form, a line per level, node or row of cells.
        {"diff.vtfile.textconv", self + u" to-json --textconv"_s},
        {"merge.vtfile.name", u"Vantaro game files, cell by cell and field by field"_s},
        {"merge.vtfile.driver", self + u" merge-driver %O %A %B %P"_s},
    };
    // A linked worktree or a submodule keeps these elsewhere than .git/: git says where.
    auto gitPath = [&](const QString &name) {
        QString p;
        if (!git({u"rev-parse"_s, u"--git-path"_s, name}, &p))
            return QString();
        return QDir(folder).absoluteFilePath(p);
    };
    out << "set in the repository's own git config (" << gitPath(u"config"_s) << "):\n";
    for (const auto &[key, value] : settings) {
        if (!git({u"config"_s, u"--local"_s, QString::fromLatin1(key), value}))
            return kTrouble;
        out << "  " << key << " = " << value << '\n';
    }

    // The reports merge-driver leaves beside a conflicted file are not the mod's files.
    const QString exclude = gitPath(u"info/exclude"_s);
    if (exclude.isEmpty())
        return kTrouble;
    QByteArray excluded;
    if (QFileInfo::exists(exclude) && !vt::readWholeFile(exclude, excluded)) {
        err << "vtfile git-setup: cannot read " << exclude << '\n';
        return kTrouble;
    }
    const QByteArray pattern = "*.qz?.conflicts.txt";
    if (!excluded.split('\n').contains(pattern)) {
        if (!excluded.isEmpty() && !excluded.endsWith('\n'))
            excluded += '\n';
        QDir().mkpath(QFileInfo(exclude).absolutePath());
        if (vt::Status s = vt::replaceFile(exclude, excluded + pattern + '\n'); !s) {
            err << "vtfile git-setup: " << s.error() << '\n';
            return kTrouble;
        }
        out << "added to " << exclude << " (never committed):\n  " << pattern << '\n';
    }
    return kOk;
}

} // namespace vtfile
