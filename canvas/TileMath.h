// Web Mercator tile arithmetic of the satellite background: square tiles of
// 256 x 256 pixels, n = 2^z tiles along each axis; column x grows eastwards
// from longitude -180, row y southwards from latitude +85.0511. Tile (x, y)
// covers columns x..x+1 and rows y..y+1; its north-west corner is the point
// of column x and row y. Angles are decimal degrees.
#pragma once

#include <cstdint>
#include <string>

namespace tiles {

inline constexpr int kTilePixels = 256;
// The latitude of row 0 (and, negated, of row n).
inline constexpr double kMaxMercatorLatitude = 85.05112877980659;

// Fractional column and row of a point at zoom z, unclamped: a longitude
// outside -180..180 or a latitude beyond the limits gives values outside
// 0..n; a non-finite input gives a non-finite result.
double TileColumnOf(double longitudeDeg, int zoom);
double TileRowOf(double latitudeDeg, int zoom);

// floor(v) as an int, saturated at the int range (NaN gives 0), so that no
// far-off point is undefined behaviour.
int FloorToInt(double v);

// The tile holding the point and the point's pixel offset inside it.
void LatLonToTile(double latitudeDeg, double longitudeDeg, int zoom, int& column, int& row,
                  double& pixelX, double& pixelY);
// The north-west corner of tile (column, row), also for the fractional and
// out-of-range values the background's edges use.
void TileToLatLon(double column, double row, int zoom, double& latitudeDeg, double& longitudeDeg);

// "z_x_y".
std::string TileKey(int zoom, int column, int row);
// "z/x_y.jpg" below the cache folder.
std::string TileRelativePath(int zoom, int column, int row);
// "/ArcGIS/rest/services/World_Imagery/MapServer/tile/z/y/x".
std::string TileRequestPath(int zoom, int column, int row);

// The zoom level for a view width in metres (every step "greater than");
// -1 when the view is too wide for tiles (over 200000 m or not a number).
int ZoomForViewWidth(double widthM);

}  // namespace tiles
