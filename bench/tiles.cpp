// The satellite background's costs on a 1280 x 800 canvas:
//  - its share of a back-buffer rebuild with about 100 tiles in memory
//    (goal: under 5 ms beyond the rebuild without the background);
//  - the GUI thread's time in a paint whose ~100 tiles are all missing
//    behind a server that accepts and never answers (goal: under 1 ms
//    beyond the drawing): the paint only queues requests;
//  - tiles per second fetched, written and decoded from a loopback server.
// The projection is spherical Web Mercator scaled so that the view needs as
// close to 100 tiles as the zoom rule allows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/BestRuns.h"
#include "canvas/PlovanCanvas.h"
#include "canvas/TileLayout.h"
#include "canvas/TileMath.h"
#include "foundation/SurveyState.h"

namespace {

namespace fs = std::filesystem;
constexpr double kR = 6378137.0, kPi = 3.14159265358979323846;

TMapProjection ScaledMercator(double scale) {
    TMapProjection p;
    p.ToWorld = [scale](double lat, double lon, double& e, double& n) {
        e = kR * lon * kPi / 180 / scale;
        n = kR * std::log(std::tan(kPi / 4 + lat * kPi / 360)) / scale;
        return true;
    };
    p.ToGeographic = [scale](double e, double n, double& lat, double& lon) {
        lon = e * scale / kR * 180 / kPi;
        lat = (2 * std::atan(std::exp(n * scale / kR)) - kPi / 2) * 180 / kPi;
        return true;
    };
    return p;
}

std::string Scratch() {
    static const std::string folder = [] {
        std::string pattern = (fs::temp_directory_path() / "phx-bench-tiles-XXXXXX").string();
        return std::string(mkdtemp(pattern.data())) + "/";
    }();
    return folder;
}

QByteArray SolidJpeg(QRgb colour) {
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "JPG", 90);
    return bytes;
}

// A listening socket on 127.0.0.1; with `answer` set a thread serves every
// request with the same JPEG over keep-alive connections, otherwise the
// kernel completes the connections and nothing ever answers.
class LoopbackServer {
public:
    explicit LoopbackServer(bool answer, QByteArray body = {}) : body_(std::move(body)) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd_, 256);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        if (answer) thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(fd_);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    void Serve() {
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                                 std::to_string(body_.size()) + "\r\n\r\n";
        const std::string reply = head + body_.toStdString();
        std::vector<pollfd> fds{{fd_, POLLIN, 0}};
        std::vector<std::string> pending{""};
        while (!stop_) {
            if (poll(fds.data(), fds.size(), 100) <= 0) continue;
            for (std::size_t i = fds.size(); i-- > 0;) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                if (i == 0) {
                    const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                    if (c >= 0) {
                        fds.push_back({c, POLLIN, 0});
                        pending.emplace_back();
                    }
                    continue;
                }
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    close(fds[i].fd);
                    fds.erase(fds.begin() + static_cast<long>(i));
                    pending.erase(pending.begin() + static_cast<long>(i));
                    continue;
                }
                pending[i].append(buffer, static_cast<std::size_t>(n));
                std::size_t end;
                while ((end = pending[i].find("\r\n\r\n")) != std::string::npos) {
                    pending[i].erase(0, end + 4);
                    for (std::size_t sent = 0; sent < reply.size();) {
                        const ssize_t w = send(fds[i].fd, reply.data() + sent, reply.size() - sent,
                                               MSG_NOSIGNAL);
                        if (w <= 0) break;
                        sent += static_cast<std::size_t>(w);
                    }
                }
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) close(fds[i].fd);
    }

    QByteArray body_;
    int fd_ = -1, port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A canvas over a view that needs close to 100 tiles at zoom 16.
struct Scene {
    std::unique_ptr<TPlovanCanvas> canvas;
    tiles::TileRange range;
};

Scene MakeScene(const std::string& server, const std::string& cache, bool writeTiles) {
    g_Survey.MapLatitude = 40;
    g_Survey.MapLongitude = 30;
    tiles::TileFetcherOptions options;
    options.server = server;
    Scene s;
    s.canvas = std::make_unique<TPlovanCanvas>(nullptr, options);
    TPlovanCanvas& c = *s.canvas;
    c.resize(1280, 800);
    c.SetMapCacheDir(QString::fromStdString(cache));
    double best = 1;
    for (double scale = 1; scale < 4; scale += 0.05) {
        const TMapProjection p = ScaledMercator(scale);
        double e = 0, n = 0;
        p.ToWorld(40, 30, e, n);
        const viewmath::ViewRect v{e - 1500, e + 1500, n + 937.8, n - 937.8};
        const auto r = tiles::ChooseTiles(v, p);
        if (r && r->zoom == 16) best = scale;
    }
    const TMapProjection p = ScaledMercator(best);
    double e = 0, n = 0;
    p.ToWorld(40, 30, e, n);
    c.SetView(e - 1500, n + 937.8, e + 1500, n - 937.8);
    c.FMapProjection = [p] { return p; };
    s.range = *tiles::ChooseTiles({e - 1500, e + 1500, n + 937.8, n - 937.8}, p);
    if (writeTiles) {
        for (auto x = s.range.x0; x <= s.range.x1; ++x)
            for (auto y = s.range.y0; y <= s.range.y1; ++y) {
                const std::string file = cache + tiles::TileRelativePath(16, int(x), int(y));
                fs::create_directories(fs::path(file).parent_path());
                QImage tile(256, 256, QImage::Format_RGB32);
                tile.fill(qRgb(int(x % 200), int(y % 200), 90));
                tile.save(QString::fromStdString(file), "JPG", 90);
            }
    }
    c.SetMapVisible(true);
    return s;
}

template <class F>
void Timed(benchmark::State& state, const std::string& key, F&& body) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        Record(key, took.count());
    }
}

void BM_RebuildWithTilesInMemory(benchmark::State& state) {
    static Scene scene = MakeScene("http://127.0.0.1:1", Scratch() + "memory/", true);
    TPlovanCanvas& c = *scene.canvas;
    const bool on = state.range(0) != 0;
    c.SetMapVisible(on);
    c.RebuildBackBuffer();  // loads the tiles from disk into memory once
    state.counters["tiles"] = static_cast<double>(scene.range.Count());
    Timed(state, on ? "memory/on" : "memory/off", [&] {
        c.Redraw();
        c.RebuildBackBuffer();
    });
}

void BM_PaintWithEveryTileMissing(benchmark::State& state) {
    static LoopbackServer silent(false);
    static Scene scene = MakeScene(silent.Url(), Scratch() + "missing/", false);
    TPlovanCanvas& c = *scene.canvas;
    const bool on = state.range(0) != 0;
    c.SetMapVisible(on);
    state.counters["tiles"] = static_cast<double>(scene.range.Count());
    for (auto _ : state) {
        c.ClearTileCache();  // every tile is asked for again
        const auto start = std::chrono::steady_clock::now();
        c.RebuildBackBuffer();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        Record(on ? "missing/on" : "missing/off", took.count());
    }
}

void BM_TilesPerSecondFromLoopback(benchmark::State& state) {
    static LoopbackServer server(true, SolidJpeg(qRgb(40, 120, 60)));
    constexpr int kTiles = 200;
    int round = 0;
    for (auto _ : state) {
        const std::string cache = Scratch() + "fetch" + std::to_string(round) + "/";
        tiles::TileFetcherOptions options;
        options.server = server.Url();
        TPlovanCanvas c(nullptr, options);
        c.SetMapCacheDir(QString::fromStdString(cache));
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kTiles; ++i) c.GetTile(17, 1000 + round * kTiles + i, 5000);
        while (c.FTileCache.Size() < static_cast<std::size_t>(kTiles) &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        Record("fetch", took.count() / kTiles);
        ++round;
    }
    state.counters["tiles/s"] =
        benchmark::Counter(static_cast<double>(kTiles) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_RebuildWithTilesInMemory)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintWithEveryTileMissing)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TilesPerSecondFromLoopback)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void Beyond(const char* what, const char* on, const char* off, double goalMs) {
    const auto a = Best().find(on), b = Best().find(off);
    if (a == Best().end() || b == Best().end()) return;
    const double ms = (a->second - b->second) * 1000;
    std::printf("%-58s %8.3f ms  goal %5.1f ms  %s\n", what, ms, goalMs, ms < goalMs ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("no_proxy", "127.0.0.1", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nBest runs against the goals:\n");
    Beyond("background's share of a rebuild, ~100 tiles in memory", "memory/on", "memory/off", 5);
    Beyond("GUI time beyond the drawing, ~100 tiles missing, silent", "missing/on", "missing/off", 1);
    const auto fetch = Best().find("fetch");
    if (fetch != Best().end())
        std::printf("%-58s %8.0f tiles/s\n", "tiles from a loopback server", 1 / fetch->second);
    std::error_code ec;
    fs::remove_all(Scratch(), ec);
    return 0;
}
