// The one worker thread of an NTRIP connection attempt: it connects to the
// caster, sends the request and the GGA uploads, reads the answer, writes
// the stream to the GNSS port and hands status, log lines, data and the
// source table to the GUI thread through the client's synchronous call.
// It never touches a window.
//
// The worker copies the client's connection settings when it is created, so
// the GUI may change them while it runs. It is created suspended (Start()
// runs it) and is freed by the client after it has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "devices/NTRIPSocket.h"

class TPlovanNTRIPClient;

// How a status report bears on the reconnect timer.
enum class TNTRIPRetry {
    OnDisconnect,  // arm it when the status is 0 (Disconnected)
    Arm,           // arm it: a failed lookup or connect, which a mobile link often gives
    Never,         // the caster refused the credentials; retrying cannot help
};

class TNTRIPWorkerThread {
  public:
    TNTRIPWorkerThread(TPlovanNTRIPClient* client, int mode);
    ~TNTRIPWorkerThread();  // waits for the thread when it was started
    TNTRIPWorkerThread(const TNTRIPWorkerThread&) = delete;
    TNTRIPWorkerThread& operator=(const TNTRIPWorkerThread&) = delete;

    void Start();

    // GUI thread: asks the worker to stop and cuts short whatever it waits
    // for (the socket is shut down and the worker woken; the worker alone
    // closes it).
    void CloseSocket();

    // GUI thread: a position arrived; a GGA held back for want of one goes out.
    void PositionChanged();

    bool Finished() const { return finished_.load(); }
    void Join();

  private:
    void Execute();
    void Run();
    void PostStatus(int32_t status, const std::string& message,
                    TNTRIPRetry retry = TNTRIPRetry::OnDisconnect);
    void PostLog(const std::string& message);
    void ForwardRtcm(const char* bytes, int32_t count);
    std::string BuildGGA(double latitude, double longitude, double altitude) const;
    // True when a sentence went out (or was tried), false when held or no socket.
    bool SendGGA();
    // Sends the upload held back for want of a position, once one exists.
    bool SendHeldGGA();

    TPlovanNTRIPClient* FClient;
    int FMode;
    // Copies of the client's settings at creation.
    std::string host_, username_, password_, mountPoint_;
    int port_;
    int receiveTimeoutMs_, sendTimeoutMs_, connectTimeoutMs_, ggaSecondMs_;

    TNTRIPSocket FSocket;
    std::atomic<bool> FStopping{false};
    std::atomic<bool> ggaHeld_{false};  // the stream runs but no position exists yet
    int32_t FPendingStatus = 0;
    std::string FPendingMessage;
    const char* FPendingData = nullptr;
    int32_t FPendingLength = 0;
    std::string FSourceTableText;

    std::thread thread_;
    std::atomic<bool> finished_{false};
};
