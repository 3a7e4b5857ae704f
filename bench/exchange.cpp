// Drawing exchange: XYZ points through ImportXYZ and through the main
// window's point-and-label import (goal under 0.5 s each for 100,000), the
// R12 DXF export of 1,000,000 mixed shapes (goal under 2 s) and its
// re-import, the KML reader over 100,000 placemarks, the KML export of
// 100,000 shapes with its import through the UTM conversions, and the
// import of one 1,000,000-vertex track (read, projected to UTM 35, drawn
// into a model) beside GDAL's ogr2ogr with the same reprojection into its
// in-memory driver on the same file in the same run (goal: within 2x).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "canvas/CanvasModel.h"
#include "canvas/DxfReader.h"
#include "canvas/DxfWriter.h"
#include "canvas/XyzImport.h"
#include "navigation/KmlImport.h"
#include "navigation/KmlProjection.h"
#include "navigation/KmlWriter.h"
#include "navigation/PlacemarkReader.h"
#include "navigation/XyzPointLines.h"
#include "platform/Dialogs.h"
#include "platform/TextFiles.h"
#include "tests/support/Utm35Settings.h"

namespace {

std::string TempPath(const char* name) {
    return "/tmp/phx_bench_exchange_" + std::to_string(::getpid()) + "_" + name;
}

void BuildMixed(TCanvasModel& m, int n) {
    const int layer = m.AddLayer("survey");
    for (int i = 0; i < n; ++i) {
        const double x = 500000 + i % 1000, y = 4449000 + i / 1000;
        switch (i % 5) {
            case 0:
                m.AddLine(x, y, x + 1, y + 1, layer);
                break;
            case 1:
                m.AddPoint(x, y, layer);
                break;
            case 2:
                m.AddCircle(x, y, 2, layer);
                break;
            case 3:
                m.AddPolyline({{x, y}, {x + 1, y}, {x + 1, y + 1}}, layer, false);
                break;
            default:
                m.AddText(layer, QStringLiteral("12.34"), x, y, 0);
                break;
        }
    }
}

std::string XyzText() {
    std::string text;
    char line[80];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(line, sizeof line, "%.2f,%.2f,%.2f\n", 500000 + i * 1.37, 4449000 + i * 0.91,
                      5 + (i % 700) * 0.01);
        text += line;
    }
    return text;
}

void BM_ImportXyz(benchmark::State& state) {
    const std::string path = TempPath("points.xyz");
    platform::WriteFileAtomic(path, XyzText());
    for (auto _ : state) {
        TCanvasModel m;
        benchmark::DoNotOptimize(ImportXYZ(m, QString::fromStdString(path), 0, 0, 0));
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_ImportXyz)->Unit(benchmark::kMillisecond);

void BM_ImportXyzPointsAndLabels(benchmark::State& state) {
    const std::string path = TempPath("labels.xyz");
    platform::WriteFileAtomic(path, XyzText());
    for (auto _ : state) {
        TCanvasModel m;
        std::string text;
        platform::ReadFile(path, text);
        benchmark::DoNotOptimize(AddXyzPoints(m, ReadXyzLines(text).points, m.AddLayer("labels")));
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_ImportXyzPointsAndLabels)->Unit(benchmark::kMillisecond);

void BM_ExportDxf(benchmark::State& state) {
    TCanvasModel m;
    BuildMixed(m, 1000000);
    const std::string path = TempPath("export.dxf");
    for (auto _ : state) benchmark::DoNotOptimize(ExportDXF(m, QString::fromStdString(path)));
    ::unlink(path.c_str());
}
BENCHMARK(BM_ExportDxf)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReimportDxf(benchmark::State& state) {
    platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    TCanvasModel source;
    BuildMixed(source, 1000000);
    const std::string path = TempPath("reimport.dxf");
    ExportDXF(source, QString::fromStdString(path));
    for (auto _ : state) {
        TCanvasModel m;
        benchmark::DoNotOptimize(LoadDxfFile(m, QString::fromStdString(path)));
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_ReimportDxf)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadKml(benchmark::State& state) {
    std::string kml = "<kml><Document>";
    char p[160];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(p, sizeof p,
                      "<Placemark><name>P%d</name><Point><coordinates>%.7f,%.7f,0</coordinates></"
                      "Point></Placemark>\n",
                      i, 27 + i * 1e-6, 40 + i * 1e-6);
        kml += p;
    }
    kml += "</Document></kml>";
    for (auto _ : state) {
        TPlacemarkReader reader;
        reader.FOnProject = [](double lat, double lon, double& x, double& y) { x = lon, y = lat; };
        benchmark::DoNotOptimize(reader.ParseKml(kml));
    }
}
BENCHMARK(BM_ReadKml)->Unit(benchmark::kMillisecond);

DeviceSettingsValues Utm35() { return phxtest::Utm35Settings(); }

const DeviceSettingsValues kUtm35 = Utm35();

void BuildKmlShapes(TCanvasModel& m, int n) {
    const int layer = m.AddLayer("survey");
    for (int i = 0; i < n; ++i) {
        const double x = 500000 + i % 1000, y = 4449000 + i / 1000;
        if (i % 2)
            m.AddPoint(x, y, layer);
        else
            m.AddPolyline({{x, y}, {x + 1, y}, {x + 1, y + 1}}, layer, false);
    }
}

// The window's export: one projection made from the settings.
std::string KmlExportOf(const TCanvasModel& m) {
    const KmlGridProjection projection = *KmlGridProjection::FromSettings(kUtm35);
    return BuildKmlDocument(
               m, "bench.kml",
               [&projection](double x, double y, double& lat, double& lon) {
                   return projection.ToGeographic(x, y, lat, lon);
               },
               0, 0)
        .bytes;
}

void BM_ExportKml(benchmark::State& state) {
    TCanvasModel m;
    BuildKmlShapes(m, 100000);
    const std::string path = TempPath("export.kml");
    for (auto _ : state) benchmark::DoNotOptimize(WriteKmlFile(path, KmlExportOf(m)));
    ::unlink(path.c_str());
}
BENCHMARK(BM_ExportKml)->Unit(benchmark::kMillisecond)->Iterations(3);

// The window's import: one projection made from the settings, every vertex
// projected once, the shapes added.
// False with `error` set when the reader refuses the file.
bool ImportKmlIntoModel(const std::string& path, const KmlGridProjection& projection,
                        TCanvasModel& m, std::string& error) {
    KmlImportShapes shapes;
    if (!ComputeKmlImport(
            path,
            [&projection](double lat, double lon, double& x, double& y) {
                return projection.ToGrid(lat, lon, x, y);
            },
            shapes, error))
        return false;
    const int layer = m.AddLayer("import");
    for (const TPointD& p : shapes.points) m.AddPoint(p.X, p.Y, layer);
    for (const auto& line : shapes.lines) m.AddPolyline(line.vertices, layer, line.closed);
    for (const auto& label : shapes.labels)
        m.AddText(layer, QString::fromStdString(label.text), label.at.X, label.at.Y, 0);
    return true;
}

void BM_ImportKml(benchmark::State& state) {
    TCanvasModel source;
    BuildKmlShapes(source, 100000);
    const std::string path = TempPath("import.kml");
    WriteKmlFile(path, KmlExportOf(source));
    for (auto _ : state) {
        TCanvasModel m;
        std::string error;
        if (!ImportKmlIntoModel(path, *KmlGridProjection::FromSettings(kUtm35), m, error))
            state.SkipWithError(error.c_str());
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_ImportKml)->Unit(benchmark::kMillisecond)->Iterations(3);

// One track of a million vertices, as a logger or GDAL writes it.
std::string MillionVertexTrack() {
    std::string kml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml "
        "xmlns=\"http://www.opengis.net/kml/2.2\"><Document><Placemark><name>Track</name>"
        "<LineString><coordinates>\n";
    char tuple[64];
    for (int i = 0; i < 1000000; ++i) {
        std::snprintf(tuple, sizeof tuple, "%.8f,%.8f,0 ", 27 + (i % 1000) * 1e-5, 40 + i * 1e-6);
        kml += tuple;
    }
    return kml + "\n</coordinates></LineString></Placemark></Document></kml>\n";
}

// The survey's grid: UTM 35 on WGS 84, or Transverse Mercator on a local
// datum with a three-parameter shift (the datum chain runs for each vertex).
struct TrackGrid {
    DeviceSettingsValues settings;
    const char* proj;
};

TrackGrid GridOf(int shifted) {
    if (!shifted) return {kUtm35, "+proj=utm +zone=35 +datum=WGS84"};
    DeviceSettingsValues v = kUtm35;
    v.SemiMajorAxis = "6378388";
    v.Flattening = "0.0033670033670034";
    v.XShift = "-87";
    v.YShift = "-98";
    v.ZShift = "-121";
    return {v,
            "+proj=tmerc +lat_0=0 +lon_0=27 +k=0.9996 +x_0=500000 +y_0=0 +a=6378388 +rf=297 "
            "+towgs84=-87,-98,-121"};
}

// Wall seconds of ogr2ogr reading the track and reprojecting it into GDAL's
// in-memory driver; 0 when ogr2ogr is missing.
double Ogr2ogrSeconds(const std::string& path, const char* proj) {
    if (std::system("command -v ogr2ogr >/dev/null 2>&1") != 0) return 0;
    const std::string command = "ogr2ogr -f Memory " + TempPath("ogr.mem") + " '" + path +
                                "' -s_srs EPSG:4326 -t_srs '" + proj + "' >/dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ImportKmlTrackBesideOgr2ogr(benchmark::State& state) {
    const std::string path = TempPath("track.kml");
    platform::WriteFileAtomic(path, MillionVertexTrack());
    const TrackGrid grid = GridOf(static_cast<int>(state.range(0)));
    double ours = 0, ogr = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        TCanvasModel m;
        std::string error;
        if (!ImportKmlIntoModel(path, *KmlGridProjection::FromSettings(grid.settings), m, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        ogr += Ogr2ogrSeconds(path, grid.proj);
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_s"] = ours / n;
    if (ogr > 0) {
        state.counters["ogr2ogr_s"] = ogr / n;
        state.counters["ratio"] = ours / ogr;
    }
    ::unlink(path.c_str());
}
// Argument 0: UTM 35 on WGS 84; 1: a shifted local datum.
BENCHMARK(BM_ImportKmlTrackBesideOgr2ogr)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
