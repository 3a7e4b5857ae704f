// Corrections from a loopback caster through the NTRIP client to a
// pseudo-terminal standing for the GNSS port: bytes per second, and the
// latency from a frame leaving the caster to its last byte reaching the pty
// (median and 99th percentile, in microseconds).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/TPlovanNTRIPClient.h"
#include "platform/SerialPort.h"
#include "tests/support/FakeCaster.h"

namespace {

using Clock = std::chrono::steady_clock;

// Blocks the benchmark hands to the caster, each sent when it is taken.
struct Outbox {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::string> blocks;
    Clock::time_point lastSent;
    std::atomic<bool> closing{false};

    void Post(std::string block) {
        std::lock_guard lock(mutex);
        blocks.push_back(std::move(block));
        ready.notify_one();
    }
};

// Reads the pty master on its own thread, as a receiver would take the bytes.
class PtyReader {
  public:
    explicit PtyReader(int master) : master_(master), thread_([this] { Run(); }) {}
    ~PtyReader() {
        stop_ = true;
        thread_.join();
    }
    uint64_t total() const { return total_.load(); }
    Clock::time_point lastRead() const {
        return Clock::time_point(Clock::duration(lastRead_.load()));
    }

  private:
    void Run() {
        std::vector<char> buffer(1 << 16);
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::read(master_, buffer.data(), buffer.size());
            if (n <= 0) continue;
            lastRead_ = Clock::now().time_since_epoch().count();
            total_ += static_cast<uint64_t>(n);
        }
    }

    int master_;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> total_{0};
    std::atomic<Clock::rep> lastRead_{0};
    std::thread thread_;
};

// Caster, client and pty wired together for one benchmark.
struct Rig {
    Outbox outbox;
    phxtest::FakeCaster caster{[this](phxtest::FakeCaster::Connection& c) {
        if (!c.ReadRequest()) return;
        c.Send("ICY 200 OK\r\n");
        while (!outbox.closing) {
            std::unique_lock lock(outbox.mutex);
            if (!outbox.ready.wait_for(lock, std::chrono::milliseconds(20),
                                       [&] { return !outbox.blocks.empty(); })) {
                continue;
            }
            std::string block = std::move(outbox.blocks.front());
            outbox.blocks.pop_front();
            outbox.lastSent = Clock::now();
            lock.unlock();
            if (!c.Send(block)) return;
        }
    }};
    int master = -1;
    int slave = -1;
    std::unique_ptr<PtyReader> reader;
    std::shared_ptr<platform::SerialPort> port = platform::SerialPort::Create();
    std::unique_ptr<TPlovanNTRIPClient> client = std::make_unique<TPlovanNTRIPClient>();
    bool ok = false;

    Rig() {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
        if (!port->OpenDevice(name, platform::SerialSettings{})) return;
        reader = std::make_unique<PtyReader>(master);
        client->FHost = "127.0.0.1";
        client->FPort = caster.port();
        client->FMountPoint = "MNT";
        client->FAutoReconnect = false;
        client->SetSerialHandle(port);
        client->Connect();
        ok = Pump([&] { return client->FConnected.load(); }, 5000);
    }
    ~Rig() {
        outbox.closing = true;
        client.reset();
        port->Close();
        reader.reset();
        ::close(slave);
        ::close(master);
    }

    // Hands `block` to the caster and runs the event loop until its last
    // byte has reached the pty.
    bool SendAndWait(const std::string& block) {
        expected += block.size();
        outbox.Post(block);
        return Pump([&] { return reader->total() >= expected; }, 10000);
    }
    uint64_t expected = 0;

    // Runs the GUI thread's event loop (the client's calls) until `done`.
    template <typename Done>
    static bool Pump(Done done, int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (Clock::now() > deadline) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        return true;
    }
};

std::string Payload(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i * 31 % 251);
    return bytes;
}

void BM_NtripThroughput(benchmark::State& state) {
    Rig rig;
    if (!rig.ok) {
        state.SkipWithError("rig did not connect");
        return;
    }
    const std::string block = Payload(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        if (!rig.SendAndWait(block)) {
            state.SkipWithError("bytes did not reach the pty");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_NtripThroughput)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NtripFrameLatency(benchmark::State& state) {
    Rig rig;
    if (!rig.ok) {
        state.SkipWithError("rig did not connect");
        return;
    }
    // A typical observation message is a few hundred bytes.
    const std::string frame = Payload(static_cast<size_t>(state.range(0)));
    std::vector<double> latenciesUs;
    for (auto _ : state) {
        if (!rig.SendAndWait(frame)) {
            state.SkipWithError("frame did not reach the pty");
            return;
        }
        Clock::time_point sent;
        {
            std::lock_guard lock(rig.outbox.mutex);
            sent = rig.outbox.lastSent;
        }
        latenciesUs.push_back(
            std::chrono::duration<double, std::micro>(rig.reader->lastRead() - sent).count());
    }
    std::sort(latenciesUs.begin(), latenciesUs.end());
    if (!latenciesUs.empty()) {
        state.counters["median_us"] = latenciesUs[latenciesUs.size() / 2];
        state.counters["p99_us"] =
            latenciesUs[std::min(latenciesUs.size() - 1, latenciesUs.size() * 99 / 100)];
    }
}
BENCHMARK(BM_NtripFrameLatency)
    ->Arg(200)
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
