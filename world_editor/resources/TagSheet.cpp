#include "resources/TagSheet.h"

#include "resources/TagSheetArt.h"


namespace tessaforge {

using namespace tagsheet;

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
