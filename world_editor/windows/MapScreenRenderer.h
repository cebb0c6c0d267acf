#pragma once

// Draws the world map editor's view and picture strip into back images (QtGui only).

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QPoint>
#include <QPointF>

namespace tessaforge {

class oWorldMap;

namespace MapScreenRenderer {

inline constexpr int kCell = 32;  // one node picture of MapObjects.bmp

// Everything one drawing of the map view depends on.
struct Scene
{
    const QImage &map;       // Worldmap.gif
    const QImage &pictures;  // MapObjects.bmp
    const oWorldMap &nodes;
    QPoint scroll;           // the map point shown at the view's top-left corner
    qint32 selected = 0;     // node with the selection circle; 0 = none
    QFont font;              // for the node numbers
    bool links = false;      // lines with arrow heads for the links between nodes
};

// What a node shows around its centre: a circle of `reach` pixels, or a square picture
// `reach` pixels from the centre to each side.
struct NodeOutline
{
    qreal reach = 10;
    bool square = false;
};

// How node `id` is drawn in `scene`: its picture, or its circle (the selection circle when it
// is selected).
NodeOutline OutlineOf(const Scene &scene, qint32 id);

// Where the straight way from `centre` towards `toward` crosses the outline around `centre`.
QPointF OutlineExit(QPointF centre, QPointF toward, NodeOutline outline);

// The line of a link drawn from the edge of the node at `from` to the edge of the node at
// `to`, where its arrow head ends; a null line when the two outlines touch or overlap.
QLineF LinkLine(QPointF from, NodeOutline fromOutline, QPointF to, NodeOutline toOutline);

// The number of whole 32 x 32 cells in the strip of node pictures.
qint32 PictureCount(const QImage &pictures);

// Whether node `id` is drawn in a view of that size: its bounds are inclusive.
bool NodeInView(const oWorldMap &nodes, qint32 id, QPoint scroll, QSize view);

// The map picture from the scroll position, then per node in increasing number its picture
// (or a circle of radius 10), the selection circle of radius 13 and its number.
void DrawMap(QImage &view, const Scene &scene);

// Twenty cells of the strip from cell `first` (counted from 0) on a cleared background.
void DrawPictureStrip(QImage &strip, const QImage &pictures, int first, QColor background);

} // namespace MapScreenRenderer
} // namespace tessaforge
