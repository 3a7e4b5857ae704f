#include "devices/SurveyProjection.h"

#include <cmath>
#include <memory>

namespace {

bool IsZero(const geodesy::SevenParameters& p) {
    return p.scalePpm == 0 && p.rxArcSec == 0 && p.ryArcSec == 0 && p.rzArcSec == 0 && p.txM == 0 &&
           p.tyM == 0 && p.tzM == 0;
}

// Both sets the same ellipsoid without a shift: the datum chain would give
// each position back to within its iteration's 1e-12 rad.
bool IsIdentity(const DeviceGridSystem& s) {
    return s.source.ellipsoid.a == s.target.ellipsoid.a &&
           s.source.ellipsoid.f == s.target.ellipsoid.f && IsZero(s.source.toWgs84) &&
           IsZero(s.target.toWgs84);
}

// Onto (-180, 180], as the chain's atan2 puts it.
double WrapLongitude(double degrees) {
    const double wrapped = std::remainder(degrees, 360.0);
    return wrapped == -180 ? 180 : wrapped;
}

}  // namespace

SurveyGridConversion::SurveyGridConversion(const DeviceGridSystem& system)
    : system_(system),
      toLocal_(geodesy::DatumShift::Create(system.source, system.target)),
      toWgs84_(geodesy::DatumShift::Create(system.target, system.source)),
      identity_(IsIdentity(system)) {
    if (!system.lambert)
        tm_ = geodesy::TransverseMercator::Create(system.target.ellipsoid, system.tm);
    else if (system.lambertOneParallel)
        conic_ = geodesy::LambertConic::OneParallel(system.lambert1);
    else
        conic_ = geodesy::LambertConic::TwoParallels(system.lambert2);
}

bool SurveyGridConversion::IsValid() const { return toLocal_ && toWgs84_ && (tm_ || conic_); }

std::optional<geodesy::Geodetic> SurveyGridConversion::ToLocal(double latitudeDeg,
                                                               double longitudeDeg,
                                                               double heightM) const {
    if (!toLocal_) return std::nullopt;
    if (identity_) {
        if (!std::isfinite(longitudeDeg) || !(std::fabs(latitudeDeg) <= 90)) return std::nullopt;
        return geodesy::Geodetic{latitudeDeg, WrapLongitude(longitudeDeg), 0};
    }
    return toLocal_->Transform({latitudeDeg, longitudeDeg, heightM});
}

bool SurveyGridConversion::LocalToGrid(const geodesy::Geodetic& local, double& easting,
                                       double& northing) const {
    double e = 0, n = 0;
    if (tm_) {
        const auto g = tm_->Forward({local.latitudeDeg, local.longitudeDeg});
        if (!g) return false;
        e = g->eastingM;
        n = g->northingM;
    } else if (!conic_ || conic_->Forward(geodesy::DegToRad(local.latitudeDeg),
                                          geodesy::DegToRad(local.longitudeDeg), e, n) != 0) {
        return false;
    }
    if (!std::isfinite(e) || !std::isfinite(n)) return false;
    easting = e;
    northing = n;
    return true;
}

bool SurveyGridConversion::ToGrid(double latitudeDeg, double longitudeDeg, double& easting,
                                  double& northing) const {
    const auto local = ToLocal(latitudeDeg, longitudeDeg);
    return local && LocalToGrid(*local, easting, northing);
}

bool SurveyGridConversion::ToGeographic(double easting, double northing, double& latitudeDeg,
                                        double& longitudeDeg) const {
    if (!toWgs84_) return false;
    double localLat = 0, localLon = 0;
    if (tm_) {
        const auto g = tm_->Inverse({easting, northing});
        if (!g) return false;
        localLat = g->latitudeDeg;
        localLon = g->longitudeDeg;
    } else {
        double phi = 0, lambda = 0;
        if (!conic_ || conic_->Inverse(easting, northing, phi, lambda) != 0) return false;
        localLat = geodesy::RadToDeg(phi);
        localLon = geodesy::RadToDeg(lambda);
    }
    if (identity_) {
        if (!std::isfinite(localLat) || !std::isfinite(localLon)) return false;
        latitudeDeg = localLat;
        longitudeDeg = WrapLongitude(localLon);
        return true;
    }
    const auto wgs = toWgs84_->Transform({localLat, localLon, 0});
    if (!wgs || !std::isfinite(wgs->latitudeDeg) || !std::isfinite(wgs->longitudeDeg)) return false;
    latitudeDeg = wgs->latitudeDeg;
    longitudeDeg = wgs->longitudeDeg;
    return true;
}

TMapProjection MakeMapProjection(const DeviceGridSystem& system) {
    const auto c = std::make_shared<const SurveyGridConversion>(system);
    TMapProjection p;
    p.ToWorld = [c](double lat, double lon, double& e, double& n) {
        return c->ToGrid(lat, lon, e, n);
    };
    p.ToGeographic = [c](double e, double n, double& lat, double& lon) {
        return c->ToGeographic(e, n, lat, lon);
    };
    return p;
}
