// The main window's survey handlers: realtime start and stop, the GNSS
// reader's events and the sounder's depth lines. They gather the live values,
// call the survey logic (navigation/GnssSentences, DepthPipeline,
// SoundingRowWriter, GeodesySessionLog) and show what it returns.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <tuple>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/EventLog.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/GeodesySessionLog.h"
#include "navigation/MapTick.h"
#include "navigation/StandardLayers.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfJoystick.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "platform/Clock.h"
#include "platform/HandlerGuard.h"
#include "platform/VclText.h"
#include "tools/ui/TFMsg.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfSVP.h"

namespace {

constexpr TColor kShallowColour = clRed;
constexpr int32_t kDefaultBackground = 0xFFFFFF;
// The GNSS monitor of the device settings window.
constexpr uint32_t kMonitorRunning = 0xFFFFFF, kMonitorTimedOut = 0x0000FF;

std::string Translated(const char* text) {
    return g_LanguageManager ? g_LanguageManager->Translate(text) : std::string(text);
}

// A tick count of 0 means "none"; a tick at the wrap takes 1.
uint32_t NonZeroTick() {
    const uint32_t tick = platform::TickCount();
    return tick == 0 ? 1 : tick;
}

}  // namespace

TFNavLinks ApplicationLinks() {
    TFNavLinks links;
    links.Message = [](const QString& text, bool show) {
        if (FMsg) FMsg->AddMessage(text, show);
    };
    links.OffsetsVisible = [] { return Offsets && Offsets->isVisible(); };
    links.Offsets = [] {
        OffsetsCopy copy;
        if (!Offsets) return copy;
        const OffsetsValues& values = Offsets->Values();
        copy.Draft = values.Draft.Get();
        copy.SoundVelocity = values.SoundVelocity.Get();
        copy.AntennaHeight = values.AntennaHeight.Get();
        copy.Tide = values.Tide.Get();
        return copy;
    };
    links.DepthAlert = []() -> std::optional<double> {
        return Navset ? Navset->Values().DepthAlert.Get() : std::nullopt;
    };
    links.NormalBackground = [] {
        return static_cast<int32_t>(Navset ? Navset->Values().BackgroundColor : kDefaultBackground);
    };
    links.Profile = [] {
        ProfileColumn profile;
        if (!fSVP || !fSVP->cUseSVP->isChecked()) return profile;
        profile.inUse = true;
        profile.lines = fSVP->Lists().column;
        return profile;
    };
    return links;
}

void TFNav::PortMessage(const std::string& text, bool show) {
    g_LastPortMessage = QString::fromStdString(text);
    if (Links.Message) Links.Message(g_LastPortMessage, show);
    AppendEventLog(text, EventLogPath());
}

void TFNav::SurveyFault(const std::string& text) {
    const QString message = QString::fromStdString(text);
    if (Links.Message) Links.Message(message, true);
    // The fault stays in panel 5 over the text of the line that caused it.
    FDepthStatus.reset();
    if (sStatusBar->PanelCount() >= 6) {
        sStatusBar->SetPanelText(5, message);
        sStatusBar->SetPanelWidth(5, sStatusBar->TextWidth(message) + 20);
    }
    AppendEventLog(text, EventLogPath());
}

void TFNav::SetRealtimeDown(bool down) {
    FRealtimeDown = down;
    const QSignalBlocker block(bRealtime);
    bRealtime->setChecked(down);
}

void TFNav::ConnectIconClick() {
    if (FGPS) FGPS->show();
}

void TFNav::bRealtimeClick() {
    if (g_Survey.RealtimeRunning)
        StopRealtime();
    else
        StartRealtime();
}

void TFNav::StartRealtime() {
    // 1.
    WriteGeodesySessionLog();
    // The offsets copies come from the window at once, not only with the
    // first GNSS line while it is hidden.
    if (Links.Offsets) CopyOffsets(g_Survey, Links.Offsets());
    // 2. An Apply that refuses a text has said why; Start ends there.
    if (FGPS && (!FGPS->GPSSetClick() || !FGPS->SensorSetClick())) return;
    // The set the record just named, for this whole session.
    ReadGeodeticSet();
    // Nothing of the last session's fix stands for this one: no row takes
    // its position and no track line joins its last point.
    g_Survey.GnssLatitude = g_Survey.GnssLongitude = g_Survey.GnssHeight = 0;
    g_Survey.LastFixTick = 0;
    StartNewTrack(g_Survey.MapTick);
    ShowNoFix();
    if (!FCsvWriter) {
        const SoundingRowWriter::Hooks hooks{[] { return EnsureDataFolders(); },
                                             [this](const std::string& t) { SurveyFault(t); }};
        FCsvWriter = std::make_unique<SoundingRowWriter>(kRawCsvHeader, hooks);
        FXyzWriter = std::make_unique<SoundingRowWriter>(kSimpleXyzHeader, hooks);
    }
    // 3. A port that does not open is said, and realtime still starts.
    ZGPS1->Open();
    g_Survey.RealtimeStartTick = NonZeroTick();
    if (!ZGPS1->FOpen)
        SurveyFault("GPS port " + TPlovanSerialGPS::PortName(ZGPS1->FPortNumber) +
                    " could not be opened: " + ZGPS1->LastOpenError());
    // 4.
    if (FGPS && FGPS->IsSensorEnabled()) {
        const std::string port = TPlovanSerialGPS::PortName(ZSENSOR->FPortNumber);
        try {
            ZSENSOR->Open();
            if (ZSENSOR->FOpen) {
                if (Links.Message)
                    Links.Message(QString::fromStdString("ZSENSOR Open called on port: " + port),
                                  false);
            } else {
                const std::string why = ZSENSOR->LastOpenError();
                if (Links.Message)
                    Links.Message(QString::fromStdString("ZSENSOR Open failed: " + why), true);
                AppendEventLog("Sensor port " + port + " could not be opened: " + why,
                               EventLogPath());
            }
        } catch (const std::exception& e) {
            if (Links.Message)
                Links.Message(
                    QString::fromStdString(std::string("ZSENSOR Open failed: ") + e.what()), true);
        } catch (...) {
            if (Links.Message)
                Links.Message(QStringLiteral("ZSENSOR Open failed with unknown error"), true);
        }
        tEchogram->start();
        g_Survey.SensorStartTick = platform::TickCount();
        g_Survey.SensorTimedOut = false;
        // The first sounder line shows the depth frames again.
        if (fRealtime) {
            fRealtime->DepthFrameHi->hide();
            fRealtime->DepthFrameLo->hide();
        }
    } else if (fRealtime) {
        fRealtime->DepthFrameHi->hide();
        fRealtime->DepthFrameLo->hide();
        fRealtime->SetClientHeight(kRealtimeNoDepthHeight);
    }
    // 5.
    bRealtime->setText(QString::fromStdString(Translated("Stop")));
    tRealtime->setStyleSheet("QToolBar { border: 0px; background: #008000; }");
    // 6.
    AppendEventLog("Realtime STARTED", EventLogPath());
    // 7.
    g_Survey.RealtimeRunning = true;
}

void TFNav::StopRealtime() {
    // 1. Closing the open GNSS port reports the disconnect.
    ZGPS1->Close();
    ZSENSOR->Close();
    g_Survey.LastFixTick = 0;
    ShowNoFix();
    if (fcad) fcad->SetDepth(0, 0, fcad->FDepthValid != 0);
    // The row files are let go with the ports (held rows written when they
    // can be), so the medium they are on can be taken out.
    if (FCsvWriter) {
        FCsvWriter->Flush(g_CoordinatesCsvPath);
        FXyzWriter->Flush(g_XyzDir + g_SessionDate + " Simple XYZ.csv");
    }
    if (FEventLines) FEventLines->Retry(EventLogPath());
    // 2.
    tMap->stop();
    tEchogram->stop();
    // 3.
    g_Survey.SensorDisplaysShown = false;
    g_Survey.LastSensorTick = 0;
    g_Survey.SensorStartTick = 0;
    g_Survey.SensorTimedOut = false;
    g_Survey.RealtimeStartTick = 0;
    // 4.
    if (fWaterfal) fWaterfal->hide();
    // 5.
    bRealtime->setText(QString::fromStdString(Translated("Start")));
    tRealtime->setStyleSheet("QToolBar { border: 0px; }");
    // 6.
    AppendEventLog("Realtime STOPPED", EventLogPath());
    // 7.
    g_Survey.RealtimeRunning = false;
}

RetryingWriter& TFNav::GeodesyRecord() {
    if (!FGeodesyRecord)
        FGeodesyRecord = std::make_unique<RetryingWriter>(
            "Geodesy records",
            [](const std::string& path, const std::deque<std::string>& blocks, std::string& why) {
                return AppendGeodesyBlocks(path, blocks, platform::Now(), &why);
            },
            RetryingWriter::Hooks{[] { return MakeDataFolders(); },
                                  [this](const std::string& t) { SurveyFault(t); }});
    return *FGeodesyRecord;
}

void TFNav::ReadGeodeticSet() {
    if (!FGPS) return;
    DropGeodesyCache(g_Survey.MapTick);
    std::string why;
    MapFaultCleared("geodesy");
    if (!CacheGeodesy(g_Survey.MapTick, FGPS->Values(), &why)) GeodesyRefused(why);
}

void TFNav::GeodesyRefused(const std::string& why) {
    g_Survey.GridEasting = g_Survey.GridNorthing = 0;
    MapFault("geodesy", "The geodetic parameters cannot be used: " + why +
                            " No grid position and no XYZ row is made until Realtime starts "
                            "with parameters that can be used.");
}

bool TFNav::PositionIsFresh() const {
    // A device that went away leaves the reader open with its port lost.
    return PositionFresh(g_Survey, platform::TickCount(), ZGPS1->FOpen && !ZGPS1->PortLost());
}

void TFNav::ShowNoFix() {
    g_Survey.FixQuality = 0;
    // The next fresh fix paints its colour again, whatever it was before.
    g_Survey.ShownFixQuality = 0;
    g_Survey.PositionStatusText = kNoFixStatusText;
    if (fRealtime) fRealtime->ShowNoFix();
    if (fcad) fcad->SetSpeed(kNoSpeed, true);
}

void TFNav::GnssGone() {
    tMap->stop();
    FMapPausedByDrawing = false;
    g_Survey.LastFixTick = 0;
    ShowNoFix();
}

void TFNav::StartMapTick() {
    tMap->start();
    if (fRealtime) fRealtime->SetGpsColor(kFrameLime);
    if (FGPS) FGPS->SetGpsMemoColor(kMonitorRunning);
}

bool TFNav::DrawingInProgress() const { return fcad && (fcad->FDrawing || fcad->FHasStartPoint); }

void TFNav::WriteGeodesySessionLog() {
    if (!FGPS) return;
    const platform::DateTime now = platform::Now();
    GeodesyRecord().Write(GeodesyLogPath(g_LogDir, now), GeodesySessionText(FGPS->Values(), now));
}

void TFNav::ZGPS1Connect(int port) {
    PortMessage("Connected to GPS on " + TPlovanSerialGPS::PortName(port), false);
    SetRealtimeDown(true);
    if (!fcad) return;
    // A drawing that lost its vessel layer gets it back rather than an id of -1.
    const int vessel = fcad->FindLayer(QString::fromUtf8(kVesselLayerName));
    if (vessel >= 0)
        g_Survey.VesselLayerId = vessel;
    else
        EnsureStandardLayers(fcad);
}

void TFNav::ZGPS1Disconnect(int port) {
    GnssGone();
    PortMessage("Disconnected from GPS on " + TPlovanSerialGPS::PortName(port), true);
    SetRealtimeDown(false);
}

void TFNav::ZGPS1Idle() {
    GnssGone();
    g_Survey.GnssLatitude = 0;
    g_Survey.GnssLongitude = 0;
    PortMessage("GPS is idle!", true);
}

void TFNav::ZGPS1Timeout() {
    PortMessage("GPS Timeout!", true);
    if (FGPS) FGPS->SetGpsMemoColor(kMonitorTimedOut);
}

namespace {

std::string PortTitle(const TPlovanSerialGPS* reader, const TPlovanSerialGPS* gnss) {
    return std::string(reader == gnss ? "GPS port " : "Sensor port ") +
           TPlovanSerialGPS::PortName(reader->FPortNumber);
}

}  // namespace

void TFNav::PortLost(TPlovanSerialGPS* reader, const std::string& why) {
    // No fix comes from a device that is gone; the next line after its
    // return starts the tick again.
    if (reader == ZGPS1) GnssGone();
    const std::string text = PortTitle(reader, ZGPS1) + " lost: " + why;
    g_LastPortMessage = QString::fromStdString(text);
    SurveyFault(text);
}

void TFNav::PortReopened(TPlovanSerialGPS* reader) {
    const std::string text = PortTitle(reader, ZGPS1) + " reopened";
    g_LastPortMessage = QString::fromStdString(text);
    SurveyFault(text);
}

void TFNav::ZGPS1Send(const std::string& text) {
    PortMessage("Command sent to device: " + text, true);
}

void TFNav::ZSENSORTimeout() {
    // A lost sounder's silence was said with its loss.
    if (!ZSENSOR->PortLost()) PortMessage("Sensor TimeOut.", true);
    if (fRealtime) fRealtime->SetDepthFramesColor(kFrameRed);
}

void TFNav::ZGPS1NewCommand(const std::string& line) {
    // A drawing in progress holds the map still: the tick it paused, or the
    // one this line would start, runs when the drawing ends. A drawing
    // cancelled without its end lets the next line start the tick.
    const bool drawing = DrawingInProgress();
    if (!drawing) FMapPausedByDrawing = false;
    GnssLineContext context;
    context.mapTickEnabled = tMap->isActive() || FMapPausedByDrawing;
    context.offsetsHidden = !(Links.OffsetsVisible && Links.OffsetsVisible());
    if (context.offsetsHidden && Links.Offsets) context.offsets = Links.Offsets();
    context.corrupt = ZGPS1->LastLineChecksumFailed();
    context.readerFixQuality = ZGPS1->GetFixQuality();
    context.positionFresh = PositionIsFresh();
    if (FGPS && FEchoRawSentences) FGPS->EchoGnssLine(line);
    const GnssLineEffects effects = ApplyGnssLine(g_Survey, line, context);
    if (effects.fixArrived) g_Survey.LastFixTick = NonZeroTick();
    if (effects.fixLost) g_Survey.LastFixTick = 0;
    if (effects.startMapTick) {
        if (drawing)
            FMapPausedByDrawing = true;
        else
            StartMapTick();
    }
    if (effects.fixColour && fRealtime) fRealtime->SetGpsColor(FixColourValue(*effects.fixColour));
}

void TFNav::ZGPS1Position3DChange(double latitude, double longitude, double altitude) {
    g_Survey.GnssLatitude = latitude;
    g_Survey.GnssLongitude = longitude;
    g_Survey.GnssHeight = altitude;
    g_Survey.MapLatitude = latitude;
    g_Survey.MapLongitude = longitude;
}

void TFNav::ZGPS1SpeedChange(double speedKmh) {
    if (fRealtime)
        fRealtime->Speed->setText(QString::fromStdString(
            platform::FloatToStrF(speedKmh / 1.852, platform::FloatFormat::Fixed, 15, 1)));
}

void TFNav::ZSENSORNewCommand(const std::string& line) {
    // 1. The watchdog is fed by every line, a corrupt one too.
    g_Survey.LastSensorTick = platform::TickCount();
    g_Survey.SensorTimedOut = false;
    // 2. The first line of a sounder run shows the echogram and the frames.
    const std::string messageType = FGPS ? FGPS->SBESMessageText() : std::string();
    if (!g_Survey.SensorDisplaysShown) {
        if (fWaterfal) fWaterfal->show();
        if (fRealtime) {
            fRealtime->DepthFrameHi->show();
            if (messageType == "Plovan XDR LO" || messageType == "Plovan XDR H/L")
                fRealtime->DepthFrameLo->show();
        }
    }
    g_Survey.SensorDisplaysShown = true;
    // 3.
    if (FGPS && FEchoRawSentences) FGPS->EchoSensorLine(line);
    // 4.
    if (fRealtime) fRealtime->SetDepthFramesColor(kFrameLime);

    // 5 to 10.
    DepthLineInputs in;
    if (FGPS) {
        in.messageType = messageType;
        in.format = &FGPS->SBESScanFormat();
    }
    in.draft =
        Links.Offsets ? Links.Offsets().Draft : std::optional<double>(g_Survey.TransducerDraft);
    in.alertDepth =
        Links.DepthAlert ? Links.DepthAlert() : std::optional<double>(g_Survey.ShallowAlarmDepth);
    if (Links.Profile) in.profile = Links.Profile();
    in.corrupt = ZSENSOR->LastLineChecksumFailed();
    in.realtimeDown = FRealtimeDown;
    in.fixQuality = ZGPS1->GetFixQuality();
    in.positionFresh = PositionIsFresh();
    in.grid = GridOfLatestFix(g_Survey);
    in.now = platform::Now();
    const DepthLineResult result = FDepthPipeline.Process(g_Survey, line, in);
    for (const auto& [note, text] : result.notes) {
        (void)note;
        if (Links.Message) Links.Message(QString::fromStdString(text), true);
    }
    if (result.parse == DepthLineResult::Parse::Ignored) return;
    QueueDepthStatus(result.statusText);
    if (fRealtime)
        fRealtime->SetDepthTexts(QString::fromStdString(result.highText),
                                 QString::fromStdString(result.lowText));
    if (result.batteryVolts && fJoystick)
        fJoystick->pBattery->setText(QString::fromStdString(
            platform::FloatToStrF(*result.batteryVolts, platform::FloatFormat::Fixed, 15, 2)));
    // The canvas's own colour is compared: a background changed meanwhile
    // (the theme window) is put right by the next line.
    if (result.shallow && fcad) {
        const TColor wanted =
            *result.shallow ? kShallowColour
                            : static_cast<TColor>(Links.NormalBackground ? Links.NormalBackground()
                                                                         : kDefaultBackground);
        if (fcad->FBackgroundColor != wanted) {
            fcad->SetBackgroundColor(wanted);
            fcad->update();
        }
    }

    // 11 to 17: both files through their writers, the XYZ row on its own.
    g_RawCsvHeader = kRawCsvHeader;
    if (!FCsvWriter) return;
    if (result.csvRow)
        FCsvWriter->Write(g_CoordinatesCsvPath, *result.csvRow);
    else
        FCsvWriter->Touch(g_CoordinatesCsvPath);
    if (result.xyzRow)
        FXyzWriter->Write(g_XyzDir + g_SessionDate + " Simple XYZ.csv", *result.xyzRow);
}

void TFNav::QueueDepthStatus(std::string text) {
    FDepthStatus = std::move(text);
    if (!FDepthStatusTimer) {
        FDepthStatusTimer = new QTimer(this);
        FDepthStatusTimer->setSingleShot(true);
        FDepthStatusTimer->setInterval(0);
        connect(FDepthStatusTimer, &QTimer::timeout, this,
                [this] { platform::GuardHandler([this] { ShowDepthStatus(); }); });
    }
    if (!FDepthStatusTimer->isActive()) FDepthStatusTimer->start();
}

void TFNav::ShowDepthStatus() {
    if (!FDepthStatus) return;
    const std::string text = std::move(*FDepthStatus);
    FDepthStatus.reset();
    // A lost port stays said in the panel until it is back, over the lines
    // of the other port.
    if (ZGPS1->PortLost() || ZSENSOR->PortLost()) return;
    if (sStatusBar->PanelCount() < 6) return;
    const QString status = QString::fromLatin1(text.data(), static_cast<int>(text.size()));
    sStatusBar->SetPanelText(5, status);
    sStatusBar->SetPanelWidth(5, sStatusBar->TextWidth(status) + 20);
}

void TFNav::FlushSoundingRows() {
    // Held event lines and geodesy blocks get their last chance too; those
    // beyond the hold's cap were lost already and count among them.
    const std::tuple<RetryingWriter*, std::string, const char*> records[] = {
        {FEventLines.get(), EventLogPath(), "event lines"},
        {FGeodesyRecord.get(), GeodesyLogPath(g_LogDir, platform::Now()), "geodesy records"}};
    for (const auto& [writer, path, what] : records)
        if (writer && !writer->Retry(path))
            SurveyFault(std::to_string(writer->Held() + writer->Lost()) + " " + what +
                        " were lost at the close.");
    const std::pair<SoundingRowWriter*, std::string> files[] = {
        {FCsvWriter.get(), g_CoordinatesCsvPath},
        {FXyzWriter.get(), g_XyzDir + g_SessionDate + " Simple XYZ.csv"}};
    for (const auto& [writer, path] : files) {
        if (!writer) continue;
        const size_t lost = writer->Flush(path);
        if (lost > 0)
            AppendEventLog(
                std::to_string(lost) + " sounding rows for " + path + " were lost at the close.",
                EventLogPath());
    }
}
