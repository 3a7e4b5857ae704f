// Back-buffer rebuilds of the map canvas on a survey day's drawing: an
// imported chart (polylines) followed by a dense lawn-mower track of short
// line segments with a sounding point at every fix, in projected metres.
// Drawings of 100,000 and 1,000,000 shapes on a 1280 x 800 canvas.
//
// Goals on this machine: a full rebuild at full extent of 1,000,000 shapes
// under 150 ms; a rebuild zoomed in to 1 % of the extent under 10 ms; a map
// tick (centre on the vessel, vessel layer cleared and re-added, rebuild)
// under 16 ms at 1,000,000 shapes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BestRuns.h"
#include "canvas/PlovanCanvas.h"

namespace {

constexpr double kOriginX = 512000, kOriginY = 4512000;
constexpr double kExtent = 4000;  // metres, square survey area
constexpr double kLineSpacing = 20;

struct Drawing {
    std::unique_ptr<TPlovanCanvas> canvas;
    int vesselLayer = 0;
    std::vector<TPointD> track;  // fixes, for the map tick
};


Drawing& DrawingOf(int shapes) {
    static std::map<int, Drawing> drawings;
    Drawing& d = drawings[shapes];
    if (d.canvas) return d;
    d.canvas = std::make_unique<TPlovanCanvas>();
    TPlovanCanvas& c = *d.canvas;
    c.resize(1280, 800);

    const int chart = c.AddLayer("chart");
    c.SetLayerTag(chart, 15);
    c.SetLayerColor(chart, 0x808000);
    const int track = c.AddLayer("track_fix");
    c.SetLayerTag(track, 15);
    c.SetLayerColor(track, 0x00A000);
    const int soundings = c.AddLayer("soundings");
    c.SetLayerColor(soundings, 0x0000C0);
    d.vesselLayer = c.AddLayer("~~Plovan Vessel");
    c.SetLayerTag(d.vesselLayer, 1);

    // The chart: 10 % of the shapes, contour-like polylines of 10 vertices
    // laid out cell by cell over the area.
    const int polylines = shapes / 10;
    const int side = static_cast<int>(std::sqrt(static_cast<double>(polylines))) + 1;
    const double cell = kExtent / side;
    uint32_t seed = 12345;
    auto rnd = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0;
    };
    std::vector<TPointD> vertices(10);
    for (int i = 0; i < polylines; ++i) {
        double x = kOriginX + (i % side + rnd()) * cell, y = kOriginY + (i / side + rnd()) * cell;
        for (TPointD& v : vertices) {
            v = {x, y};
            x += (rnd() - 0.5) * cell * 0.3;
            y += (rnd() - 0.5) * cell * 0.3;
        }
        c.AddPolyline(vertices, chart, false);
    }

    // The track: one segment and one sounding per fix, line after line.
    const int fixes = (shapes - polylines) / 2;
    const int lines = static_cast<int>(kExtent / kLineSpacing);
    const int perLine = fixes / lines + 1;
    const double step = kExtent / perLine;
    double px = kOriginX, py = kOriginY;
    for (int f = 0; f < fixes; ++f) {
        const int line = f / perLine, along = f % perLine;
        const double x = kOriginX + (line % 2 == 0 ? along * step : kExtent - along * step);
        const double y = kOriginY + line * kLineSpacing + (rnd() - 0.5) * 0.5;
        c.AddLine(px, py, x, y, track);
        c.AddPoint(x, y, soundings);
        d.track.push_back({x, y});
        px = x, py = y;
    }
    c.ZoomExtents();
    c.RebuildBackBuffer();
    return d;
}

void ZoomTo(TPlovanCanvas& c, double fraction) {
    const double w = kExtent * fraction, h = w * 800 / 1280;
    const double cx = kOriginX + kExtent * 0.37, cy = kOriginY + kExtent * 0.52;
    c.SetView(cx - w / 2, cy + h / 2, cx + w / 2, cy - h / 2);
}

template <class Body>
void Run(benchmark::State& state, const std::string& key, TPlovanCanvas& c, Body&& body) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        Record(key, took.count());
    }
    state.counters["shapes"] = static_cast<double>(c.FShapes.size());
    state.counters["drawn"] = c.LastDrawnShapeCount();
    state.counters["ns_per_shape"] = benchmark::Counter(
        static_cast<double>(c.FShapes.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FullRebuild(benchmark::State& state) {
    TPlovanCanvas& c = *DrawingOf(static_cast<int>(state.range(0))).canvas;
    c.ZoomExtents();
    Run(state, "full/" + std::to_string(state.range(0)), c, [&] {
        c.FNeedsRedraw = true;
        c.RebuildBackBuffer();
    });
}

// Spans at 1 % of the extent's (a harbour view), and at 10 % (1 % of its area).
void BM_ZoomedRebuild(benchmark::State& state) {
    TPlovanCanvas& c = *DrawingOf(static_cast<int>(state.range(0))).canvas;
    ZoomTo(c, state.range(1) / 100.0);
    const std::string key =
        "zoomed/" + std::to_string(state.range(0)) + "/" + std::to_string(state.range(1));
    Run(state, key, c, [&] {
        c.FNeedsRedraw = true;
        c.RebuildBackBuffer();
    });
}

void BM_MapTick(benchmark::State& state) {
    Drawing& d = DrawingOf(static_cast<int>(state.range(0)));
    TPlovanCanvas& c = *d.canvas;
    ZoomTo(c, 0.05);
    std::size_t fix = d.track.size() / 2;
    Run(state, "tick/" + std::to_string(state.range(0)), c, [&] {
        const TPointD at = d.track[fix++ % d.track.size()];
        c.CenterOn(at.X, at.Y);
        c.ClearLayer(d.vesselLayer);
        c.AddPolyline({{at.X - 3, at.Y - 8}, {at.X + 3, at.Y - 8}, {at.X + 3, at.Y + 5},
                       {at.X, at.Y + 9}, {at.X - 3, at.Y + 5}},
                      d.vesselLayer, true);
        c.RebuildBackBuffer();
    });
}

BENCHMARK(BM_FullRebuild)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomedRebuild)
    ->Args({100000, 1})
    ->Args({1000000, 1})
    ->Args({100000, 10})
    ->Args({1000000, 10})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapTick)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

void Goal(const char* what, const std::string& name, double goalMs) {
    const auto it = Best().find(name);
    if (it == Best().end()) return;
    const double ms = it->second * 1000;
    std::printf("%-52s %8.2f ms  goal %6.1f ms  %s\n", what, ms, goalMs,
                ms < goalMs ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nBest runs against the goals:\n");
    Goal("full rebuild, 1,000,000 shapes", "full/1000000", 150);
    Goal("zoomed rebuild (1 % spans), 1,000,000 shapes", "zoomed/1000000/1",
         10);
    Goal("zoomed rebuild (1 % area), 1,000,000 shapes",
         "zoomed/1000000/10", 10);
    Goal("map tick, 1,000,000 shapes", "tick/1000000", 16);
    return 0;
}
