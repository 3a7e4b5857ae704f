// The satellite background's state: whether it is shown, the disk cache
// folder, the decoded tiles in memory, the zoom level of the last background
// and the projection that places the tiles. The canvas model carries it as
// its own fields.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "canvas/MapProjection.h"
#include "canvas/TileMemory.h"

struct TCanvasTileState {
    std::uint8_t FMapVisible = 0;
    QString FMapCacheDir;  // empty: the default folder; used as a prefix, ends with '/'
    TTileMemory FTileCache;  // "z_x_y" -> decoded tile, at most 512 by default
    std::int32_t FTileZoom = 15;
    // The projection in use, asked for at each background drawing; empty,
    // or a result without functions, draws no tiles.
    std::function<TMapProjection()> FMapProjection;
};
