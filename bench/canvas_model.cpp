// Building and querying a large drawing in the canvas model, headless: what
// an XYZ import or a project load does (every add followed by its per-id
// setters), the memory a survey point costs, and the click and polygon
// selections on such a drawing. Projected metres around a UTM position.
//
// Goals on this machine:
// - 1,000,000 points and 200,000 polylines of 50 vertices, each add followed
//   by four per-id setters: under 1 s in total;
// - memory per point shape (object, drawing list and id index): under 120
//   bytes;
// - ShapeAtPoint and SelectInPolygon on that drawing: reported per call.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "canvas/CanvasModel.h"

namespace {

constexpr double kOriginX = 512000, kOriginY = 4512000;
constexpr double kExtent = 5000;
constexpr int kPoints = 1000000;
constexpr int kPolylines = 200000;
constexpr int kVertices = 50;

std::size_t HeapInUse() {
    const struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

// Adds the survey drawing: points on a jittered grid, polylines as short
// wandering track pieces; every add is followed by four setters by id.
void BuildSurvey(TCanvasModel& m, std::vector<TPointD>& scratch) {
    const int soundings = m.AddLayer(QStringLiteral("soundings"));
    const int tracks = m.AddLayer(QStringLiteral("tracks"));
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < kPoints; ++i) {
        const double x = kOriginX + unit(rng) * kExtent, y = kOriginY + unit(rng) * kExtent;
        const int id = m.AddPoint(x, y, soundings);
        m.SetShapeColor(id, 0x0000A0);
        m.SetShapeWidth(id, 2);
        m.SetShapeTag(id, i);
        m.SetShapeAuxValue(id, i & 0xFF);
    }
    scratch.resize(kVertices);
    for (int i = 0; i < kPolylines; ++i) {
        double x = kOriginX + unit(rng) * kExtent, y = kOriginY + unit(rng) * kExtent;
        for (TPointD& p : scratch) {
            p = TPointD{x, y};
            x += unit(rng) * 4 - 2;
            y += unit(rng) * 4 - 2;
        }
        const int id = m.AddPolyline(scratch, tracks, false);
        m.SetShapeColor(id, 0x008000);
        m.SetShapeWidth(id, 1);
        m.SetShapeFillStyle(id, bsClear);
        m.SetShapeLayer(id, tracks);
    }
}

void BM_BuildSurveyDrawing(benchmark::State& state) {
    std::vector<TPointD> scratch;
    for (auto _ : state) {
        auto m = std::make_unique<TCanvasModel>();
        BuildSurvey(*m, scratch);
        benchmark::DoNotOptimize(m->FShapeCount);
        state.PauseTiming();
        m.reset();  // freeing is not part of the build
        state.ResumeTiming();
    }
    state.counters["shapes"] = kPoints + kPolylines;
    state.counters["setter_calls"] = 4.0 * (kPoints + kPolylines);
}
BENCHMARK(BM_BuildSurveyDrawing)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MemoryPerPointShape(benchmark::State& state) {
    for (auto _ : state) {
        malloc_trim(0);
        auto m = std::make_unique<TCanvasModel>();
        const std::size_t before = HeapInUse();
        for (int i = 0; i < kPoints; ++i) m->AddPoint(kOriginX + i * 0.01, kOriginY, 0);
        const std::size_t after = HeapInUse();
        state.counters["bytes_per_point"] =
            static_cast<double>(after - before) / static_cast<double>(kPoints);
        state.counters["object_bytes"] = sizeof(TPlovanPoint);
    }
}
BENCHMARK(BM_MemoryPerPointShape)->Unit(benchmark::kMillisecond)->Iterations(1);

// The heap a polyline costs per vertex: 200,000 survey-line pieces of 50
// vertices, the vertex lists reserved to their size as every reader does.
void BM_MemoryPerPolylineVertex(benchmark::State& state) {
    std::vector<TPointD> line(kVertices);
    for (auto _ : state) {
        malloc_trim(0);
        auto m = std::make_unique<TCanvasModel>();
        const std::size_t before = HeapInUse();
        for (int i = 0; i < kPolylines; ++i) {
            for (int v = 0; v < kVertices; ++v)
                line[v] = TPointD{kOriginX + v * 0.37, kOriginY + i * 0.01};
            m->AddPolyline(line, 0, false);
        }
        const std::size_t after = HeapInUse();
        const double vertices = static_cast<double>(kPolylines) * kVertices;
        state.counters["bytes_per_vertex"] = static_cast<double>(after - before) / vertices;
        state.counters["bytes_per_polyline"] =
            static_cast<double>(after - before) / static_cast<double>(kPolylines);
        state.counters["object_bytes"] = sizeof(TPlovanPolyline);
    }
}
BENCHMARK(BM_MemoryPerPolylineVertex)->Unit(benchmark::kMillisecond)->Iterations(1);

TCanvasModel& SurveyDrawing() {
    static TCanvasModel* model = [] {
        auto* m = new TCanvasModel;
        std::vector<TPointD> scratch;
        BuildSurvey(*m, scratch);
        m->SetClientSize(1280, 800);
        m->SetView(kOriginX, kOriginY + kExtent * 800 / 1280, kOriginX + kExtent, kOriginY);
        return m;
    }();
    return *model;
}

void BM_ShapeAtPoint(benchmark::State& state) {
    TCanvasModel& m = SurveyDrawing();
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0, 1);
    int hits = 0, calls = 0;
    for (auto _ : state) {
        const int id = m.ShapeAtPoint(kOriginX + unit(rng) * kExtent, kOriginY + unit(rng) * kExtent);
        hits += id >= 0;
        ++calls;
        benchmark::DoNotOptimize(id);
    }
    state.counters["hit_ratio"] = calls ? static_cast<double>(hits) / calls : 0;
}
BENCHMARK(BM_ShapeAtPoint)->Unit(benchmark::kMillisecond);

// A click beside the drawing tries every shape: the worst case.
void BM_ShapeAtPointMiss(benchmark::State& state) {
    TCanvasModel& m = SurveyDrawing();
    int id = 0;
    for (auto _ : state) {
        id = m.ShapeAtPoint(kOriginX - 1000, kOriginY - 1000);
        benchmark::DoNotOptimize(id);
    }
    if (id != -1) state.SkipWithError("the click beside the drawing hit a shape");
}
BENCHMARK(BM_ShapeAtPointMiss)->Unit(benchmark::kMillisecond);

void BM_SelectInPolygon(benchmark::State& state) {
    TCanvasModel& m = SurveyDrawing();
    // A survey block of a quarter of the area, with a notch.
    const float x0 = static_cast<float>(kOriginX + 1000), y0 = static_cast<float>(kOriginY + 1000);
    const std::vector<TFloatPoint> block = {{x0, y0},           {x0 + 2500, y0},
                                            {x0 + 2500, y0 + 2500}, {x0 + 1500, y0 + 2500},
                                            {x0 + 1250, y0 + 1000}, {x0 + 1000, y0 + 2500},
                                            {x0, y0 + 2500}};
    for (auto _ : state) {
        m.SelectInPolygon(block);
        benchmark::DoNotOptimize(m.FSelection.size());
    }
    state.counters["selected"] = static_cast<double>(m.FSelection.size());
}
BENCHMARK(BM_SelectInPolygon)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
