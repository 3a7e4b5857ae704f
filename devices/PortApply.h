// Apply of one serial port's settings: the eleven texts of the device
// settings window's port boxes, converted in a fixed order into the serial
// reader's fields. Apply neither opens nor reopens the port; the values take
// effect at the reader's next Open.
//
// Order: port, baud rate, data width, stop bits, parity, priority, delay,
// "NMEA Log", "Log Time", "Enable DTR", "Enable RTS", then the log name. The
// first text that fails stops the apply: the fields before it keep their new
// values, that field and the ones after it (the log name included) keep the
// old ones, and the message says why.
//
// Each list box text maps by its exact text, never by a list position (an
// editable box can show a text that is not its selected item). The reader
// takes every rate it is given only if ValidBaudRate keeps it, so a rate it
// would replace is refused; a delay must lie in 1..1000 ms, because a slower
// poll starves the idle watchdog and lets the port's buffer overflow.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

class TPlovanSerialGPS;

// The eleven texts, in the order of the window's port boxes.
struct PortTexts {
    std::string Port, BaudRate, DataWidth, StopBits, Parity, Priority, Delay, NMEALog, LogTime,
        EnableDTR, EnableRTS;
};

// The list items of the port boxes, in the layout's order.
extern const std::array<std::string_view, 15> kBaudRateItems;
extern const std::array<std::string_view, 4> kDataWidthItems;
extern const std::array<std::string_view, 3> kStopBitsItems;
extern const std::array<std::string_view, 5> kParityItems;
extern const std::array<std::string_view, 7> kPriorityItems;
extern const std::array<std::string_view, 20> kDelayItems;
extern const std::array<std::string_view, 2> kBooleanItems;

inline constexpr int kMinPollDelayMs = 1;
inline constexpr int kMaxPollDelayMs = 1000;

// The port log names, appended to the log folder and the date stamp.
inline constexpr std::string_view kGnssLogSuffix = " PHX_GNSS_V3.log";
inline constexpr std::string_view kSensorLogSuffix = " PHX_SBES_V3.log";

// The class library's Boolean text: "True" or "False" in any case, or a
// number (0 false, anything else true); else EConvertError
// "'<text>' is not a valid boolean value".
bool StrToBool(std::string_view text);

// Converts `texts` into `reader`'s fields and sets FLogFileName to
// `logFileName` at the end. std::nullopt when every field applied, else the
// message for the surveyor (the class library's conversion text for a number
// or Boolean, one line naming the field for a refused value).
std::optional<std::string> ApplyPortTexts(const PortTexts& texts, const std::string& logFileName,
                                          TPlovanSerialGPS& reader);
