#include "devices/SurveyProjection.h"

#include <cmath>
#include <memory>
#include <optional>

#include "geodesy/LambertConformalConic.h"

namespace {

struct Conversion {
    DeviceGridSystem system;
    std::optional<geodesy::DatumShift> toLocal, toWgs84;
    std::optional<geodesy::TransverseMercator> tm;

    // Runs one Lambert conversion with this system's set installed.
    template <class F>
    int WithLambert(F&& convert) const {
        const geodesy::LambertState saved = geodesy::Lambert();
        bool accepted = false;
        if (system.lambertOneParallel) {
            const auto& s = system.lambert1;
            geodesy::SetLambert1SPParameters(s.a, s.f, s.originLatitude, s.centralMeridian,
                                             s.falseEasting, s.falseNorthing, s.k0, &accepted);
        } else {
            const auto& s = system.lambert2;
            geodesy::SetLambert2SPParameters(s.a, s.f, s.originLatitude, s.centralMeridian,
                                             s.firstParallel, s.secondParallel, s.falseEasting,
                                             s.falseNorthing, &accepted);
        }
        const int result = accepted ? convert() : geodesy::kLambertNoParameters;
        geodesy::Lambert() = saved;
        return result;
    }

    bool ToWorld(double lat, double lon, double& e, double& n) const {
        if (!toLocal) return false;
        const auto local = toLocal->Transform({lat, lon, 0});
        if (!local) return false;
        if (!system.lambert) {
            if (!tm) return false;
            const auto g = tm->Forward({local->latitudeDeg, local->longitudeDeg});
            if (!g) return false;
            e = g->eastingM;
            n = g->northingM;
            return true;
        }
        double x = 0, y = 0;
        const double phi = geodesy::DegToRad(local->latitudeDeg);
        const double lambda = geodesy::DegToRad(local->longitudeDeg);
        const int error = WithLambert([&] {
            return system.lambertOneParallel ? geodesy::GeodeticToLambert1SP(phi, lambda, x, y)
                                             : geodesy::GeodeticToLambert2SP(phi, lambda, x, y);
        });
        if (error != 0 || !std::isfinite(x) || !std::isfinite(y)) return false;
        e = x;
        n = y;
        return true;
    }

    bool ToGeographic(double e, double n, double& lat, double& lon) const {
        if (!toWgs84) return false;
        double localLat = 0, localLon = 0;
        if (!system.lambert) {
            if (!tm) return false;
            const auto g = tm->Inverse({e, n});
            if (!g) return false;
            localLat = g->latitudeDeg;
            localLon = g->longitudeDeg;
        } else {
            double phi = 0, lambda = 0;
            const int error = WithLambert([&] {
                return system.lambertOneParallel ? geodesy::Lambert1SPToGeodetic(e, n, phi, lambda)
                                                 : geodesy::Lambert2SPToGeodetic(e, n, phi, lambda);
            });
            if (error != 0) return false;
            localLat = geodesy::RadToDeg(phi);
            localLon = geodesy::RadToDeg(lambda);
        }
        const auto wgs = toWgs84->Transform({localLat, localLon, 0});
        if (!wgs || !std::isfinite(wgs->latitudeDeg) || !std::isfinite(wgs->longitudeDeg))
            return false;
        lat = wgs->latitudeDeg;
        lon = wgs->longitudeDeg;
        return true;
    }
};

}  // namespace

TMapProjection MakeMapProjection(const DeviceGridSystem& system) {
    auto c = std::make_shared<Conversion>();
    c->system = system;
    c->toLocal = geodesy::DatumShift::Create(system.source, system.target);
    c->toWgs84 = geodesy::DatumShift::Create(system.target, system.source);
    if (!system.lambert) c->tm = geodesy::TransverseMercator::Create(system.target.ellipsoid, system.tm);
    TMapProjection p;
    p.ToWorld = [c](double lat, double lon, double& e, double& n) { return c->ToWorld(lat, lon, e, n); };
    p.ToGeographic = [c](double e, double n, double& lat, double& lon) {
        return c->ToGeographic(e, n, lat, lon);
    };
    return p;
}
