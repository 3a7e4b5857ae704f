// The Web Mercator tile arithmetic: the fixed vectors, indices against
// PROJ's EPSG:3857 on random points, and round trips from tile centres.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "canvas/TileLayout.h"
#include "canvas/TileMath.h"
#include "tests/support/RunTool.h"

TEST(TileMath, FixedVectors) {
    int x = -1, y = -1;
    double px = -1, py = -1;
    tiles::LatLonToTile(0, 0, 1, x, y, px, py);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, 0);
    for (int z = 0; z <= 22; ++z) {
        double lat = 0, lon = 0;
        tiles::TileToLatLon(0, 0, z, lat, lon);
        EXPECT_NEAR(lat, 85.0511287798, 5e-11) << z;
        EXPECT_EQ(lon, -180) << z;
    }
    double lat = 0, lon = 0;
    tiles::TileToLatLon(19134, 12430, 15, lat, lon);
    EXPECT_NEAR(lat, 39.79165483525342, 1e-12);
    EXPECT_NEAR(lon, 30.21240234375, 1e-12);
    EXPECT_EQ(tiles::TileKey(15, 19134, 12430), "15_19134_12430");
    EXPECT_EQ(tiles::TileRelativePath(15, 19134, 12430), "15/19134_12430.jpg");
    EXPECT_EQ(tiles::TileRequestPath(15, 19134, 12430),
              "/ArcGIS/rest/services/World_Imagery/MapServer/tile/15/12430/19134");
}

TEST(TileMath, OutOfRangePointsGiveOutOfRangeTilesWithoutOverflow) {
    int x = 0, y = 0;
    double px = 0, py = 0;
    tiles::LatLonToTile(0, 181, 2, x, y, px, py);
    EXPECT_EQ(x, 4);  // unclamped, as written
    tiles::LatLonToTile(86, -190, 3, x, y, px, py);
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
    tiles::LatLonToTile(0, 1e300, 30, x, y, px, py);
    EXPECT_EQ(x, std::numeric_limits<int>::max());
    tiles::LatLonToTile(90, NAN, 10, x, y, px, py);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(tiles::WrapColumn(-1, 15), 32767);
    EXPECT_EQ(tiles::WrapColumn(32768 + 5, 15), 5);
}

TEST(TileMath, IndicesMatchProjOnRandomPoints) {
    std::mt19937 random(29);
    std::uniform_real_distribution<double> lat(-85, 85), lon(-180, 180);
    std::uniform_int_distribution<int> zoom(0, 19);
    struct Point {
        double lat, lon;
        int z;
    };
    std::vector<Point> points;
    std::ostringstream input;
    input.precision(17);
    for (int i = 0; i < 300; ++i) {
        points.push_back({lat(random), lon(random), zoom(random)});
        input << points.back().lat << ' ' << points.back().lon << '\n';
    }
    const std::string out = phxtest::RunTool("printf '" + input.str() +
                                             "' | cs2cs -f %.6f EPSG:4326 EPSG:3857 2>/dev/null");
    if (out.empty()) GTEST_SKIP() << "cs2cs missing";
    std::istringstream lines(out);
    constexpr double kOrigin = 20037508.342789244, kWorld = 40075016.68557849;
    int compared = 0;
    for (const Point& p : points) {
        double X = 0, Y = 0, h = 0;
        ASSERT_TRUE(lines >> X >> Y >> h);
        const double size = kWorld / std::ldexp(1.0, p.z);
        const double fx = (X + kOrigin) / size, fy = (kOrigin - Y) / size;
        // Points within a micrometre of a tile edge may fall either way.
        if (std::abs(fx - std::round(fx)) * size < 1e-3 || std::abs(fy - std::round(fy)) * size < 1e-3)
            continue;
        int x = 0, y = 0;
        double px = 0, py = 0;
        tiles::LatLonToTile(p.lat, p.lon, p.z, x, y, px, py);
        EXPECT_EQ(x, static_cast<int>(std::floor(fx))) << p.lat << ' ' << p.lon << ' ' << p.z;
        EXPECT_EQ(y, static_cast<int>(std::floor(fy))) << p.lat << ' ' << p.lon << ' ' << p.z;
        EXPECT_NEAR(px, (fx - std::floor(fx)) * 256, 1e-3);
        ++compared;
    }
    EXPECT_GT(compared, 250);
}

TEST(TileMath, TileCentresComeBackToTheirTile) {
    std::mt19937 random(7);
    int cornersOff = 0, total = 0;
    for (int z = 1; z <= 20; ++z) {
        const int n = 1 << z;
        std::uniform_int_distribution<int> index(0, n - 1);
        for (int k = 0; k < 50; ++k, ++total) {
            const int x = index(random), y = index(random);
            double lat = 0, lon = 0;
            tiles::TileToLatLon(x + 0.5, y + 0.5, z, lat, lon);
            int cx = 0, cy = 0;
            double px = 0, py = 0;
            tiles::LatLonToTile(lat, lon, z, cx, cy, px, py);
            EXPECT_EQ(cx, x);
            EXPECT_EQ(cy, y);
            EXPECT_NEAR(px, 128, 1e-4);
            EXPECT_NEAR(py, 128, 1e-4);
            // The corner itself lands on the edge and may come back a row off.
            tiles::TileToLatLon(x, y, z, lat, lon);
            tiles::LatLonToTile(lat, lon, z, cx, cy, px, py);
            if (cy != y) ++cornersOff;
            EXPECT_TRUE(cy == y || cy == y - 1);
        }
    }
    EXPECT_LT(cornersOff, total);
}

TEST(TileMath, ZoomByViewWidth) {
    const std::pair<double, int> table[] = {
        {200001, -1}, {200000, 10}, {100000.5, 10}, {100000, 11}, {50000, 12}, {25000, 13},
        {12000, 14},  {6000, 15},   {3000, 16},     {800.5, 16},  {800, 17},   {1, 17}, {NAN, -1}};
    for (const auto& [width, zoom] : table) EXPECT_EQ(tiles::ZoomForViewWidth(width), zoom) << width;
}
