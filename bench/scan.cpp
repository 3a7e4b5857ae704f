// Lines per second through the restricted scanner on one core: the
// echo-sounder formats of the message table on lines built for each, and the
// GGA format on the receiver captures, beside the C library's sscanf with
// the same (fixed) formats. The program's goal: at least as fast as sscanf,
// above 2,000,000 lines/s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "devices/EchoSounderFormats.h"
#include "platform/ScanFormat.h"
#include "tests/support/Capture.h"

namespace {

constexpr const char* kGgaFormat = "%*6s,%lf,%*lf,%*1s,%*lf,%*1s,%d,%*d,%*lf,%lf,%*1s,%lf";

// One line per listed type, in its format's shape.
struct SounderCase {
    const char* type;
    const char* line;
};
const SounderCase kSounderLines[] = {
    {"Plovan SMT", "$SMT1234,12.48,11.92"},
    {"NMEA DPT", "$SDDPT,12.48,0.50*7B"},
    {"NMEA DBT", "$SDDBT,40.9,f,12.48,M,6.8,F*3C"},
    {"Plovan XDR HI", "$XDHI001,12.48"},
    {"Plovan XDR LO", "$XDHI001,12.48,$XDLO001,13.02"},
    {"Plovan XDR H/L", "$XDHI001,12.48,$XDLO001,13.02"},
    {"ODC HI", "$PODC,00001,20260102,101112.50,HF,200kHz,B,12.48"},
};

std::vector<std::string> GgaLines() {
    std::vector<std::string> lines;
    for (const char* name : {"hemi.log", "nmea-rtk.log", "ublox-zed-f9r.log"}) {
        std::istringstream in(phxtest::CaptureBytes(std::string("nmea/") + name));
        for (std::string line; std::getline(in, line);)
            if (line.size() > 6 && line.compare(3, 3, "GGA") == 0) lines.push_back(line);
    }
    return lines;
}

void BM_SounderScanner(benchmark::State& state) {
    const SounderCase& c = kSounderLines[state.range(0)];
    const SBESFormat format(FindSBESMessageType(c.type)->format);
    std::vector<platform::ScanField> fields;
    if (format.Scan(c.line, fields) != format.StoredCount()) state.SkipWithError("no match");
    for (auto _ : state) benchmark::DoNotOptimize(format.Scan(c.line, fields));
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string(c.type) + " lines/s");
}
BENCHMARK(BM_SounderScanner)->DenseRange(0, 6);

void BM_SounderSscanf(benchmark::State& state) {
    const SounderCase& c = kSounderLines[state.range(0)];
    const std::string format(FindSBESMessageType(c.type)->format);
    double a = 0, b = 0;
    for (auto _ : state) benchmark::DoNotOptimize(std::sscanf(c.line, format.c_str(), &a, &b));
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string(c.type) + " lines/s");
}
BENCHMARK(BM_SounderSscanf)->DenseRange(0, 6);

void BM_GgaScanner(benchmark::State& state) {
    const std::vector<std::string> lines = GgaLines();
    const auto format = platform::ScanFormat::Compile(
        kGgaFormat, {platform::ScanKind::Double, platform::ScanKind::Int});
    std::vector<platform::ScanField> fields;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format.Scan(lines[i], fields));
        if (++i == lines.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("GGA lines/s");
}
BENCHMARK(BM_GgaScanner);

void BM_GgaSscanf(benchmark::State& state) {
    const std::vector<std::string> lines = GgaLines();
    // Through a runtime string, as the program's callers hold their formats.
    const std::string format(kGgaFormat);
    double lat = 0, alt = 0, sep = 0;
    int quality = 0;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            std::sscanf(lines[i].c_str(), format.c_str(), &lat, &quality, &alt, &sep));
        if (++i == lines.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("GGA lines/s");
}
BENCHMARK(BM_GgaSscanf);

}  // namespace

BENCHMARK_MAIN();
