#include "navigation/KmlProjection.h"

#include <array>
#include <cmath>
#include <optional>

#include "devices/DeviceGeodesy.h"
#include "geodesy/GridCallback.h"
#include "geodesy/LambertConformalConic.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"

namespace {

geodesy::GeodeticEditTexts EditTexts(const DeviceSettingsValues& v) {
    return {v.SemiMajorAxis,     v.Flattening,  v.ScalePPM,     v.XRotation,    v.YRotation,
            v.ZRotation,         v.XShift,      v.YShift,       v.ZShift,       v.CentralMeridian,
            v.ReferenceLatitude, v.ScaleFactor, v.FalseEasting, v.FalseNorthing};
}

// The map tick keeps its Lambert set in the module's one state; a KML
// conversion installs its own and puts the tick's back afterwards.
class KeepLambertState {
  public:
    KeepLambertState() : saved_(geodesy::Lambert()) {}
    ~KeepLambertState() { geodesy::Lambert() = saved_; }
    KeepLambertState(const KeepLambertState&) = delete;
    KeepLambertState& operator=(const KeepLambertState&) = delete;

  private:
    geodesy::LambertState saved_;
};

bool InstallLambert(const DeviceGridSystem& s) {
    bool accepted = false;
    if (s.lambertOneParallel) {
        const auto& p = s.lambert1;
        geodesy::SetLambert1SPParameters(p.a, p.f, p.originLatitude, p.centralMeridian,
                                         p.falseEasting, p.falseNorthing, p.k0, &accepted);
    } else {
        const auto& p = s.lambert2;
        geodesy::SetLambert2SPParameters(p.a, p.f, p.originLatitude, p.centralMeridian,
                                         p.firstParallel, p.secondParallel, p.falseEasting,
                                         p.falseNorthing, &accepted);
    }
    return accepted;
}

std::optional<DeviceGridSystem> LambertSystem(const DeviceSettingsValues& v) {
    auto system = BuildGridSystem(v);
    if (!system || !system->lambert) return std::nullopt;
    return system;
}

bool LambertForward(const DeviceSettingsValues& v, double latitudeDeg, double longitudeDeg,
                    double& x, double& y) {
    const auto system = LambertSystem(v);
    if (!system) return false;
    const auto shift = geodesy::DatumShift::Create(system->source, system->target);
    if (!shift) return false;
    const auto local = shift->Transform({latitudeDeg, longitudeDeg, 0});
    if (!local) return false;
    KeepLambertState keep;
    if (!InstallLambert(*system)) return false;
    const double phi = geodesy::DegToRad(local->latitudeDeg);
    const double lambda = geodesy::DegToRad(local->longitudeDeg);
    double e = 0, n = 0;
    const int error = system->lambertOneParallel ? geodesy::GeodeticToLambert1SP(phi, lambda, e, n)
                                                 : geodesy::GeodeticToLambert2SP(phi, lambda, e, n);
    if (error != 0 || !std::isfinite(e) || !std::isfinite(n)) return false;
    x = e;
    y = n;
    return true;
}

bool LambertInverse(const DeviceSettingsValues& v, double x, double y, double& latitudeDeg,
                    double& longitudeDeg) {
    const auto system = LambertSystem(v);
    if (!system) return false;
    double phi = 0, lambda = 0;
    {
        KeepLambertState keep;
        if (!InstallLambert(*system)) return false;
        const int error = system->lambertOneParallel
                              ? geodesy::Lambert1SPToGeodetic(x, y, phi, lambda)
                              : geodesy::Lambert2SPToGeodetic(x, y, phi, lambda);
        if (error != 0) return false;
    }
    const auto shift = geodesy::DatumShift::Create(system->target, system->source);
    if (!shift) return false;
    const auto wgs84 = shift->Transform({geodesy::RadToDeg(phi), geodesy::RadToDeg(lambda), 0});
    if (!wgs84 || !std::isfinite(wgs84->latitudeDeg) || !std::isfinite(wgs84->longitudeDeg))
        return false;
    latitudeDeg = wgs84->latitudeDeg;
    longitudeDeg = wgs84->longitudeDeg;
    return true;
}

}  // namespace

bool KmlDatumConfigured(const DeviceSettingsValues& v) {
    const std::string& meridian = v.UseLCCProjection ? v.LCCM : v.CentralMeridian;
    return !v.SemiMajorAxis.empty() && !meridian.empty();
}

bool KmlGeographicToGrid(const DeviceSettingsValues& v, double latitudeDeg, double longitudeDeg,
                         double& x, double& y) {
    if (v.UseLCCProjection) return LambertForward(v, latitudeDeg, longitudeDeg, x, y);
    return geodesy::KmlGeographicToGrid(geodesy::GnssToGridParameterTexts(EditTexts(v)),
                                        latitudeDeg, longitudeDeg, x, y);
}

bool KmlGridToGeographic(const DeviceSettingsValues& v, double x, double y, double& latitudeDeg,
                         double& longitudeDeg) {
    if (v.UseLCCProjection) return LambertInverse(v, x, y, latitudeDeg, longitudeDeg);
    const geodesy::GeographicParameterTexts texts = geodesy::GridToGnssParameterTexts(EditTexts(v));
    const std::string grid = geodesy::FixedText(x, 18, 4) + " " + geodesy::FixedText(y, 18, 4);
    const std::string result =
        geodesy::GridToGeographic(grid, texts.datum, texts.tm, texts.inverseEllipsoid);
    std::array<double, 2> latLon{};
    if (!geodesy::ReadExactly(result, latLon)) return false;
    latitudeDeg = latLon[0];
    longitudeDeg = latLon[1];
    return true;
}
