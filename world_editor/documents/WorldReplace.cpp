#include "WorldReplace.h"

#include "AreaDocument.h"
#include "WorldDocument.h"

#include "world/WorldAreas.h"

#include <QFileInfo>

#include <algorithm>

namespace tessaforge {

namespace {

bool samePath(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a == b)
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// The world's areas, the open one marked; `paths` the files to go through, in order, and
// `places` where each lands in the result.
struct Plan
{
    WorldReplace result;
    QStringList paths;
    std::vector<std::size_t> places;
};

Plan planFor(const WorldDocument &world, const AreaDocument &open, bool withOpen)
{
    Plan plan;
    for (const WorldArea &area : worldAreas(world.state().worldFolder(), world.state().gWorld)) {
        WorldAreaReplace r;
        r.name = area.name;
        r.file.path = area.path;
        if (!area.problem.isEmpty()) {
            r.file.state = AreaFileReplace::State::Refused;
            r.file.problem = area.problem;
        } else {
            r.open = samePath(area.path, open.filePath());
            if (!r.open || withOpen) {
                plan.paths << area.path;
                plan.places.push_back(plan.result.areas.size());
            }
        }
        plan.result.areas.push_back(std::move(r));
    }
    return plan;
}

void takeFiles(Plan &plan, AreaFilesReplace &&files)
{
    for (std::size_t i = 0; i < files.files.size(); ++i) {
        AreaFileReplace &into = plan.result.areas[plan.places[i]].file;
        into = std::move(files.files[i]);
    }
    plan.result.status = std::move(files.status);
}

} // namespace

qint64 WorldReplace::matched() const
{
    qint64 n = 0;
    for (const WorldAreaReplace &a : areas)
        n += a.file.count.matched;
    return n;
}

qsizetype WorldReplace::areasMatching() const
{
    return std::count_if(areas.begin(), areas.end(), [](const WorldAreaReplace &a) { return a.file.count.matched > 0; });
}

qsizetype WorldReplace::areasWritten() const
{
    return std::count_if(areas.begin(), areas.end(), [](const WorldAreaReplace &a) { return a.file.written; });
}

const WorldAreaReplace *WorldReplace::openArea() const
{
    const auto it = std::find_if(areas.begin(), areas.end(), [](const WorldAreaReplace &a) { return a.open; });
    return it == areas.end() ? nullptr : &*it;
}

WorldReplace countInWorld(const WorldDocument &world, const AreaDocument &open, const CellReplace &replace)
{
    // The open area is counted from its grid: encoding it for the file walk would cost more.
    Plan plan = planFor(world, open, false);
    takeFiles(plan, replaceInAreaFiles(plan.paths, replace, ReplaceMode::Count));
    for (WorldAreaReplace &a : plan.result.areas)
        if (a.open)
            a.file.count = countInArea(open.area(), replace);
    return std::move(plan.result);
}

WorldReplace replaceInWorld(const WorldDocument &world, AreaDocument &open, const CellReplace &replace,
                            const QString &stepName)
{
    Plan plan = planFor(world, open, true);
    // The open area's bytes are what saving it would write; the file walk replaces them as it
    // does any file's, and they then equal what the area holds after the step.
    std::optional<QByteArray> openBytes;
    if (std::any_of(plan.result.areas.begin(), plan.result.areas.end(), [](const WorldAreaReplace &a) { return a.open; })) {
        QByteArray bytes;
        if (vt::Status s = encode(open.area(), bytes); !s) {
            plan.result.status = vt::Status::failure(open.filePath() + QStringLiteral(": ") + s.error());
            return std::move(plan.result);
        }
        openBytes = std::move(bytes);
    }
    const QString openPath = open.filePath();
    const AreaBytesSource source = [&](const QString &path) -> std::optional<QByteArray> {
        if (openBytes && samePath(path, openPath))
            return std::exchange(openBytes, std::nullopt);
        return std::nullopt;
    };
    takeFiles(plan, replaceInAreaFiles(plan.paths, replace, ReplaceMode::Write, world.state().modFolder(), source));

    // The file holds the replaced area (after a success, or a put-back that failed): so does
    // the document, as one step, saved.
    for (const WorldAreaReplace &a : plan.result.areas)
        if (a.open && a.file.written) {
            open.changeCells(replaceChanges(open.area(), replace), stepName);
            open.markWrittenTo(openPath);
        }
    return std::move(plan.result);
}

} // namespace tessaforge
