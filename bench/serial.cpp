// Throughput of the serial line reader: lines per second through the line
// cutting and the NMEA parse on the real receiver captures, and an hour of
// 10 Hz GNSS output pushed through a pseudo-terminal as fast as it takes it,
// read with the default poll period, reporting lines lost and the reader's
// CPU time per hour of data.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "devices/TPlovanSerialGPS.h"
#include "tests/support/Capture.h"
#include "platform/SerialPort.h"
#include "platform/VclText.h"

namespace {

const char* const kCaptures[] = {"hemi.log", "nmea-rtk.log", "ublox-zed-f9r.log",
                                 "bundg_zeus_9.log", "quectel-l76k-nmea.log"};

std::string CaptureBody(const std::string& name) { return phxtest::CaptureBytes("nmea/" + name); }

void BM_ProcessBuffer(benchmark::State& state) {
    const std::string name = kCaptures[state.range(0)];
    const std::string body = CaptureBody(name);
    TPlovanSerialGPS gps;
    size_t lines = 0;
    gps.OnNewCommand = [&](TPlovanSerialGPS*, const std::string&) { ++lines; };
    for (auto _ : state) {
        // In reads of the size the poll uses.
        for (size_t at = 0; at < body.size(); at += TPlovanSerialGPS::kReadChunk)
            gps.ReceiveBytes(body.data() + at,
                             std::min(TPlovanSerialGPS::kReadChunk, body.size() - at));
    }
    state.SetItemsProcessed(static_cast<int64_t>(lines));
    state.SetBytesProcessed(static_cast<int64_t>(body.size()) * state.iterations());
    state.SetLabel(name + " lines/s");
}
BENCHMARK(BM_ProcessBuffer)->DenseRange(0, 4);

void BM_ParseSentence(benchmark::State& state) {
    std::vector<std::string> sentences;
    for (const char* name : kCaptures) {
        std::istringstream in(CaptureBody(name));
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] == '$') sentences.push_back(platform::Trim(line));
    }
    TPlovanSerialGPS gps;
    for (auto _ : state)
        for (const auto& s : sentences) gps.ParseSentence(s);
    benchmark::DoNotOptimize(gps.GetLatitude());
    state.SetItemsProcessed(static_cast<int64_t>(sentences.size()) * state.iterations());
    state.SetLabel("sentences/s");
}
BENCHMARK(BM_ParseSentence);

std::string NmeaWithChecksum(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    static const char* hex = "0123456789ABCDEF";
    return "$" + body + "*" + hex[sum >> 4] + hex[sum & 15] + "\r\n";
}

// One hour of a 10 Hz receiver: GGA, RMC, VTG, HDT and ZDA per epoch.
std::string OneHourAt10Hz(size_t& lines) {
    std::string out;
    lines = 0;
    for (int epoch = 0; epoch < 36000; ++epoch) {
        const int cs = epoch % 10, s = (epoch / 10) % 60, m = (epoch / 600) % 60;
        const auto two = [](int v) {
            return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
        };
        const std::string time =
            "12" + two(m) + two(s) + "." + std::string(1, static_cast<char>('0' + cs)) + "0";
        const std::string minutes = platform::FormatFloat("00.000000", 30 + epoch * 1e-5);
        out += NmeaWithChecksum(std::string("GNGGA,") + time + ",41" + minutes + ",N,093" +
                                minutes + ",W,4,19,0.7,280.827,M,-31.442,M,5.8,0002");
        out += NmeaWithChecksum(std::string("GNRMC,") + time + ",A,41" + minutes + ",N,093" +
                                minutes + ",W,4.512,124.9,180320,11.5985,E,R");
        out += NmeaWithChecksum("GNVTG,124.9,T,113.3,M,4.512,N,8.356,K,R");
        out += NmeaWithChecksum("GNHDT,124.9,T");
        out += NmeaWithChecksum(std::string("GNZDA,") + time + ",18,03,2020,00,00");
        lines += 5;
    }
    return out;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_PtyHourDefaultPoll(benchmark::State& state) {
    size_t sentLines = 0;
    const std::string hour = OneHourAt10Hz(sentLines);
    char tmpl[] = "/tmp/phx-bench-serial-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    setenv("APPDATA", (dir + "/").c_str(), 1);
    for (auto _ : state) {
        int master = -1, slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            state.SkipWithError("openpty failed");
            return;
        }
        std::filesystem::create_directories(platform::SerialPort::PortLinkDir());
        const std::string link = platform::SerialPort::PortLinkDir() + "COM1";
        std::filesystem::remove(link);
        std::filesystem::create_symlink(name, link);

        TPlovanSerialGPS gps;  // default poll period
        size_t received = 0;
        gps.OnNewCommand = [&](TPlovanSerialGPS*, const std::string&) { ++received; };
        gps.Open();
        if (!gps.FOpen) {
            state.SkipWithError("open failed");
            return;
        }
        std::atomic<bool> written{false};
        std::thread writer([&] {
            size_t at = 0;
            while (at < hour.size()) {
                const ssize_t n =
                    ::write(master, hour.data() + at, std::min<size_t>(hour.size() - at, 4096));
                if (n > 0)
                    at += static_cast<size_t>(n);
                else if (n < 0 && errno != EINTR && errno != EAGAIN)
                    break;
            }
            written = true;
        });
        const double cpuStart = ThreadCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        QEventLoop loop;
        QTimer check;
        size_t lastReceived = 0;
        auto lastProgress = std::chrono::steady_clock::now();
        QObject::connect(&check, &QTimer::timeout, [&] {
            const auto now = std::chrono::steady_clock::now();
            if (received != lastReceived) lastReceived = received, lastProgress = now;
            if (received >= sentLines || (written && now - lastProgress > std::chrono::seconds(2)))
                loop.quit();
        });
        check.start(10);
        loop.exec();
        const double cpu = ThreadCpuSeconds() - cpuStart;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        gps.Close();
        writer.join();
        ::close(master);
        ::close(slave);
        state.SetIterationTime(wall);
        state.counters["lines_sent"] = static_cast<double>(sentLines);
        state.counters["lines_lost"] =
            static_cast<double>(sentLines - std::min(received, sentLines));
        state.counters["reader_cpu_ms_per_hour_of_data"] = cpu * 1000;
        state.counters["wall_s"] = wall;
        state.counters["bytes_per_s"] = static_cast<double>(hour.size()) / wall;
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PtyHourDefaultPoll)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
