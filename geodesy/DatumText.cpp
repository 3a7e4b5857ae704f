#include "geodesy/DatumText.h"

#include <array>

#include "geodesy/ParameterText.h"

namespace geodesy {
namespace {

std::string GeocentricText(const Geocentric& p) {
    return GeneralText(p.x) + "\t" + GeneralText(p.y) + "\t" + GeneralText(p.z);
}

// " s rx ry rz tx ty tz", each in the General format.
std::string SevenParameterText(const SevenParameters& s) {
    std::string text;
    for (double v : {s.scalePpm, s.rxArcSec, s.ryArcSec, s.rzArcSec, s.txM, s.tyM, s.tzM})
        text += " " + GeneralText(v);
    return text;
}

DatumSet DatumSetFrom(const double* v) {
    return DatumSet{Ellipsoid{v[0], v[1]}, SevenParameters{v[2], v[3], v[4], v[5], v[6], v[7], v[8]}};
}

}  // namespace

double GeoAngleUnits(double angle, std::string_view code) {
    if (code == "r" || code == "R") return DegToRad(angle);
    if (code == "d" || code == "D") return RadToDeg(angle);
    return 0;
}

bool ParseDatumText(std::string_view datumText, DatumSet& source, DatumSet& target) {
    std::array<double, 18> v{};
    if (!ReadExactly(datumText, v)) return false;
    source = DatumSetFrom(v.data());
    target = DatumSetFrom(v.data() + 9);
    return true;
}

std::string GeoBlhToXyz(double latitudeDeg, double longitudeDeg, double heightM, double a,
                        double f) {
    const auto p = GeodeticToGeocentric({latitudeDeg, longitudeDeg, heightM}, {a, f});
    return p ? GeocentricText(*p) : std::string(kFailedConversion);
}

std::string GeoHelmert(std::string_view tag, std::string_view text) {
    std::array<double, 10> v{};
    if (!ReadExactly(text, v)) return std::string(kFailedConversion);
    const Helmert helmert(SevenParameters{v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
    const Geocentric p{v[0], v[1], v[2]};
    if (tag == "WGS") {
        const Geocentric r = helmert.ToWgs84(p);
        if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.z))
            return std::string(kFailedConversion);
        return GeocentricText(r);
    }
    if (!helmert.IsValid()) return std::string(kFailedConversion);
    const Geocentric r = helmert.FromWgs84(p);
    if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.z))
        return std::string(kFailedConversion);
    return GeocentricText(r);
}

std::string GeoXyzToBlh(double x, double y, double z, double a, double f) {
    const auto g = GeocentricToGeodetic({x, y, z}, {a, f});
    if (!g) return {};
    return FixedText(g->latitudeDeg, 20, 8) + "\t" + FixedText(g->longitudeDeg, 20, 8) + "\t" +
           FixedText(g->heightM, 20, 2);
}

std::string GeoTransform(std::string_view kind, std::string_view geodeticText,
                         std::string_view datumText) {
    std::array<double, 3> blh{};
    DatumSet source, target;
    if (!ReadExactly(geodeticText, blh) || !ParseDatumText(datumText, source, target) ||
        !source.ellipsoid.IsValid() || !target.ellipsoid.IsValid())
        return std::string(kFailedConversion);
    const std::string xyz =
        GeoBlhToXyz(blh[0], blh[1], blh[2], source.ellipsoid.a, source.ellipsoid.f);
    const std::string wgs = GeoHelmert("WGS", xyz + SevenParameterText(source.toWgs84));
    const std::string local = GeoHelmert("Local", wgs + SevenParameterText(target.toWgs84));
    if (kind == "XYZ") return local;
    std::array<double, 3> t{};
    if (!ReadExactly(local, t)) return std::string(kFailedConversion);
    return GeoXyzToBlh(t[0], t[1], t[2], target.ellipsoid.a, target.ellipsoid.f);
}

}  // namespace geodesy
