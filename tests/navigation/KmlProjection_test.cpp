// The KML conversions against PROJ's cs2cs: Transverse Mercator (UTM zone
// 35 on WGS84, and a shifted International 1924 datum), Lambert with one and
// two parallels; round trips; the map tick's Lambert set left alone.
#include "navigation/KmlProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "geodesy/LambertConformalConic.h"
#include "tests/support/RunTool.h"
#include "tests/support/Utm35Settings.h"

namespace {

DeviceSettingsValues Utm35() { return phxtest::Utm35Settings(); }

DeviceSettingsValues Lambert(bool oneParallel) {
    DeviceSettingsValues v = Utm35();
    v.UseLCCProjection = true;
    v.UseTMProjection = false;
    v.Lambert1 = oneParallel;
    v.LCCSP1 = "39";
    v.LCCSP2 = "41";
    v.LCCCP = "40";
    v.LCCM = "27";
    v.LCCSF = "0.9996";
    v.LCCFE = "500000";
    v.LCCFN = "200000";
    v.CentralMeridian = "";  // not needed under Lambert
    return v;
}

// The two first numbers cs2cs prints for "a b"; false when it is missing.
bool Cs2cs(const std::string& args, double a, double b, double& outA, double& outB) {
    std::ostringstream command;
    command.precision(17);
    command << "echo '" << a << " " << b << "' | cs2cs -f %.10f " << args << " 2>/dev/null";
    std::istringstream out(phxtest::RunTool(command.str()));
    return static_cast<bool>(out >> outA >> outB);
}

constexpr const char* kWgs84 = "+proj=longlat +datum=WGS84 +to ";

struct Case {
    const char* what;
    DeviceSettingsValues values;
    std::string proj;  // the target system for cs2cs
};

std::vector<Case> Cases() {
    DeviceSettingsValues ed50 = Utm35();
    ed50.SemiMajorAxis = "6378388";
    ed50.Flattening = "0.0033670033670034";
    ed50.XShift = "-87";
    ed50.YShift = "-98";
    ed50.ZShift = "-121";
    return {
        {"UTM 35", Utm35(), "+proj=utm +zone=35 +datum=WGS84"},
        {"shifted datum", ed50,
         "+proj=tmerc +lat_0=0 +lon_0=27 +k=0.9996 +x_0=500000 +y_0=0 +a=6378388 "
         "+rf=297 +towgs84=-87,-98,-121"},
        {"Lambert 2SP", Lambert(false),
         "+proj=lcc +lat_1=39 +lat_2=41 +lat_0=40 +lon_0=27 +x_0=500000 +y_0=200000 "
         "+ellps=WGS84"},
        {"Lambert 1SP", Lambert(true),
         "+proj=lcc +lat_1=40 +lat_0=40 +lon_0=27 +k_0=0.9996 +x_0=500000 +y_0=200000 "
         "+ellps=WGS84"},
    };
}

}  // namespace

TEST(KmlProjection, UtmZone35AsCs2csGivesIt) {
    double x = 0, y = 0;
    ASSERT_TRUE(KmlGeographicToGrid(Utm35(), 40.2, 27.1, x, y));
    EXPECT_NEAR(x, 508511.015, 0.0015);
    EXPECT_NEAR(y, 4449960.441, 0.0015);
}

// Points the projection is not meant for are refused, into the grid only.
TEST(KmlProjection, PointsBeyondTheStatedRangeAreRefused) {
    DeviceSettingsValues shifted = Utm35();
    shifted.XShift = "-87";  // the range holds in the local datum
    const struct {
        const char* what;
        DeviceSettingsValues values;
        double latitude, longitude;
        bool converted;
    } cases[] = {
        {"TM 5.99 east", Utm35(), 40, 32.99, true},
        {"TM 5.99 west", Utm35(), 40, 21.01, true},
        {"TM 6.01 east", Utm35(), 40, 33.01, false},
        {"TM 6.01 west", Utm35(), 40, 20.99, false},
        {"TM 93 east", Utm35(), 40, 120, false},
        {"TM across the antimeridian", Utm35(), 40, -153, false},
        {"TM shifted datum, 5.99", shifted, 40, 32.99, true},
        {"TM south", Utm35(), -40, 28, true},
        {"Lambert 89 east", Lambert(false), 40, 116, true},
        {"Lambert 91 east", Lambert(false), 40, 118, false},
        {"Lambert 91 west", Lambert(true), 40, -64, false},
        {"Lambert on the equator", Lambert(false), 0, 27, true},
        {"Lambert across the equator", Lambert(true), -1, 27, false},
        {"Lambert far pole", Lambert(false), -90, 27, false},
    };
    for (const auto& c : cases) {
        double x = -1, y = -2;
        EXPECT_EQ(KmlGeographicToGrid(c.values, c.latitude, c.longitude, x, y), c.converted)
            << c.what;
        if (!c.converted) {
            EXPECT_EQ(x, -1) << c.what;
            EXPECT_EQ(y, -2) << c.what;
        }
    }
    // A grid point far out still goes back (the export has no range).
    double latitude = 0, longitude = 0;
    EXPECT_TRUE(KmlGridToGeographic(Utm35(), 1200000, 4449960, latitude, longitude));
    EXPECT_GT(longitude, 33);
}

TEST(KmlProjection, ForwardAndInverseAgainstCs2cs) {
    const double points[][2] = {{40.2, 27.1}, {41.05, 28.97}, {38.4, 26.2}, {40.0, 27.0}};
    for (const Case& c : Cases()) {
        for (const auto& p : points) {
            double ex = 0, ny = 0;
            if (!Cs2cs(std::string(kWgs84) + c.proj, p[1], p[0], ex, ny))
                GTEST_SKIP() << "cs2cs is not installed";
            double x = 0, y = 0;
            ASSERT_TRUE(KmlGeographicToGrid(c.values, p[0], p[1], x, y)) << c.what;
            EXPECT_NEAR(x, ex, 0.005) << c.what << " " << p[0] << " " << p[1];
            EXPECT_NEAR(y, ny, 0.005) << c.what << " " << p[0] << " " << p[1];

            // Back from the oracle's grid point: cs2cs's inverse.
            double lon = 0, lat = 0;
            ASSERT_TRUE(Cs2cs(c.proj + " +to +proj=longlat +datum=WGS84", ex, ny, lon, lat));
            double latitude = 0, longitude = 0;
            ASSERT_TRUE(KmlGridToGeographic(c.values, ex, ny, latitude, longitude)) << c.what;
            EXPECT_NEAR(latitude, lat, 1e-7) << c.what;
            EXPECT_NEAR(longitude, lon, 1e-7) << c.what;
        }
    }
}

TEST(KmlProjection, LambertSetOfTheMapTickStays) {
    geodesy::ResetLambert();
    geodesy::SetLambert1SPParameters(6378137.0, 0.0033528106647474, 0.7, 0.5, 1000, 2000, 1.0);
    double before[2] = {}, after[2] = {};
    ASSERT_EQ(geodesy::GeodeticToLambert1SP(0.71, 0.51, before[0], before[1]), 0);

    double x = 0, y = 0, latitude = 0, longitude = 0;
    ASSERT_TRUE(KmlGeographicToGrid(Lambert(true), 40.2, 27.1, x, y));
    ASSERT_TRUE(KmlGridToGeographic(Lambert(true), x, y, latitude, longitude));
    ASSERT_TRUE(KmlGeographicToGrid(Lambert(false), 40.2, 27.1, x, y));
    EXPECT_NEAR(latitude, 40.2, 1e-9);
    EXPECT_NEAR(longitude, 27.1, 1e-9);

    ASSERT_EQ(geodesy::GeodeticToLambert1SP(0.71, 0.51, after[0], after[1]), 0);
    EXPECT_EQ(before[0], after[0]);
    EXPECT_EQ(before[1], after[1]);
    EXPECT_FALSE(geodesy::Lambert().have2);  // the two-parallel set was never the tick's
    geodesy::ResetLambert();
}

TEST(KmlProjection, RefusedParametersLeaveTheOutValues) {
    DeviceSettingsValues badTm = Utm35();
    badTm.ScaleFactor = "abc";
    DeviceSettingsValues badLambert = Lambert(false);
    badLambert.LCCSP2 = "";
    DeviceSettingsValues badDatum = Utm35();
    badDatum.XRotation = "1,5";
    for (const DeviceSettingsValues& v : {badTm, badLambert, badDatum}) {
        double x = -1, y = -2, latitude = -3, longitude = -4;
        EXPECT_FALSE(KmlGeographicToGrid(v, 40.2, 27.1, x, y));
        EXPECT_FALSE(KmlGridToGeographic(v, 508511, 4449960, latitude, longitude));
        EXPECT_EQ(x, -1);
        EXPECT_EQ(y, -2);
        EXPECT_EQ(latitude, -3);
        EXPECT_EQ(longitude, -4);
    }
}

TEST(KmlProjection, DatumConfiguredReadsTheMeridianInUse) {
    const struct {
        bool lambert;
        const char *sma, *cm, *lccm;
        bool configured;
    } cases[] = {
        {false, "6378137", "27", "", true},  {false, "", "27", "27", false},
        {false, "6378137", "", "27", false}, {true, "6378137", "", "27", true},
        {true, "6378137", "27", "", false},  {true, "", "", "27", false},
    };
    for (const auto& c : cases) {
        DeviceSettingsValues v;
        v.UseLCCProjection = c.lambert;
        v.SemiMajorAxis = c.sma;
        v.CentralMeridian = c.cm;
        v.LCCM = c.lccm;
        EXPECT_EQ(KmlDatumConfigured(v), c.configured) << c.lambert << c.sma << c.cm << c.lccm;
    }
}
