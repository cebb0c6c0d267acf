// A world map as JSON: its nodes, node 1 first (JSON.md).
#include "FormatTable.h"

#include "map/oWorldMap.h"

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

using tessaforge::oWorldMap;

const JsonName kDocument[] = {"format", "nodes", "asStored"};
const JsonName kNode[] = {"x", "y", "passThru", "left", "right", "up", "down", "tag", "image", "entryPoint",
                             "warpExitWorld"};

// The entry points the programs write: 0 for the default, else up to Door of entrance 16.
constexpr quint8 kMaxEntryPoint = 80;

vt::Status toJson(QByteArrayView bytes, JsonWriter &out, QByteArray &written)
{
    oWorldMap m;
    if (vt::Status s = tessaforge::decode(bytes, m); !s)
        return s;
    out.beginArray("nodes");
    for (qint32 id = 1; id <= m.nodeCount(); ++id) {
        // A stored entry point above 80 means nothing to the programs: it shows as 0 and
        // travels in asStored, so that the file still comes back exactly.
        if (m.EntryPoint(id) > kMaxEntryPoint)
            m.setEntryPointValue(id, 0);
        out.beginObject();
        out.number("x", m.xPos(id));
        out.number("y", m.yPos(id));
        out.boolean("passThru", m.PassThru(id));
        out.number("left", m.LeftNode(id));
        out.number("right", m.RightNode(id));
        out.number("up", m.UpNode(id));
        out.number("down", m.DownNode(id));
        out.number("tag", m.NodeTag(id));
        out.number("image", m.NodeImage(id));
        out.number("entryPoint", m.EntryPoint(id));
        out.number("warpExitWorld", m.warpExitWorld(id));
        out.end();
    }
    out.end();
    return encodeWritten(tessaforge::encode, m, written);
}

QByteArray fromJson(JsonReader &in, JsonObject &o)
{
    JsonArray nodes = in.array(in.member(o, "nodes"), 1, oWorldMap::kMaxNodes);
    oWorldMap m;
    JsonValue item;
    while (in.next(nodes, item)) {
        JsonObject n = in.object(item, kNode);
        const qint32 id = qint32(nodes.count);
        const qint16 x = qint16(in.number(n, "x", -32768, 32767));
        const qint16 y = qint16(in.number(n, "y", -32768, 32767));
        if (id > 1)
            (void)m.AddNode(x, y, false);
        m.moveNode(id, x, y);
        const bool passThru = in.flag(n, "passThru");
        m.setPassThru(id, passThru);
        m.setLeftNode(id, quint8(in.number(n, "left", 0, 255)));
        m.setRightNode(id, quint8(in.number(n, "right", 0, 255)));
        m.setUpNode(id, quint8(in.number(n, "up", 0, 255)));
        m.setDownNode(id, quint8(in.number(n, "down", 0, 255)));
        // The tag shares its byte with the pass-through flag.
        m.setNodeTag(id, quint8(in.number(n, "tag", 0, passThru ? 126 : 254)));
        m.setNodeImage(id, quint8(in.number(n, "image", 0, 255)));
        m.setEntryPointValue(id, quint8(in.number(n, "entryPoint", 0, kMaxEntryPoint)));
        m.warpSetExitWorld(id, quint8(in.number(n, "warpExitWorld", 0, 255)));
        in.done(n);
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status s = tessaforge::encode(m, out); !s)
        in.fail(o, s.error());
    return out;
}

QString summary(QByteArrayView bytes)
{
    oWorldMap m;
    (void)tessaforge::decode(bytes, m);
    QString out = u"world map: %1 node(s)\n"_s.arg(m.nodeCount());
    for (qint32 id = 1; id <= m.nodeCount(); ++id) {
        QString tag = tessaforge::NodeTagLabel(m.NodeTag(id)).simplified();
        if (tag.isEmpty())
            tag = u"tag %1"_s.arg(m.NodeTag(id));
        out += u"%1: (%2, %3) %4%5, left %6 right %7 up %8 down %9"_s.arg(id)
                   .arg(m.xPos(id)).arg(m.yPos(id)).arg(tag)
                   .arg(m.PassThru(id) ? u", pass-through"_s : QString())
                   .arg(m.LeftNode(id)).arg(m.RightNode(id)).arg(m.UpNode(id)).arg(m.DownNode(id))
               + (m.NodeTag(id) >= 21 && m.NodeTag(id) <= 40 ? u", to world %1"_s.arg(m.warpExitWorld(id)) : QString())
               + (m.NodeImage(id) ? u", picture %1"_s.arg(m.NodeImage(id)) : QString()) + u'\n';
    }
    return out;
}

} // namespace

const FormatEntry kMapEntry = {
    .kind = Kind::Map,
    .members = kDocument,
    .summary = summary,
    .toJson = toJson,
    .fromJson = fromJson,
};

} // namespace vtfile
