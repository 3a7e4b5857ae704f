#include "canvas/TileLayout.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "canvas/TileMath.h"

namespace tiles {
namespace {

// floor(v) within a range no sum or product of the range can overflow.
std::int64_t Floor64(double v) {
    return static_cast<std::int64_t>(std::floor(std::clamp(v, -1e12, 1e12)));
}

}  // namespace

std::int64_t WrapColumn(std::int64_t column, int zoom) {
    const std::int64_t n = std::int64_t{1} << zoom;
    const std::int64_t r = column % n;
    return r < 0 ? r + n : r;
}

std::optional<TileRange> ChooseTiles(const viewmath::ViewRect& view, const TMapProjection& projection,
                                     int* zoomReached) {
    int zoom = ZoomForViewWidth(view.right - view.left);
    if (zoomReached) *zoomReached = zoom;
    if (zoom < 0 || !projection) return std::nullopt;

    const double midX = (view.left + view.right) / 2, midY = (view.top + view.bottom) / 2;
    const std::array<std::array<double, 2>, 8> points{{{view.left, view.top},
                                                       {view.right, view.top},
                                                       {view.right, view.bottom},
                                                       {view.left, view.bottom},
                                                       {midX, view.top},
                                                       {view.right, midY},
                                                       {midX, view.bottom},
                                                       {view.left, midY}}};
    double north = -HUGE_VAL, south = HUGE_VAL, west = HUGE_VAL, east = -HUGE_VAL;
    for (const auto& p : points) {
        double lat = 0, lon = 0;
        if (!projection.ToGeographic(p[0], p[1], lat, lon) || !std::isfinite(lat) ||
            !std::isfinite(lon))
            return std::nullopt;
        north = std::max(north, lat);
        south = std::min(south, lat);
        west = std::min(west, lon);
        east = std::max(east, lon);
    }
    north = std::clamp(north, -kMaxMercatorLatitude, kMaxMercatorLatitude);
    south = std::clamp(south, -kMaxMercatorLatitude, kMaxMercatorLatitude);

    for (;;) {
        const std::int64_t last = (std::int64_t{1} << zoom) - 1;
        TileRange r;
        r.zoom = zoom;
        r.x0 = Floor64(TileColumnOf(west, zoom));
        r.x1 = Floor64(TileColumnOf(east, zoom));
        r.y0 = std::clamp<std::int64_t>(Floor64(TileRowOf(north, zoom)), 0, last);
        r.y1 = std::clamp<std::int64_t>(Floor64(TileRowOf(south, zoom)), 0, last);
        // A range wider than the world holds each column once.
        if (r.x1 - r.x0 > last) r.x1 = r.x0 + last;
        if (r.Count() <= kMaxTilesPerView) return r;
        if (zoom < 4) return std::nullopt;
        --zoom;
        if (zoomReached) *zoomReached = zoom;
    }
}

}  // namespace tiles
