#include "devices/Rtcm3.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/VclText.h"
#include "tests/support/Capture.h"
#include "tests/support/RtcmEncoder.h"
#include "tests/support/TempHome.h"

using namespace rtcm3;
using phxtest::BitWriter;
using phxtest::RtcmFrame;
using phxtest::StationPayload;

namespace {

std::vector<Frame> Frames(std::string_view bytes) {
    std::vector<Frame> frames;
    ScanFrames(bytes, [&](const Frame& f) { frames.push_back(f); });
    return frames;
}

std::map<int, int> Counts(std::string_view bytes) {
    std::map<int, int> counts;
    for (const Frame& f : Frames(bytes)) ++counts[f.messageNumber];
    return counts;
}

std::string Shell(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[4096];
    size_t n;
    while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    return out;
}

bool Have(const char* tool) { return !Shell(std::string("command -v ") + tool).empty(); }

}  // namespace

TEST(Rtcm3Capture, StandardExamplesGiveStation2003) {
    const std::string bytes = phxtest::CaptureBytes("rtcm3/rtcm3.log");
    ASSERT_FALSE(bytes.empty());
    const std::vector<Frame> frames = Frames(bytes);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].messageNumber, 1029);
    const auto station = DecodeStationPosition(frames[1]);
    ASSERT_TRUE(station);
    EXPECT_EQ(station->stationId, 2003);
    EXPECT_NEAR(station->x, 1114104.5999, 1e-9);
    EXPECT_NEAR(station->y, -4850729.7108, 1e-9);
    EXPECT_NEAR(station->z, 3975521.4643, 1e-9);
    const Geodetic g = EcefToWgs84(station->x, station->y, station->z);
    EXPECT_NEAR(g.latitude, 38.80475943, 5e-9);
    EXPECT_NEAR(g.longitude, -77.06477360, 5e-9);
    EXPECT_NEAR(g.height, 114.561, 5e-4);
}

TEST(Rtcm3Capture, ReferenceNetworkStreamAgreesWithRtklib) {
    const std::string bytes = phxtest::CaptureBytes("rtcm3/rtcm3.bndm.log");
    ASSERT_FALSE(bytes.empty());
    const std::map<int, int> expected = {{1004, 33}, {1006, 8}, {1008, 6}, {1012, 33},
                                         {1013, 7},  {1029, 1}, {1033, 6}, {1230, 6}};
    EXPECT_EQ(Counts(bytes), expected);

    std::optional<StationPosition> station;
    Descriptors receiver;
    for (const Frame& f : Frames(bytes)) {
        if (auto s = DecodeStationPosition(f)) station = s;
        if (auto d = DecodeDescriptors(f); d && d->messageNumber == 1033) receiver = *d;
    }
    ASSERT_TRUE(station);
    EXPECT_EQ(station->stationId, 278);
    EXPECT_EQ(receiver.antennaDescriptor, "GPPNULLANTENNA");
    EXPECT_EQ(receiver.receiverType, "LEICA GRX1200+GNSS");
    EXPECT_EQ(receiver.receiverFirmware, "9.20");
    EXPECT_EQ(receiver.receiverSerial, "496710");

    if (!Have("convbin") || !Have("CartConvert")) GTEST_SKIP() << "RTKLIB or GeographicLib missing";
    phxtest::TempHome home;
    const std::string stream = home.home() + "bndm.rtcm3", obs = home.home() + "bndm.obs";
    std::ofstream(stream, std::ios::binary) << bytes;
    Shell("convbin -r rtcm3 -tr 2020/01/24 00:00:00 " + stream + " -o " + obs + " 2>/dev/null");
    std::ifstream header(obs);
    std::string line, marker, rec, ant;
    double x = 0, y = 0, z = 0;
    while (std::getline(header, line) && line.find("END OF HEADER") == std::string::npos) {
        if (line.find("MARKER NAME") != std::string::npos) marker = line.substr(0, 20);
        if (line.find("REC # / TYPE") != std::string::npos) rec = line.substr(0, 60);
        if (line.find("ANT # / TYPE") != std::string::npos) ant = line.substr(20, 20);
        if (line.find("APPROX POSITION XYZ") != std::string::npos)
            std::istringstream(line.substr(0, 60)) >> x >> y >> z;
    }
    EXPECT_EQ(std::stoi(marker), station->stationId);
    EXPECT_EQ(platform::Trim(rec.substr(0, 20)), receiver.receiverSerial);
    EXPECT_EQ(platform::Trim(rec.substr(20, 20)), receiver.receiverType);
    EXPECT_EQ(platform::Trim(rec.substr(40, 20)), receiver.receiverFirmware);
    EXPECT_EQ(platform::Trim(ant), receiver.antennaDescriptor);
    EXPECT_NEAR(station->x, x, 1e-4);
    EXPECT_NEAR(station->y, y, 1e-4);
    EXPECT_NEAR(station->z, z, 1e-4);

    double lat = 0, lon = 0, h = 0;
    std::istringstream(Shell("echo '" + std::to_string(station->x) + " " +
                             std::to_string(station->y) + " " + std::to_string(station->z) +
                             "' | CartConvert -r -p 9")) >>
        lat >> lon >> h;
    const Geodetic g = EcefToWgs84(station->x, station->y, station->z);
    EXPECT_NEAR(g.latitude, lat, 1e-9);
    EXPECT_NEAR(g.longitude, lon, 1e-9);
    EXPECT_NEAR(g.height, h, 1e-4);
}

TEST(Rtcm3Scan, TakesOnlyWholeFramesWithTheirCrc) {
    const std::string a = RtcmFrame(phxtest::NumberPayload(1004));
    const std::string b = RtcmFrame(StationPayload(2003, 4208000, 2330000, 4173000));
    // A fake 1005 with a wrong CRC hidden in a 1029 text frame.
    const std::string fake = RtcmFrame(StationPayload(99, 4208000, 2330000, 4173000), true);
    const std::string text = RtcmFrame(BitWriter().Put(1029, 12).Put(0, 4).PutText(fake).Bytes());
    std::string corrupt = a;
    corrupt[5] ^= 0x40;
    const std::string empty("\xD3\x00\x00\x47\xEA\x4B", 6);
    ASSERT_EQ(rtcm3::Crc24q(reinterpret_cast<const std::uint8_t*>(empty.data()), 3), 0x47EA4Bu);

    struct Case {
        const char* name;
        std::string bytes;
        std::vector<int> numbers;
    } cases[] = {
        {"one frame and nothing after it", b, {1005}},
        {"line feeds between frames", a + "\n" + b + "\r\n", {1004, 1005}},
        {"a fake frame inside a payload", text + b, {1029, 1005}},
        {"a bare fake frame", fake + b, {1005}},
        {"a corrupt frame, then resync", corrupt + b, {1005}},
        {"the empty keep-alive frame", empty + b, {1005}},
        {"a truncated last frame", b + a.substr(0, a.size() - 1), {1005}},
        {"a 0xD3 announcing more than there is", std::string("\xD3\x03\xFF", 3) + b, {1005}},
        {"fewer than six bytes", std::string("\xD3\x00\x02\x3E\xD0", 5), {}},
    };
    for (const Case& c : cases) {
        std::vector<int> numbers;
        size_t end = 0;
        for (const Frame& f : Frames(c.bytes)) {
            numbers.push_back(f.messageNumber);
            EXPECT_GE(f.offset, end) << c.name << ": frames overlap";
            end = f.offset + f.size;
        }
        EXPECT_EQ(numbers, c.numbers) << c.name;
    }
}

TEST(Rtcm3Decode, StationPositionFields) {
    const std::string payload =
        StationPayload(4095, -6378137.1234, -1.0001, -0.0001, 1006, 1.5432, true, 9);
    const std::string bytes = RtcmFrame(payload);  // the frame's payload points into it
    const Frame frame = Frames(bytes).at(0);
    const auto s = DecodeStationPosition(frame);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->stationId, 4095);
    EXPECT_EQ(s->itrfYear, 9);
    EXPECT_TRUE(s->gps);
    EXPECT_FALSE(s->glonass);
    EXPECT_TRUE(s->nonPhysical);
    EXPECT_NEAR(s->x, -6378137.1234, 1e-9);
    EXPECT_NEAR(s->y, -1.0001, 1e-9);
    EXPECT_NEAR(s->z, -0.0001, 1e-9);
    ASSERT_TRUE(s->antennaHeight);
    EXPECT_NEAR(*s->antennaHeight, 1.5432, 1e-9);

    // 18 payload bytes are too few; a 1006 of 19 or 20 bytes has no height.
    const std::string full = StationPayload(1, 4e6, 2e6, 4.5e6);
    EXPECT_FALSE(DecodeStationPosition(Frames(RtcmFrame(full.substr(0, 18))).at(0)));
    const std::string short1006 = StationPayload(1, 4e6, 2e6, 4.5e6, 1006, 2.0).substr(0, 20);
    const auto noHeight = DecodeStationPosition(Frames(RtcmFrame(short1006)).at(0));
    ASSERT_TRUE(noHeight);
    EXPECT_FALSE(noHeight->antennaHeight);
}

TEST(Rtcm3Decode, CountedDescriptorTexts) {
    const auto descriptor = [](int number, std::vector<std::pair<int, std::string>> texts,
                               int setup = 7) {
        BitWriter w;
        w.Put(number, 12).Put(278, 12);
        for (size_t i = 0; i < texts.size(); ++i) {
            w.Put(texts[i].first, 8).PutText(texts[i].second);
            if (i == 0) w.Put(setup, 8);
        }
        return *DecodeDescriptors(Frames(RtcmFrame(w.Bytes())).at(0));
    };
    const std::string s31(31, 'A'), s32(32, 'B');
    EXPECT_EQ(descriptor(1007, {{1, "X"}}).antennaDescriptor, "X");
    EXPECT_EQ(descriptor(1007, {{31, s31}}).antennaDescriptor, s31);
    EXPECT_EQ(descriptor(1007, {{32, s32}}).antennaDescriptor, "");
    EXPECT_EQ(descriptor(1007, {{0, ""}}).antennaDescriptor, "");
    EXPECT_EQ(descriptor(1007, {{10, "SHORT"}}).antennaDescriptor, "");  // runs past the payload
    const Descriptors d1008 = descriptor(1008, {{10, "ANTENNA123"}, {8, "SER12345"}}, 0);
    EXPECT_EQ(d1008.antennaDescriptor, "ANTENNA123");
    EXPECT_EQ(d1008.antennaSerial, "SER12345");
    EXPECT_EQ(d1008.stationId, 278);

    // 1033 walks on after a text it leaves out.
    const Descriptors d1033 =
        descriptor(1033, {{3, "ANT"}, {0, ""}, {40, ""}, {4, "9.20"}, {2, "42"}});
    EXPECT_EQ(d1033.antennaDescriptor, "ANT");
    EXPECT_EQ(d1033.setupId, 7);
    EXPECT_EQ(d1033.receiverType, "");
    // The 40 count is skipped; the walk reads "4" as the firmware count next.
    EXPECT_EQ(d1033.receiverFirmware, "9.20");
    EXPECT_EQ(d1033.receiverSerial, "42");
    EXPECT_EQ(PrintableAscii(std::string("A\0B\x7F\xC3\xA7\n", 7)), "A?B????");
}

TEST(Rtcm3Geodesy, ShellPolesAndDistances) {
    EXPECT_FALSE(PlausibleStationRadius(6e6, 0, 0));
    EXPECT_FALSE(PlausibleStationRadius(0, 7e6, 0));
    EXPECT_TRUE(PlausibleStationRadius(0, 0, 6.4e6));
    EXPECT_FALSE(PlausibleStationRadius(1, 1, 1));

    // On the polar axis the height is Z - b, not -N.
    const Geodetic pole = EcefToWgs84(0, 0, 6356752.314245 + 25.0);
    EXPECT_NEAR(pole.latitude, 90.0, 1e-9);
    EXPECT_NEAR(pole.height, 25.0, 1e-6);
    const Geodetic south = EcefToWgs84(0, 0, -6356752.314245 - 3.0);
    EXPECT_NEAR(south.latitude, -90.0, 1e-9);
    EXPECT_NEAR(south.height, 3.0, 1e-6);

    const Geodetic base = EcefToWgs84(4208000, 2330000, 4173000);
    EXPECT_NEAR(base.latitude, 41.13442695, 5e-9);
    EXPECT_NEAR(base.longitude, 28.97361581, 5e-9);
    EXPECT_NEAR(base.height, -1031.61, 5e-3);

    struct Case {
        double lat, lon;
        double metres, bearing;
    } cases[] = {{38.6, -77.0, 23450, 346.2}, {38.8045, -77.0645, 37.3, -1}};
    for (const Case& c : cases) {
        const double d = HaversineMetres(c.lat, c.lon, 38.80475943, -77.06477360);
        EXPECT_NEAR(d, c.metres, c.metres > 1000 ? 5 : 0.05);
        if (c.bearing >= 0) {
            EXPECT_NEAR(InitialBearingDegrees(c.lat, c.lon, 38.80475943, -77.06477360), c.bearing,
                        0.05);
        }
    }
    EXPECT_EQ(InitialBearingDegrees(0, 0, 0, 0), 0.0);
}

TEST(Rtcm3Names, TableAndSignals) {
    const std::pair<int, const char*> names[] = {{999, "Unknown"},
                                                 {1005, "Station ARP (Antenna Reference Point)"},
                                                 {1077, "GPS MSM7 (Full GPS)"},
                                                 {1104, "SBAS MSM4"},
                                                 {1107, "SBAS MSM7"},
                                                 {1127, "BeiDou MSM7 (Full BeiDou)"},
                                                 {1137, "NavIC MSM7"},
                                                 {1138, "Unknown"},
                                                 {4073, "u-blox Proprietary"},
                                                 {1230, "GLONASS Code-Phase Biases"}};
    for (const auto& [number, name] : names) EXPECT_EQ(MessageName(number), name) << number;

    SignalFlags msm;
    for (int n : {1074, 1084, 1094, 1124}) msm.Add(n);
    EXPECT_TRUE(msm.gpsL1 && msm.gpsL2 && msm.gpsL5 && msm.glonassG1 && msm.glonassG2);
    EXPECT_TRUE(msm.galileo && msm.beidou);
    EXPECT_FALSE(msm.qzss || msm.sbas || msm.navic);
    SignalFlags legacy;
    legacy.Add(1004);
    EXPECT_TRUE(legacy.gpsL1 && legacy.gpsL2);
    EXPECT_FALSE(legacy.gpsL5 || legacy.glonass);
}

TEST(Rtcm3TimeZone, LabelsFromTheStandardBias) {
    EXPECT_EQ(TimeZoneLabel(-180), "GMT+03:00");
    EXPECT_EQ(TimeZoneLabel(-210), "GMT+03:30");
    EXPECT_EQ(TimeZoneLabel(0), "GMT+00:00");
    EXPECT_EQ(TimeZoneLabel(300), "GMT-05:00");
    EXPECT_EQ(TimeZoneLabel(30), "GMT-00:30");
    const char* old = getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "<+0330>-3:30", 1);
    EXPECT_EQ(TimeZoneLabel(LocalStandardBiasMinutes()), "GMT+03:30");
    setenv("TZ", "EST5EDT", 1);  // daylight saving never counts
    EXPECT_EQ(TimeZoneLabel(LocalStandardBiasMinutes()), "GMT-05:00");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
