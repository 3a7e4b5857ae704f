// One save of the device settings window (about 70 keys) into a settings
// file of a program in use (its other sections too, some 9 KB), on the disk
// of the build: key by key, each key rewriting the file with an fsync (the
// save before it was batched), against the save as it is, one write of the
// file for all keys. Both run in the same program on the same file system,
// wall time (the fsyncs are the cost). Goal: a save costs one write of the
// file, at least ten times less than key by key.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BestRuns.h"
#include "devices/DeviceSettingsFile.h"
#include "platform/IniFile.h"

namespace {

// A scratch folder beside the build, so the disk is the build's, not a
// memory file system.
const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = std::filesystem::current_path().string() + "/bench-settings-XXXXXX";
        return mkdtemp(pattern.data()) ? pattern + "/" : std::string("./");
    }();
    return folder;
}

DeviceSettingsValues Values(int run) {
    DeviceSettingsValues v;
    v.Gnss = {"COM3", "115200", "8", "1", "None", "Normal", "5", "True", "False", "True", "True"};
    v.Sensor = {"COM4", "4800", "8", "1", "None", "Normal", "10", "False", "True", "True", "True"};
    v.SemiMajorAxis = "6378137.0";
    v.Flattening = "0.0033528106647474";
    v.CentralMeridian = std::to_string(27 + run % 3);  // a change at each save
    v.ScaleFactor = "0.9996";
    v.FalseEasting = "500000";
    v.FalseNorthing = "0";
    v.NameOfDatum = "WGS84";
    return v;
}

// The settings file of a program in use: the device keys, the caster and
// the placements of every window.
std::string Prepared(const std::string& name) {
    const std::string path = Folder() + name;
    std::filesystem::remove(path);
    platform::IniFile::DropCachedModels();
    platform::IniFile ini(path);
    platform::IniFile::Batch batch(ini);
    WriteDeviceSettings(ini, Values(0), true);
    for (const char* key : {"Server", "Port", "Username", "Password", "MountPoint"})
        ini.WriteString("NTRIP", key, "caster.example.org");
    for (int w = 0; w < 20; ++w)
        for (const char* key : {"Top", "Left", "Width", "Height", "WindowState"})
            ini.WriteInteger("FORM_" + std::to_string(w), key, 100 + w);
    batch.Commit();
    return path;
}

template <class Save>
void Timed(benchmark::State& state, const char* name, const char* file, Save save) {
    platform::IniFile ini(Prepared(file));
    int run = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = save(ini, Values(++run));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!ok) state.SkipWithError("the save failed");
        state.SetIterationTime(took.count());
        Record(name, took.count());
    }
}

void BM_KeyByKey(benchmark::State& state) {
    Timed(state, "key by key", "key-by-key.ini",
          [](platform::IniFile& ini, const DeviceSettingsValues& v) {
              return WriteDeviceSettings(ini, v, true);
          });
}

void BM_OneWrite(benchmark::State& state) {
    Timed(state, "one write", "one-write.ini",
          [](platform::IniFile& ini, const DeviceSettingsValues& v) {
              return SaveDeviceSettings(ini, v, true, nullptr) == DeviceSettingsSave::Saved;
          });
}

BENCHMARK(BM_KeyByKey)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OneWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void Report() {
    auto& best = Best();
    if (!best.count("key by key") || !best.count("one write")) return;
    const double ratio = best["key by key"] / best["one write"];
    std::printf(
        "\none device settings save, best of 10: key by key %.1f ms, one write %.2f ms, "
        "%.0f times less (goal at least 10)   %s\n",
        best["key by key"] * 1e3, best["one write"] * 1e3, ratio, ratio >= 10 ? "met" : "NOT MET");
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
