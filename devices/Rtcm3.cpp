#include "devices/Rtcm3.h"

#include <time.h>

#include <array>
#include <cmath>
#include <cstdlib>

#include "devices/NTRIPProtocol.h"

namespace rtcm3 {
namespace {

constexpr std::uint8_t kPreamble = 0xD3;
constexpr double kA = 6378137.0;
constexpr double kE2 = 0.0066943799901413165;
constexpr double kPi = 3.141592653589793;
constexpr double kEarthRadius = 6371000.0;

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 16;
        for (int bit = 0; bit < 8; ++bit) {
            crc <<= 1;
            if (crc & 0x1000000) crc ^= 0x1864CFB;
        }
        table[i] = crc & 0xFFFFFF;
    }
    return table;
}

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

// A counted text at `at`: one count byte, then that many characters.
// Returns the text when the count is 1..31 and it ends inside `payload`;
// `at` moves past the text when taken, else past the count byte.
std::string CountedText(std::string_view payload, std::size_t& at, bool& ended) {
    if (at >= payload.size()) {
        ended = true;
        return {};
    }
    const std::size_t count = Byte(payload, at);
    ++at;
    if (count >= 1 && count <= 31 && at + count <= payload.size()) {
        std::string text(payload.substr(at, count));
        at += count;
        return text;
    }
    return {};
}

}  // namespace

std::uint32_t Crc24q(const std::uint8_t* data, std::size_t length) {
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < length; ++i)
        crc = ((crc << 8) & 0xFFFFFF) ^ table[((crc >> 16) ^ data[i]) & 0xFF];
    return crc;
}

void ScanFrames(std::string_view bytes, const std::function<void(const Frame&)>& take) {
    std::size_t at = 0;
    while (at + 6 <= bytes.size()) {
        if (Byte(bytes, at) != kPreamble) {
            ++at;
            continue;
        }
        const std::size_t length = ((Byte(bytes, at + 1) & 0x03) << 8) | Byte(bytes, at + 2);
        const std::size_t size = length + 6;
        if (length < 2 || at + size > bytes.size()) {
            ++at;
            continue;
        }
        const auto* frame = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
        const std::uint32_t sent = (std::uint32_t{frame[3 + length]} << 16) |
                                   (std::uint32_t{frame[4 + length]} << 8) | frame[5 + length];
        if (Crc24q(frame, 3 + length) != sent) {
            ++at;
            continue;
        }
        Frame found;
        found.offset = at;
        found.size = size;
        found.payload = bytes.substr(at + 3, length);
        found.messageNumber = (Byte(found.payload, 0) << 4) | (Byte(found.payload, 1) >> 4);
        take(found);
        at += size;
    }
}

std::uint64_t BitReader::Unsigned(int bits) {
    if (!ok_ || bits < 0 || bits > 64 || bit_ + bits > bytes_.size() * 8) {
        ok_ = false;
        return 0;
    }
    std::uint64_t value = 0;
    for (int i = 0; i < bits; ++i, ++bit_)
        value = (value << 1) | ((Byte(bytes_, bit_ / 8) >> (7 - bit_ % 8)) & 1);
    return value;
}

std::int64_t BitReader::Signed(int bits) {
    const std::uint64_t raw = Unsigned(bits);
    if (bits <= 0 || bits >= 64) return static_cast<std::int64_t>(raw);
    const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
    return static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign);
}

std::optional<StationPosition> DecodeStationPosition(const Frame& frame) {
    if ((frame.messageNumber != 1005 && frame.messageNumber != 1006) || frame.payload.size() < 19)
        return std::nullopt;
    BitReader bits(frame.payload, 12);
    StationPosition station;
    station.messageNumber = frame.messageNumber;
    station.stationId = static_cast<int>(bits.Unsigned(12));
    station.itrfYear = static_cast<int>(bits.Unsigned(6));
    station.gps = bits.Unsigned(1);
    station.glonass = bits.Unsigned(1);
    station.galileo = bits.Unsigned(1);
    station.nonPhysical = bits.Unsigned(1);
    station.x = bits.Signed(38) * 0.0001;
    bits.Skip(2);  // single-receiver oscillator, reserved
    station.y = bits.Signed(38) * 0.0001;
    bits.Skip(2);  // quarter-cycle indicator
    station.z = bits.Signed(38) * 0.0001;
    if (frame.messageNumber == 1006 && frame.payload.size() >= 21)
        station.antennaHeight = bits.Unsigned(16) * 0.0001;
    if (!bits.Ok()) return std::nullopt;
    return station;
}

std::optional<Descriptors> DecodeDescriptors(const Frame& frame) {
    const int number = frame.messageNumber;
    if (number != 1007 && number != 1008 && number != 1033) return std::nullopt;
    const std::string_view payload = frame.payload;
    if (payload.size() < 3) return std::nullopt;
    Descriptors found;
    found.messageNumber = number;
    found.stationId = static_cast<int>(((Byte(payload, 1) & 0x0F) << 8) | Byte(payload, 2));
    std::size_t at = 3;
    bool ended = false;
    found.antennaDescriptor = CountedText(payload, at, ended);
    if (number == 1007 || ended) return found;
    if (at >= payload.size()) return found;  // the setup ID
    if (number == 1033) found.setupId = Byte(payload, at);
    ++at;
    found.antennaSerial = CountedText(payload, at, ended);
    if (number == 1008 || ended) return found;
    found.receiverType = CountedText(payload, at, ended);
    if (!ended) found.receiverFirmware = CountedText(payload, at, ended);
    if (!ended) found.receiverSerial = CountedText(payload, at, ended);
    return found;
}

std::string MessageName(int n) {
    switch (n) {
        case 1001:
            return "GPS L1 Observations";
        case 1002:
            return "GPS L1 Extended Observations";
        case 1003:
            return "GPS L1/L2 Observations";
        case 1004:
            return "GPS L1/L2 Extended Observations";
        case 1005:
            return "Station ARP (Antenna Reference Point)";
        case 1006:
            return "Station ARP with Height";
        case 1007:
            return "Antenna Descriptor";
        case 1008:
            return "Antenna Descriptor & Serial";
        case 1009:
            return "GLONASS L1 Observations";
        case 1010:
            return "GLONASS L1 Extended Observations";
        case 1011:
            return "GLONASS L1/L2 Observations";
        case 1012:
            return "GLONASS L1/L2 Extended Observations";
        case 1013:
            return "System Parameters";
        case 1019:
            return "GPS Ephemeris";
        case 1020:
            return "GLONASS Ephemeris";
        case 1029:
            return "Text String (Unicode)";
        case 1030:
            return "GPS Network RTK Residual";
        case 1031:
            return "GLONASS Network RTK Residual";
        case 1032:
            return "Physical Reference Station Position";
        case 1033:
            return "Receiver & Antenna Descriptors";
        case 1230:
            return "GLONASS Code-Phase Biases";
        case 4072:
        case 4073:
            return "u-blox Proprietary";
        default:
            break;
    }
    struct System {
        int first;
        const char* name;
        const char* fullSuffix;
    };
    static constexpr System kMsm[] = {{1071, "GPS", " (Full GPS)"},
                                      {1081, "GLONASS", " (Full GLONASS)"},
                                      {1091, "Galileo", " (Full Galileo)"},
                                      {1101, "SBAS", ""},
                                      {1111, "QZSS", ""},
                                      {1121, "BeiDou", " (Full BeiDou)"},
                                      {1131, "NavIC", ""}};
    for (const System& system : kMsm) {
        if (n >= system.first && n < system.first + 7) {
            const int msm = n - system.first + 1;
            return std::string(system.name) + " MSM" + std::to_string(msm) +
                   (msm == 7 ? system.fullSuffix : "");
        }
    }
    return "Unknown";
}

void SignalFlags::Add(int n) {
    const auto in = [n](int first, int last) { return n >= first && n <= last; };
    if (in(1001, 1004) || in(1071, 1077)) gps = gpsL1 = true;
    if (n == 1003 || n == 1004 || in(1071, 1077)) gpsL2 = true;
    if (in(1071, 1077)) gpsL5 = true;
    if (in(1009, 1012) || in(1081, 1087)) glonass = glonassG1 = true;
    if (n == 1011 || n == 1012 || in(1081, 1087)) glonassG2 = true;
    if (in(1091, 1097)) galileo = true;
    if (in(1121, 1127)) beidou = true;
    if (in(1111, 1117)) qzss = true;
    if (in(1101, 1107)) sbas = true;
    if (in(1131, 1137)) navic = true;
}

Geodetic EcefToWgs84(double x, double y, double z) {
    const double p = std::sqrt(x * x + y * y);
    double phi = std::atan2(z, p * (1 - kE2));
    for (int i = 0; i < 10; ++i) {
        const double n = kA / std::sqrt(1 - kE2 * std::sin(phi) * std::sin(phi));
        phi = std::atan2(z + kE2 * n * std::sin(phi), p);
    }
    Geodetic g;
    g.latitude = phi * 180 / kPi;
    g.longitude = std::atan2(y, x) * 180 / kPi;
    g.height = p * std::cos(phi) + z * std::sin(phi) -
               kA * std::sqrt(1 - kE2 * std::sin(phi) * std::sin(phi));
    return g;
}

bool PlausibleStationRadius(double x, double y, double z) {
    const double r = std::sqrt(x * x + y * y + z * z);
    return r > 6000000.0 && r < 7000000.0;
}

double HaversineMetres(double lat1, double lon1, double lat2, double lon2) {
    const double toRad = kPi / 180;
    const double dPhi = (lat2 - lat1) * toRad, dLambda = (lon2 - lon1) * toRad;
    const double a =
        std::sin(dPhi / 2) * std::sin(dPhi / 2) + std::cos(lat2 * toRad) * std::cos(lat1 * toRad) *
                                                      std::sin(dLambda / 2) * std::sin(dLambda / 2);
    return 2 * kEarthRadius * std::atan2(std::sqrt(a), std::sqrt(1 - a));
}

double InitialBearingDegrees(double lat1, double lon1, double lat2, double lon2) {
    const double toRad = kPi / 180;
    const double phi1 = lat1 * toRad, phi2 = lat2 * toRad, dLambda = (lon2 - lon1) * toRad;
    const double theta = std::atan2(
        std::sin(dLambda) * std::cos(phi2),
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda));
    const double degrees = std::fmod(theta * 180 / kPi + 360, 360);
    return degrees >= 360 ? 0 : degrees;
}

std::string TimeZoneLabel(long bias) {
    const long hours = -bias / 60;  // truncated toward zero
    const long minutes = std::labs(bias) % 60;
    const auto two = [](long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    // West of Greenwich (bias > 0) the hours carry their own minus sign.
    if (bias > 0) {
        const std::string h = std::to_string(std::labs(hours));
        return "GMT-" + std::string(h.size() < 2 ? 2 - h.size() : 0, '0') + h + ":" + two(minutes);
    }
    return "GMT+" + two(hours) + ":" + two(minutes);
}

long LocalStandardBiasMinutes() {
    tzset();
    return timezone / 60;  // seconds west of UTC, without daylight saving
}

std::string PrintableAscii(std::string_view bytes) {
    std::string out(bytes);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return out;
}

}  // namespace rtcm3
