#include "DemoArt.h"

#include "resources/TagSheet.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace demo {

namespace {

struct Palette
{
    QColor sky, skyHigh, skyLow, cloud, cloudShade;
    QColor top, topLight, topDark;
    QColor ground, groundDark, groundLight;
    QColor brick, mortar;
    QColor stone, stoneDark, stoneLight;
    QColor water, waterLight, lava, lavaLight;
    QColor leaf, leafDark, bark, wood;
    QColor pipe, pipeLight, pipeDark;
    QColor hill, wall, wallDark;
};

Palette paletteFor(Theme theme)
{
    if (theme == Theme::Grass)
        return {
            {120, 184, 248}, {80, 150, 240}, {168, 216, 255}, {255, 255, 255}, {200, 220, 240},
            {64, 176, 64}, {128, 216, 96}, {24, 112, 40},
            {176, 112, 48}, {128, 72, 32}, {208, 148, 80},
            {192, 88, 40}, {96, 40, 16},
            {168, 168, 176}, {96, 96, 112}, {216, 216, 224},
            {48, 112, 224}, {140, 190, 255}, {240, 80, 16}, {255, 200, 64},
            {48, 160, 64}, {24, 104, 40}, {120, 72, 32}, {200, 150, 90},
            {48, 176, 72}, {144, 232, 144}, {16, 96, 40},
            {96, 176, 112}, {150, 140, 130}, {110, 100, 96},
        };
    return {
        {32, 36, 56}, {20, 22, 40}, {48, 52, 80}, {96, 100, 128}, {64, 68, 96},
        {80, 208, 224}, {200, 250, 255}, {32, 128, 160},
        {84, 88, 112}, {52, 54, 74}, {120, 124, 150},
        {110, 80, 140}, {50, 34, 70},
        {130, 130, 150}, {70, 70, 90}, {180, 180, 200},
        {24, 72, 160}, {90, 150, 230}, {230, 60, 16}, {255, 180, 40},
        {60, 150, 130}, {30, 90, 80}, {80, 60, 50}, {150, 120, 90},
        {150, 110, 60}, {220, 180, 110}, {90, 60, 30},
        {48, 52, 76}, {60, 60, 84}, {40, 40, 60},
    };
}

// Shapes in one 32 x 32 tile, hard-edged like the rest of the game's art.
class Pen
{
public:
    explicit Pen(QPainter &p) : m_p(p) {}

    void box(qreal x, qreal y, qreal w, qreal h, const QColor &c)
    {
        m_p.fillRect(QRectF(x, y, w, h), c);
    }
    void oval(qreal x, qreal y, qreal w, qreal h, const QColor &c)
    {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(c);
        m_p.drawEllipse(QRectF(x, y, w, h));
    }
    void poly(std::initializer_list<QPointF> pts, const QColor &c)
    {
        poly(QPolygonF(pts), c);
    }
    void poly(const QPolygonF &shape, const QColor &c)
    {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(c);
        m_p.drawPolygon(shape);
    }
    void line(qreal x1, qreal y1, qreal x2, qreal y2, const QColor &c, qreal w = 1)
    {
        m_p.setPen(QPen(c, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    }
    // A bevelled square block: light top-left, dark bottom-right.
    void block(const QColor &face, const QColor &light, const QColor &dark)
    {
        box(0, 0, 32, 32, dark);
        box(0, 0, 31, 31, light);
        box(2, 2, 28, 28, face);
        box(2, 30, 30, 2, dark);
        box(30, 2, 2, 30, dark);
    }
    // A 5 x 7 pattern, each cell `size` pixels, '#' filled.
    void glyph(qreal x, qreal y, const char *const rows[7], qreal size, const QColor &c)
    {
        for (int r = 0; r < 7; ++r)
            for (int col = 0; rows[r][col]; ++col)
                if (rows[r][col] == '#')
                    box(x + col * size, y + r * size, size, size, c);
    }

    QPainter &painter() { return m_p; }

private:
    QPainter &m_p;
};

const char *const kGlyphQuestion[7] = {".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#.."};
const char *const kGlyphA[7] = {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"};
const char *const kGlyphB[7] = {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."};

// Deterministic speckles so that every run draws the same bytes.
void speckle(Pen &pen, int seed, int count, const QColor &c, int top = 0)
{
    quint32 s = 2654435761u * static_cast<quint32>(seed + 1);
    for (int i = 0; i < count; ++i) {
        s = s * 1103515245u + 12345u;
        const int x = static_cast<int>((s >> 8) % 30);
        s = s * 1103515245u + 12345u;
        const int y = top + static_cast<int>((s >> 8) % static_cast<quint32>(31 - top));
        pen.box(x, y, 2, 2, c);
    }
}

void groundFill(Pen &pen, const Palette &c, int seed)
{
    pen.box(0, 0, 32, 32, c.ground);
    speckle(pen, seed, 7, c.groundDark);
    speckle(pen, seed + 50, 4, c.groundLight);
}

void topBand(Pen &pen, const Palette &c)
{
    pen.box(0, 0, 32, 8, c.top);
    for (int x = 0; x < 32; x += 8) {
        pen.box(x + 2, 8, 4, 2, c.top);
        pen.box(x + 3, 10, 2, 1, c.topDark);
    }
    pen.box(0, 0, 32, 2, c.topLight);
}

// A 64-pixel-wide cloud (or, in the cave, a pair of stalactites) of which the tile shows
// the part from `shift` onwards.
void cloudPart(Pen &pen, const Palette &c, Theme theme, int shift)
{
    pen.box(0, 0, 32, 32, c.sky);
    if (theme == Theme::Cave) {
        pen.poly({{12.0 - shift, 0}, {40.0 - shift, 0}, {26.0 - shift, 26}}, c.cloud);
        pen.poly({{40.0 - shift, 0}, {58.0 - shift, 0}, {49.0 - shift, 16}}, c.cloudShade);
        return;
    }
    pen.oval(6 - shift, 12, 52, 16, c.cloudShade);
    pen.oval(6 - shift, 10, 52, 15, c.cloud);
    pen.oval(16 - shift, 3, 20, 18, c.cloud);
    pen.oval(30 - shift, 6, 18, 14, c.cloud);
}

void slope(Pen &pen, const Palette &c, bool risingRight)
{
    pen.box(0, 0, 32, 32, c.sky);
    const auto fx = [&](qreal x) { return risingRight ? x : 32 - x; };
    pen.poly({{fx(0), 32}, {fx(32), 0}, {fx(32), 32}}, c.ground);
    pen.poly({{fx(0), 32}, {fx(32), 0}, {fx(32), 9}, {fx(9), 32}}, c.top);
    pen.poly({{fx(0), 32}, {fx(32), 0}, {fx(32), 2}, {fx(2), 32}}, c.topLight);
    pen.box(risingRight ? 24 : 4, 26, 3, 3, c.groundDark);
}

void pipePart(Pen &pen, const Palette &c, bool left, bool lip)
{
    pen.box(0, 0, 32, 32, c.sky);
    if (lip) {
        pen.box(0, 2, 32, 30, c.pipeDark);
        pen.box(left ? 2 : 0, 4, 30, 26, c.pipe);
        if (left)
            pen.box(6, 4, 6, 26, c.pipeLight);
        else
            pen.box(20, 4, 4, 26, c.pipeDark);
        return;
    }
    if (left) {
        pen.box(4, 0, 28, 32, c.pipeDark);
        pen.box(6, 0, 26, 32, c.pipe);
        pen.box(10, 0, 6, 32, c.pipeLight);
    } else {
        pen.box(0, 0, 28, 32, c.pipeDark);
        pen.box(0, 0, 26, 32, c.pipe);
        pen.box(18, 0, 4, 32, c.pipeDark);
    }
}

void wallBack(Pen &pen, const Palette &c)
{
    pen.box(0, 0, 32, 32, c.wallDark);
    for (int row = 0; row < 4; ++row) {
        const int off = (row % 2) * 8;
        for (int x = -16 + off; x < 32; x += 16)
            pen.box(x + 1, row * 8 + 1, 14, 6, c.wall);
    }
}

void drawTile(Pen &pen, const Palette &c, Theme theme, int x, int y)
{
    const bool cave = theme == Theme::Cave;
    switch (y * kTileCols + x) {
    // ---- row 0
    case 0:  // sky
        pen.box(0, 0, 32, 32, c.sky);
        if (cave)
            speckle(pen, 3, 3, c.skyLow);
        break;
    case 1:
        cloudPart(pen, c, theme, 0);
        break;
    case 2:
        cloudPart(pen, c, theme, 32);
        break;
    case 3:  // bush, or a crystal cluster
        pen.box(0, 0, 32, 32, c.sky);
        if (cave) {
            pen.poly({{4, 32}, {8, 12}, {13, 32}}, c.top);
            pen.poly({{10, 32}, {16, 4}, {22, 32}}, c.topLight);
            pen.poly({{19, 32}, {25, 14}, {29, 32}}, c.topDark);
        } else {
            pen.oval(0, 14, 18, 20, c.leafDark);
            pen.oval(12, 10, 20, 24, c.leafDark);
            pen.oval(2, 16, 14, 16, c.leaf);
            pen.oval(14, 12, 16, 20, c.leaf);
        }
        break;
    case 4:  // fence
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(0, 14, 32, 4, c.wood);
        pen.box(0, 24, 32, 4, c.wood);
        for (int px : {4, 20}) {
            pen.poly({{qreal(px), 10}, {px + 4.0, 6}, {px + 8.0, 10}, {px + 8.0, 32}, {qreal(px), 32}},
                     c.wood);
            pen.box(px + 6, 10, 2, 22, c.bark);
        }
        break;
    case 5:  // hill in the distance
        pen.box(0, 0, 32, 32, c.sky);
        pen.oval(-8, 8, 48, 48, c.hill);
        pen.oval(6, 14, 6, 4, c.skyLow);
        break;
    case 6:  // flowers, or glowing fungi
        pen.box(0, 0, 32, 32, c.sky);
        for (int i = 0; i < 3; ++i) {
            const int fx = 4 + i * 10;
            const int fy = 16 + (i % 2) * 5;
            pen.box(fx + 2, fy + 4, 2, 32 - fy - 4, cave ? c.stoneLight : c.leafDark);
            pen.oval(fx, fy, 6, 6, cave ? c.topLight : (i == 1 ? QColor(255, 240, 80)
                                                              : QColor(240, 80, 120)));
        }
        break;
    case 7:  // sign post
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(14, 14, 4, 18, c.bark);
        pen.poly({{4, 6}, {24, 6}, {30, 12}, {24, 18}, {4, 18}}, c.wood);
        pen.box(8, 11, 14, 2, c.bark);
        break;
    // ---- row 1
    case 8:  // grass top, left end
        groundFill(pen, c, 8);
        topBand(pen, c);
        pen.box(0, 0, 3, 32, c.groundDark);
        pen.box(0, 0, 4, 9, c.topDark);
        break;
    case 9:
        groundFill(pen, c, 9);
        topBand(pen, c);
        break;
    case 10:  // grass top, right end
        groundFill(pen, c, 10);
        topBand(pen, c);
        pen.box(29, 0, 3, 32, c.groundDark);
        pen.box(28, 0, 4, 9, c.topDark);
        break;
    case 11:
        groundFill(pen, c, 11);
        break;
    case 12:
        slope(pen, c, true);
        break;
    case 13:
        slope(pen, c, false);
        break;
    case 14:  // grass top with tufts
        groundFill(pen, c, 14);
        topBand(pen, c);
        pen.box(6, 3, 2, 3, c.topDark);
        pen.box(20, 2, 2, 4, c.topDark);
        pen.box(24, 4, 2, 2, c.topDark);
        break;
    case 15:  // ground with stones
        groundFill(pen, c, 15);
        pen.oval(3, 4, 12, 9, c.stoneDark);
        pen.oval(4, 5, 10, 6, c.stone);
        pen.oval(16, 18, 13, 10, c.stoneDark);
        pen.oval(17, 19, 10, 7, c.stone);
        break;
    // ---- row 2
    case 16:  // bricks
        pen.box(0, 0, 32, 32, c.mortar);
        for (int row = 0; row < 4; ++row) {
            const int off = (row % 2) * 8;
            for (int bx = -16 + off; bx < 32; bx += 16) {
                pen.box(bx + 1, row * 8 + 1, 14, 6, c.brick);
                pen.box(bx + 1, row * 8 + 1, 14, 1, c.brick.lighter(125));
            }
        }
        break;
    case 17:  // ? block
        pen.block(QColor(240, 176, 32), QColor(255, 224, 128), QColor(150, 90, 16));
        pen.glyph(11, 7, kGlyphQuestion, 2, QColor(120, 60, 8));
        pen.glyph(10, 6, kGlyphQuestion, 2, QColor(255, 255, 255));
        break;
    case 18:  // used block
        pen.block(QColor(160, 110, 70), QColor(200, 150, 100), QColor(90, 60, 40));
        for (int rx : {5, 25})
            for (int ry : {5, 25})
                pen.box(rx, ry, 2, 2, QColor(90, 60, 40));
        break;
    case 19:
        pen.block(c.stone, c.stoneLight, c.stoneDark);
        pen.line(8, 10, 14, 14, c.stoneDark);
        break;
    case 20:  // ice
        pen.block(QColor(170, 230, 250), QColor(235, 252, 255), QColor(90, 170, 210));
        pen.line(6, 18, 14, 8, QColor(255, 255, 255), 2);
        pen.line(12, 24, 22, 12, QColor(255, 255, 255), 2);
        break;
    case 21:  // falling block
        pen.block(QColor(190, 150, 90), QColor(230, 200, 140), QColor(110, 80, 40));
        pen.poly({{9, 9}, {23, 9}, {16, 17}}, QColor(110, 80, 40));
        pen.poly({{9, 16}, {23, 16}, {16, 24}}, QColor(110, 80, 40));
        break;
    case 22:  // bouncy block
        pen.block(QColor(230, 90, 150), QColor(255, 170, 210), QColor(140, 30, 80));
        for (int i = 0; i < 3; ++i)
            pen.box(7, 9 + i * 6, 18, 3, QColor(255, 255, 255));
        break;
    case 23:  // thin platform
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(0, 0, 32, 10, c.bark);
        pen.box(0, 0, 32, 8, c.wood);
        pen.box(0, 0, 32, 2, c.wood.lighter(120));
        pen.box(15, 0, 2, 8, c.bark);
        break;
    // ---- row 3
    case 24:  // coin
        pen.box(0, 0, 32, 32, c.sky);
        pen.oval(8, 4, 16, 24, QColor(150, 90, 16));
        pen.oval(9, 5, 14, 22, QColor(248, 184, 32));
        pen.box(15, 10, 3, 12, QColor(255, 240, 160));
        break;
    case 25:  // water surface
        pen.box(0, 0, 32, 32, c.water);
        pen.box(0, 0, 32, 6, c.sky);
        for (int wx = 0; wx < 32; wx += 16)
            pen.oval(wx - 2, 2, 12, 8, c.sky);
        pen.box(0, 8, 32, 2, c.waterLight);
        break;
    case 26:  // water
        pen.box(0, 0, 32, 32, c.water);
        pen.box(4, 8, 10, 2, c.waterLight);
        pen.box(18, 22, 10, 2, c.waterLight);
        break;
    case 27:  // lava surface
        pen.box(0, 0, 32, 32, c.lava);
        pen.box(0, 0, 32, 8, c.sky);
        pen.oval(4, 4, 8, 8, c.lava);
        pen.oval(20, 5, 8, 6, c.lava);
        pen.box(0, 9, 32, 2, c.lavaLight);
        break;
    case 28:  // lava
        pen.box(0, 0, 32, 32, c.lava);
        pen.oval(5, 6, 8, 5, c.lavaLight);
        pen.oval(18, 20, 9, 5, c.lavaLight);
        break;
    case 29:  // spikes
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(0, 26, 32, 6, c.stoneDark);
        for (int sx = 0; sx < 32; sx += 8) {
            pen.poly({{qreal(sx), 26}, {sx + 4.0, 8}, {sx + 8.0, 26}}, c.stoneLight);
            pen.poly({{sx + 4.0, 26}, {sx + 4.0, 8}, {sx + 8.0, 26}}, c.stone);
        }
        break;
    case 30:  // vine
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(14, 0, 4, 32, c.leafDark);
        pen.oval(4, 4, 10, 6, c.leaf);
        pen.oval(18, 18, 10, 6, c.leaf);
        break;
    case 31:  // vine top
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(14, 12, 4, 20, c.leafDark);
        pen.oval(8, 2, 16, 14, c.leaf);
        pen.oval(12, 5, 6, 5, c.topLight);
        pen.oval(18, 22, 10, 6, c.leaf);
        break;
    // ---- row 4
    case 32:
        pipePart(pen, c, true, true);
        break;
    case 33:
        pipePart(pen, c, false, true);
        break;
    case 34:
        pipePart(pen, c, true, false);
        break;
    case 35:
        pipePart(pen, c, false, false);
        break;
    case 36:  // rope bridge
        pen.box(0, 0, 32, 32, c.sky);
        pen.line(0, 4, 32, 4, c.bark, 2);
        pen.box(0, 12, 32, 8, c.bark);
        for (int bx = 0; bx < 32; bx += 8)
            pen.box(bx + 1, 12, 6, 6, c.wood);
        pen.line(4, 4, 4, 12, c.bark);
        pen.line(20, 4, 20, 12, c.bark);
        break;
    case 37:  // switch A
        pen.block(QColor(40, 90, 220), QColor(130, 170, 255), QColor(16, 40, 120));
        pen.glyph(11, 9, kGlyphA, 2, QColor(255, 255, 255));
        break;
    case 38:  // switch B
        pen.block(QColor(210, 40, 40), QColor(255, 140, 140), QColor(110, 16, 16));
        pen.glyph(11, 9, kGlyphB, 2, QColor(255, 255, 255));
        break;
    case 39:  // cannon block
        pen.block(QColor(70, 70, 80), QColor(120, 120, 130), QColor(30, 30, 36));
        pen.oval(7, 7, 18, 18, QColor(20, 20, 24));
        pen.oval(11, 11, 10, 10, QColor(50, 50, 60));
        break;
    // ---- row 5: scenery
    case 40:  // tree crown
        pen.box(0, 0, 32, 32, c.sky);
        pen.oval(0, 2, 32, 30, c.leafDark);
        pen.oval(2, 4, 26, 24, c.leaf);
        pen.oval(8, 8, 8, 6, c.topLight);
        pen.box(13, 28, 6, 4, c.bark);
        break;
    case 41:  // tree trunk
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(12, 0, 8, 32, c.bark);
        pen.box(14, 4, 2, 10, c.wood);
        break;
    case 42:  // rock
        pen.box(0, 0, 32, 32, c.sky);
        pen.oval(2, 14, 28, 22, c.stoneDark);
        pen.oval(4, 16, 22, 16, c.stone);
        pen.oval(8, 18, 8, 5, c.stoneLight);
        break;
    case 43:  // torch
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(14, 14, 4, 18, c.bark);
        pen.box(11, 12, 10, 4, c.stoneDark);
        pen.poly({{10, 12}, {16, 0}, {22, 12}}, c.lava);
        pen.poly({{13, 12}, {16, 5}, {19, 12}}, c.lavaLight);
        break;
    case 44:  // column top
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(2, 4, 28, 8, c.stoneDark);
        pen.box(3, 5, 26, 6, c.stoneLight);
        pen.box(7, 12, 18, 20, c.stone);
        pen.box(9, 12, 4, 20, c.stoneLight);
        break;
    case 45:  // column
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(7, 0, 18, 32, c.stone);
        pen.box(9, 0, 4, 32, c.stoneLight);
        pen.box(21, 0, 2, 32, c.stoneDark);
        break;
    case 46:  // grass tuft
        pen.box(0, 0, 32, 32, c.sky);
        for (int i = 0; i < 5; ++i)
            pen.poly({{4.0 + i * 5, 32}, {6.0 + i * 5, 18.0 + (i % 2) * 6}, {8.0 + i * 5, 32}},
                     i % 2 ? c.top : c.topDark);
        break;
    case 47:  // window in a wall
        wallBack(pen, c);
        pen.oval(8, 4, 16, 14, c.mortar);
        pen.box(8, 11, 16, 15, c.mortar);
        pen.oval(10, 6, 12, 10, c.skyHigh);
        pen.box(10, 11, 12, 13, c.skyHigh);
        pen.box(15, 6, 2, 18, c.mortar);
        break;
    // ---- row 6: more background
    case 48:
        pen.box(0, 0, 32, 32, c.skyLow);
        break;
    case 49:
        pen.box(0, 0, 32, 32, c.skyHigh);
        break;
    case 50:  // birds, or bats
        pen.box(0, 0, 32, 32, c.sky);
        for (const QPointF &b : {QPointF(6, 10), QPointF(18, 18)}) {
            pen.line(b.x(), b.y(), b.x() + 3, b.y() + 3, cave ? c.cloud : c.bark);
            pen.line(b.x() + 3, b.y() + 3, b.x() + 6, b.y(), cave ? c.cloud : c.bark);
        }
        break;
    case 51:  // deep water behind things
        pen.box(0, 0, 32, 32, c.water.darker(140));
        pen.oval(20, 6, 5, 5, c.waterLight);
        pen.oval(8, 20, 4, 4, c.waterLight);
        break;
    case 52:
        wallBack(pen, c);
        break;
    case 53:  // chain on a wall
        wallBack(pen, c);
        for (int cy = 0; cy < 32; cy += 8) {
            pen.oval(12, cy, 8, 10, c.stoneLight);
            pen.oval(14, cy + 2, 4, 6, c.wallDark);
        }
        break;
    case 54:  // doorway arch
        wallBack(pen, c);
        pen.oval(4, 4, 24, 24, QColor(16, 12, 12));
        pen.box(4, 16, 24, 16, QColor(16, 12, 12));
        break;
    case 55:  // banner
        wallBack(pen, c);
        pen.box(6, 2, 20, 2, c.bark);
        pen.poly({{8, 4}, {24, 4}, {24, 28}, {16, 22}, {8, 28}}, QColor(180, 30, 40));
        pen.box(14, 8, 4, 8, QColor(250, 210, 80));
        break;
    // ---- row 7
    case 56:  // deep ground
        pen.box(0, 0, 32, 32, c.groundDark);
        speckle(pen, 56, 6, c.ground);
        break;
    case 57:  // small cloud
        pen.box(0, 0, 32, 32, c.sky);
        if (!cave) {
            pen.oval(4, 12, 24, 10, c.cloud);
            pen.oval(10, 6, 12, 10, c.cloud);
        }
        break;
    case 58:  // fungus
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(13, 18, 6, 14, QColor(240, 230, 200));
        pen.oval(4, 8, 24, 14, cave ? c.topDark : QColor(200, 60, 40));
        pen.oval(9, 11, 4, 3, QColor(255, 255, 255));
        pen.oval(19, 10, 4, 3, QColor(255, 255, 255));
        break;
    case 59:  // starry sky
        pen.box(0, 0, 32, 32, c.skyHigh.darker(180));
        for (const QPoint &s : {QPoint(5, 6), QPoint(20, 3), QPoint(13, 17), QPoint(27, 22),
                                QPoint(6, 27)})
            pen.box(s.x(), s.y(), 2, 2, QColor(255, 255, 220));
        break;
    case 60:  // moon
        pen.box(0, 0, 32, 32, c.skyHigh.darker(180));
        pen.oval(6, 6, 20, 20, QColor(250, 240, 200));
        pen.oval(12, 4, 18, 18, c.skyHigh.darker(180));
        break;
    case 61:  // sand
        pen.box(0, 0, 32, 32, QColor(232, 208, 140));
        speckle(pen, 61, 8, QColor(200, 170, 100));
        break;
    case 62:  // grassy ledge, solid on top
        pen.box(0, 0, 32, 32, c.sky);
        pen.box(0, 0, 32, 12, c.ground);
        pen.box(0, 0, 32, 6, c.top);
        pen.box(0, 0, 32, 2, c.topLight);
        pen.box(0, 12, 32, 2, c.groundDark);
        break;
    case 63:  // crate
        pen.block(c.wood, c.wood.lighter(120), c.bark);
        pen.line(3, 3, 28, 28, c.bark, 3);
        pen.line(28, 3, 3, 28, c.bark, 3);
        break;
    default:
        pen.box(0, 0, 32, 32, c.sky);
        break;
    }
}

QColor mix(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

// A smooth closed outline through the midpoints of the given corners.
QPainterPath blob(const QList<QPointF> &corners)
{
    QPainterPath path;
    const qsizetype n = corners.size();
    const auto mid = [&](qsizetype i) {
        return (corners[i % n] + corners[(i + 1) % n]) / 2;
    };
    path.moveTo(mid(0));
    for (qsizetype i = 1; i <= n; ++i)
        path.quadTo(corners[i % n], mid(i));
    path.closeSubpath();
    return path;
}

const QColor kSea(40, 100, 200);
const QColor kSeaLight(100, 160, 240);
const QColor kSand(232, 208, 140);
const QColor kIsland(88, 176, 72);
const QColor kHill(56, 140, 56);
const QColor kHillLight(120, 200, 96);
const QColor kPath(236, 212, 150);
const QColor kPathEdge(150, 100, 50);
const QColor kTreeDark(24, 96, 40);

} // namespace

QImage drawTileset(Theme theme)
{
    const Palette c = paletteFor(theme);
    QImage img(kTileCols * kTile, kTileRows * kTile, QImage::Format_RGB32);
    img.fill(c.sky);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < kTileRows; ++y)
        for (int x = 0; x < kTileCols; ++x) {
            p.save();
            p.translate(x * kTile, y * kTile);
            p.setClipRect(0, 0, kTile, kTile);
            Pen pen(p);
            drawTile(pen, c, theme, x, y);
            p.restore();
        }
    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

quint8 tileValue(TilePos pos)
{
    constexpr quint8 A = 128;  // animated
    static constexpr std::array<std::array<quint8, kTileCols>, kTileRows> kValues = {{
        {0, 0, 0, 0, 0, 0, 0, 0},
        {1, 1, 1, 1, 14, 13, 1, 1},
        {6, 7, 1, 1, 4, 12, 11, 10},
        {5 + A, 3 + A, 3 + A, 2 + A, 2 + A, 9, 8, 8},
        {1, 1, 1, 1, 10, 1, 1, 1},
        {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0},
        {1, 0, 0, 0, 0, 1, 10, 1},
    }};
    if (pos.x < 0 || pos.x >= kTileCols || pos.y < 0 || pos.y >= kTileRows)
        return 0;
    return kValues[pos.y][pos.x];
}

QImage drawWorldMap(const QList<QLine> &paths)
{
    // Hard edges and a handful of colours: the GIF keeps every pixel exactly.
    QImage img(640, 480, QImage::Format_RGB32);
    img.fill(kSea);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);

    const QPainterPath island = blob({{50, 300}, {60, 150}, {170, 80}, {330, 60}, {470, 55},
                                      {600, 100}, {615, 260}, {590, 420}, {430, 450},
                                      {250, 455}, {80, 430}});
    const QPainterPath islet = blob({{24, 36}, {70, 24}, {98, 44}, {66, 66}, {28, 60}});

    // waves on the open sea
    quint32 s = 12345;
    for (int i = 0; i < 90; ++i) {
        s = s * 1103515245u + 12345u;
        const int x = static_cast<int>((s >> 8) % 620);
        s = s * 1103515245u + 12345u;
        const int y = static_cast<int>((s >> 8) % 470);
        const QRectF around(x - 12, y - 12, 36, 24);
        if (island.intersects(around) || islet.intersects(around))
            continue;
        p.setPen(QPen(kSeaLight, 2));
        p.drawLine(x, y, x + 5, y - 3);
        p.drawLine(x + 5, y - 3, x + 10, y);
        p.drawLine(x + 10, y, x + 15, y - 3);
    }

    p.setPen(QPen(kSand, 28, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kIsland);
    p.drawPath(island);
    p.drawPath(islet);
    p.setPen(Qt::NoPen);
    p.drawPath(island);
    p.drawPath(islet);

    // hills and trees away from the paths
    const QList<QPoint> hills = {{150, 200}, {330, 340}, {470, 390}, {570, 200}, {300, 130}};
    for (const QPoint &h : hills) {
        // two humps with a dark rim, cut flat where they meet the grass
        p.setBrush(kTreeDark);
        p.drawEllipse(QRect(h.x() - 38, h.y() - 20, 48, 44));
        p.drawEllipse(QRect(h.x() - 10, h.y() - 10, 48, 34));
        p.setBrush(kHill);
        p.drawEllipse(QRect(h.x() - 36, h.y() - 18, 44, 40));
        p.drawEllipse(QRect(h.x() - 8, h.y() - 8, 44, 30));
        p.setBrush(kHillLight);
        p.drawEllipse(QRect(h.x() - 26, h.y() - 12, 18, 8));
        p.drawEllipse(QRect(h.x() + 4, h.y() - 3, 14, 6));
        p.setBrush(kIsland);
        p.drawRect(QRect(h.x() - 40, h.y() + 14, 80, 14));
        p.setBrush(kTreeDark);
        p.drawRect(QRect(h.x() - 36, h.y() + 13, 72, 2));
    }
    const QList<QPoint> trees = {{90, 280}, {105, 300}, {180, 440 - 20}, {420, 100},
                                 {440, 115}, {600, 330}, {585, 350}, {340, 420}, {200, 100}};
    for (const QPoint &t : trees) {
        p.setBrush(QColor(110, 70, 30));
        p.drawRect(QRect(t.x() - 2, t.y() + 4, 4, 8));
        p.setBrush(kTreeDark);
        p.drawEllipse(QRect(t.x() - 9, t.y() - 12, 18, 18));
    }

    // the roads between the nodes: a dark edge, then the light surface
    for (const auto &[colour, width] : {std::pair{kPathEdge, 16}, std::pair{kPath, 11}}) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const QLine &l : paths)
            p.drawLine(l);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kPathEdge);
    for (const QLine &l : paths) {
        const int steps = std::max(1, static_cast<int>(std::hypot(l.dx(), l.dy()) / 16));
        for (int i = 1; i < steps; ++i) {
            const QPointF at = QPointF(l.p1()) + QPointF(l.dx(), l.dy()) * (qreal(i) / steps);
            p.drawRect(QRectF(at.x() - 1, at.y() - 1, 3, 3));
        }
    }
    p.end();
    return img;
}

QImage drawMapObjects()
{
    QImage img(8 * 32, 32, QImage::Format_RGB32);
    img.fill(kIsland);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    Pen pen(p);
    const QColor ink(32, 20, 16);
    const auto cell = [&](int k) {
        p.resetTransform();
        p.translate((k - 1) * 32, 0);
    };

    cell(1);  // level dot
    pen.oval(6, 6, 20, 20, ink);
    pen.oval(8, 8, 16, 16, QColor(255, 255, 255));
    pen.oval(10, 10, 12, 12, QColor(220, 40, 40));

    cell(2);  // castle
    pen.box(4, 12, 24, 18, ink);
    pen.box(5, 13, 22, 16, QColor(190, 190, 200));
    for (int tx : {3, 13, 23}) {
        pen.box(tx, 6, 7, 10, ink);
        pen.box(tx + 1, 7, 5, 8, QColor(210, 210, 220));
    }
    pen.box(14, 20, 5, 10, ink);
    pen.line(16, 1, 16, 6, ink);
    pen.poly({{17, 1}, {23, 3}, {17, 5}}, QColor(220, 40, 40));

    cell(3);  // pipe
    pen.box(6, 8, 20, 8, ink);
    pen.box(7, 9, 18, 6, QColor(48, 176, 72));
    pen.box(9, 15, 14, 13, ink);
    pen.box(10, 15, 12, 12, QColor(48, 176, 72));
    pen.box(12, 15, 3, 12, QColor(144, 232, 144));
    pen.box(9, 9, 3, 6, QColor(144, 232, 144));

    cell(4);  // save house
    pen.poly({{3, 15}, {16, 3}, {29, 15}}, ink);
    pen.poly({{6, 14}, {16, 5}, {26, 14}}, QColor(210, 50, 40));
    pen.box(6, 14, 20, 15, ink);
    pen.box(7, 15, 18, 13, QColor(250, 235, 200));
    pen.box(14, 19, 5, 9, QColor(130, 80, 40));
    pen.box(8, 17, 4, 4, QColor(120, 190, 250));

    cell(5);  // star
    {
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const qreal r = i % 2 ? 5.5 : 13;
            const qreal a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
            star << QPointF(16 + r * std::cos(a), 17 + r * std::sin(a));
        }
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(255, 220, 60));
        p.drawPolygon(star);
    }

    cell(6);  // cleared level dot
    pen.oval(6, 6, 20, 20, ink);
    pen.oval(8, 8, 16, 16, QColor(255, 255, 255));
    pen.oval(10, 10, 12, 12, QColor(40, 90, 220));

    cell(7);  // tower
    pen.box(9, 6, 14, 24, ink);
    pen.box(10, 7, 12, 22, QColor(160, 110, 70));
    pen.box(7, 3, 18, 6, ink);
    pen.box(8, 4, 16, 4, QColor(200, 150, 100));
    pen.box(14, 12, 4, 6, ink);
    pen.box(14, 22, 4, 8, ink);

    cell(8);  // boat on a little water
    pen.oval(2, 18, 28, 12, kSea);
    pen.poly({{5, 20}, {27, 20}, {23, 26}, {9, 26}}, QColor(130, 80, 40));
    pen.box(15, 5, 2, 15, ink);
    pen.poly({{17, 6}, {26, 17}, {17, 17}}, QColor(255, 255, 255));
    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

QImage drawHillsBackdrop()
{
    QImage img(320, 240, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient sky(0, 0, 0, 240);
    sky.setColorAt(0, QColor(70, 140, 235));
    sky.setColorAt(0.7, QColor(175, 220, 255));
    p.fillRect(img.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    for (const QPointF &at : {QPointF(30, 28), QPointF(200, 48)}) {
        p.drawRoundedRect(QRectF(at.x(), at.y() + 10, 70, 14), 7, 7);
        p.drawEllipse(QRectF(at.x() + 8, at.y() + 2, 24, 22));
        p.drawEllipse(QRectF(at.x() + 26, at.y() - 6, 28, 28));
        p.drawEllipse(QRectF(at.x() + 46, at.y() + 4, 18, 18));
    }
    p.setBrush(QColor(140, 190, 170));
    p.drawEllipse(QRectF(-60, 130, 260, 200));
    p.drawEllipse(QRectF(150, 110, 260, 220));
    p.setBrush(QColor(80, 170, 90));
    p.drawEllipse(QRectF(-40, 170, 200, 160));
    p.drawEllipse(QRectF(120, 180, 240, 150));
    p.setBrush(QColor(50, 140, 60));
    p.drawRect(QRectF(0, 222, 320, 18));
    p.end();
    return img.convertToFormat(QImage::Format_RGB888);
}

QImage drawSunsetBackdrop()
{
    QImage img(320, 240, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    // banded sky keeps the colour count far below the GIF limit
    const QColor top(60, 30, 110), middle(230, 90, 80), low(255, 190, 90);
    constexpr int kBands = 40;
    for (int i = 0; i < kBands; ++i) {
        const qreal t = qreal(i) / (kBands - 1);
        const QColor c = t < 0.6 ? mix(top, middle, t / 0.6) : mix(middle, low, (t - 0.6) / 0.4);
        p.fillRect(QRect(0, i * 4, 320, 4), c);
    }
    p.fillRect(QRect(0, 160, 320, 80), low);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 170));
    p.drawEllipse(QRect(190, 110, 70, 70));
    p.setBrush(QColor(90, 40, 90));
    p.drawPolygon(QPolygon({QPoint(0, 240), QPoint(0, 150), QPoint(50, 110), QPoint(100, 150),
                            QPoint(150, 120), QPoint(230, 170), QPoint(280, 130),
                            QPoint(320, 150), QPoint(320, 240)}));
    p.setBrush(QColor(45, 20, 50));
    p.drawPolygon(QPolygon({QPoint(0, 240), QPoint(0, 200), QPoint(80, 175), QPoint(160, 205),
                            QPoint(250, 180), QPoint(320, 200), QPoint(320, 240)}));
    p.end();
    return img;
}

QImage drawEnemyGraphic(int figure, int frames, int scale, Daylight light)
{
    const int side = tessaforge::kTagSheetCell * scale;
    QImage img(side * frames, side, QImage::Format_RGB32);
    img.fill(kKeyColour);
    QPainter p(&img);
    for (int f = 0; f < frames; ++f) {
        p.save();
        // the second frame bobs up a little: enough for a walking or swimming cycle
        p.translate(f * side, f % 2 ? -scale : 0);
        p.scale(scale, scale);
        tessaforge::drawEnemyFigure(p, figure);
        p.restore();
    }
    p.end();
    if (light == Daylight::Night) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                if (c == kKeyColour)
                    continue;
                img.setPixel(x, y, qRgb(qRed(c) * 5 / 10, qGreen(c) * 6 / 10,
                                        std::min(255, qBlue(c) * 8 / 10 + 40)));
            }
    }
    return img.convertToFormat(QImage::Format_RGB888);
}

} // namespace demo
