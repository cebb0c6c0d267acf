#pragma once

#include "FileFormat.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <utility>
#include <vector>

namespace tessaforge {

// One node of a world map. Links name other nodes by number (0 = none) and are one-way;
// nothing keeps them consistent with the node list.
struct MapNode
{
    qint16 xPos = 0, yPos = 0;
    bool PassThru = false;
    quint8 LeftNode = 0, RightNode = 0, UpNode = 0, DownNode = 0;
    quint8 NodeTag = 0;        // 0 none, 1-20 pipe, 21-40 warp, 41-110 level, 111 save point
    quint8 NodeImage = 0;      // k-th cell of MapObjects.bmp, 0 = no picture
    quint8 EntryPoint = 0;     // 0 default, else (number - 1) * 5 + manner + 1
    quint8 warpExitWorld = 0;  // k-th world of the mod, 0 = none chosen

    bool operator==(const MapNode &) const = default;
};

// The nodes of one world map (Worldmap.qzm), numbered from 1. Never empty.
// Queries with a node number out of range answer 0 (false); changes are ignored.
class oWorldMap
{
public:
    // The file stores the count and every link in one byte.
    static constexpr qint32 kMaxNodes = 255;

    oWorldMap();  // one node at (100, 100)

    qint32 nodeCount() const;

    qint16 xPos(qint32 ID) const;
    qint16 yPos(qint32 ID) const;
    bool PassThru(qint32 ID) const;
    quint8 LeftNode(qint32 ID) const;
    quint8 RightNode(qint32 ID) const;
    quint8 UpNode(qint32 ID) const;
    quint8 DownNode(qint32 ID) const;
    quint8 NodeTag(qint32 ID) const;
    quint8 NodeImage(qint32 ID) const;
    quint8 warpExitWorld(qint32 ID) const;
    quint8 EntryPoint(qint32 ID) const;
    // Manner of entrance, 0 Up .. 4 Door; -1 for a node with the default entrance.
    qint16 EntryMode(qint32 ID) const;
    // Entrance number 1..; 0 for the default entrance.
    qint16 EntryTag(qint32 ID) const;

    void moveNode(qint32 ID, qint16 iX, qint16 iY);
    void setPassThru(qint32 ID, bool bVal);
    void setLeftNode(qint32 ID, quint8 bVal);
    void setRightNode(qint32 ID, quint8 bVal);
    void setUpNode(qint32 ID, quint8 bVal);
    void setDownNode(qint32 ID, quint8 bVal);
    void setNodeTag(qint32 ID, quint8 bVal);
    void warpSetExitWorld(qint32 ID, quint8 bVal);
    void setNodeImage(qint32 ID, quint8 bVal);
    void setEntryPointValue(qint32 ID, quint8 bVal);  // values above 80 are ignored
    // Has no effect; the packed value goes through setEntryPointValue. Kept for callers.
    void setEntryPoint(qint32 ID, quint8 bMode, quint8 bTag);

    // Appends a node at (iX, iY); a new node is never pass-through, whatever the third
    // argument says. False, and nothing added, when the map already holds kMaxNodes.
    [[nodiscard]] bool AddNode(qint16 iX, qint16 iY, bool bpassthrough);
    // Drops the highest-numbered node unless it is the last one; links are left alone.
    void removeNode();

    // The nodes as they are, for recording what an edit changed.
    const std::vector<MapNode> &nodes() const { return m_nodes; }
    // Puts recorded nodes back: the map gets count nodes (1..kMaxNodes; new ones plain),
    // then each (number, node) pair in range replaces its node.
    void restoreNodes(qint32 count, const std::vector<std::pair<qint32, MapNode>> &changed);

    // Refuses a map the file cannot hold (a tag above 126, which would not read back as
    // itself); the old file is then untouched. A longer old file keeps its bytes past the
    // new end. With confineTo set, the write may not land outside that folder.
    vt::Status saveMap(const QString &sPath, const QString &confineTo = QString()) const;
    // On any failure the map is left as it was.
    vt::Status loadMap(const QString &sPath);

private:
    friend vt::Status encode(const oWorldMap &map, QByteArray &out);
    friend vt::Status decode(QByteArrayView bytes, oWorldMap &map);
    vt::Status toBytes(QByteArray &out) const;
    vt::Status fromBytes(QByteArrayView bytes);

    const MapNode *node(qint32 ID) const;
    MapNode *node(qint32 ID);

    std::vector<MapNode> m_nodes;  // node k is m_nodes[k - 1]
};

// The map file: a count byte, then 12 bytes a node.
extern const vt::FileFormat kMapFormat;

// Refused, out unchanged, for a map the file cannot hold (see saveMap).
vt::Status encode(const oWorldMap &map, QByteArray &out);
// Replaces the nodes only on success; bytes after the last record are ignored.
vt::Status decode(QByteArrayView bytes, oWorldMap &map);

// The text the editor's tag list shows for a NodeTag value; empty for values it has no
// entry for (above 111).
QString NodeTagLabel(int tag);

} // namespace tessaforge
