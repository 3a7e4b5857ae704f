// The satellite background's state: whether it is shown, the disk cache
// folder, the decoded tiles in memory, the zoom level of the last background
// and the anchor that ties the tile grid to the projected world, taken once
// per canvas. The canvas model carries it as its own fields.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <map>
#include <string>

struct TCanvasTileState {
    std::uint8_t FMapVisible = 0;
    QString FMapCacheDir;                      // empty: the default folder
    std::map<std::string, QImage> FTileCache;  // "z_x_y" -> decoded tile
    std::int32_t FTileZoom = 15;
    bool FTileAnchorSet = false;
    double FTileAnchorLatitude = 0, FTileAnchorLongitude = 0;  // degrees
    double FTileAnchorEasting = 0, FTileAnchorNorthing = 0;    // metres
};
