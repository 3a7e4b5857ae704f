// NMEA parsing of the serial reader: addresses and checksums, field
// splitting, numbers and degrees, and the GGA, RMC and VTG sentences with the
// events they raise, including the fields that can never be values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>

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
    // Non-finite parts read as 0 here; PositionDegrees refuses them.
    EXPECT_EQ(TPlovanSerialGPS::NmeaToDegrees("48.1e999", "N"), 48);
    EXPECT_EQ(nmea::FieldInteger("08"), 8);
    EXPECT_EQ(nmea::FieldInteger("1.5"), 0);
}

TEST(Nmea, FieldNumbersAreZeroWhenNotANumberAndNothingWhenNotFinite) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"-4.5", -4.5},
        {"1e308", 1e308},  // finite itself; times 1.852 it is not (see the RMC case)
        {"1e-5", 1e-5},
        {"abc", 0},
        {"", 0},
        {"1.2.3", 0},
        {"0x1F", 0},
        {"nan", std::nullopt},
        {"NaN", std::nullopt},
        {"-nan", std::nullopt},
        {"inf", std::nullopt},
        {"+INF", std::nullopt},
        {"-Infinity", std::nullopt},
        {"1e999", std::nullopt},
        {"-1e400", std::nullopt},
        {" 1e999 ", std::nullopt},
        {"infinite", 0},  // not a spelling of infinity: just not a number
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(nmea::FieldNumber(text), value) << text;
}

TEST(Nmea, AddressesCutNothingButAnNmeaStart) {
    EXPECT_TRUE(nmea::IsAddressAt("$GPGGA,1", 0));
    EXPECT_TRUE(nmea::IsAddressAt("$PGRMC,", 0));  // proprietary is still NMEA
    EXPECT_TRUE(nmea::IsAddressAt("$sd123,", 0));
    EXPECT_TRUE(nmea::IsAddressAt("x$GNRMC,", 1));
    for (const char* text : {"$GPGGA", "$GPGGAX,", "$GPGG,", "$GP GA,", "$GP*GA,", "GPGGA,", "",
                             "$\xB5GGA,", "$$GPGG,"})
        EXPECT_FALSE(nmea::IsAddressAt(text, 0)) << text;
    EXPECT_EQ(nmea::FindAddress("$GPGGA,1*47$GPRMC,2", 1), 11u);
    EXPECT_EQ(nmea::FindAddress("\xB5\x62$\x01$GPHDT,1,T", 0), 4u);
    EXPECT_EQ(nmea::FindAddress("DPT $ 12.3 $GPGGAX,", 0), std::string_view::npos);
    EXPECT_EQ(nmea::FindAddress("$GPGGA,", 1), std::string_view::npos);
}

TEST(Nmea, ChecksumIsJudgedOnlyOnNmeaLinesWithAStar) {
    using nmea::Checksum;
    const std::pair<const char*, Checksum> cases[] = {
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", Checksum::Good},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6F", Checksum::Good},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6f", Checksum::Good},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48", Checksum::Bad},
        {"$GPGGA,123519,4807.039,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", Checksum::Bad},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*4", Checksum::Bad},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*470", Checksum::Bad},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*", Checksum::Bad},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*4G", Checksum::Bad},
        {"$GPGGA,1,*00*00", Checksum::Bad},
        {"$PGRMC,A,218.8*00", Checksum::Bad},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", Checksum::NotJudged},
        {"$GPGGAX,1,2*00", Checksum::NotJudged},  // not an NMEA address
        {"$GPGGA*47,1", Checksum::NotJudged},
        {"DBT,12.3,f*00", Checksum::NotJudged},
        {"", Checksum::NotJudged},
    };
    for (const auto& [line, verdict] : cases) EXPECT_EQ(nmea::JudgeChecksum(line), verdict) << line;
}

// Every length, so that every split of the sum into words and rest is met.
TEST(Nmea, ChecksumOfEveryLength) {
    std::string body = "GPTXT,";
    for (int k = 0; k < 90; ++k) {
        body.push_back(static_cast<char>('0' + (k * 7) % 43));
        unsigned sum = 0;
        for (char c : body) sum ^= static_cast<unsigned char>(c);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", sum);
        const std::string line = "$" + body + "*" + hex;
        EXPECT_EQ(nmea::JudgeChecksum(line), nmea::Checksum::Good) << line;
        std::string flipped = line;
        flipped[7 + static_cast<size_t>(k)] ^= 0x01;
        EXPECT_EQ(nmea::JudgeChecksum(flipped), nmea::Checksum::Bad) << flipped;
    }
}

TEST(Nmea, OnlyATalkerAddressHasASentenceType) {
    const std::pair<const char*, const char*> cases[] = {
        {"$GPGGA,1", "GGA"}, {"$GNRMC", "RMC"}, {"$GLVTG,", "VTG"}, {"$GPGGAX,1", ""},
        {"$PGRMC,A", ""},    {"$PGGGA,1", ""},  {"$G1GGA,1", ""},   {"$gpGGA,1", ""},
        {"$GPGG", ""},       {"GPGGA,1,2", ""}, {"$GPGGA1", ""},    {"$GPGga,1", ""},
    };
    for (const auto& [sentence, type] : cases)
        EXPECT_EQ(nmea::TalkerSentenceType(sentence), type) << sentence;
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
    e.gps.ParseSentence("$GPGGA,123520,4807.038,N,01131.000,E,4,11,0.9,545.4,M,46.9,M,,*40");
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

TEST(Nmea, AnyTalkerWithOrWithoutChecksum) {
    for (const char* line : {"$GNGGA,1,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*66",
                             "$GLGGA,1,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*64",
                             "$GPGGA,1,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,"}) {
        Events e;
        e.gps.ParseSentence(line);
        EXPECT_EQ(e.positions.size(), 1u) << line;
        EXPECT_EQ(e.gps.GetFixQuality(), 2) << line;
    }
}

TEST(Nmea, RmcAndVtgSetSpeedAndCourse) {
    Events e;
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6F");
    EXPECT_NEAR(e.gps.GetSpeed(), 18.52, 1e-12);
    EXPECT_DOUBLE_EQ(e.gps.GetCourse(), 84.4);
    ASSERT_EQ(e.speeds.size(), 1u);
    EXPECT_NEAR(e.speeds[0], 18.52, 1e-12);
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6F");
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
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6F");
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

// A reader that has seen one good GGA, RMC and VTG: 48.1173 N 11.5167 E,
// 545.4 m, quality 1, 8 satellites, 18.52 km/h, course 84.4.
struct Settled : Events {
    Settled() {
        gps.ParseSentence(kGga);
        gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,010.0,084.4,230394,003.1,W*6F");
        positions.clear();
        speeds.clear();
    }
    void ExpectUnchanged(const std::string& line) const {
        EXPECT_TRUE(positions.empty()) << line;
        EXPECT_TRUE(speeds.empty()) << line;
        EXPECT_NEAR(gps.GetLatitude(), 48.1173, 1e-12) << line;
        EXPECT_NEAR(gps.GetLongitude(), 11.516666666666667, 1e-12) << line;
        EXPECT_EQ(gps.GetAltitude(), 545.4) << line;
        EXPECT_EQ(gps.GetFixQuality(), 1) << line;
        EXPECT_EQ(gps.GetSatellites(), 8) << line;
        EXPECT_NEAR(gps.GetSpeed(), 18.52, 1e-12) << line;
        EXPECT_EQ(gps.GetCourse(), 84.4) << line;
    }
};

TEST(Nmea, ImpossibleFieldsChangeNothing) {
    const char* cases[] = {
        // Numbers that are not finite, as they are or once converted.
        "$GPRMC,123519,A,4807.038,N,01131.000,E,1e308,084.4,230394,003.1,W*2F",
        "$GPRMC,123519,A,4807.038,N,01131.000,E,nan,inf,230394,003.1,W",
        "$GPRMC,123519,A,4807.038,N,01131.000,E,-INF,1e999,230394",
        "$GPVTG,nan,T,034.4,M,005.5,N,inf,K",
        "$GPVTG,1e400,T,,M,,N,1e309,K",
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,nan,M,46.9,M,,",
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,-1e999,M,46.9,M,,",
        "$GPGGA,123519,48.1e999,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
        // Positions off the globe.
        "$GPGGA,123519,9575.000,N,01131.000,E,1,08,0.9,500.0,M,46.9,M,,",  // 96.25 degrees
        "$GPGGA,123519,4875.000,N,01131.000,E,1,08,0.9,500.0,M,46.9,M,,",  // 75 minutes
        "$GPGGA,123519,4860.000,N,01131.000,E,1,08,0.9,500.0,M,46.9,M,,",  // 60 minutes
        "$GPGGA,123519,9000.001,S,01131.000,E,1,08,0.9,500.0,M,46.9,M,,",  // just past the pole
        "$GPGGA,123519,4807.038,N,18100.000,W,1,08,0.9,500.0,M,46.9,M,,",  // 181 degrees
        "$GPGGA,123519,4807.038,N,18000.060,E,1,08,0.9,500.0,M,46.9,M,,",  // past 180
        "$GPGGA,123519,4807.038,N,01160.000,E,1,08,0.9,500.0,M,46.9,M,,",  // 60 minutes
        "$GPGGA,123519,4807.038,N,01131.000,,1,08,0.9,500.0,M,46.9,M,,",   // 1 deg 131 min
        "$GPGGA,123519,-407.038,N,01131.000,E,1,08,0.9,500.0,M,46.9,M,,",  // a sign inside
        "$GPGGA,123519,48-7.038,N,01131.000,E,1,08,0.9,500.0,M,46.9,M,,",
        // Addresses that are not a talker's GGA, RMC or VTG.
        "$PGRMC,A,218.8,100,6378137.000,298.257223563,0.0,0.0,0.0,A,A,,,,A",
        "$GPGGAX,123519,4800.000,N,01100.000,E,1,08,0.9,500.0,M,46.9,M,,",
        "$GPRMCX,123519,A,4807.038,N,01131.000,E,000.0,000.0,230394",
        "$PGVTG,054.7,T,034.4,M,005.5,N,010.2,K",
        "$G1VTG,054.7,T,034.4,M,005.5,N,010.2,K",
        // A wrong checksum: the position is one digit off.
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*46",
        "$GPGGA,123519,4817.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
        "$GPRMC,123519,A,4807.038,N,01131.000,E,000.0,000.0,230394,003.1,W*6F",
        "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*4",
    };
    for (const char* line : cases) {
        Settled e;
        e.gps.ParseSentence(line);
        e.ExpectUnchanged(line);
    }
}

TEST(Nmea, AnImpossiblePositionStillTakesTheOtherFields) {
    Settled e;
    e.gps.ParseSentence("$GPGGA,123519,9575.000,N,01131.000,E,4,12,0.9,500.0,M,46.9,M,,");
    EXPECT_TRUE(e.positions.empty());
    EXPECT_NEAR(e.gps.GetLatitude(), 48.1173, 1e-12);
    EXPECT_EQ(e.gps.GetAltitude(), 545.4);
    EXPECT_EQ(e.gps.GetFixQuality(), 4);
    EXPECT_EQ(e.gps.GetSatellites(), 12);

    // A non-finite speed leaves the speed; the course beside it is taken.
    e.gps.ParseSentence("$GPRMC,123519,A,4807.038,N,01131.000,E,nan,090.5,230394");
    EXPECT_TRUE(e.speeds.empty());
    EXPECT_NEAR(e.gps.GetSpeed(), 18.52, 1e-12);
    EXPECT_EQ(e.gps.GetCourse(), 90.5);

    // A non-finite altitude keeps the stored one beside a new position.
    e.gps.ParseSentence("$GPGGA,123519,4808.000,N,01131.000,E,4,12,0.9,inf,M,46.9,M,,");
    ASSERT_EQ(e.positions.size(), 1u);
    EXPECT_NEAR(e.positions[0][0], 48 + 8.0 / 60, 1e-12);
    EXPECT_EQ(e.positions[0][2], 545.4);
}

TEST(Nmea, ThePolesAndTheAntimeridianArePositions) {
    const struct {
        const char *value, *hemisphere;
        double limit, degrees;
    } cases[] = {
        {"9000.000", "N", 90, 90},
        {"9000.000", "S", 90, -90},
        {"18000.000", "E", 180, 180},
        {"18000.000", "W", 180, -180},
        {"0000.000", "N", 90, 0},
        {"4859.99999", "N", 90, 48 + 59.99999 / 60},
        {"17959.9999", "W", 180, -(179 + 59.9999 / 60)},
        {"", "N", 90, 0},  // no fix yet: 0, as before
        {"4807", "N", 90, 0},
    };
    for (const auto& c : cases) {
        const auto d = nmea::PositionDegrees(c.value, c.hemisphere, c.limit);
        ASSERT_TRUE(d) << c.value;
        EXPECT_NEAR(*d, c.degrees, 1e-12) << c.value;
    }
    Events e;
    e.gps.ParseSentence("$GPGGA,1,9000.000,S,18000.000,W,1,08,0.9,1.0,M,,M,,");
    ASSERT_EQ(e.positions.size(), 1u);
    EXPECT_EQ(e.positions[0][0], -90);
    EXPECT_EQ(e.positions[0][1], -180);
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
