#pragma once

#include "Document.h"
#include "map/oWorldMap.h"

#include "Status.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

namespace tessaforge {

// What one map edit changed: the node count before and after, the records of the nodes that
// differ (by node number, where the map had the node at the time), and the node the edit was
// made at, shown again when the edit is undone or redone.
struct MapChange
{
    using Nodes = std::vector<std::pair<qint32, MapNode>>;

    qint32 countBefore = 0;
    qint32 countAfter = 0;
    Nodes before;
    Nodes after;
    qint32 selectBefore = 0;
    qint32 selectAfter = 0;

    bool isEmpty() const { return before.empty() && after.empty(); }
    // The numbers of the nodes that differ.
    QList<qint32> nodeIds() const;
    static MapChange between(const std::vector<MapNode> &before, const std::vector<MapNode> &after);
};

// A world's map open for editing: the nodes, their history and whether they hold unsaved
// changes. An edit that changes no node is no step and no change.
class MapDocument final : public Document
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MapDocument)

public:
    explicit MapDocument(QObject *parent = nullptr);
    ~MapDocument() override;

    const oWorldMap &worldMap() const { return m_map; }

    // A new map of one node, to be saved at path (empty when none is in view); the history
    // starts again and nothing is modified.
    void reset(const QString &path = QString());
    // Reads the map file at `path`; on failure the map stays as it was.
    vt::Status load(const QString &path);
    // Writes the map file (a link may not lead outside `confineTo`); on success nothing is
    // modified.
    vt::Status save(const QString &path, const QString &confineTo);

    // Runs `edit` on the map as one step named `name`, made at node `selectBefore` and
    // leaving node `selectAfter` selected; false, and no step, when no node changed.
    bool edit(const QString &name, const std::function<void(oWorldMap &)> &edit, qint32 selectBefore,
              qint32 selectAfter);

Q_SIGNALS:
    // The nodes numbered `nodes` changed (the count may have too); `select` is the node the
    // step shows.
    void nodesChanged(const QList<qint32> &nodes, qint32 select);
    void mapReplaced();

private:
    friend class MapCommand;
    // Puts back the nodes a step recorded, as its undo or redo.
    void restore(qint32 count, const MapChange::Nodes &nodes, const QList<qint32> &ids, qint32 select);
    void replaced(const QString &path);
    QString journalKind() const override { return QStringLiteral("map"); }
    vt::HistoryJournal::Payload journalStep(const QUndoCommand &command) const override;
    QUndoCommand *stepFromJournal(const QByteArray &bytes) override;

    oWorldMap m_map;
};

} // namespace tessaforge
