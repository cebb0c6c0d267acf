#pragma once

// What the tag sheet's drawing shares: its colours, its 3 x 5 pixel face and the primitives
// that draw into a 16 x 16 cell.

#include <QColor>
#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <initializer_list>
#include <numbers>

namespace tessaforge::tagsheet {

// Small pictures stay readable only with hard edges and a dark outline on every shape.
inline const QColor kInk(32, 20, 16);
inline const QColor kWhite(255, 255, 255);
inline const QColor kBlack(16, 16, 24);
inline const QColor kFiller(128, 128, 128);
inline const QColor kTagGround(248, 216, 80);
inline const QColor kEnemyGround(208, 64, 56);
inline const QColor kCross(220, 0, 0);
inline const QColor kGold(240, 168, 16);
inline const QColor kGoldLight(255, 232, 120);
inline const QColor kSilver(192, 196, 208);
inline const QColor kRed(230, 32, 32);
inline const QColor kGreen(40, 168, 56);
inline const QColor kDarkGreen(16, 104, 40);
inline const QColor kBlue(40, 88, 216);
inline const QColor kSkin(248, 216, 168);
inline const QColor kBrown(150, 84, 40);
inline const QColor kGrey(150, 150, 160);
inline const QColor kOrange(248, 128, 24);
inline const QColor kPurple(144, 64, 192);
inline const QColor kRoyal(110, 60, 150);

// A 3 x 5 pixel face for the few characters the sheet writes: each row is three bits,
// the high bit on the left.
struct Glyph
{
    char ch;
    quint8 rows[5];
};
inline constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}},
    {'3', {7, 1, 3, 1, 7}}, {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}},
    {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 2, 2, 2}}, {'8', {7, 5, 7, 5, 7}},
    {'9', {7, 5, 7, 1, 7}}, {'B', {6, 5, 6, 5, 6}}, {'O', {2, 5, 5, 5, 2}},
    {'S', {3, 4, 2, 1, 6}},
};

inline const Glyph *glyphFor(char ch)
{
    for (const Glyph &g : kGlyphs)
        if (g.ch == ch)
            return &g;
    return nullptr;
}

// Drawing primitives in the 16 x 16 box. A shape's box is its full extent, outline included.
class Art
{
public:
    explicit Art(QPainter &p) : m_p(p) {}

    void box(qreal x, qreal y, qreal w, qreal h, const QColor &c)
    {
        m_p.fillRect(QRectF(x, y, w, h), c);
    }
    void dot(qreal x, qreal y, const QColor &c) { box(x, y, 1, 1, c); }

    void rect(qreal x, qreal y, qreal w, qreal h, const QColor &fill, const QColor &edge = kInk)
    {
        box(x, y, w, h, edge);
        box(x + 1, y + 1, w - 2, h - 2, fill);
    }

    void oval(qreal x, qreal y, qreal w, qreal h, const QColor &fill, const QColor &edge = kInk)
    {
        flatOval(x, y, w, h, edge);
        flatOval(x + 1, y + 1, w - 2, h - 2, fill);
    }
    void flatOval(qreal x, qreal y, qreal w, qreal h, const QColor &c)
    {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(c);
        m_p.drawEllipse(QRectF(x, y, w, h));
    }

    void poly(std::initializer_list<QPointF> pts, const QColor &fill, const QColor &edge = kInk)
    {
        poly(QPolygonF(pts), fill, edge);
    }
    void poly(const QPolygonF &shape, const QColor &fill, const QColor &edge = kInk)
    {
        QPen pen(edge, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        pen.setCosmetic(false);
        m_p.setPen(pen);
        m_p.setBrush(fill);
        m_p.drawPolygon(shape);
    }
    void flatPoly(std::initializer_list<QPointF> pts, const QColor &c)
    {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(c);
        m_p.drawPolygon(QPolygonF(pts));
    }

    void line(qreal x1, qreal y1, qreal x2, qreal y2, const QColor &c, qreal width = 1.0)
    {
        QPen pen(c, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        pen.setCosmetic(false);
        m_p.setPen(pen);
        m_p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    }

    // A star of n points around (cx, cy).
    static QPolygonF star(qreal cx, qreal cy, qreal outer, qreal inner, int n, qreal turn = 0)
    {
        QPolygonF shape;
        for (int i = 0; i < 2 * n; ++i) {
            const qreal r = (i % 2 == 0) ? outer : inner;
            const qreal a = turn - std::numbers::pi / 2 + i * std::numbers::pi / n;
            shape << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
        }
        return shape;
    }

    // Text in the 3 x 5 face, each pixel sx wide and sy tall, one pixel column between
    // characters.
    void text(qreal x, qreal y, const char *s, const QColor &c, qreal sx = 1, qreal sy = 1)
    {
        for (; *s; ++s, x += 4 * sx) {
            const Glyph *g = glyphFor(*s);
            if (!g)
                continue;
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (g->rows[row] & (4 >> col))
                        box(x + col * sx, y + row * sy, sx, sy, c);
        }
    }
    static qreal textWidth(const char *s, qreal sx = 1)
    {
        const qreal n = static_cast<qreal>(std::strlen(s));
        return n > 0 ? (4 * n - 1) * sx : 0;
    }

private:
    QPainter &m_p;
};

inline void redCross(Art &a)
{
    // White under the red keeps the cross visible on the red enemy ground too.
    a.line(3, 3, 12, 12, kWhite, 4);
    a.line(12, 3, 3, 12, kWhite, 4);
    a.line(3, 3, 12, 12, kCross, 2);
    a.line(12, 3, 3, 12, kCross, 2);
}

inline void eyes(Art &a, qreal x1, qreal x2, qreal y, qreal h = 3)
{
    a.box(x1, y, 2, h, kWhite);
    a.box(x2, y, 2, h, kWhite);
    a.box(x1 + 1, y + 1, 1, h - 1, kBlack);
    a.box(x2 + 1, y + 1, 1, h - 1, kBlack);
}

// The tag column: items (values 1 to 99, and the markers above).
void drawItem(Art &a, int value);
void drawMarker(Art &a, int number);
// The enemy column.
void drawCreature(Art &a, int value);
void drawBossCell(Art &a);

} // namespace tessaforge::tagsheet
