#include "geodesy/TransverseMercatorText.h"

#include <array>

#include "geodesy/DatumText.h"
#include "geodesy/ParameterText.h"
#include "platform/VclText.h"

namespace geodesy {
namespace {

std::string Failed() { return std::string(kFailedConversion); }

std::string GeographicText(double latitudeDeg, double longitudeDeg) {
    return FixedText(latitudeDeg, 18, 10) + " " + FixedText(longitudeDeg, 18, 10);
}

std::string GridText(const GridPoint& g) {
    return FixedText(g.eastingM, 18, 4) + " " + FixedText(g.northingM, 18, 4);
}

// Latitude and longitude of a geodetic result text (latitude, longitude,
// height), or nothing.
std::optional<Geographic> ReadGeodeticResult(std::string_view text) {
    std::array<double, 3> blh{};
    if (!ReadExactly(text, blh)) return std::nullopt;
    return Geographic{blh[0], blh[1]};
}

// The projection of a TM parameter text and an ellipsoid text, made once for
// as long as the caller passes the same two texts (the last pair is kept per
// thread and per ellipsoid form); std::nullopt when either text is refused.
template <std::optional<Ellipsoid> (*ParseEllipsoid)(std::string_view)>
const std::optional<TransverseMercator>& PreparedProjection(std::string_view tmText,
                                                            std::string_view ellipsoidText) {
    struct Prepared {
        bool used = false;
        std::string tmText, ellipsoidText;
        std::optional<TransverseMercator> projection;
    };
    thread_local Prepared prepared;
    if (prepared.used && prepared.tmText == tmText && prepared.ellipsoidText == ellipsoidText)
        return prepared.projection;
    prepared.used = true;
    prepared.tmText = std::string(tmText);
    prepared.ellipsoidText = std::string(ellipsoidText);
    const auto p = ParseTMParameterText(tmText);
    const auto e = ParseEllipsoid(ellipsoidText);
    prepared.projection = p && e ? TransverseMercator::Create(*e, *p) : std::nullopt;
    return prepared.projection;
}

}  // namespace

std::optional<TMParameters> ParseTMParameterText(std::string_view tmText) {
    std::array<double, 5> v{};
    if (!ReadExactly(tmText, v)) return std::nullopt;
    const TMParameters p{v[0], v[1], v[2], v[3], v[4]};
    if (!p.IsValid()) return std::nullopt;
    return p;
}

std::optional<Ellipsoid> ParseForwardEllipsoidText(std::string_view text) {
    std::array<std::string_view, 4> words{};
    if (!SplitWordsExactly(text, words)) return std::nullopt;
    const auto a = platform::ParseFloat(words[2]);
    const auto f = platform::ParseFloat(words[3]);
    if (!a || !f) return std::nullopt;
    const Ellipsoid e{*a, *f};
    if (!e.IsValid()) return std::nullopt;
    return e;
}

std::optional<Ellipsoid> ParseInverseEllipsoidText(std::string_view text) {
    std::array<double, 2> v{};
    if (!ReadLeading(text, v)) return std::nullopt;
    const Ellipsoid e{v[0], v[1]};
    if (!e.IsValid()) return std::nullopt;
    return e;
}

std::string TransverseMercatorFromText(std::string_view geographicText, std::string_view tmText,
                                       std::string_view forwardEllipsoidText) {
    std::array<double, 2> latLon{};
    if (!ReadExactly(geographicText, latLon)) return Failed();
    const auto& tm = PreparedProjection<ParseForwardEllipsoidText>(tmText, forwardEllipsoidText);
    if (!tm) return Failed();
    const auto g = tm->Forward({latLon[0], latLon[1]});
    if (!g) return Failed();
    return GridText(*g);
}

std::string GeoProject(std::string_view gridText, std::string_view tmText,
                       std::string_view inverseEllipsoidText) {
    std::array<double, 2> en{};
    if (!ReadExactly(gridText, en)) return Failed();
    const auto& tm = PreparedProjection<ParseInverseEllipsoidText>(tmText, inverseEllipsoidText);
    if (!tm) return Failed();
    const auto g = tm->Inverse({en[0], en[1]});
    if (!g) return Failed();
    return GeographicText(g->latitudeDeg, g->longitudeDeg);
}

std::optional<GridPoint> GeographicToGridPoint(double latitudeDeg, double longitudeDeg,
                                               std::string_view datumText, std::string_view tmText,
                                               std::string_view forwardEllipsoidText) {
    // The chain's latitude and longitude have 8 decimals; written with 10 and
    // read again they are the same numbers, so they go to the projection as
    // they are.
    const auto local = GeoTransformLatitudeLongitude(latitudeDeg, longitudeDeg, datumText);
    if (!local) return std::nullopt;
    const auto& tm = PreparedProjection<ParseForwardEllipsoidText>(tmText, forwardEllipsoidText);
    if (!tm) return std::nullopt;
    return tm->Forward({local->latitudeDeg, local->longitudeDeg});
}

std::string GeographicToGrid(std::string_view geographicText, std::string_view datumText,
                             std::string_view tmText, std::string_view forwardEllipsoidText) {
    std::array<double, 2> latLon{};
    if (!ReadExactly(geographicText, latLon)) return Failed();
    const auto g =
        GeographicToGridPoint(latLon[0], latLon[1], datumText, tmText, forwardEllipsoidText);
    return g ? GridText(*g) : Failed();
}

std::string GridToGeographic(std::string_view gridText, std::string_view datumText,
                             std::string_view tmText, std::string_view inverseEllipsoidText) {
    const std::string projected = GeoProject(gridText, tmText, inverseEllipsoidText);
    const auto g = ReadGeodeticResult(GeoTransform("BLH", projected + " 0", datumText));
    if (!g) return Failed();
    return GeographicText(g->latitudeDeg, g->longitudeDeg);
}

double TMConvergenceOrScale(std::string_view selector, double a, double f, double latitudeDeg,
                            double longitudeDeg, double centralMeridianDeg,
                            double /*referenceLatitudeDeg*/, double k0, double /*falseEastingM*/,
                            double /*falseNorthingM*/) {
    const Ellipsoid e{a, f};
    const Geographic position{latitudeDeg, longitudeDeg};
    std::optional<double> value;
    if (selector == "GrdConv")
        value = TMGridConvergenceDeg(e, centralMeridianDeg, position);
    else if (selector == "PtScFac")
        value = TMPointScaleFactor(e, centralMeridianDeg, k0, position);
    return value.value_or(0);
}

}  // namespace geodesy
