#include "navigation/KmlProjection.h"

#include <cmath>

namespace {

constexpr double kLambertStatedRangeDeg = 90;

}  // namespace

bool KmlDatumConfigured(const DeviceSettingsValues& v) {
    const std::string& meridian = v.UseLCCProjection ? v.LCCM : v.CentralMeridian;
    return !v.SemiMajorAxis.empty() && !meridian.empty();
}

std::optional<KmlGridProjection> KmlGridProjection::FromSettings(const DeviceSettingsValues& v,
                                                                 std::string* why) {
    const auto system = BuildGridSystem(v, why);
    if (!system) return std::nullopt;
    KmlGridProjection projection(*system);
    if (!projection.IsValid()) {
        if (why) *why = "The geodetic parameters are out of their range.";
        return std::nullopt;
    }
    return projection;
}

bool KmlGridProjection::WithinStatedRange(const geodesy::Geodetic& local) const {
    const DeviceGridSystem& s = conversion_.System();
    if (!s.lambert)
        return std::fabs(geodesy::LongitudeFromCentralMeridian(
                   local.longitudeDeg, s.tm.centralMeridianDeg)) <= geodesy::kTMStatedRangeDeg;
    const geodesy::LambertConic* conic = conversion_.Conic();
    if (!conic) return false;
    const double fromMeridian = geodesy::LongitudeFromCentralMeridian(
        local.longitudeDeg, geodesy::RadToDeg(conic->CentralMeridian()));
    return std::fabs(fromMeridian) <= kLambertStatedRangeDeg &&
           local.latitudeDeg * conic->ConeConstant() >= 0;
}

bool KmlGridProjection::ToGrid(double latitudeDeg, double longitudeDeg, double& x,
                               double& y) const {
    const auto local = conversion_.ToLocal(latitudeDeg, longitudeDeg);
    return local && WithinStatedRange(*local) && conversion_.LocalToGrid(*local, x, y);
}

bool KmlGridProjection::ToGeographic(double x, double y, double& latitudeDeg,
                                     double& longitudeDeg) const {
    return conversion_.ToGeographic(x, y, latitudeDeg, longitudeDeg);
}

bool KmlGeographicToGrid(const DeviceSettingsValues& v, double latitudeDeg, double longitudeDeg,
                         double& x, double& y) {
    const auto projection = KmlGridProjection::FromSettings(v);
    return projection && projection->ToGrid(latitudeDeg, longitudeDeg, x, y);
}

bool KmlGridToGeographic(const DeviceSettingsValues& v, double x, double y, double& latitudeDeg,
                         double& longitudeDeg) {
    const auto projection = KmlGridProjection::FromSettings(v);
    return projection && projection->ToGeographic(x, y, latitudeDeg, longitudeDeg);
}
