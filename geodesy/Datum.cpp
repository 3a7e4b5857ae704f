#include "geodesy/Datum.h"

namespace geodesy {
namespace {

constexpr int kMaxLatitudeIterations = 50;
constexpr double kLatitudeTolerance = 1e-12;  // radians

bool Finite(const Geocentric& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool Finite(const SevenParameters& s) {
    return std::isfinite(s.scalePpm) && std::isfinite(s.rxArcSec) && std::isfinite(s.ryArcSec) &&
           std::isfinite(s.rzArcSec) && std::isfinite(s.txM) && std::isfinite(s.tyM) &&
           std::isfinite(s.tzM);
}

double ArcSecondsToRadians(double arcSeconds) { return DegToRad(arcSeconds / 3600); }

}  // namespace

std::optional<Geocentric> GeodeticToGeocentric(const Geodetic& position,
                                               const Ellipsoid& ellipsoid) {
    if (!ellipsoid.IsValid() || !std::isfinite(position.longitudeDeg) ||
        !std::isfinite(position.heightM) || !(std::fabs(position.latitudeDeg) <= 90))
        return std::nullopt;
    const double e2 = ellipsoid.EccentricitySquared();
    const double phi = DegToRad(position.latitudeDeg);
    const double lambda = DegToRad(position.longitudeDeg);
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double n = ellipsoid.a / std::sqrt(1 - e2 * sinPhi * sinPhi);
    const Geocentric p{(n + position.heightM) * cosPhi * std::cos(lambda),
                       (n + position.heightM) * cosPhi * std::sin(lambda),
                       (n * (1 - e2) + position.heightM) * sinPhi};
    if (!Finite(p)) return std::nullopt;
    return p;
}

std::optional<Geodetic> GeocentricToGeodetic(const Geocentric& point, const Ellipsoid& ellipsoid) {
    if (!ellipsoid.IsValid() || !Finite(point)) return std::nullopt;
    const double a = ellipsoid.a;
    const double e2 = ellipsoid.EccentricitySquared();
    const double p = std::sqrt(point.x * point.x + point.y * point.y);
    double lambda = p == 0 ? 0 : std::atan2(point.y, point.x);
    if (lambda == -kPi) lambda = kPi;  // the circle is (-180, 180]
    // On the polar axis the iteration divides by p = 0; the answer is exact.
    const auto onAxis = [&]() -> std::optional<Geodetic> {
        if (point.z == 0) return std::nullopt;
        const double b = a * std::sqrt(1 - e2);
        return Geodetic{point.z > 0 ? 90.0 : -90.0, RadToDeg(lambda), std::fabs(point.z) - b};
    };
    if (p == 0) return onAxis();

    double phi = 0;
    double h = 0;
    for (int step = 0; step < kMaxLatitudeIterations; ++step) {
        const double sinPhi = std::sin(phi);
        const double n = a / std::sqrt(1 - e2 * sinPhi * sinPhi);
        const double next = std::atan((point.z / p) / (1 - e2 * n / (n + h)));
        if (std::fabs(next) == kPi / 2) return onAxis();
        const double sinNext = std::sin(next);
        const double nNext = a / std::sqrt(1 - e2 * sinNext * sinNext);
        // Near the poles p / cos(phi) loses the height in rounding; Z / sin(phi)
        // gives the same height there without that loss.
        h = std::fabs(next) <= kPi / 4 ? p / std::cos(next) - nNext
                                       : point.z / sinNext - nNext * (1 - e2);
        const double change = std::fabs(next - phi);
        phi = next;
        if (!std::isfinite(change) || !std::isfinite(h)) return std::nullopt;
        if (change <= kLatitudeTolerance) {
            const Geodetic result{RadToDeg(phi), RadToDeg(lambda), h};
            if (!(std::fabs(result.latitudeDeg) <= 90)) return std::nullopt;
            return result;
        }
    }
    return std::nullopt;
}

Helmert::Helmert(const SevenParameters& s) : tx_(s.txM), ty_(s.tyM), tz_(s.tzM) {
    const double rx = ArcSecondsToRadians(s.rxArcSec);
    const double ry = ArcSecondsToRadians(s.ryArcSec);
    const double rz = ArcSecondsToRadians(s.rzArcSec);
    const double cx = std::cos(rx), sx = std::sin(rx);
    const double cy = std::cos(ry), sy = std::sin(ry);
    const double cz = std::cos(rz), sz = std::sin(rz);
    const double m = 1 + s.scalePpm * 1e-6;
    // R3(rz) R2(ry) R1(rx), written out.
    const Matrix r{{{cy * cz, cz * sy * sx + sz * cx, sz * sx - cz * sy * cx},
                    {-sz * cy, cx * cz - sx * sy * sz, sz * sy * cx + cz * sx},
                    {sy, -sx * cy, cx * cy}}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) forward_[i][j] = m * r[i][j];

    // In-place Gauss-Jordan elimination without pivoting; m R is a scaled
    // rotation, so its diagonal stays far from zero for any survey datum.
    inverse_ = forward_;
    Matrix& v = inverse_;
    for (int k = 0; k < 3; ++k) {
        const double pivot = -1 / v[k][k];
        v[k][k] = pivot;
        for (int i = 0; i < 3; ++i)
            if (i != k) v[i][k] *= pivot;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                if (i != k && j != k) v[i][j] += v[i][k] * v[k][j];
        for (int j = 0; j < 3; ++j)
            if (j != k) v[k][j] *= pivot;
    }
    valid_ = Finite(s) && m > 0 && std::fabs(s.rxArcSec) <= kMaxRotationArcSec &&
             std::fabs(s.ryArcSec) <= kMaxRotationArcSec &&
             std::fabs(s.rzArcSec) <= kMaxRotationArcSec;
    for (auto& row : v)
        for (double& x : row) {
            x = -x;
            valid_ = valid_ && std::isfinite(x);
        }
}

Geocentric Helmert::ToWgs84(const Geocentric& p) const {
    const Matrix& r = forward_;
    return {tx_ + r[0][0] * p.x + r[0][1] * p.y + r[0][2] * p.z,
            ty_ + r[1][0] * p.x + r[1][1] * p.y + r[1][2] * p.z,
            tz_ + r[2][0] * p.x + r[2][1] * p.y + r[2][2] * p.z};
}

Geocentric Helmert::FromWgs84(const Geocentric& p) const {
    const Matrix& r = inverse_;
    const double x = p.x - tx_, y = p.y - ty_, z = p.z - tz_;
    return {r[0][0] * x + r[0][1] * y + r[0][2] * z, r[1][0] * x + r[1][1] * y + r[1][2] * z,
            r[2][0] * x + r[2][1] * y + r[2][2] * z};
}

DatumShift::DatumShift(const DatumSet& source, const DatumSet& target)
    : source_(source),
      target_(target),
      sourceToWgs84_(source.toWgs84),
      targetToWgs84_(target.toWgs84) {}

std::optional<DatumShift> DatumShift::Create(const DatumSet& source, const DatumSet& target) {
    DatumShift shift(source, target);
    if (!source.ellipsoid.IsValid() || !target.ellipsoid.IsValid() ||
        !shift.sourceToWgs84_.IsValid() || !shift.targetToWgs84_.IsValid())
        return std::nullopt;
    return shift;
}

std::optional<Geocentric> DatumShift::ToTargetGeocentric(const Geodetic& position) const {
    const auto xyz = GeodeticToGeocentric(position, source_.ellipsoid);
    if (!xyz) return std::nullopt;
    const Geocentric t = targetToWgs84_.FromWgs84(sourceToWgs84_.ToWgs84(*xyz));
    if (!Finite(t)) return std::nullopt;
    return t;
}

std::optional<Geodetic> DatumShift::Transform(const Geodetic& position) const {
    const auto t = ToTargetGeocentric(position);
    if (!t) return std::nullopt;
    return GeocentricToGeodetic(*t, target_.ellipsoid);
}

}  // namespace geodesy
