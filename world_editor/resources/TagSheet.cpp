#include "resources/TagSheet.h"

#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <numbers>

namespace tessaforge {

namespace {

// Small pictures stay readable only with hard edges and a dark outline on every shape.
const QColor kInk(32, 20, 16);
const QColor kWhite(255, 255, 255);
const QColor kBlack(16, 16, 24);
const QColor kFiller(128, 128, 128);
const QColor kTagGround(248, 216, 80);
const QColor kEnemyGround(208, 64, 56);
const QColor kCross(220, 0, 0);
const QColor kGold(240, 168, 16);
const QColor kGoldLight(255, 232, 120);
const QColor kSilver(192, 196, 208);
const QColor kRed(230, 32, 32);
const QColor kGreen(40, 168, 56);
const QColor kDarkGreen(16, 104, 40);
const QColor kBlue(40, 88, 216);
const QColor kSkin(248, 216, 168);
const QColor kBrown(150, 84, 40);
const QColor kGrey(150, 150, 160);
const QColor kOrange(248, 128, 24);
const QColor kPurple(144, 64, 192);
const QColor kRoyal(110, 60, 150);

// A 3 x 5 pixel face for the few characters the sheet writes: each row is three bits,
// the high bit on the left.
struct Glyph
{
    char ch;
    quint8 rows[5];
};
constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}},
    {'3', {7, 1, 3, 1, 7}}, {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}},
    {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 2, 2, 2}}, {'8', {7, 5, 7, 5, 7}},
    {'9', {7, 5, 7, 1, 7}}, {'B', {6, 5, 6, 5, 6}}, {'O', {2, 5, 5, 5, 2}},
    {'S', {3, 4, 2, 1, 6}},
};

const Glyph *glyphFor(char ch)
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

void redCross(Art &a)
{
    // White under the red keeps the cross visible on the red enemy ground too.
    a.line(3, 3, 12, 12, kWhite, 4);
    a.line(12, 3, 3, 12, kWhite, 4);
    a.line(3, 3, 12, 12, kCross, 2);
    a.line(12, 3, 3, 12, kCross, 2);
}

void eyes(Art &a, qreal x1, qreal x2, qreal y, qreal h = 3)
{
    a.box(x1, y, 2, h, kWhite);
    a.box(x2, y, 2, h, kWhite);
    a.box(x1 + 1, y + 1, 1, h - 1, kBlack);
    a.box(x2 + 1, y + 1, 1, h - 1, kBlack);
}

// ---- tag column: items ------------------------------------------------------------------

void drawItem(Art &a, int value)
{
    switch (value) {
    case 1:  // coin
        a.oval(3, 1, 10, 14, kGold);
        a.box(7, 4, 2, 8, kGoldLight);
        break;
    case 2:  // key
        a.oval(1, 3, 8, 8, kSilver);
        a.flatOval(3.5, 5.5, 3, 3, kTagGround);
        a.rect(8, 5, 7, 3, kSilver);
        a.box(10, 8, 2, 3, kInk);
        a.box(13, 8, 2, 4, kInk);
        break;
    case 3:  // star
        a.poly(Art::star(8, 8.5, 7.5, 3.2, 5), kGoldLight);
        a.box(7, 5, 2, 4, kWhite);
        break;
    case 4:  // power mushroom: a tall striped cap
        a.rect(5, 9, 6, 7, kSkin);
        a.poly({{1, 11}, {3, 4}, {8, 0.5}, {13, 4}, {15, 11}}, QColor(32, 176, 168));
        a.box(3, 7, 10, 2, kGoldLight);
        a.box(7, 3, 2, 2, kGoldLight);
        a.box(6, 12, 1, 2, kBlack);
        a.box(9, 12, 1, 2, kBlack);
        break;
    case 5:  // heart
        a.oval(1, 2, 8, 8, kRed);
        a.oval(7, 2, 8, 8, kRed);
        a.poly({{1.5, 7}, {14.5, 7}, {8, 14.5}}, kRed);
        a.box(2, 6, 12, 2, kRed);
        a.box(3, 4, 2, 2, kWhite);
        break;
    case 6:  // gem
        a.poly({{4, 2}, {12, 2}, {15, 6}, {8, 14}, {1, 6}}, QColor(48, 200, 240));
        a.line(2, 6, 14, 6, QColor(160, 240, 255));
        a.line(5, 6, 8, 12, QColor(24, 140, 200));
        a.line(11, 6, 8, 12, QColor(24, 140, 200));
        a.box(5, 3, 2, 2, kWhite);
        break;
    case 7:  // flag
        a.box(3, 1, 2, 14, kInk);
        a.poly({{5, 2}, {14, 5}, {5, 8}}, kGreen);
        a.box(1, 14, 6, 2, kInk);
        break;
    case 24:  // door
        a.oval(3, 1, 10, 8, kBrown);
        a.rect(3, 5, 10, 11, kBrown);
        a.box(4, 5, 8, 1, kBrown);
        a.box(6, 3, 1, 12, QColor(110, 60, 24));
        a.box(9, 3, 1, 12, QColor(110, 60, 24));
        a.box(10, 9, 2, 2, kGoldLight);
        break;
    case 25:  // spring
        a.rect(2, 1, 12, 3, kRed);
        a.line(4, 5, 11, 6, kGrey, 1.5);
        a.line(11, 6, 4, 8, kGrey, 1.5);
        a.line(4, 8, 11, 10, kGrey, 1.5);
        a.line(11, 10, 4, 12, kGrey, 1.5);
        a.rect(2, 12, 12, 3, kGrey);
        break;
    case 26:  // daisy
        a.box(7, 9, 2, 7, kDarkGreen);
        a.oval(2, 11, 5, 4, kGreen);
        a.poly(Art::star(8, 5.5, 5.5, 3, 8), kWhite);
        a.oval(5, 2.5, 6, 6, kOrange);
        break;
    case 27:  // feather
        a.poly({{13, 1}, {15, 3}, {8, 12}, {3, 14}, {4, 10}}, kWhite);
        a.line(3, 14, 13, 3, kGrey);
        break;
    case 28:  // clock
        a.oval(1, 1, 14, 14, kWhite, kBlue);
        a.line(8, 8, 8, 4, kBlack);
        a.line(8, 8, 11, 8, kBlack);
        a.dot(7.5, 2.5, kBlue);
        a.dot(7.5, 12.5, kBlue);
        a.dot(2.5, 7.5, kBlue);
        a.dot(12.5, 7.5, kBlue);
        break;
    case 29:  // bomb
        a.line(10, 4, 12, 2, kBrown, 1.5);
        a.poly(Art::star(13, 2, 2.5, 1, 4), kOrange, kRed);
        a.oval(1, 4, 12, 12, QColor(40, 40, 56));
        a.box(4, 7, 2, 2, kWhite);
        break;
    case 30:  // leaf
        a.poly({{2, 14}, {3, 6}, {8, 2}, {14, 1}, {13, 8}, {9, 12}}, kGreen);
        a.line(3, 13, 12, 3, kDarkGreen);
        break;
    case 31:  // potion
        a.rect(6, 1, 4, 3, kBrown);
        a.rect(6, 3, 4, 3, QColor(220, 230, 240));
        a.oval(2, 5, 12, 11, kPurple);
        a.box(4, 8, 2, 3, kWhite);
        break;
    case 32:  // shield
        a.poly({{2, 1.5}, {14, 1.5}, {14, 8}, {8, 14.5}, {2, 8}}, kBlue);
        a.box(7, 3, 2, 9, kGoldLight);
        a.box(4, 6, 8, 2, kGoldLight);
        break;
    case 33:  // ring
        a.oval(3, 5, 11, 11, kGold);
        a.oval(5.5, 7.5, 6, 6, kTagGround);
        a.poly({{6, 3}, {8.5, 0.5}, {11, 3}, {8.5, 5.5}}, kRed);
        break;
    case 34:  // lightning bolt
        a.poly({{9, 0.5}, {3, 9}, {7, 9}, {5, 15.5}, {13, 6}, {9, 6}, {11.5, 0.5}}, kWhite);
        break;
    case 35:  // crown
        a.poly({{1, 13}, {1, 4}, {5, 8}, {8, 2}, {11, 8}, {15, 4}, {15, 13}}, kGold);
        a.box(2, 10, 12, 1, kInk);
        a.box(4, 11, 2, 1, kRed);
        a.box(10, 11, 2, 1, kBlue);
        break;
    case 36:  // bell
        a.poly({{3, 12}, {4, 5}, {8, 1.5}, {12, 5}, {13, 12}}, kGold);
        a.rect(1, 11, 14, 3, kGold);
        a.oval(6.5, 12.5, 3, 3, kBrown);
        a.box(5, 4, 1, 5, kGoldLight);
        break;
    case 37:  // music note
        a.oval(2, 10, 7, 5, kBlack, kBlack);
        a.box(7, 2, 2, 11, kBlack);
        a.poly({{8, 2}, {14, 5}, {14, 8}, {9, 5}}, kBlack, kBlack);
        break;
    default:
        break;
    }
}

void drawMarker(Art &a, int number)
{
    a.rect(1, 1, 14, 14, kBlue, QColor(16, 32, 96));
    char digits[4] = {};
    std::snprintf(digits, sizeof digits, "%d", number);
    // one digit at double size; two digits narrow but still tall
    const qreal sx = number < 10 ? 2 : 1;
    const qreal w = Art::textWidth(digits, sx);
    a.text(std::floor((16 - w) / 2), 3, digits, kWhite, sx, 2);
}

// ---- enemy column ------------------------------------------------------------------------

// A round, horned plodder: the commonest enemy.
void walker(Art &a, const QColor &body)
{
    a.oval(2, 12, 5, 4, kInk, kInk);
    a.oval(9, 12, 5, 4, kInk, kInk);
    a.poly({{2, 5}, {1, 0.5}, {6, 3}}, kSkin);
    a.poly({{14, 5}, {15, 0.5}, {10, 3}}, kSkin);
    a.oval(1, 2, 14, 12, body);
    a.flatOval(4, 9, 8, 4, QColor(body).lighter(140));
    eyes(a, 5, 9, 5);
    a.box(6, 11, 4, 1, kInk);
}

void shellback(Art &a, const QColor &shell)
{
    a.oval(3, 11, 4, 4, kSkin);
    a.oval(8, 11, 4, 4, kSkin);
    a.oval(10, 2, 6, 7, kSkin);
    a.box(13, 4, 2, 2, kBlack);
    a.oval(1, 4, 11, 9, shell);
    a.line(3, 8, 9, 8, kWhite);
    a.line(6, 5, 6, 11, kWhite);
}

void fish(Art &a, const QColor &body, const QColor &fin)
{
    a.poly({{1, 3}, {5, 8}, {1, 13}}, fin);
    a.oval(3, 3, 12, 10, body);
    a.poly({{8, 3}, {11, 0.5}, {12, 4}}, fin);
    a.box(10, 6, 2, 2, kWhite);
    a.dot(11, 7, kBlack);
    a.line(13, 10, 14, 10, kInk);
}

void bossKing(Art &a)
{
    walker(a, kRoyal);
    a.poly({{4, 4}, {4, 0.5}, {6, 2}, {8, 0.5}, {10, 2}, {12, 0.5}, {12, 4}}, kGold);
}

void drawCreature(Art &a, int value)
{
    switch (value) {
    case 1:  // walker
        walker(a, kBrown);
        break;
    case 2:  // gnashing plant: two jaws open to the right
        a.box(3, 10, 2, 6, kDarkGreen);
        a.oval(5, 12, 5, 3, kGreen);
        a.poly({{1, 7}, {4, 1}, {13, 1}, {15, 5}, {7, 6}}, kGreen);
        a.poly({{1, 8}, {7, 9}, {15, 10}, {12, 13}, {4, 13}}, kGreen);
        a.flatPoly({{5, 6.5}, {14, 5.5}, {14, 9.5}, {5, 8.5}}, QColor(160, 16, 48));
        for (int x : {7, 10, 13}) {
            a.dot(x, 6, kWhite);
            a.dot(x - 1, 9, kWhite);
        }
        a.box(6, 3, 2, 2, kGoldLight);
        break;
    case 3:  // hardback beetle
        for (int x : {3, 6, 9})
            a.line(x, 11, x - 1, 15, kBlack);
        a.oval(10, 5, 6, 7, kGrey);
        a.box(13, 7, 2, 2, kWhite);
        a.oval(0, 3, 13, 10, QColor(48, 56, 130));
        a.line(3, 5, 8, 5, QColor(120, 130, 220));
        break;
    case 4:  // green shellback
        shellback(a, kGreen);
        break;
    case 5:  // red shellback
        shellback(a, kRed);
        break;
    case 6:  // waddle penguin
        a.oval(3, 13, 4, 3, kOrange);
        a.oval(9, 13, 4, 3, kOrange);
        a.oval(2, 1, 12, 14, kBlack, kBlack);
        a.flatOval(4, 5, 8, 9, kWhite);
        a.box(5, 3, 2, 2, kWhite);
        a.box(9, 3, 2, 2, kWhite);
        a.poly({{6, 6}, {10, 6}, {8, 8}}, kOrange);
        break;
    case 7:  // prickler
        a.poly(Art::star(8, 8, 7.5, 4, 8), kWhite);
        a.oval(3, 3, 10, 10, kPurple);
        eyes(a, 5, 9, 6);
        break;
    case 8:  // little wisp
        a.poly({{8, 0.5}, {13, 7}, {13, 11}, {11, 14.5}, {5, 14.5}, {3, 11}, {3, 7}},
               QColor(150, 230, 255));
        a.flatOval(5, 8, 6, 6, kWhite);
        a.box(6, 9, 1, 2, kBlack);
        a.box(9, 9, 1, 2, kBlack);
        break;
    case 9:  // orbitflame
        a.oval(0, 12, 4, 4, kOrange);
        a.oval(3, 9, 4, 4, kOrange);
        a.oval(5, 1, 10, 10, kOrange);
        a.flatOval(7, 3, 6, 6, kGoldLight);
        break;
    case 10:  // magma spark
        a.poly(Art::star(8, 8, 7.5, 3, 8, 0.2), kGoldLight, kOrange);
        a.flatOval(6, 6, 4, 4, kWhite);
        break;
    case 11:  // crushstone: a heavy boulder
        a.poly({{1, 14}, {0.5, 7}, {3, 2}, {9, 0.5}, {14, 3}, {15.5, 9}, {14, 14.5}}, kGrey);
        a.line(9, 1, 8, 4, kInk);
        a.line(1, 9, 3, 10, kInk);
        a.line(4, 5, 6, 6, kInk);
        a.line(12, 5, 10, 6, kInk);
        a.box(4, 7, 2, 2, kGoldLight);
        a.box(10, 7, 2, 2, kGoldLight);
        a.box(5, 11, 6, 1, kInk);
        break;
    case 12:  // rattle bones
        a.oval(2, 1, 12, 10, kWhite);
        a.rect(4, 9, 8, 5, kWhite);
        a.oval(4, 4, 3, 4, kBlack, kBlack);
        a.oval(9, 4, 3, 4, kBlack, kBlack);
        a.box(7, 8, 2, 1, kBlack);
        a.box(6, 11, 1, 3, kInk);
        a.box(9, 11, 1, 3, kInk);
        break;
    case 13:  // moving platform
        a.rect(0, 5, 16, 5, kBrown);
        a.box(2, 7, 1, 1, kGoldLight);
        a.box(13, 7, 1, 1, kGoldLight);
        a.line(4, 11, 12, 11, kWhite);
        a.poly({{12, 10}, {15, 11.5}, {12, 13}}, kWhite);
        break;
    case 14:  // quake button
        a.rect(1, 10, 14, 5, kGrey);
        a.oval(3, 5, 10, 8, kBlue);
        a.box(7, 6, 2, 3, kWhite);
        a.box(7, 10, 2, 1, kWhite);
        break;
    case 15:  // fast finfish
        fish(a, kOrange, kRed);
        break;
    case 16:  // slow finfish
        fish(a, QColor(90, 140, 220), kBlue);
        break;
    case 17:  // up
        a.poly({{8, 1}, {15, 8}, {11, 8}, {11, 15}, {5, 15}, {5, 8}, {1, 8}}, kWhite);
        break;
    case 18:  // down
        a.poly({{8, 15}, {15, 8}, {11, 8}, {11, 1}, {5, 1}, {5, 8}, {1, 8}}, kWhite);
        break;
    case 19:  // left
        a.poly({{1, 8}, {8, 1}, {8, 5}, {15, 5}, {15, 11}, {8, 11}, {8, 15}}, kWhite);
        break;
    case 20:  // right
        a.poly({{15, 8}, {8, 1}, {8, 5}, {1, 5}, {1, 11}, {8, 11}, {8, 15}}, kWhite);
        break;
    case 21:  // dot
        a.oval(4, 4, 8, 8, kWhite);
        break;
    case 22:  // dash
        a.rect(2, 6, 12, 4, kWhite);
        break;
    case 23:  // stacked cactus
        a.oval(4, 0, 8, 6, kGreen);
        a.oval(4, 5, 8, 6, kGreen);
        a.oval(4, 10, 8, 6, kGreen);
        a.box(6, 2, 1, 2, kBlack);
        a.box(9, 2, 1, 2, kBlack);
        a.dot(5, 8, kWhite);
        a.dot(10, 13, kWhite);
        break;
    case 24:  // wings
        a.poly({{7, 8}, {1, 2}, {2, 6}, {0.5, 7}, {2, 10}, {7, 11}}, kWhite);
        a.poly({{9, 8}, {15, 2}, {14, 6}, {15.5, 7}, {14, 10}, {9, 11}}, kWhite);
        break;
    case 25:  // bouncer
        a.line(5, 12, 11, 13, kGrey, 1.5);
        a.line(11, 13, 5, 15, kGrey, 1.5);
        a.oval(2, 1, 12, 11, QColor(240, 120, 200));
        eyes(a, 5, 9, 4);
        break;
    case 26:  // cannon shell: a finned shell flying left
        a.poly({{12, 8}, {15.5, 3}, {15.5, 13}}, kRed);
        a.poly({{1, 8}, {4, 4}, {13, 4}, {13, 12}, {4, 12}}, kGrey);
        a.box(9, 5, 2, 7, kRed);
        a.box(4, 6, 3, 1, kWhite);
        break;
    case 27:  // fuse-walker: a walking powder keg
        a.oval(2, 12, 5, 4, kInk, kInk);
        a.oval(9, 12, 5, 4, kInk, kInk);
        a.line(8, 3, 10, 1, kGrey, 1.5);
        a.poly(Art::star(11, 1, 2, 0.8, 4), kGoldLight, kOrange);
        a.rect(2, 3, 12, 11, kBrown);
        a.box(2, 5, 12, 1, kInk);
        a.box(2, 11, 12, 1, kInk);
        eyes(a, 5, 9, 7);
        break;
    case 28:  // crawlipede
        for (int i = 0; i < 3; ++i) {
            a.line(2 + 4 * i, 12, 1 + 4 * i, 15, kBlack);
            a.oval(4 * i, 7, 6, 7, QColor(220, 200, 40));
        }
        a.oval(10, 4, 6, 8, kOrange);
        a.box(12, 6, 2, 2, kBlack);
        break;
    case 29:  // quake block
        a.rect(1, 1, 14, 14, QColor(180, 120, 60));
        a.line(4, 2, 6, 6, kInk);
        a.line(6, 6, 4, 10, kInk);
        a.line(11, 13, 10, 9, kInk);
        a.line(10, 9, 13, 6, kInk);
        break;
    case 30:  // rising lava
        a.rect(0, 8, 16, 8, kOrange, kRed);
        a.flatPoly({{0, 9}, {3, 5}, {6, 9}, {9, 5}, {12, 9}, {15, 5}, {16, 9}}, kOrange);
        a.box(2, 11, 3, 2, kGoldLight);
        a.box(9, 12, 4, 2, kGoldLight);
        a.poly({{7, 1}, {9, 1}, {9, 4}, {11, 4}, {8, 7}, {5, 4}, {7, 4}}, kWhite);
        break;
    case 31:  // ghost
        a.poly({{1, 15}, {1, 6}, {4, 1}, {12, 1}, {15, 6}, {15, 15}, {12, 12}, {8, 15}, {4, 12}},
               QColor(236, 236, 248));
        a.oval(4, 4, 3, 4, kBlack, kBlack);
        a.oval(9, 4, 3, 4, kBlack, kBlack);
        break;
    case 32:  // bat
        a.poly({{8, 6}, {1, 2}, {0.5, 10}, {3, 8}, {5, 11}, {8, 9}, {11, 11}, {13, 8}, {15.5, 10},
                {15, 2}},
               kPurple);
        a.oval(5, 4, 6, 7, kPurple);
        a.box(6, 6, 1, 1, kGoldLight);
        a.box(9, 6, 1, 1, kGoldLight);
        break;
    case 33:  // the boss: crowned walker (the sheet adds its label)
        bossKing(a);
        break;
    case 34:  // crab
        a.oval(0, 2, 5, 5, kOrange);
        a.oval(11, 2, 5, 5, kOrange);
        for (int x : {3, 5, 10, 12})
            a.line(x, 11, x + (x < 8 ? -2 : 2), 15, kInk);
        a.oval(2, 6, 12, 8, kOrange);
        eyes(a, 5, 9, 7);
        break;
    case 35:  // snail
        a.poly({{1, 15}, {1, 10}, {3, 7}, {5, 9}, {5, 12}, {15, 12}, {15, 15}}, kSkin);
        a.box(2, 8, 1, 1, kBlack);
        a.oval(5, 2, 11, 11, kBrown);
        a.oval(8, 5, 5, 5, QColor(200, 140, 70));
        a.flatOval(10, 7, 1.5, 1.5, kInk);
        break;
    case 36:  // bird
        a.oval(1, 3, 12, 11, QColor(80, 150, 240));
        a.poly({{12, 6}, {15.5, 8}, {12, 10}}, kGoldLight);
        a.poly({{3, 8}, {7, 6}, {8, 10}}, kWhite);
        a.box(9, 5, 2, 2, kWhite);
        a.dot(10, 6, kBlack);
        a.line(5, 14, 5, 15, kOrange);
        a.line(8, 14, 8, 15, kOrange);
        break;
    case 37:  // frog
        a.oval(0, 11, 6, 5, kGreen);
        a.oval(10, 11, 6, 5, kGreen);
        a.oval(1, 5, 14, 10, kGreen);
        a.oval(2, 1, 5, 6, kWhite);
        a.oval(9, 1, 5, 6, kWhite);
        a.box(4, 3, 2, 2, kBlack);
        a.box(11, 3, 2, 2, kBlack);
        a.line(5, 11, 11, 11, kDarkGreen);
        break;
    default:
        break;
    }
}

void drawBossCell(Art &a)
{
    // The sheet's boss cell must say what it is: "BOSS" above a small crowned head, "1".
    a.text(1, 1, "BOSS", kWhite);
    a.oval(1, 9, 9, 7, kRoyal);
    a.poly({{2, 9}, {2, 6.5}, {4, 8}, {5.5, 6.5}, {7, 8}, {9, 6.5}, {9, 9}}, kGold);
    a.box(3, 11, 2, 2, kWhite);
    a.box(6, 11, 2, 2, kWhite);
    a.dot(4, 12, kBlack);
    a.dot(7, 12, kBlack);
    a.text(12, 9, "1", kWhite, 1, 1.2);
}

} // namespace

void drawTagCell(QPainter &p, int value)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    Art a(p);
    a.box(0, 0, kTagSheetCell, kTagSheetCell, kTagGround);
    if (value == 0)
        redCross(a);
    else if (value >= 8 && value <= 23)
        drawMarker(a, value - 7);
    else if (value > 0 && value <= kTagSheetMaxValue)
        drawItem(a, value);
    p.restore();
}

void drawEnemyCell(QPainter &p, int value)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    Art a(p);
    a.box(0, 0, kTagSheetCell, kTagSheetCell, kEnemyGround);
    if (value == 0)
        redCross(a);
    else if (value == 33)
        drawBossCell(a);
    else if (value > 0 && value <= kTagSheetMaxValue)
        drawCreature(a, value);
    p.restore();
}

void drawEnemyFigure(QPainter &p, int value)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    Art a(p);
    drawCreature(a, value);
    p.restore();
}

QImage drawTagSheet()
{
    QImage sheet(2 * kTagSheetCell, kTagSheetRows * kTagSheetCell, QImage::Format_RGB888);
    sheet.fill(kFiller);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing, false);

    // cell (1, 0): the start marker, a green square
    Art a(p);
    a.rect(16, 0, 16, 16, QColor(48, 200, 64), QColor(0, 96, 24));
    a.box(19, 3, 3, 3, QColor(160, 255, 160));

    for (int value = 0; value <= kTagSheetMaxValue; ++value) {
        const int y = (value + 1) * kTagSheetCell;
        p.save();
        p.translate(0, y);
        drawTagCell(p, value);
        p.restore();
        p.save();
        p.translate(kTagSheetCell, y);
        drawEnemyCell(p, value);
        p.restore();
    }
    p.end();
    return sheet;
}

} // namespace tessaforge
