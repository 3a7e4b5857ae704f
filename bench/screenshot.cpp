// One screenshot cycle on a real X server: the GUI thread's share (the grab
// of every monitor and handing the pictures to the worker, through the main
// window's own timer handler) on one 1920 x 1080 and one 3840 x 2160 head,
// and the worker's level-9 PNG encode and write of that head's picture.
// Goal: the GUI thread's share under 30 ms per 1080p head.
//
// The benchmark starts Xorg with the dummy video driver itself (the packages
// xserver-xorg-core, xserver-xorg-video-dummy and x11-xserver-utils), or
// prints one line saying why it could not and ends.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BestRuns.h"
#include "foundation/DayPaths.h"
#include "navigation/ScreenGrab.h"
#include "navigation/ScreenshotWriter.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"

extern char** environ;

namespace {

constexpr const char* kDummyConf = R"(Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 4096 2400
    EndSubSection
EndSection
)";

std::string g_work;
pid_t g_server = -1;

// Starts Xorg on a display it chooses; empty on success, else why not.
std::string StartServer() {
    char folder[] = "/tmp/phx-bench-screens-XXXXXX";
    if (!mkdtemp(folder)) return "no temporary folder";
    g_work = folder;
    std::ofstream(g_work + "/dummy.conf") << kDummyConf;
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    const std::string fd = std::to_string(fds[1]);
    const std::string conf = g_work + "/dummy.conf", log = g_work + "/xorg.log";
    const char* argv[] = {"Xorg",     "-config",   conf.c_str(), "-noreset", "-nolisten", "tcp",
                          "-logfile", log.c_str(), "-displayfd", fd.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawnp(&g_server, "Xorg", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        g_server = -1;
        return "Xorg cannot start (xserver-xorg-core missing?)";
    }
    std::string display;
    pollfd wait{fds[0], POLLIN, 0};
    while (display.find('\n') == std::string::npos && poll(&wait, 1, 60000) > 0) {
        char buffer[16];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        display.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (display.find('\n') == std::string::npos)
        return "Xorg with the dummy driver did not start (see " + log + ")";
    display.pop_back();
    setenv("DISPLAY", (":" + display).c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return {};
}

void StopServer() {
    if (g_server > 0) {
        kill(g_server, SIGTERM);
        waitpid(g_server, nullptr, 0);
    }
    if (!g_work.empty()) std::filesystem::remove_all(g_work);
}

bool Xrandr(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xrandr"), arguments) == 0;
}

// One head of `width` x `height`, seen by Qt; false when xrandr refused.
bool SetHead(int width, int height) {
    const QString mode = QStringLiteral("%1x%2").arg(width).arg(height);
    static bool added4k = false;
    if (width == 3840 && !added4k) {
        added4k = true;
        // The dummy driver lists no 4K mode of its own (cvt 3840 2160 60).
        Xrandr({"--newmode", mode, "712.75", "3840", "4160", "4576", "5312", "2160", "2163", "2168",
                "2237", "-hsync", "+vsync"});
        Xrandr({"--addmode", "DUMMY0", mode});
    }
    if (!Xrandr({"--output", "DUMMY0", "--mode", mode, "--pos", "0x0"})) return false;
    QElapsedTimer waited;
    waited.start();
    while (QGuiApplication::primaryScreen()->geometry().size() != QSize(width, height)) {
        if (waited.elapsed() > 30000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// The main window filling the head, as a survey shows it.
void ShowMainWindow(TFNav& nav) {
    nav.setGeometry(QGuiApplication::primaryScreen()->geometry());
    nav.show();
    nav.tScreenshot->stop();
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void GuiThreadCycle(benchmark::State& state, int width, int height) {
    if (!SetHead(width, height)) {
        state.SkipWithError("xrandr could not set the head");
        return;
    }
    TFNav nav;
    ShowMainWindow(nav);
    const std::string name =
        "GuiThreadCycle/" + std::to_string(width) + "x" + std::to_string(height);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        nav.tScreenshotTimer();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        Record(name, took.count());
        nav.WaitForScreenshots(120000);  // the next cycle would be skipped
    }
}

void EncodeAndWrite(benchmark::State& state, int width, int height) {
    if (!SetHead(width, height)) {
        state.SkipWithError("xrandr could not set the head");
        return;
    }
    TFNav nav;
    ShowMainWindow(nav);
    const QImage picture = GrabScreens().front().image;
    const std::string path = g_work + "/bench.png";
    const std::string name =
        "EncodeAndWrite/" + std::to_string(width) + "x" + std::to_string(height);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::string error = WriteScreenshotPng(picture, path);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!error.empty()) state.SkipWithError(error.c_str());
        state.SetIterationTime(took.count());
        Record(name, took.count());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string why = StartServer();
    if (!why.empty()) {
        std::printf("bench_screenshot: skipped: %s\n", why.c_str());
        StopServer();
        return 0;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
    setenv("HOME", g_work.c_str(), 1);
    setenv("APPDATA", (g_work + "/appdata").c_str(), 1);
    InitDayPaths();

    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        benchmark::RegisterBenchmark(("GuiThreadCycle/" + size).c_str(), GuiThreadCycle, w, h)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(10);
        benchmark::RegisterBenchmark(("EncodeAndWrite/" + size).c_str(), EncodeAndWrite, w, h)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nbest runs (goal: the GUI thread's share under 30 ms per 1080p head)\n");
    for (const auto& [name, seconds] : Best())
        std::printf("  %-28s %8.1f ms\n", name.c_str(), seconds * 1e3);
    StopServer();
    return 0;
}
