// RTCM 3 (RTCM standard 10403) as the program reads it: frames found in a
// byte stream, and the few messages it decodes for the base-station watch and
// the RTCM report. The stream itself is always forwarded unchanged; this is
// only for looking at it.
//
// A frame is 0xD3, 6 reserved bits, a 10-bit payload length L, L payload
// bytes and a CRC-24Q over everything before it: L + 6 bytes. Only frames
// whose CRC holds are taken, so a 0xD3 inside other data never passes as a
// frame, and a frame too short to hold a message number (L < 2, the empty
// keep-alive frame) is skipped. Payload fields are read through a
// bounds-checked bit reader: a short payload yields "not decoded", never a
// read past its end.
//
// Positions: ECEF metres; geographic degrees on WGS 84 (north and east
// positive) and metres above the ellipsoid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rtcm3 {

// CRC-24Q (generator polynomial 0x1864CFB, initial value 0) of `length` bytes.
std::uint32_t Crc24q(const std::uint8_t* data, std::size_t length);

struct Frame {
    std::size_t offset = 0;  // of the 0xD3 in the scanned bytes
    std::size_t size = 0;    // L + 6
    int messageNumber = 0;
    std::string_view payload;  // the L payload bytes, inside the scanned bytes
};

// Calls `take` for every frame in `bytes`, in order. A 0xD3 that starts no
// frame with a valid CRC inside `bytes` moves the scan on by one byte; after
// a frame it goes on behind the frame's CRC, so frames never overlap. A frame
// cut off by the end of `bytes` is not taken.
void ScanFrames(std::string_view bytes, const std::function<void(const Frame&)>& take);

// Reads big-endian bit fields from a payload; every read beyond the end
// fails and leaves the reader failed.
class BitReader {
  public:
    explicit BitReader(std::string_view bytes, std::size_t bitOffset = 0)
        : bytes_(bytes), bit_(bitOffset) {}
    std::uint64_t Unsigned(int bits);
    std::int64_t Signed(int bits);  // two's complement
    void Skip(int bits) { Unsigned(bits); }
    bool Ok() const { return ok_; }

  private:
    std::string_view bytes_;
    std::size_t bit_;
    bool ok_ = true;
};

// Messages 1005 and 1006: the station's antenna reference point.
struct StationPosition {
    int messageNumber = 0;
    int stationId = 0;
    int itrfYear = 0;  // the 6-bit field; the realization is 2000 + it
    bool gps = false, glonass = false, galileo = false;
    bool nonPhysical = false;             // the reference-station indicator
    double x = 0, y = 0, z = 0;           // m
    std::optional<double> antennaHeight;  // 1006 only, m
};

// For a 1005 or 1006 frame with at least 19 payload bytes (21 for the 1006
// antenna height); std::nullopt otherwise.
std::optional<StationPosition> DecodeStationPosition(const Frame& frame);

// Messages 1007, 1008 and 1033: descriptor texts. A counted text is kept when
// its count is 1..31 and it ends inside the payload; its bytes are kept as
// sent (see PrintableAscii for showing them).
struct Descriptors {
    int messageNumber = 0;
    int stationId = 0;
    std::string antennaDescriptor, antennaSerial;
    std::optional<int> setupId;  // 1033 only
    std::string receiverType, receiverFirmware, receiverSerial;
};
std::optional<Descriptors> DecodeDescriptors(const Frame& frame);

// The name of a message number ("GPS MSM7 (Full GPS)", "Unknown").
std::string MessageName(int messageNumber);

// The satellite systems and signals a stream carries, from its message numbers.
struct SignalFlags {
    bool gps = false, gpsL1 = false, gpsL2 = false, gpsL5 = false;
    bool glonass = false, glonassG1 = false, glonassG2 = false;
    bool galileo = false;  // E1 and E5
    bool beidou = false;   // B1 and B2
    bool qzss = false, sbas = false, navic = false;
    void Add(int messageNumber);
    bool Any() const { return gps || glonass || galileo || beidou || qzss || sbas || navic; }
};

struct Geodetic {
    double latitude = 0, longitude = 0;  // degrees
    double height = 0;                   // m above the WGS 84 ellipsoid
};

// ECEF to WGS 84 by ten fixed-point steps on the latitude; the height by
// h = p cos(phi) + Z sin(phi) - a sqrt(1 - e2 sin2(phi)), which also holds on
// the polar axis.
Geodetic EcefToWgs84(double x, double y, double z);

// 6,000 km < |(x, y, z)| < 7,000 km: a position on the earth's surface.
bool PlausibleStationRadius(double x, double y, double z);

// Great-circle distance (haversine, R = 6371000 m) and initial bearing in
// [0, 360) degrees from (lat1, lon1) to (lat2, lon2), all in degrees.
double HaversineMetres(double lat1, double lon1, double lat2, double lon2);
double InitialBearingDegrees(double lat1, double lon1, double lat2, double lon2);

// "GMT+03:30", "GMT-05:00" for a standard bias in minutes (UTC = local + bias).
std::string TimeZoneLabel(long biasMinutes);

// The standard (not daylight-saving) bias of the local time zone, in minutes.
long LocalStandardBiasMinutes();

// Printable ASCII kept, every other byte '?': descriptor texts from the wire
// never bring control characters into a memo or a file.
std::string PrintableAscii(std::string_view bytes);

}  // namespace rtcm3
