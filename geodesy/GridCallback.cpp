#include "geodesy/GridCallback.h"

#include <array>

#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"

namespace geodesy {

namespace {

// edSMA ... edSZ joined by single blanks.
std::string LocalSetText(const GeodeticEditTexts& e) {
    return e.sma + " " + e.flattening + " " + e.ppm + " " + e.rx + " " + e.ry + " " + e.rz + " " +
           e.sx + " " + e.sy + " " + e.sz;
}

std::string TMText(const GeodeticEditTexts& e) {
    return e.centralMeridian + " " + e.referenceLatitude + " " + e.scaleFactor + " " +
           e.falseEasting + " " + e.falseNorthing;
}

}  // namespace

GridParameterTexts GnssToGridParameterTexts(const GeodeticEditTexts& e) {
    return {std::string(kWgs84ZeroSetText) + LocalSetText(e),
            "6378137.0 0.0033528106647474 " + e.sma + " " + e.flattening, TMText(e)};
}

GeographicParameterTexts GridToGnssParameterTexts(const GeodeticEditTexts& e) {
    return {LocalSetText(e) + kWgs84ZeroSetTail,
            e.sma + " " + e.flattening + " 6378137.0 0.0033528106647474", TMText(e)};
}

bool KmlGeographicToGrid(const GridParameterTexts& parameters, double latitudeDeg,
                         double longitudeDeg, double& x, double& y) {
    const std::string geographic =
        FixedText(latitudeDeg, 18, 10) + " " + FixedText(longitudeDeg, 18, 10);
    const std::string grid =
        GeographicToGrid(geographic, parameters.datum, parameters.tm, parameters.forwardEllipsoid);
    std::array<double, 2> en{};
    if (!ReadExactly(grid, en)) return false;
    x = en[0];
    y = en[1];
    return true;
}

}  // namespace geodesy
