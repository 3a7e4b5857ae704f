#include "devices/TPlovanNTRIPClient.h"

#include <QTimer>

#include "devices/NTRIPProtocol.h"
#include "devices/NTRIPWorkerThread.h"
#include "platform/HandlerGuard.h"
#include "platform/SerialPort.h"
#include "platform/VclText.h"

TPlovanNTRIPClient::TPlovanNTRIPClient(QObject* owner) : QObject(owner) {
    FReconnectTimer = new QTimer(this);
    FReconnectTimer->setInterval(FTimings.ReconnectIntervalMs);
    QObject::connect(FReconnectTimer, &QTimer::timeout, this,
                     [this] { platform::GuardHandler([this] { ReconnectTimerTick(); }); });
}

TPlovanNTRIPClient::~TPlovanNTRIPClient() {
    // Nothing may reach the owner while it is being torn down: detach the
    // events and drop the worker's pending calls before stopping it.
    OnStatus = nullptr;
    OnData = nullptr;
    OnSourceTable = nullptr;
    OnLog = nullptr;
    sync_.Cancel();
    Disconnect();
}

void TPlovanNTRIPClient::Log(const std::string& message) {
    if (OnLog) OnLog(this, message);
}

void TPlovanNTRIPClient::StopWorker() {
    FReconnectTimer->stop();
    if (TNTRIPWorkerThread* worker = FThread.get()) {
        worker->CloseSocket();
        // A handler run meanwhile may itself have replaced the worker.
        sync_.WaitFor([this, worker] { return FThread.get() != worker || worker->Finished(); });
        if (FThread.get() == worker) FThread.reset();
        // A status that came in meanwhile may have armed a reconnect.
        FReconnectTimer->stop();
    }
    FConnected = false;
    FStatus = ncsDisconnected;
    Log("Disconnected");
}

void TPlovanNTRIPClient::Connect() {
    if (FConnected.load() || FThread) StopWorker();
    if (FHost.empty()) {
        Log("Error: Caster address is empty");
        return;
    }
    // Blanks or control characters would end the request line or add
    // headers of their own.
    if (!IsSafeRequestText(FHost)) {
        Log("Error: Invalid caster address: " + FHost);
        return;
    }
    if (!IsSafeRequestText(FMountPoint)) {
        Log("Error: Invalid mount point: " + FMountPoint);
        return;
    }
    if (FMode == 1) {
        Log("Error: NTRIP 2 is not supported");
        return;
    }
    if (FPort < 1 || FPort > 65535) FPort = 2101;
    FBytesReceived = 0;
    FBytesSent = 0;
    FReconnectTimer->stop();
    Log("Connecting to " + FHost + ":" + platform::IntToStr(FPort));
    FThread = std::make_unique<TNTRIPWorkerThread>(this, FMode);
    FThread->Start();
}

void TPlovanNTRIPClient::Disconnect() {
    FAutoReconnect = false;
    StopWorker();
}

void TPlovanNTRIPClient::FetchSourceTable() {
    FMountPoint.clear();
    FAutoReconnect = false;
    Connect();
}

void TPlovanNTRIPClient::SetSerialHandle(std::shared_ptr<platform::SerialPort> port) {
    {
        std::lock_guard lock(serialMutex_);
        FSerialHandle = std::move(port);
    }
    Log("Serial port handle set");
}

std::shared_ptr<platform::SerialPort> TPlovanNTRIPClient::SerialHandle() const {
    std::lock_guard lock(serialMutex_);
    return FSerialHandle;
}

void TPlovanNTRIPClient::SetPosition(double latitude, double longitude, double altitude) {
    if (FUseManualPosition) return;
    {
        std::lock_guard lock(positionMutex_);
        FLatitude = latitude;
        FLongitude = longitude;
        FAltitude = altitude;
    }
    if (FThread) FThread->PositionChanged();
}

void TPlovanNTRIPClient::SetManualPosition(double latitude, double longitude) {
    {
        std::lock_guard lock(positionMutex_);
        FLatitude = latitude;
        FLongitude = longitude;
    }
    if (FThread) FThread->PositionChanged();
}

double TPlovanNTRIPClient::Latitude() const {
    std::lock_guard lock(positionMutex_);
    return FLatitude;
}

double TPlovanNTRIPClient::Longitude() const {
    std::lock_guard lock(positionMutex_);
    return FLongitude;
}

double TPlovanNTRIPClient::Altitude() const {
    std::lock_guard lock(positionMutex_);
    return FAltitude;
}

TPlovanNTRIPClient::PositionFix TPlovanNTRIPClient::Position() const {
    std::lock_guard lock(positionMutex_);
    return {FLatitude, FLongitude, FAltitude};
}

std::string TPlovanNTRIPClient::RawData() const {
    std::lock_guard lock(rawMutex_);
    return FRawData;
}

void TPlovanNTRIPClient::AppendRawData(const char* bytes, size_t count) {
    std::lock_guard lock(rawMutex_);
    FRawData.append(bytes, count);
    if (FRawData.size() > kRawDataSize) FRawData.erase(0, FRawData.size() - kRawDataSize);
}

bool TPlovanNTRIPClient::AttemptInProgress() const {
    if (FReconnectTimer->isActive()) return true;
    // A source table request (no mount point) is no connection attempt.
    return FThread && !FThread->Finished() && !FConnected.load() && !FMountPoint.empty();
}

void TPlovanNTRIPClient::DoStatus(int32_t status, const std::string& message, TNTRIPRetry retry) {
    // The retry is armed first, so the owner's handler sees it coming (and
    // a Disconnect there stops it).
    const bool arm = retry == TNTRIPRetry::Arm ||
                     (retry == TNTRIPRetry::OnDisconnect && status == ncsDisconnected);
    if (arm && FAutoReconnect && FReconnectAttempts.load() < FMaxReconnectAttempts) {
        FReconnectTimer->start(FTimings.ReconnectIntervalMs);
    }
    if (OnStatus) OnStatus(this, status, message);
    Log(message);
}

void TPlovanNTRIPClient::ParseSourceTable(const std::string& text) {
    SourceTableMountPoints parsed = ParseSourceTableText(text);
    FMountPoints = std::move(parsed.names);
    FMountPointNeedsGGA = std::move(parsed.needsGGA);
    Log("Source table parsed: " + platform::IntToStr(static_cast<long long>(FMountPoints.size())) +
        " mount points");
    if (OnSourceTable) OnSourceTable(this, FMountPoints);
}

void TPlovanNTRIPClient::ReconnectTimerTick() {
    FReconnectTimer->stop();
    if (FReconnectAttempts.load() < FMaxReconnectAttempts && FAutoReconnect) {
        const int attempt = ++FReconnectAttempts;
        Log("Reconnect attempt " + platform::IntToStr(attempt) + "/" +
            platform::IntToStr(FMaxReconnectAttempts));
        Connect();
    }
}
