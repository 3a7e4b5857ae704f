#include "devices/NTRIPWorkerThread.h"

#include <chrono>
#include <string_view>

#include "devices/NTRIPProtocol.h"
#include "devices/TPlovanNTRIPClient.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/VclText.h"

namespace {

using Clock = std::chrono::steady_clock;
using platform::RemainingMs;

}  // namespace

TNTRIPWorkerThread::TNTRIPWorkerThread(TPlovanNTRIPClient* client, int mode)
    : FClient(client),
      FMode(mode),
      host_(client->FHost),
      username_(client->FUsername),
      password_(client->FPassword),
      mountPoint_(client->FMountPoint),
      port_(client->FPort),
      receiveTimeoutMs_(client->FTimings.ReceiveTimeoutMs),
      sendTimeoutMs_(client->FTimings.SendTimeoutMs),
      connectTimeoutMs_(client->FTimings.ConnectTimeoutMs),
      ggaSecondMs_(client->FTimings.GgaSecondMs) {}

TNTRIPWorkerThread::~TNTRIPWorkerThread() { Join(); }

void TNTRIPWorkerThread::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TNTRIPWorkerThread::Join() {
    if (thread_.joinable()) thread_.join();
}

void TNTRIPWorkerThread::CloseSocket() {
    FStopping = true;
    FSocket.Stop();
}

void TNTRIPWorkerThread::PositionChanged() {
    if (ggaHeld_.load()) FSocket.Nudge();
}

void TNTRIPWorkerThread::Execute() {
    Run();
    finished_ = true;
    FClient->Sync().Notify();
}

void TNTRIPWorkerThread::PostStatus(int32_t status, const std::string& message, TNTRIPRetry retry) {
    FClient->FStatus = status;
    FPendingStatus = status;
    FPendingMessage = message;
    TPlovanNTRIPClient* client = FClient;
    FClient->Sync().Run(
        [client, status, message, retry] { client->DoStatus(status, message, retry); });
}

void TNTRIPWorkerThread::PostLog(const std::string& message) {
    TPlovanNTRIPClient* client = FClient;
    FClient->Sync().Run([client, message] { client->Log(message); });
}

void TNTRIPWorkerThread::ForwardRtcm(const char* bytes, int32_t count) {
    FClient->FBytesReceived += count;
    FClient->AppendRawData(bytes, static_cast<size_t>(count));
    if (FClient->FForwardToSerial.load() && count > 0) {
        if (const auto port = FClient->SerialHandle())
            port->Write(bytes, static_cast<size_t>(count));
    }
    FPendingData = bytes;
    FPendingLength = count;
    // The GUI side gets its own copy: a handler that stops this worker lets
    // it go on before the handler has returned.
    TPlovanNTRIPClient* client = FClient;
    FClient->Sync().Run([client, chunk = std::string(bytes, static_cast<size_t>(count))] {
        if (client->OnData)
            client->OnData(client, chunk.data(), static_cast<int32_t>(chunk.size()));
    });
}

std::string TNTRIPWorkerThread::BuildGGA(double latitude, double longitude, double altitude) const {
    const platform::DateTime utc =
        LocalToUtcTimeOfDay(platform::Now(), platform::UtcOffsetMinutes());
    return FormatGGA(latitude, longitude, altitude, utc);
}

bool TNTRIPWorkerThread::SendGGA() {
    if (!FSocket.Valid()) return false;
    // A fix at exactly 0 N 0 E is no fix: hold the upload until a position
    // exists (the GUI nudges the receive when one arrives).
    ggaHeld_ = true;
    const TPlovanNTRIPClient::PositionFix fix = FClient->Position();
    if (!fix.Known()) return false;
    ggaHeld_ = false;
    const std::string sentence = BuildGGA(fix.latitude, fix.longitude, fix.altitude) + "\r\n";
    const long sent = FSocket.Send(sentence.data(), sentence.size(), sendTimeoutMs_);
    if (sent >= 1) FClient->FBytesSent += sent;
    return true;
}

bool TNTRIPWorkerThread::SendHeldGGA() { return ggaHeld_.load() && SendGGA(); }

void TNTRIPWorkerThread::Run() {
    PostStatus(ncsConnecting, "Connecting to " + host_ + ":" + platform::IntToStr(port_));

    in_addr address{};
    TNTRIPSocket::Result result = FSocket.Resolve(host_, &address);
    if (result == TNTRIPSocket::Result::Stopped) return;
    if (result != TNTRIPSocket::Result::Ok) {
        PostStatus(ncsError, "Failed to resolve host: " + host_, TNTRIPRetry::Arm);
        return;
    }
    if (!FSocket.Create()) {
        PostStatus(ncsError, "Failed to create socket");
        return;
    }
    result = FSocket.Connect(address, port_, connectTimeoutMs_);
    if (result != TNTRIPSocket::Result::Ok) {
        FSocket.Close();
        if (!FStopping) PostStatus(ncsError, "Failed to connect to " + host_, TNTRIPRetry::Arm);
        return;
    }

    const std::string request = BuildNtripRequest(FMode, host_, mountPoint_, username_, password_);
    if (!request.empty()) FSocket.Send(request.data(), request.size(), sendTimeoutMs_);

    char buffer[4096];
    NtripResponseReader reader(mountPoint_);
    bool headerDone = FMode >= 2;
    auto lastGga = Clock::now();
    TNTRIPRetry endRetry = TNTRIPRetry::OnDisconnect;

    auto reportError = [&](const NtripAnswer& answer) {
        if (!answer.serverResponse.empty()) PostLog("Server response: " + answer.serverResponse);
        PostStatus(ncsError, answer.message);
        if (answer.refused) endRetry = TNTRIPRetry::Never;
    };
    auto deliverTable = [&](const std::string& table) {
        FSourceTableText = table;
        TPlovanNTRIPClient* client = FClient;
        FClient->Sync().Run([client, table] { client->ParseSourceTable(table); });
    };

    while (!FStopping) {
        size_t received = 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(receiveTimeoutMs_);
        for (;;) {
            result = FSocket.Receive(buffer, sizeof buffer - 1, RemainingMs(deadline), &received);
            if (result == TNTRIPSocket::Result::Nudged) {
                if (SendHeldGGA()) lastGga = Clock::now();
                continue;
            }
            if (result == TNTRIPSocket::Result::Ok && received == 0) continue;
            break;
        }
        if (result != TNTRIPSocket::Result::Ok) {
            if (FStopping) break;
            if (!headerDone) {
                const NtripAnswer answer = reader.Closed();
                if (answer.kind == NtripAnswer::Error) {
                    reportError(answer);
                    break;
                }
            }
            PostStatus(ncsDisconnected, "Connection closed");
            break;
        }

        const std::string_view chunk(buffer, received);
        if (headerDone && !reader.InTable()) {
            ForwardRtcm(buffer, static_cast<int32_t>(received));
            if (FClient->FStatus.load() != ncsReceivingData) {
                PostStatus(ncsReceivingData, "Receiving correction data");
            }
            if (SendHeldGGA()) lastGga = Clock::now();
            const int interval = FClient->FGGAInterval.load();
            if (interval > 0 && Clock::now() - lastGga >=
                                    std::chrono::milliseconds(int64_t{interval} * ggaSecondMs_)) {
                SendGGA();
                lastGga = Clock::now();
            }
            continue;
        }

        const NtripAnswer answer = reader.Feed(chunk);
        if (answer.kind == NtripAnswer::NeedMore) {
            headerDone = reader.InTable();
            continue;
        }
        if (answer.kind == NtripAnswer::Error) {
            reportError(answer);
            break;
        }
        if (answer.kind == NtripAnswer::Table) {
            deliverTable(answer.table);
            break;
        }
        PostStatus(ncsConnected, "Connected to " + mountPoint_);
        FClient->FConnected = true;
        FClient->FReconnectAttempts = 0;
        SendGGA();
        lastGga = Clock::now();
        if (!answer.data.empty()) {
            ForwardRtcm(answer.data.data(), static_cast<int32_t>(answer.data.size()));
            PostStatus(ncsReceivingData, "Receiving correction data");
        }
        headerDone = true;
    }

    FSocket.Close();
    FClient->FConnected = false;
    if (!FStopping) PostStatus(ncsDisconnected, "Disconnected", endRetry);
}
