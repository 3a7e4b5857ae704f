// Transverse Mercator on an ellipsoid: the USGS series (meridian arc to e^6,
// forward series to A^6, footpoint latitude to sin 8mu), and Redfearn's
// series for the grid convergence and the point scale factor.
//
// Units: latitude and longitude in decimal degrees (north and east
// positive), easting and northing in metres. The longitude difference from
// the central meridian is wrapped into (-180, 180] degrees first, so 181 and
// -179 project alike.
//
// Accuracy: the series are meant for a few degrees either side of the
// central meridian. Against the exact projection (PROJ's tmerc, random points
// to 80 degrees of latitude) the forward direction errs by at most 1.5 mm up
// to 4 degrees from the central meridian, 3 mm at 4 to 5 and 10 mm at 5 to 6;
// the inverse, measured on the ground, by at most 1 mm up to 3 degrees,
// 3 mm at 3 to 4, 13 mm at 4 to 5 and 47 mm at 5 to 6.
//
// Failures (std::nullopt): an invalid ellipsoid (see Datum.h), k0 outside
// [kMinScaleFactor, kMaxScaleFactor], |latitude| > 90 in or out, any
// non-finite input or result.
#pragma once

#include <optional>

#include "geodesy/Datum.h"

namespace geodesy {

struct Geographic {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
};

struct GridPoint {
    double eastingM = 0;
    double northingM = 0;
};

// The longitude difference from the central meridian, degrees, up to which
// the accuracy above is stated; callers that take arbitrary positions (a
// KML import) refuse points beyond it rather than place them wrongly.
inline constexpr double kTMStatedRangeDeg = 6;

// The scale factors on the central meridian accepted (real grids use 0.9996
// to 1.0).
inline constexpr double kMinScaleFactor = 0.5;
inline constexpr double kMaxScaleFactor = 2;

// The five numbers of a TM parameter text.
struct TMParameters {
    double centralMeridianDeg = 0;
    double referenceLatitudeDeg = 0;
    double k0 = 1;
    double falseEastingM = 0;
    double falseNorthingM = 0;

    bool IsValid() const;
};

// lon - centralMeridian, in (-180, 180] degrees.
double LongitudeFromCentralMeridian(double longitudeDeg, double centralMeridianDeg);

// One projection with its constants computed once.
class TransverseMercator {
  public:
    static std::optional<TransverseMercator> Create(const Ellipsoid& ellipsoid,
                                                    const TMParameters& parameters);

    std::optional<GridPoint> Forward(const Geographic& position) const;
    std::optional<Geographic> Inverse(const GridPoint& grid) const;

  private:
    TransverseMercator() = default;
    double MeridianArc(double phi, double sinPhi, double cosPhi) const;

    double a_ = 0, e2_ = 0, ep2_ = 0;
    double arc0_ = 0, arc2_ = 0, arc4_ = 0, arc6_ = 0;      // meridian arc coefficients
    double foot2_ = 0, foot4_ = 0, foot6_ = 0, foot8_ = 0;  // footpoint latitude series
    double arcAtReference_ = 0;
    TMParameters p_;
};

// Grid convergence in degrees, negative east of the central meridian in the
// northern hemisphere (the opposite sign of GeographicLib's gamma).
std::optional<double> TMGridConvergenceDeg(const Ellipsoid& ellipsoid, double centralMeridianDeg,
                                           const Geographic& position);

// Point scale factor, k0 on the central meridian.
std::optional<double> TMPointScaleFactor(const Ellipsoid& ellipsoid, double centralMeridianDeg,
                                         double k0, const Geographic& position);

}  // namespace geodesy
