#pragma once

#include <QImage>
#include <QLine>
#include <QList>
#include <QtGlobal>

// The demo's pictures, all drawn here by code.
namespace demo {

constexpr int kTile = 32;
constexpr int kTileCols = 8;
constexpr int kTileRows = 8;

struct TilePos
{
    int x;
    int y;
};

// Where each tile lies in both tilesets; the two share one layout so that an area can be
// drawn with either.
namespace tile {
// row 0: background
constexpr TilePos Sky{0, 0}, CloudLeft{1, 0}, CloudRight{2, 0}, Bush{3, 0}, Fence{4, 0},
    HillBack{5, 0}, Flower{6, 0}, Sign{7, 0};
// row 1: ground
constexpr TilePos TopLeft{0, 1}, Top{1, 1}, TopRight{2, 1}, Dirt{3, 1},
    SlantRight{4, 1},  // surface rises to the right
    SlantLeft{5, 1},   // surface falls to the right
    TopAlt{6, 1}, Stones{7, 1};
// row 2: blocks
constexpr TilePos Brick{0, 2}, Question{1, 2}, UsedBlock{2, 2}, StoneBlock{3, 2}, Ice{4, 2},
    Falling{5, 2}, Bouncy{6, 2}, Platform{7, 2};
// row 3: things that move or hurt
constexpr TilePos Coin{0, 3}, WaterTop{1, 3}, Water{2, 3}, LavaTop{3, 3}, Lava{4, 3},
    Spikes{5, 3}, Vine{6, 3}, VineTop{7, 3};
// row 4: pipes and special blocks
constexpr TilePos PipeTopLeft{0, 4}, PipeTopRight{1, 4}, PipeLeft{2, 4}, PipeRight{3, 4},
    Bridge{4, 4}, SwitchA{5, 4}, SwitchB{6, 4}, Cannon{7, 4};
// rows 5 and 6: scenery, all background
constexpr TilePos TreeTop{0, 5}, TreeTrunk{1, 5}, Rock{2, 5}, Torch{3, 5}, ColumnTop{4, 5},
    Column{5, 5}, Tuft{6, 5}, Window{7, 5};
constexpr TilePos SkyLow{0, 6}, SkyHigh{1, 6}, Birds{2, 6}, WaterBack{3, 6}, WallBack{4, 6},
    Chain{5, 6}, Arch{6, 6}, Banner{7, 6};
// row 7: odds and ends
constexpr TilePos DirtDeep{0, 7}, SmallCloud{1, 7}, Fungus{2, 7}, StarSky{3, 7}, Moon{4, 7},
    Sand{5, 7}, Ledge{6, 7}, Crate{7, 7};
} // namespace tile

enum class Theme { Grass, Cave };

// 256 x 256 pixels, 8 x 8 tiles of 32 x 32.
QImage drawTileset(Theme theme);
// The tile's value for the tile information file: type code, plus 128 when animated.
quint8 tileValue(TilePos pos);

// 640 x 480: sea, an island with hills, and the given paths between the map's nodes.
QImage drawWorldMap(const QList<QLine> &paths);
// 256 x 32: eight node pictures of 32 x 32 on the island's grass colour.
QImage drawMapObjects();

QImage drawHillsBackdrop();   // 320 x 240
QImage drawSunsetBackdrop();  // 320 x 240, at most 256 colours

// An enemy graphic: `frames` pictures side by side, each 16 * scale pixels square, on the
// see-through key colour. Night pictures are darker and bluer.
enum class Daylight { Day, Night };
QImage drawEnemyGraphic(int figure, int frames, int scale, Daylight light);
constexpr QRgb kKeyColour = 0xFFFF00FF;

} // namespace demo
