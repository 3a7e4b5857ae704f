// The satellite background drawn offscreen from solid-colour tiles in a
// temporary disk cache: the zoom by view width, the waiting text, the
// lowering of the zoom to 100 tiles, pixels at tile centres and across
// shared edges, and nothing without a usable projection.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <chrono>
#include <cstdio>
#include <thread>
#include <set>

#include "canvas/GdiCanvas.h"
#include "canvas/PlovanCanvas.h"
#include "canvas/TileLayout.h"
#include "canvas/TileMath.h"
#include "foundation/SurveyState.h"
#include "tests/canvas/TileServer.h"
#include "tests/support/TempHome.h"

namespace {

constexpr double kR = 6378137.0, kPi = 3.14159265358979323846;
constexpr TColor kBackground = 0xFF00FF;  // magenta: no tile has it

// Spherical Web Mercator as the "survey projection": tiles are then
// axis-aligned rectangles whose pixels the test can work out.
TMapProjection Mercator() {
    TMapProjection p;
    p.ToWorld = [](double lat, double lon, double& e, double& n) {
        e = kR * lon * kPi / 180;
        n = kR * std::log(std::tan(kPi / 4 + lat * kPi / 360));
        return std::isfinite(e) && std::isfinite(n);
    };
    p.ToGeographic = [](double e, double n, double& lat, double& lon) {
        lon = e / kR * 180 / kPi;
        lat = (2 * std::atan(std::exp(n / kR)) - kPi / 2) * 180 / kPi;
        return true;
    };
    return p;
}

QRgb TileColour(int z, int x, int y) {
    return qRgb((x * 73) % 200 + 30, (y * 41) % 200 + 30, ((x + y + z) * 17) % 200 + 30);
}

bool Near(QRgb a, QRgb b, int tolerance = 8) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class SatelliteBackgroundTest : public ::testing::Test {
protected:
    phxtest::TempHome home;
    std::string cache;
    std::unique_ptr<TPlovanCanvas> canvas;

    void SetUp() override {
        setenv("no_proxy", "127.0.0.1", 1);  // the refused port is reached directly
        ResetSurveyState();
        g_Survey.MapLatitude = 40;
        g_Survey.MapLongitude = 30;
        cache = home.home() + "cache/";
        // Nothing answers: a tile not on disk stays missing.
        tiles::TileFetcherOptions options;
        options.server = "http://127.0.0.1:" + std::to_string(phxtest::RefusedPort());
        canvas = std::make_unique<TPlovanCanvas>(nullptr, options);
        canvas->SetMapCacheDir(QString::fromStdString(cache));
        canvas->FMapProjection = Mercator;
        canvas->SetBackgroundColor(kBackground);
        canvas->SetMapVisible(true);
    }
    void TearDown() override { ResetSurveyState(); }

    // A view `widthM` wide centred on (lat, lon), of the canvas's shape.
    void View(double lat, double lon, double widthM, int w = 1280, int h = 800) {
        canvas->resize(w, h);
        double e = 0, n = 0;
        Mercator().ToWorld(lat, lon, e, n);
        const double half = widthM / 2, halfH = widthM * h / w / 2;
        canvas->SetView(e - half, n + halfH, e + half, n - halfH);
    }

    // Solid tiles on disk for the whole range the view needs.
    tiles::TileRange WriteTiles() {
        const viewmath::ViewRect v{canvas->FWorldLeft, canvas->FWorldRight, canvas->FWorldTop,
                                   canvas->FWorldBottom};
        const auto range = tiles::ChooseTiles(v, Mercator());
        EXPECT_TRUE(range.has_value());
        if (!range) return {};
        for (auto x = range->x0; x <= range->x1; ++x) {
            for (auto y = range->y0; y <= range->y1; ++y) {
                QImage tile(256, 256, QImage::Format_RGB32);
                tile.fill(TileColour(range->zoom, int(x), int(y)));
                const std::string file =
                    cache + tiles::TileRelativePath(range->zoom, int(x), int(y));
                std::filesystem::create_directories(std::filesystem::path(file).parent_path());
                EXPECT_TRUE(tile.save(QString::fromStdString(file), "JPG", 100));
            }
        }
        return *range;
    }

    // Pixel of a world point, in doubles.
    QPointF Pixel(double lat, double lon) const {
        double e = 0, n = 0;
        Mercator().ToWorld(lat, lon, e, n);
        const double sx = canvas->width() / (canvas->FWorldRight - canvas->FWorldLeft);
        const double sy = canvas->height() / (canvas->FWorldTop - canvas->FWorldBottom);
        return {(e - canvas->FWorldLeft) * sx, (canvas->FWorldTop - n) * sy};
    }
    QPointF Corner(int z, double x, double y) const {
        double lat = 0, lon = 0;
        tiles::TileToLatLon(x, y, z, lat, lon);
        return Pixel(lat, lon);
    }

    int CountColour(const QImage& frame, QRgb colour) const {
        int n = 0;
        for (int y = 0; y < frame.height(); y += 4)
            for (int x = 0; x < frame.width(); x += 4)
                if (Near(frame.pixel(x, y), colour, 0)) ++n;
        return n;
    }
};

TEST_F(SatelliteBackgroundTest, TheZoomFollowsTheViewWidth) {
    const std::pair<double, int> table[] = {{200000, 10}, {800, 17}, {800.5, 16}, {5000, 15}};
    for (const auto& [width, zoom] : table) {
        View(40, 30, width);
        canvas->renderFrame();
        EXPECT_EQ(canvas->FTileZoom, zoom) << width;
    }
    canvas->FTileZoom = 42;
    View(40, 30, 200001);
    const QImage frame = canvas->renderFrame();
    EXPECT_EQ(canvas->FTileZoom, 42);
    EXPECT_EQ(canvas->TileFetcherInUse()->QueuedCount(), 0u);
}

TEST_F(SatelliteBackgroundTest, WithoutAPositionTheWaitingTextStandsInstead) {
    View(40, 30, 5000);
    WriteTiles();
    g_Survey.MapLatitude = 0;
    g_Survey.MapLongitude = 0;
    canvas->SetBackgroundColor(clWhite);
    QImage frame = canvas->renderFrame();
    int red = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 300; ++x)
            if (qRed(frame.pixel(x, y)) > 150 && qGreen(frame.pixel(x, y)) < 100) ++red;
    EXPECT_GT(red, 50);
    EXPECT_TRUE(Near(frame.pixel(640, 400), qRgb(255, 255, 255), 0));
    EXPECT_EQ(canvas->FTileCache.Size(), 0u);
    // Latitude 0 with longitude 5 is a position.
    g_Survey.MapLongitude = 5;
    canvas->Redraw();
    frame = canvas->renderFrame();
    EXPECT_FALSE(Near(frame.pixel(640, 400), qRgb(255, 255, 255), 0));
    EXPECT_GT(canvas->FTileCache.Size(), 0u);
}

TEST_F(SatelliteBackgroundTest, AViewOfMoreThanAHundredTilesIsDrawnAtTheHighestZoomThatFits) {
    View(40, 30, 6000, 300, 1200);
    // The same count the drawing makes, worked out here from the view's
    // extreme latitudes and longitudes.
    const auto count = [&](int z) {
        double north = 0, south = 0, west = 0, east = 0;
        Mercator().ToGeographic(canvas->FWorldLeft, canvas->FWorldTop, north, west);
        Mercator().ToGeographic(canvas->FWorldRight, canvas->FWorldBottom, south, east);
        const auto cols = std::floor(tiles::TileColumnOf(east, z)) - std::floor(tiles::TileColumnOf(west, z)) + 1;
        const auto rows = std::floor(tiles::TileRowOf(south, z)) - std::floor(tiles::TileRowOf(north, z)) + 1;
        return cols * rows;
    };
    ASSERT_GE(count(15), 101);
    int expected = 15;
    while (count(expected) > 100) --expected;
    canvas->renderFrame();
    EXPECT_EQ(canvas->FTileZoom, expected);
    EXPECT_LT(expected, 15);
}

TEST_F(SatelliteBackgroundTest, EachTileFillsItsOwnCornersAndNeighboursMeetWithoutAGap) {
    View(40.2, 30.3, 3000);
    const tiles::TileRange r = WriteTiles();
    const QImage frame = canvas->renderFrame();
    int probed = 0;
    for (auto x = r.x0; x <= r.x1; ++x) {
        for (auto y = r.y0; y <= r.y1; ++y) {
            const QPointF nw = Corner(r.zoom, double(x), double(y));
            const QPointF se = Corner(r.zoom, double(x + 1), double(y + 1));
            const QRgb colour = TileColour(r.zoom, int(x), int(y));
            const QPointF centre = (nw + se) / 2;
            if (QRectF(0, 0, 1280, 800).contains(centre)) {
                EXPECT_TRUE(Near(frame.pixel(centre.toPoint()), colour)) << x << ' ' << y;
                ++probed;
            }
            // Across the east edge: this tile, then its neighbour, and the
            // background never shows between them.
            const int edge = int(std::lround(se.x()));
            const int midY = int(std::lround(centre.y()));
            if (x < r.x1 && edge > 2 && edge < 1277 && midY > 0 && midY < 800) {
                EXPECT_TRUE(Near(frame.pixel(edge - 2, midY), colour));
                EXPECT_TRUE(Near(frame.pixel(edge + 1, midY), TileColour(r.zoom, int(x + 1), int(y))));
                for (int px = edge - 2; px <= edge + 2; ++px)
                    EXPECT_FALSE(Near(frame.pixel(px, midY), qRgb(255, 0, 255), 60)) << px;
            }
            const int edgeY = int(std::lround(se.y()));
            const int midX = int(std::lround(centre.x()));
            if (y < r.y1 && edgeY > 2 && edgeY < 797 && midX > 0 && midX < 1280) {
                EXPECT_TRUE(Near(frame.pixel(midX, edgeY - 2), colour));
                EXPECT_TRUE(Near(frame.pixel(midX, edgeY + 1), TileColour(r.zoom, int(x), int(y + 1))));
                for (int py = edgeY - 2; py <= edgeY + 2; ++py)
                    EXPECT_FALSE(Near(frame.pixel(midX, py), qRgb(255, 0, 255), 60)) << py;
            }
        }
    }
    EXPECT_GE(probed, 4);
    // No background pixel is left anywhere: the tiles cover the view.
    EXPECT_EQ(CountColour(frame, qRgb(255, 0, 255)), 0);
    // Off and on again draws the same pixels.
    canvas->SetMapVisible(false);
    const QImage off = canvas->renderFrame();
    EXPECT_GT(CountColour(off, qRgb(255, 0, 255)), 1000);
    canvas->SetMapVisible(true);
    EXPECT_EQ(canvas->renderFrame(), frame);
}

TEST_F(SatelliteBackgroundTest, NoUsableProjectionDrawsNothing) {
    View(40, 30, 3000);
    WriteTiles();
    const auto expectBlank = [&](const char* what) {
        canvas->Redraw();
        const QImage frame = canvas->renderFrame();
        EXPECT_TRUE(Near(frame.pixel(640, 400), qRgb(255, 0, 255), 0)) << what;
        EXPECT_EQ(canvas->FTileCache.Size(), 0u) << what;
    };
    canvas->FMapProjection = nullptr;
    expectBlank("no projection");
    canvas->FMapProjection = [] { return TMapProjection{}; };
    expectBlank("edits without numbers");
    canvas->FMapProjection = [] {
        TMapProjection p = Mercator();
        p.ToGeographic = [](double, double, double& lat, double& lon) {
            lat = lon = NAN;
            return true;
        };
        return p;
    };
    expectBlank("corners without numbers");
}

TEST_F(SatelliteBackgroundTest, RangesNearThePoleAndAcrossTheAntimeridianStayInTheWorld) {
    // A view over the north-west corner of the world, half of it past the
    // pole's row 0 and past -180: rows are held to the world, columns
    // wrapped, so every key asked for is a real tile.
    canvas->resize(1280, 800);
    canvas->SetView(-20037508.34 - 2000, 20037508.34 + 600, -20037508.34 + 2000, 20037508.34 - 1900);
    canvas->renderFrame();
    const int z = canvas->FTileZoom;
    const std::int64_t n = std::int64_t{1} << z;
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    ASSERT_NE(fetcher, nullptr);
    // The first requests may have gone out to the refused port (and wait
    // out their failure now); the rest wait in the queue.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (fetcher->RunningCount() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(fetcher->RunningCount(), 0u);
    std::set<std::string> keys;
    for (const std::string& k : fetcher->QueuedKeys()) keys.insert(k);
    EXPECT_GE(keys.size() + fetcher->StartedCount(), 4u);
    bool wrapped = false;
    for (int row = 0; row < 4; ++row) wrapped = wrapped || fetcher->IsBackedOff(z, int(n - 1), row);
    for (const std::string& key : keys) {
        int kz = 0;
        long long x = 0, y = 0;
        ASSERT_EQ(std::sscanf(key.c_str(), "%d_%lld_%lld", &kz, &x, &y), 3) << key;
        EXPECT_EQ(kz, z);
        EXPECT_GE(x, 0);
        EXPECT_LT(x, n);
        EXPECT_GE(y, 0);
        EXPECT_LT(y, n);
        if (x == n - 1) wrapped = true;
    }
    EXPECT_TRUE(wrapped);
}

}  // namespace
