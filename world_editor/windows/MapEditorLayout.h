#pragma once

// What the map editor's files share: its layout in pixels, its list entries and its rules
// for the mouse.

#include "MapScreenRenderer.h"
#include "map/oWorldMap.h"

#include <QFont>
#include <QKeySequence>
#include <QString>
#include <QStringList>

#include <cmath>

namespace tessaforge::mapeditor {

inline const QString kCaption = QStringLiteral("World Map Editor");
inline const QString kStudioTitle = QStringLiteral("Vantaro Studio");
inline const QString kProgramTitle = QStringLiteral("Tessaforge");
// What the selected node's label says while no node is selected.
inline const QString kNoNodeSelected = QStringLiteral("None");

// The view: a 660-pixel-wide picture with a 2-pixel border and 16-pixel scroll bars inside,
// which leaves a drawing area of 640 x 496; the guides mark the 640 x 480 of one screen.
// The frame's keys for undo and redo, which act on the map while its window is active.
inline const QKeySequence kUndoKey{Qt::CTRL | Qt::Key_Z};
inline const QKeySequence kRedoKey{Qt::CTRL | Qt::SHIFT | Qt::Key_Z};

inline constexpr int kBorder = 2;
inline constexpr int kScrollThickness = 16;
inline constexpr int kViewOuterWidth = 660;
inline constexpr int kViewOuterHeight = kScrollThickness + 500;
inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;
inline constexpr int kCell = MapScreenRenderer::kCell;
inline constexpr int kStripCells = 20;
// The panel below the view: the controls, then the picture strip with its scroll bar, then the
// mouse hints. The window is the view and the panel; its caption and border are the frame's.
inline constexpr int kPanelHeight = 168;
inline constexpr int kStripTop = 94;
inline constexpr int kSelectReach = 10;
inline constexpr int kWheelStep = 48;  // pixels per wheel notch

inline constexpr int kTagEntries = 112;    // "No Tag", 20 pipes, 20 warps, 70 levels, "SaveGame"
inline constexpr int kEntryEntries = 81;   // "Default", then five manners for each of 16 numbers

inline bool isWarp(int tag)
{
    return tag >= 21 && tag <= 40;
}

// Mouse positions round to the nearest whole pixel, halves to the even one.
inline int roundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

inline float NodeDistance(float x1, float y1, float x2, float y2)
{
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

inline QStringList tagEntries()
{
    QStringList entries;
    for (int tag = 0; tag < kTagEntries; ++tag)
        entries.append(NodeTagLabel(tag));
    return entries;
}

// An entry of the next-node lists: the node's number, then what the node leads to ("3 - Level
// 2"). The entry's position stays the number that is stored.
inline QString linkEntry(const oWorldMap &map, qint32 node)
{
    const QString leadsTo = NodeTagLabel(map.NodeTag(node)).simplified();
    return leadsTo.isEmpty() ? QString::number(node) : QStringLiteral("%1 - %2").arg(node).arg(leadsTo);
}

inline QStringList entranceEntries()
{
    const char *manners[5] = {"Up    ", "Down  ", "Left  ", "Right ", "Door  "};
    QStringList entries{QStringLiteral("Default")};
    entries.reserve(kEntryEntries);
    for (int number = 1; number <= 16; ++number)
        for (const char *manner : manners)
            entries.append(QString::fromLatin1(manner) + QString::number(number));
    return entries;
}

inline QFont nodeFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(11);
    // Plain pixels: the numbers are drawn over the picture, not blended into it.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}


} // namespace tessaforge::mapeditor
