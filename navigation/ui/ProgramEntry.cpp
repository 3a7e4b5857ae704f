#include "navigation/ui/ProgramEntry.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <exception>
#include <memory>

#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TfRTCMParsing.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "canvas/PlovanCanvas.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DisplayValues.h"
#include "navigation/ui/TFNav.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Styles.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP (a session that ends, a service stop, Ctrl+C in
// a terminal) close the main window as its close button does, so the ports
// are closed and the project and settings are saved.
std::unique_ptr<QSocketNotifier> WatchTerminationSignals(QApplication& app) {
    if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
    auto notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &app, [&app] {
        platform::GuardHandler([&app] {
            char buffer[16];
            while (read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
            }
            if (FNav && FNav->isVisible())
                FNav->close();
            else
                app.quit();
        });
    });
    return notifier;
}

// What the device settings window reaches of the main window.
TFGPSHost DeviceSettingsHost() {
    TFGPSHost host;
    host.Canvas = []() -> TPlovanCanvas* { return FNav ? FNav->fcad : nullptr; };
    host.ScreenshotTimer = []() -> QTimer* { return FNav ? FNav->tScreenshot : nullptr; };
    host.GnssReader = []() -> TPlovanSerialGPS* { return FNav ? FNav->ZGPS1 : nullptr; };
    host.SensorReader = []() -> TPlovanSerialGPS* { return FNav ? FNav->ZSENSOR : nullptr; };
    host.EchoRawSentences = [] { return FNav && FNav->FEchoRawSentences; };
    host.SetEchoRawSentences = [](bool on) {
        if (FNav) FNav->FEchoRawSentences = on;
    };
    // The realtime window's HideLowFrequencyDepth and ShowLowFrequencyDepth
    // join here (LowFrequencyDepth) once that window exists.
    return host;
}

}  // namespace

StartupSettings ReadStartupSettings() {
    StartupSettings settings;
    const platform::IniFile ini(SettingsFilePath());
    settings.ThemeStyle = ini.ReadString("APPLICATION", "ThemeStyle", settings.ThemeStyle);
    g_Display.OverlayFontSize = ini.ReadInteger("OVERLAY_SETTINGS", "FontSize", 40);
    g_Display.OverlayDepthColor =
        static_cast<uint32_t>(ini.ReadInteger("OVERLAY_SETTINGS", "DepthColor", 0x800000));
    g_Display.OverlaySpeedColor =
        static_cast<uint32_t>(ini.ReadInteger("OVERLAY_SETTINGS", "SpeedColor", 0));
    return settings;
}

void ApplyStartupTheme(const std::string& themeStyle) {
    if (themeStyle != "Plovan HX - Default") platform::TrySetStyle(themeStyle, true);
}

void CreateApplicationWindows() {
    FNav = new TFNav();
    // The navigation settings window (Navset) is created here.
    // The vessel shape window (FShape) is created here.
    FGPS = new TFGPS(DeviceSettingsHost());
    // The realtime window (fRealtime) is created here.
    // The message window (FMsg) is created here.
    // The offsets window (Offsets) is created here.
    // The about window (formAbout) is created here.
    // The sound velocity profile window (fSVP) is created here.
    // The runline generator (fRunline1) is created here.
    // The latency window (fLatency) is created here.
    // The echogram window (fWaterfal) is created here.
    // The theme window (fTheme) is created here.
    // The battery window (fJoystick) is created here.
    // The profile graph (fSVPGraph) is created here.
    frmNTRIPSettings = new TfrmNTRIPSettings();
    // The GNSS reader's port object from the start, so corrections reach the
    // receiver however the connection is started.
    frmNTRIPSettings->AttachGPSPort(FNav->ZGPS1->FHandle, [] {
        return FNav && FNav->ZGPS1 ? TPlovanSerialGPS::PortName(FNav->ZGPS1->FPortNumber)
                                   : std::string();
    });
    fRTCMParsing = new TfRTCMParsing();
}

void FreeApplicationWindows() {
    // The windows made after the main window are freed here, last first.
    delete fRTCMParsing;
    fRTCMParsing = nullptr;
    delete frmNTRIPSettings;
    frmNTRIPSettings = nullptr;
    delete FGPS;
    FGPS = nullptr;
    delete FNav;
    FNav = nullptr;
}

int RunProgram(QApplication& app, const StartupSettings& settings) {
    try {
        ApplyStartupTheme(settings.ThemeStyle);
        QApplication::setApplicationName(QStringLiteral("Plovan HX"));
        QApplication::setApplicationDisplayName(QString());
        const auto signalWatch = WatchTerminationSignals(app);
        // Under a file-size limit a write fails with an error the saves
        // report, instead of the signal ending the program.
        std::signal(SIGXFSZ, SIG_IGN);
        CreateApplicationWindows();
        FNav->show();
        QApplication::exec();
        FreeApplicationWindows();
    } catch (const std::exception& e) {
        platform::ShowMessage(QString::fromUtf8(e.what()));
    } catch (...) {
        platform::ShowMessage(QString());
    }
    return 0;
}
