// The geodetic set Start reads: each refusal names its edit and reason, only
// the chosen projection's edits count, the Lambert setters have the last
// word, a refusal leaves no projection behind, and the projection of the
// latest fix (against PROJ for a shifted datum).
#include "navigation/SurveyGrid.h"

#include <gtest/gtest.h>

#include <sstream>

#include "devices/DeviceSettingsFile.h"
#include "geodesy/LambertConformalConic.h"
#include "tests/support/RunTool.h"
#include "tests/support/Utm35Settings.h"

namespace {

DeviceSettingsValues Lambert(bool oneParallel) {
    DeviceSettingsValues v = phxtest::Utm35Settings();
    v.UseLCCProjection = true;
    v.Lambert1 = oneParallel;
    v.LCCSP1 = "40";
    v.LCCSP2 = "44";
    v.LCCCP = "42";
    v.LCCM = "30";
    v.LCCSF = "1";
    v.LCCFE = "500000";
    v.LCCFN = "0";
    return v;
}

TEST(SurveyGrid, EachRefusalNamesItsEditAndReason) {
    using Edit = void (*)(DeviceSettingsValues&);
    const struct Case {
        Edit edit;
        bool lambert1, lambert2;  // on a Lambert set with one or two parallels
        const char* reason;       // empty: the set can be used
    } cases[] = {
        {[](DeviceSettingsValues&) {}, false, false, ""},
        {[](DeviceSettingsValues& v) { v.SemiMajorAxis = "6378137,0"; }, false, false,
         "Semi Major Axis \"6378137,0\" is not a number."},
        {[](DeviceSettingsValues& v) { v.SemiMajorAxis = "-1"; }, false, false,
         "Semi Major Axis \"-1\" must be above 0 m."},
        {[](DeviceSettingsValues& v) { v.Flattening = "298.257"; }, false, false,
         "Flattening \"298.257\" must lie between 0 and 0.1: it is the flattening, not its "
         "inverse (1/298.257 = 0.0033528132)."},
        {[](DeviceSettingsValues& v) { v.Flattening = ""; }, false, false,
         "Flattening \"\" is not a number."},
        {[](DeviceSettingsValues& v) { v.YRotation = "3600.5"; }, false, false,
         "Y Rotation \"3600.5\" is over 3600 arc-seconds."},
        {[](DeviceSettingsValues& v) { v.ZRotation = "-3600"; }, false, false, ""},
        {[](DeviceSettingsValues& v) { v.ZShift = "1e999"; }, false, false,
         "Z Shift \"1e999\" is not a number."},
        {[](DeviceSettingsValues& v) { v.ScalePPM = "-1000000"; }, false, false,
         "Scale Factor \"-1000000\" (ppm) makes the datum's scale 0 or less."},
        {[](DeviceSettingsValues& v) { v.ScaleFactor = "5"; }, false, false,
         "TM Scale Factor \"5\" must lie between 0.5 and 2."},
        {[](DeviceSettingsValues& v) { v.ReferenceLatitude = "95"; }, false, false,
         "TM Reference Latitude \"95\" must lie between -90 and 90 degrees."},
        {[](DeviceSettingsValues& v) { v.FalseEasting = "5OOOOO"; }, false, false,
         "TM False Easting \"5OOOOO\" is not a number."},
        // Only the chosen projection's edits count.
        {[](DeviceSettingsValues& v) { v.ScaleFactor = "x"; }, true, false, ""},
        {[](DeviceSettingsValues& v) { v.LCCSF = "x"; }, false, true, ""},
        {[](DeviceSettingsValues& v) { v.LCCSF = "0.1"; }, true, false,
         "LCC Scale Factor \"0.1\" must lie between 0.3 and 3."},
        {[](DeviceSettingsValues& v) { v.LCCCP = "0"; }, true, false,
         "LCC Central Parallel \"0\" must not be 0 with one standard parallel."},
        {[](DeviceSettingsValues& v) { v.LCCCP = "0"; }, false, true, ""},
        {[](DeviceSettingsValues& v) { v.LCCSP2 = "-40"; }, false, true,
         "LCC Standard Parallel 1 \"40\" and 2 \"-40\" must not lie opposite each other about "
         "the equator."},
        {[](DeviceSettingsValues& v) { v.LCCSP1 = "90"; }, false, true,
         "LCC Standard Parallel 1 \"90\" must lie between -90 and 90 degrees."},
        {[](DeviceSettingsValues& v) { v.LCCM = "400"; }, true, false,
         "LCC Central Meridian \"400\" must lie between -180 and 360 degrees."},
        {[](DeviceSettingsValues& v) { v.Flattening = "0"; }, false, true,
         "Flattening \"0\" must lie between 1/350 and 1/250 for the Lambert projection."},
        {[](DeviceSettingsValues& v) { v.LCCFN = "n"; }, false, true,
         "LCC False Northing \"n\" is not a number."},
    };
    for (const Case& c : cases) {
        DeviceSettingsValues v = c.lambert1 || c.lambert2 ? Lambert(c.lambert1)
                                                          : phxtest::Utm35Settings();
        c.edit(v);
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(GeodeticSetRefusal(v), c.reason);
        MapTickMemory m;
        std::string why;
        EXPECT_EQ(CacheGeodesy(m, v, &why), *c.reason == 0);
        EXPECT_EQ(why, c.reason);
        EXPECT_EQ(m.GeodesyRefused, *c.reason != 0);
        EXPECT_EQ(m.Projection != nullptr, *c.reason == 0);
    }
}

TEST(SurveyGrid, TheLambertSetterHasTheLastWord) {
    // Within 90 degrees, but closer to the pole than the setter takes.
    DeviceSettingsValues v = Lambert(true);
    v.LCCCP = "89.99999";
    EXPECT_EQ(GeodeticSetRefusal(v), "");
    MapTickMemory m;
    std::string why;
    EXPECT_FALSE(CacheGeodesy(m, v, &why));
    EXPECT_EQ(why, "The Lambert projection refuses the LCC parameters.");
    bool accepted = true;
    geodesy::SetLambert1SPParameters(6378137, 0.0033528106647474, 89.99999 * 3.141592653589793 / 180,
                                     0.5, 0, 0, 1, &accepted);
    EXPECT_FALSE(accepted);
}

TEST(SurveyGrid, ARefusedSetLeavesNoEarlierProjectionBehind) {
    SurveyState s;
    s.GnssLatitude = 41;
    s.GnssLongitude = 29;
    EXPECT_FALSE(GridOfLatestFix(s));  // no set read yet
    ASSERT_TRUE(CacheGeodesy(s.MapTick, phxtest::Utm35Settings(), nullptr));
    const std::optional<GridFix> grid = GridOfLatestFix(s);
    ASSERT_TRUE(grid);
    EXPECT_NEAR(grid->easting, 668207.8852, 0.001);
    DeviceSettingsValues bad = phxtest::Utm35Settings();
    bad.Flattening = "298.257";
    DropGeodesyCache(s.MapTick);
    EXPECT_FALSE(CacheGeodesy(s.MapTick, bad, nullptr));
    EXPECT_FALSE(GridOfLatestFix(s));
    // No position, no grid.
    ASSERT_TRUE(CacheGeodesy(s.MapTick, phxtest::Utm35Settings(), nullptr));
    s.GnssLatitude = s.GnssLongitude = 0;
    EXPECT_FALSE(GridOfLatestFix(s));
}

TEST(SurveyGrid, AShiftedDatumAgainstProj) {
    DeviceSettingsValues v = phxtest::Utm35Settings();
    v.SemiMajorAxis = "6378388";
    v.Flattening = "0.003367003367003367";
    v.XShift = "-84.87";
    v.YShift = "-96.49";
    v.ZShift = "-116.95";
    v.XRotation = "0.35";
    v.YRotation = "-0.12";
    v.ZRotation = "0.6";
    v.ScalePPM = "1.2";
    SurveyState s;
    ASSERT_TRUE(CacheGeodesy(s.MapTick, v, nullptr));
    s.GnssLatitude = 40.5;
    s.GnssLongitude = 28.25;
    s.GnssHeight = 80;  // Transverse Mercator shifts the datum at height 0
    const std::optional<GridFix> grid = GridOfLatestFix(s);
    ASSERT_TRUE(grid);
    std::istringstream out(phxtest::RunTool(
        "echo '28.25 40.5 0 0' | cct -d 6 +proj=pipeline +step +proj=cart +a=6378137.0 "
        "+f=0.0033528106647474 +step +inv +proj=helmert +x=-84.87 +y=-96.49 +z=-116.95 +rx=0.35 "
        "+ry=-0.12 +rz=0.6 +s=1.2 +convention=coordinate_frame +exact +step +inv +proj=cart "
        "+a=6378388 +f=0.003367003367003367 +step +proj=tmerc +lon_0=27 +k=0.9996 +x_0=500000 "
        "+a=6378388 +f=0.003367003367003367"));
    double e = 0, n = 0;
    ASSERT_TRUE(out >> e >> n) << "cct is part of proj-bin";
    EXPECT_NEAR(grid->easting, e, 0.001);
    EXPECT_NEAR(grid->northing, n, 0.001);
}

}  // namespace
