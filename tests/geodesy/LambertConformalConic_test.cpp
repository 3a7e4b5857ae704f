#include "geodesy/LambertConformalConic.h"

#include <gtest/gtest.h>

#include <cmath>

namespace geodesy {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRad = kPi / 180;
constexpr double kWgsA = 6378137, kWgsF = 1 / 298.257223563;
constexpr double kClarkeA = 6378206.4, kClarkeF = 1 / 294.9786982;
constexpr double kUsFoot = 1200.0 / 3937.0;

double Dms(double d, double m, double s) { return (d + m / 60 + s / 3600) * kRad; }

class LambertTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetLambert(); }
    void TearDown() override { ResetLambert(); }

    static Lambert1SPSet Installed1SP() {
        Lambert1SPSet s;
        GetLambert1SPParameters(s.a, s.f, s.originLatitude, s.centralMeridian, s.falseEasting,
                                s.falseNorthing, s.k0);
        return s;
    }

    // Scale along a parallel from two points either side of the meridian.
    static double ParallelScale(double latitude, double lon0, double a, double f) {
        const double d = 1e-6;
        double e1, n1, e2, n2;
        EXPECT_EQ(GeodeticToLambert2SP(latitude, lon0 - d, e1, n1), 0);
        EXPECT_EQ(GeodeticToLambert2SP(latitude, lon0 + d, e2, n2), 0);
        const double e2sq = 2 * f - f * f;
        const double parallelRadius =
            a * std::cos(latitude) / std::sqrt(1 - e2sq * std::sin(latitude) * std::sin(latitude));
        return std::hypot(e2 - e1, n2 - n1) / (parallelRadius * 2 * d);
    }
};

TEST_F(LambertTest, EpsgJamaica1969OneParallelExample) {
    // EPSG Guidance Note 7-2, method 9801, JAD69 / Jamaica National Grid.
    bool accepted = false;
    const double n = SetLambert1SPParameters(kClarkeA, kClarkeF, 18 * kRad, -77 * kRad, 250000,
                                             150000, 1.0, &accepted);
    EXPECT_TRUE(accepted);
    EXPECT_DOUBLE_EQ(n, std::sin(18 * kRad));
    double e = 0, north = 0;
    ASSERT_EQ(GeodeticToLambert1SP(Dms(17, 55, 55.80), -Dms(76, 56, 37.26), e, north), 0);
    EXPECT_NEAR(e, 255966.58, 0.005);
    EXPECT_NEAR(north, 142493.51, 0.005);
    double lat = 0, lon = 0;
    ASSERT_EQ(Lambert1SPToGeodetic(255966.58, 142493.51, lat, lon), 0);
    EXPECT_NEAR(lat, Dms(17, 55, 55.80), 1e-9);
    EXPECT_NEAR(lon, -Dms(76, 56, 37.26), 1e-9);
}

TEST_F(LambertTest, EpsgTexasSouthCentralTwoParallelExample) {
    // EPSG Guidance Note 7-2, method 9802, NAD27 / Texas South Central (US feet).
    bool accepted = false;
    SetLambert2SPParameters(kClarkeA, kClarkeF, Dms(27, 50, 0), -99 * kRad, Dms(28, 23, 0),
                            Dms(30, 17, 0), 2000000 * kUsFoot, 0, &accepted);
    ASSERT_TRUE(accepted);
    double e = 0, n = 0;
    ASSERT_EQ(GeodeticToLambert2SP(28.5 * kRad, -96 * kRad, e, n), 0);
    EXPECT_NEAR(e / kUsFoot, 2963503.91, 0.01);
    EXPECT_NEAR(n / kUsFoot, 254759.80, 0.01);
    double lat = 0, lon = 0;
    ASSERT_EQ(Lambert2SPToGeodetic(e, n, lat, lon), 0);
    EXPECT_NEAR(lat, 28.5 * kRad, 1e-9);
    EXPECT_NEAR(lon, -96 * kRad, 1e-12);
}

TEST_F(LambertTest, OneParallelOriginProjectsToTheFalseOriginExactly) {
    SetLambert1SPParameters(kWgsA, kWgsF, 41.5 * kRad, 33 * kRad, 1000000, 500000, 0.9995);
    double e = 0, n = 0;
    ASSERT_EQ(GeodeticToLambert1SP(41.5 * kRad, 33 * kRad, e, n), 0);
    EXPECT_EQ(e, 1000000);
    EXPECT_EQ(n, 500000);
}

TEST_F(LambertTest, RejectedOneParallelSetsKeepTheInstalledOne) {
    bool accepted = false;
    const double n =
        SetLambert1SPParameters(kWgsA, kWgsF, 41.5 * kRad, 33 * kRad, 1e6, 5e5, 0.9995, &accepted);
    ASSERT_TRUE(accepted);
    const Lambert1SPSet before = Installed1SP();
    struct Case {
        double a, f, lat0, lon0, k0;
    } cases[] = {
        {kWgsA, kWgsF, 0, 33 * kRad, 1},            // origin on the equator
        {kWgsA, 1 / 298.257, 41 * kRad, 0.5, 0.2},  // scale too small
        {kWgsA, kWgsF, 41 * kRad, 0.5, 3.1},        // scale too large
        {0, kWgsF, 41 * kRad, 0.5, 1},              // no axis
        {kWgsA, 1 / 200.0, 41 * kRad, 0.5, 1},      // flattening out of range
        {kWgsA, 298.257, 41 * kRad, 0.5, 1},        // inverse flattening typed as f
        {kWgsA, 0, 41 * kRad, 0.5, 1},              // a sphere
        {kWgsA, kWgsF, 41 * kRad, -3.2, 1},         // meridian below -pi
        {kWgsA, kWgsF, 41 * kRad, 6.3, 1},          // meridian above 2 pi
        {kWgsA, kWgsF, 1.57080, 0.5, 1},            // origin too near the pole
        {NAN, kWgsF, 41 * kRad, 0.5, 1},
        {kWgsA, kWgsF, NAN, 0.5, 1},
        {kWgsA, kWgsF, 41 * kRad, NAN, 1},
        {kWgsA, kWgsF, 41 * kRad, 0.5, NAN},
    };
    for (const auto& c : cases) {
        accepted = true;
        EXPECT_EQ(SetLambert1SPParameters(c.a, c.f, c.lat0, c.lon0, 0, 0, c.k0, &accepted), n);
        EXPECT_FALSE(accepted) << c.a << " " << c.f << " " << c.lat0 << " " << c.lon0 << " "
                               << c.k0;
        const Lambert1SPSet now = Installed1SP();
        EXPECT_EQ(now.originLatitude, before.originLatitude);
        EXPECT_EQ(now.k0, before.k0);
        EXPECT_EQ(now.falseEasting, before.falseEasting);
    }
    // The central meridian is stored wrapped into (-pi, pi].
    SetLambert1SPParameters(kWgsA, kWgsF, 41 * kRad, 4.0, 0, 0, 1, &accepted);
    EXPECT_TRUE(accepted);
    EXPECT_DOUBLE_EQ(Installed1SP().centralMeridian, 4.0 - 2 * kPi);
}

TEST_F(LambertTest, ConvertersReportAMissingSet) {
    double e = 123, n = 456;
    EXPECT_EQ(GeodeticToLambert1SP(0.7, 0.5, e, n), kLambertNoParameters);
    EXPECT_EQ(Lambert1SPToGeodetic(0, 0, e, n), kLambertNoParameters);
    EXPECT_EQ(GeodeticToLambert2SP(0.7, 0.5, e, n), kLambertNoParameters);
    EXPECT_EQ(Lambert2SPToGeodetic(0, 0, e, n), kLambertNoParameters);
    EXPECT_EQ(e, 123);
    EXPECT_EQ(n, 456);
    // A rejected first set installs nothing either.
    bool accepted = true;
    SetLambert1SPParameters(kWgsA, kWgsF, 0, 0.5, 0, 0, 1, &accepted);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(GeodeticToLambert1SP(0.7, 0.5, e, n), kLambertNoParameters);
    // One-parallel set alone: the two-parallel converters still have none.
    SetLambert1SPParameters(kWgsA, kWgsF, 0.7, 0.5, 0, 0, 1, &accepted);
    EXPECT_EQ(GeodeticToLambert1SP(0.7, 0.5, e, n), 0);
    EXPECT_EQ(GeodeticToLambert2SP(0.7, 0.5, e, n), kLambertNoParameters);
}

TEST_F(LambertTest, InputOutOfRangeGivesItsErrorBitsAndLeavesTheOutputs) {
    SetLambert1SPParameters(kWgsA, kWgsF, 45 * kRad, 0.3, 500000, 0, 1);
    double e = -1, n = -1;
    EXPECT_EQ(GeodeticToLambert1SP(-kPi / 2, 0.3, e, n), kLambertLatitudeError);
    EXPECT_EQ(GeodeticToLambert1SP(1.6, 0.3, e, n), kLambertLatitudeError);
    EXPECT_EQ(GeodeticToLambert1SP(0.7, 7, e, n), kLambertLongitudeError);
    EXPECT_EQ(GeodeticToLambert1SP(0.7, -3.2, e, n), kLambertLongitudeError);
    EXPECT_EQ(GeodeticToLambert1SP(1.6, 7, e, n), kLambertLatitudeError | kLambertLongitudeError);
    EXPECT_EQ(GeodeticToLambert1SP(NAN, 0.3, e, n), kLambertLatitudeError);
    EXPECT_EQ(e, -1);
    EXPECT_EQ(n, -1);
    // The near pole is the apex of the cone.
    ASSERT_EQ(GeodeticToLambert1SP(kPi / 2, 0.3, e, n), 0);
    double lat = 0, lon = 0;
    ASSERT_EQ(Lambert1SPToGeodetic(e, n, lat, lon), 0);
    EXPECT_EQ(lat, kPi / 2);
    EXPECT_NEAR(lon, 0.3, 1e-15);
    // A longitude up to 2 pi is taken as its equivalent.
    double e1, n1, e2, n2;
    ASSERT_EQ(GeodeticToLambert1SP(0.7, 2 * kPi - 0.1, e1, n1), 0);
    ASSERT_EQ(GeodeticToLambert1SP(0.7, -0.1, e2, n2), 0);
    EXPECT_NEAR(e1, e2, 1e-6);
    EXPECT_NEAR(n1, n2, 1e-6);
    EXPECT_EQ(Lambert1SPToGeodetic(500000 + 4.1e7, 0, lat, lon), kLambertEastingError);
    EXPECT_EQ(Lambert1SPToGeodetic(500000, -4.1e7, lat, lon), kLambertNorthingError);
    EXPECT_EQ(Lambert1SPToGeodetic(NAN, NAN, lat, lon),
              kLambertEastingError | kLambertNorthingError);
}

TEST_F(LambertTest, InverseReturnsForwardStartsOnBothHemispheres) {
    struct Set {
        double lat0, lon0, k0;
    } sets[] = {{45 * kRad, 0.3, 1}, {-35 * kRad, 2.5, 0.9999}, {70 * kRad, -1.2, 1.001}};
    for (const auto& s : sets) {
        ResetLambert();
        SetLambert1SPParameters(kWgsA, kWgsF, s.lat0, s.lon0, 400000, 300000, s.k0);
        for (double dlat : {-0.12, -0.03, 0.05, 0.2})
            for (double dlon : {-0.15, 0.01, 0.1}) {
                const double lat = s.lat0 + dlat, lon = s.lon0 + dlon;
                double e, n, lat2, lon2;
                ASSERT_EQ(GeodeticToLambert1SP(lat, lon, e, n), 0);
                ASSERT_EQ(Lambert1SPToGeodetic(e, n, lat2, lon2), 0);
                EXPECT_NEAR(lat2, lat, 1e-9) << s.lat0 << " " << dlat << " " << dlon;
                EXPECT_NEAR(lon2, lon, 1e-9) << s.lat0 << " " << dlat << " " << dlon;
            }
    }
}

// Grid points a metre off the equator, the prime meridian or across the
// antimeridian come back where they are, not on the line; with one parallel
// and with its two-parallel twin (both parallels at the origin).
TEST_F(LambertTest, InverseKeepsPointsJustOffTheEquatorAndTheMeridians) {
    struct Case {
        double lat0Deg, lon0Deg, easting, northing, latDeg, lonDeg;
    } cases[] = {
        {45, 0.5, 460577.621095, 200121.629213, 45, 0.00001},
        {45, 179.5, 539438.936425, 200121.731405, 45, -179.9998},
        {10, 20, 511300.781638, -911430.625531, -0.00001, 20.1},
    };
    for (const auto& c : cases)
        for (const bool twoParallels : {false, true}) {
            ResetLambert();
            const double lat0 = c.lat0Deg * kRad, lon0 = c.lon0Deg * kRad;
            double lat = 0, lon = 0;
            if (twoParallels) {
                SetLambert2SPParameters(kWgsA, kWgsF, lat0, lon0, lat0, lat0, 500000, 200000);
                ASSERT_EQ(Lambert2SPToGeodetic(c.easting, c.northing, lat, lon), 0);
            } else {
                SetLambert1SPParameters(kWgsA, kWgsF, lat0, lon0, 500000, 200000, 1);
                ASSERT_EQ(Lambert1SPToGeodetic(c.easting, c.northing, lat, lon), 0);
            }
            // 1e-9 degrees is a tenth of a millimetre.
            EXPECT_NEAR(lat / kRad, c.latDeg, 1e-9) << c.lat0Deg << " " << twoParallels;
            EXPECT_NEAR(lon / kRad, c.lonDeg, 1e-9) << c.lon0Deg << " " << twoParallels;
        }
}

TEST_F(LambertTest, InverseLongitudeStaysOnTheCircleAboveMinusPi) {
    SetLambert1SPParameters(kWgsA, kWgsF, 45 * kRad, 179.5 * kRad, 500000, 200000, 1);
    for (const double lonDeg : {-180.0, 180.0, -179.999999, 179.999999, -170.0, 171.0}) {
        double e = 0, n = 0, lat = 0, lon = 0;
        ASSERT_EQ(GeodeticToLambert1SP(44 * kRad, lonDeg * kRad, e, n), 0);
        ASSERT_EQ(Lambert1SPToGeodetic(e, n, lat, lon), 0);
        EXPECT_GT(lon, -kPi) << lonDeg;
        EXPECT_LE(lon, kPi) << lonDeg;
        // -180 and 180 are one meridian; which side rounding lands on is noise.
        EXPECT_NEAR(std::remainder(lon / kRad - lonDeg, 360.0), 0, 1e-9) << lonDeg;
    }
}

TEST_F(LambertTest, TwoParallelsDeriveTheEquivalentOneParallelSet) {
    bool accepted = false;
    const double n = SetLambert2SPParameters(kWgsA, kWgsF, 39 * kRad, 35 * kRad, 36 * kRad,
                                             42 * kRad, 500000, 1000000, &accepted);
    ASSERT_TRUE(accepted);
    EXPECT_NEAR(n, 0.62961, 5e-6);
    const Lambert1SPSet one = Installed1SP();
    EXPECT_NEAR(one.originLatitude / kRad, 39.0216, 5e-5);
    EXPECT_LT(one.k0, 1);
    double e = 0, north = 0;
    ASSERT_EQ(GeodeticToLambert2SP(39 * kRad, 35 * kRad, e, north), 0);
    EXPECT_NEAR(e, 500000, 1e-8);
    EXPECT_NEAR(north, 1000000, 1e-8);
    EXPECT_NEAR(ParallelScale(36 * kRad, 35 * kRad, kWgsA, kWgsF), 1, 1e-8);
    EXPECT_NEAR(ParallelScale(42 * kRad, 35 * kRad, kWgsA, kWgsF), 1, 1e-8);
    EXPECT_LT(ParallelScale(39 * kRad, 35 * kRad, kWgsA, kWgsF), 1 - 1e-4);

    Lambert2SPSet stored;
    GetLambert2SPParameters(stored.a, stored.f, stored.originLatitude, stored.centralMeridian,
                            stored.firstParallel, stored.secondParallel, stored.falseEasting,
                            stored.falseNorthing);
    EXPECT_EQ(stored.firstParallel, 36 * kRad);
    EXPECT_EQ(stored.falseNorthing, 1000000);
}

TEST_F(LambertTest, EqualParallelsKeepTheOriginLatitudesFalseNorthing) {
    bool accepted = false;
    // Origin on the parallel: the 1SP set is that parallel with k0 1 and FN.
    const double n = SetLambert2SPParameters(kWgsA, kWgsF, 40 * kRad, 0.5, 40 * kRad, 40 * kRad,
                                             200000, 300000, &accepted);
    ASSERT_TRUE(accepted);
    EXPECT_DOUBLE_EQ(n, std::sin(40 * kRad));
    Lambert1SPSet one = Installed1SP();
    EXPECT_EQ(one.originLatitude, 40 * kRad);
    EXPECT_EQ(one.k0, 1);
    EXPECT_EQ(one.falseNorthing, 300000);

    // Origin two degrees south of the parallel: still projects to FN, and
    // agrees with a cone whose parallels differ by a hair (not by the 222 km
    // of a false northing left at the parallel).
    SetLambert2SPParameters(kWgsA, kWgsF, 38 * kRad, 0.5, 40 * kRad, 40 * kRad, 200000, 300000,
                            &accepted);
    ASSERT_TRUE(accepted);
    double e = 0, north = 0;
    ASSERT_EQ(GeodeticToLambert2SP(38 * kRad, 0.5, e, north), 0);
    EXPECT_NEAR(e, 200000, 1e-9);
    EXPECT_NEAR(north, 300000, 1e-6);
    double tangentE, tangentN, secantE, secantN;
    ASSERT_EQ(GeodeticToLambert2SP(41 * kRad, 0.55, tangentE, tangentN), 0);
    SetLambert2SPParameters(kWgsA, kWgsF, 38 * kRad, 0.5, 40 * kRad, 40 * kRad + 1e-8, 200000,
                            300000, &accepted);
    ASSERT_TRUE(accepted);
    ASSERT_EQ(GeodeticToLambert2SP(41 * kRad, 0.55, secantE, secantN), 0);
    EXPECT_NEAR(tangentE, secantE, 0.01);
    EXPECT_NEAR(tangentN, secantN, 0.01);
}

TEST_F(LambertTest, RejectedTwoParallelSetsChangeNothing) {
    bool accepted = false;
    const double n = SetLambert2SPParameters(kWgsA, kWgsF, 39 * kRad, 35 * kRad, 36 * kRad,
                                             42 * kRad, 500000, 1000000, &accepted);
    ASSERT_TRUE(accepted);
    struct Case {
        double a, f, latO, lon0, lat1, lat2;
    } cases[] = {
        {kWgsA, kWgsF, 0.5, 0.5, 0.6, -0.6},
        {kWgsA, kWgsF, 0.5, 0.5, 0, 0},
        {kWgsA, kWgsF, 0.5, 0.5, 1.57080, 0.6},
        {kWgsA, kWgsF, 0.5, 0.5, 0.6, -1.57080},
        {kWgsA, kWgsF, 1.6, 0.5, 0.6, 0.7},
        {kWgsA, kWgsF, 0.5, 7, 0.6, 0.7},
        {-1, kWgsF, 0.5, 0.5, 0.6, 0.7},
        {kWgsA, 1 / 400.0, 0.5, 0.5, 0.6, 0.7},
        {kWgsA, kWgsF, NAN, 0.5, 0.6, 0.7},
        // Parallels whose equivalent scale factor is out of range.
        {kWgsA, kWgsF, 0.5, 0.5, -1.5, 1.4},
    };
    for (const auto& c : cases) {
        accepted = true;
        EXPECT_EQ(
            SetLambert2SPParameters(c.a, c.f, c.latO, c.lon0, c.lat1, c.lat2, 0, 0, &accepted), n);
        EXPECT_FALSE(accepted) << c.latO << " " << c.lat1 << " " << c.lat2;
    }
    double e = 0, north = 0;
    ASSERT_EQ(GeodeticToLambert2SP(39 * kRad, 35 * kRad, e, north), 0);
    EXPECT_NEAR(e, 500000, 1e-8);
    EXPECT_NEAR(north, 1000000, 1e-8);
}

TEST_F(LambertTest, TwoParallelConversionsIgnoreAOneParallelSetInBetween) {
    SetLambert2SPParameters(kWgsA, kWgsF, 39 * kRad, 35 * kRad, 36 * kRad, 42 * kRad, 500000,
                            1000000);
    double e1, n1, e2, n2;
    ASSERT_EQ(GeodeticToLambert2SP(40 * kRad, 36 * kRad, e1, n1), 0);
    SetLambert1SPParameters(kClarkeA, kClarkeF, 18 * kRad, -77 * kRad, 250000, 150000, 1.0);
    ASSERT_EQ(GeodeticToLambert2SP(40 * kRad, 36 * kRad, e2, n2), 0);
    EXPECT_EQ(e1, e2);
    EXPECT_EQ(n1, n2);
    double lat, lon;
    SetLambert1SPParameters(kClarkeA, kClarkeF, 18 * kRad, -77 * kRad, 250000, 150000, 1.0);
    ASSERT_EQ(Lambert2SPToGeodetic(e1, n1, lat, lon), 0);
    EXPECT_NEAR(lat, 40 * kRad, 1e-9);
    EXPECT_NEAR(lon, 36 * kRad, 1e-12);
}

// A conic of its own gives the installed set's results bit for bit, its
// error bits too, and never reads or writes the process-wide state.
TEST_F(LambertTest, ConicsOfTheirOwnMatchTheInstalledSetAndLeaveIt) {
    const Lambert1SPSet one{kClarkeA, kClarkeF, 18 * kRad, -77 * kRad, 250000, 150000, 1.0};
    const Lambert2SPSet two{kWgsA,     kWgsF,     39 * kRad, 35 * kRad,
                            36 * kRad, 42 * kRad, 500000,    1000000};
    const auto c1 = LambertConic::OneParallel(one);
    const auto c2 = LambertConic::TwoParallels(two);
    ASSERT_TRUE(c1 && c2);
    EXPECT_FALSE(Lambert().have1 || Lambert().have2);  // nothing installed by them

    const double points[][2] = {{40, 36}, {-10, 20}, {90, 0}, {-90, 0}, {95, 0}, {40, 400}};
    for (const bool twoParallels : {false, true}) {
        const LambertConic& conic = twoParallels ? *c2 : *c1;
        if (twoParallels)
            SetLambert2SPParameters(two.a, two.f, two.originLatitude, two.centralMeridian,
                                    two.firstParallel, two.secondParallel, two.falseEasting,
                                    two.falseNorthing);
        else
            SetLambert1SPParameters(one.a, one.f, one.originLatitude, one.centralMeridian,
                                    one.falseEasting, one.falseNorthing, one.k0);
        for (const auto& p : points) {
            double e1 = -1, n1 = -1, e2 = -1, n2 = -1;
            const int global = twoParallels
                                   ? GeodeticToLambert2SP(p[0] * kRad, p[1] * kRad, e1, n1)
                                   : GeodeticToLambert1SP(p[0] * kRad, p[1] * kRad, e1, n1);
            EXPECT_EQ(conic.Forward(p[0] * kRad, p[1] * kRad, e2, n2), global) << p[0];
            EXPECT_EQ(e1, e2) << p[0];
            EXPECT_EQ(n1, n2) << p[0];
            double lat1 = -1, lon1 = -1, lat2 = -1, lon2 = -1;
            const int back = twoParallels ? Lambert2SPToGeodetic(e1 + 10, n1 + 5e7, lat1, lon1)
                                          : Lambert1SPToGeodetic(e1 + 10, n1, lat1, lon1);
            EXPECT_EQ(conic.Inverse(e1 + 10, n1 + (twoParallels ? 5e7 : 0), lat2, lon2), back);
            EXPECT_EQ(lat1, lat2);
            EXPECT_EQ(lon1, lon2);
        }
        ResetLambert();
    }
    EXPECT_EQ(c2->ConeConstant(),
              SetLambert2SPParameters(two.a, two.f, two.originLatitude, two.centralMeridian,
                                      two.firstParallel, two.secondParallel, two.falseEasting,
                                      two.falseNorthing));
    EXPECT_DOUBLE_EQ(c1->CentralMeridian(), -77 * kRad);
    // Sets the setters refuse make no conic.
    Lambert1SPSet badScale = one;
    badScale.k0 = 0.2;
    Lambert2SPSet opposite = two;
    opposite.secondParallel = -two.firstParallel;
    EXPECT_FALSE(LambertConic::OneParallel(badScale));
    EXPECT_FALSE(LambertConic::TwoParallels(opposite));
}

}  // namespace
}  // namespace geodesy
