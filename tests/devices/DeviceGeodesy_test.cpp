// The geodetic texts of the device settings and the typed grid system built
// from them: the same numbers the text functions read, and the same grid
// coordinates to the last written digit.
#include "devices/DeviceGeodesy.h"

#include <gtest/gtest.h>

#include "geodesy/DatumText.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercatorText.h"

namespace {

DeviceSettingsValues Turkey() {
    DeviceSettingsValues v;
    v.SemiMajorAxis = "6378137";
    v.Flattening = "0.0033528106647474";
    v.ScalePPM = "0";
    v.XRotation = v.YRotation = v.ZRotation = "0";
    v.XShift = v.YShift = v.ZShift = "0";
    v.CentralMeridian = "27";
    v.ReferenceLatitude = "0";
    v.ScaleFactor = "1";
    v.FalseEasting = "500000";
    v.FalseNorthing = "0";
    return v;
}

}  // namespace

TEST(DeviceGeodesy, TextsAsTheMapTickJoinsThem) {
    const GeodeticTexts t = BuildGeodeticTexts(Turkey());
    EXPECT_EQ(t.Datum,
              "6378137.0  0.0033528106647474  0.0  0.0  0.0  0.0  0.0  0.0  0.0 6378137 "
              "0.0033528106647474 0 0 0 0 0 0 0");
    EXPECT_EQ(t.Ellipsoid, "6378137.0 0.0033528106647474 6378137 0.0033528106647474");
    EXPECT_EQ(t.TM, "27 0 1 500000 0");
}

TEST(DeviceGeodesy, TypedSystemProjectsAsTheTextFunctions) {
    const DeviceSettingsValues v = Turkey();
    std::string why;
    const auto system = BuildGridSystem(v, &why);
    ASSERT_TRUE(system) << why;
    EXPECT_FALSE(system->lambert);
    const GeodeticTexts t = BuildGeodeticTexts(v);
    const auto tm = geodesy::TransverseMercator::Create(system->target.ellipsoid, system->tm);
    ASSERT_TRUE(tm);
    for (const auto& [lat, lon] : {std::pair{38.4, 27.1}, {41.0082, 28.9784}, {36.5, 25.25}}) {
        const auto grid = tm->Forward({lat, lon});
        ASSERT_TRUE(grid);
        const std::string text = geodesy::TransverseMercatorFromText(
            geodesy::FixedText(lat, 18, 10) + " " + geodesy::FixedText(lon, 18, 10), t.TM,
            t.Ellipsoid);
        EXPECT_EQ(geodesy::FixedText(grid->eastingM, 18, 4) + " " +
                      geodesy::FixedText(grid->northingM, 18, 4),
                  text);
    }
}

TEST(DeviceGeodesy, RefusedWholeWhenATextIsNotANumber) {
    struct Row {
        void (*edit)(DeviceSettingsValues&);
        bool built;
    };
    const Row rows[] = {
        {[](DeviceSettingsValues&) {}, true},
        {[](DeviceSettingsValues& v) { v.XShift = ""; }, false},
        {[](DeviceSettingsValues& v) { v.FalseEasting = "5e5x"; }, false},
        {[](DeviceSettingsValues& v) { v.SemiMajorAxis = "nan"; }, false},
        // Lambert with two parallels needs both; with one it needs neither.
        {[](DeviceSettingsValues& v) {
             v.UseLCCProjection = true;
             v.LCCCP = "39";
             v.LCCM = "35";
             v.LCCFE = "0";
             v.LCCFN = "0";
             v.LCCSF = "1";
         },
         false},
        {[](DeviceSettingsValues& v) {
             v.UseLCCProjection = v.Lambert1 = true;
             v.LCCCP = "39";
             v.LCCM = "35";
             v.LCCFE = "0";
             v.LCCFN = "0";
             v.LCCSF = "1";
             v.CentralMeridian = "";  // not needed by Lambert
         },
         true},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        DeviceSettingsValues v = Turkey();
        rows[i].edit(v);
        std::string why;
        const auto system = BuildGridSystem(v, &why);
        EXPECT_EQ(system.has_value(), rows[i].built) << "row " << i;
        EXPECT_EQ(why.empty(), rows[i].built) << "row " << i;
    }
    DeviceSettingsValues v = Turkey();
    v.UseLCCProjection = v.Lambert1 = true;
    v.LCCCP = "39";
    v.LCCM = "35";
    v.LCCFE = "500000";
    v.LCCFN = "0";
    v.LCCSF = "0.9996";
    const auto system = BuildGridSystem(v);
    ASSERT_TRUE(system);
    EXPECT_EQ(system->lambert1.originLatitude, 39 * geodesy::kPi / 180);
    EXPECT_EQ(system->lambert1.k0, 0.9996);
    EXPECT_EQ(system->lambert1.a, 6378137.0);
}
