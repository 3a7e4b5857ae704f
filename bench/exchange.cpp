// Drawing exchange: XYZ points through ImportXYZ (goal under 0.5 s for
// 100,000), the R12 DXF export of 1,000,000 mixed shapes (goal under 2 s)
// and its re-import, and the KML reader over 100,000 placemarks.
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
#include "navigation/PlacemarkReader.h"
#include "platform/Dialogs.h"
#include "platform/TextFiles.h"

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

void BM_ImportXyz(benchmark::State& state) {
    const std::string path = TempPath("points.xyz");
    std::string text;
    char line[80];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(line, sizeof line, "%.2f,%.2f,%.2f\n", 500000 + i * 1.37, 4449000 + i * 0.91,
                      5 + (i % 700) * 0.01);
        text += line;
    }
    platform::WriteFileAtomic(path, text);
    for (auto _ : state) {
        TCanvasModel m;
        benchmark::DoNotOptimize(ImportXYZ(m, QString::fromStdString(path), 0, 0, 0));
    }
    ::unlink(path.c_str());
}
BENCHMARK(BM_ImportXyz)->Unit(benchmark::kMillisecond);

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

}  // namespace

BENCHMARK_MAIN();
