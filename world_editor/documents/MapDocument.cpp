#include "MapDocument.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"

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

    // The step as the crash journal holds it: its name, then the change.
    QByteArray journalBytes() const
    {
        vt::BinaryWriter w;
        const QByteArray name = text().toUtf8();
        w.i32(qint32(name.size()));
        w.bytes(name);
        for (const qint32 v : {m_change.countBefore, m_change.countAfter, m_change.selectBefore, m_change.selectAfter})
            w.i32(v);
        for (const MapChange::Nodes *nodes : {&m_change.before, &m_change.after}) {
            w.i32(qint32(nodes->size()));
            for (const auto &[id, n] : *nodes) {
                w.i32(id);
                w.i16(n.xPos);
                w.i16(n.yPos);
                for (const quint8 b : {quint8(n.PassThru), n.LeftNode, n.RightNode, n.UpNode, n.DownNode, n.NodeTag,
                                       n.NodeImage, n.EntryPoint, n.warpExitWorld})
                    w.u8(b);
            }
        }
        return w.take();
    }

    static MapCommand *fromJournalBytes(MapDocument &document, QByteArrayView bytes)
    {
        vt::BinaryReader r(bytes);
        const qint32 nameSize = r.i32();
        if (nameSize < 0 || !r.canRead(nameSize))
            return nullptr;
        const QString name = QString::fromUtf8(r.bytes(nameSize));
        MapChange c;
        c.countBefore = r.i32();
        c.countAfter = r.i32();
        c.selectBefore = r.i32();
        c.selectAfter = r.i32();
        constexpr qint32 kNodeBytes = 4 + 4 + 9;
        for (MapChange::Nodes *nodes : {&c.before, &c.after}) {
            const qint32 count = r.i32();
            if (count < 0 || count > oWorldMap::kMaxNodes || !r.canRead(qsizetype(count) * kNodeBytes))
                return nullptr;
            for (qint32 i = 0; i < count; ++i) {
                const qint32 id = r.i32();
                MapNode n;
                n.xPos = r.i16();
                n.yPos = r.i16();
                n.PassThru = r.u8() != 0;
                for (quint8 *b : {&n.LeftNode, &n.RightNode, &n.UpNode, &n.DownNode, &n.NodeTag, &n.NodeImage,
                                  &n.EntryPoint, &n.warpExitWorld})
                    *b = r.u8();
                nodes->emplace_back(id, n);
            }
        }
        const auto inRange = [](qint32 v) { return v >= 0 && v <= oWorldMap::kMaxNodes; };
        if (!r.ok() || r.remaining() != 0 || !inRange(c.countBefore) || !inRange(c.countAfter))
            return nullptr;
        return new MapCommand(document, std::move(c), name);
    }

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

void MapDocument::reset(const QString &path)
{
    m_map = oWorldMap();
    replaced(path);
}

vt::Status MapDocument::load(const QString &path)
{
    oWorldMap loaded;
    vt::Status status = loaded.loadMap(path);
    if (!status)
        return status;
    m_map = std::move(loaded);
    replaced(path);
    return status;
}

void MapDocument::replaced(const QString &path)
{
    startHistory();
    setFilePath(path);
    Q_EMIT mapReplaced();
}

vt::HistoryJournal::Payload MapDocument::journalStep(const QUndoCommand &command) const
{
    // A few nodes at most: made here, so that the journal holds no reference to the step.
    return [bytes = static_cast<const MapCommand &>(command).journalBytes()] { return bytes; };
}

QUndoCommand *MapDocument::stepFromJournal(const QByteArray &bytes)
{
    return MapCommand::fromJournalBytes(*this, bytes);
}

vt::Status MapDocument::save(const QString &path, const QString &confineTo)
{
    const vt::Status saved = m_map.saveMap(path, confineTo);
    if (saved) {
        markSaved();
        setFilePath(path);
    }
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
