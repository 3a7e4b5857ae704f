// Geodetic datums as plain numbers: ellipsoids, geodetic <-> geocentric
// conversion and the seven-parameter similarity transformation.
//
// Units: angles of positions in decimal degrees (north and east positive),
// heights and geocentric X, Y, Z in metres, Helmert rotations in arc-seconds,
// scale difference in parts per million. An ellipsoid is given by its
// semi-major axis a (metres) and its flattening f (not the inverse).
//
// The seven parameters of a local datum describe the step from that datum
// into WGS84, in the coordinate-frame rotation convention with the exact
// rotation matrix R = R3(rz) * R2(ry) * R1(rx); the opposite step applies the
// exact inverse of m * R.
//
// Failures: an invalid ellipsoid (a <= 0, f outside [0, 0.1), non-finite), a
// latitude beyond +-90 degrees, a non-finite input or result, or a latitude
// iteration that does not settle within 50 steps give std::nullopt. A
// seven-parameter set is refused when its scale factor 1 + s * 1e-6 is zero
// or negative (s <= -1e6 ppm) or a rotation exceeds 3600 arc-seconds.
#pragma once

#include <array>
#include <cmath>
#include <optional>

namespace geodesy {

// The value of pi that every degree/radian conversion of the geodesy uses.
inline constexpr double kPi = 3.141592653589793;

// Degrees to radians and back, the multiplication before the division so
// that the numeric core gives the same bits as the text functions.
inline double DegToRad(double degrees) { return degrees * kPi / 180; }
inline double RadToDeg(double radians) { return radians * 180 / kPi; }

struct Ellipsoid {
    double a = 0;  // semi-major axis, metres
    double f = 0;  // flattening

    bool IsValid() const { return std::isfinite(a) && a > 0 && f >= 0 && f < 0.1; }
    // First eccentricity squared, computed as e = sqrt((2 - f) f), then squared.
    double EccentricitySquared() const {
        const double e = std::sqrt((2 - f) * f);
        return e * e;
    }
};

// WGS84 as the callers write it in their parameter texts.
inline constexpr Ellipsoid kWgs84{6378137.0, 0.0033528106647474};

struct Geodetic {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double heightM = 0;
};

struct Geocentric {
    double x = 0;
    double y = 0;
    double z = 0;
};

// The largest Helmert rotation accepted, in arc-seconds (one degree; datum
// rotations are a few arc-seconds).
inline constexpr double kMaxRotationArcSec = 3600;

// Scale difference, rotations and translations of the step into WGS84.
struct SevenParameters {
    double scalePpm = 0;
    double rxArcSec = 0;
    double ryArcSec = 0;
    double rzArcSec = 0;
    double txM = 0;
    double tyM = 0;
    double tzM = 0;
};

// One half of a datum text: an ellipsoid and the seven parameters of its
// step into WGS84.
struct DatumSet {
    Ellipsoid ellipsoid;
    SevenParameters toWgs84;
};

std::optional<Geocentric> GeodeticToGeocentric(const Geodetic& position,
                                               const Ellipsoid& ellipsoid);

// Iterates the latitude from 0 until two steps differ by at most 1e-12 rad.
// Points on the polar axis (X = Y = 0, Z != 0) are solved in closed form
// (latitude +-90, longitude 0); the centre of the earth has no answer.
std::optional<Geodetic> GeocentricToGeodetic(const Geocentric& point, const Ellipsoid& ellipsoid);

// The similarity transformation of one seven-parameter set, with m * R and its
// inverse computed once.
class Helmert {
  public:
    explicit Helmert(const SevenParameters& parameters);

    // False for a refused set: a non-finite number, a scale factor m <= 0
    // (s <= -1e6 ppm), a rotation beyond kMaxRotationArcSec, or an m * R
    // that cannot be inverted. Neither direction is meaningful then.
    bool IsValid() const { return valid_; }

    // (tx, ty, tz) + m R (X, Y, Z): into WGS84.
    Geocentric ToWgs84(const Geocentric& p) const;
    // (m R)^-1 ((X, Y, Z) - (tx, ty, tz)): out of WGS84.
    Geocentric FromWgs84(const Geocentric& p) const;

  private:
    using Matrix = std::array<std::array<double, 3>, 3>;
    Matrix forward_{};
    Matrix inverse_{};
    double tx_ = 0, ty_ = 0, tz_ = 0;
    bool valid_ = false;
};

// The whole chain of a datum text: source geodetic -> geocentric -> WGS84 ->
// target geocentric -> target geodetic.
class DatumShift {
  public:
    // std::nullopt when an ellipsoid is invalid or a Helmert set cannot be
    // inverted.
    static std::optional<DatumShift> Create(const DatumSet& source, const DatumSet& target);

    std::optional<Geocentric> ToTargetGeocentric(const Geodetic& position) const;
    std::optional<Geodetic> Transform(const Geodetic& position) const;

    const DatumSet& source() const { return source_; }
    const DatumSet& target() const { return target_; }

  private:
    DatumShift(const DatumSet& source, const DatumSet& target);
    DatumSet source_;
    DatumSet target_;
    Helmert sourceToWgs84_;
    Helmert targetToWgs84_;
};

}  // namespace geodesy
