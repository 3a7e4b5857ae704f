#include "geodesy/TransverseMercator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geodesy/DatumText.h"
#include "geodesy/GridCallback.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"
#include "platform/VclText.h"
#include "tests/geodesy/GeodesyTestText.h"

namespace geodesy {
namespace {

using test_text::Numbers;

const std::string kWgsForward = "6378137.0 0.0033528106647474 6378137.0 0.0033528106647474";
const std::string kWgsInverse = "6378137.0 0.0033528106647474 6378137.0 0.0033528106647474";
const std::string kUtm35 = "27 0 0.9996 500000 0";
const std::string kWgsZero = "6378137.0  0.0033528106647474  0.0  0.0  0.0  0.0  0.0  0.0  0.0 ";
const std::string kZeroDatum = kWgsZero + "6378137.0 0.0033528106647474 0 0 0 0 0 0 0";
const std::string kEd50Datum =
    kWgsZero + "6378388 0.00336700336700337 -3.3 0.07 -0.3 0.8 -87.987 -108.639 -121.593";
const std::string kEd50Forward = "6378137.0 0.0033528106647474 6378388 0.00336700336700337";
const std::string kEd50Inverse = "6378388 0.00336700336700337 6378137.0 0.0033528106647474";
const std::string kEd50ToWgs =
    "6378388 0.00336700336700337 -3.3 0.07 -0.3 0.8 -87.987 -108.639 -121.593 " + kWgsZero;

TEST(TransverseMercatorFromText, OriginGoesToTheFalseOriginAndBack) {
    EXPECT_EQ(TransverseMercatorFromText("0 27", kUtm35, kWgsForward), "500000.0000 0.0000");
    const std::string tm = "33 38.5 0.9999 250000 1000";
    EXPECT_EQ(TransverseMercatorFromText("38.5 33", tm, kWgsForward), "250000.0000 1000.0000");
    const auto back = Numbers(GeoProject("250000 1000", tm, kWgsInverse), 2);
    EXPECT_EQ(FixedText(back[1], 18, 10), "33.0000000000");
    EXPECT_NEAR(back[0], 38.5, 1e-9);
    EXPECT_EQ(GeoProject("250000 1000", tm, kWgsInverse).find(' '), 13u);  // "38.5000000000 "
}

TEST(TransverseMercatorFromText, ForwardThenInverseReturnsTheStart) {
    struct Case {
        double lat, dlon, tolerance;
    } cases[] = {{40, 3, 1e-8}, {40, -3, 1e-8}, {-40, 2, 1e-8}, {10, 1, 1e-9}, {70, 3, 1e-8}};
    for (const auto& c : cases) {
        const std::string geo = FixedText(c.lat, 18, 10) + " " + FixedText(27 + c.dlon, 18, 10);
        const std::string grid = TransverseMercatorFromText(geo, kUtm35, kWgsForward);
        const auto back = Numbers(GeoProject(grid, kUtm35, kWgsInverse), 2);
        EXPECT_NEAR(back[0], c.lat, c.tolerance) << c.lat << " " << c.dlon;
        EXPECT_NEAR(back[1], 27 + c.dlon, c.tolerance) << c.lat << " " << c.dlon;
    }
    // Six degrees out, the truncated series shows.
    const auto tm = TransverseMercator::Create(kWgs84, {27, 0, 0.9996, 500000, 0});
    const auto far = tm->Inverse(*tm->Forward({40, 33}));
    const double lonError = std::fabs(far->longitudeDeg - 33);
    EXPECT_GT(lonError, 1e-7);
    EXPECT_LT(lonError, 2e-6);
}

TEST(TransverseMercatorFromText, SnyderWorkedExample) {
    // Snyder, Map Projections: A Working Manual, p. 269: Clarke 1866,
    // 40d30'N 73d30'W, central meridian 75W, k0 0.9996.
    const std::string clarke = "6378137.0 0.0033528106647474 6378206.4 0.00339007530392876";
    const auto en =
        Numbers(TransverseMercatorFromText("40.5 -73.5", "-75 0 0.9996 0 0", clarke), 2);
    EXPECT_NEAR(en[0], 127106.5, 0.05);
    EXPECT_NEAR(en[1], 4484124.4, 0.05);
    const double k = TMConvergenceOrScale("PtScFac", 6378206.4, 0.00339007530392876, 40.5, -73.5,
                                          -75, 0, 0.9996, 0, 0);
    EXPECT_NEAR(k, 0.9997989, 5e-8);
}

TEST(TransverseMercatorFromText, EpsgBritishNationalGridExample) {
    // EPSG Guidance Note 7-2: OSGB 1936 / British National Grid, Airy 1830.
    const std::string airy =
        "6378137.0 0.0033528106647474 6377563.396 " + FixedText(1 / 299.3249646, 18, 17);
    const auto en = Numbers(
        TransverseMercatorFromText("50.5 0.5", "-2 49 0.9996012717 400000 -100000", airy), 2);
    EXPECT_NEAR(en[0], 577274.99, 0.015);
    EXPECT_NEAR(en[1], 69740.50, 0.015);
}

TEST(GeographicToGrid, UtmZone35ThroughTheDatumChain) {
    EXPECT_EQ(GeographicToGrid("41 29", kZeroDatum, kUtm35, kWgsForward),
              "668207.8852 4540683.5294");
    // Zero parameters on WGS84: the same as the projection alone (the chain
    // keeps 8 decimals of a degree).
    for (const char* geo : {"41.01234567 29.98765432", "-12.5 24.25", "0.001 27"})
        EXPECT_EQ(GeographicToGrid(geo, kZeroDatum, kUtm35, kWgsForward),
                  TransverseMercatorFromText(geo, kUtm35, kWgsForward))
            << geo;
}

// GeographicToGrid written out as its steps, each text handed to the next.
std::string GeographicToGridStepByStep(const std::string& geographic, const std::string& datum,
                                       const std::string& tm, const std::string& ellipsoid) {
    const std::string r = GeoTransform("BLH", geographic + " 0", datum);
    std::vector<double> blh(3);
    if (!ReadExactly(r, blh)) return "0";
    return TransverseMercatorFromText(FixedText(blh[0], 18, 10) + " " + FixedText(blh[1], 18, 10),
                                      tm, ellipsoid);
}

TEST(GeographicToGrid, IsTheChainOfItsTextSteps) {
    const struct {
        std::string datum, tm, ellipsoid;
    } grids[] = {{kZeroDatum, kUtm35, kWgsForward},
                 {kEd50Datum, kUtm35, kEd50Forward},
                 {kEd50Datum, "30 0 1 500000 0", kEd50Forward},
                 {kZeroDatum, "177 0 0.9996 500000 10000000", kWgsForward}};
    for (int i = 0; i < 400; ++i) {
        const auto& g = grids[i % 4];
        const double lat = -70 + std::fmod(i * 0.6180339887498949, 1.0) * 140;
        const double lon = 20 + std::fmod(i * 0.7548776662466927, 1.0) * 14;
        const std::string geographic = FixedText(lat, 18, 10) + " " + FixedText(lon, 18, 10);
        ASSERT_EQ(GeographicToGrid(geographic, g.datum, g.tm, g.ellipsoid),
                  GeographicToGridStepByStep(geographic, g.datum, g.tm, g.ellipsoid))
            << geographic << " | " << g.tm;
    }
    for (const char* bad : {"41", "41 29 0", "41 29 x", "", "91 29"})
        EXPECT_EQ(GeographicToGrid(bad, kZeroDatum, kUtm35, kWgsForward), "0") << bad;
}

TEST(GeographicToGrid, ThroughALocalDatumAndBack) {
    const std::string grid = GeographicToGrid("40.95 28.85", kEd50Datum, kUtm35, kEd50Forward);
    const auto en = Numbers(grid, 2);
    // ED50 grid coordinates in Istanbul lie some 100 m from WGS84 ones.
    const auto wgs = Numbers(TransverseMercatorFromText("40.95 28.85", kUtm35, kWgsForward), 2);
    EXPECT_GT(std::hypot(en[0] - wgs[0], en[1] - wgs[1]), 50);
    const auto back = Numbers(GridToGeographic(grid, kEd50ToWgs, kUtm35, kEd50Inverse), 2);
    EXPECT_NEAR(back[0], 40.95, 3e-8);
    EXPECT_NEAR(back[1], 28.85, 3e-8);
    EXPECT_EQ(GridToGeographic("668207.8852", kEd50ToWgs, kUtm35, kEd50Inverse), "0");
    EXPECT_EQ(GridToGeographic(grid, kEd50ToWgs.substr(0, 40), kUtm35, kEd50Inverse), "0");
}

TEST(TransverseMercatorFromText, LongitudeDifferenceWrapsAcrossTheAntimeridian) {
    const std::string east = "177 0 0.9996 500000 0";
    const std::string a = TransverseMercatorFromText("-16.5 -179", east, kWgsForward);
    EXPECT_EQ(a, TransverseMercatorFromText("-16.5 181", east, kWgsForward));
    EXPECT_EQ(a, TransverseMercatorFromText("-16.5 541", east, kWgsForward));
    EXPECT_GT(Numbers(a, 2)[0], 500000 + 400000);  // four degrees east, not 356 west
    const std::string west = "-177 0 0.9996 500000 0";
    EXPECT_EQ(TransverseMercatorFromText("10 179", west, kWgsForward),
              TransverseMercatorFromText("10 -181", west, kWgsForward));
    // Through the datum chain the inverse comes back on the near side.
    const std::string grid = GeographicToGrid("-16.5 -179", kZeroDatum, east, kWgsForward);
    const std::string wgsBack = kWgsZero + kWgsZero;
    const auto back = Numbers(GridToGeographic(grid, wgsBack, east, kWgsInverse), 2);
    EXPECT_NEAR(back[1], -179, 1e-7);
    const double c1 = TMConvergenceOrScale("GrdConv", 6378137, 0.0033528106647474, 40, -179, 177, 0,
                                           0.9996, 0, 0);
    const double c2 =
        TMConvergenceOrScale("GrdConv", 6378137, 0.0033528106647474, 40, 181, 177, 0, 0.9996, 0, 0);
    EXPECT_EQ(c1, c2);
    EXPECT_LT(c1, 0);
}

TEST(TransverseMercatorFromText, RefusesMiscountedOrInvalidParameters) {
    struct Case {
        std::string geographic, tm, ellipsoid;
    } cases[] = {
        {"41", kUtm35, kWgsForward},
        {"41 29 0", kUtm35, kWgsForward},
        {"41 29e", kUtm35, kWgsForward},
        {"41 29", "27  0.9996 500000 0", kWgsForward},  // an empty edit
        {"41 29", "27 0 0.9996 500000 0 0", kWgsForward},
        {"41 29", "27 0 0 500000 0", kWgsForward},
        {"41 29", "27 0 -0.9996 500000 0", kWgsForward},
        {"41 29", "27 95 0.9996 500000 0", kWgsForward},
        {"41 29", "27 0 0.9996 inf 0", kWgsForward},
        {"41 29", kUtm35, "6378137.0 0.0033528106647474 6378137.0 298.257223563"},
        {"41 29", kUtm35, "6378137.0 0.0033528106647474 0 0.0033528106647474"},
        {"41 29", kUtm35, "6378137.0 0.0033528106647474 6378137.0"},
        {"41 29", kUtm35, "6378137.0 0.0033528106647474 6378137.0 0.00335 1"},
        {"91 29", kUtm35, kWgsForward},
        {"nan 29", kUtm35, kWgsForward},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TransverseMercatorFromText(c.geographic, c.tm, c.ellipsoid), "0")
            << c.geographic << " | " << c.tm << " | " << c.ellipsoid;
    EXPECT_EQ(GeographicToGrid("41", kZeroDatum, kUtm35, kWgsForward), "0");
    EXPECT_EQ(GeographicToGrid("41 29", kZeroDatum.substr(0, 60), kUtm35, kWgsForward), "0");
}

// A scale factor on the central meridian outside 0.5 .. 2 is refused by
// every entry point that takes one; the limits themselves are accepted.
TEST(TransverseMercatorFromText, ScaleFactorOutsideHalfToTwoIsRefusedEverywhere) {
    const double a = 6378137, f = 0.0033528106647474;
    const std::string grid = "668207.8852 4540683.5294";
    for (const char* k0 : {"0.4999", "2.0001", "1e-320", "0", "-0.9996", "1e300", "-1e300"}) {
        SCOPED_TRACE(k0);
        const std::string tm = std::string("27 0 ") + k0 + " 500000 0";
        EXPECT_EQ(TransverseMercatorFromText("41 29", tm, kWgsForward), "0");
        EXPECT_EQ(GeoProject(grid, tm, kWgsInverse), "0");
        EXPECT_EQ(GeographicToGrid("41 29", kZeroDatum, tm, kWgsForward), "0");
        EXPECT_EQ(GridToGeographic(grid, kZeroDatum, tm, kWgsInverse), "0");
        double x = 7, y = 8;
        EXPECT_FALSE(KmlGeographicToGrid({kZeroDatum, kWgsForward, tm}, 41, 29, x, y));
        EXPECT_EQ(x, 7);
        const double value = *platform::ParseFloat(k0);
        EXPECT_EQ(TMConvergenceOrScale("PtScFac", a, f, 41, 29, 27, 0, value, 0, 0), 0);
        EXPECT_FALSE(TransverseMercator::Create(kWgs84, {27, 0, value, 500000, 0}));
    }
    for (const char* k0 : {"0.5", "2"}) {
        SCOPED_TRACE(k0);
        const std::string tm = std::string("27 0 ") + k0 + " 500000 0";
        const auto en = Numbers(TransverseMercatorFromText("41 29", tm, kWgsForward), 2);
        const auto ll = Numbers(
            GeoProject(FixedText(en[0], 18, 4) + " " + FixedText(en[1], 18, 4), tm, kWgsInverse),
            2);
        EXPECT_NEAR(ll[0], 41, 1e-8);
        EXPECT_NEAR(ll[1], 29, 1e-8);
        const double value = *platform::ParseFloat(k0);
        EXPECT_NEAR(TMConvergenceOrScale("PtScFac", a, f, 41, 29, 27, 0, value, 0, 0),
                    value * 1.0004, value * 1e-4);
    }
}

TEST(GeoProject, RefusesMiscountedOrInvalidInput) {
    EXPECT_EQ(GeoProject("668207.8852", kUtm35, kWgsInverse), "0");
    EXPECT_EQ(GeoProject("668207.8852 4540683.5294 0", kUtm35, kWgsInverse), "0");
    EXPECT_EQ(GeoProject("668207.8852 4540683.5294", kUtm35, "6378137.0"), "0");
    EXPECT_EQ(GeoProject("668207.8852 4540683.5294", kUtm35, "6378137.0 298.257"), "0");
    EXPECT_EQ(GeoProject("668207.8852 4540683.5294", "27 0 0 500000 0", kWgsInverse), "0");
    // Beyond the pole there is no latitude.
    EXPECT_EQ(GeoProject("500000 30000000", kUtm35, kWgsInverse), "0");
    // Text after a and f is ignored in the inverse form.
    EXPECT_EQ(GeoProject("668207.8852 4540683.5294", kUtm35, "6378137.0 0.0033528106647474 x y"),
              GeoProject("668207.8852 4540683.5294", kUtm35, "6378137.0 0.0033528106647474"));
    const auto ll = Numbers(GeoProject("668207.8852 4540683.5294", kUtm35, kWgsInverse), 2);
    EXPECT_NEAR(ll[0], 41, 1e-8);
    EXPECT_NEAR(ll[1], 29, 1e-8);
}

TEST(TMConvergenceOrScale, CentralMeridianSignsAndSelectors) {
    const double a = 6378137, f = 0.0033528106647474;
    EXPECT_EQ(TMConvergenceOrScale("GrdConv", a, f, 41, 27, 27, 0, 0.9996, 500000, 0), 0);
    EXPECT_DOUBLE_EQ(TMConvergenceOrScale("PtScFac", a, f, 41, 27, 27, 0, 0.9996, 500000, 0),
                     0.9996);
    EXPECT_LT(TMConvergenceOrScale("GrdConv", a, f, 41, 29, 27, 0, 0.9996, 0, 0), 0);
    EXPECT_GT(TMConvergenceOrScale("GrdConv", a, f, 41, 25, 27, 0, 0.9996, 0, 0), 0);
    EXPECT_GT(TMConvergenceOrScale("GrdConv", a, f, -41, 29, 27, 0, 0.9996, 0, 0), 0);
    EXPECT_GT(TMConvergenceOrScale("PtScFac", a, f, 41, 29, 27, 0, 0.9996, 0, 0), 0.9996);
    // First-order check: the convergence is about -dlon * sin(lat).
    EXPECT_NEAR(TMConvergenceOrScale("GrdConv", a, f, 41, 28, 27, 0, 0.9996, 0, 0),
                -std::sin(41 * kPi / 180), 2e-3);
    // Reference latitude and false origin do not enter.
    EXPECT_EQ(TMConvergenceOrScale("GrdConv", a, f, 41, 29, 27, 30, 0.9996, 1e6, 1e6),
              TMConvergenceOrScale("GrdConv", a, f, 41, 29, 27, 0, 0.9996, 0, 0));
    for (const char* other : {"grdconv", "PTSCFAC", "", "GrdConv "})
        EXPECT_EQ(TMConvergenceOrScale(other, a, f, 41, 29, 27, 0, 0.9996, 0, 0), 0) << other;
    // Inputs without an answer give 0 as well.
    EXPECT_EQ(TMConvergenceOrScale("PtScFac", a, 298.257, 41, 29, 27, 0, 0.9996, 0, 0), 0);
    EXPECT_EQ(TMConvergenceOrScale("PtScFac", a, f, 41, 29, 27, 0, 0, 0, 0), 0);
    EXPECT_EQ(TMConvergenceOrScale("GrdConv", a, f, 95, 29, 27, 0, 0.9996, 0, 0), 0);
}

TEST(TransverseMercator, NumericCoreMatchesTheText) {
    const auto tm = TransverseMercator::Create(kWgs84, {27, 0, 0.9996, 500000, 0});
    ASSERT_TRUE(tm);
    const auto g = tm->Forward({41, 29});
    ASSERT_TRUE(g);
    EXPECT_EQ(FixedText(g->eastingM, 18, 4) + " " + FixedText(g->northingM, 18, 4),
              "668207.8852 4540683.5294");
    EXPECT_FALSE(TransverseMercator::Create({6378137, 298.257}, {27, 0, 0.9996, 0, 0}));
    EXPECT_FALSE(TransverseMercator::Create(kWgs84, {27, 0, 0, 0, 0}));
    EXPECT_FALSE(tm->Forward({90.5, 29}));
    EXPECT_TRUE(tm->Forward({90, 29}));
    EXPECT_FALSE(tm->Inverse({NAN, 0}));
    EXPECT_EQ(ParseTMParameterText(kUtm35)->falseEastingM, 500000);
    EXPECT_EQ(ParseForwardEllipsoidText(kEd50Forward)->a, 6378388);
    EXPECT_EQ(ParseInverseEllipsoidText(kEd50Inverse)->a, 6378388);
}

}  // namespace
}  // namespace geodesy
