// The tag sheet's items: what each tag value looks like.
#include "resources/TagSheetArt.h"

#include <cstdio>

namespace tessaforge::tagsheet {

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

} // namespace tessaforge::tagsheet
