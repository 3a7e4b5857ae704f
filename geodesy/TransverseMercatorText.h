// Transverse Mercator on parameter texts, with and without the datum chain
// of DatumText.h in front.
//
// Texts (numbers separated by whitespace, see ParameterText.h):
//   geographic text    latitude, longitude (degrees)
//   grid text          easting, northing (metres)
//   TM parameter text  central meridian (deg), reference latitude (deg), k0,
//                      false easting, false northing (m)
//   ellipsoid, forward four words: two skipped, then a (m) and f
//                      ("6378137.0 0.0033528106647474 " + a + " " + f)
//   ellipsoid, inverse a and f first; anything after them is ignored
//
// Results: grid text E and N in Fixed(18, 4) joined by a blank; geographic
// text latitude and longitude in Fixed(18, 10) joined by a blank. Every
// failure (a text without its exact count, an invalid ellipsoid or k0, a
// failed datum step, a non-finite or out-of-range result) gives "0".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "geodesy/TransverseMercator.h"

namespace geodesy {

std::string TransverseMercatorFromText(std::string_view geographicText, std::string_view tmText,
                                       std::string_view forwardEllipsoidText);

// The inverse projection.
std::string GeoProject(std::string_view gridText, std::string_view tmText,
                       std::string_view inverseEllipsoidText);

// Datum chain (height 0) to the local datum, then the forward projection.
std::string GeographicToGrid(std::string_view geographicText, std::string_view datumText,
                             std::string_view tmText, std::string_view forwardEllipsoidText);

// GeographicToGrid on numbers: the easting and northing before they are
// written as the grid text; std::nullopt where it gives "0".
std::optional<GridPoint> GeographicToGridPoint(double latitudeDeg, double longitudeDeg,
                                               std::string_view datumText, std::string_view tmText,
                                               std::string_view forwardEllipsoidText);

// Inverse projection, then the datum chain (height 0).
std::string GridToGeographic(std::string_view gridText, std::string_view datumText,
                             std::string_view tmText, std::string_view inverseEllipsoidText);

// "GrdConv": grid convergence in degrees; "PtScFac": point scale factor;
// any other selector, or input without an answer, gives 0. The reference
// latitude and the false easting and northing do not enter either value.
double TMConvergenceOrScale(std::string_view selector, double a, double f, double latitudeDeg,
                            double longitudeDeg, double centralMeridianDeg,
                            double referenceLatitudeDeg, double k0, double falseEastingM,
                            double falseNorthingM);

std::optional<TMParameters> ParseTMParameterText(std::string_view tmText);
std::optional<Ellipsoid> ParseForwardEllipsoidText(std::string_view text);
std::optional<Ellipsoid> ParseInverseEllipsoidText(std::string_view text);

}  // namespace geodesy
