// Throughput of the geodesy: 1,000,000 positions around the Sea of Marmara
// through the numeric core (Transverse Mercator forward and inverse, the
// datum chain, Lambert), through the text functions the map tick and the
// imports call, and through PROJ's C API (proj_trans_generic) for the same
// conversions. After the runs it prints points per second and the ratio of
// each of ours to PROJ's.
#include <benchmark/benchmark.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "geodesy/Datum.h"
#include "geodesy/DatumText.h"
#include "geodesy/GridCallback.h"
#include "geodesy/LambertConformalConic.h"
#include "geodesy/ParameterText.h"
#include "geodesy/TransverseMercator.h"
#include "geodesy/TransverseMercatorText.h"

namespace {

using namespace geodesy;

constexpr size_t kPoints = 1000000;

const char* const kLocalSet =
    "6378388 0.00336700336700337 -3.3 0.07 -0.3 0.8 -87.987 -108.639 -121.593";
const std::string kDatumText = std::string(kWgs84ZeroSetText) + kLocalSet;
const std::string kTmText = "27 0 0.9996 500000 0";
const std::string kForwardEllipsoid = "6378137.0 0.0033528106647474 6378388 0.00336700336700337";
const std::string kWgsForward = "6378137.0 0.0033528106647474 6378137.0 0.0033528106647474";
const char* const kProjTmerc =
    "+proj=tmerc +lat_0=0 +lon_0=27 +k_0=0.9996 +x_0=500000 +y_0=0 +a=6378137 "
    "+f=0.0033528106647474";
const char* const kProjDatum =
    "+proj=pipeline +step +proj=cart +a=6378137 +f=0.0033528106647474 "
    "+step +inv +proj=helmert +x=-87.987 +y=-108.639 +z=-121.593 +rx=0.07 +ry=-0.3 +rz=0.8 "
    "+s=-3.3 +convention=coordinate_frame +exact "
    "+step +inv +proj=cart +a=6378388 +f=0.00336700336700337";
const char* const kProjLcc =
    "+proj=lcc +lat_0=39 +lon_0=35 +lat_1=36 +lat_2=42 +x_0=500000 +y_0=1000000 +a=6378137 "
    "+f=0.0033528106647474";

struct Points {
    std::vector<double> lat, lon, latRad, lonRad, easting, northing;
    std::vector<std::string> geographicText, gridText;
};

const Points& TestPoints() {
    static const Points p = [] {
        Points p;
        const auto tm = TransverseMercator::Create(kWgs84, *ParseTMParameterText(kTmText));
        for (size_t i = 0; i < kPoints; ++i) {
            // A low-discrepancy spread over 36..42 N, 25..31 E.
            const double u = std::fmod(i * 0.6180339887498949, 1.0);
            const double v = std::fmod(i * 0.7548776662466927, 1.0);
            p.lat.push_back(36 + 6 * u);
            p.lon.push_back(25 + 6 * v);
            p.latRad.push_back(p.lat.back() * kPi / 180);
            p.lonRad.push_back(p.lon.back() * kPi / 180);
            const auto g = tm->Forward({p.lat.back(), p.lon.back()});
            p.easting.push_back(g->eastingM);
            p.northing.push_back(g->northingM);
        }
        return p;
    }();
    return p;
}

// Text inputs are built once, outside the timing, as the callers hold them.
const std::vector<std::string>& GeographicTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        const Points& p = TestPoints();
        for (size_t i = 0; i < kPoints; ++i)
            t.push_back(FixedText(p.lat[i], 18, 10) + " " + FixedText(p.lon[i], 18, 10));
        return t;
    }();
    return texts;
}

const std::vector<std::string>& GridTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        const Points& p = TestPoints();
        for (size_t i = 0; i < kPoints; ++i)
            t.push_back(FixedText(p.easting[i], 18, 4) + " " + FixedText(p.northing[i], 18, 4));
        return t;
    }();
    return texts;
}

void Finish(benchmark::State& state, size_t points) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
}

// --- numeric core -----------------------------------------------------------

void BM_Core_TMForward(benchmark::State& state) {
    const Points& p = TestPoints();
    const auto tm = *TransverseMercator::Create(kWgs84, *ParseTMParameterText(kTmText));
    for (auto _ : state) {
        double sum = 0;
        for (size_t i = 0; i < kPoints; ++i) sum += tm.Forward({p.lat[i], p.lon[i]})->eastingM;
        benchmark::DoNotOptimize(sum);
    }
    Finish(state, kPoints);
}

void BM_Core_TMInverse(benchmark::State& state) {
    const Points& p = TestPoints();
    const auto tm = *TransverseMercator::Create(kWgs84, *ParseTMParameterText(kTmText));
    for (auto _ : state) {
        double sum = 0;
        for (size_t i = 0; i < kPoints; ++i)
            sum += tm.Inverse({p.easting[i], p.northing[i]})->latitudeDeg;
        benchmark::DoNotOptimize(sum);
    }
    Finish(state, kPoints);
}

void BM_Core_DatumChain(benchmark::State& state) {
    const Points& p = TestPoints();
    DatumSet source, target;
    ParseDatumText(kDatumText, source, target);
    const auto shift = *DatumShift::Create(source, target);
    for (auto _ : state) {
        double sum = 0;
        for (size_t i = 0; i < kPoints; ++i)
            sum += shift.Transform({p.lat[i], p.lon[i], 0})->latitudeDeg;
        benchmark::DoNotOptimize(sum);
    }
    Finish(state, kPoints);
}

// The two-parallel set of the map tick; `twoParallelPath` converts through
// GeodeticToLambert2SP (which re-installs the equivalent set at every call, as
// the map tick does), otherwise through the installed one-parallel set.
void RunLambert(benchmark::State& state, bool twoParallelPath) {
    const Points& p = TestPoints();
    ResetLambert();
    SetLambert2SPParameters(6378137, 0.0033528106647474, 39 * kPi / 180, 35 * kPi / 180,
                            36 * kPi / 180, 42 * kPi / 180, 500000, 1000000);
    for (auto _ : state) {
        double sum = 0, e = 0, n = 0;
        for (size_t i = 0; i < kPoints; ++i) {
            if (twoParallelPath)
                GeodeticToLambert2SP(p.latRad[i], p.lonRad[i], e, n);
            else
                GeodeticToLambert1SP(p.latRad[i], p.lonRad[i], e, n);
            sum += e;
        }
        benchmark::DoNotOptimize(sum);
    }
    Finish(state, kPoints);
}

void BM_Core_Lambert1SP(benchmark::State& s) { RunLambert(s, false); }
void BM_Core_Lambert2SP(benchmark::State& s) { RunLambert(s, true); }

// --- text functions -----------------------------------------------------------

void BM_Text_TransverseMercatorFromText(benchmark::State& state) {
    const auto& texts = GeographicTexts();
    for (auto _ : state)
        for (const auto& t : texts)
            benchmark::DoNotOptimize(TransverseMercatorFromText(t, kTmText, kWgsForward));
    Finish(state, kPoints);
}

void BM_Text_GeoProject(benchmark::State& state) {
    const auto& texts = GridTexts();
    for (auto _ : state)
        for (const auto& t : texts)
            benchmark::DoNotOptimize(GeoProject(t, kTmText, "6378137.0 0.0033528106647474"));
    Finish(state, kPoints);
}

void BM_Text_GeoTransform(benchmark::State& state) {
    const auto& texts = GeographicTexts();
    for (auto _ : state)
        for (const auto& t : texts)
            benchmark::DoNotOptimize(GeoTransform("BLH", t + " 0", kDatumText));
    Finish(state, kPoints);
}

void BM_Text_GeographicToGrid(benchmark::State& state) {
    const auto& texts = GeographicTexts();
    for (auto _ : state)
        for (const auto& t : texts)
            benchmark::DoNotOptimize(GeographicToGrid(t, kDatumText, kTmText, kForwardEllipsoid));
    Finish(state, kPoints);
}

void BM_Text_KmlGeographicToGrid(benchmark::State& state) {
    const Points& p = TestPoints();
    GridParameterTexts texts{kDatumText, kForwardEllipsoid, kTmText};
    for (auto _ : state) {
        double sum = 0, x = 0, y = 0;
        for (size_t i = 0; i < kPoints; ++i) {
            KmlGeographicToGrid(texts, p.lat[i], p.lon[i], x, y);
            sum += x;
        }
        benchmark::DoNotOptimize(sum);
    }
    Finish(state, kPoints);
}

// --- PROJ ---------------------------------------------------------------------

void RunProj(benchmark::State& state, const char* definition, PJ_DIRECTION direction, bool grid,
             bool withHeight) {
    const Points& p = TestPoints();
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* pj = proj_create(ctx, definition);
    if (!pj) {
        state.SkipWithError("PROJ refused the definition");
        proj_context_destroy(ctx);
        return;
    }
    std::vector<double> x(kPoints), y(kPoints), z(kPoints);
    for (auto _ : state) {
        state.PauseTiming();
        x = grid ? p.easting : p.lonRad;
        y = grid ? p.northing : p.latRad;
        std::fill(z.begin(), z.end(), 0.0);
        state.ResumeTiming();
        proj_trans_generic(pj, direction, x.data(), sizeof(double), kPoints, y.data(),
                           sizeof(double), kPoints, withHeight ? z.data() : nullptr,
                           withHeight ? sizeof(double) : 0, withHeight ? kPoints : 0, nullptr, 0,
                           0);
        benchmark::DoNotOptimize(x.data());
    }
    proj_destroy(pj);
    proj_context_destroy(ctx);
    Finish(state, kPoints);
}

void BM_Proj_TMForward(benchmark::State& s) { RunProj(s, kProjTmerc, PJ_FWD, false, false); }
void BM_Proj_TMInverse(benchmark::State& s) { RunProj(s, kProjTmerc, PJ_INV, true, false); }
void BM_Proj_DatumChain(benchmark::State& s) { RunProj(s, kProjDatum, PJ_FWD, false, true); }
void BM_Proj_Lambert(benchmark::State& s) { RunProj(s, kProjLcc, PJ_FWD, false, false); }

#define GEODESY_BENCHMARK(name) \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()

GEODESY_BENCHMARK(BM_Core_TMForward);
GEODESY_BENCHMARK(BM_Proj_TMForward);
GEODESY_BENCHMARK(BM_Core_TMInverse);
GEODESY_BENCHMARK(BM_Proj_TMInverse);
GEODESY_BENCHMARK(BM_Core_DatumChain);
GEODESY_BENCHMARK(BM_Proj_DatumChain);
GEODESY_BENCHMARK(BM_Core_Lambert1SP);
GEODESY_BENCHMARK(BM_Core_Lambert2SP);
GEODESY_BENCHMARK(BM_Proj_Lambert);
GEODESY_BENCHMARK(BM_Text_TransverseMercatorFromText);
GEODESY_BENCHMARK(BM_Text_GeoProject);
GEODESY_BENCHMARK(BM_Text_GeoTransform);
GEODESY_BENCHMARK(BM_Text_GeographicToGrid);
GEODESY_BENCHMARK(BM_Text_KmlGeographicToGrid);

// Keeps the points per second of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second;
        }
    }
    std::map<std::string, double> rates;
};

double Rate(const SummaryReporter& r, const std::string& name) {
    for (const auto& [key, value] : r.rates)
        if (key.rfind(name, 0) == 0) return value;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::puts("\npoints per second, and ours / PROJ");
    const char* pairs[][2] = {{"BM_Core_TMForward", "BM_Proj_TMForward"},
                              {"BM_Core_TMInverse", "BM_Proj_TMInverse"},
                              {"BM_Core_DatumChain", "BM_Proj_DatumChain"},
                              {"BM_Core_Lambert1SP", "BM_Proj_Lambert"},
                              {"BM_Core_Lambert2SP", "BM_Proj_Lambert"},
                              {"BM_Text_TransverseMercatorFromText", "BM_Proj_TMForward"},
                              {"BM_Text_GeoProject", "BM_Proj_TMInverse"},
                              {"BM_Text_GeoTransform", "BM_Proj_DatumChain"},
                              {"BM_Text_GeographicToGrid", "BM_Proj_TMForward"},
                              {"BM_Text_KmlGeographicToGrid", "BM_Proj_TMForward"}};
    for (const auto& pair : pairs) {
        const double ours = Rate(reporter, pair[0]), proj = Rate(reporter, pair[1]);
        if (ours == 0) continue;
        const std::string line = std::string(pair[0]) + ": " + geodesy::FixedText(ours, 18, 0) +
                                 "/s   " + pair[1] + ": " + geodesy::FixedText(proj, 18, 0) +
                                 "/s   ratio " +
                                 geodesy::FixedText(proj > 0 ? ours / proj : 0, 18, 2);
        std::puts(line.c_str());
    }
    benchmark::Shutdown();
    return 0;
}
