// The NTRIP settings window's part in the correction stream: its own output
// port, each received chunk (forwarding and the base-station watch), the
// 500 ms status timer and the RTCM report.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>

#include "devices/NtripSettings.h"
#include "devices/OutputPortWriter.h"
#include "devices/Rtcm3.h"
#include "devices/RtcmReport.h"
#include "devices/TPlovanNTRIPClient.h"
#include "devices/ui/TfRTCMParsing.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/SerialPort.h"
#include "platform/VclText.h"

namespace {

// SerialPort's reasons for a port that could not be opened at all, as
// against one that opened but refused its settings.
bool IsOpenFailure(const std::string& reason) {
    for (const char* prefix : {"no such port", "cannot open", "port in use"})
        if (reason.rfind(prefix, 0) == 0) return true;
    return false;
}

}  // namespace

void TfrmNTRIPSettings::chkOutputPortClick() {
    if (!FLoading) FStoredOutput.reset();
    if (chkOutputPort->isChecked())
        OpenOutputPort();
    else
        CloseOutputPort();
    SaveSettings();
}

void TfrmNTRIPSettings::OpenOutputPort() {
    if (FOutputEnabled) CloseOutputPort();
    const int index = boxOutputPort->currentIndex();
    if (index < 0) {
        AddLog("No output port selected");
        chkOutputPort->setChecked(false);
        return;
    }
    if (index == 0) {
        FOutputHandle.reset();
        FOutputEnabled = true;
        if (FClient) FClient->FForwardToSerial = true;
        AddLog("Output enabled: Using GPS input port");
        return;
    }
    if (FClient) FClient->FForwardToSerial = false;
    const std::string name = boxOutputPort->itemText(index).toStdString();
    platform::SerialSettings settings;
    settings.baudRate = devices::OutputBaudRate(boxOutputBaud->currentIndex());
    settings.dataBits = 8;
    settings.parity = platform::Parity::None;
    settings.twoStopBits = false;
    settings.dtr = true;
    settings.rts = true;
    auto port = platform::SerialPort::Create();
    if (!port->OpenName(name, settings)) {
        AddLog(IsOpenFailure(port->LastError()) ? "Failed to open output port: " + name
                                                : std::string("Failed to configure output port"));
        chkOutputPort->setChecked(false);
        return;
    }
    FOutputHandle = port;
    FOutputWriter = std::make_unique<devices::OutputPortWriter>(port);
    FOutputEnabled = true;
    AddLog("Output port opened: " + name + " @ " + platform::IntToStr(settings.baudRate));
}

void TfrmNTRIPSettings::CloseOutputPort() {
    if (FOutputHandle) {
        // The port closes first: a write stalled on it gives up at once, so
        // the writer thread ends without the GUI waiting out its bound.
        FOutputHandle->Close();
        FOutputWriter.reset();
        FOutputHandle.reset();
        AddLog("Output port closed");
    }
    FOutputEnabled = false;
    if (FClient) FClient->FForwardToSerial = true;
}

bool TfrmNTRIPSettings::DrainOutput(int timeoutMs) {
    return !FOutputWriter || FOutputWriter->Drain(timeoutMs);
}

void TfrmNTRIPSettings::WriteToOutputPort(const char* bytes, int32_t count) {
    if (!FOutputEnabled || boxOutputPort->currentIndex() == 0 || !FOutputHandle || !FOutputWriter)
        return;
    // A slow port loses whole chunks rather than holding up the GUI thread
    // (and with it the serial readers); one line per run of losses.
    const auto result = FOutputWriter->Enqueue(std::string_view(bytes, static_cast<size_t>(count)));
    if (result == devices::OutputPortWriter::Result::DroppedFirst)
        AddLog("Output port too slow - data dropped");
}

void TfrmNTRIPSettings::ClientDataReceived(const char* bytes, int32_t count) {
    FLastDataTime = FMonotonicClock();
    if (count <= 0) return;
    if (FOutputEnabled && FOutputHandle) WriteToOutputPort(bytes, count);
    for (const rtcm3::BaseStation& station :
         FBaseWatch.Observe(std::string_view(bytes, static_cast<size_t>(count)))) {
        AddLog(rtcm3::BaseStationText(station));
        // Only into a LOG folder of today that exists; a failure costs the line.
        rtcm3::AppendBaseStationEvent(platform::VlmRoot(), platform::Now(), station);
    }
}

void TfrmNTRIPSettings::tmrUpdateTimer() {
    AnnounceAttachedPort();
    if (!FClient) return;
    if (FAutoConnectPending) {
        FAutoConnectPending = false;
        if (!FClient->FConnected.load()) {
            AddLog("Auto-reconnecting...");
            btnConnectClick();
        }
    }
    if (FDataFlowing && FClient->FConnected.load() &&
        FMonotonicClock() - FLastDataTime > kDataSilence && !isVisible()) {
        show();
        AddLog("No data received for 30 seconds - showing NTRIP settings");
    }
    const int64_t received = FClient->FBytesReceived.load();
    lblBytesReceivedValue->setText(QString::fromStdString(devices::ByteCountText(received)));
    lblBytesSentValue->setText(
        QString::fromStdString(devices::ByteCountText(FClient->FBytesSent.load())));
    pbProgress->setValue(devices::ProgressPosition(received));
}

void TfrmNTRIPSettings::Button1Click() {
    const std::string raw = FClient ? FClient->RawData() : std::string();
    if (raw.size() <= 5) {
        AddLog("No RTCM data to parse");
        return;
    }
    if (!fRTCMParsing) fRTCMParsing = new TfRTCMParsing();
    fRTCMParsing->ClearReport();
    fRTCMParsing->show();

    rtcm3::ReportInput input;
    input.raw = raw;
    input.latitude = FClient->Latitude();
    input.longitude = FClient->Longitude();
    input.altitude = FClient->Altitude();
    input.manualPosition = FClient->FUseManualPosition;
    input.now = platform::Now();
    input.timeZone = rtcm3::TimeZoneLabel(rtcm3::LocalStandardBiasMinutes());
    const rtcm3::Report report = rtcm3::BuildReport(input);
    for (const std::string& line : report.lines) fRTCMParsing->AddLine(line);

    if (!report.stationDecoded) return;
    const rtcm3::BaseStation station{report.stationId, report.latitude, report.longitude,
                                     report.height};
    const rtcm3::BaseStation& last = FBaseWatch.Last();
    if (!FBaseWatch.IsKnown(station) || (last.latitude == 0 && last.longitude == 0)) {
        AddLog(rtcm3::BaseStationText(station));
        FBaseWatch.Remember(station);
    }
}
