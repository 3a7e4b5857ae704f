#include "devices/DeviceGeodesy.h"

#include <array>

#include "geodesy/DatumText.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"

namespace {

constexpr const char* kWgs84WithoutShift =
    "6378137.0  0.0033528106647474  0.0  0.0  0.0  0.0  0.0  0.0  0.0 ";

bool Number(const std::string& text, double& out) {
    std::array<double, 1> value{};
    if (!geodesy::ReadExactly(text, value)) return false;
    out = value[0];
    return true;
}

}  // namespace

GeodeticTexts BuildGeodeticTexts(const DeviceSettingsValues& v) {
    GeodeticTexts t;
    t.Datum = std::string(kWgs84WithoutShift) + v.SemiMajorAxis + " " + v.Flattening + " " +
              v.ScalePPM + " " + v.XRotation + " " + v.YRotation + " " + v.ZRotation + " " +
              v.XShift + " " + v.YShift + " " + v.ZShift;
    t.Ellipsoid = "6378137.0 0.0033528106647474 " + v.SemiMajorAxis + " " + v.Flattening;
    t.TM = v.CentralMeridian + " " + v.ReferenceLatitude + " " + v.ScaleFactor + " " +
           v.FalseEasting + " " + v.FalseNorthing;
    return t;
}

std::optional<DeviceGridSystem> BuildGridSystem(const DeviceSettingsValues& v, std::string* why) {
    const auto refuse = [why](const std::string& reason) -> std::optional<DeviceGridSystem> {
        if (why) *why = reason;
        return std::nullopt;
    };
    const GeodeticTexts texts = BuildGeodeticTexts(v);
    DeviceGridSystem s;
    if (!geodesy::ParseDatumText(texts.Datum, s.source, s.target))
        return refuse("The datum parameters are not all numbers.");
    if (!s.target.ellipsoid.IsValid()) return refuse("The target ellipsoid is not valid.");
    s.lambert = v.UseLCCProjection;
    s.lambertOneParallel = v.Lambert1;
    const double a = s.target.ellipsoid.a, f = s.target.ellipsoid.f;
    if (!s.lambert) {
        const auto tm = geodesy::ParseTMParameterText(texts.TM);
        if (!tm) return refuse("The Transverse Mercator parameters are not all numbers.");
        s.tm = *tm;
        return s;
    }
    double sp1 = 0, sp2 = 0, k0 = 0, cp = 0, cm = 0, fe = 0, fn = 0;
    const bool common =
        Number(v.LCCCP, cp) && Number(v.LCCM, cm) && Number(v.LCCFE, fe) && Number(v.LCCFN, fn);
    if (s.lambertOneParallel) {
        if (!common || !Number(v.LCCSF, k0))
            return refuse("The Lambert parameters are not all numbers.");
        s.lambert1 = {a, f, cp * geodesy::kPi / 180, cm * geodesy::kPi / 180, fe, fn, k0};
    } else {
        if (!common || !Number(v.LCCSP1, sp1) || !Number(v.LCCSP2, sp2))
            return refuse("The Lambert parameters are not all numbers.");
        s.lambert2 = {a,
                      f,
                      cp * geodesy::kPi / 180,
                      cm * geodesy::kPi / 180,
                      sp1 * geodesy::kPi / 180,
                      sp2 * geodesy::kPi / 180,
                      fe,
                      fn};
    }
    if (why) why->clear();
    return s;
}
