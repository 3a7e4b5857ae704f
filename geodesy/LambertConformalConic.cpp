#include "geodesy/LambertConformalConic.h"

#include <cmath>
#include <initializer_list>
#include <optional>

namespace geodesy {
namespace {

constexpr double kPi = 3.141592653589793;
// The largest origin or parallel latitude accepted, a little under pi/2.
constexpr double kMaxLatitude = 1.5707914786580854;
constexpr double kPoleBand = 1e-10;
constexpr double kGridLimit = 4e7;
constexpr double kIterationTolerance = 4.85e-10;
constexpr int kMaxIterations = 30;

LambertState g_lambert;

bool AllFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

bool LongitudeOutOfRange(double longitude) {
    return !std::isfinite(longitude) || longitude < -kPi || longitude > 2 * kPi;
}

bool EllipsoidOutOfRange(double a, double f) {
    const double inverseFlattening = 1 / f;
    return !(a > 0) || !(inverseFlattening >= 250 && inverseFlattening <= 350);
}

double StoredCentralMeridian(double centralMeridian) {
    return centralMeridian > kPi ? centralMeridian - 2 * kPi : centralMeridian;
}

// Isometric-latitude function t of EPSG 9801/9802.
double Tfunction(double latitude, double e) {
    const double es = e * std::sin(latitude);
    return std::tan(kPi / 4 - latitude / 2) / std::pow((1 - es) / (1 + es), e / 2);
}

double Mfunction(double latitude, double e) {
    const double s = std::sin(latitude);
    return std::cos(latitude) / std::sqrt(1 - e * e * s * s);
}

int CheckGeodeticInput(double latitude, double longitude) {
    int bits = 0;
    if (!(std::fabs(latitude) <= kPi / 2)) bits |= kLambertLatitudeError;
    if (LongitudeOutOfRange(longitude)) bits |= kLambertLongitudeError;
    return bits;
}

int CheckGridInput(double easting, double northing, double falseEasting, double falseNorthing) {
    int bits = 0;
    if (!(std::fabs(easting - falseEasting) <= kGridLimit)) bits |= kLambertEastingError;
    if (!(std::fabs(northing - falseNorthing) <= kGridLimit)) bits |= kLambertNorthingError;
    return bits;
}

double Install1SP(LambertState& s, double a, double f, double originLatitude,
                  double centralMeridian, double falseEasting, double falseNorthing, double k0,
                  bool* accepted) {
    const bool reject = !AllFinite({a, f, originLatitude, falseEasting, falseNorthing, k0}) ||
                        LongitudeOutOfRange(centralMeridian) || originLatitude == 0 ||
                        std::fabs(originLatitude) > kMaxLatitude || EllipsoidOutOfRange(a, f) ||
                        k0 < 0.3 || k0 > 3.0;
    if (accepted) *accepted = !reject;
    if (reject) return s.n;

    s.set1 = {
        a, f, originLatitude, StoredCentralMeridian(centralMeridian), falseEasting, falseNorthing,
        k0};
    s.have1 = true;
    s.e = std::sqrt(2 * f - f * f);
    s.halfE = s.e / 2;
    s.n = std::sin(originLatitude);
    s.t0 = Tfunction(originLatitude, s.e);
    s.aF = a * k0 * Mfunction(originLatitude, s.e) / s.n;
    s.rho0 = s.aF;
    return s.n;
}

// Puts the equivalent one-parallel set of the stored two-parallel set in
// force.
void ReinstallEquivalent1SP(LambertState& s) {
    Install1SP(s, s.set2.a, s.set2.f, s.equivalentOriginLatitude, s.set2.centralMeridian,
               s.set2.falseEasting, s.equivalentFalseNorthing, s.equivalentK0, nullptr);
}

int Forward1SP(const LambertState& s, double latitude, double longitude, double& easting,
               double& northing) {
    if (!s.have1) return kLambertNoParameters;
    if (const int bits = CheckGeodeticInput(latitude, longitude)) return bits;

    double rho = 0;
    if (std::fabs(std::fabs(latitude) - kPi / 2) <= kPoleBand) {
        // The pole on the far side of the cone is at infinity.
        if (latitude * s.n <= 0) return kLambertLatitudeError;
    } else {
        const double t = Tfunction(latitude, s.e);
        rho = s.aF * std::pow(t / s.t0, s.n);
    }
    double dLambda = longitude - s.set1.centralMeridian;
    if (dLambda > kPi) dLambda -= 2 * kPi;
    if (dLambda < -kPi) dLambda += 2 * kPi;
    const double theta = s.n * dLambda;
    const double e = rho * std::sin(theta) + s.set1.falseEasting;
    const double n = s.rho0 - rho * std::cos(theta) + s.set1.falseNorthing;
    if (!std::isfinite(e) || !std::isfinite(n)) return kLambertLatitudeError;
    easting = e;
    northing = n;
    return 0;
}

int Inverse1SP(const LambertState& s, double easting, double northing, double& latitude,
               double& longitude) {
    if (!s.have1) return kLambertNoParameters;
    const Lambert1SPSet& p = s.set1;
    if (const int bits = CheckGridInput(easting, northing, p.falseEasting, p.falseNorthing))
        return bits;

    double dx = easting - p.falseEasting;
    double dy = s.rho0 - (northing - p.falseNorthing);
    double rho = std::sqrt(dx * dx + dy * dy);
    if (s.n < 0) {
        rho = -rho;
        dx = -dx;
        dy = -dy;
    }
    if (rho == 0) {
        latitude = s.n > 0 ? kPi / 2 : -kPi / 2;
        longitude = p.centralMeridian;
        return 0;
    }
    const double theta = std::atan2(dx, dy);
    const double t = s.t0 * std::pow(rho / s.aF, 1 / s.n);
    double phi = kPi / 2 - 2 * std::atan(t);
    if (std::fabs(phi) > kIterationTolerance) {
        int steps = 0;
        double previous;
        do {
            previous = phi;
            const double es = s.e * std::sin(phi);
            phi = kPi / 2 - 2 * std::atan(t * std::pow((1 - es) / (1 + es), s.halfE));
            if (++steps == kMaxIterations) return kLambertNorthingError;
        } while (std::fabs(phi - previous) > kIterationTolerance);
    }
    double lambda = theta / s.n + p.centralMeridian;
    if (!std::isfinite(phi) || !std::isfinite(lambda)) return kLambertNorthingError;

    // No snapping towards 0 or +-pi: a point a few centimetres off the equator,
    // the prime meridian or the antimeridian stays where it is. The longitude
    // goes back onto the circle (-pi, pi]; remainder() is exact.
    phi = std::fmax(-kPi / 2, std::fmin(kPi / 2, phi));
    lambda = std::remainder(lambda, 2 * kPi);
    if (lambda == -kPi) lambda = kPi;
    latitude = phi;
    longitude = lambda;
    return 0;
}

double Install2SP(LambertState& s, double a, double f, double originLatitude,
                  double centralMeridian, double firstParallel, double secondParallel,
                  double falseEasting, double falseNorthing, bool* accepted) {
    const bool reject = !AllFinite({a, f, originLatitude, firstParallel, secondParallel,
                                    falseEasting, falseNorthing}) ||
                        LongitudeOutOfRange(centralMeridian) || firstParallel == -secondParallel ||
                        (firstParallel == 0 && secondParallel == 0) ||
                        std::fabs(secondParallel) > kMaxLatitude ||
                        std::fabs(firstParallel) > kMaxLatitude ||
                        std::fabs(originLatitude) > kMaxLatitude || EllipsoidOutOfRange(a, f);
    if (reject) {
        if (accepted) *accepted = false;
        return s.n;
    }

    const double e = std::sqrt(2 * f - f * f);
    const double m1 = Mfunction(firstParallel, e);
    const double t1 = Tfunction(firstParallel, e);
    const double tOrigin = Tfunction(originLatitude, e);
    double n, phi0, k0, t0;
    if (std::fabs(firstParallel - secondParallel) > 1e-10) {
        const double m2 = Mfunction(secondParallel, e);
        const double t2 = Tfunction(secondParallel, e);
        n = std::log(m1 / m2) / std::log(t1 / t2);
        phi0 = std::asin(n);
        t0 = Tfunction(phi0, e);
        k0 = (m1 / Mfunction(phi0, e)) * std::pow(t0 / t1, n);
    } else {
        // A tangent cone: the parallel itself is the origin of the 1SP form.
        n = std::sin(firstParallel);
        phi0 = firstParallel;
        t0 = t1;
        k0 = 1;
    }
    // The 1SP form measures northings from its own origin latitude; shift the
    // false northing so that the requested origin latitude keeps FN.
    const double aF = a * m1 / (n * std::pow(t1, n));
    const double fnEquivalent = falseNorthing + aF * std::pow(tOrigin, n) - aF * std::pow(t0, n);

    const LambertState before = s;
    bool installed = false;
    Install1SP(s, a, f, phi0, centralMeridian, falseEasting, fnEquivalent, k0, &installed);
    if (!installed) {
        s = before;
        if (accepted) *accepted = false;
        return s.n;
    }
    s.set2 = {a,
              f,
              originLatitude,
              StoredCentralMeridian(centralMeridian),
              firstParallel,
              secondParallel,
              falseEasting,
              falseNorthing};
    s.have2 = true;
    s.equivalentOriginLatitude = phi0;
    s.equivalentK0 = k0;
    s.equivalentFalseNorthing = fnEquivalent;
    if (accepted) *accepted = true;
    return s.n;
}

int CheckTwoParallelGrid(const LambertState& s, double easting, double northing) {
    return CheckGridInput(easting, northing, s.set2.falseEasting, s.equivalentFalseNorthing);
}

}  // namespace

LambertState& Lambert() { return g_lambert; }

double SetLambert1SPParameters(double a, double f, double originLatitude, double centralMeridian,
                               double falseEasting, double falseNorthing, double k0,
                               bool* accepted) {
    return Install1SP(g_lambert, a, f, originLatitude, centralMeridian, falseEasting, falseNorthing,
                      k0, accepted);
}

int GeodeticToLambert1SP(double latitude, double longitude, double& easting, double& northing) {
    return Forward1SP(g_lambert, latitude, longitude, easting, northing);
}

int Lambert1SPToGeodetic(double easting, double northing, double& latitude, double& longitude) {
    return Inverse1SP(g_lambert, easting, northing, latitude, longitude);
}

void GetLambert1SPParameters(double& a, double& f, double& originLatitude, double& centralMeridian,
                             double& falseEasting, double& falseNorthing, double& k0) {
    const Lambert1SPSet& p = g_lambert.set1;
    a = p.a;
    f = p.f;
    originLatitude = p.originLatitude;
    centralMeridian = p.centralMeridian;
    falseEasting = p.falseEasting;
    falseNorthing = p.falseNorthing;
    k0 = p.k0;
}

double SetLambert2SPParameters(double a, double f, double originLatitude, double centralMeridian,
                               double firstParallel, double secondParallel, double falseEasting,
                               double falseNorthing, bool* accepted) {
    return Install2SP(g_lambert, a, f, originLatitude, centralMeridian, firstParallel,
                      secondParallel, falseEasting, falseNorthing, accepted);
}

int GeodeticToLambert2SP(double latitude, double longitude, double& easting, double& northing) {
    if (!g_lambert.have2) return kLambertNoParameters;
    if (const int bits = CheckGeodeticInput(latitude, longitude)) return bits;
    ReinstallEquivalent1SP(g_lambert);
    return GeodeticToLambert1SP(latitude, longitude, easting, northing);
}

int Lambert2SPToGeodetic(double easting, double northing, double& latitude, double& longitude) {
    if (!g_lambert.have2) return kLambertNoParameters;
    if (const int bits = CheckTwoParallelGrid(g_lambert, easting, northing)) return bits;
    ReinstallEquivalent1SP(g_lambert);
    return Lambert1SPToGeodetic(easting, northing, latitude, longitude);
}

void GetLambert2SPParameters(double& a, double& f, double& originLatitude, double& centralMeridian,
                             double& firstParallel, double& secondParallel, double& falseEasting,
                             double& falseNorthing) {
    const Lambert2SPSet& p = g_lambert.set2;
    a = p.a;
    f = p.f;
    originLatitude = p.originLatitude;
    centralMeridian = p.centralMeridian;
    firstParallel = p.firstParallel;
    secondParallel = p.secondParallel;
    falseEasting = p.falseEasting;
    falseNorthing = p.falseNorthing;
}

std::optional<LambertConic> LambertConic::OneParallel(const Lambert1SPSet& p) {
    LambertConic c;
    bool accepted = false;
    Install1SP(c.state_, p.a, p.f, p.originLatitude, p.centralMeridian, p.falseEasting,
               p.falseNorthing, p.k0, &accepted);
    if (!accepted) return std::nullopt;
    return c;
}

std::optional<LambertConic> LambertConic::TwoParallels(const Lambert2SPSet& p) {
    LambertConic c;
    bool accepted = false;
    Install2SP(c.state_, p.a, p.f, p.originLatitude, p.centralMeridian, p.firstParallel,
               p.secondParallel, p.falseEasting, p.falseNorthing, &accepted);
    if (!accepted) return std::nullopt;
    c.twoParallels_ = true;
    return c;
}

// The equivalent one-parallel set of a two-parallel conic is installed once
// and never changes, so no re-installation is needed here.
int LambertConic::Forward(double latitude, double longitude, double& easting,
                          double& northing) const {
    return Forward1SP(state_, latitude, longitude, easting, northing);
}

int LambertConic::Inverse(double easting, double northing, double& latitude,
                          double& longitude) const {
    if (twoParallels_)
        if (const int bits = CheckTwoParallelGrid(state_, easting, northing)) return bits;
    return Inverse1SP(state_, easting, northing, latitude, longitude);
}

}  // namespace geodesy
