// The datum transformation on parameter texts: each step parses its input
// text, runs the numeric step of Datum.h and formats its result, which the
// next step parses again.
//
// Texts (numbers separated by whitespace, see ParameterText.h):
//   geodetic text   latitude (deg), longitude (deg), ellipsoidal height (m)
//   datum text      18 numbers: source set, then target set, each
//                   a, f, scale (ppm), rx, ry, rz (arc-seconds), tx, ty, tz (m)
//   geocentric text X, Y, Z in metres, General format, joined by tabs
//
// Failures give "0" (a text without its exact count of numbers, an invalid
// ellipsoid, a refused seven-parameter set (see Datum.h: scale factor <= 0,
// a rotation beyond 3600 arc-seconds), |latitude| > 90, a non-finite value
// anywhere); GeoXyzToBlh gives an empty text when it has no answer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "geodesy/Datum.h"

namespace geodesy {

// kind "XYZ" (exactly) returns the target geocentric text; any other kind
// continues to the target geodetic text of GeoXyzToBlh.
std::string GeoTransform(std::string_view kind, std::string_view geodeticText,
                         std::string_view datumText);

// GeoTransform("BLH", latitude + " " + longitude + " 0", datumText) for the
// callers that read only the latitude and longitude back from its text: the
// values of its 8-decimal texts, without writing the text; std::nullopt where
// GeoTransform fails. The height is left 0.
std::optional<Geodetic> GeoTransformLatitudeLongitude(double latitudeDeg, double longitudeDeg,
                                                      std::string_view datumText);

// X, Y, Z on the ellipsoid (a, f) of a latitude B and longitude L in
// degrees and a height H in metres.
std::string GeoBlhToXyz(double latitudeDeg, double longitudeDeg, double heightM, double a,
                        double f);

// Ten numbers X Y Z s rx ry rz tx ty tz. Tag "WGS" applies the set into
// WGS84, any other tag ("Local") its exact inverse.
std::string GeoHelmert(std::string_view tag, std::string_view text);

// Latitude and longitude in Fixed(20, 8) and height in Fixed(20, 2), joined
// by tabs.
std::string GeoXyzToBlh(double x, double y, double z, double a, double f);

// "r"/"R": degrees to radians; "d"/"D": radians to degrees; otherwise 0.
double GeoAngleUnits(double angle, std::string_view code);

// The 18 numbers of a datum text as its two sets; false unless there are
// exactly 18.
bool ParseDatumText(std::string_view datumText, DatumSet& source, DatumSet& target);

}  // namespace geodesy
