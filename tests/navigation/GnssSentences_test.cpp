#include "navigation/GnssSentences.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(GnssSentences, HeadingScan) {
    EXPECT_DOUBLE_EQ(*ScanHdtHeading("$HEHDT,123.4,T"), 123.4);
    EXPECT_DOUBLE_EQ(*ScanHdtHeading("$GPHDT,0.0,T*33"), 0.0);
    EXPECT_FALSE(ScanHdtHeading("$HEHDT,,T"));
    EXPECT_FALSE(ScanHdtHeading("$HEHDT"));
}

TEST(GnssSentences, SpeedByField) {
    struct Case {
        const char* line;
        std::optional<double> knots;
    } cases[] = {
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", 22.4},
        {"$GPRMC,123519,V,,,,,,,230394,,*6A", std::nullopt},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,abc,084.4,230394,003.1,W", std::nullopt},
        {"$GPVTG,054.7,T,,M,005.5,N,010.2,K", 5.5},
        {"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48", 5.5},
        {"$GPVTG,,T,,M,,N,,K,N*2C", std::nullopt},
        {"$GPVTG,054.7,T,,M,-1.0,N,010.2,K", std::nullopt},
        {"$GPVTG,054.7,T,,M,0.0*11", 0.0},
    };
    for (const Case& c : cases) {
        const std::string line = c.line;
        const auto got =
            line.find("RMC") != std::string::npos ? RmcSpeedKnots(line) : VtgSpeedKnots(line);
        ASSERT_EQ(got.has_value(), c.knots.has_value()) << line;
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.knots) << line;
        }
    }
}

TEST(GnssSentences, GgaScanCounts) {
    const GgaScan full =
        ScanGga("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,*47");
    EXPECT_EQ(full.count, 4);
    EXPECT_DOUBLE_EQ(full.utcTime, 123519.0);
    EXPECT_EQ(full.fixQuality, 4);
    EXPECT_DOUBLE_EQ(full.altitude, 12.3);
    EXPECT_DOUBLE_EQ(full.separation, 35.1);
    EXPECT_EQ(ScanGga("$GPGGA,123519.00,,,,,,,,,,,,,").count, 1);
    EXPECT_EQ(ScanGga("$GPGGA,,,,,,,,,,,,,,").count, 0);
    EXPECT_EQ(ScanGga("$GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9,,M,,M,,").count, 2);
}

TEST(GnssSentences, FixColours) {
    EXPECT_EQ(FixColourOf(4), FixColour::Lime);
    EXPECT_EQ(FixColourOf(0), FixColour::Red);
    EXPECT_EQ(FixColourOf(1), FixColour::Red);
    EXPECT_EQ(FixColourOf(2), FixColour::Aqua);
    EXPECT_EQ(FixColourOf(3), FixColour::Yellow);
    EXPECT_EQ(FixColourOf(5), FixColour::Yellow);
    EXPECT_EQ(FixColourOf(9), FixColour::Yellow);
}

class ApplyLine : public ::testing::Test {
  protected:
    SurveyState state;
    GnssLineContext context;
};

TEST_F(ApplyLine, RtkHeightAndTideFromQualityFour) {
    context.offsets = {0.5, 1500, 1.5, 0.2};
    ApplyGnssLine(state, "$GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,", context);
    EXPECT_NEAR(state.RtkAntennaHeight, 47.4, 1e-9);
    EXPECT_NEAR(state.RtkTide, 45.9, 1e-9);
    EXPECT_FALSE(state.NoValidPosition);
    // Quality 4 with heights that do not scan keeps the values; quality 1 too.
    ApplyGnssLine(state, "$GPGGA,123520,4807.038,N,01131.000,E,4,08,0.9,,M,,M,,", context);
    ApplyGnssLine(state, "$GPGGA,123521,4807.038,N,01131.000,E,1,08,0.9,1.0,M,2.0,M,,", context);
    EXPECT_NEAR(state.RtkAntennaHeight, 47.4, 1e-9);
}

TEST_F(ApplyLine, NoValidPositionFromEmptyFields) {
    ApplyGnssLine(state, "$GPGGA,123519.00,,,,,,,,,,,,,", context);
    EXPECT_TRUE(state.NoValidPosition);
    ApplyGnssLine(state, "$GPGGA,123519.00,4807.038,N,01131.000,E,0,00,,,M,,M,,", context);
    EXPECT_FALSE(state.NoValidPosition);
    ApplyGnssLine(state, "$GPGGA,000000.00,4807.038,N,01131.000,E,1,00,,,M,,M,,", context);
    EXPECT_TRUE(state.NoValidPosition);
}

TEST_F(ApplyLine, MapTickGateUsesTheFlagBeforeTheLine) {
    state.RealtimeStartTick = 1234;
    EXPECT_FALSE(ApplyGnssLine(state, "$GPZDA,123519.00,10,12,2026,00,00", context).startMapTick);
    EXPECT_TRUE(state.ZdaSeen);
    EXPECT_TRUE(ApplyGnssLine(state, "$GPGGA,123519.00,,,,,,,,,,,,,", context).startMapTick);
    context.mapTickEnabled = true;
    EXPECT_FALSE(ApplyGnssLine(state, "$GPGGA,123519.00,,,,,,,,,,,,,", context).startMapTick);
    // Before Start the gate stays shut.
    SurveyState stopped;
    stopped.ZdaSeen = true;
    context.mapTickEnabled = false;
    EXPECT_FALSE(ApplyGnssLine(stopped, "$GPGGA,1,,,,,,,,,,,,,", context).startMapTick);
}

TEST_F(ApplyLine, SpeedKeptWhenTheFieldIsEmpty) {
    ApplyGnssLine(state, "$GPVTG,054.7,T,,M,005.5,N,010.2,K", context);
    EXPECT_DOUBLE_EQ(state.SpeedKnots, 5.5);
    ApplyGnssLine(state, "$GPVTG,,T,,M,,N,,K,N", context);
    EXPECT_DOUBLE_EQ(state.SpeedKnots, 5.5);
    ApplyGnssLine(state, "$GPRMC,123519,A,4807.038,N,01131.000,E,1.25,084.4,230394,,", context);
    EXPECT_DOUBLE_EQ(state.SpeedKnots, 1.25);
}

TEST_F(ApplyLine, OffsetsCopiedOnlyWhileTheWindowIsHiddenAndNumeric) {
    context.offsets = {0.5, 1530, 1.5, 0.2};
    ApplyGnssLine(state, "$GPHDT,10.0,T", context);
    EXPECT_DOUBLE_EQ(state.TransducerDraft, 0.5);
    EXPECT_DOUBLE_EQ(state.ManualSoundVelocity, 1530);
    EXPECT_DOUBLE_EQ(state.GyroHeading, 10.0);
    context.offsets = {std::nullopt, 1490, std::nullopt, 0.3};
    ApplyGnssLine(state, "$GPHDT,11.0,T", context);
    EXPECT_DOUBLE_EQ(state.TransducerDraft, 0.5);
    EXPECT_DOUBLE_EQ(state.ManualSoundVelocity, 1490);
    EXPECT_DOUBLE_EQ(state.ManualTide, 0.3);
    context.offsetsHidden = false;
    context.offsets = {9, 9, 9, 9};
    ApplyGnssLine(state, "$GPHDT,12.0,T", context);
    EXPECT_DOUBLE_EQ(state.TransducerDraft, 0.5);
}

TEST_F(ApplyLine, CorruptLineChangesNoValue) {
    state.RealtimeStartTick = 5;
    context.corrupt = true;
    ApplyGnssLine(state, "$GPZDA,123519.00,10,12,2026,00,00*00", context);
    ApplyGnssLine(state, "$GPHDT,99.0,T*00", context);
    ApplyGnssLine(state, "$GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,*00",
                  context);
    EXPECT_FALSE(state.ZdaSeen);
    EXPECT_DOUBLE_EQ(state.GyroHeading, 1e-9);
    EXPECT_DOUBLE_EQ(state.RtkAntennaHeight, 0);
    EXPECT_FALSE(state.NoValidPosition);
}

TEST_F(ApplyLine, FixColourOnlyOnAChange) {
    context.readerFixQuality = 0;
    EXPECT_FALSE(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour);
    context.readerFixQuality = 5;
    EXPECT_EQ(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour, FixColour::Yellow);
    EXPECT_FALSE(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour);
    context.readerFixQuality = 2;
    EXPECT_EQ(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour, FixColour::Aqua);
    context.readerFixQuality = 1;
    EXPECT_EQ(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour, FixColour::Red);
    context.readerFixQuality = 4;
    EXPECT_EQ(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour, FixColour::Lime);
    EXPECT_EQ(state.ShownFixQuality, 4);
    // Without a fresh fix the colour is no fix's, whatever the reader holds.
    context.positionFresh = false;
    EXPECT_EQ(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour, FixColour::Red);
    EXPECT_FALSE(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour);
    context.positionFresh = true;
    EXPECT_EQ(ApplyGnssLine(state, "$GPHDT,1,T", context).fixColour, FixColour::Lime);
}

TEST(GgaFix, TheReadersFixesOnly) {
    const struct {
        const char* line;
        int previousQuality;
        bool fix;
    } cases[] = {
        {"$GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,*47", 0, true},
        {"$GNGGA,123519,4807.038,N,01131.000,W,1,08,0.9,12.3,M,35.1,M,,", 0, true},
        {"$GPGGA,123519,4807.038,N,01131.000,E,0,08,0.9,12.3,M,35.1,M,,", 4, false},
        // An empty quality field keeps the reader's quality.
        {"$GPGGA,123519,4807.038,N,01131.000,E,,08,0.9,12.3,M,35.1,M,,", 4, true},
        {"$GPGGA,123519,4807.038,N,01131.000,E,,08,0.9,12.3,M,35.1,M,,", 0, false},
        // No position, or one off the globe.
        {"$GPGGA,123519.00,,,,,4,,,,,,,,", 4, false},
        {"$GPGGA,123519,,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,", 4, false},
        {"$GPGGA,123519,4860.000,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,", 4, false},
        {"$GPGGA,123519,9100.000,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,", 4, false},
        // Too few fields, not a talker's GGA.
        {"$GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9", 4, false},
        {"$PGGA,123519,4807.038,N,01131.000,E,4,08,0.9,12.3,M,35.1,M,,", 4, false},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,1.25,084.4,230394,,", 4, false},
    };
    for (const auto& c : cases) EXPECT_EQ(GgaCarriesFix(c.line, c.previousQuality), c.fix) << c.line;

    // ApplyGnssLine says so, but never for a line the reader marked corrupt.
    SurveyState state;
    GnssLineContext context;
    EXPECT_TRUE(ApplyGnssLine(state, cases[0].line, context).fixArrived);
    context.corrupt = true;
    EXPECT_FALSE(ApplyGnssLine(state, cases[0].line, context).fixArrived);

    // Every talker's GGA without a fix ends the last fix's standing; other
    // lines and a corrupt GGA leave it.
    for (const auto& c : cases) {
        const bool gga = std::string_view(c.line).substr(0, 6).ends_with("GGA") && c.line[1] != 'P';
        context.corrupt = false;
        context.readerFixQuality = c.previousQuality;
        EXPECT_EQ(ApplyGnssLine(state, c.line, context).fixLost, gga && !c.fix) << c.line;
        context.corrupt = true;
        EXPECT_FALSE(ApplyGnssLine(state, c.line, context).fixLost) << c.line;
    }
}

TEST(GgaFix, FreshForTwoSecondsWhileThePortIsOpen) {
    SurveyState state;
    EXPECT_FALSE(PositionFresh(state, 5000, true));  // no fix yet
    state.LastFixTick = 10000;
    EXPECT_TRUE(PositionFresh(state, 10000, true));
    EXPECT_TRUE(PositionFresh(state, 10000 + kFreshFixMs - 1, true));
    EXPECT_FALSE(PositionFresh(state, 10000 + kFreshFixMs, true));
    EXPECT_FALSE(PositionFresh(state, 10500, false));
    // Across the wrap of the tick count.
    state.LastFixTick = 0xFFFFFF00u;
    EXPECT_TRUE(PositionFresh(state, 0x100, true));
    EXPECT_FALSE(PositionFresh(state, 0x100 + kFreshFixMs, true));
}

}  // namespace
