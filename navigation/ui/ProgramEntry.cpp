#include "navigation/ui/ProgramEntry.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <csignal>
#include <exception>
#include <memory>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "devices/ui/TfRTCMParsing.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfJoystick.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "navigation/ui/TformAbout.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Launcher.h"
#include "platform/Styles.h"
#include "tools/SvpHooks.h"
#include "tools/ui/TFMsg.h"
#include "tools/ui/TFShape.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfLatency.h"
#include "tools/ui/TfRunline1.h"
#include "tools/ui/TfSVP.h"
#include "tools/ui/TfTranslationEditor.h"
#include "tools/ui/TfSVPGraph.h"
#include "tools/ui/TfTheme.h"

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
    host.LowFrequencyDepth = [](bool shown) {
        if (!fRealtime) return;
        if (shown)
            fRealtime->ShowLowFrequencyDepth();
        else
            fRealtime->HideLowFrequencyDepth();
    };
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
    // The navigation settings window is visible from its creation.
    Navset = new TNavset(FNav->fcad, FNav->tMap);
    Navset->show();
    FShape = new TFShape();
    FGPS = new TFGPS(DeviceSettingsHost());
    fRealtime = new TfRealtime();
    FMsg = new TFMsg();
    Offsets = new TOffsets();
    formAbout = new TformAbout();
    // The sound velocity window reaches the offsets window's SV edit and bSVP
    // button through hooks, set before it is made, since its creation may
    // already switch the profile on.
    g_SvpHooks.SetManualSvEnabled = [](bool enabled) {
        if (Offsets) Offsets->SV->setEnabled(enabled);
    };
    g_SvpHooks.SetProfileButtonCaption = [](const QString& caption) {
        if (Offsets) Offsets->bSVP->setText(caption);
    };
    g_SvpHooks.MainWindowSave = [] {
        if (FNav) FNav->Save1Click();
    };
    fSVP = new TfSVP();
    fRunline1 = new TfRunline1(FNav->fcad);
    fLatency = new TfLatency();
    fWaterfal = new TfWaterfal();
    fTheme = new TfTheme(FNav->fcad);
    // The battery window is on the screen from its creation.
    fJoystick = new TfJoystick();
    fJoystick->show();
    fSVPGraph = new TfSVPGraph();
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
    const auto freeWindow = [](auto*& window) {
        delete window;
        window = nullptr;
    };
    freeWindow(fTranslationEditor);  // made on first use, so last
    freeWindow(fRTCMParsing);
    freeWindow(frmNTRIPSettings);
    freeWindow(fSVPGraph);
    freeWindow(fJoystick);
    freeWindow(fTheme);
    freeWindow(fWaterfal);
    freeWindow(fLatency);
    freeWindow(fRunline1);
    freeWindow(fSVP);
    g_SvpHooks = TSvpHooks();
    freeWindow(formAbout);
    freeWindow(Offsets);
    freeWindow(FMsg);
    freeWindow(fRealtime);
    freeWindow(FGPS);
    freeWindow(FShape);
    freeWindow(Navset);
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
        const bool restart = FNav && FNav->RestartRequested();
        FreeApplicationWindows();
        // A restart starts the new instance last: the close has auto-saved the
        // project and stored the view, and the freed windows (the NTRIP
        // window among them) have stored their settings.
        if (restart)
            platform::launcher().StartDetached(
                QCoreApplication::applicationFilePath().toStdString(), {});
    } catch (const std::exception& e) {
        platform::ShowMessage(QString::fromUtf8(e.what()));
    } catch (...) {
        platform::ShowMessage(QString());
    }
    return 0;
}
