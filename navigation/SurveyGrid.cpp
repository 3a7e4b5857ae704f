#include "navigation/SurveyGrid.h"

#include <array>
#include <cmath>

#include "devices/DeviceGeodesy.h"
#include "devices/SurveyProjection.h"
#include "foundation/DayPaths.h"
#include "geodesy/LambertConformalConic.h"
#include "geodesy/ParameterText.h"
#include "platform/VclText.h"

namespace {

// ---- The checks, edit by edit ----

std::string Named(const char* caption, const std::string& text) {
    return std::string(caption) + " \"" + text + "\"";
}

// The edit's one number; false with the refusal naming the edit.
bool Read(const char* caption, const std::string& text, double& out, std::string& why) {
    std::array<double, 1> value{};
    if (geodesy::ReadExactly(text, value) && std::isfinite(value[0])) {
        out = value[0];
        return true;
    }
    why = Named(caption, text) + " is not a number.";
    return false;
}

std::string Decimal(double value) { return platform::FloatToStr(value); }

struct Edit {
    const char* caption;
    const std::string& text;
};

std::string DatumRefusal(const DeviceSettingsValues& v) {
    std::string why;
    double a = 0, f = 0, x = 0;
    if (!Read("Semi Major Axis", v.SemiMajorAxis, a, why)) return why;
    if (!(a > 0)) return Named("Semi Major Axis", v.SemiMajorAxis) + " must be above 0 m.";
    if (!Read("Flattening", v.Flattening, f, why)) return why;
    if (!(f >= 0 && f < 0.1)) {
        why = Named("Flattening", v.Flattening) + " must lie between 0 and 0.1";
        if (f > 1)
            why += ": it is the flattening, not its inverse (1/" + v.Flattening + " = " +
                   platform::FloatToStrF(1 / f, platform::FloatFormat::Fixed, 15, 10) + ")";
        return why + ".";
    }
    for (const Edit& e : {Edit{"X Rotation", v.XRotation}, Edit{"Y Rotation", v.YRotation},
                          Edit{"Z Rotation", v.ZRotation}}) {
        if (!Read(e.caption, e.text, x, why)) return why;
        if (std::fabs(x) > geodesy::kMaxRotationArcSec)
            return Named(e.caption, e.text) + " is over " + Decimal(geodesy::kMaxRotationArcSec) +
                   " arc-seconds.";
    }
    for (const Edit& e :
         {Edit{"X Shift", v.XShift}, Edit{"Y Shift", v.YShift}, Edit{"Z Shift", v.ZShift}})
        if (!Read(e.caption, e.text, x, why)) return why;
    if (!Read("Scale Factor", v.ScalePPM, x, why)) return why;
    if (!(1 + x * 1e-6 > 0))
        return Named("Scale Factor", v.ScalePPM) + " (ppm) makes the datum's scale 0 or less.";
    return {};
}

std::string TransverseMercatorRefusal(const DeviceSettingsValues& v) {
    std::string why;
    double x = 0;
    if (!Read("TM Central Meridian", v.CentralMeridian, x, why)) return why;
    if (!Read("TM Reference Latitude", v.ReferenceLatitude, x, why)) return why;
    if (!(std::fabs(x) <= 90))
        return Named("TM Reference Latitude", v.ReferenceLatitude) +
               " must lie between -90 and 90 degrees.";
    if (!Read("TM Scale Factor", v.ScaleFactor, x, why)) return why;
    if (!(x >= geodesy::kMinScaleFactor && x <= geodesy::kMaxScaleFactor))
        return Named("TM Scale Factor", v.ScaleFactor) + " must lie between " +
               Decimal(geodesy::kMinScaleFactor) + " and " + Decimal(geodesy::kMaxScaleFactor) +
               ".";
    if (!Read("TM False Easting", v.FalseEasting, x, why)) return why;
    if (!Read("TM False Northing", v.FalseNorthing, x, why)) return why;
    return {};
}

// What the Lambert setters refuse, said edit by edit; their own verdict on
// the whole set follows when the projection is made.
std::string LambertRefusal(const DeviceSettingsValues& v) {
    std::string why;
    double f = 0, x = 0;
    Read("Flattening", v.Flattening, f, why);
    if (!(1 / f >= 250 && 1 / f <= 350))
        return Named("Flattening", v.Flattening) +
               " must lie between 1/350 and 1/250 for the Lambert projection.";
    const auto latitude = [&](const char* caption, const std::string& text, double& out) {
        if (!Read(caption, text, out, why)) return false;
        if (std::fabs(out) < 90) return true;
        why = Named(caption, text) + " must lie between -90 and 90 degrees.";
        return false;
    };
    double sp1 = 0, sp2 = 0, cp = 0;
    if (!v.Lambert1 && (!latitude("LCC Standard Parallel 1", v.LCCSP1, sp1) ||
                        !latitude("LCC Standard Parallel 2", v.LCCSP2, sp2)))
        return why;
    if (!latitude("LCC Central Parallel", v.LCCCP, cp)) return why;
    if (!Read("LCC Central Meridian", v.LCCM, x, why)) return why;
    if (!(x >= -180 && x <= 360))
        return Named("LCC Central Meridian", v.LCCM) + " must lie between -180 and 360 degrees.";
    if (v.Lambert1) {
        if (!Read("LCC Scale Factor", v.LCCSF, x, why)) return why;
        if (!(x >= 0.3 && x <= 3))
            return Named("LCC Scale Factor", v.LCCSF) + " must lie between 0.3 and 3.";
        if (cp == 0)
            return Named("LCC Central Parallel", v.LCCCP) +
                   " must not be 0 with one standard parallel.";
    } else if (sp1 == -sp2) {
        return "LCC Standard Parallel 1 \"" + v.LCCSP1 + "\" and 2 \"" + v.LCCSP2 +
               "\" must not lie opposite each other about the equator.";
    }
    if (!Read("LCC False Easting", v.LCCFE, x, why)) return why;
    if (!Read("LCC False Northing", v.LCCFN, x, why)) return why;
    return {};
}

// ---- The projection ----

class SurveyFixProjection final : public FixProjection {
  public:
    explicit SurveyFixProjection(const DeviceGridSystem& system) : conversion_(system) {}

    // The projection of the set, or nullptr with the geodesy's reason.
    static std::shared_ptr<const FixProjection> Create(const DeviceSettingsValues& values,
                                                       std::string& why) {
        const std::optional<DeviceGridSystem> system = BuildGridSystem(values, &why);
        if (!system) return nullptr;
        auto projection = std::make_shared<SurveyFixProjection>(*system);
        if (projection->conversion_.IsValid()) return projection;
        why = !geodesy::DatumShift::Create(system->source, system->target)
                  ? "The datum shift refuses the datum parameters."
              : system->lambert ? "The Lambert projection refuses the LCC parameters."
                                : "The Transverse Mercator projection refuses the TM parameters.";
        return nullptr;
    }

    std::optional<GridFix> Project(double latitude, double longitude,
                                   double height) const override {
        // Transverse Mercator shifts the datum at height 0, Lambert at the
        // fix's own height.
        if (!conversion_.Conic()) height = 0;
        // Rows and ticks ask for the same fix many times over.
        if (haveLast_ && latitude == lastLatitude_ && longitude == lastLongitude_ &&
            height == lastHeight_)
            return last_;
        last_ = Convert(latitude, longitude, height);
        haveLast_ = true;
        lastLatitude_ = latitude;
        lastLongitude_ = longitude;
        lastHeight_ = height;
        return last_;
    }

  private:
    std::optional<GridFix> Convert(double latitude, double longitude, double height) const {
        const std::optional<geodesy::Geodetic> local =
            conversion_.ToLocal(latitude, longitude, height);
        GridFix out;
        if (!local || !conversion_.LocalToGrid(*local, out.easting, out.northing))
            return std::nullopt;
        if (const geodesy::LambertConic* conic = conversion_.Conic()) {
            // Grid north lies east of true north east of the central meridian
            // in the north (gamma = n dlon), so the heading correction is
            // -gamma, as for Transverse Mercator.
            out.convergence = -conic->ConeConstant() *
                              geodesy::LongitudeFromCentralMeridian(
                                  local->longitudeDeg, geodesy::RadToDeg(conic->CentralMeridian()));
        } else {
            const DeviceGridSystem& system = conversion_.System();
            out.convergence = geodesy::TMGridConvergenceDeg(system.target.ellipsoid,
                                                            system.tm.centralMeridianDeg,
                                                            {latitude, longitude})
                                  .value_or(0);
        }
        return out;
    }

    SurveyGridConversion conversion_;
    mutable bool haveLast_ = false;
    mutable double lastLatitude_ = 0, lastLongitude_ = 0, lastHeight_ = 0;
    mutable std::optional<GridFix> last_;
};

}  // namespace

std::string GeodeticSetRefusal(const DeviceSettingsValues& v) {
    std::string why = DatumRefusal(v);
    if (why.empty()) why = v.UseLCCProjection ? LambertRefusal(v) : TransverseMercatorRefusal(v);
    return why;
}

bool CacheGeodesy(MapTickMemory& m, const DeviceSettingsValues& v, std::string* why) {
    std::string reason = GeodeticSetRefusal(v);
    std::shared_ptr<const FixProjection> projection;
    if (reason.empty()) projection = SurveyFixProjection::Create(v, reason);
    m.Projection = projection;
    m.GeodesyRefused = !projection;
    if (!projection) {
        if (why) *why = reason;
        return false;
    }
    const GeodeticTexts texts = BuildGeodeticTexts(v);
    g_EllipsoidParamsText = texts.Ellipsoid;
    g_TMParamsText = texts.TM;
    return true;
}

void DropGeodesyCache(MapTickMemory& m) {
    m.Projection.reset();
    m.GeodesyRefused = false;
    // The first fix after the drop is projected with the new parameters.
    m.FixLatitude = m.FixLongitude = m.FixHeight = std::nan("");
}

std::optional<GridFix> GridOfLatestFix(const SurveyState& s) {
    if (!s.MapTick.Projection || (s.GnssLatitude == 0 && s.GnssLongitude == 0)) return std::nullopt;
    return s.MapTick.Projection->Project(s.GnssLatitude, s.GnssLongitude, s.GnssHeight);
}
