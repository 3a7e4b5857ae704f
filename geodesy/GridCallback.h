// The conversion behind the KML/KMZ import's projection callback: a WGS84
// latitude and longitude to grid easting and northing with the geodetic
// parameters the surveyor entered (datum shift into the local datum, then
// Transverse Mercator; the Lambert selection does not apply to imports).
//
// The parameters arrive as the texts of the device settings window's edits
// and are joined into the three parameter texts exactly as the window's
// readers do, so an import uses the values on screen, saved or not.
#pragma once

#include <string>

namespace geodesy {

// The WGS84 ellipsoid with seven zero parameters, as the source half of a
// datum text from the GNSS receiver to the local datum.
inline constexpr const char* kWgs84ZeroSetText =
    "6378137.0  0.0033528106647474  0.0  0.0  0.0  0.0  0.0  0.0  0.0 ";
// The same set as the target half, appended to the local set.
inline constexpr const char* kWgs84ZeroSetTail =
    " 6378137.0  0.0033528106647474  0.0  0.0  0.0  0.0  0.0  0.0  0.0";

// The current texts of the edits edSMA, edIF, edPPM, edRX, edRY, edRZ,
// edSX, edSY, edSZ (local datum) and edCM, edRL, edSF, edFE, edFN (TM).
struct GeodeticEditTexts {
    std::string sma, flattening, ppm, rx, ry, rz, sx, sy, sz;
    std::string centralMeridian, referenceLatitude, scaleFactor, falseEasting, falseNorthing;
};

struct GridParameterTexts {
    std::string datum;             // WGS84 zero set, then the local set
    std::string forwardEllipsoid;  // "6378137.0 0.0033528106647474 " + a + " " + f
    std::string tm;                // CM RL SF FE FN
};

GridParameterTexts GnssToGridParameterTexts(const GeodeticEditTexts& edits);

// The other direction, grid to WGS84 (satellite background, KML export): the
// local set first, then the WGS84 zero set; the inverse ellipsoid form.
struct GeographicParameterTexts {
    std::string datum;             // local set + " " + WGS84 zero set
    std::string inverseEllipsoid;  // a + " " + f + " 6378137.0 0.0033528106647474"
    std::string tm;                // CM RL SF FE FN
};

GeographicParameterTexts GridToGnssParameterTexts(const GeodeticEditTexts& edits);

// Writes x (easting) and y (northing) and returns true when the conversion
// succeeds; leaves both untouched and returns false otherwise.
bool KmlGeographicToGrid(const GridParameterTexts& parameters, double latitudeDeg,
                         double longitudeDeg, double& x, double& y);

}  // namespace geodesy
