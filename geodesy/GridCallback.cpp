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
    // The position and the result pass through their texts (10 and 4
    // decimals); each number is written and read back on its own.
    const auto latitude = ReadBack(FixedText(latitudeDeg, 18, 10));
    const auto longitude = ReadBack(FixedText(longitudeDeg, 18, 10));
    if (!latitude || !longitude) return false;
    const auto g = GeographicToGridPoint(*latitude, *longitude, parameters.datum, parameters.tm,
                                         parameters.forwardEllipsoid);
    if (!g) return false;
    const auto easting = ReadBack(FixedText(g->eastingM, 18, 4));
    const auto northing = ReadBack(FixedText(g->northingM, 18, 4));
    if (!easting || !northing) return false;
    x = *easting;
    y = *northing;
    return true;
}

}  // namespace geodesy
