// NMEA parsing of the serial reader: field splitting, degrees, and the GGA,
// RMC and VTG sentences with the events they raise.
#include <gtest/gtest.h>

#include <cmath>

#include "devices/NmeaParse.h"
#include "devices/TPlovanSerialGPS.h"

namespace {

using Fields = std::vector<std::string>;

TEST(Nmea, SplitFieldsKeepsEmptyFields) {
    const std::pair<const char*, Fields> cases[] = {
        {"a,,b,", {"a", "", "b", ""}},
        {"$GPHDT,1.5,T", {"$GPHDT", "1.5", "T"}},
        {",", {"", ""}},
        {"", {""}},
        {"abc", {"abc"}},
        {",,x", {"", "", "x"}},
    };
    for (const auto& [text, fields] : cases) {
        EXPECT_EQ(TPlovanSerialGPS::SplitFields(text, ','), fields) << text;
        std::vector<std::string_view> views;
        nmea::SplitFieldViews(text, ',', views);
        EXPECT_EQ(Fields(views.begin(), views.end()), fields) << text;
    }
    EXPECT_EQ(TPlovanSerialGPS::SplitFields("1;2", ';'), (Fields{"1", "2"}));
}

TEST(Nmea, NmeaToDegrees) {
    const struct {
        const char* value;
        const char* hemisphere;
        double degrees;
    } cases[] = {
        {"4807.038", "N", 48.1173},
        {"4807.038", "S", -48.1173},
        {"01131.000", "E", 11.516666666666667},
        {"01131.000", "W", -11.516666666666667},
        {"01131.000", "", 3.1833333333333336},  // two degree digits without a hemisphere
        {"4807.038", "x", 48.1173},
        {"", "N", 0},
        {"4807", "N", 0},  // no '.'
        {"4.5", "N", 0},   // '.' before the third character
        {".5", "N", 0},
        {"12.5", "N", 12.0 + 0.5 / 60},  // '.' as the third character
        {"abcd.ef", "N", 0},
        {"0000.000", "S", 0},
        {"9000.000", "N", 90},
        {"18000.000", "W", -180},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(TPlovanSerialGPS::NmeaToDegrees(c.value, c.hemisphere), c.degrees, 1e-12)
            << c.value << " " << c.hemisphere;
    EXPECT_EQ(nmea::FieldNumber("abc"), 0);
    EXPECT_EQ(nmea::FieldNumber("-4.5"), -4.5);
    EXPECT_EQ(nmea::FieldNumber("nan"), 0);
    EXPECT_EQ(nmea::FieldNumber("1e999"), 0);
    EXPECT_EQ(nmea::FieldInteger("08"), 8);
    EXPECT_EQ(nmea::FieldInteger("1.5"), 0);
}

struct Events {
    TPlovanSerialGPS gps;
    std::vector<std::array<double, 3>> positions;
    std::vector<double> speeds;
    Events() {
        gps.OnPosition3DChange = [this](TPlovanSerialGPS* s, double la, double lo, double al) {
            EXPECT_EQ(s, &gps);
            positions.push_back({la, lo, al});
        };
        gps.OnSpeedChange = [this](TPlovanSerialGPS*, double v) { speeds.push_back(v); };
    }
};

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

TEST(Nmea, GgaSetsPositionQualityAndSatellitesOncePerChange) {
    Events e;
    e.gps.ParseSentence(kGga);
    EXPECT_NEAR(e.gps.GetLatitude(), 48.1173, 1e-12);
    EXPECT_NEAR(e.gps.GetLongitude(), 11.516666666666667, 1e-12);
    EXPECT_DOUBLE_EQ(e.gps.GetAltitude(), 545.4);
    EXPECT_EQ(e.gps.GetFixQuality(), 1);
    EXPECT_EQ(e.gps.GetSatellites(), 8);
    ASSERT_EQ(e.positions.size(), 1u);
    EXPECT_EQ(e.positions[0][0], e.gps.GetLatitude());
    EXPECT_EQ(e.positions[0][2], 545.4);
    e.gps.ParseSentence(kGga);
    EXPECT_EQ(e.positions.size(), 1u);

    // Only the satellites change: no event, the count is kept.
    e.gps.ParseSentence("$GPGGA,123520,4807.038,N,01131.000,E,4,11,0.9,545.4,M,46.9,M,,*47");
    EXPECT_EQ(e.positions.size(), 1u);
    EXPECT_EQ(e.gps.GetSatellites(), 11);
    EXPECT_EQ(e.gps.GetFixQuality(), 4);

    // Empty quality, satellites and altitude keep the stored values.
    e.gps.ParseSentence("$GPGGA,123521,4807.038,S,01131.000,W,,,0.9,,M,46.9,M,,");
    ASSERT_EQ(e.positions.size(), 2u);
    EXPECT_NEAR(e.positions[1][0], -48.1173, 1e-12);
    EXPECT_NEAR(e.positions[1][1], -11.516666666666667, 1e-12);
    EXPECT_EQ(e.positions[1][2], 545.4);
    EXPECT_EQ(e.gps.GetFixQuality(), 4);
    EXPECT_EQ(e.gps.GetSatellites(), 11);

    // Before the first fix: empty position reads as 0, 0 and is reported.
    e.gps.ParseSentence("$GPGGA,,,,,,0,,,,M,,M,,*66");
    ASSERT_EQ(e.positions.size(), 3u);
    EXPECT_EQ(e.positions[2][0], 0);
    EXPECT_EQ(e.positions[2][1], 0);
    EXPECT_EQ(e.positions[2][2], 545.4);
    EXPECT_EQ(e.gps.GetFixQuality(), 0);
}

TEST(Nmea, MalformedSentencesChangeNothing) {
    const char* cases[] = {
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9",                   // fewer than ten fields
        "$GPGG",                                                           // too short
        "$GPGGA*47,4807.038,N,01131.000,E,1,08,0.9,545.4,M",               // all after '*' is cut
        "$GPgga,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",  // case-sensitive type
        "$GPRMC,123519,A,4807.038",
        "$GPVTG,054.7,T,034.4,M",
        "$GPZDA,193913.00,07,09,2018,00,00*63",
        "$GNGSA,A,3,02,07,14,15,17,20,22,30,,,,,1.5,0.9,1.2,1*3C",
        "$GPHDT,229.8,T",
        "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",  // no '$': the reader
                                                                          // never passes it, parse
                                                                          // dispatches on position
    };
    for (const char* line : cases) {
        Events e;
        e.gps.ParseSentence(line);
        EXPECT_TRUE(e.positions.empty()) << line;
        EXPECT_TRUE(e.speeds.empty()) << line;
        EXPECT_EQ(e.gps.GetFixQuality(), 0) << line;
        EXPECT_EQ(e.gps.GetCourse(), 0) << line;
    }
}

TEST(Nmea, TalkerAndChecksumDoNotMatter) {
    for (const char* line : {"$GNGGA,1,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*00",
                             "$GLGGA,1,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*FF",
                             "$GPGGA,1,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,"}) {
        Events e;
        e.gps.ParseSentence(line);
        EXPECT_EQ(e.positions.size(), 1u) << line;
        EXPECT_EQ(e.gps.GetFixQuality(), 2) << line;
    }
}

TEST(Nmea, RmcAndVtgSetSpeedAndCourse) {
    Events e;
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6A");
    EXPECT_NEAR(e.gps.GetSpeed(), 18.52, 1e-12);
    EXPECT_DOUBLE_EQ(e.gps.GetCourse(), 84.4);
    ASSERT_EQ(e.speeds.size(), 1u);
    EXPECT_NEAR(e.speeds[0], 18.52, 1e-12);
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6A");
    EXPECT_EQ(e.speeds.size(), 1u);
    EXPECT_TRUE(e.positions.empty());  // RMC's position is not used

    // Exactly eight fields: speed, no course.
    e.gps.ParseSentence("$GPRMC,123520,A,4807.038,N,01131.000,E,005.0");
    EXPECT_NEAR(e.gps.GetSpeed(), 9.26, 1e-12);
    EXPECT_DOUBLE_EQ(e.gps.GetCourse(), 84.4);
    EXPECT_EQ(e.speeds.size(), 2u);

    e.gps.ParseSentence("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    EXPECT_DOUBLE_EQ(e.gps.GetCourse(), 54.7);
    EXPECT_DOUBLE_EQ(e.gps.GetSpeed(), 10.2);
    EXPECT_EQ(e.speeds.size(), 3u);

    // Empty fields leave the values; a garbled speed reads as 0.
    e.gps.ParseSentence("$GPVTG,,T,,M,,N,,K,N*2C");
    EXPECT_DOUBLE_EQ(e.gps.GetCourse(), 54.7);
    EXPECT_EQ(e.speeds.size(), 3u);
    e.gps.ParseSentence("$GPVTG,054.7,T,034.4,M,005.5,N,abc,K");
    EXPECT_EQ(e.gps.GetSpeed(), 0);
    ASSERT_EQ(e.speeds.size(), 4u);
    EXPECT_EQ(e.speeds[3], 0);
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,abc,abc,230394");
    EXPECT_EQ(e.gps.GetCourse(), 0);
    EXPECT_EQ(e.speeds.size(), 4u);  // still 0: no change
}

// RMC raises its speed event before it takes the course; VTG takes the
// course first. A speed handler reading the course sees exactly that.
TEST(Nmea, SpeedEventComesBeforeTheRmcCourseAndAfterTheVtgCourse) {
    Events e;
    std::vector<double> coursesSeen;
    e.gps.OnSpeedChange = [&](TPlovanSerialGPS* s, double) {
        coursesSeen.push_back(s->GetCourse());
    };
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6A");
    EXPECT_DOUBLE_EQ(e.gps.GetCourse(), 84.4);
    e.gps.ParseSentence("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    EXPECT_EQ(coursesSeen, (std::vector<double>{0, 54.7}));
}

TEST(Nmea, GarbledGgaNumbersReadAsZero) {
    Events e;
    e.gps.ParseSentence("$GPGGA,123519,4807.038,N,01131.000,E,x,abc,0.9,abc,M,46.9,M,,");
    EXPECT_EQ(e.gps.GetFixQuality(), 0);
    EXPECT_EQ(e.gps.GetSatellites(), 0);
    EXPECT_EQ(e.gps.GetAltitude(), 0);
    ASSERT_EQ(e.positions.size(), 1u);
}

TEST(Nmea, TheOwnerSeesALineBeforeTheReaderParsesIt) {
    Events e;
    std::vector<std::string> order;
    e.gps.OnNewCommand = [&](TPlovanSerialGPS* s, const std::string& line) {
        order.push_back("line " + line.substr(0, 6));
        // The position of this very sentence is not stored yet.
        if (line.rfind("$GPGGA", 0) == 0) {
            EXPECT_EQ(s->GetLatitude(), 0);
            EXPECT_EQ(s->GetFixQuality(), 0);
        } else {
            EXPECT_EQ(s->GetFixQuality(), 1);
        }
    };
    e.gps.OnPosition3DChange = [&](TPlovanSerialGPS*, double, double, double) {
        order.push_back("position");
    };
    const std::string bytes = kGga + "\r\n$GPHDT,1,T\r\n";
    e.gps.ReceiveBytes(bytes.data(), bytes.size());
    EXPECT_EQ(order, (std::vector<std::string>{"line $GPGGA", "position", "line $GPHDT"}));
    EXPECT_TRUE(e.gps.FDataSeen);
}

}  // namespace
