// The serial line reader: one per serial port (the GNSS receiver, the echo
// sounder). It has no thread of its own: a poll timer on the GUI thread
// drains the port, cuts the bytes into lines, writes each line to an
// optional port log (the lines of one poll in one write as it ends), raises
// OnNewCommand for it and, for an NMEA sentence ('$' first), then parses
// GGA, RMC and VTG into the position, fix quality, satellites, speed and
// course, raising OnPosition3DChange and OnSpeedChange
// when those change. An idle timer raises OnIdle once per silence, between
// one and two idle periods after the last byte.
//
// A device that goes away while the reader is open (a read meets end of
// file, EIO or a hang-up: an unplugged adapter, a closed pseudo-terminal)
// raises OnPortLost once with the reason (and no OnIdle for the silence
// that follows); the reader then tries to open the same port name again
// every FReopenInterval ms until it succeeds, raises OnPortReopened and
// reads on as before (same timers and port log). The
// last fix is forgotten at the loss (a gone device has no fix), and a
// partial line from before it is dropped. Close ends the attempts.
//
// Lines end at LF, at CR LF (also when the CR ends one read and the LF
// begins the next) and at a lone CR. Receivers that mix binary frames with
// their sentences put a sentence behind binary bytes, or glue two sentences
// together: a line is cut before every '$' that starts an NMEA address ('$',
// five letters or digits, ','), so each sentence is handed on as its own
// line. The port log keeps the line as received, uncut.
//
// A sentence with an address and a '*' is judged by its checksum (see
// nmea::JudgeChecksum). One that fails is still logged and still raised
// through OnNewCommand, with LastLineChecksumFailed() true while the handler
// runs; the reader's own parse skips it and BadChecksumCount() counts it.
// Lines without an address or without a '*' are taken as they come.
//
// The parse never takes a value that cannot be one: a number field that is
// not finite leaves its value and raises nothing, and a GGA whose latitude
// or longitude is off the globe (or has 60 minutes or more) changes no
// position. Only "$" + two talker letters + GGA, RMC or VTG is parsed;
// proprietary "$P..." sentences reach the owner only.
//
// Units: latitude and longitude signed degrees (north and east positive),
// altitude metres as sent, speed km/h, course degrees as sent.
//
// The port object (FHandle) is shared: the NTRIP worker writes corrections
// to it from its own thread. It lives as long as the reader; while the
// reader is closed it is closed too, and writes to it are dropped.
//
// Events are raised on the GUI thread; an empty slot is skipped. Lines are
// bytes as received (NUL bytes dropped), never decoded.
#pragma once

#include <QObject>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialPort.h"

class QTimer;

class TPlovanSerialGPS : public QObject {
  public:
    using TNotifyEvent = std::function<void(TPlovanSerialGPS* Sender)>;
    using TPortEvent = std::function<void(TPlovanSerialGPS* Sender, int32_t portNumber)>;
    using TLineEvent = std::function<void(TPlovanSerialGPS* Sender, const std::string& line)>;
    using TPositionEvent = std::function<void(TPlovanSerialGPS* Sender, double latitude,
                                              double longitude, double altitude)>;
    using TSpeedEvent = std::function<void(TPlovanSerialGPS* Sender, double speedKmh)>;

    explicit TPlovanSerialGPS(QObject* owner = nullptr);
    virtual ~TPlovanSerialGPS();
    TPlovanSerialGPS(const TPlovanSerialGPS&) = delete;
    TPlovanSerialGPS& operator=(const TPlovanSerialGPS&) = delete;

    // Port and its settings (written by the device settings window).
    std::shared_ptr<platform::SerialPort> FHandle;  // never null; open exactly while the port is
    bool FOpen = false;
    int32_t FPortNumber = 1;     // COM port number
    int32_t FBaudRate = 9600;    // bits per second
    int32_t FDataBitsIndex = 4;  // data bits minus 4 (1..4 for 5..8)
    int32_t FStopBitsCode = 1;   // 1 one, 2 one and a half (taken as two), 3 two; else one
    int32_t FParity = 0;         // 0 none, 1 odd, 2 even, 3 mark, 4 space; else as the port had it
    uint8_t FPriority = 3;       // kept; has no effect
    int32_t FPollInterval = 50;  // poll period, ms (50 when not above 0)
    bool FLogEnabled = false;    // write received lines to the port log
    bool FLogTimestamp = false;  // prefix logged lines with "yyyy-MM-dd HH:nn:ss.zzz "
    bool FEnableDTR = false;
    bool FEnableRTS = false;
    std::string FLogFileName;  // path of the port log

    // Values of the last sentences.
    double FLatitude = 0;   // degrees, last GGA
    double FLongitude = 0;  // degrees, last GGA
    double FAltitude = 0;   // metres, last GGA
    double FSpeed = 0;      // km/h, RMC or VTG
    double FCourse = 0;     // degrees, RMC or VTG
    int32_t FFixQuality = 0;
    int32_t FSatellites = 0;

    std::string FRxBuffer;  // received bytes not yet cut into lines
    QTimer* FPollTimer = nullptr;
    QTimer* FIdleTimer = nullptr;
    QTimer* FReopenTimer = nullptr;  // runs while a lost device is being reopened
    int32_t FIdleTimeout = 10000;    // idle period, ms (10000 when not above 0)
    int32_t FReopenInterval = 1000;  // ms between attempts to reopen a lost device
    bool FDataSeen = false;          // bytes arrived since the last idle tick
    bool FIdleReported = false;      // OnIdle raised for the present silence
    std::FILE* FLogFile = nullptr;

    TPortEvent OnConnect;
    TPortEvent OnDisconnect;
    TNotifyEvent OnIdle;
    TNotifyEvent OnTimeout;  // never raised by the reader
    TLineEvent OnNewCommand;
    TLineEvent OnSend;
    TPositionEvent OnPosition3DChange;
    TSpeedEvent OnSpeedChange;
    // The port log lost lines or its file was removed: raised once per
    // outage with a sentence for the surveyor, and once at its end with the
    // number of lines missing. The reader itself shows nothing.
    TLineEvent OnLogGap;
    // The device went away while open (the line is the reason), and came
    // back under the same name. The reader itself shows nothing.
    TLineEvent OnPortLost;
    TNotifyEvent OnPortReopened;

    std::string FTimeFormat = "hhnnsszzz";
    std::string FDateFormat = "YYYY-MM-DD";

    // Opens and configures the port, starts both timers, raises OnConnect.
    // Nothing when open (unless the device went away: then it opens anew).
    // A failure leaves FOpen false and raises nothing.
    void Open();
    // Stops both timers; when open, closes the port and the port log, clears
    // the parsed values and raises OnDisconnect. FRxBuffer keeps its text.
    void Close();
    // Writes the text's bytes and raises OnSend; nothing when closed.
    void Write(const std::string& text);

    int32_t GetFixQuality() const { return FFixQuality; }
    int32_t GetSatellites() const { return FSatellites; }
    double GetCourse() const { return FCourse; }
    double GetSpeed() const { return FSpeed; }
    double GetLatitude() const { return FLatitude; }
    double GetLongitude() const { return FLongitude; }
    double GetAltitude() const { return FAltitude; }

    // True while OnNewCommand runs for a line whose checksum failed (and
    // after it, until the next line); false for good and unjudged lines.
    bool LastLineChecksumFailed() const { return lastLineChecksumFailed_; }
    // Why the last Open failed (the port's own words); empty after a good one.
    std::string LastOpenError() const { return lastOpenError_; }
    // Lines whose checksum failed since the last Open (kept through Close).
    int64_t BadChecksumCount() const { return badChecksumCount_; }
    // True while the reader is open but its device is gone (between
    // OnPortLost and OnPortReopened).
    bool PortLost() const { return FOpen && !FHandle->IsOpen(); }

    // "COM3", "com3", "3" give 3; a text that is not a number gives 1;
    // the result is clamped to 1..256, the ports the settings window offers.
    static int32_t ParsePortNumber(std::string_view text);
    static std::string PortName(int32_t n);
    // The rate when it is one the settings window offers, else 9600.
    static int32_t ValidBaudRate(int32_t rate);

    // The port settings that the fields stand for.
    platform::SerialSettings PortSettings() const;

    // The NMEA helpers (see devices/NmeaParse.h).
    static std::vector<std::string> SplitFields(std::string_view text, char delimiter);
    static double NmeaToDegrees(std::string_view value, std::string_view hemisphere);

    // Internal steps, public for the tests, the benchmark and the fuzzer.
    void PollTimerTick();
    void IdleTimerTick();
    // Appends received bytes (NUL bytes dropped), notes the data and cuts lines.
    void ReceiveBytes(const char* bytes, size_t count);
    void ProcessBuffer();
    void LogLine(const std::string& line);
    // Parses a GGA, RMC or VTG sentence; skips one whose checksum fails.
    void ParseSentence(const std::string& line);
    void ParseGGA(std::string_view sentence);
    void ParseRMC(std::string_view sentence);
    void ParseVTG(std::string_view sentence);

    // One poll reads at most this much in reads of kReadChunk bytes, so a fast
    // receiver and a long poll period cannot overflow the kernel's buffer.
    static constexpr size_t kReadChunk = 1023;
    static constexpr size_t kMaxBytesPerTick = 64 * 1024;

  private:
    void ClearValues();
    void ClosePortAndLog();
    void LoseDevice(const std::string& why);
    void ReopenTimerTick();
    void HandOn(const std::string& line);
    // Parses `line` (its first '*' at `star`, npos for none) when it is a
    // talker's GGA, RMC or VTG; `judge` checks its checksum first.
    void ParseNmea(std::string_view line, size_t star, bool judge);
    void TakeSpeed(std::optional<double> speedKmh);

    std::vector<std::string_view> fields_;  // scratch of the sentence parsers
    uint64_t generation_ = 0;               // changes at every Open and Close
    size_t rxStart_ = 0;                    // the bytes of FRxBuffer before this are taken already
    bool lineLogged_ = false;               // the text at rxStart_ ends a line already logged
    bool lastLineChecksumFailed_ = false;
    std::string lastOpenError_;
    // Port log outage: a reopen is due, the gap was reported, lines lost.
    bool logBroken_ = false;
    bool logGapReported_ = false;
    int64_t logLinesLost_ = 0;
    // Lines logged during a poll wait here and go to the file in one write
    // when the poll ends or the log closes; outside a poll each line goes
    // at once.
    std::string logPending_;
    int64_t logPendingLines_ = 0;
    bool inPoll_ = false;
    bool ReopenLog();
    bool WriteLogText(const std::string& text, std::string& why);
    void FlushLog();
    void DrainPort();
    int64_t badChecksumCount_ = 0;
    // A device that came back and went away again before sending a byte
    // is the same outage: no second report.
    bool lossReported_ = false;
    bool reopenReported_ = false;
};
