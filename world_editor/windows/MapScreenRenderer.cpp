#include "MapScreenRenderer.h"

#include "map/oWorldMap.h"

#include <QLineF>
#include <QList>
#include <QPainter>

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

// Each link is a line with an arrow head short of the node it leads to; a road walked both
// ways shows a head at each end. Dark under bright shows on any picture.
void drawLinks(QPainter &painter, const oWorldMap &nodes, QPoint scroll)
{
    const qint32 count = nodes.nodeCount();
    auto viewPos = [&](qint32 id) { return QPointF(nodes.xPos(id) - scroll.x(), nodes.yPos(id) - scroll.y()); };
    QList<QLineF> strokes;
    for (qint32 i = 1; i <= count; ++i) {
        const int links[4] = {nodes.UpNode(i), nodes.DownNode(i), nodes.LeftNode(i), nodes.RightNode(i)};
        for (int to : links) {
            if (to < 1 || to > count || to == i)
                continue;
            const QLineF line(viewPos(i), viewPos(to));
            strokes.append(line);
            if (line.length() < 24)
                continue;
            QLineF back(line.p2(), line.p1());
            back.setLength(15);
            const QPointF tip = back.p2();
            for (qreal turn : {25.0, -25.0}) {
                QLineF wing(tip, tip + (line.p1() - line.p2()));
                wing.setAngle(wing.angle() + turn);
                wing.setLength(8);
                strokes.append(wing);
            }
        }
    }
    painter.setPen(QPen(QColor(0, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLines(strokes);
    painter.setPen(QPen(QColor(255, 230, 0), 1));
    painter.drawLines(strokes);
}

} // namespace

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
        drawLinks(painter, scene.nodes, scene.scroll);

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
        painter.drawText(QRect(at.x() + 10, at.y() - 8, 200, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                         QLatin1Char(' ') + QString::number(i));
    }
}

void DrawPictureStrip(QImage &strip, const QImage &pictures, int first, QColor background)
{
    strip.fill(background);
    QPainter painter(&strip);
    copyRect(painter, QPoint(0, 0), pictures, QRect(kCell * first, 0, strip.width(), kCell));
}

} // namespace tessaforge::MapScreenRenderer
