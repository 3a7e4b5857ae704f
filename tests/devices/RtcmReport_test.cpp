#include "devices/RtcmReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "devices/Rtcm3.h"
#include "tests/support/Capture.h"
#include "tests/support/RtcmEncoder.h"
#include "tests/support/TempHome.h"

using namespace rtcm3;

namespace {

ReportInput Input(std::string raw, double lat, double lon) {
    ReportInput in;
    in.raw = std::move(raw);
    in.latitude = lat;
    in.longitude = lon;
    in.now = platform::DateTime{2026, 3, 5, 14, 7, 9, 0};
    in.timeZone = "GMT+03:00";
    return in;
}

bool Has(const Report& r, const std::string& line) {
    return std::find(r.lines.begin(), r.lines.end(), line) != r.lines.end();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(RtcmReport, WholeReportByteForByte) {
    // The standard's two example frames with a 1004 frame in front: 72 bytes
    // are the capture's, the 1004 adds its own.
    std::string raw = phxtest::CaptureBytes("rtcm3/rtcm3.log");
    ASSERT_EQ(raw.size(), 72u);
    const std::string gps = phxtest::RtcmFrame(phxtest::NumberPayload(1004, 2));
    ReportInput in = Input(gps + raw, 38.6, -77.0);
    in.altitude = 12.34;
    in.manualPosition = true;
    std::vector<std::string> expected = Lines(
        phxtest::ReadAll(std::string(PHX_TEST_DATA_DIR) + "/rtcm_fixtures/station2003_note.txt"));
    expected[2] = "Buffer size: " + std::to_string(in.raw.size()) + " bytes";
    const Report report = BuildReport(in);
    EXPECT_EQ(report.lines, expected);
    EXPECT_TRUE(report.stationDecoded);
    EXPECT_EQ(report.stationId, 2003);
}

TEST(RtcmReport, DistanceLinesAndTheVesselWithoutAPosition) {
    const std::string raw = phxtest::CaptureBytes("rtcm3/rtcm3.log");
    const Report far = BuildReport(Input(raw, 38.5, -77.3));
    EXPECT_TRUE(Has(far, "WARNING: Distance > 35 km - RTK accuracy may be degraded!"));
    EXPECT_FALSE(Has(far, "NOTE: Distance > 20 km - Consider using closer base station"));
    EXPECT_TRUE(Has(BuildReport(Input(raw, 38.8045, -77.0645)), "Distance to Base: 37.3 m"));

    const Report none = BuildReport(Input(raw, 0, 0));
    EXPECT_TRUE(Has(none, "(Vessel position not available - cannot calculate distance)"));
    EXPECT_FALSE(Has(none, "DISTANCE TO BASE STATION"));

    // 41.99999999 rounds to a whole degree, never "4160.0000".
    EXPECT_TRUE(Has(BuildReport(Input(raw, 41.99999999, -0.5)), "  GGA Lat: 4200.0000 N"));
}

TEST(RtcmReport, ImplausibleStationWarnsAndKeepsTheAcceptedOne) {
    const std::string good = phxtest::RtcmFrame(phxtest::StationPayload(7, 4e6, 2e6, 4.5e6));
    const std::string bad = phxtest::RtcmFrame(phxtest::StationPayload(7, 1, 1, 1));
    const Report report = BuildReport(Input(good + bad, 0, 0));
    ASSERT_GE(report.lines.size(), 6u);
    EXPECT_EQ(report.lines[5], "  WARNING: ECEF magnitude invalid - parsing may be incorrect!");
    EXPECT_TRUE(Has(report, "  X: 4000000.0000 m"));  // not the later 1 m
    EXPECT_TRUE(report.stationDecoded);

    const Report only = BuildReport(Input(bad, 0, 0));
    EXPECT_FALSE(only.stationDecoded);
    EXPECT_FALSE(Has(only, "ECEF Coordinates:"));
}

TEST(RtcmReport, NamesSignalsAndPrintableDescriptors) {
    std::string raw;
    for (int n : {1074, 1084, 1094, 1124, 999})
        raw += phxtest::RtcmFrame(phxtest::NumberPayload(n));
    phxtest::BitWriter w;
    w.Put(1008, 12)
        .Put(5, 12)
        .Put(4, 8)
        .PutText(std::string("AB\0\n", 4))
        .Put(0, 8)
        .Put(2, 8)
        .PutText("S1");
    raw += phxtest::RtcmFrame(w.Bytes());
    const Report report = BuildReport(Input(raw, 0, 0));
    for (const char* line :
         {"GPS: L1 L2 L5", "GLONASS: G1 G2", "Galileo: E1 E5", "BeiDou: B1 B2",
          "  999 - Unknown (x1)", "  1074 - GPS MSM4 (x1)", "Antenna Type: AB??",
          "Antenna Serial: S1", "Station ID: 5", "Total: 6 RTCM messages parsed"})
        EXPECT_TRUE(Has(report, line)) << line;
    for (const std::string& line : report.lines)
        for (char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << line;
    EXPECT_FALSE(Has(report, "VESSEL POSITION (sent to VRS)"));
}
