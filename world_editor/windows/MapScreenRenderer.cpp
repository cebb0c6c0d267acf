#include "MapScreenRenderer.h"

#include "map/oWorldMap.h"

#include <QLineF>
#include <QList>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tessaforge::MapScreenRenderer {

namespace {

// Copies the part of `src` that exists; what lies outside the source stays as it was.
void copyRect(QPainter &painter, QPoint to, const QImage &from, QRect src)
{
    const QRect inside = src.intersected(from.rect());
    if (inside.isEmpty())
        return;
    painter.drawImage(to + (inside.topLeft() - src.topLeft()), from, inside);
}

// Each link is a line from node to node with an arrow head at the edge of the node it leads
// to, so that neither covers a node or its number; a road walked both ways shows a head at
// each end. Dark under bright shows on any picture.
void drawLinks(QPainter &painter, const Scene &scene)
{
    const oWorldMap &nodes = scene.nodes;
    const qint32 count = nodes.nodeCount();
    auto viewPos = [&](qint32 id) {
        return QPointF(nodes.xPos(id) - scene.scroll.x(), nodes.yPos(id) - scene.scroll.y());
    };
    QList<QLineF> strokes;
    for (qint32 i = 1; i <= count; ++i) {
        const int links[4] = {nodes.UpNode(i), nodes.DownNode(i), nodes.LeftNode(i), nodes.RightNode(i)};
        for (int to : links) {
            if (to < 1 || to > count || to == i)
                continue;
            const QLineF line = LinkLine(viewPos(i), OutlineOf(scene, i), viewPos(to), OutlineOf(scene, to));
            if (line.isNull())
                continue;
            strokes.append(line);
            const QPointF tip = line.p2();
            for (qreal turn : {25.0, -25.0}) {
                QLineF wing(tip, line.p1());
                wing.setAngle(wing.angle() + turn);
                wing.setLength(std::min<qreal>(8, line.length()));
                strokes.append(wing);
            }
        }
    }
    // Flat ends: the dark edge stops at the node's outline too.
    painter.setPen(QPen(QColor(0, 0, 0), 3, Qt::SolidLine, Qt::FlatCap));
    painter.drawLines(strokes);
    painter.setPen(QPen(QColor(255, 230, 0), 1));
    painter.drawLines(strokes);
}

// A number over link lines keeps a light rim, so that no line runs through its digits.
void drawNumberRim(QPainter &painter, const QRect &box, const QString &text)
{
    const QPen pen = painter.pen();
    painter.setPen(QColor(255, 255, 255));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0)
                painter.drawText(box.translated(dx, dy), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    painter.setPen(pen);
}

} // namespace

NodeOutline OutlineOf(const Scene &scene, qint32 id)
{
    const int image = scene.nodes.NodeImage(id);
    if (image > 0 && image <= PictureCount(scene.pictures))
        return {kCell / 2.0, true};
    return {id == scene.selected ? 13.0 : 10.0, false};
}

QPointF OutlineExit(QPointF centre, QPointF toward, NodeOutline outline)
{
    const QPointF d = toward - centre;
    const qreal length = std::hypot(d.x(), d.y());
    if (length == 0)
        return centre;
    // A square's side is met where the larger of the two steps reaches it.
    const qreal along = outline.square ? outline.reach / std::max(std::abs(d.x()), std::abs(d.y()))
                                       : outline.reach / length;
    return centre + d * along;
}

QLineF LinkLine(QPointF from, NodeOutline fromOutline, QPointF to, NodeOutline toOutline)
{
    const QPointF start = OutlineExit(from, to, fromOutline);
    const QPointF end = OutlineExit(to, from, toOutline);
    // Outlines that touch or overlap leave no way between them to draw.
    const QPointF way = to - from;
    const QPointF drawn = end - start;
    if (QPointF::dotProduct(way, drawn) <= 0)
        return {};
    return {start, end};
}

qint32 PictureCount(const QImage &pictures)
{
    return pictures.width() / kCell;
}

bool NodeInView(const oWorldMap &nodes, qint32 id, QPoint scroll, QSize view)
{
    const int x = nodes.xPos(id);
    const int y = nodes.yPos(id);
    return x >= scroll.x() && x <= scroll.x() + view.width() && y >= scroll.y() && y <= scroll.y() + view.height();
}

void DrawMap(QImage &view, const Scene &scene)
{
    view.fill(Qt::black);  // below a picture only 480 high
    QPainter painter(&view);
    copyRect(painter, QPoint(0, 0), scene.map, QRect(scene.scroll, view.size()));
    if (scene.links)
        drawLinks(painter, scene);

    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.setFont(scene.font);
    const qint32 pictures = PictureCount(scene.pictures);
    for (qint32 i = 1; i <= scene.nodes.nodeCount(); ++i) {
        if (!NodeInView(scene.nodes, i, scene.scroll, view.size()))
            continue;
        const QPoint at = QPoint(scene.nodes.xPos(i), scene.nodes.yPos(i)) - scene.scroll;
        const int image = scene.nodes.NodeImage(i);
        // A stored picture number past the strip gets the plain circle.
        if (image > 0 && image <= pictures)
            copyRect(painter, at - QPoint(16, 16), scene.pictures, QRect(kCell * (image - 1), 0, kCell, kCell));
        else
            painter.drawEllipse(at, 10, 10);
        if (i == scene.selected)
            painter.drawEllipse(at, 13, 13);
        // Numbers are printed with a leading blank, where a sign would go.
        const QRect box(at.x() + 10, at.y() - 8, 200, 40);
        const QString number = QLatin1Char(' ') + QString::number(i);
        if (scene.links)
            drawNumberRim(painter, box, number);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, number);
    }
}

void DrawPictureStrip(QImage &strip, const QImage &pictures, int first, QColor background)
{
    strip.fill(background);
    QPainter painter(&strip);
    copyRect(painter, QPoint(0, 0), pictures, QRect(kCell * first, 0, strip.width(), kCell));
}

} // namespace tessaforge::MapScreenRenderer
