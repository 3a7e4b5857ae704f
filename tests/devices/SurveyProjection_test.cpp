// The satellite background placed by the survey's own conversion: for a
// Transverse Mercator set with a datum shift and for Lambert sets with one
// and two parallels, every tile corner is where PROJ (cct, the same datum
// chain and projection) puts it, and the drawn tiles' pixels sit on those
// corners within a pixel or two.
#include "devices/SurveyProjection.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <vector>

#include "canvas/PlovanCanvas.h"
#include "canvas/TileLayout.h"
#include "canvas/TileMath.h"
#include "foundation/SurveyState.h"
#include "geodesy/LambertConformalConic.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"

namespace {

// A local datum on the International 1924 ellipsoid with a full
// seven-parameter step into WGS 84.
DeviceSettingsValues LocalDatum() {
    DeviceSettingsValues v;
    v.SemiMajorAxis = "6378388";
    v.Flattening = "0.0033670033670033670";
    v.ScalePPM = "1.2";
    v.XRotation = "0.5";
    v.YRotation = "-0.3";
    v.ZRotation = "0.8";
    v.XShift = "-84";
    v.YShift = "-107";
    v.ZShift = "-120";
    v.CentralMeridian = "33";
    v.ReferenceLatitude = "0";
    v.ScaleFactor = "1";
    v.FalseEasting = "500000";
    v.FalseNorthing = "0";
    return v;
}

const char* kDatumSteps =
    "+proj=pipeline +step +proj=cart +ellps=WGS84 +step +inv +proj=helmert +x=-84 +y=-107 "
    "+z=-120 +rx=0.5 +ry=-0.3 +rz=0.8 +s=1.2 +convention=coordinate_frame +exact +step +inv "
    "+proj=cart +a=6378388 +rf=297 +step ";

struct Case {
    const char* name;
    DeviceSettingsValues values;
    std::string projSteps;
};

std::vector<Case> Cases() {
    DeviceSettingsValues tm = LocalDatum();
    DeviceSettingsValues one = LocalDatum();
    one.UseLCCProjection = true;
    one.Lambert1 = true;
    one.LCCCP = "39";
    one.LCCM = "35";
    one.LCCSF = "0.9995";
    one.LCCFE = "500000";
    one.LCCFN = "1000000";
    DeviceSettingsValues two = one;
    two.Lambert1 = false;
    two.LCCSP1 = "36";
    two.LCCSP2 = "42";
    return {
        {"TM with a datum shift", tm,
         "+proj=tmerc +lat_0=0 +lon_0=33 +k=1 +x_0=500000 +y_0=0 +a=6378388 +rf=297"},
        {"Lambert 1SP", one,
         "+proj=lcc +lat_1=39 +lat_0=39 +lon_0=35 +k_0=0.9995 +x_0=500000 +y_0=1000000 "
         "+a=6378388 +rf=297"},
        {"Lambert 2SP", two,
         "+proj=lcc +lat_1=36 +lat_2=42 +lat_0=39 +lon_0=35 +x_0=500000 +y_0=1000000 "
         "+a=6378388 +rf=297"},
    };
}

QRgb TileColour(int x, int y) { return qRgb((x * 73) % 200 + 30, (y * 41) % 200 + 30, ((x * 7 + y * 13) * 17) % 200 + 30); }

bool Near(QRgb a, QRgb b, int tolerance = 10) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

TEST(SurveyProjection, TileCornersSitWherePROJPutsThem) {
    if (phxtest::RunTool("cct --version 2>&1").empty()) GTEST_SKIP() << "cct missing";
    phxtest::TempHome home;
    ResetSurveyState();
    g_Survey.MapLatitude = 39.9;
    g_Survey.MapLongitude = 32.85;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        geodesy::ResetLambert();
        std::string why;
        const auto system = BuildGridSystem(c.values, &why);
        ASSERT_TRUE(system) << why;
        const TMapProjection projection = MakeMapProjection(*system);

        // The view: 3000 m across the survey position, on a 1280 x 800 canvas.
        double e0 = 0, n0 = 0;
        ASSERT_TRUE(projection.ToWorld(39.9, 32.85, e0, n0));
        TPlovanCanvas canvas;
        canvas.resize(1280, 800);
        canvas.SetView(e0 - 1500, n0 + 937.5, e0 + 1500, n0 - 937.5);
        canvas.SetBackgroundColor(0xFF00FF);
        const std::string cache = home.home() + c.name + "/";
        canvas.SetMapCacheDir(QString::fromStdString(cache));
        canvas.FMapProjection = [projection] { return projection; };

        const viewmath::ViewRect view{canvas.FWorldLeft, canvas.FWorldRight, canvas.FWorldTop,
                                      canvas.FWorldBottom};
        const auto range = tiles::ChooseTiles(view, projection);
        ASSERT_TRUE(range);
        EXPECT_EQ(range->zoom, 16);
        // Every corner through PROJ, and through the survey's conversion.
        std::ostringstream input;
        input.precision(15);
        struct Corner {
            std::int64_t x, y;
            double lat, lon;
        };
        std::vector<Corner> corners;
        for (auto x = range->x0; x <= range->x1 + 1; ++x)
            for (auto y = range->y0; y <= range->y1 + 1; ++y) {
                double lat = 0, lon = 0;
                tiles::TileToLatLon(double(x), double(y), range->zoom, lat, lon);
                corners.push_back({x, y, lat, lon});
                input << lon << ' ' << lat << " 0 0\n";
            }
        const std::string out = phxtest::RunTool("printf '" + input.str() + "' | cct -d 4 " +
                                                 kDatumSteps + c.projSteps);
        ASSERT_FALSE(out.empty());
        std::istringstream lines(out);
        std::map<std::pair<std::int64_t, std::int64_t>, QPointF> pixels;
        for (const Corner& k : corners) {
            double pe = 0, pn = 0, h = 0, t = 0;
            ASSERT_TRUE(lines >> pe >> pn >> h >> t);
            double e = 0, n = 0;
            ASSERT_TRUE(projection.ToWorld(k.lat, k.lon, e, n));
            EXPECT_NEAR(e, pe, 0.02);
            EXPECT_NEAR(n, pn, 0.02);
            // And back again.
            double lat = 0, lon = 0;
            ASSERT_TRUE(projection.ToGeographic(pe, pn, lat, lon));
            EXPECT_NEAR(lat, k.lat, 1e-7);
            EXPECT_NEAR(lon, k.lon, 1e-7);
            int px = 0, py = 0;
            canvas.WorldToScreen(pe, pn, px, py);
            pixels[{k.x, k.y}] = QPointF(px, py);
        }

        // Solid tiles on disk, then the frame.
        for (auto x = range->x0; x <= range->x1; ++x)
            for (auto y = range->y0; y <= range->y1; ++y) {
                QImage tile(256, 256, QImage::Format_RGB32);
                tile.fill(TileColour(int(x), int(y)));
                const std::string file = cache + tiles::TileRelativePath(16, int(x), int(y));
                std::filesystem::create_directories(std::filesystem::path(file).parent_path());
                ASSERT_TRUE(tile.save(QString::fromStdString(file), "JPG", 100));
            }
        canvas.SetMapVisible(true);
        canvas.renderFrame();
        const QImage frame = canvas.FBackBuffer;  // without the overlays

        // Just inside each corner of each tile (2 px along the way to the
        // tile's centre) lies that tile's colour: its corners are within a
        // pixel or so of PROJ's.
        int probes = 0;
        for (auto x = range->x0; x <= range->x1; ++x) {
            for (auto y = range->y0; y <= range->y1; ++y) {
                const QPointF quad[4] = {pixels[{x, y}], pixels[{x + 1, y}], pixels[{x + 1, y + 1}],
                                         pixels[{x, y + 1}]};
                const QPointF centre = (quad[0] + quad[1] + quad[2] + quad[3]) / 4;
                for (const QPointF& corner : quad) {
                    const QPointF toward = centre - corner;
                    const double length = std::hypot(toward.x(), toward.y());
                    const QPoint probe = (corner + toward * (2.5 / length)).toPoint();
                    if (probe.x() < 0 || probe.y() < 0 || probe.x() >= 1280 || probe.y() >= 800) continue;
                    EXPECT_TRUE(Near(frame.pixel(probe), TileColour(int(x), int(y))))
                        << x << ' ' << y << " at " << probe.x() << ',' << probe.y() << " is "
                        << std::hex << frame.pixel(probe) << " not " << TileColour(int(x), int(y))
                        << std::dec << " range " << range->x0 << ".." << range->x1 << ' '
                        << range->y0 << ".." << range->y1;
                    ++probes;
                }
            }
        }
        EXPECT_GT(probes, 40);
    }
    ResetSurveyState();
}

TEST(SurveyProjection, ARefusedSystemConvertsNothingAndLeavesTheLambertStateAlone) {
    geodesy::ResetLambert();
    double a = 0, f = 0, lat0 = 0, lon0 = 0, fe = 0, fn = 0, k0 = 0;
    geodesy::SetLambert1SPParameters(6378137, 0.0033528106647474, 0.7, 0.5, 1, 2, 1);
    DeviceSettingsValues v = LocalDatum();
    v.UseLCCProjection = true;
    v.Lambert1 = true;
    v.LCCCP = "39";
    v.LCCM = "35";
    v.LCCSF = "0.9995";
    v.LCCFE = "500000";
    v.LCCFN = "1000000";
    const auto system = BuildGridSystem(v);
    ASSERT_TRUE(system);
    double e = 0, n = 0;
    ASSERT_TRUE(MakeMapProjection(*system).ToWorld(39.9, 32.85, e, n));
    geodesy::GetLambert1SPParameters(a, f, lat0, lon0, fe, fn, k0);
    EXPECT_EQ(lat0, 0.7);
    EXPECT_EQ(fe, 1);

    DeviceGridSystem broken = *system;
    broken.lambert1.k0 = -1;
    EXPECT_FALSE(MakeMapProjection(broken).ToWorld(39.9, 32.85, e, n));
    DeviceGridSystem tm = *system;
    tm.lambert = false;
    tm.tm.k0 = 0;  // refused scale factor
    EXPECT_FALSE(MakeMapProjection(tm).ToWorld(39.9, 32.85, e, n));
    EXPECT_FALSE(MakeMapProjection(tm).ToGeographic(500000, 4400000, e, n));
}
