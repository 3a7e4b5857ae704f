// Transverse Mercator on an ellipsoid: the USGS series (meridian arc to e^6,
// forward series to A^6, footpoint latitude to sin 8mu), and Redfearn's
// series for the grid convergence and the point scale factor.
//
// Units: latitude and longitude in decimal degrees (north and east
// positive), easting and northing in metres. The longitude difference from
// the central meridian is wrapped into (-180, 180] degrees first, so 181 and
// -179 project alike. The series are meant for a few degrees either side of
// the central meridian (about 1 mm at 4 degrees, 3 mm at 5).
//
// Failures (std::nullopt): an invalid ellipsoid (see Datum.h), k0 <= 0,
// |latitude| > 90 in or out, any non-finite input or result.
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
