// The serial reader's line cutting and NMEA parsing on arbitrary bytes: it
// must never crash, and what it hands on must keep its promises: lines
// without line feeds, NUL bytes or surrounding control characters, a bounded
// receive buffer, and finite positions and speeds.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "devices/NmeaParse.h"
#include "devices/TPlovanSerialGPS.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckLine(const std::string& line) {
    Check(!line.empty());
    Check(line.find('\n') == std::string::npos);
    Check(line.find('\0') == std::string::npos);
    Check(static_cast<unsigned char>(line.front()) > ' ' &&
          static_cast<unsigned char>(line.back()) > ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte sets the chunk size, so lines are cut at every boundary.
    const size_t chunk = 1 + data[0] % 97;
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const size_t count = size - 1;

    TPlovanSerialGPS gps;
    size_t lines = 0;
    gps.OnNewCommand = [&](TPlovanSerialGPS*, const std::string& line) {
        CheckLine(line);
        ++lines;
        // The reader's own parse follows; the helpers also see each field.
        const auto fields = TPlovanSerialGPS::SplitFields(line, ',');
        for (size_t i = 0; i + 1 < fields.size(); ++i)
            Check(std::isfinite(TPlovanSerialGPS::NmeaToDegrees(fields[i], fields[i + 1])));
    };
    gps.OnPosition3DChange = [](TPlovanSerialGPS*, double lat, double lon, double alt) {
        Check(std::isfinite(lat) && std::isfinite(lon) && std::isfinite(alt));
    };
    gps.OnSpeedChange = [](TPlovanSerialGPS*, double v) { Check(std::isfinite(v)); };
    for (size_t at = 0; at < count; at += chunk) {
        gps.ReceiveBytes(bytes + at, std::min(chunk, count - at));
        Check(gps.FRxBuffer.size() <= 4096);
        Check(gps.FRxBuffer.find('\n') == std::string::npos);
        Check(gps.FRxBuffer.find('\0') == std::string::npos);
    }
    Check(std::isfinite(gps.GetCourse()) && std::isfinite(gps.GetSpeed()));

    // The whole input as one sentence, too.
    const std::string whole(bytes, count);
    gps.ParseSentence(whole);
    Check(std::isfinite(gps.GetLatitude()) && std::isfinite(gps.GetLongitude()));
    (void)nmea::SplitFields(whole, ',');
    return 0;
}
