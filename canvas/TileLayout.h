// Which satellite tiles cover a view, and where each tile's corners fall in
// the world, through the survey's own projection (MapProjection.h).
//
// The view's four corners and four edge midpoints are converted to WGS 84;
// their extreme latitudes (held within the Web Mercator limits) and
// longitudes give the tile range at the zoom of the view width. While the
// range holds 101 tiles or more and the zoom is 4 or more, the zoom is
// lowered by one. Ranges are 64-bit, so no far-off view overflows.
#pragma once

#include <cstdint>
#include <optional>

#include "canvas/MapProjection.h"
#include "canvas/ViewMath.h"

namespace tiles {

inline constexpr int kMaxTilesPerView = 100;

struct TileRange {
    int zoom = 0;
    std::int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // inclusive; columns unwrapped
    std::int64_t Count() const { return (x1 - x0 + 1) * (y1 - y0 + 1); }
};

// The tiles of `view`: std::nullopt when the view is too wide (no zoom),
// a point has no finite conversion, or more than kMaxTilesPerView tiles
// are needed even at zoom 3. `zoomReached` (when given) receives the last
// zoom tried, also when the answer is std::nullopt after the lowering.
std::optional<TileRange> ChooseTiles(const viewmath::ViewRect& view, const TMapProjection& projection,
                                     int* zoomReached = nullptr);

// A column taken modulo 2^zoom (never negative).
std::int64_t WrapColumn(std::int64_t column, int zoom);

}  // namespace tiles
