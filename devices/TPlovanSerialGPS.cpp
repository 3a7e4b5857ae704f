#include "devices/TPlovanSerialGPS.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>

#include "devices/NmeaParse.h"
#include "platform/Clock.h"
#include "platform/HandlerGuard.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

namespace {

// Leading and trailing blanks and control characters (CR included) go.
std::string_view TrimControls(std::string_view text) {
    const auto control = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && control(text.front())) text.remove_prefix(1);
    while (!text.empty() && control(text.back())) text.remove_suffix(1);
    return text;
}

constexpr int kDefaultPollMs = 50;
constexpr int kDefaultIdleMs = 10000;
constexpr size_t kRxBufferLimit = 4096;  // beyond this without a line feed...
constexpr size_t kRxBufferKeep = 2048;   // ...only the last part is kept
constexpr double kKmPerNauticalMile = 1.852;

// The end of the first line: its LF or CR, or npos while none has come.
size_t LineEnd(std::string_view buffer) {
    const void* lf = std::memchr(buffer.data(), '\n', buffer.size());
    const size_t lfAt =
        lf ? static_cast<size_t>(static_cast<const char*>(lf) - buffer.data()) : buffer.size();
    const void* cr = std::memchr(buffer.data(), '\r', lfAt);
    if (cr) return static_cast<size_t>(static_cast<const char*>(cr) - buffer.data());
    return lf ? lfAt : std::string_view::npos;
}

}  // namespace

TPlovanSerialGPS::TPlovanSerialGPS(QObject* owner)
    : QObject(owner), FHandle(platform::SerialPort::Create()) {
    FPollTimer = new QTimer(this);
    FPollTimer->setInterval(kDefaultPollMs);
    connect(FPollTimer, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { PollTimerTick(); }); });
    FIdleTimer = new QTimer(this);
    FIdleTimer->setInterval(kDefaultIdleMs);
    connect(FIdleTimer, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { IdleTimerTick(); }); });
    FReopenTimer = new QTimer(this);
    connect(FReopenTimer, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { ReopenTimerTick(); }); });
}

TPlovanSerialGPS::~TPlovanSerialGPS() {
    for (QTimer* timer : {FPollTimer, FIdleTimer, FReopenTimer}) {
        timer->stop();
        timer->disconnect(this);
    }
    // No event may reach an owner that is being destroyed.
    OnConnect = nullptr;
    OnDisconnect = nullptr;
    OnIdle = nullptr;
    OnTimeout = nullptr;
    OnNewCommand = nullptr;
    OnSend = nullptr;
    OnPosition3DChange = nullptr;
    OnSpeedChange = nullptr;
    OnLogGap = nullptr;
    OnPortLost = nullptr;
    OnPortReopened = nullptr;
    Close();
}

platform::SerialSettings TPlovanSerialGPS::PortSettings() const {
    platform::SerialSettings s;
    s.baudRate = FBaudRate;
    s.dataBits = FDataBitsIndex + 4;
    s.twoStopBits = FStopBitsCode == 3 || FStopBitsCode == 2;
    s.parity = (FParity >= 0 && FParity <= 4) ? static_cast<platform::Parity>(FParity)
                                              : platform::Parity::Keep;
    s.parityCheck = FParity != 0;
    s.dtr = FEnableDTR;
    s.rts = FEnableRTS;
    return s;
}

void TPlovanSerialGPS::Open() {
    if (FOpen) {
        if (FHandle->IsOpen()) return;
        // The device went away while open: start over quietly.
        FPollTimer->stop();
        FIdleTimer->stop();
        FReopenTimer->stop();
        ClosePortAndLog();
        FOpen = false;
    }
    if (!FHandle->Open(FPortNumber, PortSettings())) {
        lastOpenError_ = FHandle->LastError();
        return;
    }
    lastOpenError_.clear();
    FHandle->Purge();
    FOpen = true;
    ++generation_;
    FRxBuffer.clear();
    rxStart_ = 0;
    lineLogged_ = false;
    lastLineChecksumFailed_ = false;
    badChecksumCount_ = 0;
    lossReported_ = reopenReported_ = false;
    FDataSeen = false;
    logBroken_ = logGapReported_ = false;
    logLinesLost_ = 0;
    if (FLogEnabled && !FLogFileName.empty()) FLogFile = std::fopen(FLogFileName.c_str(), "a+e");
    FPollTimer->setInterval(FPollInterval > 0 ? FPollInterval : kDefaultPollMs);
    FPollTimer->start();
    FIdleTimer->setInterval(FIdleTimeout > 0 ? FIdleTimeout : kDefaultIdleMs);
    FIdleTimer->start();
    FIdleReported = false;
    if (OnConnect) OnConnect(this, FPortNumber);
}

void TPlovanSerialGPS::ClosePortAndLog() {
    FHandle->Close();
    FlushLog();
    if (FLogFile) {
        std::fclose(FLogFile);
        FLogFile = nullptr;
    }
}

void TPlovanSerialGPS::ClearValues() {
    FLatitude = FLongitude = FAltitude = 0;
    FSpeed = FCourse = 0;
    FFixQuality = FSatellites = 0;
}

void TPlovanSerialGPS::Close() {
    FPollTimer->stop();
    FIdleTimer->stop();
    FReopenTimer->stop();
    if (!FOpen) return;
    ClosePortAndLog();
    FOpen = false;
    ++generation_;
    ClearValues();
    if (OnDisconnect) OnDisconnect(this, FPortNumber);
}

void TPlovanSerialGPS::Write(const std::string& text) {
    if (!FOpen || !FHandle->IsOpen()) return;
    FHandle->Write(text.data(), text.size());
    if (OnSend) OnSend(this, text);
}

void TPlovanSerialGPS::LoseDevice(const std::string& why) {
    // A vanished adapter or a closed pseudo-terminal reads end of file or EIO
    // at once, every time: stop reading and let the descriptor go, so the
    // device can come back under its name. The port log stays open for the
    // lines after the device's return.
    FPollTimer->stop();
    FHandle->Close();
    FlushLog();
    // The rest of a line cut by the loss can never be completed.
    FRxBuffer.clear();
    rxStart_ = 0;
    lineLogged_ = false;
    // A fix, speed or course from a device that is gone is none.
    ClearValues();
    FReopenTimer->start(FReopenInterval > 0 ? FReopenInterval : 1000);
    if (lossReported_) return;
    lossReported_ = true;
    reopenReported_ = false;
    if (OnPortLost) OnPortLost(this, why.empty() ? std::string("the device went away") : why);
}

void TPlovanSerialGPS::ReopenTimerTick() {
    if (!FOpen || FHandle->IsOpen()) {
        FReopenTimer->stop();
        return;
    }
    if (!FHandle->Open(FPortNumber, PortSettings())) return;
    FReopenTimer->stop();
    FPollTimer->start(FPollInterval > 0 ? FPollInterval : kDefaultPollMs);
    // The silence of a device that came back counts from its return.
    FDataSeen = false;
    FIdleReported = false;
    FIdleTimer->start();
    // Told once per outage: a device that goes again before its first byte
    // stays in the outage already reported.
    if (lossReported_ && !reopenReported_) {
        reopenReported_ = true;
        if (OnPortReopened) OnPortReopened(this);
    }
}

void TPlovanSerialGPS::PollTimerTick() {
    if (!FOpen) return;
    // The lines of one poll go to the port log in one write when it ends,
    // also when a handler throws.
    inPoll_ = true;
    try {
        DrainPort();
    } catch (...) {
        inPoll_ = false;
        FlushLog();
        throw;
    }
    inPoll_ = false;
    FlushLog();
}

void TPlovanSerialGPS::DrainPort() {
    char buffer[kReadChunk + 1];
    size_t taken = 0;
    const uint64_t generation = generation_;
    while (taken < kMaxBytesPerTick) {
        const platform::SerialRead r = FHandle->Read(buffer, kReadChunk);
        if (r.gone) {
            LoseDevice(r.why);
            return;
        }
        if (r.bytes == 0) return;
        taken += r.bytes;
        ReceiveBytes(buffer, r.bytes);
        if (generation != generation_) return;  // a handler closed or reopened the reader
    }
}

void TPlovanSerialGPS::ReceiveBytes(const char* bytes, size_t count) {
    // A NUL byte is dropped on its own; the bytes after it are kept.
    const char* end = bytes + count;
    while (bytes < end) {
        const char* nul =
            static_cast<const char*>(std::memchr(bytes, 0, static_cast<size_t>(end - bytes)));
        const char* stop = nul ? nul : end;
        FRxBuffer.append(bytes, static_cast<size_t>(stop - bytes));
        bytes = nul ? nul + 1 : end;
    }
    FDataSeen = true;
    FIdleReported = false;
    // Bytes from the device end an outage: a later loss is a new one.
    lossReported_ = reopenReported_ = false;
    ProcessBuffer();
}

void TPlovanSerialGPS::ProcessBuffer() {
    // Lines are taken from rxStart_ on, and the buffer is compacted once on
    // the way out (also when a handler throws), not after every line.
    struct Compact {
        TPlovanSerialGPS& r;
        ~Compact() {
            r.FRxBuffer.erase(0, r.rxStart_);
            r.rxStart_ = 0;
        }
    } compact{*this};
    const uint64_t generation = generation_;
    std::string line;  // reused, so a read of many lines allocates once
    for (;;) {
        const std::string_view rest = std::string_view(FRxBuffer).substr(rxStart_);
        const size_t end = LineEnd(rest);
        if (end == std::string::npos) break;
        const std::string_view text = rest.substr(0, end);
        // A sentence behind binary bytes or behind another sentence is cut
        // off as a line of its own; the text before it goes first.
        const size_t cut = nmea::FindAddress(text, 1);
        line.assign(TrimControls(cut == std::string::npos ? text : text.substr(0, cut)));
        if (!lineLogged_) {
            if (cut == std::string::npos) {
                if (!line.empty()) LogLine(line);
            } else if (const std::string_view whole = TrimControls(text); !whole.empty()) {
                LogLine(std::string(whole));
            }
        }
        // The buffer gives up the line before any handler runs, so a handler
        // that throws or reopens the reader never sees a line twice.
        if (cut != std::string::npos) {
            rxStart_ += cut;
            lineLogged_ = true;
        } else {
            const bool crLf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
            rxStart_ += end + (crLf ? 2 : 1);
            lineLogged_ = false;
        }
        if (line.empty()) continue;
        HandOn(line);
        if (generation != generation_) return;  // a handler closed or reopened the reader
    }
    if (FRxBuffer.size() - rxStart_ > kRxBufferLimit) rxStart_ = FRxBuffer.size() - kRxBufferKeep;
}

void TPlovanSerialGPS::HandOn(const std::string& line) {
    const uint64_t generation = generation_;
    const size_t star = line.find('*');
    lastLineChecksumFailed_ = nmea::JudgeChecksum(line, star) == nmea::Checksum::Bad;
    if (lastLineChecksumFailed_) ++badChecksumCount_;
    if (OnNewCommand) OnNewCommand(this, line);
    if (generation != generation_) return;
    // A sentence that fails its checksum changes no value.
    if (!lastLineChecksumFailed_ && line.front() == '$') ParseNmea(line, star, false);
}

bool TPlovanSerialGPS::ReopenLog() {
    if (FLogFile) std::fclose(FLogFile);
    // The day folder may have been removed under the open log.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(FLogFileName).parent_path(), ec);
    FLogFile = std::fopen(FLogFileName.c_str(), "a+e");
    return FLogFile != nullptr;
}

bool TPlovanSerialGPS::WriteLogText(const std::string& text, std::string& why) {
    if (!FLogFile) {
        why = std::strerror(errno);
        return false;
    }
    // Straight to the descriptor: stdio holds nothing of the log, so a
    // failed write leaves nothing behind to be written later.
    const int fd = fileno(FLogFile);
    struct stat st {};
    const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : 0;
    if (platform::WriteAllBytes(fd, text)) return true;
    why = std::strerror(errno);
    // No half line stays behind.
    (void)!::ftruncate(fd, before);
    std::fclose(FLogFile);
    FLogFile = nullptr;
    return false;
}

void TPlovanSerialGPS::LogLine(const std::string& line) {
    if (!FLogEnabled || (!FLogFile && !logBroken_)) return;
    if (FLogTimestamp) {
        const platform::DateTime now = platform::Now();
        logPending_ += platform::FormatDateTime("yyyy-MM-dd", now);
        logPending_ += ' ';
        logPending_ += platform::FormatDateTime("HH:nn:ss.zzz", now);
        logPending_ += ' ';
    }
    logPending_ += line;
    // A text-mode log: CR LF line ends, as on the system the logs came from.
    logPending_ += "\r\n";
    ++logPendingLines_;
    if (!inPoll_) FlushLog();
}

void TPlovanSerialGPS::FlushLog() {
    if (logPending_.empty()) return;
    const int64_t lines = logPendingLines_;
    std::string why;
    // A log whose file was removed (its day folder deleted) would swallow
    // every line unseen: the name is opened anew.
    struct stat st {};
    if (FLogFile && ::fstat(fileno(FLogFile), &st) == 0 && st.st_nlink == 0) {
        why = "the file was removed";
        logBroken_ = true;
        ReopenLog();
    } else if (!FLogFile) {
        ReopenLog();
    }
    bool ok = WriteLogText(logPending_, why);
    if (!ok && ReopenLog()) ok = WriteLogText(logPending_, why);
    // Taken before any report, whose handler may throw.
    logPending_.clear();
    logPendingLines_ = 0;
    if (ok && !logBroken_) return;
    const std::string name = std::filesystem::path(FLogFileName).filename().string();
    if (ok && !logGapReported_) {
        // Removed and opened anew at once: no line is missing.
        logBroken_ = false;
        if (OnLogGap) OnLogGap(this, "Port log " + name + " was removed; it is written anew.");
        return;
    }
    if (!ok) logLinesLost_ += lines;
    if (!logGapReported_) {
        logGapReported_ = true;
        if (OnLogGap)
            OnLogGap(this, "Port log " + name + " could not be written (" + why +
                               "); lines may be missing from it.");
    }
    if (ok) {
        logBroken_ = logGapReported_ = false;
        if (OnLogGap)
            OnLogGap(this, "Port log " + name + " is written again; " +
                               std::to_string(logLinesLost_) + " lines are missing from it.");
        logLinesLost_ = 0;
    } else {
        logBroken_ = true;
    }
}

void TPlovanSerialGPS::IdleTimerTick() {
    // A lost device's silence was said with its loss; a device that comes
    // back and stays silent is idle from its return.
    if (!FOpen || PortLost()) return;
    if (FDataSeen) {
        FDataSeen = false;
        FIdleReported = false;
        return;
    }
    if (!FIdleReported) {
        FIdleReported = true;
        // A receiver that comes back at the same place resends an unchanged
        // fix; forgetting the last one makes it a position change again.
        FLatitude = FLongitude = FAltitude = 0;
        if (OnIdle) OnIdle(this);
    }
}

int32_t TPlovanSerialGPS::ParsePortNumber(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::string_view rest(upper);
    if (rest.substr(0, 3) == "COM") rest.remove_prefix(3);
    const auto n = platform::ParseInt(rest);
    if (!n) return 1;
    return static_cast<int32_t>(std::clamp<long long>(*n, 1, 256));
}

std::string TPlovanSerialGPS::PortName(int32_t n) { return "COM" + std::to_string(n); }

int32_t TPlovanSerialGPS::ValidBaudRate(int32_t rate) {
    static constexpr int32_t kRates[] = {110,   300,   600,   1200,  2400,   4800,  9600,
                                         14400, 19200, 38400, 57600, 115200, 230400};
    return std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates) ? rate : 9600;
}

std::vector<std::string> TPlovanSerialGPS::SplitFields(std::string_view text, char delimiter) {
    return nmea::SplitFields(text, delimiter);
}

double TPlovanSerialGPS::NmeaToDegrees(std::string_view value, std::string_view hemisphere) {
    return nmea::NmeaToDegrees(value, hemisphere);
}

void TPlovanSerialGPS::ParseSentence(const std::string& line) {
    const std::string_view text(line);
    ParseNmea(text, text.find('*'), true);
}

void TPlovanSerialGPS::ParseNmea(std::string_view line, size_t star, bool judge) {
    const std::string_view sentence = line.substr(0, star);  // without the checksum
    // Most sentences are of other types: the type letters go first.
    const std::string_view letters = sentence.substr(std::min<size_t>(3, sentence.size()), 3);
    const bool gga = letters == "GGA", rmc = letters == "RMC", vtg = letters == "VTG";
    if (!gga && !rmc && !vtg) return;
    // $GPGGA, $GNGGA and $GLGGA are all GGA; $PGRMC and $GPGGAX are nothing.
    if (nmea::TalkerSentenceType(sentence).empty()) return;
    if (judge && nmea::JudgeChecksum(line, star) == nmea::Checksum::Bad) return;
    try {
        if (gga)
            ParseGGA(sentence);
        else if (rmc)
            ParseRMC(sentence);
        else
            ParseVTG(sentence);
    } catch (const std::exception&) {
        // A sentence that cannot be parsed leaves the values it did not reach.
    }
}

void TPlovanSerialGPS::ParseGGA(std::string_view sentence) {
    nmea::SplitFieldViews(sentence, ',', fields_);
    const auto& f = fields_;
    if (f.size() < 10) return;
    const std::optional<double> lat = nmea::PositionDegrees(f[2], f[3], 90);
    const std::optional<double> lon = nmea::PositionDegrees(f[4], f[5], 180);
    if (!f[6].empty()) FFixQuality = nmea::FieldInteger(f[6]);
    if (!f[7].empty()) FSatellites = nmea::FieldInteger(f[7]);
    // A position off the globe is no position: nothing of it is kept.
    if (!lat || !lon) return;
    const double alt = f[9].empty() ? FAltitude : nmea::FieldNumber(f[9]).value_or(FAltitude);
    if (*lat == FLatitude && *lon == FLongitude && alt == FAltitude) return;
    FLatitude = *lat;
    FLongitude = *lon;
    FAltitude = alt;
    if (OnPosition3DChange) OnPosition3DChange(this, *lat, *lon, alt);
}

// The new speed in km/h unless it is not finite; an event when it changed.
void TPlovanSerialGPS::TakeSpeed(std::optional<double> speedKmh) {
    if (!speedKmh || !std::isfinite(*speedKmh) || *speedKmh == FSpeed) return;
    FSpeed = *speedKmh;
    if (OnSpeedChange) OnSpeedChange(this, FSpeed);
}

void TPlovanSerialGPS::ParseRMC(std::string_view sentence) {
    nmea::SplitFieldViews(sentence, ',', fields_);
    const auto& f = fields_;
    if (f.size() < 8) return;
    // Taken before the speed event, whose handler might parse a sentence itself.
    const std::string_view course = f.size() > 8 ? f[8] : std::string_view();
    if (!f[7].empty()) {
        const std::optional<double> knots = nmea::FieldNumber(f[7]);
        TakeSpeed(knots ? std::optional<double>(*knots * kKmPerNauticalMile) : std::nullopt);
    }
    if (!course.empty()) FCourse = nmea::FieldNumber(course).value_or(FCourse);
}

void TPlovanSerialGPS::ParseVTG(std::string_view sentence) {
    nmea::SplitFieldViews(sentence, ',', fields_);
    const auto& f = fields_;
    if (f.size() < 8) return;
    if (!f[1].empty()) FCourse = nmea::FieldNumber(f[1]).value_or(FCourse);
    if (!f[7].empty()) TakeSpeed(nmea::FieldNumber(f[7]));
}
