#include "geodesy/GridCallback.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/Datum.h"
#include "geodesy/ParameterText.h"
#include "geodesy/PlaneGeometry.h"
#include "geodesy/TransverseMercatorText.h"
#include "tests/geodesy/GeodesyTestText.h"

namespace geodesy {
namespace {

GeodeticEditTexts Utm35Edits() {
    GeodeticEditTexts e;
    e.sma = "6378137.0";
    e.flattening = "0.0033528106647474";
    e.ppm = e.rx = e.ry = e.rz = e.sx = e.sy = e.sz = "0";
    e.centralMeridian = "27";
    e.referenceLatitude = "0";
    e.scaleFactor = "0.9996";
    e.falseEasting = "500000";
    e.falseNorthing = "0";
    return e;
}

TEST(KmlGeographicToGrid, BuildsTheThreeTextsAsTheSettingsWindowJoinsThem) {
    GeodeticEditTexts e = Utm35Edits();
    e.ppm = "-3.3";
    e.sz = "-121.593";
    const GridParameterTexts t = GnssToGridParameterTexts(e);
    EXPECT_EQ(t.datum,
              "6378137.0  0.0033528106647474  0.0  0.0  0.0  0.0  0.0  0.0  0.0 6378137.0 "
              "0.0033528106647474 -3.3 0 0 0 0 0 -121.593");
    EXPECT_EQ(t.forwardEllipsoid, "6378137.0 0.0033528106647474 6378137.0 0.0033528106647474");
    EXPECT_EQ(t.tm, "27 0 0.9996 500000 0");

    const GeographicParameterTexts back = GridToGnssParameterTexts(e);
    EXPECT_EQ(back.datum,
              "6378137.0 0.0033528106647474 -3.3 0 0 0 0 0 -121.593 6378137.0  "
              "0.0033528106647474  0.0  0.0  0.0  0.0  0.0  0.0  0.0");
    EXPECT_EQ(back.inverseEllipsoid, "6378137.0 0.0033528106647474 6378137.0 0.0033528106647474");
    EXPECT_EQ(back.tm, t.tm);
}

// ED50 on UTM zone 35 with a seven-parameter set into WGS84.
GeodeticEditTexts Ed50Edits() {
    GeodeticEditTexts e = Utm35Edits();
    e.sma = "6378388";
    e.flattening = "0.00336700336700337";
    e.ppm = "-3.3";
    e.rx = "0.07";
    e.ry = "-0.3";
    e.rz = "0.8";
    e.sx = "-87.987";
    e.sy = "-108.639";
    e.sz = "-121.593";
    return e;
}

TEST(KmlGeographicToGrid, TheTwoDirectionsAreInverse) {
    const GeodeticEditTexts e = Ed50Edits();
    double x = 0, y = 0;
    ASSERT_TRUE(KmlGeographicToGrid(GnssToGridParameterTexts(e), 40.95, 28.85, x, y));
    const GeographicParameterTexts back = GridToGnssParameterTexts(e);
    const std::string geographic = GridToGeographic(FixedText(x, 18, 4) + " " + FixedText(y, 18, 4),
                                                    back.datum, back.tm, back.inverseEllipsoid);
    const auto ll = test_text::Numbers(geographic, 2);
    EXPECT_NEAR(ll[0], 40.95, 3e-8);
    EXPECT_NEAR(ll[1], 28.85, 3e-8);
}

TEST(KmlGeographicToGrid, UtmZone35WithZeroParameters) {
    const GridParameterTexts t = GnssToGridParameterTexts(Utm35Edits());
    double x = 0, y = 0;
    ASSERT_TRUE(KmlGeographicToGrid(t, 41, 29, x, y));
    EXPECT_NEAR(x, 668207.8852, 1e-9);
    EXPECT_NEAR(y, 4540683.5294, 1e-9);
    // The same as the grid text of the chain for a position with many decimals.
    ASSERT_TRUE(KmlGeographicToGrid(t, 40.123456789012, 28.5, x, y));
    const auto tm = TransverseMercator::Create(kWgs84, *ParseTMParameterText(t.tm));
    const auto g = tm->Forward({40.12345679, 28.5});
    EXPECT_NEAR(x, g->eastingM, 0.6e-4);
    EXPECT_NEAR(y, g->northingM, 0.6e-4);
}

TEST(KmlGeographicToGrid, ReadsWhatTheGridTextOfTheChainSays) {
    const GridParameterTexts t = GnssToGridParameterTexts(Ed50Edits());
    for (int i = 0; i < 300; ++i) {
        const double lat = -60 + std::fmod(i * 0.6180339887498949, 1.0) * 120;
        const double lon = 22 + std::fmod(i * 0.7548776662466927, 1.0) * 10;
        const std::string text =
            GeographicToGrid(FixedText(lat, 18, 10) + " " + FixedText(lon, 18, 10), t.datum, t.tm,
                             t.forwardEllipsoid);
        const auto en = test_text::Numbers(text, 2);
        double x = 0, y = 0;
        ASSERT_TRUE(KmlGeographicToGrid(t, lat, lon, x, y));
        ASSERT_EQ(x, en[0]) << lat << " " << lon;
        ASSERT_EQ(y, en[1]) << lat << " " << lon;
    }
}

TEST(KmlGeographicToGrid, FailureLeavesBothOutputsAndSaysSo) {
    struct Case {
        const char* what;
        void (*edit)(GeodeticEditTexts&);
    } cases[] = {
        {"empty rotation", [](GeodeticEditTexts& e) { e.rx = ""; }},
        {"word in a shift", [](GeodeticEditTexts& e) { e.sy = "abc"; }},
        {"decimal comma", [](GeodeticEditTexts& e) { e.falseEasting = "500000,5"; }},
        {"inverse flattening", [](GeodeticEditTexts& e) { e.flattening = "298.257223563"; }},
        {"zero scale factor", [](GeodeticEditTexts& e) { e.scaleFactor = "0"; }},
        {"empty central meridian", [](GeodeticEditTexts& e) { e.centralMeridian = ""; }},
    };
    for (const auto& c : cases) {
        GeodeticEditTexts e = Utm35Edits();
        c.edit(e);
        double x = -1, y = -2;
        EXPECT_FALSE(KmlGeographicToGrid(GnssToGridParameterTexts(e), 41, 29, x, y)) << c.what;
        EXPECT_EQ(x, -1) << c.what;
        EXPECT_EQ(y, -2) << c.what;
    }
    double x = -1, y = -2;
    EXPECT_FALSE(KmlGeographicToGrid(GnssToGridParameterTexts(Utm35Edits()), 95, 29, x, y));
    EXPECT_FALSE(KmlGeographicToGrid(GnssToGridParameterTexts(Utm35Edits()), NAN, 29, x, y));
}

TEST(PlaneGeometry, BearingIsCounterClockwiseFromEastInZeroToTwoPi) {
    struct Case {
        double x2, y2, expected;
    } cases[] = {{1, 0, 0},    {1, 1, kPi / 4},       {0, 1, kPi / 2},      {-1, 1, 3 * kPi / 4},
                 {-1, 0, kPi}, {-1, -1, 5 * kPi / 4}, {0, -1, 3 * kPi / 2}, {1, -1, 7 * kPi / 4},
                 {0, 0, 0}};
    for (const auto& c : cases) {
        const double b = Bearing2D(0, 0, c.x2, c.y2);
        EXPECT_NEAR(b, c.expected, 1e-12) << c.x2 << " " << c.y2;
        EXPECT_GE(b, 0);
        EXPECT_LT(b, 2 * kPi);
    }
    EXPECT_NEAR(Bearing2D(500000, 4500000, 500010, 4500010), kPi / 4, 1e-12);
    // A hair below east: the sum with 2 pi rounds up to 2 pi itself, which
    // lies outside the range; the direction is east.
    for (const double dy : {-1e-300, -1e-11, -4e-10}) {
        const double b = Bearing2D(0, 0, 1e6, dy);
        EXPECT_GE(b, 0) << dy;
        EXPECT_LT(b, 2 * kPi) << dy;
        EXPECT_LT(std::fmin(b, 2 * kPi - b), 1e-15) << dy;
    }
}

TEST(PlaneGeometry, DistanceIsEuclidean) {
    EXPECT_EQ(Distance2D(0, 0, 3, 4), 5);
    EXPECT_EQ(Distance2D(3, 4, 0, 0), 5);
    EXPECT_EQ(Distance2D(-2, 7, -2, 7), 0);
    EXPECT_NEAR(Distance2D(500000, 4500000, 500001, 4500001), std::sqrt(2.0), 1e-9);
}

}  // namespace
}  // namespace geodesy
