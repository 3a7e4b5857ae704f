// Save and load of a season's drawing (1,000,000 shapes: mostly track lines
// and soundings, some polylines and texts) beside zlib's own single-thread
// deflate of the same text at the same level, and zlib's own inflate
// followed by a plain split of the text into lines, measured in the same
// run. Goals on 8 cores: save under 0.5 s with the file within 1 % of
// zlib's level 6, load under 0.15 s. The thread count is printed with the
// figures.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench/BestRuns.h"
#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"
#include "canvas/ProjectFileIo.h"
#include "canvas/TaskPool.h"

namespace {

constexpr int kShapes = 1000000;

template <class F>
void Timed(benchmark::State& state, const std::string& name, F&& body) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        Record(name, took.count());
    }
}

// Survey-like drawing in projected metres: 60 % track segments, 37 %
// soundings, 1.5 % polylines of 40 vertices, 1.5 % depth texts.
TCanvasModel& Drawing() {
    static TCanvasModel* model = [] {
        auto* m = new TCanvasModel;
        const int tracks = m->AddLayer("track_fix");
        const int soundings = m->AddLayer("Soundings");
        const int lines = m->AddLayer("Plovan Route");
        const int labels = m->AddLayer("depth labels");
        double x = 512345.678, y = 4512345.678;
        for (int i = 0; i < kShapes; ++i) {
            const int kind = i % 200;
            // A wandering track: small steps of a cheap pseudo-random walk.
            const long long step = i;
            const double nx = x + 0.731 * static_cast<double>(step * 7919 % 13 - 6);
            const double ny = y + 0.577 * static_cast<double>(step * 104729 % 11 - 5);
            if (kind < 120) {
                const int id = m->AddLine(x, y, nx, ny, tracks);
                m->SetShapeColor(id, 0x00A000 + i % 7);
            } else if (kind < 194) {
                const int id = m->AddPoint(x, y, soundings);
                static_cast<TPlovanPoint*>(m->FindShape(id))->Z = -3.0 - (i % 4000) * 0.01;
            } else if (kind < 197) {
                std::vector<TPointD> route;
                for (int v = 0; v < 40; ++v) route.push_back({x + v * 3.3, y - v * 1.7});
                m->AddPolyline(route, lines, kind == 196);
            } else {
                m->AddText(labels, QString::number(-3.0 - (i % 4000) * 0.01, 'f', 2), x, y, 0);
            }
            x = nx;
            y = ny;
        }
        return m;
    }();
    return *model;
}

std::string Folder() {
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() /
                          ("phx_bench_project_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path.string() + "/";
    }();
    return folder;
}

const std::string& Text() {
    static const std::string text = vlm::ProjectText(Drawing());
    return text;
}

const std::string& Compressed() {
    static const std::string compressed = [] {
        uLongf size = compressBound(Text().size());
        std::string out(size, '\0');
        compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(Text().data()), Text().size(),
                  Z_DEFAULT_COMPRESSION);
        out.resize(size);
        return out;
    }();
    return compressed;
}

void BM_BuildText(benchmark::State& state) {
    Drawing();
    Timed(state, "text", [] { benchmark::DoNotOptimize(vlm::ProjectText(Drawing())); });
    state.counters["MB"] = static_cast<double>(Text().size()) / 1e6;
}

void BM_SaveProject(benchmark::State& state) {
    Drawing();
    const QString path = QString::fromStdString(Folder() + "season.vlm");
    Timed(state, "save", [&] {
        if (!Drawing().SaveProject(path)) state.SkipWithError("save failed");
    });
}

// The file's bytes in memory, without the write: the compute part of a save,
// on 1, 2, 4 and 8 threads (the machine's count is recorded as "bytes").
void BM_FileBytes(benchmark::State& state) {
    Drawing();
    const auto threads = static_cast<size_t>(state.range(0));
    std::string bytes;
    const std::string name = threads == vlm::MachineThreads() ? "bytes" : "bytes_other";
    Timed(state, name, [&] {
        if (!vlm::ProjectFileBytes(Drawing(), threads, bytes))
            state.SkipWithError("compressing failed");
    });
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}

void BM_DeflateFloor(benchmark::State& state) {
    const std::string& text = Text();
    std::string out(compressBound(text.size()), '\0');
    Timed(state, "deflate", [&] {
        uLongf size = out.size();
        compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(text.data()), text.size(), Z_DEFAULT_COMPRESSION);
        benchmark::DoNotOptimize(size);
    });
}

void BM_LoadProject(benchmark::State& state) {
    const QString path = QString::fromStdString(Folder() + "season.vlm");
    if (!std::filesystem::exists(path.toStdString()) && !Drawing().SaveProject(path)) {
        state.SkipWithError("save failed");
        return;
    }
    // Into a new canvas each time, as at program start; making and freeing
    // the canvas is not timed.
    size_t shapes = 0;
    for (auto _ : state) {
        auto model = std::make_unique<TCanvasModel>();
        const auto start = std::chrono::steady_clock::now();
        if (!model->LoadProject(path, -1, -1, 0)) state.SkipWithError("load failed");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        Record("load", took.count());
        shapes = model->FShapes.size();
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.counters["shapes"] = static_cast<double>(shapes);
}

// The load taken apart into its steps, each timed on its own in one run of
// the steps LoadProject takes, with the same pool: the file read, the
// inflate, the UTF-8 check, the records read into the canvas, freeing the
// text, and the redraw.
void BM_LoadSteps(benchmark::State& state) {
    const std::string path = Folder() + "season.vlm";
    if (!std::filesystem::exists(path) && !Drawing().SaveProject(QString::fromStdString(path))) {
        state.SkipWithError("save failed");
        return;
    }
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };
    for (auto _ : state) {
        auto model = std::make_unique<TCanvasModel>();
        const auto t0 = Clock::now();
        std::string bytes;
        if (!vlm::ReadProjectFile(path, bytes, vlm::kMaxFileBytes)) state.SkipWithError("read");
        const auto t1 = Clock::now();
        std::unique_ptr<vlm::TaskPool> pool;
        if (vlm::MachineThreads() > 1)
            pool = std::make_unique<vlm::TaskPool>(vlm::MachineThreads() - 1);
        auto text = std::make_unique<vlm::TextBuffer>();
        std::string_view view;
        if (!vlm::ProjectTextFromFile(bytes, *text, view, vlm::kMaxInflatedBytes, pool.get()))
            state.SkipWithError("inflate");
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(vlm::IsValidUtf8Text(view, pool.get()));
        const auto t3 = Clock::now();
        vlm::LoadProjectText(*model, view, 0, pool.get());
        const auto t4 = Clock::now();
        text.reset();
        const auto t5 = Clock::now();
        model->Redraw();
        const auto t6 = Clock::now();
        state.SetIterationTime(seconds(t0, t6));
        Record("step read", seconds(t0, t1));
        Record("step inflate", seconds(t1, t2));
        Record("step utf8", seconds(t2, t3));
        Record("step records", seconds(t3, t4));
        Record("step free", seconds(t4, t5));
        Record("step redraw", seconds(t5, t6));
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

// The text is inflated into memory taken for it each time, as any reader
// that holds the text must, into a buffer of exactly the right size, which
// no reader can know beforehand.
void BM_InflateAndSplitFloor(benchmark::State& state) {
    const std::string& compressed = Compressed();
    const size_t textSize = Text().size();
    Timed(state, "inflate", [&] {
        std::unique_ptr<char[]> buffer(new char[textSize]);
        char* out = buffer.get();
        uLongf size = textSize;
        uncompress(reinterpret_cast<Bytef*>(out), &size,
                   reinterpret_cast<const Bytef*>(compressed.data()), compressed.size());
        // The plain line split: every line found and touched once.
        size_t lines = 0, bytes = 0;
        for (size_t start = 0; start < size;) {
            const void* lf = std::memchr(out + start, '\n', size - start);
            const size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - out) : size;
            bytes += end - start;
            ++lines;
            start = end + 1;
        }
        benchmark::DoNotOptimize(lines);
        benchmark::DoNotOptimize(bytes);
    });
}

BENCHMARK(BM_BuildText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DeflateFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FileBytes)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SaveProject)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InflateAndSplitFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadProject)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadSteps)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void Report() {
    auto& best = Best();
    std::printf("\n%d shapes, project text %.1f MB, %zu threads\n", kShapes, Text().size() / 1e6,
                vlm::MachineThreads());
    std::string bytes;
    if (vlm::ProjectFileBytes(Drawing(), vlm::MachineThreads(), bytes)) {
        const double ratio = static_cast<double>(bytes.size() - vlm::kMagic.size()) /
                             static_cast<double>(Compressed().size());
        std::printf("file  %.3f MB, zlib level 6 %.3f MB: %+.2f %% (goal within 1 %%)   %s\n",
                    bytes.size() / 1e6, Compressed().size() / 1e6, (ratio - 1) * 100,
                    ratio <= 1.01 ? "met" : "NOT MET");
    }
    auto line = [&](const char* what, const char* floorName, double goal) {
        if (!best.count(what) || !best.count(floorName)) return;
        std::printf("%-5s %7.3f s   zlib %-7s %7.3f s   (goal < %.2f s)   %s\n", what, best[what],
                    floorName, best[floorName], goal, best[what] < goal ? "met" : "NOT MET");
    };
    line("save", "deflate", 0.5);
    line("bytes", "deflate", 0.5);
    line("load", "inflate", 0.15);
    // The best of each step over the runs (the steps of different runs).
    if (best.count("step read")) {
        std::printf(
            "load steps: read %.1f ms, inflate %.1f ms, UTF-8 check %.1f ms, records "
            "%.1f ms, freeing the text %.1f ms, redraw %.1f ms\n",
            best["step read"] * 1e3, best["step inflate"] * 1e3, best["step utf8"] * 1e3,
            best["step records"] * 1e3, best["step free"] * 1e3, best["step redraw"] * 1e3);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Report();
    std::filesystem::remove_all(Folder());
    return 0;
}
