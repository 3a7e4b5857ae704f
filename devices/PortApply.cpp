#include "devices/PortApply.h"

#include <algorithm>
#include <cmath>

#include "devices/TPlovanSerialGPS.h"
#include "platform/VclText.h"

const std::array<std::string_view, 15> kBaudRateItems = {
    "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",  "14400",
    "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const std::array<std::string_view, 4> kDataWidthItems = {"5", "6", "7", "8"};
const std::array<std::string_view, 3> kStopBitsItems = {"1", "1.5", "2"};
const std::array<std::string_view, 5> kParityItems = {"Even", "Mark", "None", "Odd", "Space"};
const std::array<std::string_view, 7> kPriorityItems = {"Higher", "Highest", "Idle",        "Lower",
                                                        "Lowest", "Normal",  "TimeCritical"};
const std::array<std::string_view, 20> kDelayItems = {
    "1",   "5",   "10",   "100",  "200",  "300",  "400",   "500",   "600",   "700",
    "800", "900", "1000", "2000", "3000", "5000", "10000", "20000", "50000", "100000"};
const std::array<std::string_view, 2> kBooleanItems = {"True", "False"};

namespace {

// Position of `text` in `items` plus one, 0 when it is not an item.
template <size_t N>
int ItemCode(const std::array<std::string_view, N>& items, std::string_view text) {
    const auto found = std::find(items.begin(), items.end(), text);
    return found == items.end() ? 0 : static_cast<int>(found - items.begin()) + 1;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// The reader's parity code for a parity name: 0 none, 1 odd, 2 even, 3 mark,
// 4 space; -1 for any other text.
int ParityCode(std::string_view text) {
    static constexpr std::pair<std::string_view, int> kCodes[] = {
        {"None", 0}, {"Odd", 1}, {"Even", 2}, {"Mark", 3}, {"Space", 4}};
    for (const auto& [name, code] : kCodes)
        if (name == text) return code;
    return -1;
}

}  // namespace

bool StrToBool(std::string_view text) {
    if (platform::SameText(platform::TrimView(text), "True")) return true;
    if (platform::SameText(platform::TrimView(text), "False")) return false;
    if (const auto number = platform::ParseFloat(text); number && std::isfinite(*number))
        return *number != 0;
    if (const auto integer = platform::ParseInt(text)) return *integer != 0;
    throw platform::EConvertError(Quoted(text) + " is not a valid boolean value");
}

std::optional<std::string> ApplyPortTexts(const PortTexts& texts, const std::string& logFileName,
                                          TPlovanSerialGPS& reader) {
    try {
        // 1.
        reader.FPortNumber = TPlovanSerialGPS::ParsePortNumber(texts.Port);
        // 2.
        const int rate = platform::StrToInt(texts.BaudRate);
        if (rate <= 0 || TPlovanSerialGPS::ValidBaudRate(rate) != rate)
            return "Baud rate " + texts.BaudRate + " is not supported by the serial port.";
        reader.FBaudRate = rate;
        // 3.
        const int dataBits = ItemCode(kDataWidthItems, texts.DataWidth);
        if (dataBits == 0) return Quoted(texts.DataWidth) + " is not a valid data width.";
        reader.FDataBitsIndex = dataBits;
        // 4.
        const int stopBits = ItemCode(kStopBitsItems, texts.StopBits);
        if (stopBits == 0) return Quoted(texts.StopBits) + " is not a valid number of stop bits.";
        reader.FStopBitsCode = stopBits;
        // 5.
        const int parity = ParityCode(texts.Parity);
        if (parity < 0) return Quoted(texts.Parity) + " is not a valid parity.";
        reader.FParity = parity;
        // 6. Kept by the reader; it has no effect.
        const int priority = ItemCode(kPriorityItems, texts.Priority);
        if (priority == 0) return Quoted(texts.Priority) + " is not a valid priority.";
        reader.FPriority = static_cast<uint8_t>(priority);
        // 7.
        const int delay = platform::StrToInt(texts.Delay);
        if (delay < kMinPollDelayMs || delay > kMaxPollDelayMs)
            return "Delay " + texts.Delay + " is out of range: it must be " +
                   std::to_string(kMinPollDelayMs) + " to " + std::to_string(kMaxPollDelayMs) +
                   " ms.";
        reader.FPollInterval = delay;
        // 8.
        reader.FLogEnabled = StrToBool(texts.NMEALog);
        reader.FLogTimestamp = StrToBool(texts.LogTime);
        // 9.
        reader.FEnableDTR = StrToBool(texts.EnableDTR);
        reader.FEnableRTS = StrToBool(texts.EnableRTS);
        // 10.
        reader.FLogFileName = logFileName;
    } catch (const platform::EConvertError& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}
