#include "map/oWorldMap.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "FileIO.h"

#include <algorithm>
#include <utility>

namespace tessaforge {

namespace {

constexpr qsizetype kRecordSize = 12;
constexpr quint8 kMaxEntryPoint = 80;  // Door, entrance 16
constexpr quint8 kPassThruBit = 0x80;

// Low seven bits: 0 for no tag, otherwise NodeTag + 1; bit 7: pass-through.
// Returns -1 when the tag cannot be encoded in one byte.
// The tag shares its byte with the pass-through bit: a tag above 126 would set that bit
// (or overflow) and read back as another node, so it has no byte at all.
constexpr int kMaxStoredTag = 126;

int encodeTagByte(const MapNode &n)
{
    if (n.NodeTag > kMaxStoredTag)
        return -1;
    const int b = n.NodeTag == 0 ? 0 : n.NodeTag + 1;
    return n.PassThru ? b + kPassThruBit : b;
}

void decodeTagByte(quint8 b, MapNode &n)
{
    if (b >= kPassThruBit) {
        n.PassThru = true;
        b -= kPassThruBit;
    }
    // A stored 1 would mean tag 0 either way, so it reads back as no tag.
    if (b > 0)
        n.NodeTag = static_cast<quint8>(b - 1);
}

} // namespace

oWorldMap::oWorldMap()
{
    MapNode first;
    first.xPos = 100;
    first.yPos = 100;
    m_nodes.push_back(first);
}

qint32 oWorldMap::nodeCount() const
{
    return static_cast<qint32>(m_nodes.size());
}

const MapNode *oWorldMap::node(qint32 ID) const
{
    if (ID < 1 || ID > nodeCount())
        return nullptr;
    return &m_nodes[static_cast<size_t>(ID - 1)];
}

void oWorldMap::restoreNodes(qint32 count, const std::vector<std::pair<qint32, MapNode>> &changed)
{
    m_nodes.resize(static_cast<size_t>(std::clamp(count, 1, kMaxNodes)));
    for (const auto &[id, value] : changed) {
        if (MapNode *n = node(id))
            *n = value;
    }
}

MapNode *oWorldMap::node(qint32 ID)
{
    return const_cast<MapNode *>(std::as_const(*this).node(ID));
}

qint16 oWorldMap::xPos(qint32 ID) const { const MapNode *n = node(ID); return n ? n->xPos : 0; }
qint16 oWorldMap::yPos(qint32 ID) const { const MapNode *n = node(ID); return n ? n->yPos : 0; }
bool oWorldMap::PassThru(qint32 ID) const { const MapNode *n = node(ID); return n && n->PassThru; }
quint8 oWorldMap::LeftNode(qint32 ID) const { const MapNode *n = node(ID); return n ? n->LeftNode : 0; }
quint8 oWorldMap::RightNode(qint32 ID) const { const MapNode *n = node(ID); return n ? n->RightNode : 0; }
quint8 oWorldMap::UpNode(qint32 ID) const { const MapNode *n = node(ID); return n ? n->UpNode : 0; }
quint8 oWorldMap::DownNode(qint32 ID) const { const MapNode *n = node(ID); return n ? n->DownNode : 0; }
quint8 oWorldMap::NodeTag(qint32 ID) const { const MapNode *n = node(ID); return n ? n->NodeTag : 0; }
quint8 oWorldMap::NodeImage(qint32 ID) const { const MapNode *n = node(ID); return n ? n->NodeImage : 0; }
quint8 oWorldMap::warpExitWorld(qint32 ID) const { const MapNode *n = node(ID); return n ? n->warpExitWorld : 0; }
quint8 oWorldMap::EntryPoint(qint32 ID) const { const MapNode *n = node(ID); return n ? n->EntryPoint : 0; }

qint16 oWorldMap::EntryMode(qint32 ID) const
{
    const MapNode *n = node(ID);
    if (!n)
        return 0;
    // C++ remainder takes the dividend's sign, so the default entrance (0) gives -1.
    return static_cast<qint16>((qint16(n->EntryPoint) - 1) % 5);
}

qint16 oWorldMap::EntryTag(qint32 ID) const
{
    const MapNode *n = node(ID);
    if (!n || n->EntryPoint == 0)
        return 0;
    return static_cast<qint16>((n->EntryPoint - 1) / 5 + 1);
}

void oWorldMap::moveNode(qint32 ID, qint16 iX, qint16 iY)
{
    if (MapNode *n = node(ID)) {
        n->xPos = iX;
        n->yPos = iY;
    }
}

void oWorldMap::setPassThru(qint32 ID, bool bVal) { if (MapNode *n = node(ID)) n->PassThru = bVal; }
void oWorldMap::setLeftNode(qint32 ID, quint8 bVal) { if (MapNode *n = node(ID)) n->LeftNode = bVal; }
void oWorldMap::setRightNode(qint32 ID, quint8 bVal) { if (MapNode *n = node(ID)) n->RightNode = bVal; }
void oWorldMap::setUpNode(qint32 ID, quint8 bVal) { if (MapNode *n = node(ID)) n->UpNode = bVal; }
void oWorldMap::setDownNode(qint32 ID, quint8 bVal) { if (MapNode *n = node(ID)) n->DownNode = bVal; }
void oWorldMap::setNodeTag(qint32 ID, quint8 bVal) { if (MapNode *n = node(ID)) n->NodeTag = bVal; }
void oWorldMap::warpSetExitWorld(qint32 ID, quint8 bVal) { if (MapNode *n = node(ID)) n->warpExitWorld = bVal; }
void oWorldMap::setNodeImage(qint32 ID, quint8 bVal) { if (MapNode *n = node(ID)) n->NodeImage = bVal; }

void oWorldMap::setEntryPointValue(qint32 ID, quint8 bVal)
{
    if (bVal > kMaxEntryPoint)
        return;
    if (MapNode *n = node(ID))
        n->EntryPoint = bVal;
}

void oWorldMap::setEntryPoint(qint32 ID, quint8 bMode, quint8 bTag)
{
    Q_UNUSED(ID);
    Q_UNUSED(bMode);
    Q_UNUSED(bTag);
}

bool oWorldMap::AddNode(qint16 iX, qint16 iY, bool bpassthrough)
{
    Q_UNUSED(bpassthrough);  // a new node always starts as an ordinary stop
    if (nodeCount() >= kMaxNodes)
        return false;
    MapNode n;
    n.xPos = iX;
    n.yPos = iY;
    m_nodes.push_back(n);
    return true;
}

void oWorldMap::removeNode()
{
    if (m_nodes.size() > 1)
        m_nodes.pop_back();
}

vt::Status oWorldMap::toBytes(QByteArray &out) const
{
    // The count is one byte in the file; a wrapped count would lose the map.
    if (m_nodes.empty() || nodeCount() > kMaxNodes)
        return vt::Status::failure(
            QStringLiteral("The map has %1 nodes; a map file holds 1 to %2.").arg(nodeCount()).arg(kMaxNodes));

    vt::BinaryWriter w(1 + kRecordSize * nodeCount());
    w.u8(static_cast<quint8>(nodeCount()));
    for (qint32 id = 1; id <= nodeCount(); ++id) {
        const MapNode &n = m_nodes[static_cast<size_t>(id - 1)];
        const int tagByte = encodeTagByte(n);
        if (tagByte < 0)
            return vt::Status::failure(
                QStringLiteral("Node %1 has tag %2; the map file can only hold tags 0 to %3.")
                    .arg(id)
                    .arg(n.NodeTag)
                    .arg(kMaxStoredTag));
        w.i16(n.xPos);
        w.i16(n.yPos);
        // The file orders the links Up, Down, Left, Right.
        w.u8(n.UpNode);
        w.u8(n.DownNode);
        w.u8(n.LeftNode);
        w.u8(n.RightNode);
        w.u8(static_cast<quint8>(tagByte));
        w.u8(n.NodeImage);
        w.u8(n.EntryPoint);
        w.u8(n.warpExitWorld);
    }
    out = w.take();
    return vt::Status::success();
}

vt::Status oWorldMap::fromBytes(QByteArrayView bytes)
{
    vt::BinaryReader r(bytes);
    const quint8 count = r.u8();
    if (!r.ok())
        return vt::Status::failure(QStringLiteral("The map file is empty."));
    if (count == 0)
        return vt::Status::failure(QStringLiteral("The map file holds no nodes."));
    if (!r.canRead(kRecordSize * count))
        return vt::Status::failure(
            QStringLiteral("The map file is truncated: it promises %1 nodes but holds only %2.")
                .arg(count)
                .arg(r.remaining() / kRecordSize));

    std::vector<MapNode> nodes(count);
    for (MapNode &n : nodes) {
        n.xPos = r.i16();
        n.yPos = r.i16();
        n.UpNode = r.u8();
        n.DownNode = r.u8();
        n.LeftNode = r.u8();
        n.RightNode = r.u8();
        decodeTagByte(r.u8(), n);
        n.NodeImage = r.u8();
        n.EntryPoint = r.u8();
        n.warpExitWorld = r.u8();
    }
    m_nodes = std::move(nodes);  // bytes after the last record are ignored
    return vt::Status::success();
}

vt::Status encode(const oWorldMap &map, QByteArray &out)
{
    return map.toBytes(out);
}

vt::Status decode(QByteArrayView bytes, oWorldMap &map)
{
    return map.fromBytes(bytes);
}

const vt::FileFormat kMapFormat = {
    .name = "map",
    .extension = "qzm",
    // The count byte and 255 records are all the file can describe.
    .maxSize = 1 + kRecordSize * oWorldMap::kMaxNodes,
    .reading = vt::FileFormat::Reading::Head,
    // Written over in place, the file was never shortened; keep that result.
    .saveTail = vt::OldTail::Keep,
    .shortFile = "no count byte, a count of 0, or fewer records than the count: refused",
};

vt::Status oWorldMap::saveMap(const QString &sPath, const QString &confineTo) const
{
    return vt::saveFile(kMapFormat, encode, *this, sPath, confineTo);
}

vt::Status oWorldMap::loadMap(const QString &sPath)
{
    return vt::loadFile(kMapFormat, decode, sPath, *this);
}

QString NodeTagLabel(int tag)
{
    if (tag == 0)
        return QStringLiteral("No Tag");
    if (tag >= 1 && tag <= 20)
        return QStringLiteral("Pipe  %1").arg(tag);
    if (tag >= 21 && tag <= 40)
        return QStringLiteral("Warp  %1").arg(tag - 20);
    if (tag >= 41 && tag <= 110)
        return QStringLiteral("Level %1").arg(tag - 40);
    if (tag == 111)
        return QStringLiteral("SaveGame");
    return {};
}

} // namespace tessaforge
