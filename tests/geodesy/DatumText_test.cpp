#include "geodesy/DatumText.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "geodesy/GridCallback.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"
#include "tests/geodesy/GeodesyTestText.h"

namespace geodesy {
namespace {

using test_text::Numbers;
using test_text::Split;

std::vector<std::string> TabFields(const std::string& text) { return Split(text, '\t'); }

const std::string kWgsZero = "6378137.0 0.0033528106647474 0 0 0 0 0 0 0 ";
const std::string kEd50Set =
    "6378388 0.00336700336700337 -3.3 0.07 -0.3 0.8 -87.987 -108.639 -121.593";

TEST(ParameterText, ReadsWhitespaceSeparatedNumbersWithTheirExactCount) {
    std::array<double, 3> v{};
    EXPECT_TRUE(ReadExactly(" 41\t29  -1.5e2 \r\n", v));
    EXPECT_EQ(v[0], 41);
    EXPECT_EQ(v[2], -150);
    for (const char* bad : {"41 29", "41 29 0 0", "41  29 x", "41 29 nan", "41 29 inf",
                            "41 29 0x10", "41,5 29 0", "41 29 0 junk", "", "41 29 1e999"})
        EXPECT_FALSE(ReadExactly(bad, v)) << bad;
    std::array<double, 2> two{};
    EXPECT_TRUE(ReadLeading("6378388 0.0033670 6378137.0 anything", two));
    EXPECT_EQ(two[0], 6378388);
    EXPECT_FALSE(ReadLeading("6378388", two));
}

TEST(GeoAngleUnits, ConvertsByCodeAndGivesZeroForOtherCodes) {
    EXPECT_DOUBLE_EQ(GeoAngleUnits(180, "r"), 3.141592653589793);
    EXPECT_DOUBLE_EQ(GeoAngleUnits(90, "R"), 3.141592653589793 / 2);
    EXPECT_DOUBLE_EQ(GeoAngleUnits(3.141592653589793, "d"), 180);
    EXPECT_DOUBLE_EQ(GeoAngleUnits(1, "D"), 180 / 3.141592653589793);
    EXPECT_EQ(GeoAngleUnits(45, "x"), 0);
    EXPECT_EQ(GeoAngleUnits(45, "rad"), 0);
    EXPECT_EQ(GeoAngleUnits(45, ""), 0);
}

TEST(GeoBlhToXyz, EpsgGeocentricExampleInGeneralFormatJoinedByTabs) {
    // EPSG Guidance Note 7-2, geographic/geocentric conversion (WGS84).
    const double lat = 53 + 48 / 60.0 + 33.820 / 3600, lon = 2 + 7 / 60.0 + 46.380 / 3600;
    const std::string text = GeoBlhToXyz(lat, lon, 73.0, 6378137.0, 1 / 298.257223563);
    const auto fields = TabFields(text);
    ASSERT_EQ(fields.size(), 3u) << text;
    const auto xyz = Numbers(text, 3);
    EXPECT_NEAR(xyz[0], 3771793.968, 0.001);
    EXPECT_NEAR(xyz[1], 140253.342, 0.001);
    EXPECT_NEAR(xyz[2], 5124304.349, 0.001);
    // 15 significant digits, no trailing zeros.
    EXPECT_EQ(fields[0].size(), 16u) << fields[0];

    const auto blh =
        TabFields(GeoXyzToBlh(3771793.968, 140253.342, 5124304.349, 6378137.0, 1 / 298.257223563));
    ASSERT_EQ(blh.size(), 3u);
    EXPECT_EQ(blh[0], FixedText(lat, 20, 8));
    EXPECT_EQ(blh[1], FixedText(lon, 20, 8));
    EXPECT_EQ(blh[2], "73.00");
}

TEST(GeoBlhToXyz, RefusesInvalidEllipsoidsAndLatitudes) {
    struct Case {
        double lat, a, f;
    } cases[] = {{41, 6378137, 298.257},  // inverse flattening typed as flattening
                 {41, 0, 0.0033},        {41, -6378137, 0.0033},
                 {41, 6378137, -0.001},  {90.0001, 6378137, 0.0033},
                 {NAN, 6378137, 0.0033}, {41, INFINITY, 0.0033}};
    for (const auto& c : cases)
        EXPECT_EQ(GeoBlhToXyz(c.lat, 29, 0, c.a, c.f), "0") << c.lat << " " << c.a << " " << c.f;
    EXPECT_NE(GeoBlhToXyz(90, 29, 0, 6378137, 0), "0");  // a sphere is an ellipsoid
}

TEST(GeoHelmert, TranslationOnlyAddsForWgsAndSubtractsForLocal) {
    const std::string text = "4000000 2000000 4500000 0 0 0 0 100 0 0";
    EXPECT_EQ(GeoHelmert("WGS", text), "4000100\t2000000\t4500000");
    EXPECT_EQ(GeoHelmert("Local", text), "3999900\t2000000\t4500000");
    EXPECT_EQ(GeoHelmert("anything", text), "3999900\t2000000\t4500000");
}

TEST(GeoHelmert, EpsgCoordinateFrameExample) {
    // EPSG Guidance Note 7-2, WGS 72 to WGS 84: rz = +0.554" position vector,
    // which is -0.554" in the coordinate-frame convention. The published X
    // (to the centimetre) is 6 mm from the exact evaluation, as PROJ's is.
    const auto xyz =
        Numbers(GeoHelmert("WGS", "3657660.66 255768.55 5201382.11 0.219 0 0 -0.554 0 0 4.5"), 3);
    EXPECT_NEAR(xyz[0], 3657660.78, 0.01);
    EXPECT_NEAR(xyz[1], 255778.43, 0.005);
    EXPECT_NEAR(xyz[2], 5201387.75, 0.005);
}

TEST(GeoHelmert, LocalIsTheExactInverseOfWgsEvenForLargeRotations) {
    for (const char* set : {" 12.5 2.5 -1.75 4.25 150 -30.5 92", " -40 900 -1200 1500 -400 250 600",
                            " 3 0 0 3600 0 0 0", " -3 -3600 3600 -3600 1 2 3"}) {
        const std::string start = "4216267.9 2337175.9 4162543.2";
        const std::string there = GeoHelmert("WGS", start + set);
        const auto forward = Numbers(there, 3);
        EXPECT_GT(std::fabs(forward[0] - 4216267.9), 1.0) << set;
        const auto back = Numbers(GeoHelmert("Local", there + set), 3);
        EXPECT_NEAR(back[0], 4216267.9, 2e-8) << set;
        EXPECT_NEAR(back[1], 2337175.9, 2e-8) << set;
        EXPECT_NEAR(back[2], 4162543.2, 2e-8) << set;
    }
}

TEST(GeoHelmert, NeedsExactlyTenNumbersAndAnInvertibleScale) {
    EXPECT_EQ(GeoHelmert("WGS", "1 2 3 0 0 0 0 0 0"), "0");
    EXPECT_EQ(GeoHelmert("WGS", "1 2 3 0 0 0 0 0 0 0 0"), "0");
    EXPECT_EQ(GeoHelmert("WGS", "1 2 3 0 0 0 0 0 0 nan"), "0");
    EXPECT_EQ(GeoHelmert("Local", "1 2 3 -1000000 0 0 0 0 0 0"), "0");
}

TEST(GeoXyzToBlh, QuadrantsOfTheLongitude) {
    const double a = 6378137, f = 0.0033528106647474;
    const auto west = TabFields(GeoXyzToBlh(-4000000, 1000000, 4700000, a, f));
    EXPECT_GT(std::fabs(Numbers(west[1], 1)[0]), 90);
    const auto south = TabFields(GeoXyzToBlh(-4000000, -1000000, 4700000, a, f));
    EXPECT_LT(Numbers(south[1], 1)[0], -90);
    EXPECT_EQ(TabFields(GeoXyzToBlh(0, -6000000, 1000000, a, f))[1], "-90.00000000");
    EXPECT_EQ(TabFields(GeoXyzToBlh(0, 6000000, 1000000, a, f))[1], "90.00000000");
    EXPECT_EQ(TabFields(GeoXyzToBlh(-6000000, 0, 1000000, a, f))[1], "180.00000000");
    EXPECT_EQ(TabFields(GeoXyzToBlh(-6000000, -0.0, 1000000, a, f))[1], "180.00000000");
}

TEST(GeoXyzToBlh, PolesInClosedFormAndNoAnswerAtTheCentre) {
    const double a = 6378137, f = 0.0033528106647474, b = a * (1 - f);
    EXPECT_EQ(GeoXyzToBlh(0, 0, b + 100, a, f), "90.00000000\t0.00000000\t100.00");
    EXPECT_EQ(GeoXyzToBlh(0, 0, -b - 25.5, a, f), "-90.00000000\t0.00000000\t25.50");
    EXPECT_EQ(GeoXyzToBlh(-0.0, -0.0, -b, a, f), "-90.00000000\t0.00000000\t0.00");
    EXPECT_EQ(GeoXyzToBlh(0, 0, 0, a, f), "");
    // A millimetre off the axis still solves near the pole.
    const auto nearPole = Numbers(GeoXyzToBlh(0.001, 0, -b - 10, a, f), 3);
    EXPECT_NEAR(nearPole[0], -90, 1e-8);
    EXPECT_NEAR(nearPole[2], 10, 0.006);
}

TEST(GeoXyzToBlh, StopsOnPointsDeepInsideTheEarth) {
    const double a = 6378137, f = 0.0033528106647474;
    // Near the centre the latitude iteration does not settle; the cap ends it
    // with no answer instead of looping, or it settles on a consistent point.
    for (const auto& p : {std::array<double, 3>{1, 0, 1}, {10, 20, -5}, {1000, 0, 30000}}) {
        const std::string text = GeoXyzToBlh(p[0], p[1], p[2], a, f);
        if (text.empty()) continue;
        const auto blh = Numbers(text, 3);
        const auto xyz = Numbers(GeoBlhToXyz(blh[0], blh[1], blh[2], a, f), 3);
        EXPECT_NEAR(xyz[0], p[0], 1) << text;
        EXPECT_NEAR(xyz[2], p[2], 1) << text;
    }
    // About 24 km from the centre the iteration oscillates: no answer.
    EXPECT_EQ(GeoXyzToBlh(20980.6, 0, 11461.7, a, f), "");
    EXPECT_EQ(GeoXyzToBlh(NAN, 0, 1, a, f), "");
    EXPECT_EQ(GeoXyzToBlh(1e6, 0, 1e6, a, 298.257), "");
}

TEST(GeoTransform, ZeroSetsOnOneEllipsoidReturnTheInput) {
    const std::string datum = kWgsZero + kWgsZero;
    for (const char* geodetic : {"41 29 0", "-33.123456789 151.2 45.5", "0.5 -179.25 1200",
                                 "89.99 10 3", "-72.25 -0.001 -30"}) {
        std::array<double, 3> in{};
        ASSERT_TRUE(ReadExactly(geodetic, in));
        const std::string text = GeoTransform("BLH", geodetic, datum);
        EXPECT_EQ(text, FixedText(in[0], 20, 8) + "\t" + FixedText(in[1], 20, 8) + "\t" +
                            FixedText(in[2], 20, 2))
            << geodetic;
    }
}

TEST(GeoTransform, KindSelectsGeocentricOrGeodeticCaseSensitively) {
    const std::string datum = kWgsZero + kEd50Set;
    const std::string xyz = GeoTransform("XYZ", "41 29 0", datum);
    ASSERT_EQ(TabFields(xyz).size(), 3u);
    const auto p = Numbers(xyz, 3);
    EXPECT_GT(p[0], 4e6);
    // The same target point, converted to geodetic by hand.
    const std::string blh = GeoXyzToBlh(p[0], p[1], p[2], 6378388, 0.00336700336700337);
    EXPECT_EQ(GeoTransform("BLH", "41 29 0", datum), blh);
    EXPECT_EQ(GeoTransform("xyz", "41 29 0", datum), blh);
    EXPECT_EQ(GeoTransform("", "41 29 0", datum), blh);
}

TEST(GeoTransform, ThereAndBackThroughALocalDatum) {
    const std::string toLocal = kWgsZero + kEd50Set;
    const std::string toWgs = kEd50Set + " " + kWgsZero;
    const std::string local = GeoTransform("BLH", "40.9 29.1 55", toLocal);
    const auto l = Numbers(local, 3);
    EXPECT_GT(std::fabs(l[0] - 40.9) + std::fabs(l[1] - 29.1), 1e-4);  // the shift is real
    const auto back = Numbers(GeoTransform("BLH", local, toWgs), 3);
    EXPECT_NEAR(back[0], 40.9, 1.5e-8);
    EXPECT_NEAR(back[1], 29.1, 1.5e-8);
    EXPECT_NEAR(back[2], 55, 0.011);
}

TEST(GeoTransform, FailsWithTheFailureTextOnEveryMiscountOrInvalidNumber) {
    const std::string good = kWgsZero + kEd50Set;
    // An empty edit leaves two blanks side by side and one number short.
    const std::string shortDatum =
        kWgsZero + "6378388 0.00336700336700337  -3.3 0.07 -0.3 0.8 -87.987 -108.639";
    struct Case {
        const char* kind;
        std::string geodetic, datum;
    } cases[] = {
        {"BLH", "41 29", good},
        {"BLH", "41 29 0 0", good},
        {"BLH", "41 29 x", good},
        {"BLH", "41 29 0", shortDatum},
        {"BLH", "41 29 0", good + " 5"},
        {"XYZ", "41 29 0", kWgsZero + "6378388 298.257 0 0 0 0 0 0 0"},
        {"BLH", "41 29 0", kWgsZero + "0 0.0033 0 0 0 0 0 0 0"},
        {"BLH", "91 29 0", good},
        {"BLH", "41 29 0", kWgsZero + "6378388 0.0033 -1000000 0 0 0 0 0 0"},
        {"BLH", "41 29 0", kWgsZero + "6378388 0.0033 0 0 0 0 nan 0 0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GeoTransform(c.kind, c.geodetic, c.datum), "0") << c.geodetic << " | " << c.datum;
}

// A local set whose scale factor 1 + s * 1e-6 is zero or negative, or whose
// rotation exceeds 3600 arc-seconds, fails every entry point that takes it,
// in either direction and in either half of the datum text.
TEST(GeoTransform, EveryEntryPointRefusesAnOutOfRangeSevenParameterSet) {
    const std::string ellipsoid = "6378388 0.00336700336700337 ";
    const std::string wgsZero = "6378137.0 0.0033528106647474 0 0 0 0 0 0 0";
    const std::string tm = "27 0 0.9996 500000 0";
    const std::string forwardEllipsoid = "6378137.0 0.0033528106647474 " + ellipsoid;
    const std::string inverseEllipsoid = ellipsoid + "6378137.0 0.0033528106647474";
    const char* refused[] = {
        "-1000000 0 0 0 0 0 0",  // scale factor 0
        "-2000000 0 0 0 0 0 0",  // scale factor -1
        "-1e300 0 0 0 -87 -108 -121",
        "0 3600.001 0 0 0 0 0",
        "0 0 -3601 0 0 0 0",
        "0 0 0 1e300 0 0 0",
        "-3.3 -1e300 -0.3 0.8 -87.987 -108.639 -121.593",
    };
    for (const char* seven : refused) {
        const std::string set = ellipsoid + seven;
        for (const std::string& datum : {wgsZero + " " + set, set + " " + wgsZero}) {
            SCOPED_TRACE(datum);
            EXPECT_EQ(GeoTransform("BLH", "41 29 0", datum), "0");
            EXPECT_EQ(GeoTransform("XYZ", "41 29 0", datum), "0");
            EXPECT_FALSE(GeoTransformLatitudeLongitude(41, 29, datum));
            EXPECT_EQ(GeographicToGrid("41 29", datum, tm, forwardEllipsoid), "0");
            EXPECT_FALSE(GeographicToGridPoint(41, 29, datum, tm, forwardEllipsoid));
            EXPECT_EQ(GridToGeographic("668207.8852 4540683.5294", datum, tm, inverseEllipsoid),
                      "0");
            double x = 7, y = 8;
            EXPECT_FALSE(KmlGeographicToGrid({datum, forwardEllipsoid, tm}, 41, 29, x, y));
            EXPECT_EQ(x, 7);
            EXPECT_EQ(y, 8);
            DatumSet source, target;
            ASSERT_TRUE(ParseDatumText(datum, source, target));
            EXPECT_FALSE(DatumShift::Create(source, target));
        }
        const std::string xyz = "4216267.9 2337175.9 4162543.2 ";
        EXPECT_EQ(GeoHelmert("WGS", xyz + seven), "0") << seven;
        EXPECT_EQ(GeoHelmert("Local", xyz + seven), "0") << seven;
    }
    // The limits themselves are accepted.
    for (const char* seven : {"-500000 0 0 0 0 0 0", "0 3600 -3600 3600 0 0 0"}) {
        const std::string datum = wgsZero + " " + ellipsoid + seven;
        Numbers(GeoTransform("XYZ", "41 29 0", datum), 3);
        Numbers(GeoTransform("BLH", "41 29 0", datum), 3);
        Numbers(GeoHelmert("WGS", std::string("4216267.9 2337175.9 4162543.2 ") + seven), 3);
    }
}

// The chain written out step by step, each step's text handed to the next.
std::string StepByStep(const std::string& kind, const std::string& geodetic,
                       const std::string& datum) {
    std::array<double, 3> blh{};
    std::array<double, 18> d{};
    if (!ReadExactly(geodetic, blh) || !ReadExactly(datum, d)) return "0";
    const auto parameters = [&](int first) {
        std::string text;
        for (int i = first; i < first + 7; ++i) text += " " + GeneralText(d[i]);
        return text;
    };
    const std::string xyz = GeoBlhToXyz(blh[0], blh[1], blh[2], d[0], d[1]);
    const std::string wgs = GeoHelmert("WGS", xyz + parameters(2));
    const std::string local = GeoHelmert("Local", wgs + parameters(11));
    if (kind == "XYZ") return local;
    std::array<double, 3> t{};
    if (!ReadExactly(local, t)) return "0";
    return GeoXyzToBlh(t[0], t[1], t[2], d[9], d[10]);
}

TEST(GeoTransform, IsTheChainOfItsTextSteps) {
    // Parameters with more digits than the General format keeps, and datum
    // texts that alternate from one call to the next.
    const std::string datums[] = {
        kWgsZero + kEd50Set,
        kEd50Set + " " + kWgsZero,
        "6378206.4 0.00339007530392876 1.23456789012345678 0.123456789012345678 -2.5e-7 "
        "3.00000000000000049 -8.123456789012345678 160.98765432109876 -183.3333333333333333 " +
            kEd50Set,
        kWgsZero + "6378388 0.00336700336700337 -40 900 -1200 1500 -400 250 600",
    };
    for (int round = 0; round < 2; ++round)
        for (const auto& datum : datums)
            for (const char* geodetic : {"41 29 0", "-33.9 151.2 45.5", "60.123456789 -10.75 -20"})
                for (const char* kind : {"BLH", "XYZ"})
                    EXPECT_EQ(GeoTransform(kind, geodetic, datum),
                              StepByStep(kind, geodetic, datum))
                        << kind << " " << geodetic << " | " << datum;
    EXPECT_EQ(GeoTransform("BLH", "41 29 0", datums[0] + " 1"), "0");
    EXPECT_NE(GeoTransform("BLH", "41 29 0", datums[0]), "0");
}

TEST(GeoTransform, NumericCoreGivesTheTextResultWithoutRoundTrips) {
    DatumSet source, target;
    ASSERT_TRUE(ParseDatumText(kWgsZero + kEd50Set, source, target));
    EXPECT_EQ(target.ellipsoid.a, 6378388);
    EXPECT_EQ(target.toWgs84.scalePpm, -3.3);
    EXPECT_EQ(target.toWgs84.tzM, -121.593);
    const auto shift = DatumShift::Create(source, target);
    ASSERT_TRUE(shift);
    const auto g = shift->Transform({41, 29, 0});
    ASSERT_TRUE(g);
    const auto text = Numbers(GeoTransform("BLH", "41 29 0", kWgsZero + kEd50Set), 3);
    EXPECT_NEAR(g->latitudeDeg, text[0], 0.5e-8 + 1e-12);
    EXPECT_NEAR(g->longitudeDeg, text[1], 0.5e-8 + 1e-12);
    EXPECT_NEAR(g->heightM, text[2], 0.005 + 1e-9);
    EXPECT_FALSE(ParseDatumText(kWgsZero, source, target));
}

}  // namespace
}  // namespace geodesy
