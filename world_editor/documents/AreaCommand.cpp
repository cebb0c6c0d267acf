#include "AreaCommand.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"

#include <utility>

namespace tessaforge {

AreaCommand::AreaCommand(AreaDocument &document, AreaChange change, const QString &name)
    : QUndoCommand(name), m_document(document), m_stroke(std::move(change))
{
    counted();
}

AreaCommand::AreaCommand(AreaDocument &document, AreaDocument::Tool tool, const QString &name)
    : QUndoCommand(name), m_document(document), m_tool(std::move(tool))
{
    counted();
}

AreaCommand::~AreaCommand()
{
    m_document.historyGrew(-m_counted);
}

void AreaCommand::undo()
{
    if (!m_document.restacking())
        m_document.perform(change(), false);
}

void AreaCommand::redo()
{
    if (m_tool) {
        const AreaDocument::Tool tool = std::exchange(m_tool, {});
        std::optional<AreaChange> made = tool(m_document.oArea);
        if (!made || made->isEmpty()) {
            setObsolete(true);  // the stack drops it: nothing changed
            return;
        }
        m_stroke = AreaStroke(std::move(*made));
        counted();
        m_document.announce(m_stroke.step(), true);
        return;
    }
    if (!m_document.restacking())
        m_document.perform(change(), true);
}

AreaStroke &AreaCommand::growing()
{
    if (m_frozen) {
        m_stroke = AreaStroke(AreaChange(*m_frozen));
        m_frozen.reset();
    }
    return m_stroke;
}

std::shared_ptr<const AreaChange> AreaCommand::shared()
{
    if (!m_frozen) {
        m_stroke.close();
        m_frozen = std::make_shared<const AreaChange>(m_stroke.takeStep());
        m_stroke = AreaStroke();
    }
    return m_frozen;
}

void AreaCommand::paintCell(qint32 X, qint32 Y, const AreaCell &before, const AreaCell &after)
{
    putCell(m_document.oArea, X, Y, after);
    growing().record(X, Y, before, after);
    counted();
    Q_EMIT m_document.cellsChanged(QRect(X, Y, 1, 1));
}

void AreaCommand::placeStart(QPoint from, QPoint to)
{
    m_document.oArea.SetStartPos(static_cast<qint16>(to.x()), static_cast<qint16>(to.y()));
    growing().moveStart(from, to);
    counted();
    Q_EMIT m_document.startMoved(from, to);
}

void AreaCommand::close()
{
    m_stroke.close();
    counted();
}

void AreaCommand::counted()
{
    const qsizetype now = qsizetype(sizeof(AreaCommand)) + (m_frozen ? m_frozen->bytes() : m_stroke.bytes());
    m_document.historyGrew(now - m_counted);
    m_counted = now;
}

// ---- the journal's form of a step

namespace {

void putCell(vt::BinaryWriter &w, const AreaCell &c)
{
    w.u8(c.bIsTile);
    w.u8(c.xSrc);
    w.u8(c.ySrc);
    w.i32(c.lTag);
    w.i32(c.lEnemy);
}

AreaCell takeCell(vt::BinaryReader &r)
{
    AreaCell c;
    c.bIsTile = r.u8() != 0;
    c.xSrc = r.u8();
    c.ySrc = r.u8();
    c.lTag = r.i32();
    c.lEnemy = r.i32();
    return c;
}

constexpr qsizetype kCellBytes = 11;

} // namespace

QByteArray AreaCommand::journalBytes(const AreaChange &change, const QString &name)
{
    const QByteArray title = name.toUtf8();
    vt::BinaryWriter w(64 + title.size() + qsizetype(change.cells.size()) * (8 + 2 * kCellBytes)
                       + qsizetype(change.spans.size()) * 12);
    w.i32(qint32(title.size()));
    w.bytes(title);
    w.u8(quint8(change.movesStart | change.resizes << 1 | change.togglesSideWarp << 2 | change.sideWarpAfter << 3));
    for (const QPoint p : {change.startBefore, change.startAfter}) {
        w.i32(p.x());
        w.i32(p.y());
    }
    for (const QSize z : {change.sizeBefore, change.sizeAfter}) {
        w.i32(z.width());
        w.i32(z.height());
    }
    w.u8(quint8(change.spanLayer));
    putCell(w, change.spanBefore);
    putCell(w, change.spanAfter);
    w.i32(qint32(change.spans.size()));
    for (const CellSpan &s : change.spans) {
        w.i32(s.X);
        w.i32(s.top);
        w.i32(s.bottom);
    }
    w.i32(qint32(change.cells.size()));
    for (const CellChange &c : change.cells) {
        w.i32(c.X);
        w.i32(c.Y);
        putCell(w, c.before);
        putCell(w, c.after);
    }
    return w.take();
}

bool AreaCommand::fromJournalBytes(QByteArrayView bytes, AreaChange &change, QString &name)
{
    vt::BinaryReader r(bytes);
    const qint32 titleSize = r.i32();
    if (titleSize < 0 || !r.canRead(titleSize))
        return false;
    name = QString::fromUtf8(r.bytes(titleSize));
    AreaChange c;
    const quint8 flags = r.u8();
    c.movesStart = flags & 1;
    c.resizes = flags & 2;
    c.togglesSideWarp = flags & 4;
    c.sideWarpAfter = flags & 8;
    for (QPoint *p : {&c.startBefore, &c.startAfter}) {
        const qint32 x = r.i32();
        *p = QPoint(x, r.i32());
    }
    for (QSize *z : {&c.sizeBefore, &c.sizeAfter}) {
        const qint32 w = r.i32();
        *z = QSize(w, r.i32());
    }
    const quint8 layer = r.u8();
    if (layer > quint8(AreaLayer::Enemies))
        return false;
    c.spanLayer = AreaLayer(layer);
    c.spanBefore = takeCell(r);
    c.spanAfter = takeCell(r);
    const qint32 spans = r.i32();
    if (spans < 0 || !r.canRead(qint64(spans) * 12))
        return false;
    c.spans.resize(std::size_t(spans));
    for (CellSpan &s : c.spans) {
        s.X = r.i32();
        s.top = r.i32();
        s.bottom = r.i32();
    }
    const qint32 cells = r.i32();
    if (cells < 0 || !r.canRead(qint64(cells) * (8 + 2 * kCellBytes)))
        return false;
    c.cells.resize(std::size_t(cells));
    for (CellChange &cell : c.cells) {
        cell.X = r.i32();
        cell.Y = r.i32();
        cell.before = takeCell(r);
        cell.after = takeCell(r);
    }
    if (!r.ok() || r.remaining() != 0)
        return false;
    change = std::move(c);
    return true;
}

} // namespace tessaforge
