#include "geodesy/DatumText.h"

#include <array>

#include "geodesy/ParameterText.h"

namespace geodesy {
namespace {

std::string Failed() { return std::string(kFailedConversion); }

std::string GeocentricText(const Geocentric& p) {
    return GeneralText(p.x) + "\t" + GeneralText(p.y) + "\t" + GeneralText(p.z);
}

DatumSet DatumSetFrom(const double* v) {
    return DatumSet{Ellipsoid{v[0], v[1]},
                    SevenParameters{v[2], v[3], v[4], v[5], v[6], v[7], v[8]}};
}

// The chain hands each set's seven parameters to the Helmert step in the
// General format; the step therefore works with those texts' values.
SevenParameters AsGeneralText(const SevenParameters& s) {
    const auto read = [](double v) { return ReadBack(GeneralText(v)).value_or(NAN); };
    return {read(s.scalePpm), read(s.rxArcSec), read(s.ryArcSec), read(s.rzArcSec),
            read(s.txM),      read(s.tyM),      read(s.tzM)};
}

bool Finite(const Geocentric& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The Helmert step on a parsed point: the geocentric text of the result.
std::string HelmertText(const Helmert& helmert, bool toWgs84, const Geocentric& p) {
    if (!helmert.IsValid()) return Failed();
    const Geocentric r = toWgs84 ? helmert.ToWgs84(p) : helmert.FromWgs84(p);
    return Finite(r) ? GeocentricText(r) : Failed();
}

// The Helmert step on a geocentric text (three numbers, as the previous step
// wrote them).
std::string HelmertText(const Helmert& helmert, bool toWgs84, std::string_view xyzText) {
    std::array<double, 3> p{};
    if (!ReadExactly(xyzText, p)) return Failed();
    return HelmertText(helmert, toWgs84, Geocentric{p[0], p[1], p[2]});
}

// A datum text read once: the sets with their parameters as the Helmert steps
// see them, and the two similarity transformations. The map tick and the
// imports pass the same datum text for every point, so the last one is kept
// (per thread); the results are those of reading the text every time.
struct PreparedDatum {
    std::string text;
    bool valid = false;
    DatumSet source, target;
    Helmert sourceToWgs84{SevenParameters{}};
    Helmert targetToWgs84{SevenParameters{}};
};

const PreparedDatum& Prepare(std::string_view datumText) {
    thread_local PreparedDatum prepared;
    thread_local bool used = false;
    if (used && prepared.text == datumText) return prepared;
    used = true;
    prepared.text = std::string(datumText);
    prepared.valid = ParseDatumText(datumText, prepared.source, prepared.target) &&
                     prepared.source.ellipsoid.IsValid() && prepared.target.ellipsoid.IsValid();
    if (prepared.valid) {
        prepared.sourceToWgs84 = Helmert(AsGeneralText(prepared.source.toWgs84));
        prepared.targetToWgs84 = Helmert(AsGeneralText(prepared.target.toWgs84));
        // A refused set fails the whole chain in both directions, so every
        // entry point gives the failure text rather than a point at the
        // translation or the centre of the earth.
        prepared.valid = prepared.sourceToWgs84.IsValid() && prepared.targetToWgs84.IsValid();
    }
    return prepared;
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
    return p ? GeocentricText(*p) : Failed();
}

std::string GeoHelmert(std::string_view tag, std::string_view text) {
    std::array<double, 10> v{};
    if (!ReadExactly(text, v)) return Failed();
    const Helmert helmert(SevenParameters{v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
    return HelmertText(helmert, tag == "WGS", Geocentric{v[0], v[1], v[2]});
}

std::string GeoXyzToBlh(double x, double y, double z, double a, double f) {
    const auto g = GeocentricToGeodetic({x, y, z}, {a, f});
    if (!g) return {};
    return FixedText(g->latitudeDeg, 20, 8) + "\t" + FixedText(g->longitudeDeg, 20, 8) + "\t" +
           FixedText(g->heightM, 20, 2);
}

namespace {

// Steps 1 to 3 of the chain: the target geocentric text.
std::string TargetGeocentricText(const PreparedDatum& datum, double latitudeDeg,
                                 double longitudeDeg, double heightM) {
    const Ellipsoid& from = datum.source.ellipsoid;
    const std::string xyz = GeoBlhToXyz(latitudeDeg, longitudeDeg, heightM, from.a, from.f);
    const std::string wgs = HelmertText(datum.sourceToWgs84, true, xyz);
    return HelmertText(datum.targetToWgs84, false, wgs);
}

}  // namespace

std::string GeoTransform(std::string_view kind, std::string_view geodeticText,
                         std::string_view datumText) {
    std::array<double, 3> blh{};
    if (!ReadExactly(geodeticText, blh)) return Failed();
    const PreparedDatum& datum = Prepare(datumText);
    if (!datum.valid) return Failed();
    const std::string local = TargetGeocentricText(datum, blh[0], blh[1], blh[2]);
    if (kind == "XYZ") return local;
    std::array<double, 3> t{};
    if (!ReadExactly(local, t)) return Failed();
    return GeoXyzToBlh(t[0], t[1], t[2], datum.target.ellipsoid.a, datum.target.ellipsoid.f);
}

std::optional<Geodetic> GeoTransformLatitudeLongitude(double latitudeDeg, double longitudeDeg,
                                                      std::string_view datumText) {
    const PreparedDatum& datum = Prepare(datumText);
    if (!datum.valid) return std::nullopt;
    std::array<double, 3> t{};
    if (!ReadExactly(TargetGeocentricText(datum, latitudeDeg, longitudeDeg, 0), t))
        return std::nullopt;
    const auto g = GeocentricToGeodetic({t[0], t[1], t[2]}, datum.target.ellipsoid);
    if (!g) return std::nullopt;
    const auto latitude = ReadBack(FixedText(g->latitudeDeg, 20, 8));
    const auto longitude = ReadBack(FixedText(g->longitudeDeg, 20, 8));
    if (!latitude || !longitude) return std::nullopt;
    return Geodetic{*latitude, *longitude, 0};
}

}  // namespace geodesy
