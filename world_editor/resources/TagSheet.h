#pragma once

#include <QImage>

class QPainter;

namespace tessaforge {

constexpr int kTagSheetCell = 16;      // pixels per cell side
constexpr int kTagSheetRows = 39;      // filler/start row, then values 0..37
constexpr int kTagSheetMaxValue = 37;  // largest tag or enemy value the sheet shows

// The tag sheet, 32 x 624 pixels, 24-bit: cell (0, 0) grey filler, cell (1, 0) the green
// start marker; row r >= 1 holds tag value r - 1 in column 0 and enemy value r - 1 in
// column 1. Drawn by code so that the editor carries no picture file.
QImage drawTagSheet();

// One cell's picture, ground included, drawn into the 16 x 16 box at the painter's origin.
// A scaled painter draws the same picture larger (the demo's enemy graphics come from here).
// Values outside 0..37 draw the bare ground.
void drawTagCell(QPainter &p, int value);
void drawEnemyCell(QPainter &p, int value);

// The enemy pictures without their ground, for graphics with a see-through key colour.
// Value 33 is the boss's figure without the label the sheet adds.
void drawEnemyFigure(QPainter &p, int value);

} // namespace tessaforge
