// Drawing exchange: XYZ points through ImportXYZ and through the main
// window's point-and-label import (goal under 0.5 s each for 100,000), the
// R12 DXF export of 1,000,000 mixed shapes (goal under 2 s) and its
// re-import, the KML reader over 100,000 placemarks, and the KML export of
// 100,000 shapes with its import through the UTM conversions.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QString>
#include <cstdio>
#include <memory>
#include <string>

#include "canvas/CanvasModel.h"
#include "canvas/DxfReader.h"
#include "canvas/DxfWriter.h"
#include "canvas/XyzImport.h"
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

// The settings are copied at every point, as the window's snapshot is.
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

std::string KmlExportOf(const TCanvasModel& m) {
    return BuildKmlDocument(
               m, "bench.kml",
               [](double x, double y, double& lat, double& lon) {
                   const DeviceSettingsValues snapshot = kUtm35;
                   return KmlGridToGeographic(snapshot, x, y, lat, lon);
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

void BM_ImportKml(benchmark::State& state) {
    TCanvasModel source;
    BuildKmlShapes(source, 100000);
    const std::string path = TempPath("import.kml");
    WriteKmlFile(path, KmlExportOf(source));
    for (auto _ : state) {
        TPlacemarkReader reader;
        reader.FOnProject = [](double lat, double lon, double& x, double& y) {
            const DeviceSettingsValues snapshot = kUtm35;
            KmlGeographicToGrid(snapshot, lat, lon, x, y);
        };
        benchmark::DoNotOptimize(reader.LoadFromFile(path));
        reader.ProjectAll();
        TCanvasModel m;
        const int layer = m.AddLayer("import");
        for (const TPlacemarkCoord& c : reader.GetPoints()) m.AddPoint(c.X, c.Y, layer);
        for (const auto& line : reader.GetLines()) {
            std::vector<TPointD> points;
            for (const TPlacemarkCoord& c : line) points.push_back({c.X, c.Y});
            m.AddPolyline(points, layer, false);
        }
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_ImportKml)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
