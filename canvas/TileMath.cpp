#include "canvas/TileMath.h"

#include <cmath>
#include <limits>

namespace tiles {
namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

double TileColumnOf(double longitudeDeg, int zoom) {
    const double n = std::ldexp(1.0, zoom);
    return (longitudeDeg + 180) / 360 * n;
}

double TileRowOf(double latitudeDeg, int zoom) {
    const double n = std::ldexp(1.0, zoom);
    const double r = latitudeDeg * kPi / 180;
    return (1 - std::log(std::tan(r) + 1 / std::cos(r)) / kPi) * 0.5 * n;
}

int FloorToInt(double v) {
    if (!(v == v)) return 0;
    const double f = std::floor(v);
    if (f <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    if (f >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(f);
}

void LatLonToTile(double latitudeDeg, double longitudeDeg, int zoom, int& column, int& row,
                  double& pixelX, double& pixelY) {
    const double fx = TileColumnOf(longitudeDeg, zoom);
    const double fy = TileRowOf(latitudeDeg, zoom);
    column = FloorToInt(fx);
    row = FloorToInt(fy);
    pixelX = (fx - column) * kTilePixels;
    pixelY = (fy - row) * kTilePixels;
}

void TileToLatLon(double column, double row, int zoom, double& latitudeDeg, double& longitudeDeg) {
    const double n = std::ldexp(1.0, zoom);
    longitudeDeg = column / n * 360 - 180;
    latitudeDeg = std::atan(std::sinh(kPi * (1 - 2 * row / n))) * 180 / kPi;
}

std::string TileKey(int zoom, int column, int row) {
    return std::to_string(zoom) + "_" + std::to_string(column) + "_" + std::to_string(row);
}

std::string TileRelativePath(int zoom, int column, int row) {
    return std::to_string(zoom) + "/" + std::to_string(column) + "_" + std::to_string(row) + ".jpg";
}

std::string TileRequestPath(int zoom, int column, int row) {
    return "/ArcGIS/rest/services/World_Imagery/MapServer/tile/" + std::to_string(zoom) + "/" +
           std::to_string(row) + "/" + std::to_string(column);
}

int ZoomForViewWidth(double w) {
    if (!(w == w) || w > 200000) return -1;
    if (w > 100000) return 10;
    if (w > 50000) return 11;
    if (w > 25000) return 12;
    if (w > 12000) return 13;
    if (w > 6000) return 14;
    if (w > 3000) return 15;
    if (w > 800) return 16;
    return 17;
}

}  // namespace tiles
