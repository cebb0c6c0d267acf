#include "WorldCheck.h"

#include "AreaDocument.h"
#include "MapDocument.h"
#include "ModCheck.h"
#include "WorldDocument.h"

#include <QHash>

#include <functional>

namespace tessaforge {

namespace {

// What the document would write, held for the check; a model the format cannot hold is
// reported, and the disk's file is checked instead.
void holdUnsaved(vtfile::CheckReport &report, QHash<QString, QByteArray> &content, const Document &document,
                 const QString &path, const std::function<vt::Status(QByteArray &)> &encode)
{
    if (path.isEmpty() || !document.isModified())
        return;
    QByteArray bytes;
    if (vt::Status s = encode(bytes); !s) {
        report.add(vtfile::Severity::Problem, path,
                   QStringLiteral("the unsaved changes could not be written as the file: ") + s.error());
        return;
    }
    content.insert(path, bytes);
}

} // namespace

vtfile::CheckReport checkOpenWorld(const WorldDocument &world, const AreaDocument *area, const MapDocument *map)
{
    const EditorState &state = world.state();
    vtfile::CheckReport report;
    if (!state.worldOpen())
        return report;
    vtfile::ModCheckOptions options;
    options.game = state.sAppPath;
    options.world = state.worldFolder();
    holdUnsaved(report, options.content, world, state.worldDataPath(),
                [&](QByteArray &out) { return mWorldData::encode(state.gWorld, out); });
    if (area)
        holdUnsaved(report, options.content, *area, area->filePath(),
                    [&](QByteArray &out) { return encode(area->area(), out); });
    if (map)
        holdUnsaved(report, options.content, *map, map->filePath(),
                    [&](QByteArray &out) { return encode(map->worldMap(), out); });
    vtfile::CheckReport found = vtfile::checkMod(state.modFolder(), options);
    report.findings.insert(report.findings.end(), found.findings.begin(), found.findings.end());
    return report;
}

} // namespace tessaforge
