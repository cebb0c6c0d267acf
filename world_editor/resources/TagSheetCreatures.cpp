// The tag sheet's creatures: what each enemy value looks like.
#include "resources/TagSheetArt.h"


namespace tessaforge::tagsheet {

namespace {

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

} // namespace

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

} // namespace tessaforge::tagsheet
