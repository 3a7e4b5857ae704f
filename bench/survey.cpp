// The survey loop under an hour of data: the program's windows offscreen,
// realtime started with the button, the GNSS receiver (10 Hz GGA, RMC, VTG,
// HDT and ZDA: 180,000 lines) and the echo sounder (20 Hz DPT: 72,000 lines)
// on two pseudo-terminals written as fast as they take the bytes, a second of
// each in turn (so every depth has a fresh fix and its XYZ row), both port
// logs on and the poll periods the device settings window starts with. The
// geodetic set is WGS 84 in UTM zone 32, where the fixes lie.
//
// Reports the rows lost (CSV and XYZ rows against depth lines, port log
// lines against lines sent), the GUI thread's CPU time for the hour and the
// slowest single line handler. Goal: nothing lost, under 1 s of GUI-thread
// CPU per hour of data.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "devices/TPlovanSerialGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/TFNav.h"
#include "platform/IniFile.h"
#include "platform/SerialPort.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSeconds = 3600;
constexpr int kGnssEpochs = 10 * kSeconds;  // 10 Hz for an hour
constexpr int kDepthLines = 20 * kSeconds;  // 20 Hz for an hour
constexpr int kStallSeconds = 20;   // no progress for this long ends the run

std::string Nmea(const std::string& body) {
    unsigned sum = 0;
    for (char c : body.substr(1)) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return body + tail;
}

// The hour's bytes, one text per second.
std::vector<std::string> GnssHour() {
    std::vector<std::string> seconds(kSeconds);
    char body[160];
    for (int e = 0; e < kGnssEpochs; ++e) {
        std::string& out = seconds[e / 10];
        const int h = 12 + e / 36000, m = (e / 600) % 60, s = (e / 10) % 60, cs = (e % 10) * 10;
        char time[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d.%02d", h, m, s, cs);
        const double minutes = 7.038 + e * 1e-5;
        std::snprintf(body, sizeof body,
                      "$GNGGA,%s,48%09.6f,N,011%09.6f,E,4,19,0.7,12.300,M,35.100,M,1.0,0001", time,
                      minutes, minutes);
        out += Nmea(body);
        std::snprintf(body, sizeof body, "$GNRMC,%s,A,48%09.6f,N,011%09.6f,E,4.5,87.5,080326,,,R",
                      time, minutes, minutes);
        out += Nmea(body);
        out += Nmea("$GNVTG,87.5,T,,M,4.5,N,8.3,K,R");
        out += Nmea("$GNHDT,87.5,T");
        std::snprintf(body, sizeof body, "$GNZDA,%s,08,03,2026,00,00", time);
        out += Nmea(body);
    }
    return seconds;
}

std::vector<std::string> DepthHour() {
    std::vector<std::string> seconds(kSeconds);
    char body[64];
    for (int i = 0; i < kDepthLines; ++i) {
        std::snprintf(body, sizeof body, "$SDDPT,%.2f,0.5", 5.0 + (i % 1000) * 0.01);
        seconds[i / 20] += Nmea(body);
    }
    return seconds;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

size_t CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

// The rows under a file's header; 0 when the file is missing.
size_t CountRows(const std::string& path) {
    const size_t lines = CountLines(path);
    return lines > 0 ? lines - 1 : 0;
}

struct Pty {
    int master = -1, slave = -1;
    bool Open(const std::string& com) {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return false;
        fs::create_directories(platform::SerialPort::PortLinkDir());
        const std::string link = platform::SerialPort::PortLinkDir() + com;
        fs::remove(link);
        fs::create_symlink(name, link);
        return true;
    }
    ~Pty() {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
    }
};

void WriteAll(int fd, const std::string& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + at, std::min<size_t>(bytes.size() - at, 4096));
        if (n > 0)
            at += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            return;
    }
}

void StoreSettings() {
    platform::IniFile ini(SettingsFilePath());
    // The keys the window has no default for; Delay, NMEA LOG and the rest
    // take the device settings window's own defaults, except the logs, on.
    for (const auto& [section, port] : {std::pair{"GPS1 COMUNICATION SETTINGS", "COM3"},
                                        std::pair{"SENSOR COMUNICATION SETTINGS", "COM4"}}) {
        ini.WriteString(section, "Port No", port);
        ini.WriteString(section, "Baud Rate", "115200");
        ini.WriteString(section, "NMEA LOG", "True");
        ini.WriteString(section, "Log Time", "False");
    }
    ini.WriteString("SENSOR COMUNICATION SETTINGS", "Sensor Enabled", "1");
    ini.WriteString("SENSOR COMUNICATION SETTINGS", "cSBESMessage", "NMEA DPT");
    ini.WriteString("SENSOR COMUNICATION SETTINGS", "eSBESFormat", "%*6s,%lf");
    ini.WriteString("ECHOSOUNDER_OFFSETS", "Offset A", "0.5");
    ini.WriteString("ECHOSOUNDER_OFFSETS", "Offset C", "1.5");
    ini.WriteString("ECHOSOUNDER_OFFSETS", "SV", "1530");
    ini.WriteString("ECHOSOUNDER_OFFSETS", "Tide Height", "0.2");
    ini.WriteString("SCREENSHOT", "Interval", "0");
    // WGS 84 in UTM zone 32.
    const std::pair<const char*, const char*> geodetic[] = {
        {"SemiMajorAxis", "6378137"}, {"InverseFlattening", "0.0033528106647474"},
        {"X_Rotation", "0"},          {"Y_Rotation", "0"},
        {"Z_Rotation", "0"},          {"X_Shift", "0"},
        {"Y_Shift", "0"},             {"Z_Shift", "0"},
        {"Scale_PPM", "0"},           {"Central_Meridian", "9"},
        {"Reference_Latitude", "0"},  {"Scale_Factor", "0.9996"},
        {"False_Easting", "500000"},  {"False_Northing", "0"}};
    for (const auto& [key, value] : geodetic) ini.WriteString("GEODETIC_PARAMETERS", key, value);
}

void BM_SurveyHour(benchmark::State& state) {
    const std::vector<std::string> gnss = GnssHour(), depths = DepthHour();
    char tmpl[] = "/tmp/phx-bench-survey-XXXXXX";
    const std::string dir = std::string(mkdtemp(tmpl)) + "/";
    setenv("HOME", dir.c_str(), 1);
    setenv("APPDATA", (dir + "AppData/").c_str(), 1);
    platform::IniFile::DropCachedModels();
    InitDayPaths();
    StoreSettings();
    platform::IniFile::DropCachedModels();

    for (auto _ : state) {
        Pty gnssPty, depthPty;
        if (!gnssPty.Open("COM3") || !depthPty.Open("COM4")) {
            state.SkipWithError("openpty failed");
            return;
        }
        CreateApplicationWindows();
        FNav->show();

        size_t handled[2] = {0, 0};
        double slowest[2] = {0, 0}, total[2] = {0, 0};
        TPlovanSerialGPS* readers[2] = {FNav->ZGPS1, FNav->ZSENSOR};
        for (int i = 0; i < 2; ++i) {
            auto handler = readers[i]->OnNewCommand;
            readers[i]->OnNewCommand = [&, i, handler](TPlovanSerialGPS* s, const std::string& l) {
                const auto t0 = Clock::now();
                handler(s, l);
                const double us =
                    std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
                slowest[i] = std::max(slowest[i], us);
                total[i] += us;
                ++handled[i];
            };
        }

        const double cpuStart = ThreadCpuSeconds();
        const auto wallStart = Clock::now();
        FNav->bRealtime->click();
        if (!FNav->ZGPS1->FOpen || !FNav->ZSENSOR->FOpen) {
            FreeApplicationWindows();
            state.SkipWithError("a port did not open");
            return;
        }
        std::thread writer([&] {
            for (int second = 0; second < kSeconds; ++second) {
                WriteAll(gnssPty.master, gnss[second]);
                WriteAll(depthPty.master, depths[second]);
            }
        });

        QEventLoop loop;
        QTimer check;
        size_t lastSum = 0;
        auto lastProgress = Clock::now();
        QObject::connect(&check, &QTimer::timeout, [&] {
            const size_t sum = handled[0] + handled[1];
            if (sum != lastSum) lastSum = sum, lastProgress = Clock::now();
            const bool all = handled[0] >= 5u * kGnssEpochs && handled[1] >= size_t(kDepthLines);
            if (all || Clock::now() - lastProgress > std::chrono::seconds(kStallSeconds))
                loop.quit();
        });
        check.start(20);
        loop.exec();
        FNav->bRealtime->click();  // Stop
        const double cpu = ThreadCpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
        writer.join();
        const int pollMs = FNav->ZGPS1->FPollInterval;
        FreeApplicationWindows();

        const size_t csvRows = CountRows(g_CoordinatesCsvPath);
        const size_t xyzRows = CountRows(g_XyzDir + g_SessionDate + " Simple XYZ.csv");
        const size_t gnssLogged = CountLines(g_LogDir + DateStamp() + " PHX_GNSS_V3.log");
        const size_t depthLogged = CountLines(g_LogDir + DateStamp() + " PHX_SBES_V3.log");
        const auto lost = [](size_t want, size_t got) {
            return static_cast<double>(want - std::min(want, got));
        };
        state.SetIterationTime(wall);
        state.counters["poll_ms"] = pollMs;
        state.counters["csv_rows_lost"] = lost(kDepthLines, csvRows);
        state.counters["xyz_rows_lost"] = lost(kDepthLines, xyzRows);
        state.counters["gnss_log_lines_lost"] = lost(5u * kGnssEpochs, gnssLogged);
        state.counters["sbes_log_lines_lost"] = lost(kDepthLines, depthLogged);
        state.counters["gui_cpu_s_per_hour"] = cpu;
        // Wall time inside the two line handlers; the rest of the GUI thread's
        // time is the readers' own (reads, line cutting, port logs) and Qt's.
        state.counters["handlers_s"] = (total[0] + total[1]) * 1e-6;
        state.counters["gnss_handler_us_mean"] = handled[0] ? total[0] / handled[0] : 0;
        state.counters["depth_handler_us_mean"] = handled[1] ? total[1] / handled[1] : 0;
        state.counters["slowest_gnss_handler_us"] = slowest[0];
        state.counters["slowest_depth_handler_us"] = slowest[1];
        std::printf("GUI thread CPU for the hour: %.3f s; slowest handler: %s, %.0f us\n", cpu,
                    slowest[1] > slowest[0] ? "ZSENSORNewCommand" : "ZGPS1NewCommand",
                    std::max(slowest[0], slowest[1]));
        fs::remove_all(g_DayDir);
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_SurveyHour)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // as the program's entry sets it
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
