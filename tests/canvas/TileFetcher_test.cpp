// The canvas's satellite tiles against real servers on 127.0.0.1: a Python
// tile server (tiles/tile_server.py) over HTTP and HTTPS answering each row
// of the scenario table, and a refused port. Every row checks the result,
// the server's hits over repeated asks (the back-off) and the cache folder:
// the tile alone after success, nothing at all after a failure.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "canvas/PlovanCanvas.h"
#include "canvas/TileFetcher.h"
#include "canvas/TileMath.h"
#include "foundation/SurveyState.h"
#include "tests/canvas/TileServer.h"
#include "tests/support/TempHome.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The back-off's clock: real time plus what a test adds.
std::atomic<long long> g_clockOffsetMs{0};
std::chrono::steady_clock::time_point TestNow() {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(g_clockOffsetMs.load());
}

// Runs the event loop until `done` holds or a generous bound passes.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds bound = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(5ms);
    }
    QCoreApplication::processEvents();
    return true;
}

// Every file below `folder`, relative, sorted (hidden temporary files too).
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    // Files may come and go meanwhile (a temporary file renamed): nothing
    // here may throw for that.
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e;
        if (!it->is_directory(e)) out.push_back(it->path().lexically_relative(folder).string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

QRgb ServerColour(int z, int x, int y) {
    return qRgb((x * 73) % 200 + 30, (y * 41) % 200 + 30, ((x + y + z) * 17) % 200 + 30);
}

bool Near(QRgb a, QRgb b, int tolerance = 6) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

std::string TilePath(int z, int x, int y) { return tiles::TileRequestPath(z, x, y); }

class TileFetcherTest : public ::testing::Test {
protected:
    phxtest::TempHome home;
    std::string scratch;

    void SetUp() override {
        // The proxy comes from the environment; the loopback servers are
        // reached directly whatever the machine's proxy is.
        setenv("no_proxy", "127.0.0.1", 1);
        g_clockOffsetMs = 0;
        scratch = home.home() + "tiles/";
        fs::create_directories(scratch);
    }
    void TearDown() override { ResetSurveyState(); }

    tiles::TileFetcherOptions Options(const std::string& server) {
        tiles::TileFetcherOptions o;
        o.server = server;
        o.connectTimeoutMs = 10000;
        o.transferTimeoutMs = 3000;  // the silent row fails after this
        o.now = TestNow;
        return o;
    }

    std::unique_ptr<TPlovanCanvas> Canvas(const tiles::TileFetcherOptions& options,
                                          const std::string& cache) {
        auto canvas = std::make_unique<TPlovanCanvas>(nullptr, options);
        canvas->SetMapCacheDir(QString::fromStdString(cache));
        return canvas;
    }

    // Asks for a tile until the fetch it started has ended; the tile then.
    static const QImage* AskAndSettle(TPlovanCanvas& canvas, int z, int x, int y) {
        if (const QImage* image = canvas.GetTile(z, x, y)) return image;
        tiles::TileFetcher* fetcher = canvas.TileFetcherInUse();
        EXPECT_NE(fetcher, nullptr);
        if (!fetcher) return nullptr;
        // Settled: the tile reached memory (through the event loop) or
        // waits out its failure.
        const std::string key = tiles::TileKey(z, x, y);
        EXPECT_TRUE(WaitFor([&] {
            return canvas.FTileCache.Contains(key) || fetcher->IsBackedOff(z, x, y);
        }));
        return canvas.GetTile(z, x, y);
    }
};

struct Row {
    int row;
    const char* what;
    bool succeeds;
};

TEST_F(TileFetcherTest, EveryAnswerOfTheTableIsKeptOnlyWhenItIsAWholeTile) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    const Row rows[] = {
        {1, "200 JPEG", true},          {2, "404", false},
        {3, "500", false},              {4, "200 HTML", false},
        {5, "200 PNG", false},          {6, "200 empty", false},
        {7, "Content-Length 5000, 1000 sent", false},
        {8, "truncated JPEG", false},   {9, "5 MiB", false},
        {10, "never-ending body", false}, {11, "accepted, never answered", false},
        {12, "301 to another path", true}, {13, "302 to another path", true},
        {15, "frame size patched to 60000", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const int z = 15, x = 500 + r.row, y = r.row;
        const std::string cache = scratch + "cache" + std::to_string(r.row) + "/";
        auto canvas = Canvas(Options(base), cache);
        const QImage* image = AskAndSettle(*canvas, z, x, y);
        EXPECT_EQ(server.Hits(TilePath(z, x, y)), 1);
        if (r.succeeds) {
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->size(), QSize(256, 256));
            EXPECT_TRUE(Near(image->pixel(128, 128), ServerColour(z, x, 1)) ||
                        Near(image->pixel(128, 128), ServerColour(z, x, y)));
            EXPECT_EQ(Listing(cache),
                      std::vector<std::string>{"15/" + std::to_string(x) + "_" + std::to_string(y) + ".jpg"});
        } else {
            EXPECT_EQ(image, nullptr);
            EXPECT_EQ(Listing(cache), std::vector<std::string>{});
            EXPECT_TRUE(canvas->TileFetcherInUse()->IsBackedOff(z, x, y));
            // Repeated paints wait out the failure instead of asking again.
            for (int i = 0; i < 5; ++i) EXPECT_EQ(canvas->GetTile(z, x, y), nullptr);
            EXPECT_EQ(canvas->TileFetcherInUse()->QueuedCount(), 0u);
            EXPECT_EQ(server.Hits(TilePath(z, x, y)), 1);
        }
    }
}

TEST_F(TileFetcherTest, AFailedTileWaitsThirtySecondsThenTwiceAsLong) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    auto canvas = Canvas(Options("http://127.0.0.1:" + std::to_string(server.port())), scratch + "c/");
    const int z = 15, x = 77, y = 2;  // 404
    EXPECT_EQ(AskAndSettle(*canvas, z, x, y), nullptr);
    EXPECT_EQ(server.Hits(TilePath(z, x, y)), 1);
    g_clockOffsetMs += 29000;
    EXPECT_EQ(canvas->GetTile(z, x, y), nullptr);
    EXPECT_EQ(canvas->TileFetcherInUse()->QueuedCount(), 0u);
    g_clockOffsetMs += 1500;
    EXPECT_EQ(AskAndSettle(*canvas, z, x, y), nullptr);
    EXPECT_EQ(server.Hits(TilePath(z, x, y)), 2);
    // The second failure waits 60 s.
    g_clockOffsetMs += 35000;
    EXPECT_TRUE(canvas->TileFetcherInUse()->IsBackedOff(z, x, y));
    g_clockOffsetMs += 30000;
    EXPECT_EQ(AskAndSettle(*canvas, z, x, y), nullptr);
    EXPECT_EQ(server.Hits(TilePath(z, x, y)), 3);
    // Up to ten minutes, never longer.
    for (int i = 0; i < 8; ++i) {
        g_clockOffsetMs += 600000;
        AskAndSettle(*canvas, z, x, y);
    }
    EXPECT_EQ(server.Hits(TilePath(z, x, y)), 11);
    g_clockOffsetMs += 599000;
    EXPECT_TRUE(canvas->TileFetcherInUse()->IsBackedOff(z, x, y));
    g_clockOffsetMs += 2000;
    EXPECT_FALSE(canvas->TileFetcherInUse()->IsBackedOff(z, x, y));
}

TEST_F(TileFetcherTest, TheRequestCarriesOnlyTheUserAgentAndTheTilePath) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    const std::string cache = scratch + "c/";
    auto canvas = Canvas(Options("http://127.0.0.1:" + std::to_string(server.port())), cache);
    ASSERT_NE(AskAndSettle(*canvas, 15, 19134, 12430), nullptr);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, "/ArcGIS/rest/services/World_Imagery/MapServer/tile/15/12430/19134");
    EXPECT_EQ(requests[0].second, "host,user-agent");
    EXPECT_EQ(Listing(cache), std::vector<std::string>{"15/19134_12430.jpg"});
}

TEST_F(TileFetcherTest, MemoryThenDiskThenNetwork) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    const std::string cache = scratch + "c/";
    auto canvas = Canvas(Options("http://127.0.0.1:" + std::to_string(server.port())), cache);
    const QImage* first = AskAndSettle(*canvas, 15, 40, 40);
    ASSERT_NE(first, nullptr);
    const std::string file = cache + "15/40_40.jpg";
    const QImage copy = *first;
    // A second ask is answered from memory: neither the disk nor the server.
    fs::rename(file, file + ".away");
    EXPECT_EQ(canvas->GetTile(15, 40, 40), first);
    fs::rename(file + ".away", file);
    // After the memory is cleared the file answers at once, without a hit.
    canvas->ClearTileCache();
    const QImage* fromDisk = canvas->GetTile(15, 40, 40);
    ASSERT_NE(fromDisk, nullptr);
    EXPECT_EQ(*fromDisk, copy);
    EXPECT_EQ(server.Hits(TilePath(15, 40, 40)), 1);
    EXPECT_EQ(canvas->TileFetcherInUse()->QueuedCount(), 0u);
    // A damaged file is fetched again and replaced.
    phxtest::WriteAll(file, "not a jpeg");
    canvas->ClearTileCache();
    ASSERT_NE(AskAndSettle(*canvas, 15, 40, 40), nullptr);
    EXPECT_EQ(server.Hits(TilePath(15, 40, 40)), 2);
    EXPECT_EQ(Listing(cache), std::vector<std::string>{"15/40_40.jpg"});
}

TEST_F(TileFetcherTest, ARefusedPortGivesNullNoFileAndBacksTheServerOff) {
    const std::string cache = scratch + "c/";
    auto canvas = Canvas(Options("http://127.0.0.1:" + std::to_string(phxtest::RefusedPort())), cache);
    EXPECT_EQ(AskAndSettle(*canvas, 15, 1, 1), nullptr);
    EXPECT_EQ(Listing(cache), std::vector<std::string>{});
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    // While the server is backed off, other tiles wait in the queue unstarted.
    const std::size_t started = fetcher->StartedCount();
    for (int x = 2; x < 10; ++x) EXPECT_EQ(canvas->GetTile(15, x, 1), nullptr);
    std::this_thread::sleep_for(300ms);  // a worker round; nothing may start
    EXPECT_EQ(fetcher->StartedCount(), started);
    EXPECT_EQ(fetcher->QueuedCount(), 8u);
    // After the wait one probe goes out at a time.
    g_clockOffsetMs += 31000;
    ASSERT_TRUE(WaitFor([&] { return fetcher->StartedCount() > started; }));
    EXPECT_LE(fetcher->RunningCount(), 1u);
    EXPECT_TRUE(WaitFor([&] { return fetcher->RunningCount() == 0; }));
    EXPECT_EQ(fetcher->StartedCount(), started + 1);
    EXPECT_EQ(Listing(cache), std::vector<std::string>{});
}

TEST_F(TileFetcherTest, ASilentServerHoldsTheRequestsAndNoPaintWaits) {
    phxtest::TileServer server(scratch + "http.log", {"--all", "11"});
    ASSERT_TRUE(server.ok());
    const std::string cache = scratch + "c/";
    auto options = Options("http://127.0.0.1:" + std::to_string(server.port()));
    options.transferTimeoutMs = 600000;
    auto canvas = Canvas(options, cache);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(canvas->GetTile(16, 1000 + i % 10, 2000 + i / 10), nullptr);
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    EXPECT_EQ(fetcher->QueuedCount() + fetcher->RunningCount(), 100u);
    ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == 4; }));
    EXPECT_EQ(fetcher->RunningCount(), 4u);
    EXPECT_EQ(fetcher->QueuedCount(), 96u);
    EXPECT_EQ(canvas->GetTile(16, 1000, 2000), nullptr);
    EXPECT_EQ(Listing(cache), std::vector<std::string>{});
    // The clear lets go of all of them at once.
    canvas->ClearTileCache();
    EXPECT_EQ(fetcher->QueuedCount() + fetcher->RunningCount(), 0u);
    EXPECT_TRUE(WaitFor([&] { return fetcher->FinishedCount() == 4; }));
}

TEST_F(TileFetcherTest, APaintBehindASilentServerReturnsWithItsTilesQueued) {
    phxtest::TileServer server(scratch + "http.log", {"--all", "11"});
    ASSERT_TRUE(server.ok());
    const std::string cache = scratch + "c/";
    auto options = Options("http://127.0.0.1:" + std::to_string(server.port()));
    options.transferTimeoutMs = 600000;
    auto canvas = Canvas(options, cache);
    // Spherical Web Mercator shrunk so that a 3000 m view at zoom 16 needs
    // close to 100 tiles.
    constexpr double kR = 6378137.0 / 2.2, kPi = 3.14159265358979323846;
    TMapProjection mercator;
    mercator.ToWorld = [](double lat, double lon, double& e, double& n) {
        e = kR * lon * kPi / 180;
        n = kR * std::log(std::tan(kPi / 4 + lat * kPi / 360));
        return true;
    };
    mercator.ToGeographic = [](double e, double n, double& lat, double& lon) {
        lon = e / kR * 180 / kPi;
        lat = (2 * std::atan(std::exp(n / kR)) - kPi / 2) * 180 / kPi;
        return true;
    };
    canvas->FMapProjection = [mercator] { return mercator; };
    g_Survey.MapLatitude = 40;
    g_Survey.MapLongitude = 30;
    double e = 0, n = 0;
    mercator.ToWorld(40, 30, e, n);
    canvas->resize(1280, 800);
    canvas->SetView(e - 1500, n + 937.5, e + 1500, n - 937.5);
    canvas->SetBackgroundColor(0xFF00FF);
    canvas->SetMapVisible(true);

    const QImage frame = canvas->renderFrame();
    EXPECT_EQ(canvas->FTileZoom, 16);
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    ASSERT_NE(fetcher, nullptr);
    const std::size_t asked = fetcher->QueuedCount() + fetcher->RunningCount();
    EXPECT_GE(asked, 80u);
    EXPECT_LE(asked, 100u);
    EXPECT_EQ(frame.pixel(640, 400), qRgb(255, 0, 255));  // nothing to show yet
    EXPECT_EQ(canvas->FTileCache.Size(), 0u);
    ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == 4; }));
    // The next paint asks for the same tiles again: nothing more is queued.
    canvas->Redraw();
    canvas->renderFrame();
    EXPECT_EQ(fetcher->QueuedCount() + fetcher->RunningCount(), asked);
    EXPECT_EQ(fetcher->RunningCount(), 4u);
    EXPECT_EQ(Listing(cache), std::vector<std::string>{});
    // The view moves away: the queued tiles it no longer shows are dropped.
    canvas->SetView(e + 50000, n + 937.5, e + 53000, n - 937.5);
    canvas->renderFrame();
    for (const std::string& key : fetcher->QueuedKeys()) {
        int z = 0, x = 0, y = 0;
        ASSERT_EQ(std::sscanf(key.c_str(), "%d_%d_%d", &z, &x, &y), 3);
        double lat = 0, lon = 0, tileE = 0, tileN = 0;
        tiles::TileToLatLon(x + 0.5, y + 0.5, z, lat, lon);
        mercator.ToWorld(lat, lon, tileE, tileN);
        EXPECT_GT(tileE, e + 40000) << key;
    }
}

TEST_F(TileFetcherTest, ABatchOfArrivalsCostsOneRebuild) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    const std::string cache = scratch + "c/";
    auto canvas = Canvas(Options("http://127.0.0.1:" + std::to_string(server.port())), cache);
    for (int x = 0; x < 9; ++x) EXPECT_EQ(canvas->GetTile(15, 300 + x, 1), nullptr);
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    // The event loop is not run meanwhile: everything waits in the inbox.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (Listing(cache).size() < 9 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(Listing(cache).size(), 9u);
    while (fetcher->FinishedCount() < 9 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    const int before = canvas->FRedrawCount;
    QCoreApplication::processEvents();
    EXPECT_EQ(canvas->FRedrawCount, before + 1);
    EXPECT_EQ(canvas->FTileCache.Size(), 9u);
}

TEST_F(TileFetcherTest, NothingFetchedBeforeAClearIsWrittenAfterIt) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    const std::string cache = scratch + "c/";
    auto canvas = Canvas(Options("http://127.0.0.1:" + std::to_string(server.port())), cache);
    for (int round = 0; round < 20; ++round) {
        for (int x = 0; x < 8; ++x) canvas->GetTile(14, round * 8 + x, 1);
        if (round % 2) std::this_thread::sleep_for(std::chrono::milliseconds(round));
        canvas->ClearTileCache();
        fs::remove_all(cache);
        const auto listing = Listing(cache);
        EXPECT_EQ(listing, std::vector<std::string>{});
    }
    // Whatever was under way ends without leaving anything.
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    EXPECT_TRUE(WaitFor([&] { return fetcher->RunningCount() == 0 &&
                                     fetcher->FinishedCount() >= fetcher->StartedCount(); }));
    EXPECT_EQ(Listing(cache), std::vector<std::string>{});
    EXPECT_EQ(canvas->FTileCache.Size(), 0u);
}

// A tile written to a disk that stalls holds only the worker: every call the
// paint makes returns meanwhile, and the tile arrives once the disk moves.
TEST_F(TileFetcherTest, ASlowDiskNeverHoldsThePaint) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    std::mutex mutex;
    std::condition_variable changed;
    bool writing = false, released = false;
    tiles::TileFetcherOptions options =
        Options("http://127.0.0.1:" + std::to_string(server.port()));
    options.writeTile = [&](const std::string& file, const std::string& body) {
        std::unique_lock lock(mutex);
        writing = true;
        changed.notify_all();
        changed.wait_for(lock, 60s, [&] { return released; });  // a bound, should the test fail
        return tiles::WriteTileFile(file, body);
    };
    const std::string cache = scratch + "c/";
    auto canvas = Canvas(options, cache);
    EXPECT_EQ(canvas->GetTile(15, 40, 1), nullptr);
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 60s, [&] { return writing; }));
    }
    auto paint = std::async(std::launch::async, [&] {
        fetcher->Request({15, 41, 1, cache + "15/41_1.jpg"});
        fetcher->IsBackedOff(15, 40, 1);
        fetcher->QueuedCount();
        return fetcher->TakeArrivals().size();
    });
    const bool returned = paint.wait_for(10s) == std::future_status::ready;
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    EXPECT_TRUE(returned) << "the paint waited for the disk";
    EXPECT_EQ(paint.get(), 0u);
    EXPECT_TRUE(WaitFor([&] { return canvas->FTileCache.Contains(tiles::TileKey(15, 40, 1)); }));
}

// Offline every tile panned over fails; only the last few are remembered,
// the newest of them still waiting out their failure.
TEST_F(TileFetcherTest, TheFailedTilesRememberedAreBounded) {
    phxtest::TileServer server(scratch + "http.log");
    ASSERT_TRUE(server.ok());
    tiles::TileFetcherOptions options =
        Options("http://127.0.0.1:" + std::to_string(server.port()));
    options.maxFailedTiles = 3;
    auto canvas = Canvas(options, scratch + "c/");
    for (int x = 0; x < 8; ++x) {
        g_clockOffsetMs += 1000;  // each failure waits a little longer than the one before
        EXPECT_EQ(AskAndSettle(*canvas, 15, x, 2), nullptr);  // row 2: 404
        EXPECT_LE(canvas->TileFetcherInUse()->FailedCount(), 3u);
    }
    tiles::TileFetcher* fetcher = canvas->TileFetcherInUse();
    EXPECT_EQ(fetcher->FailedCount(), 3u);
    for (int x = 5; x < 8; ++x) EXPECT_TRUE(fetcher->IsBackedOff(15, x, 2)) << x;
    // A forgotten tile may be asked for again at once; once every wait is
    // over, those go first.
    EXPECT_EQ(AskAndSettle(*canvas, 15, 0, 2), nullptr);
    EXPECT_EQ(server.Hits(TilePath(15, 0, 2)), 2);
    g_clockOffsetMs += 3600 * 1000;
    EXPECT_EQ(AskAndSettle(*canvas, 15, 1, 2), nullptr);
    EXPECT_EQ(fetcher->FailedCount(), 1u);
}

TEST_F(TileFetcherTest, HttpsIsVerifiedAndNeverLeftForHttp) {
    const std::string cert = scratch + "cert.pem", key = scratch + "key.pem";
    if (!phxtest::MakeCertificate(cert, key)) GTEST_SKIP() << "openssl missing";
    phxtest::TileServer plain(scratch + "http.log");
    ASSERT_TRUE(plain.ok());
    phxtest::TileServer secure(scratch + "https.log",
                               {"--cert", cert, "--key", key, "--http-base",
                                "http://127.0.0.1:" + std::to_string(plain.port())});
    ASSERT_TRUE(secure.ok());
    const std::string base = "https://127.0.0.1:" + std::to_string(secure.port());

    auto options = Options(base);
    options.caFile = cert;
    {
        const std::string cache = scratch + "ok/";
        auto canvas = Canvas(options, cache);
        const QImage* image = AskAndSettle(*canvas, 15, 9, 1);
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(Near(image->pixel(10, 10), ServerColour(15, 9, 1)));
        EXPECT_EQ(Listing(cache), std::vector<std::string>{"15/9_1.jpg"});
        // A redirect to plain HTTP is refused: nothing is asked of it.
        const std::string other = scratch + "down/";
        canvas->SetMapCacheDir(QString::fromStdString(other));
        EXPECT_EQ(AskAndSettle(*canvas, 15, 9, 14), nullptr);
        EXPECT_EQ(secure.Hits(TilePath(15, 9, 14)), 1);
        EXPECT_EQ(plain.Requests().size(), 0u);
        EXPECT_EQ(Listing(other), std::vector<std::string>{});
    }
    {
        // Without the CA the certificate is not trusted.
        const std::string cache = scratch + "untrusted/";
        auto canvas = Canvas(Options(base), cache);
        EXPECT_EQ(AskAndSettle(*canvas, 15, 10, 1), nullptr);
        EXPECT_EQ(Listing(cache), std::vector<std::string>{});
        EXPECT_EQ(secure.Hits(TilePath(15, 10, 1)), 0);
    }
}

TEST(TileMemory, TheLeastRecentlyUsedGoesBeyondTheCapButNeverOneThePaintUses) {
    TTileMemory memory(4);
    const QImage tile(256, 256, QImage::Format_RGB32);
    for (const char* key : {"a", "b", "c", "d"}) memory.Insert(key, tile);
    memory.BeginPaint();  // a new paint: nothing is in use yet
    ASSERT_NE(memory.Find("a"), nullptr);  // a is now the most recent
    memory.Insert("e", tile);
    EXPECT_EQ(memory.Keys(), (std::list<std::string>{"e", "a", "d", "c"}));
    // A paint that uses six tiles keeps all six until it ends...
    memory.BeginPaint();
    for (const char* key : {"a", "c", "d", "e", "f", "g"}) {
        if (!memory.Find(key)) memory.Insert(key, tile);
    }
    EXPECT_EQ(memory.Size(), 6u);
    memory.EndPaint();
    EXPECT_EQ(memory.Size(), 6u);
    // ...and the next paint's use decides what goes.
    memory.BeginPaint();
    memory.Find("g");
    memory.Find("f");
    memory.EndPaint();
    EXPECT_EQ(memory.Keys(), (std::list<std::string>{"f", "g", "e", "d"}));
    memory.Clear();
    EXPECT_EQ(memory.Size(), 0u);
}

TEST(TileMemory, AnEqualSetMapVisibleDoesNotInvalidate) {
    TPlovanCanvas canvas;
    const int before = canvas.FInvalidateCount;
    canvas.SetMapVisible(false);
    EXPECT_EQ(canvas.FInvalidateCount, before);
    canvas.SetMapVisible(true);
    EXPECT_EQ(canvas.FInvalidateCount, before + 1);
    EXPECT_TRUE(canvas.FNeedsRedraw);
    canvas.SetMapVisible(true);
    EXPECT_EQ(canvas.FInvalidateCount, before + 1);
}

}  // namespace
