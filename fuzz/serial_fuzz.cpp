// The serial reader's line cutting and NMEA parsing on arbitrary bytes: it
// must never crash, and what it hands on must keep its promises: lines
// without line feeds, NUL bytes or surrounding control characters, a bounded
// receive buffer, and finite positions and speeds. Each line then goes on
// through the survey loop as both ports' lines do (GNSS sentences, the depth
// pipeline with the sound velocity profile on, the echogram's history), so a
// number of any size in any field must reach no cast without a bound (the
// sanitizers trap one) and leave finite depths.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "devices/NmeaParse.h"
#include "devices/TPlovanSerialGPS.h"
#include "navigation/DepthPipeline.h"
#include "navigation/Echogram.h"
#include "navigation/GnssSentences.h"

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

// The survey loop's handling of one line from either port.
struct SurveyLoop {
    SurveyState state;
    DepthPipeline pipeline;
    SBESFormat dpt{"%*6s,%lf"}, other{"%lf"}, twoValues{"%*6s,%lf,%lf"};
    DepthHistory history;

    void Line(const std::string& line, uint8_t choice) {
        (void)ApplyGnssLine(state, line, GnssLineContext{});
        static constexpr const char* kTypes[] = {"NMEA DPT", "OTHER", "Plovan XDR H/L"};
        const SBESFormat* formats[] = {&dpt, &other, &twoValues};
        DepthLineInputs in;
        in.messageType = kTypes[choice % 3];
        in.format = formats[choice % 3];
        in.draft = 0.5;
        in.alertDepth = 1.0;
        in.profile.inUse = choice & 4;
        in.profile.lines = {"1500", "1510", "1520"};
        in.realtimeDown = true;
        (void)pipeline.Process(state, line, in);
        Check(std::isfinite(state.DepthHigh) && std::isfinite(state.DepthLow));
        PushDepth(history, state.DepthHigh, kDepthHistorySize);
        const EchogramRange range = RangeOf(history, kDepthHistorySize, 0, 50);
        (void)GridOf(range);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte sets the chunk size, so lines are cut at every boundary.
    const size_t chunk = 1 + data[0] % 97;
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const size_t count = size - 1;

    TPlovanSerialGPS gps;
    SurveyLoop loop;
    size_t lines = 0;
    gps.OnNewCommand = [&](TPlovanSerialGPS*, const std::string& line) {
        CheckLine(line);
        loop.Line(line, static_cast<uint8_t>(data[0] >> 2));
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
