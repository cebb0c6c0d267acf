#include "MapDocument.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace tessaforge {

QList<qint32> MapChange::nodeIds() const
{
    QList<qint32> ids;
    for (const auto &[id, node] : before)
        ids.append(id);
    for (const auto &[id, node] : after)
        if (!ids.contains(id))
            ids.append(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

MapChange MapChange::between(const std::vector<MapNode> &before, const std::vector<MapNode> &after)
{
    MapChange change;
    change.countBefore = static_cast<qint32>(before.size());
    change.countAfter = static_cast<qint32>(after.size());
    const std::size_t reach = std::max(before.size(), after.size());
    for (std::size_t i = 0; i < reach; ++i) {
        const bool had = i < before.size();
        const bool has = i < after.size();
        if (had && has && before[i] == after[i])
            continue;
        const auto id = static_cast<qint32>(i + 1);
        if (had)
            change.before.emplace_back(id, before[i]);
        if (has)
            change.after.emplace_back(id, after[i]);
    }
    return change;
}

// One step of a map's history; its redo makes the change, the first time too.
class MapCommand final : public QUndoCommand
{
public:
    MapCommand(MapDocument &document, MapChange change, const QString &name)
        : QUndoCommand(name), m_document(document), m_change(std::move(change)), m_ids(m_change.nodeIds())
    {
    }

    void undo() override
    {
        m_document.restore(m_change.countBefore, m_change.before, m_ids, m_change.selectBefore);
    }
    void redo() override { m_document.restore(m_change.countAfter, m_change.after, m_ids, m_change.selectAfter); }

private:
    MapDocument &m_document;
    const MapChange m_change;
    const QList<qint32> m_ids;
};

MapDocument::MapDocument(QObject *parent) : Document(QStringLiteral("mapUndo"), parent)
{
    undoStack()->setUndoLimit(1000);
}

MapDocument::~MapDocument() = default;

void MapDocument::reset()
{
    m_map = oWorldMap();
    replaced();
}

vt::Status MapDocument::load(const QString &path)
{
    oWorldMap loaded;
    vt::Status status = loaded.loadMap(path);
    if (!status)
        return status;
    m_map = std::move(loaded);
    replaced();
    return status;
}

void MapDocument::replaced()
{
    startHistory();
    Q_EMIT mapReplaced();
}

vt::Status MapDocument::save(const QString &path, const QString &confineTo)
{
    const vt::Status saved = m_map.saveMap(path, confineTo);
    if (saved)
        markSaved();
    return saved;
}

bool MapDocument::edit(const QString &name, const std::function<void(oWorldMap &)> &edit, qint32 selectBefore,
                       qint32 selectAfter)
{
    // The edit runs on a copy (at most 255 nodes) to find what it changes; the command then
    // makes that change.
    oWorldMap changed = m_map;
    edit(changed);
    MapChange change = MapChange::between(m_map.nodes(), changed.nodes());
    if (change.isEmpty())
        return false;
    change.selectBefore = selectBefore;
    change.selectAfter = selectAfter;
    undoStack()->push(new MapCommand(*this, std::move(change), name));
    return true;
}

void MapDocument::restore(qint32 count, const MapChange::Nodes &nodes, const QList<qint32> &ids, qint32 select)
{
    m_map.restoreNodes(count, nodes);
    Q_EMIT nodesChanged(ids, select);
}

} // namespace tessaforge
