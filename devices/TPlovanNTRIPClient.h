// The NTRIP client: fetches RTK corrections from a caster over TCP on its
// own worker thread and writes them, unchanged, to the GNSS receiver's port;
// fetches a caster's source table (its mount points); uploads the vessel
// position as a GGA sentence. Events are raised on the GUI thread only.
//
// Threads: operations and events belong to the GUI thread. The worker reads
// the connection settings once, when Connect creates it; the position, the
// port, the raw-data buffer, the counters and the status are safe to touch
// from both threads. Counters are 64-bit.
//
// Status codes (TNTRIPClientStatus): 0 Disconnected, 1 Connecting,
// 2 Connected, 3 ReceivingData, 4 Error.
//
// Failures are statuses and log lines, never message boxes. A connection
// that ends (closed, or silent for the receive time-out) and a failed lookup
// or connect are retried every ReconnectIntervalMs, at most
// FMaxReconnectAttempts times in a row; refused credentials (401, 403) are
// not retried. Disconnect returns at once in every phase. No GGA is sent
// while latitude and longitude are both exactly 0 (no position yet).
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/SyncCall.h"

class QTimer;
class TNTRIPWorkerThread;
enum class TNTRIPRetry;
namespace platform {
class SerialPort;
}

enum TNTRIPClientStatus : int32_t {
    ncsDisconnected = 0,
    ncsConnecting = 1,
    ncsConnected = 2,
    ncsReceivingData = 3,
    ncsError = 4,
};

// Intervals and time-outs, milliseconds. A worker takes them when it is
// created; tests shorten them.
struct TNTRIPTimings {
    int ReceiveTimeoutMs = 30000;  // a caster silent this long ends the connection
    int SendTimeoutMs = 30000;
    int ConnectTimeoutMs = 30000;
    int ReconnectIntervalMs = 5000;
    int GgaSecondMs = 1000;  // the length of one second of FGGAInterval
};

class TPlovanNTRIPClient : public QObject {
  public:
    explicit TPlovanNTRIPClient(QObject* owner = nullptr);
    ~TPlovanNTRIPClient() override;

    using TStatusEvent =
        std::function<void(TPlovanNTRIPClient* sender, int32_t status, const std::string& message)>;
    using TDataEvent =
        std::function<void(TPlovanNTRIPClient* sender, const char* bytes, int32_t count)>;
    using TSourceTableEvent = std::function<void(TPlovanNTRIPClient* sender,
                                                 const std::vector<std::string>& mountPoints)>;
    using TLogEvent = std::function<void(TPlovanNTRIPClient* sender, const std::string& message)>;

    // Connection settings, written by the settings window (GUI thread).
    std::string FHost;
    int FPort = 2101;  // a port outside 1..65535 connects to 2101
    std::string FUsername;
    std::string FPassword;
    std::string FMountPoint;  // empty requests the source table
    // 0 NTRIP 1; 2 and above a plain TCP stream. 1 (NTRIP 2) is refused:
    // its chunked transfer framing would reach the receiver as RTCM.
    int FMode = 0;
    bool FUseManualPosition = false;  // SetPosition is ignored while true
    std::atomic<bool> FForwardToSerial{true};

    // State the worker writes and the window reads.
    std::atomic<int32_t> FStatus{ncsDisconnected};
    std::atomic<bool> FConnected{false};
    std::atomic<int64_t> FBytesReceived{0};  // stream bytes since Connect
    std::atomic<int64_t> FBytesSent{0};      // GGA bytes since Connect
    std::atomic<int32_t> FReconnectAttempts{0};
    int FMaxReconnectAttempts = 10;
    bool FAutoReconnect = true;
    // Seconds between GGA uploads while data arrive; 0 or less: only the
    // one at the start of the stream.
    std::atomic<int32_t> FGGAInterval{10};

    QTimer* FReconnectTimer = nullptr;
    TNTRIPTimings FTimings;
    std::vector<std::string> FMountPoints;
    std::vector<std::string> FMountPointNeedsGGA;  // "1" or "0" per mount point

    TStatusEvent OnStatus;
    TDataEvent OnData;
    TSourceTableEvent OnSourceTable;
    TLogEvent OnLog;

    void Connect();
    void Disconnect();
    void FetchSourceTable();
    void SetSerialHandle(std::shared_ptr<platform::SerialPort> port);
    void SetPosition(double latitude, double longitude, double altitude);
    // The position the surveyor typed: stored whatever FUseManualPosition says.
    void SetManualPosition(double latitude, double longitude);

    double Latitude() const;
    double Longitude() const;
    double Altitude() const;
    // A copy of the last 8192 stream bytes (FRawData), every byte value kept.
    std::string RawData() const;
    std::shared_ptr<platform::SerialPort> SerialHandle() const;
    // A worker exists: the last Connect started one (it may have ended since).
    bool HasWorker() const { return FThread != nullptr; }
    // A connection to a mount point is being made (not up yet), or a retry
    // is due.
    bool AttemptInProgress() const;

    // Run on the GUI thread on behalf of the worker.
    void DoStatus(int32_t status, const std::string& message, TNTRIPRetry retry);
    void ParseSourceTable(const std::string& text);
    void ReconnectTimerTick();

    static constexpr size_t kRawDataSize = 8192;

  private:
    friend class TNTRIPWorkerThread;

    void StopWorker();
    void Log(const std::string& message);
    // Worker side.
    void AppendRawData(const char* bytes, size_t count);
    // Latitude, longitude and altitude read together, so that an upload never
    // mixes two fixes.
    struct PositionFix {
        double latitude = 0, longitude = 0, altitude = 0;
        bool Known() const { return !(latitude == 0 && longitude == 0); }
    };
    PositionFix Position() const;
    platform::SyncCall& Sync() { return sync_; }

    mutable std::mutex positionMutex_;
    double FLatitude = 0;  // signed degrees
    double FLongitude = 0;
    double FAltitude = 0;  // metres

    mutable std::mutex serialMutex_;
    std::shared_ptr<platform::SerialPort> FSerialHandle;

    mutable std::mutex rawMutex_;
    std::string FRawData;

    // Declared before the worker so that it outlives it.
    platform::SyncCall sync_;
    std::unique_ptr<TNTRIPWorkerThread> FThread;
};
