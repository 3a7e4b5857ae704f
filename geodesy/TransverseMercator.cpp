#include "geodesy/TransverseMercator.h"

#include <cmath>

namespace geodesy {
namespace {

bool ValidLatitude(double latitudeDeg) { return std::fabs(latitudeDeg) <= 90; }

bool ValidScaleFactor(double k0) { return k0 >= kMinScaleFactor && k0 <= kMaxScaleFactor; }

// Shared by the convergence and the scale: ψ = ν / ρ and the trigonometry of φ.
struct RedfearnTerms {
    double sinPhi, cosPhi, t2, psi, omega;
};

std::optional<RedfearnTerms> Redfearn(const Ellipsoid& ellipsoid, double centralMeridianDeg,
                                      const Geographic& position) {
    if (!ellipsoid.IsValid() || !ValidLatitude(position.latitudeDeg) ||
        !std::isfinite(position.longitudeDeg) || !std::isfinite(centralMeridianDeg))
        return std::nullopt;
    const double e2 = ellipsoid.EccentricitySquared();
    const double phi = position.latitudeDeg * kPi / 180;
    const double omega =
        LongitudeFromCentralMeridian(position.longitudeDeg, centralMeridianDeg) * kPi / 180;
    RedfearnTerms r{std::sin(phi), std::cos(phi), 0, 0, omega};
    const double t = r.sinPhi / r.cosPhi;
    r.t2 = t * t;
    const double w = 1 - e2 * r.sinPhi * r.sinPhi;
    const double rho = ellipsoid.a * (1 - e2) / std::pow(w, 1.5);
    const double nu = ellipsoid.a / std::sqrt(w);
    r.psi = nu / rho;
    return r;
}

}  // namespace

bool TMParameters::IsValid() const {
    return std::isfinite(centralMeridianDeg) && ValidLatitude(referenceLatitudeDeg) &&
           ValidScaleFactor(k0) && std::isfinite(falseEastingM) && std::isfinite(falseNorthingM);
}

double LongitudeFromCentralMeridian(double longitudeDeg, double centralMeridianDeg) {
    const double d = std::remainder(longitudeDeg - centralMeridianDeg, 360.0);
    return d == -180 ? 180 : d;
}

std::optional<TransverseMercator> TransverseMercator::Create(const Ellipsoid& ellipsoid,
                                                             const TMParameters& parameters) {
    if (!ellipsoid.IsValid() || !parameters.IsValid()) return std::nullopt;
    TransverseMercator tm;
    tm.p_ = parameters;
    tm.a_ = ellipsoid.a;
    const double e2 = ellipsoid.EccentricitySquared();
    const double e4 = e2 * e2, e6 = e4 * e2;
    tm.e2_ = e2;
    tm.ep2_ = e2 / (1 - e2);
    tm.arc0_ = 1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256;
    tm.arc2_ = 3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024;
    tm.arc4_ = 15 * e4 / 256 + 45 * e6 / 1024;
    tm.arc6_ = 35 * e6 / 3072;
    const double root = std::sqrt(1 - e2);
    const double e1 = (1 - root) / (1 + root);
    const double e1p2 = e1 * e1, e1p3 = e1p2 * e1, e1p4 = e1p3 * e1;
    tm.foot2_ = 3 * e1 / 2 - 27 * e1p3 / 32;
    tm.foot4_ = 21 * e1p2 / 16 - 55 * e1p4 / 32;
    tm.foot6_ = 151 * e1p3 / 96;
    tm.foot8_ = 1097 * e1p4 / 512;
    const double phi0 = DegToRad(parameters.referenceLatitudeDeg);
    tm.arcAtReference_ = tm.MeridianArc(phi0, std::sin(phi0), std::cos(phi0));
    return tm;
}

double TransverseMercator::MeridianArc(double phi, double sinPhi, double cosPhi) const {
    const double sin2 = 2 * sinPhi * cosPhi;
    const double cos2 = cosPhi * cosPhi - sinPhi * sinPhi;
    const double sin4 = 2 * sin2 * cos2;
    const double cos4 = cos2 * cos2 - sin2 * sin2;
    const double sin6 = sin4 * cos2 + cos4 * sin2;
    return a_ * (arc0_ * phi - arc2_ * sin2 + arc4_ * sin4 - arc6_ * sin6);
}

std::optional<GridPoint> TransverseMercator::Forward(const Geographic& position) const {
    if (!ValidLatitude(position.latitudeDeg) || !std::isfinite(position.longitudeDeg))
        return std::nullopt;
    const double phi = DegToRad(position.latitudeDeg);
    const double dLambda =
        DegToRad(LongitudeFromCentralMeridian(position.longitudeDeg, p_.centralMeridianDeg));
    const double s = std::sin(phi), c = std::cos(phi);
    const double t = s / c;
    const double T = t * t;
    const double C = ep2_ * c * c;
    const double A = dLambda * c;
    const double A2 = A * A, A3 = A2 * A, A4 = A2 * A2, A5 = A4 * A, A6 = A4 * A2;
    const double N = a_ / std::sqrt(1 - e2_ * s * s);
    const double k0 = p_.k0;
    const GridPoint g{
        p_.falseEastingM +
            k0 * N *
                (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2_) * A5 / 120),
        p_.falseNorthingM + k0 * (MeridianArc(phi, s, c) - arcAtReference_ +
                                  N * t *
                                      (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                                       (61 - 58 * T + T * T + 600 * C - 330 * ep2_) * A6 / 720))};
    if (!std::isfinite(g.eastingM) || !std::isfinite(g.northingM)) return std::nullopt;
    return g;
}

std::optional<Geographic> TransverseMercator::Inverse(const GridPoint& grid) const {
    const double M = arcAtReference_ + (grid.northingM - p_.falseNorthingM) / p_.k0;
    const double mu = M / (a_ * arc0_);
    const double phi1 = mu + foot2_ * std::sin(2 * mu) + foot4_ * std::sin(4 * mu) +
                        foot6_ * std::sin(6 * mu) + foot8_ * std::sin(8 * mu);
    const double s1 = std::sin(phi1), c1 = std::cos(phi1);
    const double t1 = s1 / c1;
    const double C1 = ep2_ * c1 * c1;
    const double T1 = t1 * t1;
    const double w = 1 - e2_ * s1 * s1;
    const double N1 = a_ / std::sqrt(w);
    const double R1 = a_ * (1 - e2_) / std::pow(w, 1.5);
    const double D = (grid.eastingM - p_.falseEastingM) / (N1 * p_.k0);
    const double D2 = D * D, D3 = D2 * D, D4 = D2 * D2, D5 = D4 * D, D6 = D4 * D2;
    const double phi =
        phi1 - (N1 * t1 / R1) *
                   (D2 / 2 - (5 + 3 * T1 + 10 * C1 - 4 * C1 * C1 - 9 * ep2_) * D4 / 24 +
                    (61 + 90 * T1 + 298 * C1 + 45 * T1 * T1 - 252 * ep2_ - 3 * C1 * C1) * D6 / 720);
    const double lambda =
        DegToRad(p_.centralMeridianDeg) +
        (D - (1 + 2 * T1 + C1) * D3 / 6 +
         (5 - 2 * C1 + 28 * T1 - 3 * C1 * C1 + 8 * ep2_ + 24 * T1 * T1) * D5 / 120) /
            c1;
    const Geographic g{RadToDeg(phi), RadToDeg(lambda)};
    if (!ValidLatitude(g.latitudeDeg) || !std::isfinite(g.longitudeDeg)) return std::nullopt;
    return g;
}

std::optional<double> TMGridConvergenceDeg(const Ellipsoid& ellipsoid, double centralMeridianDeg,
                                           const Geographic& position) {
    const auto r = Redfearn(ellipsoid, centralMeridianDeg, position);
    if (!r) return std::nullopt;
    const double s = r->sinPhi, c = r->cosPhi, c2 = c * c, c4 = c2 * c2, c6 = c4 * c2;
    const double t2 = r->t2, t4 = t2 * t2, psi = r->psi, psi2 = psi * psi;
    const double w = r->omega, w3 = w * w * w, w5 = w3 * w * w, w7 = w5 * w * w;
    const double gamma = -w * s - (w3 / 3) * s * c2 * (2 * psi2 - psi) -
                         (w5 / 15) * s * c4 *
                             (psi2 * psi2 * (11 - 24 * t2) - psi2 * psi * (11 - 36 * t2) +
                              2 * psi2 * (1 - 7 * t2) + psi * t2) -
                         (w7 / 315) * s * c6 * (17 - 26 * t2 + 2 * t4);
    const double degrees = gamma * 180 / kPi;
    if (!std::isfinite(degrees)) return std::nullopt;
    return degrees;
}

std::optional<double> TMPointScaleFactor(const Ellipsoid& ellipsoid, double centralMeridianDeg,
                                         double k0, const Geographic& position) {
    if (!ValidScaleFactor(k0)) return std::nullopt;
    const auto r = Redfearn(ellipsoid, centralMeridianDeg, position);
    if (!r) return std::nullopt;
    const double c = r->cosPhi, c2 = c * c, c4 = c2 * c2, c6 = c4 * c2;
    const double t2 = r->t2, t4 = t2 * t2, psi = r->psi, psi2 = psi * psi;
    const double w2 = r->omega * r->omega, w4 = w2 * w2, w6 = w4 * w2;
    const double k =
        k0 *
        (1 + (w2 / 2) * psi * c2 +
         (w4 / 24) * c4 * (4 * psi2 * psi * (1 - 6 * t2) + psi2 * (1 + 24 * t2) - 4 * psi * t2) +
         (w6 / 720) * c6 * (61 - 148 * t2 + 16 * t4));
    if (!std::isfinite(k)) return std::nullopt;
    return k;
}

}  // namespace geodesy
